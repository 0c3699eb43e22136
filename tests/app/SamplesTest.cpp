#include "DemoFakes.h"
#include "app/uDemoData.h"
#include "app/uLibraryServices.h"
#include "core/vdPersistent.h"
#include "report/vdxDBSet.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Row of a data set whose DetailID is id (the set is left there).
bool seek(TvdxDBDataset *ds, int id)
{
    ds->Initialize();
    for (ds->First(); !ds->Eof(); ds->Next())
        if (ds->GetValue(QStringLiteral("DetailID")).toInt() == id)
            return true;
    return false;
}

} // namespace

TEST(DemoSamples, QueriesOverTheSampleDatabase)
{
    TDemoData data;
    ASSERT_TRUE(data.OpenLocal(sampleDatabase()).isEmpty());
    TvdxDBDataset *ds3 = data.DataSet(3);
    ASSERT_TRUE(seek(ds3, 7));
    EXPECT_EQ(ds3->GetValue(QStringLiteral("Nr")).toString(), QStringLiteral("007"));
    EXPECT_EQ(ds3->GetValue(QStringLiteral("Seria")).toString(), QStringLiteral("CERT"));
    EXPECT_EQ(ds3->RecordCount(), 12);

    TvdxDBDataset *ds1 = data.DataSet(1);
    int rows = 0;
    ds1->Initialize();
    for (ds1->First(); !ds1->Eof(); ds1->Next(), ++rows) {
        const QString code = ds1->GetValue(QStringLiteral("CertificateCode")).toString();
        EXPECT_FALSE(code.contains(QLatin1Char('-'))) << code.toStdString();
        // Every certificate code is a valid EAN-13 number.
        ASSERT_EQ(code.size(), 13);
        int sum = 0;
        for (int i = 0; i < 12; ++i)
            sum += (code[i].unicode() - '0') * (i % 2 ? 3 : 1);
        EXPECT_EQ((10 - sum % 10) % 10, code[12].unicode() - '0') << code.toStdString();
    }
    EXPECT_EQ(rows, 12);

    // Query 2 is defined but not opened at start.
    data.Query(2)->Open();
    EXPECT_EQ(data.Query(2)->RecordCount(), 2);
    EXPECT_EQ(data.DataSet(1)->UserName(), QStringLiteral("vdxDBDataset1"));
    EXPECT_EQ(data.DataSet(5)->DataSet(), data.Query(4));
}

TEST(DemoSamples, MissingDatabaseIsNamed)
{
    TDemoData data;
    const QString problem = data.OpenLocal(QStringLiteral("/nonexistent/products.sqlite"));
    EXPECT_TRUE(problem.contains(QStringLiteral("products.sqlite"))) << problem.toStdString();
}

TEST(DemoSamples, SamplesLieBesideTheExecutable)
{
    for (const char *name : {"products.sqlite", "product-label.vd3", "serial-label.vd3", "FileCheck.py", "FileCheck2.py"})
        EXPECT_TRUE(QFileInfo::exists(QStringLiteral(VD_APP_BUILD_DIR "/") + QString::fromUtf8(name))) << name;
}

TEST(DemoSamples, BrokenOrMissingTemplateGivesItsMessage)
{
    vdtest::TempDir dir;
    try {
        vdLoadReportFile(dir.file(QStringLiteral("missing.vd3")), false);
        FAIL();
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Report file not found: "))) << e.message().toStdString();
    }
    const QString broken = dir.file(QStringLiteral("broken.vd3"));
    ASSERT_TRUE(vdtest::writeFile(broken, "<TvdxReport><TvdxReportPage"));
    try {
        vdLoadReportFile(broken, false);
        FAIL();
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot load "))) << e.message().toStdString();
    }
}

TEST(DemoSamples, LabelTemplatesLoadWithTheirObjects)
{
    struct Case {
        const char *name;
        QStringList objects; // name:class
    };
    const Case cases[] = {
        {"product-label.vd3",
         {"MasterData1:TvdxMasterData", "Description:TvdxMemoView", "Ean13:TvdxBarCodeView",
          "Code128:TvdxBarCodeView", "QR:TvdxBarcode2DView"}},
        {"serial-label.vd3",
         {"MasterData1:TvdxMasterData", "Seria:TvdxMemoView", "Nr:TvdxMemoView", "Code128:TvdxBarCodeView",
          "QR:TvdxBarcode2DView"}},
    };
    for (const Case &c : cases) {
        const QString path = QStringLiteral(VD_SOURCE_DIR "/samples/") + QString::fromUtf8(c.name);
        try {
            const auto report = vdLoadReportFile(path, false);
            EXPECT_TRUE(report->Errors().isEmpty()) << c.name << ": " << report->Errors().join('\n').toStdString();
            for (const QString &o : c.objects) {
                const QStringList parts = o.split(u':');
                TvdComponent *found = report->FindObject(parts[0]);
                ASSERT_NE(found, nullptr) << c.name << " " << o.toStdString();
                EXPECT_EQ(QString::fromUtf8(found->metaObject()->className()), parts[1]) << c.name;
            }
        } catch (const Exception &e) {
            ADD_FAILURE() << c.name << ": " << e.message().toStdString();
        }
    }
}
