#include "FakePrinterBackend.h"
#include <QFile>

namespace vdtest {

namespace {

class FakeSink : public RawJobSink {
public:
    explicit FakeSink(FakePrinterBackend &b) : m_b(b) {}
    bool Open(const QString &printer) override
    {
        m_printer = printer;
        return m_b.failRawStep != 0 && m_b.queues.contains(printer);
    }
    bool CreateJob(const QString &title) override
    {
        if (m_b.failRawStep == 1)
            return false;
        m_b.rawJobs << FakeRawJob{m_printer, title, {}, false, false};
        m_job = int(m_b.rawJobs.size()) - 1;
        return true;
    }
    bool StartDocument() override { return m_b.failRawStep != 2; }
    qint64 Write(const QByteArray &bytes) override
    {
        if (m_b.failRawStep == 3)
            return -1;
        const qint64 n = m_b.partialWrite >= 0 ? qMin<qint64>(m_b.partialWrite, bytes.size()) : bytes.size();
        m_b.rawJobs[m_job].bytes += bytes.left(n);
        return n;
    }
    bool FinishDocument() override
    {
        if (m_b.failRawStep == 4)
            return false;
        m_b.rawJobs[m_job].finished = true;
        return true;
    }
    void Cancel() override
    {
        if (m_job >= 0 && !m_b.rawJobs[m_job].finished)
            m_b.rawJobs[m_job].cancelled = true;
    }
    void Close() override { ++m_b.sinksClosed; }
    QString LastError() const override { return QStringLiteral("fake failure"); }

private:
    FakePrinterBackend &m_b;
    QString m_printer;
    int m_job = -1;
};

} // namespace

bool FakePrinterBackend::Defaults(const QString &p, PrinterDefaults &out)
{
    auto it = queues.find(p);
    if (it == queues.end() || !it->readable)
        return false;
    out = it->defaults;
    return true;
}

int FakePrinterBackend::SubmitFile(const QString &printer, const QString &title, const QString &path,
                                   const QString &mimeType, const QMap<QString, QString> &options, QString *error)
{
    if (failSubmit || !queues.contains(printer)) {
        if (error)
            *error = QStringLiteral("fake refusal");
        return 0;
    }
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    submitted << FakeSubmission{printer, title, mimeType, f.readAll(), options};
    return int(submitted.size());
}

std::unique_ptr<RawJobSink> FakePrinterBackend::CreateRawSink()
{
    return std::make_unique<FakeSink>(*this);
}

PrinterMedia FakeMedia(const QString &id, int width, int length, int margin)
{
    PrinterMedia m;
    m.id = id;
    m.displayName = id;
    m.width = width;
    m.length = length;
    m.left = m.top = m.right = m.bottom = margin;
    return m;
}

} // namespace vdtest
