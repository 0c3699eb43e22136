#include "export/zpl/vdxExportZPL.h"

#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxBarcodeView.h"
#include "core/vdGraphic.h"
#include "core/vdxRes.h"
#include "export/zpl/vdxExportZPLDialog.h"
#include "platform/QPainterCanvas.h"
#include "report/vdFont.h"
#include "report/vdxClass_frame.h"
#include "report/vdxClass_line.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_picture.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_shape.h"

#include <cmath>

namespace {
const TZplScale kDensityTable[] = {
    {1.5833, 2.0, 7, 0},
    {2.11458, 2.5, 8, 0},
    {3.16667, 4.0, 10, 0},
    {6.34375, 8.0, 10, 0},
    {1.0, 1.0, 1, 0},
};

// Halves to even; values no label can hold are kept finite and in range.
qint64 zround(double v)
{
    if (std::isnan(v))
        return 0;
    return qint64(std::nearbyint(std::clamp(v, -1e15, 1e15)));
}

qint64 zceil(double v)
{
    if (std::isnan(v))
        return 0;
    return qint64(std::ceil(std::clamp(v, -1e15, 1e15)));
}

// Largest bitmap the filter draws (pixels): an A4 page at 600 dpi fits.
constexpr qint64 kMaxBitmapPixels = 64ll * 1024 * 1024;
constexpr qint64 kMaxBitmapSide = 32767;

QImage whiteImage(qint64 w, qint64 h, const char *what)
{
    if (w < 0 || h < 0 || w > kMaxBitmapSide || h > kMaxBitmapSide || w * h > kMaxBitmapPixels)
        throw EZPLExportError(QStringLiteral("%1 too large for a ZPL bitmap (%2 x %3 dots)")
                                  .arg(QLatin1String(what))
                                  .arg(w)
                                  .arg(h));
    QImage image(int(w), int(h), QImage::Format_RGB32);
    if (w && h && image.isNull())
        throw EZPLExportError(QStringLiteral("Not enough memory for a ZPL bitmap (%1 x %2 dots)").arg(w).arg(h));
    image.fill(Qt::white);
    return image;
}

const char hexDigits[] = "0123456789ABCDEF";

void appendNumber(QByteArray &out, qint64 v) { out += QByteArray::number(v); }
} // namespace

// ---------------------------------------------------------------------------
TvdxZPLExport::TvdxZPLExport(TvdComponent *owner, bool noRegister) : TvdxBaseDialogExportFilter(owner, noRegister)
{
    SetDefaultExt(GetResStrByName(QStringLiteral("ZPLExtension")));
    SetFilterDesc(GetResStrByName(QStringLiteral("ZPLFilter")));
}

TvdxZPLExport::~TvdxZPLExport() = default;

const TZplScale &TvdxZPLExport::DensityRow(int index)
{
    if (index < 0 || index >= int(std::size(kDensityTable)))
        index = d8_dpmm_203_dpi;
    return kDensityTable[index];
}

void TvdxZPLExport::SetFZplDensity(TZplDensity value)
{
    const int row = int(value);
    if (row < 0 || row >= int(std::size(kDensityTable)))
        return;
    FZplDensity = value;
    FScaleIndex = row;
}

QString TvdxZPLExport::GetDescription() { return GetResStr(9523); }

TvdxExportDialogClass TvdxZPLExport::ExportDialogClass() { return &vdxNewExportDialog<TvdxExportZPLDialog>; }

// --------------------------------------------------------------- text helpers
QString TvdxZPLExport::EscapeZplText(const QString &s)
{
    QString r = s;
    r.replace(QStringLiteral("\\\\"), QStringLiteral("\\\\\\\\"));
    r.replace(QStringLiteral("\\r\\n"), QStringLiteral("\\\\&"), Qt::CaseInsensitive);
    r.replace(QStringLiteral("$"), QStringLiteral("\\\\$"));
    return r;
}

QByteArray TvdxZPLExport::ToZplHex(const QString &s)
{
    const QByteArray utf8 = s.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() * 3);
    for (const char c : utf8) {
        const uchar b = uchar(c);
        out += '_';
        out += hexDigits[b >> 4];
        out += hexDigits[b & 15];
    }
    return out;
}

QByteArray TvdxZPLExport::FieldHexEscaped(const QByteArray &utf8)
{
    bool needed = false;
    for (const char c : utf8) {
        const uchar b = uchar(c);
        if (c == '^' || c == '~' || b < 0x20 || b == 0x7F) {
            needed = true;
            break;
        }
    }
    if (!needed)
        return QByteArray();
    QByteArray out;
    out.reserve(utf8.size() + 16);
    for (const char c : utf8) {
        const uchar b = uchar(c);
        if (c == '^' || c == '~' || c == '_' || b < 0x20 || b == 0x7F) {
            out += '_';
            out += hexDigits[b >> 4];
            out += hexDigits[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

QString TvdxZPLExport::OrientationLetter(int r)
{
    if (r >= 90 && r <= 179)
        return QStringLiteral("R");
    if (r >= 180 && r <= 269)
        return QStringLiteral("I");
    if (r >= 270 && r <= 359)
        return QStringLiteral("B");
    return QStringLiteral("N");
}

// ------------------------------------------------------------------ writers
void TvdxZPLExport::WriteZplText(const QString &s)
{
    FBuffer += s.toUtf8();
    if (FBuffer.size() >= 64 * 1024)
        Flush();
}

void TvdxZPLExport::WriteZplLine(const QString &s)
{
    FBuffer += s.toUtf8();
    if (FBreakLines)
        FBuffer += "\r\n";
    if (FBuffer.size() >= 64 * 1024)
        Flush();
}

void TvdxZPLExport::WriteFieldOrigin(qint64 x, qint64 y)
{
    FBuffer += "^FO";
    appendNumber(FBuffer, x);
    FBuffer += ',';
    appendNumber(FBuffer, y);
}

void TvdxZPLExport::WriteZplField(const QString &data, const QString &prefix)
{
    if (FHexText) {
        FBuffer += "^FH^FD";
        FBuffer += prefix.toUtf8();
        FBuffer += ToZplHex(data);
    } else {
        // Characters that would end the field or start a command go out as
        // "^FH" escapes; everything else is sent as it is.
        const QByteArray utf8 = data.toUtf8();
        const QByteArray escaped = FieldHexEscaped(utf8);
        FBuffer += escaped.isEmpty() ? "^FD" : "^FH^FD";
        FBuffer += prefix.toUtf8();
        FBuffer += escaped.isEmpty() ? utf8 : escaped;
    }
    FBuffer += "^FS";
    if (FBreakLines)
        FBuffer += "\r\n";
}

void TvdxZPLExport::WriteGraphicField(const TvdxMonoBitmap &b)
{
    vdxAppendGraphicField(FBuffer, b, FBreakLines);
    if (FBuffer.size() >= 64 * 1024)
        Flush();
}

void TvdxZPLExport::Flush()
{
    if (FBuffer.isEmpty() || !Exp || FWriteFailed)
        return;
    const QByteArray data = std::move(FBuffer);
    FBuffer.clear();
    writeAll(Exp, data);
}

void TvdxZPLExport::writeAll(QIODevice *out, const QByteArray &data)
{
    const qint64 written = out->write(data);
    if (written == data.size())
        return;
    FWriteFailed = true;
    const QString reason = written < 0 ? out->errorString()
                                       : QStringLiteral("%1 of %2 bytes written").arg(written).arg(data.size());
    throw EZPLExportError(QStringLiteral("Cannot write the ZPL output: %1").arg(reason));
}

qint64 TvdxZPLExport::D(double v) const { return zround(v * scale().dpp); }
qint64 TvdxZPLExport::X(double v) const { return zround(v * scale().dpp + leftMargin); }
qint64 TvdxZPLExport::Y(double v) const { return zround(v * scale().dpp + topMargin); }

void TvdxZPLExport::writeOrientation(int rotation) { WriteZplLine(QStringLiteral("^FW") + OrientationLetter(rotation)); }

void TvdxZPLExport::writeFontLine(qint64 height, qint64 width)
{
    WriteZplLine(QStringLiteral("^A%1,%2,%3").arg(PrinterFont).arg(height).arg(width));
}

void TvdxZPLExport::writeBox(const char *cmd, qint64 w, qint64 h, qint64 t, const char *orientation)
{
    QByteArray line = cmd;
    appendNumber(line, w);
    line += ',';
    appendNumber(line, h);
    line += ',';
    appendNumber(line, t);
    if (orientation) {
        line += ",,";
        line += orientation;
    }
    line += "^FS";
    WriteZplLine(QString::fromLatin1(line));
}

void TvdxZPLExport::fieldSize(TvdxView *view, int rotation, qint64 &fw, qint64 &fh) const
{
    const bool turned = rotation == 90 || rotation == 270;
    fw = D(double(turned ? view->Height() : view->Width()));
    fh = D(double(turned ? view->Width() : view->Height()));
}

void TvdxZPLExport::writeNotSupported(TvdxView *view)
{
    writeFontLine(zround(double(view->Height())), zround(double(view->Width())));
    WriteZplField(QStringLiteral("not supported Barcode"), QString());
}

// ------------------------------------------------------------------ the run
bool TvdxZPLExport::Start()
{
    Exp = nullptr;
    FTransport = nullptr;
    FBuffer.clear();
    FWriteFailed = false;
    if (FileName().isEmpty() && !Stream())
        return false;
    try {
        if (Stream()) {
            Exp = Stream();
        } else {
            FTransport = IOTransport() ? IOTransport() : DefaultIOTransport();
            FTransport->FilterAccess = faWrite;
            Exp = FTransport->GetStream(FileName());
            if (!Exp)
                throw EZPLExportError(QStringLiteral("Cannot create the file \"%1\"").arg(FileName()));
        }
        WriteZplLine(PrinterInit);
        Flush();
    } catch (const Exception &e) {
        // The export loop only learns False; the reason goes to the error list.
        if (Report())
            Report()->AddError(e.message());
        Exp = nullptr;
        FTransport = nullptr;
        return false;
    }
    return true;
}

void TvdxZPLExport::StartPage(TvdxComponent *page, int index)
{
    Q_UNUSED(index)
    WriteZplLine(QStringLiteral("^XA") + CodePage);
    WriteZplLine(PageInit);
    const double f = FBMillimeters ? 3.78 : 1.0;
    const double dpp = scale().dpp;
    // Margins as the page stores them (millimetres); pages without them have none.
    leftMargin = page ? page->property("LeftMargin").toDouble() * f * dpp : 0;
    topMargin = page ? page->property("TopMargin").toDouble() * f * dpp : 0;
    if (!std::isfinite(leftMargin))
        leftMargin = 0;
    if (!std::isfinite(topMargin))
        topMargin = 0;
    FDrawn = QRect();
    if (FPrintAsBitmap) {
        if (!FPageImage.isNull()) {
            FSpareImage = std::move(FPageImage);
            FSpareWhite = false;
        }
        FPageImage = QImage();
        const double w = page ? double(page->Width()) : 0;
        const double h = page ? double(page->Height()) : 0;
        const qint64 iw = zround(w * f * dpp), ih = zround(h * f * dpp);
        // Labels of one size follow each other: the last label's image, made
        // white again, saves allocating and setting up a new one per label.
        if (!FSpareImage.isNull() && FSpareImage.width() == iw && FSpareImage.height() == ih) {
            FPageImage = std::move(FSpareImage);
            FSpareImage = QImage();
            if (!FSpareWhite)
                FPageImage.fill(Qt::white);
            FSpareWhite = false;
        } else {
            FSpareImage = QImage();
            FPageImage = whiteImage(iw, ih, "Page");
        }
    }
}

void TvdxZPLExport::ExportObject(TvdxComponent *obj)
{
    if (!obj)
        return;
    if (qobject_cast<TvdxPictureView *>(obj) && obj->Name() == QLatin1String("_pagebackground"))
        return;
    if (FPrintAsBitmap) {
        if (FPageImage.isNull())
            return;
        if (auto *rc = qobject_cast<TvdxReportComponent *>(obj)) {
            QPainterCanvas canvas(FPageImage, 96);
            rc->Draw(canvas, scale().dpp, scale().dpp, 0, 0);
            FDrawn |= canvas.touchedRect();
        }
        return;
    }
    if (auto *p = qobject_cast<TvdxPictureView *>(obj))
        exportPicture(p);
    else if (auto *b = qobject_cast<TvdxBarCodeView *>(obj))
        exportBarcode(b);
    else if (auto *b2 = qobject_cast<TvdxBarcode2DView *>(obj))
        exportBarcode2D(b2);
    else if (auto *l = qobject_cast<TvdxLineView *>(obj))
        exportLine(l);
    else if (auto *s = qobject_cast<TvdxShapeView *>(obj))
        exportShape(s);
    else if (auto *m = qobject_cast<TvdxCustomMemoView *>(obj)) {
        if (m->Visibility().testFlag(TvdxView::vsExport))
            exportMemo(m);
    }
    if (FBuffer.size() >= 64 * 1024)
        Flush();
}

void TvdxZPLExport::FinishPage(TvdxComponent *page, int index)
{
    Q_UNUSED(index)
    FPage = page;
    if (FPrintAsBitmap && !FPageImage.isNull()) {
        WriteFieldOrigin(zround(leftMargin), zround(topMargin));
        // Thresholded, inverted and padding cleared row by row on the way
        // out, and made white again for the next label.
        vdxTakeImageField(FBuffer, FPageImage, FBreakLines, FDrawn);
        FSpareImage = std::move(FPageImage);
        FSpareWhite = true;
    }
    FPageImage = QImage();
    WriteZplText(QStringLiteral("^XZ"));
    Flush();
}

void TvdxZPLExport::Finish()
{
    FPageImage = QImage();
    FSpareImage = QImage();
    if (!Exp)
        return;
    QIODevice *out = Exp;
    TvdxCustomIOTransport *transport = FTransport;
    Exp = nullptr;
    FTransport = nullptr;
    if (FWriteFailed) {
        // The failure is already reported; the partial output is dropped.
        FBuffer.clear();
        if (transport)
            transport->FreeStream(out);
        return;
    }
    try {
        FBuffer += PrinterFinish.toUtf8();
        if (FBreakLines)
            FBuffer += "\r\n";
        const QByteArray data = std::move(FBuffer);
        FBuffer.clear();
        writeAll(out, data);
    } catch (...) {
        if (transport)
            transport->FreeStream(out);
        throw;
    }
    if (transport) {
        // A file transport commits the file here and raises when it cannot.
        if (!transport->DoFilterProcessStream(out, this))
            transport->FreeStream(out);
    }
}

void TvdxZPLExport::ClearResources()
{
    FPageImage = QImage();
    FSpareImage = QImage();
    FBuffer.clear();
}

// --------------------------------------------------------------- the objects
QString TvdxZPLExport::memoText(TvdxCustomMemoView *memo)
{
    QString text = memo->Text();
    // The line list ends with a line break of its own.
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    else if (text.endsWith(u'\n') || text.endsWith(u'\r'))
        text.chop(1);
    text = EscapeZplText(text);
    // Line breaks inside the text become the field block's own ("\&").
    text.replace(QLatin1String("\r\n"), QLatin1String("\\&"));
    text.replace(u'\n', QLatin1String("\\&"));
    text.replace(u'\r', QLatin1String("\\&"));
    return text;
}

void TvdxZPLExport::exportMemo(TvdxCustomMemoView *memo)
{
    const double dpp = scale().dpp;
    const double fh0 = std::fabs(double(memo->Font()->Height()));
    // A zero font height or scale would divide by zero: one line, no scaling.
    const qint64 lines = fh0 > 0 ? zround(double(memo->Height()) / fh0) : 1;
    const double fontScale = FFontScale > 0 ? FFontScale : 1.0;
    const qint64 fh = zround(fh0 * dpp / fontScale);
    const qint64 fw = zround(double(fh) / 2);
    qint64 FW = 0, FH = 0;
    fieldSize(memo, memo->Rotation(), FW, FH);
    const double top = double(memo->AbsTop());
    qint64 y = Y(top);
    switch (memo->VAlign()) {
    case TvdxCustomMemoView::vaBottom:
        y = Y(top) + FH - lines * fh;
        break;
    case TvdxCustomMemoView::vaCenter:
        y = Y(top) + zround(double(FH) / 2) - zround(double(lines * fh) / 2);
        break;
    default:
        break;
    }
    const char *just = "L";
    switch (memo->HAlign()) {
    case TvdxCustomMemoView::haRight: just = "R"; break;
    case TvdxCustomMemoView::haCenter: just = "C"; break;
    case TvdxCustomMemoView::haBlock: just = "J"; break;
    default: break;
    }
    WriteFieldOrigin(X(double(memo->AbsLeft())), y);
    WriteZplLine(QStringLiteral("^FB%1,%2,0,%3,0").arg(FW).arg(lines).arg(QLatin1String(just)));
    writeOrientation(memo->Rotation());
    writeFontLine(fh, fw);
    WriteZplField(memoText(memo), QString());
    exportFrame(memo);
}

void TvdxZPLExport::exportFrame(TvdxView *view)
{
    const TvdxFrame *frame = view->Frame();
    if (!frame || !(frame->Width() > 0))
        return;
    const double L = double(view->AbsLeft()), T = double(view->AbsTop());
    const double W = double(view->Width()), H = double(view->Height());
    const qint64 x = W > 0 ? X(L) : X(L + W);
    const qint64 y = H > 0 ? Y(T) : Y(T + H);
    const qint64 w = std::abs(D(W));
    const qint64 h = std::abs(D(H));
    const auto typ = frame->Typ();
    using F = TvdxFrame;
    if (typ.testFlag(F::ftLeft) && typ.testFlag(F::ftRight) && typ.testFlag(F::ftTop) && typ.testFlag(F::ftBottom)) {
        WriteFieldOrigin(x, y);
        writeBox("^GB", w, h, D(frame->Width()));
        return;
    }
    if (typ.testFlag(F::ftTop)) {
        WriteFieldOrigin(x, y);
        writeBox("^GB", w, 0, D(frame->TopLine()->Width()));
    }
    if (typ.testFlag(F::ftLeft)) {
        WriteFieldOrigin(x, y);
        writeBox("^GB", 0, h, D(frame->LeftLine()->Width()));
    }
    if (typ.testFlag(F::ftBottom)) {
        WriteFieldOrigin(x, y + h);
        writeBox("^GB", w, 0, D(frame->BottomLine()->Width()));
    }
    if (typ.testFlag(F::ftRight)) {
        // The right side takes the top line's settings, read here only: the
        // exported object keeps its own right line.
        WriteFieldOrigin(x + w, y);
        writeBox("^GB", 0, h, D(frame->TopLine()->Width()));
    }
}

void TvdxZPLExport::exportLine(TvdxLineView *line)
{
    const double L = double(line->AbsLeft()), T = double(line->AbsTop());
    const double W = double(line->Width()), H = double(line->Height());
    const qint64 x = W > 0 ? X(L) : X(L + W);
    const qint64 y = H > 0 ? Y(T) : Y(T + H);
    const qint64 w = std::abs(D(W));
    const qint64 h = std::abs(D(H));
    const qint64 t = D(line->Frame()->Width());
    WriteFieldOrigin(x, y);
    if (W != 0 || H != 0) {
        const bool same = (W > 0 && H > 0) || (W < 0 && H < 0);
        writeBox("^GD", w, h, t, same ? "L" : "R");
    } else {
        writeBox("^GB", 0, 0, t);
    }
}

void TvdxZPLExport::exportShape(TvdxShapeView *shape)
{
    const double L = double(shape->AbsLeft()), T = double(shape->AbsTop());
    const double W = double(shape->Width()), H = double(shape->Height());
    const qint64 x = W > 0 ? X(L) : X(L + W);
    const qint64 y = H > 0 ? Y(T) : Y(T + H);
    WriteFieldOrigin(x, y);
    writeBox(shape->Shape() == TvdxShapeView::skEllipse ? "^GE" : "^GB", std::abs(D(W)), std::abs(D(H)),
             D(shape->Frame()->Width()));
}

void TvdxZPLExport::exportPicture(TvdxPictureView *picture)
{
    WriteFieldOrigin(X(double(picture->AbsLeft())), Y(double(picture->AbsTop())));
    const double W = double(picture->Width()), H = double(picture->Height());
    if (!(W >= 1 && H >= 1))
        return;
    const double dpp = scale().dpp;
    QImage image = whiteImage(zceil(W * dpp), zceil(H * dpp), "Picture");
    // Every format draws itself (raster, metafile, vector) stretched over the field.
    if (const TGraphic *graphic = picture->GetGraphic(); graphic && !graphic->Empty()) {
        QPainterCanvas canvas(image, 96);
        graphic->Draw(canvas, TRect(0, 0, image.width(), image.height()));
    }
    TvdxMonoBitmap bitmap = vdxImageToMono(image);
    image = QImage();
    vdxInvertBitmap(bitmap);
    vdxClearPaddingBits(bitmap);
    WriteGraphicField(bitmap);
}

void TvdxZPLExport::exportBarcode(TvdxBarCodeView *barcode)
{
    using B = TvdxBarcode;
    const int rotation = barcode->Rotation();
    qint64 FW = 0, FH = 0;
    fieldSize(barcode, rotation, FW, FH);
    WriteFieldOrigin(X(double(barcode->AbsLeft())), Y(double(barcode->AbsTop())));
    WriteZplLine(QStringLiteral("^BY%1,,%2").arg(zround(barcode->Zoom() * scale().module1D)).arg(FH));
    writeOrientation(rotation);
    const QString c = barcode->ShowText() ? QStringLiteral("Y") : QStringLiteral("N");
    QString command;
    switch (barcode->BarType()) {
    case B::bcCode_2_5_interleaved: command = QStringLiteral("^B2,,%1,N,N"); break;
    case B::bcCode_2_5_industrial: command = QStringLiteral("^BI,,%1,N"); break;
    case B::bcCode_2_5_matrix: command = QStringLiteral("^BJ,,%1,N"); break;
    case B::bcCode39: command = QStringLiteral("^B3,N,,%1,N"); break;
    case B::bcCode39Extended: command = QStringLiteral("^B3,Y,,%1,N"); break;
    case B::bcCode128:
    case B::bcCode128A:
    case B::bcCode128B:
    case B::bcCode128C:
    case B::bcCodeEAN128:
    case B::bcCodeEAN128A:
    case B::bcCodeEAN128B:
    case B::bcCodeEAN128C: command = QStringLiteral("^BC,,%1,N,N"); break;
    case B::bcCode93:
    case B::bcCode93Extended: command = QStringLiteral("^BA,,%1,N,N"); break;
    case B::bcCodeMSI: command = QStringLiteral("^BM,,,%1,N,N"); break;
    case B::bcCodePostNet: command = QStringLiteral("^BZ,,%1,N,0"); break;
    case B::bcCodeCodabar: command = QStringLiteral("^BK,N,,%1,N,,"); break;
    case B::bcCodeEAN8: command = QStringLiteral("^B8,,%1,N"); break;
    case B::bcCodeEAN13: command = QStringLiteral("^BE,,%1,N"); break;
    case B::bcCodeUPC_A: command = QStringLiteral("^BU,,%1,N,Y"); break;
    case B::bcCodeUPC_E0:
    case B::bcCodeUPC_E1: command = QStringLiteral("^B9,,%1,N,Y"); break;
    case B::bcCodeUSPSIntelligentMail: command = QStringLiteral("^BZ,,%1,N,3"); break;
    case B::bcCodeUPC_Supp2:
    case B::bcCodeUPC_Supp5:
    case B::bcGS1Code128:
        writeNotSupported(barcode);
        return;
    default: // no command of its own: the data alone
        break;
    }
    if (!command.isEmpty())
        WriteZplLine(command.arg(c));
    WriteZplField(EscapeZplText(barcode->Text()), QString());
}

void TvdxZPLExport::exportBarcode2D(TvdxBarcode2DView *barcode)
{
    using namespace vdx2D;
    const int rotation = barcode->Rotation();
    qint64 FW = 0, FH = 0;
    fieldSize(barcode, rotation, FW, FH);
    const TZplScale &row = scale();
    const qint64 module = zround(barcode->Zoom() * row.module2D);
    const TvdxBarcode2DType type = barcode->BarType();
    WriteFieldOrigin(X(double(barcode->AbsLeft())), Y(double(barcode->AbsTop())));
    WriteZplLine(QStringLiteral("^BY%1,,%2").arg(type == bcCodePDF417 ? 2 * module : module).arg(FH));
    writeOrientation(rotation);
    switch (type) {
    case bcCodePDF417:
        WriteZplLine(QStringLiteral("^B7,,,,,"));
        break;
    case bcCodeDataMatrix:
        WriteZplLine(QStringLiteral("^BX,,,,,,"));
        break;
    case bcCodeQR:
        WriteZplLine(QStringLiteral("^BY2,2,0"));
        WriteZplLine(QStringLiteral("^BQ,2,%1").arg(module));
        WriteZplField(EscapeZplText(barcode->Text()), QStringLiteral("MA,"));
        return;
    case bcCodeAztec:
        WriteZplLine(QStringLiteral("^BO,%1,,,,,").arg(row.module2D));
        break;
    case bcCodeMaxiCode: {
        // Modes 2 to 6; 4 (standard symbol) when the settings carry none.
        int mode = 4;
        if (QObject *props = barcode->BarProperties()) {
            bool ok = false;
            const int m = props->property("Mode").toInt(&ok);
            if (ok && m >= 2 && m <= 6)
                mode = m;
        }
        WriteZplLine(QStringLiteral("^BD%1,,").arg(mode));
        break;
    }
    case bcGS1DatabarE:
    case bcGS1DatabarES:
        writeNotSupported(barcode);
        return;
    default: // bcPharmacodeTT: no command of its own
        break;
    }
    WriteZplField(EscapeZplText(barcode->Text()), QString());
}
