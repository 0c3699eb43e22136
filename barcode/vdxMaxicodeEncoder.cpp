#include "barcode/vdxMaxicodeEncoder.h"

#include "barcode/vdxMaxiCodeImpl.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"

#include <QPainter>
#include <QPolygon>
#include <cmath>

namespace {
constexpr double kScale = 2.47;
int R(double v) { return int(std::nearbyint(v)); }
} // namespace

TMaxicodeEncoder::TMaxicodeEncoder() = default;

void TMaxicodeEncoder::SetData(const QString &value)
{
    if (value == m_data && m_rendered)
        return;
    m_data = value;
    m_rendered = false; // until a rendering succeeds
    render();
}

void TMaxicodeEncoder::SetMode(int value)
{
    if (value < 2 || value > 6)
        throw Exception(QStringLiteral("Invalid MaxiCode mode: %1").arg(value));
    if (value == m_mode && m_rendered)
        return;
    m_mode = value;
    m_rendered = false;
    render();
}

bool TMaxicodeEncoder::GetIsBlack(int row, int column) const
{
    return m_bitmap.valid(column, row) && m_bitmap.pixelIndex(column, row) == 0;
}

void TMaxicodeEncoder::render()
{
    TMaxiCodeImpl impl;
    impl.Encode(EncodeCodePage(m_data, AnsiCodePage()), m_mode);

    const QPointF far = TMaxiCodeImpl::HexagonCenter(32, 29);
    double m = 0;
    for (int j = 0; j < 6; ++j) {
        const QPointF p = TMaxiCodeImpl::HexagonPointByIndex(far, j);
        m = std::max({m, p.x(), p.y()});
    }
    const int size = R(m * kScale) + 1;
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::black);
        for (int i = 0; i < impl.HexagonCount(); ++i) {
            QPolygon poly;
            for (int j = 0; j < 6; ++j) {
                const QPointF c = impl.GetHexagonPoint(i, j);
                poly << QPoint(R(c.x() * kScale), R(c.y() * kScale));
            }
            p.drawPolygon(poly);
        }
        p.setBrush(Qt::white);
        p.setPen(QPen(Qt::black, 4));
        for (int i = 0; i < impl.EllipceCount(); ++i) {
            const QRectF e = impl.GetEllipseRect(i);
            const QPoint a(R(e.left() * kScale), R(e.top() * kScale));
            const QPoint b(R(e.right() * kScale) + 1, R(e.bottom() * kScale) + 1);
            p.drawEllipse(QRect(a, b - QPoint(1, 1)));
        }
    }
    // A one-bit raster, black as index 0.
    QImage bits(size, size, QImage::Format_Mono);
    bits.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            bits.setPixel(x, y, qGray(image.pixel(x, y)) < 128 ? 0 : 1);
    m_bitmap = std::move(bits);
    m_rendered = true;
    ++m_renderCount;
}
