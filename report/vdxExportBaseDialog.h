// Export filters with a settings dialog, and the dialog's common part: page
// range, the transport to write with, and opening the file afterwards.
#pragma once
#include "core/vdBaseForm.h"
#include "report/vdxClass_export.h"

#include <QList>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TvdxBaseExportDialog;

// A dialog class reference: constructs the dialog and runs InitDialog.
using TvdxExportDialogClass = TvdxBaseExportDialog *(*)(QWidget *owner);

template <class T>
TvdxBaseExportDialog *vdxNewExportDialog(QWidget *owner)
{
    T *dialog = vdCreateForm<T>(owner);
    dialog->InitDialog();
    return dialog;
}

// How an export dialog is run modally; tests replace it. Empty: the dialog's
// own modal loop, or, on a headless platform, OK without showing anything.
using TvdxExportDialogRunner = std::function<int(TvdxBaseExportDialog *dialog)>;
TvdxExportDialogRunner &vdxExportDialogRunner();

class TvdxBaseDialogExportFilter : public TvdxCustomExportFilter {
    Q_OBJECT
public:
    using TvdxCustomExportFilter::TvdxCustomExportFilter;

    void AfterFinish() override;
    // mrOk at once with a Stream; otherwise the dialog, loaded from the
    // filter and, on OK, stored back.
    int ShowModal() override;
    virtual TvdxExportDialogClass ExportDialogClass();

    // The dialog to show instead of ExportDialogClass (none: that one).
    TvdxExportDialogClass CustomExportDialogClass = nullptr;
};

class TvdxBaseExportDialog : public TvdxBaseForm {
    Q_OBJECT
public:
    explicit TvdxBaseExportDialog(QWidget *owner = nullptr);
    ~TvdxBaseExportDialog() override;

    virtual void InitDialog();
    virtual void InitControlsFromFilter(TvdxBaseDialogExportFilter *filter);
    virtual void InitFilterFromDialog(TvdxBaseDialogExportFilter *filter);

    // Runs the dialog modally (through vdxExportDialogRunner when set).
    int ShowModal();
    int ModalResult() const { return FModalResult; }
    // A non-zero result ends the modal run and hides the dialog.
    void SetModalResult(int value);

    // The transports FiltersNameCB lists, in its order.
    const QList<TvdxCustomIOTransport *> &Transports() const { return FTransports; }

    QTabWidget *PageControl1 = nullptr;
    QWidget *ExportPage = nullptr;
    QCheckBox *OpenCB = nullptr;
    QGroupBox *GroupQuality = nullptr;
    QGroupBox *GroupPageRange = nullptr;
    QLabel *DescrL = nullptr;
    QRadioButton *AllRB = nullptr;
    QRadioButton *CurPageRB = nullptr;
    QRadioButton *PageNumbersRB = nullptr;
    QLineEdit *PageNumbersE = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QComboBox *FiltersNameCB = nullptr;
    QPushButton *OkB = nullptr;
    QPushButton *CancelB = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Puts the controls of the only tab onto the form at the same places.
    void unwrapSinglePage();
    void mirrorChildren();

    QList<TvdxCustomIOTransport *> FTransports;
    int FModalResult = 0;
    bool FInModalLoop = false;
};
