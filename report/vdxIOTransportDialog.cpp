#include "report/vdxIOTransportDialog.h"

#include "core/vdxRes.h"
#include "platform/UiProvider.h"
#include "report/vdxClass_report.h"

#include <exception>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
QString toSlashes(QString p) { return p.replace(u'\\', u'/'); }

// "Desc|*.a;*.b|Desc2|*.c" as Qt filters "Desc (*.a *.b)".
QStringList splitFilter(const QString &filter, QList<QStringList> &patterns)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QStringList pats = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        patterns.append(pats);
        out.append(parts[i].contains(u'(') ? parts[i] : parts[i] + QStringLiteral(" (") + pats.join(u' ') + u')');
    }
    return out;
}

TvdxFileDialogAnswer defaultRunner(const TvdxFileDialogRequest &r)
{
    QList<QStringList> patterns;
    const QString qtFilter = splitFilter(r.filter, patterns).join(QStringLiteral(";;"));
    QString start = r.initialDir;
    if (!r.fileName.isEmpty())
        start = start.isEmpty() ? r.fileName : start + u'/' + r.fileName + r.defaultExt;
    TvdxFileDialogAnswer a;
    a.fileName = r.save ? vdUiProvider().SaveFileName(QString(), start, qtFilter)
                        : vdUiProvider().OpenFileName(QString(), start, qtFilter);
    a.accepted = !a.fileName.isEmpty();
    const QString name = QFileInfo(a.fileName).fileName();
    for (int i = 0; i < patterns.size(); ++i)
        for (const QString &pat : patterns[i])
            if (QRegularExpression::fromWildcard(pat, Qt::CaseInsensitive).match(name).hasMatch()) {
                a.filterIndex = i + 1;
                return a;
            }
    return a;
}

TvdxFilterVisibleState fileFilterPlace(TvdxFilterVisibleState createdFrom)
{
    switch (createdFrom) {
    case fvDesigner:
        return fvDesignerFileFilter;
    case fvPreview:
        return fvPreviewFileFilter;
    case fvExport:
        return fvExportFileFilter;
    default:
        return fvOther;
    }
}

std::unique_ptr<TvdxCustomIOTransport> &dialogInstance()
{
    static std::unique_ptr<TvdxCustomIOTransport> instance;
    return instance;
}
} // namespace

TvdxFileDialogRunner &vdxFileDialogRunner()
{
    static TvdxFileDialogRunner runner = defaultRunner;
    return runner;
}

TvdxIOTransportFileDialog::TvdxIOTransportFileDialog(TvdComponent *owner, bool noRegister)
    : TvdxIOTransportFile(owner, noRegister)
{
    FVisibility = fvDesigner | fvPreview | fvExport;
}

TvdxIOTransportFileDialog::~TvdxIOTransportFileDialog() = default;

QString TvdxIOTransportFileDialog::GetDescription() { return GetResStr(163); }

bool TvdxIOTransportFileDialog::OpenFilter()
{
    FFilter.reset();
    FSaveDialog = std::make_unique<TvdxFileDialogRequest>();
    TvdxFileDialogRequest &dlg = *FSaveDialog;
    dlg.save = FilterAccess == faWrite;
    dlg.overwritePrompt = OverwritePrompt;
    dlg.defaultExt = DefaultExt;
    if (FileName.isEmpty() && FReport) {
        const QString reportFile = FReport->property("FileName").toString();
        if (!reportFile.isEmpty())
            FileName = QFileInfo(toSlashes(reportFile)).completeBaseName() + DefaultExt;
    }
    {
        const QString name = QFileInfo(toSlashes(FileName)).fileName();
        const int dot = name.lastIndexOf(u'.');
        dlg.fileName = dot >= 0 ? name.left(dot) : name;
    }

    // The other transports offered as file filters at this place, as clones.
    const TvdxFilterVisibleState place = fileFilterPlace(CreatedFrom);
    std::vector<std::unique_ptr<TvdxCustomIOTransport>> clones;
    QString filter = FilterString();
    auto &registry = vdxIOTransportRegistry();
    for (int i = 0; i < registry.Count(); ++i) {
        TvdxCustomIOTransport *t = registry.Items(i)->IOTransport;
        if (t == this || !(t->Visibility() & place))
            continue;
        clones.emplace_back(t->CreateFilterClone(CreatedFrom));
        const QString part = clones.back()->FilterString();
        filter = filter.isEmpty() ? part : filter + u'|' + part;
    }
    dlg.filter = filter;

    const QString folder = QFileInfo(toSlashes(FileName)).path();
    if ((FileName.contains(u'/') || FileName.contains(u'\\')) && !folder.isEmpty())
        dlg.initialDir = folder;
    else if (!DefaultPath.isEmpty())
        dlg.initialDir = DefaultPath;

    const TvdxFileDialogAnswer answer = vdxFileDialogRunner()(dlg);
    if (!answer.accepted)
        return false;
    FileName = answer.fileName;
    BasePath = QFileInfo(toSlashes(FileName)).path();
    // Filter 1 is this transport's own pattern; the clones follow.
    const int cloneIndex = answer.filterIndex - 2;
    if (cloneIndex < 0 || cloneIndex >= int(clones.size()))
        return true;
    FFilter = std::move(clones[size_t(cloneIndex)]);
    FFilter->FilterAccess = FilterAccess;
    FFilter->SetReport(FReport);
    const QFileInfo chosen(toSlashes(FileName));
    FileName = QDir(chosen.path()).filePath(chosen.completeBaseName() + FFilter->DefaultExt);
    FFilter->BasePath = BasePath;
    FFilter->FileName = FileName;
    return FFilter->OpenFilter();
}

void TvdxIOTransportFileDialog::CloseFilter()
{
    // The chosen filter is closed and forgotten even when committing fails.
    std::exception_ptr failure;
    try {
        TvdxIOTransportFile::CloseFilter();
    } catch (...) {
        failure = std::current_exception();
    }
    std::unique_ptr<TvdxCustomIOTransport> filter = std::move(FFilter);
    if (filter)
        filter->CloseFilter();
    filter.reset();
    FSaveDialog.reset();
    if (failure)
        std::rethrow_exception(failure);
}

QIODevice *TvdxIOTransportFileDialog::GetStream(const QString &aFileName)
{
    return FFilter ? FFilter->GetStream(aFileName) : TvdxIOTransportFile::GetStream(aFileName);
}

void TvdxIOTransportFileDialog::FreeStream(QIODevice *aStream, const QString &aFileName)
{
    if (FFilter)
        FFilter->FreeStream(aStream, aFileName);
    else
        TvdxIOTransportFile::FreeStream(aStream, aFileName);
}

bool TvdxIOTransportFileDialog::DoFilterProcessStream(QIODevice *aStream, QObject *processingObject)
{
    return FFilter ? FFilter->DoFilterProcessStream(aStream, processingObject)
                   : TvdxIOTransportFile::DoFilterProcessStream(aStream, processingObject);
}

void vdxInitDialogIOTransport()
{
    if (!vdxDialogIOTransportClass())
        vdxDialogIOTransportClass() = &vdxNewIOTransport<TvdxIOTransportFileDialog>;
    auto &instance = dialogInstance();
    if (instance)
        return;
    instance.reset(vdxDialogIOTransportClass()(nullptr, true));
    vdxIOTransportRegistry().Register(instance.get());
}

void vdxDoneDialogIOTransport()
{
    auto &instance = dialogInstance();
    if (!instance)
        return;
    vdxIOTransportRegistry().Unregister(instance.get());
    instance.reset();
}
