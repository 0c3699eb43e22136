#include "preview/vdxPrintDialog.h"

#include "core/vdBaseForm.h"
#include "core/vdxRes.h"
#include "platform/UiProvider.h"
#include "preview/vdxPrinters.h"
#include "report/vdxClass_bases.h"
#include "report/vdxClass_report.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString res(const char *key) { return GetResStrByName(QString::fromLatin1(key)); }

constexpr int kMaxCopies = 1000;

} // namespace

TvdxPrintDialog::TvdxPrintDialog(QWidget *parent, TvdxPrinters *printers)
    : QDialog(parent), FPrinters(printers ? printers : vdxGlobalPrinters())
{
    PrintersCB = new QComboBox(this);
    PropButton = new QPushButton(this);
    WhereL1 = new QLabel(this);
    FileCB = new QCheckBox(this);
    AllRB = new QRadioButton(this);
    CurPageRB = new QRadioButton(this);
    PageNumbersRB = new QRadioButton(this);
    PageNumbersE = new QLineEdit(this);
    CopiesE = new QLineEdit(this);
    CollateCB = new QCheckBox(this);
    CopiesPB = new QWidget(this);
    CopiesPB->setObjectName(QStringLiteral("CopiesPB"));
    PrintPagesCB = new QComboBox(this);
    OrderCB = new QComboBox(this);
    DuplexCB = new QComboBox(this);
    PrintModeCB = new QComboBox(this);
    PagPageSizeCB = new QComboBox(this);
    OkB = new QPushButton(this);
    CancelB = new QPushButton(this);
    auto *nameL = new QLabel(this), *whereL = new QLabel(this), *descrL = new QLabel(this);
    auto *copiesL = new QLabel(this), *printL = new QLabel(this), *orderL = new QLabel(this);
    auto *duplexL = new QLabel(this), *sizeL = new QLabel(this);
    auto *printerG = new QGroupBox(this), *pagesG = new QGroupBox(this), *copiesG = new QGroupBox(this);
    auto *otherG = new QGroupBox(this), *scaleG = new QGroupBox(this);
    nameL->setObjectName(QStringLiteral("NameL"));
    whereL->setObjectName(QStringLiteral("WhereL"));
    descrL->setObjectName(QStringLiteral("DescrL"));
    copiesL->setObjectName(QStringLiteral("CopiesL"));
    printL->setObjectName(QStringLiteral("PrintL"));
    orderL->setObjectName(QStringLiteral("OrderL"));
    duplexL->setObjectName(QStringLiteral("DuplexL"));
    sizeL->setObjectName(QStringLiteral("PagSizeL"));
    printerG->setObjectName(QStringLiteral("Label12"));
    pagesG->setObjectName(QStringLiteral("Label1"));
    copiesG->setObjectName(QStringLiteral("Label2"));
    otherG->setObjectName(QStringLiteral("OtherGB"));
    scaleG->setObjectName(QStringLiteral("ScaleGB"));
    descrL->setWordWrap(true);

    auto *pg = new QGridLayout(printerG);
    pg->addWidget(nameL, 0, 0);
    pg->addWidget(PrintersCB, 0, 1);
    pg->addWidget(PropButton, 0, 2);
    pg->addWidget(whereL, 1, 0);
    pg->addWidget(WhereL1, 1, 1);
    pg->addWidget(FileCB, 1, 2);
    auto *pa = new QGridLayout(pagesG);
    pa->addWidget(AllRB, 0, 0, 1, 2);
    pa->addWidget(CurPageRB, 1, 0, 1, 2);
    pa->addWidget(PageNumbersRB, 2, 0);
    pa->addWidget(PageNumbersE, 2, 1);
    pa->addWidget(descrL, 3, 0, 1, 2);
    auto *cg = new QGridLayout(copiesG);
    cg->addWidget(copiesL, 0, 0);
    cg->addWidget(CopiesE, 0, 1);
    cg->addWidget(CopiesPB, 1, 0);
    cg->addWidget(CollateCB, 1, 1);
    auto *og = new QGridLayout(otherG);
    og->addWidget(printL, 0, 0);
    og->addWidget(PrintPagesCB, 0, 1);
    og->addWidget(orderL, 1, 0);
    og->addWidget(OrderCB, 1, 1);
    og->addWidget(duplexL, 2, 0);
    og->addWidget(DuplexCB, 2, 1);
    auto *sg = new QGridLayout(scaleG);
    sg->addWidget(PrintModeCB, 0, 0, 1, 2);
    sg->addWidget(sizeL, 1, 0);
    sg->addWidget(PagPageSizeCB, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkB);
    buttons->addWidget(CancelB);
    auto *grid = new QGridLayout(this);
    grid->addWidget(printerG, 0, 0, 1, 2);
    grid->addWidget(pagesG, 1, 0);
    grid->addWidget(copiesG, 1, 1);
    grid->addWidget(otherG, 2, 0);
    grid->addWidget(scaleG, 2, 1);
    grid->addLayout(buttons, 3, 0, 1, 2);

    AllRB->setChecked(true);
    CollateCB->setChecked(true);
    CopiesE->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), CopiesE));
    CopiesE->setText(QStringLiteral("1"));
    OkB->setDefault(true);
    PageNumbersE->installEventFilter(this);
    CopiesPB->installEventFilter(this);
    FCollate = CollatePicture(true);
    FNonCollate = CollatePicture(false);
    UpdateFormPPI(vdScreenPPI());
    connect(CollateCB, &QCheckBox::toggled, CopiesPB, qOverload<>(&QWidget::update));

    connect(OkB, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelB, &QPushButton::clicked, this, &QDialog::reject);
    connect(PrintersCB, &QComboBox::activated, this, [this] { PrintersCBClick(); });
    connect(PrintModeCB, &QComboBox::activated, this, [this] { PrintModeCBClick(); });
    connect(PropButton, &QPushButton::clicked, this, [this] { PropButtonClick(); });
    connect(PageNumbersRB, &QRadioButton::clicked, this, [this] {
        if (isVisible())
            PageNumbersE->setFocus();
    });
    connect(PageNumbersE, &QLineEdit::textEdited, this, [this] { PageNumbersRB->setChecked(true); });

    UpdateResouces();
    if (layoutDirection() == Qt::RightToLeft)
        setLayoutDirection(Qt::RightToLeft);

    // FormCreate: the printers, the current one selected.
    PrintersCB->addItems(FPrinters->Printers());
    if (PrintersCB->count() == 0 && FPrinters->Count() > 0)
        PrintersCB->addItem(FPrinters->Items(0)->Name());
    PrintersCB->setCurrentIndex(std::max(0, FPrinters->PrinterIndex()));
    PrintersCBClick();
    OldIndex = FPrinters->PrinterIndex();
}

void TvdxPrintDialog::UpdateResouces()
{
    setWindowTitle(res("200"));
    findChild<QGroupBox *>(QStringLiteral("Label12"))->setTitle(res("201"));
    findChild<QLabel *>(QStringLiteral("NameL"))->setText(res("212"));
    PropButton->setText(res("209"));
    findChild<QLabel *>(QStringLiteral("WhereL"))->setText(res("208"));
    FileCB->setText(res("210"));
    findChild<QGroupBox *>(QStringLiteral("Label1"))->setTitle(res("202"));
    AllRB->setText(res("3"));
    CurPageRB->setText(res("4"));
    PageNumbersRB->setText(res("5"));
    findChild<QLabel *>(QStringLiteral("DescrL"))->setText(res("9"));
    findChild<QGroupBox *>(QStringLiteral("Label2"))->setTitle(res("205"));
    findChild<QLabel *>(QStringLiteral("CopiesL"))->setText(res("203"));
    CollateCB->setText(res("204"));
    findChild<QGroupBox *>(QStringLiteral("OtherGB"))->setTitle(res("207"));
    findChild<QLabel *>(QStringLiteral("PrintL"))->setText(res("206"));
    findChild<QLabel *>(QStringLiteral("OrderL"))->setText(res("211"));
    findChild<QLabel *>(QStringLiteral("DuplexL"))->setText(res("216"));
    findChild<QGroupBox *>(QStringLiteral("ScaleGB"))->setTitle(res("213"));
    findChild<QLabel *>(QStringLiteral("PagSizeL"))->setText(res("214"));
    OkB->setText(res("1"));
    CancelB->setText(res("2"));

    auto refill = [](QComboBox *box, std::initializer_list<const char *> keys) {
        const int i = box->currentIndex();
        box->clear();
        for (const char *k : keys)
            box->addItem(res(k));
        box->setCurrentIndex(i);
    };
    refill(PrintPagesCB, {"ppAll", "ppOdd", "ppEven"});
    refill(OrderCB, {"poDirect", "poReverse"});
    refill(DuplexCB, {"dupDefault", "dupVert", "dupHorz", "dupSimpl"});
    refill(PrintModeCB, {"pmDefault", "pmSplit", "pmJoin", "pmScale"});
}

QImage TvdxPrintDialog::CollatePicture(bool collated)
{
    // Sheets 20 x 26 with a folded corner, stacked 5 pixels apart.
    constexpr int sheetW = 20, sheetH = 26, step = 5, gap = 8;
    const int stacks = collated ? 2 : 3, perStack = collated ? 3 : 2;
    const int stackW = sheetW + step * (perStack - 1), stackH = sheetH + step * (perStack - 1);
    QImage image(stacks * stackW + (stacks - 1) * gap, stackH, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(10);
    p.setFont(f);
    for (int s = 0; s < stacks; ++s) {
        // The back sheet first, so the front one covers it.
        for (int k = perStack - 1; k >= 0; --k) {
            const int number = collated ? k + 1 : s + 1;
            const QRect r(s * (stackW + gap) + k * step, k * step, sheetW - 1, sheetH - 1);
            const QPolygon outline({r.topLeft(), QPoint(r.right() - 5, r.top()), QPoint(r.right(), r.top() + 5),
                                    r.bottomRight(), r.bottomLeft()});
            p.setPen(Qt::black);
            p.setBrush(Qt::white);
            p.drawPolygon(outline);
            p.drawText(r, Qt::AlignCenter, QString::number(number));
        }
    }
    return image;
}

void TvdxPrintDialog::UpdateFormPPI(int newPPI)
{
    FCollateScale = QImage();
    FNonCollateScale = QImage();
    if (newPPI > 0 && newPPI != 96) {
        const QSize size(MulDiv(FCollate.width(), newPPI, 96), MulDiv(FCollate.height(), newPPI, 96));
        FCollateScale = FCollate.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        FNonCollateScale = FNonCollate.scaled(MulDiv(FNonCollate.width(), newPPI, 96),
                                              MulDiv(FNonCollate.height(), newPPI, 96), Qt::IgnoreAspectRatio,
                                              Qt::SmoothTransformation);
    }
    const QImage &wide = FNonCollateScale.isNull() ? FNonCollate : FNonCollateScale;
    const QImage &other = FCollateScale.isNull() ? FCollate : FCollateScale;
    CopiesPB->setFixedSize(std::max(wide.width(), other.width()), std::max(wide.height(), other.height()));
    CopiesPB->update();
}

const QImage &TvdxPrintDialog::ShownCollatePicture() const
{
    if (CollateCB->isChecked())
        return FCollateScale.isNull() ? FCollate : FCollateScale;
    return FNonCollateScale.isNull() ? FNonCollate : FNonCollateScale;
}

void TvdxPrintDialog::CopiesPBPaint()
{
    QPainter p(CopiesPB);
    p.fillRect(CopiesPB->rect(), palette().color(QPalette::Window));
    p.drawImage(0, 0, ShownCollatePicture());
}

bool TvdxPrintDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == CopiesPB && event->type() == QEvent::Paint) {
        CopiesPBPaint();
        return true;
    }
    if (watched == PageNumbersE && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent *>(event)->text();
        if (!text.isEmpty() && text.at(0).isPrint()) {
            for (QChar c : text)
                if (!(c.isDigit() && c.unicode() < 128) && c != u',' && c != u'-')
                    return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

int TvdxPrintDialog::SheetIndexOf(int paperCode) const
{
    TvdxCustomPrinter *p = FPrinters->Printer();
    if (!p)
        return 0;
    const int i = p->PaperIndex(paperCode), c = p->PaperIndex(vdxCustomPaper);
    return i > c ? i : i + 1;
}

void TvdxPrintDialog::PrintersCBClick()
{
    TvdxCustomPrinter *before = FPrinters->Printer();
    const int remembered =
        PagPageSizeCB->currentIndex() > 0 && before ? before->PaperNameToNumber(PagPageSizeCB->currentText()) : -1;
    if (PrintersCB->currentIndex() >= 0 && PrintersCB->currentIndex() < FPrinters->Count())
        FPrinters->SetPrinterIndex(PrintersCB->currentIndex());
    TvdxCustomPrinter *p = FPrinters->Printer();
    WhereL1->setText(p ? p->Port() : QString());
    PagPageSizeCB->clear();
    PagPageSizeCB->addItem(res("pgDefault"));
    if (p)
        for (const TvdxNamedNumber &paper : p->Papers())
            if (paper.number != vdxCustomPaper)
                PagPageSizeCB->addItem(paper.name);
    if (remembered != -1 && p && p->PaperIndex(remembered) >= 0)
        PagPageSizeCB->setCurrentIndex(SheetIndexOf(remembered));
    else
        PagPageSizeCB->setCurrentIndex(0);
}

void TvdxPrintDialog::PrintModeCBClick()
{
    if (PrintModeCB->currentIndex() <= int(TvdxPrintOptions::pmDefault)) {
        PagPageSizeCB->setCurrentIndex(0);
        PagPageSizeCB->setEnabled(false);
        return;
    }
    PagPageSizeCB->setEnabled(true);
    if (PagPageSizeCB->currentIndex() == 0) {
        TvdxCustomPrinter *p = FPrinters->Printer();
        PagPageSizeCB->setCurrentIndex(p && p->PaperIndex(9) >= 0 ? SheetIndexOf(9) : -1);
    }
}

void TvdxPrintDialog::PropButtonClick()
{
    TvdxCustomPrinter *p = FPrinters->Printer();
    if (!p)
        return;
    p->PropertiesDlg();
    // The printer's two-sided setting (1 simplex, 2 long edge, 3 short edge)
    // in the order of the duplex list.
    const int d = p->Duplex() == 1 ? 3 : p->Duplex() - 1;
    if (d > 0) {
        ADuplexMode = TvdxDuplexMode(d);
        DuplexCB->setCurrentIndex(d);
    }
}

void TvdxPrintDialog::FormShow()
{
    if (!AReport)
        return;
    TvdxPrintOptions *o = AReport->PrintOptions();
    CopiesE->setText(QString::number(std::clamp(o->Copies(), 1, kMaxCopies)));
    CollateCB->setChecked(o->Collate());
    PageNumbersE->setText(o->PageNumbers());
    if (!o->PageNumbers().isEmpty())
        PageNumbersRB->setChecked(true);
    PrintPagesCB->setCurrentIndex(int(o->PrintPages()));
    OrderCB->setCurrentIndex(o->Reverse() ? 1 : 0);
    PrintModeCB->setCurrentIndex(int(o->PrintMode()));
    DuplexCB->setCurrentIndex(int(ADuplexMode));
    PrintModeCBClick();
    if (o->PrintMode() != TvdxPrintOptions::pmDefault)
        PagPageSizeCB->setCurrentIndex(SheetIndexOf(o->PrintOnSheet()));
}

int TvdxPrintDialog::FormHide(int modalResult)
{
    int result = modalResult;
    TvdxCustomPrinter *p = FPrinters->Printer();
    if (result == mrOk && p) {
        p->SetFileName(QString());
        if (FileCB->isChecked()) {
            const QString chosen = vdUiProvider().SaveFileName(res("507"), QString(), res("510"));
            if (chosen.isEmpty()) {
                result = mrCancel;
            } else {
                const QFileInfo fi(chosen);
                const QString base = fi.suffix().isEmpty() ? chosen : chosen.left(chosen.size() - fi.suffix().size() - 1);
                p->SetFileName(base + QStringLiteral(".prn"));
            }
        }
    }
    // Every way out but OK, the file dialog's cancel too, brings the old printer back.
    if (result != mrOk) {
        if (OldIndex >= 0 && OldIndex < FPrinters->Count())
            FPrinters->SetPrinterIndex(OldIndex);
        return result;
    }
    if (!AReport)
        return result;
    TvdxPrintOptions *o = AReport->PrintOptions();
    bool ok = false;
    const int copies = CopiesE->text().trimmed().toInt(&ok);
    o->SetCopies(ok ? std::clamp(copies, 1, kMaxCopies) : 1);
    o->SetCollate(CollateCB->isChecked());
    if (AllRB->isChecked()) {
        o->SetPageNumbers(QString());
    } else if (CurPageRB->isChecked()) {
        TvdxCustomPreviewPages *pages = AReport->Preview() ? AReport->PreviewPages() : nullptr;
        o->SetPageNumbers(QString::number(pages ? pages->CurPreviewPage + 1 : 1));
    } else {
        o->SetPageNumbers(PageNumbersE->text());
    }
    o->SetPrintPages(TvdxPrintOptions::TvdxPrintPages(std::max(0, PrintPagesCB->currentIndex())));
    ADuplexMode = TvdxDuplexMode(std::max(0, DuplexCB->currentIndex()));
    o->SetReverse(OrderCB->currentIndex() == 1);
    o->SetPrintMode(TvdxPrintOptions::TvdxPrintMode(std::max(0, PrintModeCB->currentIndex())));
    o->SetPrintOnSheet(p && PagPageSizeCB->currentIndex() > 0 ? p->PaperNameToNumber(PagPageSizeCB->currentText())
                                                              : vdxCustomPaper);
    return result;
}

bool vdxExecutePrintDialog(TvdxReport *report, TvdxDuplexMode &duplex, TvdxPrinters *printers)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    TvdxPrintDialog dlg(QApplication::activeWindow(), printers);
    dlg.AReport = report;
    dlg.ADuplexMode = duplex;
    dlg.FormShow();
    const int result = dlg.FormHide(vdUiProvider().ShowModal(dlg));
    if (result != mrOk)
        return false;
    duplex = dlg.ADuplexMode;
    return true;
}
