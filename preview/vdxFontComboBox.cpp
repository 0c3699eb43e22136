#include "preview/vdxFontComboBox.h"

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMap>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <cmath>

namespace {

TvdxFontComboBox::FontSource &fontSource()
{
    static TvdxFontComboBox::FontSource source;
    return source;
}

QList<QPair<QString, int>> screenFonts()
{
    if (fontSource())
        return fontSource()();
    QList<QPair<QString, int>> out;
    for (const QString &family : QFontDatabase::families())
        out.append({family, QFontDatabase::isSmoothlyScalable(family) ? vdxTrueTypeFontType : vdxRasterFontType});
    return out;
}

// The two 15 x 12 marks: a doubled T for outline fonts, a printer for device fonts.
QPixmap makeGlyph(bool trueType, int ppi)
{
    QImage img(15, 12, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    if (trueType) {
        p.fillRect(1, 1, 7, 2, QColor(128, 128, 128));
        p.fillRect(4, 1, 2, 9, QColor(128, 128, 128));
        p.fillRect(6, 3, 7, 2, QColor(0, 0, 128));
        p.fillRect(9, 3, 2, 9, QColor(0, 0, 128));
    } else {
        p.fillRect(4, 1, 7, 4, Qt::white);
        p.setPen(Qt::black);
        p.drawRect(4, 1, 6, 3);
        p.fillRect(1, 5, 13, 5, QColor(128, 128, 128));
        p.fillRect(4, 10, 7, 2, Qt::black);
    }
    p.end();
    if (ppi > 96)
        img = img.scaled(MulDiv(15, ppi, 96), MulDiv(12, ppi, 96), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return QPixmap::fromImage(img);
}

} // namespace

class FontItemDelegate : public QStyledItemDelegate {
public:
    explicit FontItemDelegate(TvdxFontComboBox *combo) : QStyledItemDelegate(combo), m_combo(combo) {}

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return QSize(m_combo->width(), m_combo->ItemHeight());
    }

    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QRect r = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        p->fillRect(r, toQColor(selected ? clHighlight : clWindow));
        const int type = index.data(Qt::UserRole).toInt();
        const QPixmap glyph = m_combo->glyphFor(type);
        int textLeft = r.left() + 15 + 2;
        if (!glyph.isNull()) {
            p->drawPixmap(r.left() + 1, r.top() + (r.height() - glyph.height()) / 2, glyph);
            textLeft = r.left() + glyph.width() + 2;
        }
        p->setPen(toQColor(selected ? clHighlightText : clWindowText));
        p->drawText(QRect(textLeft, r.top(), r.right() - textLeft, r.height()),
                    Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, index.data().toString().left(255));
        p->setPen(toQColor(clBtnShadow));
        const int row = index.row(), recent = m_combo->RecentCountIndex();
        if (row == recent)
            p->drawLine(r.left(), r.bottom() - 1, r.right(), r.bottom() - 1);
        if (recent != -1 && row == recent + 1)
            p->drawLine(r.left(), r.top(), r.right(), r.top());
    }

private:
    TvdxFontComboBox *m_combo;
};

// ------------------------------------------------------------- preview

TvdxFontPreview::TvdxFontPreview(QWidget *combo)
    : QWidget(combo, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(200, 50);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_panel = new QLabel(this);
    m_panel->setFrameShape(QFrame::Box);
    m_panel->setAlignment(Qt::AlignCenter);
    m_panel->setAutoFillBackground(true);
    QPalette pal = m_panel->palette();
    pal.setColor(QPalette::Window, toQColor(clWindow));
    pal.setColor(QPalette::WindowText, toQColor(clWindowText));
    m_panel->setPalette(pal);
    layout->addWidget(m_panel);
    SetDefaultFontSize(96);
    hide();
}

void TvdxFontPreview::SetDefaultFontSize(int ppi)
{
    Q_UNUSED(ppi); // point sizes follow the screen by themselves
    QFont f = m_panel->font();
    f.setPointSize(18);
    m_panel->setFont(f);
}

void TvdxFontPreview::ShowSample(const QString &family, int ppi)
{
    SetDefaultFontSize(ppi);
    QFont f = m_panel->font();
    f.setFamily(family);
    m_panel->setText(family);
    const int textWidth = QFontMetrics(f).horizontalAdvance(family);
    if (textWidth > width() && width() > 0) {
        const double px = QFontInfo(f).pixelSize();
        f.setPixelSize(std::max(1, int(std::lround(px / (double(textWidth) / width())))));
    }
    m_panel->setFont(f);
}

// ------------------------------------------------------------- font box

void TvdxFontComboBox::SetFontSource(FontSource source)
{
    fontSource() = std::move(source);
}

TvdxFontComboBox::TvdxFontComboBox(QWidget *owner) : TvdxCustomComboBox(owner)
{
    m_preview = new TvdxFontPreview(this);
    setItemDelegate(new FontItemDelegate(this));
    resize(150, height());
    PPIChanging(m_currentPPI);
    connect(this, &QComboBox::activated, this, [this](int index) { CloseUp(index); });
    connect(this, &QComboBox::highlighted, this, [this](int index) {
        if (index >= 0 && m_preview)
            m_preview->ShowSample(itemText(index), m_currentPPI);
    });
}

TvdxFontComboBox::~TvdxFontComboBox() = default;

int TvdxFontComboBox::FontType(int index) const
{
    return itemData(index, Qt::UserRole).toInt();
}

QPixmap TvdxFontComboBox::glyphFor(int type) const
{
    if (type & vdxTrueTypeFontType)
        return m_ttGlyph;
    if (type & vdxDeviceFontType)
        return m_devGlyph;
    return QPixmap();
}

void TvdxFontComboBox::PPIChanging(int newPPI)
{
    TvdxCustomComboBox::PPIChanging(newPPI);
    m_ttGlyph = makeGlyph(true, newPPI);
    m_devGlyph = makeGlyph(false, newPPI);
    SetDropDownCount(12);
    SetEditOffset(m_ttGlyph.width());
    SetReadOnly(true);
    if (m_ttGlyph.height() + 1 > m_itemHeight)
        m_itemHeight = m_ttGlyph.height() + 1;
}

void TvdxFontComboBox::PopulateList()
{
    const QString keep = currentText();
    QMap<QString, QPair<QString, int>> sorted;
    for (const auto &font : screenFonts()) {
        const QString name = font.first.left(32);
        const QString key = name.toLower();
        if (!name.isEmpty() && !sorted.contains(key))
            sorted.insert(key, {name, font.second});
    }
    // Printer-resident fonts do not exist here: the list holds screen fonts.
    const QSignalBlocker block(this);
    clear();
    for (const auto &f : sorted)
        addItem(f.first, f.second);
    m_recentIndex = -1;
    if (ShowMRU && m_iniFile) {
        const QString section = QStringLiteral("MRUFont");
        for (int n = 4; n >= 0; --n) {
            const QString fontKey = QStringLiteral("Font%1").arg(n), typeKey = QStringLiteral("FontType%1").arg(n);
            const QString name = m_iniFile->ReadString(section, fontKey, QString());
            if (!name.isEmpty() && findText(name, Qt::MatchExactly) >= 0) {
                insertItem(0, name, m_iniFile->ReadInteger(section, typeKey, 0));
                ++m_recentIndex;
            } else {
                m_iniFile->WriteString(section, fontKey, QString());
                m_iniFile->WriteInteger(section, typeKey, 0);
            }
        }
    }
    setCurrentIndex(findText(keep, Qt::MatchExactly));
}

void TvdxFontComboBox::Loaded()
{
    m_updating = true;
    PopulateList();
    m_updating = false;
    if (findText(currentText(), Qt::MatchExactly) < 0 && count() > 0)
        setCurrentIndex(0);
}

void TvdxFontComboBox::showPopup()
{
    TvdxCustomComboBox::showPopup();
    if (currentIndex() < 5 && count() > 0)
        view()->setCurrentIndex(model()->index(0, 0));
    if (!m_preview)
        return;
    const QPoint br = mapToGlobal(QPoint(width(), height()));
    int left = br.x() + 1, top = br.y();
    QScreen *s = screen();
    const int workRight = s ? s->availableGeometry().right() + 1 : 1 << 20;
    if (left + m_preview->width() > workRight)
        left = mapToGlobal(QPoint(0, 0)).x() - m_preview->width() - 1;
    if (ListOpensUpward())
        top = mapToGlobal(QPoint(0, 0)).y() - m_preview->height();
    m_preview->move(left, top);
    if (view()->currentIndex().isValid())
        m_preview->ShowSample(view()->currentIndex().data().toString(), m_currentPPI);
    m_preview->show();
}

void TvdxFontComboBox::hidePopup()
{
    if (m_preview)
        m_preview->hide();
    TvdxCustomComboBox::hidePopup();
}

void TvdxFontComboBox::CloseUp(int index)
{
    if (m_preview)
        m_preview->hide();
    if (index <= 0 || index >= count() || !ShowMRU)
        return;
    const QString text = itemText(index);
    const int type = FontType(index);
    const int first = findText(text, Qt::MatchExactly);
    {
        const QSignalBlocker block(this);
        if (first > m_recentIndex) {
            insertItem(0, text, type);
            setCurrentIndex(0);
            if (m_recentIndex > 3)
                removeItem(5); // five recent fonts at most
            else
                ++m_recentIndex;
        } else {
            removeItem(first);
            insertItem(0, text, type);
            setCurrentIndex(0);
        }
    }
    writeSlots();
}

void TvdxFontComboBox::writeSlots()
{
    if (!m_iniFile)
        return;
    const QString section = QStringLiteral("MRUFont");
    for (int i = 0; i <= 4; ++i) {
        const bool used = i <= m_recentIndex;
        m_iniFile->WriteString(section, QStringLiteral("Font%1").arg(i), used ? itemText(i) : QString());
        m_iniFile->WriteInteger(section, QStringLiteral("FontType%1").arg(i), used ? FontType(i) : 0);
    }
}

void TvdxFontComboBox::DrawImage(QPainter &painter, const QRect &rect, int index)
{
    TvdxCustomComboBox::DrawImage(painter, rect, index);
    const int at = findText(currentText(), Qt::MatchExactly);
    if (at < 0)
        return;
    const QPixmap glyph = glyphFor(FontType(at));
    if (!glyph.isNull())
        painter.drawPixmap(rect.left(), rect.top() + (rect.height() - glyph.height()) / 2, glyph);
}
