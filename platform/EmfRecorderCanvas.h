// Canvas back end that records the drawing as an enhanced metafile. Text is
// measured as on every other canvas and written with its advances, so the
// picture plays back with the same character positions anywhere.
#pragma once
#include "platform/Canvas.h"
#include <QByteArray>

class EmfRecorderCanvas : public Canvas {
public:
    // The picture's size in logical units at logPixels per inch; the
    // reference device has that resolution, so logical units are its pixels.
    EmfRecorderCanvas(int width, int height, int logPixels = 96);
    ~EmfRecorderCanvas() override;

    // Ends the recording (EOF record, header completed) and answers the
    // metafile; later calls answer the same bytes and drawing is ignored.
    QByteArray finish();
    bool isFinished() const { return m_finished; }
    int pictureWidth() const { return m_width; }
    int pictureHeight() const { return m_height; }
    // Optional description stored in the header (application, picture).
    void setDescription(const QString &application, const QString &picture);

    int SaveDC() override;
    bool RestoreDC(int level = -1) override;
    void IntersectClipRect(const TRect &r) override;
    void ExcludeClipRect(const TRect &r) override;
    void SelectClipRegion(const QRegion *deviceRegion, ClipMode mode) override;
    void SetWorldTransform(const QTransform &t) override;
    void ModifyWorldTransform(const QTransform &t, int mode) override;

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Polyline(std::span<const TPoint> points) override;
    void PolyBezier(std::span<const TPoint> points) override;
    void Polygon(std::span<const TPoint> points) override;
    void PolyPolygon(std::span<const TPoint> points, std::span<const int> counts) override;
    void Rectangle(const TRect &r) override;
    void RoundRect(const TRect &r, int cornerWidth, int cornerHeight) override;
    void Ellipse(const TRect &r) override;
    void Arc(const TRect &r, TPoint start, TPoint end) override;
    void Pie(const TRect &r, TPoint start, TPoint end) override;
    void Chord(const TRect &r, TPoint start, TPoint end) override;
    void FillRect(const TRect &r) override;
    void FrameRect(const TRect &r) override;
    void DrawPath(const QPainterPath &path, bool stroke, bool fill) override;
    void ExtTextOut(int x, int y, unsigned options, const TRect *rect, const QString &text,
                    std::span<const int> dx = {}) override;
    void StretchDIBits(const TRect &dest, const QImage &image, const TRect &src, std::uint32_t rop = SRCCOPY) override;
    void AlphaBlend(const TRect &dest, const QImage &image, const TRect &src, int constantAlpha,
                    bool perPixelAlpha) override;

    using Canvas::Ellipse;
    using Canvas::Polygon;
    using Canvas::Polyline;
    using Canvas::Rectangle;

protected:
    // The picture's extent: clip regions past it never show, and keeping them
    // inside it keeps turned clips cheap to scan convert.
    QRect deviceBounds() const override { return QRect(0, 0, m_width, m_height); }

private:
    // What the playing device context holds after the records written so far.
    struct Emitted {
        std::uint32_t pen = 0x80000000u | 7;   // BLACK_PEN
        std::uint32_t brush = 0x80000000u | 0; // WHITE_BRUSH
        std::uint32_t font = 0x80000000u | 13; // SYSTEM_FONT
        bool penKnown = false, brushKnown = false, fontKnown = false;
        CanvasPen penDesc;
        CanvasBrush brushDesc;
        CanvasFont fontDesc;
        TColor textColor = clBlack;
        TColor bkColor = clWhite;
        BkMode bkMode = BkMode::Opaque;
        PolyFillMode fillMode = PolyFillMode::Alternate;
        unsigned textAlign = 0;
        PenMode rop2 = PenMode::Copy;
    };

    class Record;
    bool active() const { return !m_finished; }
    void append(Record &rec);
    void syncPen();
    void syncBrush();
    void syncFont();
    void syncValues(bool text);
    void prepare(bool pen, bool brush, bool text = false);
    std::uint32_t allocHandle();
    void addRef(std::uint32_t h);
    void release(std::uint32_t h);
    void selectNew(std::uint32_t &slot, std::uint32_t h);
    // Device bounds of what a logical rectangle covers, grown by the pen.
    QRect drawnBounds(const QRectF &logical, bool withPen) const;
    void addBounds(const QRect &deviceRect);
    void writeBoundsAndPoints(std::uint32_t type16, std::uint32_t type32, std::span<const TPoint> points, bool withPen);
    void shapeRecord(std::uint32_t type, const TRect &r, const QList<std::int32_t> &extra, bool fill);

    int m_width;
    int m_height;
    QByteArray m_data;
    std::uint32_t m_records = 0;
    QRect m_bounds; // device pixels, null until something is drawn
    std::vector<int> m_refs; // per handle index; [0] unused
    std::uint32_t m_maxHandle = 0;
    Emitted m_emitted;
    std::vector<Emitted> m_emittedSaved;
    bool m_finished = false;
    QString m_description;
};
