// Styles: names, style sheets and their variants, applying to views, style
// files and schemes, and bad files.
#include "platform/Exception.h"
#include "report/vdxClass.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

QByteArray saveStyles(TvdxStyles &s)
{
    QBuffer b;
    b.open(QIODevice::ReadWrite);
    s.SaveToStream(b);
    return b.data();
}

void loadStyles(TvdxStyles &s, QByteArray bytes)
{
    QBuffer b(&bytes);
    b.open(QIODevice::ReadOnly);
    s.LoadFromStream(b);
}

TEST(StyleNames, UniqueNamesAndDuplicates)
{
    TvdxStyles s;
    s.Add()->SetName(QStringLiteral("Style1"));
    s.Add()->SetName(QStringLiteral("style2"));
    TvdxStyleItem *n = s.Add();
    n->CreateUniqueName();
    EXPECT_EQ(n->Name(), QStringLiteral("Style3"));
    try {
        n->SetName(QStringLiteral("STYLE1"));
        FAIL() << "duplicate accepted";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Duplicate name"));
    }
    EXPECT_EQ(n->Name(), QStringLiteral("Style3"));
    EXPECT_EQ(s.Find(QStringLiteral("STYLE2")), s.GetItem(1));
}

TEST(StyleSheets, AddFillsTheGapInEveryStyle)
{
    TvdxStyles s;
    TvdxStyleItem *a = s.Add();
    a->SetName(QStringLiteral("Title"));
    a->SetColor(clRed);
    s.Add()->SetName(QStringLiteral("Data"));
    s.StyleSheetNames() << QStringLiteral("StyleSheet1") << QStringLiteral("StyleSheet3");
    EXPECT_EQ(s.AddStyleSheet(), QStringLiteral("StyleSheet2"));
    for (int i = 0; i < s.Count(); ++i) {
        TvdxStyleSheetItem *v = s.GetItem(i)->StyleSheet()->Find(QStringLiteral("StyleSheet2"));
        ASSERT_TRUE(v) << i;
        EXPECT_EQ(v->Color(), s.GetItem(i)->Color());
    }
    EXPECT_FALSE(s.RenameStyleSheet(QStringLiteral("Nope"), QStringLiteral("X")));
    EXPECT_THROW(s.RenameStyleSheet(QStringLiteral("StyleSheet1"), QStringLiteral("stylesheet2")), EDuplicateName);
    EXPECT_TRUE(s.RenameStyleSheet(QStringLiteral("StyleSheet1"), QStringLiteral("Dark")));
    EXPECT_TRUE(a->StyleSheet()->Find(QStringLiteral("Dark")));
    QStringList list;
    s.GetStyleSheetList(list);
    EXPECT_EQ(list.first(), QStringLiteral("Default"));
}

TEST(StyleSheets, ActiveSheetOnlyInStyleBookMode)
{
    TvdxReport r;
    TvdxStyles *s = r.Styles();
    TvdxStyleItem *t = s->Add();
    t->SetName(QStringLiteral("Title"));
    t->SetColor(clRed);
    const QString sheet = s->AddStyleSheet();
    t->StyleSheet()->Find(sheet)->SetColor(clBlue);
    s->SetActiveStyleSheet(sheet);
    EXPECT_TRUE(s->ActiveStyleSheet().isEmpty()) << "ignored outside style-book mode";
    s->SetStyleBookMode(TvdxStyles::fsbPreview);
    s->SetActiveStyleSheet(QStringLiteral("Unknown"));
    EXPECT_TRUE(s->ActiveStyleSheet().isEmpty());
    s->SetActiveStyleSheet(sheet);
    EXPECT_EQ(t->Color(), clBlue);

    auto *page = new TvdxReportPage(&r);
    page->SetName(QStringLiteral("Page1"));
    auto *v = new TvdxShapeView(page);
    v->SetName(QStringLiteral("Shape1"));
    v->SetStyle(QStringLiteral("Title"));
    EXPECT_EQ(v->Color(), clBlue);
    s->SetStyleBookMode({});
    s->Apply();
    EXPECT_EQ(v->Color(), clRed);
}

TEST(StyleFiles, SaveLoadAndSchemes)
{
    TvdxStyles s;
    s.Name = QStringLiteral("Blue");
    TvdxStyleItem *t = s.Add();
    t->SetName(QStringLiteral("Title"));
    t->SetFillType(ftGlass);
    t->Frame()->SetWidth(2);
    s.SetStyleBookMode(TvdxStyles::fsbDesigner);
    const QString sheet = s.AddStyleSheet();
    s.SetActiveStyleSheet(sheet);
    const QByteArray bytes = saveStyles(s);
    EXPECT_TRUE(bytes.contains("<style ")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("ActiveStyleSheet=\"StyleSheet1\"")) << bytes.constData();
    TvdxStyles back;
    loadStyles(back, bytes);
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.GetItem(0)->FillType(), ftGlass);
    EXPECT_EQ(back.ActiveStyleSheet(), QStringLiteral("StyleSheet1"));
    EXPECT_EQ(saveStyles(back), bytes);

    // A scheme file read as one style set stays empty; read as a scheme it holds the sets.
    TvdxStyleScheme scheme;
    scheme.Add()->Assign(&s);
    scheme.Add()->Name = QStringLiteral("Other");
    QBuffer b;
    b.open(QIODevice::ReadWrite);
    scheme.SaveToStream(b);
    TvdxStyles asStyles;
    asStyles.Add()->SetName(QStringLiteral("Old"));
    loadStyles(asStyles, b.data());
    EXPECT_EQ(asStyles.Count(), 0);
    TvdxStyleScheme again;
    b.seek(0);
    again.LoadFromStream(b);
    EXPECT_EQ(again.Count(), 2);
    EXPECT_EQ(again.IndexOf(QStringLiteral("other")), 1);
}

TEST(StyleFiles, BrokenFileLeavesTheStyles)
{
    TvdxStyles s;
    s.Add()->SetName(QStringLiteral("Keep"));
    EXPECT_THROW(loadStyles(s, QByteArray("<style><item Name=\"A\"")), Exception);
    EXPECT_EQ(s.Count(), 1);
}

TEST(StyleItems, ColourFollowsTheFill)
{
    TvdxStyles s;
    TvdxStyleItem *t = s.Add();
    t->SetColor(clRed);
    EXPECT_EQ(t->Color(), clRed);
    t->SetFillType(ftGlass);
    t->SetColor(clBlue);
    EXPECT_EQ(t->Color(), clNone);
}

// Damaged style files: what does not parse raises and keeps the styles; what
// parses loads what it can read, never more than it holds.
TEST(StyleFiles, CorruptFilesTable)
{
    const struct {
        const char *what;
        QByteArray bytes;
        bool raises;
        QStringList names; // after loading, when it does not raise
    } cases[] = {
        {"truncated", "<style><item Name=\"A\"", true, {}},
        {"binary garbage", QByteArray("\x00\xff\xfe\x01<<>>", 8), true, {}},
        {"unclosed nesting", "<style><item Name=\"A\"><StyleSheet><item></style>", true, {}},
        {"bad values keep their defaults",
         "<style><item Name=\"A\" FillType=\"ftNope\" Frame.Width=\"abc\" Font.Height=\"x\" ApplyFill=\"maybe\"/></style>",
         false, {QStringLiteral("A")}},
        {"unknown attributes and children",
         "<style Foo=\"1\"><item Name=\"A\" Nope.Deeper=\"2\"><Other/></item></style>", false,
         {QStringLiteral("A")}},
        {"unknown active sheet and mode bits",
         "<style StyleBookMode=\"255\" ActiveStyleSheet=\"Nope\"><item Name=\"A\"><StyleSheet><item Name=\"S1\"/>"
         "</StyleSheet></item></style>",
         false, {QStringLiteral("A")}},
        {"another root", "<stylesheet><style><item Name=\"A\"/></style></stylesheet>", false, {}},
    };
    for (const auto &c : cases) {
        TvdxStyles s;
        s.Add()->SetName(QStringLiteral("Keep"));
        bool raised = false;
        try {
            loadStyles(s, QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>") + c.bytes);
        } catch (const Exception &) {
            raised = true;
        }
        EXPECT_EQ(raised, c.raises) << c.what;
        QStringList names;
        s.GetList(names);
        EXPECT_EQ(names, c.raises ? QStringList{QStringLiteral("Keep")} : c.names) << c.what;
    }
}

} // namespace
