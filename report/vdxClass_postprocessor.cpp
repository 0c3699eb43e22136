#include "report/vdxClass_postprocessor.h"

#include "core/vdXML.h"

int TvdxMacrosItem::AddObject(const QString &s, int mark, bool supressed)
{
    if (supressed && !m_items.isEmpty() && !NeedReset && s == m_items.last())
        return int(m_items.size()) - 1;
    m_items.append(s);
    m_marks.append(mark);
    NeedReset = false;
    return int(m_items.size()) - 1;
}

QString TvdxMacrosItem::GetItem(int index) const
{
    if (index < 0 || index >= m_items.size())
        return QString();
    if (m_marks.at(index) == 1 || (m_parent && m_parent->Processing()))
        return m_items.at(index);
    return QString();
}

void TvdxMacrosItem::SetItem(int index, const QString &value)
{
    if (index < 0 || index >= m_items.size())
        return;
    m_items[index] = value;
    if (m_parent && m_parent->Processing())
        m_marks[index] = 1;
}

void TvdxPostProcessor::Clear()
{
    for (auto &e : m_macroses)
        delete e.second;
    m_macroses.clear();
    m_processList.clear();
    m_groupLevel = 0;
    m_dataLevel = 0;
}

TvdxMacrosItem *TvdxPostProcessor::Find(const QString &name) const
{
    auto it = m_macroses.constFind(key(name));
    return it == m_macroses.constEnd() ? nullptr : it->second;
}

QStringList TvdxPostProcessor::Names() const
{
    QStringList names;
    for (const auto &e : m_macroses)
        names << e.first;
    return names;
}

int TvdxPostProcessor::Add(const QString &bandName, const QString &name, const QString &content,
                           TvdxProcessAtMode processMode, TvdxComponent *component, bool supressed, bool empty)
{
    TvdxMacrosItem *item = Find(name);
    if (!item) {
        item = new TvdxMacrosItem(this);
        item->ProcessAt = processMode;
        item->BaseComponent = component;
        item->GroupLevel = m_groupLevel;
        item->DataLevel = m_dataLevel;
        m_macroses.insert(key(name), {name, item});
    }
    if (!bandName.isEmpty() && item->BandName.isEmpty())
        item->BandName = bandName;
    const int before = item->Count();
    const int index = item->AddObject(content, item->ProcessAt == TvdxObjectProcessing::paDefault ? 1 : 0, supressed);
    const bool added = item->Count() > before;
    if (added && empty)
        item->SetItem(index, QString());
    if (item->ProcessAt != TvdxObjectProcessing::paDefault && added
        && (m_processList.isEmpty() || m_processList.last() != item))
        m_processList.append(item);
    return index;
}

void TvdxPostProcessor::ProcessExpressions(TvdxReport *report, TvdxBand *, TvdxProcessAtMode processMode)
{
    m_processing = true;
    try {
        for (int i = 0; i < m_processList.size();) {
            TvdxMacrosItem *item = m_processList.at(i);
            bool match = item->ProcessAt != TvdxObjectProcessing::paDefault && item->ProcessAt == processMode;
            if (match && processMode == TvdxObjectProcessing::paDataFinished)
                match = item->DataLevel == m_dataLevel;
            if (match && processMode == TvdxObjectProcessing::paGroupFinished) {
                auto *v = qobject_cast<TvdxView *>(item->BaseComponent);
                const int level = v ? v->Processing()->GroupLevel() : 0;
                match = level == m_groupLevel || (level == 0 && item->GroupLevel == m_groupLevel);
            }
            if (!match) {
                ++i;
                continue;
            }
            if (auto *v = qobject_cast<TvdxView *>(item->BaseComponent))
                v->ProcessDictionary(item, report, this);
            m_processList.removeAt(i);
        }
    } catch (...) {
        m_processing = false;
        throw;
    }
    if (processMode == TvdxObjectProcessing::paGroupFinished)
        LeaveGroup();
    m_processing = false;
}

void TvdxPostProcessor::ProcessObject(TvdxReport *report, TvdxComponent *component)
{
    for (int i = 0; i < m_processList.size(); ++i) {
        TvdxMacrosItem *item = m_processList.at(i);
        if (item->ProcessAt == TvdxObjectProcessing::paDefault || item->BaseComponent != component)
            continue;
        m_processing = true;
        try {
            if (auto *v = qobject_cast<TvdxView *>(component))
                v->ProcessDictionary(item, report, this);
        } catch (...) {
            m_processing = false;
            throw;
        }
        m_processing = false;
        m_processList.removeAt(i);
        return;
    }
}

bool TvdxPostProcessor::LoadValue(TvdxComponent *component)
{
    if (!component || component->Name().isEmpty())
        return false;
    TvdxMacrosItem *item = Find(component->Name());
    auto *v = qobject_cast<TvdxView *>(component);
    if (!item || !v)
        return false;
    return v->LoadContentFromDictionary(nullptr, item);
}

void TvdxPostProcessor::ResetDuplicates(const QString &bandName)
{
    for (auto &e : m_macroses)
        if (bandName.isEmpty() || e.second->BandName == bandName)
            e.second->NeedReset = true;
}

void TvdxPostProcessor::ResetSuppressed()
{
    for (auto &e : m_macroses) {
        e.second->LastIndex = -1;
        e.second->Component = nullptr;
    }
}

const QStringList *TvdxPostProcessor::GetMacroList(const QString &name) const
{
    TvdxMacrosItem *item = Find(name);
    return item ? &item->Texts() : nullptr;
}

void TvdxPostProcessor::SaveToXML(TvdXMLItem *item) const
{
    for (const auto &e : m_macroses) {
        TvdXMLItem *x = item->Add(e.first);
        for (const QString &t : e.second->Texts())
            x->Add(QStringLiteral("i"))->SetText(QStringLiteral("cnt=\"") + EscapeXMLAttr(t) + QLatin1Char('"'));
    }
}

void TvdxPostProcessor::LoadFromXML(TvdXMLItem *item)
{
    for (int i = 0; i < item->Count(); ++i) {
        TvdXMLItem *x = item->Items(i);
        if (x->Name().isEmpty())
            continue;
        TvdxMacrosItem *m = Find(x->Name());
        if (!m) {
            m = new TvdxMacrosItem(nullptr);
            m_macroses.insert(key(x->Name()), {x->Name(), m});
        }
        for (int j = 0; j < x->Count(); ++j)
            m->AddObject(x->Items(j)->GetProp(QStringLiteral("cnt")), 1, false);
    }
    item->Clear();
}
