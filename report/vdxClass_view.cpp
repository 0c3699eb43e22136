#include "report/vdxClass_view.h"

#include "core/vdGraphicUtils.h"
#include "core/vdUtils.h"
#include "core/vdVariant.h"
#include "core/vdXML.h"
#include "core/vdxUtils.h"
#include "platform/Canvas.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass_datalink.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_styles.h"

#include <cmath>

namespace {

int roundInt(double v) { return vdxRoundPx(v); }

// Appends in place: a difference record is built from many small pieces.
void attr(QString &s, const char *name, const QString &value)
{
    const qsizetype need = s.size() + qsizetype(qstrlen(name)) + value.size() + 4;
    if (s.capacity() < need)
        s.reserve(need + 48); // room for the next few, so a record grows in one or two steps
    s.append(QLatin1Char(' ')).append(QLatin1String(name)).append(QLatin1String("=\"")).append(value).append(
        QLatin1Char('"'));
}

// Channels raised by a step, each stopping at 255.
TColor lighter(TColor c, int step)
{
    c = ColorToRGB(c);
    return RGBColor(std::min(255, GetRValue(c) + step), std::min(255, GetGValue(c) + step),
                    std::min(255, GetBValue(c) + step));
}

void checkered(Canvas &canvas, const TRect &r, TColor color)
{
    if (auto *qc = dynamic_cast<QPainterCanvas *>(&canvas))
        FillCheckeredRect(qc->painter(), r.toQRect(), color);
}

// A string result as a literal of the report's script language.
QString scriptLiteral(const QString &text, const QString &language)
{
    if (language.isEmpty() || language.compare(QLatin1String("VevuvaRirivo"), Qt::CaseInsensitive) == 0) {
        QString t = text;
        t.replace(QLatin1Char('\''), QLatin1String("''"));
        return QLatin1Char('\'') + t + QLatin1Char('\'');
    }
    QString t = text;
    t.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    t.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + t + QLatin1Char('"');
}

bool isStringVariant(const Variant &v)
{
    const int t = v.varType();
    return t == varString || t == varOleStr || t == varUString;
}

} // namespace

// ---- processing --------------------------------------------------------------

void TvdxObjectProcessing::Assign(const TvdPersistent *source)
{
    if (auto *s = qobject_cast<const TvdxObjectProcessing *>(source)) {
        m_processAt = s->m_processAt;
        m_groupLevel = s->m_groupLevel;
    }
}

// ---- view: settings ------------------------------------------------------------

TvdxView::TvdxView(TvdComponent *owner)
    : TvdxReportComponent(owner)
{
    SetvdComponentStyle(vdComponentStyle() | csDefaultDiff);
}

TvdxView::~TvdxView() = default;

TvdxFrame *TvdxView::makeFrame() const
{
    m_frame = std::make_unique<TvdxFrame>();
    return m_frame.get();
}

TvdxHyperlink *TvdxView::makeHyperlink() const
{
    m_hyperlink = std::make_unique<TvdxHyperlink>();
    return m_hyperlink.get();
}

TvdxCustomFill *TvdxView::makeFill() const
{
    m_fill = std::make_unique<TvdxBrushFill>();
    return m_fill.get();
}

TvdxObjectProcessing *TvdxView::makeProcessing() const
{
    m_processing = std::make_unique<TvdxObjectProcessing>();
    return m_processing.get();
}

TvdxDataSetRef *TvdxView::dataSetRef()
{
    if (!m_dataSet)
        m_dataSet = std::make_unique<TvdxDataSetRef>(this);
    return m_dataSet.get();
}

void TvdxView::SetFillType(TvdxFillType v)
{
    if (v == FillType())
        return;
    if (TvdxCustomFill *f = vdxCreateFill(v))
        m_fill.reset(f);
}

void TvdxView::SetFill(TvdxCustomFill *v)
{
    if (!v)
        return;
    SetFillType(vdxGetFillType(v));
    Fill()->Assign(v);
}

TvdxView::TBrushStyle TvdxView::BrushStyle() const
{
    if (auto *b = qobject_cast<TvdxBrushFill *>(Fill()))
        return b->Style();
    return TvdxCustomFill::bsClear;
}

void TvdxView::SetBrushStyle(TBrushStyle v)
{
    if (auto *b = qobject_cast<TvdxBrushFill *>(Fill()))
        b->SetStyle(v);
}

TColor TvdxView::Color() const
{
    if (auto *b = qobject_cast<TvdxBrushFill *>(Fill()))
        return b->BackColor();
    if (auto *g = qobject_cast<TvdxGradientFill *>(Fill()))
        return g->GetColor();
    if (auto *g = qobject_cast<TvdxGlassFill *>(Fill()))
        return g->Color();
    return clNone;
}

void TvdxView::SetColor(int v)
{
    if (auto *b = qobject_cast<TvdxBrushFill *>(Fill()))
        b->SetBackColor(v);
    else if (auto *g = qobject_cast<TvdxGlassFill *>(Fill()))
        g->SetColor(v);
}

TvdxDataSet *TvdxView::DataSet() const { return m_dataSet ? m_dataSet->DataSet() : nullptr; }

void TvdxView::SetDataSet(TvdxDataSet *v) { dataSetRef()->SetDataSet(v); }

QString TvdxView::DataSetName() const { return m_dataSet ? m_dataSet->Name() : QString(); }

void TvdxView::SetDataSetName(const QString &v) { dataSetRef()->SetName(v); }

void TvdxView::Notification(TvdComponent *component, Operation operation)
{
    TvdxReportComponent::Notification(component, operation);
    if (operation == opRemove && m_dataSet)
        m_dataSet->Removed(component);
}

void TvdxView::SetURL(const QString &v)
{
    if (v.isEmpty())
        return;
    if (v.startsWith(QLatin1Char('@'))) {
        Hyperlink()->SetKind(TvdxHyperlink::hkPageNumber);
        Hyperlink()->SetValue(v.mid(1, 255));
    } else if (v.startsWith(QLatin1Char('#'))) {
        Hyperlink()->SetKind(TvdxHyperlink::hkAnchor);
        Hyperlink()->SetValue(v.mid(1, 255));
    } else {
        Hyperlink()->SetKind(TvdxHyperlink::hkURL);
        Hyperlink()->SetValue(v);
    }
}

double TvdxView::ShadowSize() const { return m_frame && Frame()->DropShadow() ? Frame()->ShadowWidth() : 0; }

// ---- drawing -------------------------------------------------------------------

void TvdxView::PrepareDrawBounds(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    m_canvas = &canvas;
    m_scaleX = scaleX;
    m_scaleY = scaleY;
    m_offsetX = offsetX;
    m_offsetY = offsetY;
    const double l = double(AbsLeft()), t = double(AbsTop());
    m_fx = roundInt(offsetX + scaleX * l);
    m_fy = roundInt(offsetY + scaleY * t);
    m_fx1 = roundInt(offsetX + scaleX * (l + double(Width())));
    m_fy1 = roundInt(offsetY + scaleY * (t + double(Height())));
    if (Frame()->DropShadow()) {
        m_fx1 -= roundInt(scaleX * Frame()->ShadowWidth());
        m_fy1 -= roundInt(scaleY * Frame()->ShadowWidth());
    }
    m_fdx = m_fx1 - m_fx;
    m_fdy = m_fy1 - m_fy;
    m_frameWidth = roundInt(scaleX * Frame()->Width());
}

void TvdxView::PaintFill()
{
    if (!m_canvas || (m_objAsMetafile && !m_drawFillOnMetaFile))
        return;
    const double w = Frame()->Width();
    const int hx = roundInt(w * m_scaleX / 2), hy = roundInt(w * m_scaleY / 2);
    const auto typ = Frame()->Typ();
    int x = m_fx, y = m_fy, x1 = m_fx1, y1 = m_fy1;
    if (typ.testFlag(TvdxFrame::ftLeft))
        x -= hx;
    if (typ.testFlag(TvdxFrame::ftRight))
        x1 += hx + roundInt(w * m_scaleX) % 2;
    if (typ.testFlag(TvdxFrame::ftTop))
        y -= hy;
    if (typ.testFlag(TvdxFrame::ftBottom))
        y1 += hy + roundInt(w * m_scaleY) % 2;
    Fill()->Draw(*m_canvas, x, y, x1, y1, m_scaleX, m_scaleY);
}

void TvdxView::PaintFrame()
{
    if (!m_canvas || m_objAsMetafile)
        return;
    Frame()->Draw(*m_canvas, m_fx, m_fy, m_fx1, m_fy1, m_scaleX, m_scaleY);
}

void TvdxView::drawCornerMarks()
{
    TvdxReport *r = Report();
    if (!m_canvas || !r || !r->IsDesigning() || qobject_cast<TvdxDataPage *>(Page())
        || Frame()->Typ() == TvdxFrame::TvdxFrameTypes(0xF))
        return;
    Canvas &c = *m_canvas;
    c.setPen(CanvasPen{});
    auto line = [&](int x1, int y1, int x2, int y2) { vdxDrawWideStroke(c, x1, y1, x2, y2, 1); };
    line(m_fx, m_fy + 3, m_fx, m_fy);
    line(m_fx, m_fy, m_fx + 4, m_fy);
    line(m_fx, m_fy1 - 3, m_fx, m_fy1);
    line(m_fx, m_fy1, m_fx + 4, m_fy1);
    line(m_fx1 - 3, m_fy, m_fx1, m_fy);
    line(m_fx1, m_fy, m_fx1, m_fy + 4);
    line(m_fx1 - 3, m_fy1, m_fx1, m_fy1);
    line(m_fx1, m_fy1, m_fx1, m_fy1 - 4);
}

void TvdxView::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    PrepareDrawBounds(canvas, scaleX, scaleY, offsetX, offsetY);
    PaintFill();
    drawCornerMarks();
    PaintFrame();
}

void TvdxView::Highlighting(Canvas &canvas, TColor aColor)
{
    TvdxFrame f;
    f.SetTyp(TvdxFrame::TvdxFrameTypes(0xF));
    f.SetColor(lighter(aColor, 0x20));
    f.Draw(canvas, m_fx, m_fy, m_fx1, m_fy1, m_scaleX, m_scaleY);
    checkered(canvas, TRect(m_fx, m_fy, m_fx1 + 1, m_fy1 + 1), aColor);
}

void TvdxView::DrawHighlight(Canvas &canvas, double, double, double, double, TColor)
{
    CanvasPen pen;
    pen.color = clRed;
    pen.style = PenStyle::Dash;
    canvas.setPen(pen);
    canvas.brush().style = BrushStyle::Clear;
    if (IsDesigning())
        canvas.Rectangle(m_fx, m_fy, m_fx1 + 1, m_fy1 + 1);
    else
        checkered(canvas, TRect(m_fx + 1, m_fy + 1, m_fx1, m_fy1), clSkyBlue);
    TvdxReport *r = Report();
    if (!r || !r->IsDesigning())
        return;
    const int side = std::min(m_fdx, m_fdy);
    const TRect sq(m_fx1 - side, m_fy + 2, m_fx1 - 2, m_fy1 - 2);
    canvas.setBrush(CanvasBrush{clWhite, BrushStyle::Solid});
    canvas.pen().color = clGray;
    canvas.pen().style = PenStyle::Dot;
    canvas.Rectangle(sq);
    if (IndexTag() != 0) {
        canvas.SaveDC();
        canvas.IntersectClipRect(sq);
        canvas.SetTextColor(clRed);
        canvas.SetBkMode(BkMode::Transparent);
        canvas.TextOut(sq.Left + 1, sq.Top, QString::number(IndexTag()));
        canvas.RestoreDC();
    }
}

TvdxMetafile *TvdxView::GetVectorGraphic(bool drawFill, double aScaleX, double aScaleY)
{
    auto *mf = new TvdxMetafile();
    m_objAsMetafile = true;
    m_drawFillOnMetaFile = drawFill;
    try {
        const int extra = inherits("TvdxShapeView") ? 1 : 0;
        double ssx = 1, ssy = 1;
        GetScreenScale(false, ssx, ssy);
        ssx = std::min(ssx, 1.0);
        ssy = std::min(ssy, 1.0);
        int dx = 0, dy = 0;
        try {
            const TvdRectF rb = GetRealBounds();
            dx = roundInt(double(rb.Right - rb.Left) - double(Width()));
            dy = roundInt(double(rb.Bottom - rb.Top) - double(Height()));
        } catch (...) {
            dx = dy = 0;
        }
        mf->SetWidth(std::max(1, roundInt((dx + double(Width())) * ssx * aScaleX) + extra));
        mf->SetHeight(std::max(1, roundInt((dy + double(Height())) * ssy * aScaleY) + extra));
        Canvas &c = mf->GetCanvas();
        DrawClipped(c, aScaleX, aScaleY, aScaleX * (dx / 2 - double(AbsLeft())), aScaleY * (dy / 2 - double(AbsTop())));
        mf->ReleaseCanvas();
    } catch (...) {
        m_objAsMetafile = m_drawFillOnMetaFile = false;
        delete mf;
        throw;
    }
    m_objAsMetafile = m_drawFillOnMetaFile = false;
    return mf;
}

// ---- styles --------------------------------------------------------------------

void TvdxView::SetStyle(const QString &v)
{
    m_style = v;
    if (TvdxReport *r = Report(); r && r->Styles())
        ApplyStyle(r->Styles()->Find(v));
}

void TvdxView::ApplyStyle(TvdxCustomStyleItem *style)
{
    if (!style)
        return;
    if (style->ApplyFill())
        SetFill(style->Fill());
    if (style->ApplyFont())
        SetFont(style->Font());
    if (style->ApplyFrame())
        SetFrame(style->Frame());
}

void TvdxView::AssignToStyle(TvdxCustomStyleItem *style)
{
    if (!style)
        return;
    style->SetFill(Fill());
    style->SetFont(Font());
    style->SetFrame(Frame());
}

// ---- data and printing ---------------------------------------------------------

void TvdxView::ExpandExpressions(QString &text, bool swallowErrors)
{
    TvdxReport *r = Report();
    if (!r)
        return;
    int i = 0;
    for (;;) {
        // The last character never opens an expression.
        while (i < text.size() - 1 && text.at(i) != QLatin1Char('['))
            ++i;
        if (i >= text.size() - 1)
            return;
        int j = i;
        const QString expr = GetBracketedText(text, QStringLiteral("["), QStringLiteral("]"), i, j);
        if (i == j)
            return;
        const QStringList before = r->Errors();
        QString value;
        try {
            value = VarToStr(r->Calc(expr));
        } catch (const EReportScriptError &) {
            if (!swallowErrors)
                throw;
            // Back to the list as it was before the failed expression.
            r->ClearErrors();
            for (const QString &l : before)
                r->AddError(l);
            return;
        }
        text.remove(i, j - i + 1);
        text.insert(i, value);
        i += int(value.size());
    }
}

void TvdxView::BeforePrint()
{
    TvdxReportComponent::BeforePrint();
    m_tempTag = m_tagStr;
    m_tempHyperlink = Hyperlink()->Value();
    if (TvdxReport *r = Report())
        r->SetSelfValue(this);
}

void TvdxView::AfterPrint()
{
    TvdxReportComponent::AfterPrint();
    m_tagStr = m_tempTag;
    Hyperlink()->SetValue(m_tempHyperlink);
}

void TvdxView::GetData()
{
    TvdxReport *r = Report();
    if (!r)
        return;
    r->SetSelfValue(this);
    if (m_tagStr.contains(QLatin1Char('[')))
        ExpandExpressions(m_tagStr);
    if (m_showHint && m_hint.contains(QLatin1Char('[')))
        ExpandExpressions(m_hint, true);

    const QChar sep = Hyperlink()->SeparatorChar();
    QString value = Hyperlink()->Value();
    QStringList pieces;
    SplitBySeparator(pieces, value, sep);
    if (value.contains(QLatin1Char('['))) {
        if (pieces.isEmpty()) {
            ExpandExpressions(value);
        } else {
            for (QString &p : pieces) {
                if (p.endsWith(sep))
                    p.chop(1);
                ExpandExpressions(p);
            }
            value = pieces.join(sep);
        }
        Hyperlink()->SetValue(value);
    }

    const QString expression = Hyperlink()->Expression();
    if (!expression.isEmpty()) {
        QStringList exprs;
        SplitBySeparator(exprs, expression, sep);
        if (exprs.isEmpty())
            exprs << expression;
        QStringList texts;
        for (QString e : exprs) {
            if (e.endsWith(sep) && exprs.size() > 1)
                e.chop(1);
            const Variant v = r->Calc(e);
            if (Hyperlink()->Kind() != TvdxHyperlink::hkURL && isStringVariant(v))
                texts << scriptLiteral(VarToStr(v), r->ScriptLanguage());
            else
                texts << VarToStr(v);
        }
        Hyperlink()->SetValue(texts.join(sep));
    }

    // Content named by a data link loads through the protocol registry. An
    // expression link keeps its value for the print (undone by AfterPrint).
    if (auto *target = dynamic_cast<IvdxDataLinkObject *>(this)) {
        TvdxDataLink *link = GetDataLink();
        if (target->IsExpressionLink() && link && link->Link().contains(QLatin1Char('['))) {
            QString expanded = link->Link();
            ExpandExpressions(expanded);
            link->SetLink(expanded);
        }
        QString text = target->GetLink(TvdxDataLink::dlmOnGetData);
        if (!text.isEmpty())
            vdxLoadDataLink(text, target);
    }
}

void TvdxView::MirrorContent(TvdxMirrorControlModes modes)
{
    TvdxReportComponent::MirrorContent(modes);
    auto swap = [&](TvdxFrame::TvdxFrameType a, TvdxFrame::TvdxFrameType b, TvdxFrameLine *la,
                    TvdxFrameLine *lb) {
        auto typ = Frame()->Typ();
        const bool hasA = typ.testFlag(a), hasB = typ.testFlag(b);
        if (hasA != hasB) {
            typ.setFlag(a, hasB);
            typ.setFlag(b, hasA);
            Frame()->SetTyp(typ);
        }
        TvdxFrameLine tmp;
        tmp.Assign(la);
        la->Assign(lb);
        lb->Assign(&tmp);
    };
    if (modes.testFlag(mcmRTLAppearance))
        swap(TvdxFrame::ftLeft, TvdxFrame::ftRight, Frame()->LeftLine(), Frame()->RightLine());
    if (modes.testFlag(mcmBTTAppearance))
        swap(TvdxFrame::ftTop, TvdxFrame::ftBottom, Frame()->TopLine(), Frame()->BottomLine());
}

QString TvdxView::Diff(TvdxComponent *aComponent)
{
    QString s = TvdxReportComponent::Diff(aComponent);
    auto *a = qobject_cast<TvdxView *>(aComponent);
    if (!a)
        return s;
    if (m_align != a->m_align)
        attr(s, "Align", QString::number(int(m_align)));
    s += Frame()->Diff(a->Frame());
    if (m_cursor != a->m_cursor)
        attr(s, "Cursor", QString::number(m_cursor));
    if (m_visibility != a->m_visibility)
        attr(s, "Visibility", QString::number(int(m_visibility)));
    if (m_tagStr != a->m_tagStr)
        attr(s, "TagStr", EscapeXMLAttr(m_tagStr));
    if (FillType() != a->FillType())
        attr(s, "FillType", QString::number(int(FillType())));
    s += Fill()->Diff(a->Fill(), QStringLiteral("Fill"));
    s += Hyperlink()->Diff(a->Hyperlink(), QStringLiteral("Hyperlink"));
    if (Editable() != a->Editable())
        attr(s, "Editable", QString::number(int(Editable())));
    return s;
}
