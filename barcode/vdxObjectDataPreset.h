// Data presets of 2D barcodes: a preset computes the whole text of its
// object and adjusts the object's settings while attached; every 2D object
// holds at most one, chosen by class name.
#pragma once
#include "core/vdPersistent.h"
#include "platform/Canvas.h"
#include "report/vdxDsgnIntf.h"

#include <memory>

class TvdxReport;
class TvdxComponent;

// Base of every preset class. (The report model's own preset base is meant
// to take its place once it exists; this one carries what the holder calls.)
class TvdxCustomObjectPreset : public TvdPersistent {
    Q_OBJECT
public:
    virtual QString GetData(TvdxReport *report) = 0;
    virtual void ApplySettings(TvdxComponent *component) = 0;
    virtual void SaveComponentState(TvdxComponent *component) = 0;
    virtual void RestoreComponentState(TvdxComponent *component) = 0;
    virtual void BeginDraw(Canvas &, double, double, const TRect &) {}
    virtual void EndDraw(Canvas &, double, double, const TRect &) {}
};

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
