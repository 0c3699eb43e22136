#include "report/vdxTextMeasure.h"
#include <cmath>
#include <cstdlib>

QList<int> TvdxTextMeasure::Advances(const Canvas &canvas, const QString &text) const
{
    return canvas.CharAdvances(text);
}

int TvdxTextMeasure::TextMetricHeight(const Canvas &canvas) const
{
    const int h = canvas.GetTextMetrics().height;
    return h > 0 ? h : -canvas.font().height;
}

const TvdxTextMeasure &TvdxTextMeasure::Default()
{
    static const TvdxTextMeasure measure;
    return measure;
}

TvdxFixedAdvanceMeasure::TvdxFixedAdvanceMeasure(int advance, int layoutEmHeight)
    : m_advance(advance), m_layoutEm(layoutEmHeight > 0 ? layoutEmHeight : 1)
{
}

QList<int> TvdxFixedAdvanceMeasure::Advances(const Canvas &canvas, const QString &text) const
{
    const int em = std::abs(canvas.font().height);
    const int adv = em == m_layoutEm ? m_advance
                                     : int(std::nearbyint(double(m_advance) * em / m_layoutEm));
    return QList<int>(text.size(), adv);
}

int TvdxFixedAdvanceMeasure::TextMetricHeight(const Canvas &canvas) const
{
    return std::abs(canvas.font().height);
}
