// The auto-closing popup form and the font box with its recent fonts.
#include "WidgetTestSupport.h"
#include "platform/IniFile.h"
#include "preview/vdxFontComboBox.h"
#include "preview/vdxPopupForm.h"
#include "preview/vdxRichEdit.h"
#include "preview/vdxUnicodeMemo.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

// A field that opens a popup on a click, unless one just closed.
struct PopupField {
    QWidget host;
    QPushButton *field;
    QPointer<TvdxPopupForm> popup;
    int opened = 0;
    PopupField()
    {
        host.resize(300, 200);
        field = new QPushButton("Colour", &host);
        QObject::connect(field, &QPushButton::clicked, [this] {
            if (vdxPopupJustClosed(50))
                return;
            popup = new TvdxPopupForm(&host);
            popup->show();
            popup->activateWindow();
            ++opened;
        });
    }
};

const QList<QPair<QString, int>> kFonts = {{"Alpha", 4}, {"Bravo", 4}, {"Charlie", 2}, {"Delta", 1},
                                           {"Echo", 4},  {"Foxtrot", 4}, {"Golf", 4}};

class FontBoxTest : public WidgetTest {
protected:
    void SetUp() override
    {
        WidgetTest::SetUp();
        TvdxFontComboBox::SetFontSource([] { return kFonts; });
    }
    void TearDown() override
    {
        TvdxFontComboBox::SetFontSource({});
        WidgetTest::TearDown();
    }
    static std::unique_ptr<TMemIniFile> store(const QStringList &names)
    {
        auto ini = std::make_unique<TMemIniFile>();
        for (int i = 0; i < names.size(); ++i) {
            ini->WriteString("MRUFont", QString("Font%1").arg(i), names[i]);
            ini->WriteInteger("MRUFont", QString("FontType%1").arg(i), 4);
        }
        return ini;
    }
    static QStringList slotNames(const TCustomIniFile *ini)
    {
        QStringList out;
        for (int i = 0; i < 5; ++i)
            out << ini->ReadString("MRUFont", QString("Font%1").arg(i), "?");
        return out;
    }
    static QStringList top(const TvdxFontComboBox &box)
    {
        QStringList out;
        for (int i = 0; i <= box.RecentCountIndex(); ++i)
            out << box.itemText(i);
        return out;
    }
};

// A store that counts how often it is freed.
struct CountedIni : TMemIniFile {
    int *freed;
    explicit CountedIni(int *f) : freed(f) {}
    ~CountedIni() override { ++*freed; }
};

} // namespace

using PopupTest = WidgetTest;

TEST_F(PopupTest, LosingActivationClosesAndTheClosingClickDoesNotReopen)
{
    quint32 now = 1000;
    vdxSetTickSource([&] { return now; });
    PopupField f;
    f.host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.host));
    QTest::mouseClick(f.field, Qt::LeftButton);
    ASSERT_EQ(f.opened, 1);
    ASSERT_TRUE(f.popup);
    EXPECT_TRUE(f.popup->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(f.popup->windowFlags() & Qt::FramelessWindowHint);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == f.popup->windowHandle(); }));

    // The user clicks the field again: the host window becomes active first.
    now = 2000;
    f.host.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == f.host.windowHandle(); }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(f.popup); // closed and freed
    EXPECT_EQ(vdxLastPopupCloseTime(), 2000u);
    now = 2030;
    QTest::mouseClick(f.field, Qt::LeftButton);
    EXPECT_EQ(f.opened, 1);
    now = 2050;
    QTest::mouseClick(f.field, Qt::LeftButton);
    EXPECT_EQ(f.opened, 2);
    vdxSetTickSource({});
}

TEST_F(PopupTest, ModalPopupIsNotFreedAndOnlyRightAndBottomSize)
{
    QPointer<TvdxPopupForm> popup = new TvdxPopupForm;
    popup->SetModalResult(1);
    popup->show();
    popup->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(popup);
    popup->setGeometry(100, 100, 200, 80);
    EXPECT_EQ(popup->HitTest(QPoint(298, 178)), Qt::Edges());
    popup->SetResizable(true);
    const QRect g = popup->frameGeometry();
    const int right = g.left() + g.width(), bottom = g.top() + g.height();
    EXPECT_EQ(popup->HitTest(QPoint(right - 2, bottom - 2)), Qt::RightEdge | Qt::BottomEdge);
    EXPECT_EQ(popup->HitTest(QPoint(right - 2, g.top() + 10)), Qt::RightEdge);
    EXPECT_EQ(popup->HitTest(QPoint(g.left() + 10, bottom - 1)), Qt::BottomEdge);
    EXPECT_EQ(popup->HitTest(QPoint(g.left() + 1, g.top() + 1)), Qt::Edges());
    // Dragging the corner sizes both ways.
    popup->show();
    const QPoint corner = popup->mapFromGlobal(QPoint(right - 2, bottom - 2));
    QTest::mousePress(popup, Qt::LeftButton, {}, corner);
    QTest::mouseMove(popup, corner + QPoint(30, 20));
    QTest::mouseRelease(popup, Qt::LeftButton, {}, corner + QPoint(30, 20));
    EXPECT_EQ(popup->size(), QSize(230, 100));
    delete popup;
}

TEST(RichEdit, TextGoesThroughTheDocument)
{
    EXPECT_EQ(vdxRichTextClipboardFormat(), "text/rtf");
    EXPECT_EQ(vdxRichEditVersion(), 4);
    TUnicodeMemo memo;
    memo.setPlainText(QString::fromUtf8("Grüße\n日本"));
    EXPECT_EQ(memo.toPlainText(), QString::fromUtf8("Grüße\n日本"));
}

TEST_F(FontBoxTest, RecentFontsComeFromTheStore)
{
    TvdxFontComboBox box;
    box.SetIniFile(store({"Echo", "Delta", "Ghost", "Bravo", "Alpha"}));
    box.PopulateList();
    // The stale slot is not shown and is written back empty.
    EXPECT_EQ(top(box), (QStringList{"Echo", "Delta", "Bravo", "Alpha"}));
    EXPECT_EQ(box.count(), 4 + 7);
    EXPECT_EQ(box.itemText(4), "Alpha"); // the sorted list follows
    EXPECT_EQ(box.IniFile()->ReadString("MRUFont", "Font2", "?"), "");
    EXPECT_EQ(box.IniFile()->ReadString("MRUFont", "FontType2", "?"), "0");
    EXPECT_EQ(box.FontType(1), 4); // from the store
    EXPECT_EQ(box.FontType(4 + 2), 2);
    EXPECT_EQ(box.EditOffset(), 15);
    EXPECT_TRUE(box.ReadOnly());
    EXPECT_EQ(box.DropDownCount(), 12);
}

TEST_F(FontBoxTest, SixthFontEvictsTheFifth)
{
    TvdxFontComboBox box;
    box.SetIniFile(store({"Alpha", "Bravo", "Charlie", "Delta", "Echo"}));
    box.PopulateList();
    ASSERT_EQ(box.RecentCountIndex(), 4);
    const int foxtrot = box.findText("Foxtrot");
    ASSERT_GT(foxtrot, 4);
    box.CloseUp(foxtrot);
    EXPECT_EQ(top(box), (QStringList{"Foxtrot", "Alpha", "Bravo", "Charlie", "Delta"}));
    EXPECT_EQ(box.count(), 5 + 7);
    EXPECT_EQ(box.currentIndex(), 0);
    EXPECT_EQ(slotNames(box.IniFile()), (QStringList{"Foxtrot", "Alpha", "Bravo", "Charlie", "Delta"}));
    EXPECT_EQ(box.findText("Echo"), 5 + 4); // still in the sorted part
}

TEST_F(FontBoxTest, RecentFontMovesUpWithoutChangingTheCount)
{
    TvdxFontComboBox box;
    box.SetIniFile(store({"Alpha", "Bravo", "Charlie"}));
    box.PopulateList();
    box.CloseUp(2);
    EXPECT_EQ(top(box), (QStringList{"Charlie", "Alpha", "Bravo"}));
    EXPECT_EQ(box.count(), 3 + 7);
    EXPECT_EQ(slotNames(box.IniFile()), (QStringList{"Charlie", "Alpha", "Bravo", "", ""}));
    // The recent copy further down also moves it up.
    box.CloseUp(3 + 1); // Bravo in the sorted part
    EXPECT_EQ(top(box), (QStringList{"Bravo", "Charlie", "Alpha"}));
    // Item 0 changes nothing.
    const QString before = box.IniFile()->IniText();
    box.CloseUp(0);
    EXPECT_EQ(top(box), (QStringList{"Bravo", "Charlie", "Alpha"}));
    EXPECT_EQ(box.IniFile()->IniText(), before);
}

TEST_F(FontBoxTest, ChoosingFromTheOpenList)
{
    TvdxFontComboBox box;
    box.SetIniFile(store({}));
    box.PopulateList();
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    box.showPopup();
    EXPECT_TRUE(box.Preview()->isVisible());
    QAbstractItemView *view = box.view();
    const QModelIndex golf = view->model()->index(box.findText("Golf"), 0);
    view->scrollTo(golf);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(golf).center());
    EXPECT_FALSE(box.Preview()->isVisible());
    EXPECT_EQ(box.currentText(), "Golf");
    EXPECT_EQ(top(box), QStringList{"Golf"});
    EXPECT_EQ(box.IniFile()->ReadString("MRUFont", "Font0", ""), "Golf");
    EXPECT_EQ(box.IniFile()->ReadString("MRUFont", "FontType0", ""), "4");
}

TEST_F(FontBoxTest, NoStoreNothingRecent)
{
    TvdxFontComboBox box;
    box.PopulateList();
    EXPECT_EQ(box.RecentCountIndex(), -1);
    EXPECT_EQ(box.count(), 7);
    box.Loaded();
    EXPECT_EQ(box.currentIndex(), 0);
    box.ShowMRU = false;
    box.CloseUp(3);
    EXPECT_EQ(box.count(), 7);
}

TEST_F(FontBoxTest, TheBoxOwnsItsStore)
{
    int freed = 0;
    {
        TvdxFontComboBox box;
        box.SetIniFile(std::make_unique<CountedIni>(&freed));
        box.SetIniFile(std::make_unique<CountedIni>(&freed));
        EXPECT_EQ(freed, 1);
    }
    EXPECT_EQ(freed, 2);
}

TEST_F(FontBoxTest, LongNamesShrinkToFitThePreview)
{
    TvdxFontComboBox box;
    TvdxFontPreview *preview = box.Preview();
    EXPECT_EQ(preview->size(), QSize(200, 50));
    const QString longName(40, QChar('W'));
    preview->ShowSample(longName, 96);
    const QFont shrunk = preview->Panel()->font();
    EXPECT_LE(QFontMetrics(shrunk).horizontalAdvance(longName), preview->width() + 8);
    preview->ShowSample("Ab", 96);
    EXPECT_EQ(preview->Panel()->font().pointSize(), 18);
}
