// The small settings dialog that stands in for a driver's properties dialog.
#include "preview/vdxPrinterPropertiesDlg.h"
#include "platform/UiProvider.h"
#include <QComboBox>
#include <gtest/gtest.h>

TEST(PrinterPropertiesDialog, OffersTheBinsAndSides)
{
    const TvdxNamedNumbers bins = {{"Default", 7}, {"Tray 1", 257}, {"Tray 2", 258}};
    TvdxPrinterPropertiesDialog dlg("Office", bins, 258, 3);
    EXPECT_EQ(dlg.BinBox()->count(), 3);
    EXPECT_EQ(dlg.BinBox()->currentText(), "Tray 2");
    EXPECT_EQ(dlg.Bin(), 258);
    EXPECT_EQ(dlg.Duplex(), 3);
    dlg.BinBox()->setCurrentIndex(1);
    dlg.SidesBox()->setCurrentIndex(1);
    EXPECT_EQ(dlg.Bin(), 257);
    EXPECT_EQ(dlg.Duplex(), 2);

    // Values the printer does not offer fall back to the first entries.
    TvdxPrinterPropertiesDialog other("Office", bins, 999, 0);
    EXPECT_EQ(other.Bin(), 7);
    EXPECT_EQ(other.Duplex(), 1);
}

TEST(PrinterPropertiesDialog, AsksThroughTheUiProvider)
{
    HeadlessUiProvider ui;
    TvdScopedUiProvider scope(&ui);
    const TvdxNamedNumbers bins = {{"Default", 7}, {"Tray 1", 257}};
    struct Case {
        const char *name;
        bool confirm;
        bool result;
        int bin, duplex;
    };
    const Case cases[] = {{"cancelled", false, false, 7, 1}, {"confirmed", true, true, 257, 3}};
    for (const Case &c : cases) {
        ui.OnShowModal = [&](QDialog &d) {
            auto &dlg = dynamic_cast<TvdxPrinterPropertiesDialog &>(d);
            dlg.BinBox()->setCurrentIndex(1);
            dlg.SidesBox()->setCurrentIndex(2);
            return c.confirm ? int(mrOk) : int(mrCancel);
        };
        int bin = 7, duplex = 1;
        EXPECT_EQ(vdxPrinterPropertiesDialog("Office", bins, bin, duplex), c.result) << c.name;
        EXPECT_EQ(bin, c.bin) << c.name;
        EXPECT_EQ(duplex, c.duplex) << c.name;
    }
    ASSERT_EQ(ui.Prompts().size(), 2);
    EXPECT_EQ(ui.Prompts()[0].caption, "Office");
}
