// vd-zpl: exports a template to ZPL, lists the printers, and sends ZPL to a
// file or a label printer's queue as one raw job.
//
//   vd-zpl TEMPLATE.vd3 [--db FILE] [--vector] [--density NAME] (-o FILE | -P QUEUE)...
//   vd-zpl --raw FILE (-o FILE | -P QUEUE)...
//   vd-zpl --printers
//
// With --db each table of the SQLite file is a data set named like the
// table, its rows in rowid order. --density takes a name of the density
// table ("d8_dpmm_203_dpi", the default); --vector writes commands instead of
// one bitmap per label.
#include "export/zpl/vdxExportZPL.h"
#include "export/zpl/vdxZplRawJob.h"
#include "platform/Exception.h"
#include "preview/vdxPrinters.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"
#include "report/vdxDBSet.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QMetaEnum>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <memory>
#include <vector>

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

const char kUsage[] = "usage: vd-zpl TEMPLATE.vd3 [--db FILE] [--vector] [--density NAME] (-o FILE | -P QUEUE)\n"
                      "       vd-zpl --raw FILE (-o FILE | -P QUEUE)\n"
                      "       vd-zpl --printers";

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

// Table names of a SQLite file; empty with error set when it cannot be read.
QStringList tablesOf(const QString &dbFile, QString &error)
{
    QStringList tables;
    const QString conn = QStringLiteral("vd-zpl-tables");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(dbFile);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                       "AND name NOT LIKE 'sqlite_%' ORDER BY name")))
                error = q.lastError().text();
            while (q.next())
                tables << q.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(conn);
    return tables;
}

struct Options {
    QString templ, db, raw, output, queue;
    bool vector = false;
    int density = TvdxZPLExport::d8_dpmm_203_dpi;
    bool printers = false;
};

// The data sets of the database: made before the template loads, which
// finds them by name; they outlive the report.
struct DataSets {
    std::vector<std::unique_ptr<TvdxSqlDataSet>> queries;
    std::vector<std::unique_ptr<TvdxDBDataset>> sets;
};

// The template prepared over the data and exported; false with the message in error.
bool exportTemplate(const Options &o, QByteArray &zpl, QString &error)
{
    DataSets data;
    if (!o.db.isEmpty()) {
        if (!QFile::exists(o.db)) {
            error = QStringLiteral("no database %1").arg(o.db);
            return false;
        }
        QString dbError;
        const QStringList tables = tablesOf(o.db, dbError);
        if (!dbError.isEmpty()) {
            error = QStringLiteral("cannot read the database %1: %2").arg(o.db, dbError);
            return false;
        }
        for (const QString &table : tables) {
            auto q = std::make_unique<TvdxSqlDataSet>();
            q->SetDatabaseFile(o.db);
            q->SetSQL(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid")
                          .arg(QString(table).replace(QLatin1Char('"'), QLatin1String("\"\""))));
            auto ds = std::make_unique<TvdxDBDataset>();
            ds->SetUserName(table);
            ds->SetDataSet(q.get());
            data.queries.push_back(std::move(q));
            data.sets.push_back(std::move(ds));
        }
    }

    TvdxReport report;
    report.SetSilentMode(int(TvdxEngineOptions::simSilent));
    if (!report.LoadFromFile(o.templ)) {
        error = QStringLiteral("cannot load %1%2")
                    .arg(o.templ, report.Errors().isEmpty() ? QString() : QStringLiteral(": ") + report.ErrorMessage());
        return false;
    }
    for (auto &ds : data.sets)
        if (!report.DataSets()->Find(ds.get()))
            report.DataSets()->Add(ds.get());
    bool prepared = false;
    try {
        prepared = report.PrepareReport(true);
    } catch (const Exception &e) {
        report.AddError(e.message());
    }
    if (!prepared) {
        error = QStringLiteral("preparing failed: %1").arg(report.ErrorMessage());
        return false;
    }

    TvdxZPLExport filter(nullptr, true);
    filter.SetPrintAsBitmap(!o.vector);
    filter.SetFZplDensity(TvdxZPLExport::TZplDensity(o.density));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    filter.SetStream(&buffer);
    const bool ok = report.Export(&filter);
    filter.SetStream(nullptr);
    if (!ok) {
        error = QStringLiteral("export failed%1")
                    .arg(report.Errors().isEmpty() ? QString() : QStringLiteral(": ") + report.ErrorMessage());
        return false;
    }
    zpl = buffer.data();
    return true;
}

bool parse(const QStringList &args, Options &o, QString &error)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](QString &v) {
            if (i + 1 >= args.size()) {
                error = a + QStringLiteral(" needs a value");
                return false;
            }
            v = args[++i];
            return true;
        };
        if (a == QLatin1String("--printers")) {
            o.printers = true;
        } else if (a == QLatin1String("--vector")) {
            o.vector = true;
        } else if (a == QLatin1String("-P")) {
            if (!value(o.queue))
                return false;
        } else if (a == QLatin1String("-o")) {
            if (!value(o.output))
                return false;
        } else if (a == QLatin1String("--raw")) {
            if (!value(o.raw))
                return false;
        } else if (a == QLatin1String("--db")) {
            if (!value(o.db))
                return false;
        } else if (a == QLatin1String("--density")) {
            QString name;
            if (!value(name))
                return false;
            const QMetaEnum e = QMetaEnum::fromType<TvdxZPLExport::TZplDensity>();
            bool ok = false;
            o.density = e.keyToValue(name.toLatin1().constData(), &ok);
            if (!ok) {
                QStringList names;
                for (int k = 0; k < e.keyCount(); ++k)
                    names << QString::fromLatin1(e.key(k));
                error = QStringLiteral("unknown density %1 (one of %2)").arg(name, names.join(QStringLiteral(", ")));
                return false;
            }
        } else if (a.startsWith(QLatin1Char('-')) || !o.templ.isEmpty()) {
            error = QStringLiteral("unexpected argument ") + a;
            return false;
        } else {
            o.templ = a;
        }
    }
    if (!o.templ.isEmpty() && !o.raw.isEmpty()) {
        error = QStringLiteral("give a template or --raw, not both");
        return false;
    }
    if ((!o.templ.isEmpty() || !o.raw.isEmpty()) && o.output.isEmpty() && o.queue.isEmpty()) {
        error = QStringLiteral("say where the ZPL goes: -o FILE or -P QUEUE");
        return false;
    }
    if (o.templ.isEmpty() && o.raw.isEmpty() && !o.printers) {
        error = QString::fromLatin1(kUsage);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Widgets: templates may hold dialog pages.
    QApplication app(argc, argv);
    Options o;
    QString error;
    if (!parse(app.arguments(), o, error))
        return fail(error, 2);

    if (o.printers)
        listPrinters();
    if (o.templ.isEmpty() && o.raw.isEmpty())
        return 0;

    QByteArray bytes;
    if (!o.raw.isEmpty()) {
        QFile in(o.raw);
        if (!in.open(QIODevice::ReadOnly))
            return fail("cannot open " + o.raw + ": " + in.errorString());
        bytes = in.readAll();
        // Raw jobs carry text; bytes that are no UTF-8 would not arrive as they are.
        if (QString::fromUtf8(bytes).toUtf8() != bytes)
            return fail(o.raw + " is not UTF-8 text");
    } else if (!exportTemplate(o, bytes, error)) {
        return fail(error);
    }

    if (!o.output.isEmpty()) {
        QSaveFile file(o.output);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            return fail("cannot write " + o.output + ": " + file.errorString());
    }
    if (!o.queue.isEmpty()) {
        // The ZPL is UTF-8; it goes out as the same bytes.
        try {
            SendZplToPrinter(vdxGlobalPrinters()->IndexOf(o.queue), o.queue, QString::fromUtf8(bytes));
        } catch (const Exception &e) {
            return fail(o.queue + ": " + e.message());
        }
    }
    return 0;
}
