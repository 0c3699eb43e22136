// Host classes in scripts: published, indexed and default properties, methods
// with defaults and var parameters, constructors, components, events, with
// lookup, late binding and automation objects.
#include "RtTestSupport.h"
#include "core/vdPersistent.h"
#include "script/ov_iclasses.h"
#include "script/ov_idisp.h"

#include <gtest/gtest.h>

// Script class names are the host class names, so these live at global scope.
class TObject : public QObject {
    Q_OBJECT
};

class TTestStrings : public TvdPersistent {
    Q_OBJECT
public:
    QStringList items;
};

class TTestPanel : public TvdComponent, public IovEventHost {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(double Ratio READ Ratio WRITE SetRatio)
    Q_PROPERTY(QChar Mark READ Mark WRITE SetMark)
    Q_PROPERTY(TTestAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(TTestStrings *Lines READ Lines)
public:
    enum TTestAlign { alNone, alTop, alClient };
    Q_ENUM(TTestAlign)
    Q_INVOKABLE explicit TTestPanel(TvdComponent *owner = nullptr) : TvdComponent(owner) {}

    QString Caption() const { return m_caption; }
    void SetCaption(const QString &v) { m_caption = v; }
    bool Visible() const { return m_visible; }
    void SetVisible(bool v) { m_visible = v; }
    int Width() const { return m_width; }
    void SetWidth(int v) { m_width = v; }
    double Ratio() const { return m_ratio; }
    void SetRatio(double v) { m_ratio = v; }
    QChar Mark() const { return m_mark; }
    void SetMark(QChar v) { m_mark = v; }
    TTestAlign Align() const { return m_align; }
    void SetAlign(TTestAlign v) { m_align = v; }
    TTestStrings *Lines() { return &m_lines; }

    bool SetScriptEvent(const QString &eventName, const TovEventMethod &handler) override
    {
        if (eventName != QLatin1String("ONCLICK"))
            return false;
        onClick = handler;
        return true;
    }
    // What the control does when clicked: hands itself and a var argument.
    int Click(int key = 0)
    {
        if (!onClick)
            return key;
        QList<Variant> args{Variant::fromObject(this), Variant(key)};
        onClick(args);
        return args.at(1).toInt();
    }
    TovEventMethod onClick;

private:
    QString m_caption;
    bool m_visible = false;
    int m_width = 0;
    double m_ratio = 0;
    QChar m_mark;
    TTestAlign m_align = alNone;
    TTestStrings m_lines;
};

// Not registered: scripts see it as its nearest registered ancestor.
class TTestPanelEx : public TTestPanel {
    Q_OBJECT
public:
    using TTestPanel::TTestPanel;
};

class TTestForm : public TvdComponent {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TTestForm(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
};

// An automation object that records what it is asked.
class FakeDispatch : public QObject, public IovDispatch {
    Q_OBJECT
public:
    struct Call {
        QString name;
        quint16 flags;
        QList<Variant> args;
        QList<int> named;
        bool wantResult;
    };
    QList<Call> calls;
    QStringList names{QStringLiteral("Visible"), QStringLiteral("Run"), QStringLiteral("Name"), QStringLiteral("Child"),
                      QStringLiteral("Fail")};

    quint32 GetIDsOfNames(const QString &name, int &dispId) override
    {
        for (int i = 0; i < names.size(); ++i)
            if (names[i].compare(name, Qt::CaseInsensitive) == 0) {
                dispId = i;
                return 0;
            }
        return DISP_E_UNKNOWNNAME;
    }
    quint32 Invoke(int dispId, quint16 flags, const QList<Variant> &args, const QList<int> &named, Variant *result,
                   TovExcepInfo &info) override
    {
        calls.append({names[dispId], flags, args, named, result != nullptr});
        if (names[dispId] == QLatin1String("Fail")) {
            info.Source = QStringLiteral("Fake.App");
            info.Description = QStringLiteral("It broke");
            return DISP_E_EXCEPTION;
        }
        if (result)
            *result = Variant(QStringLiteral("fake"));
        return 0;
    }
};

namespace {
using namespace rttest;

struct Recorded {
    QString name;
    QList<Variant> args;
};

class HostClassTest : public ::testing::Test {
protected:
    HostClassTest()
    {
        addBaseTypes(s);
        s.SetAddedBy(ovAddedByModules);
        s.AddConst(QStringLiteral("nil"), QStringLiteral("Variant"), Variant(0));
        TovClassVariable *obj = s.AddClass(&TObject::staticMetaObject, QString());
        obj->AddConstructor(QStringLiteral("constructor Create"),
                            TovCallMethodEvent([](QObject *, const QMetaObject *cls, const QString &, Variant &) {
                                QObject *o = cls->newInstance();
                                return o ? Variant::fromObject(o) : Variant::null();
                            }));
        obj->AddMethod(QStringLiteral("procedure Free"),
                       TovCallMethodEvent([](QObject *inst, const QMetaObject *, const QString &, Variant &) {
                           ovFreeObject(Variant::fromObject(inst));
                           return Variant(0);
                       }));
        TovClassVariable *strings = s.AddClass(&TTestStrings::staticMetaObject, QStringLiteral("TObject"));
        strings->AddDefaultProperty(QStringLiteral("Strings"), QStringLiteral("Integer"), QStringLiteral("String"),
                                    TovCallMethodEvent([this](QObject *inst, const QMetaObject *, const QString &name,
                                                              Variant &params) {
                                        record(name, params);
                                        auto *st = static_cast<TTestStrings *>(inst);
                                        const int i = params.arrayGet(0).toInt();
                                        if (name.endsWith(QLatin1String(".SET"))) {
                                            while (st->items.size() <= i)
                                                st->items.append(QString());
                                            st->items[i] = params.arrayGet(1).toString();
                                            return Variant(0);
                                        }
                                        return Variant(st->items.value(i));
                                    }));
        TovClassVariable *panel = s.AddClass(&TTestPanel::staticMetaObject, QStringLiteral("TObject"));
        panel->AddMethod(QStringLiteral("function Sum(a: Integer; b: Integer = 10): Integer"),
                         TovCallMethodEvent([this](QObject *, const QMetaObject *, const QString &name, Variant &p) {
                             record(name, p);
                             return Variant(p.arrayGet(0).toInt() + p.arrayGet(1).toInt());
                         }));
        panel->AddMethod(QStringLiteral("procedure Swap(var a, b: Variant)"),
                         TovCallMethodNewEvent([](QObject *, const QMetaObject *, const QString &, TovMethodHelper *m) {
                             const Variant a = m->GetVParam(0);
                             m->SetVParam(0, m->GetVParam(1));
                             m->SetVParam(1, a);
                             return Variant(0);
                         }));
        panel->AddIndexProperty(QStringLiteral("Cells"), QStringLiteral("Integer, Integer"), QStringLiteral("String"),
                                TovCallMethodNewEvent([this](QObject *, const QMetaObject *, const QString &name,
                                                             TovMethodHelper *m) {
                                    QList<Variant> args;
                                    for (int i = 0; i <= m->ParamCount(); ++i)
                                        args.append(m->GetVParam(i));
                                    calls.append({name, args});
                                    return Variant(QStringLiteral("cell"));
                                }));
        panel->AddProperty(QStringLiteral("Counter"), QStringLiteral("Integer"),
                           [this](QObject *, const QMetaObject *, const QString &) { return Variant(tag); },
                           [this](QObject *, const QMetaObject *, const QString &, const Variant &v) { tag = v.toInt(); });
        panel->AddProperty(QStringLiteral("Flag"), QStringLiteral("Boolean"),
                           [](QObject *, const QMetaObject *, const QString &) { return Variant(2); });
        panel->AddEvent(QStringLiteral("OnClick"), nullptr);
        s.AddClass(&TTestForm::staticMetaObject, QStringLiteral("TObject"));

        form.SetName(QStringLiteral("Form1"));
        panel1 = new TTestPanel(&form);
        panel1->SetName(QStringLiteral("Panel1"));
        s.FindClass(QStringLiteral("TTestForm"))->AddComponent(panel1);
        s.AddObject(QStringLiteral("Form1"), &form);
        s.AddObject(QStringLiteral("Panel1"), panel1);
        s.SetAddedBy(0);
    }

    void record(const QString &name, const Variant &params)
    {
        QList<Variant> args;
        for (int i = 0; i <= params.arrayHighBound(1); ++i)
            args.append(params.arrayGet(i));
        calls.append({name, args});
    }
    void run(const QString &lang, const QString &text)
    {
        const Compiled c = compile(s, lang, text);
        ASSERT_TRUE(c.ok) << qPrintable(c.msg) << " at " << qPrintable(c.pos);
        s.Execute();
    }
    Variant var(const char *name) { return s.Variables(QString::fromLatin1(name)); }
    int adapters() const
    {
        int n = 0;
        for (int i = 0; i < s.Count(); ++i)
            n += dynamic_cast<TovCustomEvent *>(s.Items(i)) != nullptr;
        return n;
    }

    TTestForm form;
    TTestPanel *panel1;
    TovScript s;
    QList<Recorded> calls;
    int tag = 0;
};

TEST_F(HostClassTest, PublishedPropertiesInFourLanguages)
{
    struct {
        QString lang;
        char caption;
        const char *text;
    } cases[] = {
        {Pascal, 'P', "var w: Integer;\nbegin Panel1.Caption := 'P'; Panel1.Width := Panel1.Width + 5; w := Panel1.Width; end."},
        {Cpp, 'C', "int w;\n{ Panel1.Caption = \"C\"; Panel1.Width = Panel1.Width + 5; w = Panel1.Width; }"},
        {Basic, 'B', "dim w\nPanel1.Caption = \"B\"\nPanel1.Width = Panel1.Width + 5\nw = Panel1.Width"},
        {JS, 'J', "var w; Panel1.Caption = \"J\"; Panel1.Width = Panel1.Width + 5; w = Panel1.Width;"},
    };
    int width = 0;
    for (const auto &c : cases) {
        s.Clear();
        run(c.lang, QString::fromUtf8(c.text));
        width += 5;
        EXPECT_EQ(panel1->Caption(), QString(QLatin1Char(c.caption))) << qPrintable(c.lang);
        EXPECT_EQ(var("w").toInt(), width) << qPrintable(c.lang);
    }
}

TEST_F(HostClassTest, PublishedKindsReadAndWrite)
{
    run(Pascal, QStringLiteral("var b, f: Variant; r: Double; m: String; a: Integer;\n"
                               "begin b := Panel1.Visible; Panel1.Visible := True; Panel1.Ratio := 1.25;\n"
                               "r := Panel1.Ratio; Panel1.Mark := 'xyz'; m := Panel1.Mark; Panel1.Align := 2; a := Panel1.Align;\n"
                               "f := Panel1.Flag; end."));
    EXPECT_TRUE(var("b").isBool());
    EXPECT_FALSE(var("b").toBool());
    EXPECT_TRUE(panel1->Visible());
    EXPECT_DOUBLE_EQ(var("r").toDouble(), 1.25);
    EXPECT_EQ(panel1->Mark(), QChar(u'x'));
    EXPECT_EQ(var("m").toString(), QStringLiteral("x"));
    EXPECT_EQ(panel1->Align(), TTestPanel::alClient);
    EXPECT_EQ(var("a").toInt(), 2);
    // A Boolean member served by a callback answering 2 reads as True.
    EXPECT_TRUE(var("f").isBool());
    EXPECT_TRUE(var("f").toBool());
    // Published members are listed by name.
    TovClassVariable *cls = s.FindClass(QStringLiteral("TTestPanel"));
    ASSERT_NE(cls, nullptr);
    QStringList names;
    for (int i = 0; i < cls->MembersCount(); ++i)
        if (auto *p = dynamic_cast<TovPropertyHelper *>(cls->Members(i)); p && p->IsPublished)
            names << p->Name();
    EXPECT_EQ(names, (QStringList{"Align", "Caption", "Lines", "Mark", "Name", "Ratio", "Tag", "Visible", "Width"}))
        << qPrintable(names.join(QLatin1Char(',')));
    EXPECT_EQ(cls->Find(QStringLiteral("Align"))->Typ, fvtEnum);
    EXPECT_EQ(cls->Find(QStringLiteral("Align"))->TypeName, QStringLiteral("TTestAlign"));
    EXPECT_EQ(cls->Find(QStringLiteral("Visible"))->Typ, fvtBool);
    EXPECT_EQ(cls->Find(QStringLiteral("Lines"))->Typ, fvtClass);
}

TEST_F(HostClassTest, CallbackPropertiesAndReadOnly)
{
    run(Pascal, QStringLiteral("var t: Integer;\nbegin Panel1.Counter := 41; t := Panel1.Counter + 1; end."));
    EXPECT_EQ(tag, 41);
    EXPECT_EQ(var("t").toInt(), 42);
    TovScript &p = s;
    p.Clear();
    const Compiled c = compile(p, Pascal, QStringLiteral("begin\n  Panel1.Flag := True;\nend."));
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.msg, QStringLiteral("Left side cannot be assigned to"));
}

TEST_F(HostClassTest, MethodsWithDefaultsAndVarParameters)
{
    run(Pascal, QStringLiteral("var r1, r2: Integer; x, y: Variant;\n"
                               "begin r1 := Panel1.Sum(1); r2 := Panel1.Sum(1, 2); x := 'a'; y := 'b'; Panel1.Swap(x, y); end."));
    EXPECT_EQ(var("r1").toInt(), 11);
    EXPECT_EQ(var("r2").toInt(), 3);
    EXPECT_EQ(var("x").toString(), QStringLiteral("b"));
    EXPECT_EQ(var("y").toString(), QStringLiteral("a"));
    ASSERT_FALSE(calls.isEmpty());
    EXPECT_EQ(calls.first().name, QStringLiteral("SUM"));
    s.Clear();
    const Compiled c = compile(s, Pascal, QStringLiteral("var r: Integer;\nbegin r := Panel1.Sum(1, 2, 3); end."));
    EXPECT_EQ(c.msg, QStringLiteral("Too many actual parameters"));
}

TEST_F(HostClassTest, IndexedAndDefaultProperties)
{
    run(Pascal, QStringLiteral("var a, c: String;\n"
                               "begin Panel1.Lines[0] := 'first'; a := Panel1.Lines[0]; c := Panel1.Cells[2, 3]; Panel1.Cells[4, 5] := 'v'; end."));
    EXPECT_EQ(panel1->Lines()->items, QStringList{QStringLiteral("first")});
    EXPECT_EQ(var("a").toString(), QStringLiteral("first"));
    EXPECT_EQ(var("c").toString(), QStringLiteral("cell"));
    ASSERT_EQ(calls.size(), 4);
    EXPECT_EQ(calls[0].name, QStringLiteral("STRINGS.SET"));
    ASSERT_EQ(calls[0].args.size(), 2);
    EXPECT_EQ(calls[0].args[1].toString(), QStringLiteral("first"));
    EXPECT_EQ(calls[1].name, QStringLiteral("STRINGS.GET"));
    EXPECT_EQ(calls[2].name, QStringLiteral("CELLS.GET"));
    EXPECT_EQ(calls[2].args[0].toInt(), 2);
    EXPECT_EQ(calls[2].args[1].toInt(), 3);
    // The setter reads the assigned value as the parameter after the indexes.
    EXPECT_EQ(calls[3].name, QStringLiteral("CELLS.SET"));
    ASSERT_EQ(calls[3].args.size(), 3);
    EXPECT_EQ(calls[3].args[2].toString(), QStringLiteral("v"));
}

TEST_F(HostClassTest, MemberMessages)
{
    const struct {
        const char *text;
        const char *msg;
    } cases[] = {
        {"var v: Variant;\nbegin v := Panel1.Cells.Count; end.", "Index required"},
        {"var v: Variant;\nbegin v := Panel1[0]; end.", "Class TTestPanel does not have a default property"},
        {"var v: Variant;\nbegin v := Panel1.NoSuchMember; end.", "Undeclared identifier: 'NoSuchMember'"},
        {"var v: Variant; i: Integer;\nbegin v := new i; end.", "Class type required"},
    };
    for (const auto &c : cases) {
        s.Clear();
        const QString lang = QString::fromUtf8(c.text).contains(QLatin1String("new ")) ? Cpp : Pascal;
        QString text = QString::fromUtf8(c.text);
        if (lang == Cpp)
            text = QStringLiteral("int i; Variant v;\n{ v = new i; }");
        const Compiled r = compile(s, lang, text);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.msg, QString::fromUtf8(c.msg)) << c.text;
        EXPECT_TRUE(r.pos.startsWith(QLatin1String("2:"))) << qPrintable(r.pos);
    }
}

TEST_F(HostClassTest, ConstructorsTypecastsAndFree)
{
    run(Cpp, QStringLiteral("Variant p, q; string c;\n{ p = new TTestPanel; p.Caption = \"made\"; c = p.Caption; q = TObject(p); delete q; }"));
    EXPECT_EQ(var("c").toString(), QStringLiteral("made"));
    // The object was freed by the script: the reference now reports it gone.
    EXPECT_FALSE(var("p").isObjectAlive());
    s.Clear();
    run(Pascal, QStringLiteral("var p: TTestPanel;\nbegin p := TTestPanel.Create; p.Width := 3; end."));
    ASSERT_TRUE(var("p").isObjectAlive());
    auto *made = qobject_cast<TTestPanel *>(var("p").object());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->Width(), 3);
    delete made;
}

TEST_F(HostClassTest, ObjectReferencesAreChecked)
{
    // A number cast to a class never reaches memory.
    s.Clear();
    ASSERT_TRUE(compile(s, Pascal, QStringLiteral("var c: String;\nbegin c := TTestPanel(12345).Caption; end.")).ok);
    EXPECT_THROW(s.Execute(), EovClassError);
    // An object its owner holds cannot be freed by a script.
    s.Clear();
    ASSERT_TRUE(compile(s, Pascal, QStringLiteral("begin Panel1.Free; end.")).ok);
    EXPECT_THROW(s.Execute(), EovClassError);
    EXPECT_EQ(form.ComponentCount(), 1);
    EXPECT_EQ(panel1->Caption(), QString());
    // A freed object is reported, not used.
    auto *loose = new TTestPanel;
    s.Clear();
    s.AddVariable(QStringLiteral("Loose"), QStringLiteral("TTestPanel"), Variant::fromObject(loose));
    ASSERT_TRUE(compile(s, Pascal, QStringLiteral("var w: Integer;\nbegin w := Loose.Width; end.")).ok);
    delete loose;
    EXPECT_THROW(s.Execute(), EVariantFreedObjectError);
}

TEST_F(HostClassTest, ComponentsOfForms)
{
    auto *panel2 = new TTestPanel(&form);
    panel2->SetName(QStringLiteral("Panel2"));
    run(Pascal, QStringLiteral("begin Form1.Panel1.Caption := 'one'; Form1.Panel2.Caption := 'two'; end."));
    EXPECT_EQ(panel1->Caption(), QStringLiteral("one"));
    EXPECT_EQ(panel2->Caption(), QStringLiteral("two"));
    TovClassVariable *fc = s.FindClass(QStringLiteral("TTestForm"));
    EXPECT_EQ(fc->Find(QStringLiteral("Panel2")), nullptr);
    EXPECT_NE(dynamic_cast<TovComponentHelper *>(fc->Find(QStringLiteral("Panel2"), true)), nullptr);
    delete panel2;
    try {
        s.Execute();
        FAIL() << "missing component not reported";
    } catch (const EovClassError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Component with name Panel2 not found"));
    }
    s.Clear();
    ASSERT_TRUE(compile(s, Pascal, QStringLiteral("begin Form1.Panel1 := nil; end.")).ok);
    try {
        s.Execute();
        FAIL() << "component field assigned";
    } catch (const EovClassError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Can not assign value to component field Panel1"));
    }
}

TEST_F(HostClassTest, WithLookupAndLateBinding)
{
    run(Pascal, QStringLiteral("var Other: Integer; v: Variant; c: String;\n"
                               "begin with Panel1 do begin Caption := 'w'; Width := 9; Other := Width + 1; end;\n"
                               "v := Panel1; c := v.Caption; end."));
    EXPECT_EQ(panel1->Caption(), QStringLiteral("w"));
    EXPECT_EQ(var("Other").toInt(), 10);
    EXPECT_EQ(var("c").toString(), QStringLiteral("w"));
    // A with over a Variant resolves its members when first run.
    s.Clear();
    run(JS, QStringLiteral("var v, n; v = Panel1; with (v) { Caption = \"js\"; n = Width; }"));
    EXPECT_EQ(panel1->Caption(), QStringLiteral("js"));
    EXPECT_EQ(var("n").toInt(), 9);
}

TEST_F(HostClassTest, EventsAttachDetachAndNeverPileUp)
{
    run(Pascal, QStringLiteral("var clicks: Integer;\n"
                               "procedure PanelClick(Sender: TObject; var Key: Integer);\n"
                               "begin clicks := clicks + 1; Key := Key * 2; TTestPanel(Sender).Caption := 'clicked'; end;\n"
                               "begin Panel1.OnClick := 'PanelClick'; Panel1.OnClick := @PanelClick; Panel1.OnClick := 'PanelClick'; end."));
    EXPECT_EQ(adapters(), 1);
    EXPECT_EQ(panel1->Click(21), 42);
    EXPECT_EQ(var("clicks").toInt(), 1);
    EXPECT_EQ(panel1->Caption(), QStringLiteral("clicked"));

    // Detaching drops the adapter and the host's handler.
    TovScript &p = s;
    ASSERT_TRUE(p.CallFunction(QStringLiteral("PanelClick"), Variant::arrayOf({Variant::fromObject(panel1), Variant(1)}))
                    .isNull());
    s.Statement()->Clear();
    ASSERT_TRUE(compile(s, Pascal, QStringLiteral("begin Panel1.OnClick := nil; end.")).ok);
    s.Execute();
    EXPECT_EQ(adapters(), 0);
    EXPECT_FALSE(bool(panel1->onClick));

    // A handler that is no procedure.
    s.Clear();
    const Compiled c = compile(s, Pascal, QStringLiteral("var x: Integer;\nbegin Panel1.OnClick := 'x'; end."));
    ASSERT_TRUE(c.ok);
    try {
        s.Execute();
        FAIL() << "variable accepted as handler";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Event handler must be a procedure"));
    }
}

TEST_F(HostClassTest, HandlerParametersTheEventDoesNotPassStartEmpty)
{
    run(Pascal, QStringLiteral("var calls, seenN, seenD: Integer; seenS: String; seenB: Boolean; seenF: Double;\n"
                               "  seenV: Variant;\n"
                               "procedure H(Sender: TObject; var Key: Integer; N: Integer; S: String; B: Boolean;\n"
                               "  F: Double; V: Variant; D: Integer = 5);\n"
                               "begin calls := calls + 1; seenN := N; seenS := S; seenB := B; seenF := F; seenV := V;\n"
                               "  seenD := D; N := 7; S := 'stale'; B := True; F := 2.5; V := 'stale'; D := 9;\n"
                               "  Key := Key + 1; end;\n"
                               "begin Panel1.OnClick := 'H'; end."));
    // The second call must not see what the first one left behind.
    for (int call = 1; call <= 2; ++call) {
        EXPECT_EQ(panel1->Click(3), 4);
        EXPECT_EQ(var("calls").toInt(), call);
        EXPECT_EQ(var("seenN").toInt(), 0) << call;
        EXPECT_EQ(var("seenS").toString(), QString()) << call;
        EXPECT_FALSE(var("seenB").toBool()) << call;
        EXPECT_EQ(var("seenF").toDouble(), 0.0) << call;
        EXPECT_TRUE(var("seenV").isNull()) << call;
        EXPECT_EQ(var("seenD").toInt(), 5) << call;
    }
}

TEST_F(HostClassTest, AdaptersGoWithTheControlOrTheProgram)
{
    auto *loose = new TTestPanel;
    s.AddVariable(QStringLiteral("Loose"), QStringLiteral("TTestPanel"), Variant::fromObject(loose));
    run(Pascal, QStringLiteral("procedure H(Sender: TObject; var Key: Integer); begin end;\n"
                               "begin Loose.OnClick := 'H'; Panel1.OnClick := 'H'; end."));
    EXPECT_EQ(adapters(), 2);
    delete loose;  // the control goes: its adapter goes too
    EXPECT_EQ(adapters(), 1);
    s.Clear();  // the program goes: the host no longer calls into it
    EXPECT_FALSE(bool(panel1->onClick));
    EXPECT_EQ(panel1->Click(5), 5);

    // The handler procedure is removed while its adapter stays registered.
    s.SetAddedBy(7);
    run(Pascal, QStringLiteral("procedure H(Sender: TObject; var Key: Integer); begin Key := 0; end;\n"
                               "begin Panel1.OnClick := 'H'; end."));
    s.SetAddedBy(0);
    EXPECT_EQ(panel1->Click(5), 0);
    s.RemoveItems(7);
    EXPECT_EQ(panel1->Click(5), 5);
    EXPECT_FALSE(bool(panel1->onClick));
}

TEST_F(HostClassTest, VariantValuesKnownWhenCompiling)
{
    s.SetAddedBy(ovAddedByModules);
    s.AddVariable(QStringLiteral("Arr"), QStringLiteral("Variant"), Variant::arrayOf({Variant(4), Variant(5), Variant(6)}));
    s.AddVariable(QStringLiteral("Txt"), QStringLiteral("Variant"), Variant(QStringLiteral("xyz")));
    s.AddVariable(QStringLiteral("Num"), QStringLiteral("Variant"), Variant(5));
    s.AddVariable(QStringLiteral("Obj"), QStringLiteral("Variant"), Variant::fromObject(panel1));
    s.SetAddedBy(0);
    run(Pascal, QStringLiteral("var a, t, w: Variant;\nbegin a := Arr[2]; Arr[0] := 9; t := Txt[2]; Obj.Width := 12; w := Obj.Width; end."));
    EXPECT_EQ(var("a").toInt(), 6);
    EXPECT_EQ(var("Arr").arrayGet(0).toInt(), 9);
    EXPECT_EQ(var("t").toString(), QStringLiteral("y"));
    EXPECT_EQ(var("w").toInt(), 12);
    // A number is never read as an object.
    s.Clear();
    const Compiled c = compile(s, Pascal, QStringLiteral("var w: Variant;\nbegin w := Num.Width; end."));
    EXPECT_FALSE(c.ok);
    EXPECT_TRUE(c.msg.startsWith(QLatin1String("Object required"))) << qPrintable(c.msg);
}

TEST_F(HostClassTest, ObjectsOfUnregisteredDescendants)
{
    TTestPanelEx ex;
    ex.SetWidth(33);
    s.SetAddedBy(ovAddedByModules);
    s.AddVariable(QStringLiteral("Ex"), QStringLiteral("Variant"), Variant::fromObject(&ex));
    s.SetAddedBy(0);
    run(Pascal, QStringLiteral("var w: Integer;\nbegin w := Ex.Width; Ex.Caption := 'ex'; end."));
    EXPECT_EQ(var("w").toInt(), 33);
    EXPECT_EQ(ex.Caption(), QStringLiteral("ex"));
    EXPECT_EQ(ovFindClassOf(&s, &TTestPanelEx::staticMetaObject), s.FindClass(QStringLiteral("TTestPanel")));
}

TEST_F(HostClassTest, ClassMembersBoundWhenFirstRun)
{
    // With late class binding a member unknown to an empty object variable is
    // looked up when the statement first runs.
    auto *extra = new TTestPanel(panel1);
    extra->SetName(QStringLiteral("Inner"));
    extra->SetCaption(QStringLiteral("inner"));
    s.UseClassLateBinding = true;
    s.SetAddedBy(ovAddedByModules);
    s.AddVariable(QStringLiteral("Later"), QStringLiteral("TTestPanel"), Variant::null());
    s.SetAddedBy(0);
    const Compiled c = compile(s, Pascal, QStringLiteral("var t: Variant;\nbegin t := Later.Inner.Caption; end."));
    ASSERT_TRUE(c.ok) << qPrintable(c.msg);
    s.SetVariables(QStringLiteral("Later"), Variant::fromObject(panel1));
    s.Execute();
    EXPECT_EQ(var("t").toString(), QStringLiteral("inner"));
    s.UseClassLateBinding = false;
    s.Clear();
    EXPECT_EQ(compile(s, Pascal, QStringLiteral("var t: Variant;\nbegin t := Later.Inner2.Caption; end.")).msg,
              QStringLiteral("Undeclared identifier: 'Inner2'"));
}

TEST_F(HostClassTest, AncestorMembersAndLookupOrder)
{
    TovClassVariable *panel = s.FindClass(QStringLiteral("TTestPanel"));
    // Free comes from TObject through the ancestor chain.
    EXPECT_NE(panel->Find(QStringLiteral("free")), nullptr);
    // A member added with the name of a published property is never found.
    TovPropertyHelper *dup = panel->AddProperty(QStringLiteral("Caption"), QStringLiteral("Integer"),
                                                [](QObject *, const QMetaObject *, const QString &) { return Variant(1); });
    EXPECT_NE(panel->Find(QStringLiteral("Caption")), dup);
    // Declarations built for constructors and indexed properties.
    TovMethodHelper *ctor = panel->AddConstructor(QStringLiteral("constructor Create(AOwner: TTestPanel)"),
                                                  TovCallMethodEvent());
    EXPECT_EQ(ctor->Syntax, QStringLiteral("function Create(AOwner: TTestPanel): Constructor"));
    EXPECT_EQ(ctor->Typ, fvtConstructor);
    EXPECT_EQ(ctor->ParamCount(), 1);
    auto *cells = dynamic_cast<TovMethodHelper *>(panel->Find(QStringLiteral("Cells")));
    ASSERT_NE(cells, nullptr);
    EXPECT_EQ(cells->Syntax, QStringLiteral("function Cells(p0: Integer; p1: Integer): String"));
    EXPECT_TRUE(cells->IndexMethod);
    EXPECT_EQ(cells->Typ, fvtString);
}

// ---------------------------------------------------------------- automation

class OleTest : public ::testing::Test {
protected:
    OleTest()
    {
        addBaseTypes(s);
        s.SetAddedBy(ovAddedByModules);
        s.AddVariable(QStringLiteral("App"), QStringLiteral("Variant"), Variant::fromObject(&fake));
        s.SetAddedBy(0);
    }
    TovScript s;
    FakeDispatch fake;
};

TEST_F(OleTest, FlagsArgumentsAndResults)
{
    const Compiled c = compile(s, Pascal, QStringLiteral("var r: Variant;\n"
                                                         "begin App.Visible := True; App.Run(1, 2, 3); r := App.Name; App.Child := App; end."));
    ASSERT_TRUE(c.ok) << qPrintable(c.msg);
    s.Execute();
    ASSERT_EQ(fake.calls.size(), 4);
    const auto &put = fake.calls[0];
    EXPECT_EQ(put.name, QStringLiteral("Visible"));
    EXPECT_EQ(put.flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(put.named, QList<int>{DISPID_PROPERTYPUT});
    ASSERT_EQ(put.args.size(), 1);
    EXPECT_TRUE(put.args[0].toBool());
    const auto &run = fake.calls[1];
    EXPECT_EQ(run.flags, DISPATCH_METHOD);
    EXPECT_FALSE(run.wantResult);
    ASSERT_EQ(run.args.size(), 3);
    EXPECT_EQ(run.args[0].toInt(), 3);
    EXPECT_EQ(run.args[2].toInt(), 1);
    const auto &get = fake.calls[2];
    EXPECT_EQ(get.flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    EXPECT_TRUE(get.wantResult);
    EXPECT_EQ(s.Variables(QStringLiteral("r")).toString(), QStringLiteral("fake"));
    EXPECT_EQ(fake.calls[3].flags, DISPATCH_PROPERTYPUTREF);
}

TEST_F(OleTest, FailuresCarryCodeMemberAndDetails)
{
    ASSERT_TRUE(compile(s, Pascal, QStringLiteral("begin App.Fail; end.")).ok);
    try {
        s.Execute();
        FAIL() << "no error";
    } catch (const EOleError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("OLE error 80020009: Fail: Exception occurred.\r\nSource        ::  Fake.App"
                                              "\r\nDescription ::  It broke"));
    }
    s.Clear();
    const Compiled nope = compile(s, Pascal, QStringLiteral("begin App.Nope := 1; end."));
    ASSERT_TRUE(nope.ok) << qPrintable(nope.msg);
    try {
        s.Execute();
        FAIL() << "no error";
    } catch (const EOleError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("OLE error 80020006: Nope: Unknown name."));
    }
}

TEST_F(OleTest, NoAutomationServerOnThisPlatform)
{
    try {
        CreateOleObject(QStringLiteral("Excel.Application"));
        FAIL() << "created";
    } catch (const EOleError &e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("not available on this platform")));
    }
}

} // namespace

#include "HostClassTest.moc"
