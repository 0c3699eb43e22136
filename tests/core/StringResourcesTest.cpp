#include "core/vdResources.h"
#include "core/vdxRes.h"
#include "common/TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class CountingListener : public IvdStringResourcesChangedListener {
public:
    void StringResourcesChanged(TvdStringResources *) override { ++calls; }
    int calls = 0;
};

void loadFixture(TvdStringResources &res, const char *name)
{
    QFile f(vdtest::dataPath(QStringLiteral("res/") + QLatin1String(name)));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    res.LoadFromStream(f);
}

TEST(StringResources, EnglishLookups)
{
    TvdStringResources *res = GetResources();
    EXPECT_EQ(res->Language(), "English");
    struct Case { const char *key; const char *text; };
    const Case cases[] = {
        {"clErrors", "The following error(s) have occured:"},
        {"mbError", "Error"},
        {"mbConfirm", "Confirm"},
        {"mbInfo", "Information"},
        {"xrCantFindClass", "Cannot find class"},
        {"clDecompressError", "Stream decompress error"},
        {"2478", "Add child band"},          // stored with a leading "!"
        {"noSuchKey", "noSuchKey"},          // a missing key answers itself
        {"!noSuchKey", "noSuchKey"},         // ... without one leading "!"
        {"!!twice", "!twice"},
        {"", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(res->Get(QString::fromUtf8(c.key)), QString::fromUtf8(c.text)) << c.key;
    EXPECT_EQ(res->Get(2), "Cancel");
    EXPECT_EQ(GetResStr(2000), "2000"); // not quoted anywhere: the key comes back
    EXPECT_EQ(GetResStrByName("clErrors"), res->Get("clErrors"));
    EXPECT_EQ(res->CodePage(), 1252);
}

// Every key whose English text the design quotes is in the embedded documents.
TEST(StringResources, QuotedKeysArePresent)
{
    const QString listing = QString::fromUtf8(vdtest::readFile(vdtest::dataPath("res/quoted-keys.txt")));
    TvdStringResources *res = GetResources();
    int checked = 0;
    QStringList wrong;
    for (const QString &line : listing.split(QLatin1Char('\n'))) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int tab = line.indexOf(QLatin1Char('\t'));
        ASSERT_GT(tab, 0) << line.toStdString();
        const QString key = line.left(tab);
        QString text = line.mid(tab + 1);
        if (text.startsWith(QLatin1Char('!')))
            text.remove(0, 1);
        if (!res->Contains(key) || res->Get(key) != text)
            wrong << key;
        ++checked;
    }
    EXPECT_GT(checked, 400);
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(", ").toStdString();
}

TEST(StringResources, LaterDocumentsOverrideAndTextsAreUnescapedTwice)
{
    TvdStringResources res;
    loadFixture(res, "first.xml");
    loadFixture(res, "second.xml");
    EXPECT_EQ(res.Get("K1"), "second");
    EXPECT_EQ(res.Get("K2"), "keep");        // an empty text replaces nothing
    EXPECT_EQ(res.Get("K3"), "<b> &lt;");    // an escaped ampersand is not examined again
    EXPECT_EQ(res.Get("K4"), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_FALSE(res.Contains("K9"));
    loadFixture(res, "oldstyle.xml");         // attribute text read through the ANSI code page
    EXPECT_EQ(res.Get("K5"), QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac"));
}

TEST(StringResources, BadDocuments)
{
    TvdStringResources res;
    CountingListener listener;
    res.AddListener(&listener);
    {
        QFile f(vdtest::dataPath("res/bad-codepage.xml"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_THROW(res.LoadFromStream(f), EConvertError);
    }
    EXPECT_FALSE(res.Contains("K6"));
    EXPECT_FALSE(res.IsUpdateLocked());
    loadFixture(res, "other-root.xml");
    EXPECT_FALSE(res.Contains("K7"));
    EXPECT_EQ(listener.calls, 0);
    QByteArray junk("not xml at all");
    QBuffer buf(&junk);
    buf.open(QIODevice::ReadOnly);
    EXPECT_ANY_THROW(res.LoadFromStream(buf));
    EXPECT_FALSE(res.IsUpdateLocked());
    res.LoadFromFile(vdtest::dataPath("res/no-such-file.xml")); // nothing happens
    EXPECT_THROW(res.AddFormResource("NoSuchResource"), EResNotFound);
}

TEST(StringResources, NotificationsAreHeldWhileLocked)
{
    TvdStringResources res;
    CountingListener a, b;
    res.AddListener(&a);
    res.AddListener(&b);
    res.AddOrSet("x", "1");
    EXPECT_EQ(a.calls, 1);
    res.AddOrSet("", "1");
    res.AddOrSet("y", "");
    EXPECT_EQ(a.calls, 1);
    res.AddStrings({"k1=v1", "no separator", "k2=a=b"});
    EXPECT_EQ(a.calls, 2);
    EXPECT_EQ(res.Get("k2"), "a=b");
    EXPECT_FALSE(res.Contains("no separator"));
    res.BeginUpdate();
    res.BeginUpdate();
    res.AddOrSet("z", "1");
    res.EndUpdate();
    EXPECT_EQ(a.calls, 2);
    res.EndUpdate();
    EXPECT_EQ(a.calls, 3);
    loadFixture(res, "first.xml");
    EXPECT_EQ(a.calls, 4);
    res.RemoveListener(&a);
    res.Clear();
    EXPECT_EQ(a.calls, 4);
    EXPECT_EQ(b.calls, 5);
    EXPECT_EQ(res.Count(), 0);
    res.AddXML(QByteArray("<?xml version=\"1.1\" standalone=\"yes\"?><Resources CodePage=\"1252\">"
                          "<StrRes Name=\"A\" Text=\"na\xefve\"/></Resources>"));
    EXPECT_EQ(res.Get("A"), QString::fromUtf8("na\xc3\xafve"));
}

int g_testishRuns = 0;
void applyTestish(TvdStringResources *res)
{
    ++g_testishRuns;
    res->AddOrSet("clErrors", "Fehler:");
    res->AddOrSet("testishOnly", "nur hier");
}

int g_englishExtraRuns = 0;
void applyEnglishExtra(TvdStringResources *res)
{
    ++g_englishExtraRuns;
    res->AddOrSet("englishExtra", "extra");
}

TEST(StringResources, LanguageSwitchingTellsListeners)
{
    TvdStringResources *res = GetResources();
    QString scriptMessages[17];
    std::array<QString *, 17> targets;
    for (int i = 0; i < 17; ++i) {
        scriptMessages[i] = "built-in";
        targets[i] = &scriptMessages[i];
    }
    vdxSetScriptMessageTargets(targets);
    CountingListener listener;
    res->AddListener(&listener);

    TvdStringResources::Register("Testish", &applyTestish);
    EXPECT_EQ(g_testishRuns, 0); // not the current language
    EXPECT_TRUE(TvdStringResources::RegistredLanguages().contains("Testish"));
    EXPECT_EQ(scriptMessages[0], "built-in");

    res->SetLanguage("Testish");
    EXPECT_EQ(g_testishRuns, 1);
    EXPECT_EQ(listener.calls, 1);
    EXPECT_EQ(res->Get("clErrors"), "Fehler:");
    EXPECT_EQ(res->Get("mbError"), "Error"); // kept from the previous language
    EXPECT_EQ(scriptMessages[0], "Language '%s' not found");
    EXPECT_EQ(scriptMessages[16], "Event handler must be a procedure");
    res->SetLanguage("Testish");
    EXPECT_EQ(g_testishRuns, 1);

    res->SetLanguage("English");
    EXPECT_EQ(res->Get("clErrors"), "The following error(s) have occured:");
    EXPECT_EQ(res->Get("testishOnly"), "nur hier");
    EXPECT_EQ(listener.calls, 2);

    TvdStringResources::Register("english", &applyEnglishExtra); // current language: runs at once
    EXPECT_EQ(g_englishExtraRuns, 1);
    res->SetLanguage("english"); // differs exactly: the procedures run again
    EXPECT_EQ(g_englishExtraRuns, 2);
    TvdStringResources::Unregister("English", &applyEnglishExtra);
    TvdStringResources::Unregister("Testish", &applyTestish);
    EXPECT_FALSE(TvdStringResources::RegistredLanguages().contains("Testish"));
    res->SetLanguage("English");
    EXPECT_EQ(g_englishExtraRuns, 2);

    TvdLocalizationController controller;
    EXPECT_EQ(controller.Language(), "English");
    EXPECT_FALSE(controller.IsLanguageStored());
    res->RemoveListener(&listener);
    vdxSetScriptMessageTargets({});
}

TEST(StringResources, ScriptMessagesListenerCopiesTheSeventeenTexts)
{
    TvdStringResources res;
    res.AddOrSet("SLangNotFound", "Sprache '%s' fehlt");
    res.AddOrSet("SEventError", "Ereignis");
    QString scriptMessages[17];
    std::array<QString *, 17> targets;
    for (int i = 0; i < 17; ++i)
        targets[i] = &scriptMessages[i];
    targets[1] = nullptr; // an unbound message is skipped
    vdxSetScriptMessageTargets(targets);
    TvdxStringResourcesChangedListener listener;
    IvdStringResourcesChangedListener &asInterface = listener;
    asInterface.StringResourcesChanged(&res);
    EXPECT_EQ(scriptMessages[0], "Sprache '%s' fehlt");
    EXPECT_EQ(scriptMessages[16], "Ereignis");
    EXPECT_TRUE(scriptMessages[1].isEmpty());
    EXPECT_EQ(listener.AddRef(), -1); // no reference counting: its owner frees it
    vdxSetScriptMessageTargets({});
}

TEST(StringResources, HelpComputesTheTopicPath)
{
    TvdStringResources *res = GetResources();
    QString shown;
    TvdStringResources::SetHelpViewer([&](QWidget *, const QString &path) { shown = path; });
    res->Help(QStringLiteral("tvdxdesignerform"));
    EXPECT_TRUE(shown.endsWith("/VDUser.chm::/Designer.htm")) << shown.toStdString();
    res->Help(QStringLiteral("TSomeOtherForm"));
    EXPECT_TRUE(shown.endsWith("/VDUser.chm")) << shown.toStdString();
    shown.clear();
    res->Help(static_cast<const QObject *>(nullptr));
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(res->HelpTopics().size(), 17u);
    res->AddHelpTopic("TMine", "Mine.htm");
    res->RemoveHelpTopics("TMINE");
    EXPECT_EQ(res->HelpTopics().size(), 17u);
    TvdStringResources::SetHelpViewer(nullptr);
}

} // namespace

namespace {

TEST(StringResources, LocalizationControllerIsARegisteredClass)
{
    GetResources();
    EXPECT_NE(vdFindClass("TvdLocalizationController"), nullptr);
}

} // namespace
