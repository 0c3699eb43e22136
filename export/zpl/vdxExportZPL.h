// ZPL II export: one label per prepared page, from "^XA" to "^XZ". Objects
// become ZPL commands (text fields, boxes, ellipses, diagonal lines, the
// printer's own barcodes, graphic fields), or, in bitmap mode, the whole page
// is drawn into one black-and-white bitmap sent as a compressed "^GFA" field.
// Output is UTF-8, matching "^CI28".
#pragma once
#include "export/zpl/vdxZplGraphic.h"
#include "report/vdxExportBaseDialog.h"

#include <QByteArray>
#include <QImage>
#include <memory>

class TvdxBarCodeView;
class TvdxBarcode2DView;
class TvdxCustomMemoView;
class TvdxLineView;
class TvdxPictureView;
class TvdxShapeView;
class TvdxView;

// The output could not be opened or written.
VD_DECLARE_EXCEPTION(EZPLExportError, Exception)

// One row of the density table.
struct TZplScale {
    double dpp;       // printer dots per report pixel
    double module1D;  // module factor of linear barcodes
    qint32 module2D;  // module of 2D barcodes
    qint32 reserved;  // always 0
};

class TvdxZPLExport : public TvdxBaseDialogExportFilter {
    Q_OBJECT
public:
    enum TZplDensity { d6_dpmm_152_dpi, d8_dpmm_203_dpi, d12_dpmm_300_dpi, d24_dpmm_600_dpi, test1to1 };
    Q_ENUM(TZplDensity)

private:
    Q_PROPERTY(bool PrintAsBitmap READ PrintAsBitmap WRITE SetPrintAsBitmap)
    Q_PROPERTY(bool BMillimeters READ BMillimeters WRITE SetBMillimeters)
    Q_PROPERTY(bool BreakLines READ BreakLines WRITE SetBreakLines)
    Q_PROPERTY(double FontScale READ FontScale WRITE SetFontScale)
    Q_PROPERTY(TZplDensity ZplDensity READ ZplDensity WRITE SetFZplDensity)
    Q_PROPERTY(bool HexText READ HexText WRITE SetHexText)
    Q_CLASSINFO("default:PrintAsBitmap", "True")
    Q_CLASSINFO("default:BMillimeters", "False")
    Q_CLASSINFO("default:BreakLines", "True")
    Q_CLASSINFO("default:ZplDensity", "d8_dpmm_203_dpi")
    Q_CLASSINFO("default:HexText", "False")

public:
    explicit TvdxZPLExport(TvdComponent *owner = nullptr, bool noRegister = false);
    ~TvdxZPLExport() override;

    bool Start() override;
    void StartPage(TvdxComponent *page, int index) override;
    void ExportObject(TvdxComponent *obj) override;
    void FinishPage(TvdxComponent *page, int index) override;
    void Finish() override;
    void ClearResources() override;
    QString GetDescription() override;
    TvdxExportDialogClass ExportDialogClass() override;

    bool PrintAsBitmap() const { return FPrintAsBitmap; }
    void SetPrintAsBitmap(bool v) { FPrintAsBitmap = v; }
    bool BMillimeters() const { return FBMillimeters; }
    void SetBMillimeters(bool v) { FBMillimeters = v; }
    bool BreakLines() const { return FBreakLines; }
    void SetBreakLines(bool v) { FBreakLines = v; }
    double FontScale() const { return FFontScale; }
    void SetFontScale(double v) { FFontScale = v; }
    TZplDensity ZplDensity() const { return FZplDensity; }
    // Also selects the row of the density table.
    void SetFZplDensity(TZplDensity value);
    int ScaleIndex() const { return FScaleIndex; }
    bool HexText() const { return FHexText; }
    void SetHexText(bool v) { FHexText = v; }

    // Raw printer commands, written as given.
    QString PrinterInit;   // once before the first label
    QString PrinterFinish; // once after the last label
    QString PageInit;      // after each label's first line
    QString CodePage = QStringLiteral("^CI28");
    QString PrinterFont = QStringLiteral("A");

    // The density table, by TZplDensity ordinal (out of range: the d8 row).
    static const TZplScale &DensityRow(int index);
    // Two backslashes become four, "\r\n" (any case) two backslashes and "&",
    // "$" two backslashes and "$".
    static QString EscapeZplText(const QString &s);
    // "_" and two upper-case hex digits for each UTF-8 byte.
    static QByteArray ToZplHex(const QString &s);
    // Field data with "^", "~", "_" and control characters as "_XX" escapes;
    // empty when the data needs no "^FH".
    static QByteArray FieldHexEscaped(const QByteArray &utf8);
    // "N", "R", "I" or "B" for a rotation in whole degrees.
    static QString OrientationLetter(int rotation);

    // The page bitmap of bitmap mode (between StartPage and FinishPage).
    const QImage &PageImage() const { return FPageImage; }

protected:
    void WriteZplText(const QString &s);
    void WriteZplLine(const QString &s);
    void WriteFieldOrigin(qint64 x, qint64 y);
    void WriteZplField(const QString &data, const QString &prefix);
    void WriteGraphicField(const TvdxMonoBitmap &b);
    // Sends what is buffered to the output; raises when the write fails.
    void Flush();
    // The memo's text as field data: escaped, line breaks as "\&".
    static QString memoText(TvdxCustomMemoView *memo);

private:
    void writeAll(QIODevice *out, const QByteArray &data);
    qint64 D(double v) const;
    qint64 X(double v) const;
    qint64 Y(double v) const;
    const TZplScale &scale() const { return DensityRow(FScaleIndex); }
    void writeOrientation(int rotation);
    void writeFontLine(qint64 height, qint64 width);
    void writeBox(const char *cmd, qint64 w, qint64 h, qint64 t, const char *orientation = nullptr);
    void writeNotSupported(TvdxView *view);

    void exportMemo(TvdxCustomMemoView *memo);
    void exportFrame(TvdxView *view);
    void exportLine(TvdxLineView *line);
    void exportShape(TvdxShapeView *shape);
    void exportPicture(TvdxPictureView *picture);
    void exportBarcode(TvdxBarCodeView *barcode);
    void exportBarcode2D(TvdxBarcode2DView *barcode);
    // The object's field width and height in dots, exchanged for 90 and 270.
    void fieldSize(TvdxView *view, int rotation, qint64 &fw, qint64 &fh) const;

    bool FPrintAsBitmap = true;
    bool FBMillimeters = false;
    bool FBreakLines = true;
    double FFontScale = 1.4;
    TZplDensity FZplDensity = d8_dpmm_203_dpi;
    int FScaleIndex = d8_dpmm_203_dpi;
    bool FHexText = false;

    QIODevice *Exp = nullptr;
    TvdxCustomIOTransport *FTransport = nullptr; // the one Exp came from
    QByteArray FBuffer;
    bool FWriteFailed = false;
    TvdxComponent *FPage = nullptr;
    double leftMargin = 0;
    double topMargin = 0;
    QImage FPageImage;
    // The last label's page image, kept for the next label of the same size.
    QImage FSpareImage;
    // The spare image is white already: the last field made it so.
    bool FSpareWhite = false;
    // Device pixels this label's drawing may have changed; all others are white.
    QRect FDrawn;
};
