#include "engine/vdxPreviewPages.h"

bool TvdxPreviewPages::Export(TvdxCustomExportFilter *) { return false; }
