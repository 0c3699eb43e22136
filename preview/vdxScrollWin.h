// Base of the custom-drawn scrolling windows (preview workspace, script
// editor): a logical range, page and position per axis kept in its own
// fields, mirrored into the two scroll bars, every position clamped.
#pragma once
#include "core/vdBaseForm.h"

#include <QAbstractScrollArea>
#include <functional>

enum TvdxScrollerOrientation { vdsHorizontal = 0, vdsVertical = 1 };
enum TvdxScrollBorderStyle { bsNone, bsSingle };
// Scroll-bar requests, as the scroll bars send them.
enum TvdxScrollCode {
    scLineUp, scLineDown, scPageUp, scPageDown, scThumbPosition, scThumbTrack, scTop, scBottom, scEndScroll
};

using TvdxScrollMaxChangeEvent = std::function<void(QObject *sender, TvdxScrollerOrientation, int value)>;
using TvdxScrollPosChangeEvent = std::function<void(QObject *sender, TvdxScrollerOrientation, int &value)>;

class QScrollBar;

class TvdxScrollWin : public QAbstractScrollArea, public IvdxDPIAwareControl {
    Q_OBJECT
public:
    explicit TvdxScrollWin(QWidget *owner = nullptr);

    TvdxScrollBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TvdxScrollBorderStyle value);

    int HorzPage() const { return m_page[vdsHorizontal]; }
    int HorzPosition() const { return m_pos[vdsHorizontal]; }
    int HorzRange() const { return m_range[vdsHorizontal]; }
    int VertPage() const { return m_page[vdsVertical]; }
    int VertPosition() const { return m_pos[vdsVertical]; }
    int VertRange() const { return m_range[vdsVertical]; }
    void SetHorzPage(int v) { setPage(vdsHorizontal, v); }
    void SetHorzPosition(int v) { setPosition(vdsHorizontal, v); }
    void SetHorzRange(int v) { setRange(vdsHorizontal, v); }
    void SetVertPage(int v) { setPage(vdsVertical, v); }
    void SetVertPosition(int v) { setPosition(vdsVertical, v); }
    void SetVertRange(int v) { setRange(vdsVertical, v); }

    int LargeChange = 10;
    int SmallChange = 1;
    bool HideScrolls() const { return m_hideScrolls; }
    void SetHideScrolls(bool value);

    TvdxScrollMaxChangeEvent OnScrollMaxChange;
    TvdxScrollPosChangeEvent OnScrollPosChange;

    int CurrentPPI() const { return m_currentPPI; }
    // Qt scales point sizes by the screen itself: the size is the font's own.
    int GetScaledFontSize() const;
    void SetScaledFontSize(int size);

    // A scroll-bar request; trackPos is the thumb's position for thumb requests.
    void ScrollRequest(TvdxScrollerOrientation orientation, TvdxScrollCode code, int trackPos = 0);
    // The density-changed message: reads the window's PPI.
    void WindowDPIChanged();
    void DPIChanged(int newPPI) override;

protected:
    virtual void Paint(QPainter &painter);
    virtual void HorzPositionChanged() {}
    virtual void VertPositionChanged() {}
    virtual void PPIChanging(int newPPI) { Q_UNUSED(newPPI); }

    void paintEvent(QPaintEvent *event) override;
    void scrollContentsBy(int, int) override {}
    // Tab and arrows stay with the control, as dialogs must not take them.
    bool focusNextPrevChild(bool) override { return false; }

private:
    QScrollBar *bar(TvdxScrollerOrientation o) const;
    void setRange(TvdxScrollerOrientation o, int value);
    void setPage(TvdxScrollerOrientation o, int value);
    void setPosition(TvdxScrollerOrientation o, int value);
    void onAction(TvdxScrollerOrientation o, int action);

    int m_range[2] = {0, 0};
    int m_page[2] = {0, 0};
    int m_pos[2] = {0, 0};
    bool m_hideScrolls = false;
    bool m_syncing = false;
    TvdxScrollBorderStyle m_borderStyle = bsSingle;
    int m_currentPPI = 96;
};
