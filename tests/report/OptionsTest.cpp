// Report options: defaults, Clear and Assign rules, the connection lookup,
// and their storage as dotted attributes of the template.
#include "common/TestSupport.h"
#include "core/vdxXMLSerializer.h"
#include "platform/IniFile.h"
#include "platform/UiProvider.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"

#include <gtest/gtest.h>

namespace {

// Publishes the four option objects the way the report object does.
class OptionsHost : public TvdComponent {
    Q_OBJECT
    Q_PROPERTY(TvdxEngineOptions *EngineOptions READ EngineOptions WRITE SetEngineOptions)
    Q_PROPERTY(TvdxPreviewOptions *PreviewOptions READ PreviewOptions WRITE SetPreviewOptions)
    Q_PROPERTY(TvdxPrintOptions *PrintOptions READ PrintOptions WRITE SetPrintOptions)
    Q_PROPERTY(TvdxReportOptions *ReportOptions READ ReportOptions WRITE SetReportOptions)
public:
    Q_INVOKABLE explicit OptionsHost(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
    TvdxEngineOptions *EngineOptions() const { return &m_engine; }
    void SetEngineOptions(TvdxEngineOptions *v) { m_engine.Assign(v); }
    TvdxPreviewOptions *PreviewOptions() const { return &m_preview; }
    void SetPreviewOptions(TvdxPreviewOptions *v) { m_preview.Assign(v); }
    TvdxPrintOptions *PrintOptions() const { return &m_print; }
    void SetPrintOptions(TvdxPrintOptions *v) { m_print.Assign(v); }
    TvdxReportOptions *ReportOptions() const { return &m_report; }
    void SetReportOptions(TvdxReportOptions *v) { m_report.Assign(v); }

private:
    mutable TvdxEngineOptions m_engine;
    mutable TvdxPreviewOptions m_preview;
    mutable TvdxPrintOptions m_print;
    mutable TvdxReportOptions m_report;
};

} // namespace

TEST(Options, DefaultsAfterConstruction)
{
    TvdxEngineOptions e;
    EXPECT_TRUE(e.ConvertNulls());
    EXPECT_TRUE(e.DestroyForms());
    EXPECT_FALSE(e.DoublePass());
    EXPECT_EQ(e.MaxMemSize(), 10);
    EXPECT_TRUE(e.PrintIfEmpty());
    EXPECT_EQ(e.NewSilentMode(), TvdxEngineOptions::simMessageBoxes);
    EXPECT_TRUE(e.UseGlobalDataSetList());
    EXPECT_EQ(e.ZeroPrecisionValue(), 1e-17L);

    TvdxPreviewOptions p;
    EXPECT_EQ(int(p.Buttons()), TvdxPreviewOptions::kDefaultButtons);
    EXPECT_FALSE(p.Buttons().testFlag(TvdxPreviewOptions::pbNoClose));
    EXPECT_EQ(p.OutlineWidth(), 120);
    EXPECT_EQ(p.PagesInCache(), 50);
    EXPECT_EQ(p.Zoom(), 1);
    EXPECT_TRUE(p.Modal());

    TvdxPrintOptions pr;
    EXPECT_EQ(pr.Printer(), "Default");
    EXPECT_EQ(pr.Copies(), 1);
    EXPECT_EQ(pr.SplicingLine(), 3);
    EXPECT_TRUE(pr.ShowDialog());

    TvdxReportOptions r;
    EXPECT_GT(r.CreateDate(), 40000);
    EXPECT_EQ(r.CreateDate(), r.LastChange());
    EXPECT_FALSE(r.Info());
}

TEST(Options, SilentModeIsAViewOfNewSilentMode)
{
    TvdxEngineOptions e;
    e.SetSilentMode(true);
    EXPECT_EQ(e.NewSilentMode(), TvdxEngineOptions::simSilent);
    e.SetNewSilentMode(TvdxEngineOptions::simReThrow);
    EXPECT_FALSE(e.SilentMode());
    EXPECT_EQ(e.ReportErrorMode(), ::simReThrow);
    e.SetSilentMode(false);
    EXPECT_EQ(e.NewSilentMode(), TvdxEngineOptions::simMessageBoxes);
}

TEST(Options, ClearKeepsWhatANewTemplateInherits)
{
    TvdxEngineOptions e;
    e.SetConvertNulls(false);
    e.SetMaxMemSize(99);
    e.SetTempDir("/tmp/x");
    e.Clear();
    EXPECT_TRUE(e.ConvertNulls());
    EXPECT_EQ(e.MaxMemSize(), 99);
    EXPECT_EQ(e.TempDir(), "/tmp/x");

    TvdxPreviewOptions p;
    p.SetZoom(2);
    p.SetOutlineWidth(10);
    p.Clear();
    EXPECT_EQ(p.Zoom(), 2);
    EXPECT_EQ(p.OutlineWidth(), 120);

    TvdxPrintOptions pr;
    pr.SetSwapPageSize(true);
    pr.SetPrnOutFileName("out.prn");
    pr.SetCopies(4);
    pr.Clear();
    EXPECT_TRUE(pr.SwapPageSize());
    EXPECT_EQ(pr.PrnOutFileName(), "out.prn");
    EXPECT_EQ(pr.Copies(), 1);

    TvdxReportOptions r;
    r.SetAuthor("Ann");
    r.SetDescription({"About"});
    r.SetPassword("secret");
    r.SetHiddenPassword("app");
    r.SetInfo(true);
    r.Clear();
    EXPECT_EQ(r.Author(), "Ann");
    EXPECT_EQ(r.Description(), QStringList({"About"}));
    EXPECT_TRUE(r.Password().isEmpty());
    EXPECT_EQ(r.HiddenPassword(), "app");
    r.SetInfo(false);
    r.Clear();
    EXPECT_TRUE(r.Author().isEmpty());
    EXPECT_TRUE(r.Description().isEmpty());
}

TEST(Options, AssignCopiesItsOwnListOnly)
{
    TvdxEngineOptions e1, e2;
    e1.SetEnableThreadSafe(true);
    e1.SetDoublePass(true);
    e1.SetUseGlobalDataSetList(false);
    e2.Assign(&e1);
    EXPECT_TRUE(e2.DoublePass());
    EXPECT_FALSE(e2.EnableThreadSafe());
    EXPECT_TRUE(e2.UseGlobalDataSetList());
    TvdxEngineOptions e3;
    e3.AssignThreadProps(&e1);
    EXPECT_TRUE(e3.EnableThreadSafe());
    EXPECT_FALSE(e3.UseGlobalDataSetList());
    EXPECT_FALSE(e3.DoublePass());

    TvdxPrintOptions p1, p2;
    p1.SetDuplex(TvdxPrintOptions::dmVertical);
    p1.SetSwapPageSize(true);
    p1.SetCopies(3);
    p1.SetSplicingLine(7);
    p2.Assign(&p1);
    EXPECT_EQ(p2.Duplex(), TvdxPrintOptions::dmNone);
    EXPECT_FALSE(p2.SwapPageSize());
    EXPECT_EQ(p2.Copies(), 3);
    EXPECT_EQ(p2.SplicingLine(), 7);
    p2.Assign(&e1); // another class: ignored
    EXPECT_EQ(p2.Copies(), 3);

    TvdxReportOptions r1, r2;
    r1.SetName("Sales");
    r1.SetPrevPassword("old");
    r1.SetInfo(true);
    r2.Assign(&r1);
    EXPECT_EQ(r2.Name(), "Sales");
    EXPECT_TRUE(r2.PrevPassword().isEmpty());
    EXPECT_FALSE(r2.Info());
}

TEST(Options, TravelWithTheTemplateAsDottedAttributes)
{
    OptionsHost host;
    host.EngineOptions()->SetDoublePass(true);
    host.EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simReThrow);
    host.PreviewOptions()->SetButtons(TvdxPreviewOptions::TvdxPreviewButtons(TvdxPreviewOptions::pbPrint |
                                                                             TvdxPreviewOptions::pbZoom));
    host.PreviewOptions()->SetZoomMode(TvdxPreviewOptions::zmPageWidth);
    host.PrintOptions()->SetCopies(2);
    host.ReportOptions()->SetAuthor("Ann \"A\"");
    host.ReportOptions()->SetDescription({"line 1", "line 2"});
    host.ReportOptions()->SetCreateDate(45000.25);

    TvdxXMLSerializer s;
    const QString xml = s.ObjToXML(&host);
    for (const char *part : {" EngineOptions.DoublePass=\"True\"", " EngineOptions.NewSilentMode=\"simReThrow\"",
                             " PreviewOptions.Buttons=\"17\"", " PreviewOptions.ZoomMode=\"zmPageWidth\"",
                             " PrintOptions.Copies=\"2\"", " PrintOptions.Printer=\"Default\"",
                             " ReportOptions.Author=\"Ann &#34;A&#34;\"",
                             " ReportOptions.Description.Text=\"line 1&#13;&#10;line 2\"",
                             " ReportOptions.CreateDate=\"45000.25\""})
        EXPECT_TRUE(xml.contains(QLatin1String(part))) << part << "\n" << xml.toStdString();
    // Defaults are left out; SilentMode is not stored beside NewSilentMode.
    EXPECT_FALSE(xml.contains("EngineOptions.ConvertNulls")) << xml.toStdString();
    EXPECT_FALSE(xml.contains(".SilentMode=")) << xml.toStdString();
    EXPECT_FALSE(xml.contains("PreviewOptions.OutlineWidth")) << xml.toStdString();

    OptionsHost back;
    s.XMLToObj(xml, &back);
    EXPECT_TRUE(s.Errors().isEmpty()) << s.Errors().join('\n').toStdString();
    EXPECT_TRUE(back.EngineOptions()->DoublePass());
    EXPECT_EQ(back.EngineOptions()->NewSilentMode(), TvdxEngineOptions::simReThrow);
    EXPECT_EQ(int(back.PreviewOptions()->Buttons()), 17);
    EXPECT_EQ(back.PreviewOptions()->ZoomMode(), TvdxPreviewOptions::zmPageWidth);
    EXPECT_EQ(back.PrintOptions()->Copies(), 2);
    EXPECT_EQ(back.ReportOptions()->Author(), "Ann \"A\"");
    EXPECT_EQ(back.ReportOptions()->Description(), QStringList({"line 1", "line 2"}));
    EXPECT_DOUBLE_EQ(back.ReportOptions()->CreateDate(), 45000.25);
}

TEST(Options, ConnectionStringsFromTheSettingsInOrder)
{
    vdtest::TempDir dir;
    vdSetSettingsRoot(dir.file("user"), dir.file("machine"));
    {
        auto m = vdCreateSettingsStore("\\Software\\Quennet", TvdSettingsScope::LocalMachine);
        m->WriteString("Connections", "Main", "machine-main");
        m->WriteString("ConnectionsAlt", "Main", "machine-alt");
        auto u = vdCreateSettingsStore("\\Software\\Quennet", TvdSettingsScope::CurrentUser);
        u->WriteString("Connections", "Main", "user-main");
    }
    TvdxReportOptions r;
    QStringList got;
    r.SetConnectionName("Main"); // no handler: only stored
    EXPECT_EQ(r.ConnectionName(), "Main");
    r.OnSetConnection = [&](const QString &s) { got << s; };
    r.SetConnectionName("main");
    EXPECT_EQ(got, QStringList({"machine-main", "user-main", "machine-alt"}));
    got.clear();
    r.SetConnectionName("Other");
    EXPECT_TRUE(got.isEmpty());
    vdSetSettingsRoot(QString());
}

TEST(Options, PasswordCheck)
{
    TvdxReport report;
    TvdxReportOptions r(&report);
    r.ErrorMode = ::simSilent;
    EXPECT_TRUE(r.CheckPassword());
    r.SetPassword("pw");
    r.SetHiddenPassword("pw");
    EXPECT_TRUE(r.CheckPassword());
    r.SetHiddenPassword(QString());
    HeadlessUiProvider ui;
    ui.QueueText("wrong");
    {
        TvdScopedUiProvider scope(&ui);
        EXPECT_FALSE(r.CheckPassword());
    }
    EXPECT_TRUE(report.Errors().contains("Invalid password"));
    ui.QueueText("pw");
    {
        TvdScopedUiProvider scope(&ui);
        EXPECT_TRUE(r.CheckPassword());
    }
    EXPECT_EQ(r.PrevPassword(), "pw");
    EXPECT_TRUE(r.CheckPassword()); // accepted once, not asked again
}

#include "OptionsTest.moc"
