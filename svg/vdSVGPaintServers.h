// Paint servers: gradient stops, linear and radial gradients and patterns,
// which fill in the paint records an element hands to the canvas.
#pragma once
#include "svg/vdSVGRoot.h"

class Tel_stop : public TSVGElementObj {
public:
    explicit Tel_stop(TSVGElementObj *parent) : TSVGElementObj(el_stop, parent) {}
    VD_SVG_SAME_KIND(Tel_stop)
    TSVGGradientStopData GetStopData();
};

class TSVGGradient : public TSVGElementObj {
public:
    // Gradients that name gradients that name ... are followed this far.
    static constexpr int MaxHrefChain = 16;

    TSVGGradient(TSVGElement kind, TSVGElementObj *parent) : TSVGElementObj(kind, parent) {}
    TSVGElementObj *PaintUser() const override { return m_user; }
    // The stops with a first one at 0 and a last one at 1, alpha times opacity.
    void GetGradientStops(TSVGGradientArray &stops, float opacity);
    // The record for painting User; the base fills what both kinds share.
    virtual void GetGradientData(float opacity, TSVGElementObj *user, TSVGGradientData &data);

protected:
    // The gradient whose stop children are used: this one when it has stops,
    // else the one its href names (followed further while that has none).
    TSVGGradient *stopSource();
    float coordinate(TSVGAttribute a, float boundsOffset);

    TSVGElementObj *m_user = nullptr;
};

class Tel_linearGradient : public TSVGGradient {
public:
    explicit Tel_linearGradient(TSVGElementObj *parent) : TSVGGradient(el_linearGradient, parent) {}
    VD_SVG_SAME_KIND(Tel_linearGradient)
    void GetGradientData(float opacity, TSVGElementObj *user, TSVGGradientData &data) override;
};

class Tel_radialGradient : public TSVGGradient {
public:
    explicit Tel_radialGradient(TSVGElementObj *parent) : TSVGGradient(el_radialGradient, parent) {}
    VD_SVG_SAME_KIND(Tel_radialGradient)
    void GetGradientData(float opacity, TSVGElementObj *user, TSVGGradientData &data) override;
};

class Tel_pattern : public Tel_svg {
public:
    // Tiles larger than this are rendered with fewer pixels per user unit.
    static constexpr qint64 MaxTilePixels = 16LL * 1024 * 1024;
    // Patterns painted inside pattern tiles deeper than this paint nothing.
    static constexpr int MaxNesting = 4;

    explicit Tel_pattern(TSVGElementObj *parent) : Tel_svg(parent, el_pattern) {}
    VD_SVG_SAME_KIND(Tel_pattern)

    TSVGElementObj *PaintUser() const override { return m_user; }
    // The record and tile for painting User; no tile for an empty pattern.
    void GetPatternData(float opacity, TSVGElementObj *user, TSVGPatternData &data);
    float CalcFillOpacity() override;
    float CalcStrokeOpacity() override;
    TSingleBounds GetViewBox() override;
    bool IsForceLengthToPercent() override;
    float GetPatternFactor() override { return m_patternFactor; }

protected:
    TSVGTransform GetPositionMatrix(float, float) override { return IdentityMatrix(); }

private:
    void calcPatternFactor();
    void paintTile(QImage &tile);

    TSVGElementObj *m_user = nullptr;
    float m_patternFactor = 1;
    bool m_painting = false;
    // The last tile of this paint pass and what it was made for.
    struct Tile {
        quint64 pass = 0;
        float opacity = 0;
        TSingleBounds user;
        std::shared_ptr<const QImage> bitmap;
    } m_tile;
};
