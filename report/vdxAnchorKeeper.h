// Anchors for widgets. Qt widgets have none: this object keeps a control's
// distances to the edges of its parent widget as its anchors say whenever the
// parent is resized. Left and right anchored: the control stretches; right
// only: it moves with the right edge; neither: it moves by half the change
// (its centre keeps its place). The same across for top and bottom.
#pragma once
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

class TvdxAnchorKeeper : public QObject {
public:
    enum Edge { Left = 1, Top = 2, Right = 4, Bottom = 8 };
    // Lives as long as the control (a child object of it).
    explicit TvdxAnchorKeeper(QWidget *control);

    void SetAnchors(int edges);
    int Anchors() const { return m_anchors; }
    // The control's geometry and its parent's size now are what later
    // resizes are measured from (after the control was placed by hand).
    void Rebase();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watchParent();
    void apply();

    QWidget *m_control;
    QPointer<QWidget> m_parent;
    QRect m_rect;
    QSize m_parentSize;
    int m_anchors = Left | Top;
    bool m_applying = false;
};
