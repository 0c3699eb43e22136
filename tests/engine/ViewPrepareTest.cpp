// Views while a report prepares: bracketed expressions through the report's
// own Calc, pictures through a data link and the protocol registry, and
// pictures that travel through the prepared report's picture cache into the
// pages built again from the store.
#include "engine/vdxDataLinkProtocols.h"
#include "engine/vdxPreviewPages.h"
#include "core/vdxVariables.h"
#include "report/vdxClass.h"
#include "report/vdxClass_memo.h"
#include "report/vdxServiceDoubles.h"
#include "tests/report/ViewSheet.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

namespace {

// Serves "pic://WxH" as a PNG of that size and remembers the links asked for.
class PictureProtocol : public TvdxCustomDatalinkProtocol {
public:
    bool LoadBy(QString &link, QIODevice &stream, QObject *) override
    {
        Asked << link;
        const QStringList size = link.mid(6).split(QLatin1Char('x'));
        if (size.size() != 2)
            return false;
        stream.write(vdtest::pngBytes(size[0].toInt(), size[1].toInt()));
        return true;
    }
    QStringList Asked;
};

struct Registered {
    std::shared_ptr<PictureProtocol> protocol = std::make_shared<PictureProtocol>();
    Registered() { vdxDataLinkProtocolRegistry()->Register(protocol, QStringLiteral("pic")); }
    ~Registered() { vdxDataLinkProtocolRegistry()->Unregister(QStringLiteral("pic")); }
};

// A report whose title band holds the views under test.
struct TitleReport {
    TvdxReport report;
    TvdxReportPage *page = new TvdxReportPage(&report);
    TvdxReportTitle *title = new TvdxReportTitle(page);
    TitleReport()
    {
        report.SetSilentMode(int(TvdxEngineOptions::simSilent));
        page->SetName(QStringLiteral("Page1"));
        title->SetName(QStringLiteral("ReportTitle1"));
        title->SetBounds(0, 20, 700, 120);
    }
    template <class T>
    T *add(const QString &name)
    {
        auto *v = new T(title);
        v->SetName(name);
        v->SetBounds(10, 10, 100, 60);
        return v;
    }
    bool prepare() { return report.PrepareReport(true); }
    TvdComponent *prepared(const QString &name, TvdxCustomPreviewPages *pages = nullptr)
    {
        TvdxCustomPreviewPages *p = pages ? pages : report.PreviewPages();
        if (p->GetCount() < 1)
            return nullptr;
        TvdxReportPage *pg = p->GetPage(0);
        return pg ? pg->FindObject(name) : nullptr;
    }
};

} // namespace

TEST(ViewPrepare, TagAndHyperlinkExpandThroughTheReportsCalc)
{
    TitleReport r;
    if (qobject_cast<TvdxStubEngine *>(r.report.Engine()))
        GTEST_SKIP() << "no engine linked";
    r.report.Variables()->SetVariable(QStringLiteral("Who"), Variant(QStringLiteral("'Smith'")));
    auto *v = r.add<TvdxShapeView>(QStringLiteral("Shape1"));
    v->SetTagStr(QStringLiteral("Id [1+1] of [Who]"));
    v->Hyperlink()->SetKind(TvdxHyperlink::hkDetailReport);
    v->Hyperlink()->SetExpression(QStringLiteral("Who;6*7"));
    ASSERT_TRUE(r.prepare()) << r.report.ErrorMessage().toStdString();
    auto *p = qobject_cast<TvdxShapeView *>(r.prepared(QStringLiteral("Shape1")));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->TagStr(), QStringLiteral("Id 2 of Smith"));
    EXPECT_EQ(p->Hyperlink()->Value(), QStringLiteral("'Smith';42"));
    // The template may be rebuilt by the preparation: look it up again.
    auto *t = qobject_cast<TvdxShapeView *>(r.report.FindObject(QStringLiteral("Shape1")));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->TagStr(), QStringLiteral("Id [1+1] of [Who]")) << "the template is restored after printing";
}

TEST(ViewPrepare, DataLinkLoadsThePictureThroughTheRegistry)
{
    Registered reg;
    TitleReport r;
    r.report.Variables()->SetVariable(QStringLiteral("Size"), Variant(QStringLiteral("'12x9'")));
    auto *v = r.add<TvdxPictureView>(QStringLiteral("Picture1"));
    v->DataLink()->SetLink(QStringLiteral("pic://[Size]"));
    v->DataLink()->SetProcessingType(TvdxDataLink::dpExpression);
    v->BeforePrint();
    v->GetData();
    EXPECT_EQ(reg.protocol->Asked, QStringList{QStringLiteral("pic://12x9")});
    EXPECT_EQ(v->GraphicWidth(), 12);
    EXPECT_EQ(v->DataLink()->Link(), QStringLiteral("pic://12x9"));
    v->AfterPrint();
    EXPECT_EQ(v->DataLink()->Link(), QStringLiteral("pic://[Size]")) << "the expression comes back";

    // A link for the preview only is not loaded at data time; an unknown
    // scheme loads nothing and keeps the picture.
    v->DataLink()->SetLoadingType(TvdxDataLink::dltOnPreview);
    v->SetGraphic(nullptr);
    v->GetData();
    EXPECT_TRUE(v->IsEmpty());
    v->DataLink()->SetLoadingType(TvdxDataLink::dltOnGetData);
    v->DataLink()->SetProcessingType(TvdxDataLink::dpString);
    v->DataLink()->SetLink(QStringLiteral("pic://4x4"));
    v->GetData();
    EXPECT_EQ(v->GraphicWidth(), 4);
    v->DataLink()->SetLink(QStringLiteral("nosuch://4x4"));
    v->GetData();
    EXPECT_EQ(v->GraphicWidth(), 4);
    // A link that only loads while preparing is not kept in prepared pages.
    v->SetvdComponentState(v->vdComponentState() | TvdxComponent::csVdxSerializeToDict);
    EXPECT_FALSE(v->IsPropertyStored("DataLink"));
}

TEST(ViewPrepare, PicturesTravelThroughTheCacheIntoBuiltPages)
{
    TitleReport r;
    if (qobject_cast<TvdxStubEngine *>(r.report.Engine()))
        GTEST_SKIP() << "no engine linked";
    QByteArray png = vdtest::pngBytes(30, 20);
    auto *a = r.add<TvdxPictureView>(QStringLiteral("Picture1"));
    auto *b = r.add<TvdxPictureView>(QStringLiteral("Picture2"));
    b->SetLeft(200);
    for (TvdxPictureView *v : {a, b}) {
        QBuffer in(&png);
        in.open(QIODevice::ReadOnly);
        ASSERT_EQ(v->LoadPictureFromStream(in, true), vdS_OK);
    }
    ASSERT_TRUE(r.prepare()) << r.report.ErrorMessage().toStdString();
    auto *pages = dynamic_cast<TvdxPreviewPages *>(r.report.PreviewPages());
    ASSERT_TRUE(pages);
    ASSERT_GE(pages->PictureCache()->Count(), 1);
    // The stored page names the cached picture, without the picture's bytes.
    QBuffer xml;
    xml.open(QIODevice::WriteOnly);
    pages->XMLDoc()->SaveToStream(xml);
    EXPECT_TRUE(xml.data().contains("ImageIndex=\"1\"")) << xml.data().constData();
    EXPECT_FALSE(xml.data().contains("PropData")) << xml.data().constData();
    pages->ClearCache();
    ASSERT_EQ(pages->GetCount(), 1);
    TvdxReportPage *page = pages->GetPage(0);
    ASSERT_TRUE(page);
    for (const char *name : {"Picture1", "Picture2"}) {
        auto *p = qobject_cast<TvdxPictureView *>(page->FindObject(QString::fromLatin1(name)));
        ASSERT_TRUE(p) << name;
        EXPECT_EQ(p->GraphicWidth(), 30) << name;
        EXPECT_EQ(p->GraphicHeight(), 20) << name;
    }
}

// Repeated values hidden by the post-processor: the built page leaves out
// the repeats (the page builder drops them) and keeps the first one.
TEST(ViewPrepare, HiddenRepeatsAreDroppedFromBuiltPages)
{
    const struct {
        TvdxCustomMemoView::TvdxDuplicateMerge mode;
        int kept;
    } cases[] = {{TvdxCustomMemoView::dmShow, 3}, {TvdxCustomMemoView::dmHide, 1}, {TvdxCustomMemoView::dmClear, 3}};
    for (const auto &c : cases) {
        TitleReport r;
        if (qobject_cast<TvdxStubEngine *>(r.report.Engine()))
            GTEST_SKIP() << "no engine linked";
        auto *rows = new TvdxMasterData(r.page);
        rows->SetName(QStringLiteral("MasterData1"));
        rows->SetBounds(0, 200, 700, 30);
        rows->SetRowCount(3);
        auto *memo = new TvdxMemoView(rows);
        memo->SetName(QStringLiteral("Same"));
        memo->SetBounds(10, 0, 100, 20);
        memo->SetText(QStringLiteral("same"));
        memo->SetDuplicates(c.mode);
        ASSERT_TRUE(r.prepare()) << r.report.ErrorMessage().toStdString();
        auto *pages = dynamic_cast<TvdxPreviewPages *>(r.report.PreviewPages());
        ASSERT_TRUE(pages);
        pages->ClearCache();
        ASSERT_EQ(pages->GetCount(), 1);
        TvdxReportPage *page = pages->GetPage(0);
        ASSERT_TRUE(page);
        QStringList texts;
        for (TvdxComponent *o : page->AllObjects())
            if (auto *m = qobject_cast<TvdxMemoView *>(o); m && m->Name() == QLatin1String("Same"))
                texts << m->Text().trimmed();
        EXPECT_EQ(texts.size(), c.kept) << int(c.mode);
        ASSERT_FALSE(texts.isEmpty()) << int(c.mode);
        EXPECT_EQ(texts.first(), QStringLiteral("same")) << int(c.mode);
        if (c.mode == TvdxCustomMemoView::dmClear) {
            EXPECT_EQ(texts.mid(1), (QStringList{QString(), QString()}));
        }
    }
}
