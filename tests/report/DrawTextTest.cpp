#include "platform/QPainterCanvas.h"
#include "report/vdxDrawText.h"
#include "report/vdxTextMeasure.h"
#include "report/vdxVectorCanvas.h"
#include <gtest/gtest.h>
#include <cmath>

namespace {

int Round(double v) { return int(std::nearbyint(v)); }

// Layout with fixed advances: a 10 pt font is 83 layout pixels high and every
// character advances 60 layout pixels; a box of 100 report pixels is 625
// layout pixels wide.
class FixedLayout : public ::testing::Test {
protected:
    static constexpr int kEm = 83;
    TvdxFixedAdvanceMeasure measure{60, kEm};
    TvdxDrawText dt;
    TvdxDrawTextLocker lock{dt};

    void SetUp() override
    {
        dt.SetMeasure(&measure);
        dt.SetFont(QStringLiteral("Arial"), 10, 0, clBlack);
    }

    void layout(const QString &text, int width, bool wordBreak = false, bool tags = false, int height = 1000,
                double lineSpacing = 0)
    {
        dt.SetOptions(true, tags, false, wordBreak, false, true, 0);
        dt.SetGaps(0, 0, lineSpacing);
        dt.SetDimensions(1, 1, 1, TRect(0, 0, width, height), TRect(0, 0, width, height));
        dt.SetText(text.split(u'\n'));
    }
};

TEST_F(FixedLayout, BreaksAtTheLastBlankAndDropsIt)
{
    layout(QStringLiteral("aaaa bbbb cccc dddd"), 100);
    EXPECT_EQ(dt.Lines(), (QStringList{QStringLiteral("aaaa bbbb"), QStringLiteral("cccc dddd")}));
    EXPECT_EQ(dt.LineFlags(), (QList<int>{vdlfFirst, vdlfLast}));
    EXPECT_FALSE(dt.ForcedWordBreak());
}

TEST_F(FixedLayout, JustBelowTheWidthStaysOneLine)
{
    layout(QStringLiteral("aaaaaaaaaa"), 100); // 600 < 625
    EXPECT_EQ(dt.Lines(), QStringList{QStringLiteral("aaaaaaaaaa")});
    EXPECT_EQ(dt.LineFlags(), QList<int>{vdlfFirst | vdlfLast});
}

TEST_F(FixedLayout, LongWordIsCutAndMarked)
{
    layout(QStringLiteral("abcdefghijkl"), 50); // 312 layout pixels: 5 characters
    EXPECT_EQ(dt.Lines(), (QStringList{QStringLiteral("abcde"), QStringLiteral("fghij"), QStringLiteral("kl")}));
    EXPECT_TRUE(dt.ForcedWordBreak());
}

TEST_F(FixedLayout, CharacterWiderThanTheBoxStandsAlone)
{
    layout(QStringLiteral("ab"), 5);
    EXPECT_EQ(dt.Lines(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
}

TEST_F(FixedLayout, CyrillicWordBreaksAfterASyllable)
{
    layout(QStringLiteral(u"МОЛОКО"), 50, true);
    EXPECT_EQ(dt.Lines(), (QStringList{QStringLiteral(u"МОЛО-"), QStringLiteral(u"КО")}));
    EXPECT_FALSE(dt.ForcedWordBreak());
    // After a blank the word's first syllables stay on the line.
    layout(QStringLiteral(u"а МОЛОКО"), 50, true);
    EXPECT_EQ(dt.Lines(), (QStringList{QStringLiteral(u"а МО-"), QStringLiteral(u"ЛОКО")}));
    // No usable break: cut between characters without hyphen.
    layout(QStringLiteral(u"ММММММММ"), 50, true);
    EXPECT_EQ(dt.Lines(), (QStringList{QStringLiteral(u"МММММ"), QStringLiteral(u"МММ")}));
}

TEST(SyllableBreaksTest, CyrillicRules)
{
    EXPECT_EQ(SyllableBreaks(QStringLiteral(u"МОЛОКО")), (std::vector<int>{2, 4}));
    EXPECT_EQ(SyllableBreaks(QStringLiteral(u"КОТ")), std::vector<int>{});
    EXPECT_EQ(SyllableBreaks(QStringLiteral(u"ВОЙНА")), (std::vector<int>{3}));
    EXPECT_EQ(SyllableBreaks(QStringLiteral("HELLO")), std::vector<int>{});
}

TEST_F(FixedLayout, NoWrapBlanksDoNotBreak)
{
    layout(QStringLiteral("aaa bbb ccc"), 50, false, true);
    EXPECT_EQ(dt.Lines().first(), QStringLiteral("aaa"));
    layout(QStringLiteral("<nowrap>aaa bbb</nowrap> ccc"), 50, false, true);
    EXPECT_EQ(dt.Lines().first(), QStringLiteral("aaa b"));
    EXPECT_TRUE(dt.ForcedWordBreak());
}

TEST_F(FixedLayout, WrapOffKeepsParagraphs)
{
    dt.SetOptions(false, false, false, false, false, true, 0);
    dt.SetDimensions(1, 1, 1, TRect(0, 0, 10, 100), TRect(0, 0, 10, 100));
    dt.SetText({QStringLiteral("aaaa bbbb"), QString()});
    EXPECT_EQ(dt.Lines(), (QStringList{QStringLiteral("aaaa bbbb"), QStringLiteral(" ")}));
    EXPECT_EQ(dt.GetInBoundsText(), QStringLiteral("aaaa bbbb\r\n \r\n"));
}

TEST_F(FixedLayout, CalcHeightFollowsLineSpacing)
{
    const double fh = kEm / 6.25;
    layout(QStringLiteral("a\nb\nc"), 100, false, false, 1000, 2);
    EXPECT_DOUBLE_EQ(dt.CalcHeight(), 3 * (fh + 2));
    layout(QStringLiteral("a\nb\nc"), 100, false, false, 1000, -2);
    EXPECT_DOUBLE_EQ(dt.CalcHeight(), 3 * (fh - 2) + 2);
    dt.SetText({});
    EXPECT_EQ(dt.CalcHeight(), 0);
    EXPECT_EQ(dt.CalcWidth(), 0);
}

TEST_F(FixedLayout, CalcWidthIsTheWidestLine)
{
    layout(QStringLiteral("aaaa bbbb cccc\nxx"), 100);
    EXPECT_DOUBLE_EQ(dt.CalcWidth(), 9 * 60 / 6.25);
}

TEST_F(FixedLayout, OutOfBoundsTextStartsAtTheFirstCutLine)
{
    // Lines of 13.28 report pixels: a box 45 high holds 3.
    layout(QStringLiteral("aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj"), 100, false, false, 45);
    ASSERT_EQ(dt.Lines().size(), 5);
    bool paraBreak = false;
    EXPECT_EQ(dt.GetOutBoundsText(paraBreak), QStringLiteral("gggg hhhh iiii jjjj\r\n"));
    EXPECT_TRUE(paraBreak);
    EXPECT_EQ(dt.Lines().size(), 3);
    EXPECT_EQ(dt.GetInBoundsText().toStdString(), "aaaa bbbb cccc dddd eeee ffff ");
}

TEST_F(FixedLayout, OutOfBoundsTextKeepsTheFormattingOfItsFirstCharacter)
{
    layout(QStringLiteral("aaaa bbbb <b><i><font color=#102030>cccc dddd</font></i></b>"), 100, false, true, 15);
    bool paraBreak = false;
    EXPECT_EQ(dt.GetOutBoundsText(paraBreak),
              QStringLiteral("<font color=\"#102030\"><i><b>cccc dddd</font></i></b>\r\n"));
    EXPECT_TRUE(paraBreak);
}

TEST_F(FixedLayout, OutOfBoundsAtAParagraphEnd)
{
    layout(QStringLiteral("aaaa\nbbbb"), 100, false, false, 15);
    bool paraBreak = true;
    EXPECT_EQ(dt.GetOutBoundsText(paraBreak), QStringLiteral("bbbb\r\n"));
    EXPECT_FALSE(paraBreak);
    // Everything fits: nothing is cut.
    layout(QStringLiteral("aaaa\nbbbb"), 100, false, false, 100);
    EXPECT_EQ(dt.GetOutBoundsText(paraBreak), QString());
    EXPECT_EQ(dt.Lines().size(), 2);
}

TEST_F(FixedLayout, UnusedSpace)
{
    layout(QStringLiteral("a"), 100, false, false, 44);
    EXPECT_NEAR(dt.UnusedSpace(), 45 - 3 * 13.28, 1e-9);
    layout(QStringLiteral("a"), 100, false, false, 5);
    EXPECT_EQ(dt.UnusedSpace(), 0);
}

// Draws with a recorder attached; answers the recorded runs.
struct Drawn {
    QImage image{200, 200, QImage::Format_RGB32};
    TVectorCanvas vc;
};

void drawInto(TvdxDrawText &dt, Drawn &d, TvdxHAlign h, TvdxVAlign v = vaTop)
{
    d.image.fill(Qt::white);
    QPainterCanvas c(d.image);
    dt.SetVC(&d.vc);
    dt.DrawText(c, h, v);
    dt.SetVC(nullptr);
}

TEST_F(FixedLayout, BlockAlignmentJustifiesAllButTheLastLine)
{
    layout(QStringLiteral("aaaa bbbb cccc dddd ee"), 100);
    ASSERT_EQ(dt.Lines().size(), 3);
    Drawn d;
    drawInto(dt, d, haBlock);
    ASSERT_EQ(d.vc.Count(), 3);
    EXPECT_EQ(d.vc.Items(0)->TextLength(), 100);
    EXPECT_EQ(d.vc.Items(1)->TextLength(), 100);
    EXPECT_EQ(d.vc.Items(2)->TextLength(), Round(2 * 60 / 6.25));
    // The blank takes the whole difference.
    EXPECT_EQ(d.vc.Items(0)->Dx()[4], 100 - 8 * 9); // device advance 9 = Round(60 * 13 / 83)
}

TEST_F(FixedLayout, AlignmentsMoveTheOrigin)
{
    layout(QStringLiteral("aaaa"), 100); // 240 layout pixels -> 38 (38.4) device pixels
    struct Case {
        TvdxHAlign align;
        int x;
    } cases[] = {{haLeft, 0}, {haCenter, 31}, {haRight, 100 - 38 + 1 - 1}};
    for (const Case &c : cases) {
        layout(QStringLiteral("aaaa"), 100);
        Drawn d;
        drawInto(dt, d, c.align);
        ASSERT_EQ(d.vc.Count(), 1);
        EXPECT_EQ(d.vc.Items(0)->X(), c.x) << c.align;
        EXPECT_EQ(d.vc.Items(0)->TextLength(), 38);
    }
}

TEST_F(FixedLayout, VerticalAlignment)
{
    layout(QStringLiteral("a"), 100, false, false, 100);
    Drawn d;
    drawInto(dt, d, haLeft, vaBottom);
    ASSERT_EQ(d.vc.Count(), 1);
    EXPECT_EQ(d.vc.Items(0)->Y(), 100 - Round(kEm / 6.25));
}

TEST_F(FixedLayout, TagRunsAreDrawnSeparately)
{
    layout(QStringLiteral("ab<b>cd</b>e"), 100, false, true);
    Drawn d;
    drawInto(dt, d, haLeft);
    ASSERT_EQ(d.vc.Count(), 3);
    EXPECT_EQ(d.vc.Items(0)->Str(), QStringLiteral("ab"));
    EXPECT_EQ(d.vc.Items(1)->Str(), QStringLiteral("cd"));
    EXPECT_EQ(d.vc.Items(2)->Str(), QStringLiteral("e"));
    EXPECT_EQ(d.vc.Items(1)->X(), d.vc.Items(0)->TextLength());
}

TEST_F(FixedLayout, NotWysiwygRecordsNothing)
{
    layout(QStringLiteral("abc"), 100);
    dt.SetOptions(true, false, false, false, false, false, 0);
    Drawn d;
    drawInto(dt, d, haLeft);
    EXPECT_EQ(d.vc.Count(), 0);
}

TEST_F(FixedLayout, RotationNinetyUsesTheBoxHeightAndStartsBottomLeft)
{
    dt.SetOptions(true, false, false, false, false, true, 90);
    dt.SetGaps(0, 0, 0);
    dt.SetDimensions(1, 1, 1, TRect(0, 0, 30, 100), TRect(0, 0, 30, 100));
    dt.SetText({QStringLiteral("aaaa bbbb cccc")});
    EXPECT_EQ(dt.Lines(), (QStringList{QStringLiteral("aaaa bbbb"), QStringLiteral("cccc")}));
    Drawn d;
    drawInto(dt, d, haLeft);
    ASSERT_EQ(d.vc.Count(), 2);
    EXPECT_EQ(d.vc.Items(0)->X(), 0);
    EXPECT_EQ(d.vc.Items(0)->Y(), 100);
    EXPECT_EQ(d.vc.Items(1)->X(), 14); // a line pitch of 13, plus the 600 ppi block height's extra pixel
    EXPECT_EQ(d.vc.Items(1)->Y(), 100);
}

TEST_F(FixedLayout, NegativeRotationLaysOutAsItsReducedAngle)
{
    dt.SetOptions(true, false, false, false, false, true, -90);
    dt.SetDimensions(1, 1, 1, TRect(0, 0, 30, 100), TRect(0, 0, 30, 100));
    dt.SetText({QStringLiteral("aaaa bbbb cccc")});
    EXPECT_EQ(dt.Lines().size(), 2); // 270: wraps to the height
}

TEST_F(FixedLayout, RulesTheWholeBoxWithoutText)
{
    dt.SetOptions(true, false, false, false, false, true, 0);
    dt.SetDimensions(1, 1, 1, TRect(0, 0, 50, 50), TRect(0, 0, 50, 50));
    dt.SetText({});
    QImage img(60, 60, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainterCanvas c(img);
    dt.DrawText(c, haLeft, vaTop, ulmUnderlinesAll);
    int ruled = 0;
    for (int y = 0; y < 60; ++y)
        if (img.pixel(20, y) != qRgb(255, 255, 255))
            ++ruled;
    EXPECT_EQ(ruled, 3); // every 13 pixels from the top, strictly above the bottom
}

TEST(SpreadPixelsTest, StepsSpreadFromTheMiddle)
{
    struct Case {
        int n, count;
        std::vector<int> expected;
    } cases[] = {
        {1, 1, {1}},          {2, 1, {1, 0}},          {4, 1, {0, 1, 0, 0}},
        {4, 2, {1, 0, 1, 0}}, {5, 3, {1, 0, 1, 1, 0}}, {4, 4, {1, 1, 1, 1}},
    };
    for (const Case &c : cases) {
        std::vector<int> arr(size_t(c.n), 0);
        SpreadPixels(arr.data(), 0, c.n - 1, 1, c.count);
        EXPECT_EQ(arr, c.expected) << c.n << " " << c.count;
    }
}

TEST(VectorCanvasTest, RecordsAndDescribesRuns)
{
    TVectorCanvas vc;
    const int dx[] = {5, 6, 7};
    vc.ExtTextOutW(10, 20, ETO_CLIPPED, TRect(1, 2, 3, 4), QStringLiteral("abc"), dx);
    vc.ExtTextOutW(0, 0, 0, TRect(), QStringLiteral("z"), nullptr);
    vc.ExtTextOutA(0, 0, 0, TRect(), QByteArray("\xE9", 1), nullptr);
    ASSERT_EQ(vc.Count(), 3);
    EXPECT_EQ(vc.Items(0)->AsString(),
              QStringLiteral("ExtTextOutW\r\n  X, Y, Options: 10, 20, 4\r\n  Rect: 1 2 3 4\r\n  Text: abc\r\n"
                             "  Dx: 5 6 7"));
    EXPECT_EQ(vc.Items(0)->TextLength(), 18);
    EXPECT_EQ(vc.Items(1)->TextLength(), 0);
    EXPECT_TRUE(vc.Items(1)->AsString().endsWith(QStringLiteral("\r\n  Dx:")));
    EXPECT_EQ(vc.Items(2)->Str(), QStringLiteral(u"é"));
    EXPECT_TRUE(IsVectorTextRecord(vc.Items(2)));
}

// Real fonts: the printer at 600 dpi lays out the screen's lines, and the
// runs it gets are the screen's scaled.
TEST(DrawTextFontsTest, PrinterBreaksAsTheScreen)
{
    TvdxDrawText dt;
    TvdxDrawTextLocker lock(dt);
    const QStringList text{QStringLiteral("The quick brown fox jumps over the lazy dog, twice over."),
                           QStringLiteral("Pack my box with five dozen liquor jugs.")};
    auto run = [&](Canvas &c, double scale, TVectorCanvas &vc) {
        dt.SetFont(QStringLiteral("Arial"), 10, 0, clBlack);
        dt.SetOptions(true, false, false, false, false, true, 0);
        dt.SetGaps(0, 0, 0);
        const TRect box(0, 0, 150, 200);
        dt.SetDimensions(1, 1, scale, box,
                         TRect(0, 0, Round(150 * c.LogPixelsX() / 96.0), Round(200 * c.LogPixelsY() / 96.0)));
        dt.SetText(text);
        dt.SetVC(&vc);
        dt.DrawText(c, haLeft, vaTop);
        dt.SetVC(nullptr);
        return dt.Lines();
    };
    QImage screenImg(200, 300, QImage::Format_RGB32);
    QImage printImg(1300, 1900, QImage::Format_RGB32);
    QPainterCanvas screen(screenImg);
    QPainter p(&printImg);
    QPainterCanvas printer(p, CanvasKind::Printer, 600, 600);
    TVectorCanvas vs, vp;
    const QStringList a = run(screen, 1, vs);
    const QStringList b = run(printer, 1, vp);
    EXPECT_EQ(a, b);
    EXPECT_GE(a.size(), 3);
    ASSERT_EQ(vs.Count(), vp.Count());
    for (int i = 0; i < vs.Count(); ++i) {
        EXPECT_EQ(vs.Items(i)->Str(), vp.Items(i)->Str());
        EXPECT_NEAR(vp.Items(i)->TextLength() / 6.25, vs.Items(i)->TextLength(), 1.0);
    }
}

} // namespace

namespace {

TEST_F(FixedLayout, TextCutInsideAWordContinuesAfterTheCut)
{
    layout(QStringLiteral("abcdefghijkl"), 50, false, false, 15);
    bool paraBreak = false;
    EXPECT_EQ(dt.GetOutBoundsText(paraBreak).toStdString(), "fghijkl\r\n");
    EXPECT_EQ(dt.GetInBoundsText().toStdString(), "abcde");
    EXPECT_TRUE(paraBreak);
}

TEST_F(FixedLayout, HyphenatedCutKeepsItsHyphen)
{
    layout(QStringLiteral(u"МОЛОКО"), 50, true, false, 15);
    bool paraBreak = false;
    EXPECT_EQ(dt.GetOutBoundsText(paraBreak), QStringLiteral(u"КО\r\n"));
    EXPECT_EQ(dt.GetInBoundsText(), QStringLiteral(u"МОЛО-"));
}

} // namespace

namespace {

// Paragraphs longer than the 32,768 advances reserved at start.
TEST_F(FixedLayout, HugeParagraphsWrapAndDraw)
{
    const QString word(40000, u'a');
    layout(word, 100); // 10 characters a line
    ASSERT_EQ(dt.Lines().size(), 4000);
    EXPECT_TRUE(dt.ForcedWordBreak());
    EXPECT_EQ(dt.Lines().last(), QString(10, u'a'));

    QString words;
    for (int i = 0; i < 12000; ++i)
        words += QStringLiteral("<b>ab</b> c ");
    layout(words, 100, false, true);
    EXPECT_GT(dt.Lines().size(), 5000);
    EXPECT_EQ(dt.WrappedText().count(u'a'), 12000) << "every character kept once";
    EXPECT_EQ(dt.HTMLTags().Count(), dt.Lines().size());

    // One unwrapped line of 70,000 characters is drawn in one run.
    dt.SetOptions(false, false, false, false, true, true, 0);
    dt.SetText({QString(70000, u'x')});
    Drawn d;
    drawInto(dt, d, haLeft);
    ASSERT_EQ(d.vc.Count(), 1);
    EXPECT_EQ(d.vc.Items(0)->Dx().size(), 70000);
    EXPECT_EQ(d.vc.Items(0)->TextLength(), Round(70000 * 60 / 6.25));
}

// A text in a font of another charset is measured by UTF-16 units, exactly
// as in the default charset.
TEST_F(FixedLayout, OtherCharsetsMeasureUnits)
{
    layout(QStringLiteral(u"\u0439\u0439\u0439\u0439 \u0439\u0439\u0439\u0439 \u0439\u0439"), 100);
    const QStringList plain = dt.Lines();
    dt.SetFont(QStringLiteral("Arial"), 10, 0, clBlack, 204);
    layout(QStringLiteral(u"\u0439\u0439\u0439\u0439 \u0439\u0439\u0439\u0439 \u0439\u0439"), 100);
    EXPECT_EQ(dt.Lines(), plain);
    EXPECT_EQ(dt.Lines().size(), 2);
}

} // namespace

namespace {

// A paragraph that opens with a tag is drawn with it.
TEST_F(FixedLayout, ParagraphOpeningWithATagTakesIt)
{
    layout(QStringLiteral("aaaa\n<font color=#FF0000><b>bbbb</b></font>"), 100, false, true);
    Drawn d;
    drawInto(dt, d, haLeft);
    int red = 0;
    for (int y = 13; y < 30; ++y)
        for (int x = 0; x < 60; ++x) {
            const QRgb p = d.image.pixel(x, y);
            red += qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80;
        }
    EXPECT_GT(red, 10);
}

} // namespace
