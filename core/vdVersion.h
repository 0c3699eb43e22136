#pragma once
namespace vd { const char *versionText(); }
