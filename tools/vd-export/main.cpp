// vd-export [--trace] [--save FILE.vp3] [--pages LIST] [--sqlite DB] REPORT
// Prepares a template (or loads a prepared report, REPORT.vp3) and runs the
// trace export filter over its pages, writing one line per filter call to
// standard output; --save writes the prepared report to FILE.vp3. With
// --sqlite each table of DB is a data set named like the table, its rows in
// rowid order.
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
    std::fprintf(stderr, "usage: vd-export [--trace] [--save FILE.vp3] [--pages LIST] [--sqlite DB] "
                         "TEMPLATE.vd3|PREPARED.vp3\n");
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
    QString pagesList, dbFile, templateFile, saveFile;
    bool trace = false;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--trace"))
            trace = true;
        else if (args[i] == QLatin1String("--save") && i + 1 < args.size())
            saveFile = args[++i];
        else if (args[i] == QLatin1String("--pages") && i + 1 < args.size())
            pagesList = args[++i];
        else if (args[i] == QLatin1String("--sqlite") && i + 1 < args.size())
            dbFile = args[++i];
        else if (args[i].startsWith(QLatin1String("--")) || !templateFile.isEmpty())
            return usage();
        else
            templateFile = args[i];
    }
    if ((!trace && saveFile.isEmpty()) || templateFile.isEmpty())
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
    const bool prepared = templateFile.endsWith(QLatin1String(".vp3"), Qt::CaseInsensitive);
    if (prepared) {
        try {
            if (!report.PreviewPages()->LoadFromFile(templateFile, false)) {
                std::fprintf(stderr, "vd-export: no prepared report %s\n", qPrintable(templateFile));
                return 1;
            }
        } catch (const Exception &e) {
            std::fprintf(stderr, "vd-export: cannot load %s: %s\n", qPrintable(templateFile), qPrintable(e.message()));
            return 1;
        }
    } else if (!report.LoadFromFile(templateFile)) {
        std::fprintf(stderr, "vd-export: cannot load %s: %s\n", qPrintable(templateFile),
                     qPrintable(report.ErrorMessage()));
        return 1;
    }
    for (auto &ds : dataSets)
        if (!report.DataSets()->Find(ds.get()))
            report.DataSets()->Add(ds.get());

    if (prepared) {
        // Already laid out.
    } else if (qobject_cast<TvdxStubEngine *>(report.Engine()))
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

    if (!saveFile.isEmpty()) {
        try {
            report.PreviewPages()->SaveToFile(saveFile);
        } catch (const Exception &e) {
            std::fprintf(stderr, "vd-export: cannot save %s: %s\n", qPrintable(saveFile), qPrintable(e.message()));
            return 1;
        }
    }
    if (!trace)
        return 0;

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
