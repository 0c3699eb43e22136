#include "report/vdxInheritError.h"
#include "core/vdxRes.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace {

QString resText(int id, const char *fallback)
{
    const QString t = GetResStr(id);
    return t.isEmpty() || t == QString::number(id) ? QString::fromLatin1(fallback) : t;
}

} // namespace

TvdxInheritErrorForm::TvdxInheritErrorForm(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("vdxInheritErrorForm"));
    setFixedSize(256, 152);
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(11);
    setFont(f);

    PaintBox1 = new QLabel(this);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->setGeometry(12, 16, 32, 32);
    PaintBox1->setAlignment(Qt::AlignCenter);
    PaintBox1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(32, 32));

    MessageL = new QLabel(this);
    MessageL->setObjectName(QStringLiteral("MessageL"));
    MessageL->setGeometry(60, 16, 185, 41);
    MessageL->setWordWrap(true);

    DeleteRB = new QRadioButton(this);
    DeleteRB->setObjectName(QStringLiteral("DeleteRB"));
    DeleteRB->move(12, 68);
    DeleteRB->setChecked(true);
    RenameRB = new QRadioButton(this);
    RenameRB->setObjectName(QStringLiteral("RenameRB"));
    RenameRB->move(12, 88);

    OkB = new QPushButton(this);
    OkB->setObjectName(QStringLiteral("OkB"));
    OkB->setGeometry(48, 120, 75, 25);
    OkB->setDefault(true);
    connect(OkB, &QPushButton::clicked, this, &QDialog::accept);
    CancelB = new QPushButton(this);
    CancelB->setObjectName(QStringLiteral("CancelB"));
    CancelB->setGeometry(128, 120, 75, 25);
    connect(CancelB, &QPushButton::clicked, this, &QDialog::reject);

    UpdateResouces();
    DeleteRB->adjustSize();
    RenameRB->adjustSize();
    if (layoutDirection() == Qt::RightToLeft)
        mirrorChildren();
}

void TvdxInheritErrorForm::UpdateResouces()
{
    setWindowTitle(resText(6000, "Inherit error"));
    OkB->setText(resText(1, "OK"));
    CancelB->setText(resText(2, "Cancel"));
    MessageL->setText(resText(6001, "Base and inherited reports have duplicate objects. What should we do?"));
    DeleteRB->setText(resText(6002, "Delete duplicates"));
    RenameRB->setText(resText(6003, "Rename duplicates"));
}

void TvdxInheritErrorForm::mirrorChildren()
{
    // Placed by hand, so the positions turn over by hand.
    for (QWidget *w : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        w->move(width() - w->x() - w->width(), w->y());
}
