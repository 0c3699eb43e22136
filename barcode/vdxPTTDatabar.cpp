#include "barcode/vdxPTTDatabar.h"

namespace {
const char kRangeMessage[] = "Must be digital from 4 to 64,570,080";
}

TvdxPTTDatabar::TvdxPTTDatabar()
{
    m_pixelWidth = m_pixelHeight = 1;
    m_quietZone = 0;
    m_height = 0;
    SetText(QStringLiteral("12345678"));
}

QString TvdxPTTDatabar::Convert(const QString &text)
{
    bool ok = false;
    qint64 n = text.trimmed().toLongLong(&ok);
    if (!ok || text.trimmed() != text)
        n = 0;
    if (n < 4 || n > 64570080)
        throw Exception(QString::fromLatin1(kRangeMessage));
    QString bars;
    while (n != 0) {
        switch (n % 3) {
        case 0: bars.prepend(u'0'); n = (n - 3) / 3; break;
        case 1: bars.prepend(u'1'); n = (n - 1) / 3; break;
        default: bars.prepend(u'2'); n = (n - 2) / 3; break;
        }
    }
    return bars;
}

void TvdxPTTDatabar::BuildSymbol(const QString &, bool encode)
{
    ClearFigures();
    if (encode) {
        try {
            m_base = Convert(m_text);
        } catch (const Exception &e) {
            SetErrorText(e.message());
            m_base.clear();
        }
    }
    if (!m_base.isEmpty()) {
        SetErrorText(QString());
        layout();
    } else if (m_errorText.isEmpty()) {
        SetErrorText(QStringLiteral("base = nil"));
    }
}

void TvdxPTTDatabar::layout()
{
    m_width = 8 * int(m_base.size()) - 4;
    if (m_height % 2 != 0)
        ++m_height;
    const int h = m_height / 2;
    for (qsizetype i = 0; i < m_base.size(); ++i) {
        const int left = 8 * int(i);
        switch (m_base[i].unicode()) {
        case u'0': FVectorPrimitivesAdd(left, 0, 4, m_height); break;
        case u'1': FVectorPrimitivesAdd(left, h, 4, h); break;
        default: FVectorPrimitivesAdd(left, 0, 4, h); break;
        }
    }
}

void TvdxPTTDatabar::Assign(const TvdxBarcode2DBase &source)
{
    TvdxBarcode2DBase::Assign(source);
    if (auto *s = dynamic_cast<const TvdxPTTDatabar *>(&source)) {
        m_height = s->m_height;
        m_quietZone = s->m_quietZone;
        m_base = s->m_base;
        BuildSymbol(m_text, true);
    }
}
