#include "export/pdf/emf/vdxEMFtoPDFExport.h"

#include "export/pdf/emf/vdxPDFImages.h"
#include "export/pdf/vdxExportHelpers.h"
#include "export/pdf/vdxExportPDFHelpers.h"
#include "platform/EmfRecords.h"

#include <QIODevice>
#include <cmath>
#include <numbers>

namespace {

constexpr int kStroke = 2, kFill = 4, kContinue = 8, kClose = 1;

QString pdfColour(uint32_t colorRef)
{
    // Palette-relative forms keep their RGB part.
    return ColorToPdfRGB(TColor(colorRef & 0xFFFFFF));
}

// Whether a raster operation reads its source.
bool ropUsesSource(uint32_t rop) { return (((rop >> 2) ^ rop) & 0x330000) != 0; }

} // namespace

TEMFtoPDFExport::TEMFtoPDFExport(QIODevice &in, QIODevice &out, const TPdfRect &pdfRect, TPDFObjectsHelper &poh)
    : TEMFAbstractExport(in, &out), FOut(out), FPOH(poh), FPDFRect(pdfRect)
{
}

void TEMFtoPDFExport::Out(const QString &line) { WriteRaw(FOut, line + u'\n'); }

void TEMFtoPDFExport::OutCRLF(const QString &line) { WriteLine(FOut, line); }

void TEMFtoPDFExport::q()
{
    Out(QStringLiteral("q"));
    ++FqQBalance;
}

void TEMFtoPDFExport::Q()
{
    Out(QStringLiteral("Q"));
    --FqQBalance;
}

QPointF TEMFtoPDFExport::ToPdf(const QPointF &d) const
{
    return QPointF(d.x() * FEMFtoPDFFactor.x() + FPDFRect.Left, FPDFRect.Top - d.y() * FEMFtoPDFFactor.y());
}

QString TEMFtoPDFExport::PtStr(const QPointF &p) const { return PairToStr(Precision, p.x(), p.y()); }

double TEMFtoPDFExport::Len(double v) const { return LenToDev(v) * (FEMFtoPDFFactor.x() + FEMFtoPDFFactor.y()) / 2; }

TPdfRect TEMFtoPDFExport::RectOf(double l, double t, double r, double b) const
{
    const QPointF a = Pt(l, t), c = Pt(r, b);
    return TPdfRect{std::min(a.x(), c.x()), std::max(a.y(), c.y()), std::max(a.x(), c.x()), std::min(a.y(), c.y())};
}

QString TEMFtoPDFExport::ReStr(const TPdfRect &r) const
{
    return FloatToPDFStr(Precision, r.Left) + u' ' + FloatToPDFStr(Precision, r.Bottom) + u' '
           + FloatToPDFStr(Precision, r.Right - r.Left) + u' ' + FloatToPDFStr(Precision, r.Top - r.Bottom)
           + QStringLiteral(" re");
}

QString TEMFtoPDFExport::FillOp(const char *op) const
{
    QString s = QString::fromLatin1(op);
    if (DC().FData.PolyFillMode == 1)
        s += u'*';
    return s;
}

// ---- play hooks ------------------------------------------------------------------------

void TEMFtoPDFExport::BeforePlay()
{
    Out(QStringLiteral("q"));
    if (Clipped) {
        Out(ReStr(FPDFRect));
        Out(FillOp("W"));
        Out(QStringLiteral("n"));
    }
}

void TEMFtoPDFExport::AfterPlay()
{
    FlushPendingPaint();
    // A metafile cut short leaves its saved states open; close them so the
    // page's state after this object is the one before it.
    while (FqQBalance > 0)
        Q();
    Out(QStringLiteral("Q"));
}

void TEMFtoPDFExport::DoHeader(const TEnhMetaObj &r)
{
    auto factor = [](double size, double devPx, double devMm, double frame) {
        const double d = devMm != 0 ? devPx / devMm * frame / 100 : 0;
        return d > 0 ? size / d : 1.0;
    };
    FEMFtoPDFFactor = QPointF(factor(FPDFRect.Right - FPDFRect.Left, r.I32(72), r.I32(80), double(r.I32(32)) - r.I32(24)),
                              factor(FPDFRect.Top - FPDFRect.Bottom, r.I32(76), r.I32(84), double(r.I32(36)) - r.I32(28)));
    FqQBalance = 0;
}

// ---- pens and brushes ------------------------------------------------------------------

bool TEMFtoPDFExport::PenNull() const { return DC().PenStyle() == emf::PS_NULL; }

bool TEMFtoPDFExport::BrushNull() const
{
    const uint32_t s = DC().BrushStyle();
    return ForceNullBrush || s == 1 || (s >= 7 && s <= 9);
}

void TEMFtoPDFExport::WritePen()
{
    const TDeviceContext &dc = DC();
    const double w = Len(dc.PenWidth());
    const QString a = FloatToPDFStr(3, w * 6), b = FloatToPDFStr(3, w * 2);
    QString dash;
    switch (dc.PenStyle()) {
    case 0: case 5: case 6: break;
    case 1: dash = a; break;
    case 2: dash = b + u' ' + a; break;
    case 3: dash = a + u' ' + a + u' ' + b + u' ' + a; break;
    case 4: dash = a + u' ' + a + u' ' + b + u' ' + a + u' ' + b + u' ' + a; break;
    case 8: dash = b + u' ' + b; break;
    default: dash = a + u' ' + b; break;
    }
    Out(u'[' + dash + QStringLiteral("] 0 d"));
    Out(pdfColour(dc.PenColor()) + QStringLiteral(" RG"));
    Out(FloatToPDFStr(2, w) + QStringLiteral(" w"));
    Out(FloatToPDFStr(3, dc.MiterLimit()) + QStringLiteral(" M"));
    if (ForceButtLineCap)
        Out(QStringLiteral("2 J"));
    else
        switch (dc.PenEndCap()) {
        case 0x100: Out(QStringLiteral("2 J")); break;
        case 0x200: Out(QStringLiteral("0 J")); break;
        default: Out(QStringLiteral("1 J")); break;
        }
    if (ForceMitterLineJoin)
        Out(QStringLiteral("0 j"));
    else
        switch (dc.PenLineJoin()) {
        case 0: Out(QStringLiteral("1 j")); break;
        case 0x1000: Out(QStringLiteral("2 j")); break;
        default: Out(QStringLiteral("0 j")); break;
        }
}

void TEMFtoPDFExport::WriteBrush(const TEnhMetaObj *brush)
{
    const uint32_t s = DC().BrushStyle();
    if (s >= 7 && s <= 9)
        Comment(QStringLiteral(" DC.BrushStyle: %1").arg(s));
    const TEnhMetaObj *b = brush ? brush : DC().FData.Brush;
    if (!b)
        b = GetStockRecord(0x80000005u);
    switch (b->iType()) {
    case emf::EMR_CREATEBRUSHINDIRECT: {
        const uint32_t style = b->U32(12);
        if (style == 0)
            FLastFill = b->U32(16);
        else if (style == 2)
            Comment(QStringLiteral(" lb.lbStyle: BS_HATCHED, lb.lbHatch: %1").arg(b->U32(20)));
        else if (style != 1)
            Comment(QStringLiteral(" lb.lbStyle: %1").arg(style));
        Out(pdfColour(FLastFill) + QStringLiteral(" rg"));
        break;
    }
    case emf::EMR_CREATEMONOBRUSH:
    case emf::EMR_CREATEDIBPATTERNBRUSHPT:
        // Pattern tiles are not written; the text colour stands in.
        Comment(QStringLiteral(" Unsupported pattern brush"));
        Out(pdfColour(DC().FData.TextColor) + QStringLiteral(" rg"));
        break;
    default: throw EPDFExportError(QStringLiteral("Object not brush"));
    }
}

void TEMFtoPDFExport::BeginFrame(int flags)
{
    if (DC().FData.IsPathBracketOpened)
        return;
    if (flags == kClose)
        throw EPDFExportError(QStringLiteral("Invalid Patch Painting"));
    q();
    if ((flags & kFill) && !BrushNull())
        WriteBrush();
    if ((flags & kStroke) && !PenNull())
        WritePen();
}

void TEMFtoPDFExport::EndFrame(int flags)
{
    if (DC().FData.IsPathBracketOpened)
        return;
    const int code = ((flags & kStroke) && !PenNull() ? 2 : 0) + ((flags & kFill) && !BrushNull() ? 4 : 0)
                     + (flags & kClose ? 1 : 0);
    switch (code) {
    case 2: Out(QStringLiteral("S")); break;
    case 3: Out(QStringLiteral("s")); break;
    case 4: case 5: Out(FillOp("f")); break;
    case 6: Out(FillOp("B")); break;
    case 7: Out(FillOp("b")); break;
    default: Out(QStringLiteral("n")); break;
    }
    Q();
}

// ---- records ---------------------------------------------------------------------------

void TEMFtoPDFExport::DoRecord(const TEnhMetaObj &r)
{
    if (DrawMaskedPair(r))
        return;
    const bool inPath = DC().FData.IsPathBracketOpened;
    switch (r.iType()) {
    case emf::EMR_HEADER: DoHeader(r); break;
    case emf::EMR_EOF:
        FlushPendingPaint();
        while (FqQBalance > 0)
            Q();
        break;
    case emf::EMR_RECTANGLE:
        BeginFrame(kStroke | kFill);
        Out(ReStr(RectOf(r.I32(8), r.I32(12), r.I32(16), r.I32(20))));
        EndFrame(kStroke | kFill);
        break;
    case emf::EMR_ELLIPSE: {
        const TPdfRect rc = RectOf(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
        BeginFrame(kStroke | kFill);
        DoRoundRect(rc, (rc.Right - rc.Left) / 2, (rc.Top - rc.Bottom) / 2);
        EndFrame(kStroke | kFill);
        break;
    }
    case emf::EMR_ROUNDRECT: {
        const TPdfRect rc = RectOf(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
        const double rx = std::min(Len(r.I32(24)) / 2, (rc.Right - rc.Left) / 2);
        const double ry = std::min(Len(r.I32(28)) / 2, (rc.Top - rc.Bottom) / 2);
        BeginFrame(kStroke | kFill);
        DoRoundRect(rc, rx, ry);
        EndFrame(kStroke | kFill);
        break;
    }
    case emf::EMR_ARC: case emf::EMR_PIE: case emf::EMR_ANGLEARC: DoArc(r); break;
    case emf::EMR_MOVETOEX:
        // Outside a path each figure starts from the pen position itself.
        if (inPath)
            Out(PtStr(Pt(r.I32(8), r.I32(12))) + QStringLiteral(" m"));
        break;
    case emf::EMR_LINETO: {
        const QPoint from = DC().FData.PositionCurrent;
        BeginFrame(kStroke);
        if (!inPath)
            Out(PtStr(Pt(from.x(), from.y())) + QStringLiteral(" m"));
        Out(PtStr(Pt(r.I32(8), r.I32(12))) + QStringLiteral(" l"));
        EndFrame(kStroke);
        break;
    }
    case 2: case 3: case 4: case 5: case 6: case 85: case 86: case 87: case 88: case 89: DoPoints(r); break;
    case 7: case 8: case 90: case 91: DoPolyPoly(r); break;
    case 56: case 92: DoPolyDraw(r); break;
    case emf::EMR_CLOSEFIGURE: Out(QStringLiteral("h")); break;
    case emf::EMR_FILLPATH:
        if (!BrushNull())
            WriteBrush();
        Out(BrushNull() ? QStringLiteral("n") : FillOp("f"));
        break;
    case emf::EMR_STROKEPATH:
        if (!PenNull())
            WritePen();
        Out(PenNull() ? QStringLiteral("n") : QStringLiteral("S"));
        break;
    case emf::EMR_STROKEANDFILLPATH:
        if (!BrushNull())
            WriteBrush();
        if (!PenNull())
            WritePen();
        Out(BrushNull() ? (PenNull() ? QStringLiteral("n") : QStringLiteral("S"))
                        : (PenNull() ? FillOp("f") : FillOp("B")));
        break;
    case emf::EMR_SELECTCLIPPATH:
        Out(FillOp("W"));
        Out(QStringLiteral("n"));
        break;
    case emf::EMR_SAVEDC: q(); break;
    case emf::EMR_RESTOREDC:
        // Never more "Q" than this metafile wrote "q": the rest belong to the page.
        for (int32_t rel = r.I32(8); rel < 0 && FqQBalance > 0; ++rel)
            Q();
        break;
    case emf::EMR_INTERSECTCLIPRECT: {
        const QRect rc(QPoint(r.I32(8), r.I32(12)), QPoint(r.I32(16), r.I32(20)));
        if (rc.left() >= rc.right() || rc.top() >= rc.bottom())
            break;
        FLastClipRect = rc;
        Out(ReStr(RectOf(rc.left(), rc.top(), rc.right(), rc.bottom())));
        Out(FillOp("W"));
        Out(QStringLiteral("n"));
        break;
    }
    case emf::EMR_EXTSELECTCLIPRGN: DoClipRegion(r); break;
    case emf::EMR_FILLRGN: DoFillRgn(r); break;
    case emf::EMR_CREATEDIBPATTERNBRUSHPT:
        // Such brushes fill nothing.
        SetObject(r.U32(8), GetStockRecord(0x80000005u));
        break;
    case emf::EMR_BITBLT: case emf::EMR_STRETCHBLT: case emf::EMR_MASKBLT: case emf::EMR_TRANSPARENTBLT:
    case emf::EMR_ALPHABLEND:
        DoBitmap(r);
        break;
    case emf::EMR_STRETCHDIBITS:
        if (r.U32(68) == 0xEE0086)
            FPendingPaint = &r;
        else
            DoBitmap(r);
        break;
    default: break;
    }
}

void TEMFtoPDFExport::DoRoundRect(const TPdfRect &rc, double rx, double ry)
{
    const double L = rc.Left, T = rc.Top, R = rc.Right, B = rc.Bottom;
    auto p = [&](double x, double y) { return PairToStr(Precision, x, y); };
    Out(p(L + rx, B) + QStringLiteral(" m"));
    Out(p(R - rx, B) + QStringLiteral(" l"));
    Out(p(R - rx / 2, B) + u' ' + p(R, B + ry / 2) + u' ' + p(R, B + ry) + QStringLiteral(" c"));
    Out(p(R, T - ry) + QStringLiteral(" l"));
    Out(p(R, T - ry / 2) + u' ' + p(R - rx / 2, T) + u' ' + p(R - rx, T) + QStringLiteral(" c"));
    Out(p(L + rx, T) + QStringLiteral(" l"));
    Out(p(L + rx / 2, T) + u' ' + p(L, T - ry / 2) + u' ' + p(L, T - ry) + QStringLiteral(" c"));
    Out(p(L, B + ry) + QStringLiteral(" l"));
    Out(p(L, B + ry / 2) + u' ' + p(L + rx / 2, B) + u' ' + p(L + rx, B) + QStringLiteral(" c"));
}

void TEMFtoPDFExport::DoPoints(const TEnhMetaObj &r)
{
    const uint32_t t = r.iType();
    const bool small = t >= 85;
    const uint32_t base = small ? t - 83 : t; // the 16-bit forms map onto 2 to 6
    const qint64 step = small ? 4 : 8;
    // Never more points than the record holds.
    const qint64 n = std::min<qint64>(r.U32(24), std::max<qint64>(0, (r.Length() - 28) / step));
    auto pt = [&](qint64 i) {
        return small ? Pt(r.I16(28 + step * i), r.I16(30 + step * i)) : Pt(r.I32(28 + step * i), r.I32(32 + step * i));
    };
    const bool to = base == 5 || base == 6;
    const bool bezier = base == 2 || base == 5;
    if (n < (to ? 1 : 2))
        return;
    const int flags = base == 3 ? (kStroke | kFill) : to ? (kStroke | kContinue) : kStroke;
    const bool inPath = DC().FData.IsPathBracketOpened;
    BeginFrame(flags);
    qint64 i = 0;
    if (to) {
        // Outside a path the figure starts at the pen position.
        if (!inPath) {
            const QPoint c = DC().FData.PositionCurrent;
            Out(PtStr(Pt(c.x(), c.y())) + QStringLiteral(" m"));
        }
    } else {
        Out(PtStr(pt(0)) + QStringLiteral(" m"));
        i = 1;
    }
    if (bezier) {
        for (; i + 2 < n; i += 3)
            Out(PtStr(pt(i)) + u' ' + PtStr(pt(i + 1)) + u' ' + PtStr(pt(i + 2)) + QStringLiteral(" c"));
    } else {
        for (; i < n; ++i)
            Out(PtStr(pt(i)) + QStringLiteral(" l"));
    }
    if (base == 3)
        Out(QStringLiteral("h"));
    EndFrame(flags);
}

void TEMFtoPDFExport::DoPolyPoly(const TEnhMetaObj &r)
{
    const uint32_t t = r.iType();
    const bool small = t >= 90;
    const bool polygon = t == 8 || t == 91;
    const qint64 step = small ? 4 : 8;
    const qint64 nPolys = std::min<qint64>(r.U32(24), std::max<qint64>(0, (r.Length() - 32) / 4));
    if (nPolys == 0)
        return;
    const int flags = polygon ? (kStroke | kFill) : kStroke;
    BeginFrame(flags);
    qint64 at = 32 + 4 * nPolys;
    for (qint64 p = 0; p < nPolys; ++p) {
        const qint64 count = std::min<qint64>(r.U32(32 + 4 * p), std::max<qint64>(0, (r.Length() - at) / step));
        for (qint64 i = 0; i < count; ++i, at += step) {
            const QPointF q = small ? Pt(r.I16(at), r.I16(at + 2)) : Pt(r.I32(at), r.I32(at + 4));
            Out(PtStr(q) + (i == 0 ? QStringLiteral(" m") : QStringLiteral(" l")));
        }
        if (polygon && count > 0)
            Out(QStringLiteral("h"));
    }
    EndFrame(flags);
}

void TEMFtoPDFExport::DoPolyDraw(const TEnhMetaObj &r)
{
    const bool small = r.iType() == 92;
    const qint64 step = small ? 4 : 8;
    const qint64 n = std::min<qint64>(r.U32(24), std::max<qint64>(0, (r.Length() - 28) / (step + 1)));
    auto pt = [&](qint64 i) {
        return small ? Pt(r.I16(28 + step * i), r.I16(30 + step * i)) : Pt(r.I32(28 + step * i), r.I32(32 + step * i));
    };
    const qint64 types = 28 + step * n;
    BeginFrame(kStroke);
    bool started = false;
    for (qint64 i = 0; i < n; ++i) {
        const uint8_t ty = r.U8(types + i);
        const uint8_t kind = ty & 0x6;
        if (kind == 0x6) { // PT_MOVETO
            Out(PtStr(pt(i)) + QStringLiteral(" m"));
            started = true;
        } else if (!started) {
            // A figure that does not start with a move starts at the pen position.
            const QPoint c = DC().FData.PositionCurrent;
            Out(PtStr(Pt(c.x(), c.y())) + QStringLiteral(" m"));
            started = true;
            --i;
            continue;
        } else if (kind == 0x4 && i + 2 < n) { // PT_BEZIERTO
            Out(PtStr(pt(i)) + u' ' + PtStr(pt(i + 1)) + u' ' + PtStr(pt(i + 2)) + QStringLiteral(" c"));
            i += 2;
        } else {
            Out(PtStr(pt(i)) + QStringLiteral(" l"));
        }
        if (r.U8(types + i) & 0x1) // PT_CLOSEFIGURE
            Out(QStringLiteral("h"));
    }
    EndFrame(kStroke);
}

void TEMFtoPDFExport::ArcPath(double cx, double cy, double rx, double ry, double start, double sweep, bool moveFirst)
{
    const int n = std::max(1, int(std::ceil(std::abs(sweep / 45) - 1e-9)));
    const double d = sweep / n * std::numbers::pi / 180;
    for (int i = 0; i < n; ++i) {
        const double a = (start + i * sweep / n) * std::numbers::pi / 180, b = a + d;
        const QPointF p0(cx + rx * std::cos(a), cy - ry * std::sin(a));
        const QPointF p3(cx + rx * std::cos(b), cy - ry * std::sin(b));
        const double t = std::tan(d / 2);
        const double k = std::sin(d) * (std::sqrt(4 + 3 * t * t) - 1) / 3;
        const QPointF p1 = p0 - k * QPointF(rx * std::sin(a), ry * std::cos(a));
        const QPointF p2 = p3 + k * QPointF(rx * std::sin(b), ry * std::cos(b));
        if (i == 0)
            Out(PtStr(Pt(p0.x(), p0.y())) + (moveFirst ? QStringLiteral(" m") : QStringLiteral(" l")));
        Out(PtStr(Pt(p1.x(), p1.y())) + u' ' + PtStr(Pt(p2.x(), p2.y())) + u' ' + PtStr(Pt(p3.x(), p3.y()))
            + QStringLiteral(" c"));
    }
}

void TEMFtoPDFExport::DoArc(const TEnhMetaObj &r)
{
    const bool pie = r.iType() == emf::EMR_PIE;
    const int flags = pie ? (kStroke | kFill | kClose) : kStroke;
    double cx, cy, rx, ry, start, sweep;
    if (r.iType() == emf::EMR_ANGLEARC) {
        cx = r.I32(8), cy = r.I32(12), rx = ry = r.U32(16);
        start = r.F32(20), sweep = r.F32(24);
        if (!std::isfinite(start) || !std::isfinite(sweep))
            return;
        // More than a full turn draws the same circle.
        sweep = std::clamp(sweep, -360.0, 360.0);
        start = std::fmod(start, 360.0);
    } else {
        const double l = std::min(r.I32(8), r.I32(16)), rt = std::max(r.I32(8), r.I32(16));
        const double t = std::min(r.I32(12), r.I32(20)), b = std::max(r.I32(12), r.I32(20));
        cx = (l + rt) / 2, cy = (t + b) / 2, rx = (rt - l) / 2, ry = (b - t) / 2;
        const double w = rt - l, h = b - t;
        const double sx = w > h && w > 0 ? h / w : 1, sy = h > w && h > 0 ? w / h : 1;
        auto angle = [&](double x, double y) { return std::atan2((y - cy) * sy, (x - cx) * sx) * 180 / std::numbers::pi; };
        double as = angle(r.I32(24), r.I32(28)), ae = angle(r.I32(32), r.I32(36));
        if (DC().FData.iArcDirection == 2)
            std::swap(as, ae);
        start = -as;
        sweep = as - ae;
        if (sweep == 0)
            sweep = 359.9999;
        else if (sweep < 0)
            sweep += 360;
    }
    BeginFrame(flags);
    ArcPath(cx, cy, rx, ry, start, sweep, true);
    if (pie)
        Out(PtStr(Pt(cx, cy)) + QStringLiteral(" l"));
    EndFrame(flags);
}

void TEMFtoPDFExport::DoClipRegion(const TEnhMetaObj &r)
{
    const uint32_t mode = r.U32(12);
    if (mode == 1) {
        const std::optional<QRegion> &rgn = DC().FData.ClipRgn;
        if (!rgn)
            return;
        EnableTransform = false;
        for (const QRect &rc : *rgn) {
            Out(ReStr(RectOf(rc.left(), rc.top(), rc.left() + rc.width(), rc.top() + rc.height())));
            FLastClipRect = rc;
        }
        EnableTransform = true;
        if (rgn->isEmpty())
            Out(QStringLiteral("0 0 0 0 re")); // an empty clip hides everything
        Out(FillOp("W"));
        Out(QStringLiteral("n"));
    } else if (mode >= 2 && mode <= 4) {
        Comment(QStringLiteral("Ignored ExtSelectClipRgn.iMode"));
    } else if (mode == 5) {
        // Back to the clip of the enclosing level, then the new region.
        const bool outer = FqQBalance == 0;
        Q();
        q();
        if (outer && Clipped) {
            Out(ReStr(FPDFRect));
            Out(FillOp("W"));
            Out(QStringLiteral("n"));
        }
        const std::optional<QRegion> &rgn = DC().FData.ClipRgn;
        if (rgn && r.U32(8) != 0) {
            EnableTransform = false;
            for (const QRect &rc : *rgn)
                Out(ReStr(RectOf(rc.left(), rc.top(), rc.left() + rc.width(), rc.top() + rc.height())));
            EnableTransform = true;
            if (rgn->isEmpty())
                Out(QStringLiteral("0 0 0 0 re"));
            Out(FillOp("W"));
            Out(QStringLiteral("n"));
        }
    }
}

void TEMFtoPDFExport::DoFillRgn(const TEnhMetaObj &r)
{
    q();
    const uint32_t ih = r.U32(28);
    const TEnhMetaObj *brush = IsStockObject(ih) ? GetStockRecord(ih) : ih < Objects().size() ? Objects()[ih] : nullptr;
    if (brush && !(brush->iType() == emf::EMR_CREATEBRUSHINDIRECT && brush->U32(12) == 1))
        WriteBrush(brush);
    const uint32_t count = r.U32(40);
    for (uint32_t i = 0; i < count && r.Has(64 + 16 * qint64(i), 16); ++i) {
        const qint64 o = 64 + 16 * qint64(i);
        Out(ReStr(RectOf(r.I32(o), r.I32(o + 4), r.I32(o + 8), r.I32(o + 12))));
    }
    Out(brush ? FillOp("f") : QStringLiteral("n"));
    Q();
}

void TEMFtoPDFExport::DrawImage(int index, double l, double t, double r, double b)
{
    if (index < 0)
        return;
    if (FPOH.FPageXObjects)
        FPOH.FPageXObjects->Add(index);
    const TPdfRect rc = RectOf(l, t, r, b);
    OutCRLF(QStringLiteral("q"));
    OutCRLF(FloatToPDFStr(3, rc.Right - rc.Left) + QStringLiteral(" 0 0 ") + FloatToPDFStr(3, rc.Top - rc.Bottom) + u' '
            + FloatToPDFStr(Precision, rc.Left) + u' ' + FloatToPDFStr(Precision, rc.Bottom) + QStringLiteral(" cm"));
    OutCRLF(QStringLiteral("/Im%1 Do").arg(index));
    OutCRLF(QStringLiteral("Q"));
}

void TEMFtoPDFExport::DoBitmap(const TEnhMetaObj &r)
{
    const uint32_t t = r.iType();
    double x, y, cx, cy;
    uint32_t rop;
    QImage img;
    if (t == emf::EMR_STRETCHDIBITS) {
        x = r.I32(24), y = r.I32(28), cx = r.I32(72), cy = r.I32(76);
        rop = r.U32(68);
        if (ropUsesSource(rop))
            img = r.Bitmap(48, 56, r.U32(64), false);
    } else {
        x = r.I32(24), y = r.I32(28), cx = r.I32(32), cy = r.I32(36);
        rop = t == emf::EMR_TRANSPARENTBLT ? 0xCC0020 : r.U32(40);
        if (t == emf::EMR_ALPHABLEND) {
            if (rop != 0x01FF0000) {
                Comment(QStringLiteral(" Usupported dwRop: %1").arg(rop));
                return;
            }
            const QImage argb = r.Bitmap(84, 92, r.U32(80), true);
            if (!argb.isNull() && cx != 0 && cy != 0)
                DrawImage(OutTransparentGraphic(FPOH, argb), x, y, x + cx, y + cy);
            return;
        }
        if (ropUsesSource(rop))
            img = r.Bitmap(84, 92, r.U32(80), false);
    }
    if (cx == 0 || cy == 0)
        return;
    switch (rop) {
    case 0xCC0020: case 0xEE0086: case 0x8800C6: case 0x660046: break;
    case 0x5A0049: case 0xAA0029: return;
    case 0xF00021: case 0xA000C9:
        BeginFrame(kFill);
        Out(ReStr(RectOf(x, y, x + cx, y + cy)));
        EndFrame(kFill);
        return;
    default:
        Comment(QStringLiteral(" Unsupported dwRop: %1").arg(rop));
        if (!ropUsesSource(rop))
            return;
        break;
    }
    if (img.isNull())
        return;
    DrawImage(OutJpegImage(FPOH, img, false), x, y, x + cx, y + cy);
}

bool TEMFtoPDFExport::DrawMaskedPair(const TEnhMetaObj &r)
{
    if (!FPendingPaint)
        return false;
    const TEnhMetaObj &paint = *FPendingPaint;
    // Same bounds, destination position and size: offsets 8 to 31, 72 to 79.
    const bool pair = r.iType() == emf::EMR_STRETCHDIBITS && r.U32(68) == 0x8800C6
                      && r.Bytes(8, 24) == paint.Bytes(8, 24) && r.Bytes(72, 8) == paint.Bytes(72, 8);
    if (!pair) {
        FlushPendingPaint();
        return false;
    }
    FPendingPaint = nullptr;
    const QImage alpha = paint.Bitmap(48, 56, paint.U32(64), false);
    QImage colours = r.Bitmap(48, 56, r.U32(64), false);
    const double x = paint.I32(24), y = paint.I32(28), cx = paint.I32(72), cy = paint.I32(76);
    if (colours.isNull() || cx == 0 || cy == 0)
        return true;
    colours = colours.convertToFormat(QImage::Format_ARGB32);
    if (!alpha.isNull()) {
        const QImage a = alpha.scaled(colours.size()).convertToFormat(QImage::Format_Grayscale8);
        for (int row = 0; row < colours.height(); ++row) {
            QRgb *px = reinterpret_cast<QRgb *>(colours.scanLine(row));
            const uchar *g = a.constScanLine(row);
            for (int col = 0; col < colours.width(); ++col)
                px[col] = (px[col] & 0xFFFFFF) | (uint32_t(g[col]) << 24);
        }
    }
    DrawImage(OutTransparentGraphic(FPOH, colours), x, y, x + cx, y + cy);
    return true;
}

void TEMFtoPDFExport::FlushPendingPaint()
{
    if (!FPendingPaint)
        return;
    const TEnhMetaObj &paint = *FPendingPaint;
    FPendingPaint = nullptr;
    DoBitmap(paint);
}
