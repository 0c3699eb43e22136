#include "report/vdxClass_memo.h"
#include "core/vdUtils.h"
#include "core/vdXML.h"
#include "core/vdxRes.h"
#include "core/vdxVariables.h"
#include "core/vdStringStream.h"
#include "core/vdxXMLSerializer.h"
#include "report/vdxClass_datalink.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_postprocessor.h"
#include "report/vdxClass_report.h"
#include <QIODevice>
#include <cmath>

namespace {

// Equal to 0 within a precision; a precision of 0 means the smallest
// relative one.
bool sameAsZero(double v, double precision)
{
    if (!std::isfinite(v))
        return false;
    const double eps = precision == 0 ? 1e-16 : std::abs(precision);
    return std::abs(v) <= eps;
}

// Appends in place: a difference record is built from many small pieces.
void attr(QString &s, const char *name, const QString &value)
{
    const qsizetype need = s.size() + qsizetype(qstrlen(name)) + value.size() + 4;
    if (s.capacity() < need)
        s.reserve(need + 48); // room for the next few, so a record grows in one or two steps
    s.append(QLatin1Char(' ')).append(QLatin1String(name)).append(QLatin1String("=\"")).append(value).append(
        QLatin1Char('"'));
}

QString boolText(bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); }

bool differs(double a, double b) { return std::abs(a - b) > 0.0001; }

QString floatText(double v) { return QString::number(v, 'g', 15); }

// Lines of a text split at CR LF, LF or CR; a final line break adds no line.
QStringList splitLines(const QString &text)
{
    TvdWideStrings w;
    w.SetText(text);
    return w.Strings();
}

} // namespace

TvdxMemoCalc &vdxMemoCalcHook()
{
    static TvdxMemoCalc hook;
    return hook;
}

// ---------------------------------------------------------------------------
TvdxStretcheable::TvdxStretcheable(TvdComponent *owner) : TvdxView(owner) {}

// ---------------------------------------------------------------------------
TvdxCustomMemoView::TvdxCustomMemoView(TvdComponent *owner)
    : TvdxStretcheable(owner), m_formats(std::make_unique<TvdxFormatCollection>(this)),
      m_highlights(std::make_unique<TvdxHighlightCollection>(this))
{
    TvdxComponentStyle style = vdComponentStyle();
    style.setFlag(csDefaultDiff, false);
    style.setFlag(csHandlesNestedProperties, true);
    SetvdComponentStyle(style);
}

TvdxCustomMemoView::~TvdxCustomMemoView() = default;

void TvdxCustomMemoView::SetFlag(int index, bool value)
{
    if (index < 0 || index > 15)
        return;
    if (value)
        m_flags |= 1u << index;
    else
        m_flags &= ~(1u << index);
}

int TvdxCustomMemoView::ReducedAngle() const
{
    const int r = m_rotation % 360;
    return r < 0 ? r + 360 : r;
}

void TvdxCustomMemoView::SetUnderlines(bool v)
{
    if (!v)
        m_underlinesTextMode = ulmNone;
    else if (m_underlinesTextMode == ulmNone)
        m_underlinesTextMode = ulmUnderlinesAll;
}

QString TvdxCustomMemoView::Text() const
{
    QString s;
    for (const QString &line : m_memo)
        s += line + QStringLiteral("\r\n");
    return s;
}

void TvdxCustomMemoView::SetText(const QString &text) { m_memo = splitLines(text); }

TvdxFormat *TvdxCustomMemoView::DisplayFormat()
{
    if (m_formats->Count() == 0)
        m_formats->Add();
    return m_formats->GetItem(0);
}

void TvdxCustomMemoView::SetDisplayFormat(const TvdxFormat *f) { DisplayFormat()->Assign(f); }

TvdxHighlight *TvdxCustomMemoView::Highlight()
{
    if (m_highlights->Count() == 0)
        m_highlights->Add();
    return m_highlights->GetItem(0);
}

void TvdxCustomMemoView::SetHighlight(const TvdxHighlight *h) { Highlight()->Assign(h); }

void TvdxCustomMemoView::SetFlowTo(TvdxCustomMemoView *v)
{
    if (m_flowTo == v)
        return;
    if (m_flowTo)
        m_flowTo->RemoveFreeNotification(this);
    m_flowTo = v;
    if (m_flowTo)
        m_flowTo->FreeNotification(this);
}

void TvdxCustomMemoView::Notification(TvdComponent *component, Operation operation)
{
    TvdxStretcheable::Notification(component, operation);
    if (operation == opRemove && component == m_flowTo)
        m_flowTo = nullptr;
}

TvdxDataLink *TvdxCustomMemoView::DataLink()
{
    if (!m_dataLink)
        m_dataLink = std::make_unique<TvdxDataLink>();
    return m_dataLink.get();
}

void TvdxCustomMemoView::SetDataLink(TvdxDataLink *v) { DataLink()->Assign(v); }

bool TvdxCustomMemoView::LoadDataStream(QIODevice &stream)
{
    if (!stream.isOpen() || !stream.isReadable())
        return false;
    QByteArray bytes;
    // In blocks, so a huge stream is not asked for at once.
    constexpr qint64 kBlock = 1 << 20;
    for (;;) {
        const QByteArray block = stream.read(kBlock);
        if (block.isEmpty()) {
            if (!stream.atEnd() && stream.isOpen() && !stream.isSequential())
                return false;
            break;
        }
        bytes += block;
    }
    SetText(AnsiToWideStr(bytes, DEFAULT_CHARSET));
    return true;
}

QByteArray TvdxCustomMemoView::AnsiText() const
{
    return WideToAnsiStr(Text(), Font() ? Font()->Charset() : DEFAULT_CHARSET);
}

void TvdxCustomMemoView::SetAnsiText(const QByteArray &text)
{
    SetText(AnsiToWideStr(text, Font() ? Font()->Charset() : DEFAULT_CHARSET));
}

bool TvdxCustomMemoView::IsPropertyStored(const char *propName) const
{
    if (qstrcmp(propName, "DisplayFormat") == 0)
        return m_formats->Count() == 1;
    if (qstrcmp(propName, "Highlight") == 0) {
        if (m_highlights->Count() != 1)
            return false;
        QString c = m_highlights->GetItem(0)->Condition();
        while (!c.isEmpty() && c.front().unicode() < 33)
            c.remove(0, 1);
        while (!c.isEmpty() && c.back().unicode() < 33)
            c.chop(1);
        return !c.isEmpty();
    }
    // Floats and texts are written only when they differ from a new object's.
    struct Default {
        const char *name;
        double value;
    };
    static constexpr Default floats[] = {
        {"CharSpacing", 0}, {"GapX", 2}, {"GapY", 1}, {"LineSpacing", 2}, {"ParagraphGap", 0}};
    for (const Default &d : floats)
        if (qstrcmp(propName, d.name) == 0) {
            const double v = d.name[0] == 'C' ? m_charSpacing
                             : d.name[0] == 'P' ? m_paragraphGap
                             : d.name[0] == 'L' ? m_lineSpacing
                             : d.name[3] == 'X' ? m_gapX
                                                : m_gapY;
            return std::abs(v - d.value) > 1e-12;
        }
    if (qstrcmp(propName, "ExpressionDelimiters") == 0)
        return m_expressionDelimiters != QLatin1String("[,]");
    if (qstrcmp(propName, "DataLink") == 0)
        return m_dataLink && TvdxDataLink::IsDataLinkStored(m_dataLink.get(), vdComponentState());
    return TvdxStretcheable::IsPropertyStored(propName);
}

void TvdxCustomMemoView::WriteNestedProperties(TvdXMLItem *item, TvdPersistent *ancestor)
{
    if (m_formats->Count() > 1)
        SaveCollectionToXMLItem(m_formats.get(), QStringLiteral("Formats"), item, true, nullptr, this);
    if (m_highlights->Count() > 1) {
        auto *a = qobject_cast<TvdxCustomMemoView *>(ancestor);
        SaveCollectionToXMLItem(m_highlights.get(), QStringLiteral("Highlights"), item, true,
                                a ? a->m_highlights.get() : nullptr, this);
    }
}

bool TvdxCustomMemoView::ReadNestedProperty(TvdXMLItem *item)
{
    const QString name = item->Name();
    if (name.compare(QLatin1String("Formats"), Qt::CaseInsensitive) == 0) {
        LoadCollectionFromXMLItem(m_formats.get(), item, this, nullptr);
        return true;
    }
    if (name.compare(QLatin1String("Highlights"), Qt::CaseInsensitive) == 0) {
        LoadCollectionFromXMLItem(m_highlights.get(), item, this, nullptr);
        return true;
    }
    return false;
}

bool TvdxCustomMemoView::charsetConversion() const
{
    return Font() && Font()->Charset() != DEFAULT_CHARSET && !UseDefaultCharset();
}

QString TvdxCustomMemoView::FormatData(const Variant &value, const TvdxFormat *format)
{
    if (!format)
        format = DisplayFormat();
    return vdxFormatData(value, format, charsetConversion(), Font() ? Font()->Charset() : DEFAULT_CHARSET);
}

Variant TvdxCustomMemoView::Calc(const QString &expr)
{
    if (vdxMemoCalcHook())
        return vdxMemoCalcHook()(this, expr);
    if (TvdxReport *report = Report())
        return report->Calc(expr);
    throw Exception(QStringLiteral("No expression evaluator for \"%1\"").arg(expr));
}

QString TvdxCustomMemoView::CalcAndFormat(const QString &expression, const TvdxFormat *format)
{
    QString expr = expression;
    std::unique_ptr<TvdxFormat> inlineFormat;
    const qsizetype hash = expr.indexOf(QStringLiteral(" #"));
    if (hash >= 0) {
        QString f = expr.mid(hash + 2);
        if (!f.contains(u')')) {
            expr = expr.left(hash);
            inlineFormat = std::make_unique<TvdxFormat>();
            const QChar kind = f.isEmpty() ? QChar() : f[0];
            if (kind == u'N' || kind == u'n') {
                inlineFormat->SetKind(TvdxFormat::fkNumeric);
                for (qsizetype i = 1; i < f.size(); ++i) {
                    const QChar c = f[i];
                    // A "-" right after "%" is the left-justify flag.
                    const bool flag = c == u'-' && f[i - 1] == u'%';
                    if ((c == u',' || c == u'-' || c == u'.') && !flag) {
                        inlineFormat->SetDecimalSeparator(QString(c));
                        f[i] = u'.';
                    }
                }
            } else if (kind == u'D' || kind == u'T' || kind == u'd' || kind == u't')
                inlineFormat->SetKind(TvdxFormat::fkDateTime);
            else if (kind == u'B' || kind == u'b')
                inlineFormat->SetKind(TvdxFormat::fkBoolean);
            inlineFormat->SetFormatStr(f.mid(1, 255));
            format = inlineFormat.get();
        }
    }
    Variant value;
    if (expr.compare(QStringLiteral("TOTALPAGES#"), Qt::CaseInsensitive) == 0)
        value = Variant::fromString(QStringLiteral("[TotalPages#]"));
    else if (expr.compare(QStringLiteral("COPYNAME#"), Qt::CaseInsensitive) == 0)
        value = Variant::fromString(QStringLiteral("[CopyName#]"));
    else {
        if (charsetConversion())
            expr = AnsiToWideStr(WideToAnsiStr(expr, Font()->Charset()), DEFAULT_CHARSET);
        value = Calc(expr);
    }
    m_value = value;
    if (HideZeros() && isHiddenZero(value))
        return QString();
    return FormatData(value, format);
}

bool TvdxCustomMemoView::isHiddenZero(const Variant &v) const
{
    if (v.isNull() || v.isString())
        return false;
    double precision = 1e-17;
    if (TvdxReport *r = Report())
        precision = double(r->EngineOptions()->ZeroPrecisionValue());
    try {
        return sameAsZero(v.toDouble(), precision);
    } catch (const std::exception &) {
        return false;
    }
}

void TvdxCustomMemoView::ExpandExpressions()
{
    const qsizetype comma = m_expressionDelimiters.indexOf(u',');
    const QString open = comma < 0 ? QString() : m_expressionDelimiters.left(comma);
    const QString close = comma < 0 ? QString() : m_expressionDelimiters.mid(comma + 1, 255);
    QString s = Text();
    if (open.isEmpty() || close.isEmpty() || !s.contains(open))
        return;
    int i = 0;
    int k = 0;
    // Whatever was expanded stays when an expression fails.
    struct Commit {
        TvdxCustomMemoView *self;
        QString &text;
        ~Commit() { self->SetText(text); }
    } commit{this, s};
    for (;;) {
        while (i < s.size() - 1 && !QStringView(s).mid(i).startsWith(open))
            ++i;
        int j = i;
        const QString expr = GetBracketedText(s, open, close, i, j);
        if (i == j)
            break;
        const TvdxFormat *f = k < m_formats->Count() ? m_formats->GetItem(k) : nullptr;
        const QString result = CalcAndFormat(expr, f);
        s.replace(i, j - i + 1, result);
        i += int(result.size());
        if (k < m_formats->Count() - 1)
            ++k;
    }
}

void TvdxCustomMemoView::BeforePrint()
{
    TvdxStretcheable::BeforePrint();
    if (!IsDataField())
        m_tempMemo = m_memo;
    if (m_dataLink)
        TvdxDataLink::SaveState(m_dataLink.get());
}

void TvdxCustomMemoView::fillFromDataField()
{
    TvdxDataSet *ds = DataSet();
    const QString field = DataField();
    const bool convert = charsetConversion();
    const int charset = Font() ? Font()->Charset() : DEFAULT_CHARSET;
    if (ds->IsBlobField(field)) {
        TvdWideStrings lines;
        ds->AssignBlobTo(field, lines);
        if (lines.Strings().isEmpty()) {
            // Data sets that hand blobs out as a stream of bytes.
            TvdStringStream stream;
            stream.open(QIODevice::ReadWrite);
            ds->AssignBlobTo(field, &stream);
            QByteArray bytes = stream.data();
            lines.SetText(convert ? AnsiToWideStr(bytes, charset) : QString::fromUtf8(bytes));
        }
        m_memo = lines.Strings();
        return;
    }
    m_value = ds->GetValue(field);
    if (m_formats->GetItem(0)->Kind() != TvdxFormat::fkText)
        SetText(FormatData(m_value));
    else {
        QString text = ds->GetDisplayText(field);
        if (convert)
            text = AnsiToWideStr(WideToAnsiStr(text, DEFAULT_CHARSET), charset);
        SetText(text);
    }
    if (HideZeros() && isHiddenZero(m_value))
        m_memo.clear();
}

void TvdxCustomMemoView::applyHighlights()
{
    TvdxReport *r = Report();
    if (m_highlights->Count() == 0)
        return;
    if (r)
        r->SetLocalValue(m_value);
    for (int i = 0; i < m_highlights->Count(); ++i) {
        TvdxHighlight *h = m_highlights->GetItem(i);
        if (h->Condition().trimmed().isEmpty())
            continue;
        const Variant result = Calc(h->Condition());
        bool isTrue = false;
        try {
            isTrue = Variant::equals(result, Variant(true));
        } catch (const std::exception &) {
            isTrue = false;
        }
        if (!isTrue)
            continue;
        if (!Flag(mbfHighlightActivated)) {
            m_tempFill.reset(vdxCreateFill(FillType()));
            if (m_tempFill)
                m_tempFill->Assign(Fill());
            m_tempFont = std::make_unique<TvdFont>();
            m_tempFont->Assign(Font());
            m_tempFrame = std::make_unique<TvdxFrame>();
            m_tempFrame->Assign(Frame());
            m_tempVisible = Visible();
            SetFlag(mbfHighlightActivated, true);
        }
        ApplyHighlight(h);
        break;
    }
}

void TvdxCustomMemoView::ApplyHighlight(const TvdxHighlight *h)
{
    if (!h)
        return;
    if (h->ApplyFont())
        SetFont(h->Font());
    if (h->ApplyFill())
        SetFill(h->Fill());
    if (h->ApplyFrame())
        SetFrame(h->Frame());
    SetVisible(h->Visible());
}

void TvdxCustomMemoView::ApplyPreviewHighlight()
{
    TvdxHighlight *h = Highlight();
    if (h->Active())
        ApplyHighlight(h);
}

void TvdxCustomMemoView::restoreAppearance()
{
    if (!Flag(mbfHighlightActivated))
        return;
    if (m_tempFill)
        SetFill(m_tempFill.get());
    if (m_tempFont)
        SetFont(m_tempFont.get());
    if (m_tempFrame)
        SetFrame(m_tempFrame.get());
    SetVisible(m_tempVisible);
    m_tempFill.reset();
    m_tempFont.reset();
    m_tempFrame.reset();
    SetFlag(mbfHighlightActivated, false);
}

void TvdxCustomMemoView::GetData()
{
    TvdxStretcheable::GetData();
    if (m_formats->Count() == 0)
        m_formats->Add();
    if (IsDataField())
        fillFromDataField();
    else if (AllowExpressions())
        ExpandExpressions();
    applyHighlights();
    if (SuppressRepeated()) {
        const QString text = Text();
        if (m_lastValue && *m_lastValue == text)
            m_memo.clear();
        else
            m_lastValue = text;
    }
    if (m_flowTo && m_flowTo != this) {
        InitPart();
        DrawPart();
        m_flowTo->SetText(m_partMemo);
        m_flowTo->SetAllowExpressions(false);
    }
    if (ClearEmptyLines())
        for (qsizetype i = m_memo.size(); i-- > 0;)
            if (m_memo[i].isEmpty())
                m_memo.removeAt(i);
}

void TvdxCustomMemoView::AfterPrint()
{
    if (!IsDataField())
        m_memo = m_tempMemo;
    restoreAppearance();
    if (m_dataLink)
        TvdxDataLink::RestoreState(m_dataLink.get());
    TvdxStretcheable::AfterPrint();
}

bool TvdxCustomMemoView::IsPostProcessAllowed() const
{
    return TvdxStretcheable::IsPostProcessAllowed() || m_duplicates != dmShow;
}

void TvdxCustomMemoView::SaveContentToDictionary(TvdxReport *aReport, TvdxPostProcessor *postProcessor)
{
    if (!postProcessor)
        return;
    QString content;
    if (IsDataField()) {
        if (m_formats->Count() > 0 && m_formats->GetItem(0)->Kind() != TvdxFormat::fkText)
            content = FormatData(m_value);
        else if (aReport)
            content = VarToStr(aReport->Calc(DataSetName() + QStringLiteral(".\"") + DataField() + u'"'));
        else
            content = VarToStr(m_value);
    } else
        content = Text();
    if (content.endsWith(QStringLiteral("\r\n")))
        content.chop(2);
    const auto at = Processing()->ProcessAt();
    TvdxComponent *parent = Parent();
    const bool suppressed =
        (at != TvdxObjectProcessing::paDefault || m_duplicates != dmShow) && parent && !parent->Name().isEmpty();
    const int index = postProcessor->Add(parent ? parent->Name() : QString(), Name(), content, at, this, suppressed,
                                         false);
    if (index != -1)
        SetText(QString::number(index));
}

bool TvdxCustomMemoView::LoadContentFromDictionary(TvdxReport *, TvdxMacrosItem *aItem)
{
    if (!aItem || Flag(mbfMacroLoaded) || m_memo.isEmpty())
        return false;
    bool ok = false;
    const int n = m_memo.first().trimmed().toInt(&ok);
    // An index the item does not hold leaves the text as it is.
    if (!ok || n < 0 || n >= aItem->Count())
        return false;
    SetFlag(mbfMacroLoaded, true);
    const bool repeat = n == aItem->LastIndex;
    if (m_duplicates == dmClear && repeat)
        SetText(QString());
    else
        SetText(aItem->GetItem(n));
    bool result = false;
    if (repeat && (m_duplicates == dmHide || m_duplicates == dmClear || m_duplicates == dmMerge)) {
        if (m_duplicates == dmMerge) {
            if (auto *first = qobject_cast<TvdxView *>(aItem->Component); first && first != this)
                first->SetHeight(AbsTop() - first->AbsTop() + Height());
        }
        result = m_duplicates != dmClear;
    } else if (!repeat)
        aItem->Component = this;
    aItem->LastIndex = n;
    return result;
}

void TvdxCustomMemoView::ProcessDictionary(TvdxMacrosItem *aItem, TvdxReport *aReport, TvdxPostProcessor *)
{
    if (!aItem)
        return;
    const QStringList savedText = m_memo;
    const QString savedObject = aReport ? aReport->CurObject() : QString();
    struct Restore {
        TvdxCustomMemoView *self;
        TvdxReport *report;
        const QStringList &text;
        const QString &object;
        ~Restore()
        {
            self->m_memo = text;
            if (report)
                report->SetCurObject(object);
        }
    } restore{this, aReport, savedText, savedObject};
    if (aReport)
        aReport->SetCurObject(Name());
    GetData();
    if (aReport)
        aReport->DoNotifyEvent(this, OnAfterData());
    QString text = Text();
    if (text.endsWith(QStringLiteral("\r\n")))
        text.chop(2);
    if (aItem->Count() > 0)
        aItem->SetItem(aItem->Count() - 1, text);
}

QString TvdxCustomMemoView::GetComponentText()
{
    QString s = Text();
    if (!AllowExpressions())
        return s;
    const QString marker = QStringLiteral("[TOTALPAGES#]");
    const QString pages = QString::number(m_totalPages);
    qsizetype at = 0;
    while ((at = s.indexOf(marker, at, Qt::CaseInsensitive)) >= 0) {
        s.replace(at, marker.size(), pages);
        at += pages.size();
    }
    return s;
}

void TvdxCustomMemoView::ExtractMacros()
{
    if (!AllowExpressions())
        return;
    QString s = Text();
    bool changed = false;
    const QString pagesMarker = QStringLiteral("[TOTALPAGES#]");
    const QString pages = QString::number(m_totalPages);
    qsizetype at = 0;
    while ((at = s.indexOf(pagesMarker, at, Qt::CaseInsensitive)) >= 0) {
        s.replace(at, pagesMarker.size(), pages);
        changed = true;
    }
    const QString copyMarker = QStringLiteral("[COPYNAME#]");
    at = 0;
    while ((at = s.indexOf(copyMarker, at, Qt::CaseInsensitive)) >= 0) {
        const QString name = QStringLiteral("CopyName") + QString::number(m_copyNo);
        QString value;
        TvdxVariables *vars = vdxGlobalVariables();
        if (vars && vars->IndexOf(name) >= 0) {
            try {
                value = vars->GetVariable(name).toString();
            } catch (const std::exception &) {
            }
        }
        s.replace(at, copyMarker.size(), value);
        at += value.size();
        changed = true;
    }
    if (changed)
        SetText(s);
}

QString TvdxCustomMemoView::DiffText(TvdxComponent *)
{
    if (m_memo.isEmpty())
        return QStringLiteral(" u=\"\"");
    QString s;
    if (m_memo.size() == 1)
        attr(s, "u", EscapeXMLAttr(m_memo.first()));
    else {
        QString t = Text();
        t.chop(2);
        attr(s, "u", EscapeXMLAttr(t));
    }
    return s;
}

QString TvdxCustomMemoView::Diff(TvdxComponent *aComponent)
{
    QString s = TvdxStretcheable::Diff(aComponent);
    auto *m = qobject_cast<TvdxCustomMemoView *>(aComponent);
    if (m) {
        if (AutoWidth() != m->AutoWidth())
            attr(s, "AutoWidth", boolText(AutoWidth()));
        if (differs(m_charSpacing, m->m_charSpacing))
            attr(s, "CharSpacing", floatText(m_charSpacing));
        if (differs(m_gapX, m->m_gapX))
            attr(s, "GapX", floatText(m_gapX));
        if (differs(m_gapY, m->m_gapY))
            attr(s, "GapY", floatText(m_gapY));
        if (m_hAlign != m->m_hAlign)
            attr(s, "HAlign", QString::number(int(m_hAlign)));
        if (differs(m_lineSpacing, m->m_lineSpacing))
            attr(s, "LineSpacing", floatText(m_lineSpacing));
        if (UseDefaultCharset() != m->UseDefaultCharset())
            attr(s, "UseDefaultCharset", boolText(UseDefaultCharset()));
    }
    s += DiffText(aComponent);
    if (!Hint().isEmpty())
        attr(s, "Hint", EscapeXMLAttr(Hint()));
    if (m) {
        if (differs(m_paragraphGap, m->m_paragraphGap))
            attr(s, "ParagraphGap", floatText(m_paragraphGap));
        if (m_rotation != m->m_rotation)
            attr(s, "Rotation", QString::number(m_rotation));
        if (RTLReading() != m->RTLReading())
            attr(s, "RTLReading", boolText(RTLReading()));
        if (m_underlinesTextMode != m->m_underlinesTextMode)
            attr(s, "UnderlinesTextMode", QString::number(int(m_underlinesTextMode)));
        if (m_vAlign != m->m_vAlign)
            attr(s, "VAlign", QString::number(int(m_vAlign)));
        if (WordWrap() != m->WordWrap())
            attr(s, "WordWrap", boolText(WordWrap()));
        if (m_formats->Count() == 1) {
            const TvdxFormat *f = m_formats->GetItem(0);
            const TvdxFormat *af = m->DisplayFormat();
            if (f->Kind() != af->Kind())
                attr(s, "DisplayFormat.Kind", QString::number(int(f->Kind())));
            if (f->DecimalSeparator() != af->DecimalSeparator())
                attr(s, "DisplayFormat.DecimalSeparator", EscapeXMLAttr(f->DecimalSeparator()));
            if (f->ThousandSeparator() != af->ThousandSeparator())
                attr(s, "DisplayFormat.ThousandSeparator", EscapeXMLAttr(f->ThousandSeparator()));
            if (f->FormatStr() != af->FormatStr())
                attr(s, "DisplayFormat.FormatStr", EscapeXMLAttr(f->FormatStr()));
        }
    }
    if (FirstParaBreak())
        s += QStringLiteral(" FirstParaBreak=\"1\"");
    if (LastParaBreak())
        s += QStringLiteral(" LastParaBreak=\"1\"");
    // The next part starts with the paragraph state this one ended with.
    SetFirstParaBreak(LastParaBreak());
    SetLastParaBreak(false);
    return s;
}

void TvdxCustomMemoView::MirrorContent(TvdxMirrorControlModes modes)
{
    TvdxStretcheable::MirrorContent(modes);
    if (modes.testFlag(mcmRTLContent)) {
        if (m_hAlign == haLeft)
            m_hAlign = haRight;
        else if (m_hAlign == haRight)
            m_hAlign = haLeft;
    }
    if (modes.testFlag(mcmBTTContent)) {
        if (m_vAlign == vaTop)
            m_vAlign = vaBottom;
        else if (m_vAlign == vaBottom)
            m_vAlign = vaTop;
    }
    if (modes.testFlag(mcmRTLSpecial))
        SetRTLReading(true);
}

// ---------------------------------------------------------------------------
TvdxMemoView::TvdxMemoView(TvdComponent *owner) : TvdxCustomMemoView(owner) {}

QString TvdxMemoView::GetDescription() const { return GetResStrByName(QStringLiteral("obText")); }

TvdxSysMemoView::TvdxSysMemoView(TvdComponent *owner) : TvdxCustomMemoView(owner) {}

QString TvdxSysMemoView::GetDescription() const { return GetResStrByName(QStringLiteral("obSysText")); }

namespace {
struct MemoClasses {
    MemoClasses()
    {
        vdRegisterClass<TvdxMemoView>();
        vdRegisterClass<TvdxSysMemoView>();
    }
} memoClasses;
} // namespace
