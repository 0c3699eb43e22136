#include "core/vdVersion.h"
namespace vd { const char *versionText() { return "0.1"; } }
