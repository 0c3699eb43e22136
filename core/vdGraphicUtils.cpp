#include "core/vdGraphicUtils.h"
#include "platform/Canvas.h"
#include "platform/EmfPlayer.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/EnhMetafile.h"
#include "platform/QPainterCanvas.h"
#include <QIODevice>
#include <QMutex>
#include <QMutexLocker>
#include <QtEndian>
#include <cmath>

namespace {

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
    try {
        const EnhMetafile mf = EnhMetafile::fromBytes(bytes);
        vdCheckGraphicSize(mf.width(), mf.height(), "Metafile");
        enhanced = mf.isEnhanced();
        width = mf.width();
        height = mf.height();
    } catch (const EMetafileError &e) {
        throw EInvalidGraphic(QStringLiteral("Metafile is not valid: %1").arg(e.message()));
    }
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
