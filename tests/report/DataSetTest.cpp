// Data-set base and user data sets: ranges, end tests, names, handlers, the
// process-wide list; report data-set items.
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_view.h"

#include <QBuffer>
#include <gtest/gtest.h>
#include <memory>

TEST(UserDataSet, RangeCountLimitsRecords)
{
    TvdxUserDataSet ds;
    ds.SetRangeEnd(TvdxDataSet::reCount);
    ds.SetRangeEndCount(3);
    int nexts = 0;
    ds.OnNext = [&](TvdxDataSet *) { ++nexts; };
    ds.First();
    ds.Next();
    ds.Next();
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_FALSE(ds.Eof());
    ds.Next();
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(nexts, 2); // the step past the range is not reported
    EXPECT_EQ(ds.RecordCount(), 3);
    ds.SetRangeBegin(TvdxDataSet::rbCurrent);
    EXPECT_EQ(ds.RecordCount(), 0);
}

TEST(UserDataSet, LastRangeEndsOnlyWhenTheHostSaysSo)
{
    TvdxUserDataSet ds;
    ds.First();
    for (int i = 0; i < 100; ++i)
        ds.Next();
    EXPECT_FALSE(ds.Eof());
    ds.OnCheckEOF = [](TvdxDataSet *sender, bool &eof) { eof = sender->RecNo() >= 5; };
    EXPECT_TRUE(ds.Eof());
    ds.First();
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(ds.RecordCount(), 0);
}

TEST(UserDataSet, PriorAndFirstReportToTheHost)
{
    TvdxUserDataSet ds;
    QStringList log;
    ds.OnFirst = [&](TvdxDataSet *) { log << "first"; };
    ds.OnPrior = [&](TvdxDataSet *) { log << "prior"; };
    ds.OnOpen = [&](TvdxDataSet *) { log << "open"; };
    ds.OnClose = [&](TvdxDataSet *) { log << "close"; };
    ds.Open();
    ds.First();
    ds.Next();
    ds.Prior();
    ds.Close();
    EXPECT_EQ(log, QStringList({"open", "first", "prior", "close"}));
    EXPECT_EQ(ds.RecNo(), 0);
}

TEST(UserDataSet, ValuesFromBothHandlersInOrder)
{
    TvdxUserDataSet ds;
    ds.SetFields({"A", "B"});
    EXPECT_EQ(ds.FieldsCount(), 2);
    EXPECT_TRUE(ds.HasField("b"));
    EXPECT_TRUE(ds.GetValue("A").isNull());
    EXPECT_EQ(ds.GetDisplayText("A"), "");
    ds.OnGetValue = [](const QString &name, Variant &v) { v = Variant(name + "1"); };
    EXPECT_EQ(ds.GetValue("A").toString(), "A1");
    ds.OnNewGetValue = [](TvdxDataSet *, const QString &name, Variant &v) {
        v = Variant((v.isNull() ? QString("null:") : v.toString() + ":") + name);
    };
    // The second handler sees the first one's value; display texts ask each from Null.
    EXPECT_EQ(ds.GetValue("A").toString(), "A1:A");
    EXPECT_EQ(ds.GetDisplayText("A"), "null:A");
}

TEST(UserDataSet, BlobHandlers)
{
    TvdxUserDataSet ds;
    EXPECT_FALSE(ds.IsBlobField("Pic"));
    ds.OnIsBlobField = [](TvdxDataSet *, const QString &n) { return n == "Pic"; };
    ds.OnGetBlobValue = [](TvdxDataSet *, const QString &, QObject *to) {
        if (auto *dev = qobject_cast<QIODevice *>(to))
            dev->write("blob");
    };
    EXPECT_TRUE(ds.IsBlobField("Pic"));
    QBuffer b;
    b.open(QIODevice::ReadWrite);
    ds.AssignBlobTo("Pic", &b);
    EXPECT_EQ(b.data(), "blob");
}

TEST(DataSetNames, RenameGivesUserNameUnlessItHasItsOwn)
{
    TvdxUserDataSet ds;
    ds.SetName("First");
    EXPECT_EQ(ds.UserName(), "First");
    ds.SetName("Second"); // a user name once given stays
    EXPECT_EQ(ds.UserName(), "First");
    ds.SetUserName("Customers");
    ds.SetName("Third");
    EXPECT_EQ(ds.UserName(), "Customers");
}

TEST(DataSetNames, BlankUserNameIsRefused)
{
    TvdxUserDataSet ds;
    ds.SetUserName("Orders");
    for (const QString &bad : {QString(), QString("   "), QString("\t\r\n")}) {
        try {
            ds.SetUserName(bad);
            ADD_FAILURE() << "accepted a blank name";
        } catch (const Exception &e) {
            EXPECT_EQ(e.message(), "Invalid property value");
        }
        EXPECT_EQ(ds.UserName(), "Orders");
    }
}

TEST(DataSetList, FindsByUserNameAndSkipsOtherReports)
{
    TvdxReport r1, r2;
    auto *a = new TvdxUserDataSet(&r1);
    a->SetName("A1");
    a->SetUserName("Shared");
    auto *b = new TvdxUserDataSet(&r2);
    b->SetName("B1");
    b->SetUserName("Shared");
    TvdxUserDataSet loose;
    loose.SetUserName("Loose");
    loose.SetEnabled(false);

    EXPECT_EQ(vdxFindDataSet(nullptr, "shared", &r1), a);
    EXPECT_EQ(vdxFindDataSet(nullptr, "SHARED", &r2), b);
    EXPECT_EQ(vdxFindDataSet(nullptr, "loose", &r2), &loose); // no owner: anyone's
    EXPECT_EQ(vdxFindDataSet(&loose, "nothing", &r1), &loose);
    EXPECT_EQ(vdxFindDataSet(&loose, "shared", nullptr), &loose);
    EXPECT_EQ(vdxFindDataSet(a, "", &r1), nullptr);

    QList<QPair<QString, TvdxDataSet *>> list;
    vdxGetDataSetList(list);
    bool sawLoose = false, sawA = false;
    for (const auto &p : list) {
        sawLoose |= p.second == &loose;
        sawA |= p.second == a;
    }
    EXPECT_TRUE(sawA);
    EXPECT_FALSE(sawLoose); // not enabled
    delete a;
    EXPECT_FALSE(vdxAllDataSets().contains(a));
}

// ---------------------------------------------------------------------------
TEST(ReportDataSets, ItemsFollowTheDataSet)
{
    TvdxReport report;
    auto *ds = new TvdxUserDataSet(&report);
    ds->SetName("Orders");
    ds->SetUserName("Order list");
    TvdxReportDataSets sets(&report);
    TvdxDataSetItem *byName = sets.Add(QStringLiteral("order LIST"));
    EXPECT_EQ(byName->DataSet(), ds);
    ds->SetUserName("Renamed");
    EXPECT_EQ(byName->DataSetName(), "Renamed"); // the data set's current name
    TvdxDataSetItem *none = sets.Add(QStringLiteral("Unknown"));
    EXPECT_EQ(none->DataSet(), nullptr);
    EXPECT_EQ(none->DataSetName(), "Unknown");

    EXPECT_EQ(sets.Find(ds), byName);
    EXPECT_EQ(sets.Find(QStringLiteral("orders")), byName); // by component name too
    EXPECT_EQ(sets.Find(QStringLiteral("unknown")), nullptr); // items without data set are skipped

    byName->SetDataSetName(QString());
    EXPECT_EQ(byName->DataSet(), nullptr);
    byName->SetDataSet(ds);
    EXPECT_EQ(byName->DataSetName(), "Renamed");
    sets.Delete(QStringLiteral("renamed"));
    EXPECT_EQ(sets.Count(), 1);
}

TEST(ReportDataSets, InitializeSetsTheReportAndRunsEachDataSet)
{
    TvdxReport report;
    struct Probe : TvdxUserDataSet {
        int init = 0, fin = 0;
        void Initialize() override { ++init; }
        void Finalize() override { ++fin; }
    };
    Probe p;
    p.SetName("P");
    TvdxReportDataSets sets(&report);
    sets.Add(&p);
    sets.Add(QStringLiteral("nothing"));
    sets.Initialize();
    EXPECT_EQ(p.ReportRef(), &report);
    EXPECT_EQ(p.init, 1);
    sets.Finalize();
    EXPECT_EQ(p.fin, 1);
}

TEST(ReportDataSets, FreedDataSetLeavesNoDanglingItem)
{
    TvdxReportDataSets sets(nullptr);
    auto *ds = new TvdxUserDataSet();
    ds->SetUserName("Temp");
    TvdxDataSetItem *item = sets.Add(ds);
    delete ds;
    EXPECT_EQ(item->DataSet(), nullptr);
    EXPECT_EQ(sets.Find(QStringLiteral("Temp")), nullptr);
    sets.Initialize(); // nothing to touch
}

// ---------------------------------------------------------------------------
TEST(DataSetTemplate, DataSetsTravelWithTheTemplateEvenWhenDisabled)
{
    QByteArray bytes;
    {
        TvdxReport report;
        auto *data = new TvdxDataPage(&report);
        data->SetName("Data");
        auto *off = new TvdxUserDataSet(data);
        off->SetName("Off");
        off->SetUserName("Switched off");
        off->SetEnabled(false);
        off->SetFields({"A", "B"});
        off->SetRangeEnd(TvdxDataSet::reCount);
        off->SetRangeEndCount(5);
        auto *db = new TvdxCustomDBDataSet(data);
        db->SetName("Db");
        db->SetFieldAliases({"CustNo=Customer No", "-Hidden=Unseen"});
        db->SetCloseDataSource(true);
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        report.SaveToStream(buf);
    }
    const QString xml = QString::fromUtf8(bytes);
    EXPECT_TRUE(xml.contains("Enabled=\"False\"")) << xml.toStdString();
    EXPECT_TRUE(xml.contains("RangeEnd=\"reCount\"")) << xml.toStdString();
    EXPECT_TRUE(xml.contains("UserName=\"Switched off\"")) << xml.toStdString();
    EXPECT_TRUE(xml.contains("FieldAliases.Text=\"CustNo=Customer No&#13;&#10;-Hidden=Unseen\"")) << xml.toStdString();

    TvdxReport back;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    back.LoadFromStream(in);
    auto *off = qobject_cast<TvdxUserDataSet *>(back.FindObject("Off"));
    ASSERT_NE(off, nullptr) << back.Errors().join('\n').toStdString();
    EXPECT_FALSE(off->Enabled());
    EXPECT_EQ(off->UserName(), "Switched off");
    EXPECT_EQ(off->Fields(), QStringList({"A", "B"}));
    EXPECT_EQ(off->RangeEnd(), TvdxDataSet::reCount);
    EXPECT_EQ(off->RangeEndCount(), 5);
    EXPECT_EQ(off->Width(), 28);
    auto *db = qobject_cast<TvdxCustomDBDataSet *>(back.FindObject("Db"));
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(db->FieldAliases(), QStringList({"CustNo=Customer No", "-Hidden=Unseen"}));
    EXPECT_TRUE(db->CloseDataSource());
    EXPECT_EQ(db->UserName(), "Db");
}
