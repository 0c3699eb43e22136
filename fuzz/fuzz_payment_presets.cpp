// Arbitrary bytes as the fields of a payment preset: the first byte chooses
// the preset and its settings, the rest (split at 0x01) fills its text
// fields in property order, as fixed texts or, with bit 0x40, as hostile
// expressions; with bit 0x80 the rest is a "Formats" attribute instead. The
// payload goes to a QR object and is drawn: a payload, a message or an
// exception, never a crash or a hang.
#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxRuBankPaymentPreset.h"
#include "fuzz/FuzzApplication.h"
#include "platform/Exception.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass_report.h"

#include <QImage>
#include <QMetaProperty>
#include <cstdint>

namespace {

// A fixed text as a string expression.
QString literal(const QString &text)
{
    QString out = QStringLiteral("''");
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c == u'\'')
            out += QStringLiteral("+#%1").arg(c.unicode());
        else
            out += QStringLiteral("+'") + c + u'\'';
    }
    return out;
}

// The string properties of obj and the parts below it, depth first.
void textFields(QObject *obj, QList<QPair<QObject *, QMetaProperty>> &out, int depth = 0)
{
    if (!obj || depth > 4)
        return;
    const QMetaObject *meta = obj->metaObject();
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (p.metaType().id() == QMetaType::QString && p.isWritable())
            out.append({obj, p});
        else if (QObject *child = p.read(obj).value<QObject *>())
            textFields(child, out, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApplication();
    if (size < 2 || size > 16384)
        return 0;
    static TvdxReport report;
    static const char *const classes[] = {"TvdxSwissPaymentPreset", "TvdxRuBankPaymentPreset", "TvdxEPCPaymentPreset"};
    const uint8_t mode = data[0];
    const QString rest = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    TvdxBarcode2DView view;
    view.SetBarType(bcCodeQR);
    try {
        if (mode & 0x80) {
            view.SetFormats(rest);
        } else {
            view.ExpressionPreset()->SetPresetClass(QString::fromLatin1(classes[(mode & 3) % 3]));
            QObject *preset = view.ExpressionPreset()->DataObject();
            auto *ru = qobject_cast<TvdxRuBankPaymentPreset *>(preset);
            if (ru) {
                ru->RuBankData()->SetEncoding(TvdxRuBankEncoding((mode >> 2) % 3));
                ru->RuBankData()->SetFieldTypes(mode & 0x40 ? vdxRuBank::fdExpression : vdxRuBank::fdStatic);
                ru->RuBankData()->SetSeparator(mode & 0x20 ? u';' : u'|');
            }
            QList<QPair<QObject *, QMetaProperty>> fields;
            textFields(preset, fields);
            const QStringList values = rest.split(QChar(1));
            for (qsizetype i = 0; i < values.size() && !fields.isEmpty(); ++i) {
                const auto &[obj, prop] = fields[i % fields.size()];
                const bool raw = (mode & 0x40) || ru;
                prop.write(obj, raw ? values[i] : literal(values[i]));
            }
        }
        const QString payload = view.ExpressionPreset()->GetData(&report);
        view.SetText(payload);
    } catch (const Exception &) {
        // A message: the payload is refused.
    }
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainterCanvas canvas(image);
    view.Draw(canvas, 0.25, 0.25, 0, 0);
    return 0;
}
