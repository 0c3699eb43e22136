// Forms bindings under the offscreen platform: scripts build forms, real Qt
// input reaches script handlers through the event adapters.
#include "RtTestSupport.h"
#include "platform/UiProvider.h"
#include "script/ov_iclasses.h"
#include "script/ov_iformsrtti.h"
#include "script/ov_igraphicsrtti.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
using namespace rttest;

void clickWidget(QWidget *w)
{
    const QPointF p(w->width() / 2.0, w->height() / 2.0);
    const QPointF g = w->mapToGlobal(p);
    QMouseEvent press(QEvent::MouseButtonPress, p, g, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, p, g, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

void typeChar(QWidget *w, QChar ch)
{
    QKeyEvent press(QEvent::KeyPress, int(ch.toUpper().unicode()), Qt::NoModifier, QString(ch));
    QKeyEvent release(QEvent::KeyRelease, int(ch.toUpper().unicode()), Qt::NoModifier, QString(ch));
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

class FormsBindingTest : public ::testing::Test {
protected:
    FormsBindingTest() : ui(&headless)
    {
        s.AddRTTI();
    }
    ~FormsBindingTest() override
    {
        QPointer<TCustomForm> f = form();
        s.Clear();
        delete f.data();
    }
    void run(const QString &text)
    {
        const Compiled c = compile(s, Pascal, text);
        ASSERT_TRUE(c.ok) << qPrintable(c.msg) << " at " << qPrintable(c.pos);
        s.Execute();
    }
    TCustomForm *form() { return qobject_cast<TCustomForm *>(obj("F")); }
    QObject *obj(const char *name)
    {
        const Variant v = s.Variables(QString::fromLatin1(name));
        return v.isObject() ? v.object() : nullptr;
    }
    int var(const char *name) { return s.Variables(QString::fromLatin1(name)).toInt(); }
    int adapters() const
    {
        int n = 0;
        for (int i = 0; i < s.Count(); ++i)
            n += dynamic_cast<TovCustomEvent *>(s.Items(i)) != nullptr;
        return n;
    }

    HeadlessUiProvider headless;
    TvdScopedUiProvider ui;
    TovScript s;
};

const QString kFormScript = QStringLiteral(
    "var F: TForm; B: TButton; E: TEdit; Clicks, Closes: Integer; AllowClose: Boolean;\n"
    "procedure BClick(Sender: TObject);\n"
    "begin Clicks := Clicks + 1; F.Caption := 'clicked ' + IntToStr(Clicks); end;\n"
    "procedure FCloseQuery(Sender: TObject; var CanClose: Boolean);\n"
    "begin CanClose := AllowClose; end;\n"
    "procedure FClose(Sender: TObject; var Action: Integer);\n"
    "begin Closes := Closes + 1; end;\n"
    "begin\n"
    "  F := TForm.Create(nil); F.Caption := 'Script form'; F.SetBounds(10, 10, 300, 200);\n"
    "  B := TButton.Create(F); B.Parent := F; B.Caption := 'Go'; B.SetBounds(20, 20, 80, 30);\n"
    "  E := TEdit.Create(F); E.Parent := F; E.SetBounds(20, 60, 120, 24);\n"
    "  B.OnClick := 'BClick';\n"
    "  F.OnCloseQuery := 'FCloseQuery'; F.OnClose := 'FClose';\n"
    "  F.Show;\n"
    "end.");

TEST_F(FormsBindingTest, ClickRunsHandlerAndCloseQueryKeepsFormOpen)
{
    run(kFormScript);
    TCustomForm *f = form();
    auto *b = qobject_cast<TButton *>(obj("B"));
    ASSERT_TRUE(f && b);
    EXPECT_TRUE(f->Widget()->isVisible());
    EXPECT_EQ(b->Widget()->parentWidget(), f->Widget());
    EXPECT_EQ(b->Caption(), QStringLiteral("Go"));
    EXPECT_FALSE(s.Evaluate(QStringLiteral("Application.ExeName")).toString().isEmpty());
    EXPECT_EQ(s.Evaluate(QStringLiteral("B.Parent = F")).toBool(), true);

    clickWidget(b->Widget());
    EXPECT_EQ(var("Clicks"), 1);
    EXPECT_EQ(f->Widget()->windowTitle(), QStringLiteral("clicked 1"));

    // The window manager's close and the script's Close both ask first.
    EXPECT_FALSE(f->Widget()->close());
    EXPECT_TRUE(f->Widget()->isVisible());
    s.Statement()->Clear();
    run(QStringLiteral("begin F.Close; end."));
    EXPECT_TRUE(f->Widget()->isVisible());
    EXPECT_EQ(var("Closes"), 0);

    s.SetVariables(QStringLiteral("AllowClose"), Variant(true));
    EXPECT_TRUE(f->Widget()->close());
    EXPECT_FALSE(f->Widget()->isVisible());
    EXPECT_EQ(var("Closes"), 1);
}

TEST_F(FormsBindingTest, AdaptersNeverPileUpAndGoWithTheirControl)
{
    run(kFormScript);
    EXPECT_EQ(adapters(), 3);
    s.Statement()->Clear();
    run(QStringLiteral("begin B.OnClick := 'BClick'; B.OnClick := 'BClick'; B.OnClick := 'BClick'; end."));
    EXPECT_EQ(adapters(), 3);
    auto *b = qobject_cast<TButton *>(obj("B"));
    clickWidget(b->Widget());
    EXPECT_EQ(var("Clicks"), 1);

    // Detaching leaves no adapter and no host handler.
    s.Statement()->Clear();
    run(QStringLiteral("begin B.OnClick := nil; end."));
    EXPECT_EQ(adapters(), 2);
    EXPECT_FALSE(b->HasEvent(QStringLiteral("ONCLICK")));

    // A freed control takes its adapter with it.
    s.Statement()->Clear();
    run(QStringLiteral("begin E.OnKeyPress := 'BClick'; end."));
    EXPECT_EQ(adapters(), 3);
    delete obj("E");
    EXPECT_EQ(adapters(), 2);

    // A cleared program no longer reaches the form.
    TCustomForm *f = form();
    s.Clear();
    EXPECT_FALSE(f->HasEvent(QStringLiteral("ONCLOSEQUERY")));
    EXPECT_TRUE(f->Widget()->close());
    delete f;
}

TEST_F(FormsBindingTest, KeyPressHandlerChangesOrSwallowsKeys)
{
    run(QStringLiteral("var F: TForm; E: TEdit; Downs: Integer;\n"
                       "procedure EKeyPress(Sender: TObject; var Key: Char);\n"
                       "begin if Key = 'a' then Key := 'b'; if Key = '#' then Key := ''; end;\n"
                       "procedure EKeyDown(Sender: TObject; var Key: Integer; Shift: Integer);\n"
                       "begin Downs := Downs + 1; if Key = VK_ESCAPE then Key := 0; end;\n"
                       "begin F := TForm.Create(nil); E := TEdit.Create(F); E.Parent := F;\n"
                       "  E.OnKeyPress := 'EKeyPress'; E.OnKeyDown := 'EKeyDown'; F.Show; end."));
    auto *e = qobject_cast<TEdit *>(obj("E"));
    ASSERT_TRUE(e);
    for (QChar ch : QStringLiteral("xa#y"))
        typeChar(e->Widget(), ch);
    EXPECT_EQ(e->Text(), QStringLiteral("xby"));
    // Keys without a virtual-key code of their own ("#") raise no key-down.
    EXPECT_EQ(var("Downs"), 3);
}

// Handlers that forgot "var": the event still reads the argument back.
TEST_F(FormsBindingTest, EventsTakeTheirArgumentsBackWithoutVar)
{
    run(QStringLiteral("var F: TForm; E: TEdit; Closes: Integer;\n"
                       "procedure Q(Sender: TObject; CanClose: Boolean);\n"
                       "begin CanClose := False; end;\n"
                       "procedure C(Sender: TObject; Action: Integer);\n"
                       "begin Closes := Closes + 1; Action := caNone; end;\n"
                       "procedure P(Sender: TObject; Key: Char);\n"
                       "begin if Key = 'a' then Key := 'z'; end;\n"
                       "procedure D(Sender: TObject; Key: Integer; Shift: Integer);\n"
                       "begin Key := 0; end;\n"
                       "begin F := TForm.Create(nil); E := TEdit.Create(F); E.Parent := F;\n"
                       "  F.OnCloseQuery := 'Q'; E.OnKeyPress := 'P'; F.Show; end."));
    TCustomForm *f = form();
    auto *e = qobject_cast<TEdit *>(obj("E"));
    ASSERT_TRUE(f && e);
    EXPECT_FALSE(f->Widget()->close());
    EXPECT_TRUE(f->Widget()->isVisible());

    typeChar(e->Widget(), u'a');
    EXPECT_EQ(e->Text(), QStringLiteral("z"));

    // OnClose answering caNone keeps the form too.
    s.Statement()->Clear();
    run(QStringLiteral("begin F.OnCloseQuery := nil; F.OnClose := 'C'; end."));
    EXPECT_FALSE(f->Widget()->close());
    EXPECT_TRUE(f->Widget()->isVisible());
    EXPECT_EQ(var("Closes"), 1);

    // Arguments an event passes only one way are never read back.
    TovKeyEvent down(nullptr, nullptr);
    EXPECT_TRUE(down.TakesBack(1));
    EXPECT_FALSE(down.TakesBack(2));
    TovNotifyEvent click(nullptr, nullptr);
    EXPECT_FALSE(click.TakesBack(0));
}

TEST_F(FormsBindingTest, ShowModalEndsWithTheButtonsModalResult)
{
    run(QStringLiteral("var F: TForm; B: TButton; R, Queries: Integer;\n"
                       "procedure Q(Sender: TObject; var CanClose: Boolean);\n"
                       "begin Queries := Queries + 1; end;\n"
                       "begin F := TForm.Create(nil); B := TButton.Create(F); B.Parent := F;\n"
                       "  B.ModalResult := mrOk; F.OnCloseQuery := 'Q'; end."));
    auto *b = qobject_cast<TButton *>(obj("B"));
    QTimer::singleShot(0, b->Widget(), [b] { clickWidget(b->Widget()); });
    s.Statement()->Clear();
    run(QStringLiteral("begin R := F.ShowModal; end."));
    EXPECT_EQ(var("R"), 1);
    EXPECT_EQ(var("Queries"), 1);
    EXPECT_FALSE(form()->Widget()->isVisible());
}

TEST_F(FormsBindingTest, HandlerErrorsReachTheScriptOrAreShown)
{
    run(QStringLiteral("var F: TForm; B: TButton;\n"
                       "procedure Bad(Sender: TObject; var CanClose: Boolean);\n"
                       "begin CanClose := 1 div 0 = 1; end;\n"
                       "procedure BadClick(Sender: TObject); begin StrToInt('x'); end;\n"
                       "begin F := TForm.Create(nil); B := TButton.Create(F); B.Parent := F;\n"
                       "  F.OnCloseQuery := 'Bad'; B.OnClick := 'BadClick'; F.Show; end."));
    // Raised by the script's own call: it passes out to the script.
    s.Statement()->Clear();
    const Compiled c = compile(s, Pascal, QStringLiteral("begin F.Close; end."));
    ASSERT_TRUE(c.ok);
    EXPECT_THROW(s.Execute(), Exception);
    EXPECT_TRUE(form()->Widget()->isVisible());
    // Raised from a real click: shown, never thrown through the event loop.
    clickWidget(qobject_cast<TButton *>(obj("B"))->Widget());
    ASSERT_EQ(headless.Prompts().size(), 1);
    EXPECT_EQ(headless.Prompts().at(0).kind, QStringLiteral("MessageDlg"));
}

TEST_F(FormsBindingTest, HandlerReenteredByShowModalGetsItsLocalsBack)
{
    run(QStringLiteral("var F1, F2: TForm; B1, B2: TButton; Depth: Integer; Log: String;\n"
                       "procedure BClick(Sender: TObject);\n"
                       "var Mine: Integer;\n"
                       "begin Depth := Depth + 1; Mine := Depth;\n"
                       "  if Mine = 1 then F2.ShowModal;\n"
                       "  Log := Log + IntToStr(Mine); end;\n"
                       "begin F1 := TForm.Create(nil); F2 := TForm.Create(nil);\n"
                       "  B1 := TButton.Create(F1); B1.Parent := F1; B2 := TButton.Create(F2); B2.Parent := F2;\n"
                       "  B2.ModalResult := mrOk; B1.OnClick := 'BClick'; B2.OnClick := 'BClick'; F1.Show; end."));
    auto *b1 = qobject_cast<TButton *>(obj("B1"));
    auto *b2 = qobject_cast<TButton *>(obj("B2"));
    QTimer::singleShot(0, b2->Widget(), [b2] { clickWidget(b2->Widget()); });
    clickWidget(b1->Widget());
    EXPECT_EQ(s.Variables(QStringLiteral("Log")).toString(), QStringLiteral("21"));
    delete obj("F1");
    delete obj("F2");
}

TEST_F(FormsBindingTest, CanResizeAndPaintHandlers)
{
    run(QStringLiteral("var F: TForm;\n"
                       "procedure CanResize(Sender: TObject; var NewWidth, NewHeight: Integer; var Resize: Boolean);\n"
                       "begin if NewWidth > 400 then NewWidth := 400; Resize := NewHeight <> 123; end;\n"
                       "procedure Paint(Sender: TObject);\n"
                       "begin F.Canvas.Brush.Color := clRed; F.Canvas.Pen.Style := psClear;\n"
                       "  F.Canvas.Rectangle(0, 0, 50, 40); end;\n"
                       "begin F := TForm.Create(nil); F.OnCanResize := 'CanResize'; F.OnPaint := 'Paint';\n"
                       "  F.SetBounds(0, 0, 900, 200); F.SetBounds(0, 0, 300, 123); end."));
    TCustomForm *f = form();
    EXPECT_EQ(f->Width(), 400);
    EXPECT_EQ(f->Height(), 200);
    const QImage shot = f->Widget()->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(10, 10)), QColor(Qt::red));
    EXPECT_NE(QColor(shot.pixel(100, 100)), QColor(Qt::red));
}

TEST(FormsKeys, QtKeysToVirtualKeys)
{
    const std::pair<int, int> rows[] = {
        {Qt::Key_A, 65},     {Qt::Key_Z, 90},      {Qt::Key_0, 48},       {Qt::Key_F1, 112},
        {Qt::Key_F12, 123},  {Qt::Key_Return, 13}, {Qt::Key_Enter, 13},   {Qt::Key_Escape, 27},
        {Qt::Key_Tab, 9},    {Qt::Key_Backspace, 8}, {Qt::Key_Left, 37},  {Qt::Key_Down, 40},
        {Qt::Key_Delete, 46}, {Qt::Key_Insert, 45}, {Qt::Key_PageUp, 33}, {Qt::Key_Shift, 16},
        {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},  {Qt::Key_NumLock, 144}, {Qt::Key_unknown, 0},
    };
    for (const auto &[qt, vk] : rows)
        EXPECT_EQ(ovQtKeyToVK(qt), vk) << qt;
    EXPECT_EQ(ovVKToQtKey(112), int(Qt::Key_F1));
    EXPECT_EQ(ovVKToQtKey(13), int(Qt::Key_Return));
    EXPECT_EQ(ovShiftState(Qt::ShiftModifier | Qt::ControlModifier, Qt::LeftButton, true), 1 | 4 | 8 | 64);
    EXPECT_EQ(ovShiftState(Qt::AltModifier, Qt::RightButton | Qt::MiddleButton), 2 | 16 | 32);
}

} // namespace
