#include "SvgRecordingCanvas.h"

std::unique_ptr<TSVGCanvas> SvgRecordingCanvasClass::Create(Canvas &dc) const
{
    Devices.push_back(&dc);
    return std::make_unique<SvgRecordingCanvas>(dc, Records);
}

std::vector<SvgCanvasRecord> SvgRecordingCanvasClass::Of(const QString &op) const
{
    std::vector<SvgCanvasRecord> out;
    for (const SvgCanvasRecord &r : Records)
        if (r.op == op)
            out.push_back(r);
    return out;
}

SvgCanvasRecord &SvgRecordingCanvas::add(const QString &op)
{
    m_records.push_back(SvgCanvasRecord());
    m_records.back().op = op;
    m_records.back().matrix = m_transform;
    return m_records.back();
}

void SvgRecordingCanvas::SetTransform(const TSVGTransform &m)
{
    m_transform = m;
    add(QStringLiteral("transform"));
}

void SvgRecordingCanvas::ResetTransform()
{
    m_transform = IdentityMatrix();
    add(QStringLiteral("resettransform"));
}

void SvgRecordingCanvas::SetClip(const TSVGCanvasPath &path) { add(QStringLiteral("clip")).path = path.Log(); }

void SvgRecordingCanvas::IntersectClip(const TSVGCanvasPath &path)
{
    add(QStringLiteral("intersect")).path = path.Log();
}

void SvgRecordingCanvas::ResetClip() { add(QStringLiteral("resetclip")); }

void SvgRecordingCanvas::SetStroke(const TSVGStrokeData &stroke) { add(QStringLiteral("stroke")).stroke = stroke; }

void SvgRecordingCanvas::DrawImage(const TSVGCanvasImage &image, const TSingleBounds &rect, float fillOpacity)
{
    SvgCanvasRecord &r = add(QStringLiteral("image"));
    r.rect = rect;
    r.opacity = fillOpacity;
    r.imageWidth = image.GetWidth();
    r.imageHeight = image.GetHeight();
}

void SvgRecordingCanvas::SolidColorChanged(TSVGDrawType t)
{
    SvgCanvasRecord &r = add(QStringLiteral("solid"));
    r.drawType = t;
    r.color = m_solidColorData[t];
}

void SvgRecordingCanvas::LinearGradientChanged(TSVGDrawType t)
{
    SvgCanvasRecord &r = add(QStringLiteral("gradient"));
    r.drawType = t;
    r.gradient = m_gradientData[t];
}

void SvgRecordingCanvas::RadialGradientChanged(TSVGDrawType t) { LinearGradientChanged(t); }

void SvgRecordingCanvas::PatternChanged(TSVGDrawType t)
{
    SvgCanvasRecord &r = add(QStringLiteral("pattern"));
    r.drawType = t;
    r.pattern = m_patternData[t];
}

void SvgRecordingCanvas::FillPath(TSVGCanvasPath &path)
{
    SvgCanvasRecord &r = add(QStringLiteral("paint"));
    r.path = path.Log();
    r.fillRule = path.FillRule();
    r.fillerType = m_fillerType[dtFill];
    r.color = m_solidColorData[dtFill];
    r.gradient = m_gradientData[dtFill];
    r.pattern = m_patternData[dtFill];
    r.strokeFillerType = m_fillerType[dtStroke];
    r.strokeColor = m_solidColorData[dtStroke];
}
