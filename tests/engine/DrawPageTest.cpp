// Drawing prepared pages on a picture and through a recorded metafile.
#include "StoreFixture.h"

#include "platform/EmfPlayer.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/QPainterCanvas.h"

#include <QImage>

namespace {

struct DrawPage : StoreFixture {
    DrawPage()
    {
        page->SetPaperSize(256);
        page->SetPaperWidth(100);
        page->SetPaperHeight(60);
        page->SetLeftMargin(0);
        page->SetTopMargin(0);
        page->SetRightMargin(0);
        page->SetBottomMargin(0);
        band->SetBounds(0, 0, 300, 40);
        memo1->SetBounds(0, 0, 40, 40);
        memo1->SetColor(0x0000FF); // red
        memo2->SetBounds(100, 0, 60, 20);
        memo2->SetText(QStringLiteral("abc"));
    }
    static QImage blank(int w, int h)
    {
        QImage img(w, h, QImage::Format_ARGB32);
        img.fill(Qt::white);
        return img;
    }
    static bool red(const QImage &img, int x, int y) { return img.pixel(x, y) == qRgb(255, 0, 0); }
};

TEST_F(DrawPage, MirrorMarginsExchangeOnOddPages)
{
    page->SetLeftMargin(30);
    page->SetMirrorMargins(true);
    addPages(2);
    const int at30mm = int(30 * 3.77953) + 5;
    for (int index : {0, 1}) {
        QImage img = blank(400, 240);
        {
            QPainterCanvas canvas(img);
            store().DrawPage(index, canvas, 1, 1, 0, 0);
        }
        // Page 1 has the 30 mm margin on the left, page 2 on the right.
        EXPECT_EQ(red(img, at30mm, 30), index == 0) << index;
        EXPECT_EQ(red(img, 5, 30), index == 1) << index;
        TvdxReportPage *built = store().GetPage(index);
        EXPECT_DOUBLE_EQ(double(built->LeftMargin()), 30) << index;
        EXPECT_DOUBLE_EQ(double(built->RightMargin()), 0) << index;
    }
}

TEST_F(DrawPage, ClipToThePaperAndOffsets)
{
    addPages(1);
    QImage img = blank(600, 400);
    {
        QPainterCanvas canvas(img);
        store().DrawPage(0, canvas, 2, 2, 50, 20);
        EXPECT_FALSE(canvas.HasClip()); // the canvas's clip comes back
    }
    // The memo's 40 pixels from (0, 20) at twice the size, moved by (50, 20).
    EXPECT_TRUE(red(img, 55, 65));
    EXPECT_TRUE(red(img, 50 + 78, 20 + 40 + 78));
    EXPECT_FALSE(red(img, 50 + 82, 65));
    EXPECT_FALSE(red(img, 45, 65));
}

TEST_F(DrawPage, UnclippedMemoDrawnWhenOnlyItsGrownPartShows)
{
    memo2->SetBounds(0, 0, 200, 20);
    memo2->SetText(QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12"));
    for (bool clipped : {true, false}) {
        memo2->SetClipped(clipped);
        store().Clear();
        addPages(1);
        TvdxReportPage *built = store().GetPage(0);
        TvdxMemoView *grown = nullptr;
        for (TvdxComponent *c : built->AllObjects())
            if (auto *m = qobject_cast<TvdxMemoView *>(c); m && m->Text().contains(QStringLiteral("11")))
                grown = m;
        ASSERT_NE(grown, nullptr);
        ASSERT_GT(grown->CalcHeight(), 120.0);
        QImage img = blank(400, 240);
        QPainterCanvas canvas(img);
        // Only rows well below the memo's own height show.
        canvas.IntersectClipRect(TRect(0, 80, 400, 240));
        store().DrawPage(0, canvas, 1, 1, 0, 0);
        // A drawn view keeps the size it was drawn at.
        EXPECT_EQ(grown->FDX() > 0, !clipped) << clipped;
    }
}

TEST_F(DrawPage, MetafileRecordingPlaysLikeDirectDrawing)
{
    memo2->SetText(QStringLiteral("Vendari 123"));
    memo2->SetBounds(60, 5, 200, 30);
    memo2->SetColor(0xFFFF00);
    addPages(1);
    const int w = 378, h = 227;
    QImage direct = blank(w, h);
    {
        QPainterCanvas canvas(direct);
        store().DrawPage(0, canvas, 1, 1, 0, 0);
    }
    QByteArray emf;
    {
        EmfRecorderCanvas recorder(w, h, 96);
        store().DrawPage(0, recorder, 1, 1, 0, 0);
        emf = recorder.finish();
    }
    ASSERT_FALSE(emf.isEmpty());
    QImage played = blank(w, h);
    {
        QPainterCanvas canvas(played);
        EmfPlayer::Play(canvas, emf, TRect(0, 0, w, h));
    }
    int differ = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb a = direct.pixel(x, y), b = played.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 64 || std::abs(qGreen(a) - qGreen(b)) > 64 ||
                std::abs(qBlue(a) - qBlue(b)) > 64)
                ++differ;
        }
    EXPECT_LT(differ, w * h / 100) << differ << " pixels differ";
    const QRgb inMemo = played.pixel(10, 30);
    EXPECT_TRUE(qRed(inMemo) > 200 && qGreen(inMemo) < 60 && qBlue(inMemo) < 60) << std::hex << inMemo;
}

TEST_F(DrawPage, MissingPageDrawsNothing)
{
    addPages(1);
    QImage img = blank(50, 50);
    QPainterCanvas canvas(img);
    store().DrawPage(5, canvas, 1, 1, 0, 0);
    store().DrawPage(-1, canvas, 1, 1, 0, 0);
    EXPECT_EQ(store().CachedGraphicState(), cgOriginal);
}

} // namespace
