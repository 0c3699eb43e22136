#include "svg/vdSVGDump.h"

#include "svg/vdSVGRoot.h"

#include <cmath>

QString SVGDumpNumber(float v)
{
    if (!std::isfinite(v) || std::fabs(v) >= 1e15f)
        return QString::number(double(v), 'g', 6);
    const double r = std::nearbyint(double(v));
    if (std::fabs(double(v) - r) < 0.005) {
        if (r == 0)
            return QStringLiteral("0");
        return QString::number(qlonglong(r));
    }
    return QString::number(double(v), 'f', 2);
}

namespace {

QString numbers(const std::vector<float> &list)
{
    QStringList out;
    for (float v : list)
        out << SVGDumpNumber(v);
    return out.join(u',');
}

QString colour(const TSVGColor &c)
{
    QString s = QStringLiteral("#%1%2%3")
                    .arg(c.R, 2, 16, QLatin1Char('0'))
                    .arg(c.G, 2, 16, QLatin1Char('0'))
                    .arg(c.B, 2, 16, QLatin1Char('0'));
    if (c.Alpha < 1)
        s += u'/' + SVGDumpNumber(c.Alpha);
    return s;
}

QString word(TSVGSpecificWord w)
{
    const QString &t = SVGSpecificWordText(w);
    return t.isEmpty() ? QStringLiteral("-") : t;
}

QString matrix(const TSVGTransform &m)
{
    return QStringLiteral("(%1,%2,%3,%4,%5,%6)")
        .arg(SVGDumpNumber(m.a), SVGDumpNumber(m.b), SVGDumpNumber(m.c), SVGDumpNumber(m.d), SVGDumpNumber(m.e),
             SVGDumpNumber(m.f));
}

QString quoted(const QString &s) { return u'"' + s + u'"'; }

// Given on the element, or inherited from an ancestor that gives it.
bool shown(TSVGElementObj &e, TSVGAttribute a)
{
    TSVGAttributeObj *o = e.GetAttrObj(a);
    if (!o->IsDefault())
        return true;
    if (!o->IsInheritable())
        return false;
    for (TSVGElementObj *p = e.Parent(); p; p = p->Parent())
        if (p->GetIsAttrEnabled(a) && !p->GetAttrObj(a)->IsDefault())
            return true;
    return false;
}

void dump(TSVGElementObj &e, int depth, bool paths, QString &out)
{
    out += QString(depth * 2, u' ');
    out += e.ElementName();
    if (!e.ID().isEmpty())
        out += QStringLiteral(" #") + e.ID();
    for (int a = 0; a < SVGAttributeCount; ++a) {
        const auto attr = TSVGAttribute(a);
        if (!e.GetIsAttrEnabled(attr) || !shown(e, attr))
            continue;
        out += u' ' + SVGAttributeName(attr) + u'=' + SVGDumpAttribute(e, a);
    }
    out += QStringLiteral(" fill-opacity*=") + SVGDumpNumber(e.CalcFillOpacity());
    out += QStringLiteral(" stroke-opacity*=") + SVGDumpNumber(e.CalcStrokeOpacity());
    out += QStringLiteral(" matrix=") + matrix(e.CompleteMatrix());
    if (e.HasOption(eoSelfBounds) || e.HasOption(eoChildBounds)) {
        const TSingleBounds b = e.GetBounds();
        out += QStringLiteral(" bounds=") + u'(' + numbers({b.X, b.Y, b.Width, b.Height}) + u')';
    }
    out += u'\n';
    if (paths)
        if (const TSVGCanvasPath *p = e.Path())
            out += QString(depth * 2 + 2, u' ') + QStringLiteral("path ") + p->Log().trimmed() + u'\n';
    for (int i = 0; i < e.Count(); ++i)
        dump(*e.GetItem(i), depth + 1, paths, out);
}

} // namespace

QString SVGDumpAttribute(TSVGElementObj &e, int attribute)
{
    const auto a = TSVGAttribute(attribute);
    TSVGAttributeObj *o = e.GetAttrObj(a);
    switch (o->SVGValue()) {
    case svAlphaPercentage: return SVGDumpNumber(e.atAlpha(a));
    case svBounds: {
        const TSingleBounds b = e.atBounds(a);
        return numbers({b.X, b.Y, b.Width, b.Height});
    }
    case svColorCurrent: return colour(e.atColorCurrent(a));
    case svColorInherit: return colour(e.atColorInherit(a));
    case svLengthPercentage: return SVGDumpNumber(e.atLength(a));
    case svLengthPercentageAuto: return SVGDumpNumber(e.atLengthAuto(a));
    case svLengthPercentageInherit: return SVGDumpNumber(e.atLengthInherit(a));
    case svLengthPercentageList: return numbers(e.atLengthList(a));
    case svLengthPercentageListNoneInherit: {
        TSVGSpecificWord sw;
        const std::vector<float> list = e.atLengthListNoneInherit(a, sw);
        return sw == svg_none ? QStringLiteral("none") : numbers(list);
    }
    case svNumber: return SVGDumpNumber(e.atNumber(a));
    case svNumberInherit: return SVGDumpNumber(e.atNumberInherit(a));
    case svNumberFontWeight: return SVGDumpNumber(e.atFontWeight());
    case svPaint: {
        const TSVGPaint p = e.atPaint(a);
        if (p.SW == vdx_RGBA)
            return colour(PaintToColor(p));
        if (p.SW == vdx_URI)
            return QStringLiteral("url(#") + p.URI + u')';
        return word(p.SW);
    }
    case svPath: return quoted(e.atString(a));
    case svPreserveAspectRatio: {
        const TSVGPreserveAspectRatio par = e.atPAR();
        return word(par.Align) + u'/' + word(par.MeetOrSlice);
    }
    case svSinglePointList: {
        QStringList pts;
        for (const TSinglePoint &p : e.atPoints())
            pts << SVGDumpNumber(p.X) + u',' + SVGDumpNumber(p.Y);
        return u'(' + pts.join(u' ') + u')';
    }
    case svSpecificWordSet: {
        const TSVGSpecificWordSet s = e.atSpecificWordSet(a);
        QStringList words;
        for (int w = 0; w < SVGSpecificWordCount; ++w)
            if (s.test(size_t(w)))
                words << word(TSVGSpecificWord(w));
        return words.isEmpty() ? QStringLiteral("none") : words.join(u'+');
    }
    case svSpecificWord: return word(e.atSpecificWord(a));
    case svString: return quoted(e.atString(a));
    case svStringInherit: return quoted(e.atStringInherit(a));
    case svTransform: return matrix(e.atMatrix(a));
    case svURI: return u'#' + e.atURI(a);
    }
    return {};
}

QString SVGDumpTree(TSVGRootObj &root, bool paths)
{
    root.Prepare();
    root.CalculateMatrices();
    QString out;
    dump(root, 0, paths, out);
    return out;
}
