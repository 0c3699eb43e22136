// An edit field with a button at its right end (expression and code fields).
#pragma once
#include <QLineEdit>
#include <QPixmap>
#include <functional>

class QFrame;
class QToolButton;

class TvdxComboEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TvdxComboEdit(QWidget *owner = nullptr);

    QPixmap Glyph() const { return m_glyph; }
    void SetGlyph(const QPixmap &glyph);
    bool ButtonEnabled() const;
    void SetButtonEnabled(bool value);
    QString ButtonHint() const;
    void SetButtonHint(const QString &hint);
    QToolButton *Button() const { return m_button; }

    std::function<void(QObject *sender)> OnButtonClick;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void placeButton();
    QFrame *m_panel;
    QToolButton *m_button;
    QPixmap m_glyph;
};
