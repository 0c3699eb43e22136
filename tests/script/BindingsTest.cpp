// Scripts over the base-class, dialog and INI bindings: string lists, streams,
// files, INI files, the XML classes and message prompts.
#include "RtTestSupport.h"
#include "common/TestSupport.h"
#include "platform/IniFile.h"
#include "platform/UiProvider.h"
#include "script/ov_iclasses.h"
#include "script/ov_iclassesrtti.h"
#include "script/ov_idialogsrtti.h"

#include <QBuffer>
#include <QPointer>
#include <gtest/gtest.h>

namespace {
using namespace rttest;

class BindingsTest : public ::testing::Test {
protected:
    BindingsTest() { s.AddRTTI(); }
    void run(const QString &text)
    {
        const Compiled c = compile(s, Pascal, text);
        ASSERT_TRUE(c.ok) << c.msg.toStdString() << " at " << c.pos.toStdString();
        ASSERT_NO_THROW(s.Execute());
    }
    QString var(const char *name) { return VarToStr(s.Variables(QString::fromLatin1(name))); }
    TovScript s;
};

TEST_F(BindingsTest, ModulesRegisterInListOrder)
{
    // System functions, base classes, graphics, forms, then dialogs and INI files.
    ASSERT_GE(ovRTTIModuleClasses().size(), 6);
    TovScript t;
    std::unique_ptr<TovObject> second(ovRTTIModuleClasses().at(1)(&t));
    EXPECT_TRUE(dynamic_cast<TovClassesFunctions *>(second.get()));
    std::unique_ptr<TovObject> fifth(ovRTTIModuleClasses().at(4)(&t));
    EXPECT_TRUE(dynamic_cast<TovDialogsFunctions *>(fifth.get()));
    std::unique_ptr<TovObject> sixth(ovRTTIModuleClasses().at(5)(&t));
    EXPECT_TRUE(dynamic_cast<TovIniFunctions *>(sixth.get()));
    for (const char *name : {"TObject", "TPersistent", "TCollection", "TList", "TStrings", "TStringList", "TStream",
                             "TFileStream", "TMemoryStream", "TComponent", "TovXMLItem", "TovXMLDocument",
                             "TCommonDialog", "TOpenDialog", "TCustomIniFile", "TMemIniFile", "TIniFile"})
        EXPECT_TRUE(s.FindClass(QString::fromLatin1(name))) << name;
    EXPECT_TRUE(s.ClassInherits(QStringLiteral("TStrings"), QStringLiteral("TStringList")));
    EXPECT_TRUE(s.ClassInherits(QStringLiteral("TComponent"), QStringLiteral("TOpenDialog")));
    EXPECT_EQ(s.Variables(QStringLiteral("fmCreate")).toInt(), 0xFF00);
    // Everything registered by the modules survives Clear.
    s.Clear();
    EXPECT_TRUE(s.FindClass(QStringLiteral("TStringList")));
}

TEST_F(BindingsTest, StringListFindSortAndDuplicates)
{
    run(QStringLiteral(
        "var sl: TStringList; i, j, cnt: Integer; found, missing: Boolean; first, last, cn, v, nm, csv: String;\n"
        "begin\n"
        "  sl := TStringList.Create;\n"
        "  sl.Add('pear'); sl.Add('Apple'); sl.Add('fig');\n"
        "  sl.Sort;\n"
        "  first := sl[0]; last := sl.Strings[2];\n"
        "  found := sl.Find('FIG', i);\n"
        "  missing := sl.Find('grape', j);\n"
        "  sl.Sorted := True; sl.Duplicates := dupIgnore;\n"
        "  sl.Add('apple'); cnt := sl.Count;\n"
        "  sl.Add('k=v1');\n"
        "  v := sl.Values['K']; nm := sl.Names[sl.IndexOf('k=v1')];\n"
        "  cn := sl.ClassName;\n"
        "  csv := sl.CommaText;\n"
        "  sl.Free;\n"
        "end."));
    EXPECT_EQ(var("first"), QStringLiteral("Apple"));
    EXPECT_EQ(var("last"), QStringLiteral("pear"));
    EXPECT_EQ(var("found"), QStringLiteral("True"));
    EXPECT_EQ(var("i"), QStringLiteral("1"));
    EXPECT_EQ(var("missing"), QStringLiteral("False"));
    EXPECT_EQ(var("j"), QStringLiteral("2"));
    EXPECT_EQ(var("cnt"), QStringLiteral("3"));
    EXPECT_EQ(var("v"), QStringLiteral("v1"));
    EXPECT_EQ(var("nm"), QStringLiteral("k"));
    EXPECT_EQ(var("cn"), QStringLiteral("TStringList"));
    EXPECT_EQ(var("csv"), QStringLiteral("Apple,fig,k=v1,pear"));
}

TEST_F(BindingsTest, ListsComponentsAndAssign)
{
    run(QStringLiteral(
        "var l: TList; a, b: TStringList; c1, c2: TComponent; ia, ib, ir, cnt: Integer; same, own: Boolean;\n"
        "  txt, cn: String;\n"
        "begin\n"
        "  l := TList.Create; a := TStringList.Create; b := TStringList.Create;\n"
        "  ia := l.Add(a); ib := l.Add(b);\n"
        "  ir := l.Remove(a); cnt := l.Count;\n"
        "  same := l[0] = b;\n"
        "  a.CommaText := 'x,y'; b.Assign(a); txt := b.Text;\n"
        "  c1 := TComponent.Create(nil); c2 := TComponent.Create(c1);\n"
        "  own := c2.Owner = c1; cn := c2.ClassName;\n"
        "  c1.Free; l.Free; a.Free; b.Free;\n"
        "end."));
    EXPECT_EQ(var("ia"), QStringLiteral("0"));
    EXPECT_EQ(var("ib"), QStringLiteral("1"));
    EXPECT_EQ(var("ir"), QStringLiteral("0"));
    EXPECT_EQ(var("cnt"), QStringLiteral("1"));
    EXPECT_EQ(var("same"), QStringLiteral("True"));
    EXPECT_EQ(var("txt"), QStringLiteral("x\r\ny\r\n"));
    EXPECT_EQ(var("own"), QStringLiteral("True"));
    EXPECT_EQ(var("cn"), QStringLiteral("TComponent"));
}

// What a script creates and leaves behind, its program frees; what an owner
// holds, the owner frees; what the script freed is not freed again.
TEST_F(BindingsTest, ProgramFreesTheOwnerlessObjectsItsConstructorsMade)
{
    TvdComponent hostOwner;
    auto prog = std::make_unique<TovScript>();
    prog->AddRTTI();
    prog->AddVariable(QStringLiteral("HostOwner"), QStringLiteral("TComponent"), Variant::fromObject(&hostOwner));
    const Compiled c = compile(*prog, Pascal,
                               QStringLiteral("var kept: TMemoryStream; freed: TStringList; owned, scriptOwned: TComponent;\n"
                                              "  doc: TovXMLDocument; item: TovXMLItem;\n"
                                              "  procedure MakeOne; begin kept := TMemoryStream.Create; end;\n"
                                              "begin\n"
                                              "  MakeOne;\n"
                                              "  freed := TStringList.Create; freed.Free;\n"
                                              "  owned := TComponent.Create(HostOwner);\n"
                                              "  scriptOwned := TComponent.Create(nil);\n"
                                              "  TComponent.Create(scriptOwned);\n"
                                              "  doc := TovXMLDocument.Create; item := TovXMLItem.Create;\n"
                                              "  doc.Root.AddItem(item);\n"
                                              "end."));
    ASSERT_TRUE(c.ok) << c.msg.toStdString() << " at " << c.pos.toStdString();
    ASSERT_NO_THROW(prog->Execute());
    QPointer<QObject> kept = prog->Variables(QStringLiteral("kept")).object();
    QPointer<QObject> owned = prog->Variables(QStringLiteral("owned")).object();
    QPointer<QObject> scriptOwned = prog->Variables(QStringLiteral("scriptOwned")).object();
    QPointer<QObject> doc = prog->Variables(QStringLiteral("doc")).object();
    QPointer<QObject> item = prog->Variables(QStringLiteral("item")).object();
    ASSERT_TRUE(kept && owned && scriptOwned && doc && item);
    EXPECT_TRUE(ovHasOwner(owned));
    EXPECT_TRUE(ovHasOwner(item)); // inside the document
    EXPECT_FALSE(ovHasOwner(doc));

    prog.reset();
    EXPECT_TRUE(kept.isNull()); // made inside a procedure: the outer program frees it
    EXPECT_TRUE(scriptOwned.isNull());
    EXPECT_TRUE(doc.isNull());
    EXPECT_TRUE(item.isNull()); // went with its document
    ASSERT_FALSE(owned.isNull());
    EXPECT_EQ(hostOwner.ComponentCount(), 1);
}

TEST_F(BindingsTest, UnknownMembersAnswerZero)
{
    TovHostStringList l;
    TovHostMemoryStream m;
    TovHostList list;
    QObject o;
    TovMethodHelper helper(QStringLiteral("function Nothing: Integer"), &s);
    const std::pair<QObject *, const QMetaObject *> rows[] = {{&l, &TovHostStrings::staticMetaObject},
                                                              {&l, &TovHostStringList::staticMetaObject},
                                                              {&m, &TovHostStream::staticMetaObject},
                                                              {&list, &TovHostList::staticMetaObject},
                                                              {&o, &QObject::staticMetaObject}};
    for (const auto &[obj, cls] : rows) {
        EXPECT_EQ(TovClassesFunctions::CallMethod(obj, cls, QStringLiteral("NOTHING"), &helper).toInt(), 0);
        EXPECT_EQ(TovClassesFunctions::GetProp(obj, cls, QStringLiteral("NOTHING")).toInt(), 0);
    }
}

TEST_F(BindingsTest, ScriptErrorsForMisuse)
{
    const struct {
        const char *body;
        const char *message;
    } rows[] = {
        {"sl := TStringList.Create; t := sl[3];", "List index out of bounds (3)"},
        {"sl := TStringList.Create; sl.Sorted := True; sl.Insert(0, 'a');", "Operation not allowed on sorted list"},
        {"f := TFileStream.Create('/nonexistent/dir/x', fmOpenRead);", "Cannot open file \"/nonexistent/dir/x\""},
        {"sl := TStringList.Create; sl.SaveToStream(nil);", "Stream is nil"},
    };
    for (const auto &r : rows) {
        TovScript t;
        t.AddRTTI();
        const Compiled c = compile(t, Pascal,
                                   QStringLiteral("var sl: TStringList; f: TFileStream; t: String;\nbegin\n%1\nend.")
                                       .arg(QString::fromLatin1(r.body)));
        ASSERT_TRUE(c.ok) << r.body << ": " << c.msg.toStdString();
        try {
            t.Execute();
            ADD_FAILURE() << r.body << ": no error";
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message().startsWith(QString::fromUtf8(r.message))) << e.message().toStdString();
        }
    }
}

TEST_F(BindingsTest, IniStreamsAndBinaryValues)
{
    run(QStringLiteral(
        "var ini, ini2: TMemIniFile; m, b, back: TMemoryStream; n: Integer; s, k: String; secs: TStringList;\n"
        "begin\n"
        "  ini := TMemIniFile.Create('');\n"
        "  ini.WriteString('A', 'k', 'v');\n"
        "  b := TMemoryStream.Create; b.Write('AZ', 2); b.Position := 0;\n"
        "  ini.WriteBinaryStream('A', 'bin', b);\n"
        "  m := TMemoryStream.Create;\n"
        "  ini.SaveIniFileToStream(m);\n"
        "  m.Position := 0;\n"
        "  ini2 := TMemIniFile.Create('');\n"
        "  ini2.LoadIniFileFromStream(m);\n"
        "  ini2.LoadIniFileFromStream(nil);\n"
        "  k := ini2.ReadString('A', 'k', '');\n"
        "  back := TMemoryStream.Create;\n"
        "  n := ini2.ReadBinaryStream('A', 'bin', back);\n"
        "  back.Position := 0; back.Read(s, 10);\n"
        "  secs := TStringList.Create; ini2.ReadSections(secs);\n"
        "end."));
    EXPECT_EQ(var("k"), QStringLiteral("v"));
    EXPECT_EQ(var("n"), QStringLiteral("2"));
    EXPECT_EQ(var("s"), QStringLiteral("AZ"));
}

TEST_F(BindingsTest, DialogOptionsAreSets)
{
    run(QStringLiteral("var d: TSaveDialog; o, one: Variant;\n"
                       "begin\n"
                       "  d := TSaveDialog.Create(nil);\n"
                       "  d.Options := ofReadOnly; one := d.Options;\n"
                       "  d.Options := [ofOverwritePrompt, ofPathMustExist];\n"
                       "  o := d.Options;\n"
                       "  d.Free;\n"
                       "end."));
    EXPECT_EQ(s.Variables(QStringLiteral("one")).toInt(), 1);
    EXPECT_EQ(s.Variables(QStringLiteral("o")).toInt(), 2 + 256);
}

TEST(BindingsHost, StringListRules)
{
    TovHostStringList l;
    QObject o1, o2;
    l.AddObject(QStringLiteral("b"), &o1);
    l.AddObject(QStringLiteral("a"), &o2);
    l.SetSorted(true);
    // Objects travel with their lines.
    EXPECT_EQ(l.Objects(0), &o2);
    EXPECT_EQ(l.IndexOfObject(&o1), 1);
    EXPECT_THROW(l.Insert(0, QStringLiteral("z")), EovBindingError);
    EXPECT_THROW(l.SetStrings(0, QStringLiteral("z")), EovBindingError);
    l.SetDuplicates(TovHostStringList::dupError);
    EXPECT_THROW(l.Add(QStringLiteral("A")), EovBindingError);
    l.SetDuplicates(TovHostStringList::dupAccept);
    EXPECT_EQ(l.Add(QStringLiteral("A")), 1);
    EXPECT_THROW(l.Strings(9), EovBindingError);

    struct Row {
        const char *comma;
        QStringList lines;
    } rows[] = {{"a,b c,\"d,e\",\"q\"\"x\"", {"a", "b", "c", "d,e", "q\"x"}},
                {"\"\",x,", {"", "x", ""}},
                {"", {}}};
    for (const Row &r : rows) {
        TovHostStrings s;
        s.SetCommaText(QString::fromLatin1(r.comma));
        EXPECT_EQ(s.Lines(), r.lines) << r.comma;
        TovHostStrings back;
        back.SetCommaText(s.CommaText());
        EXPECT_EQ(back.Lines(), r.lines) << r.comma;
    }
    TovHostStrings t;
    t.SetText(QStringLiteral("x\r\ny\nz\r"));
    EXPECT_EQ(t.Lines(), QStringList({"x", "y", "z"}));
    EXPECT_EQ(t.Text(), QStringLiteral("x\r\ny\r\nz\r\n"));
}

TEST_F(BindingsTest, MemoryAndFileStreamsSeekAndCopy)
{
    vdtest::TempDir dir;
    const QString file = dir.file(QStringLiteral("out.bin"));
    run(QStringLiteral(
            "var m: TMemoryStream; f: TFileStream; s: String; n1, n2, sz, p, rd, cp: Integer;\n"
            "begin\n"
            "  m := TMemoryStream.Create;\n"
            "  n1 := m.Write('Hello, world', 5);\n"
            "  n2 := m.Write('XY', 10);\n"
            "  sz := m.Seek(0, soFromEnd);\n"
            "  m.Position := 0;\n"
            "  f := TFileStream.Create('%1', fmCreate);\n"
            "  cp := f.CopyFrom(m, 7);\n"
            "  f.Free;\n"
            "  f := TFileStream.Create('%1', fmOpenRead);\n"
            "  p := f.Seek(-3, soFromEnd);\n"
            "  rd := f.Read(s, 100);\n"
            "  f.Free;\n"
            "  m.Free;\n"
            "end.")
            .arg(file));
    EXPECT_EQ(var("n1"), QStringLiteral("5"));
    EXPECT_EQ(var("n2"), QStringLiteral("2"));  // never past the text
    EXPECT_EQ(var("sz"), QStringLiteral("7"));
    EXPECT_EQ(var("cp"), QStringLiteral("7"));
    EXPECT_EQ(var("p"), QStringLiteral("4"));
    EXPECT_EQ(var("rd"), QStringLiteral("3"));
    EXPECT_EQ(var("s"), QStringLiteral("oXY"));
    EXPECT_EQ(vdtest::readFile(file), QByteArray("HelloXY"));
}

TEST(BindingsHost, FileStreamModes)
{
    vdtest::TempDir dir;
    const QString file = dir.file(QStringLiteral("f.txt"));
    EXPECT_THROW(TovHostFileStream(file, 0), EovBindingError);  // missing file is not created
    EXPECT_THROW(TovHostFileStream(file, 1), EovBindingError);
    EXPECT_FALSE(QFile::exists(file));
    {
        TovHostFileStream c(file, 0xFF00 | 16);  // share flags beside fmCreate
        EXPECT_EQ(c.Write(QStringLiteral("old"), 3), 3);
    }
    ASSERT_EQ(vdtest::readFile(file), QByteArray("old"));
    ASSERT_TRUE(vdtest::writeFile(file, "abcdef"));
    {
        TovHostFileStream w(file, 1);  // write only: keeps the rest of the file
        EXPECT_EQ(w.Write(QStringLiteral("XY"), 2), 2);
        EXPECT_EQ(w.Read(4), QString());
    }
    EXPECT_EQ(vdtest::readFile(file), QByteArray("XYcdef"));
    TovHostFileStream r(file, 0);
    EXPECT_EQ(r.Write(QStringLiteral("zz"), 2), 0);
    // Characters above 255 keep their low byte; bytes read back one per character.
    TovHostMemoryStream m;
    m.Write(QString(QChar(0x00E9)) + QChar(0x0141), 2);
    EXPECT_EQ(m.Bytes(), QByteArray("\xE9\x41"));
    m.SetPosition(0);
    EXPECT_EQ(m.Read(5), QString(QChar(0xE9)) + QLatin1Char('A'));
    EXPECT_EQ(m.Seek(10, 0), 2);  // never past the end of a memory stream
}

TEST_F(BindingsTest, MemIniWriteAndReadTStrings)
{
    run(QStringLiteral(
        "var ini: TMemIniFile; a, b, c, e: TStringList; cnt, it2, appended, restored, ex: String;\n"
        "begin\n"
        "  ini := TMemIniFile.Create('');\n"
        "  a := TStringList.Create; a.Add('one'); a.Add('two'); a.Add('three');\n"
        "  ini.WriteTStrings('L', a);\n"
        "  cnt := ini.ReadString('L', 'Count', '');\n"
        "  it2 := ini.ReadString('L', 'Items2', '');\n"
        "  b := TStringList.Create; b.Add('keep');\n"
        "  ini.ReadTStrings('L', b, False);\n"
        "  appended := b.CommaText;\n"
        "  ini.ReadTStrings('L', b);\n"
        "  restored := b.CommaText;\n"
        "  c := TStringList.Create;\n"
        "  c.Text := '[S]'#13#10'a=1'#13#10'a=2'#13#10'b=3';\n"
        "  ini.SetStrings(c);\n"
        "  e := TStringList.Create;\n"
        "  ini.ReadSectionValuesEx('S', e);\n"
        "  ex := e.CommaText;\n"
        "  ini.Free; a.Free; b.Free; c.Free; e.Free;\n"
        "end."));
    EXPECT_EQ(var("cnt"), QStringLiteral("3"));
    EXPECT_EQ(var("it2"), QStringLiteral("three"));
    EXPECT_EQ(var("appended"), QStringLiteral("keep,one,two,three"));
    EXPECT_EQ(var("restored"), QStringLiteral("one,two,three"));
    // Each line's own value, also for a repeated name.
    EXPECT_EQ(var("ex"), QStringLiteral("1,2,3"));
}

TEST_F(BindingsTest, IniFileWritesThroughToItsFile)
{
    vdtest::TempDir dir;
    const QString file = dir.file(QStringLiteral("s.ini"));
    run(QStringLiteral("var ini: TIniFile; n: Integer; ok: Boolean;\n"
                       "begin\n"
                       "  ini := TIniFile.Create('%1');\n"
                       "  ini.WriteInteger('Main', 'Width', 42);\n"
                       "  n := ini.ReadInteger('Main', 'Width', 0);\n"
                       "  ok := ini.ValueExists('Main', 'Width');\n"
                       "  ini.Free;\n"
                       "end.")
            .arg(file));
    EXPECT_EQ(var("n"), QStringLiteral("42"));
    EXPECT_EQ(var("ok"), QStringLiteral("True"));
    TMemIniFile check(file);
    EXPECT_EQ(check.ReadInteger(QStringLiteral("Main"), QStringLiteral("Width"), 0), 42);
}

TEST_F(BindingsTest, XmlDocumentThroughStreams)
{
    run(QStringLiteral(
        "var d, d2: TovXMLDocument; it, x: TovXMLItem; m: TMemoryStream; a, nm, pn, err: String; cnt, idx: Integer;\n"
        "begin\n"
        "  d := TovXMLDocument.Create;\n"
        "  d.Root.Name := 'root';\n"
        "  it := d.Root.Add;\n"
        "  it.Name := 'item';\n"
        "  it.Prop['a'] := 'x&y';\n"
        "  x := TovXMLItem.Create; x.Name := 'extra';\n"
        "  d.Root.AddItem(x);\n"
        "  try d.Root.AddItem(d.Root); except err := ExceptionMessage; end;\n"
        "  m := TMemoryStream.Create;\n"
        "  d.SaveToStream(m);\n"
        "  m.Position := 0;\n"
        "  d2 := TovXMLDocument.Create;\n"
        "  d2.LoadFromStream(m);\n"
        "  cnt := d2.Root.Count;\n"
        "  a := d2.Root[0].Prop['a'];\n"
        "  idx := d2.Root.Find('extra');\n"
        "  nm := d2.Root.FindItem('extra').Name;\n"
        "  pn := d2.Root.Items[1].Parent.Name;\n"
        "  d.Free; d2.Free; m.Free;\n"
        "end."));
    EXPECT_EQ(var("cnt"), QStringLiteral("2"));
    EXPECT_EQ(var("a"), QStringLiteral("x&y"));
    EXPECT_EQ(var("idx"), QStringLiteral("1"));
    EXPECT_EQ(var("nm"), QStringLiteral("extra"));
    EXPECT_EQ(var("pn"), QStringLiteral("root"));
    EXPECT_FALSE(var("err").isEmpty());
}

TEST_F(BindingsTest, XmlItemsFreedOrClearedAreNotReachedAgain)
{
    run(QStringLiteral(
        "var d: TovXMLDocument; a, b, c: TovXMLItem; n, m: Integer; gone, cycle, root: String;\n"
        "begin\n"
        "  d := TovXMLDocument.Create;\n"
        "  a := d.Root.Add; b := a.Add;\n"
        "  d.Root.Clear;\n"
        "  try n := b.Count; except gone := ExceptionMessage; end;\n"
        "  a := d.Root.Add; c := TovXMLItem.Create; a.AddItem(c);\n"
        "  try c.AddItem(a); except cycle := ExceptionMessage; end;\n"
        "  try a.AddItem(d.Root); except root := ExceptionMessage; end;\n"
        "  c.Free; m := a.Count;\n"
        "  d.Free;\n"
        "end."));
    EXPECT_FALSE(var("gone").isEmpty());
    EXPECT_FALSE(var("cycle").isEmpty());
    EXPECT_FALSE(var("root").isEmpty());
    EXPECT_EQ(var("m"), QStringLiteral("0"));
}

TEST(BindingsHost, XmlViewsGoWithTheirItems)
{
    auto *doc = new TovHostXMLDocument;
    TovXMLItem *child = doc->Document()->Root()->Add();
    const Variant ref = Variant::fromObject(TovHostXMLItem::Wrap(child));
    EXPECT_TRUE(ref.isObjectAlive());
    // Freeing the root's view is refused: the document owns it.
    EXPECT_THROW(ovFreeObject(Variant::fromObject(doc->Root())), EovClassError);
    delete doc;
    EXPECT_FALSE(ref.isObjectAlive());
}

TEST_F(BindingsTest, MessageDlgAndInputThroughTheUiProvider)
{
    HeadlessUiProvider ui;
    TvdScopedUiProvider scope(&ui);
    ui.QueueAnswer(mrNo);
    ui.QueueText(QStringLiteral("typed"));
    run(QStringLiteral("var r, d: Integer; ok: Boolean; v, b: String;\n"
                       "begin\n"
                       "  r := MessageDlg('Save?', mtConfirmation, [mbYes, mbNo], 0);\n"
                       "  d := MessageDlg('Done', mtInformation, [mbOK], 0);\n"
                       "  v := 'start';\n"
                       "  ok := InputQuery('Cap', 'Name', v);\n"
                       "  b := InputBox('Cap', 'Other', 'dflt');\n"
                       "end."));
    EXPECT_EQ(var("r"), QStringLiteral("7"));
    EXPECT_EQ(var("d"), QStringLiteral("1"));
    EXPECT_EQ(var("ok"), QStringLiteral("True"));
    EXPECT_EQ(var("v"), QStringLiteral("typed"));
    EXPECT_EQ(var("b"), QStringLiteral("dflt"));
    ASSERT_GE(ui.Prompts().size(), 2);
    EXPECT_EQ(ui.Prompts().at(0).flags, 3u);
    EXPECT_EQ(ui.Prompts().at(0).caption, QString::number(int(TvdMsgDlgType::Confirmation)));
}

TEST_F(BindingsTest, OpenDialogExecuteThroughTheUiProvider)
{
    HeadlessUiProvider ui;
    TvdScopedUiProvider scope(&ui);
    ui.QueueText(QStringLiteral("/tmp/picked.txt"));
    run(QStringLiteral("var d: TOpenDialog; ok, ok2: Boolean; fn: String;\n"
                       "begin\n"
                       "  d := TOpenDialog.Create(nil);\n"
                       "  d.Title := 'Pick';\n"
                       "  ok := d.Execute; fn := d.FileName;\n"
                       "  ok2 := d.Execute;\n"
                       "  d.Free;\n"
                       "end."));
    EXPECT_EQ(var("ok"), QStringLiteral("True"));
    EXPECT_EQ(var("fn"), QStringLiteral("/tmp/picked.txt"));
    EXPECT_EQ(var("ok2"), QStringLiteral("False"));
}

} // namespace
