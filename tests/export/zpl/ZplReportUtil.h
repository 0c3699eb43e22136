// Templates prepared over SQLite tables and exported through the library, as
// an application does it: the data sets exist before the template loads.
#pragma once
#include "export/zpl/vdxExportZPL.h"
#include "platform/Exception.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"
#include "report/vdxDBSet.h"

#include <QBuffer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace zpltest {

// Runs the statements on a new SQLite file; the first error, or empty.
inline QString makeDatabase(const QString &file, const QStringList &statements)
{
    QString error;
    const QString conn = QStringLiteral("zpl-test-db");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(file);
        if (!db.open())
            error = db.lastError().text();
        QSqlQuery q(db);
        for (const QString &s : statements)
            if (error.isEmpty() && !q.exec(s))
                error = s + QStringLiteral(": ") + q.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    return error;
}

// One data set per table, named like it, rows in rowid order.
class TableDataSets {
public:
    TableDataSets(const QString &dbFile, const QStringList &tables)
    {
        for (const QString &t : tables) {
            auto q = std::make_unique<TvdxSqlDataSet>();
            q->SetDatabaseFile(dbFile);
            q->SetSQL(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(t));
            auto ds = std::make_unique<TvdxDBDataset>();
            ds->SetUserName(t);
            ds->SetDataSet(q.get());
            m_queries.push_back(std::move(q));
            m_sets.push_back(std::move(ds));
        }
    }
    void AddTo(TvdxReport &report)
    {
        for (auto &ds : m_sets)
            if (!report.DataSets()->Find(ds.get()))
                report.DataSets()->Add(ds.get());
    }

private:
    std::vector<std::unique_ptr<TvdxSqlDataSet>> m_queries;
    std::vector<std::unique_ptr<TvdxDBDataset>> m_sets;
};

// The ZPL of a template prepared over the data sets; "<error: ...>" when a
// step fails. setup adjusts the filter.
inline QByteArray exportTemplate(const QString &templateFile, TableDataSets *data,
                                 const std::function<void(TvdxZPLExport &)> &setup = {})
{
    TvdxReport report;
    report.SetSilentMode(int(TvdxEngineOptions::simSilent));
    if (!report.LoadFromFile(templateFile))
        return "<error: load: " + report.ErrorMessage().toUtf8() + ">";
    if (data)
        data->AddTo(report);
    if (!report.PrepareReport(true))
        return "<error: prepare: " + report.ErrorMessage().toUtf8() + ">";
    TvdxZPLExport f(nullptr, true);
    if (setup)
        setup(f);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    f.SetStream(&out);
    const bool ok = report.Export(&f);
    f.SetStream(nullptr);
    if (!ok)
        return "<error: export: " + report.ErrorMessage().toUtf8() + ">";
    return out.data();
}

#ifdef VD_ZPL_TOOL
struct ToolRun {
    int exitCode = -1; // -2: crashed, -1: did not finish
    QString out, err;
};

// Runs the vd-zpl command line.
inline ToolRun runTool(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(VD_ZPL_TOOL), args);
    ToolRun r;
    if (!p.waitForFinished(120000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}
#endif

} // namespace zpltest
