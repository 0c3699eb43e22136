#include "barcode/vdxBarCodeCompositeView.h"

#include "core/vdxRes.h"
#include "core/vdxUtils.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass_engine.h"
#include "report/vdxClass_report.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMillimetre = 3.77953;
constexpr TColor kGrey = 0x808080;
constexpr TColor kSelected = 0xF0CAA6;
constexpr double kMaxPadding = 10000;

int R(double v) { return int(std::clamp(std::nearbyint(v), -1e9, 1e9)); }

IvdxBarCodeInternal *internalOf(QObject *o) { return qobject_cast<IvdxBarCodeInternal *>(o); }
IvdxBarCodeView *barOf(QObject *o) { return qobject_cast<IvdxBarCodeView *>(o); }

TvdxLeftToRightRelativityPositions *relativityOf(IvdxBarCodeInternal *in)
{
    TvdxBasePosition *p = in ? in->GetPosition() : nullptr;
    return p ? qobject_cast<TvdxLeftToRightRelativityPositions *>(p->RelativityPositions()) : nullptr;
}

// Millimetres; a damaged value cannot throw the children out of all range.
double paddingLeftOf(IvdxBarCodeInternal *in)
{
    TvdxBasePosition *p = in->GetPosition();
    const double v = p ? p->Padding()->Left : 0;
    return std::isfinite(v) ? std::clamp(v, -kMaxPadding, kMaxPadding) : 0;
}

// Runs f with the child's position unlocked, then locks it again unless it
// was unlocked before (a child that is drawing sizes itself meanwhile).
template <typename F> void unlocked(TvdxView *child, F f)
{
    IvdxBarCodeInternal *in = internalOf(child);
    auto *state = dynamic_cast<TvdxInternalPositionState *>(child);
    const bool wasLocked = !state || state->Locked();
    in->UnlockPosition();
    f();
    if (wasLocked)
        in->LockPosition();
}

void checkered(Canvas &canvas, const TRect &r, TColor color)
{
    if (auto *qc = dynamic_cast<QPainterCanvas *>(&canvas))
        FillCheckeredRect(qc->painter(), r.toQRect(), color);
}

} // namespace

TvdxBarCodeCompositeView::TvdxBarCodeCompositeView(TvdComponent *owner) : TvdxView(owner)
{
    SetvdComponentStyle(vdComponentStyle() | csObjectsContainer);
    TvdxView::SetColor(clNone);
    SetWidth(100);
    SetHeight(100);
}

TvdxBarCodeCompositeView::~TvdxBarCodeCompositeView() = default;

QString TvdxBarCodeCompositeView::GetDescription() const { return GetResStrByName(QStringLiteral("obBarC")); }

QList<TvdxView *> TvdxBarCodeCompositeView::Bars() const
{
    QList<TvdxView *> out;
    for (TvdxComponent *c : Objects().List())
        if (internalOf(c) && barOf(c))
            if (auto *v = qobject_cast<TvdxView *>(c))
                out.append(v);
    return out;
}

TvdxView *TvdxBarCodeCompositeView::GetFirstBar() const
{
    const QList<TvdxView *> bars = Bars();
    return bars.isEmpty() ? nullptr : bars.first();
}

TvdxView *TvdxBarCodeCompositeView::GetLastBar() const
{
    const QList<TvdxView *> bars = Bars();
    return bars.isEmpty() ? nullptr : bars.last();
}

void TvdxBarCodeCompositeView::reloadDesignerObjects()
{
    if (TvdxReport *report = Report())
        if (TvdxCustomDesigner *designer = report->Designer())
            designer->ReloadObjects(false);
}

TvdxComponent *TvdxBarCodeCompositeView::AddBarcode(const QMetaObject *cls, int type)
{
    const TvdClassInfo *info = cls ? vdFindClass(QString::fromLatin1(cls->className())) : nullptr;
    if (!info || !info->isComponent || !cls->inherits(&TvdxView::staticMetaObject))
        return nullptr;
    TvdxView *previous = GetLastBar();
    auto *child = qobject_cast<TvdxView *>(info->create(this));
    if (!child)
        return nullptr;
    IvdxBarCodeInternal *in = internalOf(child);
    IvdxBarCodeView *bar = barOf(child);
    if (!in || !bar) {
        delete child;
        return nullptr;
    }
    bar->SetBarType(type);
    if (child->Parent() != this)
        child->SetParent(this);
    child->CreateUniqueName(Report());
    if (previous && m_contentType == ctRightToLeft && in->GetPosition())
        in->GetPosition()->Padding()->Left = 3.0;
    reloadDesignerObjects();
    return child;
}

TvdxBarCodeInternalView *TvdxBarCodeCompositeView::AddLinearBarcode(TvdxBarcode::TvdxBarcodeType type)
{
    return AddLinearBarcode(int(type));
}

TvdxBarCodeInternalView *TvdxBarCodeCompositeView::AddLinearBarcode(int type)
{
    return qobject_cast<TvdxBarCodeInternalView *>(AddBarcode(&TvdxBarCodeInternalView::staticMetaObject, type));
}

TvdxBarCodeInternal2DView *TvdxBarCodeCompositeView::Add2DBarcode(TvdxBarcode2DType type)
{
    return Add2DBarcode(int(type));
}

TvdxBarCodeInternal2DView *TvdxBarCodeCompositeView::Add2DBarcode(int type)
{
    return qobject_cast<TvdxBarCodeInternal2DView *>(AddBarcode(&TvdxBarCodeInternal2DView::staticMetaObject, type));
}

void TvdxBarCodeCompositeView::SetBarCount(int value)
{
    // A template lists its children itself.
    if (IsLoading())
        return;
    value = std::clamp(value, 0, kMaxBars);
    QList<TvdxView *> bars = Bars();
    if (value == bars.size())
        return;
    while (bars.size() < value) {
        TvdxView *added = AddLinearBarcode(TvdxBarcode::bcCodeEAN8);
        if (!added)
            break;
        bars.append(added);
    }
    while (bars.size() > value)
        delete bars.takeLast();
    reloadDesignerObjects();
}

void TvdxBarCodeCompositeView::SetContentType(TvdxContentType value)
{
    m_contentType = value;
    for (TvdxView *child : Bars()) {
        IvdxBarCodeInternal *in = internalOf(child);
        in->SetPosition(ContentTypeToClass(value));
        unlocked(child, [&] {
            child->SetLeft(0);
            child->SetTop(0);
        });
    }
}

void TvdxBarCodeCompositeView::SetColor(int value)
{
    TvdxView::SetColor(value);
    for (TvdxView *child : Bars())
        child->SetColor(value);
}

QString TvdxBarCodeCompositeView::Text() const
{
    QStringList parts;
    for (TvdxView *child : Bars())
        parts << barOf(child)->GetText();
    return parts.join(m_dataDelimiter);
}

QString TvdxBarCodeCompositeView::SupText() const
{
    QStringList parts;
    for (TvdxView *child : Bars())
        parts << barOf(child)->GetTextSup();
    return parts.join(m_dataDelimiter);
}

namespace {
// Pieces of value at every delimiter; none for an empty value.
QStringList pieces(const QString &value, const QString &delimiter)
{
    if (value.isEmpty())
        return {};
    if (delimiter.isEmpty())
        return {value};
    return value.split(delimiter);
}
} // namespace

void TvdxBarCodeCompositeView::SetText(const QString &value)
{
    const QList<TvdxView *> bars = Bars();
    const QStringList p = pieces(value, m_dataDelimiter);
    for (qsizetype i = 0; i < p.size() && i < bars.size(); ++i)
        barOf(bars[i])->SetText(p[i]);
}

void TvdxBarCodeCompositeView::SetSupText(const QString &value)
{
    const QList<TvdxView *> bars = Bars();
    const QStringList p = pieces(value, m_dataDelimiter);
    for (qsizetype i = 0; i < p.size() && i < bars.size(); ++i)
        barOf(bars[i])->SetTextSup(p[i]);
}

void TvdxBarCodeCompositeView::SetHeight(long double value)
{
    TvdxView::SetHeight(value);
    if (m_contentType != ctRightToLeft)
        return;
    for (TvdxView *child : Bars())
        unlocked(child, [&] { child->SetHeight(value); });
}

void TvdxBarCodeCompositeView::UpdatePos(TvdxComponent *eventOwner)
{
    Q_UNUSED(eventOwner)
    if (m_updating)
        return;
    const QList<TvdxView *> bars = Bars();
    if (bars.isEmpty()) {
        SetWidth(100);
        SetHeight(100);
        return;
    }
    m_updating = true;
    double x = 0;
    for (TvdxView *child : bars) {
        IvdxBarCodeInternal *in = internalOf(child);
        unlocked(child, [&] { child->SetLeft(paddingLeftOf(in) * kMillimetre + x); });
        x = double(child->Left() + child->Width());
    }
    m_updating = false;
    SetWidth(bars.last()->Left() + bars.last()->Width());
}

void TvdxBarCodeCompositeView::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    const QList<TvdxView *> bars = Bars();
    TvdxView *previous = nullptr;
    for (TvdxView *child : bars) {
        child->GetRealBounds();
        if (m_contentType == ctRightToLeft) {
            TvdxLeftToRightRelativityPositions *rel = relativityOf(internalOf(child));
            const auto top = rel ? rel->RelativityTopPosition : TvdxLeftToRightRelativityPositions::rtAllAvailable;
            const auto bottom =
                rel ? rel->RelativityBootomPosition : TvdxLeftToRightRelativityPositions::rbAllAvailable;
            IvdxBarCodeView *p = previous ? barOf(previous) : nullptr;
            unlocked(child, [&] {
                using Rel = TvdxLeftToRightRelativityPositions;
                if (top == Rel::rtAllAvailable || !previous)
                    child->SetTop(0);
                else if (top == Rel::rtPrevPos)
                    child->SetTop(previous->Top());
                else
                    child->SetTop(previous->Top() + p->GetFontHeightTop());
                if (bottom == Rel::rbAllAvailable || !previous)
                    child->SetHeight(Height() - child->Top());
                else if (bottom == Rel::rbPrevPos)
                    child->SetHeight(previous->Top() + previous->Height() - child->Top());
                else
                    child->SetHeight(previous->Top() + previous->Height() - child->Top() - p->GetFontHeightBottom());
            });
        }
        previous = child;
    }
    UpdatePos();

    PrepareDrawBounds(canvas, scaleX, scaleY, offsetX, offsetY);
    const int X = FX(), Y = FY(), X1 = FX1(), Y1 = FY1();
    if (TvdxView::Color() != clNone) {
        const CanvasBrush saved = canvas.brush();
        canvas.setBrush(CanvasBrush(TvdxView::Color(), BrushStyle::Solid));
        canvas.FillRect(TRect(X, Y, X1, Y1));
        canvas.setBrush(saved);
    } else if (IsDesigning() && bars.isEmpty()) {
        checkered(canvas, TRect(X, Y, X1, Y1), kGrey);
    }
    const TvdxVisibilityType wanted = IsPrinting() ? vsPrint : vsPreview;
    for (TvdxView *child : bars) {
        if (!child->Visibility().testFlag(wanted))
            continue;
        child->PrepareDrawBounds(canvas, scaleX, scaleY, offsetX, offsetY);
        child->PaintFill();
        child->PaintFrame();
        child->Draw(canvas, scaleX, scaleY, offsetX, offsetY);
    }
    if (IsDesigning())
        for (TvdxView *child : bars)
            if (child->IsSelected())
                checkered(canvas,
                          TRect(R(scaleX * double(child->Left())) + X + 1, R(scaleY * double(child->Top())) + Y + 1,
                                R(scaleX * double(child->Left() + child->Width())) + X - 1,
                                R(scaleY * double(child->Top() + child->Height())) + Y - 1),
                          kSelected);
    PrepareDrawBounds(canvas, scaleX, scaleY, offsetX, offsetY);
    PaintFrame();
}

TvdRectF TvdxBarCodeCompositeView::GetRealBounds()
{
    {
        QImage scratch(4, 4, QImage::Format_RGB32);
        QPainterCanvas canvas(scratch);
        Draw(canvas, 1, 1, 0, 0);
    }
    TvdRectF r = TvdxView::GetRealBounds();
    double e = 0;
    const QList<TvdxView *> bars = Bars();
    if (!bars.isEmpty()) {
        if (auto *first = qobject_cast<TvdxBarCodeInternalView *>(bars.first()))
            e = std::max(e, std::fabs(std::nearbyint(double(first->GetRealBounds().Left - first->AbsLeft()))));
        if (auto *last = qobject_cast<TvdxBarCodeInternalView *>(bars.last()))
            e = std::max(e, std::nearbyint(double(last->GetRealBounds().Right - last->AbsLeft() - last->Width())));
    }
    r.Left -= e;
    r.Right += e;
    return r;
}

void TvdxBarCodeCompositeView::DoMouseEnter(TvdxComponent *aPreviousObject, TvdxInteractiveEventsParams &eventParams)
{
    TvdxView::DoMouseEnter(aPreviousObject, eventParams);
    m_showMoveHandle = true;
    eventParams.Refresh = true;
}

void TvdxBarCodeCompositeView::DoMouseLeave(int x, int y, TvdxComponent *aNextObject,
                                            TvdxInteractiveEventsParams &eventParams)
{
    TvdxView::DoMouseLeave(x, y, aNextObject, eventParams);
    if (m_showMoveHandle)
        eventParams.Refresh = true;
    m_showMoveHandle = false;
}

bool TvdxBarCodeCompositeView::IsContain(double x, double y) const
{
    if (m_showMoveHandle) {
        const double l = double(AbsLeft()), t = double(AbsTop());
        if (x >= l && x <= l + 16 && y >= t - 20 && y <= t + 2)
            return true;
    }
    return TvdxView::IsContain(x, y);
}
