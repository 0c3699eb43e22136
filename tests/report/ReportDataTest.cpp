// The report with its options and data sets together: connection strings
// named by the template, the password message mode, database data sets over
// real SQLite files (written by the sqlite3 tool), and damaged templates.
#include "common/TestSupport.h"
#include "platform/IniFile.h"
#include "platform/UiProvider.h"
#include "report/vdxClass.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxDBSet.h"

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

using vdtest::runSqlite;

QByteArray saveBytes(TvdxReport &r)
{
    QBuffer b;
    b.open(QIODevice::ReadWrite);
    r.SaveToStream(b, true, false, false);
    return b.data();
}

bool loadBytes(TvdxReport &r, QByteArray bytes)
{
    QBuffer b(&bytes);
    b.open(QIODevice::ReadOnly);
    r.LoadFromStream(b);
    return r.StreamLoaded();
}

// A template with a database data set "Customers" (used by the report), a
// switched-off user data set, and the connection name "Shop".
QByteArray shopTemplate()
{
    TvdxReport r;
    auto *data = new TvdxDataPage(&r);
    data->SetName(QStringLiteral("Data"));
    auto *db = new TvdxDBDataset(data);
    db->SetName(QStringLiteral("Customers"));
    db->SetFieldAliases({QStringLiteral("Name=Customer"), QStringLiteral("CustNo=No")});
    auto *off = new TvdxUserDataSet(data);
    off->SetName(QStringLiteral("Spare"));
    off->SetEnabled(false);
    r.DataSets()->Add(db);
    r.DataSets()->Add(off);
    r.SetDataSet(db);
    r.ReportOptions()->SetConnectionName(QStringLiteral("Shop")); // no handler here: only stored
    return saveBytes(r);
}

class ReportData : public ::testing::Test {
protected:
    void SetUp() override
    {
        vdxRegisterReportClasses();
        vdSetSettingsRoot(dir.file(QStringLiteral("user")), dir.file(QStringLiteral("machine")));
    }
    void TearDown() override { vdSetSettingsRoot(QString()); }

    bool haveSqlite() const { return !QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty(); }
    QString makeShop()
    {
        const QString f = dir.file(QStringLiteral("shop.db"));
        const bool ok = runSqlite(f, "CREATE TABLE customers (CustNo INTEGER, Name VARCHAR(30));\n"
                                     "INSERT INTO customers VALUES (1, 'Alpha');\n"
                                     "INSERT INTO customers VALUES (2, 'Beta');\n");
        return ok ? f : QString();
    }
    static void setConnection(TvdSettingsScope scope, const QString &section, const QString &value)
    {
        auto store = vdCreateSettingsStore(QStringLiteral("\\Software\\Quennet"), scope);
        store->WriteString(section, QStringLiteral("Shop"), value);
    }

    vdtest::TempDir dir;
};

} // namespace

TEST_F(ReportData, ConnectionNameOfTheTemplateReachesTheReportsHandler)
{
    setConnection(TvdSettingsScope::LocalMachine, QStringLiteral("Connections"), QStringLiteral("machine"));
    setConnection(TvdSettingsScope::CurrentUser, QStringLiteral("ConnectionsAlt"), QStringLiteral("user-alt"));
    const QByteArray bytes = shopTemplate();
    EXPECT_TRUE(bytes.contains("ReportOptions.ConnectionName=\"Shop\"")) << bytes.constData();

    TvdxReport r;
    QStringList got;
    r.SetOnSetConnection([&](const QString &s) { got << s; });
    ASSERT_TRUE(loadBytes(r, bytes)) << r.ErrorMessage().toStdString();
    EXPECT_EQ(r.ReportOptions()->ConnectionName(), QStringLiteral("Shop"));
    EXPECT_EQ(got, QStringList({QStringLiteral("machine"), QStringLiteral("user-alt")}));

    // Copying options in keeps the report's handler, and copying does not look up.
    got.clear();
    TvdxReportOptions other;
    other.SetConnectionName(QStringLiteral("Shop"));
    r.SetReportOptions(&other);
    EXPECT_TRUE(got.isEmpty());
    ASSERT_TRUE(r.OnSetConnection());
    r.ReportOptions()->SetConnectionName(QStringLiteral("Shop"));
    EXPECT_EQ(got.size(), 2);

    // A new template and Clear keep it as well.
    got.clear();
    r.Clear();
    ASSERT_TRUE(loadBytes(r, bytes));
    EXPECT_EQ(got.size(), 2);

    // Without a handler nothing is called.
    TvdxReport plain;
    EXPECT_FALSE(plain.OnSetConnection());
    ASSERT_TRUE(loadBytes(plain, bytes));
    EXPECT_EQ(plain.ReportOptions()->ConnectionName(), QStringLiteral("Shop"));
}

TEST_F(ReportData, DatabaseDataSetOfALoadedTemplateOpensThroughTheReport)
{
    if (!haveSqlite())
        GTEST_SKIP() << "sqlite3 tool not installed";
    const QString dbFile = makeShop();
    ASSERT_FALSE(dbFile.isEmpty());
    setConnection(TvdSettingsScope::CurrentUser, QStringLiteral("Connections"), dbFile);

    // The application points its query at whatever the template's connection names.
    TvdxSqlDataSet query;
    query.SetSQL(QStringLiteral("SELECT * FROM customers ORDER BY CustNo"));
    TvdxReport r;
    r.SetOnSetConnection([&](const QString &s) { query.SetDatabaseFile(s); });
    ASSERT_TRUE(loadBytes(r, shopTemplate())) << r.ErrorMessage().toStdString();
    EXPECT_TRUE(r.Errors().isEmpty()) << r.ErrorMessage().toStdString();
    EXPECT_EQ(query.DatabaseFile(), dbFile);

    ASSERT_EQ(r.DataSets()->Count(), 2);
    auto *ds = qobject_cast<TvdxDBDataset *>(r.GetDataset(QStringLiteral("customers")));
    ASSERT_NE(ds, nullptr);
    EXPECT_EQ(r.DataSet(), ds);
    EXPECT_EQ(r.DataSetName(), QStringLiteral("Customers"));
    ds->SetDataSet(&query);

    r.DataSets()->Initialize();
    EXPECT_EQ(ds->ReportRef(), &r);
    QStringList names;
    for (ds->First(); !ds->Eof(); ds->Next())
        names << ds->GetValue(QStringLiteral("Customer")).toString();
    EXPECT_EQ(names, QStringList({QStringLiteral("Alpha"), QStringLiteral("Beta")}));
    EXPECT_EQ(ds->RecordCount(), 2);

    // A field the data set does not offer is an error line of the report, not an exception.
    r.SetCurObject(QStringLiteral("Memo1"));
    ds->First();
    EXPECT_TRUE(ds->GetValue(QStringLiteral("Nope")).isNull());
    ASSERT_EQ(r.Errors().size(), 1);
    EXPECT_EQ(r.Errors()[0], QStringLiteral("Memo1: Field not found: Customers.\"Nope\""));
    r.DataSets()->Finalize();

    TvdxDataSet *found = nullptr;
    QString field;
    r.GetDatasetAndField(QStringLiteral("Customers.\"Customer\""), found, field);
    EXPECT_EQ(found, ds);
    EXPECT_EQ(field, QStringLiteral("Customer"));
}

TEST_F(ReportData, MissingDatabaseFileIsNamedAndNothingBreaks)
{
    const QString missing = dir.file(QStringLiteral("gone.db"));
    setConnection(TvdSettingsScope::CurrentUser, QStringLiteral("Connections"), missing);
    TvdxSqlDataSet query;
    query.SetSQL(QStringLiteral("SELECT * FROM customers"));
    TvdxReport r;
    r.SetOnSetConnection([&](const QString &s) { query.SetDatabaseFile(s); });
    ASSERT_TRUE(loadBytes(r, shopTemplate())) << r.ErrorMessage().toStdString();
    auto *ds = qobject_cast<TvdxDBDataset *>(r.GetDataset(QStringLiteral("Customers")));
    ASSERT_NE(ds, nullptr);
    ds->SetDataSet(&query);
    r.DataSets()->Initialize();

    QString message;
    try {
        ds->First();
    } catch (const EvdxDatabaseError &e) {
        message = e.message();
    }
    EXPECT_EQ(message, QStringLiteral("Database file not found: ") + missing) << message.toStdString();
    EXPECT_FALSE(QFile::exists(missing)) << "opening must not create the file";
    // Asked again it fails the same way instead of reading an empty table.
    EXPECT_THROW(ds->Eof(), EvdxDatabaseError);
    r.DataSets()->Finalize();

    // The report stays whole: it saves and loads again.
    TvdxReport back;
    ASSERT_TRUE(loadBytes(back, saveBytes(r))) << back.ErrorMessage().toStdString();
    EXPECT_EQ(back.DataSets()->Count(), 2);
}

TEST_F(ReportData, DataSetWithoutQueryIsNamedAtInitialize)
{
    TvdxReport r;
    ASSERT_TRUE(loadBytes(r, shopTemplate()));
    QString message;
    try {
        r.DataSets()->Initialize();
    } catch (const Exception &e) {
        message = e.message();
    }
    EXPECT_EQ(message, QStringLiteral("DataSet Customers is not connected to data"));
}

TEST_F(ReportData, DisabledDataSetSurvivesLoadAndSave)
{
    const QByteArray first = shopTemplate();
    TvdxReport r;
    ASSERT_TRUE(loadBytes(r, first));
    auto *spare = qobject_cast<TvdxUserDataSet *>(r.FindObject(QStringLiteral("Spare")));
    ASSERT_NE(spare, nullptr);
    EXPECT_FALSE(spare->Enabled());
    EXPECT_EQ(r.DataSets()->Find(spare)->DataSetName(), QStringLiteral("Spare"));
    // Not offered to the application's lists while switched off, but kept.
    QList<QPair<QString, TvdxDataSet *>> active;
    r.GetActiveDataSetList(active);
    for (const auto &a : std::as_const(active))
        EXPECT_NE(a.second, spare);
    const QByteArray second = saveBytes(r);
    EXPECT_EQ(second, first);
}

TEST_F(ReportData, PasswordMessageFollowsTheApplicationsSilentMode)
{
    QByteArray bytes;
    {
        TvdxReport r;
        r.ReportOptions()->SetPassword(QStringLiteral("pw"));
        r.ReportOptions()->SetAuthor(QStringLiteral("Ann"));
        // The template's own mode must not decide how the application hears of errors.
        r.EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
        bytes = saveBytes(r);
    }
    ASSERT_TRUE(bytes.contains("EngineOptions.NewSilentMode=\"simSilent\"")) << bytes.constData();

    HeadlessUiProvider ui;
    TvdScopedUiProvider scope(&ui);
    {
        TvdxReport r;
        r.EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simReThrow);
        ui.QueueText(QStringLiteral("wrong"));
        EXPECT_THROW(loadBytes(r, bytes), Exception);
        EXPECT_TRUE(r.Errors().contains(QStringLiteral("Invalid password")));
    }
    {
        TvdxReport r;
        r.EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
        ui.QueueText(QStringLiteral("wrong"));
        EXPECT_NO_THROW(loadBytes(r, bytes));
        EXPECT_TRUE(r.Errors().contains(QStringLiteral("Invalid password")));
        EXPECT_TRUE(r.ReportOptions()->Author().isEmpty()) << "a refused template is cleared";
        ui.QueueText(QStringLiteral("pw"));
        loadBytes(r, bytes);
        EXPECT_TRUE(r.Errors().isEmpty()) << r.ErrorMessage().toStdString();
        EXPECT_EQ(r.ReportOptions()->Author(), QStringLiteral("Ann"));
    }
}

TEST_F(ReportData, DamagedTemplatesLoadWithErrorLines)
{
    struct Case {
        const char *what;
        QByteArray xml;
        const char *errorPart; // within the error message; nullptr: no error line
        bool loaded;
    };
    const QByteArray head = "<?xml version=\"1.0\"?><TvdxReport><TvdxDataPage Name=\"Data\">";
    const QByteArray tail = "</TvdxDataPage></TvdxReport>";
    const Case cases[] = {
        {"unknown class", head + "<TvdxNoSuchSet Name=\"X\"/>" + tail, "Cannot find class TvdxNoSuchSet", true},
        {"duplicate data set", head + "<TvdxUserDataSet Name=\"U\"/><TvdxUserDataSet Name=\"U\"/>" + tail,
         "Duplicate name U", true},
        {"Boolean out of range", head + "<TvdxUserDataSet Name=\"U\" Enabled=\"7\"/>" + tail,
         "Invalid value 7 of property Enabled", true},
        {"enumeration out of range", head + "<TvdxUserDataSet Name=\"U\" RangeEnd=\"99\"/>" + tail,
         "Invalid value 99 of property RangeEnd", true},
        {"text for a number", head + "<TvdxUserDataSet Name=\"U\" RangeEndCount=\"ten\"/>" + tail,
         "'ten' is not a valid integer value", true},
        {"text for an option number", "<?xml version=\"1.0\"?><TvdxReport PrintOptions.Copies=\"two\"/>",
         "'two' is not a valid integer value", true},
        // A value name the type does not have is left unapplied without a line.
        {"unknown Boolean name", head + "<TvdxUserDataSet Name=\"U\" Enabled=\"maybe\"/>" + tail, nullptr, true},
        {"unknown enumeration name", head + "<TvdxUserDataSet Name=\"U\" RangeEnd=\"reSometimes\"/>" + tail, nullptr,
         true},
        {"cut short", head + "<TvdxUserDataSet Name=\"U\"", "", false},
        {"binary junk", QByteArray("\x00\x01\x02<TvdxReport", 14), "", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TvdxReport r;
        r.EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
        EXPECT_EQ(loadBytes(r, c.xml), c.loaded);
        if (!c.errorPart) {
            EXPECT_TRUE(r.Errors().isEmpty()) << r.ErrorMessage().toStdString();
        } else {
            EXPECT_FALSE(r.Errors().isEmpty());
            EXPECT_TRUE(r.ErrorMessage().contains(QString::fromLatin1(c.errorPart))) << r.ErrorMessage().toStdString();
        }
        if (auto *u = qobject_cast<TvdxUserDataSet *>(r.FindObject(QStringLiteral("U")))) {
            // Bad values are not applied: the defaults stay.
            EXPECT_TRUE(u->Enabled());
            EXPECT_EQ(u->RangeEnd(), TvdxDataSet::reLast);
        }
        EXPECT_EQ(r.PrintOptions()->Copies(), 1);
        ASSERT_GT(r.PagesCount(), 0);
        EXPECT_TRUE(qobject_cast<TvdxDataPage *>(r.Pages(0)));
        // Whatever was read still saves and reads back.
        TvdxReport back;
        back.EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
        EXPECT_TRUE(loadBytes(back, saveBytes(r))) << back.ErrorMessage().toStdString();
        EXPECT_TRUE(back.Errors().isEmpty()) << back.ErrorMessage().toStdString();
    }
}

TEST_F(ReportData, ApplicationsDataSetMayGoBeforeTheReport)
{
    TvdxReport r;
    auto *ds = new TvdxUserDataSet(nullptr);
    ds->SetName(QStringLiteral("App"));
    r.DataSets()->Add(ds);
    r.SetDataSet(ds);
    ASSERT_EQ(r.DataSet(), ds);
    delete ds;
    EXPECT_EQ(r.DataSet(), nullptr);
    EXPECT_EQ(r.DataSets()->Count(), 0);
    QList<QPair<QString, TvdxDataSet *>> list;
    r.GetDataSetList(list);
    EXPECT_TRUE(list.isEmpty());
    // The name stays as the template's main data set; saving reads no freed object.
    EXPECT_EQ(r.DataSetName(), QStringLiteral("App"));
    EXPECT_FALSE(saveBytes(r).contains("<Datasets>"));
}

TEST_F(ReportData, OlderGenerationHookMayReadTheTemplate)
{
    const QByteArray bytes = shopTemplate();
    auto &hook = vdxVD2Events().OnLoad;
    int calls = 0;
    bool handled = true;
    hook = [&](TvdxReport *report, QIODevice &stream) {
        ++calls;
        if (handled) {
            stream.readAll();
            report->ReportOptions()->SetAuthor(QStringLiteral("old format"));
        }
        return handled;
    };
    TvdxReport r;
    EXPECT_TRUE(loadBytes(r, bytes));
    EXPECT_EQ(r.ReportOptions()->Author(), QStringLiteral("old format"));
    EXPECT_EQ(r.FindObject(QStringLiteral("Customers")), nullptr);
    EXPECT_TRUE(qobject_cast<TvdxDataPage *>(r.Pages(0))) << "a data page is still ensured";
    // Declined: the template is read as usual.
    handled = false;
    EXPECT_TRUE(loadBytes(r, bytes));
    EXPECT_NE(r.FindObject(QStringLiteral("Customers")), nullptr);
    EXPECT_EQ(calls, 2);
    hook = nullptr;
}

TEST_F(ReportData, QueryOutlivesTheReportThatUsedIt)
{
    if (!haveSqlite())
        GTEST_SKIP() << "sqlite3 tool not installed";
    const QString dbFile = makeShop();
    ASSERT_FALSE(dbFile.isEmpty());
    TvdxSqlDataSet query;
    query.SetDatabaseFile(dbFile);
    query.SetSQL(QStringLiteral("SELECT * FROM customers"));
    int hostOpens = 0;
    query.AfterOpen = [&](TvdxSqlDataSet *) { ++hostOpens; };
    {
        TvdxReport r;
        ASSERT_TRUE(loadBytes(r, shopTemplate()));
        auto *ds = qobject_cast<TvdxDBDataset *>(r.GetDataset(QStringLiteral("Customers")));
        ASSERT_NE(ds, nullptr);
        ds->SetDataSet(&query);
        r.DataSets()->Initialize();
        ds->First();
        EXPECT_EQ(ds->GetValue(QStringLiteral("Customer")).toString(), QStringLiteral("Alpha"));
        EXPECT_EQ(hostOpens, 1);
        // No Finalize: the report simply goes.
    }
    query.Close();
    query.Open();
    EXPECT_EQ(hostOpens, 2);
    EXPECT_EQ(query.RecordCount(), 2);
}

TEST_F(ReportData, OfferedDataSetTakesThePlaceOfTheTemplatesOwn)
{
    TvdxUserDataSet app;
    app.SetName(QStringLiteral("AppCustomers"));
    app.SetUserName(QStringLiteral("Customers"));
    TvdxReport r;
    r.EngineOptions()->SetUseGlobalDataSetList(false);
    r.EnabledDataSets()->Add(&app);
    ASSERT_TRUE(loadBytes(r, shopTemplate())) << r.ErrorMessage().toStdString();
    // "Customers" comes from the application; the spare set of the template stays.
    ASSERT_EQ(r.DataSets()->Count(), 2);
    EXPECT_EQ(r.DataSets()->GetItem(0)->DataSet(), &app);
    EXPECT_EQ(r.DataSets()->GetItem(1)->DataSetName(), QStringLiteral("Spare"));
    EXPECT_EQ(r.DataSet(), &app);
    EXPECT_EQ(r.GetDataset(QStringLiteral("customers")), &app);
    QList<QPair<QString, TvdxDataSet *>> active;
    r.GetActiveDataSetList(active);
    ASSERT_EQ(active.size(), 1);
    EXPECT_EQ(active[0].second, &app);
}
