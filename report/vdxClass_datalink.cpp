#include "report/vdxClass_datalink.h"
#include "core/vdXML.h"

#include <atomic>

namespace {
std::atomic<TvdxDataLinkLoader> g_loader{nullptr};
}

void vdxSetDataLinkLoader(TvdxDataLinkLoader loader) { g_loader.store(loader); }

bool vdxLoadDataLink(QString &link, IvdxDataLinkObject *object)
{
    const TvdxDataLinkLoader loader = g_loader.load();
    return loader && object && !link.isEmpty() && loader(link, object);
}

TvdxDataLink::TvdxDataLink() = default;

void TvdxDataLink::SetLink(const QString &value)
{
    if (value != m_link)
        m_link = value;
}

void TvdxDataLink::Assign(const TvdPersistent *source)
{
    const auto *src = qobject_cast<const TvdxDataLink *>(source);
    if (!src || src == this)
        return;
    SetLink(src->m_link);
    m_processingType = src->m_processingType;
    m_loadingType = src->m_loadingType;
}

QString TvdxDataLink::Diff(const QString &propName, const TvdxDataLink *a) const
{
    if (!a || !m_loadingType.testFlag(dltOnPreview) || m_link == a->m_link)
        return QString();
    return QLatin1Char(' ') + propName + QLatin1String(".Link=\"") + EscapeXMLAttr(m_link) + QLatin1Char('"')
           + QLatin1Char(' ') + propName + QLatin1String(".LoadingType=\"") + QString::number(int(m_loadingType))
           + QLatin1Char('"');
}

TvdxDataLink::TvdxDataLinkLoadType TvdxDataLink::GetLoadType(TvdxDataLinkLoadMethod method)
{
    return method == dlmOnGetData ? dltOnGetData : dltOnPreview;
}

QString TvdxDataLink::GetLink(const TvdxDataLink *link, TvdxDataLinkLoadMethod method)
{
    if (!link)
        return QString();
    if (method == dlmGetLink || link->m_loadingType.testFlag(GetLoadType(method)))
        return link->m_link;
    return QString();
}

bool TvdxDataLink::IsDataLinkStored(const TvdxDataLink *link, TvdxComponent::TvdxComponentState state)
{
    return link && !link->m_link.isEmpty()
           && (link->m_loadingType.testFlag(dltOnPreview) || !state.testFlag(TvdxComponent::csVdxSerializeToDict));
}

bool TvdxDataLink::IsExpressionLink(const TvdxDataLink *link) { return link && link->m_processingType == dpExpression; }

void TvdxDataLink::SaveState(TvdxDataLink *link)
{
    if (IsExpressionLink(link))
        link->m_tempLink = link->m_link;
}

void TvdxDataLink::RestoreState(TvdxDataLink *link)
{
    if (IsExpressionLink(link)) {
        link->SetLink(link->m_tempLink);
        link->m_tempLink.clear();
    }
}
