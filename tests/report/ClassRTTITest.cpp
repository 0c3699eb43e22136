// Report scripts reaching the report model through its binding module.
#include "core/vdxVariables.h"
#include "report/vdxClass.h"
#include "report/vdxClassRTTI.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_fill.h"
#include "report/vdxClass_memo.h"
#include "script/ov_iclasses.h"
#include "script/ov_iinterpreter.h"

#include <gtest/gtest.h>

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

} // namespace
