// A canvas that records what the elements ask of it and passes it on to the
// document canvas, which draws. Paths, images and text come from the
// document canvas class, so geometry is the real one.
#pragma once
#include "svg/vdSVGGDIPCanvas.h"

#include <QString>
#include <QStringList>
#include <vector>

struct SvgCanvasRecord {
    Canvas *device = nullptr;
    QString op; // transform, clip, intersect, resetclip, resettransform, solid, gradient, pattern, stroke, paint, image
    TSVGDrawType drawType = dtFill;
    TSVGTransform matrix{};
    TSVGColor color;
    TSVGGradientData gradient;
    TSVGPatternData pattern;
    TSVGStrokeData stroke;
    QString path; // Log of the path
    TSVGSpecificWord fillRule = svg_nonzero;
    TSingleBounds rect;
    float opacity = 1;
    unsigned imageWidth = 0, imageHeight = 0;
    TSVGFillerType fillerType = ftSolidColor;
    // At "paint": the stroke's paint and the transform in force.
    TSVGColor strokeColor;
    TSVGFillerType strokeFillerType = ftSolidColor;
};

class SvgRecordingCanvasClass : public TSVGCanvasClassOps {
public:
    std::unique_ptr<TSVGCanvas> Create(Canvas &dc) const override;
    std::unique_ptr<TSVGCanvasPath> CreatePath() const override { return real()->CreatePath(); }
    std::unique_ptr<TSVGCanvasImage> CreateImage(const QByteArray &bytes) const override
    {
        return real()->CreateImage(bytes);
    }
    std::unique_ptr<TSVGCanvasPathText> CreatePathText(const TSVGCanvasPath *path,
                                                       TGPKerningText &kerning) const override
    {
        return real()->CreatePathText(path, kerning);
    }
    float GetPathLength(const TSVGCanvasPath &path) const override { return real()->GetPathLength(path); }
    TSingleSize MeasureString(const QString &st, const TSVGFontData &font, float &fontHeight,
                              TGPKerningText &kerning) const override
    {
        return real()->MeasureString(st, font, fontHeight, kerning);
    }
    void AddStringToPath(const QString &st, TSVGCanvasPath &path, const TTextDecorations &decorations,
                         const TTextOrigin &origin, const TSVGFontData &font, TGPKerningText &kerning) const override
    {
        real()->AddStringToPath(st, path, decorations, origin, font, kerning);
    }
    bool GetTextMetrics(const TSVGFontData &font, TSVGTextMetrics &metrics) const override
    {
        return real()->GetTextMetrics(font, metrics);
    }

    // Everything the canvases of this class were asked, in order.
    mutable std::vector<SvgCanvasRecord> Records;
    // The devices canvases were created on, and their picture sizes when
    // they record metafiles (an empty size otherwise).
    mutable std::vector<Canvas *> Devices;
    mutable std::vector<QSize> MetafileSizes;

    // Records of one kind made on the first device (pattern tiles left out).
    std::vector<SvgCanvasRecord> Of(const QString &op) const;

private:
    static TSVGCanvasClass real() { return TSVGGDIPCanvas::Class(); }
};

class SvgRecordingCanvas : public TSVGCanvas {
public:
    SvgRecordingCanvas(Canvas &dc, std::vector<SvgCanvasRecord> &records)
        : TSVGCanvas(dc), m_records(records), m_inner(TSVGGDIPCanvas::Class()->Create(dc))
    {
    }

    void SetTransform(const TSVGTransform &m) override;
    TSVGTransform GetTransform() const override { return m_transform; }
    void ResetTransform() override;
    void SetClip(const TSVGCanvasPath &path) override;
    void IntersectClip(const TSVGCanvasPath &path) override;
    void ResetClip() override;
    void SetStroke(const TSVGStrokeData &stroke) override;
    void DrawImage(const TSVGCanvasImage &image, const TSingleBounds &rect, float fillOpacity) override;

protected:
    void SolidColorChanged(TSVGDrawType t) override;
    void LinearGradientChanged(TSVGDrawType t) override;
    void RadialGradientChanged(TSVGDrawType t) override;
    void PatternChanged(TSVGDrawType t) override;
    void StrokePath(TSVGCanvasPath &) override {}
    void FillPath(TSVGCanvasPath &path) override;

private:
    SvgCanvasRecord &add(const QString &op);
    // The drawing canvas takes the paint a draw type has now.
    void sync(TSVGDrawType t);

    std::vector<SvgCanvasRecord> &m_records;
    std::unique_ptr<TSVGCanvas> m_inner;
    TSVGTransform m_transform = IdentityMatrix();
};
