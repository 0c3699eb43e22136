#include "report/vdxClass_preset.h"

void TvdxExtPropList::AddProperty(const QString &aName, QMetaType type, Getter get, Setter set)
{
    m_names.push_back(aName);
    m_props.push_back({aName, type, std::move(get), std::move(set)});
}
