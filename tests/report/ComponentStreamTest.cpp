// Component copying, streaming and the prepared-page difference texts; data links.
#include "core/vdFiler.h"
#include "report/vdxClass.h"

#include <QBuffer>
#include <gtest/gtest.h>
#include <memory>

namespace {

class TvdxTestView : public TvdxView {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxTestView(TvdComponent *owner = nullptr) : TvdxView(owner) {}
};

// Stands for a memo: only its class line and AutoWidth matter here.
class TvdxCustomMemoView : public TvdxView {
    Q_OBJECT
    Q_PROPERTY(bool AutoWidth READ AutoWidth WRITE SetAutoWidth)
public:
    explicit TvdxCustomMemoView(TvdComponent *owner = nullptr) : TvdxView(owner) {}
    bool AutoWidth() const { return m_autoWidth; }
    void SetAutoWidth(bool v) { m_autoWidth = v; }

private:
    bool m_autoWidth = false;
};

// Keeps extra data as a binary property.
class TvdxBlobView : public TvdxView {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxBlobView(TvdComponent *owner = nullptr) : TvdxView(owner) {}
    QByteArray Blob;
    void WriteBinaryProperties(TvdBinaryWriter &writer) const override
    {
        if (Blob.isEmpty())
            return;
        writer.WritePropName(QStringLiteral("Blob"));
        writer.WriteBinary(Blob);
    }
    bool ReadBinaryProperty(const QString &name, TvdBinaryReader &reader) override
    {
        if (name != QLatin1String("Blob"))
            return false;
        Blob = reader.ReadBinary();
        return true;
    }
};

struct Registrar {
    Registrar()
    {
        vdRegisterClass<TvdxTestView>();
        vdRegisterClass<TvdxBlobView>();
    }
} registrar;

} // namespace

TEST(ComponentCopy, AssignCopiesPropertiesAndNameButNoChildren)
{
    TvdxTestView src;
    src.SetName(QStringLiteral("Src"));
    src.SetBounds(1.5, 2.25, 30, 40);
    src.SetVisible(false);
    src.Font()->SetName(QStringLiteral("Courier New"));
    new TvdxTestView(&src);
    TvdxTestView dst;
    auto *old = new TvdxTestView(&dst);
    QPointer<TvdxTestView> oldGuard(old);
    dst.Assign(&src);
    EXPECT_EQ(dst.Name(), QStringLiteral("Src"));
    EXPECT_DOUBLE_EQ(double(dst.Left()), 1.5);
    EXPECT_DOUBLE_EQ(double(dst.Top()), 2.25);
    EXPECT_DOUBLE_EQ(double(dst.Height()), 40);
    EXPECT_FALSE(dst.Visible());
    EXPECT_FALSE(dst.ParentFont());
    EXPECT_EQ(dst.Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(dst.Objects().Count(), 0);
    EXPECT_TRUE(oldGuard.isNull());
}

TEST(ComponentCopy, AssignAllWithOriginalsCopiesTreeAndLinks)
{
    TvdxTestView src;
    auto *c1 = new TvdxTestView(&src);
    c1->SetName(QStringLiteral("C1"));
    c1->SetAliasName(QStringLiteral("alias"));
    c1->SetOriginalComponent(&src);
    auto *c2 = new TvdxTestView(c1);
    c2->SetName(QStringLiteral("C2"));
    c2->SetLeft(7);
    TvdxTestView dst;
    dst.AssignAllWithOriginals(&src);
    ASSERT_EQ(dst.Objects().Count(), 1);
    TvdxComponent *d1 = dst.Objects()[0];
    EXPECT_EQ(d1->Name(), QStringLiteral("C1"));
    EXPECT_EQ(d1->AliasName(), QStringLiteral("alias"));
    EXPECT_EQ(d1->OriginalComponent(), &src);
    ASSERT_EQ(d1->Objects().Count(), 1);
    EXPECT_DOUBLE_EQ(double(d1->Objects()[0]->Left()), 7);
}

TEST(ComponentCopy, AssignToDictMarksSourceOnlyForTheCall)
{
    TvdxTestView src, dst;
    dst.AssignToDict(&src);
    EXPECT_FALSE(src.vdComponentState().testFlag(TvdxComponent::csVdxSerializeToDict));
}

TEST(ComponentStream, SavedObjectLoadsBackEqual)
{
    TvdxTestView src;
    src.SetBounds(10, 20, 30.5, 40);
    src.SetAnchors(TvdxComponent::vdaRight | TvdxComponent::vdaBottom);
    src.SetIndexTag(3);
    src.SetDescription(QStringLiteral("a \"quoted\" <text>"));
    auto *child = new TvdxTestView(&src);
    child->SetName(QStringLiteral("Child"));
    child->Font()->SetStyle(TvdFont::fsBold | TvdFont::fsItalic);
    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    src.SaveToStream(buf);
    const QByteArray first = buf.data();
    EXPECT_TRUE(first.contains("Anchors=\"12\"")) << first.constData();
    EXPECT_TRUE(first.contains("IndexTag=\"3\""));
    // Only the child with its own font says so.
    EXPECT_EQ(first.count("ParentFont=\"False\""), 1);
    EXPECT_TRUE(first.contains("Font.Style=\"3\""));
    TvdxTestView back;
    buf.seek(0);
    back.LoadFromStream(buf);
    EXPECT_EQ(back.Anchors(), src.Anchors());
    EXPECT_EQ(back.Description(), src.Description());
    ASSERT_EQ(back.Objects().Count(), 1);
    EXPECT_EQ(back.Objects()[0]->Font()->Style(), child->Font()->Style());
    QBuffer again;
    again.open(QIODevice::ReadWrite);
    back.SaveToStream(again);
    EXPECT_EQ(again.data(), first);
}

TEST(ComponentStream, BinaryPropertiesTravelWithTheObject)
{
    TvdxTestView root;
    auto *blob = new TvdxBlobView(&root);
    blob->SetName(QStringLiteral("B"));
    blob->Blob = QByteArray("\x00\x01picture", 9);
    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    root.SaveToStream(buf);
    EXPECT_TRUE(buf.data().contains("PropData=")) << buf.data().constData();
    TvdxTestView back;
    buf.seek(0);
    back.LoadFromStream(buf);
    ASSERT_EQ(back.Objects().Count(), 1);
    auto *b = qobject_cast<TvdxBlobView *>(back.Objects()[0]);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Blob, blob->Blob);
}

class DiffTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tmpl.SetBounds(10, 20, 30, 40);
        obj.SetBounds(10, 20, 30, 40);
    }
    TvdxTestView tmpl, obj;
};

TEST_F(DiffTest, CoordinatesChangeBeyondTheTolerance)
{
    obj.SetLeft(10.00005);
    EXPECT_EQ(obj.Diff(&tmpl), QString());
    obj.SetLeft(10.5);
    obj.SetTop(21);
    obj.SetWidth(31);
    obj.SetHeight(42.25);
    EXPECT_EQ(obj.Diff(&tmpl), QStringLiteral(" l=\"10.5\" t=\"21\" w=\"31\" h=\"42.25\""));
}

TEST_F(DiffTest, FlagsAndFonts)
{
    obj.SetVisible(false);
    obj.SetAllowMirrorMode(true);
    obj.SetTag(5);
    EXPECT_EQ(obj.Diff(&tmpl), QStringLiteral(" Visible=\"0\" Tag=\"5\" AllowMirrorMode=\"1\""));
    TvdxTestView o2;
    o2.SetBounds(10, 20, 30, 40);
    // ParentFont True: no font attributes, however the font differs.
    o2.Font()->SetName(QStringLiteral("Courier New"));
    o2.SetParentFont(true);
    EXPECT_EQ(o2.Diff(&tmpl), QString());
    o2.Font()->SetStyle(TvdFont::fsBold | TvdFont::fsStrikeOut);
    o2.Font()->SetSize(12);
    o2.Font()->SetColor(255);
    o2.Font()->SetCharset(204);
    EXPECT_EQ(o2.Diff(&tmpl), QStringLiteral(" Font.Name=\"Courier New\" Font.Size=\"12\" Font.Color=\"255\""
                                             " Font.Style=\"9\" Font.Charset=\"204\" ParentFont=\"0\""));
}

TEST(Diff, BandsAlwaysWriteTopAndNullBandsPosition)
{
    TvdxBand a, b;
    a.SetBounds(0, 100, 200, 30);
    b.SetBounds(0, 100, 200, 30);
    EXPECT_EQ(b.Diff(&a), QStringLiteral(" t=\"100\""));
    TvdxNullBand na, nb;
    na.SetBounds(3, 4, 5, 6);
    nb.SetBounds(3, 4, 5, 6);
    const QString all = nb.AllDiff(&na);
    EXPECT_TRUE(all.endsWith(QStringLiteral(" l=\"3\" t=\"4\""))) << all.toStdString();
}

TEST(Diff, AutoWidthMemoWritesNoWidth)
{
    TvdxCustomMemoView a, b;
    b.SetWidth(99);
    b.SetAutoWidth(true);
    EXPECT_EQ(b.Diff(&a), QString());
    b.SetAutoWidth(false);
    EXPECT_EQ(b.Diff(&a), QStringLiteral(" w=\"99\""));
}

TEST(Diff, AllDiffListsChangedPublishedProperties)
{
    TvdxTestView a, b;
    a.SetBounds(1, 2, 3, 4);
    b.SetBounds(1, 2, 3, 4);
    b.SetDescription(QStringLiteral("x"));
    b.SetVisible(false);
    const QString d = b.AllDiff(&a);
    EXPECT_TRUE(d.contains(QStringLiteral("Description=\"x\""))) << d.toStdString();
    EXPECT_TRUE(d.contains(QStringLiteral("Visible=\"False\"")));
    EXPECT_TRUE(d.endsWith(QStringLiteral(" Visible=\"0\"")));
    EXPECT_FALSE(b.vdComponentState().testFlag(TvdxComponent::csVdxSerializeToPreviewPages));
}

TEST(DataLink, LoadMomentsAndStorage)
{
    TvdxDataLink link;
    link.SetLink(QStringLiteral("a.png"));
    EXPECT_EQ(TvdxDataLink::GetLink(&link, TvdxDataLink::dlmOnGetData), QStringLiteral("a.png"));
    EXPECT_EQ(TvdxDataLink::GetLink(&link, TvdxDataLink::dlmOnLoading), QString());
    EXPECT_EQ(TvdxDataLink::GetLink(&link, TvdxDataLink::dlmGetLink), QStringLiteral("a.png"));
    EXPECT_EQ(TvdxDataLink::GetLink(nullptr, TvdxDataLink::dlmGetLink), QString());
    const TvdxComponent::TvdxComponentState dict = TvdxComponent::csVdxSerializeToDict;
    EXPECT_FALSE(TvdxDataLink::IsDataLinkStored(&link, dict));
    EXPECT_TRUE(TvdxDataLink::IsDataLinkStored(&link, {}));
    link.SetLoadingType(TvdxDataLink::dltOnPreview);
    EXPECT_TRUE(TvdxDataLink::IsDataLinkStored(&link, dict));
    EXPECT_EQ(TvdxDataLink::GetLink(&link, TvdxDataLink::dlmOnLoading), QStringLiteral("a.png"));
}

TEST(DataLink, ExpressionStateAndDiff)
{
    TvdxDataLink link;
    link.SetLink(QStringLiteral("<Customers.\"Photo\">"));
    TvdxDataLink::SaveState(&link);
    link.SetLink(QStringLiteral("x.png"));
    TvdxDataLink::RestoreState(&link);
    EXPECT_EQ(link.Link(), QStringLiteral("x.png")); // a plain link is left alone
    link.SetProcessingType(TvdxDataLink::dpExpression);
    link.SetLink(QStringLiteral("<expr>"));
    TvdxDataLink::SaveState(&link);
    link.SetLink(QStringLiteral("value.png"));
    TvdxDataLink::RestoreState(&link);
    EXPECT_EQ(link.Link(), QStringLiteral("<expr>"));
    EXPECT_EQ(link.TempLink(), QString());

    TvdxDataLink tmpl;
    tmpl.SetLink(QStringLiteral("<expr>"));
    TvdxDataLink shown;
    shown.Assign(&tmpl);
    shown.SetLoadingType(TvdxDataLink::dltOnPreview);
    EXPECT_EQ(shown.Diff(QStringLiteral("DataLink"), &tmpl), QString());
    shown.SetLink(QStringLiteral("b&c.png"));
    EXPECT_EQ(shown.Diff(QStringLiteral("DataLink"), &tmpl),
              QStringLiteral(" DataLink.Link=\"b&#38;c.png\" DataLink.LoadingType=\"2\""));
    shown.SetLoadingType(TvdxDataLink::dltOnGetData);
    EXPECT_EQ(shown.Diff(QStringLiteral("DataLink"), &tmpl), QString());
}

#include "ComponentStreamTest.moc"
