// Recorder of the text runs the layout object writes in WYSIWYG mode, so
// vector exports get positioned runs with their advances instead of pixels.
#pragma once
#include "platform/GraphicsTypes.h"
#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

class TVector_ExtTextOut {
public:
    virtual ~TVector_ExtTextOut() = default;
    int X() const { return m_x; }
    int Y() const { return m_y; }
    unsigned Options() const { return m_options; }
    const TRect &Rect() const { return m_rect; }
    const std::vector<int> &Dx() const { return m_dx; }
    const QString &Str() const { return m_str; }
    // Sum of the advances; 0 without them.
    int TextLength() const;
    QString AsString() const;

protected:
    TVector_ExtTextOut(int x, int y, unsigned options, const TRect &rect, const QString &str, const int *dx,
                       int count);

private:
    int m_x;
    int m_y;
    unsigned m_options;
    TRect m_rect;
    std::vector<int> m_dx;
    QString m_str;
};

class TVector_ExtTextOutW : public TVector_ExtTextOut {
public:
    TVector_ExtTextOutW(int x, int y, unsigned options, const TRect &rect, const QString &str, const int *dx)
        : TVector_ExtTextOut(x, y, options, rect, str, dx, int(str.size()))
    {
    }
};

// Bytes in the ANSI code page, kept as wide text.
class TVector_ExtTextOutA : public TVector_ExtTextOut {
public:
    TVector_ExtTextOutA(int x, int y, unsigned options, const TRect &rect, const QByteArray &str, const int *dx);
};

class TVectorCanvas {
public:
    void ExtTextOutW(int x, int y, unsigned options, const TRect &rect, const QString &str, const int *dx);
    void ExtTextOutA(int x, int y, unsigned options, const TRect &rect, const QByteArray &str, const int *dx);
    int Count() const { return int(m_items.size()); }
    TVector_ExtTextOut *Items(int index) const { return m_items[size_t(index)].get(); }
    void Clear() { m_items.clear(); }

private:
    std::vector<std::unique_ptr<TVector_ExtTextOut>> m_items;
};

bool IsVectorTextRecord(const TVector_ExtTextOut *item);
