// The font object of report components: name, size in points, colour, style
// and character set, at a fixed 96 pixels per inch. Stored through its
// published properties (Font.Name, Font.Height...).
#pragma once
#include "core/vdPersistent.h"
#include "platform/GraphicsTypes.h"

#include <functional>

class TvdFont : public TvdPersistent {
    Q_OBJECT
public:
    enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
    Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
    Q_FLAG(TFontStyles)

private:
    Q_PROPERTY(int Charset READ Charset WRITE SetCharset)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(int Size READ Size WRITE SetSize STORED false)
    Q_PROPERTY(TFontStyles Style READ Style WRITE SetStyle)

public:
    TvdFont();

    int Charset() const { return m_charset; }
    void SetCharset(int value);
    TColor Color() const { return m_color; }
    void SetColor(int value);
    // Character height in pixels at PixelsPerInch, negative as the platform stores it.
    int Height() const { return m_height; }
    void SetHeight(int value);
    QString Name() const { return m_name; }
    void SetName(const QString &value);
    int Size() const;
    void SetSize(int points);
    TFontStyles Style() const { return m_style; }
    void SetStyle(TFontStyles value);
    int PixelsPerInch() const { return m_ppi; }
    void SetPixelsPerInch(int value) { m_ppi = value > 0 ? value : 96; }

    // Copies another font (firing OnChange once).
    void Assign(const TvdPersistent *source) override;
    bool Equals(const TvdFont &other) const;

    std::function<void()> OnChange;

private:
    void changed();

    int m_charset = 1;
    TColor m_color = 0;
    int m_height = -13;
    QString m_name = QStringLiteral("Arial");
    TFontStyles m_style;
    int m_ppi = 96;
    int m_updating = 0;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdFont::TFontStyles)
