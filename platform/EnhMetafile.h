// A metafile picture held as its file bytes: an enhanced metafile, or a
// Windows metafile kept as loaded. Knows its size from the header, records
// new content through the EMF recorder and draws through the player.
#pragma once
#include "platform/EmfPlayer.h"
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <memory>

class EmfRecorderCanvas;
class QIODevice;

class EnhMetafile {
public:
    EnhMetafile() = default;
    // Checked copy of metafile bytes; throws EMetafileError.
    static EnhMetafile fromBytes(const QByteArray &bytes);

    bool isEmpty() const { return m_bytes.isEmpty(); }
    const QByteArray &bytes() const { return m_bytes; }
    MetafileKind kind() const { return m_info.kind; }
    bool isEnhanced() const { return m_info.kind == MetafileKind::Enhanced; }
    // Size in pixels at 96 per inch, and the frame in 0.01 mm.
    int width() const { return m_width; }
    int height() const { return m_height; }
    int mmWidth() const { return m_info.frame01mm.Width(); }
    int mmHeight() const { return m_info.frame01mm.Height(); }
    // A new size for the next recording (the content stays as it is).
    void setSize(int width, int height);

    // Replaces the content: loads all bytes left in the device.
    void load(QIODevice &device);
    void save(QIODevice &device) const;
    void clear();

    // Recording: a canvas over the picture's size; endRecording stores what
    // was drawn (the canvas may then be dropped).
    std::unique_ptr<EmfRecorderCanvas> beginRecording() const;
    void endRecording(EmfRecorderCanvas &canvas);

    // The content as an enhanced metafile (Windows metafiles are converted).
    QByteArray toEmf() const;
    // Plays the picture so that its frame fills dest.
    void play(Canvas &canvas, const TRect &dest) const;
    // The picture on a background at a pixel size (its own size when 0).
    QImage toImage(int width = 0, int height = 0, const QColor &background = Qt::white) const;

private:
    QByteArray m_bytes;
    MetafileHeaderInfo m_info;
    int m_width = 0;
    int m_height = 0;
};
