// Automation objects from scripts: members called by name at run time. The
// platform has no automation server, so objects come from the host through
// the dispatch interface below (tests supply fakes).
#pragma once
#include "script/ov_iclasses.h"

// Invocation kinds and the named argument of property puts.
enum : quint16 {
    DISPATCH_METHOD = 1,
    DISPATCH_PROPERTYGET = 2,
    DISPATCH_PROPERTYPUT = 4,
    DISPATCH_PROPERTYPUTREF = 8,
};
constexpr int DISPID_PROPERTYPUT = -3;

// Result codes the engine names in its messages.
enum : quint32 {
    DISP_E_UNKNOWNINTERFACE = 0x80020001,
    DISP_E_MEMBERNOTFOUND = 0x80020003,
    DISP_E_PARAMNOTFOUND = 0x80020004,
    DISP_E_TYPEMISMATCH = 0x80020005,
    DISP_E_UNKNOWNNAME = 0x80020006,
    DISP_E_EXCEPTION = 0x80020009,
    DISP_E_BADPARAMCOUNT = 0x8002000E,
    OV_E_FAIL = 0x80004005,
};

struct TovExcepInfo {
    QString Source;
    QString Description;
    QString HelpFile;
};

// What an automation object offers. Implemented by QObjects so that values
// hold them as checked object references.
class IovDispatch {
public:
    virtual ~IovDispatch() = default;
    // The member's id; a failure code when the name is unknown.
    virtual quint32 GetIDsOfNames(const QString &name, int &dispId) = 0;
    // args hold the arguments last first; namedArgs the ids of named ones.
    // result is null when no result is asked for. 0 on success.
    virtual quint32 Invoke(int dispId, quint16 flags, const QList<Variant> &args, const QList<int> &namedArgs,
                           Variant *result, TovExcepInfo &excepInfo) = 0;
};

VD_DECLARE_EXCEPTION(EOleError, Exception)

// True when the value refers to a live automation object.
bool ovIsDispatch(const Variant &value);
// The platform's text of a result code.
QString ovOleErrorText(quint32 code);

// Creates an automation object by its program id. There is no automation
// server here: always raises EOleError.
Variant CreateOleObject(const QString &className);

// A member of an automation object, called by name.
class TovOLEHelper : public TovCustomHelper {
public:
    explicit TovOLEHelper(const QString &name);
    void SetValue(const Variant &value) override;
    Variant GetValue() override;
    // One more Variant argument.
    void AddVariantParam();

    // At most this many arguments, the assigned value included.
    static constexpr int MaxArgs = 64;

private:
    Variant invoke(QList<Variant> args, quint16 flags, bool wantResult);
};
