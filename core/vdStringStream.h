// A memory stream that holds text: text written to it goes in as UTF-8, and
// its bytes read back as that text.
#pragma once
#include <QBuffer>
#include <QString>

class TvdStringStream : public QBuffer {
    Q_OBJECT
public:
    explicit TvdStringStream(const QString &text = QString());
    // Every byte of the stream as text.
    QString DataString() const { return QString::fromUtf8(data()); }
    // Writes the text at the current position.
    void WriteString(const QString &text);
};
