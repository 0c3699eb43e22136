#include "app/uZPLMain.h"
#include "app/uDemoData.h"
#include "app/uLibraryServices.h"
#include "platform/UiProvider.h"
#include "report/vdxClass_report.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QVBoxLayout>

#ifdef VD_HAVE_QTPDF
#include <QPdfDocument>
#include <QPdfView>
#endif

static void initAppResources()
{
    Q_INIT_RESOURCE(vendari_app);
}

TfrmZPL::TfrmZPL(const TZplSetup &setup, QWidget *owner) : TfrmDemoMain(owner), m_setup(setup)
{
    initAppResources();
    setWindowTitle(QStringLiteral("frmZPL"));
    resize(660, 590);

    m_env.ExeFolder = setup.ExeFolder.isEmpty() ? QCoreApplication::applicationDirPath() : setup.ExeFolder;
    m_env.ConfigPath = setup.ConfigPath.isEmpty() ? vdDemoConfigPath() : setup.ConfigPath;
    m_env.DocumentsFolder = setup.DocumentsFolder;
    if (m_env.DocumentsFolder.isEmpty())
        m_env.DocumentsFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (m_env.DocumentsFolder.isEmpty())
        m_env.DocumentsFolder = QDir::homePath();
    m_env.Scripts = vdLoadScriptSettings(m_env.ConfigPath);

    // The data sets come first: every report of the window is made with
    // their owner, the way a form's report finds the form's data sets.
    m_data = std::make_unique<TDemoData>();

    // The window's own report with its embedded template.
    m_report = std::make_unique<TvdxReport>(m_data->ComponentOwner());
    m_report->SetSilentMode(TvdxEngineOptions::simSilent);
    {
        QFile embedded(QStringLiteral(":/vendari/DemoReport.vd3"));
        if (embedded.open(QIODevice::ReadOnly))
            m_report->LoadFromStream(embedded);
    }

    if (!setup.Exporter)
        m_ownExporter = std::make_unique<TLibraryZplExporter>(m_data->ComponentOwner());
    if (!setup.Sink)
        m_ownSink = std::make_unique<TLibraryRawZplSink>();
    if (!setup.Printers)
        m_ownPrinters = std::make_unique<TLibraryPrinterNames>();
    if (!setup.Reports)
        m_ownReports = std::make_unique<TLibraryReportCommands>(m_report.get(), m_data->ComponentOwner());
    if (!setup.Shell)
        m_ownShell = std::make_unique<TDesktopShellOpener>();
    m_env.Exporter = setup.Exporter ? setup.Exporter : m_ownExporter.get();
    m_env.Sink = setup.Sink ? setup.Sink : m_ownSink.get();
    m_env.Printers = setup.Printers ? setup.Printers : m_ownPrinters.get();
    m_env.Reports = setup.Reports ? setup.Reports : m_ownReports.get();
    m_env.Shell = setup.Shell ? setup.Shell : m_ownShell.get();
    m_env.ShowPdf = [this](const QString &path) { showPdf(path); };

    buildControls();
    TZplControls c;
    c.Printers = Printers;
    c.Print = Print;
    c.PageControl = PageControl1;
    c.DesignR = DesignR;
    c.ShowR = ShowR;
    c.LRepName = LRepName;
    c.LPDFName = LPDFName;
    c.Density = Density;
    c.PrinterInit = PrinterInit;
    c.CodePage = CodePage;
    c.PrinterFinish = PrinterFinish;
    c.PageInit = PageInit;
    c.FontScale = FontScale;
    c.Font = Font;
    c.PrintAB = PrintAB;
    c.Memo = Memo1;
    m_controller = new TZplController(c, m_env, this);

    connect(ShowZPL, &QPushButton::clicked, m_controller, &TZplController::ShowZPLClick);
    connect(Print, &QPushButton::clicked, m_controller, &TZplController::PrintClick);
    connect(SelectR, &QPushButton::clicked, m_controller, &TZplController::SelectRClick);
    connect(DesignR, &QPushButton::clicked, m_controller, &TZplController::DesignRClick);
    connect(ShowR, &QPushButton::clicked, m_controller, &TZplController::ShowRClick);
    connect(LoadFF, &QPushButton::clicked, m_controller, &TZplController::LoadFFClick);
    connect(Button1, &QPushButton::clicked, m_controller, &TZplController::Button1Click);
    connect(Button2, &QPushButton::clicked, m_controller, &TZplController::Button2Click);
    connect(Button3, &QPushButton::clicked, m_controller, &TZplController::Button3Click);

    FormCreate();
}

TfrmZPL::~TfrmZPL()
{
#ifdef VD_HAVE_QTPDF
    if (auto *view = qobject_cast<QPdfView *>(m_pdfHost)) {
        view->setDocument(nullptr);
        delete view;
    }
    delete m_pdfDocument;
#endif
    // The report lets go of the data sets before they go.
    m_report.reset();
    m_data.reset();
}

void TfrmZPL::buildControls()
{
    auto *top = ClientLayout();

    PageControl1 = new QTabWidget(this);
    auto *reports = new QWidget;
    auto *zplText = new QWidget;
    auto *web = new QWidget;
    auto *pdf = new QWidget;
    PageControl1->addTab(reports, QStringLiteral("Reports"));
    PageControl1->addTab(zplText, QStringLiteral("ZPL text"));
    PageControl1->addTab(web, QStringLiteral("TSWeb"));
    PageControl1->addTab(pdf, QStringLiteral("TSPDF"));
    top->addWidget(PageControl1, 1);

    // Reports tab.
    auto *rl = new QVBoxLayout(reports);
    auto *row1 = new QHBoxLayout;
    SelectR = new QPushButton(QStringLiteral("Select Report"));
    DesignR = new QPushButton(QStringLiteral("Design Report"));
    ShowR = new QPushButton(QStringLiteral("Show Report"));
    DesignR->setEnabled(false);
    ShowR->setEnabled(false);
    LRepName = new QLabel;
    LRepName->setVisible(false);
    row1->addWidget(SelectR);
    row1->addWidget(DesignR);
    row1->addWidget(ShowR);
    row1->addWidget(LRepName, 1);
    rl->addLayout(row1);
    auto *row2 = new QHBoxLayout;
    Button2 = new QPushButton(QStringLiteral("Select PDF"));
    Button1 = new QPushButton(QStringLiteral("Export"));
    Button3 = new QPushButton(QStringLiteral("Export - Print"));
    LPDFName = new QLabel;
    LPDFName->setVisible(false);
    row2->addWidget(Button2);
    row2->addWidget(Button1);
    row2->addWidget(Button3);
    row2->addWidget(LPDFName, 1);
    rl->addLayout(row2);

    auto *zps = new QGroupBox(QStringLiteral("Zebra Printer Setting"));
    auto *form = new QFormLayout(zps);
    Density = new QComboBox;
    Density->setEditable(true);
    // Typed text selects nothing; it never becomes an item.
    Density->setInsertPolicy(QComboBox::NoInsert);
    Density->addItems(vdZplDensityItems());
    Density->setCurrentIndex(1);
    PrinterInit = new QLineEdit;
    CodePage = new QLineEdit(QStringLiteral("^CI28"));
    PrinterFinish = new QLineEdit;
    PageInit = new QLineEdit;
    FontScale = new QLineEdit;
    Font = new QLineEdit;
    PrintAB = new QCheckBox(QStringLiteral("Print As Bitmap"));
    PrintAB->setChecked(true);
    form->addRow(QStringLiteral("Density"), Density);
    form->addRow(QStringLiteral("Printer Init"), PrinterInit);
    form->addRow(QStringLiteral("Code Page"), CodePage);
    form->addRow(QStringLiteral("Printer Finish"), PrinterFinish);
    form->addRow(QStringLiteral("Page Init"), PageInit);
    form->addRow(QStringLiteral("Font Scale"), FontScale);
    form->addRow(QStringLiteral("Font"), Font);
    form->addRow(QString(), PrintAB);
    rl->addWidget(zps);
    rl->addStretch(1);

    // ZPL text tab.
    auto *zl = new QVBoxLayout(zplText);
    Memo1 = new QPlainTextEdit;
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    LoadFF = new QPushButton(QStringLiteral("Load From File"));
    zl->addWidget(Memo1, 1);
    zl->addWidget(LoadFF, 0, Qt::AlignLeft);

    // TSWeb tab: the processed PDF. The viewer (and its render thread) is made
    // when the tab is first looked at or a PDF is shown on a visible window.
    auto *wl = new QVBoxLayout(web);
    wl->setContentsMargins(0, 0, 0, 0);
    m_pdfPage = web;
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 2)
            ensurePdfViewer();
    });
    Q_UNUSED(pdf);

    // Below the tabs: printer choice and the two print buttons.
    auto *bottom = new QHBoxLayout;
    LSelect_Printer = new QLabel(QStringLiteral("Select Printer"));
    Printers = new QComboBox;
    Printers->setEditable(true);
    Printers->setInsertPolicy(QComboBox::NoInsert);
    Printers->setEditText(QStringLiteral("Printers"));
    Printers->setMinimumWidth(200);
    ShowZPL = new QPushButton(QStringLiteral("Show ZPL"));
    Print = new QPushButton(QStringLiteral("Print"));
    bottom->addWidget(LSelect_Printer);
    bottom->addWidget(Printers, 1);
    bottom->addWidget(ShowZPL);
    bottom->addWidget(Print);
    top->addLayout(bottom);
}

void TfrmZPL::FormCreate()
{
    const QString remote = m_data->ConnectRemote(vdLoadRemoteSettings(m_env.ConfigPath));
    if (!remote.isEmpty())
        vdUiProvider().MessageBox(remote, QStringLiteral("Vendari"),
                                  m_data->RemoteConnected() ? MB_OK : MB_OK | MB_ICONERROR);
    QString db = m_setup.DatabaseFile;
    if (db.isEmpty())
        db = m_env.ExeFolder + QStringLiteral("/products.sqlite");
    const QString local = m_data->OpenLocal(db);
    if (!local.isEmpty())
        TZplController::ShowError(local);
    m_controller->FormCreate();
}

void TfrmZPL::closeEvent(QCloseEvent *event)
{
    if (!m_closing) {
        m_closing = true;
        m_controller->FormClose();
    }
    TfrmDemoMain::closeEvent(event);
    event->accept();
}

void TfrmZPL::ensurePdfViewer()
{
    if (m_pdfHost)
        return;
#ifdef VD_HAVE_QTPDF
    auto *view = new QPdfView(m_pdfPage);
    // Not the view's child: a document that closes while the view is being
    // torn down tells a view that is half gone.
    auto *doc = new QPdfDocument(this);
    m_pdfDocument = doc;
    view->setDocument(doc);
    view->setPageMode(QPdfView::PageMode::MultiPage);
    m_pdfHost = view;
    if (!m_shownPdf.isEmpty())
        doc->load(m_shownPdf);
#else
    m_pdfHost = new QLabel(QStringLiteral("No PDF viewer in this build"), m_pdfPage);
#endif
    m_pdfPage->layout()->addWidget(m_pdfHost);
}

void TfrmZPL::showPdf(const QString &path)
{
    m_shownPdf = path;
    if (!m_pdfHost && !isVisible())
        return; // loaded when the viewer is made
    ensurePdfViewer();
#ifdef VD_HAVE_QTPDF
    if (auto *view = qobject_cast<QPdfView *>(m_pdfHost))
        view->document()->load(path);
#endif
}
