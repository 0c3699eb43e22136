#include "PresetCommand.h"

#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxRuBankPaymentPreset.h"
#include "core/vdXML.h"
#include "core/vdxXMLSerializer.h"
#include "platform/Exception.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass_report.h"

#include <QImage>
#include <QMetaProperty>
#include <QTextStream>
#include <cstdio>

namespace {

const char kUsage[] =
    "usage: vd-barcode preset swiss|ru|epc [--set PATH=TEXT]... [--png FILE [--module N]]\n"
    "  PATH is a dotted property path of the preset (Creditor.Name, Money.Amount,\n"
    "  RequiredBankingDetails.Payee.Name, RuBankData.Encoding, ...); texts are taken as they are.\n"
    "  Prints the payload as UTF-8, without a line end.\n";

// The text as a string expression of the default script language.
QString literal(const QString &text)
{
    QString out;
    bool open = false;
    for (QChar c : text) {
        if (c.unicode() < 0x20) {
            if (open)
                out += u'\'';
            open = false;
            out += u'#' + QString::number(c.unicode());
            continue;
        }
        if (!open)
            out += u'\'';
        open = true;
        out += c == u'\'' ? QStringLiteral("''") : QString(c);
    }
    if (open)
        out += u'\'';
    return out.isEmpty() ? QStringLiteral("''") : out;
}

// The property at the end of a dotted path, with the object that holds it.
bool findProperty(QObject *root, const QString &path, QObject *&holder, QMetaProperty &prop)
{
    QObject *cur = root;
    const QStringList parts = path.split(u'.');
    for (qsizetype i = 0; i < parts.size() && cur; ++i) {
        const int index = cur->metaObject()->indexOfProperty(parts[i].toLatin1().constData());
        if (index < 0)
            return false;
        prop = cur->metaObject()->property(index);
        if (i + 1 == parts.size()) {
            holder = cur;
            return true;
        }
        cur = prop.read(cur).value<QObject *>();
    }
    return false;
}

} // namespace

int RunPresetCommand(const QStringList &args)
{
    QTextStream err(stderr);
    if (args.isEmpty()) {
        err << kUsage;
        return 2;
    }
    const QString kind = args.first();
    QString cls = kind == u"swiss" ? QStringLiteral("TvdxSwissPaymentPreset")
                        : kind == u"ru"  ? QStringLiteral("TvdxRuBankPaymentPreset")
                        : kind == u"epc" ? QStringLiteral("TvdxEPCPaymentPreset")
                                         : QString();
    QStringList sets;
    QString png;
    int module = 4;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == u"--set" && hasValue)
            sets << args[++i];
        else if (a == u"--png" && hasValue)
            png = args[++i];
        else if (a == u"--module" && hasValue)
            module = args[++i].toInt();
        else {
            cls.clear();
            break;
        }
    }
    if (cls.isEmpty() || module < 1 || module > 100) {
        err << kUsage;
        return 2;
    }

    TvdxReport report;
    TvdxBarcode2DView view;
    view.SetBarType(bcCodeQR);
    view.ExpressionPreset()->SetPresetClass(cls);
    QObject *preset = view.ExpressionPreset()->DataObject();
    if (!preset) {
        err << "unknown preset " << cls << "\n";
        return 2;
    }
    // Fixed texts: the Russian preset takes them as they are, the others
    // evaluate expressions.
    if (auto *ru = qobject_cast<TvdxRuBankPaymentPreset *>(preset))
        ru->RuBankData()->SetFieldTypes(vdxRuBank::fdStatic);
    TvdxXMLSerializer serializer;
    for (const QString &s : sets) {
        const qsizetype eq = s.indexOf(u'=');
        QObject *holder = nullptr;
        QMetaProperty prop;
        if (eq <= 0 || !findProperty(preset, s.left(eq), holder, prop)) {
            err << "--set needs PATH=TEXT with a property of the preset: " << s << "\n";
            return 2;
        }
        QString value = s.mid(eq + 1);
        if (prop.metaType().id() == QMetaType::QString && !qobject_cast<vdxRuBank::TvdxCustomPresetAttr *>(holder))
            value = literal(value);
        serializer.XMLToObj(QStringLiteral("%1=\"%2\"").arg(s.left(eq), EscapeXMLAttr(value)),
                            qobject_cast<TvdPersistent *>(preset));
    }
    for (const QString &e : serializer.Errors()) {
        err << e << "\n";
        return 2;
    }
    QString payload;
    try {
        payload = view.ExpressionPreset()->GetData(&report);
    } catch (const Exception &e) {
        err << e.message() << "\n";
        return 1;
    }
    const QByteArray out = payload.toUtf8();
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
    if (png.isEmpty())
        return 0;

    if (auto *qr = dynamic_cast<TvdxBarcodeQR *>(view.Engine()))
        qr->SetPixelSize(module);
    view.SetText(payload);
    if (!view.ErrorText().isEmpty()) {
        err << view.ErrorText() << "\n";
        return 1;
    }
    const int margin = 10 * module;
    QImage image(int(view.Width()) + 2 * margin, int(view.Height()) + 2 * margin, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainterCanvas canvas(image);
        view.Draw(canvas, 1, 1, margin, margin);
    }
    if (!image.save(png, "PNG")) {
        err << "cannot write " << png << "\n";
        return 1;
    }
    return 0;
}
