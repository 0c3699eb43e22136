#include "report/vdxClass_band.h"

#include "core/vdPersistent.h"
#include "core/vdVariant.h"
#include "core/vdXML.h"
#include "core/vdxRes.h"
#include "platform/Canvas.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_engine.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_report.h"

#include <algorithm>
#include <cmath>

namespace {

int rnd(double v) { return vdxRoundPx(v); }

// Positions on a dot-matrix page are whole character cells.
long double snap(long double value, long double cell) { return RoundHalfEven(double(value / cell)) * cell; }

TColor bandTitleColorOf(const TvdxBand *band) { return band->GetBandTitleColor(); }

void drawTitleFont(Canvas &canvas, double scaleY, bool bold)
{
    CanvasFont f;
    f.name = QStringLiteral("Tahoma");
    // 8 points at 96 pixels per inch, scaled like the band.
    f.height = -rnd(8.0 * 96.0 / 72.0 * scaleY);
    f.weight = bold ? FW_BOLD : FW_NORMAL;
    canvas.setFont(f);
}

} // namespace

// ---------------------------------------------------------------------------
void TvdxFillGaps::Assign(const TvdPersistent *source)
{
    if (auto *s = qobject_cast<const TvdxFillGaps *>(source)) {
        m_top = s->m_top;
        m_left = s->m_left;
        m_bottom = s->m_bottom;
        m_right = s->m_right;
    }
}

// ---------------------------------------------------------------------------
TvdxBand::TvdxBand(TvdComponent *owner)
    : TvdxReportComponent(owner)
{
    SetvdComponentStyle(vdComponentStyle() | csAcceptsVdxComponents);
}

TvdxBand::~TvdxBand()
{
    // The fill object is a child: it goes with the children.
    m_fillMemo = nullptr;
    m_child = nullptr;
}

TvdxCustomFill *TvdxBand::makeFill() const
{
    m_fill = std::make_unique<TvdxBrushFill>();
    return m_fill.get();
}

TvdxFillGaps *TvdxBand::makeFillGap() const
{
    m_fillGap = std::make_unique<TvdxFillGaps>();
    return m_fillGap.get();
}

TvdxFrame *TvdxBand::makeFrame() const
{
    m_frame = std::make_unique<TvdxFrame>();
    return m_frame.get();
}

int TvdxBand::BandNumber() const
{
    const auto &classes = vdxBandClasses();
    for (int i = int(classes.size()) - 1; i >= 0; --i)
        if (metaObject()->inherits(classes[i]))
            return i;
    return 0;
}

QString TvdxBand::BandName() const
{
    QString name = ClassName();
    if (const int i = name.indexOf(QLatin1String("Tvdx")); i >= 0)
        name.remove(i, 4);
    if (const int i = name.indexOf(QLatin1String("Band")); i >= 0)
        name.remove(i, 4);
    return name;
}

QString TvdxBand::GetDescription() const { return GetResStrByName(QStringLiteral("obBand")); }

TColor TvdxBand::GetBandTitleColor() const { return TColor(0xFF00000F); }

void TvdxBand::SetChild(TvdxChild *value)
{
    for (TvdxBand *b = value; b; b = b->Child())
        if (b == this)
            throw Exception(GetResStrByName(QStringLiteral("clCirRefNotAllow")));
    if (m_child)
        m_child->RemoveFreeNotification(this);
    m_child = value;
    if (value)
        value->FreeNotification(this);
}

void TvdxBand::SetFillType(TvdxCustomFill::TvdxFillType v)
{
    if (v != FillType())
        if (TvdxCustomFill *f = vdxCreateFill(v))
            m_fill.reset(f);
}

void TvdxBand::SetFill(TvdxCustomFill *v)
{
    if (!v)
        return;
    if (vdxGetFillType(v) != FillType())
        if (TvdxCustomFill *f = vdxCreateFill(vdxGetFillType(v)))
            m_fill.reset(f);
    Fill()->Assign(v);
}

void TvdxBand::CreateFillMemo()
{
    if (qobject_cast<TvdxNullBand *>(this))
        return;
    // Parts never made are the defaults: nothing to print.
    auto *brush = qobject_cast<TvdxBrushFill *>(m_fill.get());
    const bool defaultFill = !m_fill
                             || (brush && brush->BackColor() == clNone && brush->ForeColor() == 0
                                 && brush->Style() == TvdxCustomFill::bsSolid);
    if (defaultFill && (!m_frame || !m_frame->Typ()))
        return;
    if (!m_fillMemo)
        m_fillMemo = new TvdxMemoView(this);
    TvdxView *m = m_fillMemo;
    m->SetAlign(TvdxView::baHidden);
    m->SetParent(this);
    m->SetFillType(FillType());
    m->SetFill(Fill());
    m->SetFrame(Frame());
    const TvdxFillGaps *gap = FillGap();
    m->SetHeight(Height() - gap->Top() - gap->Bottom());
    m->SetWidth(Width() - gap->Left() - gap->Right());
    m->SetTop(gap->Top());
    m->SetLeft(gap->Left());
    const int at = Objects().IndexOf(m);
    if (at > 0)
        Objects().Move(at, 0);
}

void TvdxBand::DisposeFillMemo()
{
    TvdxView *m = m_fillMemo;
    m_fillMemo = nullptr;
    delete m;
}

bool TvdxBand::onDotMatrixPage() const { return Parent() && Parent()->inherits("TvdxDMPPage"); }

void TvdxBand::SetLeft(long double value)
{
    if (onDotMatrixPage())
        value = snap(value, 9.6L);
    TvdxReportComponent::SetLeft(value);
}

void TvdxBand::SetTop(long double value)
{
    if (onDotMatrixPage())
        value = snap(value, 17);
    TvdxReportComponent::SetTop(value);
}

void TvdxBand::SetHeight(long double value)
{
    if (onDotMatrixPage())
        value = snap(value, 17);
    TvdxReportComponent::SetHeight(value);
}

bool TvdxBand::IsContain(double x, double y) const
{
    double l = 0, t = 0, r = 2, b = 0;
    if (Width() == 0)
        l = r = 4;
    else if (Height() == 0)
        t = b = 4;
    if (m_vertical)
        l = double(m_bandDesignHeader);
    else
        t = double(m_bandDesignHeader);
    const double al = double(AbsLeft()), at = double(AbsTop());
    return al - l <= x && x <= al + double(Width()) + r && at - t <= y && y <= at + double(Height()) + b + 1;
}

TvdxComponent *TvdxBand::GetContainedComponent(double x, double y, TvdxComponent *isCanContain)
{
    TvdxComponent *answer = nullptr;
    if (m_vertical && Parent() && Parent()->IsContain(x, y)) {
        if (isCanContain == this)
            return nullptr;
        const long double oldLeft = TvdxComponent::Left();
        struct Restore {
            TvdxBand *b;
            long double v;
            ~Restore() { b->TvdxReportComponent::SetLeft(v); }
        } restore{this, oldLeft};
        TvdxReportComponent::SetLeft(-10000);
        answer = Parent()->GetContainedComponent(x, y, isCanContain);
        if ((qobject_cast<TvdxPage *>(answer) || qobject_cast<TvdxBand *>(answer)) && !isCanContain)
            answer = this;
    } else {
        answer = TvdxReportComponent::GetContainedComponent(x, y, isCanContain);
    }
    if (answer == this && !IsDesigning())
        return nullptr;
    return answer;
}

void TvdxBand::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    if (!IsDesigning())
        return;
    const int x = rnd(offsetX + scaleX * double(AbsLeft()));
    const int y = rnd(offsetY + scaleY * double(AbsTop()));
    const int x1 = rnd(offsetX + scaleX * double(AbsLeft() + Width()));
    const int y1 = rnd(offsetY + scaleY * double(AbsTop() + Height()));
    Fill()->Draw(canvas, x, y, x1, y1, scaleX, scaleY);

    CanvasPen pen;
    pen.color = 0x808080;
    canvas.setPen(pen);
    CanvasBrush clear;
    clear.style = BrushStyle::Clear;
    canvas.setBrush(clear);
    const double head = double(m_bandDesignHeader);
    if (m_vertical) {
        TvdxReportComponent::SetTop(0);
        const int left = rnd(scaleX * (double(Left()) - head));
        canvas.Rectangle(TRect(left, 0, rnd(scaleX * double(Left() + Width())) + 1, rnd(scaleY * double(Height()))));
        if (head != 0) {
            CanvasBrush b;
            b.color = bandTitleColorOf(this);
            canvas.setBrush(b);
            canvas.FillRect(TRect(left + 1, 1, rnd(scaleX * double(Left())), rnd(scaleY * double(Height()))));
        }
    } else {
        TvdxReportComponent::SetLeft(0);
        const int top = rnd(scaleY * (double(Top()) - head));
        canvas.Rectangle(TRect(0, top, rnd(scaleX * double(Width())) + 1, rnd(scaleY * double(Top() + Height())) + 1));
        if (head != 0) {
            CanvasBrush b;
            b.color = bandTitleColorOf(this);
            canvas.setBrush(b);
            canvas.FillRect(TRect(1, top + 1, rnd(scaleX * double(Width())), rnd(scaleY * double(Top()))));
            canvas.SetBkMode(BkMode::Transparent);
            drawTitleFont(canvas, scaleY, true);
            const QString title = GetResStrByName(BandName());
            canvas.TextOut(6, top + 2, title);
            drawTitleFont(canvas, scaleY, false);
            canvas.TextOut(6 + canvas.TextWidth(title), top + 2, QStringLiteral(": ") + Name());
        }
    }
}

void TvdxBand::Notification(TvdComponent *component, Operation operation)
{
    TvdxReportComponent::Notification(component, operation);
    if (operation == opRemove && component == m_child)
        m_child = nullptr;
}

void TvdxBand::ObjectListNotify(TvdxComponent *item, TvdxObjectsNotifyList::Action action)
{
    TvdxReportComponent::ObjectListNotify(item, action);
    if (action != TvdxObjectsNotifyList::lnAdded && item == m_fillMemo)
        m_fillMemo = nullptr;
}

// ---------------------------------------------------------------------------
TvdxDataBand::TvdxDataBand(TvdComponent *owner) : TvdxBand(owner) {}

QString TvdxDataBand::GetDescription() const { return GetResStrByName(QStringLiteral("obDataBand")); }

TColor TvdxDataBand::GetBandTitleColor() const { return Vertical() ? TColor(0xEEBB00) : TColor(0x30A7E0); }

void TvdxDataBand::SetCurColumn(int value)
{
    if (value > m_columns)
        value = 1;
    m_curColumn = value;
    if (m_curColumn == 1)
        MaxY = 0;
    // Stored directly: the column move must not drag anchored children.
    TvdxReportComponent::SetLeft((m_columnWidth + m_columnGap) * (m_curColumn - 1));
}

void TvdxDataBand::SetRowCount(int value)
{
    m_rowCount = value;
    if (value > 0)
        VirtualDataSet()->SetRangeEndCount(value);
}

TvdxUserDataSet *TvdxDataBand::VirtualDataSet()
{
    if (!m_virtualDataSet) {
        m_virtualDataSet = std::make_unique<TvdxUserDataSet>(nullptr);
        m_virtualDataSet->SetRangeEnd(TvdxDataSet::reCount);
    }
    return m_virtualDataSet.get();
}

void TvdxDataBand::Notification(TvdComponent *component, Operation operation)
{
    TvdxBand::Notification(component, operation);
    if (operation == opRemove)
        m_dataSet.Removed(component);
}

void TvdxDataBand::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    TvdxBand::Draw(canvas, scaleX, scaleY, offsetX, offsetY);
    if (!IsDesigning() || Vertical())
        return;
    const double head = double(BandDesignHeader());
    const int top = rnd(scaleY * (double(Top()) - head));
    if (head != 0) {
        QString text;
        if (DataSet() && Report())
            text = Report()->GetAlias(DataSet());
        else if (m_rowCount != 0)
            text = QString::number(m_rowCount);
        if (!text.isEmpty()) {
            drawTitleFont(canvas, scaleY, false);
            canvas.SetBkMode(BkMode::Transparent);
            canvas.TextOut(rnd(scaleX * double(Width()) - canvas.TextWidth(text) - 3), top + 3, text);
        }
    }
    if (m_columns > 1) {
        CanvasPen pen;
        pen.style = PenStyle::Dot;
        canvas.setPen(pen);
        CanvasBrush clear;
        clear.style = BrushStyle::Clear;
        canvas.setBrush(clear);
        const double cw = double(m_columnWidth), gap = double(m_columnGap);
        // A hostile template may ask for billions of columns; no design
        // shows more than this many outlines.
        constexpr int kMaxDrawnColumns = 1000;
        for (int i = 0; i < std::min(m_columns, kMaxDrawnColumns); ++i)
            canvas.Rectangle(TRect(rnd(scaleX * i * (cw + gap)), rnd(scaleY * double(Top())),
                                   rnd(scaleX * (i * (cw + gap) + cw)), rnd(scaleY * double(Top() + Height()))));
    }
}

// ---------------------------------------------------------------------------
QString TvdxGroupHeader::Diff(TvdxComponent *aComponent)
{
    QString s = TvdxBand::Diff(aComponent);
    // Escaped like any attribute: a name holding a quote must not break the record.
    if (m_drillDown)
        s += QLatin1String(" DrillName=\"") + EscapeXMLAttr(m_drillName) + QLatin1Char('"');
    return s;
}

void TvdxGroupHeader::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    TvdxBand::Draw(canvas, scaleX, scaleY, offsetX, offsetY);
    if (!IsDesigning() || Vertical() || BandDesignHeader() == 0 || m_condition.isEmpty())
        return;
    const int top = rnd(scaleY * (double(Top()) - double(BandDesignHeader())));
    drawTitleFont(canvas, scaleY, false);
    canvas.SetBkMode(BkMode::Transparent);
    canvas.TextOut(rnd(scaleX * double(Width()) - canvas.TextWidth(m_condition) - 3), top + 3, m_condition);
}

// ---------------------------------------------------------------------------
TvdxSubreport::TvdxSubreport(TvdComponent *owner) : TvdxView(owner)
{
    SetvdComponentStyle(vdComponentStyle() & ~TvdxComponentStyle(csPreviewVisible));
    Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(15));
    TvdFont font;
    font.SetName(QStringLiteral("Tahoma"));
    font.SetSize(8);
    SetFont(&font);
    SetColor(0xC0C0C0);
}

TvdxSubreport::~TvdxSubreport()
{
    if (m_page)
        m_page->SetSubReport(nullptr);
}

QString TvdxSubreport::GetDescription() const { return GetResStrByName(QStringLiteral("obSubRep")); }

void TvdxSubreport::SetSubPage(TvdxReportPage *value)
{
    if (m_page && m_page != value)
        m_page->SetSubReport(nullptr);
    m_page = value;
    if (value)
        value->SetSubReport(this);
}

void TvdxSubreport::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    TvdxView::Draw(canvas, scaleX, scaleY, offsetX, offsetY);
    CanvasFont f;
    f.name = Font()->Name();
    f.height = -rnd(Font()->Size() * 96.0 / 72.0 * scaleY);
    canvas.setFont(f);
    canvas.SetBkMode(BkMode::Transparent);
    canvas.TextOut(FX() + 2, FY() + 2, Name());
}

// ---------------------------------------------------------------------------
const QList<const QMetaObject *> &vdxBandClasses()
{
    static const QList<const QMetaObject *> classes = {
        &TvdxReportTitle::staticMetaObject,  &TvdxReportSummary::staticMetaObject,
        &TvdxPageHeader::staticMetaObject,   &TvdxPageFooter::staticMetaObject,
        &TvdxHeader::staticMetaObject,       &TvdxFooter::staticMetaObject,
        &TvdxMasterData::staticMetaObject,   &TvdxDetailData::staticMetaObject,
        &TvdxSubdetailData::staticMetaObject, &TvdxDataBand4::staticMetaObject,
        &TvdxDataBand5::staticMetaObject,    &TvdxDataBand6::staticMetaObject,
        &TvdxGroupHeader::staticMetaObject,  &TvdxGroupFooter::staticMetaObject,
        &TvdxChild::staticMetaObject,        &TvdxColumnHeader::staticMetaObject,
        &TvdxColumnFooter::staticMetaObject, &TvdxOverlay::staticMetaObject,
    };
    return classes;
}

void vdxRegisterBandClasses()
{
    vdRegisterClass<TvdxBand>();
    vdRegisterClass<TvdxNullBand>();
    vdRegisterClass<TvdxDataBand>();
    vdRegisterClass<TvdxReportTitle>();
    vdRegisterClass<TvdxReportSummary>();
    vdRegisterClass<TvdxPageHeader>();
    vdRegisterClass<TvdxPageFooter>();
    vdRegisterClass<TvdxHeader>();
    vdRegisterClass<TvdxFooter>();
    vdRegisterClass<TvdxMasterData>();
    vdRegisterClass<TvdxDetailData>();
    vdRegisterClass<TvdxSubdetailData>();
    vdRegisterClass<TvdxDataBand4>();
    vdRegisterClass<TvdxDataBand5>();
    vdRegisterClass<TvdxDataBand6>();
    vdRegisterClass<TvdxGroupHeader>();
    vdRegisterClass<TvdxGroupFooter>();
    vdRegisterClass<TvdxChild>();
    vdRegisterClass<TvdxColumnHeader>();
    vdRegisterClass<TvdxColumnFooter>();
    vdRegisterClass<TvdxOverlay>();
    vdRegisterClass<TvdxSubreport>();
}
