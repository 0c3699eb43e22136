// What a component's ShiftObject hears when the component goes: the engine's
// shift structures forget the object, or queue themselves for freeing.
#pragma once

class TvdxReportComponent;

class IvdxShiftObject {
public:
    virtual ~IvdxShiftObject() = default;
    virtual void ComponentDestroyed(TvdxReportComponent *component) = 0;
};
