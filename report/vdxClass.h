// The report model's main module: component tree, views and pages, data
// links and the report object.
#pragma once
#include "report/vdxClass_component.h"
#include "report/vdxClass_datalink.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_view.h"
