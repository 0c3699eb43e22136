// Script-side XML documents: attribute escaping, lookups and malformed input.
#include "script/ov_xml.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

TovXMLDocument *load(TovXMLDocument &doc, const QByteArray &bytes)
{
    doc.LoadFromBytes(bytes);
    return &doc;
}

} // namespace

TEST(ScriptXml, SingleTagWithAttribute)
{
    TovXMLDocument doc;
    load(doc, "<?xml version=\"1.0\"?><a b=\"1\"/>");
    EXPECT_EQ(doc.Root()->Name(), "a");
    EXPECT_EQ(doc.Root()->Text(), "b=\"1\"");
    EXPECT_EQ(doc.Root()->Count(), 0);
    EXPECT_EQ(doc.Root()->Prop("b"), "1");
    EXPECT_EQ(doc.Root()->Prop("B"), "1");
    EXPECT_TRUE(doc.Root()->PropExists("b"));
    EXPECT_FALSE(doc.Root()->PropExists("c"));
}

TEST(ScriptXml, ValuesRoundTripWithEscapes)
{
    const QString value = QStringLiteral("line1\r\nline2 \"q\" <tag> & &#38; &quot; \u00e9\u20ac");
    TovXMLDocument doc;
    doc.Root()->SetName("root");
    TovXMLItem *c = doc.Root()->Add();
    c->SetName("item");
    c->SetProp("v", value);
    c->SetProp("w", "2");
    c->SetProp("v", value); // replaced in place
    const QByteArray bytes = doc.SaveToBytes();
    EXPECT_TRUE(bytes.contains("&#10;"));
    EXPECT_TRUE(bytes.contains("&#34;"));
    EXPECT_TRUE(bytes.contains("&#60;"));
    EXPECT_TRUE(bytes.contains("&#38;"));
    EXPECT_FALSE(bytes.contains("& "));

    TovXMLDocument back;
    back.LoadFromBytes(bytes);
    ASSERT_EQ(back.Root()->Count(), 1);
    EXPECT_EQ(back.Root()->Items(0)->Prop("v"), value);
    EXPECT_EQ(back.Root()->Items(0)->Prop("w"), "2");
}

TEST(ScriptXml, DecodingLeavesOtherEntities)
{
    TovXMLDocument doc;
    load(doc, "<?xml version=\"1.0\"?><a v=\"x&amp;y &quot;z&quot; &#65;&#66; &#9\"/>");
    EXPECT_EQ(doc.Root()->Prop("v"), "x&amp;y \"z\" AB &#9");
}

TEST(ScriptXml, NonDecimalReferenceIsConversionError)
{
    TovXMLDocument doc;
    load(doc, "<?xml version=\"1.0\"?><a v=\"&#x41;\"/>");
    EXPECT_THROW(doc.Root()->Prop("v"), EConvertError);
}

TEST(ScriptXml, FindItemAddsMissingChild)
{
    TovXMLItem root;
    root.Add()->SetName("One");
    EXPECT_EQ(root.Find("one"), 0);
    EXPECT_EQ(root.Find("two"), -1);
    TovXMLItem *two = root.FindItem("two");
    EXPECT_EQ(root.Count(), 2);
    EXPECT_EQ(two->Name(), "two");
    EXPECT_EQ(two->Parent(), &root);
    EXPECT_EQ(two->Root(), &root);
}

TEST(ScriptXml, MissingClosingTagsAtEndAreAccepted)
{
    TovXMLDocument doc;
    load(doc, "<?xml version=\"1.0\"?><a><b><c/>");
    ASSERT_EQ(doc.Root()->Count(), 1);
    EXPECT_EQ(doc.Root()->Items(0)->Items(0)->Name(), "c");
}

TEST(ScriptXml, CommentsAndTextAreSkipped)
{
    TovXMLDocument doc;
    load(doc, "<?xml version=\"1.0\"?><!-- x <y> --><a>text<!--c--><b/>more</a>");
    EXPECT_EQ(doc.Root()->Name(), "a");
    ASSERT_EQ(doc.Root()->Count(), 1);
    EXPECT_EQ(doc.Root()->Items(0)->Name(), "b");
}

TEST(ScriptXml, MalformedInputIsInvalidFileFormat)
{
    const char *cases[] = {
        "<a/>",                                   // no header
        "<?xml version=\"1.0\"?><a><b></c></a>",  // wrong closing tag
        "<?xml version=\"1.0\"?><a <b>",          // "<" inside a tag
        "<?xml version=\"1.0\"?><a",              // end inside a tag
        "<?xml version=\"1.0\"?><a v=\"\xff\xfe\"/>", // invalid UTF-8
        "<?xml version=\"1.0\"?><!-- open",
    };
    for (const char *c : cases) {
        TovXMLDocument doc;
        try {
            doc.LoadFromBytes(QByteArray(c));
            ADD_FAILURE() << "accepted: " << c;
        } catch (const EovXMLError &e) {
            EXPECT_EQ(e.message(), "Invalid file format") << c;
        }
    }
}

TEST(ScriptXml, DeepNestingIsRefusedNotRecursed)
{
    QByteArray deep = "<?xml version=\"1.0\"?>";
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    TovXMLDocument doc;
    EXPECT_THROW(doc.LoadFromBytes(deep), EovXMLError);
}

TEST(ScriptXml, AutoIndentWritesOneTagPerLine)
{
    TovXMLDocument doc;
    doc.SetAutoIndent(true);
    doc.Root()->SetName("a");
    doc.Root()->Add()->SetName("b");
    EXPECT_EQ(doc.SaveToBytes(), QByteArray("<?xml version=\"1.0\"?>\r\n<a>\r\n  <b/>\r\n</a>\r\n"));
    doc.SetAutoIndent(false);
    EXPECT_EQ(doc.SaveToBytes(), QByteArray("<?xml version=\"1.0\"?><a><b/></a>"));
}

TEST(ScriptXml, ReaderLeavesStreamAfterDocument)
{
    QByteArray bytes = "<?xml version=\"1.0\"?><a><b/></a>TAIL";
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    TovXMLDocument doc;
    doc.LoadFromStream(buf);
    EXPECT_EQ(buf.readAll(), QByteArray("TAIL"));
}

TEST(ScriptXml, AssignCopiesSubtreeAndParentMoves)
{
    TovXMLItem a;
    a.SetName("a");
    a.SetProp("x", "1");
    TovXMLItem *b = a.Add();
    b->SetName("b");
    TovXMLItem copy;
    copy.Assign(&a);
    EXPECT_EQ(copy.Name(), "a");
    EXPECT_EQ(copy.Prop("x"), "1");
    ASSERT_EQ(copy.Count(), 1);
    EXPECT_EQ(copy.Items(0)->Name(), "b");

    TovXMLItem other;
    other.AddItem(b);
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(other.Count(), 1);
    delete b;
    EXPECT_EQ(other.Count(), 0);
}
