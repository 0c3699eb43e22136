#include "preview/vdxDPIAware.h"

void TvdDPIAwareCustomControl::ScaleForPPI(int newPPI)
{
    vdPPIStep(this, CurrentPPI, newPPI);
}

TvdxDPIAwareCustomControl::TvdxDPIAwareCustomControl(QWidget *parent) : TvdDPIAwareCustomControl(parent)
{
    CurrentPPI = vdScreenPPI();
}

TvdxDPIAwareBasePanel::TvdxDPIAwareBasePanel(QWidget *parent) : QFrame(parent)
{
    CurrentPPI = vdScreenPPI();
}

void TvdxDPIAwareBasePanel::ScaleForPPI(int newPPI)
{
    vdPPIStep(this, CurrentPPI, newPPI);
}
