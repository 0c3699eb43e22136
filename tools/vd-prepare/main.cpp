// Prepares a template with SQLite queries offered as its data sets, then
// prints the value of each expression, one a line, with every data set on
// its first record. A failed preparation or expression prints its message
// and exits 1.
//
//   vd-prepare TEMPLATE [--query ALIAS FILE SQL]... [--eval EXPR]...
#include "core/vdVariant.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"
#include "report/vdxDBSet.h"

#include <QApplication>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: vd-prepare TEMPLATE [--query ALIAS FILE SQL]... [--eval EXPR]...\n");
    return 2;
}

void printLine(FILE *f, const QString &text) { std::fprintf(f, "%s\n", text.toUtf8().constData()); }

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first().startsWith(QLatin1String("--")))
        return usage();

    struct Query {
        QString alias, file, sql;
    };
    QList<Query> queries;
    QStringList expressions;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--query") && i + 3 < args.size()) {
            queries.append({args[i + 1], args[i + 2], args[i + 3]});
            i += 3;
        } else if (args[i] == QLatin1String("--eval") && i + 1 < args.size()) {
            expressions.append(args[i + 1]);
            i += 1;
        } else {
            return usage();
        }
    }

    TvdxReport report;
    report.EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
    if (!report.LoadFromFile(args.first())) {
        printLine(stderr, report.Errors().isEmpty() ? QStringLiteral("Cannot load template %1").arg(args.first())
                                                    : report.ErrorMessage());
        return 1;
    }

    // The application's data sets: they outlive the template snapshot.
    std::vector<std::unique_ptr<TvdxSqlDataSet>> sql;
    std::vector<std::unique_ptr<TvdxDBDataset>> dataSets;
    for (const Query &q : queries) {
        auto query = std::make_unique<TvdxSqlDataSet>();
        query->SetDatabaseFile(q.file);
        query->SetSQL(q.sql);
        auto ds = std::make_unique<TvdxDBDataset>(nullptr);
        ds->SetUserName(q.alias);
        ds->SetDataSet(query.get());
        if (!report.DataSets()->Find(q.alias))
            report.DataSets()->Add(ds.get());
        else
            report.DataSets()->Find(q.alias)->SetDataSet(ds.get());
        report.EnabledDataSets()->Add(ds.get());
        sql.push_back(std::move(query));
        dataSets.push_back(std::move(ds));
    }

    if (!report.PrepareReport(true)) {
        printLine(stderr, report.ErrorMessage());
        return 1;
    }

    int rc = 0;
    try {
        // A data set that no band reads opens here first: a database that
        // cannot be read fails as a preparation would.
        try {
            report.DataSets()->Initialize();
            for (auto &ds : dataSets)
                ds->First();
        } catch (const Exception &e) {
            report.AddError(e.message());
            throw Exception(report.ErrorMessage());
        }
        for (const QString &expr : expressions)
            printLine(stdout, VarToStr(report.Calc(expr)));
    } catch (const Exception &e) {
        printLine(stderr, e.message());
        rc = 1;
    }
    try {
        report.DataSets()->Finalize();
    } catch (const Exception &) {
    }
    std::fflush(stdout);
    return rc;
}
