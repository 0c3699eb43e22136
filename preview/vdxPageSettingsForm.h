// The preview's page-setup dialog: paper size, orientation and margins of one
// report page, in the unit of the designer's preferences, and whether the
// change applies to that page only or to all pages.
#pragma once
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class TvdxPrinters;
class TvdxReport;
class TvdxReportPage;

class TvdxPageSettingsForm : public QDialog {
    Q_OBJECT
public:
    enum TvdxDesignerUnits { duCM, duInches, duPixels, duChars };

    explicit TvdxPageSettingsForm(QWidget *parent = nullptr, TvdxPrinters *printers = nullptr);

    TvdxReportPage *Page() const { return FPage; }
    void SetPage(TvdxReportPage *page) { FPage = page; }
    TvdxReport *Report() const { return FReport; }
    void SetReport(TvdxReport *report) { FReport = report; }
    int Units() const { return FUnits; }
    bool NeedRebuild() const;

    void FormShow();
    // OK writes the page once every box holds a number; otherwise (or on a
    // box that does not) the page stays as it was. Answers the final result.
    int FormHide(int modalResult);
    void PortraitRBClick();
    void SizeCBClick();
    void WidthEChange();

    QComboBox *SizeCB;
    QLineEdit *WidthE, *HeightE, *MarginLeftE, *MarginTopE, *MarginRightE, *MarginBottomE;
    QRadioButton *PortraitRB, *LandscapeRB, *ApplyToCurRB, *ApplyToAllRB;
    QLabel *UnitL1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    double toDisplay(double mm) const;
    double toMM(double display) const;
    QString unitText() const;
    QList<QLabel *> FUnitLabels;
    TvdxPrinters *FPrinters;
    TvdxReportPage *FPage = nullptr;
    TvdxReport *FReport = nullptr;
    int FUnits = duCM;
    bool FUpdating = false;
};

// Shows the dialog for a page; true when confirmed, with needRebuild set
// when the change applies to all pages.
bool vdxExecutePageSettings(TvdxReport *report, TvdxReportPage *page, bool &needRebuild,
                            TvdxPrinters *printers = nullptr);
