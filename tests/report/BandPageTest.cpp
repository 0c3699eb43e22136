// Bands and pages as template objects: band numbers and names, child links,
// columns, the fill object, paper sizes and orientation, page columns, the
// dialog page's window scale, and their round trip through a template.
#include "core/vdFormatSettings.h"
#include "report/vdxClass.h"
#include "report/vdxClass_band.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_page.h"
#include "report/vdxClass_page_dialog.h"
#include "report/vdxDMPClass.h"
#include "platform/QPainterCanvas.h"
#include "tests/common/TestSupport.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

namespace {

QByteArray saveBytes(TvdxReport &r)
{
    QBuffer b;
    b.open(QIODevice::ReadWrite);
    r.SaveToStream(b, true, false, false);
    return b.data();
}

void loadBytes(TvdxReport &r, const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer b(&copy);
    b.open(QIODevice::ReadOnly);
    r.LoadFromStream(b);
}

struct BandCase {
    const QMetaObject *cls;
    int number;
    const char *name;
};

} // namespace

TEST(BandTest, NumbersAndNamesFollowTheClassTable)
{
    vdxRegisterReportClasses();
    const BandCase cases[] = {
        {&TvdxReportTitle::staticMetaObject, 0, "ReportTitle"},
        {&TvdxPageHeader::staticMetaObject, 2, "PageHeader"},
        {&TvdxMasterData::staticMetaObject, 6, "MasterData"},
        {&TvdxDataBand4::staticMetaObject, 9, "Data4"},
        {&TvdxGroupFooter::staticMetaObject, 13, "GroupFooter"},
        {&TvdxOverlay::staticMetaObject, 17, "Overlay"},
        {&TvdxDataBand::staticMetaObject, 0, "Data"},
        {&TvdxNullBand::staticMetaObject, 0, "Null"},
    };
    EXPECT_EQ(vdxBandClasses().size(), 18);
    for (const BandCase &c : cases) {
        std::unique_ptr<QObject> obj(c.cls->newInstance(Q_ARG(TvdComponent *, nullptr)));
        auto *band = qobject_cast<TvdxBand *>(obj.get());
        ASSERT_TRUE(band) << c.cls->className();
        EXPECT_EQ(band->BandNumber(), c.number) << c.cls->className();
        EXPECT_EQ(band->BandName(), QLatin1String(c.name));
    }
}

TEST(BandTest, CircularChildChainIsRefusedAndTheLinkStays)
{
    TvdxReport report;
    auto *page = new TvdxReportPage(&report);
    auto *a = new TvdxChild(page);
    auto *b = new TvdxChild(page);
    auto *master = new TvdxMasterData(page);
    master->SetChild(a);
    b->SetChild(a);
    try {
        a->SetChild(b);
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Circular child reference is not allowed"));
    }
    EXPECT_EQ(a->Child(), nullptr);
    EXPECT_THROW(a->SetChild(a), Exception);
    // A removed child is forgotten by the bands that pointed to it.
    delete a;
    EXPECT_EQ(master->Child(), nullptr);
    EXPECT_EQ(b->Child(), nullptr);
}

TEST(BandTest, CurColumnWrapsAndMovesTheBand)
{
    TvdxMasterData band;
    band.SetColumns(2);
    band.SetColumnWidth(100);
    band.SetColumnGap(10);
    band.SetCurColumn(2);
    EXPECT_EQ(double(band.Left()), 110.0);
    band.MaxY = 50;
    band.SetCurColumn(3);
    EXPECT_EQ(band.CurColumn(), 1);
    EXPECT_EQ(double(band.Left()), 0.0);
    EXPECT_EQ(double(band.MaxY), 0.0);
}

TEST(BandTest, RowCountDrivesTheVirtualDataSet)
{
    TvdxMasterData band;
    band.SetRowCount(5);
    EXPECT_EQ(band.VirtualDataSet()->RangeEndCount(), 5);
    EXPECT_EQ(band.VirtualDataSet()->RangeEnd(), TvdxDataSet::reCount);
    band.SetRowCount(0);
    EXPECT_EQ(band.VirtualDataSet()->RangeEndCount(), 5);
}

TEST(BandTest, FillObjectForAColourAlone)
{
    TvdxReport report;
    auto *page = new TvdxReportPage(&report);
    auto *band = new TvdxMasterData(page);
    band->SetHeight(40);
    band->SetWidth(200);
    qobject_cast<TvdxBrushFill *>(band->Fill())->SetBackColor(clRed);
    band->CreateFillMemo();
    ASSERT_NE(band->FillMemo(), nullptr);
    EXPECT_EQ(band->FillMemo()->Color(), TColor(clRed));
    EXPECT_EQ(band->FillMemo()->Frame()->Typ(), TvdxFrame::TvdxFrameTypes());
    EXPECT_EQ(double(band->FillMemo()->Height()), 40.0);
}

TEST(BandTest, FillObjectOnlyForAVisibleFillOrFrame)
{
    TvdxReport report;
    auto *page = new TvdxReportPage(&report);
    auto *band = new TvdxMasterData(page);
    band->SetHeight(40);
    band->SetWidth(200);
    new TvdxMemoView(band);
    band->CreateFillMemo();
    EXPECT_EQ(band->FillMemo(), nullptr);

    band->Frame()->SetTyp(TvdxFrame::ftTop);
    band->FillGap()->SetLeft(3);
    band->FillGap()->SetTop(2);
    band->FillGap()->SetBottom(4);
    band->CreateFillMemo();
    ASSERT_NE(band->FillMemo(), nullptr);
    EXPECT_EQ(band->Objects()[0], band->FillMemo());
    EXPECT_EQ(double(band->FillMemo()->Height()), 34.0);
    EXPECT_EQ(double(band->FillMemo()->Width()), 197.0);
    EXPECT_EQ(double(band->FillMemo()->Left()), 3.0);
    EXPECT_EQ(double(band->FillMemo()->Top()), 2.0);
    band->DisposeFillMemo();
    EXPECT_EQ(band->FillMemo(), nullptr);
    EXPECT_EQ(band->Objects().Count(), 1);
}

TEST(BandTest, GroupHeaderDiffAddsTheDrillNameOnlyWithDrillDown)
{
    TvdxGroupHeader a, b;
    a.SetDrillName(QStringLiteral("Master\"1"));
    EXPECT_FALSE(a.Diff(&b).contains(QLatin1String("DrillName")));
    a.SetDrillDown(true);
    EXPECT_TRUE(a.Diff(&b).endsWith(QLatin1String(" DrillName=\"Master&#34;1\""))) << a.Diff(&b).toStdString();
}

TEST(BandTest, HitTestWidensForTitleStripAndEmptySize)
{
    TvdxReport report;
    auto *page = new TvdxReportPage(&report);
    auto *band = new TvdxMasterData(page);
    band->SetBounds(0, 100, 200, 0);
    // An empty band is widened below; the strip above is the title's only.
    EXPECT_TRUE(band->IsContain(10, 104));
    EXPECT_FALSE(band->IsContain(10, 106));
    EXPECT_FALSE(band->IsContain(10, 97));
    band->SetBandDesignHeader(20);
    EXPECT_TRUE(band->IsContain(10, 81));
}

// A character printer prints whole cells: 9.6 pixels a column, 17 a line,
// rounded half to even. Elsewhere bands keep what they are given.
TEST(BandTest, BandsOnADotMatrixPageSnapToCharacterCells)
{
    struct Case {
        char which;
        double value, dmp;
    } cases[] = {{'T', 40, 34},   {'L', 20, 19.2}, {'T', 25.5, 34}, {'T', 8.5, 0}, {'H', 42.5, 34},
                 {'H', 59.5, 68}, {'L', 14.4, 19.2}, {'L', 4.8, 0}, {'L', -20, -19.2}};
    for (const Case &c : cases) {
        TvdxReport report;
        auto *dmp = new TvdxDMPPage(&report);
        auto *plain = new TvdxReportPage(&report);
        for (TvdxReportPage *page : {static_cast<TvdxReportPage *>(dmp), plain}) {
            TvdxBand *band = page == dmp ? static_cast<TvdxBand *>(new TvdxMasterData(page)) : new TvdxPageHeader(page);
            switch (c.which) {
            case 'T': band->SetTop(c.value); break;
            case 'L': band->SetLeft(c.value); break;
            default: band->SetHeight(c.value); break;
            }
            const long double got = c.which == 'T' ? band->Top() : c.which == 'L' ? band->Left() : band->Height();
            EXPECT_NEAR(double(got), page == dmp ? c.dmp : c.value, 1e-9)
                << c.which << " := " << c.value << (page == dmp ? " on the dot-matrix page" : " on a report page");
        }
    }
    // Width is not a grid dimension of a band; a band's objects stay as laid out.
    TvdxReport report;
    auto *band = new TvdxMasterData(new TvdxDMPPage(&report));
    band->SetWidth(100.5);
    EXPECT_DOUBLE_EQ(double(band->Width()), 100.5);
}

// A template read back onto a dot-matrix page keeps its bands on the grid.
TEST(BandTest, DotMatrixBandsReadFromATemplateLandOnTheGrid)
{
    vdxRegisterReportClasses();
    QByteArray bytes;
    {
        TvdxReport r;
        auto *page = new TvdxDMPPage(&r);
        page->SetName(QStringLiteral("Page1"));
        auto *band = new TvdxMasterData(page);
        band->SetName(QStringLiteral("MasterData1"));
        band->SetBounds(20, 40, 300, 30);
        bytes = saveBytes(r);
    }
    // Hand-edited coordinates off the grid.
    bytes.replace("Top=\"34\"", "Top=\"40\"");
    TvdxReport r;
    loadBytes(r, bytes);
    auto *band = qobject_cast<TvdxMasterData *>(r.FindObject(QStringLiteral("MasterData1")));
    ASSERT_TRUE(band) << bytes.toStdString();
    ASSERT_TRUE(qobject_cast<TvdxDMPPage *>(band->Parent()));
    EXPECT_DOUBLE_EQ(double(band->Left()), 19.2);
    EXPECT_DOUBLE_EQ(double(band->Top()), 34);
    EXPECT_DOUBLE_EQ(double(band->Height()), 34);
}

TEST(PageTest, NewReportPageIsA4Portrait)
{
    TvdxReportPage page;
    EXPECT_EQ(double(page.PaperWidth()), 210.0);
    EXPECT_EQ(double(page.PaperHeight()), 297.0);
    EXPECT_EQ(double(page.Width()), 794.0);
    EXPECT_EQ(double(page.Height()), 1123.0);
    EXPECT_EQ(page.Bin(), 7);
    EXPECT_EQ(page.BinOtherPages(), 7);
    EXPECT_EQ(page.PaperSize(), 9);
    EXPECT_EQ(double(page.LeftMargin()), 0.0);
    EXPECT_EQ(page.BaseName(), QStringLiteral("Page"));
}

TEST(PageTest, OrientationRotatesPaperAndMargins)
{
    TvdxReportPage page;
    page.SetLeftMargin(10);
    page.SetRightMargin(20);
    page.SetTopMargin(30);
    page.SetBottomMargin(40);
    page.SetOrientation(TvdxReportPage::poLandscape);
    EXPECT_EQ(double(page.PaperWidth()), 297.0);
    EXPECT_EQ(double(page.PaperHeight()), 210.0);
    EXPECT_EQ(double(page.Width()), 1123.0);
    EXPECT_EQ(double(page.Height()), 794.0);
    EXPECT_EQ(double(page.LeftMargin()), 30.0);
    EXPECT_EQ(double(page.RightMargin()), 40.0);
    EXPECT_EQ(double(page.TopMargin()), 20.0);
    EXPECT_EQ(double(page.BottomMargin()), 10.0);
    page.SetOrientation(TvdxReportPage::poPortrait);
    EXPECT_EQ(double(page.LeftMargin()), 10.0);
    EXPECT_EQ(double(page.RightMargin()), 20.0);
    EXPECT_EQ(double(page.TopMargin()), 30.0);
    EXPECT_EQ(double(page.BottomMargin()), 40.0);
}

TEST(PageTest, PaperSizesRoundAndUnknownCodesKeepTheSize)
{
    TvdxReportPage page;
    page.SetPaperWidth(100.123456789L);
    EXPECT_EQ(double(page.PaperWidth()), 100.12345679);
    EXPECT_EQ(page.PaperSize(), 256);
    EXPECT_EQ(double(page.Width()), 378.0);
    page.SetPaperSize(250); // not in the table
    EXPECT_EQ(double(page.PaperWidth()), 100.12345679);
    EXPECT_EQ(double(page.Height()), 1123.0);
    page.SetOrientation(TvdxReportPage::poLandscape);
    page.SetPaperSize(9);
    EXPECT_EQ(double(page.PaperWidth()), 297.0);
    EXPECT_EQ(double(page.Width()), 1123.0);
}

TEST(PageTest, ColumnsFillPositionsAsFloatText)
{
    FormatSettings &fs = DefaultFormatSettings();
    const QChar oldSep = fs.DecimalSeparator;
    fs.DecimalSeparator = QLatin1Char('.');
    TvdxReportPage page;
    page.SetLeftMargin(10);
    page.SetRightMargin(10);
    page.SetColumns(3);
    EXPECT_NEAR(double(page.ColumnWidth()), 63.3333333333, 1e-9);
    EXPECT_EQ(page.ColumnPositions(),
              (QStringList{QStringLiteral("0"), QStringLiteral("63.3333333333333"), QStringLiteral("126.666666666667")}));
    page.SetColumns(0);
    EXPECT_TRUE(page.ColumnPositions().isEmpty());
    EXPECT_NEAR(double(page.ColumnWidth()), 63.3333333333, 1e-9);
    page.SetPageCount(0);
    EXPECT_EQ(page.PageCount(), 1);
    fs.DecimalSeparator = oldSep;
}

// A template asking for billions of columns loads and draws without
// billions of entries or outlines; the count itself is kept as stored.
TEST(PageTest, HugeColumnCountsStayBounded)
{
    TvdxReportPage page;
    page.SetColumns(std::numeric_limits<int>::max());
    EXPECT_EQ(page.Columns(), std::numeric_limits<int>::max());
    EXPECT_EQ(page.ColumnPositions().size(), 1000);
    EXPECT_EQ(page.ColumnPositions().first(), QStringLiteral("0"));

    TvdxReport report;
    auto *designPage = new TvdxReportPage(&report);
    auto *band = new TvdxMasterData(designPage);
    band->SetBounds(0, 40, 400, 30);
    band->SetColumns(std::numeric_limits<int>::max());
    band->SetColumnWidth(0);
    band->SetIsDesigning(true);
    QImage img(500, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainterCanvas canvas(img);
    band->Draw(canvas, 1, 1, 0, 0);
}

TEST(PageTest, MarginOffsetFollowsMirrorMargins)
{
    TvdxReportPage page;
    page.SetLeftMargin(10);
    page.SetRightMargin(20);
    page.SetTopMargin(5);
    page.SetMirrorMargins(true);
    page.SetMarginOffset(1);
    EXPECT_NEAR(double(page.Left()), 20 * 3.77953, 1e-9);
    EXPECT_NEAR(double(page.Top()), 5 * 3.77953, 1e-9);
    page.SetMarginOffset(2);
    EXPECT_NEAR(double(page.Left()), 10 * 3.77953, 1e-9);
    page.ClearMarginOffset();
    EXPECT_EQ(double(page.Left()), 0.0);
}

TEST(PageTest, AlignChildrenSizesBandsToColumnsOrPrintableWidth)
{
    TvdxReport report;
    auto *page = new TvdxReportPage(&report);
    page->SetLeftMargin(10);
    page->SetRightMargin(10);
    page->SetColumns(2);
    auto *title = new TvdxReportTitle(page);
    auto *data = new TvdxMasterData(page);
    page->AlignChildren();
    EXPECT_NEAR(double(data->Width()), 95 * 3.77953, 1e-6);
    EXPECT_NEAR(double(title->Width()), 190 * 3.77953, 1e-6);
    EXPECT_EQ(double(page->Width()), 794.0);
}

TEST(PageTest, DialogPageScalesItsWindowByPixelsPerInch)
{
    TvdxReport report;
    auto *page = new TvdxDialogPage(&report);
    page->UpdateDialogPPI(144);
    page->SetLeft(100);
    ASSERT_NE(page->DialogForm(), nullptr);
    EXPECT_EQ(page->DialogForm()->FormLeft(), 150);
    page->SetClientWidth(200);
    EXPECT_EQ(page->DialogForm()->ClientW(), 300);
    EXPECT_EQ(double(page->ClientWidth()), 200.0);
    EXPECT_EQ(double(page->Width()), 200.0);
    EXPECT_EQ(TvdxDialogPage::KeyFromAnswer(QString()), QChar(0));
    EXPECT_EQ(page->ShowModal(), int(TvdxDialogPage::mrOk));
}

TEST(PageTest, SubreportLinksBothWays)
{
    TvdxReport report;
    auto *page = new TvdxReportPage(&report);
    auto *band = new TvdxMasterData(page);
    auto *sub = new TvdxSubreport(band);
    auto *inner = new TvdxReportPage(&report);
    sub->SetSubPage(inner);
    EXPECT_EQ(inner->SubReport(), sub);
    EXPECT_TRUE(inner->IsSubReport());
    delete sub;
    EXPECT_EQ(inner->SubReport(), nullptr);
}

TEST(PageTest, TemplateRoundTripKeepsBandsAndPages)
{
    vdxRegisterReportClasses();
    QByteArray bytes;
    {
        TvdxReport r;
        auto *page = new TvdxReportPage(&r);
        page->SetName(QStringLiteral("Page1"));
        page->SetLeftMargin(10);
        page->SetRightMargin(20);
        page->SetTopMargin(30);
        page->SetBottomMargin(40);
        page->SetOrientation(TvdxReportPage::poLandscape);
        page->SetColumns(2);
        auto *master = new TvdxMasterData(page);
        master->SetName(QStringLiteral("MasterData1"));
        master->SetBounds(0, 40, 700, 20);
        master->SetRowCount(3);
        master->SetFilter(QStringLiteral("<a> > 1"));
        auto *child = new TvdxChild(page);
        child->SetName(QStringLiteral("Child1"));
        child->SetToNRows(5);
        child->SetToNRowsMode(TvdxChild::rmAddToCount);
        master->SetChild(child);
        auto *group = new TvdxGroupHeader(page);
        group->SetName(QStringLiteral("GroupHeader1"));
        group->SetCondition(QStringLiteral("T.\"n\""));
        group->SetDrillDown(true);
        auto *dlg = new TvdxDialogPage(&r);
        dlg->SetName(QStringLiteral("Dialog1"));
        dlg->SetCaption(QStringLiteral("Ask"));
        bytes = saveBytes(r);
    }
    EXPECT_TRUE(bytes.contains("<TvdxMasterData Name=\"MasterData1\"")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("RowCount=\"3\""));
    EXPECT_TRUE(bytes.contains("ToNRowsMode=\"rmAddToCount\""));

    TvdxReport back;
    loadBytes(back, bytes);
    auto *page = qobject_cast<TvdxReportPage *>(back.FindObject(QStringLiteral("Page1")));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->Orientation(), TvdxReportPage::poLandscape);
    EXPECT_EQ(double(page->PaperWidth()), 297.0);
    EXPECT_EQ(double(page->LeftMargin()), 30.0);
    EXPECT_EQ(page->Columns(), 2);
    EXPECT_EQ(page->ColumnPositions().size(), 2);
    auto *master = qobject_cast<TvdxMasterData *>(back.FindObject(QStringLiteral("MasterData1")));
    ASSERT_TRUE(master);
    EXPECT_EQ(master->RowCount(), 3);
    EXPECT_EQ(master->Filter(), QStringLiteral("<a> > 1"));
    EXPECT_EQ(double(master->Top()), 40.0);
    ASSERT_TRUE(master->Child());
    EXPECT_EQ(master->Child()->Name(), QStringLiteral("Child1"));
    EXPECT_EQ(master->Child()->ToNRows(), 5);
    EXPECT_EQ(master->Child()->ToNRowsMode(), TvdxChild::rmAddToCount);
    auto *group = qobject_cast<TvdxGroupHeader *>(back.FindObject(QStringLiteral("GroupHeader1")));
    ASSERT_TRUE(group);
    EXPECT_TRUE(group->DrillDown());
    EXPECT_EQ(group->Condition(), QStringLiteral("T.\"n\""));
    auto *dlg = qobject_cast<TvdxDialogPage *>(back.FindObject(QStringLiteral("Dialog1")));
    ASSERT_TRUE(dlg);
    EXPECT_EQ(dlg->Caption(), QStringLiteral("Ask"));
}

TEST(PageTest, StoredClientWidthWinsOverTheOuterWidth)
{
    vdxRegisterReportClasses();
    for (const char *attrs : {"Width=\"500\" ClientWidth=\"300\" Height=\"400\" ClientHeight=\"200\"",
                              "ClientWidth=\"300\" Width=\"500\" ClientHeight=\"200\" Height=\"400\""}) {
        TvdxReport r;
        loadBytes(r, QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?><TvdxReport><TvdxDialogPage Name=\"D\" ")
                         + attrs + "/></TvdxReport>");
        auto *dlg = qobject_cast<TvdxDialogPage *>(r.FindObject(QStringLiteral("D")));
        ASSERT_TRUE(dlg) << attrs;
        ASSERT_TRUE(dlg->DialogForm());
        EXPECT_EQ(dlg->DialogForm()->ClientW(), 300) << attrs;
        EXPECT_EQ(dlg->DialogForm()->ClientH(), 200) << attrs;
        EXPECT_EQ(double(dlg->ClientWidth()), 300.0);
    }
}

// The designer shows each band with a grey outline and, above it (left of a
// vertical band), a title strip in the colour of its kind; outside the
// designer a band draws nothing.
TEST(BandTest, DesignerDrawsTheTitleStripInTheColourOfTheKind)
{
    const struct {
        const QMetaObject *cls;
        bool vertical;
        QPoint probe;
        QRgb colour; // red, green, blue of the platform colour
    } cases[] = {
        {&TvdxMasterData::staticMetaObject, false, {395, 30}, qRgb(0xE0, 0xA7, 0x30)},
        {&TvdxMasterData::staticMetaObject, true, {90, 150}, qRgb(0x00, 0xBB, 0xEE)},
        {&TvdxHeader::staticMetaObject, false, {395, 30}, qRgb(0xF0, 0xF0, 0xF0)},
    };
    for (const auto &c : cases) {
        TvdxReport report;
        auto *page = new TvdxReportPage(&report);
        std::unique_ptr<QObject> obj(c.cls->newInstance(Q_ARG(TvdComponent *, nullptr)));
        auto *band = qobject_cast<TvdxBand *>(obj.get());
        ASSERT_TRUE(band);
        band->SetName(QStringLiteral("B1"));
        band->SetVertical(c.vertical);
        band->SetParent(page);
        band->SetBounds(100, 40, c.vertical ? 50 : 400, c.vertical ? 200 : 30);
        band->SetBandDesignHeader(20);
        QImage img(500, 300, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainterCanvas canvas(img);
            band->Draw(canvas, 1, 1, 0, 0);
        }
        EXPECT_EQ(img.pixel(c.probe), qRgb(255, 255, 255)) << c.cls->className() << ": nothing outside the designer";
        band->SetIsDesigning(true);
        {
            QPainterCanvas canvas(img);
            band->Draw(canvas, 1, 1, 0, 0);
        }
        if (c.cls == &TvdxHeader::staticMetaObject) {
            // The system face colour: some light grey, the same in every channel.
            const QRgb p = img.pixel(c.probe);
            EXPECT_NE(p, qRgb(255, 255, 255));
            EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << std::hex << p;
        } else {
            EXPECT_EQ(img.pixel(c.probe), c.colour) << c.cls->className() << " vertical " << c.vertical;
        }
        // The grey outline: left edge of a horizontal band, right edge of a vertical one.
        const QPoint edge = c.vertical ? QPoint(150, 150) : QPoint(0, 55);
        EXPECT_EQ(img.pixel(edge), qRgb(0x80, 0x80, 0x80)) << c.cls->className();
        (void)obj.release(); // the page frees its bands
    }
}
