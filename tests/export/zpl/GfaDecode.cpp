#include "GfaDecode.h"

namespace {
int repeatValue(char c)
{
    if (c >= 'G' && c <= 'Y')
        return c - 'G' + 1;
    if (c >= 'g' && c <= 'z')
        return (c - 'g' + 1) * 20;
    return 0;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}
} // namespace

GfaField decodeGfa(const QByteArray &text, qsizetype from, qsizetype *end)
{
    GfaField f;
    const qsizetype start = text.indexOf("^GFA,", from);
    if (start < 0) {
        f.error = QStringLiteral("no ^GFA");
        return f;
    }
    qsizetype p = start + 5;
    int header[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const qsizetype comma = text.indexOf(',', p);
        if (comma < 0) {
            f.error = QStringLiteral("short header");
            return f;
        }
        header[i] = text.mid(p, comma - p).toInt();
        p = comma + 1;
    }
    f.total = header[0];
    f.fieldCount = header[1];
    f.bytesPerRow = header[2];
    const qsizetype stop = text.indexOf("^FS", p);
    if (stop < 0 || f.bytesPerRow <= 0) {
        f.error = QStringLiteral("no ^FS or no row size");
        return f;
    }
    const int nibblesPerRow = 2 * f.bytesPerRow;
    QByteArray nibbles; // of the row being read
    QByteArray previous(f.bytesPerRow, '\0');
    auto finishRow = [&] {
        nibbles.resize(nibblesPerRow, 0);
        QByteArray row(f.bytesPerRow, '\0');
        for (int i = 0; i < f.bytesPerRow; ++i)
            row[i] = char((nibbles[2 * i] << 4) | nibbles[2 * i + 1]);
        f.rows.append(row);
        previous = row;
        nibbles.clear();
    };
    int repeat = 0;
    for (qsizetype i = p; i < stop; ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n')
            continue;
        if (const int r = repeatValue(c)) {
            repeat += r;
            continue;
        }
        if (c == ',') {
            finishRow();
            repeat = 0;
            continue;
        }
        if (c == ':') {
            if (!nibbles.isEmpty()) {
                f.error = QStringLiteral("':' inside a row");
                return f;
            }
            f.rows.append(previous);
            repeat = 0;
            continue;
        }
        const int v = hexValue(c);
        if (v < 0) {
            f.error = QStringLiteral("bad character '%1'").arg(QLatin1Char(c));
            return f;
        }
        const int n = repeat ? repeat : 1;
        repeat = 0;
        for (int k = 0; k < n; ++k) {
            nibbles.append(char(v));
            if (nibbles.size() == nibblesPerRow)
                finishRow();
        }
    }
    if (!nibbles.isEmpty()) {
        f.error = QStringLiteral("unfinished row");
        return f;
    }
    if (f.total != f.bytesPerRow * f.rows.size()) {
        f.error = QStringLiteral("count %1 for %2 rows").arg(f.total).arg(f.rows.size());
        return f;
    }
    if (end)
        *end = stop + 3;
    f.ok = true;
    return f;
}
