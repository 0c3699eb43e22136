// Deferred values: duplicates, completion at finishing events and levels,
// taking values back, and the file form with hostile input.
#include "core/vdXML.h"
#include "report/vdxClass.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

// Completes its value with a fixed text.
class TvdxTotalView : public TvdxView {
public:
    QString Final = QStringLiteral("100");
    void ProcessDictionary(TvdxMacrosItem *aItem, TvdxReport *, TvdxPostProcessor *) override
    {
        aItem->SetItem(aItem->Count() - 1, Final);
    }
};

// Takes its value and then asks to be dropped as a repeat.
class TvdxRepeatView : public TvdxView {
public:
    int Loaded = 0;
    bool LoadContentFromDictionary(TvdxReport *, TvdxMacrosItem *) override
    {
        ++Loaded;
        return true;
    }
};

void loadXml(TvdxPostProcessor &p, const QByteArray &xml)
{
    TvdXMLDocument doc;
    QByteArray copy = "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + xml;
    QBuffer b(&copy);
    b.open(QIODevice::ReadOnly);
    doc.LoadFromStream(b);
    p.LoadFromXML(doc.Root());
}

TEST(PostProcessor, SuppressedDuplicatesShareAnIndex)
{
    TvdxPostProcessor p;
    const int a = p.Add(QStringLiteral("Band1"), QStringLiteral("Memo1"), QStringLiteral("5"),
                        TvdxObjectProcessing::paDefault, nullptr, true, false);
    const int b = p.Add(QStringLiteral("Band1"), QStringLiteral("memo1"), QStringLiteral("5"),
                        TvdxObjectProcessing::paDefault, nullptr, true, false);
    EXPECT_EQ(a, b);
    p.ResetDuplicates(QStringLiteral("Band1"));
    const int c = p.Add(QString(), QStringLiteral("Memo1"), QStringLiteral("5"), TvdxObjectProcessing::paDefault,
                        nullptr, true, false);
    EXPECT_EQ(c, a + 1);
    EXPECT_EQ(p.Add(QString(), QStringLiteral("Memo1"), QStringLiteral("5"), TvdxObjectProcessing::paDefault, nullptr,
                    false, false),
              c + 1);
    EXPECT_EQ(p.GetMacroList(QStringLiteral("Nope")), nullptr);
}

TEST(PostProcessor, WaitingValueReadsEmptyUntilCompleted)
{
    TvdxPostProcessor p;
    TvdxTotalView v;
    v.Processing()->SetProcessAt(TvdxObjectProcessing::paReportFinished);
    const int i = p.Add(QString(), QStringLiteral("Total"), QStringLiteral("0"),
                        TvdxObjectProcessing::paReportFinished, &v, true, false);
    TvdxMacrosItem *item = p.Find(QStringLiteral("Total"));
    EXPECT_EQ(item->GetItem(i), QString());
    p.ProcessExpressions(nullptr, nullptr, TvdxObjectProcessing::paPageFinished);
    EXPECT_EQ(item->GetItem(i), QString());
    p.ProcessExpressions(nullptr, nullptr, TvdxObjectProcessing::paReportFinished);
    EXPECT_EQ(item->GetItem(i), QStringLiteral("100"));
}

TEST(PostProcessor, GroupLevelsAndFloors)
{
    TvdxPostProcessor p;
    p.LeaveGroup();
    p.LeaveData();
    EXPECT_EQ(p.GroupLevel(), 0);
    EXPECT_EQ(p.DataLevel(), 0);
    TvdxTotalView v;
    p.EnterGroup();
    p.EnterGroup();
    const int i = p.Add(QString(), QStringLiteral("G"), QStringLiteral("x"), TvdxObjectProcessing::paGroupFinished,
                        &v, false, false);
    p.LeaveGroup();
    p.ProcessExpressions(nullptr, nullptr, TvdxObjectProcessing::paGroupFinished);
    EXPECT_EQ(p.Find(QStringLiteral("G"))->GetItem(i), QString()) << "finished at level 1, stored at 2";
    EXPECT_EQ(p.GroupLevel(), 0) << "a finished group is left";
    p.EnterGroup();
    p.EnterGroup();
    p.ProcessExpressions(nullptr, nullptr, TvdxObjectProcessing::paGroupFinished);
    EXPECT_EQ(p.Find(QStringLiteral("G"))->GetItem(i), QStringLiteral("100"));
}

TEST(PostProcessor, FileFormKeepsEveryCharacter)
{
    TvdxPostProcessor p;
    const QString hostile = QStringLiteral("a \"quoted\" & <b>\r\nnext");
    p.Add(QString(), QStringLiteral("Memo1"), hostile, TvdxObjectProcessing::paDefault, nullptr, false, false);
    p.Add(QString(), QStringLiteral("Memo1"), QStringLiteral("2"), TvdxObjectProcessing::paDefault, nullptr, false,
          false);
    TvdXMLDocument doc;
    doc.Root()->SetName(QStringLiteral("postprocessing"));
    p.SaveToXML(doc.Root());
    QBuffer b;
    b.open(QIODevice::ReadWrite);
    doc.SaveToStream(b);
    b.seek(0);
    TvdXMLDocument back;
    back.LoadFromStream(b);
    TvdxPostProcessor q;
    q.LoadFromXML(back.Root());
    EXPECT_EQ(back.Root()->Count(), 0);
    ASSERT_TRUE(q.GetMacroList(QStringLiteral("Memo1")));
    EXPECT_EQ(*q.GetMacroList(QStringLiteral("Memo1")), (QStringList{hostile, QStringLiteral("2")}));
    EXPECT_EQ(q.Find(QStringLiteral("Memo1"))->GetItem(0), hostile);
}

// The view answers "drop"; freeing it is the caller's business.
TEST(PostProcessor, LoadValueAnswersDropAndLeavesTheViewAlive)
{
    TvdxPostProcessor p;
    p.Add(QString(), QStringLiteral("Memo1"), QStringLiteral("5"), TvdxObjectProcessing::paDefault, nullptr, false,
          false);
    auto view = std::make_unique<TvdxRepeatView>();
    EXPECT_FALSE(p.LoadValue(view.get())) << "a view without a name takes nothing";
    view->SetName(QStringLiteral("memo1"));
    EXPECT_TRUE(p.LoadValue(view.get()));
    EXPECT_EQ(view->Loaded, 1);
    EXPECT_EQ(view->Name(), QStringLiteral("memo1"));
    view->SetName(QStringLiteral("Other"));
    EXPECT_FALSE(p.LoadValue(view.get()));
    EXPECT_EQ(view->Loaded, 1);
}

// Whatever the "postprocessing" item holds, loading keeps what it can read
// and never fails.
TEST(PostProcessor, HostileFileForms)
{
    const struct {
        const char *what;
        QByteArray xml;
        const char *name;
        QStringList texts;
    } cases[] = {
        {"entry without its attribute", "<postprocessing><Memo1><i/><i cnt=\"a\"/></Memo1></postprocessing>", "Memo1",
         {QString(), QStringLiteral("a")}},
        {"escaped quotes, ampersands and line breaks",
         "<postprocessing><M><i cnt=\"&quot;&amp;&#13;&#10;&lt;\"/></M></postprocessing>", "M",
         {QStringLiteral("\"&\r\n<")}},
        {"names that differ in case share an item",
         "<postprocessing><M><i cnt=\"1\"/></M><m><i cnt=\"2\"/></m></postprocessing>", "M",
         {QStringLiteral("1"), QStringLiteral("2")}},
        {"nested children count as entries, their own children are ignored",
         "<postprocessing><N><x cnt=\"1\"><i cnt=\"2\"/></x></N></postprocessing>", "N", {QStringLiteral("1")}},
        {"other attributes", "<postprocessing><O><i cnt=\"v\" cnt2=\"w\" junk/></O></postprocessing>", "O",
         {QStringLiteral("v")}},
    };
    for (const auto &c : cases) {
        TvdxPostProcessor p;
        loadXml(p, c.xml);
        const QStringList *list = p.GetMacroList(QString::fromLatin1(c.name));
        ASSERT_TRUE(list) << c.what;
        EXPECT_EQ(*list, c.texts) << c.what;
    }
    // A truncated document raises before anything is read.
    TvdXMLDocument doc;
    QByteArray cut("<?xml version=\"1.0\" encoding=\"utf-8\"?><postprocessing><M><i cnt=\"1");
    QBuffer b(&cut);
    b.open(QIODevice::ReadOnly);
    EXPECT_ANY_THROW(doc.LoadFromStream(b));
}

} // namespace
