#include "preview/vdxPasswordForm.h"

#include "core/vdxRes.h"
#include "platform/UiProvider.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

TvdxPasswordForm::TvdxPasswordForm(QWidget *parent) : QDialog(parent)
{
    auto *image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    PasswordL = new QLabel(this);
    PasswordE = new QLineEdit(this);
    PasswordE->setEchoMode(QLineEdit::Password);
    OkB = new QPushButton(this);
    CancelB = new QPushButton(this);
    OkB->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkB);
    buttons->addWidget(CancelB);
    auto *grid = new QGridLayout(this);
    grid->addWidget(image, 0, 0, 2, 1);
    grid->addWidget(PasswordL, 0, 1);
    grid->addWidget(PasswordE, 1, 1);
    grid->addLayout(buttons, 2, 0, 1, 2);
    connect(OkB, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelB, &QPushButton::clicked, this, &QDialog::reject);
    UpdateResouces();
}

void TvdxPasswordForm::UpdateResouces()
{
    setWindowTitle(GetResStr(5000));
    PasswordL->setText(GetResStr(5001));
    OkB->setText(GetResStr(1));
    CancelB->setText(GetResStr(2));
}

namespace {

// The window speaks its own resource texts, whatever the caller's wording.
bool askWithForm(UiProvider &ui, QString &password)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    TvdxPasswordForm form(QApplication::activeWindow());
    if (ui.ShowModal(form) != mrOk)
        return false;
    password = form.PasswordE->text();
    return true;
}

// GUI programs that link this layer ask for passwords with this window.
const bool installed = [] {
    vdSetPasswordForm([](UiProvider &ui, const QString &, const QString &, QString &value) {
        return askWithForm(ui, value);
    });
    return true;
}();

} // namespace

bool vdxPasswordQuery(QString &password) { return askWithForm(vdUiProvider(), password); }
