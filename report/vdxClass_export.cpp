#include "report/vdxClass_export.h"

#include "core/vdPictureCache.h"
#include "core/vdUtils.h"
#include "report/vdxClass_report.h"
#include "report/vdxDsgnIntf.h"

#include <QFile>
#include <QFileInfo>

namespace {
bool isSep(QChar c) { return c == u'\\' || c == u'/'; }

int lastSep(const QString &path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i)
        if (isSep(path[i]))
            return int(i);
    return -1;
}

// The name part without folder and extension.
QString baseName(const QString &fileName)
{
    QString name = fileName.mid(lastSep(fileName) + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot >= 0 ? name.left(dot) : name;
}
} // namespace

QString vdxExtractFilePath(const QString &fileName) { return fileName.left(lastSep(fileName) + 1); }

QString vdxChangeFileExt(const QString &fileName, const QString &ext)
{
    const int sep = lastSep(fileName);
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return (dot > sep ? fileName.left(dot) : fileName) + ext;
}

// ---------------------------------------------------------------------------
TvdxCustomExportFilter::TvdxCustomExportFilter(TvdComponent *owner, bool noRegister)
    : TvdComponent(noRegister ? nullptr : owner), FNoRegister(noRegister)
{
    if (!FNoRegister)
        vdxExportFilterRegistry().Register(this);
}

TvdxCustomExportFilter::~TvdxCustomExportFilter()
{
    if (!FNoRegister)
        vdxExportFilterRegistry().Unregister(this);
    FPictureHashMap.reset();
    FFiles.reset();
    FDefaultIOTransport.reset();
}

QObject *TvdxCustomExportFilter::ReportObject() const { return FReport; }

void TvdxCustomExportFilter::SetFileName(const QString &value)
{
    FFileName = value;
    if (FIOTransport) {
        FIOTransport->BasePath = vdxExtractFilePath(value);
        FIOTransport->FileName = value;
    }
}

bool TvdxCustomExportFilter::ShowDialog() const
{
    return (FShowDialogOptions & doShowExportSettings) && (FShowDialogOptions & doShowSaveDialog);
}

void TvdxCustomExportFilter::SetShowDialog(bool value)
{
    if (value)
        FShowDialogOptions |= doShowExportSettings | doShowSaveDialog;
    else
        FShowDialogOptions &= ~unsigned(doShowExportSettings | doShowSaveDialog);
}

void TvdxCustomExportFilter::SetFiles(QStringList *v)
{
    if (v != FFiles.get())
        FFiles.reset(v);
}

int TvdxCustomExportFilter::ShowModal() { return mrOk; }

TvdxCustomIOTransport *TvdxCustomExportFilter::DefaultIOTransport()
{
    if (!FDefaultIOTransport)
        FDefaultIOTransport.reset(CreateDefaultIOTransport());
    return FDefaultIOTransport.get();
}

void TvdxCustomExportFilter::SetDefaultIOTransport(TvdxCustomIOTransport *value)
{
    if (value == FDefaultIOTransport.get())
        return;
    // The caller's transport may point at the one going away.
    if (FIOTransport == FDefaultIOTransport.get())
        FIOTransport = nullptr;
    FDefaultIOTransport.reset(value);
}

TvdxCustomIOTransport *TvdxCustomExportFilter::CreateDefaultIOTransport()
{
    TvdxIOTransportClass cls = nullptr;
    if ((FShowDialogOptions & doShowSaveDialog) && vdxDialogIOTransportClass() && !FSlaveExport && !FStream)
        cls = vdxDialogIOTransportClass();
    else
        cls = vdxDefaultIOTransportClass();
    if (!cls)
        cls = &vdxNewIOTransport<TvdxIOTransportFile>;
    return cls(nullptr, true);
}

void TvdxCustomExportFilter::PrepareFileName()
{
    if (FSlaveExport && FFileName.isEmpty()) {
        if (FReport && !FReport->FileName().isEmpty()) {
            FFileName = GetTempDir() + vdxChangeFileExt(baseName(FReport->FileName()), FDefaultExt);
        } else {
            // The temporary file only reserves a unique stem; the export
            // writes the name with the format's extension instead.
            const QString reserved = NewTempFileName();
            FFileName = vdxChangeFileExt(reserved, FDefaultExt);
            if (!reserved.isEmpty() && reserved != FFileName)
                QFile::remove(reserved);
        }
        if (FIOTransport)
            FIOTransport->BasePath = vdxExtractFilePath(FFileName);
    }
    if (!FFileName.isEmpty() && lastSep(FFileName) < 0 && !FDefaultPath.isEmpty()) {
        FFileName = isSep(FDefaultPath.back()) ? FDefaultPath + FFileName
                                                 : FDefaultPath + u'/' + FFileName;
    }
}

bool TvdxCustomExportFilter::DoStart()
{
    if (UsesPictureHashMap())
        FPictureHashMap = std::make_unique<TvdxPictureHashMap>(FCalculatePictureHash);
    PrepareFileName();
    return Start();
}

void TvdxCustomExportFilter::DoFinish()
{
    FPictureHashMap.reset();
    Finish();
    AfterFinish();
}
