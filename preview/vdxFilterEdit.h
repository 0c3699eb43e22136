// Filter field of the tool panels: a borderless edit, a clear mark at its
// left while text is present and a filter icon at its right.
#pragma once
#include "platform/GraphicsTypes.h"
#include "preview/vdxDPIAware.h"

#include <QImage>
#include <functional>

class QLineEdit;

class TvdxCustomFilterEdit : public TvdxDPIAwareBasePanel {
    Q_OBJECT
public:
    explicit TvdxCustomFilterEdit(QWidget *parent = nullptr);

    QLineEdit *EditControl() const { return m_edit; }
    TColor FilterColor() const { return m_filterColor; }
    void SetFilterColor(TColor color);
    QImage BitmapActive;
    QImage BitmapUnactive;
    bool FrameActive() const { return m_frameActive; }
    bool ClearButtonVisible() const { return m_clearVisible; }
    QString Text() const;
    void SetText(const QString &text);

    std::function<void(QObject *sender)> OnFilterChanged;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layoutEdit();
    void setFrameActive(bool value);
    void textChanged();

    QLineEdit *m_edit;
    TColor m_filterColor = clWindow;
    bool m_frameActive = false;
    bool m_clearVisible = false;
};

class TvdxFilterEdit : public TvdxCustomFilterEdit {
    Q_OBJECT
public:
    using TvdxCustomFilterEdit::TvdxCustomFilterEdit;
};
