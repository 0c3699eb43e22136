#include "core/vdXML.h"
#include "core/vdFormatSettings.h"
#include "core/vdVariant.h"
#include "common/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QByteArray saveToBytes(TvdXMLDocument &doc)
{
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    doc.SaveToStream(b);
    return b.data();
}

void loadBytes(TvdXMLDocument &doc, const QByteArray &bytes)
{
    QBuffer b;
    b.setData(bytes);
    b.open(QIODevice::ReadOnly);
    doc.LoadFromStream(b, false);
}

// Loads and expects the one error of the reader.
void expectInvalid(const QByteArray &bytes)
{
    TvdXMLDocument doc;
    try {
        loadBytes(doc, bytes);
        ADD_FAILURE() << "no error for: " << bytes.left(80).constData();
    } catch (const TvdInvalidXMLException &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Invalid file format"));
    }
}

const QByteArray kHeader = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>";

} // namespace

// ---- Escaping ---------------------------------------------------------------------------------

TEST(XmlEscape, EscapesEachListedCharacterAsDecimalReference)
{
    const struct {
        QString in;
        QString out;
    } cases[] = {
        {QString(QChar(0)), QStringLiteral("&#0;")},
        {QStringLiteral("\n"), QStringLiteral("&#10;")},
        {QStringLiteral("\r"), QStringLiteral("&#13;")},
        {QStringLiteral("\""), QStringLiteral("&#34;")},
        {QStringLiteral("&"), QStringLiteral("&#38;")},
        {QStringLiteral("<"), QStringLiteral("&#60;")},
        {QStringLiteral(">"), QStringLiteral("&#62;")},
        {QStringLiteral("it's\ta"), QStringLiteral("it's\ta")},
        {QStringLiteral("Größe €"), QStringLiteral("Größe €")},
        {QStringLiteral("&quot;"), QStringLiteral("&#38;quot;")},
        {QStringLiteral("a<b>&c"), QStringLiteral("a&#60;b&#62;&#38;c")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(EscapeXMLAttr(c.in), c.out) << c.in.toStdString();
}

TEST(XmlEscape, LongTextsKeepCodeZero)
{
    const QString s = QString(40, u'x') + QChar(0) + QStringLiteral("y");
    EXPECT_EQ(EscapeXMLAttr(s), QString(40, u'x') + QStringLiteral("&#0;y"));
    EXPECT_EQ(UnescapeXMLAttr(EscapeXMLAttr(s)), s);
}

TEST(XmlEscape, UnescapeTable)
{
    const struct {
        QString in;
        QString out;
    } cases[] = {
        {QStringLiteral("&#60;&#62;&#34;&#38;"), QStringLiteral("<>\"&")},
        {QStringLiteral("&quot;&amp;&lt;&gt;"), QStringLiteral("\"&<>")},
        {QStringLiteral("&#38;lt;"), QStringLiteral("&lt;")},
        {QStringLiteral("&amp;lt;"), QStringLiteral("&lt;")},
        {QStringLiteral("&apos;"), QStringLiteral("&apos;")},
        {QStringLiteral("&#x41;"), QStringLiteral("&#x41;")},
        {QStringLiteral("&#65"), QStringLiteral("&#65")},
        {QStringLiteral("x&#"), QStringLiteral("x&#")},
        {QStringLiteral("&#;"), QStringLiteral("&#;")},
        {QStringLiteral("&#6a;"), QStringLiteral("&#6a;")},
        {QStringLiteral("&#99999999;"), QStringLiteral("&#99999999;")},
        {QStringLiteral("a & b"), QStringLiteral("a & b")},
        {QStringLiteral("&"), QStringLiteral("&")},
        {QStringLiteral("&#128512;"), QString::fromUtf8("\xF0\x9F\x98\x80")},
        {QStringLiteral("&#65;&#66;"), QStringLiteral("AB")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(UnescapeXMLAttr(c.in), c.out) << c.in.toStdString();
}

TEST(XmlEscape, EveryUtf16UnitRoundTripsThroughAFile)
{
    QString all;
    for (char32_t c = 0; c < 0x10000; ++c)
        all += QChar(char16_t(c));
    all += QString::fromUtf8("\xF0\x9F\x98\x80");
    EXPECT_EQ(UnescapeXMLAttr(EscapeXMLAttr(all)), all);
    TvdXMLDocument doc;
    doc.Root()->SetName(QStringLiteral("r"));
    doc.Root()->SetProp(QStringLiteral("all"), all);
    doc.Root()->SetValue(all);
    TvdXMLDocument back;
    loadBytes(back, saveToBytes(doc));
    EXPECT_EQ(back.Root()->GetProp(QStringLiteral("all")), all);
    EXPECT_EQ(back.Root()->Value(), all);
}

TEST(XmlEscape, VariantToXMLStr)
{
    ScopedFormatSettings fs(FormatSettings{});
    EXPECT_EQ(VariantToXMLStr(Variant(42)), QStringLiteral("42"));
    EXPECT_EQ(VariantToXMLStr(Variant::fromSmallint(-7)), QStringLiteral("-7"));
    EXPECT_EQ(VariantToXMLStr(Variant::fromByte(200)), QStringLiteral("200"));
    EXPECT_EQ(VariantToXMLStr(Variant(1.5)), QStringLiteral("1.5"));
    EXPECT_EQ(VariantToXMLStr(Variant(true)), QStringLiteral("1"));
    EXPECT_EQ(VariantToXMLStr(Variant(false)), QStringLiteral("0"));
    EXPECT_EQ(VariantToXMLStr(Variant(QStringLiteral("a\"b"))), QStringLiteral("a&#34;b"));
    EXPECT_EQ(VariantToXMLStr(Variant()), QString());
    EXPECT_EQ(VariantToXMLStr(Variant::null()), QString());
    EXPECT_EQ(VariantToXMLStr(Variant::fromInt64(5)), QString());
    EXPECT_EQ(VariantToXMLStr(Variant::fromLongWord(5)), QString());
}

// ---- Items and attributes ---------------------------------------------------------------------

TEST(XmlItem, AttributeAccessOnRawText)
{
    TvdXMLItem it;
    it.SetProp(QStringLiteral("Left"), QStringLiteral("1"));
    it.SetProp(QStringLiteral("Top"), QStringLiteral("2"));
    it.SetProp(QStringLiteral("Width"), QStringLiteral("3"));
    EXPECT_EQ(it.Text(), QStringLiteral("Left=\"1\" Top=\"2\" Width=\"3\""));
    // Replacing keeps the position.
    it.SetProp(QStringLiteral("top"), QStringLiteral("a\"b"));
    EXPECT_EQ(it.Text(), QStringLiteral("Left=\"1\" top=\"a&#34;b\" Width=\"3\""));
    EXPECT_EQ(it.GetProp(QStringLiteral("TOP")), QStringLiteral("a\"b"));
    EXPECT_EQ(it.GetProp(QStringLiteral("left")), QStringLiteral("1"));
    EXPECT_FALSE(it.PropExists(QStringLiteral("eft")));
    EXPECT_EQ(it.GetProp(QStringLiteral("eft")), QString());
    EXPECT_TRUE(it.PropExists(QStringLiteral("width")));
    it.DeleteProp(QStringLiteral("top"));
    EXPECT_EQ(it.Text(), QStringLiteral("Left=\"1\" Width=\"3\""));
    it.DeleteProp(QStringLiteral("Width"));
    EXPECT_EQ(it.Text(), QStringLiteral("Left=\"1\" "));
    it.SetProp(QStringLiteral("New"), QStringLiteral("x"));
    EXPECT_EQ(it.Text(), QStringLiteral("Left=\"1\" New=\"x\""));
}

TEST(XmlItem, NameMatchesOnlyAtStartOrAfterBlank)
{
    TvdXMLItem it;
    it.SetText(QStringLiteral("xLeft=\"9\" Left=\"1\""));
    EXPECT_EQ(it.GetProp(QStringLiteral("left")), QStringLiteral("1"));
    it.SetText(QStringLiteral("A=\" B=&#34;\" B=\"2\""));
    EXPECT_EQ(it.GetProp(QStringLiteral("B")), QStringLiteral("2"));
}

TEST(XmlItem, TypedAttributesUseInvariantFormat)
{
    FormatSettings comma;
    comma.DecimalSeparator = u',';
    comma.ThousandSeparator = u'.';
    ScopedFormatSettings fs(comma);

    TvdXMLItem it;
    it.SetPropAsFloat(QStringLiteral("f"), 1234.5);
    EXPECT_EQ(it.GetProp(QStringLiteral("f")), QStringLiteral("1234.5"));
    EXPECT_DOUBLE_EQ(it.GetPropAsFloat(QStringLiteral("f")), 1234.5);
    it.SetPropAsFloat(QStringLiteral("g"), 0.1 + 0.2);
    EXPECT_EQ(it.GetPropAsFloat(QStringLiteral("g")), 0.1 + 0.2);
    it.SetPropAsInteger(QStringLiteral("i"), -42);
    EXPECT_EQ(it.GetPropAsInteger(QStringLiteral("i")), -42);
    it.SetPropAsInt64(QStringLiteral("j"), Q_INT64_C(9000000000));
    EXPECT_EQ(it.GetPropAsInt64(QStringLiteral("j")), Q_INT64_C(9000000000));
    it.SetPropAsBoolean(QStringLiteral("b"), true);
    EXPECT_EQ(it.GetProp(QStringLiteral("b")), QStringLiteral("-1"));
    EXPECT_TRUE(it.GetPropAsBoolean(QStringLiteral("b")));
    it.SetPropAsBoolean(QStringLiteral("b"), false);
    EXPECT_EQ(it.GetProp(QStringLiteral("b")), QStringLiteral("0"));

    const double when = EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 7, 250);
    it.SetPropAsDateTime(QStringLiteral("d"), when);
    EXPECT_EQ(it.GetProp(QStringLiteral("d")), QStringLiteral("29.02.2024 13:05:07:250"));
    EXPECT_NEAR(it.GetPropAsDateTime(QStringLiteral("d")), when, 1e-9);
    it.SetPropAsDateTime(QStringLiteral("d"), EncodeDate(1999, 12, 31));
    EXPECT_EQ(it.GetProp(QStringLiteral("d")), QStringLiteral("31.12.1999"));
    EXPECT_EQ(it.GetPropAsDateTime(QStringLiteral("d")), EncodeDate(1999, 12, 31));

    // Missing or malformed values give zero.
    it.SetText(QStringLiteral("f=\"1,5\" i=\"x\" b=\"TRUE\" c=\"7\" d=\"31.13.2000\""));
    EXPECT_EQ(it.GetPropAsFloat(QStringLiteral("f")), 0.0);
    EXPECT_EQ(it.GetPropAsInteger(QStringLiteral("i")), 0);
    EXPECT_EQ(it.GetPropAsInteger(QStringLiteral("none")), 0);
    EXPECT_TRUE(it.GetPropAsBoolean(QStringLiteral("b")));
    EXPECT_TRUE(it.GetPropAsBoolean(QStringLiteral("c")));
    EXPECT_FALSE(it.GetPropAsBoolean(QStringLiteral("i")));
    EXPECT_EQ(it.GetPropAsDateTime(QStringLiteral("d")), 0.0);
}

TEST(XmlItem, TreeOperations)
{
    TvdXMLItem root;
    TvdXMLItem *a = root.Add(QStringLiteral("a"));
    TvdXMLItem *b = root.Add(QStringLiteral("B"));
    EXPECT_EQ(root.Find(QStringLiteral("b")), 1);
    EXPECT_EQ(root.Find(QStringLiteral("c")), -1);
    TvdXMLItem *c = root.FindItem(QStringLiteral("c"));
    EXPECT_EQ(root.Count(), 3);
    EXPECT_EQ(root.FindItem(QStringLiteral("A")), a);
    // Moving between parents.
    a->AddItem(c);
    EXPECT_EQ(root.Count(), 2);
    EXPECT_EQ(c->Parent(), a);
    EXPECT_EQ(c->Root(), &root);
    auto *d = new TvdXMLItem();
    root.InsertItem(0, d);
    EXPECT_EQ(root.IndexOf(d), 0);
    EXPECT_EQ(root.IndexOf(b), 2);
    delete b;
    EXPECT_EQ(root.Count(), 2);
    root.Clear();
    EXPECT_EQ(root.Count(), 0);
    EXPECT_TRUE(root.Loaded());
}

// ---- Writing -------------------------------------------------------------------------------------

namespace {
void buildSample(TvdXMLDocument &doc)
{
    TvdXMLItem *r = doc.Root();
    r->SetName(QStringLiteral("report"));
    r->SetProp(QStringLiteral("Name"), QStringLiteral("R & \"D\""));
    TvdXMLItem *p = r->Add(QStringLiteral("page"));
    p->Add(QStringLiteral("empty"));
    TvdXMLItem *m = p->Add(QStringLiteral("memo"));
    m->SetProp(QStringLiteral("Text"), QStringLiteral("a\r\nb<c>"));
    TvdXMLItem *v = r->Add(QStringLiteral("val"));
    v->SetValue(QStringLiteral("x < y"));
}
} // namespace

TEST(XmlWriter, OneLineWithoutAutoIndent)
{
    TvdXMLDocument doc;
    buildSample(doc);
    EXPECT_EQ(saveToBytes(doc),
              kHeader + "<report Name=\"R &#38; &#34;D&#34;\"><page><empty/>"
                        "<memo Text=\"a&#13;&#10;b&#60;c&#62;\"/></page><val>x &#60; y</val></report>");
}

TEST(XmlWriter, IndentedLinesEndWithCrLf)
{
    TvdXMLDocument doc;
    buildSample(doc);
    doc.SetAutoIndent(true);
    EXPECT_EQ(saveToBytes(doc),
              kHeader + "\r\n"
                        "<report Name=\"R &#38; &#34;D&#34;\">\r\n"
                        "  <page>\r\n"
                        "    <empty/>\r\n"
                        "    <memo Text=\"a&#13;&#10;b&#60;c&#62;\"/>\r\n"
                        "  </page>\r\n"
                        "  <val>x &#60; y</val>\r\n"
                        "</report>\r\n");
}

TEST(XmlWriter, RawTextKeepsItsLeadingBlank)
{
    TvdXMLDocument doc;
    doc.Root()->SetName(QStringLiteral("r"));
    doc.Root()->SetText(QStringLiteral(" a=\"1\""));
    EXPECT_EQ(saveToBytes(doc), kHeader + "<r a=\"1\"/>");
    TvdXMLDocument back;
    loadBytes(back, saveToBytes(doc));
    EXPECT_EQ(back.Root()->Text(), QStringLiteral("a=\"1\""));
}

TEST(XmlWriter, FixtureRoundTripsByteExact)
{
    const QByteArray bytes = vdtest::readFile(vdtest::dataPath(QStringLiteral("xml/template.xml")));
    ASSERT_FALSE(bytes.isEmpty());
    TvdXMLDocument doc;
    loadBytes(doc, bytes);
    doc.SetAutoIndent(true);
    EXPECT_EQ(saveToBytes(doc), bytes);

    TvdXMLItem *memo = doc.Root()->GetItems(0)->GetItems(0)->GetItems(0);
    EXPECT_EQ(memo->GetProp(QStringLiteral("text")), QStringLiteral("Grüße <b>\"x\"</b>\r\nZeile 2"));
    EXPECT_EQ(doc.Root()->GetItems(0)->GetItems(0)->GetItems(1)->GetProp(QStringLiteral("Text")),
              QStringLiteral("Größe €"));
    EXPECT_EQ(doc.Root()->GetProp(QStringLiteral("ReportOptions.Name")), QStringLiteral("Labels & more"));
    EXPECT_EQ(doc.Root()->FindItem(QStringLiteral("notes"))->Value(), QStringLiteral("Line one & two"));
    EXPECT_FALSE(doc.OldVersion());
}

// ---- Reading ----------------------------------------------------------------------------------

TEST(XmlReader, TextContentRoundTripsExactly)
{
    const QString values[] = {
        QStringLiteral("two words  and  blanks"),
        QStringLiteral("  leading and trailing  "),
        QStringLiteral("   "),
        QStringLiteral("\t"),
        QStringLiteral("Grüße €漢字"),
        QStringLiteral("&quot; typed by a user"),
        QStringLiteral("line1\r\nline2\n"),
        QStringLiteral("<tag> & \"quotes\" 'apostrophes'"),
    };
    for (bool indent : {false, true}) {
        TvdXMLDocument doc;
        doc.SetAutoIndent(indent);
        doc.Root()->SetName(QStringLiteral("root"));
        for (const QString &v : values) {
            TvdXMLItem *it = doc.Root()->Add(QStringLiteral("v"));
            it->SetValue(v);
            it->SetProp(QStringLiteral("attr"), v);
        }
        TvdXMLDocument back;
        loadBytes(back, saveToBytes(doc));
        ASSERT_EQ(back.Root()->Count(), int(std::size(values)));
        for (int i = 0; i < back.Root()->Count(); ++i) {
            EXPECT_EQ(back.Root()->GetItems(i)->Value(), values[i]) << indent;
            EXPECT_EQ(back.Root()->GetItems(i)->GetProp(QStringLiteral("attr")), values[i]) << indent;
        }
    }
}

TEST(XmlReader, ValueRules)
{
    TvdXMLDocument doc;
    loadBytes(doc, kHeader + "<r>\r\n  <a>x</a>\r\n  before<b/>\r\n  <c><d/>tail</c>\r\n</r>");
    TvdXMLItem *r = doc.Root();
    ASSERT_EQ(r->Count(), 3);
    EXPECT_EQ(r->GetItems(0)->Value(), QStringLiteral("x"));
    // Text before a child's start tag is that child's value.
    EXPECT_EQ(r->GetItems(1)->Value(), QStringLiteral("\r\n  before"));
    EXPECT_EQ(r->GetItems(2)->Value(), QStringLiteral("tail"));
    EXPECT_EQ(r->Value(), QString());
}

TEST(XmlReader, TagSplittingAndSelfClosing)
{
    TvdXMLDocument doc;
    loadBytes(doc, kHeader + "<r  a=\"1\"><x a=\"2\" /><y/><z\tq=\"1\"/></R>");
    TvdXMLItem *r = doc.Root();
    EXPECT_EQ(r->Name(), QStringLiteral("r"));
    EXPECT_EQ(r->Text(), QStringLiteral(" a=\"1\""));
    ASSERT_EQ(r->Count(), 3);
    EXPECT_EQ(r->GetItems(0)->Text(), QStringLiteral("a=\"2\" "));
    EXPECT_EQ(r->GetItems(0)->Count(), 0);
    EXPECT_EQ(r->GetItems(1)->Name(), QStringLiteral("y"));
    // Only a blank separates the name.
    EXPECT_EQ(r->GetItems(2)->Name(), QStringLiteral("z\tq=\"1\""));
}

TEST(XmlReader, CommentsAnywhere)
{
    TvdXMLDocument doc;
    loadBytes(doc, kHeader + "<!-- a > b --><r><!-- x --->still--><a/><!----><!--<b/>--></r><!-- end -->");
    ASSERT_EQ(doc.Root()->Count(), 1);
    EXPECT_EQ(doc.Root()->GetItems(0)->Name(), QStringLiteral("a"));
}

TEST(XmlReader, OldStyleHeaderReadsAttributesThroughAnsiCodePage)
{
    TvdXMLDocument doc;
    doc.LoadFromFile(vdtest::dataPath(QStringLiteral("xml/oldstyle.xml")));
    EXPECT_TRUE(doc.OldVersion());
    EXPECT_EQ(doc.Root()->GetProp(QStringLiteral("Caption")), QStringLiteral("Café €"));
    EXPECT_EQ(doc.Root()->GetItems(0)->GetProp(QStringLiteral("Name")), QStringLiteral("Ä"));

    TvdXMLDocument other;
    loadBytes(other, "<?xml version=\"1.0\" standalone=\"no\"?><r a=\"\xC3\xA9\"/>");
    EXPECT_FALSE(other.OldVersion());
    EXPECT_EQ(other.Root()->GetProp(QStringLiteral("a")), QStringLiteral("é"));
}

TEST(XmlReader, BytesBeforeHeaderAreIgnored)
{
    TvdXMLDocument doc;
    loadBytes(doc, "\xEF\xBB\xBF" + kHeader + "<r/>");
    EXPECT_EQ(doc.Root()->Name(), QStringLiteral("r"));
}

TEST(XmlReader, InvalidInputGivesOneError)
{
    const QByteArray cases[] = {
        "",
        "<r/>",
        "garbage",
        kHeader + "<r><a<b/></r>",
        kHeader + "<r><a x=\"1",
        kHeader + "<r></s>",
        kHeader + "<r><a></r>",
        kHeader + "<r><!-- never closed",
        kHeader + "</r>",
    };
    for (const QByteArray &c : cases)
        expectInvalid(c);
}

TEST(XmlReader, FileEndingAfterCompleteChildrenLoads)
{
    TvdXMLDocument doc;
    doc.LoadFromFile(vdtest::dataPath(QStringLiteral("xml/truncated_after_children.xml")));
    ASSERT_EQ(doc.Root()->Count(), 2);
    EXPECT_EQ(doc.Root()->GetItems(1)->GetItems(0)->Name(), QStringLiteral("g"));

    TvdXMLDocument bad;
    try {
        bad.LoadFromFile(vdtest::dataPath(QStringLiteral("xml/truncated_in_tag.xml")));
        ADD_FAILURE();
    } catch (const TvdInvalidXMLException &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Invalid file format"));
        // What was read stays in the tree.
        EXPECT_EQ(bad.Root()->Count(), 2);
    }
}

TEST(XmlReader, LeavesStreamBehindLastTag)
{
    QBuffer b;
    b.setData(kHeader + "<r><a/></r>TRAILER");
    b.open(QIODevice::ReadOnly);
    TvdXMLItem item;
    {
        TvdXMLReader r(b);
        r.ReadHeader();
        r.ReadRootItem(&item);
    }
    EXPECT_EQ(b.readAll(), QByteArray("TRAILER"));
}

TEST(XmlReader, ConsecutiveElementsByConsecutiveReaders)
{
    QBuffer b;
    b.setData("<a x=\"1\"><b/></a><c y=\"2\"/>");
    b.open(QIODevice::ReadOnly);
    QStringList names;
    for (;;) {
        TvdXMLItem item;
        TvdXMLReader r(b);
        r.ReadRootItem(&item);
        if (item.Name().isEmpty())
            break;
        names << item.Name() + u':' + item.Text() + u':' + QString::number(item.Count());
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("a:x=\"1\":1"), QStringLiteral("c:y=\"2\":0")}));
}

TEST(XmlReader, OldStyleValuesThroughAnsiCodePage)
{
    TvdXMLDocument doc;
    loadBytes(doc, "<?xml version=\"1.0\"?><r><v>Caf\xE9 &#8364;</v></r>");
    EXPECT_EQ(doc.Root()->GetItems(0)->Value(), QStringLiteral("Café €"));
}

TEST(XmlReader, TagsAcrossBufferBoundaries)
{
    // Long attribute texts cross the reader's buffer in every position.
    TvdXMLDocument doc;
    doc.Root()->SetName(QStringLiteral("r"));
    for (int i = 0; i < 400; ++i) {
        TvdXMLItem *it = doc.Root()->Add(QStringLiteral("item"));
        it->SetProp(QStringLiteral("v"), QString(i * 7 + 1, QChar(u'a' + i % 26)) + QStringLiteral("ü"));
    }
    QByteArray bytes = saveToBytes(doc);
    bytes.insert(bytes.indexOf('>', 65530) + 1, "<!-- comment across -->");
    TvdXMLDocument back;
    loadBytes(back, bytes);
    ASSERT_EQ(back.Root()->Count(), 400);
    for (int i = 0; i < 400; ++i)
        EXPECT_EQ(back.Root()->GetItems(i)->GetProp(QStringLiteral("v")), doc.Root()->GetItems(i)->GetProp(QStringLiteral("v")));
}

TEST(XmlReader, DeepNestingNeitherCrashesNorRecurses)
{
    const int depth = 300000;
    QByteArray bytes = kHeader;
    for (int i = 0; i < depth; ++i)
        bytes += "<a>";
    {
        // Truncated: every open item ends at the end of the file.
        TvdXMLDocument doc;
        loadBytes(doc, bytes);
        int n = 0;
        for (TvdXMLItem *it = doc.Root(); it->Count() > 0; it = it->GetItems(0))
            ++n;
        EXPECT_EQ(n, depth - 1);
        const QByteArray out = saveToBytes(doc);
        EXPECT_EQ(out.size(), kHeader.size() + qsizetype(depth) * 7 - 3);
    }
    for (int i = 0; i < depth; ++i)
        bytes += "</a>";
    TvdXMLDocument doc;
    loadBytes(doc, bytes);
    EXPECT_EQ(saveToBytes(doc).size(), kHeader.size() + qsizetype(depth - 1) * 7 + 4);
}

TEST(XmlReader, BinaryNoiseNeverCrashes)
{
    quint32 seed = 12345;
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = kHeader;
        const int n = 50 + round * 3;
        for (int i = 0; i < n; ++i) {
            seed = seed * 1664525u + 1013904223u;
            static const char alphabet[] = "<>/=\" ab!-\r\n\x00\xff&#;";
            bytes += alphabet[(seed >> 24) % (sizeof alphabet - 1)];
        }
        TvdXMLDocument doc;
        try {
            loadBytes(doc, bytes);
            saveToBytes(doc);
        } catch (const TvdInvalidXMLException &) {
        }
    }
}

// ---- Partial loading ----------------------------------------------------------------------------

TEST(XmlPartial, MarkedSubtreesStayOnDisk)
{
    vdtest::TempDir tmp;
    const QString file = tmp.file(QStringLiteral("partial.xml"));
    QFile::copy(vdtest::dataPath(QStringLiteral("xml/partial.xml")), file);
    TvdXMLDocument doc;
    doc.LoadFromFile(file);
    TvdXMLItem *pages = doc.Root()->GetItems(0);
    ASSERT_EQ(pages->Count(), 3);

    TvdXMLItem *p0 = pages->GetItems(0);
    EXPECT_TRUE(p0->Unloadable());
    EXPECT_FALSE(p0->Loaded());
    EXPECT_EQ(p0->Count(), 0);
    EXPECT_EQ(p0->Text(), QStringLiteral("a=\"1\""));

    // The marker counts only after a blank: this one is an ordinary attribute.
    TvdXMLItem *p1 = pages->GetItems(1);
    EXPECT_FALSE(p1->Unloadable());
    EXPECT_EQ(p1->Count(), 1);
    EXPECT_EQ(p1->GetProp(QStringLiteral("ld")), QStringLiteral("0"));

    TvdXMLItem *p2 = pages->GetItems(2);
    EXPECT_FALSE(p2->Loaded());
    EXPECT_EQ(p2->Text(), QStringLiteral("z=\"2\" "));

    doc.LoadItem(p0);
    EXPECT_TRUE(p0->Loaded());
    ASSERT_EQ(p0->Count(), 2);
    EXPECT_EQ(p0->GetItems(1)->GetItems(0)->Name(), QStringLiteral("d"));
    EXPECT_EQ(p0->Text(), QStringLiteral("a=\"1\""));

    // Nested marked items load with their parent and stay unloadable.
    doc.LoadItem(p2);
    ASSERT_EQ(p2->Count(), 1);
    EXPECT_TRUE(p2->GetItems(0)->Unloadable());
    EXPECT_TRUE(p2->GetItems(0)->Loaded());
    EXPECT_EQ(p2->GetItems(0)->Count(), 1);
}

TEST(XmlPartial, SavingWritesUnloadedSubtreesWhole)
{
    vdtest::TempDir tmp;
    const QString file = tmp.file(QStringLiteral("partial.xml"));
    const QByteArray original = vdtest::readFile(vdtest::dataPath(QStringLiteral("xml/partial.xml")));
    vdtest::writeFile(file, original);
    TvdXMLDocument doc;
    doc.LoadFromFile(file);
    EXPECT_EQ(saveToBytes(doc), original);
    EXPECT_FALSE(doc.Root()->GetItems(0)->GetItems(0)->Loaded());
    EXPECT_EQ(doc.Root()->GetItems(0)->GetItems(0)->Count(), 0);

    // Save over the source file itself, then the pages are unloaded again and
    // point into the new file.
    doc.Root()->SetProp(QStringLiteral("saved"), QStringLiteral("1"));
    doc.SaveToFile(file);
    QByteArray expected = original;
    expected.replace("<preparedreport>", "<preparedreport saved=\"1\">");
    EXPECT_EQ(vdtest::readFile(file), expected);
    TvdXMLItem *p0 = doc.Root()->GetItems(0)->GetItems(0);
    EXPECT_FALSE(p0->Loaded());
    doc.LoadItem(p0);
    EXPECT_EQ(p0->Count(), 2);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), QStringList{QStringLiteral("partial.xml")});
}

TEST(XmlPartial, UnloadAndLoadThroughSwapFile)
{
    vdtest::TempDir tmp;
    TvdXMLDocument doc;
    doc.SetTempDir(tmp.path());
    doc.Root()->SetName(QStringLiteral("pages"));
    for (int i = 0; i < 3; ++i) {
        TvdXMLItem *p = doc.Root()->Add(QStringLiteral("page"));
        p->SetUnloadable(true);
        p->SetPropAsInteger(QStringLiteral("n"), i);
        p->Add(QStringLiteral("obj"))->SetProp(QStringLiteral("t"), QStringLiteral("Text ü \"%1\"").arg(i));
    }
    const QByteArray before = saveToBytes(doc);
    for (int i = 0; i < 3; ++i)
        doc.UnloadItem(doc.Root()->GetItems(i));
    EXPECT_EQ(doc.Root()->GetItems(1)->Count(), 0);
    EXPECT_FALSE(doc.Root()->GetItems(1)->Loaded());
    EXPECT_EQ(QDir(tmp.path()).entryList({QStringLiteral("vd*")}, QDir::Files).size(), 1);
    // Saving reads unloaded pages back without loading them for good.
    EXPECT_EQ(saveToBytes(doc), before);
    EXPECT_FALSE(doc.Root()->GetItems(1)->Loaded());
    doc.LoadItem(doc.Root()->GetItems(1));
    ASSERT_EQ(doc.Root()->GetItems(1)->Count(), 1);
    EXPECT_EQ(doc.Root()->GetItems(1)->GetItems(0)->GetProp(QStringLiteral("t")), QStringLiteral("Text ü \"1\""));
    // Unloading again appends; loading finds the newest copy.
    doc.Root()->GetItems(1)->GetItems(0)->SetProp(QStringLiteral("t"), QStringLiteral("changed"));
    doc.UnloadItem(doc.Root()->GetItems(1));
    doc.LoadItem(doc.Root()->GetItems(1));
    EXPECT_EQ(doc.Root()->GetItems(1)->GetItems(0)->GetProp(QStringLiteral("t")), QStringLiteral("changed"));
    doc.Clear();
    EXPECT_TRUE(QDir(tmp.path()).entryList({QStringLiteral("vd*")}, QDir::Files).isEmpty());
}

TEST(XmlPartial, UnloadableItemWithoutAttributesStaysUnloadable)
{
    TvdXMLDocument doc;
    doc.Root()->SetName(QStringLiteral("r"));
    TvdXMLItem *p = doc.Root()->Add(QStringLiteral("page"));
    p->SetUnloadable(true);
    p->Add(QStringLiteral("x"));
    const QByteArray bytes = saveToBytes(doc);
    EXPECT_EQ(bytes, kHeader + "<r><page  ld=\"0\"><x/></page></r>");
    QBuffer b;
    b.setData(bytes);
    b.open(QIODevice::ReadOnly);
    TvdXMLDocument back;
    back.LoadFromStream(b, true);
    EXPECT_FALSE(back.Root()->GetItems(0)->Loaded());
    EXPECT_EQ(back.Root()->GetItems(0)->Text(), QString());
    back.LoadItem(back.Root()->GetItems(0));
    EXPECT_EQ(back.Root()->GetItems(0)->Count(), 1);
}

TEST(XmlPartial, WithoutPartialLoadingMarkersAreOnlyRemoved)
{
    QBuffer b;
    b.setData(vdtest::readFile(vdtest::dataPath(QStringLiteral("xml/partial.xml"))));
    b.open(QIODevice::ReadOnly);
    TvdXMLDocument doc;
    doc.LoadFromStream(b, false);
    TvdXMLItem *p0 = doc.Root()->GetItems(0)->GetItems(0);
    EXPECT_TRUE(p0->Loaded());
    EXPECT_FALSE(p0->Unloadable());
    EXPECT_EQ(p0->Count(), 2);
    EXPECT_EQ(p0->Text(), QStringLiteral("a=\"1\""));
}

// ---- Saving to files -------------------------------------------------------------------------

TEST(XmlFile, SaveReplacesOldFileOnlyWhenComplete)
{
    vdtest::TempDir tmp;
    const QString file = tmp.file(QStringLiteral("doc.xml"));
    vdtest::writeFile(file, "old contents");

    // The subtree to read back is gone from the source stream: the save fails.
    QBuffer src;
    src.setData(kHeader + "<r><p a=\"1\" ld=\"0\"><x/></p></r>");
    src.open(QIODevice::ReadOnly);
    TvdXMLDocument doc;
    doc.LoadFromStream(src, true);
    src.close();
    src.setData(QByteArray("<p a=\"1\"><x>"));
    src.setData(QByteArray(200, '<'));
    src.open(QIODevice::ReadOnly);
    EXPECT_THROW(doc.SaveToFile(file), TvdInvalidXMLException);
    EXPECT_EQ(vdtest::readFile(file), QByteArray("old contents"));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), QStringList{QStringLiteral("doc.xml")});

    TvdXMLDocument ok;
    ok.Root()->SetName(QStringLiteral("r"));
    ok.SaveToFile(file);
    EXPECT_EQ(vdtest::readFile(file), kHeader + "<r/>");
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), QStringList{QStringLiteral("doc.xml")});
}

TEST(XmlFile, MissingFileRaisesOpenError)
{
    TvdXMLDocument doc;
    EXPECT_THROW(doc.LoadFromFile(QStringLiteral("/nonexistent/dir/x.xml")), EFOpenError);
}

// ---- Streaming reader of general XML ------------------------------------------------------------

namespace {
class TestValuedReader : public TvdValuedXMLReader {
public:
    using TvdValuedXMLReader::TvdValuedXMLReader;

protected:
    void SkipNestedTag() override
    {
        int depth = 1;
        uchar c;
        while (ReadByte(c)) {
            if (c == '<')
                ++depth;
            else if (c == '>' && --depth == 0)
                return;
        }
        RaiseException();
    }
};

class TestValuedDocument : public TvdValuedXMLDocument {
public:
    void Load(const QByteArray &text)
    {
        QBuffer b;
        b.setData(text);
        b.open(QIODevice::ReadOnly);
        BeginValuedXML(&b);
        try {
            IsReadItem(Root());
        } catch (...) {
            EndValuedXML();
            throw;
        }
        EndValuedXML();
    }

protected:
    void PrepareValuedXML() override { m_oldVersion = false; }
    TvdValuedXMLReader *CreateReader() override { return new TestValuedReader(*m_valuedXMLStream); }
};
} // namespace

TEST(XmlValued, ReadsGeneralXml)
{
    TestValuedDocument doc;
    doc.Load("<?xml version='1.0'?>\n<!DOCTYPE svg [ <!ENTITY x \"y\"> ]>\n"
             "<svg width='10' title='say \"hi\"' h=\"it's\">\n"
             "  <!-- a > b -->\n"
             "  <rect x='1'/>\n"
             "  <text>  Hello  </text>\n"
             "  <g\r\nid=\"g1\"><circle r=\"2\" /></g>\n"
             "</svg>");
    TvdXMLItem *svg = doc.Root();
    EXPECT_EQ(svg->Name(), QStringLiteral("svg"));
    EXPECT_EQ(svg->Text(), QStringLiteral("width=\"10\" title=\"say 'hi'\" h=\"it's\""));
    ASSERT_EQ(svg->Count(), 3);
    EXPECT_EQ(svg->GetItems(0)->Name(), QStringLiteral("rect"));
    EXPECT_EQ(svg->GetItems(1)->Value(), QStringLiteral("Hello"));
    TvdXMLItem *g = svg->GetItems(2);
    EXPECT_EQ(g->Name(), QStringLiteral("g"));
    EXPECT_EQ(g->Text(), QStringLiteral("id=\"g1\""));
    ASSERT_EQ(g->Count(), 1);
    EXPECT_EQ(g->GetItems(0)->Name(), QStringLiteral("circle"));
}

TEST(XmlValued, DeepAndTruncatedInput)
{
    QByteArray text = "<svg>";
    for (int i = 0; i < 200000; ++i)
        text += "<g>";
    TestValuedDocument doc;
    doc.Load(text);
    EXPECT_EQ(doc.Root()->Name(), QStringLiteral("svg"));
    EXPECT_EQ(doc.Root()->Count(), 1);
    TestValuedDocument bad;
    EXPECT_THROW(bad.Load("<svg><a <b <c"), TvdInvalidXMLException);
}
