#include "core/vdGraphicUtils.h"
#include "platform/Canvas.h"
#include "platform/EmfPlayer.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/QPainterCanvas.h"
#include <QIODevice>
#include <QMutex>
#include <QMutexLocker>
#include <QtEndian>
#include <cmath>

namespace {

[[noreturn]] void mfError(const char *why)
{
    throw EInvalidGraphic(QStringLiteral("Metafile is not valid: %1").arg(QLatin1String(why)));
}

QMutex g_playerLock;

vdMetafilePlayerFn &playerSlot()
{
    static vdMetafilePlayerFn f = [](Canvas &c, const QByteArray &bytes, const TRect &r) { EmfPlayer::Play(c, bytes, r); };
    return f;
}

} // namespace

void vdSetMetafilePlayer(vdMetafilePlayerFn player)
{
    QMutexLocker lock(&g_playerLock);
    playerSlot() = std::move(player);
}

const vdMetafilePlayerFn &vdMetafilePlayer()
{
    return playerSlot();
}

void vdValidateMetafile(const QByteArray &bytes, bool &enhanced, int &width, int &height)
{
    const auto *d = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n >= 22 && qFromLittleEndian<uint32_t>(d) == 0x9AC6CDD7u) {
        // Placeable header, then the metafile header and 16-bit-word records.
        const int16_t l = qFromLittleEndian<int16_t>(d + 6), t = qFromLittleEndian<int16_t>(d + 8);
        const int16_t r = qFromLittleEndian<int16_t>(d + 10), b = qFromLittleEndian<int16_t>(d + 12);
        const int inch = qFromLittleEndian<uint16_t>(d + 14);
        if (inch == 0)
            mfError("zero units per inch");
        if (n < 22 + 18)
            mfError("truncated header");
        const uchar *h = d + 22;
        const int hdrWords = qFromLittleEndian<uint16_t>(h + 2);
        if (hdrWords != 9)
            mfError("bad header size");
        qsizetype at = 22 + 18;
        bool eof = false;
        while (at + 6 <= n) {
            const uint32_t words = qFromLittleEndian<uint32_t>(d + at);
            const int fn = qFromLittleEndian<uint16_t>(d + at + 4);
            if (words < 3 || qsizetype(words) * 2 > n - at)
                mfError("record size out of range");
            at += qsizetype(words) * 2;
            if (fn == 0) { eof = true; break; }
        }
        if (!eof)
            mfError("truncated records");
        enhanced = false;
        width = int(std::nearbyint(std::abs(double(r) - l) * 96.0 / inch));
        height = int(std::nearbyint(std::abs(double(b) - t) * 96.0 / inch));
        return;
    }
    if (n < 108 || qFromLittleEndian<uint32_t>(d) != 1 || qFromLittleEndian<uint32_t>(d + 40) != 0x464D4520u)
        mfError("no metafile header");
    const uint32_t hdrSize = qFromLittleEndian<uint32_t>(d + 4);
    const uint32_t total = qFromLittleEndian<uint32_t>(d + 48);
    if (hdrSize < 88 || hdrSize > uint32_t(n) || total > uint32_t(n) || total < hdrSize)
        mfError("bad header size");
    qsizetype at = 0;
    bool eof = false;
    while (at + 8 <= qsizetype(total)) {
        const uint32_t type = qFromLittleEndian<uint32_t>(d + at);
        const uint32_t size = qFromLittleEndian<uint32_t>(d + at + 4);
        if (size < 8 || (size & 3) || qsizetype(size) > qsizetype(total) - at)
            mfError("record size out of range");
        at += size;
        if (type == 14) { eof = true; break; }
    }
    if (!eof)
        mfError("truncated records");
    // The frame is in hundredths of a millimetre; pixels at 96 per inch.
    const int32_t fl = qFromLittleEndian<int32_t>(d + 24), ft = qFromLittleEndian<int32_t>(d + 28);
    const int32_t fr = qFromLittleEndian<int32_t>(d + 32), fb = qFromLittleEndian<int32_t>(d + 36);
    const double w = (double(fr) - fl) * 96.0 / 2540.0, h = (double(fb) - ft) * 96.0 / 2540.0;
    if (!(w >= 0 && h >= 0 && w <= vdMaxGraphicSide && h <= vdMaxGraphicSide))
        mfError("frame out of range");
    enhanced = true;
    width = int(std::nearbyint(w));
    height = int(std::nearbyint(h));
}

// ---------------------------------------------------------------- TMetafile

VD_DEFINE_GRAPHIC_CLASS(TMetafile, TGraphic)
VD_DEFINE_GRAPHIC_CLASS(TvdxMetafile, TMetafile)

TMetafile::TMetafile()
{
    m_transparent = true;
}

TMetafile::~TMetafile() = default;

void TMetafile::SetWidth(int w)
{
    if (w != m_width) {
        m_width = std::max(0, w);
        Changed();
    }
}

void TMetafile::SetHeight(int h)
{
    if (h != m_height) {
        m_height = std::max(0, h);
        Changed();
    }
}

Canvas &TMetafile::GetCanvas()
{
    if (!m_recorder) {
        vdCheckGraphicSize(m_width, m_height, "Metafile");
        m_recorder = std::make_unique<EmfRecorderCanvas>(std::max(m_width, 1), std::max(m_height, 1));
    }
    return *m_recorder;
}

void TMetafile::ReleaseCanvas()
{
    if (!m_recorder)
        return;
    m_data = m_recorder->finish();
    m_recorder.reset();
    m_enhanced = true;
    Changed();
}

void TMetafile::LoadFromStream(QIODevice &stream)
{
    const QByteArray bytes = stream.readAll();
    bool enhanced = true;
    int w = 0, h = 0;
    vdValidateMetafile(bytes, enhanced, w, h);
    m_recorder.reset();
    m_data = bytes;
    m_enhanced = enhanced;
    m_width = w;
    m_height = h;
    Changed();
}

void TMetafile::SaveToStream(QIODevice &stream) const
{
    const_cast<TMetafile *>(this)->ReleaseCanvas();
    if (stream.write(m_data) != m_data.size())
        throw EInvalidGraphic(QStringLiteral("Stream write error"));
}

void TMetafile::Assign(const TGraphic &source)
{
    if (&source == this)
        return;
    if (const auto *m = dynamic_cast<const TMetafile *>(&source)) {
        const_cast<TMetafile *>(m)->ReleaseCanvas();
        m_recorder.reset();
        m_data = m->m_data;
        m_enhanced = m->m_enhanced;
        m_width = m->m_width;
        m_height = m->m_height;
        m_transparent = m->m_transparent;
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TMetafile::Play(Canvas &canvas, const TRect &rect) const
{
    const_cast<TMetafile *>(this)->ReleaseCanvas();
    if (m_data.isEmpty())
        return;
    const vdMetafilePlayerFn &player = vdMetafilePlayer();
    if (player)
        player(canvas, m_data, rect);
}

void TMetafile::Draw(Canvas &canvas, const TRect &rect) const
{
    Play(canvas, TRect(rect.Left, rect.Top, rect.Right - 1, rect.Bottom - 1));
}

void TvdxMetafile::Draw(Canvas &canvas, const TRect &rect) const
{
    Play(canvas, rect);
}

QImage TMetafile::ToImage() const
{
    if (m_width <= 0 || m_height <= 0)
        return {};
    QImage img(m_width, m_height, QImage::Format_ARGB32_Premultiplied);
    img.fill(0);
    {
        QPainterCanvas c(img);
        Draw(c, TRect(0, 0, m_width, m_height));
    }
    return img;
}
