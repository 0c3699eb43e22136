// The print, page-settings and password dialogs, driven offscreen over the
// print system held in memory.
#include "PrintFixture.h"

#include "common/TestSupport.h"
#include "core/vdxRes.h"
#include "preview/vdxPageSettingsForm.h"
#include "preview/vdxPasswordForm.h"
#include "preview/vdxPrintDialog.h"
#include "preview/vdxPrinterPropertiesDlg.h"
#include "report/vdxClass_options.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace vdtest;

namespace {

// Types text key by key, as a user would.
void typeInto(QWidget *w, const QString &text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    }
}

struct PrintDialog : PrintFixture {
    PrintDialog() : printers(makePrinters()) {}
    std::unique_ptr<TvdxPrintDialog> open()
    {
        auto dlg = std::make_unique<TvdxPrintDialog>(nullptr, printers.get());
        dlg->AReport = &report;
        dlg->FormShow();
        return dlg;
    }
    std::unique_ptr<TvdxPrinters> printers;
};

TEST_F(PrintDialog, CopiesAreClampedAndEmptyMeansOne)
{
    struct Case {
        QString typed;
        int copies;
    } cases[] = {{"3", 3}, {"1000", 1000}, {"", 1}, {"0", 1}, {"9999", 1000}};
    for (const Case &c : cases) {
        auto dlg = open();
        dlg->CopiesE->clear();
        typeInto(dlg->CopiesE, c.typed);
        EXPECT_EQ(dlg->FormHide(mrOk), mrOk);
        EXPECT_EQ(report.PrintOptions()->Copies(), c.copies) << c.typed.toStdString();
    }
    // Letters never reach the copies box.
    auto dlg = open();
    dlg->CopiesE->clear();
    typeInto(dlg->CopiesE, "1x2");
    EXPECT_EQ(dlg->CopiesE->text(), "12");
}

TEST_F(PrintDialog, PageBoxTakesOnlyDigitsCommasAndDashes)
{
    auto dlg = open();
    typeInto(dlg->PageNumbersE, "1a,3 b-5;x12");
    EXPECT_EQ(dlg->PageNumbersE->text(), "1,3-512");
    EXPECT_TRUE(dlg->PageNumbersRB->isChecked());
    EXPECT_EQ(dlg->FormHide(mrOk), mrOk);
    EXPECT_EQ(report.PrintOptions()->PageNumbers(), "1,3-512");
}

TEST_F(PrintDialog, OptionsRoundTrip)
{
    TvdxPrintOptions *o = report.PrintOptions();
    o->SetCopies(4);
    o->SetCollate(false);
    o->SetPageNumbers("2-3");
    o->SetPrintPages(TvdxPrintOptions::ppOdd);
    o->SetReverse(true);
    o->SetPrintMode(TvdxPrintOptions::pmScale);
    o->SetPrintOnSheet(1); // Letter
    auto dlg = open();
    EXPECT_EQ(dlg->CopiesE->text(), "4");
    EXPECT_FALSE(dlg->CollateCB->isChecked());
    EXPECT_TRUE(dlg->PageNumbersRB->isChecked());
    EXPECT_EQ(dlg->PrintPagesCB->currentIndex(), 1);
    EXPECT_EQ(dlg->OrderCB->currentIndex(), 1);
    EXPECT_EQ(dlg->PagPageSizeCB->currentText(), "na_letter_8.5x11in");
    o->Clear();
    EXPECT_EQ(dlg->FormHide(mrOk), mrOk);
    EXPECT_EQ(o->Copies(), 4);
    EXPECT_FALSE(o->Collate());
    EXPECT_EQ(o->PageNumbers(), "2-3");
    EXPECT_EQ(o->PrintPages(), TvdxPrintOptions::ppOdd);
    EXPECT_TRUE(o->Reverse());
    EXPECT_EQ(o->PrintMode(), TvdxPrintOptions::pmScale);
    EXPECT_EQ(o->PrintOnSheet(), 1);
}

TEST_F(PrintDialog, CurrentPageWithoutPreviewIsOne)
{
    auto dlg = open();
    dlg->CurPageRB->setChecked(true);
    EXPECT_EQ(dlg->FormHide(mrOk), mrOk);
    EXPECT_EQ(report.PrintOptions()->PageNumbers(), "1");
}

TEST_F(PrintDialog, PrintToFileTakesThePrnExtension)
{
    auto dlg = open();
    dlg->FileCB->setChecked(true);
    ui.QueueText("/tmp/out/report.txt");
    EXPECT_EQ(dlg->FormHide(mrOk), mrOk);
    EXPECT_EQ(printers->Printer()->FileName(), "/tmp/out/report.prn");
    ASSERT_FALSE(ui.Prompts().isEmpty());
    EXPECT_EQ(ui.Prompts().last().kind, "SaveFileName");
    EXPECT_EQ(ui.Prompts().last().caption, "Print to file");
}

// Every cancel, the file dialog's too, brings back the printer current before.
TEST_F(PrintDialog, AnyCancelRestoresThePrinter)
{
    const int office = printers->IndexOf("Office"), labels = printers->IndexOf("Labels");
    ASSERT_EQ(printers->PrinterIndex(), office);
    for (bool viaFileDialog : {false, true}) {
        auto dlg = open();
        dlg->PrintersCB->setCurrentIndex(labels);
        dlg->PrintersCBClick();
        EXPECT_EQ(printers->PrinterIndex(), labels);
        report.PrintOptions()->SetCopies(7);
        dlg->CopiesE->setText("2");
        int result;
        if (viaFileDialog) {
            dlg->FileCB->setChecked(true);
            ui.QueueText(QString());
            result = dlg->FormHide(mrOk);
        } else {
            result = dlg->FormHide(mrCancel);
        }
        EXPECT_EQ(result, mrCancel);
        EXPECT_EQ(printers->PrinterIndex(), office) << viaFileDialog;
        EXPECT_EQ(report.PrintOptions()->Copies(), 7) << viaFileDialog;
    }
}

TEST_F(PrintDialog, SheetListFollowsThePrintMode)
{
    auto dlg = open();
    EXPECT_FALSE(dlg->PagPageSizeCB->isEnabled());
    EXPECT_EQ(dlg->PagPageSizeCB->currentText(), GetResStrByName("pgDefault"));
    dlg->PrintModeCB->setCurrentIndex(TvdxPrintOptions::pmScale);
    dlg->PrintModeCBClick();
    EXPECT_TRUE(dlg->PagPageSizeCB->isEnabled());
    EXPECT_EQ(dlg->PagPageSizeCB->currentText(), "iso_a4_210x297mm");
    dlg->PrintModeCB->setCurrentIndex(TvdxPrintOptions::pmDefault);
    dlg->PrintModeCBClick();
    EXPECT_EQ(dlg->PagPageSizeCB->currentIndex(), 0);

    // A printer without A4 selects nothing.
    dlg->PrintersCB->setCurrentIndex(printers->IndexOf("Labels"));
    dlg->PrintersCBClick();
    dlg->PrintModeCB->setCurrentIndex(TvdxPrintOptions::pmSplit);
    dlg->PrintModeCBClick();
    EXPECT_EQ(dlg->PagPageSizeCB->currentIndex(), -1);
    EXPECT_EQ(dlg->FormHide(mrOk), mrOk);
    EXPECT_EQ(report.PrintOptions()->PrintOnSheet(), 256);
}

TEST_F(PrintDialog, SheetIndexRule)
{
    auto dlg = open();
    // Office lists the custom size, A4 (9) and Letter (1).
    EXPECT_EQ(dlg->SheetIndexOf(9), 1);
    EXPECT_EQ(dlg->SheetIndexOf(1), 2);
    EXPECT_EQ(dlg->SheetIndexOf(256), 1);
    EXPECT_EQ(dlg->SheetIndexOf(70), 0);
}

TEST_F(PrintDialog, PropertiesDuplexMapsToTheList)
{
    // The queue prints on the short edge unless told otherwise.
    backend.queues["Office"].defaults.sides = QStringLiteral("two-sided-short-edge");
    struct Case {
        int sidesIndex; // 0 one-sided, 1 long edge, 2 short edge
        int expected;   // -1: the list keeps its selection
    } cases[] = {{0, TvdxPrintOptions::dmSimplex}, {1, TvdxPrintOptions::dmVertical}, {2, -1}};
    for (const Case &c : cases) {
        printers = makePrinters();
        auto dlg = open();
        dlg->DuplexCB->setCurrentIndex(0);
        ui.OnShowModal = [&](QDialog &d) {
            dynamic_cast<TvdxPrinterPropertiesDialog &>(d).SidesBox()->setCurrentIndex(c.sidesIndex);
            return int(mrOk);
        };
        dlg->PropButtonClick();
        const int expected = c.expected < 0 ? 0 : c.expected;
        EXPECT_EQ(dlg->DuplexCB->currentIndex(), expected) << c.sidesIndex;
        EXPECT_EQ(int(dlg->ADuplexMode), expected) << c.sidesIndex;
    }
}

TEST_F(PrintDialog, LoopUsesTheChoicesOnceAndForgetsThem)
{
    addPages(3);
    report.PrintOptions()->SetShowDialog(true);
    ui.OnShowModal = [](QDialog &d) {
        auto &dlg = dynamic_cast<TvdxPrintDialog &>(d);
        dlg.PageNumbersRB->setChecked(true);
        dlg.PageNumbersE->setText("2");
        dlg.DuplexCB->setCurrentIndex(TvdxPrintOptions::dmHorizontal);
        return int(mrOk);
    };
    TvdxPrintLoop loop(&store(), printers.get());
    ASSERT_TRUE(loop.Print());
    EXPECT_EQ(only("page "), QStringList{"page 1"});
    EXPECT_EQ(backend.submitted.last().options.value("sides"), "two-sided-short-edge");
    EXPECT_TRUE(report.PrintOptions()->PageNumbers().isEmpty());
    EXPECT_EQ(report.PrintOptions()->Duplex(), TvdxPrintOptions::dmNone);
}

// ---- page settings ---------------------------------------------------------

struct PageSettings : PrintDialog {
    void setUnits(int units)
    {
        const QString ini = dir.filePath("settings.ini");
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("[Form5.TvdxDesignerForm]\nUnits=%1\n").arg(units).toUtf8());
        f.close();
        report.SetIniFile(ini);
    }
    std::unique_ptr<TvdxPageSettingsForm> open()
    {
        auto f = std::make_unique<TvdxPageSettingsForm>(nullptr, printers.get());
        f->SetReport(&report);
        f->SetPage(page);
        f->FormShow();
        return f;
    }
    QTemporaryDir dir;
};

TEST_F(PageSettings, UnitsFromTheDesignerPreferences)
{
    page->SetPaperSize(9);
    struct Case {
        int units;
        QString width, height, unit;
    } cases[] = {{1, "8.27", "11.69", "in"}, {2, "21", "29.70", "cm"}, {3, "21", "29.70", "cm"}, {0, "21", "29.70", "cm"}};
    for (const Case &c : cases) {
        setUnits(c.units);
        auto f = open();
        EXPECT_EQ(f->WidthE->text(), c.width) << c.units;
        EXPECT_EQ(f->HeightE->text(), c.height) << c.units;
        EXPECT_EQ(f->UnitL1->text(), c.unit) << c.units;
        EXPECT_EQ(f->SizeCB->currentText(), "iso_a4_210x297mm");
    }
}

TEST_F(PageSettings, TurningACustomPageExchangesItsSides)
{
    page->SetPaperSize(256);
    page->SetPaperWidth(100);
    page->SetPaperHeight(50);
    auto f = open();
    EXPECT_EQ(f->SizeCB->currentText(), GetResStrByName("prCustom"));
    EXPECT_EQ(f->WidthE->text(), "10");
    EXPECT_EQ(f->HeightE->text(), "5");
    f->LandscapeRB->setChecked(true);
    EXPECT_EQ(f->WidthE->text(), "5");
    EXPECT_EQ(f->HeightE->text(), "10");

    // Cancel leaves the page as it was, OK writes it.
    EXPECT_EQ(f->FormHide(mrCancel), mrCancel);
    EXPECT_DOUBLE_EQ(double(page->PaperWidth()), 100);
    EXPECT_EQ(page->Orientation(), TvdxReportPage::poPortrait);
    EXPECT_EQ(f->FormHide(mrOk), mrOk);
    EXPECT_EQ(page->Orientation(), TvdxReportPage::poLandscape);
    EXPECT_DOUBLE_EQ(double(page->PaperWidth()), 50);
    EXPECT_DOUBLE_EQ(double(page->PaperHeight()), 100);
    EXPECT_FALSE(f->NeedRebuild());
}

TEST_F(PageSettings, TypingASizeChoosesTheCustomPaper)
{
    page->SetPaperSize(9);
    auto f = open();
    ASSERT_EQ(f->SizeCB->currentText(), "iso_a4_210x297mm");
    f->WidthE->setFocus();
    f->WidthE->clear();
    typeInto(f->WidthE, "1x5");
    EXPECT_EQ(f->WidthE->text(), "15"); // the key filter drops the letter
    EXPECT_EQ(f->SizeCB->currentText(), GetResStrByName("prCustom"));
    f->ApplyToAllRB->setChecked(true);
    EXPECT_TRUE(f->NeedRebuild());
}

// Every box is checked before the page changes.
TEST_F(PageSettings, BadBoxLeavesThePageUntouched)
{
    page->SetPaperSize(256);
    page->SetPaperWidth(100);
    page->SetPaperHeight(50);
    page->SetLeftMargin(5);
    auto f = open();
    f->WidthE->setText("12");
    f->LandscapeRB->setChecked(true);
    f->MarginBottomE->setText("1.2.3");
    EXPECT_EQ(f->FormHide(mrOk), mrCancel);
    EXPECT_DOUBLE_EQ(double(page->PaperWidth()), 100);
    EXPECT_DOUBLE_EQ(double(page->LeftMargin()), 5);
    EXPECT_EQ(page->Orientation(), TvdxReportPage::poPortrait);
    ASSERT_FALSE(ui.Prompts().isEmpty());
    EXPECT_TRUE(ui.Prompts().last().text.contains("1.2.3"));

    // Empty margins count as 0, an empty size keeps the page's.
    f->MarginBottomE->clear();
    f->MarginLeftE->clear();
    f->WidthE->clear();
    f->LandscapeRB->setChecked(false);
    f->PortraitRB->setChecked(true);
    EXPECT_EQ(f->FormHide(mrOk), mrOk);
    EXPECT_DOUBLE_EQ(double(page->PaperWidth()), 100);
    EXPECT_DOUBLE_EQ(double(page->LeftMargin()), 0);
}

// The copies box shows the collated or the uncollated picture as the check
// box says, on the form's colour, and scaled copies away from 96 PPI.
TEST_F(PrintDialog, CollationPictureFollowsTheCheckBox)
{
    const QImage collated = TvdxPrintDialog::CollatePicture(true);
    const QImage uncollated = TvdxPrintDialog::CollatePicture(false);
    ASSERT_FALSE(collated.isNull());
    EXPECT_NE(collated, uncollated);
    // Two sets of three sheets against three pairs: the pairs need more room.
    EXPECT_GT(uncollated.width(), collated.width());
    // Transparent around the sheets, opaque on them.
    EXPECT_EQ(qAlpha(collated.pixel(collated.width() - 1, 0)), 0);
    EXPECT_EQ(qAlpha(collated.pixel(1, 1)), 255);

    auto dlg = open();
    auto shown = [&] { return dlg->CopiesPB->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    auto onForm = [&](const QImage &picture) {
        QImage e(dlg->CopiesPB->size(), QImage::Format_RGB32);
        e.fill(dlg->palette().color(QPalette::Window));
        QPainter p(&e);
        p.drawImage(0, 0, picture);
        return e;
    };
    dlg->CollateCB->setChecked(true);
    EXPECT_EQ(shown(), onForm(collated));
    dlg->CollateCB->click();
    EXPECT_FALSE(dlg->CollateCB->isChecked());
    EXPECT_EQ(shown(), onForm(uncollated));

    // The options' collation is what the box shows at first.
    report.PrintOptions()->SetCollate(false);
    auto loaded = open();
    EXPECT_EQ(loaded->ShownCollatePicture(), uncollated);

    dlg->UpdateFormPPI(192);
    EXPECT_EQ(dlg->ShownCollatePicture().size(), uncollated.size() * 2);
    EXPECT_EQ(dlg->CopiesPB->width(), uncollated.width() * 2);
    EXPECT_EQ(shown(), onForm(dlg->ShownCollatePicture()));
    dlg->UpdateFormPPI(96);
    EXPECT_EQ(dlg->ShownCollatePicture(), uncollated);
}

// ---- password ----------------------------------------------------------------

TEST(PasswordForm, ReturnsTheTypedTextOrCancel)
{
    HeadlessUiProvider ui;
    TvdScopedUiProvider scoped(&ui);
    TvdxPasswordForm form;
    EXPECT_EQ(form.windowTitle(), "Password");
    EXPECT_EQ(form.PasswordL->text(), "Enter the password:");
    EXPECT_EQ(form.PasswordE->echoMode(), QLineEdit::Password);

    for (bool ok : {true, false}) {
        ui.OnShowModal = [ok](QDialog &d) {
            auto &f = dynamic_cast<TvdxPasswordForm &>(d);
            typeInto(f.PasswordE, "s3cret");
            return ok ? int(mrOk) : int(mrCancel);
        };
        QString password = "old";
        EXPECT_EQ(vdxPasswordQuery(password), ok);
        EXPECT_EQ(password, ok ? "s3cret" : "old");
    }
}

// The GUI provider's password query shows the library's password window (a
// real modal loop, on the offscreen platform).
TEST(PasswordForm, GuiProviderAsksThroughTheForm)
{
    struct ShownOffscreen : QtUiProvider {
        bool Headless() const override { return false; }
    } ui;
    TvdScopedUiProvider scoped(&ui);
    TvdxReportOptions options;
    options.SetPassword("s3cret");
    for (bool ok : {true, false}) {
        QString title;
        int tries = 0;
        // Acts on the window once its modal loop runs; never leaves one open.
        std::function<void()> act = [&] {
            auto *form = qobject_cast<TvdxPasswordForm *>(QApplication::activeModalWidget());
            if (!form) {
                if (++tries < 500)
                    QTimer::singleShot(10, act);
                else if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                    d->reject();
                return;
            }
            title = form->windowTitle();
            typeInto(form->PasswordE, "s3cret");
            (ok ? form->OkB : form->CancelB)->click();
        };
        QTimer::singleShot(0, act);
        QString value = "old";
        EXPECT_EQ(vdUiProvider().PasswordQuery("Password", "Password:", value), ok);
        EXPECT_EQ(title, "Password");
        EXPECT_EQ(value, ok ? "s3cret" : "old");
    }

    // The report's password check asks the same way.
    QTimer::singleShot(0, [] {
        if (auto *form = qobject_cast<TvdxPasswordForm *>(QApplication::activeModalWidget())) {
            typeInto(form->PasswordE, "s3cret");
            form->OkB->click();
        }
    });
    EXPECT_TRUE(options.CheckPassword());

    // A headless provider shows nothing and confirms nothing.
    QtUiProvider headless;
    TvdScopedUiProvider plain(&headless);
    QString value = "old";
    EXPECT_FALSE(vdUiProvider().PasswordQuery("Password", "Password:", value));
    EXPECT_EQ(value, "old");
}

} // namespace
