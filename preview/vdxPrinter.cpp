#include "preview/vdxPrinter.h"
#include "core/vdThreading.h"
#include "core/vdVariant.h"
#include "core/vdxRes.h"
#include "platform/Exception.h"
#include "preview/vdxPrinterPropertiesDlg.h"
#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>

namespace {

const QString kInvalidPrinter = QStringLiteral("Printer selected is not valid");
// Resolution assumed for queues that state none (raw queues), the system's
// own measuring resolution.
constexpr int kAssumedDpi = 600;

int sidesToDuplex(const QString &sides)
{
    if (sides == QLatin1String("two-sided-long-edge"))
        return 2;
    if (sides == QLatin1String("two-sided-short-edge"))
        return 3;
    return 1;
}

QString duplexToSides(int d)
{
    switch (d) {
    case 2: return QStringLiteral("two-sided-long-edge");
    case 3: return QStringLiteral("two-sided-short-edge");
    default: return QStringLiteral("one-sided");
    }
}

int toPixels(double mm, int dpi) { return int(RoundHalfEven(mm / 25.4 * dpi)); }

QString mmText(double mm) { return QString::number(mm, 'g', 10); }

} // namespace

// ---- TvdxCustomPrinter ---------------------------------------------------------

TvdxCustomPrinter::TvdxCustomPrinter(const QString &AName, const QString &APort)
    : FName(AName), FPort(APort)
{
    FBins << TvdxNamedNumber{GetResStrByName(QStringLiteral("prDefault")), vdxDefaultBin};
    FPapers << TvdxNamedNumber{GetResStrByName(QStringLiteral("prCustom")), vdxCustomPaper};
}

TvdxCustomPrinter::~TvdxCustomPrinter() = default;

std::unique_ptr<TvdxCustomPrinter> TvdxCustomPrinter::CreateCopy() const
{
    std::unique_ptr<TvdxCustomPrinter> copy = NewInstance(FName, FPort);
    copy->Assign(this);
    copy->Init();
    if (!copy->Initialized())
        throw Exception(copy->LastError().isEmpty() ? kInvalidPrinter : copy->LastError());
    copy->FIsCopy = true;
    return copy;
}

void TvdxCustomPrinter::Assign(const TvdxCustomPrinter *APrinter)
{
    if (!APrinter)
        return;
    FBin = APrinter->FBin;
    FFileName = APrinter->FFileName;
    FTitle = APrinter->FTitle;
}

int TvdxCustomPrinter::IndexOfNumber(const TvdxNamedNumbers &list, int number)
{
    for (int i = 0; i < list.size(); ++i)
        if (list[i].number == number)
            return i;
    return -1;
}

int TvdxCustomPrinter::NumberOf(const TvdxNamedNumbers &list, const QString &name)
{
    for (const TvdxNamedNumber &e : list)
        if (e.name.compare(name, Qt::CaseInsensitive) == 0)
            return e.number;
    return list.isEmpty() ? 0 : list.first().number;
}

int TvdxCustomPrinter::BinIndex(int ABin) const { return IndexOfNumber(FBins, ABin); }
int TvdxCustomPrinter::PaperIndex(int APaper) const { return IndexOfNumber(FPapers, APaper); }
int TvdxCustomPrinter::BinNameToNumber(const QString &ABin) const { return NumberOf(FBins, ABin); }
int TvdxCustomPrinter::PaperNameToNumber(const QString &APaper) const { return NumberOf(FPapers, APaper); }

// ---- TvdxPrinter ---------------------------------------------------------------

TvdxPrinter::TvdxPrinter(const QString &AName, const QString &APort, PrinterBackend *backend)
    : TvdxCustomPrinter(AName, APort), FBackend(backend ? backend : &vdPrinterBackend())
{
}

TvdxPrinter::~TvdxPrinter()
{
    if (FPainter || FWriter)
        EndJob(false);
    if (FRaw) {
        FRaw->Cancel();
        FRaw->Close();
    }
    ReleaseDevice();
}

std::unique_ptr<TvdxCustomPrinter> TvdxPrinter::NewInstance(const QString &AName, const QString &APort) const
{
    return std::make_unique<TvdxPrinter>(AName, APort, FBackend);
}

void TvdxPrinter::ReleaseDevice()
{
    FCanvas.reset();
    FHandle = 0;
    FMode.reset();
}

void TvdxPrinter::Init()
{
    if (FInitialized)
        return;
    FLastError.clear();
    PrinterDefaults defaults;
    if (!backend().Defaults(FName, defaults))
        return; // unreadable: stays uninitialised, tried again next time
    FHandle = 1;
    FDefaults = defaults;
    FMedia = backend().Media(FName);
    FSources = backend().Sources(FName);

    // Paper codes: the table's code where the size matches one, else codes
    // past the custom size; each code once.
    FMediaCodes.clear();
    int nextCode = vdxCustomPaper + 1;
    for (const PrinterMedia &m : FMedia) {
        int code = vdxPaperCodeForSize((m.width + 5) / 10, (m.length + 5) / 10);
        if (code == 0 || FMediaCodes.contains(code))
            code = nextCode++;
        FMediaCodes << code;
    }

    TvdxDeviceMode mode;
    mode.fields = DM_ORIENTATION | DM_PAPERSIZE;
    mode.paperSize = 9;
    int idx = -1;
    for (int i = 0; i < FMedia.size(); ++i)
        if (FMedia[i].id == defaults.media) {
            idx = i;
            break;
        }
    if (idx < 0 && !FMedia.isEmpty())
        idx = 0;
    if (idx >= 0)
        mode.paperSize = FMediaCodes[idx];
    mode.orientation = defaults.landscape ? 2 : 1;
    // Trays: "auto" is the default bin, the others count from 257.
    FSourceBins.clear();
    int nextBin = vdxFirstSourceBin;
    for (const PrinterSource &src : FSources)
        FSourceBins << (src.id == QLatin1String("auto") ? vdxDefaultBin : nextBin++);
    mode.defaultSource = vdxDefaultBin;
    for (int i = 0; i < FSources.size(); ++i)
        if (FSources[i].id == defaults.source)
            mode.defaultSource = FSourceBins[i];
    mode.duplex = sidesToDuplex(defaults.sides);
    FMode = mode;

    if (!UpdateDeviceCaps()) {
        ReleaseDevice();
        return;
    }
    FDefPaper = FMode->paperSize;
    FDefBin = FMode->defaultSource;
    FDefDuplex = FMode->duplex;
    FPaper = FDefPaper;
    FDefPaperWidth = FPaperWidth;
    FDefPaperHeight = FPaperHeight;
    FDefOrientation = FMode->orientation == 1 ? poPortrait : poLandscape;
    FOrientation = FDefOrientation;

    for (int i = 0; i < FMedia.size() && i < 1024; ++i)
        if (FMediaCodes[i] != vdxCustomPaper)
            FPapers << TvdxNamedNumber{FMedia[i].displayName, FMediaCodes[i]};
    for (int i = 0; i < FSources.size() && i < 256; ++i)
        if (FSourceBins[i] != vdxDefaultBin)
            FBins << TvdxNamedNumber{FSources[i].displayName, FSourceBins[i]};

    FBin = -1;
    FDuplex = -1;
    FInitialized = true;
}

bool TvdxPrinter::PageOfMode(double &w, double &h, double &l, double &t, double &r, double &b) const
{
    if (!FMode)
        return false;
    const TvdxDeviceMode &m = *FMode;
    l = t = r = b = 0;
    bool found = false;
    if (m.paperSize == vdxCustomPaper && (m.fields & DM_PAPERLENGTH) && m.paperLength > 0 && m.paperWidth > 0) {
        w = m.paperWidth / 10.0;
        h = m.paperLength / 10.0;
        found = true;
    }
    if (!found) {
        const int i = FMediaCodes.indexOf(m.paperSize);
        if (i >= 0) {
            const PrinterMedia &pm = FMedia[i];
            w = pm.width / 100.0;
            h = pm.length / 100.0;
            l = pm.left / 100.0;
            t = pm.top / 100.0;
            r = pm.right / 100.0;
            b = pm.bottom / 100.0;
            found = true;
        }
    }
    if (!found)
        found = vdxLookupPaperSize(m.paperSize, w, h);
    if (!found) // a custom code without a size: the queue's first paper, else A4
        found = FMedia.isEmpty() ? vdxLookupPaperSize(9, w, h)
                                 : (w = FMedia[0].width / 100.0, h = FMedia[0].length / 100.0, true);
    if (m.orientation == 2) {
        std::swap(w, h);
        // Turned a quarter counter-clockwise: the bottom edge comes to the left.
        const double ol = l, ot = t, orr = r, ob = b;
        l = ob;
        t = ol;
        r = ot;
        b = orr;
    }
    return found;
}

TvdxDeviceCaps TvdxPrinter::QueryDeviceCaps() const
{
    TvdxDeviceCaps c;
    double w = 0, h = 0, l = 0, t = 0, r = 0, b = 0;
    if (!PageOfMode(w, h, l, t, r, b))
        return c;
    c.logPixelsX = FDefaults.dpiX > 0 ? FDefaults.dpiX : kAssumedDpi;
    c.logPixelsY = FDefaults.dpiY > 0 ? FDefaults.dpiY : c.logPixelsX;
    c.physicalWidth = toPixels(w, c.logPixelsX);
    c.physicalHeight = toPixels(h, c.logPixelsY);
    c.physicalOffsetX = toPixels(l, c.logPixelsX);
    c.physicalOffsetY = toPixels(t, c.logPixelsY);
    c.horzRes = c.physicalWidth - c.physicalOffsetX - toPixels(r, c.logPixelsX);
    c.vertRes = c.physicalHeight - c.physicalOffsetY - toPixels(b, c.logPixelsY);
    return c;
}

bool TvdxPrinter::UpdateDeviceCaps(QString *error)
{
    const TvdxDeviceCaps caps = QueryDeviceCaps();
    FDPI = QPoint(caps.logPixelsX, caps.logPixelsY);
    TvdxPageGeometry g;
    if (!vdxGeometryFromDeviceCaps(caps, g)) {
        FLastError = kInvalidPrinter;
        if (error)
            *error = kInvalidPrinter;
        // A worker thread must not open a window: the caller reports it.
        if (IsGuiThread())
            ShowErrorMsg(kInvalidPrinter);
        return false;
    }
    FPaperWidth = g.paperWidth;
    FPaperHeight = g.paperHeight;
    FLeftMargin = g.left;
    FTopMargin = g.top;
    FRightMargin = g.right;
    FBottomMargin = g.bottom;
    return true;
}

void TvdxPrinter::SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                                TPrinterOrientation AOrientation)
{
    if (!FMode)
        return;
    int code = APaperSize;
    if (code != vdxCustomPaper && PaperIndex(code) < 0)
        code = vdxCustomPaper;
    if (code != vdxCustomPaper || APaperSize == -1) {
        FMode->fields = DM_ORIENTATION | DM_PAPERSIZE;
        FMode->paperSize = code;
        FMode->orientation = AOrientation == poLandscape ? 2 : 1;
        if (!UpdateDeviceCaps())
            return;
    } else {
        int fallback = PaperIndex(9) >= 0 ? 9 : -1;
        if (FPapers.size() > 1 && fallback == -1)
            for (const TvdxNamedNumber &p : FPapers)
                if (p.number != vdxCustomPaper) {
                    fallback = p.number;
                    break;
                }
        SetViewParams(fallback, 0, 0, AOrientation);
        FPaperHeight = APaperHeight;
        FPaperWidth = APaperWidth;
    }
    FPaper = code;
    FOrientation = AOrientation;
}

void TvdxPrinter::SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                                 TPrinterOrientation AOrientation, int ABin, TvdxDuplexMode ADuplex,
                                 int ACopies)
{
    if (!FMode)
        return;
    TvdxDeviceMode &m = *FMode;
    m.fields |= DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_DEFAULTSOURCE | DM_COLLATE;
    int code = APaperSize;
    if (PaperIndex(code) < 0)
        code = vdxCustomPaper;
    if (code == vdxCustomPaper) {
        m.fields |= DM_PAPERLENGTH | DM_PAPERWIDTH;
        if (AOrientation == poPortrait) {
            m.paperLength = int(RoundHalfEven(APaperHeight * 10));
            m.paperWidth = int(RoundHalfEven(APaperWidth * 10));
        } else {
            m.paperLength = int(RoundHalfEven(APaperWidth * 10));
            m.paperWidth = int(RoundHalfEven(APaperHeight * 10));
        }
    } else {
        m.paperLength = 0;
        m.paperWidth = 0;
    }
    m.paperSize = code;
    m.orientation = AOrientation == poLandscape ? 2 : 1;
    m.copies = ACopies;
    m.collate = 0;
    m.defaultSource = ABin == vdxDefaultBin ? (FBin != -1 ? FBin : FDefBin) : ABin;
    int d = ADuplex == TvdxPrintOptions::dmNone ? FDefDuplex : int(ADuplex) + 1;
    if (d == 4)
        d = 1;
    if (FDuplex != -1)
        d = FDuplex;
    if (d != 1)
        m.fields |= DM_DUPLEX;
    m.duplex = d;
    if (UpdateDeviceCaps()) {
        FPaper = code;
        FOrientation = AOrientation;
    }
}

QString TvdxPrinter::MediaForPaper(int code) const
{
    const int i = FMediaCodes.indexOf(code);
    return i >= 0 ? FMedia[i].id : QString();
}

QMap<QString, QString> TvdxPrinter::JobOptions() const
{
    QMap<QString, QString> o;
    if (!FMode)
        return o;
    const TvdxDeviceMode &m = *FMode;
    const QString media = MediaForPaper(m.paperSize);
    if (!media.isEmpty()) {
        o.insert(QStringLiteral("media"), media);
    } else {
        double w = 0, h = 0, l, t, r, b;
        if (PageOfMode(w, h, l, t, r, b)) {
            if (m.orientation == 2)
                std::swap(w, h);
            o.insert(QStringLiteral("media"), QStringLiteral("Custom.%1x%2mm").arg(mmText(w), mmText(h)));
        }
    }
    const int src = m.defaultSource == vdxDefaultBin ? -1 : FSourceBins.indexOf(m.defaultSource);
    if (src >= 0)
        o.insert(QStringLiteral("media-source"), FSources[src].id);
    o.insert(QStringLiteral("sides"), duplexToSides(m.duplex));
    if (m.copies > 1)
        o.insert(QStringLiteral("copies"), QString::number(m.copies));
    return o;
}

// ---- page job ----------------------------------------------------------------

void TvdxPrinter::BeginDoc()
{
    FLastError.clear();
    FPrinting = true;
    double w = 0, h = 0, l = 0, t = 0, r = 0, b = 0;
    if (!PageOfMode(w, h, l, t, r, b)) {
        FLastError = kInvalidPrinter;
        FPrinting = false;
        return;
    }
    QString path = FFileName;
    if (path.isEmpty()) {
        FJobFile = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/vdjob-XXXXXX.pdf"));
        if (!FJobFile->open()) {
            FLastError = FJobFile->errorString();
            FJobFile.reset();
            FPrinting = false;
            return;
        }
        path = FJobFile->fileName();
        FJobFile->close();
    }
    const QPoint dpi = FDPI.x() > 0 && FDPI.y() > 0 ? FDPI : QPoint(kAssumedDpi, kAssumedDpi);
    FWriter = std::make_unique<QPdfWriter>(path);
    FWriter->setTitle(FTitle.isEmpty() ? QStringLiteral("Vendari Document") : FTitle);
    FWriter->setResolution(dpi.y());
    FWriter->setPageLayout(QPageLayout(QPageSize(QSizeF(w, h), QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
                                       QPageLayout::Portrait, QMarginsF()));
    FPainter = std::make_unique<QPainter>();
    if (!FPainter->begin(FWriter.get())) {
        FLastError = QStringLiteral("Cannot open the print file ") + path;
        FPainter.reset();
        FWriter.reset();
        FJobFile.reset();
        FPrinting = false;
        return;
    }
    if (dpi.x() != dpi.y())
        FPainter->scale(double(dpi.y()) / dpi.x(), 1.0);
    // Device units start at the printable area, as on a printer's context.
    FPainter->translate(toPixels(l, dpi.x()), toPixels(t, dpi.y()));
    FCanvas = std::make_unique<TvdxPrinterCanvas>(this, *FPainter, dpi.x(), dpi.y());
    FPagesStarted = 0;
}

void TvdxPrinter::BeginPage()
{
    if (!FWriter)
        return;
    if (FPagesStarted++ > 0)
        FWriter->newPage();
}

void TvdxPrinter::EndPage() {}

void TvdxPrinter::EndJob(bool submit)
{
    FCanvas.reset();
    const bool painted = FPainter && FPainter->isActive() && FPainter->end();
    FPainter.reset();
    FWriter.reset();
    if (submit && painted && FJobFile) {
        QString error;
        const QString title = FTitle.isEmpty() ? QStringLiteral("Vendari Document") : FTitle;
        if (backend().SubmitFile(FName, title, FJobFile->fileName(), QStringLiteral("application/pdf"),
                                 JobOptions(), &error) == 0)
            FLastError = error.isEmpty() ? QStringLiteral("The print job was not accepted") : error;
    } else if (submit && !painted) {
        FLastError = QStringLiteral("The print file could not be written");
    }
    FJobFile.reset();
    FPagesStarted = 0;
}

void TvdxPrinter::EndDoc()
{
    EndJob(true);
    FPrinting = false;
    FBin = -1;
    FDuplex = -1;
    if (FMode) {
        FMode->fields |= DM_DEFAULTSOURCE | DM_DUPLEX;
        FMode->defaultSource = FDefBin;
        FMode->duplex = FDefDuplex;
    }
}

void TvdxPrinter::Abort()
{
    EndJob(false);
    if (!FFileName.isEmpty())
        QFile::remove(FFileName);
    EndDoc();
}

// ---- raw job -------------------------------------------------------------------

void TvdxPrinter::BeginRAWDoc()
{
    FLastError.clear();
    FRaw = backend().CreateRawSink();
    FRawOk = FRaw->Open(FName) && FRaw->CreateJob(FTitle) && FRaw->StartDocument();
    if (!FRawOk)
        FLastError = FRaw->LastError();
}

void TvdxPrinter::WriteRAWDoc(const QByteArray &buf)
{
    if (!FRaw || !FRawOk)
        return;
    if (FRaw->Write(buf) != buf.size()) {
        FRawOk = false;
        FLastError = FRaw->LastError();
    }
}

void TvdxPrinter::EndRAWDoc()
{
    if (!FRaw)
        return;
    if (FRawOk && !FRaw->FinishDocument())
        FRawOk = false;
    if (!FRawOk) {
        if (FLastError.isEmpty())
            FLastError = FRaw->LastError();
        FRaw->Cancel();
    }
    FRaw->Close();
    FRaw.reset();
}

// ---- properties ----------------------------------------------------------------

void TvdxPrinter::PropertiesDlg()
{
    if (!FMode)
        return;
    const int oldDuplex = FMode->duplex;
    int bin = FMode->defaultSource, duplex = FMode->duplex;
    if (!vdxPrinterPropertiesDialog(FName, FBins, bin, duplex))
        return;
    FMode->fields |= DM_DEFAULTSOURCE | DM_DUPLEX;
    FMode->defaultSource = bin;
    FMode->duplex = duplex;
    FBin = FDefBin = bin;
    if (duplex != oldDuplex)
        FDuplex = duplex;
    UpdateDeviceCaps();
}
