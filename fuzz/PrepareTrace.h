// Prepares a loaded template and runs the trace export filter over what it
// gives; a filter that stops through Terminated after a bounded number of
// objects keeps long or endless reports cheap.
#pragma once
#include "engine/vdxTraceExport.h"
#include "report/vdxClass.h"
#include "report/vdxClass_report.h"

#include <QBuffer>

namespace vdfuzz {

class StoppingTrace : public TvdxTraceExport {
public:
    void ExportObject(TvdxComponent *obj) override
    {
        TvdxTraceExport::ExportObject(obj);
        if (++m_objects >= 200)
            SetTerminated(true);
    }

private:
    int m_objects = 0;
};

inline void PrepareAndTrace(TvdxReport &report)
{
    TvdxCustomEngine *engine = report.Engine();
    if (!engine || !report.PreviewPages())
        return;
    // Long or endless reports stop after a few dozen pages.
    report.OnProgress = [](TvdxReport *r, TvdxReport::TvdxProgressType type, int page) {
        if (type == TvdxReport::ptRunning && page > 50)
            r->SetTerminated(true);
    };
    try {
        if (!engine->Run(false, true))
            return;
    } catch (const Exception &) {
        return; // a clear error is what bad input may give
    }
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    StoppingTrace filter;
    filter.SetStream(&sink);
    report.PreviewPages()->Export(&filter);
}

} // namespace vdfuzz
