#include "Barcode2DTestUtil.h"

#include <gtest/gtest.h>

#include <random>

namespace {

class TestEngine : public TvdxBarcode2DBaseWithUnion {
public:
    void setSymbol(int cols, int rows) { m_width = cols; m_height = rows; }
};

T2DBooleanArray matrixOf(std::initializer_list<const char *> rows)
{
    const int h = int(rows.size());
    const int w = int(strlen(*rows.begin()));
    T2DBooleanArray m(w, h);
    int r = 0;
    for (const char *row : rows) {
        for (int c = 0; c < w; ++c)
            m.Set(c, r, row[c] == '#');
        ++r;
    }
    return m;
}

// The cover as a plain restart-from-column-0 search.
void referenceCover(const T2DBooleanArray &in, std::vector<TvdxVectorPrimitive> &rects, std::vector<int> &dotsR,
                    std::vector<int> &dotsL)
{
    const int x = in.Columns(), y = in.Rows();
    std::vector<std::vector<char>> grid(static_cast<size_t>(x), std::vector<char>(static_cast<size_t>(y)));
    for (int i = 0; i < x; ++i)
        for (int j = 0; j < y; ++j)
            grid[size_t(i)][size_t(j)] = in.Get(i, j);
    for (;;) {
        TvdxVectorPrimitive best{1, 1, 1, 1};
        for (int i = 0; i < x; ++i)
            for (int j = 0; j < y; ++j) {
                if (!grid[size_t(i)][size_t(j)])
                    continue;
                int limit = y, count = 0;
                for (int k = i; k < x && grid[size_t(k)][size_t(j)]; ++k) {
                    ++count;
                    for (int r = j; r < limit; ++r) {
                        if (!grid[size_t(k)][size_t(r)]) {
                            limit = r;
                            break;
                        }
                        if (best.Width * best.Height < count * (r - j + 1))
                            best = {i, j, count, r - j + 1};
                    }
                }
            }
        if (best.Width * best.Height < 2)
            break;
        rects.push_back(best);
        for (int i = best.Left; i < best.Left + best.Width; ++i)
            for (int j = best.Top; j < best.Top + best.Height; ++j)
                grid[size_t(i)][size_t(j)] = false;
    }
    for (int i = 0; i < x; ++i)
        for (int j = 0; j < y; ++j)
            if (grid[size_t(i)][size_t(j)]) {
                dotsR.push_back(i);
                dotsL.push_back(j);
            }
}

} // namespace

TEST(Barcode2DCover, Table)
{
    struct Case {
        std::initializer_list<const char *> rows;
        std::vector<TvdxVectorPrimitive> rects;
        std::vector<int> dotsR, dotsL;
    };
    const Case cases[] = {
        {{"...", "..."}, {}, {}, {}},
        {{".#.", "..."}, {}, {1}, {0}},
        {{"##", ".."}, {{0, 0, 2, 1}}, {}, {}},
        {{"##", "#."}, {{0, 0, 1, 2}}, {1}, {0}},
        {{"###", "###", "###"}, {{0, 0, 3, 3}}, {}, {}},
    };
    for (const Case &c : cases) {
        TestEngine e;
        const T2DBooleanArray m = matrixOf(c.rows);
        e.T2DBooleanArrayToVectorPrimitives(m, m.Columns(), m.Rows(), 0);
        EXPECT_EQ(e.VectorPrimitives(), c.rects) << *c.rows.begin();
        EXPECT_EQ(e.DotsR(), c.dotsR) << *c.rows.begin();
        EXPECT_EQ(e.DotsL(), c.dotsL) << *c.rows.begin();
    }
}

TEST(Barcode2DCover, QuietZoneShiftsTheFigures)
{
    TestEngine e;
    e.T2DBooleanArrayToVectorPrimitives(matrixOf({"##", "#."}), 6, 6, 2);
    EXPECT_EQ(e.VectorPrimitives(), (std::vector<TvdxVectorPrimitive>{{2, 2, 1, 2}}));
    EXPECT_EQ(e.DotsR(), (std::vector<int>{3}));
    EXPECT_EQ(e.DotsL(), (std::vector<int>{2}));
}

TEST(Barcode2DCover, SameResultAsTheRestartingSearch)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 60; ++round) {
        const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 40);
        const int density = 20 + int(rng() % 75);
        T2DBooleanArray m(w, h);
        for (int i = 0; i < w; ++i)
            for (int j = 0; j < h; ++j)
                m.Set(i, j, int(rng() % 100) < density);
        TestEngine e;
        e.T2DBooleanArrayToVectorPrimitives(m, w, h, 0);
        std::vector<TvdxVectorPrimitive> rects;
        std::vector<int> dr, dl;
        referenceCover(m, rects, dr, dl);
        ASSERT_EQ(e.VectorPrimitives(), rects) << "round " << round;
        ASSERT_EQ(e.DotsR(), dr);
        ASSERT_EQ(e.DotsL(), dl);
    }
}

TEST(Barcode2DBase, WidthAndHeight)
{
    TestEngine e;
    e.setSymbol(21, 10);
    e.SetPixelWidth(4);
    e.SetQuietZone(2);
    e.SetShowText(false);
    EXPECT_EQ(e.Width(), 88);

    TestEngine t;
    t.setSymbol(21, 10);
    t.SetPixelHeight(2);
    t.Font()->SetHeight(-13);
    EXPECT_EQ(t.Height(), 36);
    t.SetShowText(false);
    t.BarcodeText()->SupSettings()->Font()->SetHeight(-13);
    t.SetTextSup(QStringLiteral("sup"));
    EXPECT_EQ(t.Height(), 36);
    EXPECT_EQ(t.GetFooterHeight(), 0);
}

TEST(Barcode2DBase, CaptionFollowsTheRotation)
{
    // A 20 x 20 block with the caption below it; turning the symbol moves
    // the caption to the side the rotation takes the bottom edge to.
    for (int rotation : {0, 90, 180, 270}) {
        TestEngine e;
        T2DBooleanArray m(10, 10);
        for (int i = 0; i < 10; ++i)
            for (int j = 0; j < 10; ++j)
                m.Set(i, j, true);
        e.T2DBooleanArrayToVectorPrimitives(m, 10, 10, 0);
        e.setSymbol(10, 10);
        e.SetPixelWidth(4);
        e.SetPixelHeight(4);
        e.SetText(QStringLiteral("WWW"));
        e.Font()->SetName(QStringLiteral("Liberation Sans"));
        e.SetRotation(rotation);
        QImage image(300, 300, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainterCanvas canvas(image);
        e.Draw2DBarcode(canvas, 1, 1, 100, 100);
        // The symbol's own square.
        QRect sym;
        switch (rotation) {
        case 90: sym = QRect(100, 100, 40, 40); break;
        case 180: sym = QRect(100, 100 + e.GetFooterHeight(), 40, 40); break;
        case 270: sym = QRect(100 + e.GetFooterHeight(), 100, 40, 40); break;
        default: sym = QRect(100, 100, 40, 40); break;
        }
        const QRect all = darkBounds(image);
        EXPECT_TRUE(all.contains(sym.adjusted(1, 1, -1, -1))) << rotation;
        // Text pixels outside the symbol lie on one side.
        QRect text;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (isDark(image, x, y) && !sym.contains(x, y))
                    text = text.isNull() ? QRect(x, y, 1, 1) : text.united(QRect(x, y, 1, 1));
        ASSERT_FALSE(text.isNull()) << rotation;
        switch (rotation) {
        case 0: EXPECT_GE(text.top(), sym.bottom()) << "below"; break;
        case 90: EXPECT_GE(text.left(), sym.right()) << "right"; break;
        case 180: EXPECT_LE(text.bottom(), sym.top()) << "above"; break;
        case 270: EXPECT_LE(text.right(), sym.left()) << "left"; break;
        }
    }
}

TEST(Barcode2DBase, CaptionsMatchTheirReferenceImages)
{
    // Main caption below, supplementary caption above, in Liberation Sans;
    // VD_WRITE_REFERENCES=1 writes the pictures anew after a deliberate change.
    const bool write = qEnvironmentVariableIntValue("VD_WRITE_REFERENCES") == 1;
    for (int rotation : {0, 90, 180, 270}) {
        TestEngine e;
        T2DBooleanArray m(6, 6);
        for (int i = 0; i < 6; ++i)
            for (int j = 0; j < 6; ++j)
                m.Set(i, j, (i + j) % 2 == 0 || i == 0 || j == 5);
        e.T2DBooleanArrayToVectorPrimitives(m, 6, 6, 0);
        e.setSymbol(6, 6);
        e.SetPixelWidth(8);
        e.SetPixelHeight(8);
        e.SetText(QStringLiteral("Vd 2D"));
        e.SetTextSup(QStringLiteral("sup"));
        e.Font()->SetName(QStringLiteral("Liberation Sans"));
        e.BarcodeText()->SupSettings()->Font()->SetName(QStringLiteral("Liberation Sans"));
        e.SetRotation(rotation);
        QImage image(160, 160, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainterCanvas canvas(image);
            e.Draw2DBarcode(canvas, 1, 1, 40, 40);
        }
        const QString file = QStringLiteral(VD_TEST_DATA_DIR "/barcode/caption2d_%1.png").arg(rotation);
        if (write) {
            ASSERT_TRUE(image.convertToFormat(QImage::Format_Grayscale8).save(file));
            continue;
        }
        QImage reference(file);
        ASSERT_FALSE(reference.isNull()) << file.toStdString();
        ASSERT_EQ(reference.size(), image.size());
        int differing = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                differing += std::abs(qGray(image.pixel(x, y)) - qGray(reference.pixel(x, y))) > 96;
        EXPECT_LE(differing, 3) << "rotation " << rotation;
    }
}
