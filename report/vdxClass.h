// The report model's main module: component tree, views and pages, data
// links, the report object, options and data sets, dialog components, the
// engine and designer interfaces, IO transports and the hook bases.
#pragma once
#include "report/vdxClass_bases.h"
#include "report/vdxClass_component.h"
#include "report/vdxClass_datalink.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_dialog.h"
#include "report/vdxClass_engine.h"
#include "report/vdxClass_export.h"
#include "report/vdxClass_io.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_line.h"
#include "report/vdxClass_picture.h"
#include "report/vdxClass_postprocessor.h"
#include "report/vdxClass_preset.h"
#include "report/vdxClass_shape.h"
#include "report/vdxClass_signature.h"
#include "report/vdxClass_styles.h"
#include "report/vdxClass_view.h"
