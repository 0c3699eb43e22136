// Dock sites along a window's edges: docked tool windows under caption bars
// with a close mark, a collapsible splitter beside each site, the
// semi-transparent drop rectangle, and the bases of dockable windows.
#pragma once
#include "core/vdBaseForm.h"
#include "preview/vdxDPIAware.h"

#include <QFont>
#include <QList>
#include <QPointer>
#include <QToolBar>
#include <memory>

class QIODevice;
class TvdxDockSite;
class TvdxDragDockObject;

enum TvdxDockAlign { daLeft, daTop, daRight, daBottom };

// Hit codes of a caption bar.
constexpr int vdxHitCaption = 2;
constexpr int vdxHitClose = 20;

class TDockSplitter : public QWidget {
    Q_OBJECT
public:
    explicit TDockSplitter(TvdxDockSite *site);
    TvdxDockSite *Site() const { return m_site; }
    int PPI = 96;
    bool Pressed() const { return m_pressed; }
    // The cursor the splitter shows at a point of its own.
    Qt::CursorShape CursorAt(const QPoint &pos) const;
    // Sets the PPI from the parent: a density-aware panel's, else the screen's.
    void ParentChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    TvdxDockSite *m_site;
    bool m_pressed = false;
};

// Arranges the docked windows of a site and paints their caption bars.
class TvdxDockTree : public QObject, public IvdxDPIAwareControl {
    Q_OBJECT
public:
    explicit TvdxDockTree(TvdxDockSite *site);

    int HeadSize = 20;
    int ClosePadding = 6;
    int CaptionPadding = 4;
    int CloseWidth = 2;
    int TextHeight = -13;
    int TextHide = 10;
    int CurrentPPI() const { return m_ppi; }
    QRect CloseRect() const { return m_closeRect; }
    // Caption bars run vertically at the left on top and bottom sites.
    bool VerticalCaptions() const;

    void InsertControl(QWidget *control, int size = 0, int index = -1);
    void RemoveControl(QWidget *control);
    QList<QWidget *> Controls() const;
    int DockClientCount() const;
    // The rectangle of each docked window's zone, caption bar included.
    QRect ZoneRect(QWidget *control) const;
    void AdjustDockRect(QWidget *control, QRect &rect) const;
    void PaintDockFrame(QPainter &painter, QWidget *control, const QRect &rect);
    // The docked window whose caption bar holds the point, with its hit code.
    QWidget *ZoneCaptionHitTest(const QPoint &point, int &hit);
    void ResetBounds();

    // The layout as bytes; loading reads back what saving wrote and fails,
    // changing nothing, on anything else.
    QByteArray SaveToStream() const;
    bool LoadFromStream(const QByteArray &data);

    void DPIChanged(int newPPI) override;

private:
    struct Zone {
        QPointer<QWidget> control;
        int size = 0;
    };
    void computeSizes();
    QList<Zone> visibleZones() const;
    TvdxDockSite *m_site;
    QList<Zone> m_zones;
    int m_ppi = 96;
    QRect m_closeRect;
    std::unique_ptr<QFont> m_font;
    std::unique_ptr<QFont> m_vertFont;
};

class TvdxDockSite : public TvdxDPIAwarePanel {
    Q_OBJECT
public:
    explicit TvdxDockSite(QWidget *parent = nullptr, TvdxDockAlign align = daLeft);
    ~TvdxDockSite() override;

    int SavedSize = 100;
    QPointer<QWidget> TopParentWin;
    TvdxDockAlign Align() const { return m_align; }
    void SetAlign(TvdxDockAlign align);
    TDockSplitter *Splitter() const { return m_splitter; }
    void setVisible(bool visible) override;
    TvdxDockTree *DockManager() const { return m_tree.get(); }
    // Width on left and right sites, height on top and bottom ones.
    int SiteSize() const;
    void SetSiteSize(int value);
    bool Horizontal() const { return m_align == daTop || m_align == daBottom; }

    // May the window dock here? Remembers its size along the site.
    bool DockOver(QWidget *client);
    bool DockDrop(QWidget *client, int size = 0);
    // Undocks a window (to float, or towards newTarget): refused towards a
    // target of another owner.
    bool DoUnDock(QWidget *newTarget, QWidget *client);
    // The window a stored layout names: the one of exactly that name.
    QWidget *ReloadDockedControl(const QString &name) const;
    void UpdateAlign();
    void PPIChanging(int newPPI) override;
    void Relayout();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TvdxDockAlign m_align;
    QPointer<TDockSplitter> m_splitter;
    std::unique_ptr<TvdxDockTree> m_tree;
    int m_panelSize = 0;
    QPointer<QWidget> m_dragClient;
    QPoint m_dragStart;
    std::unique_ptr<TvdxDragDockObject> m_drag;
};

// Borderless semi-transparent rectangle the mouse passes through.
class TBlueForm : public QWidget {
    Q_OBJECT
public:
    TBlueForm();
    int AlphaBlendValue = 140;
};

class TvdxDragDockObject {
public:
    explicit TvdxDragDockObject(QWidget *control);
    ~TvdxDragDockObject();
    QWidget *Control() const { return m_control; }
    TBlueForm *Form() const { return m_form.get(); }
    // Shows the rectangle at the dock rectangle (empty sides widened by 10).
    void DrawDragDockImage(const QRect &dockRect);
    void EraseDragDockImage() {}

private:
    QPointer<QWidget> m_control;
    std::unique_ptr<TBlueForm> m_form;
};

class TvdxDockForm : public TvdxBaseForm {
    Q_OBJECT
public:
    explicit TvdxDockForm(QWidget *owner = nullptr);
};

class TvdxDockToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit TvdxDockToolBar(QWidget *owner = nullptr);
    // The window whose control bars may hold the toolbar.
    QPointer<QWidget> Owner;
};

// Holder of toolbars inside a dock area.
class TvdxTBPanel : public QFrame {
    Q_OBJECT
public:
    explicit TvdxTBPanel(QWidget *parent = nullptr);
    // Top inside a left or right site, left elsewhere.
    TvdxDockAlign Align() const { return m_align; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void parentChanged();
    TvdxDockAlign m_align = daLeft;
};
