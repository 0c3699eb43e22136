#include "preview/vdxPageSettingsForm.h"

#include "core/vdUtils.h"
#include "core/vdxRes.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"
#include "platform/UiProvider.h"
#include "preview/vdxPrinters.h"
#include "report/vdxClass_page.h"
#include "report/vdxClass_report.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

namespace {
QString res(const char *key) { return GetResStrByName(QString::fromLatin1(key)); }
} // namespace

TvdxPageSettingsForm::TvdxPageSettingsForm(QWidget *parent, TvdxPrinters *printers)
    : QDialog(parent), FPrinters(printers ? printers : vdxGlobalPrinters())
{
    setWindowTitle(res("400"));
    SizeCB = new QComboBox(this);
    WidthE = new QLineEdit(this);
    HeightE = new QLineEdit(this);
    MarginLeftE = new QLineEdit(this);
    MarginTopE = new QLineEdit(this);
    MarginRightE = new QLineEdit(this);
    MarginBottomE = new QLineEdit(this);
    PortraitRB = new QRadioButton(res("410"), this);
    LandscapeRB = new QRadioButton(res("411"), this);
    ApplyToCurRB = new QRadioButton(res("413"), this);
    ApplyToAllRB = new QRadioButton(res("414"), this);
    PortraitRB->setChecked(true);
    ApplyToCurRB->setChecked(true);
    for (int i = 0; i < 6; ++i) {
        auto *l = new QLabel(this);
        l->setObjectName(QStringLiteral("UnitL%1").arg(i + 1));
        FUnitLabels << l;
    }
    UnitL1 = FUnitLabels[0];

    auto *sizeG = new QGroupBox(res("403"), this);
    auto *sg = new QGridLayout(sizeG);
    sg->addWidget(SizeCB, 0, 0, 1, 3);
    sg->addWidget(new QLabel(res("401"), this), 1, 0);
    sg->addWidget(WidthE, 1, 1);
    sg->addWidget(FUnitLabels[0], 1, 2);
    sg->addWidget(new QLabel(res("402"), this), 2, 0);
    sg->addWidget(HeightE, 2, 1);
    sg->addWidget(FUnitLabels[1], 2, 2);
    auto *orientG = new QGroupBox(res("404"), this);
    auto *og = new QVBoxLayout(orientG);
    og->addWidget(PortraitRB);
    og->addWidget(LandscapeRB);
    auto *marginsG = new QGroupBox(res("409"), this);
    auto *mg = new QGridLayout(marginsG);
    const char *keys[] = {"405", "406", "407", "408"};
    QLineEdit *boxes[] = {MarginLeftE, MarginTopE, MarginRightE, MarginBottomE};
    for (int i = 0; i < 4; ++i) {
        mg->addWidget(new QLabel(res(keys[i]), this), i, 0);
        mg->addWidget(boxes[i], i, 1);
        mg->addWidget(FUnitLabels[i + 2], i, 2);
    }
    auto *otherG = new QGroupBox(res("412"), this);
    auto *ot = new QVBoxLayout(otherG);
    ot->addWidget(ApplyToCurRB);
    ot->addWidget(ApplyToAllRB);
    auto *okB = new QPushButton(res("1"), this);
    auto *cancelB = new QPushButton(res("2"), this);
    okB->setObjectName(QStringLiteral("OKB"));
    cancelB->setObjectName(QStringLiteral("CancelB"));
    okB->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okB);
    buttons->addWidget(cancelB);
    auto *grid = new QGridLayout(this);
    grid->addWidget(sizeG, 0, 0);
    grid->addWidget(orientG, 0, 1);
    grid->addWidget(marginsG, 1, 0);
    grid->addWidget(otherG, 1, 1);
    grid->addLayout(buttons, 2, 0, 1, 2);

    connect(okB, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelB, &QPushButton::clicked, this, &QDialog::reject);
    connect(PortraitRB, &QRadioButton::toggled, this, [this] { PortraitRBClick(); });
    connect(SizeCB, &QComboBox::activated, this, [this] { SizeCBClick(); });
    connect(WidthE, &QLineEdit::textEdited, this, [this] { WidthEChange(); });
    connect(HeightE, &QLineEdit::textEdited, this, [this] { WidthEChange(); });
}

bool TvdxPageSettingsForm::NeedRebuild() const { return ApplyToAllRB->isChecked(); }

double TvdxPageSettingsForm::toDisplay(double mm) const
{
    switch (FUnits) {
    case duCM:
    case duPixels:
    case duChars: return mm / 10;
    case duInches: return mm / 25.4;
    default: return 0;
    }
}

double TvdxPageSettingsForm::toMM(double display) const
{
    switch (FUnits) {
    case duCM:
    case duPixels:
    case duChars: return display * 10;
    case duInches: return display * 25.4;
    default: return 0;
    }
}

QString TvdxPageSettingsForm::unitText() const
{
    switch (FUnits) {
    case duCM:
    case duPixels:
    case duChars: return res("uCm");
    case duInches: return res("uInch");
    default: return QString();
    }
}

bool TvdxPageSettingsForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && qobject_cast<QLineEdit *>(watched)) {
        const QString text = static_cast<QKeyEvent *>(event)->text();
        if (!text.isEmpty() && text.at(0).isPrint())
            for (QChar c : text)
                if (!(c.isDigit() && c.unicode() < 128) && c != u'.' && c != u',')
                    return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TvdxPageSettingsForm::FormShow()
{
    FUpdating = true;
    FUnits = duCM;
    if (FReport) {
        if (std::unique_ptr<TCustomIniFile> store = FReport->GetIniFile())
            FUnits = store->ReadInteger(QStringLiteral("Form5.TvdxDesignerForm"), QStringLiteral("Units"), 0);
    }
    for (QLabel *l : FUnitLabels)
        l->setText(unitText());
    SizeCB->clear();
    TvdxCustomPrinter *p = FPrinters->Printer();
    if (p)
        for (const TvdxNamedNumber &paper : p->Papers())
            SizeCB->addItem(paper.name, paper.number);
    if (FPage) {
        const int i = SizeCB->findData(FPage->PaperSize());
        SizeCB->setCurrentIndex(i >= 0 ? i : SizeCB->findData(vdxCustomPaper));
        WidthE->setText(FloatToShortStr(toDisplay(double(FPage->PaperWidth()))));
        HeightE->setText(FloatToShortStr(toDisplay(double(FPage->PaperHeight()))));
        MarginLeftE->setText(FloatToShortStr(toDisplay(double(FPage->LeftMargin()))));
        MarginTopE->setText(FloatToShortStr(toDisplay(double(FPage->TopMargin()))));
        MarginRightE->setText(FloatToShortStr(toDisplay(double(FPage->RightMargin()))));
        MarginBottomE->setText(FloatToShortStr(toDisplay(double(FPage->BottomMargin()))));
        if (FPage->Orientation() == TvdxReportPage::poLandscape)
            LandscapeRB->setChecked(true);
        else
            PortraitRB->setChecked(true);
    }
    for (QLineEdit *e : {WidthE, HeightE, MarginLeftE, MarginTopE, MarginRightE, MarginBottomE}) {
        e->removeEventFilter(this);
        e->installEventFilter(this);
    }
    PortraitRBClick();
    FUpdating = false;
}

void TvdxPageSettingsForm::PortraitRBClick()
{
    if (QWidget *img = findChild<QWidget *>(QStringLiteral("PortraitImg")))
        img->setVisible(PortraitRB->isChecked());
    SizeCBClick();
}

void TvdxPageSettingsForm::SizeCBClick()
{
    if (FUpdating)
        return;
    TvdxCustomPrinter *p = FPrinters->Printer();
    if (!p)
        return;
    double w = 0, h = 0;
    try {
        w = toMM(StrToFloatLoose(WidthE->text()));
        h = toMM(StrToFloatLoose(HeightE->text()));
    } catch (const Exception &) {
        return; // not a number yet: nothing to recompute
    }
    FUpdating = true;
    const int code = p->PaperNameToNumber(SizeCB->currentText());
    const TPrinterOrientation orientation = PortraitRB->isChecked() ? poPortrait : poLandscape;
    if (code == vdxCustomPaper)
        p->SetViewParams(code, h, w, orientation);
    else
        p->SetViewParams(code, w, h, orientation);
    WidthE->setText(FloatToShortStr(toDisplay(p->PaperWidth())));
    HeightE->setText(FloatToShortStr(toDisplay(p->PaperHeight())));
    FUpdating = false;
}

void TvdxPageSettingsForm::WidthEChange()
{
    if (FUpdating)
        return;
    const int i = SizeCB->findData(vdxCustomPaper);
    SizeCB->setCurrentIndex(i >= 0 ? i : 0);
}

int TvdxPageSettingsForm::FormHide(int modalResult)
{
    if (modalResult != mrOk || !FPage)
        return modalResult;
    // Every box is read before the page changes, so a bad one changes nothing.
    auto read = [this](QLineEdit *e, double fallbackMM, double &mm) {
        const QString t = e->text().trimmed();
        if (t.isEmpty()) {
            mm = fallbackMM;
            return true;
        }
        try {
            mm = toMM(StrToFloatLoose(t));
            return std::isfinite(mm) && mm >= 0;
        } catch (const Exception &) {
            return false;
        }
    };
    const TPrinterOrientation orientation = PortraitRB->isChecked() ? poPortrait : poLandscape;
    // An empty size box keeps the page's size in the chosen orientation.
    const bool turns = int(orientation) != int(FPage->Orientation());
    double w = 0, h = 0, l = 0, t = 0, r = 0, b = 0;
    const double pw = double(turns ? FPage->PaperHeight() : FPage->PaperWidth());
    const double ph = double(turns ? FPage->PaperWidth() : FPage->PaperHeight());
    QLineEdit *bad = nullptr;
    if (!read(WidthE, pw, w))
        bad = WidthE;
    else if (!read(HeightE, ph, h))
        bad = HeightE;
    else if (!read(MarginLeftE, 0, l))
        bad = MarginLeftE;
    else if (!read(MarginTopE, 0, t))
        bad = MarginTopE;
    else if (!read(MarginRightE, 0, r))
        bad = MarginRightE;
    else if (!read(MarginBottomE, 0, b))
        bad = MarginBottomE;
    if (bad) {
        ShowErrorMsg(QStringLiteral("'%1' is not a valid floating point value").arg(bad->text()));
        return mrCancel;
    }
    TvdxCustomPrinter *p = FPrinters->Printer();
    FPage->SetOrientation(orientation == poLandscape ? TvdxReportPage::poLandscape : TvdxReportPage::poPortrait);
    FPage->SetPaperWidth(w);
    FPage->SetPaperHeight(h);
    FPage->SetPaperSize(p ? p->PaperNameToNumber(SizeCB->currentText()) : vdxCustomPaper);
    FPage->SetLeftMargin(l);
    FPage->SetTopMargin(t);
    FPage->SetRightMargin(r);
    FPage->SetBottomMargin(b);
    FPage->AlignChildren();
    return modalResult;
}

bool vdxExecutePageSettings(TvdxReport *report, TvdxReportPage *page, bool &needRebuild, TvdxPrinters *printers)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    TvdxPageSettingsForm form(QApplication::activeWindow(), printers);
    form.SetReport(report);
    form.SetPage(page);
    form.FormShow();
    if (form.FormHide(vdUiProvider().ShowModal(form)) != mrOk)
        return false;
    needRebuild = form.NeedRebuild();
    return true;
}
