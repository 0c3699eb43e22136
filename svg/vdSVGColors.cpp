#include "svg/vdSVGColors.h"

#include "svg/vdSVGValues.h"

#include <QHash>
#include <algorithm>
#include <cmath>

namespace {

struct NamedColor {
    const char *name;
    uint32_t rgb;
};

const NamedColor kColors[] = {
    {"aliceblue", 0xf0f8ff}, {"antiquewhite", 0xfaebd7}, {"aqua", 0x00ffff}, {"aquamarine", 0x7fffd4},
    {"azure", 0xf0ffff}, {"beige", 0xf5f5dc}, {"bisque", 0xffe4c4}, {"black", 0x000000},
    {"blanchedalmond", 0xffebcd}, {"blue", 0x0000ff}, {"blueviolet", 0x8a2be2}, {"brown", 0xa52a2a},
    {"burlywood", 0xdeb887}, {"cadetblue", 0x5f9ea0}, {"chartreuse", 0x7fff00}, {"chocolate", 0xd2691e},
    {"coral", 0xff7f50}, {"cornflowerblue", 0x6495ed}, {"cornsilk", 0xfff8dc}, {"crimson", 0xdc143c},
    {"cyan", 0x00ffff}, {"darkblue", 0x00008b}, {"darkcyan", 0x008b8b}, {"darkgoldenrod", 0xb8860b},
    {"darkgray", 0xa9a9a9}, {"darkgreen", 0x006400}, {"darkgrey", 0xa9a9a9}, {"darkkhaki", 0xbdb76b},
    {"darkmagenta", 0x8b008b}, {"darkolivegreen", 0x556b2f}, {"darkorange", 0xff8c00}, {"darkorchid", 0x9932cc},
    {"darkred", 0x8b0000}, {"darksalmon", 0xe9967a}, {"darkseagreen", 0x8fbc8f}, {"darkslateblue", 0x483d8b},
    {"darkslategray", 0x2f4f4f}, {"darkslategrey", 0x2f4f4f}, {"darkturquoise", 0x00ced1},
    {"darkviolet", 0x9400d3}, {"deeppink", 0xff1493}, {"deepskyblue", 0x00bfff}, {"dimgray", 0x696969},
    {"dimgrey", 0x696969}, {"dodgerblue", 0x1e90ff}, {"firebrick", 0xb22222}, {"floralwhite", 0xfffaf0},
    {"forestgreen", 0x228b22}, {"fuchsia", 0xff00ff}, {"gainsboro", 0xdcdcdc}, {"ghostwhite", 0xf8f8ff},
    {"gold", 0xffd700}, {"goldenrod", 0xdaa520}, {"gray", 0x808080}, {"grey", 0x808080}, {"green", 0x008000},
    {"greenyellow", 0xadff2f}, {"honeydew", 0xf0fff0}, {"hotpink", 0xff69b4}, {"indianred", 0xcd5c5c},
    {"indigo", 0x4b0082}, {"ivory", 0xfffff0}, {"khaki", 0xf0e68c}, {"lavender", 0xe6e6fa},
    {"lavenderblush", 0xfff0f5}, {"lawngreen", 0x7cfc00}, {"lemonchiffon", 0xfffacd}, {"lightblue", 0xadd8e6},
    {"lightcoral", 0xf08080}, {"lightcyan", 0xe0ffff}, {"lightgoldenrodyellow", 0xfafad2},
    {"lightgray", 0xd3d3d3}, {"lightgreen", 0x90ee90}, {"lightgrey", 0xd3d3d3}, {"lightpink", 0xffb6c1},
    {"lightsalmon", 0xffa07a}, {"lightseagreen", 0x20b2aa}, {"lightskyblue", 0x87cefa},
    {"lightslategray", 0x778899}, {"lightslategrey", 0x778899}, {"lightsteelblue", 0xb0c4de},
    {"lightyellow", 0xffffe0}, {"lime", 0x00ff00}, {"limegreen", 0x32cd32}, {"linen", 0xfaf0e6},
    {"magenta", 0xff00ff}, {"maroon", 0x800000}, {"mediumaquamarine", 0x66cdaa}, {"mediumblue", 0x0000cd},
    {"mediumorchid", 0xba55d3}, {"mediumpurple", 0x9370db}, {"mediumseagreen", 0x3cb371},
    {"mediumslateblue", 0x7b68ee}, {"mediumspringgreen", 0x00fa9a}, {"mediumturquoise", 0x48d1cc},
    {"mediumvioletred", 0xc71585}, {"midnightblue", 0x191970}, {"mintcream", 0xf5fffa},
    {"mistyrose", 0xffe4e1}, {"moccasin", 0xffe4b5}, {"navajowhite", 0xffdead}, {"navy", 0x000080},
    {"oldlace", 0xfdf5e6}, {"olive", 0x808000}, {"olivedrab", 0x6b8e23}, {"orange", 0xffa500},
    {"orangered", 0xff4500}, {"orchid", 0xda70d6}, {"palegoldenrod", 0xeee8aa}, {"palegreen", 0x98fb98},
    {"paleturquoise", 0xafeeee}, {"palevioletred", 0xdb7093}, {"papayawhip", 0xffefd5},
    {"peachpuff", 0xffdab9}, {"peru", 0xcd853f}, {"pink", 0xffc0cb}, {"plum", 0xdda0dd},
    {"powderblue", 0xb0e0e6}, {"purple", 0x800080}, {"red", 0xff0000}, {"rosybrown", 0xbc8f8f},
    {"royalblue", 0x4169e1}, {"saddlebrown", 0x8b4513}, {"salmon", 0xfa8072}, {"sandybrown", 0xf4a460},
    {"seagreen", 0x2e8b57}, {"seashell", 0xfff5ee}, {"sienna", 0xa0522d}, {"silver", 0xc0c0c0},
    {"skyblue", 0x87ceeb}, {"slateblue", 0x6a5acd}, {"slategray", 0x708090}, {"slategrey", 0x708090},
    {"snow", 0xfffafa}, {"springgreen", 0x00ff7f}, {"steelblue", 0x4682b4}, {"tan", 0xd2b48c},
    {"teal", 0x008080}, {"thistle", 0xd8bfd8}, {"tomato", 0xff6347}, {"turquoise", 0x40e0d0},
    {"violet", 0xee82ee}, {"wheat", 0xf5deb3}, {"white", 0xffffff}, {"whitesmoke", 0xf5f5f5},
    {"yellow", 0xffff00}, {"yellowgreen", 0x9acd32},
};

const QHash<QString, uint32_t> &colorNames()
{
    static const QHash<QString, uint32_t> names = [] {
        QHash<QString, uint32_t> h;
        for (const NamedColor &c : kColors)
            h.insert(QLatin1String(c.name), c.rgb);
        return h;
    }();
    return names;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

uint8_t roundByte(double v) { return uint8_t(std::clamp(std::nearbyint(v), 0.0, 255.0)); }

// Functional arguments: only commas separate.
class Args {
public:
    explicit Args(const QString &s) : m_rest(s) {}
    bool next(QString &arg)
    {
        m_rest = m_rest.trimmed();
        if (m_rest.isEmpty())
            return false;
        const qsizetype comma = m_rest.indexOf(u',');
        arg = (comma < 0 ? m_rest : m_rest.left(comma)).trimmed();
        m_rest = comma < 0 ? QString() : m_rest.mid(comma + 1);
        return true;
    }

private:
    QString m_rest;
};

bool channel(Args &args, uint8_t &out)
{
    QString a;
    if (!args.next(a))
        return false;
    const qsizetype pct = a.indexOf(u'%');
    if (pct >= 0 && pct == a.size() - 1) {
        float v;
        if (!TryStrToSingle(a.left(pct), v))
            return false;
        out = roundByte(double(std::clamp(v, 0.0f, 100.0f)) * 255.0 / 100.0);
        return true;
    }
    bool ok = false;
    const qlonglong v = a.toLongLong(&ok);
    if (!ok)
        return false;
    out = uint8_t(std::clamp<qlonglong>(v, 0, 255));
    return true;
}

bool alpha(Args &args, float &out)
{
    QString a;
    float v;
    if (!args.next(a) || a.contains(u'%') || !TryStrToSingle(a, v))
        return false;
    out = std::clamp(v, 0.0f, 1.0f);
    return true;
}

bool hue(Args &args, double &out)
{
    QString a;
    float v;
    if (!args.next(a) || !TryStrToSingle(a, v))
        return false;
    double d = std::fmod(double(v), 360.0);
    if (d < 0)
        d += 360;
    out = d;
    return true;
}

bool percent(Args &args, double &out)
{
    QString a;
    float v;
    if (!args.next(a) || !a.endsWith(u'%') || !TryStrToSingle(a.chopped(1), v))
        return false;
    out = std::clamp(double(v), 0.0, 100.0) / 100.0;
    return true;
}

double hueToRgb(double m1, double m2, double t)
{
    if (t < 0)
        t += 1;
    else if (t > 1)
        t -= 1;
    if (6 * t < 1)
        return m1 + (m2 - m1) * 6 * t;
    if (2 * t < 1)
        return m2;
    if (3 * t < 2)
        return m1 + (m2 - m1) * (2.0 / 3.0 - t) * 6;
    return m1;
}

void setRGBA(TSVGPaint &p, uint8_t r, uint8_t g, uint8_t b, float a)
{
    p.SW = vdx_RGBA;
    p.R = r;
    p.G = g;
    p.B = b;
    p.Alpha = a;
    p.URI.clear();
}

} // namespace

int SVGColorNameCount() { return int(std::size(kColors)); }

bool DecodeColorName(const QString &name, TSVGPaint &value)
{
    const auto &names = colorNames();
    auto it = names.constFind(name.toLower());
    if (it == names.constEnd())
        return false;
    const uint32_t rgb = it.value();
    setRGBA(value, uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 1);
    return true;
}

void ParsePaint(const QString &text, TSVGPaint &paint)
{
    if (text.isEmpty())
        return;
    if (text == QLatin1String("none") || text == QLatin1String("transparent")) {
        paint.SW = svg_none;
        return;
    }
    // The keyword in any letter case (CSS keywords ignore case).
    if (text.compare(QLatin1String("currentcolor"), Qt::CaseInsensitive) == 0) {
        paint.SW = svg_currentcolor;
        return;
    }
    if (text == QLatin1String("inherit")) {
        paint.SW = svg_inherit;
        return;
    }
    if (text == QLatin1String("context-stroke")) {
        paint.SW = svg_context_stroke;
        return;
    }
    if (text == QLatin1String("context-fill")) {
        paint.SW = svg_context_fill;
        return;
    }
    if (text.startsWith(u'#')) {
        const qsizetype n = text.size() - 1;
        if (n != 3 && n != 6)
            return;
        int d[6];
        for (qsizetype i = 0; i < n; ++i)
            if ((d[i] = hexDigit(text.at(i + 1))) < 0)
                return;
        if (n == 3)
            setRGBA(paint, uint8_t(d[0] * 17), uint8_t(d[1] * 17), uint8_t(d[2] * 17), 1);
        else
            setRGBA(paint, uint8_t(d[0] * 16 + d[1]), uint8_t(d[2] * 16 + d[3]), uint8_t(d[4] * 16 + d[5]), 1);
        return;
    }
    static const QLatin1String prefixes[] = {QLatin1String("rgb("), QLatin1String("rgba("), QLatin1String("hsl("),
                                             QLatin1String("hsla("), QLatin1String("url(")};
    if (text.endsWith(u')')) {
        for (int k = 0; k < 5; ++k) {
            if (!text.startsWith(prefixes[k]))
                continue;
            const QString inner = text.mid(prefixes[k].size(), text.size() - prefixes[k].size() - 1);
            Args args(inner);
            if (k <= 1) {
                uint8_t r, g, b;
                float a = 1;
                if (channel(args, r) && channel(args, g) && channel(args, b) && (k == 0 || alpha(args, a)))
                    setRGBA(paint, r, g, b, a);
            } else if (k <= 3) {
                double h, s, l;
                float a = 1;
                if (hue(args, h) && percent(args, s) && percent(args, l) && (k == 2 || alpha(args, a))) {
                    const double m2 = l <= 0.5 ? l * (s + 1) : l + s - l * s;
                    const double m1 = 2 * l - m2;
                    const double t = h / 360.0;
                    setRGBA(paint, roundByte(hueToRgb(m1, m2, t + 1.0 / 3) * 255), roundByte(hueToRgb(m1, m2, t) * 255),
                            roundByte(hueToRgb(m1, m2, t - 1.0 / 3) * 255), a);
                }
            } else {
                QString ref = inner.trimmed();
                if (ref.size() >= 2 && (ref.front() == u'\'' || ref.front() == u'"') && ref.back() == ref.front())
                    ref = ref.mid(1, ref.size() - 2);
                if (ref.startsWith(u'#')) {
                    paint.SW = vdx_URI;
                    paint.URI = ref.mid(1, 255);
                }
            }
            return;
        }
    }
    DecodeColorName(text, paint);
}

void ParseColor(const QString &text, TSVGSpecificWord allowedWord, TSVGColorSW &color)
{
    if (text.isEmpty())
        return;
    TSVGPaint p;
    ParsePaint(text, p);
    if (p.SW == vdx_RGBA)
        color = {vdx_RGBA, p.R, p.G, p.B, p.Alpha};
    else if (p.SW == allowedWord && p.SW != vdx_noMater)
        color.SW = allowedWord;
}

TSVGPaint ColorToPaint(const TSVGColor &c)
{
    TSVGPaint p;
    setRGBA(p, c.R, c.G, c.B, c.Alpha);
    return p;
}

TSVGColor ColorSWToColor(const TSVGColorSW &c) { return {c.R, c.G, c.B, c.Alpha}; }

TSVGColor PaintToColor(const TSVGPaint &p, float alphaFactor) { return {p.R, p.G, p.B, p.Alpha * alphaFactor}; }
