// Database data sets over real SQLite files (made by the sqlite3 tool, so the
// files come from an independent writer): navigation, aliases, typed fields,
// blobs, field errors, ranges, handler restore, and bad database files.
#include "common/TestSupport.h"
#include "core/vdStringStream.h"
#include "core/vdUtils.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"
#include "report/vdxDBSet.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <memory>

namespace {

using vdtest::runSqlite;

const QByteArray kCustomers =
    "CREATE TABLE customers (CustNo INTEGER, Name VARCHAR(30), Amount DECIMAL(10,2), Big BIGINT,"
    " Notes MEMO, Photo BLOB, Stamp TIMESTAMP, Active BOOLEAN, Hidden TEXT, Wide NVARCHAR(20), WNotes NTEXT);\n"
    "INSERT INTO customers VALUES (1, 'Alpha', 12.50, 9000000000, 'line one\nline two\n', X'00FF10', "
    "'2024-01-31 12:00:00', 1, 'h1', 'Żółw', 'wide memo');\n"
    "INSERT INTO customers VALUES (2, 'Beta', '0.125', NULL, NULL, NULL, NULL, 0, 'h2', NULL, NULL);\n"
    "INSERT INTO customers VALUES (3, 'Gamma', 7, 5, 'x', X'41', '1899-12-31 06:00:00', 1, 'h3', 'w', NULL);\n"
    "INSERT INTO customers VALUES (4, 'Delta', NULL, 1, '', X'', NULL, 0, 'h4', '', NULL);\n";

class DBSetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
            GTEST_SKIP() << "sqlite3 tool not installed";
        dbFile = dir.file(QStringLiteral("shop.db"));
        ASSERT_TRUE(runSqlite(dbFile, kCustomers));
        query = std::make_unique<TvdxSqlDataSet>();
        query->SetDatabaseFile(dbFile);
        query->SetSQL(QStringLiteral("SELECT * FROM customers ORDER BY CustNo"));
        report = std::make_unique<TvdxReport>();
        ds = new TvdxDBDataset(report.get());
        ds->SetName(QStringLiteral("Customers"));
        ds->SetDataSet(query.get());
        sets = std::make_unique<TvdxReportDataSets>(report.get());
        sets->Add(ds);
    }
    void TearDown() override
    {
        sets.reset();
        report.reset();
        query.reset();
    }
    QStringList rowsOf(const QString &field)
    {
        QStringList out;
        ds->First();
        while (!ds->Eof()) {
            out << ds->GetValue(field).toString();
            ds->Next();
        }
        return out;
    }

    vdtest::TempDir dir;
    QString dbFile;
    std::unique_ptr<TvdxSqlDataSet> query;
    std::unique_ptr<TvdxReport> report;
    std::unique_ptr<TvdxReportDataSets> sets;
    TvdxDBDataset *ds = nullptr;
};

} // namespace

TEST_F(DBSetTest, NavigatesEveryRowAndCountsThem)
{
    sets->Initialize();
    EXPECT_EQ(ds->RecordCount(), 4);
    EXPECT_EQ(rowsOf("Name"), QStringList({"Alpha", "Beta", "Gamma", "Delta"}));
    EXPECT_EQ(ds->RecNo(), 4);
    // Prior steps back through the same rows.
    ds->Prior();
    EXPECT_EQ(ds->GetValue("CustNo").toInt(), 3);
    EXPECT_TRUE(report->Errors().isEmpty()) << report->Errors().join('\n').toStdString();
    sets->Finalize();
}

TEST_F(DBSetTest, BackslashesInTheFileNameAreFolderSeparators)
{
    query->SetDatabaseFile(QString(dbFile).replace('/', '\\'));
    EXPECT_EQ(query->DatabaseFile(), dbFile);
    sets->Initialize();
    EXPECT_EQ(ds->RecordCount(), 4);
}

TEST_F(DBSetTest, EmptyResultIsAtItsEndAtOnce)
{
    query->SetSQL("SELECT * FROM customers WHERE CustNo > 100");
    sets->Initialize();
    ds->First();
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->RecordCount(), 0);
    EXPECT_TRUE(ds->GetValue("Name").isNull());
    QStringList list;
    ds->GetFieldList(list);
    EXPECT_EQ(list.size(), 11);
    EXPECT_TRUE(report->Errors().isEmpty()) << report->Errors().join('\n').toStdString();
}

TEST_F(DBSetTest, RangeCountStopsEarly)
{
    ds->SetRangeEnd(TvdxDataSet::reCount);
    ds->SetRangeEndCount(2);
    sets->Initialize();
    EXPECT_EQ(rowsOf("CustNo"), QStringList({"1", "2"}));
    EXPECT_EQ(ds->RecordCount(), 4); // the query's own count
}

TEST_F(DBSetTest, CurrentRangePrintsOnlyTheRecordCurrentAtOpen)
{
    query->Open();
    query->Next(); // Beta is current
    ds->SetRangeBegin(TvdxDataSet::rbCurrent);
    ds->SetRangeEnd(TvdxDataSet::reCurrent);
    sets->Initialize();
    EXPECT_EQ(rowsOf("Name"), QStringList({"Beta"}));
    sets->Finalize();
    EXPECT_EQ(query->FindField("Name")->AsString(), "Beta");
}

TEST_F(DBSetTest, FieldListAliasesAndHiddenFields)
{
    sets->Initialize();
    QStringList list;
    ds->GetFieldList(list);
    EXPECT_EQ(list.size(), 11);
    EXPECT_EQ(list.first(), "CustNo");

    ds->SetFieldAliases({"CustNo=Customer No", "Name=Customer", "-Hidden=Unseen"});
    ds->GetFieldList(list);
    EXPECT_EQ(list, QStringList({"Customer No", "Customer"}));
    EXPECT_EQ(ds->FieldsCount(), 2);
    EXPECT_EQ(ds->ConvertAlias("customer no"), "CustNo");
    EXPECT_EQ(ds->GetAlias("custno"), "Customer No");
    EXPECT_EQ(ds->ConvertAlias("Other"), "Other");
    EXPECT_TRUE(ds->HasField("CUSTOMER"));
    EXPECT_FALSE(ds->HasField("Unseen"));
    EXPECT_EQ(rowsOf("Customer"), QStringList({"Alpha", "Beta", "Gamma", "Delta"}));
    EXPECT_EQ(ds->GetFieldType("Customer No"), TvdxDataSet::fftNumeric);
    EXPECT_EQ(ds->GetFieldType("Customer"), TvdxDataSet::fftString);
    EXPECT_EQ(ds->GetDisplayWidth("Customer"), 30);
}

TEST_F(DBSetTest, TypedValues)
{
    sets->Initialize();
    ds->First();
    struct Case {
        const char *field;
        quint16 varType;
        QString text;
    };
    const Case cases[] = {
        {"CustNo", varInteger, "1"},     {"Amount", varDouble, "12.5"}, {"Big", varInt64, "9000000000"},
        {"Name", varString, "Alpha"},    {"Stamp", varDate, ""},         {"Active", varBoolean, "True"},
        {"Notes", varString, "line one\nline two\n"},
    };
    for (const Case &c : cases) {
        const Variant v = ds->GetValue(c.field);
        EXPECT_EQ(v.varType(), c.varType) << c.field;
        if (!c.text.isEmpty()) {
            EXPECT_EQ(v.toString(), c.text) << c.field;
        }
    }
    EXPECT_DOUBLE_EQ(ds->GetValue("Stamp").toDouble(), 45322.5); // 2024-01-31 noon
    EXPECT_EQ(ds->GetFieldType("Stamp"), TvdxDataSet::fftDateTime);
    EXPECT_EQ(ds->GetFieldType("Active"), TvdxDataSet::fftBoolean);
    EXPECT_EQ(ds->GetFieldType("Notes"), TvdxDataSet::fftString);
    EXPECT_EQ(ds->GetDisplayWidth("Stamp"), 20);
    EXPECT_EQ(ds->GetDisplayWidth("Big"), 15);
    EXPECT_EQ(ds->GetValue("Wide").toString(), QStringLiteral("Żółw"));

    ds->Next(); // Beta: nulls
    EXPECT_TRUE(ds->GetValue("Big").isNull());
    EXPECT_TRUE(ds->GetValue("Stamp").isNull());
    EXPECT_DOUBLE_EQ(ds->GetValue("Amount").toDouble(), 0.125);
}

TEST_F(DBSetTest, BCDAsCurrencyOrFloat)
{
    sets->Initialize();
    ds->First();
    Variant v = ds->GetValue("Amount");
    EXPECT_EQ(v.varType(), varDouble);
    EXPECT_DOUBLE_EQ(v.toDouble(), 12.5);
    ds->SetBCDToCurrency(true);
    v = ds->GetValue("Amount");
    EXPECT_EQ(v.varType(), varCurrency);
    EXPECT_EQ(v.rawInt(), 125000);
    ds->Next(); // stored as text 0.125: exact to four places
    EXPECT_EQ(ds->GetValue("Amount").rawInt(), 1250);
    ds->Next();
    ds->Next(); // Delta: null
    EXPECT_TRUE(ds->GetValue("Amount").isNull());
}

TEST_F(DBSetTest, BlobFieldsToStreamsAndLines)
{
    sets->Initialize();
    ds->First();
    EXPECT_TRUE(ds->IsBlobField("Photo"));
    EXPECT_TRUE(ds->IsBlobField("Notes"));
    EXPECT_TRUE(ds->IsMemoBlobField("Notes"));
    EXPECT_FALSE(ds->IsMemoBlobField("Photo"));
    EXPECT_TRUE(ds->IsWideMemoBlobField("WNotes"));
    EXPECT_FALSE(ds->IsBlobField("Name"));

    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    ds->AssignBlobTo("Photo", &buf);
    EXPECT_EQ(buf.pos(), 0);
    EXPECT_EQ(buf.data(), QByteArray("\x00\xFF\x10", 3));

    QStringList lines;
    ds->AssignBlobToLines("Notes", lines);
    EXPECT_EQ(lines, QStringList({"line one", "line two"}));
    EXPECT_EQ(ds->GetDisplayText("Photo"), "(BLOB)");
    ds->Next();
    EXPECT_EQ(ds->GetDisplayText("Photo"), "(blob)");
    // A non-blob field leaves the target alone.
    QBuffer other;
    other.open(QIODevice::ReadWrite);
    ds->AssignBlobTo("Name", &other);
    EXPECT_TRUE(other.data().isEmpty());
}

TEST_F(DBSetTest, WideMemosReachStringStreamsAndWideStringLists)
{
    sets->Initialize();
    ds->First();
    struct Kind {
        const char *field;
        bool memo, wideMemo;
    };
    for (const Kind &k : {Kind{"Notes", true, false}, Kind{"WNotes", false, true}, Kind{"Photo", false, false},
                          Kind{"Name", false, false}}) {
        EXPECT_EQ(ds->IsMemoBlobField(k.field), k.memo) << k.field;
        EXPECT_EQ(ds->IsWideMemoBlobField(k.field), k.wideMemo) << k.field;
    }

    // Into a string stream a wide memo goes as text; into other streams as its UTF-16 bytes.
    TvdStringStream text;
    ds->AssignBlobTo("WNotes", &text);
    EXPECT_EQ(text.pos(), 0);
    EXPECT_EQ(text.DataString(), QStringLiteral("wide memo"));
    QBuffer raw;
    raw.open(QIODevice::ReadWrite);
    ds->AssignBlobTo("WNotes", &raw);
    const QString wide = QStringLiteral("wide memo");
    EXPECT_EQ(raw.data(), QByteArray(reinterpret_cast<const char *>(wide.utf16()), wide.size() * 2));
    // Other blobs keep their bytes in a string stream too.
    TvdStringStream photo;
    ds->AssignBlobTo("Photo", &photo);
    EXPECT_EQ(photo.data(), QByteArray("\x00\xFF\x10", 3));

    TvdWideStrings list;
    ds->AssignBlobTo("WNotes", list);
    EXPECT_EQ(list.Strings(), QStringList{QStringLiteral("wide memo")});
    ds->AssignBlobTo("Notes", list);
    EXPECT_EQ(list.Strings(), QStringList({"line one", "line two"}));
    // Not a blob: the list stays as it was.
    ds->AssignBlobTo("Name", list);
    EXPECT_EQ(list.Strings(), QStringList({"line one", "line two"}));
}

TEST_F(DBSetTest, UnknownFieldsGiveErrorLinesNotExceptions)
{
    ds->SetFieldAliases({"CustNo=Customer No", "Gone=Vanished"});
    sets->Initialize();
    ds->First();
    EXPECT_TRUE(ds->GetValue("Nope").isNull());
    EXPECT_EQ(ds->GetDisplayText("Nope"), "Field not found: Customers.\"Nope\"");
    // Listed alias whose column is missing: the error names the column.
    report->SetCurObject("Memo1");
    EXPECT_TRUE(ds->GetValue("Vanished").isNull());
    const QStringList errors = report->Errors();
    EXPECT_TRUE(errors.contains(": Field not found: Customers.\"Nope\"")) << errors.join('\n').toStdString();
    EXPECT_TRUE(errors.contains("Memo1: Field not found: Customers.\"Gone\"")) << errors.join('\n').toStdString();
    EXPECT_EQ(errors.size(), 2); // sorted, no duplicate lines
}

TEST_F(DBSetTest, FieldErrorWithoutReportDoesNotCrash)
{
    TvdxDBDataset loose;
    loose.SetName("Loose");
    loose.SetDataSet(query.get());
    loose.Initialize();
    loose.First();
    EXPECT_TRUE(loose.GetValue("Nope").isNull());
    loose.Finalize();
}

TEST_F(DBSetTest, FieldErrorAfterTheReportWasFreedDoesNotCrash)
{
    TvdxDBDataset loose;
    loose.SetName("Loose");
    loose.SetDataSet(query.get());
    {
        TvdxReport shortLived;
        TvdxReportDataSets list(&shortLived);
        list.Add(&loose);
        list.Initialize();
        EXPECT_EQ(loose.ReportRef(), &shortLived);
    }
    EXPECT_EQ(loose.ReportRef(), nullptr);
    loose.First();
    EXPECT_TRUE(loose.GetValue("Nope").isNull());
    EXPECT_EQ(loose.GetDisplayText("Nope"), "Field not found: Loose.\"Nope\"");
    loose.Finalize();
}

TEST_F(DBSetTest, QueryReopenedWithOtherColumnsBehindTheDataSet)
{
    ds->First(); // no Initialize: the wrapper's handlers are not installed
    EXPECT_EQ(ds->GetValue("Name").toString(), "Alpha");
    query->Close();
    query->SetSQL("SELECT Name AS Other, Amount FROM customers ORDER BY CustNo DESC");
    query->Open();
    EXPECT_EQ(ds->GetValue("Other").toString(), "Delta");
    EXPECT_TRUE(ds->GetValue("Name").isNull());
    EXPECT_TRUE(report->Errors().isEmpty()); // no report set: nothing recorded, nothing broken
}

TEST_F(DBSetTest, DisplayTextOfAClosedQueryIsTheFieldReference)
{
    // Without the installed handlers the wrapper does not see the query close.
    ds->First();
    query->Close();
    EXPECT_EQ(ds->GetDisplayText("Name"), "Customers.\"Name\"");
}

TEST_F(DBSetTest, FinalizePutsTheHostsHandlersBack)
{
    int opened = 0, closed = 0;
    query->AfterOpen = [&](TvdxSqlDataSet *) { ++opened; };
    query->BeforeClose = [&](TvdxSqlDataSet *) { ++closed; };
    ds->SetCloseDataSource(true);
    sets->Initialize();
    ds->First();
    EXPECT_EQ(opened, 1); // the host's handler still runs, once
    sets->Finalize();
    EXPECT_FALSE(query->Active());
    EXPECT_EQ(closed, 1);
    query->Open();
    EXPECT_EQ(opened, 2);
    // The wrapper's own handler is gone: reopening does not touch its field map.
    query->Close();
    EXPECT_EQ(closed, 2);
}

TEST_F(DBSetTest, InitializeWithoutQueryNamesTheComponent)
{
    auto *bare = new TvdxDBDataset(report.get());
    bare->SetName("Orphan");
    try {
        bare->Initialize();
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), "DataSet Orphan is not connected to data");
    }
}

TEST_F(DBSetTest, DataSourceLinksTheQuery)
{
    TvdxSqlDataSource src;
    src.SetDataSet(query.get());
    ds->SetDataSource(&src);
    EXPECT_EQ(ds->DataSet(), nullptr);
    EXPECT_EQ(ds->GetDataSet(), query.get());
    ds->SetDataSet(query.get());
    EXPECT_EQ(ds->DataSource(), nullptr);
    // A query that goes away is forgotten.
    query.reset();
    EXPECT_EQ(ds->GetDataSet(), nullptr);
}

// ---------------------------------------------------------------------------
class BadDatabase : public ::testing::Test {
protected:
    QString openError(const QString &file)
    {
        TvdxSqlDataSet q;
        q.SetDatabaseFile(file);
        q.SetSQL(QStringLiteral("SELECT * FROM t"));
        try {
            q.Open();
        } catch (const EvdxDatabaseError &e) {
            return e.message();
        }
        return QString();
    }
    vdtest::TempDir dir;
};

TEST_F(BadDatabase, MissingFileIsNamedAndNotCreated)
{
    const QString f = dir.file("none.db");
    EXPECT_TRUE(openError(f).startsWith("Database file not found: ")) << openError(f).toStdString();
    EXPECT_FALSE(QFile::exists(f));
}

TEST_F(BadDatabase, ForeignFilesAreNotSQLite)
{
    const struct {
        const char *name;
        QByteArray bytes;
    } cases[] = {{"text.db", "hello, this is no database at all"},
                 {"short.db", "SQLite"},
                 {"zip.db", QByteArray("PK\x03\x04", 4) + QByteArray(200, '\0')}};
    for (const auto &c : cases) {
        const QString f = dir.file(c.name);
        ASSERT_TRUE(vdtest::writeFile(f, c.bytes));
        EXPECT_TRUE(openError(f).startsWith("Not an SQLite database: ")) << c.name << openError(f).toStdString();
        EXPECT_EQ(vdtest::readFile(f), c.bytes) << "file changed";
    }
    EXPECT_TRUE(openError(dir.path()).startsWith("Not an SQLite database: "));
}

TEST_F(BadDatabase, LockedFileSaysSo)
{
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        GTEST_SKIP() << "sqlite3 tool not installed";
    const QString f = dir.file("locked.db");
    ASSERT_TRUE(runSqlite(f, "CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1);\n"));
    // Another process holds an exclusive lock while we read.
    QProcess holder;
    holder.start(QStringLiteral("sqlite3"), {f});
    ASSERT_TRUE(holder.waitForStarted(5000));
    holder.write("BEGIN EXCLUSIVE; INSERT INTO t VALUES (2); SELECT 'held';\n");
    QByteArray out;
    while (!out.contains("held") && holder.waitForReadyRead(5000))
        out += holder.readAllStandardOutput();
    ASSERT_TRUE(out.contains("held"));
    const QString msg = openError(f);
    holder.write("ROLLBACK;\n.quit\n");
    holder.closeWriteChannel();
    holder.waitForFinished(5000);
    EXPECT_TRUE(msg.startsWith("Database file is locked: ")) << msg.toStdString();
    // Once released, the same file reads.
    EXPECT_TRUE(openError(f).isEmpty()) << openError(f).toStdString();
}

TEST_F(BadDatabase, BadQueryIsReportedWithTheDatabaseText)
{
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        GTEST_SKIP() << "sqlite3 tool not installed";
    const QString f = dir.file("ok.db");
    ASSERT_TRUE(runSqlite(f, "CREATE TABLE other (a INTEGER);\n"));
    const QString msg = openError(f);
    EXPECT_TRUE(msg.contains("no such table")) << msg.toStdString();
}

TEST_F(BadDatabase, ReportDataSetPassesTheMessageOn)
{
    TvdxSqlDataSet q;
    q.SetDatabaseFile(dir.file("missing.db"));
    q.SetSQL("SELECT 1");
    TvdxDBDataset d;
    d.SetName("Lost");
    d.SetDataSet(&q);
    d.Initialize();
    EXPECT_THROW(d.First(), EvdxDatabaseError);
    // Not marked open after the failure: the next request fails the same way.
    EXPECT_THROW(d.First(), EvdxDatabaseError);
    QStringList list;
    d.GetFieldList(list); // listing fields ignores the failure
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(d.GetDisplayWidth("x"), 10);
    EXPECT_EQ(d.GetFieldType("x"), TvdxDataSet::fftNumeric);
}
