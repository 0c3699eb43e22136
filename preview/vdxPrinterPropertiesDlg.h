// The printer's own settings dialog: the tray and the two-sided mode, the two
// settings the print loop takes from it.
#pragma once
#include "preview/vdxPrinter.h"
#include <QDialog>

class QComboBox;

class TvdxPrinterPropertiesDialog : public QDialog {
    Q_OBJECT
public:
    // bins as the printer lists them; duplex 1 simplex, 2 long edge, 3 short edge.
    TvdxPrinterPropertiesDialog(const QString &printer, const TvdxNamedNumbers &bins, int bin, int duplex,
                                QWidget *parent = nullptr);
    int Bin() const;
    int Duplex() const;
    QComboBox *BinBox() const { return m_bins; }
    QComboBox *SidesBox() const { return m_sides; }

private:
    QComboBox *m_bins;
    QComboBox *m_sides;
};

// Shows the dialog through the UI provider; true with the choices in bin and
// duplex when confirmed.
bool vdxPrinterPropertiesDialog(const QString &printer, const TvdxNamedNumbers &bins, int &bin, int &duplex);
