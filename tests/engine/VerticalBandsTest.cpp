// Vertical bands: a horizontal row crossing a vertical header, data band and
// footer is repeated per vertical record, cut into page segments by the page
// width with the header reprinted, totalled per row and per column, widened
// instead with EndlessWidth, and handed back to the template afterwards.
#include "PreparedReportTest.h"

#include <map>

namespace {

class VerticalBandsTest : public PreparedReportTest {
protected:
    void SetUp() override
    {
        PreparedReportTest::SetUp();
        if (IsSkipped())
            return;
        // 600 pixels wide: a header and five cells of 90 fit, a sixth does not.
        page->SetLeftMargin(0);
        page->SetRightMargin(0);
        page->SetPaperWidth(600 / 3.77953L);
        row = band<TvdxMasterData>(QStringLiteral("MasterData1"), 20);
        row->SetWidth(600);
        row->SetDataSet(query(QStringLiteral("M"), db, QStringLiteral("select id from m")));
        cell(row, QStringLiteral("RowCap"), QStringLiteral("Row [<M.\"id\">]"), 0);
        cell(row, QStringLiteral("Cell"), QStringLiteral("[<V.\"n\"> * <M.\"id\">]"), 100);
        cell(row, QStringLiteral("RowTot"), QStringLiteral("[SUM(<V.\"n\">)]"), 200);
        footer = band<TvdxFooter>(QStringLiteral("Footer1"), 50);
        footer->SetWidth(600);
        cell(footer, QStringLiteral("ColTot"), QStringLiteral("[SUM(<V.\"n\"> * <M.\"id\">, MasterData1)]"), 100);

        header = vband<TvdxHeader>(QStringLiteral("VHeader"), 0);
        header->SetReprintOnNewPage(true);
        vdata = vband<TvdxMasterData>(QStringLiteral("VData"), 100);
        vdata->SetDataSet(query(QStringLiteral("V"), db, QStringLiteral("select n from v")));
        vfooter = vband<TvdxFooter>(QStringLiteral("VFooter"), 200);
    }
    TvdxMemoView *cell(TvdxBand *parent, const QString &name, const QString &text, double left)
    {
        TvdxMemoView *m = memo(parent, name, text, left);
        m->SetWidth(90);
        return m;
    }
    template <class B>
    B *vband(const QString &name, double left)
    {
        auto *b = new B(page);
        b->SetName(name);
        b->SetParent(page);
        b->SetVertical(true);
        b->SetBounds(left, 0, 90, 300);
        return b;
    }
    // Texts of one object per page, in output order.
    static std::map<int, QStringList> perPage(const std::vector<Shown> &shown, const QString &name)
    {
        std::map<int, QStringList> out;
        for (const Shown &s : shown)
            if (s.name == name)
                out[s.page] << s.text;
        return out;
    }

    TvdxMasterData *row = nullptr;
    TvdxFooter *footer = nullptr;
    TvdxHeader *header = nullptr;
    TvdxMasterData *vdata = nullptr;
    TvdxFooter *vfooter = nullptr;
};

QStringList numbers(std::initializer_list<int> values)
{
    QStringList out;
    for (int v : values)
        out << QString::number(v);
    return out;
}

} // namespace

TEST_F(VerticalBandsTest, TwelveRecordsOnFiveColumnPagesGiveSegmentsOfFiveFiveAndTwo)
{
    const auto shown = prepare();
    ASSERT_EQ(report->PreviewPages()->Count(), 3);
    // Master rows 1 and 2, one after the other on each page.
    const auto cells = perPage(shown, QStringLiteral("Cell"));
    EXPECT_EQ(cells.at(0), numbers({1, 2, 3, 4, 5, 2, 4, 6, 8, 10}));
    EXPECT_EQ(cells.at(1), numbers({6, 7, 8, 9, 10, 12, 14, 16, 18, 20}));
    EXPECT_EQ(cells.at(2), numbers({11, 12, 22, 24}));
    // Every page opens with the reprinted header cell at the left edge.
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(perPage(shown, QStringLiteral("RowCap")).at(p), (QStringList{"Row 1", "Row 2"})) << p;
        for (const Shown &s : shown)
            if (s.page == p && s.name == QLatin1String("RowCap")) {
                EXPECT_NEAR(double(s.left), 0.0, 1e-3);
            }
    }
    // The cells of a segment follow the header at 90 pixels each.
    QList<double> lefts;
    for (const Shown &s : shown)
        if (s.page == 1 && s.name == QLatin1String("Cell"))
            lefts << double(s.left);
    EXPECT_EQ(lefts.mid(0, 5), (QList<double>{90, 180, 270, 360, 450}));

    // The vertical footer closes each row with its total; the horizontal
    // footer gives every vertical column its own total (n * 1 + n * 2).
    EXPECT_EQ(perPage(shown, QStringLiteral("RowTot")), (std::map<int, QStringList>{{2, {"78", "78"}}}));
    const auto columns = perPage(shown, QStringLiteral("ColTot"));
    EXPECT_EQ(columns.at(0), numbers({3, 6, 9, 12, 15}));
    EXPECT_EQ(columns.at(1), numbers({18, 21, 24, 27, 30}));
    EXPECT_EQ(columns.at(2), numbers({33, 36}));
}

TEST_F(VerticalBandsTest, EndlessWidthWidensThePageInstead)
{
    page->SetEndlessWidth(true);
    const auto shown = prepare();
    ASSERT_EQ(report->PreviewPages()->Count(), 1);
    EXPECT_EQ(perPage(shown, QStringLiteral("Cell")).at(0).size(), 24);
    long double right = 0;
    for (const Shown &s : shown)
        right = std::max(right, s.left + 90);
    EXPECT_NEAR(double(right), 14 * 90.0, 1e-3) << "header, twelve cells and the footer side by side";
    EXPECT_GE(report->PreviewPages()->GetPageSize(0).x(), 14 * 90.0) << "the prepared page is as wide as its cells";
}

TEST_F(VerticalBandsTest, TemplateObjectsGoBackToTheirDesignPositions)
{
    prepare();
    // Preparing reloads the template anyway; a bare engine run must hand the
    // objects back by itself.
    row = object<TvdxMasterData>(QStringLiteral("MasterData1"));
    footer = object<TvdxFooter>(QStringLiteral("Footer1"));
    header = object<TvdxHeader>(QStringLiteral("VHeader"));
    vdata = object<TvdxMasterData>(QStringLiteral("VData"));
    vfooter = object<TvdxFooter>(QStringLiteral("VFooter"));
    engine->Run(false);
    struct Case {
        TvdxBand *band;
        const char *name;
        double left;
    } cases[] = {{row, "RowCap", 0}, {row, "Cell", 100}, {row, "RowTot", 200}, {footer, "ColTot", 100}};
    for (const Case &c : cases) {
        auto *obj = dynamic_cast<TvdxComponent *>(report->FindObject(QString::fromLatin1(c.name)));
        ASSERT_TRUE(obj) << c.name;
        EXPECT_EQ(obj->Parent(), c.band) << c.name;
        EXPECT_NEAR(double(obj->Left()), c.left, 1e-6) << c.name;
        EXPECT_FALSE(obj->OriginalBand()) << c.name;
    }
    for (TvdxBand *b : {static_cast<TvdxBand *>(header), static_cast<TvdxBand *>(vdata),
                        static_cast<TvdxBand *>(vfooter)})
        EXPECT_EQ(b->Objects().Count(), 0) << b->Name().toStdString();
    EXPECT_EQ(row->Objects().Count(), 3) << "the cell copies are gone";
}
