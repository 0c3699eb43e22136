#include "export/pdf/vdxExportHelpers.h"

#include "core/vdUtils.h"

#include <cmath>

QString FloatToPDFStr(int decimals, double value)
{
    QString s = FloatToFixedStr(value, decimals, u'.');
    if (s.contains(u'.')) {
        qsizetype n = s.size();
        while (n > 0 && s.at(n - 1) == u'0')
            --n;
        if (n > 0 && s.at(n - 1) == u'.')
            --n;
        s.truncate(n);
    }
    return s;
}

QString PairToStr(int decimals, double x, double y)
{
    return FloatToPDFStr(decimals, x) + u' ' + FloatToPDFStr(decimals, y);
}

QString PointToStr(const QPointF &point, int decimals)
{
    return PairToStr(decimals, point.x(), point.y());
}

QString PictureFormatName(TvdxPictureFormat format)
{
    switch (format) {
    case TvdxPictureFormat::pfPNG: return QStringLiteral("PNG");
    case TvdxPictureFormat::pfEMF: return QStringLiteral("VDEMF");
    case TvdxPictureFormat::pfBMP: return QStringLiteral("BMP");
    case TvdxPictureFormat::pfJPG: return QStringLiteral("JPG");
    case TvdxPictureFormat::pfBMP32: return QStringLiteral("BMP");
    }
    return QString();
}

// ---- Rotation ---------------------------------------------------------------------

void TRotation2D::Init(double radian, const QPointF &center, int precision)
{
    FCenter = center;
    Sinus = std::sin(radian);
    Cosinus = std::cos(radian);
    const double cx = center.x();
    const double cy = center.y();
    C1 = cx - cx * Cosinus + cy * Sinus;
    C2 = cy - cx * Sinus - cy * Cosinus;
    FMatrix = FloatToPDFStr(4, Cosinus) + u' ' + FloatToPDFStr(4, Sinus) + u' ' + FloatToPDFStr(4, -Sinus) + u' '
              + FloatToPDFStr(4, Cosinus) + u' ' + FloatToPDFStr(precision, C1) + u' ' + FloatToPDFStr(precision, C2);
}

QPointF TRotation2D::Turn(const QPointF &point) const
{
    const double dx = point.x() - FCenter.x();
    const double dy = point.y() - FCenter.y();
    return QPointF(FCenter.x() + dx * Cosinus + dy * Sinus, FCenter.y() - dx * Sinus + dy * Cosinus);
}

QString TRotation2D::Turn2Str(const QPointF &point) const
{
    return PointToStr(Turn(point), 3);
}

// ---- Outline nodes ----------------------------------------------------------------

TvdxCustomOutlineNode::~TvdxCustomOutlineNode()
{
    // Siblings are freed in a loop: a long chain would exhaust the stack.
    TvdxCustomOutlineNode *next = Next;
    Next = nullptr;
    while (next) {
        TvdxCustomOutlineNode *after = next->Next;
        next->Next = nullptr;
        delete next;
        next = after;
    }
    delete First;
    First = nullptr;
}

// ---- Routines -------------------------------------------------------------------------

uint32_t ArraySum(const QList<uint32_t> &values)
{
    uint32_t sum = 0;
    for (uint32_t v : values)
        sum += v;
    return sum;
}

bool HasDevanagari(const QString &text)
{
    for (QChar ch : text)
        if (ch.unicode() >= 0x0900 && ch.unicode() <= 0x097F)
            return true;
    return false;
}

bool HasSupportedTag(const QString &text)
{
    qsizetype start = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch == u'<') {
            start = i;
        } else if (ch == u'>' && start >= 0) {
            const QString tag = text.mid(start + 1, i - start - 1).toUpper();
            if (tag == u"B" || tag == u"I" || tag == u"U" || tag == u"SUB" || tag == u"SUP" || tag == u"STRIKE"
                || tag == u"NOWRAP" || tag.startsWith(u"FONT COLOR"))
                return true;
            start = -1;
        }
    }
    return false;
}
