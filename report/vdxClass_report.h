// The report object: root of a template's component tree.
#pragma once
#include "report/vdxClass_component.h"

#include <QRecursiveMutex>

// The module's global lock: template reading of thread-safe reports.
QRecursiveMutex &vdxGlobalLock();

class TvdxReport : public TvdxComponent {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxReport(TvdComponent *owner = nullptr);
    ~TvdxReport() override;

    TvdxReport *Report() const override { return const_cast<TvdxReport *>(this); }
    bool vdxIsReport() const override { return true; }
    // Whether the report runs with thread-safe engine options.
    bool IsThreadSafe() const;
    // Data-set lookup of components (nothing for a missing report: the global list).
    static TvdxDataSet *FindDataSetOf(TvdxReport *report, TvdxDataSet *dataSet, const QString &dsName);

    // Error list: sorted, each line once.
    const QStringList &Errors() const { return m_errors; }
    void AddError(const QString &line);
    void ClearErrors() { m_errors.clear(); }
    // The serializer reading this report, while it reads.
    TvdxXMLSerializer *XMLSerializer() const { return m_xmlSerializer; }
    void SetXMLSerializer(TvdxXMLSerializer *s) { m_xmlSerializer = s; }
    // Object of the ancestor template that Name stands for (none without ancestor).
    virtual void GetAncestor(const QString &name, TvdPersistent *&ancestor);

    TvdxGetCustomDataEvent OnGetCustomData;
    TvdxSaveCustomDataEvent OnSaveCustomData;

private:
    QStringList m_errors;
    TvdxXMLSerializer *m_xmlSerializer = nullptr;
};
