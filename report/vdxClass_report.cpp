#include "report/vdxClass_report.h"
#include "core/vdXML.h"
#include "core/vdxRes.h"
#include "core/vdxVariables.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/IniFile.h"
#include "report/vdxClassRTTI.h"
#include "report/vdxClass_bases.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_dialog.h"
#include "report/vdxClass_line.h"
#include "report/vdxClass_picture.h"
#include "report/vdxClass_postprocessor.h"
#include "report/vdxClass_shape.h"
#include "report/vdxClass_signature.h"
#include "report/vdxClass_styles.h"
#include "report/vdxClass_view.h"
#include "report/vdxClass_io.h"
#include "report/vdxIOTransportDialog.h"
#include "report/vdxDBSet.h"
#include "report/vdxDelayedCommands.h"
#include "report/vdxExpressionCache.h"
#include "report/vdxPreviewPagesList.h"
#include "report/vdxPreviewServices.h"
#include "core/vdxProgress.h"
#include "script/ov_iinterpreter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

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

TvdxVD2Events &vdxVD2Events()
{
    static TvdxVD2Events events;
    return events;
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
        vdxRegisterBandClasses();
        vdRegisterClass<TvdxShapeView>();
        vdRegisterClass<TvdxLineView>();
        vdRegisterClass<TvdxPictureView>();
        vdxRegisterSignatureView();
        vdxInitIOTransportClasses();
        vdxInitDialogIOTransport();
        // Named here so that linking the report also links the database data set.
        vdxRegisterDBSetClasses();
        vdxRegisterClassRTTI();
        TvdxPreviewPagesHooks &hooks = vdxPreviewPagesHooks();
        if (!hooks.createPostProcessor) {
            hooks.createPostProcessor = [] { return new TvdxPostProcessor(); };
            hooks.freePostProcessor = [](TvdxPostProcessor *p) { delete p; };
        }
        if (!vdxReportPreviewPagesHook())
            vdxReportPreviewPagesHook() = [](TvdxReport *report) { return report->PreviewPages(); };
        return true;
    }();
    Q_UNUSED(done)
}

// ---------------------------------------------------------------------------
TvdxReport::TvdxReport(TvdComponent *owner) : TvdxComponent(owner)
{
    m_version = QStringLiteral("2023.2");
    m_dataSets = std::make_unique<TvdxReportDataSets>(this);
    m_variables = std::make_unique<TvdxVariables>(this);
    m_styles = std::make_shared<TvdxStyles>(this);
    m_engineOptions = std::make_unique<TvdxEngineOptions>();
    m_previewOptions = std::make_unique<TvdxPreviewOptions>();
    m_printOptions = std::make_unique<TvdxPrintOptions>();
    m_reportOptions = std::make_unique<TvdxReportOptions>(this);
    m_enabledDataSets = std::make_unique<TvdxReportDataSets>(this);
    m_iniFile = QStringLiteral("\\Software\\Quennet");
    m_showProgress = true;
    m_storeInDFM = true;
    SetvdComponentStyle(vdComponentStyle() | csHandlesNestedProperties);
    m_script = std::make_unique<TovScript>(nullptr);
    // Declarations added before preparation need the module types too.
    m_script->SetSharedItems(vdxReportScriptModules());
    m_expressionCache = std::make_unique<TvdxExpressionCache>(m_script.get());
    m_delayedCommands = std::make_unique<TvdxDelayedCommandManager>();
    m_timer = std::make_unique<QTimer>();
    m_timer->setInterval(50);
    QObject::connect(m_timer.get(), &QTimer::timeout, this, [this] { onTimer(); });
    m_engine.reset(vdxCreateEngine(this));
    m_previewPagesList = std::make_unique<TvdxPreviewPagesList>(this);
    m_engine->SetPreviewPages(m_previewPagesList->Current());
    Clear();
}

TvdxReport::~TvdxReport()
{
    if (m_designer)
        m_designer->SetReport(nullptr);
    m_timer->stop();
    if (auto *form = qobject_cast<TvdxCustomPreviewForm *>(m_previewForm.data()); form && !form->IsClosing())
        form->close();
    SetPreview(nullptr);
    // Queued commands hold the report; they go before it.
    m_delayedCommands->Clear();
    // Pages and objects go before the lists they may refer to. The owner list
    // is let go of from its end first (cheap); what the tree does not free is
    // freed afterwards.
    // Every owned name goes: one clear instead of a lookup per component.
    m_ownedNames.clear();
    QList<QPointer<TvdComponent>> leftovers;
    while (ComponentCount() > 0) {
        TvdComponent *c = Components(ComponentCount() - 1);
        RemoveComponent(c);
        if (!inTree(c))
            leftovers.append(c);
    }
    TvdxComponent::Clear();
    for (const QPointer<TvdComponent> &c : std::as_const(leftovers))
        delete c.data();
    m_parentReportObject.reset();
    m_previewPagesList.reset();
    m_expressionCache.reset();
    m_script.reset();
    m_engine.reset();
    m_progress.reset();
}

bool TvdxReport::inTree(const TvdComponent *component) const
{
    // Parents never form a ring (SetParent refuses one).
    for (const TvdxComponent *c = qobject_cast<const TvdxComponent *>(component); c; c = c->Parent())
        if (c == this)
            return true;
    return false;
}

QString TvdxReport::GetDescription() const { return resText("obReport", "Report object"); }

void TvdxReport::Clear()
{
    TvdxComponent::Clear();
    m_isScriptObjectsAdded = false;
    m_dataSets->Clear();
    m_variables->Clear();
    m_engineOptions->Clear();
    m_previewOptions->Clear();
    m_printOptions->Clear();
    m_reportOptions->Clear();
    m_styles->ClearAll();
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

TvdComponent *TvdxReport::FindObject(const QString &name) const
{
    if (TvdComponent *c = TvdxComponent::FindObject(name))
        return c;
    return findLoadingDataSet(name);
}

TvdComponent *TvdxReport::findLoadingDataSet(const QString &name) const
{
    if (IsLoading() && !m_engineOptions->UseGlobalDataSetList() && m_enabledDataSets->Count() > 0) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QString dsName = dot < 0 ? name : name.mid(dot + 1);
        return const_cast<TvdxReport *>(this)->FindDataSet(nullptr, dsName);
    }
    return nullptr;
}

// The report owns every component of its tree. Telling each of them of every
// insertion and removal (the framework's broadcast) would make loading and
// freeing a large template quadratic; report components refer to each other
// through guarded pointers instead.
void TvdxReport::Notification(TvdComponent *component, Operation operation)
{
    if (!component)
        return;
    if (component->Owner() == this && !component->Name().isEmpty() && (operation == opInsert || !m_ownedNames.isEmpty())) {
        const TvdNameKey &key = component->NameKey();
        if (operation == opInsert) {
            if (!m_ownedNames.contains(key))
                m_ownedNames.insert(key, component);
        } else if (m_ownedNames.value(key) == component) {
            m_ownedNames.remove(key);
        }
    }
    if (operation != opRemove)
        return;
    RemoveFreeNotification(component);
    // Only addresses are compared: the component is being destroyed.
    for (int i = m_dataSets->Count() - 1; i >= 0; --i)
        if (static_cast<TvdComponent *>(m_dataSets->GetItem(i)->DataSet()) == component)
            m_dataSets->Delete(i);
    if (static_cast<TvdComponent *>(m_dataSet) == component)
        m_dataSet = nullptr;
}

void TvdxReport::ValidateRename(TvdComponent *component, const QString &curName, const QString &newName,
                                const TvdNameKey &newKey)
{
    const bool owned = component && component->Owner() == this;
    if (owned && curName.compare(newName, Qt::CaseInsensitive) != 0) {
        TvdComponent *other = newName.isEmpty() ? nullptr : m_ownedNames.value(newKey);
        const bool taken = other && other != component && other->Owner() == this && other->NameKey() == newKey;
        if (taken)
            throw EComponentError(QStringLiteral("A component named %1 already exists").arg(newName));
        // Nothing raises after this check: the new name will be stored.
        if (!curName.isEmpty()) {
            const TvdNameKey oldKey = curName == component->Name() ? component->NameKey() : TvdNameKey::Folded(curName);
            const auto it = m_ownedNames.find(oldKey);
            if (it != m_ownedNames.end() && *it == component)
                m_ownedNames.erase(it);
        }
        if (!newName.isEmpty() && (!other || other->Owner() != this || other->NameKey() != newKey))
            m_ownedNames.insert(newKey, component);
    }
    // Designing: the owners above hear of it. The framework's own check
    // (a walk over every owned component) is what the table above did.
    ValidateRenameAbove(component, curName, newName, newKey);
}

bool TvdxReport::vdxFindByName(const QString &name, TvdComponent *&found) const
{
    found = nullptr;
    // Below another object the index would be that object's tree.
    if (Parent())
        return false;
    if (name.isEmpty())
        return true;
    TvdComponent *c = const_cast<TvdxReport *>(this)->GetSortedObjects()->Find(name);
    if (!c)
        c = m_ownedNames.value(TvdNameKey::Folded(name));
    if (c != this)
        found = c;
    return true;
}

void TvdxReport::ReserveNames(qsizetype count)
{
    m_ownedNames.reserve(count);
    GetSortedObjects()->Reserve(count);
}

void TvdxReport::GetActiveDataSetList(QList<QPair<QString, TvdxDataSet *>> &list) const
{
    if (m_engineOptions->UseGlobalDataSetList()) {
        vdxGetDataSetList(list);
        return;
    }
    list.clear();
    for (int i = 0; i < m_enabledDataSets->Count(); ++i)
        if (TvdxDataSet *ds = m_enabledDataSets->GetItem(i)->DataSet())
            list.append({ds->UserName(), ds});
}

TvdxDataSet *TvdxReport::GetDataset(const QString &alias) const
{
    TvdxDataSetItem *item = m_dataSets->Find(alias);
    return item ? item->DataSet() : nullptr;
}

QString TvdxReport::GetAlias(TvdxDataSet *dataSet) const
{
    if (!dataSet)
        return QString();
    if (m_dataSets->Find(dataSet))
        return dataSet->UserName();
    return resText("clDSNotIncl", "(dataset is not included in Report.DataSets)");
}

void TvdxReport::GetDatasetAndField(const QString &complexName, TvdxDataSet *&dataSet, QString &field) const
{
    dataSet = nullptr;
    field.clear();
    const qsizetype i = complexName.indexOf(QLatin1String(".\""));
    if (i < 0)
        return;
    dataSet = GetDataset(complexName.left(i));
    field = complexName.mid(i + 2, complexName.size() - (i + 2) - 1);
}

void TvdxReport::GetDataSetList(QList<QPair<QString, TvdxDataSet *>> &list, bool onlyDB) const
{
    list.clear();
    for (int i = 0; i < m_dataSets->Count(); ++i) {
        TvdxDataSet *ds = m_dataSets->GetItem(i)->DataSet();
        if (!ds || (onlyDB && ds->inherits("TvdxUserDataSet")))
            continue;
        list.append({ds->UserName(), ds});
    }
}

QString TvdxReport::DataSetName() const { return m_dataSet ? m_dataSet->UserName() : m_dataSetName; }

void TvdxReport::SetDataSetName(const QString &value)
{
    m_dataSetName = value;
    m_dataSet = value.isEmpty() ? nullptr : FindDataSet(m_dataSet, value);
    // An application's data set may be freed first: Notification forgets it.
    if (m_dataSet)
        m_dataSet->FreeNotification(this);
}

void TvdxReport::SetDataSet(TvdxDataSet *value)
{
    m_dataSet = value;
    m_dataSetName = value ? value->UserName() : QString();
    if (value)
        value->FreeNotification(this);
}

TvdxPage *TvdxReport::Pages(int index) const { return qobject_cast<TvdxPage *>(Objects().Items(index)); }

bool TvdxReport::IsThreadSafe() const { return m_engineOptions->EnableThreadSafe(); }

int TvdxReport::SilentMode() const { return int(m_engineOptions->NewSilentMode()); }

void TvdxReport::SetSilentMode(int mode) { m_engineOptions->SetNewSilentMode(TvdxEngineOptions::TvdxSilentMode(mode)); }

TvdxDataSet *TvdxReport::FindDataSetOf(TvdxReport *report, TvdxDataSet *dataSet, const QString &dsName)
{
    if (!report || report->EngineOptions()->UseGlobalDataSetList())
        return vdxFindDataSet(dataSet, dsName, report);
    TvdxDataSetItem *item = report->EnabledDataSets()->Find(dsName);
    return item ? item->DataSet() : nullptr;
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
        HandleReportError(m_engineOptions->ReportErrorMode(), ErrorMessage());
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
    if (m_dataSets->Count() > 0)
        SaveCollectionToXMLItem(m_dataSets.get(), QStringLiteral("Datasets"), item, true, nullptr, this);
    if (m_variables->Count() > 0)
        m_variables->SaveToXMLItem(item->Add(QStringLiteral("Variables")));
    if (m_styles->Count() > 0)
        m_styles->SaveToXMLItem(item->Add(QStringLiteral("Styles")));
}

bool TvdxReport::ReadNestedProperty(TvdXMLItem *item)
{
    const QString n = item->Name();
    if (n.compare(QLatin1String("Datasets"), Qt::CaseInsensitive) == 0) {
        LoadCollectionFromXMLItem(m_dataSets.get(), item, this, nullptr, m_xmlSerializer);
        return true;
    }
    if (n.compare(QLatin1String("Variables"), Qt::CaseInsensitive) == 0) {
        m_variables->LoadFromXMLItem(item, m_xmlSerializer && m_xmlSerializer->OldFormat);
        return true;
    }
    if (n.compare(QLatin1String("Styles"), Qt::CaseInsensitive) == 0) {
        m_styles->LoadFromXMLItem(item, nullptr, m_xmlSerializer && m_xmlSerializer->OldFormat);
        return true;
    }
    return false;
}

bool TvdxReport::AcceptsRootElement(const QString &elementName) const
{
    // A report with an ancestor is written as an "inherited" element.
    if (elementName.compare(QLatin1String("inherited"), Qt::CaseInsensitive) == 0)
        return true;
    const TvdClassInfo *info = vdFindClass(elementName);
    return info && info->meta && info->meta->inherits(&TvdxReport::staticMetaObject);
}

void TvdxReport::CheckDataPage()
{
    const QList<TvdxComponent *> all = GetAllObjects();
    bool dataTaken = false;
    for (TvdxComponent *c : all) {
        if (qobject_cast<TvdxDataPage *>(c))
            return;
        dataTaken = dataTaken || c->Name().compare(QLatin1String("Data"), Qt::CaseInsensitive) == 0;
    }
    auto *page = new TvdxDataPage(this);
    // The tree was walked already: only the data sets are left to ask.
    if (dataTaken || findLoadingDataSet(QStringLiteral("Data")))
        page->CreateUniqueName();
    else
        page->SetName(QStringLiteral("Data"));
    Objects().Move(Objects().IndexOf(page), 0);
    int moved = 0;
    for (TvdxComponent *c : all)
        if (qobject_cast<TvdxDialogComponent *>(c)) {
            c->SetParent(page);
            c->SetTop(20);
            c->SetLeft(60 + 64 * moved);
            ++moved;
        }
}

void TvdxReport::fixDataSets()
{
    // Names that loaded before their data set get a second look.
    for (int i = 0; i < m_dataSets->Count(); ++i) {
        TvdxDataSetItem *item = m_dataSets->GetItem(i);
        if (!item->DataSet() && !item->DataSetName().isEmpty())
            item->SetDataSetName(item->DataSetName());
    }
    if (!m_dataSet && !m_dataSetName.isEmpty())
        SetDataSetName(m_dataSetName);
    if (m_engineOptions->UseGlobalDataSetList())
        return;
    struct Kept {
        TvdxDataSet *ds;
        QString name;
    };
    QList<Kept> kept;
    for (int i = 0; i < m_dataSets->Count(); ++i) {
        TvdxDataSetItem *item = m_dataSets->GetItem(i);
        TvdxDataSet *ds = item->DataSet();
        const QString name = item->DataSetName();
        if (!ds) {
            // Not offered by the application now: the template keeps the name.
            if (!name.isEmpty())
                kept.append({nullptr, name});
            continue;
        }
        TvdxDataSetItem *enabled = m_enabledDataSets->Find(ds->UserName());
        if (!enabled)
            enabled = m_enabledDataSets->Find(ds->Name());
        if (enabled && enabled->DataSet())
            kept.append({enabled->DataSet(), QString()});
        else if (!ds->Owner() || qobject_cast<TvdxComponent *>(ds->Owner()))
            kept.append({ds, QString()});
        else
            kept.append({nullptr, name});
    }
    m_dataSets->Clear();
    for (const Kept &k : kept) {
        if (k.ds)
            m_dataSets->Add(k.ds);
        else
            m_dataSets->Add(k.name);
    }
}

void TvdxReport::readTree(QIODevice &stream, bool &deciphered)
{
    try {
        const auto &onLoad = vdxVD2Events().OnLoad;
        if (!onLoad || !onLoad(this, stream))
            TvdxComponent::LoadFromStream(stream);
    } catch (const Exception &e) {
        m_streamLoaded = false;
        const bool xmlError = e.className() == QByteArray("TvdInvalidXMLException");
        AddError(xmlError && deciphered ? QStringLiteral("Invalid password") : e.message());
    }
}

void TvdxReport::LoadFromStream(QIODevice &stream)
{
    if (IsReportActionRunning()) {
        m_delayedCommands->AddCommand(new TvdxLoadFromStreamCommand(this, stream));
        return;
    }
    ClearErrors();
    QIODevice *source = &stream;
    std::unique_ptr<TvdxCustomCompressor> compressor;
    std::unique_ptr<TvdxCustomCrypter> crypter;
    if (vdxCompressorClass()) {
        compressor.reset(vdxCompressorClass()(nullptr));
        compressor->Report = this;
        compressor->SetIsVD3File(true);
        try {
            compressor->CreateStream();
            if (compressor->Decompress(*source)) {
                source = compressor->Stream();
                source->seek(0);
            }
        } catch (const Exception &) {
            AddError(resText("clDecompressError", "Stream decompress error"));
            reportErrors();
            return;
        }
    }
    m_reportOptions->SetPassword(m_reportOptions->HiddenPassword());
    bool deciphered = false;
    if (vdxCrypterClass()) {
        crypter.reset(vdxCrypterClass()(nullptr));
        try {
            crypter->CreateStream();
            if (crypter->Decrypt(*source, EncodeAnsi(m_reportOptions->Password()))) {
                source = crypter->Stream();
                source->seek(0);
                deciphered = true;
            }
        } catch (const Exception &) {
            AddError(QStringLiteral("clDecryptError"));
            reportErrors();
            return;
        }
    }

    m_engineOptions->SetPrintIfEmpty(true);
    TvdxEngineOptions engine;
    engine.Assign(m_engineOptions.get());
    TvdxPreviewOptions preview;
    preview.Assign(m_previewOptions.get());
    const QString iniFile = m_iniFile;
    const bool oldStyleProgress = m_oldStyleProgress, showProgress = m_showProgress, storeInDFM = m_storeInDFM;
    m_streamLoaded = true;

    auto finish = [&] {
        compressor.reset();
        crypter.reset();
        CheckDataPage();
        fixDataSets();
        TvdxEngineOptions *eo = m_engineOptions.get();
        const bool convertNulls = eo->ConvertNulls(), ignoreDiv = eo->IgnoreDevByZero(),
                   ignoreExpr = eo->IgnoreExprError(), doublePass = eo->DoublePass(), printIfEmpty = eo->PrintIfEmpty();
        eo->Assign(&engine);
        eo->SetConvertNulls(convertNulls);
        eo->SetIgnoreDevByZero(ignoreDiv);
        eo->SetIgnoreExprError(ignoreExpr);
        eo->SetDoublePass(doublePass);
        eo->SetPrintIfEmpty(printIfEmpty);
        TvdxPreviewOptions *po = m_previewOptions.get();
        const bool outlineVisible = po->OutlineVisible(), outlineExpand = po->OutlineExpand(),
                   thumbs = po->ThumbnailVisible();
        const int outlineWidth = po->OutlineWidth(), pagesInCache = po->PagesInCache();
        po->Assign(&preview);
        po->SetOutlineVisible(outlineVisible);
        po->SetOutlineExpand(outlineExpand);
        po->SetOutlineWidth(outlineWidth);
        po->SetPagesInCache(pagesInCache);
        po->SetThumbnailVisible(thumbs);
        m_iniFile = iniFile;
        m_oldStyleProgress = oldStyleProgress;
        m_showProgress = showProgress;
        m_storeInDFM = storeInDFM;
        if (!deciphered)
            m_reportOptions->SetPassword(DecodePassword(m_reportOptions->Password()));
    };
    try {
        readTree(*source, deciphered);
    } catch (...) {
        finish();
        throw;
    }
    finish();

    if (m_reportOptions->Info()) {
        Clear();
        return;
    }
    m_reportOptions->ErrorMode = m_engineOptions->ReportErrorMode();
    if (m_reloading || IsThreadSafe() || deciphered || m_reportOptions->CheckPassword())
        reportErrors();
    else
        Clear();
}

void TvdxReport::SaveToStream(QIODevice &stream, bool saveChildren, bool saveDefaultValues, bool useGetAncestor)
{
    QIODevice *dest = &stream;
    std::unique_ptr<TvdxCustomCompressor> compressor;
    std::unique_ptr<TvdxCustomCrypter> crypter;
    if (m_reportOptions->Compressed() && vdxCompressorClass()) {
        compressor.reset(vdxCompressorClass()(nullptr));
        compressor->Report = this;
        compressor->SetIsVD3File(true);
        compressor->CreateStream();
        dest = compressor->Stream();
    }
    const QString password = m_reportOptions->Password();
    if (!password.isEmpty() && vdxCrypterClass()) {
        crypter.reset(vdxCrypterClass()(nullptr));
        crypter->CreateStream();
        dest = crypter->Stream();
    }
    m_reportOptions->SetPrevPassword(password);
    if (!crypter)
        m_reportOptions->SetPassword(EncodePassword(password));
    try {
        TvdxComponent::SaveToStream(*dest, saveChildren, saveDefaultValues, useGetAncestor);
    } catch (...) {
        m_reportOptions->SetPassword(password);
        throw;
    }
    m_reportOptions->SetPassword(password);
    if (crypter) {
        crypter->Crypt(compressor ? *compressor->Stream() : stream, EncodeAnsi(password));
        crypter.reset();
    }
    if (compressor)
        compressor->Compress(stream);
}

bool TvdxReport::LoadFromFile(const QString &fileName, bool exceptionIfNotFound)
{
    if (IsReportActionRunning()) {
        m_delayedCommands->AddCommand(new TvdxLoadFromFileCommand(this, fileName, exceptionIfNotFound));
        return false;
    }
    const bool own = fileName == m_fileName;
    Clear();
    if (!own)
        m_fileName.clear();
    const bool exists = QFileInfo(fileName).isFile();
    if (!exists && !exceptionIfNotFound)
        return false;
    TvdxIOTransportFile transport(nullptr, true);
    if (!own)
        m_fileName = fileName;
    bool ok = false;
    try {
        ok = ProcessIOTransport(&transport, fileName, faRead);
    } catch (const Exception &e) {
        if (!exists && exceptionIfNotFound)
            throw;
        // An unreadable file: the reason goes into the error list.
        AddError(e.message());
        ok = false;
    }
    return exists && ok;
}

void TvdxReport::SaveToFile(const QString &fileName)
{
    TvdxIOTransportFile transport(nullptr, true);
    transport.BasePath = QFileInfo(fileName).absolutePath();
    ProcessIOTransport(&transport, fileName, faWrite);
}

bool TvdxReport::LoadFromFilter(TvdxCustomIOTransport *filter, const QString &fileName)
{
    if (IsReportActionRunning()) {
        m_delayedCommands->AddCommand(new TvdxLoadFromCommand(this, filter, fileName));
        return false;
    }
    return ProcessIOTransport(filter, fileName, faRead);
}

bool TvdxReport::SaveToFilter(TvdxCustomIOTransport *filter, const QString &fileName)
{
    return ProcessIOTransport(filter, fileName, faWrite);
}

bool TvdxReport::ProcessIOTransport(TvdxCustomIOTransport *filter, const QString &fileName, TvdxFilterAccess access)
{
    if (!filter)
        return false;
    filter->FilterAccess = access;
    if (fileName.isEmpty() && filter->FileName.isEmpty())
        filter->FileName = QFileInfo(m_fileName).fileName();
    filter->SetReport(this);
    // On the way out after an error the filter is closed and the stream freed
    // by these guards; the normal path does both itself, so that a save that
    // cannot be committed raises its error instead of passing for done.
    struct Close {
        TvdxCustomIOTransport *f;
        bool done = false;
        ~Close()
        {
            if (!done) {
                try {
                    f->CloseFilter();
                } catch (const Exception &) {
                }
            }
            f->SetReport(nullptr);
        }
    } close{filter};
    bool result = filter->OpenFilter();
    if (!result)
        return false;
    QIODevice *stream = filter->GetStream(fileName);
    if (!stream) {
        close.done = true;
        filter->CloseFilter();
        return result;
    }
    struct Free {
        TvdxCustomIOTransport *f;
        QIODevice *s;
        ~Free()
        {
            if (!s)
                return;
            try {
                f->FreeStream(s);
            } catch (const Exception &) {
            }
        }
    } freeStream{filter, stream};
    if (!filter->FileName.isEmpty())
        m_fileName = filter->FileName;
    // The ancestor is named from the folder the template goes to.
    if (access == faWrite)
        adjustParentReportPath(qobject_cast<TvdxIOTransportFile *>(filter) && !fileName.isEmpty() ? fileName : m_fileName);
    if (!filter->DoFilterProcessStream(stream, this)) {
        if (access == faRead) {
            LoadFromStream(*stream);
            result = m_streamLoaded;
        } else {
            try {
                SaveToStream(*stream, true, false, false);
            } catch (const Exception &) {
                // A writer stopped by a full disk: name the file and the reason.
                if (auto *f = dynamic_cast<TvdAtomicFile *>(stream); f && !f->failureText().isEmpty())
                    throw EFWriteError(vdSaveWriteMessage(f->fileName(), f->failureText()));
                throw;
            }
        }
    }
    freeStream.s = nullptr;
    filter->FreeStream(stream);
    close.done = true;
    filter->CloseFilter();
    return result;
}

std::unique_ptr<TCustomIniFile> TvdxReport::GetIniFile() const { return vdCreateSettingsStore(m_iniFile); }

QString TvdxReport::GetApplicationFolder() const
{
    QString dir = IsDesigning() ? QDir::currentPath() : QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}
