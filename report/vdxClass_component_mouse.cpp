// The interactive protocol through which the designer and the preview hand
// mouse and drag events to report objects.
#include "report/vdxClass_bases.h"
#include "report/vdxClass_component.h"

#include <QPoint>

namespace {

// In the preview an object without edit rights ignores the mouse.
bool refused(const TvdxComponent *c, const TvdxInteractiveEventsParams &p)
{
    return p.EventSender == esPreview
           && (!c->Editable().testFlag(TvdxComponent::ferAllowInPreview) || p.EditRestricted);
}

// A caller that left the scale unset means 1:1, not a division by zero.
double scaleOf(const TvdxInteractiveEventsParams &p) { return p.Scale > 0 ? double(p.Scale) : 1.0; }

// The parent that should get the event as well (FireParentEvent asked for it).
TvdxComponent *bubbleTarget(const TvdxComponent *c, double x, double y, const TvdxInteractiveEventsParams &p)
{
    if (!p.FireParentEvent || !c->Parent())
        return nullptr;
    return c->Parent()->IsContain(x, y, scaleOf(p)) ? c->Parent() : nullptr;
}

} // namespace

bool TvdxComponent::MouseDown(int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                              TvdxInteractiveEventsParams &eventParams)
{
    if (refused(this, eventParams))
        return false;
    const bool result = DoMouseDown(x, y, button, shift, eventParams);
    if (TvdxComponent *parent = bubbleTarget(this, x, y, eventParams)) {
        const bool answer = parent->MouseDown(x, y, button, shift, eventParams);
        eventParams.FireParentEvent = false;
        return answer;
    }
    return result;
}

void TvdxComponent::MouseUp(int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                            TvdxInteractiveEventsParams &eventParams)
{
    if (refused(this, eventParams))
        return;
    DoMouseUp(x, y, button, shift, eventParams);
    if (TvdxComponent *parent = bubbleTarget(this, x, y, eventParams)) {
        parent->MouseUp(x, y, button, shift, eventParams);
        eventParams.FireParentEvent = false;
    }
}

void TvdxComponent::MouseMove(int x, int y, TvdxShiftState shift, TvdxInteractiveEventsParams &eventParams)
{
    if (refused(this, eventParams))
        return;
    DoMouseMove(x, y, shift, eventParams);
    if (TvdxComponent *parent = bubbleTarget(this, x, y, eventParams)) {
        parent->MouseMove(x, y, shift, eventParams);
        eventParams.FireParentEvent = false;
    }
}

bool TvdxComponent::MouseWheel(TvdxShiftState shift, int wheelDelta, const QPoint &mousePos,
                               TvdxInteractiveEventsParams &eventParams)
{
    if (refused(this, eventParams))
        return false;
    const bool result = DoMouseWheel(shift, wheelDelta, mousePos, eventParams);
    if (TvdxComponent *parent = bubbleTarget(this, mousePos.x(), mousePos.y(), eventParams)) {
        const bool answer = parent->MouseWheel(shift, wheelDelta, mousePos, eventParams);
        eventParams.FireParentEvent = false;
        return answer;
    }
    return result;
}

void TvdxComponent::MouseClick(bool isDouble, TvdxInteractiveEventsParams &eventParams)
{
    if (refused(this, eventParams))
        return;
    DoMouseClick(isDouble, eventParams);
}

void TvdxComponent::MouseEnter(TvdxComponent *aPreviousObject, TvdxInteractiveEventsParams &eventParams)
{
    m_mouseInView = true;
    // Parents take part in entering even where the object itself refuses.
    if (m_parent && !m_parent->m_mouseInView)
        m_parent->MouseEnter(aPreviousObject, eventParams);
    if (refused(this, eventParams))
        return;
    DoMouseEnter(aPreviousObject, eventParams);
}

void TvdxComponent::MouseLeave(int x, int y, TvdxComponent *aNextObject, TvdxInteractiveEventsParams &eventParams)
{
    m_mouseInView = false;
    if (m_parent && m_parent->m_mouseInView && !m_parent->IsContain(x, y, scaleOf(eventParams)))
        m_parent->MouseLeave(x, y, aNextObject, eventParams);
    if (refused(this, eventParams))
        return;
    DoMouseLeave(x, y, aNextObject, eventParams);
}

bool TvdxComponent::DragOver(QObject *source, int x, int y, int state, bool &accept,
                             TvdxInteractiveEventsParams &eventParams)
{
    return DoDragOver(source, x, y, state, accept, eventParams);
}

bool TvdxComponent::DragDrop(QObject *source, int x, int y, TvdxInteractiveEventsParams &eventParams)
{
    return DoDragDrop(source, x, y, eventParams);
}

bool TvdxComponent::DoMouseDown(int, int, TvdxMouseButton, TvdxShiftState, TvdxInteractiveEventsParams &)
{
    return false;
}
void TvdxComponent::DoMouseUp(int, int, TvdxMouseButton, TvdxShiftState, TvdxInteractiveEventsParams &) {}
void TvdxComponent::DoMouseMove(int, int, TvdxShiftState, TvdxInteractiveEventsParams &) {}
void TvdxComponent::DoMouseEnter(TvdxComponent *, TvdxInteractiveEventsParams &) {}
void TvdxComponent::DoMouseLeave(int, int, TvdxComponent *, TvdxInteractiveEventsParams &) {}
void TvdxComponent::DoMouseClick(bool, TvdxInteractiveEventsParams &) {}
bool TvdxComponent::DoMouseWheel(TvdxShiftState, int, const QPoint &, TvdxInteractiveEventsParams &)
{
    return false;
}
bool TvdxComponent::DoDragOver(QObject *, int, int, int, bool &, TvdxInteractiveEventsParams &) { return false; }
bool TvdxComponent::DoDragDrop(QObject *, int, int, TvdxInteractiveEventsParams &) { return false; }
