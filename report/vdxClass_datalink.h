// Data links: where a view loads its content from (a file name, an address,
// or an expression that yields one) instead of from the template.
#pragma once
#include "core/vdPersistent.h"
#include "report/vdxClass_component.h"

class TvdxDataLink : public TvdPersistent {
    Q_OBJECT
public:
    enum TvdxDataLinkProcessing { dpString, dpExpression };
    Q_ENUM(TvdxDataLinkProcessing)
    enum TvdxDataLinkLoadType { dltOnGetData = 1, dltOnPreview = 2 };
    Q_DECLARE_FLAGS(TvdxDataLinkLoading, TvdxDataLinkLoadType)
    Q_FLAG(TvdxDataLinkLoading)
    // The moment a view asks for its link.
    enum TvdxDataLinkLoadMethod { dlmGetLink, dlmOnGetData, dlmOnLoading };

private:
    Q_PROPERTY(QString Link READ Link WRITE SetLink)
    Q_PROPERTY(TvdxDataLinkProcessing ProcessingType READ ProcessingType WRITE SetProcessingType)
    Q_PROPERTY(TvdxDataLinkLoading LoadingType READ LoadingType WRITE SetLoadingType)
    Q_CLASSINFO("default:ProcessingType", "dpString")
    Q_CLASSINFO("default:LoadingType", "dltOnGetData")

public:
    TvdxDataLink();

    QString Link() const { return m_link; }
    void SetLink(const QString &value);
    TvdxDataLinkProcessing ProcessingType() const { return m_processingType; }
    void SetProcessingType(TvdxDataLinkProcessing v) { m_processingType = v; }
    TvdxDataLinkLoading LoadingType() const { return m_loadingType; }
    void SetLoadingType(TvdxDataLinkLoading v) { m_loadingType = v; }
    QString TempLink() const { return m_tempLink; }

    void Assign(const TvdPersistent *source) override;
    // Attributes of PropName.Link and PropName.LoadingType when a preview link changed.
    QString Diff(const QString &propName, const TvdxDataLink *aDataLink) const;

    static TvdxDataLinkLoadType GetLoadType(TvdxDataLinkLoadMethod method);
    static QString GetLink(const TvdxDataLink *link, TvdxDataLinkLoadMethod method);
    static bool IsDataLinkStored(const TvdxDataLink *link, TvdxComponent::TvdxComponentState state);
    static bool IsExpressionLink(const TvdxDataLink *link);
    static void SaveState(TvdxDataLink *link);
    static void RestoreState(TvdxDataLink *link);

private:
    QString m_link;
    QString m_tempLink;
    TvdxDataLinkProcessing m_processingType = dpString;
    TvdxDataLinkLoading m_loadingType = dltOnGetData;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdxDataLink::TvdxDataLinkLoading)

class QIODevice;

// A view that takes content loaded through a data link.
class IvdxDataLinkObject {
public:
    virtual ~IvdxDataLinkObject() = default;
    // The loaded content (the stream at position 0) and the link that named
    // it; True when the content was taken.
    virtual bool LoadDataFromStream(QIODevice &stream, const QString &link) = 0;
    // The link to load at the given moment; empty for none.
    virtual QString GetLink(TvdxDataLink::TvdxDataLinkLoadMethod method) const
    {
        Q_UNUSED(method)
        return QString();
    }
    virtual bool IsExpressionLink() const { return false; }
};

// Loads a link into an object through the process-wide protocol registry;
// the registry installs itself here when it is created. Without it, or when
// no protocol takes the link, nothing loads and the answer is False.
using TvdxDataLinkLoader = bool (*)(QString &link, IvdxDataLinkObject *object);
void vdxSetDataLinkLoader(TvdxDataLinkLoader loader);
bool vdxLoadDataLink(QString &link, IvdxDataLinkObject *object);
