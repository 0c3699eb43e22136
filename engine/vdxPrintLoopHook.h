// The print loop lives with the printer classes, a layer above the prepared
// pages; it plugs itself in here so that Print reaches it.
#pragma once
#include <functional>

class TvdxPreviewPages;

using TvdxPrintLoopFunc = std::function<bool(TvdxPreviewPages *pages)>;
// Installs the loop (the printing layer does, at start-up); empty removes it.
void vdxSetPrintLoop(TvdxPrintLoopFunc loop);
const TvdxPrintLoopFunc &vdxPrintLoop();
