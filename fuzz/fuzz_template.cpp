// Loads arbitrary bytes as a report template: every failure must end as an
// error line of the report, never as a crash or a hang; what loads must save
// and load again, and the objects must give their difference texts. A
// ParentReport names the same bytes again as its ancestor (a chain or a
// cycle), and a child with an ancestor saves and loads back its differences.
#include "report/vdxClass.h"

#include "PrepareTrace.h"
#include "engine/vdxEngine.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxServiceDoubles.h"
#include "fuzz/FuzzApplication.h"

#include <QBuffer>
#include <QImage>
#include <cstdint>

namespace {

class TvdxFuzzView : public TvdxView {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(TvdxDataLink *DataLink READ DataLink)
public:
    Q_INVOKABLE explicit TvdxFuzzView(TvdComponent *owner = nullptr) : TvdxView(owner) {}
    QString Text() const { return m_text; }
    void SetText(const QString &v) { m_text = v; }
    TvdxDataLink *DataLink() { return &m_link; }

private:
    QString m_text;
    TvdxDataLink m_link;
};

// Stops the run once it has made more pages than any corpus input needs.
class TvdxFuzzPages : public TvdxStubPreviewPages {
public:
    using TvdxStubPreviewPages::TvdxStubPreviewPages;
    void AddPage(TvdxReportPage *page) override
    {
        TvdxStubPreviewPages::AddPage(page);
        if (PageCount > 50 && Report())
            Report()->SetTerminated(true);
    }
};

struct Setup {
    Setup()
    {
        vdxRegisterReportClasses();
        vdRegisterClass<TvdxFuzzView>();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApplication();
    static Setup setup;
    if (size > 1 << 20)
        return 0;
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // Every ancestor is the input itself, whatever its name.
    const auto loadAncestor = [&bytes](TvdxReport *r, const QString &) {
        QByteArray copy = bytes;
        QBuffer b(&copy);
        b.open(QIODevice::ReadOnly);
        r->LoadFromStream(b);
    };
    TvdxReport report;
    report.SetSilentMode(1);
    report.OnLoadTemplate = loadAncestor;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    report.LoadFromStream(in);

    QBuffer out;
    out.open(QIODevice::ReadWrite);
    report.SaveToStream(out, true, false, false);
    out.seek(0);
    TvdxReport again;
    again.SetSilentMode(1);
    again.OnLoadTemplate = loadAncestor;
    again.LoadFromStream(out);

    // Views and styles draw at any size without changing what they save.
    QImage img(64, 64, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas canvas(img);
        int drawn = 0;
        for (TvdxComponent *c : report.GetAllObjects())
            if (auto *v = qobject_cast<TvdxView *>(c); v && drawn++ < 32) {
                canvas.SaveDC();
                v->Draw(canvas, 0.5, 0.5, 0, 0);
                canvas.RestoreDC();
            }
    }
    report.Styles()->Apply();
    vdfuzz::PrepareAndTrace(report);

    // Bands and pages: layout, fill objects and page setup on whatever loaded.
    for (TvdxComponent *c : report.GetAllObjects()) {
        if (auto *band = qobject_cast<TvdxBand *>(c)) {
            (void)band->BandNumber();
            (void)band->BandName();
            band->CreateFillMemo();
            band->DisposeFillMemo();
            if (auto *db = qobject_cast<TvdxDataBand *>(band))
                db->SetCurColumn(db->CurColumn() + 1);
        } else if (auto *page = qobject_cast<TvdxReportPage *>(c)) {
            page->AlignChildren();
            page->SetColumns(page->Columns());
            page->SetOrientation(page->Orientation() == TvdxReportPage::poPortrait ? TvdxReportPage::poLandscape
                                                                                  : TvdxReportPage::poPortrait);
            (void)page->FindBand(&TvdxMasterData::staticMetaObject);
        }
    }

    // What loaded also prepares, whatever its bands say, and ends.
    {
        TvdxEngine engine(&again);
        TvdxFuzzPages pages(&again);
        engine.SetPreviewPages(&pages);
        again.ClearErrors();
        try {
            (void)engine.Run(false);
        } catch (const Exception &) {
        }
        again.SetTerminated(false);
    }

    const QList<TvdxComponent *> a = report.GetAllObjects(), b = again.GetAllObjects();
    for (int i = 0; i < a.size() && i < b.size() && i < 64; ++i) {
        (void)b[i]->AllDiff(a[i]);
        TvdxFuzzView copy;
        copy.AssignAll(a[i]);
    }

    // The input as an ancestor of an empty child, which then drops it again.
    TvdxReport child;
    child.SetSilentMode(1);
    child.OnLoadTemplate = loadAncestor;
    child.SetParentReport(QStringLiteral("input"));
    QBuffer childOut;
    childOut.open(QIODevice::ReadWrite);
    child.SaveToStream(childOut, true, false, false);
    child.SetParentReport(QString());
    return 0;
}

#include "fuzz_template.moc"
