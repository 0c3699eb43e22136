#include "export/zpl/vdxExportZPLDialog.h"

#include "export/zpl/vdxExportZPL.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

TvdxExportZPLDialog::TvdxExportZPLDialog(QWidget *owner) : TvdxBaseExportDialog(owner)
{
    setObjectName(QStringLiteral("vdxExportZPLDialog"));
    setProperty("Tag", 9520);

    Label1 = new QLabel(GroupQuality);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setProperty("Tag", 8603);
    Label1->setGeometry(13, 56, 54, 13);
    // The caption is wider than the designed box in most fonts.
    Label1->setMinimumWidth(140);
    Label1->resize(140, 13);

    PrintAsBitmap = new QCheckBox(GroupQuality);
    PrintAsBitmap->setObjectName(QStringLiteral("PrintAsBitmap"));
    PrintAsBitmap->setProperty("Tag", 9521);
    PrintAsBitmap->setGeometry(12, 25, 97, 17);
    PrintAsBitmap->resize(120, 17);

    BreakLines = new QCheckBox(GroupQuality);
    BreakLines->setObjectName(QStringLiteral("BreakLines"));
    BreakLines->setProperty("Tag", 9522);
    BreakLines->setGeometry(136, 25, 97, 17);
    BreakLines->resize(120, 17);

    ComboBox1 = new QComboBox(GroupQuality);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(12, 73, 145, 21);
    ComboBox1->addItems({QStringLiteral("d6_dpmm_152_dpi"), QStringLiteral("d8_dpmm_203_dpi"),
                         QStringLiteral("d12_dpmm_300_dpi"), QStringLiteral("d24_dpmm_600_dpi"),
                         QStringLiteral("test1to1")});
    ComboBox1->setCurrentIndex(1);

    // Tab order: BreakLines, ComboBox1, PrintAsBitmap.
    setTabOrder(BreakLines, ComboBox1);
    setTabOrder(ComboBox1, PrintAsBitmap);
}

void TvdxExportZPLDialog::InitControlsFromFilter(TvdxBaseDialogExportFilter *filter)
{
    TvdxBaseExportDialog::InitControlsFromFilter(filter);
    auto *zpl = qobject_cast<TvdxZPLExport *>(filter);
    if (!zpl)
        return;
    PrintAsBitmap->setChecked(zpl->PrintAsBitmap());
    BreakLines->setChecked(zpl->BreakLines());
    ComboBox1->setCurrentIndex(zpl->ScaleIndex());
}

void TvdxExportZPLDialog::InitFilterFromDialog(TvdxBaseDialogExportFilter *filter)
{
    TvdxBaseExportDialog::InitFilterFromDialog(filter);
    auto *zpl = qobject_cast<TvdxZPLExport *>(filter);
    if (!zpl)
        return;
    zpl->SetPrintAsBitmap(PrintAsBitmap->isChecked());
    zpl->SetBreakLines(BreakLines->isChecked());
    if (ComboBox1->currentIndex() >= 0)
        zpl->SetFZplDensity(TvdxZPLExport::TZplDensity(ComboBox1->currentIndex()));
}
