// The window over the sample labels with the library's own services: the
// report's engine and the ZPL filter behind Show ZPL and Print, the raw job
// and the printer list over the test print server. The golden files are the
// filter's output as first checked here; the renderer and barcode reader
// below check them independently.
#include "DemoFakes.h"
#include "app/uDemoData.h"
#include "app/uZPLController.h"
#include "common/CupsServer.h"
#include "common/ZplRender.h"
#include "common/ZxingDecode.h"
#include "export/pdf/PdfTools.h"
#include "app/uLibraryServices.h"
#include "preview/vdxPrinters.h"
#include "report/vdxClass_component.h"
#include "report/vdxClass_engine.h"
#include "core/vdGraphic.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_picture.h"
#include "report/vdxClass_report.h"
#include "report/vdxServiceDoubles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>

namespace {

QString goldenPath(const QString &name)
{
    return vdtest::dataPath(QStringLiteral("app/") + name);
}

// Compares with a golden file; VD_UPDATE_GOLDEN=1 rewrites it first.
void expectGolden(const QByteArray &bytes, const QString &name)
{
    if (qEnvironmentVariableIsSet("VD_UPDATE_GOLDEN"))
        vdtest::writeFile(goldenPath(name), bytes);
    const QByteArray golden = vdtest::readFile(goldenPath(name));
    ASSERT_FALSE(golden.isEmpty()) << "no golden file " << name.toStdString();
    EXPECT_EQ(bytes, golden) << name.toStdString();
}

QStringList decoded(const QImage &image)
{
    QStringList texts;
    for (const ZxingResult &r : ZxingDecode(image))
        texts << r.format + u':' + r.text;
    texts.sort();
    return texts;
}

// What a reader should find on a label: the data of its barcode commands.
QStringList barcodeFields(const QByteArray &label)
{
    static const QRegularExpression field(
        QStringLiteral("\\^(BC|BE|BQ)[^\\n]*\\n\\^FD(?:[HLMQ]A,)?(.*?)\\^FS"));
    QStringList r;
    for (const QRegularExpressionMatch &m : field.globalMatch(QString::fromUtf8(label))) {
        const QString kind = m.captured(1);
        r << (kind == u"BC" ? QStringLiteral("Code128:") : kind == u"BE" ? QStringLiteral("EAN-13:")
                                                                         : QStringLiteral("QRCode:")) +
                 m.captured(2);
    }
    r.sort();
    return r;
}

} // namespace

class SampleLabels : public DemoWindowTest {
protected:
    void SetUp() override
    {
        DemoWindowTest::SetUp();
        library.exporter = true;
        library.reports = true;
    }

    // Selects a copy of a sample template (its PDF would be written beside it).
    QString select(TfrmZPL &w, const QString &name)
    {
        const QString path = dir.file(name);
        QFile::remove(path);
        // A fresh copy without an earlier PDF beside it, so selecting does not
        // ask whether to replace one.
        QFile::remove(vdChangeFileExt(path, QStringLiteral(".pdf")));
        EXPECT_TRUE(QFile::copy(QStringLiteral(VD_APP_BUILD_DIR "/") + name, path));
        ui.QueueText(path);
        w.Controller()->SelectRClick();
        return path;
    }

    // Show ZPL in vector mode at a density; the text as Print would send it.
    QByteArray showZpl(TfrmZPL &w, int density)
    {
        w.PrintAB->setChecked(false);
        w.Density->setCurrentIndex(density);
        w.Controller()->ShowZPLClick();
        return vdMemoTextForPrinter(w.Memo1->toPlainText()).toUtf8();
    }
};

TEST_F(SampleLabels, ShowZplInVectorModeGivesTheGoldenLabels)
{
    struct Label {
        int index;
        QStringList barcodes; // kinds of barcode on the label, sorted
        QStringList texts;    // field texts of the label's row
    };
    struct Case {
        const char *sample;
        int density; // index of the density box
        int dpmm;
        double widthMm, heightMm;
        const char *golden;
        QList<Label> labels;
        const char *codePage = nullptr; // the window's own when null
    };
    const QList<Case> cases = {
        {"product-label.vd3", 1, 8, 58, 40, "product-label-8dpmm.zpl",
         {{10, {"Code128", "EAN-13", "QRCode"}, {"Extension lead 5 m", "Qty 2"}},
          {11, {"Code128", "EAN-13", "QRCode"}, {"Dimmer switch 400 W", "Qty 1"}}}},
        {"serial-label.vd3", 1, 8, 50, 30, "serial-label-8dpmm.zpl",
         {{6, {"Code128", "QRCode"}, {"Seria:", "CERT", "nr.:", "007", "Ceiling rose"}},
          {11, {"Code128", "QRCode"}, {"CERT", "012", "Dimmer switch 400 W"}}}},
        // 50 mm at 12 dpmm is 600 dots wide.
        {"serial-label.vd3", 2, 12, 50, 30, "serial-label-12dpmm.zpl",
         {{6, {"Code128", "QRCode"}, {"CERT", "007", "Ceiling rose"}}}, "^CI28^PW600"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.golden);
        TfrmZPL &w = open();
        select(w, QString::fromUtf8(c.sample));
        if (c.codePage)
            w.CodePage->setText(QString::fromUtf8(c.codePage));
        const QByteArray zpl = showZpl(w, c.density);
        EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
        EXPECT_TRUE(sink.jobs.isEmpty());
        EXPECT_EQ(w.PageControl1->currentIndex(), 1);
        expectGolden(zpl, QString::fromUtf8(c.golden));

        // One label per detail line, each from "^XA" with the window's
        // settings to "^XZ", the text ending where the filter ended it.
        EXPECT_EQ(zpl.count("^XA" + w.CodePage->text().toUtf8()), 12);
        EXPECT_EQ(zpl.count("^XZ"), 12);
        EXPECT_TRUE(zpl.endsWith("^XZ\r\n")) << zpl.right(20).toStdString();
        QList<QByteArray> labels;
        for (qsizetype from = 0, to; (to = zpl.indexOf("^XZ", from)) >= 0; from = to + 3)
            labels << zpl.mid(from, to - from);
        for (const Label &l : c.labels) {
            const QByteArray label = labels.value(l.index);
            for (const QString &t : l.texts)
                EXPECT_TRUE(label.contains("^FD" + t.toUtf8())) << l.index << ": " << t.toStdString();
            QStringList kinds;
            for (const QString &f : barcodeFields(label))
                kinds << f.section(u':', 0, 0);
            EXPECT_EQ(kinds, l.barcodes) << "label " << l.index;
        }
        const vdtest::ZplRenderResult rendered = vdtest::RenderZpl(zpl, c.widthMm, c.heightMm, c.dpmm);
        if (!rendered.skip.isEmpty())
            GTEST_SKIP() << rendered.skip.toStdString();
        ASSERT_TRUE(rendered.error.isEmpty()) << rendered.error.toStdString();
        const QList<QImage> &images = rendered.labels;
        ASSERT_EQ(images.size(), 12);
        // Every barcode prints readably with the data its command carries.
        for (const Label &l : c.labels)
            EXPECT_EQ(decoded(images[l.index]).join(u'|').toStdString(),
                      barcodeFields(labels.value(l.index)).join(u'|').toStdString())
                << "label " << l.index;
        window.reset();
        ui.ClearPrompts();
    }
}

TEST_F(SampleLabels, PreparedReportPrintsLikeItsTemplate)
{
    TfrmZPL &w = open();
    const QString prepared = dir.file(QStringLiteral("serial-label.vp3"));
    bool saved = true;
    {
        // Made like the window's reports: owned where the data sets are.
        TvdxReport report(w.Data()->ComponentOwner());
        ASSERT_TRUE(report.LoadFromFile(QStringLiteral(VD_APP_BUILD_DIR "/serial-label.vd3")));
        ASSERT_TRUE(report.PrepareReport(true)) << report.Errors().join('\n').toStdString();
        try {
            report.PreviewPages()->SaveToFile(prepared);
        } catch (const EAbstractError &) {
            // Prepared pages without their file format: the window says so.
            saved = false;
            ASSERT_TRUE(vdtest::writeFile(prepared, "<preparedreport/>"));
        }
    }
    ui.QueueText(prepared);
    w.Controller()->SelectRClick();
    EXPECT_TRUE(w.Controller()->IsPreparedReport());
    EXPECT_FALSE(w.DesignR->isEnabled());
    if (saved) {
        EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
        expectGolden(showZpl(w, 1), QStringLiteral("serial-label-8dpmm.zpl"));
        EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
    } else {
        w.Controller()->ShowZPLClick();
        const QString expected = QStringLiteral("Cannot load the prepared report %1: prepared reports cannot be "
                                                "read in this build")
                                     .arg(prepared);
        EXPECT_EQ(messages(), QStringList({expected, expected}));
        EXPECT_TRUE(w.Memo1->toPlainText().isEmpty());
    }
}

TEST_F(SampleLabels, TemplateThatDoesNotLoadIsNamedAndNothingIsSent)
{
    printers.names = {QStringLiteral("A-Printer")};
    TfrmZPL &w = open();
    w.Memo1->setPlainText(QStringLiteral("^XA^FDkept^FS^XZ"));
    const QString broken = dir.file(QStringLiteral("broken.vd3"));
    ASSERT_TRUE(vdtest::writeFile(broken, "<TvdxReport><TvdxReportPage Name=\"P\"><Tvdx"));
    ui.QueueText(broken);
    w.Controller()->SelectRClick(); // its PDF step loads the template
    w.Controller()->PrintClick();
    w.Controller()->ShowZPLClick();
    const QStringList m = messages();
    ASSERT_EQ(m.size(), 3) << m.join('\n').toStdString();
    for (const QString &text : m)
        EXPECT_TRUE(text.startsWith(QStringLiteral("Cannot load ")) && text.contains(QStringLiteral("broken.vd3")))
            << text.toStdString();
    EXPECT_TRUE(sink.jobs.isEmpty());
    EXPECT_EQ(w.Memo1->toPlainText(), QStringLiteral("^XA^FDkept^FS^XZ"));
    // The window works on: a good template next.
    ui.ClearPrompts();
    select(w, QStringLiteral("serial-label.vd3"));
    EXPECT_TRUE(showZpl(w, 1).contains("^XA^PW464^LS0"));
    EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
}

TEST_F(SampleLabels, ShowAndDesignOpenTheReportsWindows)
{
    // Doubles stand in for the preview and designer windows; they record the
    // report they were opened with.
    QStringList opened;
    const TvdxPreviewFormClass oldPreview = vdxPreviewFormClass();
    const TvdxDesignerClass oldDesigner = vdxDesignerClass();
    vdxPreviewFormClass() = [&](QWidget *owner) -> TvdxCustomPreviewForm * {
        opened << QStringLiteral("preview");
        return new TvdxStubPreviewForm(owner);
    };
    vdxDesignerClass() = [&](QWidget *owner, TvdxReport *report, bool previewDesigner) -> TvdxCustomDesigner * {
        opened << QStringLiteral("designer %1").arg(report->FindObject(QStringLiteral("QR")) != nullptr);
        return new TvdxStubDesigner(owner, report, previewDesigner);
    };
    TfrmZPL &w = open();
    select(w, QStringLiteral("serial-label.vd3"));
    w.Controller()->ShowRClick();
    w.Controller()->DesignRClick();
    vdxPreviewFormClass() = oldPreview;
    vdxDesignerClass() = oldDesigner;
    EXPECT_EQ(opened, (QStringList{"preview", "designer 1"}));
    EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
}

// ---- the test print server ---------------------------------------------------

class SampleLabelsPrinted : public SampleLabels {
protected:
    void SetUp() override
    {
        SampleLabels::SetUp();
        if (!vdtest::CupsServer::Shared().Ok())
            GTEST_SKIP() << "no test print server: " << vdtest::CupsServer::Shared().SkipReason().toStdString();
        // The printer list reads the queues of the server now running.
        vdxGlobalPrinters()->FillPrinters();
        vdtest::CupsServer::Shared().ClearReceived();
        library.sink = true;
        library.printers = true;
    }
    static vdtest::CupsServer &server() { return vdtest::CupsServer::Shared(); }
};

TEST_F(SampleLabelsPrinted, PrintSendsTheGoldenBytesToTheChosenQueue)
{
    TfrmZPL &w = open();
    ASSERT_EQ(w.Printers->count(), 2);
    EXPECT_EQ(w.Printers->itemText(0), QStringLiteral("A-Printer"));
    EXPECT_EQ(w.Printers->currentIndex(), 0);
    select(w, QStringLiteral("serial-label.vd3"));
    const QByteArray golden = vdtest::readFile(goldenPath(QStringLiteral("serial-label-8dpmm.zpl")));
    ASSERT_FALSE(golden.isEmpty());

    // Show ZPL sends nothing; Print on the ZPL text tab then sends the box.
    EXPECT_EQ(showZpl(w, 1), golden);
    EXPECT_FALSE(server().WaitForReceived(1, 1500));
    w.Controller()->PrintClick();
    ASSERT_TRUE(server().WaitForReceived(1));
    EXPECT_EQ(server().Received().first(), golden);

    // Print on the Reports tab exports again and sends the same bytes, here
    // to the second queue.
    server().ClearReceived();
    w.PageControl1->setCurrentIndex(0);
    w.Printers->setCurrentIndex(1);
    w.Controller()->PrintClick();
    ASSERT_TRUE(server().WaitForReceived(1));
    EXPECT_EQ(server().Received().first(), golden);
    EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
}

TEST_F(SampleLabelsPrinted, UnknownQueueIsPrintErrorZeroAndTheTextStays)
{
    TfrmZPL &w = open();
    w.PageControl1->setCurrentIndex(1);
    w.Memo1->setPlainText(QStringLiteral("^XA^FDx^FS^XZ"));
    w.Printers->setCurrentIndex(-1);
    w.Printers->setEditText(QStringLiteral("No-Such-Printer"));
    w.Controller()->PrintClick();
    EXPECT_EQ(messages(), QStringList{"print error 0"});
    EXPECT_EQ(w.Memo1->toPlainText(), QStringLiteral("^XA^FDx^FS^XZ"));
    EXPECT_FALSE(server().WaitForReceived(1, 1500));
}

TEST_F(SampleLabels, TheWindowsOwnReportPreparesOverTheSampleData)
{
    // The report that Export - Print writes: its two report pages start a
    // new page for every detail line of data sets 3 and 1.
    TfrmZPL &w = open();
    TvdxReport *report = w.Report();
    // Its pictures travel inside the template.
    for (const char *name : {"Logo1", "Logo2", "Stamp"}) {
        auto *picture = qobject_cast<TvdxPictureView *>(report->FindObject(QString::fromUtf8(name)));
        ASSERT_NE(picture, nullptr) << name;
        EXPECT_GT(picture->Picture()->Width(), 0) << name;
    }
    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().join('\n').toStdString();
    EXPECT_TRUE(report->Errors().isEmpty()) << report->Errors().join('\n').toStdString();
    EXPECT_EQ(report->PreviewPages()->Count(), 24);
}

// Select Report writes a PDF of the label beside it; qpdf accepts it and
// pdftotext reads the label's text from it.
TEST_F(SampleLabels, SelectWritesAPdfThatReadersAccept)
{
    TfrmZPL &w = open();
    const QString path = select(w, QStringLiteral("product-label.vd3"));
    EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
    const QString pdf = vdChangeFileExt(path, QStringLiteral(".pdf"));
    ASSERT_TRUE(QFileInfo::exists(pdf));
    const pdftest::ToolResult check = pdftest::runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf});
    if (!check.ran)
        GTEST_SKIP() << "qpdf not installed";
    EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
    const pdftest::ToolResult text =
        pdftest::runTool(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf,
                                                       QStringLiteral("-")});
    ASSERT_TRUE(text.ran) << "pdftotext not installed";
    EXPECT_TRUE(text.output.contains(QStringLiteral("Qty"))) << text.output.toStdString();
    EXPECT_TRUE(text.output.contains(QStringLiteral("Amount"))) << text.output.toStdString();
    // One page per label row.
    const pdftest::ToolResult info = pdftest::runTool(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_FALSE(info.output.contains(QStringLiteral("Pages:          0"))) << info.output.toStdString();
}

TEST_F(SampleLabels, OwnReportIsWrittenToTheGivenPdf)
{
    TfrmZPL &w = open();
    TvdxReport report(w.Data()->ComponentOwner());
    ASSERT_TRUE(report.LoadFromFile(QStringLiteral(VD_APP_BUILD_DIR "/serial-label.vd3")));
    TLibraryReportCommands commands(&report, w.Data()->ComponentOwner());
    const QString pdf = dir.file(QStringLiteral("out/Report.pdf"));
    QDir().mkpath(dir.file(QStringLiteral("out")));
    commands.ExportOwnReportToPDF(pdf);
    ASSERT_TRUE(QFileInfo::exists(pdf));
    const pdftest::ToolResult check = pdftest::runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf});
    if (check.ran)
        EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
    // A file that cannot be written is reported, not passed over.
    EXPECT_THROW(commands.ExportOwnReportToPDF(dir.file(QStringLiteral("missing/folder/Report.pdf"))), Exception);
}

TEST_F(SampleLabels, TheOwnReportsTableAndCheckBoxPrepare)
{
    // Page 2 of the template prints one table per detail line of data set 1:
    // headings in row 1, the line's values in row 3; every page of page 1
    // carries the checked box in its footer.
    TfrmZPL &w = open();
    TvdxReport *report = w.Report();
    ASSERT_NE(report->FindObject(QStringLiteral("TableObject1")), nullptr);
    ASSERT_NE(report->FindObject(QStringLiteral("CheckBox1")), nullptr);
    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().join('\n').toStdString();
    TvdxCustomPreviewPages *pages = report->PreviewPages();
    ASSERT_EQ(pages->Count(), 24);
    int boxes = 0;
    QStringList ids;
    for (int i = 0; i < pages->Count(); ++i) {
        TvdxReportPage *page = pages->GetPage(i);
        ASSERT_NE(page, nullptr);
        for (TvdxComponent *c : page->AllObjects()) {
            if (c->inherits("TvdxCheckBoxView"))
                ++boxes;
            if (!c->inherits("TvdxTableObject"))
                continue;
            // Row 3 of the table, cells left to right.
            QStringList cells;
            const QList<TvdxComponent *> rows = c->Objects().List().mid(5);
            ASSERT_EQ(rows.size(), 5);
            for (TvdxComponent *cell : rows[2]->Objects().List())
                cells << qobject_cast<TvdxCustomMemoView *>(cell)->Text().trimmed();
            QStringList heads;
            for (TvdxComponent *cell : rows[0]->Objects().List())
                heads << qobject_cast<TvdxCustomMemoView *>(cell)->Text().trimmed();
            EXPECT_EQ(heads, (QStringList{"ID", "Description", "Price", "Amount", ""}));
            ASSERT_EQ(cells.size(), 5);
            EXPECT_FALSE(cells[1].isEmpty());
            EXPECT_FALSE(cells[2].isEmpty());
            EXPECT_TRUE(cells[4].isEmpty());
            ids << cells[0];
        }
    }
    EXPECT_EQ(boxes, 12);
    QStringList expected;
    for (int id = 1; id <= 12; ++id)
        expected << QString::number(id);
    EXPECT_EQ(ids, expected);
}
