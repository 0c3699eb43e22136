#include "Barcode2DCommand.h"

#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxBarcodeAztec.h"
#include "core/vdxXMLSerializer.h"
#include "platform/QPainterCanvas.h"

#include <QImage>
#include <QMetaEnum>
#include <QTextStream>

namespace {

const char kUsage[] =
    "usage: vd-barcode 2d --type TYPE --text TEXT [--set Property=Value]... [--matrix] [--png FILE --module N]\n"
    "  TYPE is a bar type name (bcCodeQR, bcCodeAztec, bcPharmacodeTT, ...); properties are the template's\n"
    "  names (BarProperties.ErrorLevels=ecM, BarProperties.CodePage=1251, Rotation=90, ...).\n";

// The module grid of a union engine, from its rectangles and dots.
QStringList moduleRows(const TvdxBarcode2DBase &engine)
{
    const auto *u = dynamic_cast<const TvdxBarcode2DBaseWithUnion *>(&engine);
    const int cols = engine.SymbolColumns(), rows = engine.SymbolRows();
    QList<QByteArray> grid(rows, QByteArray(cols, '0'));
    if (u) {
        auto mark = [&](int c, int r) {
            if (c >= 0 && r >= 0 && c < cols && r < rows)
                grid[r][c] = '1';
        };
        for (const TvdxVectorPrimitive &p : u->VectorPrimitives())
            for (int c = p.Left; c < p.Left + p.Width; ++c)
                for (int r = p.Top; r < p.Top + p.Height; ++r)
                    mark(c, r);
        for (size_t i = 0; i < u->DotsR().size(); ++i)
            mark(u->DotsR()[i], u->DotsL()[i]);
    } else if (const auto *raster = dynamic_cast<const TvdxBarcode2DBaseWithOutUnion *>(&engine)) {
        const int stride = (cols + 7) / 8;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                const size_t at = size_t(r) * size_t(stride) + size_t(c / 8);
                if (at < raster->Image().size() && (raster->Image()[at] >> (7 - c % 8)) & 1)
                    grid[r][c] = '1';
            }
    }
    QStringList out;
    for (const QByteArray &row : grid)
        out << QString::fromLatin1(row);
    return out;
}

} // namespace

int RunBarcode2DCommand(const QStringList &args)
{
    QTextStream out(stdout), err(stderr);
    QString type, text, png;
    bool haveText = false, matrix = false;
    int module = 4;
    QStringList sets;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == u"--type" && hasValue)
            type = args[++i];
        else if (a == u"--text" && hasValue) {
            text = args[++i];
            haveText = true;
        } else if (a == u"--set" && hasValue)
            sets << args[++i];
        else if (a == u"--matrix")
            matrix = true;
        else if (a == u"--png" && hasValue)
            png = args[++i];
        else if (a == u"--module" && hasValue)
            module = args[++i].toInt();
        else {
            err << kUsage;
            return 2;
        }
    }
    bool ok = false;
    const int typeValue = QMetaEnum::fromType<TvdxBarcode2DType>().keyToValue(type.toLatin1().constData(), &ok);
    if (!ok || !haveText || module < 1 || module > 100) {
        err << (ok || type.isEmpty() ? QString() : QStringLiteral("unknown bar type: %1\n").arg(type)) << kUsage;
        return 2;
    }
    TvdxBarcode2DView view;
    view.SetBarType(TvdxBarcode2DType(typeValue));
    view.SetShowText(false);
    TvdxXMLSerializer serializer;
    for (const QString &s : sets) {
        const qsizetype eq = s.indexOf(u'=');
        if (eq <= 0) {
            err << "--set needs Property=Value: " << s << "\n";
            return 2;
        }
        QString value = s.mid(eq + 1).toHtmlEscaped();
        serializer.XMLToObj(QStringLiteral("%1=\"%2\"").arg(s.left(eq), value), &view);
    }
    for (const QString &e : serializer.Errors()) {
        err << e << "\n";
        return 2;
    }
    if (auto *qr = dynamic_cast<TvdxBarcodeQR *>(view.Engine()))
        qr->SetPixelSize(module);
    else if (auto *aztec = dynamic_cast<TvdxBarcodeAztec *>(view.Engine()))
        aztec->SetPixelSize(module);
    else if (view.Engine()->IsScaled()) {
        view.Engine()->SetPixelWidth(module);
        view.SetHeight(40 * module);
    } else {
        view.Engine()->SetPixelWidth(module);
        view.Engine()->SetPixelHeight(module);
    }
    view.SetText(text);
    if (!view.ErrorText().isEmpty()) {
        err << view.ErrorText() << "\n";
        return 1;
    }
    if (matrix || png.isEmpty())
        for (const QString &row : moduleRows(*view.Engine()))
            out << row << "\n";
    if (!png.isEmpty()) {
        // A quiet margin of ten modules on every side.
        const int margin = 10 * module;
        QImage image(int(view.Width()) + 2 * margin, int(view.Height()) + 2 * margin, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainterCanvas canvas(image);
            view.SetLeft(0);
            view.SetTop(0);
            view.Draw(canvas, 1, 1, margin, margin);
        }
        if (!image.save(png, "PNG")) {
            err << "cannot write " << png << "\n";
            return 1;
        }
    }
    return 0;
}
