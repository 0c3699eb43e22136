// Printer objects over an in-memory print system: paper table, geometry,
// device settings, page and raw jobs, and failures.
#include "common/FakePrinterBackend.h"
#include "common/TestSupport.h"
#include "platform/Exception.h"
#include "platform/UiProvider.h"
#include "preview/vdxPrinter.h"
#include "preview/vdxPrinterPropertiesDlg.h"
#include <QComboBox>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <thread>

using namespace vdtest;

namespace {

// Office queue: A4 (default), Letter, a roll nobody has a code for, three trays,
// long-edge duplex by default, 600 dpi.
void addOffice(FakePrinterBackend &b, const QString &name = QStringLiteral("Office"))
{
    FakeQueue &q = b.add(name);
    q.media = {FakeMedia("iso_a4_210x297mm", 21000, 29700), FakeMedia("na_letter_8.5x11in", 21590, 27940),
               FakeMedia("roll_100x50mm", 10000, 5000, 0), FakeMedia("iso_a4_210x297mm.Borderless", 21000, 29700, 0)};
    q.sources = {{"auto", "Automatic"}, {"tray-1", "Tray 1"}, {"tray-2", "Tray 2"}};
    q.defaults.media = "iso_a4_210x297mm";
    q.defaults.source = "tray-2";
    q.defaults.sides = "two-sided-long-edge";
    q.defaults.dpiX = q.defaults.dpiY = 600;
}

// pdfinfo's report of a PDF; empty when the tool is missing.
QString pdfInfo(const QByteArray &pdf)
{
    const QString tool = QStandardPaths::findExecutable("pdfinfo");
    if (tool.isEmpty())
        return {};
    TempDir dir;
    writeFile(dir.file("j.pdf"), pdf);
    QProcess p;
    p.start(tool, {dir.file("j.pdf")});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QByteArray &pdf)
{
    const QString tool = QStandardPaths::findExecutable("pdfinfo");
    if (tool.isEmpty())
        return -1;
    TempDir dir;
    writeFile(dir.file("j.pdf"), pdf);
    QProcess p;
    p.start(tool, {dir.file("j.pdf")});
    p.waitForFinished(20000);
    for (const QByteArray &line : p.readAllStandardOutput().split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return 0;
}

// A queue whose device reports no resolution.
class ZeroDpiPrinter : public TvdxPrinter {
public:
    ZeroDpiPrinter(const QString &name, const QString &port, PrinterBackend *b)
        : TvdxPrinter(name, port, b), m_b(b) {}
    TvdxDeviceCaps QueryDeviceCaps() const override { return {}; }

protected:
    std::unique_ptr<TvdxCustomPrinter> NewInstance(const QString &name, const QString &port) const override
    {
        return std::make_unique<ZeroDpiPrinter>(name, port, m_b);
    }

private:
    PrinterBackend *m_b;
};

} // namespace

TEST(PaperTable, LookupAndShape)
{
    struct Case { int code; bool found; double w, h; };
    const Case cases[] = {{9, true, 210, 297}, {1, true, 215.9, 279.4}, {4, true, 431.8, 279.4},
                          {66, true, 420, 594}, {68, true, 322, 445}, {48, false, -1, -1},
                          {49, false, -1, -1}, {256, false, -1, -1}, {0, false, -1, -1}};
    for (const Case &c : cases) {
        double w = -1, h = -1;
        EXPECT_EQ(vdxLookupPaperSize(c.code, w, h), c.found) << c.code;
        EXPECT_DOUBLE_EQ(w, c.w) << c.code;
        EXPECT_DOUBLE_EQ(h, c.h) << c.code;
    }
    QList<int> wide;
    for (const TPaperInfo &p : vdxPaperInfo)
        if (p.X > p.Y)
            wide << p.Typ;
    EXPECT_EQ(wide, (QList<int>{4, 35, 39, 46}));
    EXPECT_EQ(vdxPaperCodeForSize(2100, 2970), 9);
    EXPECT_EQ(vdxPaperCodeForSize(2159, 2794), 1);
    EXPECT_EQ(vdxPaperCodeForSize(1000, 500), 0);
}

TEST(PrinterGeometry, FromDevicePixels)
{
    struct Case { TvdxDeviceCaps caps; bool ok; TvdxPageGeometry g; };
    const Case cases[] = {
        // A4 at 600 dpi as drivers report it.
        {{600, 600, 4960, 7016, 100, 100, 4760, 6816}, true, {210, 297, 4, 4, 4, 4}},
        // 254 dpi makes tenths of a millimetre: halves go to the even neighbour.
        {{254, 254, 2105, 2975, 25, 35, 2050, 2900}, true, {210, 298, 2, 4, 3, 4}},
        {{0, 600, 4960, 7016, 100, 100, 4760, 6816}, false, {}},
        {{600, 0, 4960, 7016, 100, 100, 4760, 6816}, false, {}},
    };
    for (const Case &c : cases) {
        TvdxPageGeometry g;
        ASSERT_EQ(vdxGeometryFromDeviceCaps(c.caps, g), c.ok);
        EXPECT_EQ(g.paperWidth, c.g.paperWidth);
        EXPECT_EQ(g.paperHeight, c.g.paperHeight);
        EXPECT_EQ(g.left, c.g.left);
        EXPECT_EQ(g.top, c.g.top);
        EXPECT_EQ(g.right, c.g.right);
        EXPECT_EQ(g.bottom, c.g.bottom);
    }
}

TEST(VirtualPrinter, AnswersFromThePaperTable)
{
    TvdxVirtualPrinter p("Virtual", "");
    EXPECT_EQ(p.Papers().size(), 1);
    p.Init();
    EXPECT_TRUE(p.Initialized());
    EXPECT_EQ(p.DPI(), QPoint(600, 600));
    EXPECT_EQ(p.DefPaper(), 9);
    EXPECT_EQ(p.DefPaperWidth(), 210);
    EXPECT_EQ(p.DefPaperHeight(), 297);
    EXPECT_EQ(p.Papers().size(), 67);
    EXPECT_EQ(p.Papers().first().number, 256);
    EXPECT_EQ(p.Bins().size(), 1);
    EXPECT_EQ(p.Paper(), 0);

    struct Case { int code; double w, h; TPrinterOrientation o; int paper; double pw, ph; };
    const Case cases[] = {{9, 0, 0, poLandscape, 9, 297, 210}, {9, 0, 0, poPortrait, 9, 210, 297},
                          {256, 100, 50, poPortrait, 256, 100, 50}, {48, 100, 50, poLandscape, 256, 100, 50}};
    for (const Case &c : cases) {
        p.SetViewParams(c.code, c.w, c.h, c.o);
        EXPECT_EQ(p.Paper(), c.paper) << c.code;
        EXPECT_EQ(p.PaperWidth(), c.pw) << c.code;
        EXPECT_EQ(p.PaperHeight(), c.ph) << c.code;
        EXPECT_EQ(p.Orientation(), c.o);
        EXPECT_EQ(p.LeftMargin(), 5);
        EXPECT_EQ(p.BottomMargin(), 5);
    }
    p.SetPrintParams(11, 0, 0, poPortrait, 258, TvdxPrintOptions::dmNone, 1);
    EXPECT_EQ(p.Bin(), 258);
    EXPECT_EQ(p.PaperWidth(), 148);
}

TEST(CustomPrinter, NamesAndNumbers)
{
    TvdxVirtualPrinter p("Virtual", "");
    p.Init();
    EXPECT_EQ(p.PaperNameToNumber("a4"), 9);
    EXPECT_EQ(p.PaperNameToNumber("No such paper"), 256);
    EXPECT_EQ(p.BinNameToNumber("No such bin"), 7);
    EXPECT_EQ(p.BinNameToNumber("DEFAULT"), 7);
    EXPECT_EQ(p.PaperIndex(9), 9);
    EXPECT_EQ(p.PaperIndex(48), -1);
    EXPECT_EQ(p.BinIndex(7), 0);
    EXPECT_EQ(p.BinIndex(8), -1);
}

TEST(Printer, ReadsTheQueue)
{
    FakePrinterBackend b;
    addOffice(b);
    TvdxPrinter p("Office", "", &b);
    p.Init();
    ASSERT_TRUE(p.Initialized());
    QList<int> codes;
    for (const TvdxNamedNumber &e : p.Papers())
        codes << e.number;
    // The borderless A4 is a second medium of the same size: it gets its own code.
    EXPECT_EQ(codes, (QList<int>{256, 9, 1, 257, 258}));
    QList<int> bins;
    for (const TvdxNamedNumber &e : p.Bins())
        bins << e.number;
    EXPECT_EQ(bins, (QList<int>{7, 257, 258}));
    EXPECT_EQ(p.Bins()[1].name, "Tray 1");
    EXPECT_EQ(p.DefBin(), 258);
    EXPECT_EQ(p.DefDuplex(), 2);
    EXPECT_TRUE(p.IsDuplexActive());
    EXPECT_EQ(p.DPI(), QPoint(600, 600));
    EXPECT_EQ(p.DefPaper(), 9);
    EXPECT_EQ(p.Paper(), 9);
    EXPECT_EQ(p.PaperWidth(), 210);
    EXPECT_EQ(p.PaperHeight(), 297);
    // 4.23 mm margins are 100 device pixels, whole millimetres again.
    EXPECT_EQ(p.LeftMargin(), 4);
    EXPECT_EQ(p.TopMargin(), 4);
    EXPECT_EQ(p.RightMargin(), 4);
    EXPECT_EQ(p.BottomMargin(), 4);
    EXPECT_EQ(p.Bin(), -1);
    EXPECT_EQ(p.Duplex(), -1);

    p.SetViewParams(1, 0, 0, poLandscape);
    EXPECT_EQ(p.Paper(), 1);
    EXPECT_EQ(p.PaperWidth(), 279);
    EXPECT_EQ(p.PaperHeight(), 216);
    // A code the queue lacks is a custom size measured on A4's margins.
    p.SetViewParams(11, 120, 80, poPortrait);
    EXPECT_EQ(p.Paper(), 256);
    EXPECT_EQ(p.PaperWidth(), 120);
    EXPECT_EQ(p.PaperHeight(), 80);
    EXPECT_EQ(p.LeftMargin(), 4);
}

TEST(Printer, QueueWithoutMediaOrResolution)
{
    // A raw queue states nothing: one "Custom" paper, 600 dpi, A4 geometry.
    FakePrinterBackend b;
    b.add("Raw");
    TvdxPrinter p("Raw", "", &b);
    p.Init();
    ASSERT_TRUE(p.Initialized());
    EXPECT_EQ(p.Papers().size(), 1);
    EXPECT_EQ(p.Bins().size(), 1);
    EXPECT_EQ(p.DPI(), QPoint(600, 600));
    EXPECT_EQ(p.PaperWidth(), 210);
    EXPECT_EQ(p.DefDuplex(), 1);
    p.SetViewParams(9, 0, 0, poPortrait);
    EXPECT_EQ(p.Paper(), 256);
    p.SetViewParams(256, 100, 60, poPortrait);
    EXPECT_EQ(p.PaperWidth(), 100);
    EXPECT_EQ(p.PaperHeight(), 60);
}

TEST(Printer, PrintParamsWriteTheDeviceMode)
{
    FakePrinterBackend b;
    addOffice(b);
    TvdxPrinter p("Office", "", &b);
    p.Init();
    const TvdxDeviceMode *m = p.DeviceMode();
    ASSERT_NE(m, nullptr);

    // Bin 7: the driver default, or the bin chosen in the properties.
    p.SetPrintParams(9, 0, 0, poPortrait, 7, TvdxPrintOptions::dmSimplex, 2);
    EXPECT_EQ(m->defaultSource, 258);
    EXPECT_EQ(m->duplex, 1);
    EXPECT_FALSE(m->fields & DM_DUPLEX);
    EXPECT_EQ(m->copies, 2);
    EXPECT_EQ(m->paperLength, 0);
    p.SetBin(257);
    p.SetPrintParams(9, 0, 0, poPortrait, 7, TvdxPrintOptions::dmNone, 1);
    EXPECT_EQ(m->defaultSource, 257);
    EXPECT_EQ(m->duplex, 2);
    EXPECT_TRUE(m->fields & DM_DUPLEX);
    p.SetPrintParams(9, 0, 0, poPortrait, 258, TvdxPrintOptions::dmHorizontal, 1);
    EXPECT_EQ(m->defaultSource, 258);
    EXPECT_EQ(m->duplex, 3);

    // Custom sizes in tenths, halves to even, turned for landscape.
    p.SetPrintParams(256, 100.25, 50, poLandscape, 7, TvdxPrintOptions::dmNone, 1);
    EXPECT_EQ(m->paperSize, 256);
    EXPECT_EQ(m->paperLength, 1002);
    EXPECT_EQ(m->paperWidth, 500);
    EXPECT_TRUE(m->fields & DM_PAPERLENGTH);
    EXPECT_EQ(p.JobOptions().value("media"), "Custom.50x100.2mm");
    EXPECT_EQ(p.Paper(), 256);
    EXPECT_EQ(p.Orientation(), poLandscape);

    p.SetPrintParams(9, 0, 0, poPortrait, 258, TvdxPrintOptions::dmVertical, 1);
    const QMap<QString, QString> o = p.JobOptions();
    EXPECT_EQ(o.value("media"), "iso_a4_210x297mm");
    EXPECT_EQ(o.value("media-source"), "tray-2");
    EXPECT_EQ(o.value("sides"), "two-sided-long-edge");
    EXPECT_FALSE(o.contains("copies"));

    // A job returns to the driver's bin and duplex.
    p.SetBin(257);
    p.BeginDoc();
    p.BeginPage();
    p.EndPage();
    p.EndDoc();
    EXPECT_EQ(p.Bin(), -1);
    p.SetPrintParams(9, 0, 0, poPortrait, 7, TvdxPrintOptions::dmNone, 1);
    EXPECT_EQ(m->defaultSource, 258);
    EXPECT_EQ(m->duplex, 2);
}

TEST(Printer, PageJobArrivesAsOnePdf)
{
    FakePrinterBackend b;
    addOffice(b);
    TvdxPrinter p("Office", "", &b);
    p.Init();
    p.SetPrintParams(9, 0, 0, poPortrait, 7, TvdxPrintOptions::dmSimplex, 1);
    p.SetTitle("Two pages");
    p.BeginDoc();
    ASSERT_TRUE(p.Printing());
    ASSERT_NE(p.Canvas(), nullptr);
    EXPECT_TRUE(p.Canvas()->isPrinter());
    EXPECT_EQ(p.Canvas()->LogPixelsY(), 600);
    for (int page = 0; page < 2; ++page) {
        p.BeginPage();
        p.Canvas()->Rectangle(TRect{100, 100, 2000, 1000});
        p.EndPage();
    }
    p.EndDoc();
    EXPECT_FALSE(p.Printing());
    EXPECT_EQ(p.Canvas(), nullptr);
    ASSERT_EQ(b.submitted.size(), 1);
    const FakeSubmission &s = b.submitted.first();
    EXPECT_EQ(s.title, "Two pages");
    EXPECT_EQ(s.mimeType, "application/pdf");
    EXPECT_EQ(s.options.value("sides"), "one-sided");
    EXPECT_TRUE(s.bytes.startsWith("%PDF"));
    const int pages = pdfPages(s.bytes);
    if (pages < 0)
        GTEST_SKIP() << "pdfinfo not installed (poppler-utils)";
    EXPECT_EQ(pages, 2);
}

TEST(Printer, PageJobHasThePaperOfTheSettings)
{
    FakePrinterBackend b;
    addOffice(b);
    TvdxPrinter p("Office", "", &b);
    p.Init();
    struct Case { int code; double w, h; TPrinterOrientation o; const char *size; };
    const Case cases[] = {{9, 0, 0, poLandscape, "842 x 595 pts"},
                          {9, 0, 0, poPortrait, "595 x 842 pts"},
                          {256, 100, 50, poPortrait, "283 x 142 pts"}};
    for (const Case &c : cases) {
        b.submitted.clear();
        p.SetPrintParams(c.code, c.w, c.h, c.o, 7, TvdxPrintOptions::dmNone, 1);
        p.BeginDoc();
        p.BeginPage();
        p.EndPage();
        p.EndDoc();
        ASSERT_EQ(b.submitted.size(), 1);
        const QString info = pdfInfo(b.submitted[0].bytes);
        if (info.isEmpty())
            GTEST_SKIP() << "pdfinfo not installed (poppler-utils)";
        EXPECT_TRUE(info.contains(c.size)) << info.toStdString();
    }
}

TEST(Printer, PageJobToFileAndRefusals)
{
    FakePrinterBackend b;
    addOffice(b);
    TvdxPrinter p("Office", "", &b);
    p.Init();
    TempDir dir;
    p.SetFileName(dir.file("out.pdf"));
    p.BeginDoc();
    p.BeginPage();
    p.EndPage();
    p.EndDoc();
    EXPECT_TRUE(b.submitted.isEmpty());
    EXPECT_TRUE(readFile(dir.file("out.pdf")).startsWith("%PDF"));

    // An aborted job sends nothing and leaves no file.
    p.BeginDoc();
    p.BeginPage();
    p.Abort();
    EXPECT_FALSE(p.Printing());
    EXPECT_FALSE(QFile::exists(dir.file("out.pdf")));
    EXPECT_TRUE(b.submitted.isEmpty());

    // Unwritable output: the job does not start.
    p.SetFileName(dir.file("missing/folder/out.pdf"));
    p.BeginDoc();
    EXPECT_FALSE(p.Printing());
    EXPECT_FALSE(p.LastError().isEmpty());

    p.SetFileName(QString());
    b.failSubmit = true;
    p.BeginDoc();
    p.BeginPage();
    p.EndDoc();
    EXPECT_EQ(p.LastError(), "fake refusal");
}

TEST(Printer, RawJob)
{
    FakePrinterBackend b;
    addOffice(b);
    TvdxPrinter p("Office", "", &b);
    p.SetTitle("Label");
    p.BeginRAWDoc();
    p.WriteRAWDoc("^XA");
    p.WriteRAWDoc("^XZ");
    p.EndRAWDoc();
    ASSERT_EQ(b.rawJobs.size(), 1);
    EXPECT_EQ(b.rawJobs[0].bytes, "^XA^XZ");
    EXPECT_EQ(b.rawJobs[0].title, "Label");
    EXPECT_TRUE(b.rawJobs[0].finished);
    EXPECT_TRUE(p.LastError().isEmpty());

    b.partialWrite = 2;
    p.BeginRAWDoc();
    p.WriteRAWDoc("^XA^XZ");
    p.EndRAWDoc();
    ASSERT_EQ(b.rawJobs.size(), 2);
    EXPECT_FALSE(b.rawJobs[1].finished);
    EXPECT_TRUE(b.rawJobs[1].cancelled);
    EXPECT_FALSE(p.LastError().isEmpty());
}

TEST(Printer, UnreadableQueueStaysUninitialised)
{
    FakePrinterBackend b;
    addOffice(b);
    b.queues["Office"].readable = false;
    TvdxPrinter p("Office", "", &b);
    p.Init();
    EXPECT_FALSE(p.Initialized());
    EXPECT_EQ(p.Papers().size(), 1);
    EXPECT_EQ(p.Bins().size(), 1);
    EXPECT_EQ(p.DeviceMode(), nullptr);
    EXPECT_THROW(p.CreateCopy(), Exception);
    // Geometry questions on it change nothing.
    p.SetViewParams(9, 0, 0, poLandscape);
    EXPECT_EQ(p.Paper(), 0);
    b.queues["Office"].readable = true;
    p.Init();
    EXPECT_TRUE(p.Initialized());
}

TEST(Printer, ZeroResolutionIsAnErrorBoxOnlyOnTheGuiThread)
{
    FakePrinterBackend b;
    addOffice(b);
    HeadlessUiProvider ui;
    TvdScopedUiProvider scope(&ui);

    ZeroDpiPrinter p("Office", "", &b);
    p.Init();
    EXPECT_FALSE(p.Initialized());
    ASSERT_EQ(ui.Prompts().size(), 1);
    EXPECT_EQ(ui.Prompts()[0].text, "Printer selected is not valid");
    EXPECT_EQ(ui.Prompts()[0].caption, "Error");

    ui.ClearPrompts();
    ZeroDpiPrinter q("Office", "", &b);
    QString error;
    std::thread([&] {
        q.Init();
        error = q.LastError();
    }).join();
    EXPECT_FALSE(q.Initialized());
    EXPECT_EQ(error, "Printer selected is not valid");
    EXPECT_TRUE(ui.Prompts().isEmpty());
}

TEST(Printer, CreateCopy)
{
    FakePrinterBackend b;
    addOffice(b);
    TvdxPrinter p("Office", "", &b);
    p.Init();
    p.SetBin(257);
    p.SetTitle("Run");
    p.SetFileName("/tmp/x.pdf");
    std::unique_ptr<TvdxCustomPrinter> copy = p.CreateCopy();
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(dynamic_cast<TvdxPrinter *>(copy.get()), nullptr);
    EXPECT_TRUE(copy->IsCopy());
    EXPECT_FALSE(p.IsCopy());
    EXPECT_TRUE(copy->Initialized());
    EXPECT_EQ(copy->Title(), "Run");
    EXPECT_EQ(copy->FileName(), "/tmp/x.pdf");
    // Init forgets the properties' bin, as on the original after its Init.
    EXPECT_EQ(copy->Bin(), -1);

    TvdxVirtualPrinter v("Virtual", "");
    EXPECT_NE(dynamic_cast<TvdxVirtualPrinter *>(v.CreateCopy().get()), nullptr);

    // The reason a copy cannot be made reaches the caller.
    ZeroDpiPrinter z("Office", "", &b);
    std::thread([&] {
        try {
            z.CreateCopy();
            ADD_FAILURE() << "no exception";
        } catch (const Exception &e) {
            EXPECT_EQ(e.message(), "Printer selected is not valid");
        }
    }).join();
}

TEST(Printer, PropertiesDialogSetsBinAndDuplex)
{
    FakePrinterBackend b;
    addOffice(b);
    TvdxPrinter p("Office", "", &b);
    p.Init();
    HeadlessUiProvider ui;
    TvdScopedUiProvider scope(&ui);
    struct Choice {
        int binIndex, sidesIndex; // rows of the dialog's boxes
        bool confirm;
    };
    auto choose = [&](Choice c) {
        ui.OnShowModal = [c](QDialog &d) {
            auto &dlg = dynamic_cast<TvdxPrinterPropertiesDialog &>(d);
            dlg.BinBox()->setCurrentIndex(c.binIndex);
            dlg.SidesBox()->setCurrentIndex(c.sidesIndex);
            return c.confirm ? int(mrOk) : int(mrCancel);
        };
        p.PropertiesDlg();
    };

    // Cancelled: nothing chosen.
    choose({1, 2, false});
    EXPECT_EQ(p.Bin(), -1);
    EXPECT_EQ(p.Duplex(), -1);

    // Tray 1 and short-edge duplex: the next job takes both even when asked
    // for the automatic bin and the driver's duplex.
    choose({1, 2, true});
    EXPECT_EQ(p.Bin(), 257);
    EXPECT_EQ(p.DefBin(), 257);
    EXPECT_EQ(p.Duplex(), 3);
    p.SetPrintParams(9, 0, 0, poPortrait, 7, TvdxPrintOptions::dmSimplex, 1);
    EXPECT_EQ(p.DeviceMode()->defaultSource, 257);
    EXPECT_EQ(p.DeviceMode()->duplex, 3);
    EXPECT_EQ(p.JobOptions().value("media-source"), "tray-1");
    EXPECT_EQ(p.JobOptions().value("sides"), "two-sided-short-edge");

    // A job returns to the driver's long edge; choosing one-sided is a change.
    p.BeginDoc();
    p.EndDoc();
    EXPECT_EQ(p.Duplex(), -1);
    choose({2, 0, true});
    EXPECT_EQ(p.Bin(), 258);
    EXPECT_EQ(p.Duplex(), 1);
}

TEST(Printer, SidesAndDuplexModes)
{
    // Queue default sides -> duplex value; duplex value -> job "sides".
    struct Case {
        const char *sides;
        int duplex;
        const char *jobSides;
    };
    const Case cases[] = {{"one-sided", 1, "one-sided"},
                          {"two-sided-long-edge", 2, "two-sided-long-edge"},
                          {"two-sided-short-edge", 3, "two-sided-short-edge"},
                          {"", 1, "one-sided"}};
    for (const Case &c : cases) {
        FakePrinterBackend b;
        addOffice(b);
        b.queues["Office"].defaults.sides = c.sides;
        TvdxPrinter p("Office", "", &b);
        p.Init();
        EXPECT_EQ(p.DefDuplex(), c.duplex) << c.sides;
        EXPECT_EQ(p.IsDuplexActive(), c.duplex != 1) << c.sides;
        p.SetPrintParams(9, 0, 0, poPortrait, 7, TvdxPrintOptions::dmNone, 1);
        EXPECT_EQ(p.JobOptions().value("sides"), c.jobSides) << c.sides;
    }
}
