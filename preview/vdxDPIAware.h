// Bases of the panels and custom controls that follow the density of their
// window: each keeps the PPI it is laid out for and lets subclasses rescale
// their own pixel sizes before that value changes. Qt already scales by the
// device-pixel ratio; these only track the PPI for sizes the controls keep.
#pragma once
#include "core/vdBaseForm.h"

#include <QFrame>
#include <QWidget>

// The step shared by every density-aware control: a new PPI is announced to
// the subclass while the old one is still current.
template <class Owner>
inline void vdPPIStep(Owner *owner, int &current, int newPPI)
{
    if (newPPI <= 0 || newPPI == current)
        return;
    owner->PPIChanging(newPPI);
    current = newPPI;
}

class TvdDPIAwareCustomControl : public QWidget, public IvdxDPIAwareControl {
    Q_OBJECT
public:
    explicit TvdDPIAwareCustomControl(QWidget *parent = nullptr) : QWidget(parent) {}

    int CurrentPPI = 0; // 0 until a subclass sets it

    double GetScale() const { return CurrentPPI / 96.0; }
    double GetReleativeScale() const { return double(CurrentPPI) / vdScreenPPI(); }

    virtual void PPIChanging(int newPPI) { Q_UNUSED(newPPI); }
    // The framework's rescaling entry: runs the PPI step.
    virtual void ScaleForPPI(int newPPI);
    // Reads the window's PPI (the density-changed message).
    void WindowDPIChanged() { ScaleForPPI(GetWindowPPI(this)); }
    void DPIChanged(int newPPI) override { ScaleForPPI(newPPI); }
};

class TvdxDPIAwareCustomControl : public TvdDPIAwareCustomControl {
    Q_OBJECT
public:
    explicit TvdxDPIAwareCustomControl(QWidget *parent = nullptr);
};

class TvdxDPIAwareBasePanel : public QFrame, public IvdxDPIAwareControl {
    Q_OBJECT
public:
    explicit TvdxDPIAwareBasePanel(QWidget *parent = nullptr);

    int CurrentPPI = 96;

    double GetScale() const { return CurrentPPI / 96.0; }
    double GetReleativeScale() const { return double(CurrentPPI) / vdScreenPPI(); }

    virtual void PPIChanging(int newPPI) { Q_UNUSED(newPPI); }
    virtual void ScaleForPPI(int newPPI);
    void WindowDPIChanged() { ScaleForPPI(GetWindowPPI(this)); }
    void DPIChanged(int newPPI) override { ScaleForPPI(newPPI); }
};

class TvdxDPIAwarePanel : public TvdxDPIAwareBasePanel {
    Q_OBJECT
public:
    using TvdxDPIAwareBasePanel::TvdxDPIAwareBasePanel;
};
