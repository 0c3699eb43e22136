// An export filter that writes one line per call it receives: a readable
// record of what the export loop hands a format, for tests and vd-export.
#pragma once
#include "report/vdxClass_export.h"

#include <QStringList>

class TvdxTraceExport : public TvdxCustomExportFilter {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxTraceExport(TvdComponent *owner = nullptr);

    bool Start() override;
    void StartPage(TvdxComponent *page, int index) override;
    void ExportObject(TvdxComponent *obj) override;
    void FinishPage(TvdxComponent *page, int index) override;
    void Finish() override;
    void BeginClip(TvdxComponent *obj) override;
    void EndClip() override;
    QString GetDescription() override { return QStringLiteral("Trace"); }

    // "ExportObject <class> <name> <left> <top> <width> <height> <text>":
    // absolute bounds with two decimals, line breaks of the text as "\n".
    static QString ObjectLine(TvdxComponent *obj);

    // Every line of the last run.
    const QStringList &Lines() const { return FLines; }

private:
    void add(const QString &line);

    QStringList FLines;
    QIODevice *FOut = nullptr;
};
