// A report prepared through the engine over SQLite files, read back through
// the export loop: every text object with its page, position and text.
#pragma once
#include "common/TestSupport.h"
#include "engine/vdxEngine.h"
#include "engine/vdxTraceExport.h"
#include "report/vdxClass.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_options.h"
#include "report/vdxDBSet.h"

#include <QBuffer>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// One exported object: page, object name and shown text.
struct Shown {
    int page = -1;
    QString name;
    long double left = 0;
    long double top = 0;
    QString text;
};

class PreparedReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
            GTEST_SKIP() << "sqlite3 tool not installed";
        vdxRegisterReportClasses();
        db = dir.file(QStringLiteral("t.db"));
        ASSERT_TRUE(vdtest::runSqlite(db, schema()));
        report = std::make_unique<TvdxReport>();
        report->EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
        engine = qobject_cast<TvdxEngine *>(report->Engine());
        ASSERT_TRUE(engine);
        page = addPage();
    }
    // The tables of t.db.
    virtual QByteArray schema() const
    {
        return "CREATE TABLE m (id INTEGER);\nINSERT INTO m VALUES (1),(2);\n"
               "CREATE TABLE d (mid INTEGER, v INTEGER);\n"
               "INSERT INTO d VALUES (1,1),(1,2),(1,3),(2,2),(2,NULL),(2,4);\n"
               "CREATE TABLE t (g TEXT, n INTEGER);\n"
               "INSERT INTO t VALUES ('a',1),('a',2),('b',3),('c',4);\n"
               "CREATE TABLE v (n INTEGER);\n"
               "INSERT INTO v VALUES (1),(2),(3),(4),(5),(6),(7),(8),(9),(10),(11),(12);\n";
    }
    TvdxReportPage *addPage()
    {
        auto *p = new TvdxReportPage(report.get());
        p->SetName(QStringLiteral("Page1"));
        return p;
    }
    void TearDown() override
    {
        report.reset();
        sets.clear();
        queries.clear();
    }
    TvdxDBDataset *query(const QString &alias, const QString &file, const QString &sql)
    {
        auto q = std::make_unique<TvdxSqlDataSet>();
        q->SetDatabaseFile(file);
        q->SetSQL(sql);
        auto ds = std::make_unique<TvdxDBDataset>(nullptr);
        ds->SetUserName(alias);
        ds->SetDataSet(q.get());
        report->DataSets()->Add(ds.get());
        queries.push_back(std::move(q));
        sets.push_back(std::move(ds));
        return sets.back().get();
    }
    template <class B>
    B *band(const QString &name, double top, double height = 20)
    {
        auto *b = new B(page);
        b->SetName(name);
        b->SetParent(page);
        b->SetBounds(0, top, 700, height);
        return b;
    }
    TvdxMemoView *memo(TvdxBand *parent, const QString &name, const QString &text, double left = 0)
    {
        auto *m = new TvdxMemoView(parent);
        m->SetName(name);
        m->SetParent(parent);
        m->SetBounds(left, 0, 300, 18);
        m->SetText(text);
        return m;
    }
    // Prepares the report and reads back every text object through the export loop.
    std::vector<Shown> prepare(bool checkErrors = true)
    {
        const bool ok = report->PrepareReport(true);
        if (checkErrors) {
            EXPECT_TRUE(ok) << report->ErrorMessage().toStdString();
        }
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        TvdxTraceExport filter;
        filter.SetStream(&out);
        EXPECT_TRUE(report->PreviewPages()->Export(&filter));
        std::vector<Shown> shown;
        int pageNo = -1;
        for (const QString &l : filter.Lines()) {
            if (l.startsWith(QLatin1String("StartPage ")))
                pageNo = l.section(QLatin1Char(' '), 1, 1).toInt();
            if (!l.startsWith(QLatin1String("ExportObject TvdxMemoView")))
                continue;
            const QStringList f = l.split(QLatin1Char(' '));
            shown.push_back({pageNo, f.value(2), f.value(3).toDouble(), f.value(4).toDouble(),
                             f.mid(7).join(QLatin1Char(' '))});
        }
        return shown;
    }
    // Preparing reloads the template: objects are found again by name afterwards.
    template <class T>
    T *object(const QString &name) const
    {
        return dynamic_cast<T *>(report->FindObject(name));
    }
    static QStringList textsOf(const std::vector<Shown> &shown, const QString &name)
    {
        QStringList out;
        for (const Shown &s : shown)
            if (s.name == name)
                out << s.text;
        return out;
    }
    bool hasError(const QString &part) const
    {
        for (const QString &line : report->Errors())
            if (line.contains(part))
                return true;
        return false;
    }

    vdtest::TempDir dir;
    QString db;
    std::unique_ptr<TvdxReport> report;
    TvdxEngine *engine = nullptr;
    TvdxReportPage *page = nullptr;
    std::vector<std::unique_ptr<TvdxSqlDataSet>> queries;
    std::vector<std::unique_ptr<TvdxDBDataset>> sets;
};

