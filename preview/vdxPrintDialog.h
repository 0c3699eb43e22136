// The print dialog: printer, print to file, pages, copies and collation, odd
// or even pages, order, duplex and the print mode with the sheet to print on.
// It edits the report's print options in place and switches the current
// printer of the printer list while it is open.
#pragma once
#include "preview/vdxPrinter.h"

#include <QDialog>
#include <QImage>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TvdxPrinters;
class TvdxReport;

class TvdxPrintDialog : public QDialog {
    Q_OBJECT
public:
    // printers: the list it switches (the process-wide one when none).
    explicit TvdxPrintDialog(QWidget *parent = nullptr, TvdxPrinters *printers = nullptr);

    TvdxReport *AReport = nullptr;
    TvdxDuplexMode ADuplexMode = TvdxPrintOptions::dmNone;
    int OldIndex = -1;

    // Fills the controls from the report's print options.
    void FormShow();
    // Ends the dialog with the given modal result and answers the final one:
    // OK writes the options (a cancelled file dialog turns it into Cancel);
    // anything but OK brings the previous printer back.
    int FormHide(int modalResult);

    void PrintersCBClick();
    void PrintModeCBClick();
    void PropButtonClick();
    // The sheet list's index of a paper code on the current printer.
    int SheetIndexOf(int paperCode) const;
    // Pictures for a new screen density: scaled copies of both collation
    // pictures, none at 96.
    void UpdateFormPPI(int newPPI);
    // The collation picture at 96 pixels per inch: two sets of pages 1 to 3
    // when collated, the copies of each page together when not. Transparent
    // around the sheets.
    static QImage CollatePicture(bool collated);
    // The picture the copies box shows now.
    const QImage &ShownCollatePicture() const;

    // Controls, by the names the options are known by.
    QComboBox *PrintersCB;
    QPushButton *PropButton;
    QLabel *WhereL1;
    QCheckBox *FileCB;
    QRadioButton *AllRB, *CurPageRB, *PageNumbersRB;
    QLineEdit *PageNumbersE;
    QLineEdit *CopiesE;
    QCheckBox *CollateCB;
    QWidget *CopiesPB;
    QComboBox *PrintPagesCB, *OrderCB, *DuplexCB, *PrintModeCB, *PagPageSizeCB;
    QPushButton *OkB, *CancelB;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void UpdateResouces();
    void CopiesPBPaint();
    TvdxPrinters *FPrinters;
    QImage FCollate, FNonCollate;
    QImage FCollateScale, FNonCollateScale;
};

// Shows the dialog for a report; true when confirmed, with the chosen duplex mode.
bool vdxExecutePrintDialog(TvdxReport *report, TvdxDuplexMode &duplex, TvdxPrinters *printers = nullptr);
