#include "export/zpl/vdxExportZPL.h"
#include "export/zpl/vdxExportZPLDialog.h"
#include "platform/UiProvider.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QBuffer>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

class ZplDialog : public ::testing::Test {
protected:
    void SetUp() override { vdxExportDialogRunner() = nullptr; }
    void TearDown() override { vdxExportDialogRunner() = nullptr; }
};

TEST_F(ZplDialog, ControlsCaptionsAndTabOrder)
{
    std::unique_ptr<TvdxBaseExportDialog> base(vdxNewExportDialog<TvdxExportZPLDialog>(nullptr));
    auto *d = static_cast<TvdxExportZPLDialog *>(base.get());
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Export to ZPL"));
    EXPECT_EQ(d->Label1->text(), QStringLiteral("Resolution (dpi)"));
    EXPECT_EQ(d->PrintAsBitmap->text(), QStringLiteral("Print as bitmap"));
    EXPECT_EQ(d->BreakLines->text(), QStringLiteral("Break lines"));
    EXPECT_EQ(d->PrintAsBitmap->parentWidget(), d->GroupQuality);
    EXPECT_EQ(d->PrintAsBitmap->pos(), QPoint(12, 25));
    EXPECT_EQ(d->BreakLines->pos(), QPoint(136, 25));
    EXPECT_EQ(d->ComboBox1->geometry(), QRect(12, 73, 145, 21));
    EXPECT_EQ(d->Label1->pos(), QPoint(13, 56));
    const QStringList items = {"d6_dpmm_152_dpi", "d8_dpmm_203_dpi", "d12_dpmm_300_dpi", "d24_dpmm_600_dpi",
                               "test1to1"};
    ASSERT_EQ(d->ComboBox1->count(), items.size());
    for (int i = 0; i < items.size(); ++i)
        EXPECT_EQ(d->ComboBox1->itemText(i), items[i]);
    EXPECT_EQ(d->ComboBox1->currentIndex(), 1);
    EXPECT_EQ(d->BreakLines->nextInFocusChain(), d->ComboBox1);
    EXPECT_EQ(d->ComboBox1->nextInFocusChain(), d->PrintAsBitmap);
}

TEST_F(ZplDialog, LoadsFromFilterAndStoresOnOk)
{
    TvdxZPLExport f(nullptr, true);
    f.SetFZplDensity(TvdxZPLExport::d12_dpmm_300_dpi);
    f.SetPrintAsBitmap(true);
    f.SetBreakLines(false);
    f.SetFontScale(2.5);
    f.SetHexText(true);
    f.SetBMillimeters(true);
    f.PrinterInit = QStringLiteral("~JA");
    vdxExportDialogRunner() = [](TvdxBaseExportDialog *base) {
        auto *d = dynamic_cast<TvdxExportZPLDialog *>(base);
        EXPECT_NE(d, nullptr);
        if (!d)
            return int(mrCancel);
        EXPECT_EQ(d->ComboBox1->currentIndex(), 2);
        EXPECT_TRUE(d->PrintAsBitmap->isChecked());
        EXPECT_FALSE(d->BreakLines->isChecked());
        d->ComboBox1->setCurrentIndex(4);
        d->PrintAsBitmap->setChecked(false);
        d->BreakLines->setChecked(true);
        d->OkB->click();
        return d->ModalResult();
    };
    EXPECT_EQ(f.ShowModal(), int(mrOk));
    EXPECT_EQ(f.ZplDensity(), TvdxZPLExport::test1to1);
    EXPECT_EQ(f.ScaleIndex(), 4);
    EXPECT_DOUBLE_EQ(TvdxZPLExport::DensityRow(f.ScaleIndex()).dpp, 1.0);
    EXPECT_FALSE(f.PrintAsBitmap());
    EXPECT_TRUE(f.BreakLines());
    // Settings without a control keep their values.
    EXPECT_DOUBLE_EQ(f.FontScale(), 2.5);
    EXPECT_TRUE(f.HexText());
    EXPECT_TRUE(f.BMillimeters());
    EXPECT_EQ(f.PrinterInit, QStringLiteral("~JA"));
}

TEST_F(ZplDialog, CancelLeavesFilterUnchanged)
{
    TvdxZPLExport f(nullptr, true);
    vdxExportDialogRunner() = [](TvdxBaseExportDialog *base) {
        auto *d = static_cast<TvdxExportZPLDialog *>(base);
        d->ComboBox1->setCurrentIndex(0);
        d->PrintAsBitmap->setChecked(false);
        d->BreakLines->setChecked(false);
        d->CancelB->click();
        return d->ModalResult();
    };
    EXPECT_EQ(f.ShowModal(), int(mrCancel));
    EXPECT_EQ(f.ZplDensity(), TvdxZPLExport::d8_dpmm_203_dpi);
    EXPECT_TRUE(f.PrintAsBitmap());
    EXPECT_TRUE(f.BreakLines());
}

TEST_F(ZplDialog, CallerStreamShowsNoDialog)
{
    TvdxZPLExport f(nullptr, true);
    QBuffer buffer;
    f.SetStream(&buffer);
    int shown = 0;
    vdxExportDialogRunner() = [&](TvdxBaseExportDialog *) {
        ++shown;
        return int(mrCancel);
    };
    EXPECT_EQ(f.ShowModal(), int(mrOk));
    EXPECT_EQ(shown, 0);
}

} // namespace
