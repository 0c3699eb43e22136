// Reads "^GFA" graphic fields back into rows of bytes, independently of the
// writer: repeat letters, "," (rest of the row zero), ":" (the row before again).
#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

struct GfaField {
    int total = 0;
    int fieldCount = 0;
    int bytesPerRow = 0;
    QList<QByteArray> rows; // each bytesPerRow bytes
    bool ok = false;
    QString error;

    // Whether the dot at (x, y) is printed.
    bool dot(int x, int y) const
    {
        return (uchar(rows.at(y).at(x / 8)) >> (7 - x % 8)) & 1;
    }
    int height() const { return int(rows.size()); }
};

// Decodes the first "^GFA" field of text at or after from; end receives the
// position after its "^FS".
GfaField decodeGfa(const QByteArray &text, qsizetype from = 0, qsizetype *end = nullptr);
