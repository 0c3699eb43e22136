#include "svg/vdSVGRoot.h"

#include "svg/vdSVGXML.h"

#include <QFile>
#include <cmath>

TSVGRootObj::TSVGRootObj() : TSVGElementObj(el_svg, nullptr) { m_root = this; }

TSVGRootObj::~TSVGRootObj() { TSVGElementObj::Clear(); }

void TSVGRootObj::Clear()
{
    TSVGElementObj::Clear();
    m_source.clear();
    m_styleList.Clear();
    m_isPrepared = false;
}

void TSVGRootObj::LoadFromFile(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
    QByteArray bytes = f.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    m_fileName = fileName;
    LoadFromText(QString::fromUtf8(bytes));
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
        w->SetLengthSW({vdx_noMater, box.Width, suNone});
        h->SetLengthSW({vdx_noMater, box.Height, suNone});
    } else if (code == 11 && box.Height != 0) {
        w->SetLengthSW({vdx_noMater, h->GetLengthAuto() * box.Width / box.Height, suNone});
    } else if (code == 101 && box.Width != 0) {
        h->SetLengthSW({vdx_noMater, w->GetLengthAuto() * box.Height / box.Width, suNone});
    }
}

void TSVGRootObj::Prepare()
{
    if (m_isPrepared)
        return;
    // Passes over the whole tree, in order: shorthands, cascades, bounds.
    std::vector<TSVGElementObj *> all;
    std::vector<TSVGElementObj *> work{this};
    while (!work.empty()) {
        TSVGElementObj *e = work.back();
        work.pop_back();
        all.push_back(e);
        for (int i = e->Count(); i-- > 0;)
            work.push_back(e->GetItem(i));
    }
    for (TSVGElementObj *e : all)
        e->ClarifyOwnShorthandProperties();
    for (TSVGElementObj *e : all)
        e->CollectStyles();
    // After the cascade, so that the sizes read the document's values.
    sureSizeAndViewBox();
    for (TSVGElementObj *e : all)
        e->ConstructPath();
    for (TSVGElementObj *e : all)
        e->ApplySwitch();
    ClarifyBounds();
    m_isPrepared = true;
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
    TSVGElementObj::AssignTo(dest);
    if (auto *d = dynamic_cast<TSVGRootObj *>(&dest)) {
        d->m_styleList.Assign(m_styleList);
        d->m_source = m_source;
        d->m_externalBounds = m_externalBounds;
        d->m_externalFontSize = m_externalFontSize;
        d->m_externalFontName = m_externalFontName;
        d->m_externalOpacity = m_externalOpacity;
        // The copy's cascade refers to its own rules, built again.
        d->m_isPrepared = false;
    }
}

TSVGElementObj *TSVGRootObj::CreateSameKind(TSVGElementObj *parent) const
{
    return parent ? TSVGElementObj::CreateSameKind(parent) : new TSVGRootObj();
}

void TSVGRootObj::SetExternalOpacity(float v)
{
    if (SameSingle(v, m_externalOpacity))
        return;
    m_externalOpacity = v;
    m_isPrepared = false;
}

void TSVGRootObj::SetExternalFontSize(float v)
{
    if (SameSingle(v, m_externalFontSize))
        return;
    m_externalFontSize = v;
    m_isPrepared = false;
}

void TSVGRootObj::SetExternalFontName(const QString &v)
{
    if (v == m_externalFontName)
        return;
    m_externalFontName = v;
    m_isPrepared = false;
}

void TSVGRootObj::SetExternalBounds(const TSingleBounds &v)
{
    if (SameBounds(v, m_externalBounds))
        return;
    m_externalBounds = v;
    m_isPrepared = false;
}
