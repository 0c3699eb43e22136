#include "platform/CupsPrinterBackend.h"

#ifdef VD_HAVE_CUPS
#include <cups/cups.h>
#include <sys/socket.h>

namespace {

QString fromUtf8(const char *s) { return s ? QString::fromUtf8(s) : QString(); }

// One queue looked up for the duration of a question.
class Dest {
public:
    explicit Dest(const QString &name)
    {
        const QByteArray n = name.toUtf8();
        if (!n.isEmpty())
            m_dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, n.constData(), nullptr);
    }
    ~Dest()
    {
        if (m_info)
            cupsFreeDestInfo(m_info);
        if (m_dest)
            cupsFreeDests(1, m_dest);
    }
    Dest(const Dest &) = delete;
    Dest &operator=(const Dest &) = delete;

    cups_dest_t *dest() const { return m_dest; }
    cups_dinfo_t *info()
    {
        if (!m_info && m_dest)
            m_info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, m_dest);
        return m_info;
    }

private:
    cups_dest_t *m_dest = nullptr;
    cups_dinfo_t *m_info = nullptr;
};

QString defaultValue(Dest &d, const char *option)
{
    if (!d.info())
        return {};
    ipp_attribute_t *a = cupsFindDestDefault(CUPS_HTTP_DEFAULT, d.dest(), d.info(), option);
    return a ? fromUtf8(ippGetString(a, 0, nullptr)) : QString();
}

class CupsRawJobSink : public RawJobSink {
public:
    ~CupsRawJobSink() override { Close(); }

    bool Open(const QString &printer) override
    {
        Close();
        m_name = printer.toUtf8();
        m_http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000, nullptr);
        if (!m_http)
            return fail();
        cups_dest_t *d = m_name.isEmpty() ? nullptr : cupsGetNamedDest(m_http, m_name.constData(), nullptr);
        if (!d)
            return fail();
        cupsFreeDests(1, d);
        return true;
    }
    bool CreateJob(const QString &title) override
    {
        m_title = title.toUtf8();
        m_job = cupsCreateJob(m_http, m_name.constData(), m_title.constData(), 0, nullptr);
        return m_job > 0 || fail();
    }
    bool StartDocument() override
    {
        m_written = 0;
        m_inDocument = cupsStartDocument(m_http, m_name.constData(), m_job, m_title.constData(),
                                         CUPS_FORMAT_RAW, 1) == HTTP_STATUS_CONTINUE;
        return m_inDocument || fail();
    }
    qint64 Write(const QByteArray &bytes) override
    {
        if (bytes.isEmpty())
            return 0;
        if (cupsWriteRequestData(m_http, bytes.constData(), size_t(bytes.size())) != HTTP_STATUS_CONTINUE) {
            fail();
            return -1;
        }
        m_written += bytes.size();
        return bytes.size();
    }
    bool FinishDocument() override
    {
        m_inDocument = false;
        // The print server refuses an empty document; an empty raw job prints
        // nothing anyway, so it is withdrawn instead of left aborted.
        if (m_written == 0) {
            Cancel();
            return true;
        }
        if (cupsFinishDocument(m_http, m_name.constData()) > IPP_STATUS_OK_EVENTS_COMPLETE)
            return fail();
        m_job = 0; // handed over: nothing left to cancel
        return true;
    }
    void Cancel() override
    {
        if (m_job <= 0)
            return;
        // The job's own connection may be mid-request; cancel over a fresh one.
        if (http_t *h = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000, nullptr)) {
            cupsCancelJob2(h, m_name.constData(), m_job, 0);
            httpClose(h);
        }
        m_job = 0;
    }
    void Close() override
    {
        if (m_http)
            httpClose(m_http);
        m_http = nullptr;
        m_job = 0;
        m_inDocument = false;
    }
    QString LastError() const override { return m_error; }

private:
    bool fail()
    {
        m_error = fromUtf8(cupsLastErrorString());
        return false;
    }

    http_t *m_http = nullptr;
    QByteArray m_name, m_title;
    int m_job = 0;
    bool m_inDocument = false;
    qint64 m_written = 0;
    QString m_error;
};

} // namespace

QStringList CupsPrinterBackend::Printers()
{
    cups_dest_t *dests = nullptr;
    const int n = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    QStringList names;
    for (int i = 0; i < n; ++i)
        if (!dests[i].instance)
            names << fromUtf8(dests[i].name);
    cupsFreeDests(n, dests);
    return names;
}

QString CupsPrinterBackend::DefaultPrinter()
{
    cups_dest_t *d = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    if (!d)
        return {};
    const QString name = fromUtf8(d->name);
    cupsFreeDests(1, d);
    return name;
}

bool CupsPrinterBackend::Defaults(const QString &printer, PrinterDefaults &out)
{
    Dest d(printer);
    if (!d.dest() || !d.info())
        return false;
    out = PrinterDefaults();
    cups_size_t size{};
    if (cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, d.dest(), d.info(), CUPS_MEDIA_FLAGS_DEFAULT, &size))
        out.media = fromUtf8(size.media);
    out.source = defaultValue(d, "media-source");
    out.sides = defaultValue(d, "sides");
    if (ipp_attribute_t *a = cupsFindDestDefault(CUPS_HTTP_DEFAULT, d.dest(), d.info(), "orientation-requested"))
        out.landscape = ippGetInteger(a, 0) == IPP_ORIENT_LANDSCAPE;
    if (ipp_attribute_t *a = cupsFindDestDefault(CUPS_HTTP_DEFAULT, d.dest(), d.info(), "printer-resolution")) {
        int y = 0;
        ipp_res_t units = IPP_RES_PER_INCH;
        int x = ippGetResolution(a, 0, &y, &units);
        if (units == IPP_RES_PER_CM) {
            x = int(x * 2.54 + 0.5);
            y = int(y * 2.54 + 0.5);
        }
        out.dpiX = x;
        out.dpiY = y;
    }
    return true;
}

QList<PrinterMedia> CupsPrinterBackend::Media(const QString &printer)
{
    Dest d(printer);
    QList<PrinterMedia> list;
    if (!d.dest() || !d.info())
        return list;
    const int n = cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, d.dest(), d.info(), CUPS_MEDIA_FLAGS_DEFAULT);
    for (int i = 0; i < n; ++i) {
        cups_size_t s{};
        if (!cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, d.dest(), d.info(), i, CUPS_MEDIA_FLAGS_DEFAULT, &s))
            continue;
        PrinterMedia m;
        m.id = fromUtf8(s.media);
        m.displayName = fromUtf8(cupsLocalizeDestMedia(CUPS_HTTP_DEFAULT, d.dest(), d.info(), CUPS_MEDIA_FLAGS_DEFAULT, &s));
        if (m.displayName.isEmpty())
            m.displayName = m.id;
        m.width = s.width;
        m.length = s.length;
        m.left = s.left;
        m.top = s.top;
        m.right = s.right;
        m.bottom = s.bottom;
        list << m;
    }
    return list;
}

QList<PrinterSource> CupsPrinterBackend::Sources(const QString &printer)
{
    Dest d(printer);
    QList<PrinterSource> list;
    if (!d.dest() || !d.info())
        return list;
    ipp_attribute_t *a = cupsFindDestSupported(CUPS_HTTP_DEFAULT, d.dest(), d.info(), "media-source");
    const int n = a ? ippGetCount(a) : 0;
    for (int i = 0; i < n; ++i) {
        PrinterSource s;
        const char *id = ippGetString(a, i, nullptr);
        s.id = fromUtf8(id);
        s.displayName = fromUtf8(cupsLocalizeDestValue(CUPS_HTTP_DEFAULT, d.dest(), d.info(), "media-source", id));
        if (s.displayName.isEmpty())
            s.displayName = s.id;
        list << s;
    }
    return list;
}

int CupsPrinterBackend::SubmitFile(const QString &printer, const QString &title, const QString &path,
                                   const QString &mimeType, const QMap<QString, QString> &options,
                                   QString *error)
{
    int n = 0;
    cups_option_t *opts = nullptr;
    for (auto it = options.begin(); it != options.end(); ++it)
        n = cupsAddOption(it.key().toUtf8().constData(), it.value().toUtf8().constData(), n, &opts);
    if (!mimeType.isEmpty())
        n = cupsAddOption("document-format", mimeType.toUtf8().constData(), n, &opts);
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, printer.toUtf8().constData(), path.toLocal8Bit().constData(),
                                   title.toUtf8().constData(), n, opts);
    cupsFreeOptions(n, opts);
    if (job <= 0 && error)
        *error = fromUtf8(cupsLastErrorString());
    return job > 0 ? job : 0;
}

std::unique_ptr<RawJobSink> CupsPrinterBackend::CreateRawSink()
{
    return std::make_unique<CupsRawJobSink>();
}

void vdCupsSetServer(const QString &server)
{
    const QByteArray s = server.toUtf8();
    cupsSetServer(s.isEmpty() ? nullptr : s.constData());
}

#else // built without libcups: no queues

QStringList CupsPrinterBackend::Printers() { return {}; }
QString CupsPrinterBackend::DefaultPrinter() { return {}; }
bool CupsPrinterBackend::Defaults(const QString &, PrinterDefaults &) { return false; }
QList<PrinterMedia> CupsPrinterBackend::Media(const QString &) { return {}; }
QList<PrinterSource> CupsPrinterBackend::Sources(const QString &) { return {}; }
int CupsPrinterBackend::SubmitFile(const QString &, const QString &, const QString &, const QString &,
                                   const QMap<QString, QString> &, QString *error)
{
    if (error)
        *error = QStringLiteral("No print system");
    return 0;
}
std::unique_ptr<RawJobSink> CupsPrinterBackend::CreateRawSink() { return NullPrinterBackend().CreateRawSink(); }
void vdCupsSetServer(const QString &) {}

#endif
