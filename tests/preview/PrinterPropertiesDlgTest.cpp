// The small settings dialog that stands in for a driver's properties dialog.
#include "preview/vdxPrinterPropertiesDlg.h"
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

TEST(PrinterPropertiesDialog, ShowsNothingHeadless)
{
    int bin = 7, duplex = 1;
    EXPECT_FALSE(vdxPrinterPropertiesDialog("Office", {{"Default", 7}}, bin, duplex));
    EXPECT_EQ(bin, 7);
    EXPECT_EQ(duplex, 1);
}
