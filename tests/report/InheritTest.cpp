// Template inheritance: ancestors loaded through ParentReport, children that
// save only their differences, turning a report into an inheriting one, and
// the conflict dialog.
#include "core/vdXML.h"
#include "core/vdxVariables.h"
#include "platform/UiProvider.h"
#include "report/vdxClass.h"
#include "report/vdxClass_options.h"
#include "report/vdxInheritError.h"
#include "tests/common/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

using vdtest::TempDir;

TvdxReportPage *addPage(TvdxReport &r, const QString &name)
{
    auto *p = new TvdxReportPage(&r);
    p->SetParent(&r);
    p->SetName(name);
    return p;
}

TvdxShapeView *addShape(TvdxReport &r, TvdxComponent *parent, const QString &name, double left)
{
    auto *v = new TvdxShapeView(&r);
    v->SetParent(parent);
    v->SetName(name);
    v->SetBounds(left, 10, 50, 20);
    return v;
}

// base.vd3: one page with Shape1 and Shape2, a variable and a Pascal script.
void writeBase(const QString &path)
{
    TvdxReport base;
    TvdxReportPage *page = addPage(base, QStringLiteral("Page1"));
    addShape(base, page, QStringLiteral("Shape1"), 10);
    addShape(base, page, QStringLiteral("Shape2"), 100);
    TvdxVariable *v = base.Variables()->Add();
    v->SetName(QStringLiteral("Shared"));
    v->SetValue(Variant(QStringLiteral("'base'")));
    base.SetScriptText({QStringLiteral("begin"), QStringLiteral("  { base } Set('x', 1);"), QStringLiteral("end.")});
    base.SaveToFile(path);
}

QByteArray fileText(const QString &path) { return vdtest::readFile(path); }

struct Silent {
    HeadlessUiProvider ui;
    TvdScopedUiProvider scope{&ui};
};

TEST(InheritTest, ChildLoadsAncestorAndSavesOnlyItsDifferences)
{
    Silent silent;
    TempDir dir;
    writeBase(dir.file(QStringLiteral("base.vd3")));

    TvdxReport child;
    child.SetFileName(dir.file(QStringLiteral("child.vd3")));
    child.SetParentReport(QStringLiteral("base.vd3"));
    ASSERT_TRUE(child.ParentReportObject());
    auto *shape1 = qobject_cast<TvdxShapeView *>(child.FindObject(QStringLiteral("Shape1")));
    ASSERT_TRUE(shape1);
    EXPECT_TRUE(shape1->IsAncestor());
    EXPECT_TRUE(child.IsAncestor());
    ASSERT_EQ(child.Variables()->Count(), 1);
    EXPECT_TRUE(child.Variables()->Items(0)->IsInherited());

    shape1->SetLeft(33);
    addShape(child, shape1->Parent(), QStringLiteral("Own"), 200);
    child.SaveToFile(dir.file(QStringLiteral("child.vd3")));

    const QString saved = QString::fromUtf8(fileText(dir.file(QStringLiteral("child.vd3"))));
    EXPECT_TRUE(saved.contains(QLatin1String("ParentReport=\"base.vd3\""))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QLatin1String("<inherited Name=\"Shape1\" Left=\"33\""))) << saved.toStdString();
    // Shape2 is untouched: named, nothing else.
    EXPECT_TRUE(saved.contains(QLatin1String("<inherited Name=\"Shape2\"/>"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QLatin1String("<TvdxShapeView Name=\"Own\""))) << saved.toStdString();

    // Reading it back brings the ancestor, the change and the child's own object.
    TvdxReport again;
    ASSERT_TRUE(again.LoadFromFile(dir.file(QStringLiteral("child.vd3"))));
    auto *s1 = qobject_cast<TvdxComponent *>(again.FindObject(QStringLiteral("Shape1")));
    auto *s2 = qobject_cast<TvdxComponent *>(again.FindObject(QStringLiteral("Shape2")));
    auto *own = qobject_cast<TvdxComponent *>(again.FindObject(QStringLiteral("Own")));
    ASSERT_TRUE(s1 && s2 && own);
    EXPECT_DOUBLE_EQ(double(s1->Left()), 33);
    EXPECT_DOUBLE_EQ(double(s2->Left()), 100);
    EXPECT_TRUE(s2->IsAncestor());
    EXPECT_FALSE(own->IsAncestor());
    EXPECT_EQ(again.FileName(), dir.file(QStringLiteral("child.vd3")));
    ASSERT_TRUE(again.ParentReportObject());
    EXPECT_DOUBLE_EQ(double(qobject_cast<TvdxComponent *>(again.ParentReportObject()->FindObject(QStringLiteral("Shape1")))->Left()), 10);

    // Emptying ParentReport clears every ancestor flag.
    again.SetParentReport(QString());
    EXPECT_FALSE(again.ParentReportObject());
    for (TvdxComponent *c : again.GetAllObjects())
        EXPECT_FALSE(c->IsAncestor()) << c->Name().toStdString();
    EXPECT_FALSE(again.IsAncestor());
}

TEST(InheritTest, ChainOfAncestorsAndSavingElsewhereKeepsThePath)
{
    Silent silent;
    TempDir dir;
    writeBase(dir.file(QStringLiteral("base.vd3")));
    {
        TvdxReport middle;
        middle.SetFileName(dir.file(QStringLiteral("middle.vd3")));
        middle.SetParentReport(QStringLiteral("base.vd3"));
        addShape(middle, middle.Pages(middle.PagesCount() - 1), QStringLiteral("Middle"), 300);
        middle.SaveToFile(dir.file(QStringLiteral("middle.vd3")));
    }
    TvdxReport child;
    child.SetFileName(dir.file(QStringLiteral("child.vd3")));
    child.SetParentReport(QStringLiteral("middle.vd3"));
    ASSERT_TRUE(child.ParentReportObject());
    EXPECT_TRUE(child.FindObject(QStringLiteral("Shape1")));
    EXPECT_TRUE(child.FindObject(QStringLiteral("Middle")));
    ASSERT_TRUE(child.ParentReportObject()->ParentReportObject());
    EXPECT_EQ(child.ParentReportObject()->ParentReport(), QStringLiteral("base.vd3"));

    // Saved into a sub-folder, the ancestor is named from there.
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    child.SaveToFile(dir.file(QStringLiteral("sub/child.vd3")));
    EXPECT_EQ(child.ParentReport(), QStringLiteral("../middle.vd3"));
    TvdxReport again;
    ASSERT_TRUE(again.LoadFromFile(dir.file(QStringLiteral("sub/child.vd3"))));
    EXPECT_TRUE(again.FindObject(QStringLiteral("Middle")));
}

TEST(InheritTest, BackslashNameJoinsReportFolderThenApplicationFolder)
{
    Silent silent;
    TempDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("child"));
    writeBase(dir.file(QStringLiteral("base.vd3")));
    TvdxReport child;
    child.SetFileName(dir.file(QStringLiteral("child/child.vd3")));
    child.SetParentReport(QStringLiteral("..\\base.vd3"));
    EXPECT_TRUE(child.FindObject(QStringLiteral("Shape1")));
    EXPECT_TRUE(child.Errors().isEmpty()) << child.Errors().join(QLatin1Char('\n')).toStdString();

    // Not beside the report: the application folder is tried.
    const QString name = QStringLiteral("vd_inherit_app_%1.vd3").arg(QCoreApplication::applicationPid());
    const QString inApp = QDir(child.GetApplicationFolder()).filePath(QStringLiteral("../") + name);
    writeBase(inApp);
    TvdxReport other;
    other.SetFileName(dir.file(QStringLiteral("child/other.vd3")));
    other.SetParentReport(QStringLiteral("..\\") + name);
    QFile::remove(inApp);
    EXPECT_TRUE(other.FindObject(QStringLiteral("Shape2")));
}

TEST(InheritTest, MissingAncestorAndCyclesEndWithAnErrorLine)
{
    Silent silent;
    TempDir dir;
    TvdxReport missing;
    missing.SetFileName(dir.file(QStringLiteral("child.vd3")));
    missing.SetParentReport(QStringLiteral("nowhere.vd3"));
    EXPECT_TRUE(missing.Errors().contains(QStringLiteral("Ancestor report \"nowhere.vd3\" not found")))
        << missing.Errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(missing.ParentReport(), QStringLiteral("nowhere.vd3"));

    // a.vd3 names b.vd3, which names a.vd3; self.vd3 names itself.
    auto writeNaming = [&](const char *file, const char *parent) {
        vdtest::writeFile(dir.file(QString::fromLatin1(file)),
                          QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TvdxReport ParentReport=\"") + parent
                              + "\"><TvdxReportPage Name=\"P" + QByteArray(file).left(1) + "\"/></TvdxReport>");
    };
    writeNaming("a.vd3", "b.vd3");
    writeNaming("b.vd3", "a.vd3");
    writeNaming("self.vd3", "self.vd3");
    for (const char *file : {"a.vd3", "self.vd3"}) {
        TvdxReport r;
        r.SetSilentMode(1);
        r.LoadFromFile(dir.file(QString::fromLatin1(file)));
        bool cycle = false;
        for (const QString &e : r.Errors())
            cycle = cycle || e.startsWith(QLatin1String("Circular inheritance"));
        EXPECT_TRUE(cycle) << file << ": " << r.Errors().join(QLatin1Char('\n')).toStdString();
    }
}

TEST(InheritTest, InheritingFromItsOwnFileAnswersFalse)
{
    Silent silent;
    TempDir dir;
    const QString path = dir.file(QStringLiteral("base.vd3"));
    writeBase(path);
    TvdxReport r;
    ASSERT_TRUE(r.LoadFromFile(path));
    const int before = r.GetAllObjects().size();
    EXPECT_FALSE(r.InheritFromTemplate(path));
    EXPECT_FALSE(r.InheritFromTemplate(dir.path() + QStringLiteral("/./base.vd3")));
    EXPECT_TRUE(r.ParentReport().isEmpty());
    EXPECT_EQ(r.GetAllObjects().size(), before);
    // A template that is not there changes nothing either.
    EXPECT_FALSE(r.InheritFromTemplate(dir.file(QStringLiteral("gone.vd3"))));
    EXPECT_TRUE(r.Errors().contains(QStringLiteral("Ancestor report \"%1\" not found").arg(dir.file(QStringLiteral("gone.vd3")))));
    EXPECT_TRUE(r.ParentReport().isEmpty());
    EXPECT_EQ(r.GetAllObjects().size(), before);
    for (TvdxComponent *c : r.GetAllObjects())
        EXPECT_FALSE(c->IsAncestor());
}

// A report of its own: Page1 with Shape1 (a duplicate) and Mine, a variable
// named like the template's, another of its own.
std::unique_ptr<TvdxReport> ownReport(const QString &fileName, const QString &language)
{
    auto r = std::make_unique<TvdxReport>();
    r->SetFileName(fileName);
    TvdxReportPage *page = addPage(*r, QStringLiteral("Page1"));
    addShape(*r, page, QStringLiteral("Shape1"), 400);
    addShape(*r, page, QStringLiteral("Mine"), 500);
    TvdxVariable *v = r->Variables()->Add();
    v->SetName(QStringLiteral("Shared"));
    v->SetValue(Variant(QStringLiteral("'own'")));
    r->Variables()->Add()->SetName(QStringLiteral("OwnVar"));
    r->SetScriptLanguage(language);
    r->SetScriptText({QStringLiteral("own script")});
    return r;
}

TEST(InheritTest, RenameAndDeleteModes)
{
    Silent silent;
    TempDir dir;
    writeBase(dir.file(QStringLiteral("base.vd3")));

    auto renamed = ownReport(dir.file(QStringLiteral("mine.vd3")), QStringLiteral("VevuvaRirivo"));
    ASSERT_TRUE(renamed->InheritFromTemplate(dir.file(QStringLiteral("base.vd3")), TvdxReport::imRename));
    EXPECT_EQ(renamed->ParentReport(), QStringLiteral("base.vd3"));
    auto *base1 = qobject_cast<TvdxComponent *>(renamed->FindObject(QStringLiteral("Shape1")));
    ASSERT_TRUE(base1);
    EXPECT_DOUBLE_EQ(double(base1->Left()), 10);
    EXPECT_TRUE(base1->IsAncestor());
    // The report's own Shape1 lives on under a new name, on the merged page.
    int at400 = 0;
    for (TvdxComponent *c : renamed->GetAllObjects())
        if (qobject_cast<TvdxShapeView *>(c) && c->Left() == 400) {
            ++at400;
            EXPECT_NE(c->Name(), QStringLiteral("Shape1"));
            EXPECT_EQ(c->Parent()->Name(), QStringLiteral("Page1"));
            EXPECT_FALSE(c->IsAncestor());
        }
    EXPECT_EQ(at400, 1);
    EXPECT_TRUE(renamed->FindObject(QStringLiteral("Mine")));
    EXPECT_EQ(renamed->PagesCount(), 1 + 1) << "Page1 merged, plus the data page";
    EXPECT_GE(renamed->Variables()->IndexOf(QStringLiteral("Shared")), 0);
    EXPECT_GE(renamed->Variables()->IndexOf(QStringLiteral("Shared_renamed")), 0);
    EXPECT_GE(renamed->Variables()->IndexOf(QStringLiteral("OwnVar")), 0);
    EXPECT_EQ(renamed->ScriptText().first(), QStringLiteral("own script"));

    auto deleted = ownReport(dir.file(QStringLiteral("mine.vd3")), QStringLiteral("VevuvaRirivo"));
    ASSERT_TRUE(deleted->InheritFromTemplate(dir.file(QStringLiteral("base.vd3")), TvdxReport::imDelete));
    for (TvdxComponent *c : deleted->GetAllObjects())
        EXPECT_NE(c->Left(), 400) << c->Name().toStdString();
    EXPECT_TRUE(deleted->FindObject(QStringLiteral("Mine")));
    const int shared = deleted->Variables()->IndexOf(QStringLiteral("Shared"));
    ASSERT_GE(shared, 0);
    EXPECT_EQ(VarToStr(deleted->Variables()->Items(shared)->Value()), QStringLiteral("'base'"));
    EXPECT_LT(deleted->Variables()->IndexOf(QStringLiteral("Shared_renamed")), 0);

    // The inherited report saves and loads back with its own objects.
    deleted->SaveToFile(dir.file(QStringLiteral("mine.vd3")));
    TvdxReport again;
    ASSERT_TRUE(again.LoadFromFile(dir.file(QStringLiteral("mine.vd3"))));
    EXPECT_TRUE(again.FindObject(QStringLiteral("Mine")));
    EXPECT_TRUE(again.FindObject(QStringLiteral("Shape2")));
}

TEST(InheritTest, ParentScriptCommentPerLanguage)
{
    Silent silent;
    TempDir dir;
    writeBase(dir.file(QStringLiteral("base.vd3")));
    struct Case {
        const char *language, *open, *close;
    };
    for (const Case &c : {Case{"D++Edirud", "/*", "*/"}, Case{"JScript", "/*", "*/"}, Case{"DadavOvurid", "/\\", "/\\"},
                          Case{"VevuvaRirivo", "{", "}"}}) {
        auto r = ownReport(dir.file(QStringLiteral("mine.vd3")), QString::fromLatin1(c.language));
        ASSERT_TRUE(r->InheritFromTemplate(dir.file(QStringLiteral("base.vd3")), TvdxReport::imRename)) << c.language;
        const QStringList s = r->ScriptText();
        ASSERT_GE(s.size(), 3) << c.language;
        if (QLatin1String(c.language) == QLatin1String("VevuvaRirivo")) {
            // The template's script holds "}": each line is commented instead.
            EXPECT_FALSE(s.contains(QStringLiteral("{")));
            EXPECT_TRUE(s.contains(QStringLiteral("//**********Script from parent report**********")));
            EXPECT_TRUE(s.contains(QStringLiteral("//  { base } Set('x', 1);")));
            continue;
        }
        EXPECT_EQ(s.at(1), QString::fromLatin1(c.open)) << c.language;
        EXPECT_EQ(s.at(2), QStringLiteral("**********Script from parent report**********"));
        EXPECT_EQ(s.last(), QString::fromLatin1(c.close)) << c.language;
        EXPECT_EQ(r->ScriptLanguage(), QString::fromLatin1(c.language));
    }

    // "*/" in a template's script would end a C++ block comment early.
    {
        TvdxReport base;
        base.SetScriptLanguage(QStringLiteral("D++Edirud"));
        base.SetScriptText({QStringLiteral("int x = 1; /* one */"), QStringLiteral("{}")});
        base.SaveToFile(dir.file(QStringLiteral("cbase.vd3")));
    }
    auto r = ownReport(dir.file(QStringLiteral("mine.vd3")), QStringLiteral("D++Edirud"));
    ASSERT_TRUE(r->InheritFromTemplate(dir.file(QStringLiteral("cbase.vd3")), TvdxReport::imRename));
    EXPECT_EQ(r->ScriptText(), (QStringList{QStringLiteral("own script"),
                                            QStringLiteral("//**********Script from parent report**********"),
                                            QStringLiteral("//int x = 1; /* one */"), QStringLiteral("//{}")}));
}

TEST(InheritTest, ConflictDialogOpensOnDeleteAndCancelRestores)
{
    HeadlessUiProvider ui;
    TvdScopedUiProvider scope(&ui);
    TempDir dir;
    writeBase(dir.file(QStringLiteral("base.vd3")));

    bool seen = false;
    ui.OnShowModal = [&](QDialog &d) {
        seen = true;
        auto *form = qobject_cast<TvdxInheritErrorForm *>(&d);
        EXPECT_TRUE(form);
        if (!form)
            return int(mrCancel);
        EXPECT_EQ(form->windowTitle(), QStringLiteral("Inherit error"));
        EXPECT_TRUE(form->DeleteRB->isChecked());
        EXPECT_FALSE(form->RenameRB->isChecked());
        EXPECT_EQ(form->DeleteRB->text(), QStringLiteral("Delete duplicates"));
        EXPECT_EQ(form->RenameRB->text(), QStringLiteral("Rename duplicates"));
        EXPECT_EQ(form->MessageL->text(),
                  QStringLiteral("Base and inherited reports have duplicate objects. What should we do?"));
        EXPECT_TRUE(form->OkB->isDefault());
        EXPECT_EQ(form->size(), QSize(256, 152));
        // Escape rejects the dialog.
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(form, &esc);
        EXPECT_EQ(form->result(), int(QDialog::Rejected));
        return int(mrCancel);
    };
    auto r = ownReport(dir.file(QStringLiteral("mine.vd3")), QStringLiteral("VevuvaRirivo"));
    // Restored by reading back, which adds the data page every loaded report has.
    const auto viewCount = [](TvdxReport &rep) {
        int n = 0;
        for (TvdxComponent *c : rep.GetAllObjects())
            n += qobject_cast<TvdxView *>(c) ? 1 : 0;
        return n;
    };
    const int before = viewCount(*r);
    EXPECT_FALSE(r->InheritFromTemplate(dir.file(QStringLiteral("base.vd3"))));
    EXPECT_TRUE(seen);
    EXPECT_TRUE(r->ParentReport().isEmpty());
    EXPECT_FALSE(r->ParentReportObject());
    EXPECT_EQ(viewCount(*r), before);
    EXPECT_DOUBLE_EQ(double(qobject_cast<TvdxComponent *>(r->FindObject(QStringLiteral("Shape1")))->Left()), 400);
    EXPECT_FALSE(r->FindObject(QStringLiteral("Shape2")));

    // OK with "Rename duplicates" chosen renames.
    ui.OnShowModal = [](QDialog &d) {
        qobject_cast<TvdxInheritErrorForm *>(&d)->RenameRB->setChecked(true);
        return int(mrOk);
    };
    ASSERT_TRUE(r->InheritFromTemplate(dir.file(QStringLiteral("base.vd3"))));
    EXPECT_GE(r->Variables()->IndexOf(QStringLiteral("Shared_renamed")), 0);
    ASSERT_EQ(ui.Prompts().size(), 2);
    EXPECT_EQ(ui.Prompts().at(0).kind, QStringLiteral("ShowModal"));
    EXPECT_EQ(ui.Prompts().at(0).caption, QStringLiteral("Inherit error"));
}

TEST(InheritTest, SubreportBringsItsPage)
{
    Silent silent;
    TempDir dir;
    writeBase(dir.file(QStringLiteral("base.vd3")));
    auto r = ownReport(dir.file(QStringLiteral("mine.vd3")), QStringLiteral("VevuvaRirivo"));
    auto *subPage = addPage(*r, QStringLiteral("Page2"));
    addShape(*r, subPage, QStringLiteral("Inner"), 7);
    auto *sub = new TvdxSubreport(r.get());
    sub->SetParent(r->Pages(0));
    sub->SetName(QStringLiteral("Subreport1"));
    sub->SetSubPage(subPage);

    ASSERT_TRUE(r->InheritFromTemplate(dir.file(QStringLiteral("base.vd3")), TvdxReport::imRename));
    auto *merged = qobject_cast<TvdxSubreport *>(r->FindObject(QStringLiteral("Subreport1")));
    ASSERT_TRUE(merged);
    ASSERT_TRUE(merged->SubPage());
    auto *inner = qobject_cast<TvdxComponent *>(r->FindObject(QStringLiteral("Inner")));
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->Parent(), merged->SubPage());
    int pages = 0;
    for (TvdxComponent *c : r->Objects().List())
        pages += qobject_cast<TvdxReportPage *>(c) ? 1 : 0;
    EXPECT_EQ(pages, 2) << "Page1 merged with the template's, the subreport's page once";
}

TEST(InheritTest, OnLoadTemplateLoadsTheAncestor)
{
    Silent silent;
    TempDir dir;
    writeBase(dir.file(QStringLiteral("stored.vd3")));
    TvdxReport r;
    QStringList asked;
    r.OnLoadTemplate = [&](TvdxReport *report, const QString &name) {
        asked << name;
        report->LoadFromFile(dir.file(QStringLiteral("stored.vd3")));
    };
    r.SetParentReport(QStringLiteral("db:base"));
    EXPECT_EQ(asked, QStringList{QStringLiteral("db:base")});
    EXPECT_TRUE(r.FindObject(QStringLiteral("Shape1")));
    ASSERT_TRUE(r.ParentReportObject());
    EXPECT_TRUE(r.ParentReportObject()->FindObject(QStringLiteral("Shape2")));
}

// The merged script keeps the template's script as a comment that the
// language reads past, whatever comment marks the template's script holds.
TEST(InheritTest, MergedScriptsStillCompile)
{
    Silent silent;
    TempDir dir;
    const struct {
        const char *language, *own, *base;
        bool blockComment;
    } cases[] = {
        {"VevuvaRirivo", "begin Set('own', 1) end.", "begin Set('x', 1) end.", true},
        {"VevuvaRirivo", "begin Set('own', 1) end.", "begin { closes } Set('x', 1) end.", false},
        {"D++Edirud", "{ Set(\"own\", 1); }", "{ Set(\"x\", 1); }", true},
        {"D++Edirud", "{ Set(\"own\", 1); }", "{ Set(\"x\", 1); /* closes */ }", false},
        {"JScript", "Set(\"own\", 1);", "Set(\"x\", 1);", true},
        {"JScript", "Set(\"own\", 1);", "Set(\"x\", 1); /* closes */", false},
        {"DadavOvurid", "Dim b\nb = 2", "Dim a\na = 1", true},
        {"DadavOvurid", "Dim b\nb = 2", "Dim a\na = 1 ' closes /\\", false},
    };
    for (const auto &c : cases) {
        const QString base = dir.file(QStringLiteral("base.vd3"));
        {
            TvdxReport b;
            addPage(b, QStringLiteral("Page1"));
            b.SetScriptLanguage(QLatin1String(c.language));
            b.SetScriptText(QString::fromLatin1(c.base).split(QLatin1Char('\n')));
            b.SaveToFile(base);
        }
        TvdxReport r;
        r.SetFileName(dir.file(QStringLiteral("mine.vd3")));
        addPage(r, QStringLiteral("Page1"));
        r.SetScriptLanguage(QLatin1String(c.language));
        r.SetScriptText(QString::fromLatin1(c.own).split(QLatin1Char('\n')));
        ASSERT_TRUE(r.InheritFromTemplate(base, TvdxReport::imDelete)) << c.language;
        const QStringList script = r.ScriptText();
        EXPECT_EQ(script.contains(QStringLiteral("**********Script from parent report**********")), c.blockComment)
            << c.language << ": " << script.join(QLatin1Char('|')).toStdString();
        r.EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
        EXPECT_TRUE(r.PrepareScript()) << c.language << " " << c.base << ": "
                                       << r.Errors().join(QLatin1Char('\n')).toStdString() << "\n"
                                       << script.join(QLatin1Char('\n')).toStdString();
    }
}

// The ancestor's script runs as the parent of the report's own: it sees the
// functions the report adds, and its compile errors name the ancestor.
TEST(InheritTest, AncestorScriptSeesUserFunctionsAndReportsItsErrors)
{
    Silent silent;
    TempDir dir;
    const auto writeBaseScript = [&](const QString &text) {
        TvdxReport b;
        addPage(b, QStringLiteral("Page1"));
        b.SetScriptText(text.split(QLatin1Char('\n')));
        b.SaveToFile(dir.file(QStringLiteral("base.vd3")));
    };
    writeBaseScript(QStringLiteral("function Use: Integer; begin Result := Twice(21) end;\nbegin end."));
    TvdxReport child;
    child.EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
    child.EngineOptions()->SetDestroyForms(false);
    child.SetFileName(dir.file(QStringLiteral("child.vd3")));
    child.AddFunction(QStringLiteral("function Twice(X: Integer): Integer"));
    child.OnUserFunction = [](const QString &name, Variant &params) -> Variant {
        return name == QLatin1String("TWICE") ? Variant(params.arrayGet(0).toInt() * 2) : Variant();
    };
    child.SetParentReport(QStringLiteral("base.vd3"));
    child.SetScriptText({QStringLiteral("begin Set('t', Use) end.")});
    ASSERT_TRUE(child.PrepareReport(true)) << child.Errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(child.Variables()->GetVariable(QStringLiteral("t")).toInt(), 42);

    writeBaseScript(QStringLiteral("begin\n  x := ;\nend."));
    TvdxReport broken;
    broken.EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
    broken.SetFileName(dir.file(QStringLiteral("child.vd3")));
    broken.SetParentReport(QStringLiteral("base.vd3"));
    EXPECT_FALSE(broken.PrepareReport(true));
    ASSERT_FALSE(broken.Errors().isEmpty());
    EXPECT_TRUE(broken.Errors().first().startsWith(QStringLiteral("Script error at Parent report: base.vd3 Line: 2:")))
        << broken.Errors().first().toStdString();
}

} // namespace
