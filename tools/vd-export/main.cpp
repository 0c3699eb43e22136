// vd-export --trace [--pages LIST] [--sqlite DB] TEMPLATE.vd3
// Prepares a template and runs the trace export filter over its pages,
// writing one line per filter call to standard output. With --sqlite each
// table of DB is a data set named like the table, its rows in rowid order.
#include "engine/vdxPreviewPages.h"
#include "engine/vdxTraceExport.h"
#include "report/vdxClass.h"
#include "report/vdxDBSet.h"
#include "report/vdxServiceDoubles.h"

#include <QApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <cstdio>
#include <memory>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: vd-export --trace [--pages LIST] [--sqlite DB] TEMPLATE.vd3\n");
    return 2;
}

QStringList tablesOf(const QString &dbFile)
{
    QStringList tables;
    const QString conn = QStringLiteral("vd-export-tables");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(dbFile);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                       "AND name NOT LIKE 'sqlite_%' ORDER BY name"),
                        db);
            while (q.next())
                tables << q.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(conn);
    return tables;
}

// Without an engine the pages are the template pages with their bands as
// designed, so the export loop still has something to run over.
void buildDirectly(TvdxReport &report)
{
    TvdxCustomPreviewPages *pages = report.PreviewPages();
    pages->Clear();
    pages->Initialize();
    report.Engine()->FinalPass = true;
    for (int i = 0; i < report.PagesCount(); ++i) {
        auto *page = qobject_cast<TvdxReportPage *>(report.Pages(i));
        if (!page)
            continue;
        pages->AddSourcePage(page);
        pages->AddPage(page);
        for (TvdxComponent *band : page->Objects().List())
            pages->AddObject(band);
    }
    pages->Finish();
}

// The report's preparation (script, data sets, engine) where the report has
// one; the engine alone otherwise.
template <class Report>
bool prepare(Report &report)
{
    if constexpr (requires { report.PrepareReport(true); })
        return report.PrepareReport(true);
    else
        return report.Engine()->Run(false, true);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString pagesList, dbFile, templateFile;
    bool trace = false;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--trace"))
            trace = true;
        else if (args[i] == QLatin1String("--pages") && i + 1 < args.size())
            pagesList = args[++i];
        else if (args[i] == QLatin1String("--sqlite") && i + 1 < args.size())
            dbFile = args[++i];
        else if (args[i].startsWith(QLatin1String("--")) || !templateFile.isEmpty())
            return usage();
        else
            templateFile = args[i];
    }
    if (!trace || templateFile.isEmpty())
        return usage();
    if (!dbFile.isEmpty() && !QFile::exists(dbFile)) {
        std::fprintf(stderr, "vd-export: no database %s\n", qPrintable(dbFile));
        return 1;
    }

    // Data sets first: the template finds them by name while it loads.
    std::vector<std::unique_ptr<TvdxSqlDataSet>> queries;
    std::vector<std::unique_ptr<TvdxDBDataset>> dataSets;
    if (!dbFile.isEmpty())
        for (const QString &table : tablesOf(dbFile)) {
            auto q = std::make_unique<TvdxSqlDataSet>();
            q->SetDatabaseFile(dbFile);
            q->SetSQL(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table));
            auto ds = std::make_unique<TvdxDBDataset>();
            ds->SetUserName(table);
            ds->SetDataSet(q.get());
            queries.push_back(std::move(q));
            dataSets.push_back(std::move(ds));
        }

    TvdxReport report;
    report.SetSilentMode(int(TvdxEngineOptions::simSilent));
    if (!report.LoadFromFile(templateFile)) {
        std::fprintf(stderr, "vd-export: cannot load %s: %s\n", qPrintable(templateFile),
                     qPrintable(report.ErrorMessage()));
        return 1;
    }
    for (auto &ds : dataSets)
        if (!report.DataSets()->Find(ds.get()))
            report.DataSets()->Add(ds.get());

    if (qobject_cast<TvdxStubEngine *>(report.Engine()))
        buildDirectly(report);
    else {
        bool prepared = false;
        try {
            prepared = prepare(report);
        } catch (const Exception &e) {
            report.AddError(e.message());
        }
        if (!prepared) {
            std::fprintf(stderr, "vd-export: preparing failed: %s\n", qPrintable(report.ErrorMessage()));
            return 1;
        }
    }
    if (!report.Errors().isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(report.ErrorMessage()));

    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return 1;
    TvdxTraceExport filter;
    filter.SetStream(&out);
    filter.SetPageNumbers(pagesList);
    const bool ok = report.PreviewPages()->Export(&filter);
    out.flush();
    if (!ok) {
        std::fprintf(stderr, "vd-export: export failed: %s\n", qPrintable(report.ErrorMessage()));
        return 1;
    }
    return 0;
}
