#include "DemoFakes.h"
#include "app/uDemoData.h"
#include "app/uDemoSettings.h"
#include "app/uZPLController.h"
#include "platform/IniFile.h"
#include "report/vdxClass_report.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

using MainWindow = DemoWindowTest;

TEST_F(MainWindow, StartsWithTheDefaultsAndItsCaption)
{
    TfrmZPL &w = open();
    w.show();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Morvane - Quennet, Inc."));
    EXPECT_EQ(w.CodePage->text(), QStringLiteral("^PW464^LS0"));
    EXPECT_EQ(w.Font->text(), QStringLiteral("U"));
    EXPECT_EQ(w.FontScale->text(), QStringLiteral("1,00"));
    EXPECT_TRUE(w.PrintAB->isChecked());
    EXPECT_EQ(w.Density->currentText(), QStringLiteral("8 dpmm(203 dpi)"));
    EXPECT_EQ(w.PageControl1->currentIndex(), 0);
    EXPECT_FALSE(w.DesignR->isEnabled());
    EXPECT_FALSE(w.ShowR->isEnabled());
    EXPECT_TRUE(w.Print->isEnabled());
    const QStringList tabs = {w.PageControl1->tabText(0), w.PageControl1->tabText(1), w.PageControl1->tabText(2),
                              w.PageControl1->tabText(3)};
    EXPECT_EQ(tabs, (QStringList{"Reports", "ZPL text", "TSWeb", "TSPDF"}));
    // The window's own report: the embedded template with its data page and two report pages.
    ASSERT_NE(w.Report(), nullptr);
    EXPECT_TRUE(w.Report()->Errors().isEmpty()) << w.Report()->Errors().join('\n').toStdString();
    EXPECT_EQ(w.Report()->PagesCount(), 3);
    // Neither a database nor a remote connection problem at start.
    EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
}

TEST_F(MainWindow, PrinterListFillsTheBoxOrLeavesPrinters)
{
    {
        TfrmZPL &w = open();
        EXPECT_EQ(w.Printers->currentText(), QStringLiteral("Printers"));
        EXPECT_EQ(w.Printers->currentIndex(), -1);
        EXPECT_EQ(w.Printers->count(), 0);
    }
    printers.names = {QStringLiteral("A-Printer"), QStringLiteral("b-Printer")};
    TfrmZPL &w = open();
    EXPECT_EQ(w.Printers->count(), 2);
    EXPECT_EQ(w.Printers->currentIndex(), 0);
    EXPECT_EQ(w.Printers->currentText(), QStringLiteral("A-Printer"));
}

TEST_F(MainWindow, StoredSettingsReachTheControls)
{
    ASSERT_TRUE(vdtest::writeFile(configPath(), "[Settings]\nDensity=0x2\nPrintAB=0\nFont=0\nFontScale=1.5\n"));
    TfrmZPL &w = open();
    EXPECT_EQ(w.Density->currentText(), QStringLiteral("12 dpmm(300 dpi)"));
    EXPECT_FALSE(w.PrintAB->isChecked());
    EXPECT_EQ(w.Font->text(), QStringLiteral("0"));
    EXPECT_EQ(w.FontScale->text(), QStringLiteral("1.5"));
}

TEST_F(MainWindow, DensityOutsideTheBoxLeavesItEmptyAndExportsAt8Dpmm)
{
    ASSERT_TRUE(vdtest::writeFile(configPath(), "[Settings]\nDensity=7\n"));
    printers.names = {QStringLiteral("A-Printer")};
    TfrmZPL &w = open();
    EXPECT_EQ(w.Density->currentIndex(), -1);
    EXPECT_TRUE(w.Density->currentText().isEmpty());
    ui.QueueText(dir.file(QStringLiteral("label.vd3")));
    w.Controller()->SelectRClick();
    w.Controller()->PrintClick();
    ASSERT_EQ(exporter.calls.size(), 1);
    EXPECT_EQ(exporter.calls[0].Density, 1);
}

TEST_F(MainWindow, PrintOnTheZplTabSendsTheTextUnchangedReadingNoSetting)
{
    printers.names = {QStringLiteral("A-Printer"), QStringLiteral("b-Printer")};
    TfrmZPL &w = open();
    w.Printers->setCurrentIndex(1);
    w.PageControl1->setCurrentIndex(1);
    // Settings that would stop an export do not matter here.
    w.FontScale->setText(QStringLiteral("not a number"));
    w.Density->setCurrentIndex(-1);
    for (const QString &memo : {QString(), QStringLiteral("^XA^FDä^FS^XZ"), QStringLiteral("^XA\n^FDx^FS\n^XZ\n")}) {
        sink.jobs.clear();
        w.Memo1->setPlainText(memo);
        w.Controller()->PrintClick();
        ASSERT_EQ(sink.jobs.size(), 1);
        EXPECT_EQ(sink.jobs[0].index, 1);
        EXPECT_EQ(sink.jobs[0].name, QStringLiteral("b-Printer"));
        EXPECT_EQ(sink.jobs[0].text, QString(memo).replace("\n", "\r\n"));
    }
    EXPECT_TRUE(exporter.calls.isEmpty());
    EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
}

TEST_F(MainWindow, PrintWithoutAReportOnlyOpensTheSelectionDialog)
{
    TfrmZPL &w = open();
    ui.QueueText(dir.file(QStringLiteral("label.vd3")));
    w.Controller()->PrintClick();
    EXPECT_EQ(prompts(QStringLiteral("OpenFileName")),
              QStringList{dir.path() + "|Report File (*.vd3);;Prepared Report File (*.vp3)"});
    EXPECT_EQ(w.Controller()->ReportFileName(), dir.file(QStringLiteral("label.vd3")));
    EXPECT_TRUE(exporter.calls.isEmpty());
    EXPECT_TRUE(sink.jobs.isEmpty());
    EXPECT_TRUE(w.LRepName->isVisibleTo(&w));
    EXPECT_EQ(w.LRepName->text(), QStringLiteral("label.vd3"));
    // The selection writes the PDF beside the report.
    EXPECT_EQ(reports.calls, QStringList{"pdf " + dir.file("label.vd3") + " " + dir.file("label.pdf")});
}

TEST_F(MainWindow, ExtensionDecidesTemplateOrPreparedReportCaseSensitively)
{
    struct Case {
        const char *name;
        bool prepared;
    };
    const Case cases[] = {{"a.vd3", false}, {"a.vp3", true}, {"a.VP3", false}, {"a.vp3.vd3", false}};
    TfrmZPL &w = open();
    for (const Case &c : cases) {
        ui.QueueText(dir.file(QString::fromUtf8(c.name)));
        w.Controller()->SelectRClick();
        EXPECT_EQ(w.Controller()->IsPreparedReport(), c.prepared) << c.name;
        EXPECT_EQ(w.DesignR->isEnabled(), !c.prepared) << c.name;
        EXPECT_TRUE(w.ShowR->isEnabled());
    }
    ui.QueueText(QString()); // a cancelled dialog changes nothing
    w.Controller()->SelectRClick();
    EXPECT_EQ(w.Controller()->ReportFileName(), dir.file(QStringLiteral("a.vp3.vd3")));
}

TEST_F(MainWindow, SelectReportAsksBeforeReplacingItsPdf)
{
    TfrmZPL &w = open();
    ASSERT_TRUE(vdtest::writeFile(dir.file(QStringLiteral("label.pdf")), "%PDF-1.4 old"));
    ui.QueueText(dir.file(QStringLiteral("label.vd3")));
    ui.QueueAnswer(IDNO);
    w.Controller()->SelectRClick();
    EXPECT_TRUE(reports.calls.isEmpty());
    EXPECT_EQ(w.Controller()->PDFExportPath(), dir.file(QStringLiteral("label.pdf")));
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("already exists")));
    ui.QueueText(dir.file(QStringLiteral("label.vd3")));
    ui.QueueAnswer(IDYES);
    w.Controller()->SelectRClick();
    EXPECT_EQ(reports.calls.size(), 1);
}

TEST_F(MainWindow, ShowZplFillsTheTextSwitchesTabAndSendsNothing)
{
    printers.names = {QStringLiteral("A-Printer")};
    TfrmZPL &w = open();
    ui.QueueText(dir.file(QStringLiteral("label.vd3")));
    w.Controller()->SelectRClick();
    w.PrinterInit->setText(QStringLiteral("~JA"));
    w.FontScale->setText(QStringLiteral("1,00"));
    w.PrintAB->setChecked(false);
    w.Controller()->ShowZPLClick();
    ASSERT_EQ(exporter.calls.size(), 1);
    const TZplExportRequest &rq = exporter.calls[0];
    EXPECT_EQ(rq.ReportFile, dir.file(QStringLiteral("label.vd3")));
    EXPECT_FALSE(rq.Prepared);
    EXPECT_EQ(rq.Density, 1);
    EXPECT_EQ(rq.PrinterInit, QStringLiteral("~JA"));
    EXPECT_EQ(rq.CodePage, QStringLiteral("^PW464^LS0"));
    EXPECT_EQ(rq.PrinterFont, QStringLiteral("U"));
    EXPECT_DOUBLE_EQ(rq.FontScale, 1.0);
    EXPECT_FALSE(rq.PrintAsBitmap);
    EXPECT_TRUE(sink.jobs.isEmpty());
    EXPECT_FALSE(w.Controller()->Previewing());
    EXPECT_EQ(w.PageControl1->currentIndex(), 1);
    EXPECT_EQ(w.Memo1->toPlainText(), QStringLiteral("^XA\n^FDHello^FS\n^XZ\n"));
    // Print on that tab sends the box: the exported bytes again.
    w.Controller()->PrintClick();
    ASSERT_EQ(sink.jobs.size(), 1);
    EXPECT_EQ(sink.jobs[0].text.toUtf8(), exporter.result);
    EXPECT_EQ(exporter.calls.size(), 1);
}

TEST_F(MainWindow, PrintOnTheReportsTabExportsAndSends)
{
    printers.names = {QStringLiteral("A-Printer")};
    TfrmZPL &w = open();
    ui.QueueText(dir.file(QStringLiteral("label.vd3")));
    w.Controller()->SelectRClick();
    w.Controller()->PrintClick();
    ASSERT_EQ(sink.jobs.size(), 1);
    EXPECT_EQ(sink.jobs[0].name, QStringLiteral("A-Printer"));
    EXPECT_EQ(sink.jobs[0].text.toUtf8(), exporter.result);
    EXPECT_EQ(w.PageControl1->currentIndex(), 0);
    // The first Print wrote every key.
    TIniFile ini(configPath());
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Settings")),
              (QStringList{"Density", "PrinterInit", "CodePage", "PrinterFinish", "PageInit", "FontScale", "Font",
                           "PrintAB"}));
}

TEST_F(MainWindow, FontScaleThatIsNoNumberStopsPrintAfterSaving)
{
    struct Case {
        const char *text;
        double value; // 0: refused
    };
    const Case cases[] = {{"1,00", 1.0}, {"1.5", 1.5}, {" 2 ", 2.0}, {"abc", 0}, {"0", 0}, {"-1", 0},
                          {"", 0},       {"1,2,3", 0}, {"nan", 0}, {"inf", 0}};
    TfrmZPL &w = open();
    ui.QueueText(dir.file(QStringLiteral("label.vd3")));
    w.Controller()->SelectRClick();
    for (const Case &c : cases) {
        exporter.calls.clear();
        ui.ClearPrompts();
        w.FontScale->setText(QString::fromUtf8(c.text));
        w.Controller()->PrintClick();
        EXPECT_EQ(vdLoadZplSettings(configPath()).Settings.FontScale, QString::fromUtf8(c.text).trimmed()) << c.text;
        if (c.value > 0) {
            ASSERT_EQ(exporter.calls.size(), 1) << c.text;
            EXPECT_DOUBLE_EQ(exporter.calls[0].FontScale, c.value);
        } else {
            EXPECT_TRUE(exporter.calls.isEmpty()) << c.text;
            EXPECT_EQ(messages().size(), 1) << c.text;
        }
    }
}

TEST_F(MainWindow, UnwritableSettingsStopPrintButNotClosing)
{
    ASSERT_TRUE(vdtest::writeFile(dir.file(QStringLiteral("blocker")), "x"));
    TZplSetup s;
    const QString config = dir.file(QStringLiteral("blocker/config.ini"));
    s.ConfigPath = config;
    s.DatabaseFile = sampleDatabase();
    s.ExeFolder = dir.path();
    s.Exporter = &exporter;
    s.Sink = &sink;
    s.Printers = &printers;
    s.Reports = &reports;
    window = std::make_unique<TfrmZPL>(s);
    TfrmZPL &w = *window;
    w.show();
    ui.QueueText(dir.file(QStringLiteral("label.vd3")));
    w.Controller()->SelectRClick();
    ui.ClearPrompts();
    w.Controller()->PrintClick();
    EXPECT_TRUE(exporter.calls.isEmpty());
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Unable to write to %1").arg(config)});
    ui.ClearPrompts();
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Unable to write to %1").arg(config)});
}

TEST_F(MainWindow, ClosingSavesTheSettings)
{
    TfrmZPL &w = open();
    w.show();
    w.PageInit->setText(QStringLiteral("^LH10,10"));
    w.close();
    EXPECT_EQ(vdLoadZplSettings(configPath()).Settings.PageInit, QStringLiteral("^LH10,10"));
}

TEST_F(MainWindow, LoadFromFileReadsZplAndRefusesBrokenText)
{
    TfrmZPL &w = open();
    const QString utf8 = dir.file(QStringLiteral("a.zpl"));
    ASSERT_TRUE(vdtest::writeFile(utf8, "^XA\r\n^FD\xc3\xa4^FS\r\n^XZ"));
    ui.QueueText(utf8);
    w.Controller()->LoadFFClick();
    EXPECT_EQ(prompts(QStringLiteral("OpenFileName")), QStringList{dir.path() + "|ZPL File (*.zpl);;Text File (*.txt)"});
    EXPECT_EQ(w.Memo1->toPlainText(), QStringLiteral("^XA\n^FDä^FS\n^XZ"));

    const QString utf16 = dir.file(QStringLiteral("b.txt"));
    QByteArray bytes("\xff\xfe", 2);
    const QString text = QStringLiteral("^XA^FDö^FS^XZ");
    bytes.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    ASSERT_TRUE(vdtest::writeFile(utf16, bytes));
    ui.QueueText(utf16);
    w.Controller()->LoadFFClick();
    EXPECT_EQ(w.Memo1->toPlainText(), text);

    const QString broken = dir.file(QStringLiteral("c.zpl"));
    ASSERT_TRUE(vdtest::writeFile(broken, "^XA^FD\xff\xfe\xc3^FS^XZ"));
    ui.ClearPrompts();
    ui.QueueText(broken);
    w.Controller()->LoadFFClick();
    EXPECT_EQ(w.Memo1->toPlainText(), text);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("not UTF-8"))) << messages()[0].toStdString();

    ui.QueueText(dir.file(QStringLiteral("missing.zpl")));
    w.Controller()->LoadFFClick();
    EXPECT_EQ(messages().size(), 2);
    EXPECT_EQ(w.Memo1->toPlainText(), text);
}

TEST_F(MainWindow, DesignAndShowFollowTheChoice)
{
    TfrmZPL &w = open();
    ui.QueueText(dir.file(QStringLiteral("a.vp3")));
    w.Controller()->SelectRClick();
    reports.calls.clear();
    w.Controller()->DesignRClick();
    w.Controller()->ShowRClick();
    EXPECT_EQ(reports.calls, QStringList{"show " + dir.file("a.vp3") + " 1"});
    ui.QueueText(dir.file(QStringLiteral("a.vd3")));
    w.Controller()->SelectRClick();
    reports.calls.clear();
    w.Controller()->DesignRClick();
    EXPECT_EQ(reports.calls, QStringList{"design " + dir.file("a.vd3")});
}

TEST_F(MainWindow, BrokenDatabaseIsNamedAndTheWindowStarts)
{
    ASSERT_TRUE(vdtest::writeFile(dir.file(QStringLiteral("bad.sqlite")), "not a database at all, just text"));
    TZplSetup s;
    s.ConfigPath = configPath();
    s.DatabaseFile = dir.file(QStringLiteral("bad.sqlite"));
    s.ExeFolder = dir.path();
    s.Exporter = &exporter;
    s.Sink = &sink;
    s.Printers = &printers;
    s.Reports = &reports;
    window = std::make_unique<TfrmZPL>(s);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("bad.sqlite"))) << messages()[0].toStdString();
    EXPECT_EQ(window->CodePage->text(), QStringLiteral("^PW464^LS0"));
}

TEST_F(MainWindow, UnreachableRemoteDatabaseGivesTheFailureMessage)
{
    // A loopback port nobody listens on.
    ASSERT_TRUE(vdtest::writeFile(configPath(),
                                  "[Remote]\nServer=127.0.0.1\nPort=1\nDatabase=x\nUser=u\nPassword=p\nTable=t\n"));
    TfrmZPL &w = open();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith(QStringLiteral("Failed to connect to the remote database: ")))
        << messages()[0].toStdString();
    EXPECT_FALSE(w.Data()->RemoteConnected());
    EXPECT_EQ(w.CodePage->text(), QStringLiteral("^PW464^LS0"));
}

TEST_F(MainWindow, MenuCommands)
{
    TfrmZPL &w = open();
    w.show();
    w.SiteAddress = QStringLiteral("https://vendari.example/");
    w.aGoToSite->trigger();
    EXPECT_EQ(shell.urls, QList<QUrl>{QUrl(QStringLiteral("https://vendari.example/"))});
    w.aShowAbout->trigger();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith(QStringLiteral("Vendari")));
    EXPECT_EQ(w.aExit->text(), QStringLiteral("Exit"));
    w.aExit->trigger();
    EXPECT_FALSE(w.isVisible());
    // Closing saved the settings.
    EXPECT_TRUE(QFile::exists(configPath()));
}

TEST_F(MainWindow, HandTypedDensitySelectsNothingAndExportsAt8Dpmm)
{
    TfrmZPL &w = open();
    ui.QueueText(dir.file(QStringLiteral("label.vd3")));
    w.Controller()->SelectRClick();
    w.Density->setCurrentIndex(3);
    w.Controller()->ShowZPLClick();
    w.PageControl1->setCurrentIndex(0);
    w.Density->setCurrentIndex(-1);
    w.Density->setEditText(QStringLiteral("300 dpi please"));
    w.Controller()->ShowZPLClick();
    ASSERT_EQ(exporter.calls.size(), 2);
    EXPECT_EQ(exporter.calls[0].Density, 3);
    EXPECT_EQ(exporter.calls[1].Density, 1);
    EXPECT_EQ(vdLoadZplSettings(configPath()).Settings.Density, -1);
}

TEST(DemoFontScale, ParsesInTheLocaleThenWithEitherDecimalMark)
{
    struct Case {
        QLocale::Language language;
        const char *text;
        double value; // 0: refused
    };
    const Case cases[] = {
        {QLocale::English, "1,00", 1.0}, {QLocale::English, "1.25", 1.25}, {QLocale::English, "0,5", 0.5},
        {QLocale::German, "1,00", 1.0},  {QLocale::German, "1.5", 1.5},    {QLocale::German, "2", 2.0},
        {QLocale::French, "1,25", 1.25}, {QLocale::French, "1.25", 1.25},  {QLocale::German, "1,2,3", 0},
        {QLocale::German, "x1", 0},      {QLocale::English, "-0,5", 0},   {QLocale::French, "0,00", 0},
    };
    const QLocale old;
    for (const Case &c : cases) {
        QLocale::setDefault(QLocale(c.language));
        const QString text = QString::fromUtf8(c.text);
        if (c.value > 0) {
            EXPECT_DOUBLE_EQ(vdParseFontScale(text), c.value) << c.text << " " << QLocale().name().toStdString();
        } else {
            EXPECT_THROW(vdParseFontScale(text), EConvertError) << c.text << " " << QLocale().name().toStdString();
        }
    }
    QLocale::setDefault(old);
}

TEST_F(MainWindow, UpperCasePreparedExtensionPrintsAsATemplate)
{
    printers.names = {QStringLiteral("A-Printer")};
    TfrmZPL &w = open();
    for (const char *name : {"label.VP3", "label.vp3"}) {
        ui.QueueText(dir.file(QString::fromUtf8(name)));
        w.Controller()->SelectRClick();
        w.Controller()->PrintClick();
    }
    ASSERT_EQ(exporter.calls.size(), 2);
    EXPECT_FALSE(exporter.calls[0].Prepared);
    EXPECT_TRUE(exporter.calls[1].Prepared);
    EXPECT_EQ(sink.jobs.size(), 2);
}
