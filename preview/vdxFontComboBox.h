// Font-name box: every screen font family, TrueType and device fonts marked
// with a small glyph, up to five recently used fonts on top (kept in the
// settings store it owns) and a large sample of the highlighted font.
#pragma once
#include "platform/IniFile.h"
#include "preview/vdxComboBox.h"

#include <QPixmap>
#include <functional>
#include <memory>

class QLabel;

// Font type bits of an item.
constexpr int vdxRasterFontType = 1;
constexpr int vdxDeviceFontType = 2;
constexpr int vdxTrueTypeFontType = 4;

class TvdxFontPreview : public QWidget {
    Q_OBJECT
public:
    explicit TvdxFontPreview(QWidget *combo);
    QLabel *Panel() const { return m_panel; }
    // Size 18 at the given PPI.
    void SetDefaultFontSize(int ppi);
    // Shows the name in its own font, shrunk until it fits the window.
    void ShowSample(const QString &family, int ppi);

private:
    QLabel *m_panel;
};

class TvdxFontComboBox : public TvdxCustomComboBox {
    Q_OBJECT
public:
    explicit TvdxFontComboBox(QWidget *owner = nullptr);
    ~TvdxFontComboBox() override;

    // The box owns its store; setting another frees the one it had.
    TCustomIniFile *IniFile() const { return m_iniFile.get(); }
    void SetIniFile(std::unique_ptr<TCustomIniFile> store) { m_iniFile = std::move(store); }
    bool ShowMRU = true;
    QString MRURegKey = QStringLiteral("\\Software\\Quennet\\MRUFont");
    int RecentCountIndex() const { return m_recentIndex; }
    TvdxFontPreview *Preview() const { return m_preview; }
    int FontType(int index) const;
    QPixmap TrueTypeGlyph() const { return m_ttGlyph; }
    QPixmap DeviceGlyph() const { return m_devGlyph; }

    // Refills the list: families sorted, recent fonts on top.
    void PopulateList();
    // Refill after a stored form was read, falling back to the first item.
    void Loaded();
    // The close-up step for a chosen item: it becomes the most recent font.
    void CloseUp(int index);

    void showPopup() override;
    void hidePopup() override;

    // Tests and hosts fix the font families (name and type bits); empty
    // restores the screen's.
    using FontSource = std::function<QList<QPair<QString, int>>()>;
    static void SetFontSource(FontSource source);

protected:
    void PPIChanging(int newPPI) override;
    void DrawImage(QPainter &painter, const QRect &rect, int index) override;

private:
    void writeSlots();
    QPixmap glyphFor(int type) const;
    friend class FontItemDelegate;

    std::unique_ptr<TCustomIniFile> m_iniFile;
    TvdxFontPreview *m_preview = nullptr;
    QPixmap m_ttGlyph;
    QPixmap m_devGlyph;
    int m_recentIndex = -1;
    bool m_updating = false;
};
