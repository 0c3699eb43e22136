#include "report/vdxClass_memo.h"
#include "core/vdUtils.h"
#include "core/vdXML.h"
#include "core/vdxRes.h"
#include "core/vdxVariables.h"
#include "report/vdxClass_report.h"
#include <cmath>

namespace {

// Zero within the engine's default precision.
constexpr double kZeroPrecision = 1e-17;

bool isHiddenZero(const Variant &v)
{
    if (v.isNull() || v.isString())
        return false;
    try {
        return std::abs(v.toDouble()) <= kZeroPrecision;
    } catch (const std::exception &) {
        return false;
    }
}

QString attr(const char *name, const QString &value)
{
    return QLatin1Char(' ') + QLatin1String(name) + QLatin1String("=\"") + value + QLatin1Char('"');
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
    : TvdxStretcheable(owner), m_formats(std::make_unique<TvdxFormatCollection>(this))
{
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
    m_tempMemo = m_memo;
}

void TvdxCustomMemoView::GetData()
{
    TvdxStretcheable::GetData();
    if (m_formats->Count() == 0)
        m_formats->Add();
    if (AllowExpressions())
        ExpandExpressions();
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
    m_memo = m_tempMemo;
    TvdxStretcheable::AfterPrint();
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
    if (m_memo.size() == 1)
        return attr("u", EscapeXMLAttr(m_memo.first()));
    QString t = Text();
    t.chop(2);
    return attr("u", EscapeXMLAttr(t));
}

QString TvdxCustomMemoView::Diff(TvdxComponent *aComponent)
{
    QString s = TvdxStretcheable::Diff(aComponent);
    auto *m = qobject_cast<TvdxCustomMemoView *>(aComponent);
    if (m) {
        if (AutoWidth() != m->AutoWidth())
            s += attr("AutoWidth", boolText(AutoWidth()));
        if (differs(m_charSpacing, m->m_charSpacing))
            s += attr("CharSpacing", floatText(m_charSpacing));
        if (differs(m_gapX, m->m_gapX))
            s += attr("GapX", floatText(m_gapX));
        if (differs(m_gapY, m->m_gapY))
            s += attr("GapY", floatText(m_gapY));
        if (m_hAlign != m->m_hAlign)
            s += attr("HAlign", QString::number(int(m_hAlign)));
        if (differs(m_lineSpacing, m->m_lineSpacing))
            s += attr("LineSpacing", floatText(m_lineSpacing));
        if (UseDefaultCharset() != m->UseDefaultCharset())
            s += attr("UseDefaultCharset", boolText(UseDefaultCharset()));
    }
    s += DiffText(aComponent);
    if (m) {
        if (differs(m_paragraphGap, m->m_paragraphGap))
            s += attr("ParagraphGap", floatText(m_paragraphGap));
        if (m_rotation != m->m_rotation)
            s += attr("Rotation", QString::number(m_rotation));
        if (RTLReading() != m->RTLReading())
            s += attr("RTLReading", boolText(RTLReading()));
        if (m_underlinesTextMode != m->m_underlinesTextMode)
            s += attr("UnderlinesTextMode", QString::number(int(m_underlinesTextMode)));
        if (m_vAlign != m->m_vAlign)
            s += attr("VAlign", QString::number(int(m_vAlign)));
        if (WordWrap() != m->WordWrap())
            s += attr("WordWrap", boolText(WordWrap()));
        if (m_formats->Count() == 1) {
            const TvdxFormat *f = m_formats->GetItem(0);
            const TvdxFormat *af = m->DisplayFormat();
            if (f->Kind() != af->Kind())
                s += attr("DisplayFormat.Kind", QString::number(int(f->Kind())));
            if (f->DecimalSeparator() != af->DecimalSeparator())
                s += attr("DisplayFormat.DecimalSeparator", EscapeXMLAttr(f->DecimalSeparator()));
            if (f->ThousandSeparator() != af->ThousandSeparator())
                s += attr("DisplayFormat.ThousandSeparator", EscapeXMLAttr(f->ThousandSeparator()));
            if (f->FormatStr() != af->FormatStr())
                s += attr("DisplayFormat.FormatStr", EscapeXMLAttr(f->FormatStr()));
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
