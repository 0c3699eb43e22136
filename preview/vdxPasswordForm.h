// Asks for the password of a protected report.
#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TvdxPasswordForm : public QDialog {
    Q_OBJECT
public:
    explicit TvdxPasswordForm(QWidget *parent = nullptr);
    void UpdateResouces();

    QLabel *PasswordL;
    QLineEdit *PasswordE;
    QPushButton *OkB, *CancelB;
};

// Shows the form through the UI provider; true with the typed text when confirmed.
bool vdxPasswordQuery(QString &password);
