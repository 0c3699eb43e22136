// Renders a MaxiCode symbol into a one-bit raster of fixed geometry: dark
// hexagons and the three bull's-eye rings.
#pragma once
#include <QImage>
#include <QString>

class TMaxicodeEncoder {
public:
    TMaxicodeEncoder();

    const QString &Data() const { return m_data; }
    // Renders when the text differs; failures raise and keep the raster.
    void SetData(const QString &value);
    int Mode() const { return m_mode; }
    // 2 to 6, else "Invalid MaxiCode mode: "; renders when the mode changes.
    void SetMode(int value);
    const QImage &Bitmap() const { return m_bitmap; }
    int Width() const { return m_bitmap.width(); }
    int Height() const { return m_bitmap.height(); }
    const uchar *GetScanLine(int column) const { return m_bitmap.constScanLine(column); }
    bool GetIsBlack(int row, int column) const;
    // Successful renderings so far.
    int RenderCount() const { return m_renderCount; }

private:
    void render();

    QString m_data;
    int m_mode = 4;
    QImage m_bitmap;
    bool m_rendered = false; // the raster shows m_data in m_mode
    int m_renderCount = 0;
};
