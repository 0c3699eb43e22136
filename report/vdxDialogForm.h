// The window behind a dialog page: the page's controls live on it while the
// report runs its dialogs, and the designer edits it as a surface. It keeps
// its own geometry in device pixels so that headless runs see the values the
// page gave it.
#pragma once
#include "core/vdBaseForm.h"

#include <QTimer>
#include <functional>

class TvdComponent;
class TvdxDialogPage;
class QKeyEvent;

class TvdxDialogForm : public TvdxBaseForm {
    Q_OBJECT
public:
    // An owner whose Tag is this mark belongs to a report working thread-safe.
    static constexpr int ThreadSafeTag = 318;

    // The owner is remembered as dialog page when it is one; it frees the
    // form itself, so the window has no owner of its own. Build it on the
    // GUI thread.
    explicit TvdxDialogForm(TvdComponent *owner = nullptr);

    bool ThreadSafe() const { return FThreadSafe; }
    void SetThreadSafe(bool value) { FThreadSafe = value; }
    TvdxDialogPage *DialogPage() const { return FDialogPageControl; }
    // Whether keys pressed in the controls reach the form first.
    bool KeyPreview() const { return m_keyPreview; }
    void SetKeyPreview(bool value);

    // The close box never closes the window: the dialog page ends it.
    bool FormCloseQuery() const { return false; }
    // A new parent keeps the window where it was.
    void SetParent(QWidget *parent);

    int FormLeft() const { return m_left; }
    int FormTop() const { return m_top; }
    int FormWidth() const { return m_width; }
    int FormHeight() const { return m_height; }
    // No border is drawn around the client area here.
    int ClientW() const { return m_width; }
    int ClientH() const { return m_height; }
    void SetFormLeft(int v);
    void SetFormTop(int v);
    void SetFormWidth(int v);
    void SetFormHeight(int v);
    void SetClientW(int v) { SetFormWidth(v); }
    void SetClientH(int v) { SetFormHeight(v); }
    int ModalResult = 0;

    // Once, when the user has finished moving or sizing the window.
    std::function<void(TvdxDialogForm *sender)> OnModify;
    // Every change of the bounds by the user, as it happens.
    std::function<void()> OnBoundsChanged;
    // Keys pressed on the form: arrows and Tab included, which would move the
    // focus elsewhere; with KeyPreview also those pressed in its controls.
    std::function<void(TvdxDialogForm *sender, QKeyEvent *event)> OnKeyDown;

    // A move or resize by the user has ended (the window system says so by
    // falling quiet for SettleInterval milliseconds).
    void ExitSizeMove();
    static constexpr int SettleInterval = 250;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void UpdateFormPPI(int newPPI) override;

private:
    // The designed window: caption, client size, key preview, font and the
    // close-query rule. A thread-safe form starts without it.
    void ReadState();
    void apply();
    void userChangedBounds();

    bool FThreadSafe = false;
    TvdxDialogPage *FDialogPageControl = nullptr;
    bool m_keyPreview = false;
    // The key the form saw ahead of its control, so it is not heard twice
    // when the control passes it on.
    const QEvent *m_previewed = nullptr;
    int m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    bool m_applying = false;
    QTimer m_settle;
};
