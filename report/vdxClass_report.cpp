#include "report/vdxClass_report.h"

QRecursiveMutex &vdxGlobalLock()
{
    static QRecursiveMutex lock;
    return lock;
}

TvdxReport::TvdxReport(TvdComponent *owner) : TvdxComponent(owner) {}

TvdxReport::~TvdxReport() = default;

bool TvdxReport::IsThreadSafe() const { return false; }

TvdxDataSet *TvdxReport::FindDataSetOf(TvdxReport *report, TvdxDataSet *dataSet, const QString &dsName)
{
    Q_UNUSED(report) Q_UNUSED(dataSet) Q_UNUSED(dsName)
    return nullptr;
}

void TvdxReport::AddError(const QString &line)
{
    const auto it = std::lower_bound(m_errors.begin(), m_errors.end(), line);
    if (it != m_errors.end() && *it == line)
        return;
    m_errors.insert(it, line);
}

void TvdxReport::GetAncestor(const QString &name, TvdPersistent *&ancestor)
{
    Q_UNUSED(name)
    ancestor = nullptr;
}
