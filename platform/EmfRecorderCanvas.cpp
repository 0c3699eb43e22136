#include "platform/EmfRecorderCanvas.h"
#include "platform/EmfRecords.h"
#include <QtEndian>
#include <cmath>
#include <cstring>

using namespace emf;

// One record being built: type and size first, the size patched at the end.
class EmfRecorderCanvas::Record {
public:
    explicit Record(std::uint32_t type)
    {
        u32(type);
        u32(0);
    }
    void u32(std::uint32_t v)
    {
        char b[4];
        qToLittleEndian(v, b);
        m_bytes.append(b, 4);
    }
    void i32(std::int32_t v) { u32(std::uint32_t(v)); }
    void i16(std::int16_t v)
    {
        char b[2];
        qToLittleEndian(std::uint16_t(v), b);
        m_bytes.append(b, 2);
    }
    void f32(float v)
    {
        std::uint32_t u;
        std::memcpy(&u, &v, 4);
        u32(u);
    }
    void u8(std::uint8_t v) { m_bytes.append(char(v)); }
    void bytes(const QByteArray &b) { m_bytes.append(b); }
    void rect(const QRect &r) // inclusive RECTL
    {
        i32(r.left());
        i32(r.top());
        i32(r.right());
        i32(r.bottom());
    }
    void rectl(const TRect &r)
    {
        i32(r.Left);
        i32(r.Top);
        i32(r.Right);
        i32(r.Bottom);
    }
    void pad()
    {
        while (m_bytes.size() % 4)
            m_bytes.append('\0');
    }
    qsizetype size() const { return m_bytes.size(); }
    void patch32(qsizetype at, std::uint32_t v) { qToLittleEndian(v, m_bytes.data() + at); }
    QByteArray &finish()
    {
        pad();
        patch32(4, std::uint32_t(m_bytes.size()));
        return m_bytes;
    }

private:
    QByteArray m_bytes;
};

namespace {

bool fits16(std::span<const TPoint> pts)
{
    for (const TPoint &p : pts)
        if (p.X < -32768 || p.X > 32767 || p.Y < -32768 || p.Y > 32767)
            return false;
    return true;
}

std::uint32_t colorRef(TColor c)
{
    return std::uint32_t(ColorToRGB(c)) & 0xFFFFFF;
}

// A device-independent bitmap (header and bits), bottom-up rows.
void makeDib(const QImage &src, bool alpha, QByteArray &header, QByteArray &bits)
{
    const int w = src.width(), h = src.height();
    const int bpp = alpha ? 32 : 24;
    const int stride = ((w * bpp + 31) / 32) * 4;
    header.resize(40);
    char *hp = header.data();
    qToLittleEndian<std::uint32_t>(40, hp);
    qToLittleEndian<std::int32_t>(w, hp + 4);
    qToLittleEndian<std::int32_t>(h, hp + 8);
    qToLittleEndian<std::uint16_t>(1, hp + 12);
    qToLittleEndian<std::uint16_t>(std::uint16_t(bpp), hp + 14);
    qToLittleEndian<std::uint32_t>(BI_RGB, hp + 16);
    qToLittleEndian<std::uint32_t>(std::uint32_t(stride * h), hp + 20);
    qToLittleEndian<std::int32_t>(3780, hp + 24); // 96 per inch
    qToLittleEndian<std::int32_t>(3780, hp + 28);
    qToLittleEndian<std::uint32_t>(0, hp + 32);
    qToLittleEndian<std::uint32_t>(0, hp + 36);
    QImage img = src.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    bits = QByteArray(qsizetype(stride) * h, '\0');
    for (int y = 0; y < h; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(img.constScanLine(h - 1 - y));
        uchar *out = reinterpret_cast<uchar *>(bits.data()) + qsizetype(y) * stride;
        for (int x = 0; x < w; ++x) {
            QRgb p = line[x];
            *out++ = uchar(qBlue(p));
            *out++ = uchar(qGreen(p));
            *out++ = uchar(qRed(p));
            if (alpha)
                *out++ = uchar(qAlpha(p));
        }
    }
}

std::uint32_t rop2Of(PenMode m)
{
    switch (m) {
    case PenMode::Xor:
        return R2_XORPEN;
    case PenMode::NotXor:
        return R2_NOTXORPEN;
    case PenMode::Not:
        return R2_NOT;
    case PenMode::Copy:
        break;
    }
    return R2_COPYPEN;
}

} // namespace

EmfRecorderCanvas::EmfRecorderCanvas(int width, int height, int logPixels)
    : Canvas(CanvasKind::Metafile, logPixels, logPixels), m_width(std::max(0, width)), m_height(std::max(0, height))
{
    m_refs.assign(1, 0);
}

EmfRecorderCanvas::~EmfRecorderCanvas() = default;

void EmfRecorderCanvas::setDescription(const QString &application, const QString &picture)
{
    m_description = application + QChar(0) + picture + QChar(0) + QChar(0);
}

void EmfRecorderCanvas::append(Record &rec)
{
    m_data.append(rec.finish());
    ++m_records;
}

std::uint32_t EmfRecorderCanvas::allocHandle()
{
    for (size_t i = 1; i < m_refs.size(); ++i)
        if (m_refs[i] == 0)
            return std::uint32_t(i);
    m_refs.push_back(0);
    m_maxHandle = std::max<std::uint32_t>(m_maxHandle, std::uint32_t(m_refs.size() - 1));
    return std::uint32_t(m_refs.size() - 1);
}

void EmfRecorderCanvas::addRef(std::uint32_t h)
{
    if (!(h & STOCK_OBJECT) && h < m_refs.size())
        ++m_refs[h];
}

void EmfRecorderCanvas::release(std::uint32_t h)
{
    if ((h & STOCK_OBJECT) || h >= m_refs.size() || m_refs[h] <= 0)
        return;
    if (--m_refs[h] == 0) {
        Record r(EMR_DELETEOBJECT);
        r.u32(h);
        append(r);
    }
}

// Selects h (already created, or a stock object) and lets the previous
// selection go.
void EmfRecorderCanvas::selectNew(std::uint32_t &slot, std::uint32_t h)
{
    Record r(EMR_SELECTOBJECT);
    r.u32(h);
    append(r);
    std::uint32_t old = slot;
    slot = h;
    addRef(h);
    release(old);
}

void EmfRecorderCanvas::syncPen()
{
    const CanvasPen &p = m_state.pen;
    if (m_emitted.penKnown && m_emitted.penDesc == p)
        return;
    m_emitted.penKnown = true;
    m_emitted.penDesc = p;
    if (p.style == PenStyle::Null) {
        selectNew(m_emitted.pen, STOCK_OBJECT | NULL_PEN);
        return;
    }
    std::uint32_t base = PS_SOLID;
    switch (p.style) {
    case PenStyle::Dash: base = PS_DASH; break;
    case PenStyle::Dot: base = PS_DOT; break;
    case PenStyle::DashDot: base = PS_DASHDOT; break;
    case PenStyle::DashDotDot: base = PS_DASHDOTDOT; break;
    case PenStyle::InsideFrame: base = PS_INSIDEFRAME; break;
    case PenStyle::User: base = PS_USERSTYLE; break;
    default: break;
    }
    const std::uint32_t h = allocHandle();
    if (!p.geometric && p.style != PenStyle::User) {
        Record r(EMR_CREATEPEN);
        r.u32(h);
        r.u32(base);
        r.i32(std::max(0, p.width));
        r.i32(0);
        r.u32(colorRef(p.color));
        append(r);
    } else {
        std::uint32_t style = base | (p.geometric ? PS_GEOMETRIC : PS_COSMETIC);
        if (p.geometric) {
            style |= p.cap == PenEndCap::Square ? PS_ENDCAP_SQUARE : p.cap == PenEndCap::Flat ? PS_ENDCAP_FLAT : PS_ENDCAP_ROUND;
            style |= p.join == PenJoin::Bevel ? PS_JOIN_BEVEL : p.join == PenJoin::Miter ? PS_JOIN_MITER : PS_JOIN_ROUND;
        }
        const QList<int> dashes = p.style == PenStyle::User ? p.dashes.mid(0, 16) : QList<int>();
        Record r(EMR_EXTCREATEPEN);
        r.u32(h);
        r.u32(0); // no brush bitmap
        r.u32(0);
        r.u32(0);
        r.u32(0);
        r.u32(style);
        r.u32(std::uint32_t(std::max(p.geometric ? 1 : 0, p.width)));
        r.u32(BS_SOLID);
        r.u32(colorRef(p.color));
        r.u32(0);
        r.u32(std::uint32_t(dashes.size()));
        for (int d : dashes)
            r.u32(std::uint32_t(std::max(0, d)));
        append(r);
    }
    // Created objects start with no reference; selecting adds one.
    selectNew(m_emitted.pen, h);
}

void EmfRecorderCanvas::syncBrush()
{
    const CanvasBrush &b = m_state.brush;
    if (m_emitted.brushKnown && m_emitted.brushDesc == b)
        return;
    m_emitted.brushKnown = true;
    m_emitted.brushDesc = b;
    if (b.style == BrushStyle::Clear) {
        selectNew(m_emitted.brush, STOCK_OBJECT | NULL_BRUSH);
        return;
    }
    if (b.style == BrushStyle::Pattern && !b.pattern.isNull()) {
        QByteArray header, bits;
        makeDib(b.pattern, false, header, bits);
        const std::uint32_t h = allocHandle();
        Record r(EMR_CREATEDIBPATTERNBRUSHPT);
        r.u32(h);
        r.u32(DIB_RGB_COLORS);
        r.u32(32);
        r.u32(std::uint32_t(header.size()));
        r.u32(std::uint32_t(32 + header.size()));
        r.u32(std::uint32_t(bits.size()));
        r.bytes(header);
        r.bytes(bits);
        append(r);
        selectNew(m_emitted.brush, h);
        return;
    }
    std::uint32_t style = BS_SOLID, hatch = 0;
    switch (b.style) {
    case BrushStyle::Horizontal: style = BS_HATCHED; hatch = HS_HORIZONTAL; break;
    case BrushStyle::Vertical: style = BS_HATCHED; hatch = HS_VERTICAL; break;
    case BrushStyle::FDiagonal: style = BS_HATCHED; hatch = HS_FDIAGONAL; break;
    case BrushStyle::BDiagonal: style = BS_HATCHED; hatch = HS_BDIAGONAL; break;
    case BrushStyle::Cross: style = BS_HATCHED; hatch = HS_CROSS; break;
    case BrushStyle::DiagCross: style = BS_HATCHED; hatch = HS_DIAGCROSS; break;
    default: break;
    }
    const std::uint32_t h = allocHandle();
    Record r(EMR_CREATEBRUSHINDIRECT);
    r.u32(h);
    r.u32(style);
    r.u32(colorRef(b.color));
    r.u32(hatch);
    append(r);
    selectNew(m_emitted.brush, h);
}

void EmfRecorderCanvas::syncFont()
{
    const CanvasFont &f = m_state.font;
    if (m_emitted.fontKnown && m_emitted.fontDesc == f)
        return;
    m_emitted.fontKnown = true;
    m_emitted.fontDesc = f;
    const std::uint32_t h = allocHandle();
    Record r(EMR_EXTCREATEFONTINDIRECTW);
    r.u32(h);
    // LOGFONTW
    r.i32(f.height);
    r.i32(f.width);
    r.i32(f.escapement);
    r.i32(f.orientation);
    r.i32(f.weight);
    r.u8(f.italic ? 1 : 0);
    r.u8(f.underline ? 1 : 0);
    r.u8(f.strikeOut ? 1 : 0);
    r.u8(f.charset);
    r.u8(0); // OUT_DEFAULT_PRECIS
    r.u8(0); // CLIP_DEFAULT_PRECIS
    r.u8(0); // DEFAULT_QUALITY
    r.u8(f.pitchAndFamily);
    auto wstr = [&r](const QString &s, int chars) {
        for (int i = 0; i < chars; ++i)
            r.i16(i < s.size() && i < chars - 1 ? std::int16_t(s.at(i).unicode()) : 0);
    };
    wstr(f.name, 32);
    // The rest of the panose form: full name, style, version... left empty.
    wstr(QString(), 64);
    wstr(QString(), 32);
    for (int i = 0; i < 6; ++i)
        r.u32(0);
    for (int i = 0; i < 12; ++i)
        r.u8(0);
    append(r);
    selectNew(m_emitted.font, h);
}

void EmfRecorderCanvas::syncValues(bool text)
{
    auto value = [this](std::uint32_t type, std::uint32_t v) {
        Record r(type);
        r.u32(v);
        append(r);
    };
    if (m_state.bkMode != m_emitted.bkMode) {
        m_emitted.bkMode = m_state.bkMode;
        value(EMR_SETBKMODE, std::uint32_t(m_state.bkMode));
    }
    if (m_state.bkColor != m_emitted.bkColor) {
        m_emitted.bkColor = m_state.bkColor;
        value(EMR_SETBKCOLOR, colorRef(m_state.bkColor));
    }
    if (m_state.polyFillMode != m_emitted.fillMode) {
        m_emitted.fillMode = m_state.polyFillMode;
        value(EMR_SETPOLYFILLMODE, std::uint32_t(m_state.polyFillMode));
    }
    if (m_state.pen.mode != m_emitted.rop2) {
        m_emitted.rop2 = m_state.pen.mode;
        value(EMR_SETROP2, rop2Of(m_state.pen.mode));
    }
    if (text) {
        if (m_state.textColor != m_emitted.textColor) {
            m_emitted.textColor = m_state.textColor;
            value(EMR_SETTEXTCOLOR, colorRef(m_state.textColor));
        }
        if (m_state.textAlign != m_emitted.textAlign) {
            m_emitted.textAlign = m_state.textAlign;
            value(EMR_SETTEXTALIGN, m_state.textAlign);
        }
    }
}

void EmfRecorderCanvas::prepare(bool pen, bool brush, bool text)
{
    syncValues(text);
    if (pen)
        syncPen();
    if (brush)
        syncBrush();
    if (text)
        syncFont();
}

QRect EmfRecorderCanvas::drawnBounds(const QRectF &logical, bool withPen) const
{
    QRectF l = logical.normalized();
    if (withPen && m_state.pen.style != PenStyle::Null) {
        double h = std::max(1, m_state.pen.width) / 2.0 + 1;
        l.adjust(-h, -h, h, h);
    }
    QRectF d = m_state.world.mapRect(l);
    if (!std::isfinite(d.left()) || !std::isfinite(d.right()) || !std::isfinite(d.top()) || !std::isfinite(d.bottom()))
        return QRect();
    auto clampI = [](double v) { return int(std::clamp(v, -1e9, 1e9)); };
    return QRect(QPoint(clampI(std::floor(d.left())), clampI(std::floor(d.top()))),
                 QPoint(clampI(std::ceil(d.right())), clampI(std::ceil(d.bottom()))));
}

void EmfRecorderCanvas::addBounds(const QRect &r)
{
    if (r.isNull() || !r.isValid())
        return;
    QRect c = r;
    if (m_state.clip)
        c = c.intersected(m_state.clip->boundingRect().adjusted(0, 0, 0, 0));
    if (c.isEmpty())
        return;
    m_bounds = m_bounds.isNull() ? c : m_bounds.united(c);
}

void EmfRecorderCanvas::writeBoundsAndPoints(std::uint32_t type16, std::uint32_t type32, std::span<const TPoint> pts,
                                             bool withPen)
{
    QRectF lb;
    if (!pts.empty()) {
        int l = pts[0].X, t = pts[0].Y, r = l, b = t;
        for (const TPoint &p : pts) {
            l = std::min(l, p.X), r = std::max(r, p.X);
            t = std::min(t, p.Y), b = std::max(b, p.Y);
        }
        lb = QRectF(QPointF(l, t), QPointF(r, b));
    }
    QRect db = drawnBounds(lb, withPen);
    addBounds(db);
    const bool small = fits16(pts);
    Record rec(small ? type16 : type32);
    rec.rect(db);
    rec.u32(std::uint32_t(pts.size()));
    for (const TPoint &p : pts) {
        if (small) {
            rec.i16(std::int16_t(p.X));
            rec.i16(std::int16_t(p.Y));
        } else {
            rec.i32(p.X);
            rec.i32(p.Y);
        }
    }
    append(rec);
}

// ---- state ----

int EmfRecorderCanvas::SaveDC()
{
    if (active()) {
        Record r(EMR_SAVEDC);
        append(r);
        m_emittedSaved.push_back(m_emitted);
        addRef(m_emitted.pen);
        addRef(m_emitted.brush);
        addRef(m_emitted.font);
    }
    return Canvas::SaveDC();
}

bool EmfRecorderCanvas::RestoreDC(int level)
{
    const int depth = SavedDepth();
    const int index = level < 0 ? depth + level : level - 1;
    if (!Canvas::RestoreDC(level))
        return false;
    if (!active() || index >= int(m_emittedSaved.size()))
        return true;
    Record r(EMR_RESTOREDC);
    r.i32(index - depth);
    append(r);
    // The selections of the dropped states (and the current one) go.
    Emitted current = m_emitted;
    m_emitted = m_emittedSaved[size_t(index)];
    std::vector<Emitted> dropped(m_emittedSaved.begin() + index + 1, m_emittedSaved.end());
    m_emittedSaved.resize(size_t(index));
    release(current.pen);
    release(current.brush);
    release(current.font);
    for (const Emitted &e : dropped) {
        release(e.pen);
        release(e.brush);
        release(e.font);
    }
    return true;
}

void EmfRecorderCanvas::IntersectClipRect(const TRect &r)
{
    Canvas::IntersectClipRect(r);
    if (!active())
        return;
    Record rec(EMR_INTERSECTCLIPRECT);
    rec.rectl(r.Normalized());
    append(rec);
}

void EmfRecorderCanvas::ExcludeClipRect(const TRect &r)
{
    Canvas::ExcludeClipRect(r);
    if (!active())
        return;
    Record rec(EMR_EXCLUDECLIPRECT);
    rec.rectl(r.Normalized());
    append(rec);
}

void EmfRecorderCanvas::SelectClipRegion(const QRegion *rgn, ClipMode mode)
{
    if (!rgn && mode != ClipMode::Copy)
        return;
    Canvas::SelectClipRegion(rgn, mode);
    if (!active())
        return;
    Record rec(EMR_EXTSELECTCLIPRGN);
    if (!rgn) {
        rec.u32(0);
        rec.u32(std::uint32_t(mode));
    } else {
        const int n = int(rgn->rectCount());
        rec.u32(std::uint32_t(32 + 16 * n));
        rec.u32(std::uint32_t(mode));
        rec.u32(32); // RGNDATAHEADER
        rec.u32(1);  // RDH_RECTANGLES
        rec.u32(std::uint32_t(n));
        rec.u32(std::uint32_t(16 * n));
        QRect b = rgn->boundingRect();
        rec.rectl(TRect::fromQRect(b));
        for (const QRect &q : *rgn)
            rec.rectl(TRect::fromQRect(q));
    }
    append(rec);
}

void EmfRecorderCanvas::SetWorldTransform(const QTransform &t)
{
    QTransform before = WorldTransform();
    Canvas::SetWorldTransform(t);
    if (!active() || (WorldTransform() == before && !(t == before)))
        return;
    XForm x = XForm::fromQTransform(WorldTransform());
    Record rec(EMR_SETWORLDTRANSFORM);
    rec.f32(x.eM11);
    rec.f32(x.eM12);
    rec.f32(x.eM21);
    rec.f32(x.eM22);
    rec.f32(x.eDx);
    rec.f32(x.eDy);
    append(rec);
}

void EmfRecorderCanvas::ModifyWorldTransform(const QTransform &t, int mode)
{
    QTransform before = WorldTransform();
    Canvas::ModifyWorldTransform(t, mode);
    if (!active())
        return;
    QTransform expected = mode == MWT_IDENTITY       ? QTransform()
                          : mode == MWT_LEFTMULTIPLY ? t * before
                          : mode == MWT_RIGHTMULTIPLY ? before * t
                                                      : before;
    if (!(WorldTransform() == expected))
        return; // refused by the canvas
    XForm x = XForm::fromQTransform(t);
    Record rec(EMR_MODIFYWORLDTRANSFORM);
    rec.f32(x.eM11);
    rec.f32(x.eM12);
    rec.f32(x.eM21);
    rec.f32(x.eM22);
    rec.f32(x.eDx);
    rec.f32(x.eDy);
    rec.u32(std::uint32_t(mode));
    append(rec);
}

// ---- drawing ----

void EmfRecorderCanvas::MoveTo(int x, int y)
{
    Canvas::MoveTo(x, y);
    if (!active())
        return;
    Record r(EMR_MOVETOEX);
    r.i32(x);
    r.i32(y);
    append(r);
}

void EmfRecorderCanvas::LineTo(int x, int y)
{
    if (active()) {
        prepare(true, false);
        addBounds(drawnBounds(QRectF(QPointF(m_state.penPos.X, m_state.penPos.Y), QPointF(x, y)), true));
        Record r(EMR_LINETO);
        r.i32(x);
        r.i32(y);
        append(r);
    }
    m_state.penPos = TPoint(x, y);
}

void EmfRecorderCanvas::Polyline(std::span<const TPoint> points)
{
    if (!active() || points.size() < 2)
        return;
    prepare(true, false);
    writeBoundsAndPoints(EMR_POLYLINE16, EMR_POLYLINE, points, true);
}

void EmfRecorderCanvas::PolyBezier(std::span<const TPoint> points)
{
    if (!active() || points.size() < 4)
        return;
    prepare(true, false);
    writeBoundsAndPoints(EMR_POLYBEZIER16, EMR_POLYBEZIER, points.first(1 + (points.size() - 1) / 3 * 3), true);
}

void EmfRecorderCanvas::Polygon(std::span<const TPoint> points)
{
    if (!active() || points.size() < 2)
        return;
    prepare(true, true);
    writeBoundsAndPoints(EMR_POLYGON16, EMR_POLYGON, points, true);
}

void EmfRecorderCanvas::PolyPolygon(std::span<const TPoint> points, std::span<const int> counts)
{
    if (!active())
        return;
    std::vector<int> valid;
    size_t total = 0;
    for (int c : counts) {
        if (c < 0 || total + size_t(c) > points.size())
            break;
        valid.push_back(c);
        total += size_t(c);
    }
    if (valid.empty() || total == 0)
        return;
    prepare(true, true);
    std::span<const TPoint> used = points.first(total);
    int l = used[0].X, t = used[0].Y, r = l, b = t;
    for (const TPoint &p : used) {
        l = std::min(l, p.X), r = std::max(r, p.X);
        t = std::min(t, p.Y), b = std::max(b, p.Y);
    }
    QRect db = drawnBounds(QRectF(QPointF(l, t), QPointF(r, b)), true);
    addBounds(db);
    const bool small = fits16(used);
    Record rec(small ? EMR_POLYPOLYGON16 : EMR_POLYPOLYGON);
    rec.rect(db);
    rec.u32(std::uint32_t(valid.size()));
    rec.u32(std::uint32_t(total));
    for (int c : valid)
        rec.u32(std::uint32_t(c));
    for (const TPoint &p : used) {
        if (small) {
            rec.i16(std::int16_t(p.X));
            rec.i16(std::int16_t(p.Y));
        } else {
            rec.i32(p.X);
            rec.i32(p.Y);
        }
    }
    append(rec);
}

void EmfRecorderCanvas::shapeRecord(std::uint32_t type, const TRect &r, const QList<std::int32_t> &extra, bool fill)
{
    if (!active())
        return;
    prepare(true, fill);
    addBounds(drawnBounds(r.toQRectF(), true));
    Record rec(type);
    rec.rectl(r);
    for (std::int32_t v : extra)
        rec.i32(v);
    append(rec);
}

void EmfRecorderCanvas::Rectangle(const TRect &r) { shapeRecord(EMR_RECTANGLE, r, {}, true); }
void EmfRecorderCanvas::RoundRect(const TRect &r, int w, int h) { shapeRecord(EMR_ROUNDRECT, r, {w, h}, true); }
void EmfRecorderCanvas::Ellipse(const TRect &r) { shapeRecord(EMR_ELLIPSE, r, {}, true); }
void EmfRecorderCanvas::Arc(const TRect &r, TPoint s, TPoint e) { shapeRecord(EMR_ARC, r, {s.X, s.Y, e.X, e.Y}, false); }
void EmfRecorderCanvas::Pie(const TRect &r, TPoint s, TPoint e) { shapeRecord(EMR_PIE, r, {s.X, s.Y, e.X, e.Y}, true); }
void EmfRecorderCanvas::Chord(const TRect &r, TPoint s, TPoint e) { shapeRecord(EMR_CHORD, r, {s.X, s.Y, e.X, e.Y}, true); }

void EmfRecorderCanvas::FillRect(const TRect &r)
{
    // Written as a rectangle without outline, one unit larger to the right
    // and bottom since a rectangle without pen leaves those edges out.
    TRect n = r.Normalized();
    if (!active() || n.IsEmpty() || m_state.brush.style == BrushStyle::Clear)
        return;
    CanvasPen saved = m_state.pen;
    m_state.pen.style = PenStyle::Null;
    m_state.pen.mode = PenMode::Copy;
    shapeRecord(EMR_RECTANGLE, TRect(n.Left, n.Top, n.Right + 1, n.Bottom + 1), {}, true);
    m_state.pen = saved;
}

void EmfRecorderCanvas::FrameRect(const TRect &r)
{
    TRect n = r.Normalized();
    if (!active() || n.IsEmpty() || m_state.brush.style == BrushStyle::Clear)
        return;
    FillRect(TRect(n.Left, n.Top, n.Right, n.Top + 1));
    FillRect(TRect(n.Left, n.Bottom - 1, n.Right, n.Bottom));
    FillRect(TRect(n.Left, n.Top, n.Left + 1, n.Bottom));
    FillRect(TRect(n.Right - 1, n.Top, n.Right, n.Bottom));
}

void EmfRecorderCanvas::DrawPath(const QPainterPath &path, bool stroke, bool fill)
{
    if (!active() || path.isEmpty() || (!stroke && !fill))
        return;
    prepare(stroke, fill);
    auto ri = [](double v) { return std::int32_t(std::clamp(std::nearbyint(v), -1e9, 1e9)); };
    Record begin(EMR_BEGINPATH);
    append(begin);
    QPointF subStart, last;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            Record r(EMR_MOVETOEX);
            r.i32(ri(e.x));
            r.i32(ri(e.y));
            append(r);
            subStart = last = QPointF(e.x, e.y);
        } else if (e.isLineTo()) {
            Record r(EMR_LINETO);
            r.i32(ri(e.x));
            r.i32(ri(e.y));
            append(r);
            last = QPointF(e.x, e.y);
            if (last == subStart) {
                Record c(EMR_CLOSEFIGURE);
                append(c);
            }
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            const QPainterPath::Element c1 = path.elementAt(i + 1), c2 = path.elementAt(i + 2);
            TPoint pts[3] = {TPoint(ri(e.x), ri(e.y)), TPoint(ri(c1.x), ri(c1.y)), TPoint(ri(c2.x), ri(c2.y))};
            Record r(fits16(pts) ? EMR_POLYBEZIERTO16 : EMR_POLYBEZIERTO);
            r.rect(QRect());
            r.u32(3);
            for (const TPoint &p : pts) {
                if (fits16(pts)) {
                    r.i16(std::int16_t(p.X));
                    r.i16(std::int16_t(p.Y));
                } else {
                    r.i32(p.X);
                    r.i32(p.Y);
                }
            }
            append(r);
            i += 2;
            last = QPointF(c2.x, c2.y);
        }
    }
    Record end(EMR_ENDPATH);
    append(end);
    QRect db = drawnBounds(path.boundingRect(), stroke);
    addBounds(db);
    Record op(stroke && fill ? EMR_STROKEANDFILLPATH : stroke ? EMR_STROKEPATH : EMR_FILLPATH);
    op.rect(db);
    append(op);
}

void EmfRecorderCanvas::ExtTextOut(int x, int y, unsigned options, const TRect *rect, const QString &text,
                                   std::span<const int> dx)
{
    TextPlacement tp = PlaceText(x, y, text, dx);
    if (active()) {
        prepare(false, false, true);
        // Every character carries its advance so that other players place it as we did.
        QList<int> adv = CharAdvances(text);
        for (size_t i = 0; i < dx.size() && i < size_t(text.size()); ++i)
            adv[qsizetype(i)] = dx[i];
        QTransform rot;
        rot.translate(tp.origin.x(), tp.origin.y());
        rot.rotate(-tp.angle);
        QRectF box = rot.mapRect(QRectF(0, -tp.ascent, tp.width, tp.ascent + tp.descent));
        if (rect) {
            if (options & ETO_CLIPPED)
                box = box.intersected(rect->Normalized().toQRectF());
            if (options & ETO_OPAQUE)
                box = box.united(rect->Normalized().toQRectF());
        }
        QRect db = drawnBounds(box, false);
        addBounds(db);
        Record r(EMR_EXTTEXTOUTW);
        r.rect(db);
        r.u32(m_state.world.isIdentity() ? GM_COMPATIBLE : GM_ADVANCED);
        r.f32(0);
        r.f32(0);
        r.i32(x);
        r.i32(y);
        r.u32(std::uint32_t(text.size()));
        const std::uint32_t offString = 76;
        const std::uint32_t strBytes = std::uint32_t((text.size() * 2 + 3) / 4 * 4);
        r.u32(offString);
        r.u32(options & (ETO_OPAQUE | ETO_CLIPPED | ETO_RTLREADING));
        r.rectl(rect ? *rect : TRect());
        r.u32(offString + strBytes);
        for (QChar c : text)
            r.i16(std::int16_t(c.unicode()));
        r.pad();
        for (int v : adv)
            r.i32(v);
        append(r);
    }
    if (m_state.textAlign & TA_UPDATECP) {
        const double a = tp.angle * M_PI / 180.0;
        double sign = (m_state.textAlign & TA_CENTER) == TA_CENTER ? 0 : (m_state.textAlign & TA_RIGHT) ? -1 : 1;
        auto sat = [](double v) { return SaturatedInt((long long)std::clamp(std::nearbyint(v), -4e9, 4e9)); };
        m_state.penPos = TPoint(sat(m_state.penPos.X + sign * tp.width * std::cos(a)),
                                sat(m_state.penPos.Y - sign * tp.width * std::sin(a)));
    }
}

void EmfRecorderCanvas::StretchDIBits(const TRect &dest, const QImage &image, const TRect &src, std::uint32_t rop)
{
    if (!active() || dest.Width() == 0 || dest.Height() == 0)
        return;
    TRect s = src.Normalized().Intersect(TRect(0, 0, image.width(), image.height()));
    const bool noSource = rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY || rop == DSTINVERT;
    if (!noSource && (image.isNull() || s.IsEmpty()))
        return;
    syncValues(false);
    if (rop == PATCOPY)
        syncBrush();
    QRect db = drawnBounds(dest.toQRectF(), false);
    addBounds(db);
    if (noSource) {
        // Pattern and constant operations are a bit-block transfer without source.
        TRect d = dest.Normalized();
        Record r(EMR_BITBLT);
        r.rect(db);
        r.i32(d.Left);
        r.i32(d.Top);
        r.i32(d.Width());
        r.i32(d.Height());
        r.u32(rop);
        r.i32(0);
        r.i32(0);
        const XForm id;
        r.f32(id.eM11);
        r.f32(id.eM12);
        r.f32(id.eM21);
        r.f32(id.eM22);
        r.f32(id.eDx);
        r.f32(id.eDy);
        r.u32(0);
        r.u32(DIB_RGB_COLORS);
        for (int i = 0; i < 4; ++i)
            r.u32(0);
        append(r);
        return;
    }
    QByteArray header, bits;
    {
        QImage part = image.copy(s.toQRect());
        if ((dest.Width() < 0) != (src.Width() < 0) || (dest.Height() < 0) != (src.Height() < 0))
            part = part.mirrored((dest.Width() < 0) != (src.Width() < 0), (dest.Height() < 0) != (src.Height() < 0));
        makeDib(part, false, header, bits);
    }
    TRect d = dest.Normalized();
    Record r(EMR_STRETCHDIBITS);
    r.rect(db);
    r.i32(d.Left);
    r.i32(d.Top);
    r.i32(0);
    r.i32(0);
    r.i32(s.Width());
    r.i32(s.Height());
    const std::uint32_t offBmi = 80;
    r.u32(offBmi);
    r.u32(std::uint32_t(header.size()));
    r.u32(offBmi + std::uint32_t(header.size()));
    r.u32(std::uint32_t(bits.size()));
    r.u32(DIB_RGB_COLORS);
    r.u32(rop);
    r.i32(d.Width());
    r.i32(d.Height());
    r.bytes(header);
    r.bytes(bits);
    append(r);
}

void EmfRecorderCanvas::AlphaBlend(const TRect &dest, const QImage &image, const TRect &src, int constantAlpha,
                                   bool perPixelAlpha)
{
    if (!active() || image.isNull() || dest.IsEmpty() || constantAlpha <= 0)
        return;
    TRect s = src.Normalized().Intersect(TRect(0, 0, image.width(), image.height()));
    if (s.IsEmpty())
        return;
    syncValues(false);
    QRect db = drawnBounds(dest.toQRectF(), false);
    addBounds(db);
    QByteArray header, bits;
    QImage part = image.copy(s.toQRect());
    if (!perPixelAlpha)
        part = part.convertToFormat(QImage::Format_RGB32);
    makeDib(part, true, header, bits);
    Record r(EMR_ALPHABLEND);
    r.rect(db);
    r.i32(dest.Left);
    r.i32(dest.Top);
    r.i32(dest.Width());
    r.i32(dest.Height());
    // BLENDFUNCTION: source-over, flags 0, constant alpha, alpha format.
    r.u32(std::uint32_t(std::min(constantAlpha, 255)) << 16 | std::uint32_t(perPixelAlpha ? AC_SRC_ALPHA : 0) << 24);
    r.i32(0);
    r.i32(0);
    const XForm id;
    r.f32(id.eM11);
    r.f32(id.eM12);
    r.f32(id.eM21);
    r.f32(id.eM22);
    r.f32(id.eDx);
    r.f32(id.eDy);
    r.u32(0);
    r.u32(DIB_RGB_COLORS);
    const std::uint32_t offBmi = 108;
    r.u32(offBmi);
    r.u32(std::uint32_t(header.size()));
    r.u32(offBmi + std::uint32_t(header.size()));
    r.u32(std::uint32_t(bits.size()));
    r.i32(s.Width());
    r.i32(s.Height());
    r.bytes(header);
    r.bytes(bits);
    append(r);
}

QByteArray EmfRecorderCanvas::finish()
{
    if (m_finished)
        return m_data;
    // Leave every saved state so the playing device ends where it began.
    if (SavedDepth() > 0)
        RestoreDC(1);
    Record eof(EMR_EOF);
    eof.u32(0);  // nPalEntries
    eof.u32(16); // offPalEntries
    eof.u32(20); // nSizeLast
    append(eof);

    const int ppi = LogPixelsX();
    Record h(EMR_HEADER);
    const QRect bounds = m_bounds.isNull() ? QRect(QPoint(0, 0), QPoint(-1, -1)) : m_bounds;
    h.rect(bounds);
    // Frame in 0.01 mm: the picture's own size.
    h.i32(0);
    h.i32(0);
    h.i32(std::int32_t(std::nearbyint(m_width * 2540.0 / ppi)));
    h.i32(std::int32_t(std::nearbyint(m_height * 2540.0 / ppi)));
    h.u32(ENHMETA_SIGNATURE);
    h.u32(0x10000);
    const qsizetype nBytesAt = h.size();
    h.u32(0); // nBytes, patched
    h.u32(m_records + 1);
    h.i16(std::int16_t(std::min<std::uint32_t>(m_maxHandle + 1, 0xFFFF)));
    h.i16(0);
    const qsizetype descAt = h.size();
    h.u32(std::uint32_t(m_description.size()));
    h.u32(0); // offDescription, patched
    h.u32(0); // nPalEntries
    // Reference device: 20 inches square at the canvas resolution.
    h.i32(20 * ppi);
    h.i32(20 * ppi);
    h.i32(508);
    h.i32(508);
    h.u32(0); // cbPixelFormat
    h.u32(0); // offPixelFormat
    h.u32(0); // bOpenGL
    h.i32(508000);
    h.i32(508000);
    if (!m_description.isEmpty()) {
        h.patch32(descAt + 4, std::uint32_t(h.size()));
        for (QChar c : m_description)
            h.i16(std::int16_t(c.unicode()));
    }
    QByteArray header = h.finish();
    ++m_records;
    QByteArray all = header + m_data;
    qToLittleEndian(std::uint32_t(all.size()), all.data() + nBytesAt);
    m_data = all;
    m_finished = true;
    return m_data;
}
