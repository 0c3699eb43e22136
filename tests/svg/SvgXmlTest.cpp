#include "svg/vdSVGXML.h"

#include <gtest/gtest.h>

namespace {

struct Loaded {
    TvdxSVGXMLDocument doc;
    TvdxSVGXMLItem *root = nullptr;
    explicit Loaded(const char *text)
    {
        doc.LoadFromXML(QString::fromUtf8(text));
        root = doc.SVGRoot();
    }
    TvdxSVGXMLItem *child(int i) const { return root->ChildNodes().GetItems(i); }
};

} // namespace

TEST(SvgXml, CommentHoldingBracketIsSkippedWhole)
{
    Loaded l("<?xml version=\"1.0\"?><!DOCTYPE svg [ <!ENTITY x \"y\"> ]>"
             "<svg><!-- a > b <c> --><rect/></svg>");
    EXPECT_EQ(l.root->NodeName(), QStringLiteral("svg"));
    ASSERT_EQ(l.root->ChildNodes().Count(), 1);
    EXPECT_EQ(l.child(0)->NodeName(), QStringLiteral("rect"));
}

TEST(SvgXml, TextNodesAreTrimmedAndUnescaped)
{
    Loaded l("<svg><text>  Hello &lt;b&gt;  </text>\n  <text>&amp;lt; &#65;&#x42; &Quot; &bogus; &#0;</text></svg>");
    ASSERT_EQ(l.root->ChildNodes().Count(), 2);
    TvdxSVGXMLItem *text = l.child(0);
    ASSERT_EQ(text->ChildNodes().Count(), 1);
    EXPECT_EQ(text->ChildNodes().GetItems(0)->NodeName(), QStringLiteral("#text"));
    EXPECT_EQ(text->ChildNodes().GetItems(0)->Text(), QStringLiteral("Hello <b>"));
    EXPECT_EQ(text->Text(), QStringLiteral("Hello <b>"));
    // One pass: an escaped ampersand is not decoded twice.
    EXPECT_EQ(l.child(1)->Text(), QStringLiteral("&lt; AB \" &bogus; &#0;"));
}

TEST(SvgXml, Utf8EndToEnd)
{
    Loaded l("<svg><text id=\"\xC3\xA4\xE2\x82\xAC\">\xE2\x98\xBA \xF0\x9F\x98\x80</text></svg>");
    EXPECT_EQ(l.child(0)->GetAttributes(QStringLiteral("id")), QString::fromUtf8("\xC3\xA4\xE2\x82\xAC"));
    EXPECT_EQ(l.child(0)->Text(), QString::fromUtf8("\xE2\x98\xBA \xF0\x9F\x98\x80"));
}

TEST(SvgXml, Attributes)
{
    Loaded l("<svg><rect a = \"1\" B=\"2\" c='x\"y' d=\"&quot;q&amp;&#x41;\"/>"
             "<use xlink:href=\"#x\"/><use href=\"\" xlink:href=\"#y\"/><use HRef=\"#z\"/></svg>");
    TvdxSVGXMLItem *rect = l.child(0);
    EXPECT_FALSE(rect->HasAttribute(QStringLiteral("a")));
    EXPECT_EQ(rect->GetAttributes(QStringLiteral("b")), QStringLiteral("2"));
    EXPECT_EQ(rect->GetAttributes(QStringLiteral("c")), QStringLiteral("x'y"));
    EXPECT_EQ(rect->GetAttributes(QStringLiteral("d")), QStringLiteral("\"q&A"));
    EXPECT_EQ(l.child(1)->HRef(), QStringLiteral("#x"));
    EXPECT_EQ(l.child(2)->HRef(), QStringLiteral("#y"));
    EXPECT_EQ(l.child(3)->HRef(), QStringLiteral("#z"));
    TvdxSVGXMLItem *node = rect->AttributeNodes()->FindNode(QStringLiteral("B"));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->NodeValue(), QStringLiteral("2"));
    EXPECT_EQ(rect->AttributeNodes()->FindNode(QStringLiteral("B")), node);
    EXPECT_EQ(rect->AttributeNodes()->FindNode(QStringLiteral("zz")), nullptr);
}

TEST(SvgXml, TagNamesEndAtAnyWhitespace)
{
    Loaded l("<svg><rect\nwidth=\"1\"/><circle\r\nr=\"2\"/><ellipse\trx=\"3\"/><g/><svg:rect x=\"1\"/></svg>");
    ASSERT_EQ(l.root->ChildNodes().Count(), 5);
    EXPECT_EQ(l.child(0)->NodeName(), QStringLiteral("rect"));
    EXPECT_EQ(l.child(0)->GetAttributes(QStringLiteral("width")), QStringLiteral("1"));
    EXPECT_EQ(l.child(1)->NodeName(), QStringLiteral("circle"));
    EXPECT_EQ(l.child(2)->NodeName(), QStringLiteral("ellipse"));
    // An empty element written without a blank before the slash.
    EXPECT_EQ(l.child(3)->NodeName(), QStringLiteral("g"));
    EXPECT_EQ(l.child(3)->ChildNodes().Count(), 0);
    EXPECT_EQ(l.child(4)->NodeName(), QStringLiteral("svg:rect"));
}

TEST(SvgXml, CDataIsLiteralUpToItsEnd)
{
    Loaded l("<svg><style><![CDATA[ a > b { fill: red } &lt; ]]></style><rect/></svg>");
    ASSERT_EQ(l.root->ChildNodes().Count(), 2);
    EXPECT_EQ(l.child(0)->Text(), QStringLiteral(" a > b { fill: red } &lt; "));
}

TEST(SvgXml, BrokenInput)
{
    // A nested "<" whose ">" never comes.
    TvdxSVGXMLDocument doc;
    try {
        doc.LoadFromXML(QStringLiteral("<svg><rect <g"));
        FAIL() << "no exception";
    } catch (const TvdInvalidXMLException &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Invalid file format"));
    }
    // Unterminated tags, comments and CDATA give a partial tree.
    for (const char *text : {"<svg><rect width=\"1\"", "<svg><!-- open", "<svg><style><![CDATA[ x", "<svg>text",
                             "", "\x01\x02\xff\xfe<<>>", "<svg></g></svg>"}) {
        TvdxSVGXMLDocument d;
        try {
            d.LoadFromXML(QString::fromUtf8(text));
        } catch (const TvdInvalidXMLException &) {
        }
        SUCCEED() << text;
    }
    TvdxSVGXMLDocument d;
    d.LoadFromXML(QStringLiteral("<svg><rect width=\"1\""));
    EXPECT_EQ(d.SVGRoot()->NodeName(), QStringLiteral("svg"));
}

TEST(SvgXml, DeepNestingDoesNotExhaustTheStack)
{
    QString text = QStringLiteral("<svg>");
    for (int i = 0; i < 200000; ++i)
        text += QStringLiteral("<g>");
    TvdxSVGXMLDocument d;
    d.LoadFromXML(text);
    EXPECT_EQ(d.SVGRoot()->NodeName(), QStringLiteral("svg"));
}
