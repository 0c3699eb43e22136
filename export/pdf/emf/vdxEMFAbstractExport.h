// Replays an enhanced metafile record by record: keeps every record as a
// record object, keeps the device-context state (mapping, world transform,
// selected objects, clip region, save stack) up to date and hands each
// record to a subclass, which renders it. It draws nothing itself.
#pragma once
#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRegion>
#include <QSize>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// One record's bytes (header included). Reads outside the bytes answer 0,
// so a truncated record can never be read past its end.
class TEnhMetaObj {
public:
    explicit TEnhMetaObj(QByteArray bytes) : FP(std::move(bytes)) {}
    virtual ~TEnhMetaObj() = default;
    uint32_t iType() const { return U32(0); }
    uint32_t nSize() const { return U32(4); }
    qsizetype Length() const { return FP.size(); }
    const QByteArray &Data() const { return FP; }
    bool Has(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset <= FP.size() && length <= FP.size() - offset;
    }
    uint32_t U32(qint64 offset) const;
    int32_t I32(qint64 offset) const { return int32_t(U32(offset)); }
    uint16_t U16(qint64 offset) const;
    int16_t I16(qint64 offset) const { return int16_t(U16(offset)); }
    uint8_t U8(qint64 offset) const { return Has(offset, 1) ? uint8_t(FP[offset]) : 0; }
    float F32(qint64 offset) const;
    // The bytes from offset, cut to what the record holds.
    QByteArray Bytes(qint64 offset, qint64 length) const;
    // The bitmap whose header and bits the fields at the given offsets
    // locate (offBmi, cbBmi, offBits, cbBits); a null image when unusable.
    QImage Bitmap(qint64 offBmiField, qint64 offBitsField, uint32_t usage, bool alpha) const;
    // UTF-16 text of Count units at Offset.
    QString WideString(qint64 offset, qint64 count) const;

private:
    QByteArray FP;
};

// The stock objects (0x80000000 + n, n from 0 to 19; 9 is empty).
bool IsStockObject(uint32_t handle);
const TEnhMetaObj *GetStockRecord(uint32_t handle);

struct TXForm {
    float eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
};
// A then B.
TXForm MultiplyXForm(const TXForm &a, const TXForm &b);

// What the records replayed so far have set. Record objects are shared with
// the engine's list or the stock table; the clip region is the state's own.
class TDeviceContext {
public:
    virtual ~TDeviceContext() = default;
    virtual void Init() { *this = TDeviceContext(); }
    virtual void CopyFrom(const TDeviceContext &source) { FData = source.FData; FDecomposed = false; }

    struct Data {
        QPointF DeviceDPI;
        QPoint DeviceTopLeft;
        QPointF rTopLeft;
        uint32_t Layout = 0;
        uint32_t MapMode = 1;
        QPoint WindowOrgEx, ViewPortOrgEx, BrushOrgEx;
        QSize WindowExtEx{1, 1}, ViewPortExtEx{1, 1};
        const TEnhMetaObj *Pen = nullptr, *Brush = nullptr, *Font = nullptr, *Palette = nullptr,
                          *ColorSpace = nullptr;
        QPoint PositionCurrent, PositionNext;
        uint32_t BkMode = 2;
        uint32_t MiterLimitBits = 0x40800000; // 4.0
        uint32_t BkColor = 0xFFFFFF, TextColor = 0;
        uint32_t SetRop2 = 13, PolyFillMode = 1;
        std::optional<QRegion> ClipRgn; // logical units; none: no clipping
        std::vector<uint32_t> EOFPalette;
        uint32_t StretchMode = 1;
        bool IsPathBracketOpened = false;
        uint32_t TextAlignmentMode = 0, ICMMode = 0, MapperFlags = 0;
        TXForm XForm;
        uint32_t iArcDirection = 1;
    };
    Data FData;

    void SetXForm(const TXForm &x) { FData.XForm = x; FDecomposed = false; }
    const TXForm &XForm() const { return FData.XForm; }

    uint32_t LogPenStyle() const;
    uint32_t PenStyle() const { return LogPenStyle() & 0xF; }
    uint32_t PenEndCap() const { return LogPenStyle() & 0xF00; }
    uint32_t PenLineJoin() const { return LogPenStyle() & 0xF000; }
    double PenWidth() const;
    uint32_t PenColor() const;
    float MiterLimit() const;
    uint32_t BrushStyle() const;
    uint32_t BrushHatch() const;
    uint32_t BrushColor() const; // 0x1FFFFFFF: no colour
    QString FontFamily() const;
    int FontSize() const;
    int FontWeight() const;
    int FontOrientation() const;
    bool IsFontHeight() const;
    // In tenths of a degree.
    int LineOrientation() const;
    QPointF XFormScale() const;
    double XFormAverageScale() const { const QPointF s = XFormScale(); return (s.x() + s.y()) / 2; }

    // EMR_SELECTOBJECT and friends; Objects is the engine's object table.
    void SelectHandle(uint32_t index, const std::vector<const TEnhMetaObj *> &objects);
    // EMR_DELETEOBJECT: the current state lets go of the object.
    void DeselectHandle(uint32_t index);

private:
    void Decompose() const;
    mutable bool FDecomposed = false;
    mutable TXForm FRotationXForm, FShiftXForm, FScaleXForm;
};

class TEMFAbstractExport {
public:
    // In is read from its start to its end; Out is the subclass's (not owned).
    TEMFAbstractExport(QIODevice &in, QIODevice *out);
    virtual ~TEMFAbstractExport();
    TEMFAbstractExport(const TEMFAbstractExport &) = delete;
    TEMFAbstractExport &operator=(const TEMFAbstractExport &) = delete;

    // Replays the whole stream. A header announcing a palette in a stream
    // without EMR_EOF raises EPDFExportError "EMR_EoF not found".
    void PlayMetaFile();

    bool EnableTransform = true;
    bool ScalingOnly = false;

    TDeviceContext &DC() { return *FDC; }
    const TDeviceContext &DC() const { return *FDC; }
    int SavedStates() const { return int(FDCList.size()); }
    const std::vector<const TEnhMetaObj *> &Objects() const { return FObjects; }
    int RecordCount() const { return int(FEMRList.size()); }
    // Why the replay stopped before the end of the stream, or empty.
    const QString &StopReason() const { return FStopReason; }

    // Logical coordinates to reference-device units.
    double LogToDevX(double x) const;
    double LogToDevY(double y) const;
    QPointF ApplyWorldTransform(const QPointF &p) const;
    QPointF LogToDevice(double x, double y) const { return ApplyWorldTransform(QPointF(LogToDevX(x), LogToDevY(y))); }
    double LenToDevX(double v) const;
    double LenToDevY(double v) const;
    double LenToDev(double v) const;

protected:
    virtual std::unique_ptr<TDeviceContext> CreateDeviceContext() { return std::make_unique<TDeviceContext>(); }
    virtual void BeforePlay() {}
    virtual void AfterPlay() {}
    // Called for every record of types 1 to 122 after its effect on the state
    // and the object table; Rec is the last of the record list.
    virtual void DoRecord(const TEnhMetaObj &rec) { (void)rec; }
    virtual void DoUnknownRecord(uint32_t type, uint32_t size) { (void)type; (void)size; }
    // Puts another object into a slot of the object table (ignored outside it).
    void SetObject(uint32_t index, const TEnhMetaObj *obj);
    QIODevice *FOutStream;

private:
    bool PlayRecord();
    void ApplyState(const TEnhMetaObj &rec);
    void DoHeaderState(const TEnhMetaObj &rec);
    void ReadEOFPalette(const TEnhMetaObj &header);

    QByteArray FIn;
    qint64 FPos = 0;
    uint32_t FLastType = 0;
    std::vector<std::unique_ptr<TEnhMetaObj>> FEMRList;
    std::vector<const TEnhMetaObj *> FObjects;
    std::unique_ptr<TDeviceContext> FDC;
    std::vector<std::unique_ptr<TDeviceContext>> FDCList;
    QString FStopReason;
};
