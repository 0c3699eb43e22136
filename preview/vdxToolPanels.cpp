#include "preview/vdxToolPanels.h"
#include "core/vdImageList.h"
#include "core/vdxUtils.h"
#include "preview/vdxFilterEdit.h"
#include "preview/vdxMixColors.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

// ---------------------------------------------------------------- buttons

TvdxToolPanelCustomButton::TvdxToolPanelCustomButton(TvdxToolPanel *owner) : QWidget(owner), m_strip(owner)
{
    const int h = owner ? owner->height() : 24;
    resize(h, h);
}

void TvdxToolPanelCustomButton::SetBounds(int left, int top, int width, int height)
{
    setGeometry(left, top, width, height);
}

TvdxToolPanelButton::TvdxToolPanelButton(TvdxToolPanel *owner) : TvdxToolPanelCustomButton(owner)
{
    setAttribute(Qt::WA_Hover);
}

void TvdxToolPanelButton::SetBounds(int left, int top, int width, int height)
{
    if (m_strip && m_strip->ImageList()) {
        width = height = m_strip->ImageList()->Height() + 8;
        if (m_style == fbsDropDownButton && height >= width)
            width += 16;
    }
    TvdxToolPanelCustomButton::SetBounds(left, top, width, height);
}

void TvdxToolPanelButton::SetButtonStyle(TvdxToolButttonStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    if (style == fbsDropDownButton)
        resize(width() + 16, height());
    if (m_strip)
        m_strip->RealignButtons();
    update();
}

void TvdxToolPanelButton::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    m_hot = true;
    update();
}

void TvdxToolPanelButton::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    m_hot = false;
    update();
}

void TvdxToolPanelButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_style == fbsRadioButton) {
        // Only the pressed buttons of the same group are released.
        if (m_strip && Group != -1)
            for (TvdxToolPanelCustomButton *b : m_strip->Buttons())
                if (auto *other = qobject_cast<TvdxToolPanelButton *>(b);
                    other && other != this && other->Group == Group && other->IsDown) {
                    other->IsDown = false;
                    other->update();
                }
        IsDown = true;
    } else if (m_style == fbsCheckButton) {
        IsDown = !IsDown;
    } else {
        IsDown = true;
    }
    update();
}

void TvdxToolPanelButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_style != fbsCheckButton && m_style != fbsRadioButton)
        IsDown = false;
    if (m_strip && m_strip->OnBtnClick)
        m_strip->OnBtnClick(this);
    update();
}

void TvdxToolPanelButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (!m_strip)
        p.fillRect(rect(), toQColor(clBtnFace));
    else if (m_strip->autoFillBackground())
        p.fillRect(rect(), m_strip->palette().color(QPalette::Window));
    const QRect r = rect().adjusted(2, 2, -2, -2);
    if (IsDown)
        p.fillRect(r, toQColor(MixColors(clWindow, clHighlight, 355)));
    else if (m_hot)
        p.fillRect(r, toQColor(MixColors(clWindow, clHighlight, 555)));
    if (m_hot) {
        p.setPen(toQColor(clHighlight));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    if (ImageIndex >= 0 && m_strip && m_strip->ImageList()) {
        if (isEnabled()) {
            m_strip->ImageList()->Draw(p, 4, 4, ImageIndex);
        } else {
            QImage img = m_strip->ImageList()->Image(ImageIndex).convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    const QRgb c = img.pixel(x, y);
                    const int g = qGray(c);
                    img.setPixel(x, y, qRgba(g, g, g, qAlpha(c) / 2));
                }
            p.drawImage(4, 4, img);
        }
    }
    if (m_style == fbsDropDownButton && m_strip) {
        const int aw = m_strip->GetArrowWidth();
        DrawArrowGlyph(p, QRect(r.right() + 1 - aw, r.top(), aw, r.height()), clBtnText, false, true);
    }
}

TvdxToolPanelSeparator::TvdxToolPanelSeparator(TvdxToolPanel *owner) : TvdxToolPanelCustomButton(owner)
{
    resize((owner ? owner->height() : 24) / 3, height());
}

void TvdxToolPanelSeparator::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int x = width() / 2;
    p.setPen(toQColor(clBtnShadow));
    p.drawLine(x - 1, 2, x - 1, height() - 2);
    p.setPen(toQColor(clBtnHighlight));
    p.drawLine(x, 2, x, height() - 2);
}

// ------------------------------------------------------------------ strip

TvdxToolPanel::TvdxToolPanel(QWidget *parent) : TvdxDPIAwarePanel(parent)
{
    setFrameShape(QFrame::NoFrame);
}

TvdxToolPanelButton *TvdxToolPanel::AddButton(int imageIndex, const QString &hint, int tag,
                                              TvdxToolButttonStyle style, int group)
{
    auto *b = static_cast<TvdxToolPanelButton *>(AddCustomButton(fbkButton));
    b->Tag = tag;
    b->ImageIndex = imageIndex;
    b->SetButtonStyle(style);
    b->Group = group;
    b->setToolTip(hint);
    RealignButtons();
    return b;
}

TvdxToolPanelCustomButton *TvdxToolPanel::AddCustomButton(TvdxToolButttonKind kind)
{
    TvdxToolPanelCustomButton *b = kind == fbkButton ? static_cast<TvdxToolPanelCustomButton *>(new TvdxToolPanelButton(this))
                                                     : new TvdxToolPanelSeparator(this);
    m_buttons.append(b);
    b->show();
    RealignButtons();
    return b;
}

void TvdxToolPanel::RealignButtons()
{
    if (!m_images)
        return;
    int x = 0;
    for (TvdxToolPanelCustomButton *b : m_buttons) {
        if (b->isHidden() && b->testAttribute(Qt::WA_WState_ExplicitShowHide))
            continue;
        b->SetBounds(x, 0, b->width(), height());
        x += b->width();
    }
}

int TvdxToolPanel::ButtonsWidth() const
{
    int w = 0;
    for (const TvdxToolPanelCustomButton *b : m_buttons)
        if (!(b->isHidden() && b->testAttribute(Qt::WA_WState_ExplicitShowHide)))
            w += b->width();
    return w;
}

void TvdxToolPanel::SetImageList(TvdImageList *images)
{
    m_images = images;
    if (!images)
        return;
    SetBounds(x(), y(), width(), images->Height() + 8);
    for (TvdxToolPanelCustomButton *b : m_buttons)
        if (qobject_cast<TvdxToolPanelSeparator *>(b))
            b->SetBounds(b->x(), 0, height() / 3, height());
        else
            b->SetBounds(b->x(), 0, height(), height());
    RealignButtons();
}

void TvdxToolPanel::SetBounds(int left, int top, int w, int h)
{
    if (m_images)
        h = m_images->Height() + 8;
    setGeometry(left, top, w, h);
    setFixedHeight(h);
}

// ------------------------------------------------------ strip with filter

TvdxToolWithFilterPanel::TvdxToolWithFilterPanel(QWidget *parent) : TvdxDPIAwarePanel(parent)
{
    setFrameShape(QFrame::NoFrame);
    m_strip = new TvdxToolPanel(this);
    m_holder = new TvdxDPIAwarePanel(m_strip);
    m_holder->setFrameShape(QFrame::NoFrame);
    m_filter = new TvdxFilterEdit(m_holder);
    QFont f = m_filter->EditControl()->font();
    f.setPointSize(8);
    m_filter->EditControl()->setFont(f);
    m_filter->OnFilterChanged = [this](QObject *sender) {
        if (OnFilterChanged)
            OnFilterChanged(sender);
    };
    m_strip->SetBounds(0, 0, width(), 24);
    placeChildren();
}

void TvdxToolWithFilterPanel::placeChildren()
{
    const int h = m_strip->height();
    m_strip->SetBounds(0, m_toolAlign == ftaTop ? 0 : height() - h, width(), h);
    layoutFilter();
}

void TvdxToolWithFilterPanel::resizeEvent(QResizeEvent *event)
{
    TvdxDPIAwarePanel::resizeEvent(event);
    placeChildren();
}

void TvdxToolWithFilterPanel::layoutFilter()
{
    const int W = width();
    const int sh = m_strip->height();
    m_strip->setGeometry(m_strip->x(), m_strip->y(), W, sh);
    const int free = W - m_strip->ButtonsWidth() - sh / 3;
    int holderWidth = m_holder->width();
    bool shown = m_holderShown;
    if (m_filterAlign == vdaWidth) {
        holderWidth = W - sh / 3;
    } else if (free > m_maxWidth) {
        holderWidth = m_maxWidth;
    } else if (free < m_minWidth) {
        shown = false;
    } else {
        holderWidth = free;
    }
    if (free > m_minWidth)
        shown = true;
    m_holderShown = shown;
    holderWidth = std::max(0, holderWidth);
    const int left = m_filterAlign == vdaRight ? W - holderWidth : m_strip->ButtonsWidth() + sh / 3;
    // The holder has a border of 2 around the edit.
    m_holder->setGeometry(left, 0, holderWidth, sh);
    m_filter->setGeometry(2, 2, std::max(0, holderWidth - 4), std::max(0, sh - 4));
    m_holder->setVisible(shown && m_filterVisible);
}

void TvdxToolWithFilterPanel::SetToolPanelAlign(TvdxToolAlign value)
{
    m_toolAlign = value;
    placeChildren();
}

TColor TvdxToolWithFilterPanel::FilterColor() const
{
    return m_filter->FilterColor();
}

void TvdxToolWithFilterPanel::SetFilterColor(TColor color)
{
    m_filter->SetFilterColor(color);
    redrawIcons();
}

void TvdxToolWithFilterPanel::SetFilterVisible(bool value)
{
    m_filterVisible = value;
    layoutFilter();
}

bool TvdxToolWithFilterPanel::ToolVisible() const
{
    return !m_strip->isHidden();
}

void TvdxToolWithFilterPanel::SetToolVisible(bool value)
{
    m_strip->setVisible(value);
    placeChildren();
}

TvdImageList *TvdxToolWithFilterPanel::ToolImageList() const
{
    return m_strip->ImageList();
}

void TvdxToolWithFilterPanel::SetToolImageList(TvdImageList *images)
{
    m_strip->SetImageList(images);
    redrawIcons();
    placeChildren();
}

void TvdxToolWithFilterPanel::SetFilterActiveImageIndex(int value)
{
    m_activeIndex = value;
    redrawIcons();
}

void TvdxToolWithFilterPanel::SetFilterUnactiveImageIndex(int value)
{
    m_unactiveIndex = value;
    redrawIcons();
}

void TvdxToolWithFilterPanel::redrawIcons()
{
    auto draw = [this](int index) {
        TvdImageList *images = m_strip->ImageList();
        if (!images || index < 0)
            return QImage();
        QImage img(images->Width(), images->Height(), QImage::Format_ARGB32_Premultiplied);
        img.fill(toQColor(m_filter->FilterColor()));
        QPainter p(&img);
        images->Draw(p, 0, 0, index);
        return img;
    };
    m_filter->BitmapActive = draw(m_activeIndex);
    m_filter->BitmapUnactive = draw(m_unactiveIndex);
    m_filter->update();
}

void TvdxToolWithFilterPanel::PPIChanging(int newPPI)
{
    m_minWidth = MulDiv(m_minWidth, newPPI, CurrentPPI);
    m_maxWidth = MulDiv(m_maxWidth, newPPI, CurrentPPI);
}

// ------------------------------------------------------------- tree panel

TvdxTreePanel::TvdxTreePanel(QWidget *parent) : TvdxToolWithFilterPanel(parent)
{
    m_tree = new TvdxTreeView(this);
    m_tree->setFrameShape(QFrame::NoFrame);
    m_filter->OnFilterChanged = [this](QObject *sender) {
        m_tree->Filter(m_filter->Text());
        if (OnFilterChanged)
            OnFilterChanged(sender);
    };
    m_tree->OnExpandButtonClick = [this](QObject *) { m_strip->setVisible(m_tree->ExpandButtonState()); placeChildren(); };
    placeChildren();
}

void TvdxTreePanel::SetToolPanelAlign(TvdxToolAlign value)
{
    m_tree->SetExpandButtonAlign(value);
    TvdxToolWithFilterPanel::SetToolPanelAlign(value);
}

void TvdxTreePanel::layoutFilter()
{
    TvdxToolWithFilterPanel::layoutFilter();
    if (m_tree)
        m_tree->SetExpandButtonState(ToolVisible());
}

void TvdxTreePanel::placeChildren()
{
    TvdxToolWithFilterPanel::placeChildren();
    if (!m_tree)
        return;
    const int sh = ToolVisible() ? m_strip->height() : 0;
    if (ToolPanelAlign() == ftaTop)
        m_tree->setGeometry(0, sh, width(), std::max(0, height() - sh));
    else
        m_tree->setGeometry(0, 0, width(), std::max(0, height() - sh));
}
