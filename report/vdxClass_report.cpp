#include "report/vdxClass_report.h"
#include "core/vdXML.h"
#include "core/vdxRes.h"
#include "core/vdxVariables.h"
#include "platform/IniFile.h"
#include "report/vdxClass_view.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString resText(const char *key, const char *fallback)
{
    const QString k = QString::fromLatin1(key);
    const QString t = GetResStrByName(k);
    return (t.isEmpty() || t == k) ? QString::fromLatin1(fallback) : t;
}

void copyItem(const TvdXMLItem *from, TvdXMLItem *to, int depth)
{
    to->SetName(from->Name());
    to->SetText(from->Text());
    to->SetValue(from->Value());
    if (depth > 256)
        return;
    for (int i = 0; i < from->Count(); ++i)
        copyItem(from->Items(i), to->Add(), depth + 1);
}

struct ModuleStartup {
    ModuleStartup() { vdxRegisterReportClasses(); }
} moduleStartup;

} // namespace

QRecursiveMutex &vdxGlobalLock()
{
    static QRecursiveMutex lock;
    return lock;
}

TvdxVariables *vdxGlobalVariables()
{
    static TvdxVariables vars;
    return &vars;
}

void vdxRegisterReportClasses()
{
    static const bool done = [] {
        vdRegisterClass<TvdxReport>();
        vdRegisterClass<TvdxReportPage>();
        vdRegisterClass<TvdxDataPage>();
        vdRegisterClass<TvdxDialogPage>();
        vdRegisterClass<TvdxNullBand>();
        return true;
    }();
    Q_UNUSED(done)
}

// ---------------------------------------------------------------------------
TvdxReport::TvdxReport(TvdComponent *owner) : TvdxComponent(owner)
{
    m_version = QStringLiteral("2023.2");
    m_variables = std::make_unique<TvdxVariables>(this);
    m_iniFile = QStringLiteral("\\Software\\Quennet");
    m_showProgress = true;
    m_storeInDFM = true;
    SetvdComponentStyle(vdComponentStyle() | csHandlesNestedProperties);
    Clear();
}

TvdxReport::~TvdxReport()
{
    // Pages and objects go before the lists they may refer to.
    TvdxComponent::Clear();
}

QString TvdxReport::GetDescription() const { return resText("obReport", "Report object"); }

void TvdxReport::Clear()
{
    TvdxComponent::Clear();
    m_variables->Clear();
    m_stylesItem.reset();
    m_dataSet = nullptr;
    m_dataSetName.clear();
    m_dotMatrixReport = false;
    SetParentReport(QString());
    m_scriptLanguage = QStringLiteral("VevuvaRirivo");
    m_scriptText = QStringList{QStringLiteral("begin"), QString(), QStringLiteral("end.")};
    m_sysVariables = QStringList{QStringLiteral("Date"),        QStringLiteral("Time"),       QStringLiteral("Page"),
                                 QStringLiteral("Page#"),       QStringLiteral("TotalPages"), QStringLiteral("TotalPages#"),
                                 QStringLiteral("Line"),        QStringLiteral("Line#"),      QStringLiteral("CopyName#"),
                                 QStringLiteral("TableRow"),    QStringLiteral("TableColumn")};
    m_onRunDialogs.clear();
    m_onStartReport.clear();
    m_onStopReport.clear();
}

TvdComponent *TvdxReport::FindObject(const QString &name) const { return TvdxComponent::FindObject(name); }

void TvdxReport::SetParentReport(const QString &value) { m_parentReport = value; }

QString TvdxReport::DataSetName() const { return m_dataSetName; }

void TvdxReport::SetDataSetName(const QString &value) { m_dataSetName = value; }

void TvdxReport::SetDataSet(TvdxDataSet *value)
{
    m_dataSet = value;
    if (!value)
        m_dataSetName.clear();
}

TvdxPage *TvdxReport::Pages(int index) const { return qobject_cast<TvdxPage *>(Objects().Items(index)); }

bool TvdxReport::IsThreadSafe() const { return false; }

int TvdxReport::SilentMode() const { return m_silentMode; }

TvdxDataSet *TvdxReport::FindDataSetOf(TvdxReport *report, TvdxDataSet *dataSet, const QString &dsName)
{
    Q_UNUSED(report) Q_UNUSED(dataSet) Q_UNUSED(dsName)
    return nullptr;
}

void TvdxReport::AddError(const QString &line)
{
    const auto it = std::lower_bound(m_errors.begin(), m_errors.end(), line);
    if (it != m_errors.end() && *it == line)
        return;
    m_errors.insert(it, line);
}

QString TvdxReport::ErrorMessage() const
{
    QString text;
    for (const QString &line : m_errors)
        text += line + QLatin1String("\r\n");
    return resText("clErrors", "The following error(s) have occured:") + QLatin1String("\r\n") + text;
}

void TvdxReport::reportErrors()
{
    if (!m_errors.isEmpty())
        HandleReportError(TvdxSilentMode(SilentMode()), ErrorMessage());
}

void TvdxReport::GetAncestor(const QString &name, TvdPersistent *&ancestor)
{
    Q_UNUSED(name)
    ancestor = nullptr;
}

QString TvdxReport::EncodePassword(const QString &plain)
{
    QString s = plain;
    for (QChar &c : s)
        c = QChar(char16_t(c.unicode() - 10));
    return s;
}

QString TvdxReport::DecodePassword(const QString &stored)
{
    QString s = stored;
    for (QChar &c : s)
        c = QChar(char16_t(c.unicode() + 10));
    return s;
}

// ---------------------------------------------------------------------------
void TvdxReport::WriteNestedProperties(TvdXMLItem *item, TvdPersistent *ancestor)
{
    Q_UNUSED(ancestor)
    if (m_variables->Count() > 0)
        m_variables->SaveToXMLItem(item->Add(QStringLiteral("Variables")));
    if (m_stylesItem && m_stylesItem->Count() > 0)
        copyItem(m_stylesItem.get(), item->Add(), 0);
}

bool TvdxReport::ReadNestedProperty(TvdXMLItem *item)
{
    const QString n = item->Name();
    if (n.compare(QLatin1String("Variables"), Qt::CaseInsensitive) == 0) {
        m_variables->LoadFromXMLItem(item, m_xmlSerializer && m_xmlSerializer->OldFormat);
        return true;
    }
    if (n.compare(QLatin1String("Styles"), Qt::CaseInsensitive) == 0) {
        m_stylesItem = std::make_unique<TvdXMLItem>();
        copyItem(item, m_stylesItem.get(), 0);
        return true;
    }
    return false;
}

bool TvdxReport::AcceptsRootElement(const QString &elementName) const
{
    const TvdClassInfo *info = vdFindClass(elementName);
    return info && info->meta && info->meta->inherits(&TvdxReport::staticMetaObject);
}

void TvdxReport::CheckDataPage()
{
    const QList<TvdxComponent *> all = GetAllObjects();
    for (TvdxComponent *c : all)
        if (qobject_cast<TvdxDataPage *>(c))
            return;
    auto *page = new TvdxDataPage(this);
    if (FindObject(QStringLiteral("Data")))
        page->CreateUniqueName();
    else
        page->SetName(QStringLiteral("Data"));
    Objects().Move(Objects().IndexOf(page), 0);
    int moved = 0;
    for (TvdxComponent *c : all)
        if (c->inherits("TvdxDialogComponent")) {
            c->SetParent(page);
            c->SetTop(20);
            c->SetLeft(60 + 64 * moved);
            ++moved;
        }
}

void TvdxReport::LoadFromStream(QIODevice &stream)
{
    ClearErrors();
    const QString iniFile = m_iniFile;
    const bool oldStyleProgress = m_oldStyleProgress, showProgress = m_showProgress, storeInDFM = m_storeInDFM;
    m_streamLoaded = true;
    try {
        TvdxComponent::LoadFromStream(stream);
    } catch (const Exception &e) {
        m_streamLoaded = false;
        AddError(e.message());
    }
    CheckDataPage();
    m_iniFile = iniFile;
    m_oldStyleProgress = oldStyleProgress;
    m_showProgress = showProgress;
    m_storeInDFM = storeInDFM;
    reportErrors();
}

void TvdxReport::SaveToStream(QIODevice &stream, bool saveChildren, bool saveDefaultValues, bool useGetAncestor)
{
    TvdxComponent::SaveToStream(stream, saveChildren, saveDefaultValues, useGetAncestor);
}

bool TvdxReport::LoadFromFile(const QString &fileName, bool exceptionIfNotFound)
{
    const bool own = fileName == m_fileName;
    Clear();
    if (!own)
        m_fileName.clear();
    const bool exists = QFileInfo(fileName).isFile();
    if (!exists && !exceptionIfNotFound)
        return false;
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        if (exceptionIfNotFound)
            throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
        ClearErrors();
        AddError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
        return false;
    }
    m_fileName = fileName;
    LoadFromStream(f);
    return m_streamLoaded;
}

void TvdxReport::SaveToFile(const QString &fileName)
{
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, f.errorString()));
    SaveToStream(f, true, false, false);
    if (!f.commit())
        throw Exception(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, f.errorString()));
    m_fileName = fileName;
}

std::unique_ptr<TCustomIniFile> TvdxReport::GetIniFile() const { return vdCreateSettingsStore(m_iniFile); }

QString TvdxReport::GetApplicationFolder() const
{
    QString dir = IsDesigning() ? QDir::currentPath() : QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}
