// String resources (every caption and message by key, per language), the help
// topics of forms, the embedded raw resources and the image lists built from
// packed image strips per screen density.
#pragma once
#include "platform/Exception.h"
#include "core/vdCoreClasses.h"
#include "core/vdPersistent.h"

#include <QHash>
#include <QIODevice>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QWidget;
class TvdImageList;
class TvdBitmap;
class TvdStringResources;

VD_DECLARE_EXCEPTION(EResNotFound, Exception)

// ---------------------------------------------------------------- raw resources

// The bytes of an embedded raw data resource; throws EResNotFound
// ("Resource <name> not found") when there is none.
QByteArray vdLoadRawResource(const QString &name);
bool vdRawResourceExists(const QString &name);

// ------------------------------------------------------------ string resources

using TvdLanguage = QString;

class IvdStringResourcesChangedListener {
public:
    virtual ~IvdStringResourcesChangedListener() = default;
    virtual void StringResourcesChanged(TvdStringResources *sender) = 0;
};

// Listener base: the string resources never free a listener; its owner does.
class TvdStringResourcesChangedListener : public TvdInterfacedObject, public IvdStringResourcesChangedListener {
};

struct TvdHelpTopic {
    QString Sender; // class name
    QString Topic;  // page inside the help file
};

class TvdStringResources {
public:
    using TApplyLocalizationProc = void (*)(TvdStringResources *);

    TvdStringResources();
    virtual ~TvdStringResources();
    TvdStringResources(const TvdStringResources &) = delete;
    TvdStringResources &operator=(const TvdStringResources &) = delete;

    // The text of a key, or the key itself; either without one leading "!".
    QString Get(const QString &name) const;
    QString Get(int id) const { return Get(QString::number(id)); }
    bool Contains(const QString &name) const { return m_values.contains(name); }
    int Count() const { return static_cast<int>(m_values.size()); }

    // Stores a text when key and text are not empty, then notifies.
    void AddOrSet(const QString &name, const QString &value);
    void Add(const QString &name, const QString &value) { AddOrSet(name, value); }
    // Lines name=value (split at the first "="); lines without "=" are skipped.
    void AddStrings(const QStringList &values);
    // 8-bit text in the ANSI code page.
    void AddXML(const QByteArray &value);
    void LoadFromStream(QIODevice &stream);
    // Nothing happens when the file does not exist.
    void LoadFromFile(const QString &fileName);
    // Loads the embedded raw data resource of that name.
    void AddFormResource(const QString &resourceName);
    void Clear();

    void BeginUpdate() { ++m_updateCount; }
    void EndUpdate();
    bool IsUpdateLocked() const { return m_updateCount > 0; }

    void AddListener(IvdStringResourcesChangedListener *listener);
    void RemoveListener(IvdStringResourcesChangedListener *listener);

    const TvdLanguage &Language() const { return m_language; }
    void SetLanguage(const TvdLanguage &value);
    int CodePage() const { return m_codePage; }

    // Process-wide language table.
    static void Register(const TvdLanguage &language, TApplyLocalizationProc proc);
    static void Unregister(const TvdLanguage &language, TApplyLocalizationProc proc);
    static QStringList RegistredLanguages();

    // Help.
    const QString &HelpFile() const { return m_helpFile; }
    void SetHelpFile(const QString &value) { m_helpFile = value; }
    void AddHelpTopic(const QString &sender, const QString &topic);
    void RemoveHelpTopics(const QString &sender);
    const std::vector<TvdHelpTopic> &HelpTopics() const { return m_helpTopics; }
    // The path the help for a form of that class opens: program folder +
    // HelpFile, plus "::/" + topic when one is registered.
    QString HelpPath(const QString &senderClassName) const;
    // Opens nothing here: computes the path and hands it to the help viewer hook.
    void Help(const QObject *sender);
    void Help(const QString &senderClassName);

    // Shows help at a path (file + "::/" + page). The default opens nothing.
    using HelpViewer = std::function<void(QWidget *window, const QString &path)>;
    static void SetHelpViewer(HelpViewer viewer);
    static void ShowHtmlHelp(QWidget *window, const QString &path);

protected:
    virtual QString DefaultHelpFile() const { return QStringLiteral("VDUser.chm"); }
    virtual void AfterLoad() {}

private:
    void Changed();
    void loadDocument(QIODevice &stream);

    QHash<QString, QString> m_values;
    TvdLanguage m_language;
    QString m_helpFile;
    std::vector<TvdHelpTopic> m_helpTopics;
    int m_codePage = 0;
    QList<IvdStringResourcesChangedListener *> m_listeners;
    int m_updateCount = 0;
    bool m_pending = false;
};

// The process-wide object, created on first use (the English texts loaded).
TvdStringResources *GetStringResources();

// A component whose Language property reads and writes the process-wide language.
class TvdLocalizationController : public TvdComponent {
    Q_OBJECT
    Q_PROPERTY(QString Language READ Language WRITE SetLanguage)
    // Stored only when it is not "English".
    Q_CLASSINFO("default:Language", "English")
public:
    explicit TvdLocalizationController(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
    QString Language() const;
    void SetLanguage(const QString &value);
    bool IsLanguageStored() const;
};

// ------------------------------------------------------------- image resources

class TvdImageResources {
public:
    TvdImageResources();
    virtual ~TvdImageResources();
    TvdImageResources(const TvdImageResources &) = delete;
    TvdImageResources &operator=(const TvdImageResources &) = delete;

    int ImagesPPI() const { return m_imagesPPI; }
    // Rounds down to a multiple of 24 (at least 24); a new value runs the reset hook.
    void SetImagesPPI(int value);

    // The list for name + density (0: the current density); a missing one is
    // created with tiles of tile size * density / 96.
    TvdImageList *GetImageList(const QString &listName, int ppi = 0) { return GetImageList(listName, ppi, 16, 16); }
    virtual TvdImageList *GetImageList(const QString &listName, int ppi, int tileWidth, int tileHeight);
    bool HasImageList(const QString &listName, int ppi) const;
    // Store keys (list name + density), in creation order.
    QStringList ImageListKeys() const { return m_order; }

    // A packed strip resource unpacked, decoded and scaled to the density.
    static std::unique_ptr<TvdBitmap> LoadStrip(const QString &resourceName, int ppi);
    // Tile size at a density: tile * ppi / 96, integer division of the product.
    static int ScaledTile(int tile, int ppi) { return tile * ppi / 96; }

protected:
    virtual void ResetImages() {}

private:
    int m_imagesPPI = 96;
    std::map<QString, std::unique_ptr<TvdImageList>> m_lists;
    QStringList m_order;
};
