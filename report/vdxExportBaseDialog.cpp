#include "report/vdxExportBaseDialog.h"

#include "core/vdResources.h"
#include "core/vdUtils.h"
#include "core/vdxRes.h"
#include "platform/UiProvider.h"
#include "report/vdxClass_report.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabBar>
#include <QTabWidget>

TvdxExportDialogRunner &vdxExportDialogRunner()
{
    static TvdxExportDialogRunner runner;
    return runner;
}

// ---------------------------------------------------------------------------
void TvdxBaseDialogExportFilter::AfterFinish()
{
    if (!OpenAfterExport() || Stream())
        return;
    QString name = FileName();
    if (!QFileInfo::exists(QString(name).replace(u'\\', u'/'))) {
        // Formats that write one file per page name the first part "name.1.ext".
        const QString ext = name.mid(vdxChangeFileExt(name, QString()).size());
        name = vdxChangeFileExt(name, QString()) + QStringLiteral(".1") + ext;
    }
    ShellOpen(name, 1);
}

int TvdxBaseDialogExportFilter::ShowModal()
{
    if (Stream())
        return mrOk;
    TvdxExportDialogClass cls = CustomExportDialogClass ? CustomExportDialogClass : ExportDialogClass();
    std::unique_ptr<TvdxBaseExportDialog> dialog(cls(nullptr));
    dialog->InitControlsFromFilter(this);
    const int result = dialog->ShowModal();
    if (result == mrOk)
        dialog->InitFilterFromDialog(this);
    return result;
}

TvdxExportDialogClass TvdxBaseDialogExportFilter::ExportDialogClass()
{
    return &vdxNewExportDialog<TvdxBaseExportDialog>;
}

// ---------------------------------------------------------------------------
namespace {
template <class W>
W *tagged(W *w, int tag, const char *name)
{
    w->setObjectName(QLatin1String(name));
    if (tag)
        w->setProperty("Tag", tag);
    return w;
}
} // namespace

TvdxBaseExportDialog::TvdxBaseExportDialog(QWidget *owner) : TvdxBaseForm(owner)
{
    setObjectName(QStringLiteral("vdxBaseExportDialog"));
    setProperty("Tag", 8700);
    setWindowFlag(Qt::Dialog);
    setFixedSize(364, 392);

    PageControl1 = tagged(new QTabWidget(this), 0, "PageControl1");
    PageControl1->setGeometry(4, 4, 356, 348);
    ExportPage = tagged(new QWidget, 0, "ExportPage");
    PageControl1->addTab(ExportPage, QString());

    GroupPageRange = tagged(new QGroupBox(ExportPage), 7, "GroupPageRange");
    GroupPageRange->setGeometry(4, 4, 340, 128);
    AllRB = tagged(new QRadioButton(GroupPageRange), 3, "AllRB");
    AllRB->setGeometry(12, 20, 150, 17);
    AllRB->setChecked(true);
    CurPageRB = tagged(new QRadioButton(GroupPageRange), 4, "CurPageRB");
    CurPageRB->setGeometry(12, 42, 150, 17);
    PageNumbersRB = tagged(new QRadioButton(GroupPageRange), 5, "PageNumbersRB");
    PageNumbersRB->setGeometry(12, 64, 100, 17);
    PageNumbersE = tagged(new QLineEdit(GroupPageRange), 0, "PageNumbersE");
    PageNumbersE->setGeometry(116, 62, 212, 21);
    // Digits, "," and "-" only; other keys are dropped.
    PageNumbersE->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9,\\-]*")), PageNumbersE));
    DescrL = tagged(new QLabel(GroupPageRange), 9, "DescrL");
    DescrL->setGeometry(12, 88, 316, 34);
    DescrL->setWordWrap(true);

    GroupQuality = tagged(new QGroupBox(ExportPage), 8, "GroupQuality");
    GroupQuality->setGeometry(4, 136, 340, 108);

    GroupBox1 = tagged(new QGroupBox(ExportPage), 162, "GroupBox1");
    GroupBox1->setGeometry(4, 248, 340, 50);
    FiltersNameCB = tagged(new QComboBox(GroupBox1), 0, "FiltersNameCB");
    FiltersNameCB->setGeometry(12, 20, 316, 21);

    OpenCB = tagged(new QCheckBox(ExportPage), 8706, "OpenCB");
    OpenCB->setGeometry(8, 302, 330, 17);

    OkB = tagged(new QPushButton(this), 1, "OkB");
    OkB->setGeometry(196, 360, 75, 25);
    OkB->setDefault(true);
    CancelB = tagged(new QPushButton(this), 2, "CancelB");
    CancelB->setGeometry(280, 360, 75, 25);

    connect(OkB, &QPushButton::clicked, this, [this] { SetModalResult(mrOk); });
    connect(CancelB, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
    connect(PageNumbersE, &QLineEdit::textEdited, this, [this] { PageNumbersRB->setChecked(true); });
}

TvdxBaseExportDialog::~TvdxBaseExportDialog() = default;

void TvdxBaseExportDialog::InitDialog()
{
    LocalizeControls(this);
    PageControl1->setTabText(PageControl1->indexOf(ExportPage), GetResStr(107));
    QList<QPair<QString, TvdxCustomIOTransport *>> list;
    vdxFillIOTransportList(list, fvExport);
    FiltersNameCB->clear();
    FTransports.clear();
    for (const auto &entry : std::as_const(list)) {
        FiltersNameCB->addItem(entry.first);
        FTransports.append(entry.second);
    }
    if (PageControl1->count() == 1)
        unwrapSinglePage();
    if (QGuiApplication::isRightToLeft())
        mirrorChildren();
}

void TvdxBaseExportDialog::unwrapSinglePage()
{
    // The page's offset inside the tab control: the tab bar above, the frame around.
    const int frame = 2;
    const QPoint origin =
        PageControl1->geometry().topLeft() + QPoint(frame, PageControl1->tabBar()->sizeHint().height() + frame);
    const QList<QWidget *> children = ExportPage->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *child : children) {
        const QRect r = child->geometry();
        const bool hidden = child->isHidden();
        child->setParent(this);
        child->setGeometry(r.translated(origin));
        child->setVisible(!hidden);
    }
    PageControl1->hide();
}

void TvdxBaseExportDialog::mirrorChildren()
{
    const QList<QWidget *> children = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *child : children) {
        if (child->isWindow())
            continue;
        QRect r = child->geometry();
        r.moveLeft(width() - r.left() - r.width());
        child->setGeometry(r);
    }
}

void TvdxBaseExportDialog::InitControlsFromFilter(TvdxBaseDialogExportFilter *filter)
{
    const bool slave = filter->SlaveExport();
    OpenCB->setVisible(true);
    if (slave) {
        OpenCB->setEnabled(false);
        filter->SetOpenAfterExport(false);
    }
    OpenCB->setChecked(filter->OpenAfterExport());
    FiltersNameCB->setEnabled(!slave);
    const bool several = FiltersNameCB->count() > 1;
    FiltersNameCB->setVisible(several);
    GroupBox1->setVisible(several);
    if (!filter->PageNumbers().isEmpty()) {
        PageNumbersE->setText(filter->PageNumbers());
        PageNumbersRB->setChecked(true);
    }
    if (FiltersNameCB->count() > 0)
        FiltersNameCB->setCurrentIndex(0);
    int entry = FTransports.isEmpty() ? -1 : 0;
    if (filter->IOTransport())
        entry = int(FTransports.indexOf(filter->IOTransport()));
    if (entry >= 0 && !slave)
        filter->SetDefaultIOTransport(FTransports[entry]->CreateFilterClone(fvExport));
    if (TvdxCustomIOTransport *transport = filter->DefaultIOTransport())
        transport->InitFromExport(filter);
    TvdxReport *report = filter->Report();
    if (filter->FileName().isEmpty() && !slave && report && !report->FileName().isEmpty()) {
        QString name = report->FileName();
        name = name.mid(std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\')) + 1);
        filter->SetFileName(vdxChangeFileExt(name, filter->DefaultIOTransport()->DefaultExt));
    }
}

void TvdxBaseExportDialog::InitFilterFromDialog(TvdxBaseDialogExportFilter *filter)
{
    int entry = FiltersNameCB->currentIndex();
    if (entry < 0 && filter->IOTransport())
        entry = int(FTransports.indexOf(filter->IOTransport()));
    if (entry >= 0 && entry < FTransports.size() && !filter->SlaveExport())
        filter->SetDefaultIOTransport(FTransports[entry]->CreateFilterClone(fvExport));
    filter->SetPageNumbers(QString());
    filter->SetCurPage(false);
    if (CurPageRB->isChecked())
        filter->SetCurPage(true);
    else if (PageNumbersRB->isChecked())
        filter->SetPageNumbers(PageNumbersE->text());
    filter->SetOpenAfterExport(OpenCB->isChecked());
}

int TvdxBaseExportDialog::ShowModal()
{
    FModalResult = mrNone;
    if (TvdxExportDialogRunner &runner = vdxExportDialogRunner())
        return runner(this);
    if (QtUiProvider::IsHeadless())
        return mrOk;
    setWindowModality(Qt::ApplicationModal);
    show();
    QEventLoop loop;
    QPointer<TvdxBaseExportDialog> self(this);
    FInModalLoop = true;
    while (self && FModalResult == mrNone)
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    if (!self)
        return mrCancel;
    FInModalLoop = false;
    hide();
    return FModalResult;
}

void TvdxBaseExportDialog::SetModalResult(int value)
{
    FModalResult = value;
    if (value != mrNone && !FInModalLoop)
        hide();
}

void TvdxBaseExportDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1) {
        GetStringResources()->Help(this);
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        SetModalResult(mrCancel);
        return;
    }
    TvdxBaseForm::keyPressEvent(event);
}

void TvdxBaseExportDialog::closeEvent(QCloseEvent *event)
{
    if (FModalResult == mrNone)
        FModalResult = mrCancel;
    TvdxBaseForm::closeEvent(event);
}
