// Object presets, and extra properties that an object shows in the inspector
// beside the ones its class publishes.
#pragma once
#include "core/vdPersistent.h"
#include "platform/Canvas.h"

#include <QMetaType>
#include <QObject>
#include <QVariant>
#include <memory>
#include <vector>

class TvdxReport;
class TvdxComponent;

// Ready-made settings an object adopts: the preset computes the object's data
// text, adjusts the object while attached and may draw around it.
class TvdxCustomObjectPreset : public TvdPersistent {
    Q_OBJECT
public:
    TvdxCustomObjectPreset() = default;
    virtual QString GetData(TvdxReport *report) = 0;
    virtual void ApplySettings(TvdxComponent *component) = 0;
    // Keep and give back the settings of the object that the preset changes.
    virtual void SaveComponentState(TvdxComponent *component) = 0;
    virtual void RestoreComponentState(TvdxComponent *component) = 0;
    // Called around the object's drawing.
    virtual void BeginDraw(Canvas &canvas, double scaleX, double scaleY, const TRect &area)
    {
        Q_UNUSED(canvas) Q_UNUSED(scaleX) Q_UNUSED(scaleY) Q_UNUSED(area)
    }
    virtual void EndDraw(Canvas &canvas, double scaleX, double scaleY, const TRect &area)
    {
        Q_UNUSED(canvas) Q_UNUSED(scaleX) Q_UNUSED(scaleY) Q_UNUSED(area)
    }
};

// Static accessors of an extra property; the instance is the object that
// offers it.
using TvdxExtPropGetter = QVariant (*)(const QObject *instance);
using TvdxExtPropSetter = void (*)(QObject *instance, const QVariant &value);

// One extra property, shaped like a published one: its type is a Qt meta
// type, so an object type leads to the published properties of its class.
struct TvdxExtPropInfo {
    QMetaType PropType;
    TvdxExtPropGetter GetProc = nullptr;
    TvdxExtPropSetter SetProc = nullptr;
    int StoredProc = 0;
    int Index = 0;
    int Default = 0;
    int NameIndex = 0;
    // At most 255 characters.
    QString Name;
};

// The extra properties of an object, each under a list name; the list owns
// its records.
class TvdxExtPropList {
public:
    TvdxExtPropList() = default;
    ~TvdxExtPropList() = default;
    TvdxExtPropList(const TvdxExtPropList &) = delete;
    TvdxExtPropList &operator=(const TvdxExtPropList &) = delete;

    void AddProperty(const QString &name, QMetaType type, TvdxExtPropGetter getMethod,
                     TvdxExtPropSetter setMethod);
    int Count() const { return int(m_items.size()); }

    // The record itself; nullptr outside the list.
    TvdxExtPropInfo *GetTypInfo(int index) const;
    // Replaces the record at the index (the list takes it, the old one is freed).
    void SetTypInfo(int index, std::unique_ptr<TvdxExtPropInfo> value);
    // The list name; renaming leaves the name inside the record.
    QString GetName(int index) const;
    void SetName(int index, const QString &value);
    TvdxExtPropGetter GetGetMethod(int index) const;
    void SetGetMethod(int index, TvdxExtPropGetter value);
    TvdxExtPropSetter GetSetMethod(int index) const;
    void SetSetMethod(int index, TvdxExtPropSetter value);

    // Reading needs a getter (an invalid value without one); writing is
    // skipped without a setter and answers whether it wrote.
    QVariant GetValue(int index, const QObject *instance) const;
    bool SetValue(int index, QObject *instance, const QVariant &value) const;
    // The class of an object-typed property (its published properties are
    // listed below it), else nullptr.
    const QMetaObject *PropClass(int index) const;

private:
    struct Entry {
        QString Name;
        std::unique_ptr<TvdxExtPropInfo> Info;
    };
    bool valid(int index) const { return index >= 0 && index < Count(); }
    std::vector<Entry> m_items;
};

// An object that hands its extra properties to the inspector.
class IInspectedProperties {
public:
    virtual ~IInspectedProperties() = default;
    virtual TvdxExtPropList *GetExtProperties() = 0;
};
#define IInspectedProperties_iid "vendari.IInspectedProperties"
Q_DECLARE_INTERFACE(IInspectedProperties, IInspectedProperties_iid)
