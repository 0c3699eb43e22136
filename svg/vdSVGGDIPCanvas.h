// The document canvas over the platform Canvas. On the QPainter back end it
// paints through the painter, anti-aliased, with Qt gradients and texture
// brushes. On any other back end (the EMF recorder) opaque solid paint goes
// out as path records and every other paint as alpha-blended images.
#pragma once
#include "svg/vdSVGGDIPPath.h"
#include "svg/vdSVGKerningText.h"

#include <QBrush>
#include <QImage>
#include <QPen>
#include <functional>
#include <optional>

class QPainter;

class TSVGGDIPImage : public TSVGCanvasImage {
public:
    explicit TSVGGDIPImage(QImage image) : m_image(std::move(image)) {}
    unsigned GetWidth() const override { return unsigned(m_image.width()); }
    unsigned GetHeight() const override { return unsigned(m_image.height()); }
    const QImage &Image() const { return m_image; }

private:
    QImage m_image;
};

class TSVGGDIPGraphicsPathText : public TSVGCanvasPathText {
public:
    TSVGGDIPGraphicsPathText(std::vector<QPointF> guide, TGPKerningText &kerning)
        : m_pathText(std::move(guide)), m_kerning(kerning)
    {
    }
    float AddPathText(TSVGCanvasPath &path, const QString &text, float indent, const TSVGFontData &font,
                      float distanceFactor, float kerningFactor) override;

private:
    TGPPathText m_pathText;
    TGPKerningText &m_kerning;
};

class TSVGGDIPCanvas : public TSVGCanvas {
public:
    // Images painted for the EMF recorder hold at most this many pixels.
    static constexpr qint64 MaxRasterPixels = 4LL * 1024 * 1024;
    // Decoded images larger than this are refused.
    static constexpr qint64 MaxImagePixels = 64LL * 1024 * 1024;

    explicit TSVGGDIPCanvas(Canvas &dc);
    ~TSVGGDIPCanvas() override;
    static TSVGCanvasClass Class();

    void SetTransform(const TSVGTransform &m) override;
    TSVGTransform GetTransform() const override;
    void ResetTransform() override;
    void SetClip(const TSVGCanvasPath &path) override;
    void IntersectClip(const TSVGCanvasPath &path) override;
    void ResetClip() override;
    void SetStroke(const TSVGStrokeData &stroke) override;
    void DrawImage(const TSVGCanvasImage &image, const TSingleBounds &rect, float fillOpacity) override;

    // The pen of the last SetStroke (none: nothing is stroked) and the brush
    // a draw type paints with.
    const std::optional<QPen> &Pen() const { return m_pen; }
    const std::optional<QBrush> &Brush(TSVGDrawType t) const { return m_brush[t][m_fillerType[t]]; }
    bool DrawsThroughPainter() const { return m_painter != nullptr; }

    // The installed family a font-family list draws with.
    static QString FontFamilyFor(const QString &names);
    // Bold 1, italic 2, underline 4, strike-out 8.
    static int FontStyleFlags(const TSVGFontData &font);
    static Qt::PenJoinStyle PenJoinOf(TSVGSpecificWord join);

protected:
    void SolidColorChanged(TSVGDrawType t) override;
    void LinearGradientChanged(TSVGDrawType t) override;
    void RadialGradientChanged(TSVGDrawType t) override;
    void PatternChanged(TSVGDrawType t) override;
    void StrokePath(TSVGCanvasPath &path) override;
    void FillPath(TSVGCanvasPath &path) override;

private:
    void setUpPainter();
    // Paints through the painter with clip and transform set.
    void paintQt(const std::function<void(QPainter &)> &draw);
    // Fills an area given in user units on a canvas without painter.
    void fillArea(const QPainterPath &userArea, const QBrush &brush);
    // Paints into an image over logical bounds and blends it onto the canvas.
    void rasterize(const QRectF &logicalBounds, const std::function<void(QPainter &)> &draw);

    QPainter *m_painter = nullptr;
    QTransform m_deviceTransform;
    QTransform m_transform;
    // Clip areas in canvas units (already transformed); those the painter has.
    std::vector<QPainterPath> m_clips;
    std::vector<QPainterPath> m_appliedClips;
    std::optional<QPainterPath> m_clipArea;
    std::optional<QPen> m_pen;
    std::array<std::array<std::optional<QBrush>, 4>, 2> m_brush;
};
