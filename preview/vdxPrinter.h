// Printer objects: one per print queue, answering page geometry in
// millimetres for any paper code and orientation, running page jobs on a
// canvas and raw jobs through the print system. A virtual printer stands in
// when no queue exists.
#pragma once
#include "platform/PrinterBackend.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass_options.h"
#include <QList>
#include <QPoint>
#include <QString>
#include <array>
#include <memory>
#include <optional>

class QPainter;
class QPdfWriter;
class QTemporaryFile;

enum TPrinterOrientation { poPortrait, poLandscape };

using TvdxDuplexMode = TvdxPrintOptions::TvdxDuplexMode;

// Paper code of a custom size; bin number of the automatic (default) bin.
constexpr int vdxCustomPaper = 256;
constexpr int vdxDefaultBin = 7;
// Trays of the print system are numbered from here, in the order it lists them.
constexpr int vdxFirstSourceBin = 257;

// Job settings in the shape of the platform's device mode.
constexpr unsigned DM_ORIENTATION = 0x1;
constexpr unsigned DM_PAPERSIZE = 0x2;
constexpr unsigned DM_PAPERLENGTH = 0x4;
constexpr unsigned DM_PAPERWIDTH = 0x8;
constexpr unsigned DM_COPIES = 0x100;
constexpr unsigned DM_DEFAULTSOURCE = 0x200;
constexpr unsigned DM_DUPLEX = 0x1000;
constexpr unsigned DM_COLLATE = 0x8000;

struct TvdxDeviceMode {
    unsigned fields = 0;
    int paperSize = 9;
    int orientation = 1; // 1 portrait, 2 landscape
    int paperLength = 0; // tenths of a millimetre, custom sizes
    int paperWidth = 0;
    int defaultSource = vdxDefaultBin;
    int duplex = 1;      // 1 simplex, 2 vertical (long edge), 3 horizontal (short edge)
    int copies = 1;
    int collate = 0;
};

// What a device context would report, in device pixels.
struct TvdxDeviceCaps {
    int logPixelsX = 0, logPixelsY = 0;
    int physicalWidth = 0, physicalHeight = 0;
    int physicalOffsetX = 0, physicalOffsetY = 0;
    int horzRes = 0, vertRes = 0;
};

// Page size and unprintable margins in whole millimetres.
struct TvdxPageGeometry {
    double paperWidth = 0, paperHeight = 0;
    double left = 0, top = 0, right = 0, bottom = 0;
};

// False (geometry untouched) when either resolution is 0.
bool vdxGeometryFromDeviceCaps(const TvdxDeviceCaps &caps, TvdxPageGeometry &out);

// Paper table: code, display name, portrait size in tenths of a millimetre.
struct TPaperInfo {
    int Typ;
    const char *Name;
    int X, Y;
};
extern const std::array<TPaperInfo, 66> vdxPaperInfo;

// Size of a paper code from the table (mm, portrait); false when the code is absent.
bool vdxLookupPaperSize(int APaperSize, double &AWidth, double &AHeight);
// The table's code for a portrait size in tenths of a millimetre (within one
// tenth); 0 when none.
int vdxPaperCodeForSize(int widthTenths, int lengthTenths);

// A name with its paper code or bin number.
struct TvdxNamedNumber {
    QString name;
    int number = 0;
};
using TvdxNamedNumbers = QList<TvdxNamedNumber>;

class TvdxCustomPrinter;

// The canvas of a page job: printer pixels, origin at the printable area.
class TvdxPrinterCanvas : public QPainterCanvas {
public:
    TvdxPrinterCanvas(TvdxCustomPrinter *printer, QPainter &painter, int dpiX, int dpiY)
        : QPainterCanvas(painter, CanvasKind::Printer, dpiX, dpiY), FPrinter(printer) {}
    TvdxCustomPrinter *Printer() const { return FPrinter; }
private:
    TvdxCustomPrinter *FPrinter;
};

class TvdxCustomPrinter {
public:
    TvdxCustomPrinter(const QString &AName, const QString &APort);
    virtual ~TvdxCustomPrinter();
    TvdxCustomPrinter(const TvdxCustomPrinter &) = delete;
    TvdxCustomPrinter &operator=(const TvdxCustomPrinter &) = delete;

    virtual void Init() = 0;
    virtual void Abort() = 0;
    virtual void BeginDoc() = 0;
    virtual void BeginPage() = 0;
    virtual void BeginRAWDoc() = 0;
    virtual void EndDoc() = 0;
    virtual void EndPage() = 0;
    virtual void EndRAWDoc() = 0;
    virtual void WriteRAWDoc(const QByteArray &buf) = 0;
    virtual void SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                               TPrinterOrientation AOrientation) = 0;
    virtual void SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                                TPrinterOrientation AOrientation, int ABin, TvdxDuplexMode ADuplex,
                                int ACopies) = 0;
    virtual void PropertiesDlg() = 0;

    // A fresh, initialised object of the same class for one print run; raises
    // (with the reason) when it cannot be made or initialised.
    std::unique_ptr<TvdxCustomPrinter> CreateCopy() const;
    void Assign(const TvdxCustomPrinter *APrinter);
    bool IsDuplexActive() const { return FDefDuplex == 2 || FDefDuplex == 3; }
    int BinIndex(int ABin) const;
    int PaperIndex(int APaper) const;
    int BinNameToNumber(const QString &ABin) const;
    int PaperNameToNumber(const QString &APaper) const;

    int Bin() const { return FBin; }
    void SetBin(int v) { FBin = v; }
    int Duplex() const { return FDuplex; }
    const TvdxNamedNumbers &Bins() const { return FBins; }
    // The page job's canvas; nullptr outside a job.
    TvdxPrinterCanvas *Canvas() const { return FCanvas.get(); }
    TPrinterOrientation DefOrientation() const { return FDefOrientation; }
    int DefPaper() const { return FDefPaper; }
    double DefPaperHeight() const { return FDefPaperHeight; }
    double DefPaperWidth() const { return FDefPaperWidth; }
    int DefDuplex() const { return FDefDuplex; }
    int DefBin() const { return FDefBin; }
    QPoint DPI() const { return FDPI; }
    const QString &FileName() const { return FFileName; }
    void SetFileName(const QString &v) { FFileName = v; }
    quintptr Handle() const { return FHandle; }
    bool Initialized() const { return FInitialized; }
    const QString &Name() const { return FName; }
    int Paper() const { return FPaper; }
    const TvdxNamedNumbers &Papers() const { return FPapers; }
    double PaperHeight() const { return FPaperHeight; }
    double PaperWidth() const { return FPaperWidth; }
    double LeftMargin() const { return FLeftMargin; }
    double TopMargin() const { return FTopMargin; }
    double RightMargin() const { return FRightMargin; }
    double BottomMargin() const { return FBottomMargin; }
    TPrinterOrientation Orientation() const { return FOrientation; }
    const QString &Port() const { return FPort; }
    bool Printing() const { return FPrinting; }
    const QString &Title() const { return FTitle; }
    void SetTitle(const QString &v) { FTitle = v; }
    bool IsCopy() const { return FIsCopy; }
    // Why the last initialisation, job or raw job failed (empty when it did not).
    const QString &LastError() const { return FLastError; }

protected:
    virtual std::unique_ptr<TvdxCustomPrinter> NewInstance(const QString &AName, const QString &APort) const = 0;
    static int NumberOf(const TvdxNamedNumbers &list, const QString &name);
    static int IndexOfNumber(const TvdxNamedNumbers &list, int number);

    int FBin = -1;
    int FDuplex = -1;
    TvdxNamedNumbers FBins;
    std::unique_ptr<TvdxPrinterCanvas> FCanvas;
    TPrinterOrientation FDefOrientation = poPortrait;
    int FDefPaper = 0;
    double FDefPaperHeight = 0;
    double FDefPaperWidth = 0;
    int FDefDuplex = 0;
    int FDefBin = 0;
    QPoint FDPI;
    QString FFileName;
    quintptr FHandle = 0;
    bool FInitialized = false;
    QString FName;
    int FPaper = 0;
    TvdxNamedNumbers FPapers;
    double FPaperHeight = 0, FPaperWidth = 0;
    double FLeftMargin = 0, FTopMargin = 0, FRightMargin = 0, FBottomMargin = 0;
    TPrinterOrientation FOrientation = poPortrait;
    QString FPort;
    bool FPrinting = false;
    QString FTitle;
    bool FIsCopy = false;
    QString FLastError;
};

// A print queue of the print system (the back end in use when none is given).
class TvdxPrinter : public TvdxCustomPrinter {
public:
    TvdxPrinter(const QString &AName, const QString &APort, PrinterBackend *backend = nullptr);
    ~TvdxPrinter() override;

    void Init() override;
    void Abort() override;
    void BeginDoc() override;
    void BeginPage() override;
    void BeginRAWDoc() override;
    void EndDoc() override;
    void EndPage() override;
    void EndRAWDoc() override;
    void WriteRAWDoc(const QByteArray &buf) override;
    void SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                       TPrinterOrientation AOrientation) override;
    void SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                        TPrinterOrientation AOrientation, int ABin, TvdxDuplexMode ADuplex,
                        int ACopies) override;
    void PropertiesDlg() override;

    // The job settings; nullptr before the queue could be read.
    const TvdxDeviceMode *DeviceMode() const { return FMode ? &*FMode : nullptr; }
    // Device pixels of the current settings (what a device context reports).
    virtual TvdxDeviceCaps QueryDeviceCaps() const;
    // Reads the geometry of the current settings. On a zero resolution it
    // fails with "Printer selected is not valid": shown in an error box on
    // the GUI thread, returned in error (and LastError) on any thread.
    bool UpdateDeviceCaps(QString *error = nullptr);
    // The print system's job options for the current settings.
    QMap<QString, QString> JobOptions() const;
    // The medium keyword behind a paper code; empty for table-only and custom sizes.
    QString MediaForPaper(int code) const;

protected:
    std::unique_ptr<TvdxCustomPrinter> NewInstance(const QString &AName, const QString &APort) const override;

private:
    PrinterBackend &backend() const { return *FBackend; }
    void ReleaseDevice();
    void EndJob(bool submit);
    // Page size and margins (mm, in the settings' orientation) of the current settings.
    bool PageOfMode(double &w, double &h, double &l, double &t, double &r, double &b) const;

    PrinterBackend *FBackend;
    std::optional<TvdxDeviceMode> FMode;
    PrinterDefaults FDefaults;
    QList<PrinterMedia> FMedia;      // index-aligned with FMediaCodes
    QList<int> FMediaCodes;
    QList<PrinterSource> FSources;
    QList<int> FSourceBins;          // bin number of each source
    // Page job.
    std::unique_ptr<QTemporaryFile> FJobFile;
    std::unique_ptr<QPdfWriter> FWriter;
    std::unique_ptr<QPainter> FPainter;
    int FPagesStarted = 0;
    // Raw job.
    std::unique_ptr<RawJobSink> FRaw;
    bool FRawOk = false;
};

// Stands in when no queue exists: 600 dpi, the paper table, 5 mm margins.
class TvdxVirtualPrinter : public TvdxCustomPrinter {
public:
    using TvdxCustomPrinter::TvdxCustomPrinter;

    void Init() override;
    void Abort() override {}
    void BeginDoc() override {}
    void BeginPage() override {}
    void BeginRAWDoc() override {}
    void EndDoc() override {}
    void EndPage() override {}
    void EndRAWDoc() override {}
    void WriteRAWDoc(const QByteArray &) override {}
    void SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                       TPrinterOrientation AOrientation) override;
    void SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                        TPrinterOrientation AOrientation, int ABin, TvdxDuplexMode ADuplex,
                        int ACopies) override;
    void PropertiesDlg() override {}

protected:
    std::unique_ptr<TvdxCustomPrinter> NewInstance(const QString &AName, const QString &APort) const override;
};
