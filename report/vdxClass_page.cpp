#include "report/vdxClass_page.h"

#include <algorithm>

#include "core/vdFormatSettings.h"
#include "core/vdVariant.h"
#include "core/vdxRes.h"
#include "report/vdxClass_band.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_picture.h"
#include "report/vdxClass_report.h"

#include <cmath>

namespace {

// The paper codes of the printer driver's table that templates name most.
bool tablePaperSize(int code, long double &width, long double &height)
{
    struct Paper {
        int code;
        long double w, h;
    };
    static const Paper papers[] = {
        {1, 215.9L, 279.4L}, // Letter
        {3, 279.4L, 431.8L}, // Tabloid
        {4, 431.8L, 279.4L}, // Ledger
        {5, 215.9L, 355.6L}, // Legal
        {7, 184.15L, 266.7L}, // Executive
        {8, 297, 420},       // A3
        {9, 210, 297},       // A4
        {11, 148, 210},      // A5
        {12, 250, 354},      // B4
        {13, 182, 257},      // B5
        {20, 104.775L, 241.3L}, // Envelope #10
        {27, 110, 220},      // Envelope DL
        {28, 162, 229},      // Envelope C5
        {66, 420, 594},      // A2
        {70, 105, 148},      // A6
    };
    for (const Paper &p : papers)
        if (p.code == code) {
            width = p.w;
            height = p.h;
            return true;
        }
    return false;
}

int roundPx(long double v) { return int(RoundHalfEven(double(v))); }

} // namespace

long double vdxRoundPaperSize(long double value) { return RoundHalfEven(double(value * 1e8L)) / 1e8L; }

TvdxPaperService &vdxPaperService()
{
    static TvdxPaperService service{
        tablePaperSize,
        [](int &code, long double &width, long double &height, int &orientation) {
            code = 9;
            width = 210;
            height = 297;
            orientation = 0;
        },
    };
    return service;
}

// ---------------------------------------------------------------------------
TvdxPage::TvdxPage(TvdComponent *owner) : TvdxReportComponent(owner)
{
    SetvdComponentStyle(vdComponentStyle() | csAcceptsVdxComponents);
}

void TvdxPage::Draw(Canvas &, double, double, double, double) {}

bool TvdxPage::IsPropertyStored(const char *propName) const
{
    if (qstrcmp(propName, "HGuides") == 0)
        return !m_hGuides.isEmpty();
    if (qstrcmp(propName, "VGuides") == 0)
        return !m_vGuides.isEmpty();
    return TvdxReportComponent::IsPropertyStored(propName);
}

void TvdxPage::ClearGuides()
{
    m_hGuides.clear();
    m_vGuides.clear();
}

// ---------------------------------------------------------------------------
TvdxReportPage::TvdxReportPage(TvdComponent *owner)
    : TvdxPage(owner), m_backPicture(std::make_unique<TvdxPictureView>(nullptr))
{
    m_backPicture->SetColor(clNone);
    m_backPicture->SetKeepAspectRatio(false);
    m_orientation = poPortrait;
    SetPaperSize(9);
    m_bin = m_binOtherPages = 7;
    SetBaseName(QStringLiteral("Page"));
}

TvdxReportPage::~TvdxReportPage()
{
    if (m_subReport)
        m_subReport->PageGone();
}

TvdxReportPage *TvdxReportPage::CreateInPreview(TvdComponent *owner, TvdxReport *report)
{
    auto *page = new TvdxReportPage(owner);
    page->m_report = report;
    return page;
}

QString TvdxReportPage::GetDescription() const { return GetResStrByName(QStringLiteral("obRepPage")); }

void TvdxReportPage::SetPaperWidth(long double value)
{
    m_paperWidth = vdxRoundPaperSize(value);
    m_paperSize = 256;
    UpdateDimensions();
}

void TvdxReportPage::SetPaperHeight(long double value)
{
    m_paperHeight = vdxRoundPaperSize(value);
    m_paperSize = 256;
    UpdateDimensions();
}

void TvdxReportPage::SetPaperSize(int value)
{
    m_paperSize = value;
    if (value >= 256)
        return;
    long double w = 0, h = 0;
    auto &service = vdxPaperService();
    if (service.paperSize && service.paperSize(value, w, h)) {
        if (m_orientation == poLandscape)
            std::swap(w, h);
        m_paperWidth = w;
        m_paperHeight = h;
    }
    UpdateDimensions();
}

void TvdxReportPage::SetOrientation(TPrinterOrientation value)
{
    if (value != m_orientation) {
        std::swap(m_paperWidth, m_paperHeight);
        const long double l = m_leftMargin, r = m_rightMargin, t = m_topMargin, b = m_bottomMargin;
        if (value == poLandscape) {
            m_leftMargin = t;
            m_rightMargin = b;
            m_topMargin = r;
            m_bottomMargin = l;
        } else {
            m_leftMargin = b;
            m_rightMargin = t;
            m_topMargin = l;
            m_bottomMargin = r;
        }
        m_orientation = value;
        UpdateDimensions();
    }
    m_orientation = value;
}

void TvdxReportPage::SetDefaults()
{
    m_leftMargin = m_rightMargin = m_topMargin = m_bottomMargin = 10;
    int code = 9, orientation = 0;
    long double w = 210, h = 297;
    if (auto &def = vdxPaperService().defaultPaper)
        def(code, w, h, orientation);
    m_paperWidth = w;
    m_paperHeight = h;
    m_orientation = orientation ? poLandscape : poPortrait;
    SetPaperSize(code);
    UpdateDimensions();
}

void TvdxReportPage::SetSizeAndDimensions(int aSize, long double aWidth, long double aHeight)
{
    m_paperWidth = vdxRoundPaperSize(aWidth);
    m_paperHeight = vdxRoundPaperSize(aHeight);
    SetPaperSize(aSize);
    UpdateDimensions();
}

void TvdxReportPage::UpdateDimensions()
{
    SetWidth(roundPx(m_paperWidth * vdxMMToPixels));
    SetHeight(roundPx(m_paperHeight * vdxMMToPixels));
}

void TvdxReportPage::SetMarginOffset(int pageIndex)
{
    if (m_mirrorMargins && pageIndex % 2 == 1)
        SetLeft(m_rightMargin * vdxMMToPixels);
    else
        SetLeft(m_leftMargin * vdxMMToPixels);
    SetTop(m_topMargin * vdxMMToPixels);
}

void TvdxReportPage::ClearMarginOffset()
{
    SetLeft(0);
    SetTop(0);
}

void TvdxReportPage::SetColumns(int value)
{
    m_columns = value;
    m_columnPositions.clear();
    if (value <= 0)
        return;
    m_columnWidth = (m_paperWidth - m_leftMargin - m_rightMargin) / value;
    // A hostile template may ask for billions of columns; past this count
    // they are narrower than any label, and the engine places the rest by
    // width anyway.
    constexpr int kMaxColumnPositions = 1000;
    for (int i = 0; i < std::min(value, kMaxColumnPositions); ++i)
        m_columnPositions.append(FloatToStr(double(i * m_columnWidth)));
}

void TvdxReportPage::SetPageCount(int v)
{
    if (v >= 1)
        m_pageCount = v;
}

int TvdxReportPage::Color() const { return m_backPicture->Color(); }
void TvdxReportPage::SetColor(int v) { m_backPicture->SetColor(v); }
TvdxFrame *TvdxReportPage::Frame() const { return m_backPicture->Frame(); }
void TvdxReportPage::SetFrame(TvdxFrame *v) { m_backPicture->SetFrame(v); }

void TvdxReportPage::Notification(TvdComponent *component, Operation operation)
{
    TvdxPage::Notification(component, operation);
    if (operation == opRemove)
        m_dataSet.Removed(component);
}

bool TvdxReportPage::IsPropertyStored(const char *propName) const
{
    if (qstrcmp(propName, "ColumnPositions") == 0)
        return !m_columnPositions.isEmpty();
    return TvdxPage::IsPropertyStored(propName);
}

TvdxBand *TvdxReportPage::FindBand(const QMetaObject *bandClass) const
{
    for (TvdxComponent *c : Objects().List())
        if (c->metaObject()->inherits(bandClass))
            return qobject_cast<TvdxBand *>(c);
    return nullptr;
}

void TvdxReportPage::AlignChildren(bool ignoreInvisible, TvdxMirrorControlModes modes)
{
    SetWidth((m_paperWidth - m_leftMargin - m_rightMargin) * vdxMMToPixels);
    SetHeight((m_paperHeight - m_topMargin - m_bottomMargin) * vdxMMToPixels);
    TvdxPage::AlignChildren(ignoreInvisible, modes);
    for (TvdxComponent *c : Objects().List()) {
        auto *band = qobject_cast<TvdxBand *>(c);
        if (!band)
            continue;
        if (band->Vertical()) {
            band->SetHeight(Height() - band->Top());
        } else if (m_columns > 1 && !qobject_cast<TvdxNullBand *>(band) && !qobject_cast<TvdxReportSummary *>(band)
                   && !qobject_cast<TvdxPageHeader *>(band) && !qobject_cast<TvdxPageFooter *>(band)
                   && !qobject_cast<TvdxReportTitle *>(band) && !qobject_cast<TvdxOverlay *>(band)) {
            band->SetWidth(m_columnWidth * vdxMMToPixels);
        } else {
            band->SetWidth(Width() - band->Left());
        }
        band->ApplyMirrorMode(modes);
        band->AlignChildren(ignoreInvisible, modes);
    }
    UpdateDimensions();
}

void TvdxReportPage::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    TvdxPictureView *bp = m_backPicture.get();
    if (m_backPictureStretched) {
        bp->SetWidth((m_paperWidth - m_leftMargin - m_rightMargin) * vdxMMToPixels);
        bp->SetHeight((m_paperHeight - m_topMargin - m_bottomMargin) * vdxMMToPixels);
    } else {
        bp->SetWidth(bp->GraphicWidth());
        bp->SetHeight(bp->GraphicHeight());
    }
    if (!m_backPictureVisible || (IsPrinting() && !m_backPicturePrintable))
        return;
    bp->Draw(canvas, scaleX, scaleY, offsetX + scaleX * double(m_leftMargin * vdxMMToPixels),
             offsetY + scaleY * double(m_topMargin * vdxMMToPixels));
}

// ---------------------------------------------------------------------------
TvdxDataPage::TvdxDataPage(TvdComponent *owner) : TvdxPage(owner)
{
    SetWidth(1000);
    SetHeight(1000);
}

QString TvdxDataPage::GetDescription() const { return GetResStrByName(QStringLiteral("obDataPage")); }
