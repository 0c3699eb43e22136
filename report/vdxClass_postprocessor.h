// Deferred values of prepared views: totals that a band, page, group, data
// run or the report completes later, and the values that duplicate handling
// compares. Saved in prepared reports under "postprocessing".
#pragma once
#include "core/vdVariant.h"
#include "report/vdxClass_view.h"

#include <QMap>
#include <QStringList>

class TvdXMLItem;
class TvdxBand;
class TvdxPostProcessor;
class TvdxReport;

using TvdxProcessAtMode = TvdxObjectProcessing::TvdxProcessAtMode;

// The values stored under one object name.
class TvdxMacrosItem {
public:
    explicit TvdxMacrosItem(TvdxPostProcessor *parent = nullptr) : m_parent(parent) {}
    int Count() const { return int(m_items.size()); }
    // Appends s (final when mark is 1); a suppressed value equal to the last
    // one answers the last index instead, unless a reset is due.
    int AddObject(const QString &s, int mark, bool supressed);
    // The text once final (or while completions run); empty while it waits.
    QString GetItem(int index) const;
    void SetItem(int index, const QString &value);
    const QStringList &Texts() const { return m_items; }
    bool IsFinal(int index) const { return m_marks.value(index) == 1; }

    Variant SupressedValue;
    int LastIndex = -1;
    TvdxComponent *Component = nullptr;
    TvdxComponent *BaseComponent = nullptr;
    QString BandName;
    bool NeedReset = false;
    TvdxProcessAtMode ProcessAt = TvdxObjectProcessing::paDefault;
    int GroupLevel = 0;
    int DataLevel = 0;

private:
    TvdxPostProcessor *m_parent;
    QStringList m_items;
    QList<int> m_marks;
};

class TvdxPostProcessor {
public:
    TvdxPostProcessor() = default;
    ~TvdxPostProcessor() { Clear(); }
    TvdxPostProcessor(const TvdxPostProcessor &) = delete;
    TvdxPostProcessor &operator=(const TvdxPostProcessor &) = delete;

    void Clear();
    int Add(const QString &bandName, const QString &name, const QString &content, TvdxProcessAtMode processMode,
            TvdxComponent *component, bool supressed, bool empty);
    void EnterGroup() { ++m_groupLevel; }
    void LeaveGroup() { m_groupLevel = std::max(0, m_groupLevel - 1); }
    void EnterData() { ++m_dataLevel; }
    void LeaveData() { m_dataLevel = std::max(0, m_dataLevel - 1); }
    int GroupLevel() const { return m_groupLevel; }
    int DataLevel() const { return m_dataLevel; }
    bool Processing() const { return m_processing; }

    void ProcessExpressions(TvdxReport *report, TvdxBand *band, TvdxProcessAtMode processMode);
    void ProcessObject(TvdxReport *report, TvdxComponent *component);
    // True when the view is a duplicate that must go: the caller removes it.
    bool LoadValue(TvdxComponent *component);
    void ResetDuplicates(const QString &bandName);
    void ResetSuppressed();
    // The texts of a name; nothing when unknown.
    const QStringList *GetMacroList(const QString &name) const;
    TvdxMacrosItem *Find(const QString &name) const;
    QStringList Names() const;
    QString GetValue(int, int) const { return QString(); }

    void SaveToXML(TvdXMLItem *item) const;
    void LoadFromXML(TvdXMLItem *item);

private:
    static QString key(const QString &name) { return name.toLower(); }
    // Keyed by the lower-cased name; each entry keeps the name as given.
    QMap<QString, QPair<QString, TvdxMacrosItem *>> m_macroses;
    QList<TvdxMacrosItem *> m_processList;
    int m_groupLevel = 0;
    int m_dataLevel = 0;
    bool m_processing = false;
};
