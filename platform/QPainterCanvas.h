// Canvas back end that draws through a QPainter: onto a QImage, a widget or a
// printer. Antialiasing is off by default so that pixels come out as GDI
// would put them.
#pragma once
#include "platform/Canvas.h"
#include <QGlyphRun>
#include <QPainter>
#include <memory>

class QPainterCanvas : public Canvas {
public:
    // Draws on the image (kind Bitmap) at the given resolution.
    explicit QPainterCanvas(QImage &image, int logPixels = 96);
    // Draws through an active painter that the caller owns (a widget's or a
    // printer's); the painter's current transform maps this canvas's device
    // units to the device.
    QPainterCanvas(QPainter &painter, CanvasKind kind, int logPixelsX, int logPixelsY);
    ~QPainterCanvas() override;

    void setAntialiasing(bool on);
    bool antialiasing() const { return m_antialias; }
    // The painter itself: what is drawn through it directly is not tracked,
    // so the whole device counts as drawn from then on.
    QPainter &painter()
    {
        m_touchedAll = true;
        return *m_p;
    }
    // Device pixels the drawing calls so far may have changed: never fewer
    // than they changed, possibly more (unbounded after painter()).
    QRect touchedRect() const;

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
    QRect deviceBounds() const override { return m_bounds; }
    void clipChanged() override;
    void transformChanged() override;

private:
    void init();
    // Marks r (in the painter's current coordinates), widened by margin
    // there, as drawn.
    void touch(const QRectF &r, double margin = 0);
    // Room an outline drawn with the current pen takes beyond its path.
    double penReach() const;
    // Pen and brush of the state set on the painter; false when nothing shows.
    bool usePen();
    bool useBrush();
    QPen makePen() const;
    QBrush makeBrush() const;
    void applyMode(PenMode mode);
    // The rectangle a shape outline runs on (GDI's exclusive edges, inside-frame pens).
    QRectF shapeRect(const TRect &r) const;
    void arcShape(const TRect &r, TPoint start, TPoint end, int kind);
    void drawShape(const QPainterPath &path);
    void drawGlyphs(const QGlyphRun &run, const QRawFont &raw, const QList<QPointF> &pos, const TextPlacement &tp);

    std::unique_ptr<QPainter> m_own;
    QRect m_bounds;  // the image, when this canvas owns its painter
    QPainter *m_p = nullptr;
    QTransform m_base;
    // The painter's own clip when it came to us (a widget's paint region).
    std::optional<QRegion> m_baseClip;
    bool m_antialias = false;
    QRect m_touched;
    bool m_touchedAll = false;
};
