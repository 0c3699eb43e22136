#include "report/vdxClass_preset.h"

void TvdxExtPropList::AddProperty(const QString &name, QMetaType type, TvdxExtPropGetter getMethod,
                                  TvdxExtPropSetter setMethod)
{
    auto info = std::make_unique<TvdxExtPropInfo>();
    info->PropType = type;
    info->GetProc = getMethod;
    info->SetProc = setMethod;
    info->Name = name.left(255);
    m_items.push_back(Entry{name, std::move(info)});
}

TvdxExtPropInfo *TvdxExtPropList::GetTypInfo(int index) const
{
    return valid(index) ? m_items[size_t(index)].Info.get() : nullptr;
}

void TvdxExtPropList::SetTypInfo(int index, std::unique_ptr<TvdxExtPropInfo> value)
{
    if (valid(index) && value)
        m_items[size_t(index)].Info = std::move(value);
}

QString TvdxExtPropList::GetName(int index) const { return valid(index) ? m_items[size_t(index)].Name : QString(); }

void TvdxExtPropList::SetName(int index, const QString &value)
{
    if (valid(index))
        m_items[size_t(index)].Name = value;
}

TvdxExtPropGetter TvdxExtPropList::GetGetMethod(int index) const
{
    return valid(index) ? m_items[size_t(index)].Info->GetProc : nullptr;
}

void TvdxExtPropList::SetGetMethod(int index, TvdxExtPropGetter value)
{
    if (valid(index))
        m_items[size_t(index)].Info->GetProc = value;
}

TvdxExtPropSetter TvdxExtPropList::GetSetMethod(int index) const
{
    return valid(index) ? m_items[size_t(index)].Info->SetProc : nullptr;
}

void TvdxExtPropList::SetSetMethod(int index, TvdxExtPropSetter value)
{
    if (valid(index))
        m_items[size_t(index)].Info->SetProc = value;
}

QVariant TvdxExtPropList::GetValue(int index, const QObject *instance) const
{
    const TvdxExtPropGetter get = GetGetMethod(index);
    return get && instance ? get(instance) : QVariant();
}

bool TvdxExtPropList::SetValue(int index, QObject *instance, const QVariant &value) const
{
    const TvdxExtPropSetter set = GetSetMethod(index);
    if (!set || !instance)
        return false;
    set(instance, value);
    return true;
}

const QMetaObject *TvdxExtPropList::PropClass(int index) const
{
    const TvdxExtPropInfo *info = GetTypInfo(index);
    return info && (info->PropType.flags() & QMetaType::PointerToQObject) ? info->PropType.metaObject() : nullptr;
}
