// The report object: root of a template's component tree and the object
// through which applications load and save templates (.vd3 files).
#pragma once
#include "core/vdVariant.h"
#include "report/vdxClass_component.h"
#include "report/vdxClass_engine.h"
#include "report/vdxClass_io.h"
#include "report/vdxClass_options.h"

#include <QHash>
#include <QPointer>
#include <QRecursiveMutex>
#include <QStringList>
#include <functional>
#include <memory>

class TCustomIniFile;
class TovScript;
class TvdxVariables;
class TvdxStyles;
class TvdxExpressionCache;
class TovCustomVariable;
class TvdxDelayedCommandManager;
class TvdxPreviewPagesList;
class TvdxCustomPreview;
class TvdxCustomExportFilter;
class TvdxReportPage;
class TvdxView;
class TvdxProgress;
class QTimer;

// A failed report expression.
VD_DECLARE_EXCEPTION(EReportScriptError, Exception)

// The module's global lock: template reading of thread-safe reports.
QRecursiveMutex &vdxGlobalLock();
// Process-wide variables that scripts see as vdxGlobalVariables.
TvdxVariables *vdxGlobalVariables();
// Registers the report classes that templates name (once per process).
void vdxRegisterReportClasses();

class TvdxReport;
// Process-wide hooks for templates of an older generation. The library sets
// none of them; the report consults them.
struct TvdxVD2Events {
    std::function<void(const QString &varName, Variant &value)> OnGetValue;
    std::function<void(QObject *sender)> OnPrepareScript;
    // True when the hook read the template itself.
    std::function<bool(TvdxReport *report, QIODevice &stream)> OnLoad;
    std::function<Variant(Variant &params)> OnGetScriptValue;
    // File-dialog pattern of the older files.
    QString Filter;
};
TvdxVD2Events &vdxVD2Events();

class TvdxReport : public TvdxComponent {
    Q_OBJECT
    Q_PROPERTY(QString Version READ Version WRITE SetVersion)
    Q_PROPERTY(QString ParentReport READ ParentReport WRITE SetParentReport)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(bool DotMatrixReport READ DotMatrixReport WRITE SetDotMatrixReport)
    Q_PROPERTY(TvdxEngineOptions *EngineOptions READ EngineOptions WRITE SetEngineOptions)
    Q_PROPERTY(TvdxPreviewOptions *PreviewOptions READ PreviewOptions WRITE SetPreviewOptions)
    Q_PROPERTY(TvdxPrintOptions *PrintOptions READ PrintOptions WRITE SetPrintOptions)
    Q_PROPERTY(TvdxReportOptions *ReportOptions READ ReportOptions WRITE SetReportOptions)
    Q_PROPERTY(QString IniFile READ IniFile WRITE SetIniFile)
    Q_PROPERTY(bool OldStyleProgress READ OldStyleProgress WRITE SetOldStyleProgress)
    Q_PROPERTY(QString ScriptLanguage READ ScriptLanguage WRITE SetScriptLanguage)
    Q_PROPERTY(QStringList ScriptText READ ScriptText WRITE SetScriptText)
    Q_PROPERTY(bool ShowProgress READ ShowProgress WRITE SetShowProgress)
    Q_PROPERTY(bool StoreInDFM READ StoreInDFM WRITE SetStoreInDFM)
    Q_PROPERTY(QString OnReportPrint READ OnReportPrint WRITE SetOnReportPrint)
    Q_PROPERTY(QString OnRunDialogs READ OnRunDialogs WRITE SetOnRunDialogs)
    Q_PROPERTY(QString OnStartReport READ OnStartReport WRITE SetOnStartReport)
    Q_PROPERTY(QString OnStopReport READ OnStopReport WRITE SetOnStopReport)
    Q_CLASSINFO("default:DotMatrixReport", "False")
    Q_CLASSINFO("default:OldStyleProgress", "False")
    Q_CLASSINFO("default:ShowProgress", "True")
    Q_CLASSINFO("default:StoreInDFM", "True")
public:
    enum TvdxInheriteMode { imDefault, imDelete, imRename };
    enum TvdxProgressType { ptRunning, ptExporting, ptPrinting };

    Q_INVOKABLE explicit TvdxReport(TvdComponent *owner = nullptr);
    ~TvdxReport() override;

    TvdxReport *Report() const override { return const_cast<TvdxReport *>(this); }
    bool vdxIsReport() const override { return true; }
    QString GetDescription() const override;
    void Clear() override;
    TvdComponent *FindObject(const QString &name) const override;

    // --- published
    QString Version() const { return m_version; }
    void SetVersion(const QString &) { m_version = QStringLiteral("2023.2"); }
    QString ParentReport() const { return m_parentReport; }
    void SetParentReport(const QString &value);
    QString DataSetName() const;
    void SetDataSetName(const QString &value);
    TvdxDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TvdxDataSet *value);
    bool DotMatrixReport() const { return m_dotMatrixReport; }
    void SetDotMatrixReport(bool v) { m_dotMatrixReport = v; }
    QString IniFile() const { return m_iniFile; }
    void SetIniFile(const QString &v) { m_iniFile = v; }
    bool OldStyleProgress() const { return m_oldStyleProgress; }
    void SetOldStyleProgress(bool v) { m_oldStyleProgress = v; }
    QString ScriptLanguage() const { return m_scriptLanguage; }
    void SetScriptLanguage(const QString &v) { m_scriptLanguage = v; }
    QStringList ScriptText() const { return m_scriptText; }
    void SetScriptText(const QStringList &v) { m_scriptText = v; }
    bool ShowProgress() const { return m_showProgress; }
    void SetShowProgress(bool v) { m_showProgress = v; }
    bool StoreInDFM() const { return m_storeInDFM; }
    void SetStoreInDFM(bool v) { m_storeInDFM = v; }
    QString OnReportPrint() const { return m_onReportPrint; }
    void SetOnReportPrint(const QString &v) { m_onReportPrint = v; }
    QString OnRunDialogs() const { return m_onRunDialogs; }
    void SetOnRunDialogs(const QString &v) { m_onRunDialogs = v; }
    QString OnStartReport() const { return m_onStartReport; }
    void SetOnStartReport(const QString &v) { m_onStartReport = v; }
    QString OnStopReport() const { return m_onStopReport; }
    void SetOnStopReport(const QString &v) { m_onStopReport = v; }

    TvdxEngineOptions *EngineOptions() const { return m_engineOptions.get(); }
    void SetEngineOptions(TvdxEngineOptions *v) { m_engineOptions->Assign(v); }
    TvdxPreviewOptions *PreviewOptions() const { return m_previewOptions.get(); }
    void SetPreviewOptions(TvdxPreviewOptions *v) { m_previewOptions->Assign(v); }
    TvdxPrintOptions *PrintOptions() const { return m_printOptions.get(); }
    void SetPrintOptions(TvdxPrintOptions *v) { m_printOptions->Assign(v); }
    TvdxReportOptions *ReportOptions() const { return m_reportOptions.get(); }
    void SetReportOptions(TvdxReportOptions *v) { m_reportOptions->Assign(v); }
    // Data sets the template uses, and those the application offers.
    TvdxReportDataSets *DataSets() const { return m_dataSets.get(); }
    TvdxReportDataSets *EnabledDataSets() const { return m_enabledDataSets.get(); }
    // Data set of DataSets by user name or component name (ignoring case).
    TvdxDataSet *GetDataset(const QString &alias) const;
    QString GetAlias(TvdxDataSet *dataSet) const;
    // Splits Customers."Name" into the data set and the field name.
    void GetDatasetAndField(const QString &complexName, TvdxDataSet *&dataSet, QString &field) const;
    void GetDataSetList(QList<QPair<QString, TvdxDataSet *>> &list, bool onlyDB = false) const;
    // The global list, or the data sets the application offers this report.
    void GetActiveDataSetList(QList<QPair<QString, TvdxDataSet *>> &list) const;

    // The engine and the prepared pages (stand-ins until their subsystems register theirs).
    TvdxCustomEngine *Engine() const { return m_engine.get(); }
    // The current and the main prepared-page sets.
    TvdxCustomPreviewPages *PreviewPages() const;
    TvdxCustomPreviewPages *MainPreviewPages() const;

    // --- public state
    QString FileName() const { return m_fileName; }
    void SetFileName(const QString &v) { m_fileName = v; }
    bool Modified() const { return m_modified; }
    void SetModified(bool v) { m_modified = v; }
    QString CurObject() const { return m_curObject; }
    void SetCurObject(const QString &v) { m_curObject = v; }
    bool Reloading() const { return m_reloading; }
    void SetReloading(bool v) { m_reloading = v; }
    bool Terminated() const { return m_terminated; }
    // Setting True also stops a running script.
    void SetTerminated(bool v);
    bool StreamLoaded() const { return m_streamLoaded; }
    int PagesCount() const { return Objects().Count(); }
    TvdxPage *Pages(int index) const;
    TvdxVariables *Variables() const { return m_variables.get(); }
    // Names of the system variables, in their fixed order.
    const QStringList &SysVariables() const { return m_sysVariables; }
    QStringList &DrillState() { return m_drillState; }
    // The report's styles, written into the template under "Styles".
    TvdxStyles *Styles() const { return m_styles.get(); }

    // The value of an expression of the report's script language, evaluated
    // in aScript (none: the report's script). A failed expression adds
    // "CurObject: message" to the error list and raises EReportScriptError
    // (IgnoreExprError: the expression text is the value).
    Variant Calc(const QString &expr, TovScript *aScript = nullptr);
    // Calc for a script's own call: errors are raised as "Error in Calc
    // expression:" and the message, without an error line.
    Variant CalcFromScript(const QString &expr);
    // The object the running expressions see as Self.
    TvdxComponent *SelfValue() const { return m_selfValue; }
    void SetSelfValue(TvdxComponent *value);
    // The script variable "Value" that views fill while they compute.
    Variant LocalValue() const;
    void SetLocalValue(const Variant &value);

    // --- preparation (vdxClass_report_prepare.cpp)
    bool PrepareReport(bool clearLastReport = true);
    bool PrepareScript(TvdxReport *activeReport = nullptr);
    bool PreparePage(TvdxPage *aPage);
    TovScript *Script() const { return m_script.get(); }
    TvdxExpressionCache *ExpressionCache() const { return m_expressionCache.get(); }
    bool CaseSensitiveExpressions() const;
    void SetCaseSensitiveExpressions(bool value);
    bool Preparing() const { return m_preparing; }
    bool IsScriptObjectsAdded() const { return m_isScriptObjectsAdded; }
    // Declares a host function for scripts, answered by OnUserFunction.
    void AddFunction(const QString &funcName, const QString &category = QString(),
                     const QString &description = QString());
    void DoNotifyEvent(QObject *obj, const QString &eventName, bool runAlways = false);
    void DoParamEvent(const QString &eventName, Variant &params, bool runAlways = false);
    void DoBeforePrint(TvdxReportComponent *c);
    void DoAfterPrint(TvdxReportComponent *c);
    void DoPreviewClick(TvdxView *v, TvdxMouseButton button, TvdxShiftState shift, bool &modified,
                        TvdxInteractiveEventsParams &eventParams, bool dblClick = false);
    void DoMouseEnter(TvdxView *sender, TvdxComponent *aPreviousObject, TvdxInteractiveEventsParams &eventParams);
    void DoMouseLeave(TvdxView *sender, int x, int y, TvdxComponent *aNextObject,
                      TvdxInteractiveEventsParams &eventParams);
    void DoMouseUp(TvdxView *sender, int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                   TvdxInteractiveEventsParams &eventParams);
    virtual void InternalOnProgressStart(TvdxProgressType progressType);
    virtual void InternalOnProgress(TvdxProgressType progressType, int progress);
    virtual void InternalOnProgressStop(TvdxProgressType progressType);
    void SetProgressMessage(const QString &value, bool isHint = false, bool bHandleMessage = true);

    // --- entry points (vdxClass_report_show.cpp)
    void ShowReport(bool clearLastReport = true);
    void ShowPreparedReport();
    void RefreshActivePreviewedReport();
    void DesignReport(bool modal = true, bool mdiChild = false);
    void DesignReport(QObject *iDesigner, QObject *editor);
    void DesignReportInPanel(QWidget *panel);
    bool DesignPreviewPage();
    bool Print();
    bool Export(TvdxCustomExportFilter *filter);
    void SelectPrinter();
    bool IsReportActionRunning() const;
    void RunDelayedCommands();
    TvdxDelayedCommandManager *DelayedCommands() const { return m_delayedCommands.get(); }
    TvdxPreviewPagesList *PreviewPagesList() const { return m_previewPagesList.get(); }
    void SetPreviewPages(TvdxCustomPreviewPages *value);
    void SetMainPreviewPages(TvdxCustomPreviewPages *value);
    TvdxCustomPreview *Preview() const;
    void SetPreview(TvdxCustomPreview *value);
    QWidget *PreviewForm() const;
    TvdxCustomDesigner *Designer() const { return m_designer; }
    void SetDesigner(TvdxCustomDesigner *value) { m_designer = value; }
    // The 50 ms timer that prepares a shown report from the preview's loop.
    QTimer *Timer() const { return m_timer.get(); }
    // Binds "Report", "PreviewPages", "Engine" and "Outline" to the current objects.
    void BindScriptObjects();

    // --- events of the host program
    std::function<void(TvdxReport *)> OnBeginDoc, OnEndDoc, OnAfterScriptCompile, OnPreview;
    std::function<void(const QString &varName, Variant &value)> OnGetValue;
    std::function<void(TvdxReport *, const QString &varName, Variant &value)> OnNewGetValue;
    std::function<Variant(const QString &methodName, Variant &params)> OnUserFunction;
    std::function<void(TvdxReportComponent *)> OnBeforePrint, OnAfterPrint;
    std::function<void(TvdxReport *, TvdxProgressType, int)> OnProgressStart, OnProgress, OnProgressStop;
    std::function<void(TvdxView *, TvdxMouseButton, TvdxShiftState, bool &modified)> OnClickObject,
        OnDblClickObject;
    std::function<void(TvdxView *)> OnMouseEnter, OnMouseLeave;
    // The object under the mouse in the preview.
    std::function<void(TvdxComponent *)> OnMouseOverObject;
    // Loads the template of a detail report in place of its file: True when it did.
    std::function<bool(TvdxReport *detail, const QString &templateName)> OnLoadDetailTemplate;
    std::function<void(QObject *sender)> OnClosePreview;
    // Printing: before the first page and after the job, and for every page
    // sent to the printer with the copy it belongs to.
    std::function<void(TvdxReport *)> OnPrintReport, OnAfterPrintReport;
    std::function<void(TvdxReportPage *page, int copyNo)> OnPrintPage;

    // Whether the report runs with thread-safe engine options.
    bool IsThreadSafe() const;
    // Data-set lookup of components (nothing for a missing report: the global list).
    static TvdxDataSet *FindDataSetOf(TvdxReport *report, TvdxDataSet *dataSet, const QString &dsName);

    // Error list: sorted, each line once.
    const QStringList &Errors() const { return m_errors; }
    void AddError(const QString &line);
    void ClearErrors() { m_errors.clear(); }
    // "The following error(s) have occured:", CR LF and the lines.
    QString ErrorMessage() const;
    // The serializer reading this report, while it reads.
    TvdxXMLSerializer *XMLSerializer() const { return m_xmlSerializer; }
    void SetXMLSerializer(TvdxXMLSerializer *s) { m_xmlSerializer = s; }
    // Object of the ancestor template that Name stands for (none without ancestor).
    virtual void GetAncestor(const QString &name, TvdPersistent *&ancestor);

    // --- inheritance (vdxClass_inherit.cpp)
    // The separate report holding the ancestor template's content.
    TvdxReport *ParentReportObject() const { return m_parentReportObject.get(); }
    // Loads the ancestor template instead of the file road when set.
    std::function<void(TvdxReport *report, const QString &templateName)> OnLoadTemplate;
    // Turns this report into one that inherits from the template; False when
    // it is the report's own file, the ancestor cannot be read or the user cancels.
    bool InheritFromTemplate(const QString &templName, TvdxInheriteMode inheriteMode = imDefault);

    // --- templates
    void LoadFromStream(QIODevice &stream) override;
    void SaveToStream(QIODevice &stream, bool saveChildren = true, bool saveDefaultValues = false,
                      bool useGetAncestor = false) override;
    // False when the file is missing, unreadable or not a readable template
    // (the reasons are in Errors).
    bool LoadFromFile(const QString &fileName, bool exceptionIfNotFound = false);
    // Raises when the file cannot be written.
    void SaveToFile(const QString &fileName);
    bool LoadFromFilter(TvdxCustomIOTransport *filter, const QString &fileName);
    bool SaveToFilter(TvdxCustomIOTransport *filter, const QString &fileName);
    bool ProcessIOTransport(TvdxCustomIOTransport *filter, const QString &fileName, TvdxFilterAccess access);
    void CheckDataPage();
    std::unique_ptr<TCustomIniFile> GetIniFile() const;
    QString GetApplicationFolder() const;
    void WriteNestedProperties(TvdXMLItem *item, TvdPersistent *ancestor) override;
    bool ReadNestedProperty(TvdXMLItem *item) override;
    bool AcceptsRootElement(const QString &elementName) const override;
    // The tree's name index, then the names of the components it owns.
    bool vdxFindByName(const QString &name, TvdComponent *&found) const override;
    // Room for that many names in the report's tables (a template about to be read).
    void ReserveNames(qsizetype count);

    // Password kept in templates: every UTF-16 unit lowered by 10 (raised when read).
    static QString EncodePassword(const QString &plain);
    static QString DecodePassword(const QString &stored);

    TvdxGetCustomDataEvent OnGetCustomData;
    TvdxSaveCustomDataEvent OnSaveCustomData;
    // Receives the connection strings that ReportOptions.ConnectionName finds
    // in the settings; the options call it, so they hold it.
    using TvdxSetConnectionEvent = std::function<void(const QString &connString)>;
    const TvdxSetConnectionEvent &OnSetConnection() const { return m_reportOptions->OnSetConnection; }
    void SetOnSetConnection(TvdxSetConnectionEvent handler) { m_reportOptions->OnSetConnection = std::move(handler); }
    // The designer's connection editor: the current string in, the edited one out.
    std::function<QString(const QString &connString)> OnEditConnection;
    // How load errors are shown (error box, nothing, or an exception).
    int SilentMode() const;
    void SetSilentMode(int mode);

protected:
    void Notification(TvdComponent *component, Operation operation) override;
    void ValidateRename(TvdComponent *component, const QString &curName, const QString &newName,
                        const TvdNameKey &newKey) override;

private:
    // Whether the component hangs below this report.
    bool inTree(const TvdComponent *component) const;
    // While loading, a name may also stand for an enabled data set.
    TvdComponent *findLoadingDataSet(const QString &name) const;
    friend class TvdxPreviewPagesList;
    bool resolve(const QString &expr, Variant &value);
    Variant calc(const QString &expr, TovScript *aScript, bool fromScript);
    void addScriptMethods(TvdxReport *activeReport);
    void onTimer();
    void reportErrors();
    void fixDataSets();
    void readTree(QIODevice &stream, bool &deciphered);
    void loadAncestor(const QString &value);
    void adjustParentReportPath(const QString &target);
    void setAncestorFlags(bool value);

    QString m_curObject;
    TvdxDataSet *m_dataSet = nullptr;
    QString m_dataSetName;
    bool m_dotMatrixReport = false;
    QStringList m_drillState;
    QStringList m_errors;
    QString m_fileName;
    QString m_iniFile;
    bool m_modified = false;
    bool m_oldStyleProgress = false;
    QString m_parentReport;
    std::unique_ptr<TvdxReport> m_parentReportObject;
    bool m_reloading = false;
    QString m_scriptLanguage;
    QStringList m_scriptText;
    bool m_showProgress = true;
    bool m_storeInDFM = true;
    std::shared_ptr<TvdxStyles> m_styles;
    QStringList m_sysVariables;
    bool m_terminated = false;
    std::unique_ptr<TvdxVariables> m_variables;
    QString m_version;
    TvdxXMLSerializer *m_xmlSerializer = nullptr;
    bool m_streamLoaded = false;
    QString m_onReportPrint, m_onRunDialogs, m_onStartReport, m_onStopReport;
    std::unique_ptr<TvdxEngineOptions> m_engineOptions;
    std::unique_ptr<TvdxPreviewOptions> m_previewOptions;
    std::unique_ptr<TvdxPrintOptions> m_printOptions;
    std::unique_ptr<TvdxReportOptions> m_reportOptions;
    std::unique_ptr<TvdxReportDataSets> m_dataSets;
    std::unique_ptr<TvdxReportDataSets> m_enabledDataSets;
    std::unique_ptr<TvdxCustomEngine> m_engine;
    std::unique_ptr<TvdxPreviewPagesList> m_previewPagesList;
    std::unique_ptr<TovScript> m_script;
    std::unique_ptr<TvdxExpressionCache> m_expressionCache;
    std::unique_ptr<TvdxDelayedCommandManager> m_delayedCommands;
    std::unique_ptr<QTimer> m_timer;
    TovScript *m_saveParentScript = nullptr;
    bool m_preparing = false;
    bool m_isScriptObjectsAdded = false;
    // Variables whose expression text is being evaluated (cycle guard).
    QStringList m_evaluatingVariables;
    QPointer<QWidget> m_preview;
    QPointer<QWidget> m_previewForm;
    TvdxCustomDesigner *m_designer = nullptr;
    std::unique_ptr<TvdxProgress> m_progress;
    QPointer<TvdxComponent> m_selfValue;
    // Names of the components the report owns (case-folded), for the owner-wide check.
    QHash<TvdNameKey, TvdComponent *> m_ownedNames;
};
