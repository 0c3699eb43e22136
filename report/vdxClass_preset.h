// Object presets (ready-made settings an object adopts, which may fill its
// data and draw around it) and extra inspector properties that an object
// offers beyond its published ones.
#pragma once
#include "core/vdPersistent.h"
#include "platform/Canvas.h"

#include <QMetaType>
#include <QVariant>
#include <functional>
#include <vector>

class TvdxReport;
class TvdxComponent;

class TvdxCustomObjectPreset : public TvdPersistent {
    Q_OBJECT
public:
    // The data text the preset produces for its object.
    virtual QString GetData(TvdxReport *aReport) = 0;
    virtual void ApplySettings(TvdxComponent *aComponent) = 0;
    // Keep and give back the object settings that ApplySettings changes.
    virtual void SaveComponentState(TvdxComponent *aComponent) = 0;
    virtual void RestoreComponentState(TvdxComponent *aComponent) = 0;
    virtual void BeginDraw(Canvas &canvas, double scaleX, double scaleY, const TRect &area)
    {
        Q_UNUSED(canvas) Q_UNUSED(scaleX) Q_UNUSED(scaleY) Q_UNUSED(area)
    }
    virtual void EndDraw(Canvas &canvas, double scaleX, double scaleY, const TRect &area)
    {
        Q_UNUSED(canvas) Q_UNUSED(scaleX) Q_UNUSED(scaleY) Q_UNUSED(area)
    }
};

// Synthetic properties an object adds to the inspector. A property without a
// getter is not listed; one without a setter is read-only.
class TvdxExtPropList {
public:
    using Getter = std::function<QVariant(QObject *instance)>;
    using Setter = std::function<void(QObject *instance, const QVariant &value)>;
    struct PropInfo {
        QString Name;
        QMetaType Type;
        Getter Get;
        Setter Set;
    };

    void AddProperty(const QString &aName, QMetaType type, Getter get, Setter set = {});
    int Count() const { return int(m_props.size()); }
    const PropInfo &GetTypInfo(int index) const { return m_props.at(size_t(index)); }
    void SetTypInfo(int index, const PropInfo &value) { m_props.at(size_t(index)) = value; }
    // The list's name of an entry; renaming leaves the record's own name.
    QString GetName(int index) const { return m_names.at(size_t(index)); }
    void SetName(int index, const QString &value) { m_names.at(size_t(index)) = value; }
    Getter GetGetMethod(int index) const { return m_props.at(size_t(index)).Get; }
    void SetGetMethod(int index, Getter value) { m_props.at(size_t(index)).Get = std::move(value); }
    Setter GetSetMethod(int index) const { return m_props.at(size_t(index)).Set; }
    void SetSetMethod(int index, Setter value) { m_props.at(size_t(index)).Set = std::move(value); }

private:
    std::vector<QString> m_names;
    std::vector<PropInfo> m_props;
};

// Implemented by objects that show more than their published properties.
class IInspectedProperties {
public:
    virtual ~IInspectedProperties() = default;
    virtual TvdxExtPropList *GetExtProperties() = 0;
};
#define IInspectedProperties_iid "{99C44322-E150-4A78-BE74-623422BE2B06}"
Q_DECLARE_INTERFACE(IInspectedProperties, IInspectedProperties_iid)
