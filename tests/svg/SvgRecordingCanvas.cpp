#include "SvgRecordingCanvas.h"

#include "platform/EmfRecorderCanvas.h"

std::unique_ptr<TSVGCanvas> SvgRecordingCanvasClass::Create(Canvas &dc) const
{
    Devices.push_back(&dc);
    const auto *emf = dynamic_cast<const EmfRecorderCanvas *>(&dc);
    MetafileSizes.push_back(emf ? QSize(emf->pictureWidth(), emf->pictureHeight()) : QSize());
    return std::make_unique<SvgRecordingCanvas>(dc, Records);
}

std::vector<SvgCanvasRecord> SvgRecordingCanvasClass::Of(const QString &op) const
{
    std::vector<SvgCanvasRecord> out;
    for (const SvgCanvasRecord &r : Records)
        if (r.op == op && !Devices.empty() && r.device == Devices.front())
            out.push_back(r);
    return out;
}

SvgCanvasRecord &SvgRecordingCanvas::add(const QString &op)
{
    m_records.push_back(SvgCanvasRecord());
    m_records.back().device = &DC();
    m_records.back().op = op;
    m_records.back().matrix = m_transform;
    return m_records.back();
}

void SvgRecordingCanvas::SetTransform(const TSVGTransform &m)
{
    m_transform = m;
    add(QStringLiteral("transform"));
    m_inner->SetTransform(m);
}

void SvgRecordingCanvas::ResetTransform()
{
    m_transform = IdentityMatrix();
    add(QStringLiteral("resettransform"));
    m_inner->ResetTransform();
}

void SvgRecordingCanvas::SetClip(const TSVGCanvasPath &path)
{
    add(QStringLiteral("clip")).path = path.Log();
    m_inner->SetClip(path);
}

void SvgRecordingCanvas::IntersectClip(const TSVGCanvasPath &path)
{
    add(QStringLiteral("intersect")).path = path.Log();
    m_inner->IntersectClip(path);
}

void SvgRecordingCanvas::ResetClip()
{
    add(QStringLiteral("resetclip"));
    m_inner->ResetClip();
}

void SvgRecordingCanvas::sync(TSVGDrawType t)
{
    switch (m_fillerType[t]) {
    case ftSolidColor: m_inner->SetSolidColor(t, m_solidColorData[t]); break;
    case ftPattern: m_inner->SetPattern(t, m_patternData[t]); break;
    default: m_inner->SetGradient(t, m_gradientData[t]); break;
    }
}

void SvgRecordingCanvas::SetStroke(const TSVGStrokeData &stroke)
{
    add(QStringLiteral("stroke")).stroke = stroke;
    sync(dtStroke);
    m_inner->SetStroke(stroke);
}

void SvgRecordingCanvas::DrawImage(const TSVGCanvasImage &image, const TSingleBounds &rect, float fillOpacity)
{
    SvgCanvasRecord &r = add(QStringLiteral("image"));
    r.rect = rect;
    r.opacity = fillOpacity;
    r.imageWidth = image.GetWidth();
    r.imageHeight = image.GetHeight();
    m_inner->DrawImage(image, rect, fillOpacity);
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
    // The drawing itself: fill, then stroke.
    sync(dtFill);
    m_inner->PaintPath(&path, path.FillRule());
}
