#include "preview/vdxPrinterPropertiesDlg.h"
#include "platform/UiProvider.h"
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>

TvdxPrinterPropertiesDialog::TvdxPrinterPropertiesDialog(const QString &printer, const TvdxNamedNumbers &bins,
                                                         int bin, int duplex, QWidget *parent)
    : QDialog(parent), m_bins(new QComboBox(this)), m_sides(new QComboBox(this))
{
    setObjectName(QStringLiteral("vdxPrinterPropertiesDialog"));
    setWindowTitle(printer);
    for (const TvdxNamedNumber &b : bins)
        m_bins->addItem(b.name, b.number);
    m_bins->setCurrentIndex(qMax(0, m_bins->findData(bin)));
    m_sides->addItem(tr("One-sided"), 1);
    m_sides->addItem(tr("Two-sided, long edge"), 2);
    m_sides->addItem(tr("Two-sided, short edge"), 3);
    m_sides->setCurrentIndex(qMax(0, m_sides->findData(duplex)));

    auto *form = new QFormLayout(this);
    form->addRow(tr("Paper source:"), m_bins);
    form->addRow(tr("Print on both sides:"), m_sides);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

int TvdxPrinterPropertiesDialog::Bin() const { return m_bins->currentData().toInt(); }
int TvdxPrinterPropertiesDialog::Duplex() const { return m_sides->currentData().toInt(); }

bool vdxPrinterPropertiesDialog(const QString &printer, const TvdxNamedNumbers &bins, int &bin, int &duplex)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    TvdxPrinterPropertiesDialog dlg(printer, bins, bin, duplex, QApplication::activeWindow());
    if (vdUiProvider().ShowModal(dlg) != mrOk)
        return false;
    bin = dlg.Bin();
    duplex = dlg.Duplex();
    return true;
}
