// The table: its grid of columns, rows and cells, spans, storage, drawing,
// export cell by cell, and a prepared report holding it with bound values.
#include "engine/vdxPreviewPages.h"
#include "objects/table/vdxTableObject.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass.h"
#include "report/vdxServiceDoubles.h"
#include "tests/common/TestSupport.h"
#include "tests/report/ViewSheet.h"

#include <QBuffer>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

struct Grid {
    vdtest::ViewSheet sheet;
    TvdxTableObject *table;
    Grid(int cols, int rows)
    {
        table = new TvdxTableObject(sheet.band);
        table->SetName(QStringLiteral("TableObject1"));
        table->SetLeft(10);
        table->SetTop(5);
        table->SetColumnCount(cols);
        table->SetRowCount(rows);
        table->UpdateBounds();
    }
};

QByteArray save(TvdxComponent &c) { return vdtest::saveBytes(c); }

TEST(TableObject, GrowsIntoNamedColumnsRowsAndCells)
{
    Grid g(5, 5);
    TvdxTableObject *t = g.table;
    EXPECT_EQ(t->ColumnCount(), 5);
    EXPECT_EQ(t->RowCount(), 5);
    for (int y = 0; y < 5; ++y)
        EXPECT_EQ(t->Rows(y)->CellCount(), 5);
    EXPECT_EQ(t->Columns(0)->Name(), QStringLiteral("TableColumn1"));
    EXPECT_EQ(t->Rows(0)->Name(), QStringLiteral("TableRow1"));
    EXPECT_FALSE(t->Cells(4, 4)->Name().isEmpty());
    EXPECT_EQ(t->Cells(5, 0), nullptr);
    EXPECT_EQ(t->Cells(0, -1), nullptr);
    EXPECT_EQ(t->Columns(5), nullptr);
    // Columns first, then rows.
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(qobject_cast<TvdxTableColumn *>(t->Objects()[i]));
    EXPECT_NEAR(double(t->Width()), 5 * 75.5906, 1e-6);
    EXPECT_NEAR(double(t->Height()), 5 * 18.89765, 1e-6);
    // Bounds: cell (2, 3) sits two columns right and three rows down.
    TvdxTableCell *cell = t->Cells(2, 3);
    EXPECT_NEAR(double(cell->AbsLeft() - t->AbsLeft()), 2 * 75.5906, 1e-6);
    EXPECT_NEAR(double(cell->AbsTop() - t->AbsTop()), 3 * 18.89765, 1e-6);
    EXPECT_EQ(cell->Frame()->Typ(), TvdxFrame::TvdxFrameTypes(0xF));
    EXPECT_TRUE(cell->Restrictions().testFlag(TvdxComponent::rfDontDelete));
    t->SetRowCount(2);
    t->SetColumnCount(3);
    EXPECT_EQ(t->RowCount(), 2);
    EXPECT_EQ(t->Rows(1)->CellCount(), 3);
}

TEST(TableObject, SpansClampAndHide)
{
    struct Case {
        const char *name;
        int x, y, colSpan, rowSpan;
        int wantCol, wantRow;
        QList<QPoint> hidden;
    };
    const Case cases[] = {
        {"too wide is clamped", 1, 0, 10, 1, 3, 1, {{2, 0}, {3, 0}}},
        {"below one is one", 1, 0, 0, -2, 1, 1, {}},
        {"two by two hides three", 0, 0, 2, 2, 2, 2, {{1, 0}, {0, 1}, {1, 1}}},
        {"too tall is clamped", 3, 1, 1, 9, 1, 2, {{3, 2}}},
    };
    for (const Case &c : cases) {
        Grid g(4, 3);
        TvdxTableCell *cell = g.table->Cells(c.x, c.y);
        cell->SetColSpan(c.colSpan);
        cell->SetRowSpan(c.rowSpan);
        g.table->UpdateBounds();
        EXPECT_EQ(cell->ColSpan(), c.wantCol) << c.name;
        EXPECT_EQ(cell->RowSpan(), c.wantRow) << c.name;
        int hidden = 0;
        for (int x = 0; x < 4; ++x)
            for (int y = 0; y < 3; ++y)
                hidden += g.table->Cells(x, y)->Hidden();
        EXPECT_EQ(hidden, c.hidden.size()) << c.name;
        for (const QPoint &p : c.hidden)
            EXPECT_TRUE(g.table->Cells(p.x(), p.y())->Hidden()) << c.name;
        EXPECT_NEAR(double(cell->Width()), c.wantCol * 75.5906, 1e-6) << c.name;
    }
}

TEST(TableObject, ColumnsInsertedAndDeletedCorrectSpans)
{
    Grid g(3, 2);
    g.table->Cells(0, 0)->SetColSpan(2);
    g.table->CreateNewColumn(1);
    EXPECT_EQ(g.table->ColumnCount(), 4);
    EXPECT_EQ(g.table->Rows(1)->CellCount(), 4);
    EXPECT_EQ(g.table->Cells(0, 0)->ColSpan(), 3);
    g.table->DeleteColumn(1);
    EXPECT_EQ(g.table->Cells(0, 0)->ColSpan(), 2);
    g.table->DeleteColumn(1);
    EXPECT_EQ(g.table->ColumnCount(), 2);
    for (int y = 0; y < 2; ++y)
        EXPECT_EQ(g.table->Rows(y)->CellCount(), 2);
    g.table->DeleteRow(7);
    g.table->DeleteRow(0);
    EXPECT_EQ(g.table->RowCount(), 1);
    g.table->Cells(0, 0)->SetColSpan(2);
    // Nothing selected: joining with the sentinels changes nothing.
    g.table->JoinSelection(std::numeric_limits<int>::max(), 0, -1, 0);
    EXPECT_EQ(g.table->Cells(0, 0)->ColSpan(), 2);
}

// A 5 x 5 table as the demo's template holds it: headings in row 1, bound
// cells in row 3; saved, loaded and saved again gives the same bytes.
void fillDemoCells(TvdxTableObject *t)
{
    const char *heads[] = {"ID", "Description", "Price", "Amount"};
    const char *fields[] = {"DetailID", "Description", "Price", "Amount"};
    for (int x = 0; x < 4; ++x) {
        t->Cells(x, 0)->SetText(QString::fromLatin1(heads[x]));
        t->Cells(x, 2)->SetText(QStringLiteral("[Items.\"%1\"]").arg(QString::fromLatin1(fields[x])));
    }
    t->Cells(4, 0)->SetRowSpan(2);
    t->Cells(0, 3)->SetColSpan(2);
    t->Cells(1, 4)->ContainerPadding()->SetLeftPading(3);
}

TEST(TableObject, SaveLoadRoundTripIsByteStable)
{
    Grid g(5, 5);
    fillDemoCells(g.table);
    const QByteArray saved = save(*g.table);
    const QString text = QString::fromUtf8(saved);
    EXPECT_FALSE(text.contains(QStringLiteral("ColumnCount"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("RowCount"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("ColSpan=\"2\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("ContainerPadding.LeftPading=\"3\""))) << text.toStdString();
    // Only the one cell with a padding stores it.
    EXPECT_EQ(text.count(QStringLiteral("ContainerPadding.LeftPading")), 1) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("<TvdxTableColumn ")), 5);
    EXPECT_EQ(text.count(QStringLiteral("<TvdxTableRow ")), 5);
    EXPECT_EQ(text.count(QStringLiteral("<TvdxTableCell ")), 25);

    vdtest::ViewSheet other;
    auto *loaded = new TvdxTableObject(other.band);
    loaded->SetName(QStringLiteral("TableObject1"));
    QBuffer in;
    in.setData(saved);
    in.open(QIODevice::ReadOnly);
    loaded->LoadFromStream(in);
    EXPECT_EQ(loaded->ColumnCount(), 5);
    EXPECT_EQ(loaded->RowCount(), 5);
    EXPECT_EQ(loaded->Cells(1, 0)->Text(), QStringLiteral("Description\r\n"));
    EXPECT_EQ(loaded->Cells(0, 3)->ColSpan(), 2);
    EXPECT_TRUE(loaded->Cells(1, 3)->Hidden());
    EXPECT_EQ(loaded->Cells(4, 0)->RowSpan(), 2);
    EXPECT_TRUE(loaded->Cells(4, 1)->Hidden());
    EXPECT_NEAR(double(loaded->Height()), 5 * 18.89765, 1e-6);
    EXPECT_EQ(save(*loaded), saved);
}

// Records what the export loop would hand a filter.
class RecordingFilter : public TvdxCustomExportFilter {
public:
    explicit RecordingFilter(bool internal) : TvdxCustomExportFilter(nullptr, true), internal(internal) {}
    void ExportObject(TvdxComponent *obj) override
    {
        calls << QStringLiteral("export ") + obj->Name();
        widths << double(obj->Width());
    }
    void BeginClip(TvdxComponent *obj) override { calls << QStringLiteral("clip ") + obj->Name(); }
    void EndClip() override { calls << QStringLiteral("end"); }
    bool IsProcessInternal() override { return internal; }
    bool internal;
    QStringList calls;
    QList<double> widths;
};

TEST(TableObject, ExportsVisibleCellsWithTheirContents)
{
    Grid g(3, 1);
    g.table->Cells(0, 0)->SetName(QStringLiteral("A"));
    g.table->Cells(1, 0)->SetName(QStringLiteral("B"));
    g.table->Cells(2, 0)->SetName(QStringLiteral("C"));
    auto *inner = new TvdxMemoView(g.table->Cells(2, 0));
    inner->SetName(QStringLiteral("Inner"));
    g.table->Cells(0, 0)->SetColSpan(2);
    RecordingFilter filter(true);
    EXPECT_TRUE(g.table->ExportInternal(&filter));
    EXPECT_EQ(filter.calls, (QStringList{"export A", "clip A", "end", "export C", "clip C", "export Inner", "end"}));
    EXPECT_NEAR(filter.widths[0], 2 * 75.5906, 1e-6);

    RecordingFilter whole(false);
    EXPECT_TRUE(g.table->ExportInternal(&whole));
    EXPECT_EQ(whole.calls, (QStringList{"clip TableObject1", "export TableObject1", "end"}));
}

TEST(TableObject, DrawsFramesOfVisibleCellsAndTheirText)
{
    Grid g(2, 2);
    g.table->SetLeft(0);
    g.table->SetTop(0);
    g.table->Cells(0, 0)->SetText(QStringLiteral("WWWW"));
    g.table->Cells(0, 0)->Frame()->SetColor(clRed);
    g.table->Cells(1, 1)->SetColor(clBlue);
    QImage img = vdtest::whiteImage(200, 60);
    {
        QPainterCanvas canvas(img);
        g.table->Draw(canvas, 1, 1, 0, 0);
    }
    // Frames on every cell line, the fill of (1, 1), and dark text pixels in (0, 0).
    EXPECT_EQ(img.pixelColor(30, 0), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(110, 30), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(110, 19), QColor(Qt::black));
    int dark = 0;
    for (int y = 2; y < 17; ++y)
        for (int x = 2; x < 60; ++x)
            dark += img.pixelColor(x, y).lightness() < 128;
    EXPECT_GT(dark, 10);
}

// A master data band over three records holding the demo's table: every
// record prints the table with its own values, and the prepared report
// survives a save and load.
TEST(TableObject, PreparedPagesHoldTheBoundValues)
{
    TvdxUserDataSet ds;
    TvdxReport report;
    if (qobject_cast<TvdxStubEngine *>(report.Engine()))
        GTEST_SKIP() << "no engine linked";
    report.SetSilentMode(int(TvdxEngineOptions::simSilent));
    auto *page = new TvdxReportPage(&report);
    page->SetName(QStringLiteral("Page1"));
    ds.SetUserName(QStringLiteral("Items"));
    ds.SetFields({"DetailID", "Description", "Price", "Amount"});
    ds.SetRangeEnd(TvdxDataSet::reCount);
    ds.SetRangeEndCount(3);
    ds.OnNewGetValue = [](TvdxDataSet *sender, const QString &field, Variant &value) {
        const int n = sender->RecNo() + 1;
        if (field == QLatin1String("DetailID"))
            value = Variant(n);
        else if (field == QLatin1String("Description"))
            value = Variant(QStringLiteral("Item %1").arg(n));
        else
            value = Variant(n * 10);
    };
    report.DataSets()->Add(&ds);
    auto *band = new TvdxMasterData(page);
    band->SetName(QStringLiteral("MasterData1"));
    band->SetTop(20);
    band->SetHeight(100);
    band->SetDataSet(&ds);
    auto *table = new TvdxTableObject(band);
    table->SetName(QStringLiteral("TableObject1"));
    table->SetColumnCount(5);
    table->SetRowCount(5);
    fillDemoCells(table);
    table->UpdateBounds();
    ASSERT_TRUE(report.PrepareReport(true)) << report.Errors().join('\n').toStdString();

    TvdxCustomPreviewPages *pages = report.PreviewPages();
    ASSERT_GE(pages->Count(), 1);
    TvdxReportPage *p0 = pages->GetPage(0);
    ASSERT_NE(p0, nullptr);
    // Cells come column by column in each table: IDs, descriptions, prices, amounts.
    const QStringList expected = {"1", "Item 1", "10", "10", "2", "Item 2", "20", "20",
                                  "3", "Item 3", "30", "30"};
    QStringList got;
    for (TvdxComponent *c : p0->AllObjects())
        if (auto *t = qobject_cast<TvdxTableObject *>(c)) {
            EXPECT_EQ(t->ColumnCount(), 5);
            EXPECT_EQ(t->RowCount(), 5);
            for (int x = 0; x < 4; ++x)
                got << t->Cells(x, 2)->Text().trimmed();
            EXPECT_EQ(t->Cells(1, 0)->Text().trimmed(), QStringLiteral("Description"));
            EXPECT_TRUE(t->Cells(1, 3)->Hidden());
        }
    EXPECT_EQ(got, expected);
    // The template keeps its expressions.
    auto *tmpl = qobject_cast<TvdxTableObject *>(report.FindObject(QStringLiteral("TableObject1")));
    ASSERT_NE(tmpl, nullptr);
    EXPECT_EQ(tmpl->Cells(0, 2)->Text().trimmed(), QStringLiteral("[Items.\"DetailID\"]"));

    // Through the export loop each table arrives as its visible cells.
    RecordingFilter filter(true);
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    filter.SetShowDialogOptions(0);
    filter.SetStream(&sink);
    ASSERT_TRUE(pages->Export(&filter)) << report.Errors().join('\n').toStdString();
    EXPECT_EQ(filter.calls.count(QStringLiteral("export TableObject1")), 0);
    // 25 cells less the two covered by spanning cells, per record.
    EXPECT_EQ(filter.calls.filter(QRegularExpression(QStringLiteral("^clip TableCell"))).size(), 3 * 23);

    vdtest::TempDir dir;
    const QString file = dir.file(QStringLiteral("table.vp3"));
    pages->SaveToFile(file);
    TvdxReport again;
    ASSERT_TRUE(again.PreviewPages()->LoadFromFile(file));
    QStringList reloaded;
    for (TvdxComponent *c : again.PreviewPages()->GetPage(0)->AllObjects())
        if (auto *t = qobject_cast<TvdxTableObject *>(c))
            for (int x = 0; x < 4; ++x)
                reloaded << t->Cells(x, 2)->Text().trimmed();
    EXPECT_EQ(reloaded, expected);
}

} // namespace
