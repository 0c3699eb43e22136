// vd-zpl: lists the printers, and sends ZPL to a file or a label printer's
// queue as one raw job.
//
//   vd-zpl --printers
//   vd-zpl --raw FILE (-P QUEUE | -o FILE)
#include "export/zpl/vdxZplRawJob.h"
#include "platform/Exception.h"
#include "preview/vdxPrinters.h"
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>

namespace {

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

int fail(const QString &message, int code = 1)
{
    QTextStream(stderr) << "vd-zpl: " << message << Qt::endl;
    return code;
}

QString mm(double v) { return QString::number(v, 'g', 10); }

QString namedList(const TvdxNamedNumbers &list)
{
    QStringList parts;
    for (const TvdxNamedNumber &e : list)
        parts << QStringLiteral("%1 (%2)").arg(e.name).arg(e.number);
    return parts.join(QStringLiteral(", "));
}

void listPrinters()
{
    TvdxPrinters *printers = vdxGlobalPrinters();
    const QString def = printers->GetDefaultPrinterName().trimmed();
    if (!printers->HasPhysicalPrinters())
        out() << "no printers installed; geometry from the virtual printer\n";
    for (int i = 0; i < printers->Count(); ++i) {
        TvdxCustomPrinter *p = printers->Items(i);
        p->Init();
        const bool isDefault = printers->HasPhysicalPrinters() ? p->Name().compare(def, Qt::CaseInsensitive) == 0
                                                               : true;
        out() << (isDefault ? "* " : "  ") << p->Name() << (isDefault ? " (default)" : "") << "\n";
        if (!p->Initialized()) {
            out() << "    not readable" << (p->LastError().isEmpty() ? QString() : ": " + p->LastError()) << "\n";
            continue;
        }
        if (p->Paper() == 0) // the virtual printer answers geometry once a paper is chosen
            p->SetViewParams(p->DefPaper(), p->DefPaperWidth(), p->DefPaperHeight(), p->DefOrientation());
        out() << "    papers: " << namedList(p->Papers()) << "\n";
        out() << "    bins: " << namedList(p->Bins()) << "\n";
        out() << "    dpi: " << p->DPI().x() << " x " << p->DPI().y() << "\n";
        out() << "    paper: " << p->Paper() << ", " << mm(p->PaperWidth()) << " x " << mm(p->PaperHeight())
              << " mm\n";
        out() << "    margins: left " << mm(p->LeftMargin()) << ", top " << mm(p->TopMargin()) << ", right "
              << mm(p->RightMargin()) << ", bottom " << mm(p->BottomMargin()) << " mm\n";
    }
    out().flush();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString queue, output, raw, templ;
    bool printers = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](QString &v) {
            if (i + 1 >= args.size())
                return false;
            v = args[++i];
            return true;
        };
        if (a == QLatin1String("--printers"))
            printers = true;
        else if (a == QLatin1String("-P")) {
            if (!value(queue))
                return fail("-P needs a queue name", 2);
        } else if (a == QLatin1String("-o")) {
            if (!value(output))
                return fail("-o needs a file name", 2);
        } else if (a == QLatin1String("--raw")) {
            if (!value(raw))
                return fail("--raw needs a file name", 2);
        } else if (a == QLatin1String("--db") || a == QLatin1String("--density")) {
            QString ignored;
            if (!value(ignored))
                return fail(a + " needs a value", 2);
            templ = templ.isEmpty() ? QStringLiteral("-") : templ;
        } else if (a == QLatin1String("--vector")) {
            templ = templ.isEmpty() ? QStringLiteral("-") : templ;
        } else if (a.startsWith(QLatin1Char('-'))) {
            return fail("unknown option " + a, 2);
        } else {
            templ = a;
        }
    }

    if (printers) {
        listPrinters();
        if (raw.isEmpty() && templ.isEmpty())
            return 0;
    }
    if (!templ.isEmpty() && raw.isEmpty())
        return fail("exporting templates is not available in this build; use --raw FILE", 2);
    if (raw.isEmpty())
        return fail("usage: vd-zpl --printers | --raw FILE (-P QUEUE | -o FILE)", 2);
    if (queue.isEmpty() && output.isEmpty())
        return fail("--raw needs -P QUEUE or -o FILE", 2);

    QFile in(raw);
    if (!in.open(QIODevice::ReadOnly))
        return fail("cannot open " + raw + ": " + in.errorString());
    const QByteArray bytes = in.readAll();
    // The file is ZPL in UTF-8; it goes out as the same bytes.
    const QString text = QString::fromUtf8(bytes);

    if (!output.isEmpty()) {
        QFile o(output);
        if (!o.open(QIODevice::WriteOnly) || o.write(bytes) != bytes.size() || !o.flush())
            return fail("cannot write " + output + ": " + o.errorString());
    }
    if (!queue.isEmpty()) {
        try {
            SendZplToPrinter(vdxGlobalPrinters()->IndexOf(queue), queue, text);
        } catch (const Exception &e) {
            return fail(queue + ": " + e.message());
        }
    }
    return 0;
}
