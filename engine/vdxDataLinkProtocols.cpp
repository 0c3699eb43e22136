#include "engine/vdxDataLinkProtocols.h"

#include "report/vdxClass_component.h"

#include <QBuffer>
#include <mutex>

bool TvdxCustomDatalinkProtocol::LoadBy(QString &, QIODevice &, QObject *)
{
    throw EAbstractError(QStringLiteral("Method LoadBy in %1").arg(ClassName()));
}

// ---------------------------------------------------------------------------
TvdxDataLinkProtocols::~TvdxDataLinkProtocols()
{
    std::unique_lock lock(FLock);
    qDeleteAll(FList);
    FList.clear();
}

void TvdxDataLinkProtocols::Register(const TvdxCustomDatalinkProtocolClass &aClass, const QString &protocolName,
                                     QObject *boundData)
{
    if (!aClass)
        return;
    std::unique_lock lock(FLock);
    FList.append(new TvdxProtocolItem{protocolName, aClass, boundData});
}

void TvdxDataLinkProtocols::Unregister(const QString &protocolName)
{
    std::unique_lock lock(FLock);
    for (int i = 0; i < FList.size(); ++i)
        if (FList[i]->ProtocolName.compare(protocolName, Qt::CaseInsensitive) == 0) {
            delete FList.takeAt(i);
            return;
        }
}

QString TvdxDataLinkProtocols::Scheme(const QString &link)
{
    const qsizetype at = link.indexOf(QLatin1String("://"));
    return at < 0 ? QString() : link.left(at);
}

static bool sameAsciiNoCase(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= 'A' && x <= 'Z')
            x = char16_t(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = char16_t(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

const TvdxProtocolItem *TvdxDataLinkProtocols::findItem(const QString &link) const
{
    const QString scheme = Scheme(link);
    for (auto *item : FList)
        if (sameAsciiNoCase(item->ProtocolName, scheme))
            return item;
    return nullptr;
}

const TvdxProtocolItem *TvdxDataLinkProtocols::GetProtocolItem(const QString &link) const
{
    std::shared_lock lock(FLock);
    return findItem(link);
}

TvdxCustomDatalinkProtocolClass TvdxDataLinkProtocols::GetProtocol(const QString &link) const
{
    std::shared_lock lock(FLock);
    const auto *item = findItem(link);
    return item ? item->Protocol : nullptr;
}

const TvdxProtocolItem *TvdxDataLinkProtocols::GetItem(int index) const
{
    std::shared_lock lock(FLock);
    return index >= 0 && index < FList.size() ? FList[index] : nullptr;
}

int TvdxDataLinkProtocols::Count() const
{
    std::shared_lock lock(FLock);
    return int(FList.size());
}

bool TvdxDataLinkProtocols::LoadByLink(QString &link, QIODevice &stream) const
{
    TvdxCustomDatalinkProtocolClass protocol;
    QObject *data = nullptr;
    {
        std::shared_lock lock(FLock);
        const auto *item = findItem(link);
        if (!item)
            return false;
        protocol = item->Protocol;
        data = item->Data;
    }
    return protocol->LoadBy(link, stream, data);
}

bool TvdxDataLinkProtocols::LoadToObject(QString &link, IvdxDataLinkObject *dataLinkObject) const
{
    if (!dataLinkObject)
        return false;
    try {
        QBuffer stream;
        stream.open(QIODevice::ReadWrite);
        if (!LoadByLink(link, stream))
            return false;
        stream.seek(0);
        return dataLinkObject->LoadDataFromStream(stream, link);
    } catch (...) {
        return false;
    }
}

TvdxDataLinkProtocols *vdxDataLinkProtocolRegistry()
{
    static TvdxDataLinkProtocols registry;
    static const bool hooked = [] {
        vdxSetDataLinkLoader([](QString &link, IvdxDataLinkObject *object) {
            return registry.LoadToObject(link, object);
        });
        return true;
    }();
    Q_UNUSED(hooked)
    return &registry;
}
