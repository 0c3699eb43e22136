// The children of the composite barcode object: full linear and 2D barcode
// objects whose position the composite object alone sets.
#pragma once
#include "barcode/vdxBarCodeCompositePosition.h"
#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxBarcodeView.h"

class TvdxBarCodeCompositeView;

class IvdxBarCodeInternal {
public:
    virtual ~IvdxBarCodeInternal() = default;
    virtual void LockPosition() = 0;
    virtual void UnlockPosition() = 0;
    virtual TvdxBarCodeCompositeView *GetParentComposite() = 0;
    virtual TvdxBasePosition *GetPosition() = 0;
    // Takes the position object over.
    virtual void SetPosition(std::unique_ptr<TvdxBasePosition> value) = 0;
};
#define IvdxBarCodeInternal_iid "{3A2DAA9E-3111-4058-9A69-D0B5B2F2A737}"
Q_DECLARE_INTERFACE(IvdxBarCodeInternal, IvdxBarCodeInternal_iid)

// The state both internal views keep.
class TvdxInternalPositionState {
public:
    TvdxBasePosition *Position() const { return m_position.get(); }
    bool Locked() const { return m_locked; }

protected:
    // Geometry from outside is refused while locked; a template being read
    // still restores what it stored.
    bool refuses(const TvdxComponent *self) const { return m_locked && !self->HasState(TvdComponent::csLoading); }
    // A new composite parent brings a position object of its arrangement.
    void parentChanging(TvdxComponent *self, TvdxComponent *value);
    void notifyParent(TvdxComponent *self) const;

    std::unique_ptr<TvdxBasePosition> m_position;
    bool m_locked = true;
};

class TvdxBarCodeInternalView : public TvdxBarCodeView, public IvdxBarCodeInternal, public TvdxInternalPositionState {
    Q_OBJECT
    Q_INTERFACES(IvdxBarCodeInternal)
    Q_PROPERTY(TvdxBasePosition *Position READ Position WRITE SetPositionRef)
public:
    Q_INVOKABLE explicit TvdxBarCodeInternalView(TvdComponent *owner = nullptr);
    ~TvdxBarCodeInternalView() override;

    // A template writes the position's own properties; the object itself
    // comes from the composite parent and is never replaced from outside.
    void SetPositionRef(TvdxBasePosition *value) { Q_UNUSED(value) }

    // IvdxBarCodeInternal
    void LockPosition() override { m_locked = true; }
    void UnlockPosition() override { m_locked = false; }
    TvdxBarCodeCompositeView *GetParentComposite() override;
    TvdxBasePosition *GetPosition() override { return m_position.get(); }
    void SetPosition(std::unique_ptr<TvdxBasePosition> value) override { m_position = std::move(value); }

    void SetParent(TvdxComponent *value) override;
    void SetLeft(long double value) override;
    void SetTop(long double value) override;
    void SetWidth(long double value) override;
    void SetHeight(long double value) override;
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

protected:
    bool DoMouseDown(int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                     TvdxInteractiveEventsParams &eventParams) override;
    void DoMouseUp(int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                   TvdxInteractiveEventsParams &eventParams) override;
    void DoMouseMove(int x, int y, TvdxShiftState shift, TvdxInteractiveEventsParams &eventParams) override;
};

class TvdxBarCodeInternal2DView : public TvdxBarcode2DView, public IvdxBarCodeInternal, public TvdxInternalPositionState {
    Q_OBJECT
    Q_INTERFACES(IvdxBarCodeInternal)
    Q_PROPERTY(TvdxBasePosition *Position READ Position WRITE SetPositionRef)
public:
    Q_INVOKABLE explicit TvdxBarCodeInternal2DView(TvdComponent *owner = nullptr);
    ~TvdxBarCodeInternal2DView() override;

    void SetPositionRef(TvdxBasePosition *value) { Q_UNUSED(value) }

    void LockPosition() override { m_locked = true; }
    void UnlockPosition() override { m_locked = false; }
    TvdxBarCodeCompositeView *GetParentComposite() override;
    TvdxBasePosition *GetPosition() override { return m_position.get(); }
    void SetPosition(std::unique_ptr<TvdxBasePosition> value) override { m_position = std::move(value); }

    void SetParent(TvdxComponent *value) override;
    void SetLeft(long double value) override;
    void SetTop(long double value) override;
    void SetWidth(long double value) override;
    void SetHeight(long double value) override;
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

protected:
    bool DoMouseDown(int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                     TvdxInteractiveEventsParams &eventParams) override;
    void DoMouseUp(int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                   TvdxInteractiveEventsParams &eventParams) override;
    void DoMouseMove(int x, int y, TvdxShiftState shift, TvdxInteractiveEventsParams &eventParams) override;
};
