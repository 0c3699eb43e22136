// Page content of TvdxPDFExport: colours, frames and shadows, fills, lines
// with arrow heads, shapes, the page background and clipping.
#include "export/pdf/vdxExportPDF.h"
#include "export/pdf/vdxExportHelpers.h"
#include "report/vdxClass_frame.h"
#include "report/vdxClass_line.h"
#include "report/vdxClass_shape.h"

#include <algorithm>
#include <cmath>

namespace {

// Hatch lines of one view at most: far beyond any page, short of a runaway.
constexpr double kMaxHatchLines = 200000;

QString pointStr(double x, double y) { return Fixed2(x) + u' ' + Fixed2(y); }

int roundEven(double v) { return int(std::nearbyint(v)); }

} // namespace

// ---- operators -----------------------------------------------------------------------------

QIODevice &TvdxPDFExport::out()
{
    if (!FPageOpen)
        throw EPDFExportError(QStringLiteral("No PDF page was started"));
    return m_doc.OutStream();
}

void TvdxPDFExport::WriteOp(const QString &text) { WriteLine(out(), text); }

void TvdxPDFExport::SetFillColor(TColor color) { WriteOp(ColorToPdfRGB(color) + QStringLiteral(" rg")); }

void TvdxPDFExport::SetStrokeColor(TColor color) { WriteOp(ColorToPdfRGB(color) + QStringLiteral(" RG")); }

void TvdxPDFExport::SetLineWidth(double widthPx) { WriteOp(PdfLengthStr(widthPx) + QStringLiteral(" w")); }

void TvdxPDFExport::MoveTo(double x, double y) { WriteOp(PdfPointStr(x, y) + QStringLiteral(" m")); }

void TvdxPDFExport::LineTo(double x, double y) { WriteOp(PdfPointStr(x, y) + QStringLiteral(" l")); }

void TvdxPDFExport::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3)
{
    WriteOp(PdfPointStr(x1, y1) + u' ' + PdfPointStr(x2, y2) + u' ' + PdfPointStr(x3, y3) + QStringLiteral(" c"));
}

void TvdxPDFExport::Stroke() { WriteOp(QStringLiteral("S")); }

QString TvdxPDFExport::CachedPdfColorStr(TColor color)
{
    if (FLastColorResult.isEmpty() || color != FLastColor) {
        FLastColor = color;
        FLastColorResult = PdfColorStr(color);
    }
    return FLastColorResult;
}

// ---- frames --------------------------------------------------------------------------------

void TvdxPDFExport::WriteFrame(TvdxFrame *frame, const TPdfRect &rect)
{
    if (!frame || (!frame->DropShadow() && frame->Typ() == TvdxFrame::TvdxFrameTypes()))
        return;
    WriteOp(QStringLiteral("q"));
    if (frame->DropShadow()) {
        const double sw = frame->ShadowWidth();
        const double s = (sw - 1) * 0.75;
        const QString c = CachedPdfColorStr(frame->ShadowColor());
        WriteOp(QStringLiteral("0.75 w"));
        WriteOp(c + QStringLiteral(" rg"));
        WriteOp(c + QStringLiteral(" RG"));
        WriteOp(Fixed2(rect.Right + 0.75) + u' ' + Fixed2(rect.Top - sw * 0.75) + u' ' + Fixed2(s) + u' '
                + Fixed2(rect.Bottom - rect.Top) + QStringLiteral(" re"));
        WriteOp(QStringLiteral("B"));
        WriteOp(Fixed2(rect.Left + sw * 0.75) + u' ' + Fixed2(rect.Bottom - 0.75 - s) + u' '
                + Fixed2(rect.Right - rect.Left) + u' ' + Fixed2(s) + QStringLiteral(" re"));
        WriteOp(QStringLiteral("B"));
    }
    const auto typ = frame->Typ();
    if (typ.testFlag(TvdxFrame::ftBottom))
        WriteFrameLine(*frame->BottomLine(), TvdxFrame::ftBottom, rect);
    if (typ.testFlag(TvdxFrame::ftLeft))
        WriteFrameLine(*frame->LeftLine(), TvdxFrame::ftLeft, rect);
    if (typ.testFlag(TvdxFrame::ftTop))
        WriteFrameLine(*frame->TopLine(), TvdxFrame::ftTop, rect);
    if (typ.testFlag(TvdxFrame::ftRight))
        WriteFrameLine(*frame->RightLine(), TvdxFrame::ftRight, rect);
    WriteOp(QStringLiteral("Q"));
}

void TvdxPDFExport::WriteFrameLine(const TvdxFrameLine &line, int side, const TPdfRect &r)
{
    const double w = line.Width();
    if (line.Color() == clNone || !(w >= 0.01))
        return;
    auto stroke = [&](double o) {
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        switch (side) {
        case TvdxFrame::ftLeft: x1 = x2 = r.Left - o, y1 = r.Bottom - o, y2 = r.Top + o; break;
        case TvdxFrame::ftRight: x1 = x2 = r.Right + o, y1 = r.Bottom - o, y2 = r.Top + o; break;
        case TvdxFrame::ftTop: x1 = r.Left - o, x2 = r.Right + o, y1 = y2 = r.Top + o; break;
        default: x1 = r.Left - o, x2 = r.Right + o, y1 = y2 = r.Bottom - o; break;
        }
        WriteOp(DashPattern(line.Style(), w));
        WriteOp(Fixed2(w * 0.75) + QStringLiteral(" w"));
        WriteOp(QStringLiteral("2 J"));
        WriteOp(ChannelColorStr(line.Color()) + QStringLiteral(" RG"));
        WriteOp(pointStr(x1, y1) + QStringLiteral(" m"));
        WriteOp(pointStr(x2, y2) + QStringLiteral(" l"));
        WriteOp(QStringLiteral("S"));
    };
    if (line.Style() == TvdxFrameLine::fsDouble) {
        stroke(-w / 2);
        stroke(w);
    } else {
        stroke(0);
    }
}

// ---- fills ---------------------------------------------------------------------------------

void TvdxPDFExport::WriteFill(TvdxView *view)
{
    TvdxCustomFill *fill = view->Fill();
    if (auto *brush = qobject_cast<TvdxBrushFill *>(fill)) {
        const auto style = brush->Style();
        if (brush->BackColor() == clNone && (style == TvdxCustomFill::bsSolid || style == TvdxCustomFill::bsClear))
            return;
        if (style >= TvdxCustomFill::bsHorizontal)
            CheckHatchSize(view);
        WriteOp(QStringLiteral("q"));
        if (brush->BackColor() != clNone) {
            SetFillColor(brush->BackColor());
            ShapePath(view);
            WriteOp(QStringLiteral("f"));
        }
        if (style >= TvdxCustomFill::bsHorizontal)
            WriteHatch(view, brush->ForeColor(), style);
        WriteOp(QStringLiteral("Q"));
    } else if (auto *gradient = qobject_cast<TvdxGradientFill *>(fill)) {
        WriteGradient(view, gradient);
    } else if (auto *glass = qobject_cast<TvdxGlassFill *>(fill)) {
        if (glass->Color() == clNone)
            return;
        if (glass->Hatch())
            CheckHatchSize(view);
        WriteOp(QStringLiteral("q"));
        SetFillColor(glass->Color());
        ShapePath(view);
        WriteOp(QStringLiteral("f"));
        TPdfRect half = ViewToPdfRect(view);
        const double midX = (half.Left + half.Right) / 2, midY = (half.Top + half.Bottom) / 2;
        switch (glass->Orientation()) {
        case TvdxGlassFill::foVertical: half.Right = midX; break;
        case TvdxGlassFill::foHorizontal: half.Bottom = midY; break;
        case TvdxGlassFill::foVerticalMirror: half.Left = midX; break;
        case TvdxGlassFill::foHorizontalMirror: half.Top = midY; break;
        }
        ShapeClip(view);
        SetFillColor(glass->HatchColor());
        WriteOp(RectToPdfStr(half));
        WriteOp(QStringLiteral("f"));
        if (glass->Hatch())
            WriteHatch(view, glass->HatchColor(), TvdxCustomFill::bsFDiagonal);
        WriteOp(QStringLiteral("Q"));
    }
}

void TvdxPDFExport::CheckHatchSize(TvdxView *view)
{
    const double shadow = view->ShadowSize();
    const double rows = std::trunc((double(view->Height()) - shadow) / 8);
    const double columns = std::trunc((double(view->Width()) - shadow) / 8);
    if (!std::isfinite(rows) || !std::isfinite(columns) || std::fabs(rows) + std::fabs(columns) > kMaxHatchLines)
        throw EPDFExportError(QStringLiteral("The hatched area of \"%1\" is too large for the PDF page").arg(view->Name()));
}

void TvdxPDFExport::WriteHatch(TvdxView *view, TColor color, TvdxCustomFill::TBrushStyle style)
{
    using F = TvdxCustomFill;
    const double shadow = view->ShadowSize();
    const double left = double(view->AbsLeft()), top = double(view->AbsTop());
    const double width = double(view->Width()) - shadow, height = double(view->Height()) - shadow;
    const double right = left + width, bottom = top + height;
    const double rows = std::trunc(height / 8), columns = std::trunc(width / 8);
    const double dy = (height - 8 * rows) / 2, dx = (width - 8 * columns) / 2;

    WriteOp(QStringLiteral("[] 0 d"));
    SetStrokeColor(color);
    SetLineWidth(0.75);
    WriteOp(QStringLiteral("0 J"));
    ShapeClip(view);
    if (style == F::bsHorizontal || style == F::bsCross)
        for (int i = 0; i <= int(rows); ++i) {
            MoveTo(left, top + dy + 8 * i);
            LineTo(right, top + dy + 8 * i);
        }
    if (style == F::bsVertical || style == F::bsCross)
        for (int i = 0; i <= int(columns); ++i) {
            MoveTo(left + dx + 8 * i, top);
            LineTo(left + dx + 8 * i, bottom);
        }
    if (style == F::bsFDiagonal || style == F::bsDiagCross)
        for (int i = 0; i <= int(rows + columns); ++i) {
            MoveTo(left + dx - height + 8 * i, top);
            LineTo(left + dx + 8 * i, bottom);
        }
    if (style == F::bsBDiagonal || style == F::bsDiagCross)
        for (int i = 0; i <= int(rows + columns); ++i) {
            MoveTo(left + dx + 8 * i, top);
            LineTo(left + dx - height + 8 * i, bottom);
        }
    WriteOp(QStringLiteral("S"));
}

void TvdxPDFExport::WriteGradient(TvdxView *view, TvdxGradientFill *fill)
{
    TColor c0 = fill->StartColor(), c1 = fill->EndColor();
    if (c0 == clNone && c1 == clNone)
        return;
    c0 = c0 == clNone ? clWhite : ColorToRGB(c0);
    c1 = c1 == clNone ? clWhite : ColorToRGB(c1);
    WriteOp(QStringLiteral("q"));
    const int r0 = GetRValue(c0), g0 = GetGValue(c0), b0 = GetBValue(c0);
    const int dR = GetRValue(c1) - r0, dG = GetGValue(c1) - g0, dB = GetBValue(c1) - b0;
    const int n = std::max({std::abs(dR), std::abs(dG), std::abs(dB), 1});
    ShapeClip(view);
    WriteOp(QStringLiteral("[] 0 d"));
    WriteOp(QStringLiteral("0 J"));

    const double shadow = view->ShadowSize();
    const double left = double(view->AbsLeft()), top = double(view->AbsTop());
    const double width = double(view->Width()) - shadow, height = double(view->Height()) - shadow;
    const double right = left + width, bottom = top + height;
    auto style = fill->GradientStyle();
    if (style == TvdxGradientFill::gsElliptic || style == TvdxGradientFill::gsRectangle)
        style = width > height ? TvdxGradientFill::gsVertCenter : TvdxGradientFill::gsHorizCenter;

    // Stripes across the run, start colour at the start edge.
    auto run = [&](double length, bool verticalStripes, double start, double direction) {
        SetLineWidth(length / n * 1.8);
        for (int m = 0; m <= n; ++m) {
            SetStrokeColor(RGBColor(roundEven(r0 + double(m) * dR / n), roundEven(g0 + double(m) * dG / n),
                                    roundEven(b0 + double(m) * dB / n)));
            const double at = start + direction * m * length / n;
            if (verticalStripes) {
                MoveTo(at, top);
                LineTo(at, bottom);
            } else {
                MoveTo(left, at);
                LineTo(right, at);
            }
            Stroke();
        }
    };
    switch (style) {
    case TvdxGradientFill::gsVertical: run(height, false, top, 1); break;
    case TvdxGradientFill::gsVertCenter:
        run(height / 2, false, top, 1);
        run(height / 2, false, bottom, -1);
        break;
    case TvdxGradientFill::gsHorizCenter:
        run(width / 2, true, left, 1);
        run(width / 2, true, right, -1);
        break;
    default: run(width, true, left, 1); break;
    }
    WriteOp(QStringLiteral("Q"));
}

// ---- shapes --------------------------------------------------------------------------------

void TvdxPDFExport::ShapePath(TvdxView *view)
{
    auto *shape = qobject_cast<TvdxShapeView *>(view);
    const auto kind = shape ? shape->Shape() : TvdxShapeView::skRectangle;
    const double shadow = view->ShadowSize();
    const double L = double(view->AbsLeft()), T = double(view->AbsTop());
    const double W = double(view->Width()) - shadow, H = double(view->Height()) - shadow;
    const double R = L + W, B = T + H;
    switch (kind) {
    case TvdxShapeView::skRoundRectangle: {
        const double r = (shape->Curve() == 0 ? 2 : shape->Curve()) * 3.74;
        MoveTo(L + r, B);
        LineTo(R - r, B);
        CurveTo(R - r / 2, B, R, B - r / 2, R, B - r);
        LineTo(R, T + r);
        CurveTo(R, T + r / 2, R - r / 2, T, R - r, T);
        LineTo(L + r, T);
        CurveTo(L + r / 2, T, L, T + r / 2, L, T + r);
        LineTo(L, B - r);
        CurveTo(L, B - r / 2, L + r / 2, B, L + r, B);
        break;
    }
    case TvdxShapeView::skEllipse: {
        const double k1 = 1.5522847498, k2 = 0.4477152502;
        MoveTo(R, T + H / 2);
        CurveTo(R, T + H / 2 * k1, L + W / 2 * k1, B, L + W / 2, B);
        CurveTo(L + W / 2 * k2, B, L, T + H / 2 * k1, L, T + H / 2);
        CurveTo(L, T + H / 2 * k2, L + W / 2 * k2, T, L + W / 2, T);
        CurveTo(L + W / 2 * k1, T, R, T + H / 2 * k2, R, T + H / 2);
        break;
    }
    case TvdxShapeView::skTriangle:
        MoveTo(L + W / 2, T);
        LineTo(R, B);
        LineTo(L, B);
        LineTo(L + W / 2, T);
        break;
    case TvdxShapeView::skDiamond:
        MoveTo(L + W / 2, T);
        LineTo(R, T + H / 2);
        LineTo(L + W / 2, B);
        LineTo(L, T + H / 2);
        LineTo(L + W / 2, T);
        break;
    default: WriteOp(RectToPdfStr(ViewFrameRect(view, false))); break;
    }
}

void TvdxPDFExport::ShapeClip(TvdxView *view)
{
    ShapePath(view);
    WriteOp(QStringLiteral("W"));
    WriteOp(QStringLiteral("n"));
}

void TvdxPDFExport::TextClip(TvdxView *view)
{
    WriteOp(RectToPdfStr(ViewFrameRect(view, false)));
    WriteOp(QStringLiteral("W"));
    WriteOp(QStringLiteral("n"));
}

void TvdxPDFExport::WriteShapeView(TvdxShapeView *view)
{
    TvdxFrame *frame = view->Frame();
    const auto kind = view->Shape();
    if (kind == TvdxShapeView::skDiagonal1 || kind == TvdxShapeView::skDiagonal2) {
        WriteOp(DashPattern(frame->Style(), frame->Width()));
        WriteOp(CachedPdfColorStr(frame->Color()) + QStringLiteral(" RG"));
        WriteOp(Fixed2(frame->Width() * 0.75) + QStringLiteral(" w"));
        if (kind == TvdxShapeView::skDiagonal1) {
            WriteOp(stLeft + u' ' + stBottom + QStringLiteral(" m"));
            WriteOp(stRight + u' ' + stTop + QStringLiteral(" l"));
        } else {
            WriteOp(stLeft + u' ' + stTop + QStringLiteral(" m"));
            WriteOp(stRight + u' ' + stBottom + QStringLiteral(" l"));
        }
        WriteOp(QStringLiteral("S"));
        return;
    }
    WriteFill(view);
    if (frame->Color() != clNone) {
        WriteOp(DashPattern(frame->Style(), frame->Width()));
        SetStrokeColor(frame->Color());
        SetLineWidth(frame->Width());
        ShapePath(view);
        Stroke();
    }
}

// ---- lines ---------------------------------------------------------------------------------

void TvdxPDFExport::WriteLineView(TvdxCustomLineView *view)
{
    TvdxFrame *frame = view->Frame();
    const double width = double(view->Width()), height = double(view->Height());
    if (view->Diagonal())
        WriteOp(DashPattern(TvdxFrameLine::fsSolid, frame->Width()));
    else if (width > height)
        WriteOp(DashPattern(frame->TopLine()->Style(), frame->TopLine()->Width()));
    else
        WriteOp(DashPattern(frame->LeftLine()->Style(), frame->LeftLine()->Width()));

    const TPdfRect r = ViewToPdfRect(view);
    auto line = [&](const QString &x1, const QString &y1, const QString &x2, const QString &y2) {
        WriteOp(CachedPdfColorStr(frame->Color()) + QStringLiteral(" RG"));
        WriteOp(Fixed2(frame->Width() * 0.75) + QStringLiteral(" w"));
        WriteOp(x1 + u' ' + y1 + QStringLiteral(" m"));
        WriteOp(x2 + u' ' + y2 + QStringLiteral(" l"));
        WriteOp(QStringLiteral("S"));
    };
    if (frame->Style() != TvdxFrameLine::fsDouble) {
        line(stLeft, stTop, stRight, stBottom);
    } else if (height == 0) {
        for (const double y : {r.Top + 1, r.Top - 1})
            line(stLeft, Fixed2(y), stRight, Fixed2(y));
    } else if (width == 0) {
        for (const double x : {r.Left + 1, r.Left - 1})
            line(Fixed2(x), stTop, Fixed2(x), stBottom);
    }

    const double l = double(view->AbsLeft()), t = double(view->AbsTop());
    const QPointF start = PdfPoint(l, t), end = PdfPoint(l + width, t + height);
    if (view->ArrowStart())
        WriteArrow(view, start, end);
    if (view->ArrowEnd())
        WriteArrow(view, end, start);
}

void TvdxPDFExport::WriteArrow(TvdxCustomLineView *view, const QPointF &tip, const QPointF &other)
{
    const double a = view->ArrowLength() * 0.75, b = view->ArrowWidth() * 0.75;
    const double dx = other.x() - tip.x(), dy = other.y() - tip.y();
    const double length = std::hypot(dx, dy);
    // A line of no length points nowhere: no head.
    if (!(length > 0) || !std::isfinite(length))
        return;
    QPointF c;
    if (dx == 0)
        c = QPointF(tip.x(), tip.y() + (dy > 0 ? a : -a));
    else
        c = QPointF(tip.x() + a * dx / length, tip.y() + a * dy / length);
    const double theta = std::atan2(dy, dx);
    const QPointF side(b * std::sin(theta), -b * std::cos(theta));
    const QPointF c1 = c + side, c2 = c - side;

    TvdxFrame *frame = view->Frame();
    WriteOp(DashPattern(frame->Style(), frame->Width()));
    if (view->ArrowSolid()) {
        WriteOp(QStringLiteral("1 j"));
        WriteOp(CachedPdfColorStr(frame->Color()) + QStringLiteral(" rg"));
    }
    WriteOp(pointStr(c1.x(), c1.y()) + QStringLiteral(" m"));
    WriteOp(pointStr(tip.x(), tip.y()) + QStringLiteral(" l"));
    WriteOp(pointStr(c2.x(), c2.y()) + QStringLiteral(" l"));
    WriteOp(view->ArrowSolid() ? QStringLiteral("b") : QStringLiteral("S"));
}

// ---- page background and clipping ------------------------------------------------------------

void TvdxPDFExport::WritePageBackground(const TPdfRect &rect, TColor color)
{
    const QString c = ChannelColorStr(color);
    WriteOp(QStringLiteral("0.00 w"));
    WriteOp(c + QStringLiteral(" RG"));
    WriteOp(c + QStringLiteral(" rg"));
    WriteOp(pointStr(rect.Left, rect.Bottom) + QStringLiteral(" m"));
    WriteOp(pointStr(rect.Right, rect.Bottom) + QStringLiteral(" l"));
    WriteOp(pointStr(rect.Right, rect.Top) + QStringLiteral(" l"));
    WriteOp(pointStr(rect.Left, rect.Top) + QStringLiteral(" l"));
    WriteOp(QStringLiteral("B"));
}

void TvdxPDFExport::BeginClip(TvdxComponent *obj)
{
    if (!FPageOpen)
        return;
    WriteOp(QStringLiteral("q"));
    // Anything else still gets its "q", so that EndClip stays balanced.
    if (auto *view = qobject_cast<TvdxView *>(obj)) {
        WriteOp(RectToPdfStr(ViewFrameRect(view, true)));
        WriteOp(QStringLiteral("W"));
        WriteOp(QStringLiteral("n"));
    }
}

void TvdxPDFExport::EndClip()
{
    if (FPageOpen)
        WriteOp(QStringLiteral("Q"));
}
