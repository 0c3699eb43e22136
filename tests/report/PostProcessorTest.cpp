// Deferred values: duplicates, completion at finishing events and levels,
// and the file form.
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

} // namespace
