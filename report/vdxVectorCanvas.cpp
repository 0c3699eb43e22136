#include "report/vdxVectorCanvas.h"
#include "core/vdUtils.h"

TVector_ExtTextOut::TVector_ExtTextOut(int x, int y, unsigned options, const TRect &rect, const QString &str,
                                       const int *dx, int count)
    : m_x(x), m_y(y), m_options(options), m_rect(rect), m_str(str)
{
    if (dx && count > 0)
        m_dx.assign(dx, dx + count);
}

int TVector_ExtTextOut::TextLength() const
{
    long long sum = 0;
    for (int d : m_dx)
        sum += d;
    return SaturatedInt(sum);
}

QString TVector_ExtTextOut::AsString() const
{
    QString dx = QStringLiteral("  Dx:");
    for (int d : m_dx)
        dx += u' ' + QString::number(d);
    return QStringLiteral("ExtTextOutW\r\n  X, Y, Options: %1, %2, %3\r\n  Rect: %4 %5 %6 %7\r\n  Text: %8\r\n")
               .arg(m_x)
               .arg(m_y)
               .arg(m_options)
               .arg(m_rect.Left)
               .arg(m_rect.Top)
               .arg(m_rect.Right)
               .arg(m_rect.Bottom)
               .arg(m_str) +
           dx;
}

TVector_ExtTextOutA::TVector_ExtTextOutA(int x, int y, unsigned options, const TRect &rect, const QByteArray &str,
                                         const int *dx)
    : TVector_ExtTextOut(x, y, options, rect, AnsiToWideStr(str, 1), dx, int(str.size()))
{
}

void TVectorCanvas::ExtTextOutW(int x, int y, unsigned options, const TRect &rect, const QString &str, const int *dx)
{
    m_items.push_back(std::make_unique<TVector_ExtTextOutW>(x, y, options, rect, str, dx));
}

void TVectorCanvas::ExtTextOutA(int x, int y, unsigned options, const TRect &rect, const QByteArray &str,
                                const int *dx)
{
    m_items.push_back(std::make_unique<TVector_ExtTextOutA>(x, y, options, rect, str, dx));
}

bool IsVectorTextRecord(const TVector_ExtTextOut *item) { return item != nullptr; }
