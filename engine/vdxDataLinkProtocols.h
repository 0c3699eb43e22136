// The process-wide data-link protocol registry: the scheme of a link (the
// text before "://") names a protocol class that loads the linked content
// into a stream. This program registers none, so links load nothing.
#pragma once
#include "platform/Exception.h"
#include "report/vdxClass_datalink.h"

#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <shared_mutex>

class QIODevice;


// Base of protocols; a protocol overrides LoadBy.
class TvdxCustomDatalinkProtocol {
public:
    virtual ~TvdxCustomDatalinkProtocol() = default;
    // Loads what Link names into Stream (Link may be rewritten); BoundData is
    // the object given at registration.
    virtual bool LoadBy(QString &link, QIODevice &stream, QObject *boundData);
    virtual QString ClassName() const { return QStringLiteral("TvdxCustomDatalinkProtocol"); }
};
// Protocols are stateless: one shared instance stands for the class.
using TvdxCustomDatalinkProtocolClass = std::shared_ptr<TvdxCustomDatalinkProtocol>;

struct TvdxProtocolItem {
    QString ProtocolName;
    TvdxCustomDatalinkProtocolClass Protocol;
    QObject *Data = nullptr; // not owned
};

class TvdxDataLinkProtocols {
public:
    TvdxDataLinkProtocols() = default;
    ~TvdxDataLinkProtocols();
    TvdxDataLinkProtocols(const TvdxDataLinkProtocols &) = delete;
    TvdxDataLinkProtocols &operator=(const TvdxDataLinkProtocols &) = delete;

    // A null class is ignored; duplicates are kept and the first one wins.
    void Register(const TvdxCustomDatalinkProtocolClass &aClass, const QString &protocolName,
                  QObject *boundData = nullptr);
    void Unregister(const QString &protocolName);
    // The first item whose name equals the link's scheme ignoring ASCII case.
    const TvdxProtocolItem *GetProtocolItem(const QString &link) const;
    TvdxCustomDatalinkProtocolClass GetProtocol(const QString &link) const;
    const TvdxProtocolItem *GetItem(int index) const;
    int Count() const;
    // Protocol errors propagate.
    bool LoadByLink(QString &link, QIODevice &stream) const;
    // Any error gives False.
    bool LoadToObject(QString &link, IvdxDataLinkObject *dataLinkObject) const;

    // The scheme of a link: the text before the first "://", empty without one.
    static QString Scheme(const QString &link);

private:
    const TvdxProtocolItem *findItem(const QString &link) const;

    QList<TvdxProtocolItem *> FList;
    // Look-ups share it; registration holds it alone.
    mutable std::shared_mutex FLock;
};

// The single registry, created on first use; it becomes the loader views
// reach through vdxLoadDataLink.
TvdxDataLinkProtocols *vdxDataLinkProtocolRegistry();
