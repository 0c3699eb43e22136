#include "svg/vdSVGRoot.h"

#include "platform/Exception.h"
#include "svg/vdSVGGDIPCanvas.h"
#include "svg/vdSVGKerningText.h"
#include "svg/vdSVGXML.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>
#include <cmath>

// ---- Tel_svg ----------------------------------------------------------------------

void Tel_svg::Clear()
{
    TSVGBaseObj::Clear();
    m_rootMatrix = {};
}

void Tel_svg::ConstructPath()
{
    TSVGBaseObj::ConstructPath();
    // Lengths may have changed with the host: the viewport is computed anew.
    m_rootMatrix = {};
}

float Tel_svg::GetWidth() { return atLengthAuto(at_width); }
float Tel_svg::GetHeight() { return atLengthAuto(at_height); }

TSingleBounds Tel_svg::GetViewBox()
{
    TSVGAttributeObj *vb = GetAttrObj(at_viewBox);
    if (!vb->IsDefault())
        return vb->GetBounds();
    return {0, 0, atLengthAuto(at_width), atLengthAuto(at_height)};
}

float Tel_svg::GetViewBoxDiagonal()
{
    const TSingleBounds vb = GetViewBox();
    return std::sqrt((vb.Width * vb.Width + vb.Height * vb.Height) / 2);
}

TSVGTransform Tel_svg::calcRootMatrix()
{
    const float x = atLength(at_x), y = atLength(at_y);
    const float w = atLengthAuto(at_width), h = atLengthAuto(at_height);
    const TSVGTransform p = GetPositionMatrix(x, y);
    const TSingleBounds vb = GetViewBox();
    const TSVGPreserveAspectRatio par = atPAR();
    const TSinglePoint s = ViewBoxScale(vb, par, w, h);
    const TSinglePoint o = AdjustViewBoxOffset(ViewBoxOffset(s, vb, par, w, h));
    TSVGTransform m = MultiplyMatrix(GetExternalRotationMatrix(), GetExternalScaleMatrix());
    m = MultiplyMatrix(m, ScaleMatrix(s.X, s.Y));
    m = MultiplyMatrix(m, TranslationMatrix(-o.X, -o.Y));
    m = MultiplyMatrix(m, p);
    return MultiplyMatrix(m, GetExternalOffsetMatrix());
}

TSVGTransform Tel_svg::GetTransform()
{
    if (IsEmptyMatrix(m_rootMatrix))
        m_rootMatrix = calcRootMatrix();
    return m_rootMatrix;
}

void Tel_svg::PaintTo(Canvas &dc)
{
    TSVGCanvasClass cls = GetCanvasClass();
    if (!cls)
        return;
    std::unique_ptr<TSVGCanvas> canvas = cls->Create(dc);
    if (m_root)
        canvas->SetRasterScale(m_root->RasterScale());
    CalculateMatrices();
    PaintTree(*canvas);
}

// ---- the document -------------------------------------------------------------------

// A preparation or paint of the document: the kerning cache lives as long
// as the outermost one.
class TSVGRootObj::Pass {
public:
    explicit Pass(TSVGRootObj &root) : m_root(root)
    {
        if (m_root.m_passDepth++ == 0) {
            m_root.m_kerning = std::make_unique<TGPKerningText>();
            m_root.m_patternDepth = 0;
            ++m_root.m_passSerial;
        }
    }
    ~Pass()
    {
        if (--m_root.m_passDepth == 0)
            m_root.m_kerning.reset();
    }
    Pass(const Pass &) = delete;
    Pass &operator=(const Pass &) = delete;

private:
    TSVGRootObj &m_root;
};

TSVGCanvasClass DefaultSVGCanvasClass() { return TSVGGDIPCanvas::Class(); }

TSVGRootObj::TSVGRootObj() : TSVGRootObj(DefaultSVGCanvasClass()) {}

TSVGRootObj::TSVGRootObj(TSVGCanvasClass canvasClass) : Tel_svg(nullptr), m_canvasClass(canvasClass)
{
    m_root = this;
}

TSVGRootObj::~TSVGRootObj() { TSVGElementObj::Clear(); }

void TSVGRootObj::Clear()
{
    Tel_svg::Clear();
    m_source.clear();
    m_styleList.Clear();
    m_isPrepared = false;
}

TGPKerningText &TSVGRootObj::KerningText()
{
    if (!m_kerning)
        m_kerning = std::make_unique<TGPKerningText>();
    return *m_kerning;
}

bool TSVGRootObj::TakeCloneBudget(size_t elements)
{
    if (elements > m_cloneBudget)
        return false;
    m_cloneBudget -= elements;
    return true;
}

void TSVGRootObj::LoadFromFile(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
    LoadFromStream(f);
    m_fileName = fileName;
}

namespace {

// The lines of a text as a string list holds them (a final line break ends
// the last line rather than starting an empty one), each ended by CR LF.
QString crLfLines(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16 + 2);
    const QChar *p = text.constData(), *end = p + text.size();
    while (p < end) {
        const QChar *lineEnd = p;
        while (lineEnd < end && *lineEnd != u'\r' && *lineEnd != u'\n')
            ++lineEnd;
        out.append(p, lineEnd - p);
        out += QLatin1String("\r\n");
        if (lineEnd < end && *lineEnd == u'\r' && lineEnd + 1 < end && lineEnd[1] == u'\n')
            ++lineEnd;
        p = lineEnd + 1;
    }
    return out;
}

} // namespace

void TSVGRootObj::LoadFromStream(QIODevice &stream)
{
    QByteArray bytes = stream.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    LoadFromText(crLfLines(QString::fromUtf8(bytes)));
}

void TSVGRootObj::SaveToStream(QIODevice &stream) const
{
    stream.write("\xEF\xBB\xBF");
    stream.write(crLfLines(m_source).toUtf8());
}

void TSVGRootObj::SaveToFile(const QString &fileName) const
{
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, f.errorString()));
    SaveToStream(f);
    if (!f.commit())
        throw Exception(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, f.errorString()));
}

void TSVGRootObj::LoadFromText(const QString &text)
{
    Clear();
    QString t = text;
    if (t.startsWith(QLatin1String("\xEF\xBB\xBF")))
        t.remove(0, 3);
    m_source = t;
    {
        TvdxSVGXMLDocument doc;
        doc.LoadFromXML(t);
        TvdxSVGXMLItem *node = doc.SVGRoot();
        if (node->NodeName() == QLatin1String("svg"))
            LoadFromXMLItem(node);
        else
            m_source.clear();
    }
    Prepare();
}

void TSVGRootObj::ReadStyle(TvdxSVGXMLItem *node) { m_styleList.AddText(node->Text()); }

void TSVGRootObj::sureSizeAndViewBox()
{
    TSVGAttributeObj *w = GetAttrObj(at_width);
    TSVGAttributeObj *h = GetAttrObj(at_height);
    TSVGAttributeObj *vb = GetAttrObj(at_viewBox);
    // Missing sizes fall back on the host's.
    w->SetLengthAuto(m_externalBounds.Width);
    h->SetLengthAuto(m_externalBounds.Height);
    const int code = 100 * !w->IsDefault() + 10 * !h->IsDefault() + !vb->IsDefault();
    const TSingleBounds box = vb->GetBounds();
    if (code == 1) {
        w->SetLengthAuto(box.Width);
        h->SetLengthAuto(box.Height);
    } else if (code == 11 && box.Height != 0) {
        w->SetLengthAuto(h->GetLengthAuto() * box.Width / box.Height);
    } else if (code == 101 && box.Width != 0) {
        h->SetLengthAuto(w->GetLengthAuto() * box.Height / box.Width);
    }
}

namespace {

template <typename F>
void preOrder(TSVGElementObj *e, F &&f)
{
    f(e);
    for (int i = 0; i < e->Count(); ++i)
        preOrder(e->GetItem(i), f);
}

void clarifyUses(TSVGElementObj *e)
{
    if (e->Element() == el_use) {
        e->Construct();
        return;
    }
    for (int i = 0; i < e->Count(); ++i)
        clarifyUses(e->GetItem(i));
}

void constructPaths(TSVGElementObj *e)
{
    if (e->Element() == el_pattern)
        return;
    e->ConstructPath();
    for (int i = 0; i < e->Count(); ++i)
        constructPaths(e->GetItem(i));
}

void applySwitches(TSVGElementObj *e)
{
    e->ApplySwitch();
    for (int i = 0; i < e->Count(); ++i)
        if (e->GetItem(i)->SwitchedOn())
            applySwitches(e->GetItem(i));
}

} // namespace

void TSVGRootObj::Prepare()
{
    Pass pass(*this);
    if (!m_isPrepared) {
        ClarifyOwnShorthandProperties();
        for (int i = 0; i < Count(); ++i)
            GetItem(i)->ClarifyOwnShorthandProperties();
        preOrder(this, [](TSVGElementObj *e) { e->CollectStyles(); });
    }
    // After the cascade, so that the sizes read the document's values.
    sureSizeAndViewBox();
    if (m_isPrepared)
        return;
    m_cloneBudget = MaxClonedElements;
    clarifyUses(this);
    constructPaths(this);
    applySwitches(this);
    ClarifyBounds();
    m_isPrepared = true;
}

void TSVGRootObj::PaintTo(Canvas &dc)
{
    Pass pass(*this);
    Prepare();
    Tel_svg::PaintTo(dc);
}

float TSVGRootObj::GetOuterWidth()
{
    Prepare();
    if (IsAttrAbsent(at_width) && IsAttrAbsent(at_viewBox))
        return CalcChildrenBounds().Width;
    return GetWidth();
}

float TSVGRootObj::GetOuterHeight()
{
    Prepare();
    if (IsAttrAbsent(at_height) && IsAttrAbsent(at_viewBox))
        return CalcChildrenBounds().Height;
    return GetHeight();
}

float TSVGRootObj::GetHostDiagonal()
{
    const float w = m_externalBounds.Width, h = m_externalBounds.Height;
    return std::sqrt((w * w + h * h) / 2);
}

float TSVGRootObj::GetWidth() { return atLengthAuto(at_width); }
float TSVGRootObj::GetHeight() { return atLengthAuto(at_height); }

float TSVGRootObj::CalcFillOpacity()
{
    if (m_isFullOpacity)
        return 1;
    return atAlpha(at_opacity) * atAlpha(at_fill_opacity) * m_externalOpacity;
}

float TSVGRootObj::CalcStrokeOpacity()
{
    if (m_isFullOpacity)
        return 1;
    return atAlpha(at_opacity) * atAlpha(at_stroke_opacity) * m_externalOpacity;
}

void TSVGRootObj::ClarifyOwnShorthandProperties()
{
    TSVGElementObj::ClarifyOwnShorthandProperties();
    for (int i = 0; i < m_styleList.Count(); ++i)
        ClarifyFontShorthand(*m_styleList.GetStyle(i));
}

void TSVGRootObj::AssignTo(TSVGElementObj &dest) const
{
    Tel_svg::AssignTo(dest);
    if (auto *d = dynamic_cast<TSVGRootObj *>(&dest)) {
        d->m_styleList.Assign(m_styleList);
        d->m_source = m_source;
        d->m_externalBounds = m_externalBounds;
        d->m_externalFontSize = m_externalFontSize;
        d->m_externalFontName = m_externalFontName;
        d->m_externalOpacity = m_externalOpacity;
        d->m_externalAngle = m_externalAngle;
        d->m_externalScale = m_externalScale;
        d->m_externalCentered = m_externalCentered;
        d->m_canvasClass = m_canvasClass;
        d->m_rootMatrix = {};
        // The copy's cascade refers to its own rules, built again.
        d->m_isPrepared = false;
    }
}

TSVGElementObj *TSVGRootObj::CreateSameKind(TSVGElementObj *parent) const
{
    return parent ? static_cast<TSVGElementObj *>(new Tel_svg(parent)) : new TSVGRootObj(m_canvasClass);
}

TSinglePoint TSVGRootObj::AdjustViewBoxOffset(const TSinglePoint &offset)
{
    // The offset is counted in viewport units and applied after the external
    // scale, so it scales with it: otherwise a picture drawn at another size
    // than its own would leave its aligned place.
    return {offset.X * m_externalScale.X, offset.Y * m_externalScale.Y};
}

TSVGTransform TSVGRootObj::GetExternalOffsetMatrix()
{
    return TranslationMatrix(m_externalBounds.X, m_externalBounds.Y);
}

TSVGTransform TSVGRootObj::GetExternalScaleMatrix() { return ScaleMatrix(m_externalScale.X, m_externalScale.Y); }

TSVGTransform TSVGRootObj::GetExternalRotationMatrix()
{
    const float w = atLengthAuto(at_width), h = atLengthAuto(at_height);
    return MultiplyMatrix(MultiplyMatrix(TranslationMatrix(-w / 2, -h / 2), RotationMatrix(m_externalAngle)),
                          TranslationMatrix(w / 2, h / 2));
}

void TSVGRootObj::placementChanged(bool matrix)
{
    m_isPrepared = false;
    if (matrix)
        m_rootMatrix = {};
}

void TSVGRootObj::SetExternalOpacity(float v)
{
    if (SameSingle(v, m_externalOpacity))
        return;
    m_externalOpacity = v;
    placementChanged(false);
}

void TSVGRootObj::SetExternalAngle(float radians)
{
    if (SameSingle(radians, m_externalAngle))
        return;
    m_externalAngle = radians;
    placementChanged(true);
}

void TSVGRootObj::SetExternalFontSize(float v)
{
    if (SameSingle(v, m_externalFontSize))
        return;
    m_externalFontSize = v;
    placementChanged(true);
}

void TSVGRootObj::SetExternalFontName(const QString &v)
{
    if (v == m_externalFontName)
        return;
    m_externalFontName = v;
    placementChanged(false);
}

void TSVGRootObj::SetExternalBounds(const TSingleBounds &v)
{
    if (SameBounds(v, m_externalBounds))
        return;
    m_externalBounds = v;
    placementChanged(true);
}

void TSVGRootObj::SetExternalScale(const TSinglePoint &v)
{
    if (SamePoint(v, m_externalScale))
        return;
    m_externalScale = v;
    placementChanged(true);
}

void TSVGRootObj::SetExternalCentered(bool v)
{
    if (v == m_externalCentered)
        return;
    m_externalCentered = v;
    placementChanged(true);
}
