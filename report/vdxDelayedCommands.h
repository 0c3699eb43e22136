// Requests that reach a report while it prepares, runs its engine or runs a
// script procedure wait here and run when that action ends: at most one of
// each kind (the newest wins), in the order of their class names.
#pragma once

#include <QBuffer>
#include <QList>
#include <QString>
#include <memory>

class QIODevice;
class TvdxReport;
class TvdxEngineOptions;
class TvdxCustomIOTransport;

class TvdxBaseDelayedCommand {
public:
    TvdxBaseDelayedCommand() = default;
    virtual ~TvdxBaseDelayedCommand() = default;
    TvdxBaseDelayedCommand(const TvdxBaseDelayedCommand &) = delete;
    TvdxBaseDelayedCommand &operator=(const TvdxBaseDelayedCommand &) = delete;

    int AddRef() { return ++FRefCount; }
    // Frees the command when no reference is left.
    int Release();
    virtual void Run() = 0;
    virtual QString GetName() const = 0;
    TvdxBaseDelayedCommand *GetInstance() { return this; }

private:
    int FRefCount = 0;
};

// Keeps the report's engine options of the time of the call and puts them
// back before it runs.
class TvdxBasePrepareReportCommand : public TvdxBaseDelayedCommand {
public:
    TvdxBasePrepareReportCommand(TvdxReport *aReport, bool aClearLast);
    ~TvdxBasePrepareReportCommand() override;
    void Run() override;

protected:
    TvdxReport *FReport;
    bool FClearLast;
    std::unique_ptr<TvdxEngineOptions> FEngineOptions;
};

class TvdxShowReportCommand : public TvdxBasePrepareReportCommand {
public:
    using TvdxBasePrepareReportCommand::TvdxBasePrepareReportCommand;
    void Run() override;
    QString GetName() const override { return QStringLiteral("TvdxShowReportCommand"); }
};

class TvdxPrepareReportCommand : public TvdxBasePrepareReportCommand {
public:
    using TvdxBasePrepareReportCommand::TvdxBasePrepareReportCommand;
    void Run() override;
    QString GetName() const override { return QStringLiteral("TvdxPrepareReportCommand"); }
};

class TvdxRefreshReportCommand : public TvdxBasePrepareReportCommand {
public:
    using TvdxBasePrepareReportCommand::TvdxBasePrepareReportCommand;
    void Run() override;
    QString GetName() const override { return QStringLiteral("TvdxRefreshReportCommand"); }
};

// Loads through its own unregistered copy of the caller's transport.
class TvdxLoadFromCommand : public TvdxBaseDelayedCommand {
public:
    TvdxLoadFromCommand(TvdxReport *aReport, TvdxCustomIOTransport *aTransport, const QString &aFileName);
    ~TvdxLoadFromCommand() override;
    void Run() override;
    QString GetName() const override { return QStringLiteral("TvdxLoadFromCommand"); }

private:
    TvdxReport *FReport;
    QString FFileName;
    std::unique_ptr<TvdxCustomIOTransport> FTransport;
};

class TvdxLoadFromFileCommand : public TvdxBaseDelayedCommand {
public:
    TvdxLoadFromFileCommand(TvdxReport *aReport, const QString &aFileName, bool aExceptionIfNotFound);
    void Run() override;
    QString GetName() const override { return QStringLiteral("TvdxLoadFromFileCommand"); }

private:
    TvdxReport *FReport;
    QString FFileName;
    bool FExceptionIfNotFound;
};

// Keeps a copy of the stream's bytes from its position to its end.
class TvdxLoadFromStreamCommand : public TvdxBaseDelayedCommand {
public:
    TvdxLoadFromStreamCommand(TvdxReport *aReport, QIODevice &aStream);
    void Run() override;
    QString GetName() const override { return QStringLiteral("TvdxLoadFromStreamCommand"); }

private:
    TvdxReport *FReport;
    QByteArray FBytes;
    QBuffer FStream;
};

class TvdxDelayedCommandManager {
public:
    TvdxDelayedCommandManager() = default;
    ~TvdxDelayedCommandManager();
    TvdxDelayedCommandManager(const TvdxDelayedCommandManager &) = delete;
    TvdxDelayedCommandManager &operator=(const TvdxDelayedCommandManager &) = delete;

    // Takes a reference; replaces a waiting command of the same name. A
    // command that arrives while the queue runs waits for the next round.
    void AddCommand(TvdxBaseDelayedCommand *cmd);
    void Clear();
    void RunAll();
    bool IsRunning() const { return FIsRunning; }
    int Count() const { return int(FCommands.size() + FLater.size()); }
    // Names of the waiting commands in the order they will run.
    QStringList Names() const;

private:
    struct Entry {
        QString name;
        TvdxBaseDelayedCommand *cmd;
    };
    static void put(QList<Entry> &list, TvdxBaseDelayedCommand *cmd);
    static void release(QList<Entry> &list);

    QList<Entry> FCommands;
    // Arrived while the queue ran.
    QList<Entry> FLater;
    bool FIsRunning = false;
};
