// Settings dialog of the ZPL export: bitmap mode, line breaks and density, on
// top of the common export settings.
#pragma once
#include "report/vdxExportBaseDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;

class TvdxExportZPLDialog : public TvdxBaseExportDialog {
    Q_OBJECT
public:
    explicit TvdxExportZPLDialog(QWidget *owner = nullptr);

    void InitControlsFromFilter(TvdxBaseDialogExportFilter *filter) override;
    void InitFilterFromDialog(TvdxBaseDialogExportFilter *filter) override;

    QLabel *Label1 = nullptr;
    QCheckBox *PrintAsBitmap = nullptr;
    QCheckBox *BreakLines = nullptr;
    QComboBox *ComboBox1 = nullptr;
};
