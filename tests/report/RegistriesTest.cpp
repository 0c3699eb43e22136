#include "report/vdxClass_dataset.h"
#include "report/vdxClass_dialog.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_view.h"
#include "report/vdFont.h"
#include "report/vdxDsgnIntf.h"

#include <gtest/gtest.h>

#include <QMenu>

#include "platform/QPainterCanvas.h"

using TvdxStringClassName = QString;

// Small class family for the lookup rules: B <- C <- D.
class RegB : public TvdxComponent {
    Q_OBJECT
public:
    using TvdxComponent::TvdxComponent;
};
class RegC : public RegB {
    Q_OBJECT
public:
    using RegB::RegB;
};
class RegD : public RegC {
    Q_OBJECT
public:
    using RegC::RegC;
};

// A view that refers to another view.
class RefView : public TvdxView {
    Q_OBJECT
    Q_PROPERTY(TvdxView *Target READ Target WRITE SetTarget)
public:
    using TvdxView::TvdxView;
    TvdxView *Target() const { return m_target; }
    void SetTarget(TvdxView *v) { m_target = v; }

private:
    TvdxView *m_target = nullptr;
};

// A component whose Kind names one of two classes (or none).
class KindHolder : public TvdxComponent, public IStringClassNameContainer {
    Q_OBJECT
    Q_PROPERTY(TvdxStringClassName Kind READ Kind WRITE SetKind)
    Q_CLASSINFO("type:Kind", "TvdxStringClassName")
public:
    using TvdxComponent::TvdxComponent;
    QList<const QMetaObject *> GetSupportedClasses() override
    {
        return {nullptr, &RegD::staticMetaObject, &RegB::staticMetaObject};
    }
    TvdxStringClassName Kind() const { return m_kind; }
    void SetKind(const TvdxStringClassName &v) { m_kind = v; }

private:
    TvdxStringClassName m_kind;
};

// An object with published properties of several kinds for the editors.
class RegProps : public TvdPersistent {
    Q_OBJECT
public:
    enum TFruit { frApple, frPear, frPlum };
    Q_ENUM(TFruit)
    enum TStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4 };
    Q_DECLARE_FLAGS(TStyles, TStyle)
    Q_FLAG(TStyles)
    Q_PROPERTY(int Count MEMBER Count)
    Q_PROPERTY(TFruit Fruit MEMBER Fruit)
    Q_PROPERTY(TStyles Style READ GetStyle WRITE SetStyle)
    Q_PROPERTY(QChar Ch MEMBER Ch)
    Q_PROPERTY(double Ratio MEMBER Ratio)
    Q_PROPERTY(int Result MEMBER Result)
public:
    int Count = 0;
    TFruit Fruit = frApple;
    TStyles Style;
    TStyles GetStyle() const { return Style; }
    void SetStyle(TStyles v) { Style = v; }
    QChar Ch = u'A';
    double Ratio = 0;
    int Result = 0;
};

namespace {

QMetaProperty prop(const QObject &o, const char *name)
{
    return o.metaObject()->property(o.metaObject()->indexOfProperty(name));
}

int editorTag = 0;
template <int N>
class TaggedEditor : public TvdxComponentEditor {
public:
    using TvdxComponentEditor::TvdxComponentEditor;
    bool Edit() override
    {
        editorTag = N;
        return true;
    }
};

TEST(ObjectRegistry, RepeatsAndCategories)
{
    auto &r = vdxObjectRegistry();
    const int before = r.Count();
    r.RegisterObject1<RegB>(QImage(), QString(), QString(), 1);
    r.RegisterObject1(&RegB::staticMetaObject, QImage(), QString(), QString(), 1);
    EXPECT_EQ(r.Count(), before + 1);
    r.RegisterObject1(&RegB::staticMetaObject, QImage(), QString(), QString(), 2);
    EXPECT_EQ(r.Count(), before + 2);

    struct Case {
        const QMetaObject *meta;
        TvdxObjectCategories expected;
    };
    const Case cases[] = {
        {&TvdxDataSet::staticMetaObject, vdxCategory(ctData)},
        {&TvdxDialogControl::staticMetaObject, vdxCategory(ctDialog)},
        {&TvdxView::staticMetaObject, vdxCategory(ctReport)},
    };
    for (const auto &c : cases) {
        r.RegisterObject(c.meta, QImage());
        EXPECT_EQ(r.GetObjectItem(r.Count() - 1)->Category, c.expected) << c.meta->className();
    }
    // An explicit category is kept; a category button has no class.
    r.RegisterObject1(&RegC::staticMetaObject, QImage(), "obHint", "Draw", 0, -1, vdxCategory(ctDMP));
    EXPECT_EQ(r.GetObjectItem(r.Count() - 1)->Category, vdxCategory(ctDMP));
    r.RegisterCategory("Draw", QImage(), "obCatDraw");
    EXPECT_EQ(r.GetObjectItem(r.Count() - 1)->ClassRef, nullptr);
    EXPECT_EQ(r.GetObjectItem(r.Count() - 1)->Category, 0u);
    // Registered classes can be created by name.
    EXPECT_NE(vdFindClass("RegB"), nullptr);

    r.Unregister(&RegB::staticMetaObject);
    r.Unregister(&RegC::staticMetaObject);
    r.Unregister(nullptr);
    for (const auto &c : cases)
        r.Unregister(c.meta);
    EXPECT_EQ(r.Count(), before);
}

TEST(ComponentEditorRegistry, ExactClassElseLastRegisteredAncestor)
{
    auto &r = vdxComponentEditorRegistry();
    r.Register(&RegB::staticMetaObject, &vdxNewComponentEditor<TaggedEditor<1>>);
    r.Register(&RegC::staticMetaObject, &vdxNewComponentEditor<TaggedEditor<2>>);
    RegC c;
    RegD d;
    RegB b;
    struct Case {
        TvdxComponent *comp;
        int tag;
    };
    for (const Case &k : {Case{&c, 2}, Case{&d, 2}, Case{&b, 1}}) {
        std::unique_ptr<TvdxComponentEditor> ed(r.GetComponentEditor(k.comp, nullptr, nullptr));
        ASSERT_NE(ed, nullptr);
        EXPECT_EQ(ed->Component(), k.comp);
        ed->Edit();
        EXPECT_EQ(editorTag, k.tag) << k.comp->metaObject()->className();
    }
    // Registered the other way round, D's later-registered ancestor is B; an
    // exact entry still wins wherever it stands.
    r.UnRegister(&vdxNewComponentEditor<TaggedEditor<1>>);
    r.Register(&RegB::staticMetaObject, &vdxNewComponentEditor<TaggedEditor<1>>);
    for (const Case &k : {Case{&d, 1}, Case{&c, 2}}) {
        std::unique_ptr<TvdxComponentEditor> ed(r.GetComponentEditor(k.comp, nullptr, nullptr));
        ed->Edit();
        EXPECT_EQ(editorTag, k.tag);
    }
    r.UnRegister(&vdxNewComponentEditor<TaggedEditor<1>>);
    r.UnRegister(&vdxNewComponentEditor<TaggedEditor<2>>);
    EXPECT_EQ(r.GetComponentEditor(&d, nullptr, nullptr), nullptr);
}

TEST(ComponentEditor, MenuItems)
{
    QMenu menu;
    RegB b;
    TvdxComponentEditor ed(&b, nullptr, &menu);
    QAction *a = ed.AddMenuItem("Edit...", 7, true);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->data().toInt(), 7);
    EXPECT_TRUE(a->isChecked());
    EXPECT_EQ(menu.actions().size(), 1);
    EXPECT_FALSE(ed.Execute(7, true));
}

// Editors told apart by their class reference.
class EdA : public TvdxStringProperty {
public:
    using TvdxStringProperty::TvdxStringProperty;
};
class EdB : public TvdxStringProperty {
public:
    using TvdxStringProperty::TvdxStringProperty;
};
class EdEvent : public TvdxStringProperty {
public:
    using TvdxStringProperty::TvdxStringProperty;
};

TEST(PropertyEditorRegistry, ScanOrder)
{
    TvdxPropertyEditorCollection r; // a private registry: the rules only
    auto ed = [&](int i) { return i < 0 ? nullptr : r.GetPropertyEditorItem(i)->EditorClass; };
    const auto A = &vdxNewPropertyEditor<EdA>;
    const auto B = &vdxNewPropertyEditor<EdB>;
    const auto E = &vdxNewPropertyEditor<EdEvent>;

    EXPECT_EQ(r.GetPropertyEditor("TvdxNotifyEvent", &RegB::staticMetaObject, "OnClick"), -1);
    r.Register("TMyType", nullptr, QString(), A); // type only, earlier
    r.Register("TMyType", nullptr, QString(), B); // type only, later
    r.Register("QString", &RegB::staticMetaObject, "Name", B);
    r.Register("TComponentName", nullptr, "Name", A);
    r.RegisterEventEditor(E);

    struct Case {
        const char *type;
        const QMetaObject *cls;
        const char *name;
        TvdxPropertyEditorClass expected;
    };
    const Case cases[] = {
        {"TMyType", &RegD::staticMetaObject, "Any", A},          // earliest type-only entry
        {"TComponentName", &RegD::staticMetaObject, "name", A},  // no class, name and type
        {"QString", &RegD::staticMetaObject, "NAME", B},         // class ancestor and name
        {"int", &RegD::staticMetaObject, "Name", B},             // class entry: whatever the type
        {"QString", &TvdxView::staticMetaObject, "Name", nullptr},
        {"TvdxNotifyEvent", &RegB::staticMetaObject, "OnClick", E},
        {"tvdxmouseevent", nullptr, "X", E},
        {"TvdxEventKind", nullptr, "X", nullptr}, // "event" not at the end
    };
    for (const auto &c : cases)
        EXPECT_EQ(ed(r.GetPropertyEditor(c.type, c.cls, c.name)), c.expected) << c.type << " " << c.name;

    r.UnRegister(A);
    EXPECT_EQ(ed(r.GetPropertyEditor("TMyType", static_cast<const QMetaObject *>(nullptr), "Any")), B);
    r.UnRegister(E);
    EXPECT_EQ(r.GetPropertyEditor("TvdxNotifyEvent", static_cast<const QMetaObject *>(nullptr), "OnClick"), -1);
}

TEST(PropertyEditorRegistry, HiddenProperties)
{
    vdxHideProperties(&RegC::staticMetaObject, "Left;Top");
    auto &r = vdxPropertyEditorRegistry();
    for (const char *name : {"Left", "top"}) {
        const int i = r.GetPropertyEditor("double", &RegD::staticMetaObject, name);
        ASSERT_GE(i, 0) << name;
        EXPECT_EQ(r.GetPropertyEditorItem(i)->EditorClass, nullptr) << name;
    }
    EXPECT_TRUE(vdxIsPropertyHidden(&RegC::staticMetaObject, "LEFT"));
    EXPECT_FALSE(vdxIsPropertyHidden(&RegD::staticMetaObject, "Left")); // exact class only
    EXPECT_FALSE(vdxIsPropertyHidden(&RegC::staticMetaObject, "Width"));
    EXPECT_LT(r.GetPropertyEditor("double", &RegB::staticMetaObject, "Left"), 0);
}

TEST(PropertyEditorRegistry, StandardEntriesAndTypeNames)
{
    auto &r = vdxPropertyEditorRegistry();
    RegB b;
    const QMetaProperty nameProp = b.metaObject()->property(b.metaObject()->indexOfProperty("Name"));
    EXPECT_EQ(vdxPropertyTypeOf(nameProp), QByteArray("TComponentName"));
    const int i = r.GetPropertyEditor(vdxPropertyTypeOf(nameProp), &b, "name");
    ASSERT_GE(i, 0);
    EXPECT_EQ(r.GetPropertyEditorItem(i)->EditorClass, &vdxNewPropertyEditor<TvdxNameProperty>);

    TvdFont font;
    const QMetaProperty fontName = prop(font, "Name");
    EXPECT_EQ(vdxPropertyTypeOf(fontName), QByteArray("QString"));
    const int f = r.GetPropertyEditor(vdxPropertyTypeOf(fontName), &font, "Name");
    ASSERT_GE(f, 0);
    EXPECT_EQ(r.GetPropertyEditorItem(f)->EditorClass, &vdxNewPropertyEditor<TvdxFontNameProperty>);
    const int fp = r.GetPropertyEditor("TvdFont", &b, "Font");
    ASSERT_GE(fp, 0);
    EXPECT_EQ(r.GetPropertyEditorItem(fp)->EditorClass, &vdxNewPropertyEditor<TvdxFontProperty>);
}

TEST(ExportFilterAndWizardRegistries, Repeats)
{
    auto &f = vdxExportFilterRegistry();
    const int before = f.Count();
    auto *fake = reinterpret_cast<TvdxCustomExportFilter *>(&f); // identity only
    f.Register(nullptr);
    f.Register(fake);
    f.Register(fake);
    EXPECT_EQ(f.Count(), before + 1);
    f.Unregister(fake);
    EXPECT_EQ(f.Count(), before);

    auto &w = vdxWizardRegistry();
    const int wb = w.Count();
    w.Register(&RegB::staticMetaObject, QImage(), true);
    w.Register1(&RegB::staticMetaObject, 5);
    EXPECT_EQ(w.Count(), wb + 1);
    EXPECT_EQ(w.GetWizardItem(w.Count() - 1)->ButtonImageIndex, -1);
    w.Register1(&RegC::staticMetaObject, 5);
    EXPECT_EQ(w.GetWizardItem(w.Count() - 1)->ButtonImageIndex, 5);
    w.Unregister(&RegB::staticMetaObject);
    w.Unregister(&RegC::staticMetaObject);
    EXPECT_EQ(w.Count(), wb);
}

// ---------------------------------------------------------------------------
TEST(PropertyEditors, EnumCyclesAndRejectsUnknownNames)
{
    RegProps p;
    TvdxEnumProperty ed(nullptr);
    ed.Add(&p, prop(p, "Fruit"));
    EXPECT_EQ(ed.GetValue(), "frApple");
    ed.GetValues();
    EXPECT_TRUE(ed.ValuesSorted());
    EXPECT_EQ(ed.Values(), (QStringList{"frApple", "frPear", "frPlum"}));
    p.Fruit = RegProps::frPlum;
    EXPECT_TRUE(ed.Edit()); // last value: back to the first
    EXPECT_EQ(p.Fruit, RegProps::frApple);
    EXPECT_THROW(ed.SetValue("frBanana"), EPropertyValueError);
    try {
        ed.SetValue("x");
    } catch (const EPropertyValueError &e) {
        EXPECT_EQ(e.message(), "Invalid property value");
    }
}

TEST(PropertyEditors, MultiSelectWritesEveryComponent)
{
    RegProps a, b;
    TvdxIntegerProperty ed(nullptr);
    ed.Add(&a, prop(a, "Count"));
    ed.Add(&b, prop(b, "Count"));
    ed.SetValue("42");
    EXPECT_EQ(a.Count, 42);
    EXPECT_EQ(b.Count, 42);
    EXPECT_EQ(ed.GetValue(), "42");
    EXPECT_THROW(ed.SetValue("4x"), EConvertError);
}

TEST(PropertyEditors, CharSetAndModalResult)
{
    RegProps p;
    TvdxCharProperty ch(nullptr);
    ch.Add(&p, prop(p, "Ch"));
    struct Case {
        const char *in;
        int code;
        const char *shown;
    };
    for (const Case &c : {Case{"", 0, "#0"}, Case{"Z", 'Z', "Z"}, Case{"#9", 9, "#9"}, Case{" ", 32, "#32"}}) {
        ch.SetValue(c.in);
        EXPECT_EQ(p.Ch.unicode(), c.code) << c.in;
        EXPECT_EQ(ch.GetValue(), c.shown) << c.in;
    }
    EXPECT_THROW(ch.SetValue("ab"), EPropertyValueError);

    TvdxSetProperty set(nullptr);
    set.Add(&p, prop(p, "Style"));
    p.Style = RegProps::TStyles(RegProps::fsBold) | RegProps::fsUnderline;
    EXPECT_EQ(set.GetValue(), "[fsBold,fsUnderline]");
    TvdxSetElementProperty italic(nullptr, 1);
    italic.Add(&p, prop(p, "Style"));
    EXPECT_EQ(italic.GetName(), "fsItalic");
    italic.SetValue("true");
    EXPECT_TRUE(p.Style.testFlag(RegProps::fsItalic));
    EXPECT_EQ(italic.GetValue(), "True");

    TvdxModalResultProperty mr(nullptr);
    mr.Add(&p, prop(p, "Result"));
    mr.SetValue("MRCANCEL");
    EXPECT_EQ(p.Result, 2);
    EXPECT_EQ(mr.GetValue(), "mrCancel");
    mr.SetValue("");
    EXPECT_EQ(p.Result, 0);
    mr.SetValue("99");
    EXPECT_EQ(mr.GetValue(), "99");
}

TEST(PropertyEditors, ComponentReferenceByName)
{
    TvdxReport report;
    auto *page = new TvdxReportPage(&report);
    page->SetParent(&report);
    auto *holder = new RefView(&report);
    holder->SetParent(page);
    holder->SetName("Holder");
    auto *a = new TvdxView(&report);
    a->SetParent(page);
    a->SetName("ViewB");
    auto *b = new TvdxView(&report);
    b->SetParent(page);
    b->SetName("ViewA");
    auto *otherPage = new TvdxReportPage(&report);
    otherPage->SetParent(&report);
    auto *far = new TvdxView(&report);
    far->SetParent(otherPage);
    far->SetName("FarView");

    TvdxComponentProperty ed(nullptr);
    ed.Add(holder, prop(*holder, "Target"));
    ed.GetValues();
    // Same page, right class, the edited object left out, sorted.
    EXPECT_EQ(ed.Values(), (QStringList{"ViewA", "ViewB"}));
    ed.SetValue("FarView"); // any object of the report
    EXPECT_EQ(holder->Target(), far);
    EXPECT_EQ(ed.GetValue(), "FarView");
    ed.SetValue("");
    EXPECT_EQ(holder->Target(), nullptr);
    EXPECT_THROW(ed.SetValue("Nobody"), EPropertyValueError);
}

TEST(PropertyEditors, ClassNamesFromTheComponent)
{
    KindHolder k;
    const QMetaProperty p = prop(k, "Kind");
    auto &r = vdxPropertyEditorRegistry();
    const int i = r.GetPropertyEditor(vdxPropertyTypeOf(p), &k, "Kind");
    ASSERT_GE(i, 0);
    std::unique_ptr<TvdxPropertyEditor> ed(r.GetPropertyEditorItem(i)->EditorClass(nullptr));
    ed->Add(&k, p);
    ed->GetValues();
    EXPECT_EQ(ed->Values(), (QStringList{"", "RegD", "RegB"}));
    ed->SetValue("RegB");
    EXPECT_EQ(k.Kind(), "RegB");
}

TEST(PropertyEditors, ShortCuts)
{
    TvdxShortCutProperty ed(nullptr);
    ed.GetValues();
    ASSERT_EQ(ed.Values().size(), 109);
    EXPECT_EQ(ed.Values().first(), "(None)");
    EXPECT_EQ(ed.Values()[1], "Ctrl+A");
    EXPECT_EQ(ed.Values()[27], "Ctrl+Alt+A");
    EXPECT_EQ(ed.Values().last(), "Shift+Alt+BkSp");
    EXPECT_FALSE(ed.ValuesSorted());
    for (const QString &text : ed.Values().mid(1))
        EXPECT_EQ(vdxShortCutToText(vdxTextToShortCut(text)), text);
    EXPECT_EQ(vdxTextToShortCut("ctrl+shift+f5"), 0x6000 | 116);
    EXPECT_EQ(vdxTextToShortCut("Hyper+Q"), 0);
}

TEST(PropertyEditors, ColorIdentifiersAndHex)
{
    RegProps p;
    TvdxColorProperty ed(nullptr);
    ed.Add(&p, prop(p, "Count"));
    ed.SetValue("clRed");
    EXPECT_EQ(p.Count, 0x0000FF);
    EXPECT_EQ(ed.GetValue(), "clRed");
    ed.SetValue("$00123456");
    EXPECT_EQ(ed.GetValue(), "$00123456");
    ed.GetValues();
    EXPECT_TRUE(ed.Values().contains("clWhite"));
}

TEST(PropertyEditors, ColorSwatchInTheList)
{
    TvdxColorProperty ed(nullptr);
    ed.ItemHeight = 16;
    ed.GetValues();
    const int red = int(ed.Values().indexOf("clRed"));
    ASSERT_GE(red, 0);
    QImage img(100, 20, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas canvas(img);
        canvas.brush().color = clWhite;
        ed.OnDrawLBItem(canvas, red, TRect(0, 0, 100, 20));
        EXPECT_EQ(canvas.pen().color, clGray);
    }
    EXPECT_EQ(img.pixelColor(8, 10), QColor(Qt::red)); // inside the swatch
    EXPECT_EQ(img.pixelColor(60, 2), QColor(Qt::white)); // right of it
}

TEST(PropertyEditors, FontEditorNeedsADialog)
{
    TvdxView view;
    TvdxFontProperty ed(nullptr);
    ed.Add(&view, prop(view, "Font"));
    EXPECT_EQ(ed.GetValue(), "(TvdFont)");
    EXPECT_FALSE(ed.Edit());
    vdxFontDialogRunner() = [](TvdPersistent *font) {
        auto *f = qobject_cast<TvdFont *>(font);
        f->SetName("Courier New");
        f->SetCharset(2);
        return true;
    };
    view.Font()->SetCharset(204);
    EXPECT_TRUE(ed.Edit());
    vdxFontDialogRunner() = nullptr;
    EXPECT_EQ(view.Font()->Name(), "Courier New");
    EXPECT_EQ(view.Font()->Charset(), 204);
}

} // namespace

#include "RegistriesTest.moc"
