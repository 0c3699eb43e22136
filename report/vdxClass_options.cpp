#include "report/vdxClass_options.h"

#include "core/vdGraphic.h"
#include "core/vdResources.h"
#include "platform/IniFile.h"
#include "platform/UiProvider.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_report.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

double nowDays()
{
    const QDateTime now = QDateTime::currentDateTime();
    return double(QDate(1899, 12, 30).daysTo(now.date())) + now.time().msecsSinceStartOfDay() / 86400000.0;
}

QString resStr(const char *key) { return GetResources()->Get(QString::fromLatin1(key)); }

} // namespace

// ---------------------------------------------------------------------------
TvdxEngineOptions::TvdxEngineOptions() { Clear(); }

void TvdxEngineOptions::Clear()
{
    m_convertNulls = true;
    m_ignoreDevByZero = false;
    m_ignoreExprError = false;
    m_doublePass = false;
    m_zeroPrecision = 1e-17L;
}

void TvdxEngineOptions::Assign(const TvdPersistent *source)
{
    auto *s = qobject_cast<const TvdxEngineOptions *>(source);
    if (!s)
        return;
    m_convertNulls = s->m_convertNulls;
    m_doublePass = s->m_doublePass;
    m_maxMemSize = s->m_maxMemSize;
    m_printIfEmpty = s->m_printIfEmpty;
    m_silentMode = s->m_silentMode;
    m_tempDir = s->m_tempDir;
    m_useFileCache = s->m_useFileCache;
    m_ignoreDevByZero = s->m_ignoreDevByZero;
    m_ignoreExprError = s->m_ignoreExprError;
    m_zeroPrecision = s->m_zeroPrecision;
}

void TvdxEngineOptions::AssignThreadProps(const TvdPersistent *source)
{
    auto *s = qobject_cast<const TvdxEngineOptions *>(source);
    if (!s)
        return;
    m_silentMode = s->m_silentMode;
    m_useFileCache = s->m_useFileCache;
    m_destroyForms = s->m_destroyForms;
    m_enableThreadSafe = s->m_enableThreadSafe;
    m_useGlobalDataSetList = s->m_useGlobalDataSetList;
}

// ---------------------------------------------------------------------------
TvdxPreviewOptions::TvdxPreviewOptions() { Clear(); }

void TvdxPreviewOptions::Clear()
{
    m_outlineExpand = true;
    m_outlineVisible = false;
    m_outlineWidth = 120;
    m_pagesInCache = 50;
    m_thumbnailVisible = false;
}

void TvdxPreviewOptions::Assign(const TvdPersistent *source)
{
    auto *s = qobject_cast<const TvdxPreviewOptions *>(source);
    if (!s)
        return;
    m_allowEdit = s->m_allowEdit;
    m_allowPreviewEdit = s->m_allowPreviewEdit;
    m_buttons = s->m_buttons;
    m_doubleBuffered = s->m_doubleBuffered;
    m_maximized = s->m_maximized;
    m_mdiChild = s->m_mdiChild;
    m_modal = s->m_modal;
    m_outlineExpand = s->m_outlineExpand;
    m_outlineVisible = s->m_outlineVisible;
    m_outlineWidth = s->m_outlineWidth;
    m_pagesInCache = s->m_pagesInCache;
    m_showCaptions = s->m_showCaptions;
    m_thumbnailVisible = s->m_thumbnailVisible;
    m_zoom = s->m_zoom;
    m_zoomMode = s->m_zoomMode;
    m_pictureCacheInFile = s->m_pictureCacheInFile;
    m_rtlPreview = s->m_rtlPreview;
}

// ---------------------------------------------------------------------------
TvdxPrintOptions::TvdxPrintOptions() { Clear(); }

void TvdxPrintOptions::Clear()
{
    m_copies = 1;
    m_collate = true;
    m_pageNumbers.clear();
    m_pagesOnSheet = 0;
    m_printer = resStr("prDefault");
    m_printMode = pmDefault;
    m_printOnSheet = 0;
    m_printPages = ppAll;
    m_reverse = false;
    m_showDialog = true;
    m_duplex = dmNone;
    m_splicingLine = 3;
}

void TvdxPrintOptions::Assign(const TvdPersistent *source)
{
    auto *s = qobject_cast<const TvdxPrintOptions *>(source);
    if (!s)
        return;
    m_copies = s->m_copies;
    m_collate = s->m_collate;
    m_pageNumbers = s->m_pageNumbers;
    m_printer = s->m_printer;
    m_printMode = s->m_printMode;
    m_printOnSheet = s->m_printOnSheet;
    m_printPages = s->m_printPages;
    m_reverse = s->m_reverse;
    m_showDialog = s->m_showDialog;
    m_splicingLine = s->m_splicingLine;
}

// ---------------------------------------------------------------------------
TvdxReportOptions::TvdxReportOptions(TvdxReport *report) : m_picture(std::make_unique<TPicture>()), m_report(report)
{
    m_createDate = m_lastChange = nowDays();
}

TvdxReportOptions::~TvdxReportOptions() = default;

void TvdxReportOptions::Clear()
{
    if (!m_info) {
        m_author.clear();
        m_compressed = false;
        m_createDate = nowDays();
        m_description.clear();
        m_lastChange = nowDays();
        m_picture->Clear();
        m_versionBuild.clear();
        m_versionMajor.clear();
        m_versionMinor.clear();
        m_versionRelease.clear();
    }
    m_connectionName.clear();
    m_initString.clear();
    m_name.clear();
    m_password.clear();
    m_prevPassword.clear();
}

void TvdxReportOptions::Assign(const TvdPersistent *source)
{
    auto *s = qobject_cast<const TvdxReportOptions *>(source);
    if (!s)
        return;
    m_author = s->m_author;
    m_compressed = s->m_compressed;
    m_connectionName = s->m_connectionName;
    m_createDate = s->m_createDate;
    m_description = s->m_description;
    m_initString = s->m_initString;
    m_lastChange = s->m_lastChange;
    m_name = s->m_name;
    m_password = s->m_password;
    SetPicture(s->m_picture.get());
    m_versionBuild = s->m_versionBuild;
    m_versionMajor = s->m_versionMajor;
    m_versionMinor = s->m_versionMinor;
    m_versionRelease = s->m_versionRelease;
}

void TvdxReportOptions::SetPicture(const TPicture *v)
{
    m_picture->SetGraphic(v ? v->Graphic() : nullptr);
}

void TvdxReportOptions::SetConnectionName(const QString &v)
{
    m_connectionName = v;
    if (v.isEmpty() || !OnSetConnection)
        return;
    // Machine-wide first, then the user's; the "Alt" key after both.
    const QString base = QStringLiteral("\\Software\\Quennet");
    const struct {
        const char *section;
        TvdSettingsScope scope;
    } places[] = {{"Connections", TvdSettingsScope::LocalMachine},
                  {"Connections", TvdSettingsScope::CurrentUser},
                  {"ConnectionsAlt", TvdSettingsScope::LocalMachine},
                  {"ConnectionsAlt", TvdSettingsScope::CurrentUser}};
    for (const auto &p : places) {
        // Read-only: a key that does not exist is not created.
        if (!QFileInfo::exists(vdSettingsFileName(base, p.scope)))
            continue;
        const auto store = vdCreateSettingsStore(base, p.scope);
        const QString value = store->ReadString(QString::fromLatin1(p.section), v, QString());
        if (!value.isEmpty())
            OnSetConnection(value);
    }
}

bool TvdxReportOptions::CheckPassword()
{
    if (m_password.isEmpty() || m_password == m_prevPassword || m_password == m_hiddenPassword)
        return true;
    QString entered;
    if (vdUiProvider().PasswordQuery(QStringLiteral("Password"), QStringLiteral("Password:"), entered) && entered == m_password) {
        m_prevPassword = m_password;
        return true;
    }
    if (m_report) {
        m_report->AddError(QStringLiteral("Invalid password"));
        HandleReportError(ErrorMode, resStr("clErrors") + QLatin1String("\r\n") + m_report->Errors().join(QLatin1String("\r\n")));
    }
    return false;
}

// ---------------------------------------------------------------------------
TvdxDataSetItem::TvdxDataSetItem() = default;

TvdxReport *TvdxDataSetItem::report() const
{
    auto *c = qobject_cast<TvdxReportDataSets *>(Collection());
    return c ? c->Report() : nullptr;
}

TvdxDataSet *TvdxDataSetItem::DataSet() const { return m_dataSet; }

// The report drops the item when the data set goes (see its Notification):
// a data set of the application may be freed before the report.
void TvdxDataSetItem::link(TvdxDataSet *ds)
{
    m_dataSet = ds;
    if (TvdxReport *r = report(); r && ds)
        ds->FreeNotification(r);
}

void TvdxDataSetItem::SetDataSet(TvdxDataSet *value)
{
    link(value);
    m_dataSetName = value ? value->UserName() : QString();
}

QString TvdxDataSetItem::DataSetName() const { return m_dataSet ? m_dataSet->UserName() : m_dataSetName; }

void TvdxDataSetItem::SetDataSetName(const QString &value)
{
    m_dataSetName = value;
    if (value.isEmpty()) {
        m_dataSet = nullptr;
        return;
    }
    if (TvdxReport *r = report()) {
        TvdxDataSet *ds = r->FindDataSet(m_dataSet, value);
        if (!ds)
            ds = vdxFindDataSet(m_dataSet, value, r);
        link(ds);
    }
}

// ---------------------------------------------------------------------------
TvdxReportDataSets::TvdxReportDataSets(TvdxReport *report)
    : TvdBaseCollection(factoryOf<TvdxDataSetItem>()), m_report(report)
{
}

TvdxDataSetItem *TvdxReportDataSets::Add(const QString &name)
{
    auto *item = static_cast<TvdxDataSetItem *>(TvdBaseCollection::Add());
    item->SetDataSetName(name);
    return item;
}

TvdxDataSetItem *TvdxReportDataSets::Add(TvdxDataSet *ds)
{
    auto *item = static_cast<TvdxDataSetItem *>(TvdBaseCollection::Add());
    item->SetDataSet(ds);
    return item;
}

TvdxDataSetItem *TvdxReportDataSets::GetItem(int index) const
{
    return static_cast<TvdxDataSetItem *>(Items(index));
}

TvdxDataSetItem *TvdxReportDataSets::Find(TvdxDataSet *ds) const
{
    for (int i = 0; i < Count(); ++i)
        if (GetItem(i)->DataSet() == ds)
            return GetItem(i);
    return nullptr;
}

TvdxDataSetItem *TvdxReportDataSets::Find(const QString &name) const
{
    for (int i = 0; i < Count(); ++i) {
        TvdxDataSet *ds = GetItem(i)->DataSet();
        if (!ds)
            continue;
        if (ds->UserName().compare(name, Qt::CaseInsensitive) == 0 || ds->Name().compare(name, Qt::CaseInsensitive) == 0)
            return GetItem(i);
    }
    return nullptr;
}

void TvdxReportDataSets::Delete(const QString &name)
{
    for (int i = 0; i < Count(); ++i) {
        TvdxDataSet *ds = GetItem(i)->DataSet();
        if (ds && ds->UserName().compare(name, Qt::CaseInsensitive) == 0) {
            TvdBaseCollection::Delete(i);
            return;
        }
    }
}

void TvdxReportDataSets::Initialize()
{
    for (int i = 0; i < Count(); ++i)
        if (TvdxDataSet *ds = GetItem(i)->DataSet()) {
            ds->SetReportRef(m_report);
            ds->Initialize();
        }
}

void TvdxReportDataSets::Finalize()
{
    for (int i = 0; i < Count(); ++i)
        if (TvdxDataSet *ds = GetItem(i)->DataSet())
            ds->Finalize();
}

static const bool s_optionClasses = [] {
    vdRegisterClass<TvdxEngineOptions>();
    vdRegisterClass<TvdxPreviewOptions>();
    vdRegisterClass<TvdxPrintOptions>();
    vdRegisterClass<TvdxReportOptions>();
    return true;
}();
