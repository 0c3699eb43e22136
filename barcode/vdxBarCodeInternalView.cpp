#include "barcode/vdxBarCodeInternalView.h"

#include "barcode/vdxBarCodeCompositeView.h"

namespace {
const QString kBaseName = QStringLiteral("BarCodeInternal");
} // namespace

void TvdxInternalPositionState::parentChanging(TvdxComponent *self, TvdxComponent *value)
{
    auto *composite = qobject_cast<TvdxBarCodeCompositeView *>(value);
    if (composite && composite != self->Parent())
        m_position = ContentTypeToClass(composite->ContentType());
}

void TvdxInternalPositionState::notifyParent(TvdxComponent *self) const
{
    if (self->HasState(TvdComponent::csLoading))
        return;
    if (auto *composite = qobject_cast<TvdxBarCodeCompositeView *>(self->Parent()))
        composite->UpdatePos(self);
}

// Both views: a parent that is not a composite object is refused.
#define VD_INTERNAL_VIEW_COMMON(Class, Base)                                                                    \
    Class::Class(TvdComponent *owner) : Base(owner)                                                             \
    {                                                                                                            \
        SetBaseName(kBaseName);                                                                                  \
        SetvdComponentStyle(vdComponentStyle() | csContained);                                                   \
        if (auto *composite = qobject_cast<TvdxBarCodeCompositeView *>(Parent()))                                \
            m_position = ContentTypeToClass(composite->ContentType());                                           \
    }                                                                                                            \
    Class::~Class() = default;                                                                                   \
    TvdxBarCodeCompositeView *Class::GetParentComposite() { return qobject_cast<TvdxBarCodeCompositeView *>(Parent()); } \
    void Class::SetParent(TvdxComponent *value)                                                                  \
    {                                                                                                            \
        if (value && !qobject_cast<TvdxBarCodeCompositeView *>(value))                                           \
            return;                                                                                              \
        parentChanging(this, value);                                                                             \
        Base::SetParent(value);                                                                                  \
    }                                                                                                            \
    void Class::SetLeft(long double value)                                                                       \
    {                                                                                                            \
        if (refuses(this))                                                                                       \
            return;                                                                                              \
        Base::SetLeft(value);                                                                                    \
        notifyParent(this);                                                                                      \
    }                                                                                                            \
    void Class::SetTop(long double value)                                                                        \
    {                                                                                                            \
        if (refuses(this))                                                                                       \
            return;                                                                                              \
        Base::SetTop(value);                                                                                     \
        notifyParent(this);                                                                                      \
    }                                                                                                            \
    void Class::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)               \
    {                                                                                                            \
        struct Relock {                                                                                          \
            bool &locked;                                                                                        \
            ~Relock() { locked = true; }                                                                         \
        } relock{m_locked};                                                                                      \
        m_locked = false;                                                                                        \
        Base::Draw(canvas, scaleX, scaleY, offsetX, offsetY);                                                    \
    }                                                                                                            \
    bool Class::DoMouseDown(int x, int y, TvdxMouseButton button, TvdxShiftState shift,                          \
                            TvdxInteractiveEventsParams &eventParams)                                            \
    {                                                                                                            \
        const bool r = Base::DoMouseDown(x, y, button, shift, eventParams);                                      \
        eventParams.FireParentEvent = true;                                                                      \
        return r;                                                                                                \
    }                                                                                                            \
    void Class::DoMouseUp(int x, int y, TvdxMouseButton button, TvdxShiftState shift,                            \
                          TvdxInteractiveEventsParams &eventParams)                                              \
    {                                                                                                            \
        Base::DoMouseUp(x, y, button, shift, eventParams);                                                       \
        eventParams.FireParentEvent = true;                                                                      \
    }                                                                                                            \
    void Class::DoMouseMove(int x, int y, TvdxShiftState shift, TvdxInteractiveEventsParams &eventParams)        \
    {                                                                                                            \
        Base::DoMouseMove(x, y, shift, eventParams);                                                             \
        eventParams.FireParentEvent = true;                                                                      \
    }

VD_INTERNAL_VIEW_COMMON(TvdxBarCodeInternalView, TvdxBarCodeView)
VD_INTERNAL_VIEW_COMMON(TvdxBarCodeInternal2DView, TvdxBarcode2DView)

void TvdxBarCodeInternalView::SetWidth(long double value)
{
    if (refuses(this))
        return;
    TvdxBarCodeView::SetWidth(value);
    notifyParent(this);
}

void TvdxBarCodeInternalView::SetHeight(long double value)
{
    if (refuses(this))
        return;
    TvdxBarCodeView::SetHeight(value < 0 ? 0 : value);
    notifyParent(this);
}

void TvdxBarCodeInternal2DView::SetWidth(long double value)
{
    if (refuses(this))
        return;
    TvdxBarcode2DView::SetWidth(value);
    notifyParent(this);
}

void TvdxBarCodeInternal2DView::SetHeight(long double value)
{
    if (refuses(this))
        return;
    TvdxBarcode2DView::SetHeight(value);
    notifyParent(this);
}
