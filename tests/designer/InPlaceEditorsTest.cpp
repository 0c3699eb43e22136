// The drop-down data-field editor on barcode views inside data bands: button
// and popup geometry, the field list from a real SQLite data set, applying a
// choice to a selection, and binding by dropping fields from a tree.
#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxBarcodeView.h"
#include "common/TestSupport.h"
#include "designer/vdxInPlaceEditors.h"
#include "platform/QPainterCanvas.h"
#include "preview/vdxPopupForm.h"
#include "report/vdxClass_band.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_page.h"
#include "report/vdxClass_report.h"
#include "report/vdxDBSet.h"

#include <QCoreApplication>
#include <QEvent>
#include <QListWidget>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

TvdxInteractiveEventsParams paramsAt(int ppi, QObject *sender = nullptr)
{
    TvdxInteractiveEventsParams p;
    p.DevicePPI = ppi;
    p.Sender = sender;
    return p;
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A report page with a master data band over a real SQLite table, holding
// two linear barcodes, a 2D barcode and a text object.
class DataBandFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString conn = QStringLiteral("inplace-fixture");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
            db.setDatabaseName(dir.file(QStringLiteral("items.sqlite")));
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE items (ID INTEGER, NAME TEXT, CODE TEXT)")));
            ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO items VALUES (1, 'Bolt', '4006381333931')")));
            db.close();
        }
        QSqlDatabase::removeDatabase(conn);
        query.SetDatabaseFile(dir.file(QStringLiteral("items.sqlite")));
        query.SetSQL(QStringLiteral("SELECT * FROM items"));
        dataSet.SetUserName(QStringLiteral("Items"));
        dataSet.SetDataSet(&query);
        report.DataSets()->Add(&dataSet);

        page = new TvdxReportPage(&report);
        band = new TvdxMasterData(page);
        band->SetDataSet(&dataSet);
        band->SetTop(20);
        barcode = new TvdxBarCodeView(band);
        barcode->SetBounds(100, 20, 200, 50);
        other = new TvdxBarCodeView(band);
        barcode2D = new TvdxBarcode2DView(band);
        memo = new TvdxMemoView(band);
        loose = new TvdxBarCodeView(page);
    }
    void TearDown() override { flushDeletes(); }

    // Draws the view as the host would; the editors place their button
    // against the rectangle it was drawn in.
    TRect drawn(TvdxView *view)
    {
        QImage image(800, 600, QImage::Format_ARGB32);
        QPainterCanvas canvas(image);
        view->Draw(canvas, 1, 1, 0, 0);
        return TRect(view->FX(), view->FY(), view->FX1(), view->FY1());
    }

    vdtest::TempDir dir;
    TvdxSqlDataSet query;
    TvdxDBDataset dataSet;
    TvdxReport report;
    TvdxReportPage *page = nullptr;
    TvdxMasterData *band = nullptr;
    TvdxBarCodeView *barcode = nullptr;
    TvdxBarCodeView *other = nullptr;
    TvdxBarcode2DView *barcode2D = nullptr;
    TvdxMemoView *memo = nullptr;
    TvdxBarCodeView *loose = nullptr;
};

} // namespace

TEST(DataFieldEditorGeometry, ButtonSizeFollowsDensityAndObjectHeight)
{
    struct Case {
        int ppi, height, size;
    } cases[] = {
        {96, 10, 16},  // never below the nominal size at 96 dpi
        {96, 200, 16},
        {144, 24, 24},
        {144, 300, 24},
        {144, 13, 12}, // the object's height, made even
        {100, 50, 16}, // Round(16 * 100 / 96) = 17, made even
    };
    for (const Case &c : cases) {
        TvdxInPlaceDataFiledEditor ed(&TvdxBarCodeView::staticMetaObject, nullptr);
        auto p = paramsAt(c.ppi);
        ed.InitializeUI(p);
        ed.SetEditorRect(TRect(40, 100, 240, 100 + c.height));
        EXPECT_EQ(ed.GetButtonSize(), c.size) << c.ppi << " dpi, height " << c.height;
        const TPoint pos = ed.GetButtonPos();
        EXPECT_EQ(pos.X, 240 - c.size);
        EXPECT_EQ(pos.Y, 102);
        EXPECT_EQ(ed.GlyphScale(), int(std::nearbyint(c.size / 16.0)));
    }
}

TEST(DataFieldEditorGeometry, PopupUnderTheButtonClampedAtTheLeftEdge)
{
    TvdxInPlaceDataFiledEditor ed(&TvdxBarCodeView::staticMetaObject, nullptr);
    auto p = paramsAt(96);
    ed.InitializeUI(p);
    ed.SetEditorRect(TRect(200, 50, 300, 80));
    TPoint pos;
    int w = 0, h = 0;
    ed.GetPopupBounds(pos, w, h);
    // Button (284, 52)-(300, 68): the popup's right edge under the button's,
    // its top two pixels below.
    EXPECT_EQ(pos.X, 300 - 140);
    EXPECT_EQ(pos.Y, 70);
    EXPECT_EQ(w, 140);
    EXPECT_EQ(h, 162);

    ed.SetEditorRect(TRect(0, 50, 60, 80));
    ed.GetPopupBounds(pos, w, h);
    EXPECT_EQ(pos.X, 0);
    EXPECT_EQ(pos.Y, 70);
    EXPECT_EQ(w, 140);
    EXPECT_EQ(h, 162);

    // At 144 dpi the size is still given at 96 dpi.
    auto p144 = paramsAt(144);
    ed.InitializeUI(p144);
    ed.SetEditorRect(TRect(300, 50, 500, 100));
    ed.GetPopupBounds(pos, w, h);
    EXPECT_EQ(pos.X, 500 - 210);
    EXPECT_EQ(pos.Y, 50 + 2 + 24 + 2);
    EXPECT_EQ(w, 140);
    EXPECT_EQ(h, 162);
}

TEST_F(DataBandFixture, ButtonOnlyInsideADataBandWithADataSet)
{
    TvdxInPlaceDataFiledEditor ed(&TvdxBarCodeView::staticMetaObject, nullptr);
    auto p = paramsAt(96);
    ed.SetComponent(barcode);
    EXPECT_EQ(ed.DataSet(), &dataSet);
    EXPECT_TRUE(ed.HasButton());
    ed.InitializeUI(p);
    EXPECT_TRUE(ed.DrawButtonFlag());

    ed.SetComponent(loose);
    EXPECT_EQ(ed.DataSet(), nullptr);
    EXPECT_FALSE(ed.HasButton());
    ed.InitializeUI(p);
    EXPECT_FALSE(ed.DrawButtonFlag());

    band->SetDataSet(nullptr);
    ed.SetComponent(barcode);
    EXPECT_FALSE(ed.HasButton());
}

TEST_F(DataBandFixture, PopupListsTheFieldsAndSelectsTheBoundOne)
{
    QWidget host;
    host.resize(600, 400);
    barcode->SetDataField(QStringLiteral("NAME"));
    TvdxInPlaceDataFiledEditor ed(&TvdxBarCodeView::staticMetaObject, &host);
    ed.SetComponent(barcode);
    auto p = paramsAt(96, &host);
    const TRect r = drawn(barcode);
    ASSERT_GT(r.Height(), 20);
    ed.InitializeUI(p);
    EXPECT_EQ(ed.EditorRect(), r);
    const TRect button = ed.ButtonRect();
    EXPECT_EQ(button, TRect(r.Right - 16, r.Top + 2, r.Right, r.Top + 18));

    // A press beside the button opens nothing.
    EXPECT_FALSE(ed.DoMouseDown(button.Left - 1, button.Top + 4, mbLeft, {}, p));
    EXPECT_EQ(ed.PopupForm(), nullptr);
    EXPECT_FALSE(ed.Locked);

    EXPECT_TRUE(ed.DoMouseDown(button.Left + 1, button.Top + 1, mbLeft, {}, p));
    ASSERT_NE(ed.PopupForm(), nullptr);
    EXPECT_TRUE(ed.Locked);
    EXPECT_TRUE(ed.DrawDropDown());
    EXPECT_EQ(ed.PopupForm()->size(), QSize(140, 162));
    EXPECT_EQ(ed.PopupForm()->pos(), host.mapToGlobal(QPoint(button.Right - 140, button.Bottom + 2)));
    EXPECT_EQ(ed.GetActiveRect(), QRect(0, 0, 140, 162));
    EXPECT_EQ(ed.GetItems(), (QStringList{QStringLiteral("ID"), QStringLiteral("NAME"), QStringLiteral("CODE")}));
    EXPECT_EQ(ed.GetItemIndex(), 1);
    EXPECT_EQ(ed.GetItemHeight(), 16);
    ed.PopupForm()->close();
    flushDeletes();
    EXPECT_EQ(ed.PopupForm(), nullptr);
    EXPECT_FALSE(ed.Locked);
    EXPECT_EQ(ed.GetActiveRect(), QRect());

    barcode->SetDataField(QStringLiteral("MISSING"));
    ASSERT_TRUE(ed.ShowPopup(&host, r, button.Left + 1, button.Top + 1));
    EXPECT_EQ(ed.GetItemIndex(), -1);
    ed.PopupForm()->close();
    flushDeletes();

    // No data set: the popup is not kept.
    band->SetDataSet(nullptr);
    EXPECT_FALSE(ed.ShowPopup(&host, r, button.Left + 1, button.Top + 1));
    EXPECT_EQ(ed.PopupForm(), nullptr);
    EXPECT_FALSE(ed.Locked);
}

TEST_F(DataBandFixture, ChoosingAFieldBindsTheSelectionOfTheSameClassAndReportsOnce)
{
    QWidget host;
    TvdxSelectedObjectsList selection;
    selection.Add(barcode);
    selection.Add(other);
    selection.Add(memo);
    selection.Add(barcode2D);

    TvdxInPlaceDataFiledEditor ed(&TvdxBarCodeView::staticMetaObject, &host);
    ed.SetComponent(barcode);
    auto p = paramsAt(96, &host);
    p.SelectionList = &selection;
    int finished = 0;
    bool modified = false;
    QObject *finishedWith = nullptr;
    p.OnFinish = [&](QObject *sender, bool, bool m) {
        ++finished;
        modified = m;
        finishedWith = sender;
    };
    drawn(barcode);
    TvdxComponentEditorsManager manager(&TvdxBarCodeView::staticMetaObject);
    manager.AddEditor(&ed);
    manager.InitializeUI(p);
    EXPECT_EQ(ed.ComponentsGroup, &selection);
    const TRect button = ed.ButtonRect();
    // A press on the button opens the list and is taken; so is a press while open.
    ASSERT_TRUE(ed.DoMouseDown(button.Left + 2, button.Top + 2, mbLeft, {}, p));
    EXPECT_TRUE(ed.DoMouseDown(10, 10, mbLeft, {}, p));
    QListWidget *list = ed.ListBox();
    ASSERT_NE(list, nullptr);
    list->setCurrentRow(2);
    emit list->itemClicked(list->item(2));
    flushDeletes();

    for (TvdxView *v : {static_cast<TvdxView *>(barcode), static_cast<TvdxView *>(other)}) {
        EXPECT_EQ(v->DataSet(), &dataSet);
        EXPECT_EQ(v->DataField(), QStringLiteral("CODE"));
    }
    // Objects of another class keep their binding.
    EXPECT_EQ(memo->DataSet(), nullptr);
    EXPECT_TRUE(memo->DataField().isEmpty());
    EXPECT_EQ(barcode2D->DataSet(), nullptr);
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(modified);
    EXPECT_EQ(finishedWith, barcode);
    EXPECT_FALSE(ed.Locked);
    EXPECT_EQ(ed.PopupForm(), nullptr);
    selection.Clear();
}

TEST_F(DataBandFixture, ClosingThePopupWithoutAChoiceReportsNoChange)
{
    QWidget host;
    TvdxInPlaceDataFiledEditor ed(&TvdxBarCodeView::staticMetaObject, &host);
    ed.SetComponent(barcode);
    auto p = paramsAt(96, &host);
    int finished = 0;
    bool modified = true;
    p.OnFinish = [&](QObject *, bool, bool m) {
        ++finished;
        modified = m;
    };
    drawn(barcode);
    ed.InitializeUI(p);
    ASSERT_TRUE(ed.DoMouseDown(ed.ButtonRect().Left + 2, ed.ButtonRect().Top + 2, mbLeft, {}, p));
    // While open, leaving the object keeps the button.
    ed.FinalizeUI(p);
    EXPECT_TRUE(ed.DrawButtonFlag());
    ed.PopupForm()->close();
    flushDeletes();
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(modified);
    EXPECT_TRUE(barcode->DataField().isEmpty());
}

TEST_F(DataBandFixture, EditorGoingWhilePopupOpenTakesThePopupWithIt)
{
    QWidget host;
    QPointer<TvdxPopupForm> popup;
    {
        TvdxInPlaceDataFiledEditor ed(&TvdxBarCodeView::staticMetaObject, &host);
        ed.SetComponent(barcode);
        auto p = paramsAt(96, &host);
        p.OnFinish = [](QObject *, bool, bool) { FAIL() << "no edit to report"; };
        drawn(barcode);
        ed.InitializeUI(p);
        ASSERT_TRUE(ed.DoMouseDown(ed.ButtonRect().Left + 2, ed.ButtonRect().Top + 2, mbLeft, {}, p));
        popup = ed.PopupForm();
        ASSERT_NE(popup, nullptr);
    }
    flushDeletes();
    EXPECT_EQ(popup, nullptr);
}

namespace {

// The data tree's field nodes carry their data set.
QTreeWidgetItem *fieldNode(QTreeWidget &tree, TvdxDataSet *ds, const QString &field)
{
    auto *node = new QTreeWidgetItem(&tree, QStringList{field});
    node->setData(0, Qt::UserRole, QVariant::fromValue<QObject *>(ds));
    return node;
}

} // namespace

TEST_F(DataBandFixture, DroppingOneFieldBindsABarcodeAndOtherSourcesAreRefused)
{
    QTreeWidget tree;
    tree.setSelectionMode(QAbstractItemView::MultiSelection);
    fieldNode(tree, &dataSet, QStringLiteral("ID"));
    QTreeWidgetItem *code = fieldNode(tree, &dataSet, QStringLiteral("CODE"));
    code->setSelected(true);

    for (TvdxView *view : {static_cast<TvdxView *>(barcode), static_cast<TvdxView *>(barcode2D)}) {
        TvdxInPlaceDataFiledEditor ed(&TvdxBarCodeView::staticMetaObject, nullptr);
        ed.SetComponent(view);
        auto p = paramsAt(96);
        bool accept = false;
        EXPECT_TRUE(ed.DoCustomDragOver(&tree, 5, 5, 0, accept, p));
        EXPECT_TRUE(accept);
        EXPECT_TRUE(p.Refresh);
        EXPECT_TRUE(ed.DrawDragDrop());
        p.Refresh = false;
        EXPECT_TRUE(ed.DoCustomDragDrop(&tree, 5, 5, p));
        EXPECT_FALSE(ed.DrawDragDrop());
        EXPECT_TRUE(p.Refresh);
        EXPECT_TRUE(p.Modified);
        EXPECT_EQ(view->DataSet(), &dataSet);
        EXPECT_EQ(view->DataField(), QStringLiteral("CODE"));
    }

    TvdxInPlaceDataFiledEditor ed(&TvdxBarCodeView::staticMetaObject, nullptr);
    ed.SetComponent(other);
    QObject notATree;
    auto p = paramsAt(96);
    bool accept = false;
    EXPECT_FALSE(ed.DoCustomDragOver(&notATree, 5, 5, 0, accept, p));
    EXPECT_FALSE(accept);
    EXPECT_FALSE(p.Refresh);
    EXPECT_FALSE(ed.DoCustomDragDrop(&notATree, 5, 5, p));
    EXPECT_FALSE(p.Modified);
    EXPECT_EQ(other->DataSet(), nullptr);
    EXPECT_TRUE(other->DataField().isEmpty());
}

TEST_F(DataBandFixture, DroppingSeveralFieldsLastSelectedFirst)
{
    QTreeWidget tree;
    tree.setSelectionMode(QAbstractItemView::MultiSelection);
    fieldNode(tree, &dataSet, QStringLiteral("NAME"))->setSelected(true);
    fieldNode(tree, &dataSet, QStringLiteral("CODE"))->setSelected(true);

    // A barcode takes the last selected field only.
    {
        TvdxInPlaceDataFiledEditor ed(&TvdxBarCodeView::staticMetaObject, nullptr);
        ed.SetComponent(barcode);
        auto p = paramsAt(96);
        EXPECT_TRUE(ed.DoCustomDragDrop(&tree, 0, 0, p));
        EXPECT_EQ(barcode->DataField(), QStringLiteral("CODE"));
        EXPECT_EQ(barcode->DataSet(), &dataSet);
    }
    // A text object gets one bracketed expression per field (a line each)
    // instead of a binding.
    {
        memo->SetDataSet(&dataSet);
        memo->SetDataField(QStringLiteral("ID"));
        memo->SetText(QStringLiteral("old"));
        TvdxInPlaceDataFiledEditor ed(&TvdxMemoView::staticMetaObject, nullptr);
        ed.SetComponent(memo);
        auto p = paramsAt(96);
        EXPECT_TRUE(ed.DoCustomDragDrop(&tree, 0, 0, p));
        EXPECT_EQ(memo->Text(), QStringLiteral("[Items.\"CODE\"]\r\n[Items.\"NAME\"]\r\n"));
        EXPECT_EQ(memo->DataSet(), nullptr);
        EXPECT_TRUE(memo->DataField().isEmpty());
    }
    // The band editor's event object hands over one node of the tree.
    {
        TvdxEventObject event(&tree, 0);
        TvdxInPlaceDataFiledEditor ed(&TvdxBarCodeView::staticMetaObject, nullptr);
        ed.SetComponent(other);
        auto p = paramsAt(96);
        EXPECT_TRUE(ed.DoCustomDragDrop(&event, 0, 0, p));
        EXPECT_EQ(other->DataField(), QStringLiteral("NAME"));
    }
}
