// The question asked when a report made to inherit from a template holds
// objects whose names the template uses too: delete or rename them.
#pragma once
#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;

class TvdxInheritErrorForm : public QDialog {
    Q_OBJECT
public:
    explicit TvdxInheritErrorForm(QWidget *owner = nullptr);

    // Takes the texts of the string resources.
    void UpdateResouces();

    QLabel *PaintBox1;
    QLabel *MessageL;
    QRadioButton *DeleteRB;
    QRadioButton *RenameRB;
    QPushButton *OkB;
    QPushButton *CancelB;

private:
    void mirrorChildren();
};
