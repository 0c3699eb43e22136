#include "barcode/vdxBarcodeQR.h"

#include "core/vdFiler.h"
#include <QBuffer>

#include <cmath>

namespace {
int R(double v) { return int(std::nearbyint(v)); }
} // namespace

TvdxBarcodeLogo::TvdxBarcodeLogo() = default;
TvdxBarcodeLogo::~TvdxBarcodeLogo() = default;

TPicture *TvdxBarcodeLogo::Logo()
{
    if (!m_picture)
        m_picture = std::make_unique<TPicture>();
    return m_picture.get();
}

void TvdxBarcodeLogo::SetLogo(const TPicture *picture)
{
    Logo()->SetGraphic(picture ? picture->Graphic() : nullptr);
}

void TvdxBarcodeLogo::Assign(const TvdPersistent *source)
{
    auto *s = qobject_cast<const TvdxBarcodeLogo *>(source);
    if (!s) {
        TvdPersistent::Assign(source);
        return;
    }
    m_width = s->m_width;
    m_height = s->m_height;
    if (s->m_picture)
        SetLogo(s->m_picture.get());
    else
        m_picture.reset();
}

void TvdxBarcodeLogo::WriteBinaryProperties(TvdBinaryWriter &writer) const
{
    TvdPersistent::WriteBinaryProperties(writer);
    const TGraphic *g = m_picture ? m_picture->Graphic() : nullptr;
    if (!g || g->Empty())
        return;
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    const QByteArray cls = QByteArray(g->graphicClass().name);
    b.putChar(char(cls.size()));
    b.write(cls);
    g->SaveToStream(b);
    writer.WritePropName(QStringLiteral("Logo.Data"));
    writer.WriteBinary(b.data());
}

bool TvdxBarcodeLogo::ReadBinaryProperty(const QString &name, TvdBinaryReader &reader)
{
    if (name != QLatin1String("Logo.Data"))
        return TvdPersistent::ReadBinaryProperty(name, reader);
    QByteArray data = reader.ReadBinary();
    const int n = data.isEmpty() ? 0 : quint8(data.at(0));
    const TGraphicClassRef cls =
        data.size() > n ? TPicture::GraphicClassByName(QString::fromLatin1(data.mid(1, n))) : nullptr;
    Logo()->Clear();
    if (!cls)
        return true;
    data.remove(0, 1 + n);
    QBuffer b(&data);
    b.open(QIODevice::ReadOnly);
    std::unique_ptr<TGraphic> g = cls->create();
    try {
        g->LoadFromStream(b);
        m_picture->SetGraphicOwned(std::move(g));
    } catch (const Exception &) {
        // A damaged picture leaves the logo empty; the symbol still draws.
    }
    return true;
}

TRect TvdxBarcodeLogo::PlacedRect(const TRect &r, double scaleX, double scaleY, double zoom) const
{
    const int left = r.Left + R(zoom * scaleX * (r.Right - r.Left - m_width)) / 2;
    const int top = r.Top + R(zoom * scaleY * (r.Bottom - r.Top - m_height)) / 2;
    return TRect(left, top, left + R(zoom * scaleX * m_width), top + R(zoom * scaleY * m_height));
}

void TvdxBarcodeLogo::Draw(const TRect &drawRect, double scaleX, double scaleY, Canvas &canvas, double zoom) const
{
    if (!m_picture || !m_picture->Graphic())
        return;
    m_picture->Graphic()->Draw(canvas, PlacedRect(drawRect, scaleX, scaleY, zoom));
}

TvdxBarcodeGraphicMarker::TvdxBarcodeGraphicMarker(int pixelSize)
    : m_widthLine(2 * pixelSize), m_distance(4 * pixelSize), m_pixelSize(pixelSize)
{
}

void TvdxBarcodeGraphicMarker::SetWidthLine(int value)
{
    if (value >= 2 * m_pixelSize)
        m_widthLine = value;
}

void TvdxBarcodeGraphicMarker::SetDistance(int value)
{
    if (value >= 4 * m_pixelSize)
        m_distance = value;
}

void TvdxBarcodeGraphicMarker::Assign(const TvdPersistent *source)
{
    auto *s = qobject_cast<const TvdxBarcodeGraphicMarker *>(source);
    if (!s) {
        TvdPersistent::Assign(source);
        return;
    }
    m_show = s->m_show;
    m_widthLine = s->m_widthLine;
    m_distance = s->m_distance;
    m_pixelSize = s->m_pixelSize;
}

void TvdxBarcodeGraphicMarker::Draw(const TRect &r, double scaleX, double scaleY, Canvas &canvas, double zoom,
                                    int F) const
{
    const int p = m_pixelSize > 0 ? m_pixelSize : 1;
    const int w = m_widthLine;
    const double kx = scaleX * zoom, ky = scaleY * zoom;
    const int h = (w / p) / 2;
    const int W1 = r.Right - r.Left - h;
    const int H1 = r.Bottom - r.Top - h + F;
    const int half = w / 2;
    const int vLeft = r.Left + R((W1 - half) * kx);
    const int vTop = r.Top + R(H1 * ky) / 2 - R(F * ky) / 2;
    const int right = vLeft + R(half * kx);
    const int bottom = vTop + R((H1 - H1 / 2) * ky) + R(F * ky) / 2;
    canvas.FillRect(TRect(vLeft, vTop, right, bottom));
    const int hLeft = r.Left + R(W1 * kx) / 2;
    const int hTop = r.Top + R((H1 - half) * ky);
    canvas.FillRect(TRect(hLeft, hTop, right, bottom));
}

namespace {
// Every new engine starts with the same symbol: it is encoded once and
// copied. Nothing reads the modules of this copy, so it stays unchanged.
const TvdxQREncoder &startEncoder(const QString &text)
{
    static const TvdxQREncoder encoder = [&] {
        TvdxQREncoder e;
        e.SetQuietZone(0);
        e.SetData(text);
        return e;
    }();
    return encoder;
}
} // namespace

TvdxBarcodeQR::TvdxBarcodeQR()
    : m_logo(std::make_unique<TvdxBarcodeLogo>()), m_marker(std::make_unique<TvdxBarcodeGraphicMarker>(m_pixelWidth))
{
    m_encoder = startEncoder(m_text);
    m_pixelWidth = m_pixelHeight = 4;
    m_quietZone = 0;
    rebuildFigures();
}

TvdxBarcodeQR::~TvdxBarcodeQR() = default;

void TvdxBarcodeQR::rebuildFigures()
{
    m_height = m_encoder.Rows();
    m_width = m_encoder.Columns();
    // The modules are placed only when the cover is made: a vector label job
    // sends the text and never draws the symbol.
    T2DBooleanArrayToVectorPrimitives([this]() -> const T2DBooleanArray & { return m_encoder.Matrix(); }, m_width,
                                      m_height, m_encoder.QuietZone());
}

template <typename F> void TvdxBarcodeQR::encodeWith(F change)
{
    // A setter that keeps its value does not encode again; the last
    // encoding's outcome still describes the settings then.
    try {
        change();
    } catch (const Exception &) {
    }
    SetErrorText(m_encoder.LastError());
    rebuildFigures();
}

void TvdxBarcodeQR::SetText(const QString &value)
{
    TvdxBarcode2DBase::SetText(value);
    // The same text under the same settings gives the same symbol (or the
    // same failure): the modules and their cover stay, a print loop that
    // sets the text again before each draw does not encode it again.
    if (value == m_encoder.Data()) {
        SetErrorText(m_encoder.LastError());
        return;
    }
    encodeWith([&] { m_encoder.SetData(value); });
}

void TvdxBarcodeQR::SetEncoding(TQRCodeEncoding value)
{
    encodeWith([&] { m_encoder.SetEncoding(value); });
}

void TvdxBarcodeQR::SetQRQuietZone(int value)
{
    if (value == m_encoder.QuietZone())
        return;
    // The symbol does not change; an earlier failure keeps its message.
    m_encoder.SetQuietZone(value);
    rebuildFigures();
}

void TvdxBarcodeQR::SetErrorLevels(TQRErrorLevels value)
{
    if (value == m_encoder.ErrorLevels()) {
        SetErrorText(m_encoder.LastError());
        return;
    }
    encodeWith([&] { m_encoder.SetErrorLevels(value); });
}

void TvdxBarcodeQR::SetCodepage(int value)
{
    encodeWith([&] { m_encoder.SetCodePage(value); });
}

void TvdxBarcodeQR::SetPixelSize(int value)
{
    m_pixelWidth = m_pixelHeight = value;
}

int TvdxBarcodeQR::Width()
{
    const int base = TvdxBarcode2DBase::Width();
    if (!m_marker->ShowGraphicMarker())
        return base;
    m_marker->SetPixelSize(PixelSize());
    return R(double(PixelSize()) * m_marker->WidthLine() * m_zoom + m_marker->Distance() + base);
}

int TvdxBarcodeQR::Height()
{
    const int base = TvdxBarcode2DBase::Height();
    if (!m_marker->ShowGraphicMarker())
        return base;
    m_marker->SetPixelSize(PixelSize());
    return R(double(PixelSize()) * m_marker->WidthLine() * m_zoom + m_marker->Distance() + base);
}

void TvdxBarcodeQR::Assign(const TvdxBarcode2DBase &source)
{
    TvdxBarcode2DBase::Assign(source);
    auto *s = dynamic_cast<const TvdxBarcodeQR *>(&source);
    if (!s)
        return;
    // Settings, code page, picture and mark go with the copy, and the copied
    // text is encoded at once so that symbol and text agree.
    auto attempt = [](auto change) {
        try {
            change();
        } catch (const Exception &) {
        }
    };
    m_encoder.SetQuietZone(s->QRQuietZone());
    attempt([&] { m_encoder.SetCodePage(s->Codepage()); });
    attempt([&] { m_encoder.SetEncoding(s->Encoding()); });
    attempt([&] { m_encoder.SetData(m_text); });
    attempt([&] { m_encoder.SetErrorLevels(s->ErrorLevels()); }); // always encodes: the final outcome
    SetErrorText(m_encoder.LastError());
    m_logo->Assign(s->m_logo.get());
    m_marker->Assign(s->m_marker.get());
    rebuildFigures();
}

void TvdxBarcodeQR::Draw2DBarcode(Canvas &g, double scaleX, double scaleY, int x, int y)
{
    TvdxBarcode2DBase::Draw2DBarcode(g, scaleX, scaleY, x, y);
    const int F = m_showText ? GetFooterHeight() : 0;
    const int W = Width(), H = Height();
    TRect r(x, y, x + W, y + H - F);
    if (m_marker->ShowGraphicMarker()) {
        m_marker->Draw(r, scaleX, scaleY, g, m_zoom, F);
        const int m = R(double(PixelSize()) * m_marker->WidthLine() * m_zoom + m_marker->Distance());
        r = TRect(x, y, x + W - m, y + H - m - F);
    }
    m_logo->Draw(r, scaleX, scaleY, g, m_zoom);
}
