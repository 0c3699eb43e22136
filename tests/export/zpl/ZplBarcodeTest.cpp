#include "ZplTestUtil.h"

#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxBarcodeView.h"

#include <gtest/gtest.h>

#include <QMetaEnum>

using namespace zpltest;

namespace {

// Only the properties the filter reads: type, rotation, caption, zoom, text.
std::unique_ptr<TvdxBarCodeView> linear(TvdxBarcode::TvdxBarcodeType type, const QString &text,
                                        int rotation = 0, bool showText = true, double zoom = 1)
{
    auto v = std::make_unique<TvdxBarCodeView>();
    v->SetAutoSize(false);
    v->SetBarTypeValue(type);
    v->SetText(text);
    v->SetRotation(rotation);
    v->SetShowText(showText);
    v->SetZoom(zoom);
    v->SetBounds(10, 20, 100, 30);
    return v;
}

std::unique_ptr<TvdxBarcode2DView> twoD(vdx2D::TvdxBarcode2DType type, const QString &text, double zoom = 1,
                                        int rotation = 0)
{
    auto v = std::make_unique<TvdxBarcode2DView>();
    v->SetAutoSize(false);
    v->SetBarType(type);
    v->SetText(text);
    v->SetRotation(rotation);
    // Sizing a 2D object rescales its zoom: the zoom is set last.
    v->SetBounds(10, 20, 100, 30);
    v->SetZoom(zoom);
    EXPECT_EQ(double(v->Width()), 100.0);
    EXPECT_EQ(double(v->Height()), 30.0);
    return v;
}

class ZplBarcodes : public ::testing::Test {
protected:
    void SetUp() override { setPage(page, 400, 300); }
    QByteArray run(TvdxComponent *obj, TvdxZPLExport::TZplDensity d = TvdxZPLExport::d8_dpmm_203_dpi)
    {
        TvdxZPLExport f(nullptr, true);
        vectorMode(f);
        f.SetFZplDensity(d);
        return body(f, page, {obj});
    }
    TvdxReportPage page;
};

struct LinearCase {
    TvdxBarcode::TvdxBarcodeType type;
    const char *command; // empty: no command line; "-": not supported
};

TEST_F(ZplBarcodes, OneRowPerLinearType)
{
    using B = TvdxBarcode;
    const LinearCase cases[] = {
        {B::bcCode_2_5_interleaved, "^B2,,Y,N,N"},
        {B::bcCode_2_5_industrial, "^BI,,Y,N"},
        {B::bcCode_2_5_matrix, "^BJ,,Y,N"},
        {B::bcCode_ITF_14, ""},
        {B::bcCode11, ""},
        {B::bcCode39, "^B3,N,,Y,N"},
        {B::bcCode39Extended, "^B3,Y,,Y,N"},
        {B::bcCode128, "^BC,,Y,N,N"},
        {B::bcCode128A, "^BC,,Y,N,N"},
        {B::bcCode128B, "^BC,,Y,N,N"},
        {B::bcCode128C, "^BC,,Y,N,N"},
        {B::bcCode93, "^BA,,Y,N,N"},
        {B::bcCode93Extended, "^BA,,Y,N,N"},
        {B::bcCodeMSI, "^BM,,,Y,N,N"},
        {B::bcCodePostNet, "^BZ,,Y,N,0"},
        {B::bcCodeCodabar, "^BK,N,,Y,N,,"},
        {B::bcCodeEAN8, "^B8,,Y,N"},
        {B::bcCodeEAN13, "^BE,,Y,N"},
        {B::bcCodeUPC_A, "^BU,,Y,N,Y"},
        {B::bcCodeUPC_E0, "^B9,,Y,N,Y"},
        {B::bcCodeUPC_E1, "^B9,,Y,N,Y"},
        {B::bcCodeUPC_Supp2, "-"},
        {B::bcCodeUPC_Supp5, "-"},
        {B::bcCodeEAN128, "^BC,,Y,N,N"},
        {B::bcCodeEAN128A, "^BC,,Y,N,N"},
        {B::bcCodeEAN128B, "^BC,,Y,N,N"},
        {B::bcCodeEAN128C, "^BC,,Y,N,N"},
        {B::bcCodeUSPSIntelligentMail, "^BZ,,Y,N,3"},
        {B::bcCodePlessey, ""},
        {B::bcGS1Code128, "-"},
        {B::bcPharmacode, ""},
        {B::bcDeutsche_Post_Identcode, ""},
        {B::bcDeutsche_Post_Leitcode, ""},
    };
    // Every type of the enumeration has its row.
    const QMetaEnum e = QMetaEnum::fromType<B::TvdxBarcodeType>();
    ASSERT_EQ(int(std::size(cases)), e.keyCount());
    for (const LinearCase &c : cases) {
        auto v = linear(c.type, QStringLiteral("12345670"));
        // Round(1 x 2.5) is 2 (halves to even); the height is D(30) = 63.
        QByteArray expected = "^FO21,42^BY2,,63\r\n^FWN\r\n";
        if (QByteArray(c.command) == "-")
            expected += "^AA,30,100\r\n^FDnot supported Barcode^FS\r\n";
        else if (*c.command)
            expected += QByteArray(c.command) + "\r\n^FD12345670^FS\r\n";
        else
            expected += "^FD12345670^FS\r\n";
        EXPECT_EQ(run(v.get()), expected) << e.valueToKey(c.type);
    }
}

TEST_F(ZplBarcodes, LinearCaptionRotationZoomAndDensity)
{
    using B = TvdxBarcode;
    struct Case {
        const char *name;
        int rotation;
        bool showText;
        double zoom;
        TvdxZPLExport::TZplDensity d;
        const char *expected;
    };
    const Case cases[] = {
        {"no caption", 0, false, 1, TvdxZPLExport::d8_dpmm_203_dpi,
         "^FO21,42^BY2,,63\r\n^FWN\r\n^BC,,N,N,N\r\n^FDAB-1^FS\r\n"},
        {"turned 90: height from the width", 90, true, 1, TvdxZPLExport::d8_dpmm_203_dpi,
         "^FO21,42^BY2,,211\r\n^FWR\r\n^BC,,Y,N,N\r\n^FDAB-1^FS\r\n"},
        {"turned 180", 180, true, 1, TvdxZPLExport::d8_dpmm_203_dpi,
         "^FO21,42^BY2,,63\r\n^FWI\r\n^BC,,Y,N,N\r\n^FDAB-1^FS\r\n"},
        {"turned 270", 270, true, 1, TvdxZPLExport::d8_dpmm_203_dpi,
         "^FO21,42^BY2,,211\r\n^FWB\r\n^BC,,Y,N,N\r\n^FDAB-1^FS\r\n"},
        {"turned 450", 450, true, 1, TvdxZPLExport::d8_dpmm_203_dpi,
         "^FO21,42^BY2,,63\r\n^FWN\r\n^BC,,Y,N,N\r\n^FDAB-1^FS\r\n"},
        {"turned -90", -90, true, 1, TvdxZPLExport::d8_dpmm_203_dpi,
         "^FO21,42^BY2,,63\r\n^FWN\r\n^BC,,Y,N,N\r\n^FDAB-1^FS\r\n"},
        {"zoom 2", 0, true, 2, TvdxZPLExport::d8_dpmm_203_dpi,
         "^FO21,42^BY5,,63\r\n^FWN\r\n^BC,,Y,N,N\r\n^FDAB-1^FS\r\n"},
        {"d12", 0, true, 1, TvdxZPLExport::d12_dpmm_300_dpi,
         "^FO32,63^BY4,,95\r\n^FWN\r\n^BC,,Y,N,N\r\n^FDAB-1^FS\r\n"},
        {"test1to1", 0, true, 1.5, TvdxZPLExport::test1to1,
         "^FO10,20^BY2,,30\r\n^FWN\r\n^BC,,Y,N,N\r\n^FDAB-1^FS\r\n"},
    };
    for (const Case &c : cases) {
        auto v = linear(B::bcCode128, QStringLiteral("AB-1"), c.rotation, c.showText, c.zoom);
        EXPECT_EQ(run(v.get(), c.d), QByteArray(c.expected)) << c.name;
    }
}

TEST_F(ZplBarcodes, LinearDataCannotInjectCommands)
{
    auto v = linear(TvdxBarcode::bcCode128, QStringLiteral("1^XZ~JA_2"));
    EXPECT_TRUE(run(v.get()).endsWith("^BC,,Y,N,N\r\n^FH^FD1_5EXZ_7EJA_5F2^FS\r\n"));
}

struct TwoDCase {
    vdx2D::TvdxBarcode2DType type;
    TvdxZPLExport::TZplDensity d;
    double zoom;
    const char *expected;
};

TEST_F(ZplBarcodes, OneRowPerTwoDType)
{
    using namespace vdx2D;
    using Z = TvdxZPLExport;
    const TwoDCase cases[] = {
        {bcCodePDF417, Z::d8_dpmm_203_dpi, 1, "^FO21,42^BY16,,63\r\n^FWN\r\n^B7,,,,,\r\n^FDHELLO^FS\r\n"},
        {bcCodePDF417, Z::d6_dpmm_152_dpi, 1, "^FO16,32^BY14,,47\r\n^FWN\r\n^B7,,,,,\r\n^FDHELLO^FS\r\n"},
        {bcCodeDataMatrix, Z::d8_dpmm_203_dpi, 1, "^FO21,42^BY8,,63\r\n^FWN\r\n^BX,,,,,,\r\n^FDHELLO^FS\r\n"},
        {bcCodeQR, Z::d8_dpmm_203_dpi, 1,
         "^FO21,42^BY8,,63\r\n^FWN\r\n^BY2,2,0\r\n^BQ,2,8\r\n^FDMA,HELLO^FS\r\n"},
        {bcCodeQR, Z::d12_dpmm_300_dpi, 2,
         "^FO32,63^BY20,,95\r\n^FWN\r\n^BY2,2,0\r\n^BQ,2,20\r\n^FDMA,HELLO^FS\r\n"},
        {bcCodeAztec, Z::d8_dpmm_203_dpi, 2, "^FO21,42^BY16,,63\r\n^FWN\r\n^BO,8,,,,,\r\n^FDHELLO^FS\r\n"},
        {bcCodeMaxiCode, Z::d8_dpmm_203_dpi, 1, "^FO21,42^BY8,,63\r\n^FWN\r\n^BD4,,\r\n^FDHELLO^FS\r\n"},
        {bcGS1DatabarE, Z::d8_dpmm_203_dpi, 1,
         "^FO21,42^BY8,,63\r\n^FWN\r\n^AA,30,100\r\n^FDnot supported Barcode^FS\r\n"},
        {bcGS1DatabarES, Z::d8_dpmm_203_dpi, 1,
         "^FO21,42^BY8,,63\r\n^FWN\r\n^AA,30,100\r\n^FDnot supported Barcode^FS\r\n"},
        {bcPharmacodeTT, Z::d8_dpmm_203_dpi, 1, "^FO21,42^BY8,,63\r\n^FWN\r\n^FDHELLO^FS\r\n"},
    };
    const QMetaEnum e = QMetaEnum::fromType<TvdxBarcode2DType>();
    for (const TwoDCase &c : cases) {
        auto v = twoD(c.type, QStringLiteral("HELLO"), c.zoom);
        EXPECT_EQ(run(v.get(), c.d), QByteArray(c.expected)) << e.valueToKey(c.type) << " d" << int(c.d);
    }
}

TEST_F(ZplBarcodes, TurnedQrTakesItsHeightFromTheWidth)
{
    auto v = twoD(vdx2D::bcCodeQR, QStringLiteral("x"), 1, 270);
    EXPECT_EQ(run(v.get()), QByteArray("^FO21,42^BY8,,211\r\n^FWB\r\n^BY2,2,0\r\n^BQ,2,8\r\n^FDMA,x^FS\r\n"));
}

TEST_F(ZplBarcodes, MaxiCodeModeFromSettings)
{
    // The mode is read by name from whatever settings object the type has.
    auto v = twoD(vdx2D::bcCodeMaxiCode, QStringLiteral("x"));
    for (const auto &[mode, line] : {std::pair{2, "^BD2,,"}, {6, "^BD6,,"}, {7, "^BD4,,"}, {1, "^BD4,,"}}) {
        if (!v->BarProperties())
            GTEST_SKIP() << "MaxiCode has no settings object here";
        v->BarProperties()->setProperty("Mode", mode);
        EXPECT_TRUE(run(v.get()).contains(QByteArray(line) + "\r\n")) << mode;
    }
}

} // namespace
