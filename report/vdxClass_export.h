// Export filters: the base every output format derives from. The export loop
// of the prepared pages drives a filter page by page and object by object; the
// filter writes to the caller's stream or to one from its IO transport.
#pragma once
#include "core/vdPersistent.h"
#include "report/vdxClass_io.h"

#include <QIODevice>
#include <QStringList>
#include <functional>
#include <memory>

class TvdxComponent;
class TvdxPictureHashMap;
class TvdxReport;

// Raised to stop an export; the export loop swallows it.
VD_DECLARE_EXCEPTION(EExportTerminated, Exception)

enum TvdxShowDialogOption : unsigned { doShowExportSettings = 1, doShowSaveDialog = 2 };
using TvdxShowDialogOptions = unsigned; // set of TvdxShowDialogOption

using TvdxNotifyEvent = std::function<void(QObject *sender)>;

class TvdxCustomExportFilter : public TvdComponent {
    Q_OBJECT
    Q_PROPERTY(bool ExportNotPrintable READ ExportNotPrintable WRITE SetExportNotPrintable)
    Q_PROPERTY(QString FileName READ FileName WRITE SetFileName)
    Q_PROPERTY(bool ShowDialog READ ShowDialog WRITE SetShowDialog)
    Q_PROPERTY(bool UseFileCache READ UseFileCache WRITE SetUseFileCache)
    Q_PROPERTY(QString DefaultPath READ DefaultPath WRITE SetDefaultPath)
    Q_PROPERTY(bool ShowProgress READ ShowProgress WRITE SetShowProgress)
    Q_PROPERTY(bool OverwritePrompt READ OverwritePrompt WRITE SetOverwritePrompt)
    Q_PROPERTY(double CreationTime READ CreationTime WRITE SetCreationTime)
    Q_PROPERTY(bool DataOnly READ DataOnly WRITE SetDataOnly)
    Q_PROPERTY(TvdxCustomIOTransport *IOTransport READ IOTransport WRITE SetIOTransport)
    // Read by the IO transports (InitFromExport); never stored.
    Q_PROPERTY(QString DefaultExt READ DefaultExt WRITE SetDefaultExt STORED false)
    Q_PROPERTY(QString FilterDesc READ FilterDesc WRITE SetFilterDesc STORED false)
    Q_PROPERTY(QObject *Report READ ReportObject STORED false)
    Q_CLASSINFO("default:ExportNotPrintable", "False")
    Q_CLASSINFO("default:ShowDialog", "True")
    Q_CLASSINFO("default:UseFileCache", "True")
    Q_CLASSINFO("default:ShowProgress", "True")
    Q_CLASSINFO("default:OverwritePrompt", "False")
    Q_CLASSINFO("default:DataOnly", "False")
public:
    // noRegister: the filter stays out of the export-filter registry.
    explicit TvdxCustomExportFilter(TvdComponent *owner = nullptr, bool noRegister = false);
    ~TvdxCustomExportFilter() override;

    // --- virtual operations, in slot order
    virtual void Finish() {}
    virtual void AfterFinish() {}
    virtual void PrepareFileName();
    virtual bool Start() { return true; }
    virtual bool UsesPictureHashMap() { return false; }
    virtual void ClearResources() {}
    virtual QString GetDescription() { return QString(); }
    virtual int ShowModal();
    // A new transport, owned by the caller (DefaultIOTransport keeps it).
    virtual TvdxCustomIOTransport *CreateDefaultIOTransport();
    virtual void ExportObject(TvdxComponent *obj) { Q_UNUSED(obj) }
    virtual void FinishPage(TvdxComponent *page, int index) { Q_UNUSED(page) Q_UNUSED(index) }
    virtual void StartPage(TvdxComponent *page, int index) { Q_UNUSED(page) Q_UNUSED(index) }
    virtual void BeginClip(TvdxComponent *obj) { Q_UNUSED(obj) }
    virtual void EndClip() {}
    virtual bool IsProcessInternal() { return true; }

    // The wrappers the export loop calls around the pages.
    bool DoStart();
    void DoFinish();

    // --- properties
    bool CurPage() const { return FCurPage; }
    void SetCurPage(bool v) { FCurPage = v; }
    bool ExportNotPrintable() const { return FExportNotPrintable; }
    void SetExportNotPrintable(bool v) { FExportNotPrintable = v; }
    QString FileName() const { return FFileName; }
    // Also the transport's FileName and BasePath (the folder of the name).
    void SetFileName(const QString &value);
    QString PageNumbers() const { return FPageNumbers; }
    void SetPageNumbers(const QString &v) { FPageNumbers = v; }
    TvdxReport *Report() const { return FReport; }
    void SetReport(TvdxReport *v) { FReport = v; }
    QObject *ReportObject() const;
    TvdxShowDialogOptions ShowDialogOptions() const { return FShowDialogOptions; }
    void SetShowDialogOptions(TvdxShowDialogOptions v) { FShowDialogOptions = v; }
    // True only with both dialog options; writing sets or clears both.
    bool ShowDialog() const;
    void SetShowDialog(bool value);
    // A caller's output stream (not owned): no dialog and no file.
    QIODevice *Stream() const { return FStream; }
    void SetStream(QIODevice *v) { FStream = v; }
    bool UseFileCache() const { return FUseFileCache; }
    void SetUseFileCache(bool v) { FUseFileCache = v; }
    QString DefaultPath() const { return FDefaultPath; }
    void SetDefaultPath(const QString &v) { FDefaultPath = v; }
    bool SlaveExport() const { return FSlaveExport; }
    void SetSlaveExport(bool v) { FSlaveExport = v; }
    bool ShowProgress() const { return FShowProgress; }
    void SetShowProgress(bool v) { FShowProgress = v; }
    QString DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const QString &v) { FDefaultExt = v; }
    QString FilterDesc() const { return FFilterDesc; }
    void SetFilterDesc(const QString &v) { FFilterDesc = v; }
    bool SuppressPageHeadersFooters() const { return FSuppressPageHeadersFooters; }
    void SetSuppressPageHeadersFooters(bool v) { FSuppressPageHeadersFooters = v; }
    QString ExportTitle() const { return FExportTitle; }
    void SetExportTitle(const QString &v) { FExportTitle = v; }
    bool OverwritePrompt() const { return FOverwritePrompt; }
    void SetOverwritePrompt(bool v) { FOverwritePrompt = v; }
    // Files written by formats that write several; none until set.
    QStringList *Files() const { return FFiles.get(); }
    void SetFiles(QStringList *v); // takes ownership
    double CreationTime() const { return FCreationTime; }
    void SetCreationTime(double v) { FCreationTime = v; }
    bool DataOnly() const { return FDataOnly; }
    void SetDataOnly(bool v) { FDataOnly = v; }
    // The transport the caller chose (not owned).
    TvdxCustomIOTransport *IOTransport() const { return FIOTransport; }
    void SetIOTransport(TvdxCustomIOTransport *v) { FIOTransport = v; }
    bool OpenAfterExport() const { return FOpenAfterExport; }
    void SetOpenAfterExport(bool v) { FOpenAfterExport = v; }
    bool CalculatePictureHash() const { return FCalculatePictureHash; }
    void SetCalculatePictureHash(bool v) { FCalculatePictureHash = v; }
    // Made with CreateDefaultIOTransport on first read; owned.
    TvdxCustomIOTransport *DefaultIOTransport();
    // Frees the previous one and keeps value (none only frees).
    void SetDefaultIOTransport(TvdxCustomIOTransport *value);
    bool Terminated() const { return FTerminated; }
    void SetTerminated(bool v) { FTerminated = v; }
    bool Registered() const { return !FNoRegister; }
    // The map of the running export, when the format asks for one.
    TvdxPictureHashMap *PictureHashMap() const { return FPictureHashMap.get(); }

    TvdxNotifyEvent OnBeforeExport;
    TvdxNotifyEvent OnBeginExport;

private:
    bool FCurPage = false;
    bool FExportNotPrintable = false;
    QString FFileName;
    QString FPageNumbers;
    TvdxReport *FReport = nullptr;
    TvdxShowDialogOptions FShowDialogOptions = doShowExportSettings | doShowSaveDialog;
    QIODevice *FStream = nullptr;
    bool FUseFileCache = true;
    QString FDefaultPath;
    bool FSlaveExport = false;
    bool FShowProgress = true;
    QString FDefaultExt;
    QString FFilterDesc;
    bool FSuppressPageHeadersFooters = false;
    QString FExportTitle;
    bool FOverwritePrompt = false;
    std::unique_ptr<QStringList> FFiles;
    double FCreationTime = 0;
    bool FDataOnly = false;
    TvdxCustomIOTransport *FIOTransport = nullptr;
    bool FOpenAfterExport = false;
    bool FCalculatePictureHash = true;
    std::unique_ptr<TvdxCustomIOTransport> FDefaultIOTransport;
    bool FTerminated = false;
    bool FNoRegister = false;
    std::unique_ptr<TvdxPictureHashMap> FPictureHashMap;
};

// The folder part of a path ("\" or "/" separated), empty for a bare name.
QString vdxExtractFilePath(const QString &fileName);
// The name with its extension (from the last "." of the name part) replaced.
QString vdxChangeFileExt(const QString &fileName, const QString &ext);
