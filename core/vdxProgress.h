// The borderless progress window shown while a report is prepared, exported
// or printed.
#pragma once
#include "core/vdBaseForm.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

class TvdxProgress : public TvdxBaseForm {
    Q_OBJECT
public:
    explicit TvdxProgress(QWidget *owner = nullptr);
    ~TvdxProgress() override;

    // Resets, shows and centres the window; Canceled shows the cancel button,
    // Progress the bar.
    void Execute(int maxValue, const QString &msg, bool canceled, bool progress);
    // One step while the position is inside the range.
    void Tick();
    void Reset() { SetPosition(0); }

    int Position() const;
    void SetPosition(int value);
    // The latest message, also while the window still shows an earlier one.
    QString Message() const;
    // Shown at once unless the window changed its text less than
    // kMessageInterval ago; then the latest text shows when it ends.
    void SetMessage(const QString &value);
    static constexpr int kMessageInterval = 50; // milliseconds
    bool ShowProgress() const { return m_showProgress; }
    void SetShowProgress(bool value);
    bool Terminated() const { return m_terminated; }
    // True closes the window.
    void SetTerminated(bool value);

    QLabel *LMessage() const { return m_message; }
    QProgressBar *Bar() const { return m_bar; }
    QPushButton *CancelB() const { return m_cancel; }

protected:
    void UpdateResouces() override;
    void UpdateFormPPI(int newPPI) override;
    void hideEvent(QHideEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void layoutControls();
    void centre();
    void enableRemembered();
    QRect designed(int x, int y, int w, int h) const;
    void showMessage();

    QFrame *m_panel;
    QLabel *m_message;
    QProgressBar *m_bar;
    QPushButton *m_cancel;
    QPointer<QWidget> m_disabledForm;
    QString m_latestMessage;
    QElapsedTimer m_messageShown; // monotonic: since the text last changed on screen
    QTimer m_messageDue;
    bool m_showProgress = true;
    bool m_terminated = false;
    int m_layoutPPI = 96;
};
