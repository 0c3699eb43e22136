// Report scripts reaching the report model through its binding module.
#include "common/TestSupport.h"
#include "core/vdxVariables.h"
#include "report/vdxClass.h"
#include "report/vdxClassRTTI.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_fill.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_page_dialog.h"
#include "report/vdxClass_styles.h"
#include "report/vdxDelayedCommands.h"
#include "report/vdxDBSet.h"
#include "report/vdxServiceDoubles.h"
#include "script/ov_iclasses.h"
#include "script/ov_iinterpreter.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString Pascal = QStringLiteral("VevuvaRirivo");

class ClassRTTITest : public ::testing::Test {
protected:
    ClassRTTITest()
    {
        vdxRegisterReportClasses();
        s.AddRTTI();
    }
    // Compiles and runs; the error text, empty when it ran through.
    QString run(const QString &text)
    {
        s.Clear();
        for (const HostObject &o : std::as_const(objects)) {
            if (o.typ.isEmpty())
                s.AddObject(o.name, o.obj);
            else
                s.AddVariable(o.name, o.typ, Variant::fromObject(o.obj));
        }
        s.SetSyntaxType(Pascal);
        s.SetLines(text.split(QLatin1Char('\n')));
        if (!s.Compile())
            return QStringLiteral("compile: ") + s.ErrorMsg + QStringLiteral(" at ") + s.ErrorPos;
        try {
            s.Execute();
        } catch (const Exception &e) {
            return e.message();
        }
        return s.ErrorMsg;
    }
    // Host objects, given to the program again after each Clear.
    // Declared as typ (the class of the object when empty).
    void addObject(const QString &name, QObject *obj, const QString &typ = QString())
    {
        objects.append({name, obj, typ});
    }
    struct HostObject {
        QString name;
        QObject *obj;
        QString typ;
    };
    QList<HostObject> objects;
    QString var(const char *name) { return VarToStr(s.Variables(QString::fromLatin1(name))); }
    TovScript s;
};

TEST_F(ClassRTTITest, ConstantsEnumerationsAndDateFunctions)
{
    const QString err = run(QStringLiteral("var a, d, m, y, st, fs, tr: Variant;\n"
                                           "begin\n"
                                           "  a := vd1cm * 2;\n"
                                           "  d := DayOf(EncodeDate(2024, 7, 24));\n"
                                           "  m := MonthOf(EncodeDate(2024, 7, 24));\n"
                                           "  y := YearOf(EncodeDate(2024, 7, 24));\n"
                                           "  st := smMaxHeight; fs := fsDouble; tr := clTransparent;\n"
                                           "end."));
    ASSERT_TRUE(err.isEmpty()) << err.toStdString();
    EXPECT_DOUBLE_EQ(s.Variables(QStringLiteral("a")).toDouble(), 75.5906);
    EXPECT_EQ(var("d"), QStringLiteral("24"));
    EXPECT_EQ(var("m"), QStringLiteral("7"));
    EXPECT_EQ(var("y"), QStringLiteral("2024"));
    EXPECT_EQ(var("st"), QStringLiteral("2"));
    EXPECT_EQ(var("fs"), QStringLiteral("5"));
    EXPECT_EQ(var("tr"), QStringLiteral("536870911"));
    // Only the script names: the model's extra values are not there.
    EXPECT_FALSE(s.Find(QStringLiteral("smPartMaxHeight")));
    EXPECT_FALSE(s.Find(QStringLiteral("fsAltDot")));
    for (const char *cls : {"TvdxComponent", "TvdxView", "TvdxMemoView", "TvdxReport", "TvdxDataSet", "TvdxStyles",
                            "TvdxVariables", "TvdxArray", "TWideStrings", "TvdxBand", "TvdxReportPage",
                            "TvdxMasterData", "TvdxOverlay", "TvdxSubreport", "TvdxDialogPage", "TvdxFillGaps"})
        EXPECT_TRUE(s.FindClass(QString::fromLatin1(cls))) << cls;
    EXPECT_TRUE(s.ClassInherits(QStringLiteral("TvdxStretcheable"), QStringLiteral("TvdxMemoView")));
    EXPECT_TRUE(s.ClassInherits(QStringLiteral("TvdxDataBand"), QStringLiteral("TvdxMasterData")));
}

TEST_F(ClassRTTITest, BandsAndPages)
{
    TvdxReport report;
    auto *page = new TvdxReportPage(&report);
    page->SetParent(&report);
    page->SetName(QStringLiteral("Page1"));
    auto *band = new TvdxMasterData(&report);
    band->SetParent(page);
    band->SetName(QStringLiteral("MasterData1"));
    band->SetOverflow(true);
    addObject(QStringLiteral("MasterData1"), band);
    addObject(QStringLiteral("Page1"), page);
    const QString err = run(QStringLiteral("var o: Boolean; n: Integer;\n"
                                           "begin\n"
                                           "  o := MasterData1.Overflow;\n"
                                           "  MasterData1.AlignChildren;\n"
                                           "  Page1.AlignChildren;\n"
                                           "  n := Page1.Objects.Count;\n"
                                           "end."));
    ASSERT_TRUE(err.isEmpty()) << err.toStdString();
    EXPECT_EQ(var("o"), QStringLiteral("True"));
    EXPECT_EQ(var("n"), QStringLiteral("1"));
}

TEST_F(ClassRTTITest, FillCastsAndInvalidCast)
{
    TvdxReport report;
    auto *page = new TvdxReportPage(&report);
    page->SetParent(&report);
    page->SetName(QStringLiteral("Page1"));
    auto *shape = new TvdxShapeView(&report);
    shape->SetParent(page);
    shape->SetName(QStringLiteral("Shape1"));
    addObject(QStringLiteral("Shape1"), shape);

    ASSERT_TRUE(qobject_cast<TvdxBrushFill *>(shape->Fill()));
    QString err = run(QStringLiteral("var col: Integer;\nbegin\n  col := Shape1.Fill.AsBrushFill.BackColor;\nend."));
    EXPECT_TRUE(err.isEmpty()) << err.toStdString();
    err = run(QStringLiteral("var col: Integer;\nbegin\n  col := Shape1.Fill.AsGradientFill.StartColor;\nend."));
    EXPECT_TRUE(err.contains(QLatin1String("Invalid class typecast"))) << err.toStdString();
}

TEST_F(ClassRTTITest, ComponentMembersAndReport)
{
    TvdxReport report;
    auto *page = new TvdxReportPage(&report);
    page->SetParent(&report);
    page->SetName(QStringLiteral("Page1"));
    page->SetBounds(5, 7, 100, 100);
    auto *memo = new TvdxMemoView(&report);
    memo->SetParent(page);
    memo->SetName(QStringLiteral("Memo1"));
    TvdxVariable *v = report.Variables()->Add();
    v->SetName(QStringLiteral("Count"));
    v->SetValue(Variant(3));
    addObject(QStringLiteral("Report"), &report);
    addObject(QStringLiteral("Memo1"), memo);

    const QString err = run(QStringLiteral(
        "var n, x, pn, t, l0, found, cnt, vv, term: Variant; sl: TWideStrings;\n"
        "begin\n"
        "  Memo1.SetBounds(10, 20, 30, 40);\n"
        "  x := Memo1.AbsLeft;\n"
        "  pn := Memo1.Page.Name;\n"
        "  n := Memo1.Parent.Objects.Count;\n"
        "  cnt := Report.AllObjects.Count;\n"
        "  found := Report.FindObject('Memo1').Name;\n"
        "  Memo1.Text := 'one';\n"
        "  sl := TWideStrings.Create;\n"
        "  sl.Add('a'); sl.Add('b');\n"
        "  Memo1.Lines := sl;\n"
        "  sl.Add('c');\n"
        "  t := Memo1.Lines.Count;\n"
        "  l0 := Memo1.Lines[1];\n"
        "  vv := Report.Variables['Count'];\n"
        "  Report.Variables['Fresh'] := 5;\n"
        "  Memo1.TagStr := 'tag';\n"
        "  Report.Terminated := True; term := Report.Terminated;\n"
        "  sl.Free;\n"
        "end."));
    ASSERT_TRUE(err.isEmpty()) << err.toStdString();
    EXPECT_EQ(var("x"), QStringLiteral("15"));
    EXPECT_EQ(var("pn"), QStringLiteral("Page1"));
    EXPECT_EQ(var("n"), QStringLiteral("1"));
    EXPECT_EQ(var("found"), QStringLiteral("Memo1"));
    // The memo keeps a copy: a line added to the list afterwards is not there.
    EXPECT_EQ(var("t"), QStringLiteral("2"));
    EXPECT_EQ(var("l0"), QStringLiteral("b"));
    EXPECT_EQ(memo->Lines(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(var("vv"), QStringLiteral("3"));
    EXPECT_EQ(report.Variables()->GetVariable(QStringLiteral("Fresh")).toInt(), 5);
    EXPECT_EQ(memo->TagStr(), QStringLiteral("tag"));
    EXPECT_TRUE(report.Terminated());
    EXPECT_EQ(var("term"), QStringLiteral("True"));
    EXPECT_DOUBLE_EQ(double(memo->Left()), 10);
}

TEST_F(ClassRTTITest, EnginePostProcessor)
{
    TvdxReport report;
    // The stand-in engine is known to scripts by its base class.
    addObject(QStringLiteral("Engine"), report.Engine(), QStringLiteral("TvdxCustomEngine"));
    const QString err = run(QStringLiteral("var n: Integer;\n"
                                           "begin\n"
                                           "  Engine.GetPostProcessor.ResetDuplicates;\n"
                                           "  Engine.GetPostProcessor.ResetDuplicates('Band1');\n"
                                           "  n := Engine.GetPostProcessor.GetMacroList('none').Count;\n"
                                           "end."));
    ASSERT_TRUE(err.isEmpty()) << err.toStdString();
    EXPECT_EQ(var("n"), QStringLiteral("0"));
}

TEST_F(ClassRTTITest, GlobalVariablesAndArrays)
{
    vdxGlobalVariables()->SetVariable(QStringLiteral("G"), Variant(41));
    const QString err = run(QStringLiteral("var g, a1: Variant; arr: TvdxArray;\n"
                                           "begin\n"
                                           "  g := vdxGlobalVariables['G'] + 1;\n"
                                           "  arr := TvdxArray.Create;\n"
                                           "  arr[7] := 'seven';\n"
                                           "  a1 := arr[7];\n"
                                           "  arr.Free;\n"
                                           "end."));
    vdxGlobalVariables()->Clear();
    ASSERT_TRUE(err.isEmpty()) << err.toStdString();
    EXPECT_EQ(var("g"), QStringLiteral("42"));
    EXPECT_EQ(var("a1"), QStringLiteral("seven"));
}

TEST_F(ClassRTTITest, DataSetMembersOverSQLite)
{
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        GTEST_SKIP() << "sqlite3 tool not installed";
    vdtest::TempDir dir;
    const QString db = dir.file(QStringLiteral("t.db"));
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {db, QStringLiteral("create table t(n integer, s varchar(20));"
                                                           "insert into t values (21, 'first');"
                                                           "insert into t values (5, 'second');")});
    ASSERT_TRUE(p.waitForFinished(10000) && p.exitCode() == 0);
    TvdxSqlDataSet query;
    query.SetDatabaseFile(db);
    query.SetSQL(QStringLiteral("select n, s from t"));
    TvdxDBDataset ds(nullptr);
    ds.SetName(QStringLiteral("T"));
    ds.SetDataSet(&query);
    addObject(QStringLiteral("T"), &ds, QStringLiteral("TvdxDataSet"));
    const QString err = run(QStringLiteral(
        "var r1, v1, d1, r2, v2, e2, e3, fc, hs, hx, rc, ft, fl, bl: Variant; sl: TStringList;\n"
        "begin\n"
        "  T.Open; T.First;\n"
        "  r1 := T.RecNo; v1 := T.Value['n']; d1 := T.DisplayText['s'];\n"
        "  T.Next; r2 := T.RecNo; v2 := T.Value['n']; e2 := T.Eof;\n"
        "  T.Next; e3 := T.Eof;\n"
        "  fc := T.FieldsCount; hs := T.HasField('s'); hx := T.HasField('x'); rc := T.RecordCount;\n"
        "  ft := T.FieldType['s']; bl := T.IsBlobField('s');\n"
        "  sl := TStringList.Create; T.GetFieldList(sl); fl := sl.CommaText; sl.Free;\n"
        "  T.Close;\n"
        "end."));
    ASSERT_TRUE(err.isEmpty()) << err.toStdString();
    const struct {
        const char *name, *value;
    } cases[] = {{"r1", "0"},  {"v1", "21"},   {"d1", "first"}, {"r2", "1"},    {"v2", "5"},
                 {"e2", "False"}, {"e3", "True"}, {"fc", "2"},  {"hs", "True"}, {"hx", "False"},
                 {"rc", "2"},  {"ft", "1"},    {"bl", "False"}, {"fl", "n,s"}};
    for (const auto &c : cases)
        EXPECT_EQ(var(c.name), QLatin1String(c.value)) << c.name;
}

TEST_F(ClassRTTITest, PreparedPagesAndAnchors)
{
    TvdxReport report;
    auto *pages = static_cast<TvdxStubPreviewPages *>(report.PreviewPages());
    TvdxReportPage first, second;
    first.SetName(QStringLiteral("First"));
    second.SetName(QStringLiteral("Second"));
    pages->AddPage(&first);
    pages->AddPage(&second);
    auto *memo = new TvdxMemoView(&report);
    memo->SetName(QStringLiteral("Memo1"));
    // Scripts know the prepared pages by the engine's class name.
    addObject(QStringLiteral("PreviewPages"), pages, QStringLiteral("TvdxPreviewPages"));
    addObject(QStringLiteral("Engine"), report.Engine(), QStringLiteral("TvdxCustomEngine"));
    addObject(QStringLiteral("Memo1"), memo);
    const QString err = run(QStringLiteral("var n, cp, p1, p0, a1, a2, a3: Variant;\n"
                                           "begin\n"
                                           "  n := PreviewPages.Count; cp := PreviewPages.CurPage;\n"
                                           "  p1 := PreviewPages.Page[1].Name;\n"
                                           "  PreviewPages.Page[0] := nil;\n"
                                           "  p0 := PreviewPages.Page[0].Name;\n"
                                           "  PreviewPages.ModifyObject(Memo1);\n"
                                           "  PreviewPages.CurPage := 0; Engine.AddAnchor('Top');\n"
                                           "  PreviewPages.CurPage := 1; Engine.AddAnchor('Second');\n"
                                           "  a1 := Engine.GetAnchorPage('top');\n"
                                           "  a2 := Engine.GetAnchorPage('Second');\n"
                                           "  a3 := Engine.GetAnchorPage('nowhere');\n"
                                           "end."));
    ASSERT_TRUE(err.isEmpty()) << err.toStdString();
    EXPECT_EQ(var("n"), QStringLiteral("2"));
    EXPECT_EQ(var("cp"), QStringLiteral("1"));
    EXPECT_EQ(var("p1"), QStringLiteral("Second"));
    EXPECT_EQ(var("p0"), QStringLiteral("First")) << "Page[0] := nil has no effect";
    EXPECT_EQ(pages->Modified, QList<TvdxComponent *>{memo});
    EXPECT_EQ(var("a1"), QStringLiteral("1"));
    EXPECT_EQ(var("a2"), QStringLiteral("2"));
    EXPECT_EQ(var("a3"), QStringLiteral("1"));
}

TEST_F(ClassRTTITest, ReportMembers)
{
    vdtest::TempDir dir;
    TvdxReport report;
    report.EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
    auto *dlg = new TvdxDialogPage(&report);
    dlg->SetName(QStringLiteral("Dialog1"));
    TvdxUserDataSet users(nullptr);
    users.SetUserName(QStringLiteral("Users"));
    report.DataSets()->Add(&users);
    report.DrillState() << QStringLiteral("G.1");
    addObject(QStringLiteral("Report"), &report);
    addObject(QStringLiteral("Dialog1"), dlg);
    const QString err = run(QStringLiteral(
        "var c, ds, dsc, dsn, df, mr, sm: Variant;\n"
        "begin\n"
        "  c := Report.Calc('2 * 21');\n"
        "  ds := Report.GetDataset('Users').UserName;\n"
        "  dsc := Report.DrillState.Count;\n"
        "  Report.DrillState.Add('G.2'); Report.DrillState.Delete(0);\n"
        "  dsn := Report.DrillState[0];\n"
        "  Report.EngineOptions.DestroyForms := False; df := Report.EngineOptions.DestroyForms;\n"
        "  Dialog1.ModalResult := 2; mr := Dialog1.ModalResult;\n"
        "  sm := Dialog1.ShowModal;\n"
        "  Report.Print;\n"
        "end."));
    ASSERT_TRUE(err.isEmpty()) << err.toStdString();
    EXPECT_EQ(var("c"), QStringLiteral("42"));
    EXPECT_EQ(var("ds"), QStringLiteral("Users"));
    EXPECT_EQ(var("dsc"), QStringLiteral("1"));
    EXPECT_EQ(var("dsn"), QStringLiteral("G.2"));
    EXPECT_EQ(report.DrillState(), QStringList{QStringLiteral("G.2")}) << "the report's own list changed";
    EXPECT_EQ(var("df"), QStringLiteral("False"));
    EXPECT_EQ(var("mr"), QStringLiteral("2"));
    EXPECT_EQ(var("sm"), QStringLiteral("2")) << "the window's modal result";

    // Files: saved and read back; a missing one answers False (and leaves the report cleared).
    objects.removeLast();
    const QString saved = dir.file(QStringLiteral("saved.vd3"));
    const QString files = run(QStringLiteral("var lf, lf2: Variant;\n"
                                             "begin\n"
                                             "  Report.SaveToFile('%1'); lf2 := Report.LoadFromFile('%1');\n"
                                             "  lf := Report.LoadFromFile('%2');\n"
                                             "end.")
                                  .arg(saved, dir.file(QStringLiteral("none.vd3"))));
    ASSERT_TRUE(files.isEmpty()) << files.toStdString();
    EXPECT_EQ(var("lf2"), QStringLiteral("True"));
    EXPECT_EQ(var("lf"), QStringLiteral("False"));
    EXPECT_TRUE(QFile::exists(saved));

    // A failing Calc from a script carries the Calc prefix and adds no error line.
    report.ClearErrors();
    const QString failed = run(QStringLiteral("var c: Variant;\nbegin\n  c := Report.Calc('1 +');\nend."));
    EXPECT_TRUE(failed.startsWith(QStringLiteral("Error in Calc expression:Error in expression '1 +'")))
        << failed.toStdString();
    EXPECT_TRUE(report.Errors().isEmpty());
}

TEST_F(ClassRTTITest, StylesFromScripts)
{
    vdtest::TempDir dir;
    TvdxReport report;
    addObject(QStringLiteral("Report"), &report);
    const QString file = dir.file(QStringLiteral("s.vs3"));
    const QString err = run(QStringLiteral("var st, back: TvdxStyles; sl: TStringList; f, n0, l, c: Variant;\n"
                                           "begin\n"
                                           "  st := TvdxStyles.Create(Report);\n"
                                           "  st.Add.Name := 'Bold'; st.Add.Name := 'Plain';\n"
                                           "  f := st.Find('Plain').Name; n0 := st[0].Name;\n"
                                           "  sl := TStringList.Create; st.GetList(sl); l := sl.CommaText; sl.Free;\n"
                                           "  st.SaveToFile('%1');\n"
                                           "  back := TvdxStyles.Create(Report); back.LoadFromFile('%1');\n"
                                           "  c := back.Find('Bold').Name;\n"
                                           "  st.Free; back.Free;\n"
                                           "  Report.Styles.Add.Name := 'Own';\n"
                                           "end.")
                                .arg(file));
    ASSERT_TRUE(err.isEmpty()) << err.toStdString();
    EXPECT_EQ(var("f"), QStringLiteral("Plain"));
    EXPECT_EQ(var("n0"), QStringLiteral("Bold"));
    EXPECT_EQ(var("l"), QStringLiteral("Bold,Plain"));
    EXPECT_EQ(var("c"), QStringLiteral("Bold"));
    ASSERT_TRUE(report.Styles()->Find(QStringLiteral("Own")));
    EXPECT_EQ(run(QStringLiteral("var x: Variant;\nbegin\n  x := Report.Styles[5].Name;\nend.")),
              QStringLiteral("List index out of bounds (5)"));
}

TEST_F(ClassRTTITest, GraphicClassesOfThePictureFormats)
{
    for (const char *cls : {"TPngImage", "TJPEGImage", "TIcon", "TvdxGIFGraphic", "TvdxMetafile"}) {
        EXPECT_TRUE(s.FindClass(QString::fromLatin1(cls))) << cls;
        EXPECT_EQ(s.FindClass(QString::fromLatin1(cls))->Ancestor, QStringLiteral("TGraphic")) << cls;
    }
}

// Report.PrepareReport and ShowReport from the report's own script refresh an
// attached preview; from any other script they prepare and show anew.
TEST(ClassRTTIReportTest, PrepareFromTheOwnScriptRefreshesThePreview)
{
    vdxRegisterReportClasses();
    TvdxReport report;
    report.EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
    report.SetScriptText({QStringLiteral("procedure Rebuild; begin Report.PrepareReport end;"),
                          QStringLiteral("procedure Again; begin Report.ShowReport end;"),
                          QStringLiteral("begin end.")});
    int prepared = 0;
    report.OnEndDoc = [&](TvdxReport *) { ++prepared; };
    TvdxStubPreview preview;
    report.SetPreview(&preview);
    ASSERT_TRUE(report.PrepareReport(true));
    ASSERT_EQ(prepared, 1);
    // Inside a running procedure the refresh waits in the queue: one of its kind.
    report.Script()->CallFunction(QStringLiteral("Rebuild"), Variant::arrayOf({}));
    report.Script()->CallFunction(QStringLiteral("Again"), Variant::arrayOf({}));
    EXPECT_EQ(report.DelayedCommands()->Names(), QStringList{QStringLiteral("TvdxRefreshReportCommand")});
    report.RunDelayedCommands();
    EXPECT_EQ(preview.Calls.count(QStringLiteral("RefreshReport")), 1);
    EXPECT_EQ(prepared, 2) << "prepared once, by the preview's refresh";

    // Another program that holds the report prepares it.
    TovScript other;
    other.AddRTTI();
    other.AddObject(QStringLiteral("R"), &report);
    other.SetSyntaxType(QStringLiteral("VevuvaRirivo"));
    other.SetLines({QStringLiteral("begin R.PrepareReport end.")});
    ASSERT_TRUE(other.Compile()) << other.ErrorMsg.toStdString();
    other.Execute();
    EXPECT_EQ(prepared, 3);
    EXPECT_EQ(preview.Calls.count(QStringLiteral("RefreshReport")), 1);
    report.SetPreview(nullptr);
}

} // namespace
