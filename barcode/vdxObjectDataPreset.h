// Data presets of 2D barcodes: a preset computes the whole text of its
// object and adjusts the object's settings while attached; every 2D object
// holds at most one, chosen by class name.
#pragma once
#include "core/vdPersistent.h"
#include "platform/Canvas.h"
#include "report/vdxClass_preset.h"
#include "report/vdxDsgnIntf.h"

#include <memory>

class TvdxReport;
class TvdxComponent;

// The preset classes offered to the designer; the first entry (none) stands
// for no preset. Preset modules append their classes at start-up.
QList<const QMetaObject *> &vdxGlobalDataPresets();

class TvdxObjectDataPreset : public TvdPersistent, public IStringClassNameContainer {
    Q_OBJECT
    Q_PROPERTY(QString PresetClass READ PresetClass WRITE SetPresetClass)
    Q_PROPERTY(TvdxCustomObjectPreset *DataObject READ DataObject)
public:
    explicit TvdxObjectDataPreset(TvdxComponent *owner = nullptr);
    ~TvdxObjectDataPreset() override;

    QString PresetClass() const;
    // Attaches a preset by registered class name; empty releases the
    // current one, an unknown name changes nothing.
    void SetPresetClass(const QString &value);
    TvdxCustomObjectPreset *DataObject() const { return m_dataObject.get(); }
    bool IsHasPresetData() const { return m_dataObject != nullptr; }
    QString GetData(TvdxReport *report);
    void BeginDraw(Canvas &canvas, double scaleX, double scaleY, const TRect &area);
    void EndDraw(Canvas &canvas, double scaleX, double scaleY, const TRect &area);
    QList<const QMetaObject *> GetSupportedClasses() override { return vdxGlobalDataPresets(); }

private:
    void release();

    TvdxComponent *m_owner;
    std::unique_ptr<TvdxCustomObjectPreset> m_dataObject;
};
