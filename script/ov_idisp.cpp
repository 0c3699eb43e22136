#include "script/ov_idisp.h"

#include <algorithm>

bool ovIsDispatch(const Variant &value)
{
    return value.isObject() && dynamic_cast<IovDispatch *>(value.object()) != nullptr;
}

QString ovOleErrorText(quint32 code)
{
    switch (code) {
    case DISP_E_UNKNOWNINTERFACE:
        return QStringLiteral("Unknown interface.");
    case DISP_E_MEMBERNOTFOUND:
        return QStringLiteral("Member not found.");
    case DISP_E_PARAMNOTFOUND:
        return QStringLiteral("Parameter not found.");
    case DISP_E_TYPEMISMATCH:
        return QStringLiteral("Type mismatch.");
    case DISP_E_UNKNOWNNAME:
        return QStringLiteral("Unknown name.");
    case DISP_E_EXCEPTION:
        return QStringLiteral("Exception occurred.");
    case DISP_E_BADPARAMCOUNT:
        return QStringLiteral("Invalid number of parameters.");
    case OV_E_FAIL:
        return QStringLiteral("Unspecified error");
    default:
        return QStringLiteral("Unknown error");
    }
}

Variant CreateOleObject(const QString &className)
{
    throw EOleError(QStringLiteral("Cannot create automation object '%1': automation is not available on this platform")
                        .arg(className));
}

TovOLEHelper::TovOLEHelper(const QString &name) : TovCustomHelper(name, fvtVariant, QString()) {}

void TovOLEHelper::AddVariantParam()
{
    Add(new TovParamItem(QString(), fvtVariant, QString(), false, false));
}

Variant TovOLEHelper::GetValue()
{
    QList<Variant> args;
    for (int i = 0; i < ParamCount(); ++i)
        args.append(GetParam(i)->Value());
    const bool want = NeedResult;
    const Variant r = invoke(std::move(args), want ? quint16(DISPATCH_METHOD | DISPATCH_PROPERTYGET) : quint16(DISPATCH_METHOD), want);
    ParentValue = Variant::null();
    return r;
}

void TovOLEHelper::SetValue(const Variant &value)
{
    QList<Variant> args;
    for (int i = 0; i < ParamCount(); ++i)
        args.append(GetParam(i)->Value());
    args.append(value);
    invoke(std::move(args), value.varType() == varDispatch ? quint16(DISPATCH_PROPERTYPUTREF) : quint16(DISPATCH_PROPERTYPUT),
           false);
    ParentValue = Variant::null();
}

Variant TovOLEHelper::invoke(QList<Variant> args, quint16 flags, bool wantResult)
{
    auto *disp = dynamic_cast<IovDispatch *>(ParentValue.isObject() ? ParentValue.checkedObject() : nullptr);
    if (!disp) {
        ParentValue = Variant::null();
        throw EVariantTypeCastError(QStringLiteral("Invalid variant type conversion"));
    }
    auto raise = [this](quint32 code, const TovExcepInfo *info) {
        ParentValue = Variant::null();
        QString msg = QStringLiteral("OLE error ") + QStringLiteral("%1").arg(code, 8, 16, QLatin1Char('0')).toUpper()
              + QStringLiteral(": ") + Name() + QStringLiteral(": ") + ovOleErrorText(code);
        if (info) {
            if (!info->Source.isEmpty())
                msg += QStringLiteral("\r\nSource        ::  ") + info->Source;
            if (!info->Description.isEmpty())
                msg += QStringLiteral("\r\nDescription ::  ") + info->Description;
            if (!info->HelpFile.isEmpty())
                msg += QStringLiteral("\r\nHelp File     ::  ") + info->HelpFile;
        }
        throw EOleError(msg);
    };
    int dispId = 0;
    if (const quint32 hr = disp->GetIDsOfNames(Name(), dispId))
        raise(hr, nullptr);
    if (args.size() > MaxArgs)
        raise(DISP_E_BADPARAMCOUNT, nullptr);
    std::reverse(args.begin(), args.end());
    QList<int> named;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
        named.append(DISPID_PROPERTYPUT);
    Variant result;
    TovExcepInfo info;
    if (const quint32 hr = disp->Invoke(dispId, flags, args, named, wantResult ? &result : nullptr, info))
        raise(hr, &info);
    return result;
}
