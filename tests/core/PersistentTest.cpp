#include "core/vdFiler.h"
#include "core/vdPersistent.h"

#include <gtest/gtest.h>

namespace {

QStringList g_log;

class LogComponent : public TvdComponent {
    Q_OBJECT
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(Align Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(Styles Style READ Style2 WRITE SetStyle2)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(LogComponent *Link READ Link WRITE SetLink)
    Q_CLASSINFO("default:Width", "100")
    Q_CLASSINFO("default:Alignment", "alRight")
    Q_CLASSINFO("default:Style", "stBold|stItalic")
    Q_CLASSINFO("default:Visible", "True")
public:
    enum Align : quint8 { alLeft, alRight, alCenter };
    Q_ENUM(Align)
    enum StyleFlag { stBold = 1, stItalic = 2, stUnderline = 4 };
    Q_DECLARE_FLAGS(Styles, StyleFlag)
    Q_FLAG(Styles)

    explicit LogComponent(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
    ~LogComponent() override { g_log << "free " + Name(); }
    int Width() const { return m_width; }
    void SetWidth(int w) { m_width = w; }
    Align Alignment() const { return m_align; }
    void SetAlignment(Align a) { m_align = a; }
    Styles Style2() const { return m_style; }
    void SetStyle2(Styles s) { m_style = s; }
    bool Visible() const { return m_visible; }
    void SetVisible(bool v) { m_visible = v; }
    LogComponent *Link() const { return m_link; }
    void SetLink(LogComponent *l)
    {
        if (m_link)
            m_link->RemoveFreeNotification(this);
        m_link = l;
        if (l)
            l->FreeNotification(this);
    }

protected:
    void Notification(TvdComponent *c, Operation op) override
    {
        TvdComponent::Notification(c, op);
        if (op == opRemove && c == m_link)
            m_link = nullptr;
    }

private:
    int m_width = 100;
    Align m_align = alRight;
    Styles m_style = Styles(stBold | stItalic);
    bool m_visible = true;
    LogComponent *m_link = nullptr;
};

class NamedItem : public TvdBaseCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &c) { m_caption = c; }
    void Assign(const TvdPersistent *src) override
    {
        if (auto *n = qobject_cast<const NamedItem *>(src))
            m_caption = n->m_caption;
        else
            TvdBaseCollectionItem::Assign(src);
    }

private:
    QString m_caption;
};

} // namespace

TEST(Component, OwnsChildrenAndFreesThemLastFirst)
{
    g_log.clear();
    {
        LogComponent root;
        root.SetName("Root");
        auto *a = new LogComponent(&root);
        a->SetName("A");
        auto *b = new LogComponent(&root);
        b->SetName("B");
        auto *c = new LogComponent(a);
        c->SetName("C");
        EXPECT_EQ(root.ComponentCount(), 2);
        EXPECT_EQ(root.FindComponent("b"), b);
        EXPECT_EQ(root.FindComponent("C"), nullptr); // owned by A, not Root
        EXPECT_EQ(root.FindObject("c"), c);
        EXPECT_EQ(b->ComponentIndex(), 1);
    }
    EXPECT_EQ(g_log, QStringList({"free Root", "free B", "free A", "free C"}));
}

TEST(Component, NameRules)
{
    LogComponent root;
    auto *a = new LogComponent(&root);
    a->SetName("Memo1");
    auto *b = new LogComponent(&root);
    try {
        b->SetName("memo1");
        FAIL() << "duplicate accepted";
    } catch (const EComponentError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("A component named memo1 already exists"));
    }
    EXPECT_THROW(b->SetName("1abc"), EComponentError);
    EXPECT_THROW(b->SetName("a b"), EComponentError);
    a->SetName("MEMO1"); // own name in another case is fine
    EXPECT_EQ(a->Name(), QStringLiteral("MEMO1"));
    b->SetName("_x2");
    // Moving a component to an owner that already has its name fails.
    LogComponent other;
    auto *c = new LogComponent(&other);
    c->SetName("_X2");
    EXPECT_THROW(root.InsertComponent(c), EComponentError);
    EXPECT_EQ(c->Owner(), &other);
}

TEST(Component, DesigningOwnersCheckNamesOnRename)
{
    LogComponent root;
    root.SetDesigning(true);
    auto *a = new LogComponent(&root);
    a->SetName("Memo1");
    auto *b = new LogComponent(&root);
    EXPECT_THROW(b->SetName("MEMO1"), EComponentError);
    a->SetName("Memo2");
    b->SetName("memo1"); // the old name is free
    EXPECT_EQ(root.FindComponent("MEMO1"), b);
    EXPECT_EQ(root.FindComponent("memo2"), a);
}

// Keys compare as the folded (or lowered) texts do, ASCII or not.
TEST(NameKey, EqualityHashAndOrderFollowTheFoldedText)
{
    struct Case {
        QString a, b;
        bool foldedEqual, loweredEqual;
    };
    const Case cases[] = {
        {"Memo1", "mEMO1", true, true},
        {"Memo1", "Memo2", false, false},
        {"Memo", "Memo1", false, false},
        {"", "", true, true},
        {QStringLiteral("\u00C4rger"), QStringLiteral("\u00E4RGER"), true, true},
        {QStringLiteral("\u212Aey"), "KEY", true, true}, // Kelvin sign folds and lowers to k
        {QStringLiteral("Stra\u00DFe"), "STRASSE", false, false}, // one letter folds to one letter
        {QStringLiteral("\u00C4"), "A", false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.a + u'/' + c.b).toStdString());
        const TvdNameKey fa = TvdNameKey::Folded(c.a), fb = TvdNameKey::Folded(c.b);
        EXPECT_EQ(fa == fb, c.foldedEqual);
        EXPECT_EQ(fa == fb, c.a.toCaseFolded() == c.b.toCaseFolded());
        const TvdNameKey la = TvdNameKey::Lowered(c.a), lb = TvdNameKey::Lowered(c.b);
        EXPECT_EQ(la == lb, c.loweredEqual);
        EXPECT_EQ(la == lb, c.a.toLower() == c.b.toLower());
        if (c.foldedEqual)
            EXPECT_EQ(qHash(fa, 7), qHash(fb, 7));
        if (c.loweredEqual)
            EXPECT_EQ(qHash(la, 7), qHash(lb, 7));
        EXPECT_EQ(la < lb, c.a.toLower() < c.b.toLower());
        EXPECT_EQ(lb < la, c.b.toLower() < c.a.toLower());
    }
    // An ASCII name is its own key: nothing is copied.
    const QString name = QStringLiteral("Memo12");
    EXPECT_EQ(TvdNameKey::Folded(name).Text().constData(), name.constData());
    QHash<TvdNameKey, int> table;
    table.insert(TvdNameKey::Folded(name), 1);
    EXPECT_EQ(table.value(TvdNameKey::Folded("MEMO12")), 1);
    EXPECT_FALSE(table.contains(TvdNameKey::Folded("Memo1")));
}

TEST(Component, FreeNotificationClearsReference)
{
    LogComponent root;
    auto *target = new LogComponent(&root);
    auto *holder = new LogComponent(&root);
    holder->SetLink(target);
    delete target;
    EXPECT_EQ(holder->Link(), nullptr);
    // And the other way round: the holder going first leaves nothing dangling.
    auto *t2 = new LogComponent(&root);
    auto *h2 = new LogComponent(&root);
    h2->SetLink(t2);
    delete h2;
    delete t2;
}

TEST(Component, DesigningPropagatesToOwnedComponents)
{
    LogComponent root;
    auto *a = new LogComponent(&root);
    root.SetDesigning(true);
    EXPECT_TRUE(a->HasState(TvdComponent::csDesigning));
    auto *b = new LogComponent(&root);
    EXPECT_TRUE(b->HasState(TvdComponent::csDesigning));
}

TEST(Persistent, AssignErrorNamesBothClasses)
{
    LogComponent a;
    NamedItem item;
    try {
        item.Assign(&a);
        FAIL();
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot assign a LogComponent to a NamedItem"));
    }
    EXPECT_THROW(item.Assign(nullptr), EConvertError);
}

TEST(BaseCollection, AddDeleteAssignAndIndex)
{
    TvdBaseCollection coll(TvdBaseCollection::factoryOf<NamedItem>());
    auto *a = static_cast<NamedItem *>(coll.Add());
    a->SetCaption("a");
    auto *b = static_cast<NamedItem *>(coll.Add());
    b->SetCaption("b");
    auto *c = static_cast<NamedItem *>(coll.Insert(0));
    c->SetCaption("c");
    EXPECT_EQ(coll.Count(), 3);
    EXPECT_EQ(c->Index(), 0);
    EXPECT_EQ(coll.FindItemID(1), b);

    TvdBaseCollection copy(TvdBaseCollection::factoryOf<NamedItem>());
    copy.Assign(&coll);
    ASSERT_EQ(copy.Count(), 3);
    EXPECT_EQ(static_cast<NamedItem *>(copy.Items(0))->Caption(), "c");
    EXPECT_EQ(static_cast<NamedItem *>(copy.Items(2))->Caption(), "b");

    delete a; // an item freed on its own leaves its collection
    EXPECT_EQ(coll.Count(), 2);
    coll.Delete(0);
    EXPECT_EQ(coll.Items(0), b);
    EXPECT_THROW(coll.Delete(5), EListError);
    coll.Clear();
    EXPECT_EQ(coll.Count(), 0);
}

TEST(ClassRegistry, FindsByNameIgnoringCaseAndCreates)
{
    vdRegisterClass<LogComponent>();
    vdRegisterClass<NamedItem>();
    const TvdClassInfo *info = vdFindClass("logcomponent");
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(info->isComponent);
    LogComponent owner;
    TvdPersistent *obj = info->create(&owner);
    EXPECT_EQ(qobject_cast<LogComponent *>(obj)->Owner(), &owner);
    EXPECT_FALSE(vdFindClass("NamedItem")->isComponent);
    EXPECT_EQ(vdFindClass("Nothing"), nullptr);
    EXPECT_THROW(TvdClassRegistry::Instance().Get("Nothing"), EClassNotFound);
}

TEST(Reflection, KindsDefaultsAndOrdinalAccess)
{
    const QMetaObject *m = &LogComponent::staticMetaObject;
    const auto &props = vdPublishedProperties(m);
    QStringList names;
    for (const auto &p : props)
        names << p.name();
    EXPECT_EQ(names, QStringList({"Name", "Tag", "Width", "Alignment", "Style", "Visible", "Link"}));
    struct Case { const char *name; TvdPropKind kind; std::optional<qint64> def; };
    const Case cases[] = {
        {"Tag", TvdPropKind::Integer, 0},
        {"Width", TvdPropKind::Integer, 100},
        {"Alignment", TvdPropKind::Enumeration, 1},
        {"Style", TvdPropKind::Set, 3},
        {"Visible", TvdPropKind::Boolean, 1},
        {"Link", TvdPropKind::Object, std::nullopt},
        {"Name", TvdPropKind::String, std::nullopt},
    };
    for (const Case &c : cases) {
        const TvdPropInfo *p = vdFindProperty(m, c.name);
        ASSERT_NE(p, nullptr) << c.name;
        EXPECT_EQ(p->kind, c.kind) << c.name;
        EXPECT_EQ(vdPropertyDefault(m, *p), c.def) << c.name;
    }
    LogComponent obj;
    const TvdPropInfo *align = vdFindProperty(m, "alignment");
    vdSetOrdProp(&obj, *align, 2);
    EXPECT_EQ(obj.Alignment(), LogComponent::alCenter);
    EXPECT_EQ(vdGetOrdProp(&obj, *align), 2);
    const TvdPropInfo *style = vdFindProperty(m, "Style");
    vdSetOrdProp(&obj, *style, 5);
    EXPECT_EQ(int(obj.Style2()), 5);
    EXPECT_EQ(vdGetOrdProp(&obj, *style), 5);
    const TvdPropInfo *link = vdFindProperty(m, "Link");
    LogComponent other;
    vdSetObjectProp(&obj, *link, &other);
    EXPECT_EQ(obj.Link(), &other);
    EXPECT_EQ(vdGetObjectProp(&obj, *link), &other);
    NamedItem wrong;
    EXPECT_THROW(vdSetObjectProp(&obj, *link, &wrong), EPropertyError);
    vdSetObjectProp(&obj, *link, nullptr);
    EXPECT_EQ(obj.Link(), nullptr);
    EXPECT_FALSE(vdIsStored(&obj, *vdFindProperty(m, "Name")));
}

TEST(BinaryProps, ValuesRoundTripByTag)
{
    TvdBinaryWriter w;
    w.WritePropName("A");
    w.WriteInteger(-5);
    w.WritePropName("B");
    w.WriteInteger(100000);
    w.WritePropName("C");
    w.WriteFloat(-1234.5625);
    w.WritePropName("D");
    w.WriteString(QString(300, 'x'));
    w.WritePropName("E");
    w.WriteString(QStringLiteral("Grüße €"));
    w.WritePropName("F");
    w.WriteBinary(QByteArray("\x00\x01\x02", 3));
    w.WritePropName("G");
    w.WriteBoolean(true);
    TvdBinaryReader r(w.Data());
    EXPECT_EQ(r.ReadPropName(), "A");
    EXPECT_EQ(r.ReadValue(), QVariant(-5));
    EXPECT_EQ(r.ReadPropName(), "B");
    EXPECT_EQ(r.ReadInteger(), 100000);
    EXPECT_EQ(r.ReadPropName(), "C");
    EXPECT_DOUBLE_EQ(r.ReadFloat(), -1234.5625);
    EXPECT_EQ(r.ReadPropName(), "D");
    EXPECT_EQ(r.ReadString(), QString(300, 'x'));
    EXPECT_EQ(r.ReadPropName(), "E");
    EXPECT_EQ(r.ReadString(), QStringLiteral("Grüße €"));
    EXPECT_EQ(r.ReadPropName(), "F");
    EXPECT_EQ(r.ReadBinary(), QByteArray("\x00\x01\x02", 3));
    EXPECT_EQ(r.ReadPropName(), "G");
    EXPECT_TRUE(r.ReadBoolean());
    EXPECT_TRUE(r.AtEnd());
    EXPECT_THROW(r.ReadPropName(), EReadError);
    // A known 80-bit extended value: 1.0 is 0x3FFF with the integer bit set.
    TvdBinaryReader one(QByteArray::fromHex("050000000000000080ff3f"));
    EXPECT_DOUBLE_EQ(one.ReadFloat(), 1.0);
    // A length running past the end raises instead of reading outside.
    TvdBinaryReader cut(QByteArray::fromHex("0c10000000414243"));
    EXPECT_THROW(cut.ReadString(), EReadError);
}

#include "PersistentTest.moc"
