// Arbitrary bytes as a label: a header picks density, flags and the page
// size, then records of 8 bytes place texts, lines, shapes and pictures whose
// texts and picture bytes come from the rest. The page is exported in vector
// and in bitmap mode; each ends in ZPL text or an export error, never a
// crash, a hang or a giant allocation.
#include "core/vdGraphic.h"
#include "core/vdPNGGraphics.h"
#include "export/zpl/vdxExportZPL.h"
#include "report/vdFont.h"
#include "report/vdxClass.h"
#include "report/vdxClass_memo.h"

#include <QBuffer>
#include <cstdint>
#include <memory>
#include <vector>

namespace {
void exportOnce(TvdxReportPage &page, const std::vector<TvdxComponent *> &objects, bool bitmap, const uint8_t *h)
{
    TvdxZPLExport f(nullptr, true);
    f.SetPrintAsBitmap(bitmap);
    f.SetFZplDensity(TvdxZPLExport::TZplDensity(h[0] % 5));
    f.SetBreakLines(h[1] & 1);
    f.SetHexText(h[1] & 2);
    f.SetBMillimeters(h[1] & 4);
    f.SetFontScale((int(h[2]) - 64) / 16.0);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    f.SetStream(&out);
    try {
        if (!f.DoStart())
            return;
        f.StartPage(&page, 0);
        for (TvdxComponent *o : objects)
            f.ExportObject(o);
        f.FinishPage(&page, 0);
    } catch (const Exception &) {
        // Reported by the export loop as an error line.
    }
    try {
        f.DoFinish();
    } catch (const Exception &) {
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 6 || size > 4096)
        return 0;
    const uint8_t *h = data;
    TvdxReportPage page;
    // Page sizes up to a few thousand pixels, sometimes far too large.
    const double pw = (h[3] == 255) ? 1e6 : 20 + 2.0 * h[3];
    const double ph = 20 + 2.0 * h[4];
    page.SetBounds(0, 0, pw, ph);
    page.setProperty("LeftMargin", double(int8_t(h[5])));
    page.setProperty("TopMargin", double(h[5] & 15));
    data += 6;
    size -= 6;

    std::vector<std::unique_ptr<TvdxComponent>> owned;
    std::vector<TvdxComponent *> objects;
    while (size >= 8 && objects.size() < 12) {
        const uint8_t *r = data;
        data += 8;
        size -= 8;
        const size_t textLen = std::min<size_t>(r[7] % 32, size);
        const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(textLen));
        data += textLen;
        size -= textLen;
        const double l = int8_t(r[1]) * 2.0, t = r[2] * 1.5, w = int8_t(r[3]) * 2.0, hgt = int8_t(r[4]) * 1.0;
        switch (r[0] % 4) {
        case 0: {
            auto m = std::make_unique<TvdxMemoView>();
            m->SetParentFont(false);
            m->Font()->SetHeight(int(int8_t(r[5])));
            m->SetRotation(int(r[6]) * 2);
            m->SetHAlign(TvdxCustomMemoView::TvdxHAlign(r[6] & 3));
            m->SetVAlign(TvdxCustomMemoView::TvdxVAlign(r[5] % 3));
            m->SetText(QString::fromUtf8(bytes));
            m->Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(int(r[6] & 15)));
            m->Frame()->SetWidth(r[5] % 4);
            m->SetBounds(l, t, w, hgt);
            objects.push_back(m.get());
            owned.push_back(std::move(m));
            break;
        }
        case 1: {
            auto line = std::make_unique<TvdxLineView>();
            line->SetBounds(l, t, w, hgt);
            line->Frame()->SetWidth(r[5] % 8);
            objects.push_back(line.get());
            owned.push_back(std::move(line));
            break;
        }
        case 2: {
            auto s = std::make_unique<TvdxShapeView>();
            s->SetShape(TvdxShapeView::TvdxShapeKind(r[5] % 7));
            s->SetBounds(l, t, w, hgt);
            objects.push_back(s.get());
            owned.push_back(std::move(s));
            break;
        }
        default: {
            auto p = std::make_unique<TvdxPictureView>();
            if (!bytes.isEmpty()) {
                // Picture bytes as a raw image, or as a (usually broken) PNG.
                try {
                    TPngImage png;
                    png.LoadFromBytes(bytes);
                    p->SetGraphic(&png);
                } catch (const Exception &) {
                    QImage img(1 + r[5] % 16, 1 + r[6] % 16, QImage::Format_RGB32);
                    for (int i = 0; i < img.width() * img.height(); ++i)
                        img.setPixel(i % img.width(), i / img.width(), qRgb(bytes[i % bytes.size()], 0, 0));
                    TBitmap b;
                    b.SetImage(img, pf24bit);
                    p->SetGraphic(&b);
                }
            }
            p->SetBounds(l, t, w, hgt);
            objects.push_back(p.get());
            owned.push_back(std::move(p));
            break;
        }
        }
    }
    exportOnce(page, objects, false, h);
    exportOnce(page, objects, true, h);
    return 0;
}
