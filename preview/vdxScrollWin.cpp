#include "preview/vdxScrollWin.h"

#include <QPainter>
#include <QScrollBar>

TvdxScrollWin::TvdxScrollWin(QWidget *owner) : QAbstractScrollArea(owner)
{
    m_currentPPI = vdScreenPPI();
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (auto o : {vdsHorizontal, vdsVertical}) {
        QScrollBar *sb = bar(o);
        sb->setRange(0, 0);
        connect(sb, &QAbstractSlider::actionTriggered, this, [this, o](int action) { onAction(o, action); });
    }
    SetBorderStyle(bsSingle);
}

QScrollBar *TvdxScrollWin::bar(TvdxScrollerOrientation o) const
{
    return o == vdsHorizontal ? horizontalScrollBar() : verticalScrollBar();
}

void TvdxScrollWin::SetBorderStyle(TvdxScrollBorderStyle value)
{
    m_borderStyle = value;
    setFrameShape(value == bsSingle ? QFrame::StyledPanel : QFrame::NoFrame);
    setFrameShadow(QFrame::Sunken);
}

void TvdxScrollWin::setRange(TvdxScrollerOrientation o, int value)
{
    const qint64 max = qint64(value) - m_page[o];
    if (OnScrollMaxChange && max >= 0)
        OnScrollMaxChange(this, o, int(std::min<qint64>(max, INT32_MAX)));
    m_range[o] = value;
    if (m_hideScrolls)
        return;
    // Qt's maximum is the last thumb position (range minus page); the
    // stored position is not clamped again here.
    QScrollBar *sb = bar(o);
    m_syncing = true;
    sb->setRange(0, value < m_page[o] ? 0 : int(std::clamp<qint64>(max, 0, INT32_MAX)));
    sb->setPageStep(std::max(0, m_page[o]));
    sb->setValue(m_pos[o]);
    m_syncing = false;
}

void TvdxScrollWin::setPage(TvdxScrollerOrientation o, int value)
{
    m_page[o] = value;
    setRange(o, m_range[o]);
}

void TvdxScrollWin::setPosition(TvdxScrollerOrientation o, int value)
{
    if (OnScrollPosChange)
        OnScrollPosChange(this, o, value);
    const qint64 last = qint64(m_range[o]) - m_page[o];
    qint64 v = value;
    if (v > last)
        v = last;
    if (v < 0)
        v = 0;
    if (v == m_pos[o])
        return;
    m_pos[o] = int(v);
    if (!m_hideScrolls) {
        m_syncing = true;
        bar(o)->setValue(m_pos[o]);
        m_syncing = false;
    }
    viewport()->update();
    if (o == vdsHorizontal)
        HorzPositionChanged();
    else
        VertPositionChanged();
}

void TvdxScrollWin::ScrollRequest(TvdxScrollerOrientation o, TvdxScrollCode code, int trackPos)
{
    const qint64 pos = m_pos[o];
    auto request = [&](qint64 v) { setPosition(o, int(std::clamp<qint64>(v, INT32_MIN, INT32_MAX))); };
    switch (code) {
    case scLineUp: request(pos - SmallChange); break;
    case scLineDown: request(pos + SmallChange); break;
    case scPageUp: request(pos - LargeChange); break;
    case scPageDown: request(pos + LargeChange); break;
    case scThumbPosition:
    case scThumbTrack: request(trackPos); break;
    case scTop: request(0); break;
    case scBottom: request(m_range[o]); break;
    case scEndScroll: break;
    }
}

void TvdxScrollWin::onAction(TvdxScrollerOrientation o, int action)
{
    if (m_syncing)
        return;
    QScrollBar *sb = bar(o);
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: ScrollRequest(o, scLineUp); break;
    case QAbstractSlider::SliderSingleStepAdd: ScrollRequest(o, scLineDown); break;
    case QAbstractSlider::SliderPageStepSub: ScrollRequest(o, scPageUp); break;
    case QAbstractSlider::SliderPageStepAdd: ScrollRequest(o, scPageDown); break;
    case QAbstractSlider::SliderMove: ScrollRequest(o, scThumbTrack, sb->sliderPosition()); break;
    case QAbstractSlider::SliderToMinimum: ScrollRequest(o, scTop); break;
    case QAbstractSlider::SliderToMaximum: ScrollRequest(o, scBottom); break;
    default: return;
    }
    // The bar takes the position we settled on, not its own guess.
    sb->setSliderPosition(m_pos[o]);
}

void TvdxScrollWin::SetHideScrolls(bool value)
{
    if (value == m_hideScrolls)
        return;
    const Qt::ScrollBarPolicy policy = value ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
    m_hideScrolls = value;
}

int TvdxScrollWin::GetScaledFontSize() const
{
    return font().pointSize();
}

void TvdxScrollWin::SetScaledFontSize(int size)
{
    QFont f = font();
    f.setPointSize(std::max(1, size));
    setFont(f);
}

void TvdxScrollWin::Paint(QPainter &painter)
{
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
}

void TvdxScrollWin::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    Paint(painter);
}

void TvdxScrollWin::WindowDPIChanged()
{
    DPIChanged(GetWindowPPI(this));
}

void TvdxScrollWin::DPIChanged(int newPPI)
{
    if (newPPI <= 0 || newPPI == m_currentPPI)
        return;
    PPIChanging(newPPI);
    m_currentPPI = newPPI;
}
