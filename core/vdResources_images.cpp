// Embedded raw resources and the per-density image-list store.
#include "core/vdResources.h"
#include "core/vdGZip.h"
#include "core/vdGraphics.h"
#include "core/vdImageList.h"

#include <QBuffer>
#include <QFile>

static void vdInitResourceData()
{
    // The resources live in a static library: make sure they are linked in.
    static const bool done = [] {
        Q_INIT_RESOURCE(vdResources);
        return true;
    }();
    (void)done;
}

namespace {
QString rawPath(const QString &name)
{
    return QStringLiteral(":/vdraw/") + name;
}
} // namespace

bool vdRawResourceExists(const QString &name)
{
    vdInitResourceData();
    return !name.isEmpty() && QFile::exists(rawPath(name));
}

QByteArray vdLoadRawResource(const QString &name)
{
    vdInitResourceData();
    QFile f(rawPath(name));
    if (name.isEmpty() || !f.open(QIODevice::ReadOnly))
        throw EResNotFound(QStringLiteral("Resource %1 not found").arg(name));
    return f.readAll();
}

// ------------------------------------------------------------ TvdImageResources

TvdImageResources::TvdImageResources() = default;
TvdImageResources::~TvdImageResources() = default;

void TvdImageResources::SetImagesPPI(int value)
{
    const int ppi = qMax(24, value / 24 * 24);
    if (ppi == m_imagesPPI)
        return;
    m_imagesPPI = ppi;
    ResetImages();
}

bool TvdImageResources::HasImageList(const QString &listName, int ppi) const
{
    return m_lists.count(listName + QString::number(ppi ? ppi : m_imagesPPI)) > 0;
}

TvdImageList *TvdImageResources::GetImageList(const QString &listName, int ppi, int tileWidth, int tileHeight)
{
    if (ppi == 0)
        ppi = m_imagesPPI;
    const QString key = listName + QString::number(ppi);
    auto it = m_lists.find(key);
    if (it == m_lists.end()) {
        it = m_lists.emplace(key, std::make_unique<TvdImageList>(ScaledTile(tileWidth, ppi), ScaledTile(tileHeight, ppi)))
                 .first;
        m_order << key;
    }
    return it->second.get();
}

std::unique_ptr<TvdBitmap> TvdImageResources::LoadStrip(const QString &resourceName, int ppi)
{
    QByteArray packed = vdLoadRawResource(resourceName);
    QBuffer source(&packed);
    source.open(QIODevice::ReadOnly);
    QBuffer bmp;
    bmp.open(QIODevice::ReadWrite);
    GUnzipStream(source, bmp);
    bmp.seek(0);
    auto strip = std::make_unique<TvdBitmap>();
    strip->LoadFromStream(bmp);
    ScaleBitmapToPPI(*strip, ppi);
    return strip;
}
