// The report object: templates as a whole, load and save, password store,
// system variables, the data page, settings store.
#include "core/vdXML.h"
#include "core/vdxVariables.h"
#include "platform/IniFile.h"
#include "report/vdxClass.h"
#include "report/vdxClass_dataset.h"
#include "tests/common/TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <gtest/gtest.h>
#include <memory>

namespace {

class TvdxTplView : public TvdxView {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
public:
    Q_INVOKABLE explicit TvdxTplView(TvdComponent *owner = nullptr) : TvdxView(owner) {}
    QString Text() const { return m_text; }
    void SetText(const QString &v) { m_text = v; }

private:
    QString m_text;
};

// A view that publishes fill, frame and processing, as the printed objects do.
class TvdxTplBoxView : public TvdxView {
    Q_OBJECT
    Q_PROPERTY(TvdxCustomFill::TvdxFillType FillType READ FillType WRITE SetFillType)
    Q_PROPERTY(TvdxCustomFill *Fill READ Fill WRITE SetFill)
    Q_PROPERTY(TvdxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(TvdxObjectProcessing *Processing READ Processing WRITE SetProcessing)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
public:
    Q_INVOKABLE explicit TvdxTplBoxView(TvdComponent *owner = nullptr) : TvdxView(owner) {}
};

struct Registrar {
    Registrar()
    {
        vdRegisterClass<TvdxTplView>();
        vdRegisterClass<TvdxTplBoxView>();
        vdRegisterClass<TvdxBand>();
    }
} registrar;

QByteArray saveBytes(TvdxReport &r)
{
    QBuffer b;
    b.open(QIODevice::ReadWrite);
    r.SaveToStream(b, true, false, false);
    return b.data();
}

bool loadBytes(TvdxReport &r, const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer b(&copy);
    b.open(QIODevice::ReadOnly);
    r.LoadFromStream(b);
    return r.StreamLoaded();
}

// A report with pages, nested views, variables and a few options set.
void buildSample(TvdxReport &r)
{
    r.SetDotMatrixReport(true);
    r.SetScriptText({QStringLiteral("begin"), QStringLiteral("  ShowMessage('hi');"), QStringLiteral("end.")});
    r.Variables()->Add()->SetName(QStringLiteral(" Cat"));
    TvdxVariable *var = r.Variables()->Add();
    var->SetName(QStringLiteral("Total"));
    var->SetValue(Variant(QStringLiteral("<Sum>")));
    auto *page = new TvdxReportPage(&r);
    page->SetName(QStringLiteral("Page1"));
    auto *band = new TvdxBand(page);
    band->SetName(QStringLiteral("Band1"));
    band->SetBounds(0, 18.89765, 718.1107, 22.67718);
    auto *v = new TvdxTplView(band);
    v->SetName(QStringLiteral("Memo1"));
    v->SetBounds(3.77953, 0, 94.48825, 18.89765);
    v->SetText(QStringLiteral("Line \"1\"\r\n<b>&amp;"));
    v->Font()->SetStyle(TvdFont::fsBold);
    auto *inner = new TvdxTplView(v);
    inner->SetName(QStringLiteral("Inner1"));
    inner->SetAnchors(TvdxComponent::vdaRight);
}

} // namespace

class ReportTemplate : public ::testing::Test {
protected:
    void SetUp() override { vdxRegisterReportClasses(); }
};

TEST_F(ReportTemplate, NewReportDefaults)
{
    TvdxReport r;
    EXPECT_EQ(r.Version(), QStringLiteral("2023.2"));
    EXPECT_EQ(r.IniFile(), QStringLiteral("\\Software\\Quennet"));
    EXPECT_EQ(r.ScriptLanguage(), QStringLiteral("VevuvaRirivo"));
    EXPECT_EQ(r.ScriptText(), (QStringList{"begin", "", "end."}));
    EXPECT_TRUE(r.ShowProgress());
    EXPECT_TRUE(r.StoreInDFM());
    EXPECT_EQ(r.SysVariables(), (QStringList{"Date", "Time", "Page", "Page#", "TotalPages", "TotalPages#", "Line",
                                            "Line#", "CopyName#", "TableRow", "TableColumn"}));
    EXPECT_EQ(r.GetDescription(), QStringLiteral("Report object"));
    ASSERT_TRUE(r.Engine());
    EXPECT_EQ(r.Engine()->Report(), &r);
    EXPECT_EQ(r.Engine()->PreviewPages(), r.PreviewPages());
    r.SetVersion(QStringLiteral("1.0"));
    EXPECT_EQ(r.Version(), QStringLiteral("2023.2"));
}

TEST_F(ReportTemplate, SavedTemplateLoadsBackAndSavesIdentically)
{
    TvdxReport r;
    buildSample(r);
    const QByteArray first = saveBytes(r);
    ASSERT_TRUE(first.startsWith("<?xml")) << first.constData();
    EXPECT_TRUE(first.contains("<TvdxReport ")) << first.constData();

    TvdxReport back;
    ASSERT_TRUE(loadBytes(back, first)) << back.ErrorMessage().toStdString();
    EXPECT_TRUE(back.Errors().isEmpty()) << back.ErrorMessage().toStdString();
    // The loader adds the data page in front.
    ASSERT_EQ(back.PagesCount(), 2);
    EXPECT_TRUE(qobject_cast<TvdxDataPage *>(back.Pages(0)));
    EXPECT_EQ(back.Pages(0)->Name(), QStringLiteral("Data"));
    auto *memo = qobject_cast<TvdxTplView *>(back.FindObject(QStringLiteral("Memo1")));
    ASSERT_TRUE(memo);
    EXPECT_EQ(memo->Text(), QStringLiteral("Line \"1\"\r\n<b>&amp;"));
    EXPECT_DOUBLE_EQ(double(memo->Width()), 94.48825);
    EXPECT_EQ(memo->Font()->Style(), TvdFont::TFontStyles(TvdFont::fsBold));
    EXPECT_EQ(memo->Report(), &back);
    EXPECT_TRUE(back.DotMatrixReport());
    EXPECT_EQ(back.ScriptText(), r.ScriptText());
    EXPECT_EQ(back.Variables()->Count(), 2) << first.constData();

    const QByteArray second = saveBytes(back);
    TvdxReport third;
    ASSERT_TRUE(loadBytes(third, second));
    EXPECT_EQ(saveBytes(third), second);
}

TEST_F(ReportTemplate, FixtureLoadsAndSavesByteForByte)
{
    const QByteArray bytes = vdtest::readFile(vdtest::dataPath(QStringLiteral("report/sample.vd3")));
    ASSERT_FALSE(bytes.isEmpty());
    TvdxReport r;
    ASSERT_TRUE(loadBytes(r, bytes)) << r.ErrorMessage().toStdString();
    EXPECT_TRUE(r.Errors().isEmpty()) << r.ErrorMessage().toStdString();
    EXPECT_EQ(saveBytes(r).toStdString(), bytes.toStdString());
    ASSERT_TRUE(r.Styles());
    EXPECT_EQ(r.Styles()->Count(), 2);
    EXPECT_EQ(r.Styles()->Find(QStringLiteral("title"))->Color(), TColor(16711680));
}

namespace {

TvdxTplBoxView *boxOn(TvdxBand *band, const QString &name)
{
    auto *v = new TvdxTplBoxView(band);
    v->SetName(name);
    v->SetBounds(3.77953, 0, 94.48825, 18.89765);
    return v;
}

TvdxBand *bandOf(TvdxReport &r)
{
    auto *page = new TvdxReportPage(&r);
    page->SetName(QStringLiteral("Page1"));
    auto *band = new TvdxBand(page);
    band->SetName(QStringLiteral("Band1"));
    band->SetBounds(0, 18.89765, 718.1107, 22.67718);
    return band;
}

QByteArray lineOf(const QByteArray &bytes, const char *name)
{
    const qsizetype at = bytes.indexOf(QByteArray("Name=\"") + name + '"');
    if (at < 0)
        return {};
    const qsizetype from = bytes.lastIndexOf('<', at);
    return bytes.mid(from, bytes.indexOf('>', at) - from);
}

// The bytes once more after a load; the loader adds the data page in front,
// so that line is left out.
QByteArray savedAfterLoad(const QByteArray &bytes)
{
    TvdxReport back;
    if (!loadBytes(back, bytes) || !back.Errors().isEmpty())
        return QByteArray("load failed: ") + back.ErrorMessage().toUtf8();
    QByteArray out = saveBytes(back);
    const qsizetype at = out.indexOf("  <TvdxDataPage ");
    if (at >= 0)
        out.remove(at, out.indexOf('\n', at) + 1 - at);
    return out;
}

} // namespace

TEST_F(ReportTemplate, FillsFramesAndFontsSaveUnchangedAfterLoad)
{
    TvdxReport r;
    TvdxBand *band = bandOf(r);
    TvdxTplBoxView *grad = boxOn(band, QStringLiteral("Grad1"));
    grad->SetFillType(TvdxCustomFill::ftGradient);
    auto *g = qobject_cast<TvdxGradientFill *>(grad->Fill());
    ASSERT_TRUE(g);
    g->SetStartColor(255);
    g->SetEndColor(65280);
    grad->Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(0xF));
    grad->Frame()->SetWidth(2);
    grad->Frame()->LeftLine()->SetColor(16711680);
    grad->Font()->SetStyle(TvdFont::fsItalic);
    grad->Font()->SetSize(14);
    TvdxTplBoxView *glass = boxOn(band, QStringLiteral("Glass1"));
    glass->SetFillType(TvdxCustomFill::ftGlass);
    glass->SetColor(128);
    glass->Frame()->SetDropShadow(true);
    glass->Hyperlink()->SetValue(QStringLiteral("https://example.org/a"));
    glass->Processing()->SetProcessAt(TvdxObjectProcessing::paReportFinished);
    TvdxTplBoxView *brush = boxOn(band, QStringLiteral("Brush1"));
    brush->SetColor(65535);
    brush->SetBrushStyle(TvdxCustomFill::bsCross);
    boxOn(band, QStringLiteral("Plain1"));

    const QByteArray first = saveBytes(r);
    for (const char *part : {"Fill.StartColor=\"255\"", "Frame.LeftLine.Color=\"16711680\"", "Font.Style=\"2\"",
                             "Frame.DropShadow=\"True\"", "Hyperlink.Value=", "Processing.ProcessAt=",
                             "Fill.Style=\"bsCross\""})
        EXPECT_TRUE(first.contains(part)) << part << "\n" << first.constData();

    EXPECT_EQ(savedAfterLoad(first).toStdString(), first.toStdString());
    TvdxReport back;
    ASSERT_TRUE(loadBytes(back, first)) << back.ErrorMessage().toStdString();
    auto *brushBack = qobject_cast<TvdxTplBoxView *>(back.FindObject(QStringLiteral("Brush1")));
    ASSERT_TRUE(brushBack);
    EXPECT_EQ(brushBack->Color(), TColor(65535));
    EXPECT_EQ(brushBack->BrushStyle(), TvdxCustomFill::bsCross);
    auto *glassBack = qobject_cast<TvdxTplBoxView *>(back.FindObject(QStringLiteral("Glass1")));
    ASSERT_TRUE(glassBack);
    EXPECT_TRUE(glassBack->IsPostProcessAllowed());
    EXPECT_GT(glassBack->ShadowSize(), 0);
}

TEST_F(ReportTemplate, UntouchedViewReportsAndSavesTheDefaults)
{
    TvdxReport r;
    TvdxTplBoxView *v = boxOn(bandOf(r), QStringLiteral("Box1"));
    const QByteArray untouched = saveBytes(r);
    // Asked for but left alone, the parts save as if never asked for.
    EXPECT_EQ(v->FillType(), TvdxCustomFill::ftBrush);
    EXPECT_EQ(v->BrushStyle(), TvdxCustomFill::bsSolid);
    EXPECT_EQ(v->Color(), TColor(clNone));
    EXPECT_EQ(v->Frame()->Typ(), TvdxFrame::TvdxFrameTypes());
    EXPECT_DOUBLE_EQ(v->Frame()->Width(), 1);
    EXPECT_EQ(v->ShadowSize(), 0);
    EXPECT_TRUE(v->Hyperlink()->Value().isEmpty());
    EXPECT_FALSE(v->IsPostProcessAllowed());
    EXPECT_EQ(v->DataSet(), nullptr);
    EXPECT_TRUE(v->DataSetName().isEmpty());
    EXPECT_EQ(saveBytes(r).toStdString(), untouched.toStdString());
    EXPECT_FALSE(lineOf(untouched, "Box1").contains("Fill.")) << untouched.constData();
    EXPECT_FALSE(lineOf(untouched, "Box1").contains("Hyperlink.")) << untouched.constData();
    EXPECT_FALSE(lineOf(untouched, "Box1").contains("Frame.Width")) << untouched.constData();

    EXPECT_EQ(savedAfterLoad(untouched).toStdString(), untouched.toStdString());
    TvdxReport back;
    ASSERT_TRUE(loadBytes(back, untouched));
    auto *b = qobject_cast<TvdxTplBoxView *>(back.FindObject(QStringLiteral("Box1")));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Color(), TColor(clNone));
    EXPECT_EQ(b->Frame()->Typ(), TvdxFrame::TvdxFrameTypes());
    EXPECT_EQ(b->Processing()->ProcessAt(), TvdxObjectProcessing::paDefault);
}

TEST_F(ReportTemplate, ChangingOneViewsPartsLeavesTheOthersDefault)
{
    TvdxReport r;
    TvdxBand *band = bandOf(r);
    TvdxTplBoxView *a = boxOn(band, QStringLiteral("BoxA"));
    TvdxTplBoxView *b = boxOn(band, QStringLiteral("BoxB"));
    TvdxTplBoxView *c = boxOn(band, QStringLiteral("BoxC"));
    // b's parts exist before a's change, c's only after it.
    b->Fill();
    b->Frame();
    a->SetColor(255);
    a->Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(0x3));
    a->Frame()->SetWidth(3);
    a->Hyperlink()->SetValue(QStringLiteral("x"));
    a->Processing()->SetProcessAt(TvdxObjectProcessing::paPageFinished);
    for (TvdxTplBoxView *other : {b, c}) {
        SCOPED_TRACE(other->Name().toStdString());
        EXPECT_NE(other->Fill(), a->Fill());
        EXPECT_EQ(other->Color(), TColor(clNone));
        EXPECT_EQ(other->Frame()->Typ(), TvdxFrame::TvdxFrameTypes());
        EXPECT_DOUBLE_EQ(other->Frame()->Width(), 1);
        EXPECT_TRUE(other->Hyperlink()->Value().isEmpty());
        EXPECT_FALSE(other->IsPostProcessAllowed());
    }
    const QByteArray bytes = saveBytes(r);
    EXPECT_TRUE(lineOf(bytes, "BoxA").contains("Frame.Width=\"3\"")) << bytes.constData();
    EXPECT_EQ(lineOf(bytes, "BoxB").mid(lineOf(bytes, "BoxB").indexOf(' ')),
              lineOf(bytes, "BoxC").mid(lineOf(bytes, "BoxC").indexOf(' ')).replace("BoxC", "BoxB"));
    for (const char *part : {"Fill.", "Frame.Width", "Hyperlink.", "Processing."})
        EXPECT_FALSE(lineOf(bytes, "BoxC").contains(part)) << part << "\n" << bytes.constData();
}

TEST_F(ReportTemplate, BandPartsAreMadeWhenAskedForAndSaveUnchanged)
{
    TvdxReport r;
    TvdxBand *plain = bandOf(r);
    auto *framed = new TvdxBand(plain->Parent());
    framed->SetName(QStringLiteral("Band2"));
    framed->SetBounds(0, 60, 718.1107, 22.67718);
    const QByteArray untouched = saveBytes(r);
    for (const char *part : {"Fill.", "Frame.Width", "FillGap."})
        EXPECT_FALSE(lineOf(untouched, "Band1").contains(part)) << part << "\n" << untouched.constData();

    // Asked for but left alone, or set to what they are, the parts save as if never made.
    EXPECT_EQ(plain->FillType(), TvdxCustomFill::ftBrush);
    plain->SetFillType(TvdxCustomFill::ftBrush);
    EXPECT_EQ(plain->Frame()->Typ(), TvdxFrame::TvdxFrameTypes());
    EXPECT_EQ(plain->FillGap()->Left(), 0);
    EXPECT_EQ(saveBytes(r).toStdString(), untouched.toStdString());

    framed->SetFillType(TvdxCustomFill::ftGradient);
    auto *g = qobject_cast<TvdxGradientFill *>(framed->Fill());
    ASSERT_TRUE(g);
    g->SetStartColor(255);
    framed->Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(0x5));
    framed->Frame()->SetWidth(2);
    framed->FillGap()->SetTop(3);
    const QByteArray set = saveBytes(r);
    for (const char *part : {"FillType=\"ftGradient\"", "Fill.StartColor=\"255\"", "Frame.Width=\"2\"", "FillGap.Top=\"3\""})
        EXPECT_TRUE(lineOf(set, "Band2").contains(part)) << part << "\n" << set.constData();
    EXPECT_EQ(lineOf(set, "Band1").toStdString(), lineOf(untouched, "Band1").toStdString());
    EXPECT_EQ(savedAfterLoad(set).toStdString(), set.toStdString());

    TvdxReport back;
    ASSERT_TRUE(loadBytes(back, set)) << back.ErrorMessage().toStdString();
    auto *b2 = qobject_cast<TvdxBand *>(back.FindObject(QStringLiteral("Band2")));
    ASSERT_TRUE(b2);
    EXPECT_EQ(b2->FillType(), TvdxCustomFill::ftGradient);
    EXPECT_DOUBLE_EQ(b2->Frame()->Width(), 2);
    EXPECT_EQ(b2->FillGap()->Top(), 3);
    auto *b1 = qobject_cast<TvdxBand *>(back.FindObject(QStringLiteral("Band1")));
    ASSERT_TRUE(b1);
    b1->CreateFillMemo();
    EXPECT_EQ(b1->FillMemo(), nullptr);
    b2->CreateFillMemo();
    ASSERT_TRUE(b2->FillMemo());
    EXPECT_EQ(b2->FillMemo()->FillType(), TvdxCustomFill::ftGradient);
    EXPECT_DOUBLE_EQ(double(b2->FillMemo()->Top()), 3);
}

TEST_F(ReportTemplate, NestedItemsComeBeforeThePages)
{
    const QByteArray bytes = vdtest::readFile(vdtest::dataPath(QStringLiteral("report/sample.vd3")));
    TvdxReport r;
    ASSERT_TRUE(loadBytes(r, bytes));
    const QByteArray out = saveBytes(r);
    const qsizetype vars = out.indexOf("<Variables"), styles = out.indexOf("<Styles"),
                    page = out.indexOf("<TvdxDataPage");
    ASSERT_GT(vars, 0);
    ASSERT_GT(styles, 0);
    EXPECT_LT(vars, styles);
    EXPECT_LT(styles, page);
}

TEST_F(ReportTemplate, DataPageIsAddedUnderAFreeName)
{
    struct Case {
        const char *body;
        const char *expected;
    };
    const Case cases[] = {
        {"<TvdxReportPage Name=\"Page1\"/>", "Data"},
        {"<TvdxReportPage Name=\"Data\"/>", "DataPage1"},
    };
    for (const Case &c : cases) {
        TvdxReport r;
        const QByteArray xml = QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?><TvdxReport>") + c.body
                               + "</TvdxReport>";
        ASSERT_TRUE(loadBytes(r, xml)) << r.ErrorMessage().toStdString();
        ASSERT_EQ(r.PagesCount(), 2);
        EXPECT_TRUE(qobject_cast<TvdxDataPage *>(r.Pages(0)));
        EXPECT_EQ(r.Pages(0)->Name(), QString::fromLatin1(c.expected));
    }
}

TEST_F(ReportTemplate, DialogComponentsMoveOntoTheNewDataPage)
{
    TvdxReport r;
    const QByteArray xml = "<?xml version=\"1.0\"?><TvdxReport><TvdxReportPage Name=\"Page1\">"
                           "<TvdxUserDataSet Name=\"A\" UserName=\"A\"/><TvdxUserDataSet Name=\"B\" UserName=\"B\"/>"
                           "</TvdxReportPage></TvdxReport>";
    ASSERT_TRUE(loadBytes(r, xml)) << r.ErrorMessage().toStdString();
    TvdxPage *data = r.Pages(0);
    ASSERT_TRUE(qobject_cast<TvdxDataPage *>(data));
    ASSERT_EQ(data->Objects().Count(), 2);
    EXPECT_EQ(data->Objects()[0]->Name(), QStringLiteral("A"));
    EXPECT_DOUBLE_EQ(double(data->Objects()[0]->Left()), 60);
    EXPECT_DOUBLE_EQ(double(data->Objects()[1]->Left()), 124);
    EXPECT_DOUBLE_EQ(double(data->Objects()[1]->Top()), 20);
    EXPECT_EQ(r.Pages(1)->Objects().Count(), 0);
}

TEST_F(ReportTemplate, VersionIsAlwaysCurrent)
{
    TvdxReport r;
    ASSERT_TRUE(loadBytes(r, "<?xml version=\"1.0\"?><TvdxReport Version=\"5.1\"/>"));
    EXPECT_EQ(r.Version(), QStringLiteral("2023.2"));
}

TEST_F(ReportTemplate, BadTemplatesGiveErrorLinesAndNoCrash)
{
    struct Case {
        QByteArray xml;
        const char *errorPart; // expected within the error list
        bool loaded;
    };
    const Case cases[] = {
        {"<?xml version=\"1.0\"?><TvdxReport><TvdxNoSuchView Name=\"A\"/></TvdxReport>", "TvdxNoSuchView", true},
        {"<?xml version=\"1.0\"?><TvdxReport><TvdxReportPage Name=\"P\"/><TvdxReportPage Name=\"P\"/></TvdxReport>",
         "Duplicate name P (read as P1)", true},
        {"<?xml version=\"1.0\"?><TvdxReport><TvdxReportPage Name=\"1P\"/></TvdxReport>",
         "''1P'' is not a valid component name", true},
        {"<?xml version=\"1.0\"?><TvdxReport DotMatrixReport=\"maybe\" ShowProgress=\"7\"/>", "", true},
        {"<?xml version=\"1.0\"?><TvdxReport><TvdxReportPage Name=\"P\"", "", false},
        {"not xml at all", "", false},
    };
    for (const Case &c : cases) {
        TvdxReport r;
        const bool ok = loadBytes(r, c.xml);
        if (!c.loaded) {
            EXPECT_FALSE(ok) << c.xml.constData();
            EXPECT_FALSE(r.Errors().isEmpty()) << c.xml.constData();
        }
        if (*c.errorPart) {
            EXPECT_TRUE(r.ErrorMessage().contains(QString::fromLatin1(c.errorPart))) << r.ErrorMessage().toStdString();
        }
        if (!r.Errors().isEmpty()) {
            EXPECT_TRUE(r.ErrorMessage().startsWith(QStringLiteral("The following error(s) have occured:\r\n")));
        }
        EXPECT_TRUE(qobject_cast<TvdxDataPage *>(r.Pages(0)));
    }
}

TEST_F(ReportTemplate, FilesLoadAndSave)
{
    vdtest::TempDir dir;
    TvdxReport r;
    buildSample(r);
    const QString path = dir.file(QStringLiteral("a.vd3"));
    r.SaveToFile(path);
    TvdxReport back;
    EXPECT_TRUE(back.LoadFromFile(path));
    EXPECT_EQ(back.FileName(), path);
    EXPECT_TRUE(back.FindObject(QStringLiteral("Inner1")));

    // Missing file: false, empty report, no file name.
    EXPECT_FALSE(back.LoadFromFile(dir.file(QStringLiteral("missing.vd3"))));
    EXPECT_TRUE(back.FileName().isEmpty());
    EXPECT_EQ(back.PagesCount(), 0);
    EXPECT_THROW(back.LoadFromFile(dir.file(QStringLiteral("missing.vd3")), true), Exception);

    // A corrupt file exists but does not load.
    const QString bad = dir.file(QStringLiteral("bad.vd3"));
    ASSERT_TRUE(vdtest::writeFile(bad, "<?xml version=\"1.0\"?><TvdxReport><TvdxReportPage"));
    EXPECT_FALSE(back.LoadFromFile(bad));
    EXPECT_FALSE(back.Errors().isEmpty());
}

TEST_F(ReportTemplate, PasswordIsStoredShifted)
{
    TvdxReport r;
    r.ReportOptions()->SetPassword(QStringLiteral("abc"));
    const QByteArray bytes = saveBytes(r);
    EXPECT_TRUE(bytes.contains("ReportOptions.Password=\"WXY\"")) << bytes.constData();
    EXPECT_EQ(r.ReportOptions()->Password(), QStringLiteral("abc"));

    // The application knows the password: no question, the text comes back.
    TvdxReport known;
    known.ReportOptions()->SetHiddenPassword(QStringLiteral("abc"));
    ASSERT_TRUE(loadBytes(known, bytes));
    EXPECT_EQ(known.ReportOptions()->Password(), QStringLiteral("abc"));
    EXPECT_TRUE(known.Errors().isEmpty());

    // Nobody enters it (headless): the report is cleared with the message.
    TvdxReport unknown;
    unknown.SetSilentMode(1);
    loadBytes(unknown, bytes);
    EXPECT_EQ(unknown.Errors(), QStringList{QStringLiteral("Invalid password")});
    EXPECT_EQ(unknown.PagesCount(), 0);
}

TEST_F(ReportTemplate, OptionsAreDottedAttributes)
{
    TvdxReport r;
    r.ReportOptions()->SetAuthor(QStringLiteral("Ann"));
    r.PrintOptions()->SetCopies(3);
    r.EngineOptions()->SetDoublePass(true);
    const QByteArray bytes = saveBytes(r);
    EXPECT_TRUE(bytes.contains("ReportOptions.Author=\"Ann\""));
    EXPECT_TRUE(bytes.contains("PrintOptions.Copies=\"3\""));
    EXPECT_TRUE(bytes.contains("EngineOptions.DoublePass=\"True\""));
    TvdxReport back;
    ASSERT_TRUE(loadBytes(back, bytes));
    EXPECT_EQ(back.ReportOptions()->Author(), QStringLiteral("Ann"));
    EXPECT_EQ(back.PrintOptions()->Copies(), 3);
    EXPECT_TRUE(back.EngineOptions()->DoublePass());
}

TEST_F(ReportTemplate, DataSetsOfTheTemplate)
{
    TvdxReport r;
    r.CheckDataPage();
    auto *ds = new TvdxUserDataSet(r.Pages(0));
    ds->SetName(QStringLiteral("UserDS1"));
    ds->SetUserName(QStringLiteral("Users"));
    r.DataSets()->Add(ds);
    r.SetDataSet(ds);
    const QByteArray bytes = saveBytes(r);
    EXPECT_TRUE(bytes.contains("<Datasets>")) << bytes.constData();
    EXPECT_LT(bytes.indexOf("<Datasets>"), bytes.indexOf("<TvdxDataPage"));

    TvdxReport back;
    ASSERT_TRUE(loadBytes(back, bytes)) << back.ErrorMessage().toStdString();
    ASSERT_EQ(back.DataSets()->Count(), 1);
    TvdxDataSet *loaded = back.DataSets()->GetItem(0)->DataSet();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->Report(), &back);
    EXPECT_EQ(back.GetDataset(QStringLiteral("users")), loaded);
    EXPECT_EQ(back.DataSetName(), QStringLiteral("Users"));
    TvdxDataSet *found = nullptr;
    QString field;
    back.GetDatasetAndField(QStringLiteral("Users.\"Name\""), found, field);
    EXPECT_EQ(found, loaded);
    EXPECT_EQ(field, QStringLiteral("Name"));

    QList<QPair<QString, TvdxDataSet *>> active;
    back.EngineOptions()->SetUseGlobalDataSetList(false);
    back.GetActiveDataSetList(active);
    EXPECT_TRUE(active.isEmpty());
    back.EnabledDataSets()->Add(loaded);
    back.GetActiveDataSetList(active);
    ASSERT_EQ(active.size(), 1);
    EXPECT_EQ(active[0].first, QStringLiteral("Users"));
    back.EnabledDataSets()->Clear();

    // A data set that goes leaves the list.
    delete loaded;
    EXPECT_EQ(back.DataSets()->Count(), 0);
}

TEST_F(ReportTemplate, DataSetNotOfferedNowStaysInTheTemplate)
{
    const QByteArray bytes = vdtest::readFile(vdtest::dataPath(QStringLiteral("report/sample.vd3")));
    TvdxReport r;
    r.EngineOptions()->SetUseGlobalDataSetList(false);
    ASSERT_TRUE(loadBytes(r, bytes));
    ASSERT_EQ(r.DataSets()->Count(), 1);
    EXPECT_EQ(r.DataSets()->GetItem(0)->DataSetName(), QStringLiteral("Customers"));
    EXPECT_TRUE(saveBytes(r).contains("<item DataSetName=\"Customers\"/>"));
}

TEST_F(ReportTemplate, ThreadSafeReportsReadUnderTheGlobalLock)
{
    TvdxReport r;
    buildSample(r);
    const QByteArray bytes = saveBytes(r);
    TvdxReport back;
    back.EngineOptions()->SetEnableThreadSafe(true);
    ASSERT_TRUE(loadBytes(back, bytes));
    EXPECT_TRUE(back.FindObject(QStringLiteral("Inner1")));
    EXPECT_TRUE(vdxGlobalLock().tryLock());
    vdxGlobalLock().unlock();
}

TEST_F(ReportTemplate, TransportsCarryTemplates)
{
    vdtest::TempDir dir;
    TvdxReport r;
    buildSample(r);
    TvdxIOTransportFile out(nullptr, true);
    out.BasePath = dir.path();
    EXPECT_TRUE(r.SaveToFilter(&out, dir.file(QStringLiteral("t.vd3"))));
    EXPECT_EQ(r.ProcessIOTransport(nullptr, QString(), faRead), false);
    TvdxIOTransportFile in(nullptr, true);
    TvdxReport back;
    EXPECT_TRUE(back.LoadFromFilter(&in, dir.file(QStringLiteral("t.vd3"))));
    EXPECT_TRUE(back.FindObject(QStringLiteral("Memo1")));
    EXPECT_EQ(in.Report(), nullptr);
}

TEST_F(ReportTemplate, PasswordEncoding)
{
    EXPECT_EQ(TvdxReport::EncodePassword(QStringLiteral("a")), QString(QChar(87)));
    const QString pw = QStringLiteral("S3cret\u00e9\u0005");
    EXPECT_EQ(TvdxReport::DecodePassword(TvdxReport::EncodePassword(pw)), pw);
}

TEST_F(ReportTemplate, SettingsStoreFollowsIniFile)
{
    vdtest::TempDir dir;
    vdSetSettingsRoot(dir.file(QStringLiteral("user")), dir.file(QStringLiteral("machine")));
    TvdxReport r;
    {
        auto ini = r.GetIniFile();
        ini->WriteString(QStringLiteral("Form5.TvdxDesigner"), QStringLiteral("Left"), QStringLiteral("10"));
    }
    EXPECT_TRUE(QFile::exists(vdSettingsFileName(r.IniFile())));
    const QString plain = dir.file(QStringLiteral("my.ini"));
    r.SetIniFile(plain);
    {
        auto ini = r.GetIniFile();
        ini->WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("V"));
    }
    EXPECT_TRUE(vdtest::readFile(plain).contains("K=V"));
    vdSetSettingsRoot(QString());
}

#include "ReportTemplateTest.moc"
