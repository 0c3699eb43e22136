#include "SerializerSample.h"
#include "common/TestSupport.h"
#include "core/vdXML.h"
#include "core/vdxVariables.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

QStringList names(const TvdxVariables &vars)
{
    QStringList list;
    for (int i = 0; i < vars.Count(); ++i)
        list << vars.Items(i)->Name();
    return list;
}

void fill(TvdxVariables &vars, const QStringList &entries)
{
    for (const QString &e : entries)
        vars.Add()->SetName(e);
}

// A collection item that stores a unique index and a caption.
class CaptionItem : public TvdCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_CLASSINFO("default:Width", "0")
public:
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &c) { m_caption = c; }
    int Width() const { return m_width; }
    void SetWidth(int w) { m_width = w; }
    bool IsUniqueNameStored() const override { return true; }
    QStringList extra;
    void WriteProperties(TvdXMLItem *item, TvdCollectionItem *, TvdComponent *) override
    {
        if (!extra.isEmpty())
            item->Add("extra")->SetProp("v", extra.join(','));
    }
    void ReadProperties(const QString &name, TvdXMLItem *item, TvdCollectionItem *) override
    {
        if (name == "extra")
            extra = item->GetProp("v").split(',');
    }

private:
    QString m_caption;
    int m_width = 0;
};

} // namespace

TEST(Variables, DictionaryFileLoadsWithCategoriesAndSavesIdentically)
{
    const QString path = vdtest::dataPath("core/dictionary.vk3");
    TvdxVariables vars;
    vars.LoadFromFile(path);
    EXPECT_EQ(names(vars), QStringList({"Loose", " Customer", "Name", "City", " Totals", "Sum"}));
    QStringList list;
    vars.GetCategoriesList(list);
    EXPECT_EQ(list, QStringList({"Customer", "Totals"}));
    vars.GetVariablesList("", list);
    EXPECT_EQ(list, QStringList({"Loose"}));
    vars.GetVariablesList("CUSTOMER", list);
    EXPECT_EQ(list, QStringList({"Name", "City"}));
    vars.GetVariablesList("Nowhere", list);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(vars.GetVariable("name").toString(), "\"ACME\" & Sons");
    EXPECT_EQ(vars.GetVariable("City").toString(), QString::fromUtf8("Köln"));
    EXPECT_TRUE(vars.Items(1)->Value().isNull()); // a heading has no value

    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    vars.SaveToStream(buf);
    EXPECT_EQ(out, vdtest::readFile(path));

    vdtest::TempDir dir;
    vars.SaveToFile(dir.file("copy.vk3"));
    EXPECT_EQ(vdtest::readFile(dir.file("copy.vk3")), vdtest::readFile(path));
}

TEST(Variables, ValuesComeBackAsText)
{
    TvdxVariables vars;
    vars.SetVariable("Five", Variant(5));
    vars.SetVariable("Half", Variant(0.5));
    vars.Add()->SetName("NullOne");
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadWrite);
    vars.SaveToStream(buf);
    EXPECT_TRUE(bytes.contains("<item Name=\"NullOne\"/>"));
    buf.seek(0);
    TvdxVariables back;
    back.LoadFromStream(buf);
    EXPECT_EQ(back.GetVariable("Five").varType(), varString);
    EXPECT_EQ(back.GetVariable("Five").toString(), "5");
    EXPECT_EQ(back.GetVariable("Half").toString(), "0.5");
    EXPECT_TRUE(back.GetVariable("NullOne").isNull());
    EXPECT_TRUE(back.GetVariable("Missing").isNull());
}

TEST(Variables, WrongRootIsRejectedAndKeepsTheVariables)
{
    TvdxVariables vars;
    vars.SetVariable("Keep", Variant(1));
    for (const char *doc : {"<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?><styles><item Name=\"X\"/></styles>",
                            "<?xml version=\"1.0\"?><variables><item Name=\"X\" <"}) {
        QByteArray bytes(doc);
        QBuffer buf(&bytes);
        buf.open(QIODevice::ReadOnly);
        EXPECT_THROW(vars.LoadFromStream(buf), TvdInvalidXMLException) << doc;
        EXPECT_EQ(names(vars), QStringList({"Keep"})) << doc;
    }
    // Other children of the root are ignored; "ITEM" counts as an item.
    QByteArray ok("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?><Variables><ITEM Name=\"A\"/><other Name=\"B\"/></Variables>");
    QBuffer buf(&ok);
    buf.open(QIODevice::ReadOnly);
    vars.LoadFromStream(buf);
    EXPECT_EQ(names(vars), QStringList({"A"}));
}

TEST(Variables, CategoryEditing)
{
    TvdxVariables vars;
    fill(vars, {"Top", " Cat1", "A", "B", " Cat2", "C"});
    vars.AddVariable("Nowhere", "X", Variant(1));
    EXPECT_EQ(vars.Count(), 6);
    vars.AddVariable("cat1", "New", Variant(2));
    EXPECT_EQ(names(vars), QStringList({"Top", " Cat1", "A", "B", "New", " Cat2", "C"}));
    vars.AddVariable("Cat2", "Last", Variant(3));
    EXPECT_EQ(names(vars).last(), "Last");
    // An existing name only changes its value, in its own category.
    vars.AddVariable("Cat2", "a", Variant(9));
    EXPECT_EQ(vars.Items(2)->Value().toInt(), 9);
    EXPECT_EQ(vars.Count(), 8);
    vars.DeleteCategory("CAT1");
    EXPECT_EQ(names(vars), QStringList({"Top", " Cat2", "C", "Last"}));
    vars.DeleteCategory("Nowhere");
    vars.DeleteVariable("c");
    EXPECT_EQ(names(vars), QStringList({"Top", " Cat2", "Last"}));

    // An empty name ends the variables list of a category but not its section.
    TvdxVariables gap;
    fill(gap, {" Cat", "A", "", "B"});
    QStringList list;
    gap.GetVariablesList("Cat", list);
    EXPECT_EQ(list, QStringList({"A"}));
    gap.AddVariable("Cat", "Z", Variant(1));
    EXPECT_EQ(names(gap), QStringList({" Cat", "A", "", "B", "Z"}));
    gap.DeleteCategory("Cat");
    EXPECT_EQ(gap.Count(), 0);
}

TEST(Variables, InheritedNameAndAssign)
{
    TvdxVariables vars;
    TvdxVariable *v = vars.Add();
    EXPECT_TRUE(v->Value().isNull());
    EXPECT_EQ(v->UniqueIndex(), 0); // variables get no unique index
    EXPECT_EQ(v->InheritedName(), "vdxUIN0");
    v->SetName("Price");
    EXPECT_EQ(v->InheritedName(), "Price");
    EXPECT_EQ(vars.FindByName("Price"), v);
    v->SetValue(Variant(3.5));
    v->SetIsInherited(true);
    TvdxVariable copy;
    copy.Assign(v);
    EXPECT_EQ(copy.Name(), "Price");
    EXPECT_EQ(copy.Value().toDouble(), 3.5);
    EXPECT_TRUE(copy.IsInherited());
}

TEST(Variables, BinaryStoredValuesDecodeByTheirTag)
{
    const struct { const char *hex; quint16 type; QString text; } cases[] = {
        {"0556616C75650600", varString, "default"},                     // the empty-text special case
        {"0556616C756506026869", varString, "hi"},                      // short text
        {"0556616C756504D2040000", varInteger, "1234"},                 // 32-bit integer
        {"0556616C756502FB", varInteger, "-5"},                         // 8-bit integer
        {"0556616C7565130000000001000000", varInt64, "4294967296"},     // 64-bit integer
        {"0556616C75650C0300000061626364", varString, "abc"},           // long text (length cut at 3)
        {"0556616C75651202000000E4006B00", varString, QString::fromUtf8("äk")}, // wide text
        {"0556616C7565140300000063C3A4", varString, QString::fromUtf8("cä")},   // UTF-8 text
        {"0556616C756515000000000000F83F", varDouble, "1.5"},           // double
        {"0556616C756509", varBoolean, "True"},
        {"0556616C756500", varNull, ""},
    };
    for (const auto &c : cases) {
        TvdxVariable v;
        TvdxXMLSerializer s;
        s.XMLToObj(QStringLiteral(" PropData=\"%1\"").arg(QLatin1String(c.hex)), &v);
        EXPECT_EQ(v.Value().varType(), c.type) << c.hex;
        if (c.type != varNull) {
            EXPECT_EQ(VarToStr(v.Value()), c.text) << c.hex;
        }
        EXPECT_TRUE(s.Errors().isEmpty()) << c.hex;
    }
    // Truncated data leaves the value as it was and raises nothing.
    TvdxVariable v;
    v.SetValue(Variant(7));
    TvdxXMLSerializer s;
    s.XMLToObj(" PropData=\"0556616C756504D204\"", &v);
    EXPECT_EQ(v.Value().toInt(), 7);
}

TEST(Variables, ArrayKeyedByVariantText)
{
    TvdxArray arr;
    EXPECT_TRUE(arr.GetVariable(Variant(1)).isNull());
    arr.SetVariable(Variant(1), Variant(QStringLiteral("one")));
    arr.SetVariable(Variant(QStringLiteral("Key")), Variant(2));
    arr.SetVariable(Variant(QStringLiteral("1")), Variant(QStringLiteral("uno")));
    EXPECT_EQ(arr.Count(), 2);
    EXPECT_EQ(arr.GetVariable(Variant(1)).toString(), "uno");
    EXPECT_EQ(arr.IndexOf(Variant(QStringLiteral("KEY"))), 1);
}

TEST(CollectionXML, SaveAndLoadWithUniqueIndicesAndAncestors)
{
    TvdCollection coll(TvdBaseCollection::factoryOf<CaptionItem>());
    auto *a = static_cast<CaptionItem *>(coll.Add());
    a->SetCaption("first");
    auto *b = static_cast<CaptionItem *>(coll.Add());
    b->SetCaption("sec\"ond");
    b->SetWidth(4);
    b->extra = {"x", "y"};

    TvdXMLItem root;
    SaveCollectionToXMLItem(&coll, "Columns", &root, true, nullptr, nullptr);
    ASSERT_EQ(root.Count(), 1);
    TvdXMLItem *cols = root.Items(0);
    EXPECT_EQ(cols->Name(), "Columns");
    ASSERT_EQ(cols->Count(), 2);
    EXPECT_EQ(cols->Items(0)->Text(), "Caption=\"first\" uin=\"1\"");
    EXPECT_EQ(cols->Items(1)->Text(), "Caption=\"sec&#34;ond\" Width=\"4\" uin=\"2\"");
    EXPECT_EQ(cols->Items(1)->Items(0)->Name(), "extra");

    TvdCollection back(TvdBaseCollection::factoryOf<CaptionItem>());
    LoadCollectionFromXMLItem(&back, cols, nullptr, nullptr);
    ASSERT_EQ(back.Count(), 2);
    auto *b2 = static_cast<CaptionItem *>(back.Items(1));
    EXPECT_EQ(b2->Caption(), "sec\"ond");
    EXPECT_EQ(b2->Width(), 4);
    EXPECT_EQ(b2->UniqueIndex(), 2);
    EXPECT_EQ(b2->extra, QStringList({"x", "y"}));

    // Against an ancestor: matched items carry InheritedName and only differences.
    TvdCollection anc(TvdBaseCollection::factoryOf<CaptionItem>());
    static_cast<CaptionItem *>(anc.Add())->SetCaption("first");
    TvdXMLItem diff;
    SaveCollectionToXMLItem(&coll, "Columns", &diff, false, &anc, nullptr);
    ASSERT_EQ(diff.Count(), 2);
    EXPECT_EQ(diff.Items(0)->Text(), "InheritedName=\"vdxUIN1\" uin=\"1\"");

    // Loading into a component of an ancestor report matches items by name.
    SampleView owner;
    owner.isAncestor = true;
    TvdCollection target(TvdBaseCollection::factoryOf<CaptionItem>());
    static_cast<CaptionItem *>(target.Add())->SetCaption("old");
    TvdXMLItem src;
    src.Add("item")->SetText("InheritedName=\"vdxUIN1\" Caption=\"changed\"");
    src.Add("item")->SetText("InheritedName=\"vdxUIN9\" Caption=\"dropped\"");
    src.Add("item")->SetText("Caption=\"added\"");
    LoadCollectionFromXMLItem(&target, &src, &owner, nullptr);
    ASSERT_EQ(target.Count(), 2);
    EXPECT_EQ(static_cast<CaptionItem *>(target.Items(0))->Caption(), "changed");
    EXPECT_TRUE(target.Items(0)->IsInherited());
    EXPECT_EQ(static_cast<CaptionItem *>(target.Items(1))->Caption(), "added");
}

#include "VariablesTest.moc"
