// The digital-signature view: when it draws, the generated picture (logo,
// name, details), the split of name and details, the fitted font size, the
// details text and its placeholders, storing, and drawing that leaves the
// model alone.
#include "core/vdGraphic.h"
#include "core/vdxRes.h"
#include "platform/QPainterCanvas.h"
#include "report/vdFont.h"
#include "report/vdxClass.h"
#include "report/vdxDrawText.h"
#include "report/vdxDsgnIntf.h"
#include "tests/report/ViewSheet.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

namespace {

using vdtest::saveBytes;
using vdtest::whiteImage;

// A signature view on a sheet.
struct Sheet : vdtest::ViewSheet {
    TvdxDigitalSignatureView *add(double w, double h)
    {
        return ViewSheet::add<TvdxDigitalSignatureView>(10, 10, w, h, QStringLiteral("Signature1"));
    }
};

int nonWhite(const QImage &img, const QRect &r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += img.pixel(x, y) != qRgb(255, 255, 255);
    return n;
}

// Opaque pixels of the generated picture inside r.
int opaque(const QImage &img, const QRect &r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += qAlpha(img.pixel(x, y)) != 0;
    return n;
}

QImage generated(TvdxDigitalSignatureView &v)
{
    std::unique_ptr<TGraphic> g = v.GenerateCustomPicture();
    return g ? g->ToImage().convertToFormat(QImage::Format_ARGB32) : QImage();
}

} // namespace

TEST(SignaturePicture, DefaultIsA500PixelSquare)
{
    std::unique_ptr<TGraphic> g = vdxCreateDefaultSignaturePicture();
    ASSERT_TRUE(g);
    EXPECT_EQ(g->Width(), 500);
    EXPECT_EQ(g->Height(), 500);
    TvdxCustomSignatureData d;
    ASSERT_TRUE(d.LogoPicture()->Graphic()) << "the logo falls back to the default picture";
    EXPECT_EQ(d.LogoPicture()->Width(), 500);
}

TEST(SignatureView, DefaultsAndRegistration)
{
    TvdxDigitalSignatureView v;
    EXPECT_EQ(v.Kind(), TvdxDigitalSignatureView::skInvisible);
    EXPECT_FALSE(v.Customizable());
    EXPECT_EQ(v.CustomData()->GraphicType(), TvdxCustomSignatureData::gtName);
    EXPECT_TRUE(v.CustomData()->ShowLabels());
    EXPECT_FALSE(v.CustomData()->RTL());
    EXPECT_EQ(v.GetDescription(), QStringLiteral("Digital Signature"));
    vdxRegisterReportClasses();
    EXPECT_TRUE(vdFindClass(QStringLiteral("TvdxDigitalSignatureView")));
    bool onPalette = false;
    for (int i = 0; i < vdxObjectRegistry().Count(); ++i) {
        const TvdxObjectItem *item = vdxObjectRegistry().GetObjectItem(i);
        if (item->ClassRef == &TvdxDigitalSignatureView::staticMetaObject)
            onPalette = item->ButtonHint == QLatin1String("obDigitalSignature") && item->ButtonImageIndex == 83;
    }
    EXPECT_TRUE(onPalette);
}

TEST(SignatureView, InvisibleDrawsOnlyInTheDesigner)
{
    Sheet s;
    auto *v = s.add(120, 60);
    v->Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(0xF));
    QImage preview = whiteImage(150, 90);
    {
        QPainterCanvas canvas(preview);
        v->Draw(canvas, 1, 1, 0, 0);
    }
    EXPECT_EQ(nonWhite(preview, preview.rect()), 0);
    v->SetIsDesigning(true);
    QImage designer = whiteImage(150, 90);
    {
        QPainterCanvas canvas(designer);
        v->Draw(canvas, 1, 1, 0, 0);
    }
    EXPECT_GT(nonWhite(designer, designer.rect()), 0);
}

TEST(SignatureView, NotCustomizableDrawsItsOwnPicture)
{
    Sheet s;
    auto *v = s.add(40, 40);
    v->SetKind(TvdxDigitalSignatureView::skVisible);
    QByteArray png = vdtest::pngBytes(8, 8);
    QBuffer b(&png);
    b.open(QIODevice::ReadOnly);
    ASSERT_EQ(v->LoadPictureFromStream(b, true), vdS_OK);
    QImage img = whiteImage(60, 60);
    {
        QPainterCanvas canvas(img);
        v->Draw(canvas, 1, 1, 0, 0);
    }
    EXPECT_EQ(img.pixel(30, 30), qRgb(255, 0, 0));
}

TEST(SignatureView, NameAndDetailsSplitTallTopBottomWideLeftRight)
{
    const struct {
        int w, h;
        TvdxCustomSignatureData::TvdxCustomSignatureGraphicType type;
        bool details;
        TRect name, rest;
    } cases[] = {
        {100, 200, TvdxCustomSignatureData::gtName, true, TRect(0, 0, 100, 100), TRect(0, 100, 100, 200)},
        {101, 51, TvdxCustomSignatureData::gtName, true, TRect(0, 0, 50, 51), TRect(50, 0, 101, 51)},
        {80, 80, TvdxCustomSignatureData::gtImported, true, TRect(0, 0, 40, 80), TRect(40, 0, 80, 80)},
        {100, 200, TvdxCustomSignatureData::gtNo, true, TRect(0, 0, 100, 200), TRect(0, 0, 100, 200)},
        {100, 200, TvdxCustomSignatureData::gtName, false, TRect(0, 0, 100, 200), TRect(0, 0, 100, 200)},
    };
    for (const auto &c : cases) {
        TvdxDigitalSignatureView v;
        v.CustomData()->SetGraphicType(c.type);
        for (auto set : {&TvdxCustomSignatureData::SetShowName, &TvdxCustomSignatureData::SetShowLocation,
                         &TvdxCustomSignatureData::SetShowDate, &TvdxCustomSignatureData::SetShowReason,
                         &TvdxCustomSignatureData::SetShowDistinguishedName,
                         &TvdxCustomSignatureData::SetShowProgramVersion})
            (v.CustomData()->*set)(c.details);
        TRect name, rest;
        v.SplitAreas(c.w, c.h, name, rest);
        EXPECT_EQ(name, c.name) << c.w << "x" << c.h;
        EXPECT_EQ(rest, c.rest) << c.w << "x" << c.h;
    }
}

TEST(SignatureView, GeneratedPictureShowsNameAndDetailsInTheirHalves)
{
    for (const bool tall : {true, false}) {
        Sheet s;
        auto *v = s.add(tall ? 120 : 300, tall ? 240 : 80);
        v->CustomData()->SetShowLogo(false);
        v->CommonName = QStringLiteral("Jane Roe");
        const QImage img = generated(*v);
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(img.size(), tall ? QSize(120, 240) : QSize(300, 80));
        EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << "the background stays transparent";
        const QRect first = tall ? QRect(0, 0, 120, 120) : QRect(0, 0, 150, 80);
        const QRect second = tall ? QRect(0, 120, 120, 120) : QRect(150, 0, 150, 80);
        EXPECT_GT(opaque(img, first), 0) << (tall ? "top" : "left");
        EXPECT_GT(opaque(img, second), 0) << (tall ? "bottom" : "right");
    }
    // Nothing to show: no picture.
    TvdxDigitalSignatureView none;
    none.SetBounds(0, 0, 50, 50);
    none.CustomData()->SetShowLogo(false);
    none.CustomData()->SetGraphicType(TvdxCustomSignatureData::gtNo);
    for (auto set : {&TvdxCustomSignatureData::SetShowName, &TvdxCustomSignatureData::SetShowLocation,
                     &TvdxCustomSignatureData::SetShowDate, &TvdxCustomSignatureData::SetShowReason,
                     &TvdxCustomSignatureData::SetShowDistinguishedName,
                     &TvdxCustomSignatureData::SetShowProgramVersion})
        (none.CustomData()->*set)(false);
    EXPECT_FALSE(none.GenerateCustomPicture());
    // The logo alone fills the middle of a wide picture, proportionally.
    none.SetBounds(0, 0, 200, 100);
    none.CustomData()->SetShowLogo(true);
    const QImage logo = generated(none);
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(opaque(logo, QRect(0, 0, 45, 100)), 0);
    EXPECT_GT(opaque(logo, QRect(50, 0, 100, 100)), 0);
}

TEST(SignatureView, DetailsLinesPlaceholdersAndLabels)
{
    TvdxDigitalSignatureView v;
    v.CustomData()->SetShowDate(false);
    QStringList lines = v.DetailsText().split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines, (QStringList{QStringLiteral("Digitally signed by: your common name here"),
                                  QStringLiteral("DN: your distinguished name here"),
                                  QStringLiteral("Reason: your signing reason here"),
                                  QStringLiteral("Location: ") + GetResStrByName(QStringLiteral("csLocationText")),
                                  QStringLiteral("Vendari Version: 2023.2")}));
    v.CommonName = QStringLiteral("Jane Roe");
    v.Reason = QStringLiteral("approved");
    v.ProgramVersion = QStringLiteral("App ");
    v.Date = QStringLiteral("2024-01-02");
    v.CustomData()->SetShowDate(true);
    v.CustomData()->SetShowLabels(false);
    v.CustomData()->SetShowDistinguishedName(false);
    v.CustomData()->SetShowLocation(false);
    lines = v.DetailsText().split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines, (QStringList{QStringLiteral("Jane Roe"), QStringLiteral("approved"), QStringLiteral("2024-01-02"),
                                  QStringLiteral("Vendari Version: 2023.2")}));
    v.CustomData()->SetShowLabels(true);
    EXPECT_TRUE(v.DetailsText().endsWith(QStringLiteral("App Vendari Version: 2023.2")))
        << "the version line's label is the signer's text";
}

// The search grows the size by 8 while it fits, then tries 4, then 2: the
// answer is the largest fitting size of the form 1 + 2k, or 1.
TEST(SignatureView, FontSearchStepsEightFourTwo)
{
    TvdFont font;
    const QString text = QStringLiteral("Digitally signed by: Jane Roe\r\nReason: approved");
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    auto fits = [&](int size, const TRect &area) {
        TvdxDrawText &dt = vdxGlobalDrawText();
        TvdxDrawTextLocker lock(dt);
        TvdFont f;
        f.Assign(&font);
        f.SetSize(size);
        dt.SetFont(f);
        dt.SetOptions(true, false, false, false, false, true, 0);
        dt.SetGaps(0, 0, 2);
        dt.SetDimensions(1, 1, 1, area, area);
        dt.SetText(lines);
        return dt.CalcHeight() <= area.Height() && !dt.ForcedWordBreak();
    };
    for (const TRect &area : {TRect(0, 0, 400, 120), TRect(0, 0, 150, 60), TRect(0, 0, 60, 200), TRect(0, 0, 30, 8),
                              TRect(0, 0, 5, 5)}) {
        int expected = 1;
        for (int size = 3; size < 400 && fits(size, area); size += 2)
            expected = size;
        EXPECT_EQ(TvdxDigitalSignatureView::FitFontSize(text, font, area, false), expected)
            << area.Width() << "x" << area.Height();
    }
    EXPECT_EQ(TvdxDigitalSignatureView::FitFontSize(text, font, TRect(0, 0, 5, 5), false), 1);
}

TEST(SignatureView, DrawingLeavesTheModelAlone)
{
    Sheet s;
    auto *v = s.add(160, 80);
    v->SetKind(TvdxDigitalSignatureView::skVisible);
    v->SetCustomizable(true);
    v->CommonName = QStringLiteral("Jane Roe");
    QByteArray png = vdtest::pngBytes(5, 7);
    QBuffer b(&png);
    b.open(QIODevice::ReadOnly);
    ASSERT_EQ(v->LoadPictureFromStream(b, true), vdS_OK);
    v->SetAutoSize(false);
    v->SetBounds(10.4, 10, 160.3, 80.6);
    const QByteArray before = saveBytes(s.report);
    const int fontSize = v->Font()->Size();
    QImage img = whiteImage(200, 120);
    {
        QPainterCanvas canvas(img);
        v->Draw(canvas, 1, 1, 0, 0);
    }
    EXPECT_GT(nonWhite(img, QRect(10, 10, 160, 80)), 0);
    EXPECT_EQ(img.pixel(90, 50) == qRgb(255, 0, 0), false) << "the generated picture shows, not the own one";
    EXPECT_EQ(v->Font()->Size(), fontSize);
    EXPECT_EQ(v->GraphicWidth(), 5) << "the own picture is back";
    EXPECT_EQ(saveBytes(s.report), before);
}

TEST(SignatureView, SavesAndLoadsItsSettings)
{
    Sheet s;
    auto *v = s.add(100, 50);
    v->SetKind(TvdxDigitalSignatureView::skEmpty);
    v->SetCustomizable(true);
    v->SetDescription(QStringLiteral("Sign \"here\""));
    v->CustomData()->SetGraphicType(TvdxCustomSignatureData::gtImported);
    v->CustomData()->SetShowReason(false);
    v->CustomData()->SetRTL(true);
    QByteArray png = vdtest::pngBytes(3, 2);
    QBuffer b(&png);
    b.open(QIODevice::ReadOnly);
    ASSERT_TRUE(GetGraphicFormats()->LoadFromStream(*v->CustomData()->NamePicture(), b));
    const QByteArray bytes = saveBytes(s.report);
    EXPECT_TRUE(bytes.contains("Kind=\"skEmpty\"")) << bytes.constData();
    TvdxReport back;
    QByteArray copy = bytes;
    QBuffer in(&copy);
    in.open(QIODevice::ReadOnly);
    back.LoadFromStream(in);
    auto *w = qobject_cast<TvdxDigitalSignatureView *>(back.FindObject(QStringLiteral("Signature1")));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->Kind(), TvdxDigitalSignatureView::skEmpty);
    EXPECT_TRUE(w->Customizable());
    EXPECT_EQ(w->Description(), QStringLiteral("Sign \"here\""));
    EXPECT_EQ(w->CustomData()->GraphicType(), TvdxCustomSignatureData::gtImported);
    EXPECT_FALSE(w->CustomData()->ShowReason());
    EXPECT_TRUE(w->CustomData()->RTL());
    EXPECT_EQ(w->CustomData()->NamePicture()->Width(), 3);
}
