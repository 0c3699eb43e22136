#include "script/ov_itools.h"
#include "script/ov_xml.h"

#include <gtest/gtest.h>

namespace {

TovContentsItem function(const char *cat, const char *decl)
{
    TovContentsItem it;
    it.ItemKind = TovContentsItem::Function;
    it.Category = QString::fromLatin1(cat);
    it.Declaration = QString::fromLatin1(decl);
    it.Description = it.Declaration.section(QLatin1Char('('), 0, 0);
    return it;
}

TovContentsItem variable(const char *name, TovVarType typ, const char *typeName, bool readOnly, Variant value = {})
{
    TovContentsItem it;
    it.Name = QString::fromLatin1(name);
    it.Typ = typ;
    it.TypeName = QString::fromLatin1(typeName);
    it.DisplayTypeName = it.TypeName;
    it.IsReadOnly = readOnly;
    it.Value = value;
    return it;
}

TEST(ContentsTree, ItemsLandInTheirSections)
{
    TovContentsItem cls;
    cls.ItemKind = TovContentsItem::Class;
    cls.Name = QStringLiteral("TvdxMemoView");
    cls.Ancestor = QStringLiteral("TvdxView");
    cls.Members = {
        {TovContentsMember::Property, QStringLiteral("Text"), QStringLiteral("String"), {}},
        {TovContentsMember::Method, QStringLiteral("Clear"), {}, QStringLiteral("procedure Clear")},
        {TovContentsMember::IndexProperty, QStringLiteral("Lines"), {},
         QStringLiteral("function Lines(Index: Integer): String")},
        {TovContentsMember::Other, QStringLiteral("OnClick"), {}, {}},
    };
    const QList<TovContentsItem> items = {
        function("ctConv", "function IntToStr(i: Integer): String"),
        cls,
        variable("haLeft", fvtEnum, "TvdxHAlign", true, Variant(0)),
        variable("Count", fvtInt, "Integer", false),
        variable("haRight", fvtEnum, "TvdxHAlign", true, Variant(1)),
        variable("TvdxHAlign", fvtEnum, "TvdxHAlign", true),
        variable("Limit", fvtInt, "Integer", true, Variant(10)),
        variable("Quote", fvtString, "String", true, Variant(QStringLiteral("a\"<b"))),
        function("ctConv", "function FloatToStr(e: Extended): String"),
        function("ctMath", "function Pi: Extended"),
    };

    TovXMLDocument doc;
    TovXMLItem *root = doc.Root();
    root->SetName(QStringLiteral("contents"));
    ovBuildContentsTree(items, root, false);
    ASSERT_EQ(root->Count(), 5);
    const char *const sections[] = {"Functions", "Classes", "Types", "Variables", "Constants"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(root->Items(i)->Name(), QString::fromLatin1(sections[i]));

    TovXMLItem *funcs = root->Items(0);
    ASSERT_EQ(funcs->Count(), 2);
    EXPECT_EQ(funcs->Items(0)->Name(), QStringLiteral("ctConv"));
    EXPECT_EQ(funcs->Items(0)->Prop(QStringLiteral("text")), QStringLiteral("ctConv"));
    ASSERT_EQ(funcs->Items(0)->Count(), 2);
    EXPECT_EQ(funcs->Items(0)->Items(1)->Prop(QStringLiteral("text")),
              QStringLiteral("function FloatToStr(e: Extended): String"));
    EXPECT_EQ(funcs->Items(0)->Items(1)->Prop(QStringLiteral("description")), QStringLiteral("function FloatToStr"));

    TovXMLItem *c = root->Items(1)->Items(0);
    EXPECT_EQ(c->Prop(QStringLiteral("text")), QStringLiteral("TvdxMemoView = class(TvdxView)"));
    ASSERT_EQ(c->Count(), 4);
    EXPECT_EQ(c->Items(0)->Prop(QStringLiteral("text")), QStringLiteral("property Text: String"));
    EXPECT_EQ(c->Items(1)->Prop(QStringLiteral("text")), QStringLiteral("procedure Clear"));
    EXPECT_EQ(c->Items(2)->Prop(QStringLiteral("text")), QStringLiteral("index property Lines(Index: Integer): String"));
    EXPECT_EQ(c->Items(3)->Prop(QStringLiteral("text")), QStringLiteral("event OnClick"));

    TovXMLItem *types = root->Items(2);
    ASSERT_EQ(types->Count(), 1);
    EXPECT_EQ(types->Items(0)->Name(), QStringLiteral("item"));
    EXPECT_EQ(types->Items(0)->Prop(QStringLiteral("text")), QStringLiteral("TvdxHAlign: (haLeft,haRight)"));

    ASSERT_EQ(root->Items(3)->Count(), 1);
    EXPECT_EQ(root->Items(3)->Items(0)->Prop(QStringLiteral("text")), QStringLiteral("Count: Integer"));
    TovXMLItem *consts = root->Items(4);
    ASSERT_EQ(consts->Count(), 2);
    EXPECT_EQ(consts->Items(0)->Prop(QStringLiteral("text")), QStringLiteral("Limit: Integer = 10"));
    // Quotes and angle brackets survive a write and read of the document.
    TovXMLDocument copy;
    copy.LoadFromBytes(doc.SaveToBytes());
    EXPECT_EQ(copy.Root()->Items(4)->Items(1)->Prop(QStringLiteral("text")), QStringLiteral("Quote: String = a\"<b"));

    // Only functions: the sections exist, the rest stays empty.
    TovXMLDocument fdoc;
    ovBuildContentsTree(items, fdoc.Root(), true);
    EXPECT_EQ(fdoc.Root()->Count(), 5);
    EXPECT_EQ(fdoc.Root()->Items(0)->Count(), 2);
    EXPECT_EQ(fdoc.Root()->Items(1)->Count(), 0);
    EXPECT_EQ(fdoc.Root()->Items(4)->Count(), 0);
}

} // namespace
