// Template inheritance: a report whose ParentReport names an ancestor template
// loads the ancestor first, keeps a hidden copy of it for saving only what
// differs, and can be turned into an inheriting report afterwards.
#include "core/vdxVariables.h"
#include "platform/UiProvider.h"
#include "report/vdxClass_band.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_page.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_styles.h"
#include "report/vdxClass_view.h"
#include "report/vdxInheritError.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRadioButton>
#include <QSet>

namespace {

// Files whose ancestors are loading on this thread, outermost first: an
// ancestor already in the list would load forever.
thread_local QStringList t_ancestorChain;
constexpr int kMaxInheritDepth = 32;

class ChainEntry {
public:
    explicit ChainEntry(const QStringList &keys) : m_count(0)
    {
        for (const QString &k : keys)
            if (!k.isEmpty()) {
                t_ancestorChain.append(k);
                ++m_count;
            }
    }
    ~ChainEntry()
    {
        for (int i = 0; i < m_count; ++i)
            t_ancestorChain.removeLast();
    }
    ChainEntry(const ChainEntry &) = delete;
    ChainEntry &operator=(const ChainEntry &) = delete;

private:
    int m_count;
};

QString slashes(QString path)
{
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

// Names that are neither drive paths ("C:..."), network paths nor rooted.
bool isRelativeName(const QString &name)
{
    const QString n = slashes(name);
    return n.size() >= 2 && n.at(1) != QLatin1Char(':') && !n.startsWith(QLatin1Char('/'));
}

// The same file whatever the spelling of its path.
QString fileKey(const QString &path)
{
    if (path.isEmpty())
        return QString();
    const QFileInfo fi(slashes(path));
    const QString canonical = fi.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(fi.absoluteFilePath()) : canonical;
}

QString folderOf(const QString &fileName)
{
    const QString f = slashes(fileName);
    return f.isEmpty() ? QString() : QFileInfo(f).path();
}

QString joinPath(const QString &folder, const QString &name)
{
    if (folder.isEmpty())
        return name;
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// Comment marks of a script language around the ancestor's script.
struct CommentMarks {
    QString open, close, line;
};

CommentMarks commentMarks(const QString &language)
{
    if (language == QLatin1String("D++Edirud") || language == QLatin1String("JScript"))
        return {QStringLiteral("/*"), QStringLiteral("*/"), QStringLiteral("//")};
    if (language == QLatin1String("DadavOvurid"))
        return {QStringLiteral("/\\"), QStringLiteral("/\\"), QStringLiteral("'")};
    if (language == QLatin1String("VevuvaRirivo"))
        return {QStringLiteral("{"), QStringLiteral("}"), QStringLiteral("//")};
    return {};
}

// A relative name is looked for beside the report's file, then in the
// application folder.
QString ancestorPath(const QString &value, const QString &fileName, const QString &appFolder)
{
    const QString path = slashes(value);
    if (!isRelativeName(value))
        return path;
    QString joined = joinPath(folderOf(fileName), path);
    if (joined.size() >= 260)
        joined = QDir::cleanPath(joined);
    return QFileInfo(joined).isFile() ? joined : joinPath(appFolder, path);
}

bool isPage(const TvdxComponent *c) { return qobject_cast<const TvdxPage *>(c) != nullptr; }

} // namespace

void TvdxReport::setAncestorFlags(bool value)
{
    SetAncestor(value);
    for (TvdxComponent *c : GetAllObjects())
        c->SetAncestor(value);
}

void TvdxReport::GetAncestor(const QString &name, TvdPersistent *&ancestor)
{
    ancestor = nullptr;
    if (!m_parentReportObject)
        return;
    if (name == Name())
        ancestor = m_parentReportObject.get();
    else
        ancestor = m_parentReportObject->FindObject(name);
}

void TvdxReport::SetParentReport(const QString &value)
{
    if (m_parentReportObject)
        m_parentReportObject.reset();
    m_parentReport = value;
    if (value.isEmpty()) {
        setAncestorFlags(false);
        return;
    }
    loadAncestor(value);
}

void TvdxReport::loadAncestor(const QString &value)
{
    const QString savedFileName = m_fileName;
    TvdxXMLSerializer *const savedSerializer = m_xmlSerializer;
    const bool wasLoading = HasState(csLoading);

    const QString path = OnLoadTemplate ? QString() : ancestorPath(value, m_fileName, GetApplicationFolder());
    // An ancestor naming its own descendant (or itself) would load forever.
    const QString key = OnLoadTemplate ? QStringLiteral("?") + value.toLower() : fileKey(path);
    const QString ownKey = fileKey(m_fileName);
    if (key == ownKey || t_ancestorChain.contains(key) || t_ancestorChain.size() >= kMaxInheritDepth) {
        AddError(QStringLiteral("Circular inheritance: %1").arg(value));
        return;
    }
    const bool missing = !OnLoadTemplate && !QFileInfo(path).isFile();
    {
        ChainEntry entry({t_ancestorChain.contains(ownKey) ? QString() : ownKey, key});
        if (OnLoadTemplate)
            OnLoadTemplate(this, value);
        else if (!missing)
            LoadFromFile(path);
    }
    if (missing)
        AddError(QStringLiteral("Ancestor report \"%1\" not found").arg(value));
    if (wasLoading)
        SetState(csLoading);

    // The hidden copy of the ancestor, made from what was just read.
    auto ancestor = std::make_unique<TvdxReport>();
    ancestor->EngineOptions()->AssignThreadProps(m_engineOptions.get());
    ancestor->m_fileName = m_fileName;
    ancestor->OnLoadTemplate = OnLoadTemplate;
    std::unique_ptr<TvdxReport> inner = std::move(m_parentReportObject);
    const QString innerName = m_parentReport;
    m_parentReport.clear();
    try {
        ancestor->AssignAll(this, true);
    } catch (...) {
        m_parentReport = value;
        m_fileName = savedFileName;
        m_xmlSerializer = savedSerializer;
        throw;
    }
    if (inner) {
        ancestor->m_parentReportObject = std::move(inner);
        ancestor->m_parentReport = innerName;
    }
    m_parentReportObject = std::move(ancestor);
    m_fileName = savedFileName;

    // Ancestor pages keep their sizes as they are (custom paper).
    for (TvdxComponent *c : m_parentReportObject->Objects().List())
        if (qobject_cast<TvdxReportPage *>(c) && c->metaObject()->indexOfProperty("PaperSize") >= 0)
            c->setProperty("PaperSize", 256);
    for (int i = 0; i < m_variables->Count(); ++i)
        m_variables->Items(i)->SetIsInherited(true);
    for (int i = 0; i < m_styles->Count(); ++i)
        m_styles->GetItem(i)->SetIsInherited(true);
    setAncestorFlags(true);
    m_parentReport = value;
    m_xmlSerializer = savedSerializer;
}

void TvdxReport::adjustParentReportPath(const QString &target)
{
    if (!m_parentReportObject || m_parentReport.size() <= 2 || !isRelativeName(m_parentReport))
        return;
    if (QFileInfo(joinPath(GetApplicationFolder(), slashes(m_parentReport))).isFile())
        return;
    if (target.isEmpty() || OnLoadTemplate || m_parentReportObject->FileName().isEmpty())
        return;
    const QString ancestorFile = QDir::cleanPath(QFileInfo(slashes(m_parentReportObject->FileName())).absoluteFilePath());
    m_parentReport = QDir(QFileInfo(slashes(target)).absolutePath()).relativeFilePath(ancestorFile);
}

// ---------------------------------------------------------------------------
namespace {

// Folds a former report into the report that now holds the template.
class InheritMerger {
public:
    InheritMerger(TvdxReport *report, TvdxReport *copy, bool deleteMode)
        : m_report(report), m_copy(copy), m_delete(deleteMode)
    {
        m_reader.SetOwner(report);
        m_writer.SetOwner(copy);
    }

    // Renaming keeps every object of the former report: duplicates take names
    // that neither report uses, and references follow them (they are written
    // by name from the copy).
    void renameDuplicates()
    {
        for (TvdxComponent *c : m_copy->GetAllObjects()) {
            if (isPage(c) || c->Name().isEmpty() || !m_report->FindObject(c->Name()))
                continue;
            const QString fresh = freeName(c->BaseName().isEmpty() ? c->Name() : c->BaseName());
            c->SetName(fresh);
            if (auto *ds = qobject_cast<TvdxDataSet *>(c))
                ds->SetUserName(fresh);
            m_renamedDataSets.insert(c);
        }
    }

    void merge(TvdxComponent *source, TvdxComponent *target, int depth)
    {
        if (depth > 256)
            return;
        if (depth == 0)
            // A subreport's page goes with its subreport, not as a page of its own.
            for (TvdxComponent *c : m_copy->GetAllObjects())
                if (auto *sub = qobject_cast<TvdxSubreport *>(c); sub && sub->SubPage())
                    m_subreportPages.insert(sub->SubPage());
        m_writer.SerializeDefaultValues = target != m_report;
        m_reader.XMLToObj(m_writer.ObjToXML(source), target);
        const QList<TvdxComponent *> children = source->Objects().List();
        for (TvdxComponent *child : children) {
            if (depth == 0 && m_subreportPages.contains(child))
                continue;
            auto *found = qobject_cast<TvdxComponent *>(child->Name().isEmpty() ? nullptr : m_report->FindObject(child->Name()));
            if (found && !isPage(child)) {
                if (m_delete)
                    continue;
                found = nullptr;
            }
            bool created = false;
            if (!found) {
                found = create(child, target);
                if (!found)
                    continue;
                created = true;
            }
            merge(child, found, depth + 1);
            if (created)
                mergeSubreportPage(child, found, depth);
        }
    }

    void finish() { m_reader.ResolveFixups(); }

private:
    void mergeSubreportPage(TvdxComponent *child, TvdxComponent *made, int depth)
    {
        auto *sub = qobject_cast<TvdxSubreport *>(child);
        auto *newSub = qobject_cast<TvdxSubreport *>(made);
        if (!sub || !newSub || !sub->SubPage())
            return;
        TvdxReportPage *source = sub->SubPage();
        auto *page = new TvdxReportPage(m_report);
        page->SetParent(m_report);
        if (!source->Name().isEmpty() && !m_report->FindObject(source->Name()))
            page->SetName(source->Name());
        else
            page->CreateUniqueName(m_report);
        merge(source, page, depth + 1);
        newSub->SetSubPage(page);
    }

    TvdxComponent *create(TvdxComponent *child, TvdxComponent *parent)
    {
        const TvdClassInfo *cls = vdFindClass(child->ClassName());
        if (!cls || !cls->isComponent)
            return nullptr;
        auto *obj = qobject_cast<TvdxComponent *>(cls->create(m_report));
        if (!obj)
            return nullptr;
        obj->SetParent(parent);
        if (!child->Name().isEmpty() && !m_report->FindObject(child->Name()))
            obj->SetName(child->Name());
        else
            obj->CreateUniqueName(m_report);
        if (m_renamedDataSets.contains(child))
            if (auto *ds = qobject_cast<TvdxDataSet *>(obj)) {
                ds->SetUserName(obj->Name());
                m_report->DataSets()->Add(ds);
            }
        return obj;
    }

    QString freeName(const QString &base)
    {
        QString stem = base;
        while (!stem.isEmpty() && stem.back().isDigit())
            stem.chop(1);
        if (stem.isEmpty())
            stem = QStringLiteral("Object");
        for (int n = 1;; ++n) {
            const QString name = stem + QString::number(n);
            if (!m_report->FindObject(name) && !m_copy->FindObject(name))
                return name;
        }
    }

    TvdxReport *m_report;
    TvdxReport *m_copy;
    bool m_delete;
    TvdxXMLSerializer m_reader;
    TvdxXMLSerializer m_writer;
    QSet<TvdxComponent *> m_renamedDataSets;
    QSet<TvdxComponent *> m_subreportPages;
};

} // namespace

bool TvdxReport::InheritFromTemplate(const QString &templName, TvdxInheriteMode inheriteMode)
{
    auto expanded = [](const QString &name) {
        const QString n = slashes(name);
        return n.size() >= 2 && (n.startsWith(QLatin1Char('.')) || n.startsWith(QLatin1Char('/'))) ? fileKey(n) : n;
    };
    if (expanded(m_fileName) == expanded(templName) || (!m_fileName.isEmpty() && fileKey(m_fileName) == fileKey(templName)))
        return false;

    QString relative = slashes(templName);
    if (!m_fileName.isEmpty() && QDir::isAbsolutePath(relative))
        relative = QDir(QFileInfo(slashes(m_fileName)).absolutePath()).relativeFilePath(relative);
    // A template that is not there would make the report its own ancestor.
    if (!OnLoadTemplate && !QFileInfo(ancestorPath(relative, m_fileName, GetApplicationFolder())).isFile()) {
        AddError(QStringLiteral("Ancestor report \"%1\" not found").arg(templName));
        return false;
    }

    auto copy = std::make_unique<TvdxReport>();
    // Named like the report, so an ancestor it already has is found.
    copy->m_fileName = m_fileName;
    copy->OnLoadTemplate = OnLoadTemplate;
    copy->AssignAll(this, false);
    const QString copyScriptLanguage = m_scriptLanguage;

    SetParentReport(relative);
    if (!m_parentReportObject) {
        // The ancestor could not be taken (a cycle): the report stays as it was.
        AssignAll(copy.get(), false);
        return false;
    }

    bool hasDuplicates = false;
    for (TvdxComponent *c : copy->GetAllObjects())
        if (!isPage(c) && !c->Name().isEmpty() && FindObject(c->Name())) {
            hasDuplicates = true;
            break;
        }
    bool deleteMode = inheriteMode == imDelete;
    if (hasDuplicates && inheriteMode == imDefault) {
        TvdxInheritErrorForm form;
        if (vdUiProvider().ShowModal(form) != mrOk) {
            AssignAll(copy.get(), false);
            return false;
        }
        deleteMode = form.DeleteRB->isChecked();
    }

    const QStringList templateScript = m_scriptText;
    InheritMerger merger(this, copy.get(), deleteMode);
    if (!deleteMode)
        merger.renameDuplicates();
    merger.merge(copy.get(), this, 0);

    for (int i = 0; i < copy->DataSets()->Count(); ++i) {
        TvdxDataSetItem *item = copy->DataSets()->GetItem(i);
        const QString name = item->DataSet() ? item->DataSet()->UserName() : item->DataSetName();
        if (name.isEmpty() || m_dataSets->Find(name))
            continue;
        if (TvdxDataSet *ds = FindDataSet(nullptr, name))
            m_dataSets->Add(ds);
    }
    for (int i = 0; i < copy->Variables()->Count(); ++i) {
        TvdxVariable *v = copy->Variables()->Items(i);
        const bool exists = m_variables->IndexOf(v->Name()) >= 0;
        if (exists && deleteMode)
            continue;
        TvdxVariable *added = m_variables->Add();
        added->Assign(v);
        added->SetIsInherited(false);
        if (exists)
            added->SetName(v->Name() + QLatin1String("_renamed"));
    }
    for (int i = 0; i < copy->Styles()->Count(); ++i) {
        TvdxStyleItem *st = copy->Styles()->GetItem(i);
        const bool exists = m_styles->Find(st->Name()) != nullptr;
        if (exists && deleteMode)
            continue;
        TvdxStyleItem *added = m_styles->Add();
        added->Assign(st);
        added->SetIsInherited(false);
        if (exists)
            added->SetNameDirect(st->Name() + QLatin1String("_renamed"));
    }

    // The former script stays in charge; the template's is kept as a comment.
    const CommentMarks marks = commentMarks(copyScriptLanguage);
    QStringList script = copy->ScriptText();
    const QString header = QStringLiteral("**********Script from parent report**********");
    const bool closesEarly = !marks.close.isEmpty() && templateScript.join(QLatin1Char('\n')).contains(marks.close);
    if (closesEarly) {
        // A comment end inside the template's script would end the block early.
        script << marks.line + header;
        for (const QString &line : templateScript)
            script << marks.line + line;
    } else {
        script << marks.open << header;
        script << templateScript;
        script << marks.close;
    }
    m_scriptText = script;
    m_scriptLanguage = copyScriptLanguage;

    for (int i = 0; i < m_dataSets->Count(); ++i) {
        TvdxDataSetItem *item = m_dataSets->GetItem(i);
        const QString name = item->DataSet() ? item->DataSet()->UserName() : item->DataSetName();
        if (!name.isEmpty())
            item->SetDataSetName(name);
    }
    merger.finish();
    return true;
}
