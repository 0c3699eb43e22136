#include "export/pdf/emf/vdxEMFAbstractExport.h"

#include "export/pdf/vdxExportPDFHelpers.h"
#include "platform/EmfPlayer.h"
#include "platform/EmfRecords.h"

#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

// ---- record objects ---------------------------------------------------------------------

uint32_t TEnhMetaObj::U32(qint64 offset) const
{
    return Has(offset, 4) ? qFromLittleEndian<quint32>(FP.constData() + offset) : 0;
}

uint16_t TEnhMetaObj::U16(qint64 offset) const
{
    return Has(offset, 2) ? qFromLittleEndian<quint16>(FP.constData() + offset) : 0;
}

float TEnhMetaObj::F32(qint64 offset) const
{
    const uint32_t u = U32(offset);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

QByteArray TEnhMetaObj::Bytes(qint64 offset, qint64 length) const
{
    if (offset < 0 || length <= 0 || offset >= FP.size())
        return QByteArray();
    return FP.mid(offset, std::min<qint64>(length, FP.size() - offset));
}

QImage TEnhMetaObj::Bitmap(qint64 offBmiField, qint64 offBitsField, uint32_t usage, bool alpha) const
{
    const QByteArray bmi = Bytes(U32(offBmiField), U32(offBmiField + 4));
    const QByteArray bits = Bytes(U32(offBitsField), U32(offBitsField + 4));
    if (bmi.isEmpty() || bits.isEmpty())
        return QImage();
    return DecodeMetafileDib(bmi, bits, usage, alpha);
}

QString TEnhMetaObj::WideString(qint64 offset, qint64 count) const
{
    QString s;
    for (qint64 i = 0; i < count && Has(offset + 2 * i, 2); ++i)
        s.append(QChar(U16(offset + 2 * i)));
    return s;
}

// ---- stock objects ----------------------------------------------------------------------

namespace {

QByteArray le(std::initializer_list<uint32_t> words)
{
    QByteArray b;
    for (uint32_t w : words)
        for (int i = 0; i < 4; ++i)
            b.append(char((w >> (8 * i)) & 0xFF));
    return b;
}

std::vector<std::unique_ptr<TEnhMetaObj>> makeStock()
{
    std::vector<std::unique_ptr<TEnhMetaObj>> t(20);
    auto brush = [&](uint32_t n, uint32_t style, uint32_t colour) {
        t[n] = std::make_unique<TEnhMetaObj>(le({emf::EMR_CREATEBRUSHINDIRECT, 24, 0x80000000u + n, style, colour, 0}));
    };
    auto pen = [&](uint32_t n, uint32_t style, uint32_t colour) {
        t[n] = std::make_unique<TEnhMetaObj>(le({emf::EMR_CREATEPEN, 28, 0x80000000u + n, style, 1, 1, colour}));
    };
    auto font = [&](uint32_t n, const char *face, uint32_t charset) {
        QByteArray b = le({emf::EMR_EXTCREATEFONTINDIRECTW, 332, 0x80000000u + n, 12, 0, 0, 0, 400, 0, 0});
        b[35] = char(charset);
        QByteArray name(64, '\0');
        for (int i = 0; face[i]; ++i)
            name[2 * i] = face[i];
        b += name;
        b.resize(332, '\0');
        t[n] = std::make_unique<TEnhMetaObj>(b);
    };
    brush(0, 0, 0xFFFFFF);
    brush(1, 0, 0xC0C0C0);
    brush(2, 0, 0x808080);
    brush(3, 0, 0x404040);
    brush(4, 0, 0);
    brush(5, 1, 0);
    brush(18, 0, 0xFFFFFF);
    pen(6, 0, 0xFFFFFF);
    pen(7, 0, 0);
    pen(8, 5, 0);
    pen(19, 0, 0);
    t[15] = std::make_unique<TEnhMetaObj>(le({emf::EMR_CREATEPALETTE, 16, 0x8000000Fu, 0x300}));
    font(10, "Terminal", 255);
    font(11, "Courier", 0);
    font(12, "Serif", 0);
    font(13, "System", 1);
    font(14, "System", 1);
    font(16, "Fixedsys", 1);
    font(17, "Serif", 1);
    return t;
}

const std::vector<std::unique_ptr<TEnhMetaObj>> &stockTable()
{
    static const std::vector<std::unique_ptr<TEnhMetaObj>> t = makeStock();
    return t;
}

} // namespace

bool IsStockObject(uint32_t handle) { return handle >= 0x80000000u && handle <= 0x80000013u; }

const TEnhMetaObj *GetStockRecord(uint32_t handle)
{
    return IsStockObject(handle) ? stockTable()[handle - 0x80000000u].get() : nullptr;
}

TXForm MultiplyXForm(const TXForm &a, const TXForm &b)
{
    using L = long double;
    TXForm r;
    r.eM11 = float(L(a.eM11) * b.eM11 + L(a.eM12) * b.eM21);
    r.eM12 = float(L(a.eM11) * b.eM12 + L(a.eM12) * b.eM22);
    r.eM21 = float(L(a.eM21) * b.eM11 + L(a.eM22) * b.eM21);
    r.eM22 = float(L(a.eM21) * b.eM12 + L(a.eM22) * b.eM22);
    r.eDx = float(L(a.eDx) * b.eM11 + L(a.eDy) * b.eM21 + b.eDx);
    r.eDy = float(L(a.eDx) * b.eM12 + L(a.eDy) * b.eM22 + b.eDy);
    return r;
}

// ---- device context ---------------------------------------------------------------------

uint32_t TDeviceContext::LogPenStyle() const
{
    const TEnhMetaObj *p = FData.Pen;
    if (!p)
        return 0x2200;
    return p->iType() == emf::EMR_CREATEPEN ? p->U32(12) : p->U32(28);
}

double TDeviceContext::PenWidth() const
{
    const TEnhMetaObj *p = FData.Pen;
    if (!p)
        return 1;
    return p->iType() == emf::EMR_CREATEPEN ? p->I32(16) : double(p->U32(32));
}

uint32_t TDeviceContext::PenColor() const
{
    const TEnhMetaObj *p = FData.Pen;
    if (!p)
        return 0;
    return p->iType() == emf::EMR_CREATEPEN ? p->U32(24) : p->U32(40);
}

float TDeviceContext::MiterLimit() const
{
    float f;
    std::memcpy(&f, &FData.MiterLimitBits, 4);
    if (std::isnan(f) || f < 1)
        return float(int32_t(FData.MiterLimitBits));
    return f;
}

uint32_t TDeviceContext::BrushStyle() const
{
    const TEnhMetaObj *b = FData.Brush;
    return b && b->iType() == emf::EMR_CREATEBRUSHINDIRECT ? b->U32(12) : 0;
}

uint32_t TDeviceContext::BrushHatch() const
{
    const TEnhMetaObj *b = FData.Brush;
    return b && b->iType() == emf::EMR_CREATEBRUSHINDIRECT ? b->U32(20) : 0;
}

uint32_t TDeviceContext::BrushColor() const
{
    const TEnhMetaObj *b = FData.Brush;
    if (!b || b->iType() != emf::EMR_CREATEBRUSHINDIRECT)
        return 0xFFFFFF;
    if (BrushStyle() == emf::BS_NULL)
        return 0x1FFFFFFF;
    return b->U32(16);
}

QString TDeviceContext::FontFamily() const
{
    if (!FData.Font)
        return QStringLiteral("Serif");
    QString s = FData.Font->WideString(40, 32);
    const qsizetype zero = s.indexOf(QChar(0));
    return zero >= 0 ? s.left(zero) : s;
}

int TDeviceContext::FontSize() const { return FData.Font ? std::abs(FData.Font->I32(12)) : 12; }
int TDeviceContext::FontWeight() const { return FData.Font ? std::abs(FData.Font->I32(28)) : 400; }
int TDeviceContext::FontOrientation() const { return FData.Font ? FData.Font->I32(20) : 0; }
bool TDeviceContext::IsFontHeight() const { return FData.Font && FData.Font->I32(12) > 0; }

void TDeviceContext::Decompose() const
{
    if (FDecomposed)
        return;
    const TXForm &x = FData.XForm;
    const double det = double(x.eM11) * x.eM22 - double(x.eM12) * x.eM21;
    double angle, sy;
    if (std::abs(x.eM22) < 0.0001) {
        angle = std::numbers::pi / 2;
        sy = -x.eM21;
    } else {
        angle = std::atan(-double(x.eM21) / x.eM22);
        sy = x.eM22 / std::cos(angle);
    }
    // A degenerate transform collapses to no scaling rather than dividing by zero.
    const double sx = sy != 0 ? det / sy : 0;
    const double shear = det != 0 ? (double(x.eM11) * x.eM21 + double(x.eM12) * x.eM22) / det : 0;
    FRotationXForm = TXForm{float(std::cos(angle)), float(std::sin(angle)), float(-std::sin(angle)),
                            float(std::cos(angle)), 0, 0};
    FShiftXForm = TXForm{1, float(shear), 0, 1, 0, 0};
    FScaleXForm = TXForm{float(sx), 0, 0, float(sy), 0, 0};
    FDecomposed = true;
}

int TDeviceContext::LineOrientation() const
{
    Decompose();
    const double s = std::clamp(double(FRotationXForm.eM12), -1.0, 1.0);
    return int(std::nearbyint(-std::asin(s) * 180 / std::numbers::pi * 10));
}

QPointF TDeviceContext::XFormScale() const
{
    Decompose();
    return QPointF(FScaleXForm.eM11, FScaleXForm.eM22);
}

void TDeviceContext::SelectHandle(uint32_t index, const std::vector<const TEnhMetaObj *> &objects)
{
    if (IsStockObject(index)) {
        const uint32_t n = index - 0x80000000u;
        const TEnhMetaObj *r = GetStockRecord(index);
        if (n == 6 || n == 7 || n == 8 || n == 19)
            FData.Pen = r;
        else if (n <= 5 || n == 18)
            FData.Brush = r;
        else if ((n >= 10 && n <= 14) || n == 16 || n == 17)
            FData.Font = r;
        else if (n == 15)
            FData.Palette = r;
        return;
    }
    if (index >= objects.size() || !objects[index])
        return;
    const TEnhMetaObj *o = objects[index];
    switch (o->iType()) {
    case 38: case 95: FData.Pen = o; break;
    case 39: case 93: case 94: FData.Brush = o; break;
    case 82: FData.Font = o; break;
    case 49: FData.Palette = o; break;
    case 99: case 122: FData.ColorSpace = o; break;
    default: break;
    }
}

void TDeviceContext::DeselectHandle(uint32_t index)
{
    for (const TEnhMetaObj **slot : {&FData.Pen, &FData.Brush, &FData.Font, &FData.Palette, &FData.ColorSpace}) {
        if (*slot && (*slot)->U32(8) == index) {
            *slot = nullptr;
            return;
        }
    }
}

namespace {
constexpr uint32_t kMaxClipRects = 10000;
} // namespace

// ---- the engine ------------------------------------------------------------------------

TEMFAbstractExport::TEMFAbstractExport(QIODevice &in, QIODevice *out) : FOutStream(out)
{
    if (in.isSequential() || in.seek(0))
        FIn = in.readAll();
    FDC = std::make_unique<TDeviceContext>();
    FDC->Init();
}

TEMFAbstractExport::~TEMFAbstractExport() = default;

void TEMFAbstractExport::PlayMetaFile()
{
    // The subclass's state class is known only now, after construction.
    FDC = CreateDeviceContext();
    FDC->Init();
    FDCList.clear();
    BeforePlay();
    FLastType = 0;
    FPos = 0;
    FStopReason.clear();
    while (FLastType != emf::EMR_EOF && FPos < FIn.size())
        if (!PlayRecord())
            break;
    AfterPlay();
}

bool TEMFAbstractExport::PlayRecord()
{
    FDC->FData.PositionCurrent = FDC->FData.PositionNext;
    FPos = (FPos + 3) & ~qint64(3);
    if (FIn.size() - FPos < 8) {
        if (FPos < FIn.size())
            FStopReason = QStringLiteral("The metafile ends inside a record header at offset %1").arg(FPos);
        FPos = FIn.size();
        return false;
    }
    const uint32_t type = qFromLittleEndian<quint32>(FIn.constData() + FPos);
    const uint32_t size = qFromLittleEndian<quint32>(FIn.constData() + FPos + 4);
    FLastType = type;
    if (size < 8) {
        // A zero size would never move on.
        FStopReason = QStringLiteral("Metafile record at offset %1 has an invalid size (%2)").arg(FPos).arg(size);
        return false;
    }
    const qint64 available = std::min<qint64>(size, FIn.size() - FPos);
    if (type < 1 || type > 122) {
        FPos += available;
        DoUnknownRecord(type, size);
        return true;
    }
    FEMRList.push_back(std::make_unique<TEnhMetaObj>(FIn.mid(FPos, available)));
    FPos += available;
    const TEnhMetaObj &rec = *FEMRList.back();
    ApplyState(rec);
    DoRecord(rec);
    return true;
}

void TEMFAbstractExport::SetObject(uint32_t index, const TEnhMetaObj *obj)
{
    if (index < FObjects.size())
        FObjects[index] = obj;
}

void TEMFAbstractExport::DoHeaderState(const TEnhMetaObj &rec)
{
    FObjects.assign(rec.U16(56), nullptr);
    TDeviceContext::Data &d = FDC->FData;
    d.DeviceTopLeft = QPoint(rec.I32(8), rec.I32(12));
    const double mmX = rec.I32(80), mmY = rec.I32(84);
    d.rTopLeft = QPointF(mmX != 0 ? double(rec.I32(72)) / mmX * rec.I32(24) / 100 : 0,
                         mmY != 0 ? double(rec.I32(76)) / mmY * rec.I32(28) / 100 : 0);
    const double fw = double(rec.I32(32)) - rec.I32(24) + 1, fh = double(rec.I32(36)) - rec.I32(28) + 1;
    d.DeviceDPI = QPointF(fw != 0 ? std::abs((double(rec.I32(16)) - rec.I32(8) + 1) / fw) * 2540 : 0,
                          fh != 0 ? std::abs((double(rec.I32(20)) - rec.I32(12) + 1) / fh) * 2540 : 0);
    if (rec.U32(68) > 0)
        ReadEOFPalette(rec);
}

void TEMFAbstractExport::ReadEOFPalette(const TEnhMetaObj &header)
{
    // The header is the record just read; walk on by the record sizes.
    qint64 pos = FPos - header.Length();
    uint32_t type = header.iType(), size = uint32_t(header.Length());
    while (type != emf::EMR_EOF && pos < FIn.size()) {
        pos = (pos + qint64(size) + 3) & ~qint64(3);
        if (FIn.size() - pos < 8)
            break;
        type = qFromLittleEndian<quint32>(FIn.constData() + pos);
        size = qFromLittleEndian<quint32>(FIn.constData() + pos + 4);
        if (size < 8)
            break;
    }
    if (type != emf::EMR_EOF)
        throw EPDFExportError(QStringLiteral("EMR_EoF not found"));
    const TEnhMetaObj eof(FIn.mid(pos, size));
    const uint32_t n = std::min<uint32_t>(header.U32(68), 65536);
    const uint32_t off = eof.U32(12);
    FDC->FData.EOFPalette.assign(n, 0);
    for (uint32_t i = 0; i < n; ++i)
        FDC->FData.EOFPalette[i] = eof.U32(qint64(off) + 4 * i);
}

void TEMFAbstractExport::ApplyState(const TEnhMetaObj &r)
{
    TDeviceContext::Data &d = FDC->FData;
    const uint32_t t = r.iType();
    auto point = [&](qint64 off) { return QPoint(r.I32(off), r.I32(off + 4)); };
    auto regionOf = [&](qint64 off) {
        // Kept where sums and differences cannot overflow.
        auto c = [&](qint64 o) { return std::clamp<int32_t>(r.I32(o), -(1 << 26), 1 << 26); };
        const int l = c(off), tp = c(off + 4), rt = c(off + 8), b = c(off + 12);
        return QRegion(QRect(QPoint(std::min(l, rt), std::min(tp, b)), QPoint(std::max(l, rt) - 1, std::max(tp, b) - 1)));
    };
    switch (t) {
    case emf::EMR_HEADER: DoHeaderState(r); break;
    case 9: d.WindowExtEx = QSize(r.I32(8), r.I32(12)); break;
    case 10: d.WindowOrgEx = point(8); break;
    case 11: d.ViewPortExtEx = QSize(r.I32(8), r.I32(12)); break;
    case 12: d.ViewPortOrgEx = point(8); break;
    case 13: d.BrushOrgEx = point(8); break;
    case 16: d.MapperFlags = r.U32(8); break;
    case 17: d.MapMode = r.U32(8); break;
    case 18: d.BkMode = r.U32(8); break;
    case 19: d.PolyFillMode = r.U32(8); break;
    case 20: d.SetRop2 = r.U32(8); break;
    case 21: d.StretchMode = r.U32(8); break;
    case 22: d.TextAlignmentMode = r.U32(8); break;
    case 24: d.TextColor = r.U32(8); break;
    case 25: d.BkColor = r.U32(8); break;
    case 57: d.iArcDirection = r.U32(8); break;
    case 58: d.MiterLimitBits = r.U32(8); break;
    case 59: d.IsPathBracketOpened = true; break;
    case 60: case 68: d.IsPathBracketOpened = false; break;
    case 98: d.ICMMode = r.U32(8); break;
    case 115: d.Layout = r.U32(8); break;
    case 5: case 6: {
        const uint32_t n = r.U32(24);
        if (n > 0 && r.Has(28 + 8 * qint64(n - 1), 8))
            d.PositionNext = point(28 + 8 * qint64(n - 1));
        break;
    }
    case 88: case 89: {
        const uint32_t n = r.U32(24);
        if (n > 0 && r.Has(28 + 4 * qint64(n - 1), 4))
            d.PositionNext = QPoint(r.I16(28 + 4 * qint64(n - 1)), r.I16(30 + 4 * qint64(n - 1)));
        break;
    }
    case 27: case 54: d.PositionNext = point(8); break;
    case 55: d.PositionNext = point(32); break;
    case 30: // intersect
        d.ClipRgn = d.ClipRgn ? d.ClipRgn->intersected(regionOf(8)) : regionOf(8);
        break;
    case 29: // exclude
        if (d.ClipRgn)
            d.ClipRgn = d.ClipRgn->subtracted(regionOf(8));
        break;
    case 75: { // ExtSelectClipRgn
        const uint32_t cb = r.U32(8), mode = r.U32(12);
        if (cb == 0) {
            d.ClipRgn.reset();
            break;
        }
        // RGNDATA: header of 32 bytes from 16, then nCount rectangles.
        const uint32_t count = r.U32(24);
        QRegion rgn;
        // Unions grow worse than linearly; no drawing needs more rectangles.
        for (uint32_t i = 0; i < count && i < kMaxClipRects && r.Has(48 + 16 * qint64(i), 16); ++i)
            rgn += regionOf(48 + 16 * qint64(i));
        if (!d.ClipRgn) {
            d.ClipRgn = rgn;
            break;
        }
        switch (mode) {
        case 1: d.ClipRgn = rgn.intersected(*d.ClipRgn); break;
        case 2: d.ClipRgn = rgn.united(*d.ClipRgn); break;
        case 3: d.ClipRgn = rgn.xored(*d.ClipRgn); break;
        case 4: d.ClipRgn = rgn.subtracted(*d.ClipRgn); break;
        case 5: d.ClipRgn = rgn; break;
        default: break;
        }
        break;
    }
    case 26: // offset
        if (d.ClipRgn)
            d.ClipRgn = d.ClipRgn->translated(r.I32(8), r.I32(12));
        break;
    case 28: d.ClipRgn.reset(); break;
    case 31: case 32: {
        if (d.MapMode != 7 && d.MapMode != 8)
            break;
        QSize &ext = t == 31 ? d.ViewPortExtEx : d.WindowExtEx;
        const int32_t xd = r.I32(12), yd = r.I32(20);
        // A zero denominator leaves that extent as it is.
        if (xd != 0)
            ext.setWidth(int(std::nearbyint(double(int32_t(uint32_t(ext.width()) * uint32_t(r.I32(8)))) / xd)));
        if (yd != 0)
            ext.setHeight(int(std::nearbyint(double(int32_t(uint32_t(ext.height()) * uint32_t(r.I32(16)))) / yd)));
        break;
    }
    case emf::EMR_SAVEDC: {
        std::unique_ptr<TDeviceContext> next = CreateDeviceContext();
        next->CopyFrom(*FDC);
        FDCList.push_back(std::move(FDC));
        FDC = std::move(next);
        break;
    }
    case emf::EMR_RESTOREDC:
        for (int32_t rel = r.I32(8); rel < 0 && !FDCList.empty(); ++rel) {
            FDC = std::move(FDCList.back());
            FDCList.pop_back();
        }
        break;
    case 35: {
        FDC->SetXForm(TXForm{r.F32(8), r.F32(12), r.F32(16), r.F32(20), r.F32(24), r.F32(28)});
        break;
    }
    case 36: {
        const TXForm x{r.F32(8), r.F32(12), r.F32(16), r.F32(20), r.F32(24), r.F32(28)};
        switch (r.U32(32)) {
        case 1: FDC->SetXForm(TXForm()); break;
        case 2: FDC->SetXForm(MultiplyXForm(x, FDC->XForm())); break;
        case 3: FDC->SetXForm(MultiplyXForm(FDC->XForm(), x)); break;
        case 4: FDC->SetXForm(x); break;
        default: break;
        }
        break;
    }
    case 38: case 39: case 49: case 82: case 93: case 94: case 95: case 99: case 122:
        SetObject(r.U32(8), &r);
        break;
    case 37: case 48: case 100: FDC->SelectHandle(r.U32(8), FObjects); break;
    case 40: case 101: FDC->DeselectHandle(r.U32(8)); break;
    default: break;
    }
}

double TEMFAbstractExport::LogToDevX(double x) const
{
    const TDeviceContext::Data &d = FDC->FData;
    if (d.MapMode >= 1 && d.MapMode <= 6)
        return x - d.WindowOrgEx.x() + d.ViewPortOrgEx.x();
    const double we = d.WindowExtEx.width() != 0 ? d.WindowExtEx.width() : 1;
    return (x - d.WindowOrgEx.x()) * d.ViewPortExtEx.width() / we + d.ViewPortOrgEx.x() - d.rTopLeft.x();
}

double TEMFAbstractExport::LogToDevY(double y) const
{
    const TDeviceContext::Data &d = FDC->FData;
    if (d.MapMode >= 1 && d.MapMode <= 6)
        return y - d.WindowOrgEx.y() + d.ViewPortOrgEx.y();
    const double we = d.WindowExtEx.height() != 0 ? d.WindowExtEx.height() : 1;
    return (y - d.WindowOrgEx.y()) * d.ViewPortExtEx.height() / we + d.ViewPortOrgEx.y() - d.rTopLeft.y();
}

QPointF TEMFAbstractExport::ApplyWorldTransform(const QPointF &p) const
{
    if (!EnableTransform)
        return p;
    const TXForm &x = FDC->XForm();
    if (ScalingOnly)
        return QPointF(std::abs(x.eM11) * p.x(), std::abs(x.eM22) * p.y());
    return QPointF(p.x() * x.eM11 + p.y() * x.eM21 + x.eDx, p.x() * x.eM12 + p.y() * x.eM22 + x.eDy);
}

double TEMFAbstractExport::LenToDevX(double v) const
{
    const TDeviceContext::Data &d = FDC->FData;
    double k = 1;
    if (!(d.MapMode >= 1 && d.MapMode <= 6) && d.WindowExtEx.width() != 0)
        k = double(d.ViewPortExtEx.width()) / d.WindowExtEx.width();
    return k * std::max(v, 1.0) * FDC->XFormScale().x();
}

double TEMFAbstractExport::LenToDevY(double v) const
{
    const TDeviceContext::Data &d = FDC->FData;
    double k = 1;
    if (!(d.MapMode >= 1 && d.MapMode <= 6) && d.WindowExtEx.height() != 0)
        k = double(d.ViewPortExtEx.height()) / d.WindowExtEx.height();
    return k * std::max(v, 1.0) * FDC->XFormScale().y();
}

double TEMFAbstractExport::LenToDev(double v) const { return (std::abs(LenToDevX(v)) + std::abs(LenToDevY(v))) / 2; }
