#include "engine/vdxAggregate.h"

#include "core/vdFormatSettings.h"
#include "core/vdUtils.h"
#include "core/vdxVariables.h"
#include "platform/Exception.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_page.h"
#include "report/vdxClass_report.h"

#include <algorithm>

namespace {

// A variable naming itself, or two naming each other, must not scan for ever.
constexpr int maxScanDepth = 32;
constexpr int maxBandDepth = 1000;
// Columns every vertical item has room for before it grows.
constexpr size_t verticalColumns = 1001;

bool isAggregateName(const QString &upper)
{
    return upper == QLatin1String("SUM") || upper == QLatin1String("MIN") || upper == QLatin1String("MAX")
           || upper == QLatin1String("AVG") || upper == QLatin1String("COUNT");
}

// Characters stepped over between the tokens of an expression.
bool isSkipped(QChar c)
{
    if (c.unicode() < 32 || c == u' ')
        return true;
    return QStringView(u"!#$%&*+,-./=[]^|").contains(c) || (c >= u'0' && c <= u'9');
}

// Characters that end a word.
bool endsWord(QChar c)
{
    if (c.unicode() < 32 || c == u' ')
        return true;
    return QStringView(u"!#$%&(*+,-./=[]^|").contains(c);
}

bool isNullValue(const Variant &v) { return v.isEmptyOrNull(); }

bool isFooterKind(const TvdxComponent *c)
{
    return qobject_cast<const TvdxReportSummary *>(c) || qobject_cast<const TvdxPageFooter *>(c)
           || qobject_cast<const TvdxFooter *>(c) || qobject_cast<const TvdxGroupFooter *>(c);
}

} // namespace

TvdxAggregateFunction vdxAggregateFunction(const QString &upperName)
{
    if (upperName == QLatin1String("SUM"))
        return agSum;
    if (upperName == QLatin1String("AVG"))
        return agAvg;
    if (upperName == QLatin1String("MIN"))
        return agMin;
    if (upperName == QLatin1String("MAX"))
        return agMax;
    return agCount;
}

// ---------------------------------------------------------------------------
void TvdxAggregateItem::combine(Variant &into, const Variant &value) const
{
    if (isNullValue(into)) {
        into = value;
        return;
    }
    if (isNullValue(value))
        return;
    switch (FAggregateFunction) {
    case agSum:
    case agAvg:
        into = into + value;
        break;
    case agMin:
        if (value < into)
            into = value;
        break;
    case agMax:
        if (value > into)
            into = value;
        break;
    case agCount:
        break;
    }
}

void TvdxAggregateItem::Calc(const Variant &value)
{
    if (FDataRow && !FDataRow->Visible() && !FCountInvisibleBands)
        return;
    Variant v = Variant::null();
    if (FReport)
        FReport->SetCurObject(FMemoName);
    if (FAggregateFunction != agCount) {
        if (!isNullValue(value)) {
            v = value;
        } else if (FReport) {
            try {
                v = FReport->Calc(FExpression);
            } catch (const Exception &) {
                // The report has the error line; the row adds nothing.
                v = Variant::null();
            }
        }
        if (v.isBool())
            v = Variant(v.toBool() ? 1 : 0);
    }
    const bool counts = !(FAggregateFunction == agAvg && isNullValue(v));
    if (FVColumn >= 1) {
        const size_t col = size_t(FVColumn);
        if (FItemsArray.size() <= col) {
            const size_t n = std::max(verticalColumns, col + 1);
            FItemsArray.resize(n, Variant::null());
            FItemsCountArray.resize(n, 0);
        }
        if (counts)
            ++FItemsCountArray[col];
        combine(FItemsArray[col], v);
    } else if (FKeeping) {
        if (counts)
            ++FTempItemsCount;
        combine(FTempItemsValue, v);
    } else {
        FLastCount = FItemsCount;
        FLastValue = FItemsValue;
        if (counts)
            ++FItemsCount;
        combine(FItemsValue, v);
    }
}

Variant TvdxAggregateItem::Value() const
{
    int count = FItemsCount;
    Variant value = FItemsValue;
    if (!FItemsArray.empty()) {
        const size_t col = size_t(std::max(FVColumn, 0));
        count = col < FItemsCountArray.size() ? FItemsCountArray[col] : 0;
        value = col < FItemsArray.size() ? FItemsArray[col] : Variant::null();
    }
    Variant result;
    switch (FAggregateFunction) {
    case agAvg:
        result = (isNullValue(value) || count == 0) ? Variant::null() : Variant(value.toDouble() / count);
        break;
    case agCount:
        result = Variant(count);
        break;
    default:
        result = value;
    }
    return isNullValue(result) ? Variant(0) : result;
}

void TvdxAggregateItem::Reset()
{
    if (FDontReset && FItemsCount != 0)
        return;
    ResetAll();
}

void TvdxAggregateItem::ResetAll()
{
    FItemsCount = 0;
    FItemsValue = Variant::null();
    FItemsArray.clear();
    FItemsCountArray.clear();
}

void TvdxAggregateItem::DeleteValue()
{
    FItemsCount = FLastCount;
    FItemsValue = FLastValue;
}

void TvdxAggregateItem::SaveValue()
{
    FSavedCount = FItemsCount;
    FSavedValue = FItemsValue;
}

void TvdxAggregateItem::RestoreValue()
{
    FItemsCount = FSavedCount;
    FItemsValue = FSavedValue;
}

void TvdxAggregateItem::StartKeep()
{
    if (!FIsPageFooter || FKeeping)
        return;
    FKeeping = true;
    FTempItemsCount = 0;
    FTempItemsValue = Variant::null();
}

void TvdxAggregateItem::EndKeep()
{
    if (!FIsPageFooter || !FKeeping)
        return;
    FKeeping = false;
    FItemsCount += FTempItemsCount;
    if (FAggregateFunction == agCount) {
        if (isNullValue(FItemsValue))
            FItemsValue = FTempItemsValue;
        else if (!isNullValue(FTempItemsValue))
            FItemsValue = FItemsValue + FTempItemsValue;
    } else {
        combine(FItemsValue, FTempItemsValue);
    }
}

// ---------------------------------------------------------------------------
struct TvdxAggregateList::Scan {
    TvdxComponent *object = nullptr;
    IvdxAggregateObject *aggObject = nullptr;
    TvdxComponent *defaultRow = nullptr;
    TvdxReport *report = nullptr;
    bool force = false;
    QList<TvdxAggregateItem *> *out = nullptr;
    int added = 0;
};

TvdxAggregateList::TvdxAggregateList(TvdxReport *report) : m_report(report) {}

TvdxAggregateList::~TvdxAggregateList() = default;

void TvdxAggregateList::Clear() { m_list.clear(); }

void TvdxAggregateList::ClearValues()
{
    for (auto &item : m_list) {
        item->ResetAll();
        item->FKeeping = false;
    }
}

void TvdxAggregateList::AddItems(TvdxReportPage *page)
{
    if (!page)
        return;
    for (TvdxBand *b : page->SubBands())
        scanDataBand(b);
    for (TvdxBand *b : page->VSubBands())
        scanDataBand(b);
    if (page->SubBands().isEmpty())
        return;
    TvdxBand *first = page->SubBands().first();
    scanBand(page->FindBand(&TvdxPageFooter::staticMetaObject), first);
    scanBand(page->FindBand(&TvdxColumnFooter::staticMetaObject), first);
    scanBand(page->FindBand(&TvdxReportSummary::staticMetaObject), first);
}

void TvdxAggregateList::scanDataBand(TvdxBand *band)
{
    // Depth-first over the detail levels; a level list that loops is cut.
    QList<TvdxBand *> stack{band};
    int guard = 0;
    while (!stack.isEmpty() && guard++ < 100000) {
        TvdxBand *b = stack.takeLast();
        if (!b)
            continue;
        scanBand(b->Footer, b);
        if (b->Group)
            for (TvdxBand *level : b->Group->SubBands())
                scanBand(level ? level->Footer : nullptr, b);
        if (b->Vertical())
            scanBand(b, b);
        const QList<TvdxBand *> subs = b->SubBands();
        for (auto it = subs.rbegin(); it != subs.rend(); ++it)
            stack.append(*it);
    }
}

void TvdxAggregateList::scanBand(TvdxBand *band, TvdxComponent *defaultRow)
{
    for (int depth = 0; band && depth < maxBandDepth; band = band->Child(), ++depth) {
        const QList<TvdxComponent *> objects = band->AllObjects();
        for (TvdxComponent *c : objects) {
            auto *memo = qobject_cast<TvdxCustomMemoView *>(c);
            if (memo && memo->AllowExpressions())
                scanObject(memo, nullptr, memo->Text(), memo->ExpressionDelimiters(), defaultRow, m_report, false,
                           nullptr);
        }
    }
}

bool TvdxAggregateList::AddAggregatedItem(IvdxAggregateObject *object, TvdxComponent *container,
                                          QList<TvdxAggregateItem *> *aList)
{
    if (!object)
        return false;
    const size_t before = m_list.size();
    TvdxReport *report = object->GetReport() ? object->GetReport() : m_report;
    scanObject(object->GetComponent(), object, object->GetText(), object->GetExpressionDelimiters(), container,
               report, true, aList);
    return m_list.size() != before;
}

void TvdxAggregateList::scanObject(TvdxComponent *object, IvdxAggregateObject *aggObject, const QString &text,
                                   const QString &delimiters, TvdxComponent *defaultRow, TvdxReport *report,
                                   bool force, QList<TvdxAggregateItem *> *out)
{
    const qsizetype comma = delimiters.indexOf(QLatin1Char(','));
    const QString open = comma > 0 ? delimiters.left(comma) : QStringLiteral("[");
    const QString close = comma > 0 && comma + 1 < delimiters.size() ? delimiters.mid(comma + 1) : QStringLiteral("]");
    Scan scan;
    scan.object = object;
    scan.aggObject = aggObject;
    scan.defaultRow = defaultRow;
    scan.report = report;
    scan.force = force;
    scan.out = out;
    int pos = 0;
    while (pos < text.size()) {
        int start = int(text.indexOf(open, pos));
        if (start < 0)
            break;
        int end = start;
        const QString expr = GetBracketedText(text, open, close, start, end);
        scanExpression(scan, expr, 0);
        pos = std::max(end + 1, start + 1);
    }
}

void TvdxAggregateList::scanExpression(Scan &scan, const QString &expr, int depth)
{
    if (depth > maxScanDepth || !scan.report)
        return;
    auto scanVariable = [&](const QString &name) -> bool {
        TvdxVariables *vars = scan.report->Variables();
        if (!vars || name.isEmpty() || vars->IndexOf(name) < 0)
            return false;
        const Variant value = vars->GetVariable(name);
        scanExpression(scan, value.isEmptyOrNull() ? QString() : VarToStr(value), depth + 1);
        return true;
    };
    const QString trimmed = expr.trimmed();
    if (trimmed.isEmpty() || scanVariable(trimmed))
        return;
    {
        TvdxDataSet *ds = nullptr;
        QString field;
        scan.report->GetDatasetAndField(trimmed, ds, field);
        if (ds)
            return;
    }

    const QString &e = expr;
    const int n = int(e.size());
    int i = 0;
    while (i < n) {
        const QChar c = e.at(i);
        if (isSkipped(c)) {
            ++i;
            continue;
        }
        if (c == u'"' || c == u'\'') {
            const int j = int(e.indexOf(c, i + 1));
            if (j < 0)
                break;
            i = j + 1;
            continue;
        }
        if (c == u'(' || c == u'<') {
            int end = i;
            const QString inner = c == u'(' ? GetBracketedText(e, QStringLiteral("("), QStringLiteral(")"), i, end)
                                            : GetBracketedText(e, QStringLiteral("<"), QStringLiteral(">"), i, end);
            scanExpression(scan, inner, depth + 1);
            i = std::max(end + 1, i + 1);
            continue;
        }
        int j = i;
        while (j < n && !endsWord(e.at(j)))
            ++j;
        if (j == i)
            ++j;
        const QString word = e.mid(i, j - i);
        if (!isAggregateName(word.toUpper())) {
            scanVariable(word);
            i = j;
            continue;
        }
        if (j >= n || e.at(j) != u'(') {
            i = j;
            continue;
        }
        // The argument list, up to the matching parenthesis outside quotes.
        QStringList args;
        QString cur;
        bool inDouble = false, inSingle = false;
        int level = 1;
        int k = j + 1;
        for (; k < n; ++k) {
            const QChar ch = e.at(k);
            if (ch == u'"' && !inSingle) {
                inDouble = !inDouble;
            } else if (ch == u'\'' && !inDouble) {
                inSingle = !inSingle;
            } else if (!inDouble && !inSingle) {
                if (ch == u'(') {
                    ++level;
                } else if (ch == u')') {
                    if (--level == 0)
                        break;
                } else if (ch == u',' && level == 1) {
                    args << cur.trimmed();
                    cur.clear();
                    continue;
                }
            }
            cur += ch;
        }
        args << cur.trimmed();
        while (args.size() > 3)
            args.removeLast();
        addItem(scan, e.mid(i, std::min(k, n - 1) - i + 1), args);
        i = k + 1;
    }
}

void TvdxAggregateList::addItem(Scan &scan, const QString &callText, const QStringList &args)
{
    const QString name = callText.left(callText.indexOf(QLatin1Char('('))).trimmed().toUpper();
    const QString a1 = args.value(0), a2 = args.value(1), a3 = args.value(2);
    auto find = [&](const QString &objName) -> TvdxComponent * {
        if (objName.isEmpty())
            return nullptr;
        return dynamic_cast<TvdxComponent *>(scan.report->FindObject(objName));
    };
    auto item = std::make_unique<TvdxAggregateItem>();
    item->FAggregateFunction = vdxAggregateFunction(name);
    QString flagsText;
    if (name == QLatin1String("COUNT") || (scan.force && a2.isEmpty() && a3.isEmpty())) {
        item->FDataRow = find(a1);
        flagsText = a2;
    } else {
        item->FExpression = a1;
        item->FDataRow = find(a2);
        flagsText = a3;
    }
    const QString memoName = scan.object ? scan.object->Name() : QString();
    int flags = 0;
    if (!flagsText.isEmpty()) {
        try {
            flags = StrToInt(flagsText);
        } catch (const Exception &e) {
            // This call is left out; the other objects still get their values.
            scan.report->AddError(memoName + QStringLiteral(": ") + e.message());
            return;
        }
    }
    item->FCountInvisibleBands = (flags & 1) != 0;
    item->FDontReset = (flags & 2) != 0;
    if (!item->FDataRow)
        item->FDataRow = scan.defaultRow;
    item->FReport = m_report;

    TvdxComponent *container = nullptr;
    if (scan.aggObject) {
        container = scan.aggObject->GetContainer();
    } else if (scan.object) {
        for (TvdxComponent *p = scan.object->Parent(); p; p = p->Parent())
            if (auto *band = qobject_cast<TvdxBand *>(p)) {
                container = band;
                if (band->Vertical() && isFooterKind(scan.object->OriginalBand()))
                    container = scan.object->OriginalBand();
                break;
            }
    }
    item->FParentContainer = container;
    item->FIsPageFooter = qobject_cast<TvdxPageFooter *>(container) != nullptr;
    item->FOriginalName = callText.trimmed();
    item->FMemoName = memoName;
    item->Reset();
    if (scan.out)
        scan.out->append(item.release());
    else
        m_list.push_back(std::move(item));
}

// ---------------------------------------------------------------------------
void TvdxAggregateList::AddValue(TvdxComponent *dataRow, int vColumn)
{
    for (auto &item : m_list)
        if (item->FDataRow == dataRow) {
            item->FVColumn = vColumn;
            item->Calc(Variant::null());
        }
}

bool TvdxAggregateList::AddCalculatedValue(TvdxComponent *dataRow, const Variant &value, int vColumn)
{
    bool any = false;
    for (auto &item : m_list)
        if (item->FDataRow == dataRow) {
            item->FVColumn = vColumn;
            item->Calc(value);
            any = true;
        }
    return any;
}

void TvdxAggregateList::DeleteValue(TvdxComponent *dataRow)
{
    for (auto &item : m_list)
        if (item->FDataRow == dataRow)
            item->DeleteValue();
}

void TvdxAggregateList::SaveValue(TvdxComponent *dataRow)
{
    for (auto &item : m_list)
        if (item->FDataRow == dataRow)
            item->SaveValue();
}

void TvdxAggregateList::RestoreValue(TvdxComponent *dataRow)
{
    for (auto &item : m_list)
        if (item->FDataRow == dataRow)
            item->RestoreValue();
}

void TvdxAggregateList::StartKeep()
{
    for (auto &item : m_list)
        item->StartKeep();
}

void TvdxAggregateList::EndKeep()
{
    for (auto &item : m_list)
        item->EndKeep();
}

void TvdxAggregateList::Reset(TvdxComponent *parentContainer)
{
    for (auto &item : m_list)
        if (item->FParentContainer == parentContainer)
            item->Reset();
}

Variant TvdxAggregateList::GetValue(TvdxComponent *parentContainer, const QString &complexName, int vColumn)
{
    const QString name = complexName.trimmed();
    for (auto &item : m_list)
        if (item->FParentContainer == parentContainer
            && QString::localeAwareCompare(item->FOriginalName.toUpper(), name.toUpper()) == 0) {
            item->FVColumn = vColumn;
            return item->Value();
        }
    return Variant::null();
}

Variant TvdxAggregateList::GetValue(TvdxComponent *parentContainer, int vColumn, const QString &name,
                                    const QString &expression, TvdxComponent *dataRow, int flags)
{
    if (auto *agg = dynamic_cast<IvdxAggregateObject *>(dataRow))
        parentContainer = agg->GetContainer();
    const TvdxAggregateFunction fn = vdxAggregateFunction(name.trimmed().toUpper());
    const QString expr = expression.trimmed().toUpper();
    for (auto &item : m_list) {
        if (item->FParentContainer != parentContainer || item->FAggregateFunction != fn)
            continue;
        if (QString::localeAwareCompare(item->FExpression.toUpper(), expr) != 0)
            continue;
        if (dataRow && item->FDataRow != dataRow)
            continue;
        if (item->FCountInvisibleBands != ((flags & 1) != 0) || item->FDontReset != ((flags & 2) != 0))
            continue;
        item->FVColumn = vColumn;
        return item->Value();
    }
    return Variant::null();
}
