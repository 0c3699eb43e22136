#include "svg/vdSVGPaintServers.h"

#include "platform/QPainterCanvas.h"

#include <cmath>

namespace {

TSingleBounds userBounds(TSVGElementObj *user)
{
    if (!user || (!user->HasOption(eoSelfBounds) && !user->HasOption(eoChildBounds)))
        return {};
    return user->GetBounds();
}

// Clears a pointer when the scope ends, also by an exception.
struct UserScope {
    TSVGElementObj *&slot;
    UserScope(TSVGElementObj *&s, TSVGElementObj *user) : slot(s) { slot = user; }
    ~UserScope() { slot = nullptr; }
};

void constructPaths(TSVGElementObj *e, bool top)
{
    if (!top && e->Element() == el_pattern)
        return;
    e->ConstructPath();
    for (int i = 0; i < e->Count(); ++i)
        constructPaths(e->GetItem(i), false);
}

} // namespace

// ---- stops and gradients ---------------------------------------------------------------

TSVGGradientStopData Tel_stop::GetStopData()
{
    TSVGGradientStopData d;
    d.SVGColor = atColorCurrent(at_stop_color);
    d.SVGColor.Alpha *= atAlpha(at_stop_opacity);
    d.Offset = atAlpha(at_offset);
    return d;
}

TSVGGradient *TSVGGradient::stopSource()
{
    TSVGGradient *g = this;
    for (int hop = 0; hop < MaxHrefChain; ++hop) {
        for (int i = 0; i < g->Count(); ++i)
            if (g->GetItem(i)->Element() == el_stop)
                return g;
        const QString href = g->atString(at_href);
        if (!href.startsWith(u'#') || !m_root)
            return nullptr;
        g = dynamic_cast<TSVGGradient *>(m_root->FindByID(href.mid(1)));
        if (!g || g == this)
            return nullptr;
    }
    return nullptr;
}

void TSVGGradient::GetGradientStops(TSVGGradientArray &stops, float opacity)
{
    stops.clear();
    TSVGGradient *source = stopSource();
    if (!source)
        return;
    for (int i = 0; i < source->Count(); ++i)
        if (auto *stop = dynamic_cast<Tel_stop *>(source->GetItem(i)))
            stops.push_back(stop->GetStopData());
    if (stops.empty())
        return;
    if (stops.front().Offset > 0)
        stops.insert(stops.begin(), stops.front());
    if (stops.back().Offset < 1)
        stops.push_back(stops.back());
    stops.front().Offset = 0;
    stops.back().Offset = 1;
    for (TSVGGradientStopData &s : stops)
        s.SVGColor.Alpha *= opacity;
}

void TSVGGradient::GetGradientData(float opacity, TSVGElementObj *user, TSVGGradientData &data)
{
    data.UserBounds = userBounds(user);
    data.gradientUnits = atSpecificWord(at_gradientUnits);
    data.spreadMethod = atSpecificWord(at_spreadMethod);
    data.gradientTransform =
        !atIsDefault(at_transform) ? atMatrix(at_transform) : atMatrix(at_gradientTransform);
    GetGradientStops(data.GradientArray, opacity);
}

float TSVGGradient::coordinate(TSVGAttribute a, float boundsOffset)
{
    return atLength(a) + (atIsPercent(a) ? boundsOffset : 0);
}

void Tel_linearGradient::GetGradientData(float opacity, TSVGElementObj *user, TSVGGradientData &data)
{
    UserScope scope(m_user, user);
    TSVGGradient::GetGradientData(opacity, user, data);
    data.FillerType = ftLinearGradient;
    if (data.gradientUnits == svg_objectBoundingBox)
        for (TSVGAttribute a : {at_x1, at_y1, at_x2, at_y2})
            GetAttrObj(a)->PartToPercent();
    data.x1 = coordinate(at_x1, data.UserBounds.X);
    data.y1 = coordinate(at_y1, data.UserBounds.Y);
    data.x2 = coordinate(at_x2, data.UserBounds.X);
    data.y2 = coordinate(at_y2, data.UserBounds.Y);
}

void Tel_radialGradient::GetGradientData(float opacity, TSVGElementObj *user, TSVGGradientData &data)
{
    UserScope scope(m_user, user);
    TSVGGradient::GetGradientData(opacity, user, data);
    data.FillerType = ftRadialGradient;
    if (data.gradientUnits == svg_objectBoundingBox)
        for (TSVGAttribute a : {at_cx, at_cy, at_fr, at_fx, at_fy, at_r})
            GetAttrObj(a)->PartToPercent();
    data.cx = coordinate(at_cx, data.UserBounds.X);
    data.cy = coordinate(at_cy, data.UserBounds.Y);
    data.fx = atIsDefault(at_fx) ? data.cx : coordinate(at_fx, data.UserBounds.X);
    data.fy = atIsDefault(at_fy) ? data.cy : coordinate(at_fy, data.UserBounds.Y);
    data.fr = atLength(at_fr);
    data.r = atLength(at_r);
}

// ---- patterns ------------------------------------------------------------------------------

float Tel_pattern::CalcFillOpacity()
{
    if (GetIsFullOpacity())
        return 1;
    return atAlpha(at_opacity) * atAlpha(at_fill_opacity);
}

float Tel_pattern::CalcStrokeOpacity()
{
    if (GetIsFullOpacity())
        return 1;
    return atAlpha(at_opacity) * atAlpha(at_stroke_opacity);
}

TSingleBounds Tel_pattern::GetViewBox()
{
    if (atIsDefault(at_viewBox) && m_user && atSpecificWord(at_patternUnits) == svg_objectBoundingBox) {
        const TSingleBounds b = userBounds(m_user);
        return {0, 0, atLengthAuto(at_width, b.Width), atLengthAuto(at_height, b.Height)};
    }
    return Tel_svg::GetViewBox();
}

bool Tel_pattern::IsForceLengthToPercent() { return atSpecificWord(at_patternUnits) == svg_objectBoundingBox; }

void Tel_pattern::calcPatternFactor()
{
    m_patternFactor = 1;
    const float w = atLengthAuto(at_width), h = atLengthAuto(at_height);
    if (!(w > 0) || !(h > 0) || !std::isfinite(w * h))
        return;
    float f = std::max(70 / std::sqrt(w * h), 1.0f);
    // Huge tiles keep their size on the page with fewer pixels.
    const double pixels = double(w) * f * double(h) * f;
    if (pixels > double(MaxTilePixels))
        f *= float(std::sqrt(double(MaxTilePixels) / pixels));
    m_patternFactor = f;
}

void Tel_pattern::paintTile(QImage &tile)
{
    QPainterCanvas dc(tile);
    SetExtraOptions(eoBit(eoPaint) | eoBit(eoMatrix));
    struct Restore {
        Tel_pattern &p;
        ~Restore() { p.SetExtraOptions(0); }
    } restore{*this};
    m_rootMatrix = {};
    constructPaths(this, true);
    ClarifyBounds();
    PaintTo(dc);
}

void Tel_pattern::GetPatternData(float opacity, TSVGElementObj *user, TSVGPatternData &data)
{
    UserScope scope(m_user, user);
    data = TSVGPatternData();
    calcPatternFactor();
    const float f = m_patternFactor;
    data.Width = atLengthAuto(at_width);
    data.Height = atLengthAuto(at_height);
    const int pw = int(std::nearbyint(data.Width)), ph = int(std::nearbyint(data.Height));
    if (!(data.Width > 0) || !(data.Height > 0) || pw < 1 || ph < 1 || qint64(pw) * ph > MaxTilePixels)
        return;
    if (!atIsDefault(at_patternTransform))
        data.Matrix = atMatrix(at_patternTransform);
    else if (!atIsDefault(at_transform))
        data.Matrix = atMatrix(at_transform);
    const bool bbox = atSpecificWord(at_patternUnits) == svg_objectBoundingBox;
    const TSingleBounds ub = userBounds(user);
    data.x = atLength(at_x) + (bbox ? ub.X : 0);
    data.y = atLength(at_y) + (bbox ? ub.Y : 0);
    const float tw = data.Width / f, th = data.Height / f;
    data.Offset = {data.x >= tw ? std::fmod(data.x, tw) : data.x, data.y >= th ? std::fmod(data.y, th) : data.y};
    data.Factor = 1 / f;
    // A pattern whose content paints with itself, or tiles nested too deep,
    // get no tile.
    if (m_painting || !m_root || m_root->PatternDepth() >= MaxNesting)
        return;
    // Within one paint the tile changes only with the opacity and, for
    // bounding-box units, with the user's box.
    const bool byUser = bbox || atSpecificWord(at_patternContentUnits) == svg_objectBoundingBox;
    const TSingleBounds key = byUser ? ub : TSingleBounds();
    if (m_tile.bitmap && m_tile.pass == m_root->PassSerial() && m_tile.opacity == opacity
        && SameBounds(m_tile.user, key) && m_tile.bitmap->width() == pw && m_tile.bitmap->height() == ph) {
        data.Bitmap = m_tile.bitmap;
        return;
    }
    auto tile = std::make_shared<QImage>(pw, ph, QImage::Format_ARGB32_Premultiplied);
    if (tile->isNull())
        return;
    tile->fill(0);
    m_painting = true;
    ++m_root->PatternDepth();
    struct Done {
        Tel_pattern &p;
        ~Done()
        {
            p.m_painting = false;
            --p.m_root->PatternDepth();
        }
    } done{*this};
    paintTile(*tile);
    if (opacity != 1) {
        const float k = std::clamp(opacity, 0.0f, 1.0f);
        for (int y = 0; y < tile->height(); ++y) {
            uchar *line = tile->scanLine(y);
            for (qsizetype i = 0; i < tile->bytesPerLine(); ++i)
                line[i] = uchar(std::nearbyint(line[i] * k));
        }
    }
    data.Bitmap = std::move(tile);
    m_tile = {m_root->PassSerial(), opacity, key, data.Bitmap};
}
