// String resources, languages and help.
#include "core/vdResources.h"
#include "core/vdXML.h"
#include "platform/CodePage.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

struct LanguageEntry {
    TvdLanguage name;
    QList<TvdStringResources::TApplyLocalizationProc> procs;
};

// Registration order stands in for the table's bucket order.
QList<LanguageEntry> &languageTable()
{
    static QList<LanguageEntry> table;
    return table;
}

LanguageEntry *findLanguage(const TvdLanguage &name)
{
    for (LanguageEntry &e : languageTable())
        if (e.name.compare(name, Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

TvdStringResources::HelpViewer &helpViewer()
{
    static TvdStringResources::HelpViewer viewer;
    return viewer;
}

const char *const kEnglishDocuments[] = {
    "qmxrcDesgnEnglish", "qmxrcExportsEnglish", "qmxrcStringsEnglish", "vdxrcClassEnglish",
    "vdxrcDesgnEnglish", "vdxrcExportsEnglish", "vdxrcInspEnglish",
};

void applyEnglish(TvdStringResources *res)
{
    for (const char *name : kEnglishDocuments)
        res->AddFormResource(QString::fromLatin1(name));
}

class UpdateLock {
public:
    explicit UpdateLock(TvdStringResources *r) : m_r(r) { m_r->BeginUpdate(); }
    ~UpdateLock() { m_r->EndUpdate(); }
    UpdateLock(const UpdateLock &) = delete;
    UpdateLock &operator=(const UpdateLock &) = delete;
private:
    TvdStringResources *m_r;
};

std::unique_ptr<TvdStringResources> &globalResources()
{
    static std::unique_ptr<TvdStringResources> instance;
    return instance;
}

bool g_creating = false;

} // namespace

TvdStringResources *GetStringResources()
{
    std::unique_ptr<TvdStringResources> &instance = globalResources();
    if (!instance && !g_creating) {
        g_creating = true;
        instance = std::make_unique<TvdStringResources>();
        if (!findLanguage(QStringLiteral("English")))
            languageTable().append({QStringLiteral("English"), {&applyEnglish}});
        instance->SetLanguage(QStringLiteral("English"));
        vdRegisterClass<TvdLocalizationController>();
        g_creating = false;
    }
    return instance.get();
}

// ------------------------------------------------------------ TvdStringResources

TvdStringResources::TvdStringResources()
{
    m_helpFile = TvdStringResources::DefaultHelpFile();
}

TvdStringResources::~TvdStringResources() = default;

QString TvdStringResources::Get(const QString &name) const
{
    auto it = m_values.constFind(name);
    QString s = it == m_values.constEnd() ? name : it.value();
    if (s.startsWith(QLatin1Char('!')))
        s.remove(0, 1);
    return s;
}

void TvdStringResources::AddOrSet(const QString &name, const QString &value)
{
    if (name.isEmpty() || value.isEmpty())
        return;
    m_values.insert(name, value);
    Changed();
}

void TvdStringResources::AddStrings(const QStringList &values)
{
    UpdateLock lock(this);
    for (const QString &line : values) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        AddOrSet(line.left(eq), line.mid(eq + 1));
    }
}

void TvdStringResources::AddXML(const QByteArray &value)
{
    // An old-style document is read through the ANSI code page anyway; only a
    // new-style one needs the text as UTF-8, else its non-ASCII letters would
    // be converted twice.
    QByteArray bytes;
    const int headEnd = value.indexOf("?>");
    const QByteArray head = headEnd < 0 ? QByteArray() : value.left(headEnd);
    const int v = head.indexOf("version=");
    const bool oldStyle = v >= 0 && head.mid(v + 9, 3) == "1.0" && !head.contains("standalone=");
    bytes = oldStyle ? value : DecodeAnsi(value).toUtf8();
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    LoadFromStream(buf);
}

void TvdStringResources::LoadFromStream(QIODevice &stream)
{
    bool wasResources = false;
    {
        UpdateLock lock(this);
        TvdXMLDocument doc;
        doc.LoadFromStream(stream, false);
        TvdXMLItem *root = doc.Root();
        if (root->Name().compare(QLatin1String("Resources"), Qt::CaseInsensitive) == 0) {
            const QString cp = root->GetProp(QStringLiteral("CodePage")).trimmed();
            bool ok = false;
            const int codePage = cp.toInt(&ok);
            if (!ok)
                throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(cp));
            m_codePage = codePage;
            for (int i = 0; i < root->Count(); ++i) {
                TvdXMLItem *item = root->Items(i);
                if (item->Name().compare(QLatin1String("StrRes"), Qt::CaseInsensitive) != 0)
                    continue;
                AddOrSet(item->GetProp(QStringLiteral("Name")),
                         UnescapeXMLAttr(item->GetProp(QStringLiteral("Text"))));
            }
            wasResources = true;
        }
    }
    if (wasResources)
        AfterLoad();
}

void TvdStringResources::LoadFromFile(const QString &fileName)
{
    QFile f(fileName);
    if (!f.exists() || !f.open(QIODevice::ReadOnly))
        return;
    LoadFromStream(f);
}

void TvdStringResources::AddFormResource(const QString &resourceName)
{
    QByteArray bytes = vdLoadRawResource(resourceName);
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    LoadFromStream(buf);
}

void TvdStringResources::Clear()
{
    m_values.clear();
    Changed();
}

void TvdStringResources::EndUpdate()
{
    if (m_updateCount > 0)
        --m_updateCount;
    if (m_pending)
        Changed();
}

void TvdStringResources::Changed()
{
    if (m_updateCount > 0) {
        m_pending = true;
        return;
    }
    m_pending = false;
    // A listener may remove itself while being told.
    const QList<IvdStringResourcesChangedListener *> listeners = m_listeners;
    for (IvdStringResourcesChangedListener *l : listeners)
        if (m_listeners.contains(l))
            l->StringResourcesChanged(this);
}

void TvdStringResources::AddListener(IvdStringResourcesChangedListener *listener)
{
    if (listener && !m_listeners.contains(listener))
        m_listeners.append(listener);
}

void TvdStringResources::RemoveListener(IvdStringResourcesChangedListener *listener)
{
    m_listeners.removeAll(listener);
}

void TvdStringResources::SetLanguage(const TvdLanguage &value)
{
    if (value == m_language)
        return;
    m_language = value;
    LanguageEntry *entry = findLanguage(value);
    if (!entry)
        return;
    const auto procs = entry->procs;
    UpdateLock lock(this);
    for (TApplyLocalizationProc proc : procs)
        proc(this);
}

void TvdStringResources::Register(const TvdLanguage &language, TApplyLocalizationProc proc)
{
    if (!proc)
        return;
    LanguageEntry *entry = findLanguage(language);
    if (!entry) {
        languageTable().append({language, {}});
        entry = &languageTable().last();
    }
    entry->procs.append(proc);
    TvdStringResources *res = GetStringResources();
    if (res && res->Language().compare(language, Qt::CaseInsensitive) == 0)
        proc(res);
}

void TvdStringResources::Unregister(const TvdLanguage &language, TApplyLocalizationProc proc)
{
    QList<LanguageEntry> &table = languageTable();
    for (int i = 0; i < table.size(); ++i)
        if (table[i].name.compare(language, Qt::CaseInsensitive) == 0) {
            table[i].procs.removeAll(proc);
            if (table[i].procs.isEmpty())
                table.removeAt(i);
            return;
        }
}

QStringList TvdStringResources::RegistredLanguages()
{
    QStringList r;
    for (const LanguageEntry &e : languageTable())
        r << e.name;
    return r;
}

// ------------------------------------------------------------------------ help

void TvdStringResources::AddHelpTopic(const QString &sender, const QString &topic)
{
    m_helpTopics.push_back({sender, topic});
}

void TvdStringResources::RemoveHelpTopics(const QString &sender)
{
    std::erase_if(m_helpTopics,
                  [&](const TvdHelpTopic &t) { return t.Sender.compare(sender, Qt::CaseInsensitive) == 0; });
}

QString TvdStringResources::HelpPath(const QString &senderClassName) const
{
    QString suffix;
    for (const TvdHelpTopic &t : m_helpTopics)
        if (t.Sender.compare(senderClassName, Qt::CaseInsensitive) == 0) {
            suffix = QStringLiteral("::/") + t.Topic;
            break;
        }
    QString folder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + m_helpFile + suffix;
}

void TvdStringResources::Help(const QString &senderClassName)
{
    if (senderClassName.isEmpty())
        return;
    ShowHtmlHelp(nullptr, HelpPath(senderClassName));
}

void TvdStringResources::Help(const QObject *sender)
{
    if (!sender)
        return;
    Help(QString::fromLatin1(sender->metaObject()->className()));
}

void TvdStringResources::SetHelpViewer(HelpViewer viewer)
{
    helpViewer() = std::move(viewer);
}

void TvdStringResources::ShowHtmlHelp(QWidget *window, const QString &path)
{
    if (helpViewer())
        helpViewer()(window, path);
}

// -------------------------------------------------------- localization controller

QString TvdLocalizationController::Language() const
{
    return GetStringResources()->Language();
}

void TvdLocalizationController::SetLanguage(const QString &value)
{
    GetStringResources()->SetLanguage(value);
}

bool TvdLocalizationController::IsLanguageStored() const
{
    return Language().compare(QLatin1String("English"), Qt::CaseInsensitive) != 0;
}
