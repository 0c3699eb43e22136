// Borderless always-on-top window that drop-down editors open under a field.
// It closes as soon as it loses activation and records when, so that the
// click which closed it is not taken as a request to open it again.
#pragma once
#include "core/vdBaseForm.h"

#include <functional>

// Milliseconds of a steady clock.
quint32 vdxTickCount();
// Tests fix the clock; empty restores the steady one.
void vdxSetTickSource(std::function<quint32()> source);
// The tick count at which a popup last lost activation.
quint32 vdxLastPopupCloseTime();
// True when a popup closed less than interval milliseconds ago: a click on
// its field then must not open it again.
bool vdxPopupJustClosed(quint32 interval = 50);

class TvdxPopupForm : public TvdxBaseForm {
    Q_OBJECT
public:
    explicit TvdxPopupForm(QWidget *owner = nullptr);

    bool Resizable() const { return m_resizable; }
    void SetResizable(bool value);
    // The border a point (screen coordinates) would size: Qt::RightEdge,
    // Qt::BottomEdge, both, or none. Only right and bottom size the popup.
    Qt::Edges HitTest(const QPoint &globalPos) const;
    // Shown modally the popup ends with this result and is not freed on close.
    void SetModalResult(int value) { m_modal = value; }

    void FormDeactivate();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_resizable = false;
    int m_modal = 0;
    Qt::Edges m_sizing;
    QPoint m_pressAt;
    QSize m_pressSize;
};
