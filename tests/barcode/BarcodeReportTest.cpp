// Barcode objects in a running report: filled from data fields and
// expressions by the engine, stored in the prepared pages, exported as ZPL,
// and the template keeps its designed texts.
#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxBarcodeView.h"
#include "common/ZxingDecode.h"
#include "export/zpl/vdxExportZPL.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_postprocessor.h"
#include "report/vdxClass_report.h"
#include "report/vdxServiceDoubles.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

using B = TvdxBarcode;

const char *const Codes[] = {"C-001", "C-002", "C-003"};
const char *const Eans[] = {"590123412345", "400638133393", "871234567890"};

class BarcodeReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        report.SetSilentMode(int(TvdxEngineOptions::simSilent));
        data.SetUserName(QStringLiteral("Data"));
        data.SetFields({QStringLiteral("Code"), QStringLiteral("Ean")});
        data.SetRangeEnd(TvdxDataSet::reCount);
        data.SetRangeEndCount(3);
        data.OnGetValue = [this](const QString &name, Variant &value) {
            const int row = std::clamp(data.RecNo(), 0, 2);
            value = Variant(QString::fromLatin1(name == QLatin1String("Code") ? Codes[row] : Eans[row]));
        };
        report.DataSets()->Add(&data);

        auto *page = new TvdxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        auto *band = new TvdxMasterData(page);
        band->SetName(QStringLiteral("MasterData1"));
        band->SetDataSet(&data);
        band->SetTop(20);
        band->SetHeight(120);

        linear = new TvdxBarCodeView(band);
        linear->SetName(QStringLiteral("Code1"));
        linear->SetBarTypeValue(B::bcCode128);
        linear->SetText(QStringLiteral("DESIGN"));
        linear->SetDataSet(&data);
        linear->SetDataField(QStringLiteral("Code"));
        linear->SetHeight(60);

        ean = new TvdxBarCodeView(band);
        ean->SetName(QStringLiteral("Ean1"));
        ean->SetBarTypeValue(B::bcCodeEAN13);
        ean->SetCalcCheckSum(true);
        ean->SetText(QStringLiteral("12345678"));
        ean->SetExpression(QStringLiteral("Data.\"Ean\""));
        ean->SetLeft(250);
        ean->SetHeight(60);

        qr = new TvdxBarcode2DView(band);
        qr->SetName(QStringLiteral("QR1"));
        qr->SetBarType(bcCodeQR);
        qr->SetShowText(false);
        qr->SetText(QStringLiteral("DESIGN"));
        qr->SetExpression(QStringLiteral("Data.\"Code\""));
        qr->SetLeft(450);
    }

    QByteArray saveTemplate()
    {
        QBuffer b;
        b.open(QIODevice::ReadWrite);
        report.SaveToStream(b);
        const QByteArray xml = b.data();
        return xml.mid(xml.indexOf("<TvdxReportPage"));
    }

    TvdxUserDataSet data;
    TvdxReport report;
    TvdxBarCodeView *linear = nullptr;
    TvdxBarCodeView *ean = nullptr;
    TvdxBarcode2DView *qr = nullptr;
};

} // namespace

TEST_F(BarcodeReport, PreparesFromDataExportsZplAndKeepsTheTemplate)
{
    if (qobject_cast<TvdxStubEngine *>(report.Engine()))
        GTEST_SKIP() << "no engine linked";
    const QByteArray before = saveTemplate();
    ASSERT_TRUE(report.PrepareReport(true)) << report.ErrorMessage().toStdString();
    EXPECT_TRUE(report.Errors().isEmpty()) << report.Errors().join('|').toStdString();

    // The template gets its designed texts back after every row (preparation
    // may put the template's objects back from its snapshot, so look them up).
    auto *linearAfter = qobject_cast<TvdxBarCodeView *>(report.FindObject(QStringLiteral("Code1")));
    auto *eanAfter = qobject_cast<TvdxBarCodeView *>(report.FindObject(QStringLiteral("Ean1")));
    auto *qrAfter = qobject_cast<TvdxBarcode2DView *>(report.FindObject(QStringLiteral("QR1")));
    ASSERT_TRUE(linearAfter && eanAfter && qrAfter);
    EXPECT_EQ(linearAfter->Text(), "DESIGN");
    EXPECT_EQ(qrAfter->Text(), "DESIGN");
    EXPECT_EQ(eanAfter->Text(), "12345678");
    EXPECT_EQ(saveTemplate(), before);

    TvdxZPLExport zpl;
    zpl.SetPrintAsBitmap(false);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    zpl.SetStream(&out);
    ASSERT_TRUE(report.PreviewPages()->Export(&zpl));
    const QByteArray labels = out.data();
    for (int row = 0; row < 3; ++row) {
        EXPECT_TRUE(labels.contains(QByteArray("^FD") + Codes[row] + "^FS")) << row << "\n" << labels.constData();
        EXPECT_TRUE(labels.contains(QByteArray("^FDMA,") + Codes[row] + "^FS")) << row;
        EXPECT_TRUE(labels.contains(QByteArray("^FD") + Eans[row])) << row;
    }
    EXPECT_EQ(labels.count("^BC"), 3);
    EXPECT_EQ(labels.count("^BE"), 3);
    EXPECT_EQ(labels.count("^BQ"), 3);
}

TEST_F(BarcodeReport, PreparedPagesDrawDecodableSymbols)
{
    if (qobject_cast<TvdxStubEngine *>(report.Engine()))
        GTEST_SKIP() << "no engine linked";
    ASSERT_TRUE(report.PrepareReport(true)) << report.ErrorMessage().toStdString();
    TvdxCustomPreviewPages *pages = report.PreviewPages();
    ASSERT_GE(pages->Count(), 1);
    TvdxReportPage *page = pages->GetPage(0);
    ASSERT_NE(page, nullptr);
    QImage image(int(double(page->Width())) + 40, int(double(page->Height())) + 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainterCanvas canvas(image);
        for (TvdxComponent *c : page->AllObjects())
            if (qobject_cast<TvdxBarCodeView *>(c) || qobject_cast<TvdxBarcode2DView *>(c))
                qobject_cast<TvdxView *>(c)->Draw(canvas, 1, 1, 20, 20);
    }
    QStringList found;
    for (const auto &r : ZxingDecode(image))
        found << r.text;
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(found.count(QString::fromLatin1(Codes[row])), 2) << found.join(',').toStdString();
        EXPECT_TRUE(found.contains(QString::fromLatin1(Eans[row]) + QLatin1Char(Eans[row][0] == '5' ? '7' : '0')) ||
                    std::any_of(found.begin(), found.end(),
                                [&](const QString &t) { return t.startsWith(QLatin1String(Eans[row])); }))
            << found.join(',').toStdString();
    }
}

TEST_F(BarcodeReport, EncodingErrorsOfARunReachTheErrorList)
{
    if (qobject_cast<TvdxStubEngine *>(report.Engine()))
        GTEST_SKIP() << "no engine linked";
    qobject_cast<TvdxQRProperties *>(qr->BarProperties())->SetEncoding(qrNumeric);
    linear->SetBarTypeValue(B::bcCodeEAN8);
    report.PrepareReport(true);
    EXPECT_TRUE(report.Errors().contains(
        QStringLiteral("QR1: Character \"C\" (U+0043) is not allowed in numeric mode")))
        << report.Errors().join('|').toStdString();
    EXPECT_TRUE(report.Errors().contains(QStringLiteral("Code1: Barcode must be numeric")))
        << report.Errors().join('|').toStdString();
}

TEST_F(BarcodeReport, DeferredTextComesFromTheDictionary)
{
    // A text completed later is stored as an index into the post-processor.
    TvdxPostProcessor post;
    for (TvdxView *v : std::initializer_list<TvdxView *>{linear, qr}) {
        v->Processing()->SetProcessAt(TvdxObjectProcessing::paReportFinished);
        v->SaveContentToDictionary(&report, &post);
    }
    EXPECT_EQ(linear->Text(), "0");
    EXPECT_EQ(qr->Text(), "0");
    TvdxMacrosItem *li = post.Find(QStringLiteral("Code1"));
    TvdxMacrosItem *qi = post.Find(QStringLiteral("QR1"));
    ASSERT_TRUE(li && qi);
    // Not final yet: the index stays.
    EXPECT_FALSE(linear->LoadContentFromDictionary(&report, li));
    EXPECT_EQ(linear->Text(), "0");

    // Completing runs GetData with this object current and restores its text.
    data.First();
    report.SetCurObject(QStringLiteral("Other"));
    post.ProcessExpressions(&report, nullptr, TvdxObjectProcessing::paReportFinished);
    EXPECT_EQ(report.CurObject(), "Other");
    EXPECT_EQ(linear->Text(), "0");
    EXPECT_EQ(li->Texts().last(), "C-001");
    EXPECT_EQ(qi->Texts().last(), "C-001");

    EXPECT_FALSE(linear->LoadContentFromDictionary(&report, li));
    EXPECT_EQ(linear->Text(), "C-001");
    EXPECT_FALSE(qr->LoadContentFromDictionary(&report, qi));
    EXPECT_EQ(qr->Text(), "C-001");
    // Taken once only.
    linear->SetText(QStringLiteral("0"));
    linear->LoadContentFromDictionary(&report, li);
    EXPECT_EQ(linear->Text(), "0");
    EXPECT_FALSE(linear->LoadContentFromDictionary(&report, nullptr));
}
