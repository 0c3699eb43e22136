#include "report/vdxDelayedCommands.h"

#include "report/vdxClass_io.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"

int TvdxBaseDelayedCommand::Release()
{
    const int n = --FRefCount;
    if (n <= 0)
        delete this;
    return n;
}

TvdxBasePrepareReportCommand::TvdxBasePrepareReportCommand(TvdxReport *aReport, bool aClearLast)
    : FReport(aReport), FClearLast(aClearLast), FEngineOptions(std::make_unique<TvdxEngineOptions>())
{
    FEngineOptions->Assign(aReport->EngineOptions());
    FEngineOptions->AssignThreadProps(aReport->EngineOptions());
}

TvdxBasePrepareReportCommand::~TvdxBasePrepareReportCommand() = default;

void TvdxBasePrepareReportCommand::Run()
{
    FReport->EngineOptions()->Assign(FEngineOptions.get());
    FReport->EngineOptions()->AssignThreadProps(FEngineOptions.get());
}

void TvdxShowReportCommand::Run()
{
    TvdxBasePrepareReportCommand::Run();
    FReport->ShowReport(FClearLast);
}

void TvdxPrepareReportCommand::Run()
{
    TvdxBasePrepareReportCommand::Run();
    FReport->PrepareReport(FClearLast);
}

void TvdxRefreshReportCommand::Run()
{
    TvdxBasePrepareReportCommand::Run();
    FReport->RefreshActivePreviewedReport();
}

TvdxLoadFromCommand::TvdxLoadFromCommand(TvdxReport *aReport, TvdxCustomIOTransport *aTransport,
                                         const QString &aFileName)
    : FReport(aReport), FFileName(aFileName)
{
    if (aTransport) {
        FTransport.reset(aTransport->ClassType()(nullptr, true));
        FTransport->AssignFilter(aTransport);
        FTransport->AssignSharedProperties(aTransport);
    }
}

TvdxLoadFromCommand::~TvdxLoadFromCommand() = default;

void TvdxLoadFromCommand::Run() { FReport->LoadFromFilter(FTransport.get(), FFileName); }

TvdxLoadFromFileCommand::TvdxLoadFromFileCommand(TvdxReport *aReport, const QString &aFileName,
                                                 bool aExceptionIfNotFound)
    : FReport(aReport), FFileName(aFileName), FExceptionIfNotFound(aExceptionIfNotFound)
{
}

void TvdxLoadFromFileCommand::Run() { FReport->LoadFromFile(FFileName, FExceptionIfNotFound); }

TvdxLoadFromStreamCommand::TvdxLoadFromStreamCommand(TvdxReport *aReport, QIODevice &aStream) : FReport(aReport)
{
    constexpr qint64 block = 1048576;
    for (;;) {
        const QByteArray chunk = aStream.read(block);
        if (chunk.isEmpty())
            break;
        FBytes += chunk;
    }
    FStream.setBuffer(&FBytes);
    FStream.open(QIODevice::ReadOnly);
}

void TvdxLoadFromStreamCommand::Run()
{
    FStream.seek(0);
    FReport->LoadFromStream(FStream);
}

// ---------------------------------------------------------------------------
TvdxDelayedCommandManager::~TvdxDelayedCommandManager() { Clear(); }

void TvdxDelayedCommandManager::put(QList<Entry> &list, TvdxBaseDelayedCommand *cmd)
{
    const QString name = cmd->GetName();
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            TvdxBaseDelayedCommand *old = list[i].cmd;
            list.removeAt(i);
            old->Release();
            break;
        }
    qsizetype at = 0;
    while (at < list.size() && list[at].name.compare(name, Qt::CaseInsensitive) < 0)
        ++at;
    cmd->AddRef();
    list.insert(at, Entry{name, cmd});
}

void TvdxDelayedCommandManager::release(QList<Entry> &list)
{
    while (!list.isEmpty())
        list.takeLast().cmd->Release();
}

void TvdxDelayedCommandManager::AddCommand(TvdxBaseDelayedCommand *cmd)
{
    if (!cmd)
        return;
    put(FIsRunning ? FLater : FCommands, cmd);
}

void TvdxDelayedCommandManager::Clear()
{
    release(FCommands);
    release(FLater);
}

QStringList TvdxDelayedCommandManager::Names() const
{
    QStringList names;
    for (const Entry &e : FCommands)
        names << e.name;
    for (const Entry &e : FLater)
        names << e.name;
    return names;
}

void TvdxDelayedCommandManager::RunAll()
{
    if (FIsRunning)
        return;
    FIsRunning = true;
    struct Done {
        TvdxDelayedCommandManager *m;
        ~Done()
        {
            m->FIsRunning = false;
            // What arrived meanwhile waits for the next round.
            while (!m->FLater.isEmpty()) {
                Entry e = m->FLater.takeFirst();
                put(m->FCommands, e.cmd);
                e.cmd->Release();
            }
        }
    } done{this};
    while (!FCommands.isEmpty()) {
        Entry e = FCommands.takeFirst();
        struct Rel {
            TvdxBaseDelayedCommand *c;
            ~Rel() { c->Release(); }
        } rel{e.cmd};
        e.cmd->Run();
    }
}
