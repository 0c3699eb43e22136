#include "report/vdxClass_styles.h"

#include "core/vdXML.h"
#include "core/vdxRes.h"
#include "core/vdxXMLSerializer.h"
#include "platform/AtomicFile.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_view.h"

#include <QFile>

namespace {

QString dupName() { return GetResStrByName(QStringLiteral("clDupName")); }

bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Holds the default-style lock of a style set for a scope.
class DefaultLock {
public:
    explicit DefaultLock(TvdxStyles *s) : m_s(s), m_old(s && s->DefaultStyleLocked())
    {
        if (m_s)
            m_s->SetDefaultStyleLocked(true);
    }
    ~DefaultLock()
    {
        if (m_s)
            m_s->SetDefaultStyleLocked(m_old);
    }
    DefaultLock(const DefaultLock &) = delete;
    DefaultLock &operator=(const DefaultLock &) = delete;

private:
    TvdxStyles *m_s;
    bool m_old;
};

} // namespace

// ---- named items ----------------------------------------------------------------

void TvdxNamedCollectionItem::SetName(const QString &value)
{
    if (auto *c = qobject_cast<TvdxNamedCollection *>(Collection())) {
        TvdxNamedCollectionItem *other = c->FindNamed(value);
        if (other && other != this)
            throw EDuplicateStyleName(dupName());
    }
    if (value != m_name) {
        NameChanged(value, m_name);
        m_name = value;
    }
}

QString TvdxNamedCollectionItem::InheritedName() const
{
    return m_name.isEmpty() ? TvdCollectionItem::InheritedName() : m_name;
}

void TvdxNamedCollectionItem::CreateUniqueName()
{
    auto *c = qobject_cast<TvdxNamedCollection *>(Collection());
    for (int n = 1;; ++n) {
        const QString name = QStringLiteral("Style") + QString::number(n);
        if (!c || !c->FindNamed(name)) {
            SetName(name);
            return;
        }
    }
}

TvdxNamedCollectionItem *TvdxNamedCollection::FindNamed(const QString &name) const
{
    for (TvdBaseCollectionItem *i : ItemList()) {
        auto *n = static_cast<TvdxNamedCollectionItem *>(i);
        if (QString::compare(n->Name(), name, Qt::CaseInsensitive) == 0)
            return n;
    }
    return nullptr;
}

// ---- style items ------------------------------------------------------------------

TvdxCustomStyleItem::TvdxCustomStyleItem()
    : m_font(std::make_unique<TvdFont>()), m_frame(std::make_unique<TvdxFrame>()),
      m_fill(std::make_unique<TvdxBrushFill>())
{
    m_font->SetName(QStringLiteral("Arial"));
    m_font->SetSize(10);
    m_font->SetCharset(1);
    m_font->SetColor(clBlack);
}

TvdxCustomStyleItem::~TvdxCustomStyleItem() = default;

TColor TvdxCustomStyleItem::Color() const
{
    TvdxCustomFill *f = GetActiveFill();
    if (auto *b = qobject_cast<TvdxBrushFill *>(f))
        return b->BackColor();
    if (auto *g = qobject_cast<TvdxGradientFill *>(f))
        return g->GetColor();
    return clNone;
}

void TvdxCustomStyleItem::SetColor(int v)
{
    if (auto *b = qobject_cast<TvdxBrushFill *>(GetActiveFill()))
        b->SetBackColor(v);
}

void TvdxCustomStyleItem::SetFillType(TvdxFillType v)
{
    if (v != FillType())
        if (TvdxCustomFill *f = vdxCreateFill(v))
            SetActiveFill(f);
}

void TvdxCustomStyleItem::SetFill(TvdxCustomFill *v)
{
    if (!v)
        return;
    SetFillType(vdxGetFillType(v));
    GetActiveFill()->Assign(v);
}

void TvdxCustomStyleItem::Assign(const TvdPersistent *source)
{
    if (auto *s = qobject_cast<const TvdxCustomStyleItem *>(source)) {
        SetNameDirect(s->Name());
        SetFillType(s->FillType());
        GetActiveFill()->Assign(s->GetActiveFill());
        GetActiveFont()->Assign(s->GetActiveFont());
        GetActiveFrame()->Assign(s->GetActiveFrame());
        m_applyFont = s->m_applyFont;
        m_applyFill = s->m_applyFill;
        m_applyFrame = s->m_applyFrame;
        SetIsInherited(s->IsInherited());
    } else if (auto *v = qobject_cast<const TvdxView *>(source)) {
        if (m_applyFill)
            SetFill(v->Fill());
        if (m_applyFont)
            GetActiveFont()->Assign(v->Font());
        if (m_applyFrame)
            GetActiveFrame()->Assign(v->Frame());
    }
}

void TvdxStyleSheetItem::NameChanged(const QString &newName, const QString &oldName)
{
    auto *sheets = qobject_cast<TvdxStyleSheets *>(Collection());
    if (!sheets || !sheets->Styles())
        return;
    QStringList &names = sheets->Styles()->StyleSheetNames();
    for (int i = 0; i < names.size(); ++i)
        if (sameName(names[i], oldName)) {
            names.removeAt(i);
            break;
        }
    bool have = false;
    for (const QString &n : names)
        have = have || sameName(n, newName);
    if (!have) {
        names.append(newName);
        names.sort(Qt::CaseInsensitive);
    }
}

// ---- variants ---------------------------------------------------------------------

TvdxStyleSheets::TvdxStyleSheets(TvdxStyles *styles, TvdxStyleItem *parentStyle)
    : TvdxNamedCollection(factoryOf<TvdxStyleSheetItem>()), m_styles(styles), m_parentStyle(parentStyle)
{
}

TvdxStyleSheetItem *TvdxStyleSheets::AddVariant()
{
    auto *v = static_cast<TvdxStyleSheetItem *>(Add());
    if (m_parentStyle)
        v->TvdxCustomStyleItem::Assign(m_parentStyle);
    v->SetNameDirect(QString());
    return v;
}

TvdxStyleSheetItem *TvdxStyleSheets::AddSheet(const QString &name)
{
    TvdxStyleSheetItem *v = AddVariant();
    v->SetNameDirect(name);
    return v;
}

void TvdxStyleSheets::DeleteByName(const QString &name)
{
    for (int i = 0; i < Count(); ++i)
        if (sameName(GetItem(i)->Name(), name)) {
            m_cached = nullptr;
            Delete(i);
            return;
        }
}

TvdxStyleSheetItem *TvdxStyleSheets::Find(const QString &name) const
{
    return static_cast<TvdxStyleSheetItem *>(FindNamed(name));
}

TvdxStyleSheetItem *TvdxStyleSheets::GetSheetItem(const QString &name) const
{
    if (m_cached && IndexOfItem(m_cached) >= 0 && m_cached->Name() == name)
        return m_cached;
    m_cached = Find(name);
    return m_cached;
}

void TvdxStyleSheets::UpdateSheets(QStringList &list)
{
    auto has = [&](const QString &n) {
        for (const QString &s : list)
            if (sameName(s, n))
                return true;
        return false;
    };
    for (int i = 0; i < Count(); ++i)
        if (!has(GetItem(i)->Name()))
            list.append(GetItem(i)->Name());
    list.sort(Qt::CaseInsensitive);
    for (const QString &n : list)
        if (!Find(n))
            AddSheet(n);
}

// ---- styles -----------------------------------------------------------------------

TvdxStyleItem::~TvdxStyleItem() = default;

TvdxStyles *TvdxStyleItem::Styles() const { return qobject_cast<TvdxStyles *>(Collection()); }

void TvdxStyleItem::Joining(TvdBaseCollection *collection)
{
    TvdxCustomStyleItem::Joining(collection);
    auto *styles = qobject_cast<TvdxStyles *>(collection);
    m_sheets = std::make_unique<TvdxStyleSheets>(styles, this);
    if (styles && styles->UpdateCount() == 0)
        m_sheets->UpdateSheets(styles->StyleSheetNames());
}

TvdxStyleSheetItem *TvdxStyleItem::activeVariant() const
{
    TvdxStyles *s = Styles();
    if (!s || !m_sheets || s->ActiveStyleSheet().isEmpty())
        return nullptr;
    return m_sheets->GetSheetItem(s->ActiveStyleSheet());
}

TvdFont *TvdxStyleItem::GetActiveFont() const
{
    TvdxStyleSheetItem *v = activeVariant();
    return v ? v->GetActiveFont() : m_font.get();
}

TvdxCustomFill *TvdxStyleItem::GetActiveFill() const
{
    TvdxStyleSheetItem *v = activeVariant();
    return v ? v->GetActiveFill() : m_fill.get();
}

void TvdxStyleItem::SetActiveFill(TvdxCustomFill *fill)
{
    if (TvdxStyleSheetItem *v = activeVariant())
        v->SetActiveFill(fill);
    else
        m_fill.reset(fill);
}

TvdxFrame *TvdxStyleItem::GetActiveFrame() const
{
    TvdxStyleSheetItem *v = activeVariant();
    return v ? v->GetActiveFrame() : m_frame.get();
}

void TvdxStyleItem::Assign(const TvdPersistent *source)
{
    TvdxCustomStyleItem::Assign(source);
    auto *s = qobject_cast<const TvdxStyleItem *>(source);
    if (s && s->m_sheets && m_sheets) {
        m_sheets->Clear();
        for (int i = 0; i < s->m_sheets->Count(); ++i)
            m_sheets->AddVariant()->TvdxCustomStyleItem::Assign(s->m_sheets->GetItem(i));
    }
}

void TvdxStyleItem::WriteProperties(TvdXMLItem *item, TvdCollectionItem *ancestor, TvdComponent *owner)
{
    auto *anc = qobject_cast<TvdxStyleItem *>(ancestor);
    SaveCollectionToXMLItem(m_sheets.get(), QStringLiteral("StyleSheet"), item, true,
                            anc ? anc->m_sheets.get() : nullptr, owner);
}

void TvdxStyleItem::ReadProperties(const QString &, TvdXMLItem *item, TvdCollectionItem *)
{
    if (!m_sheets)
        return;
    m_sheets->Clear();
    LoadCollectionFromXMLItem(m_sheets.get(), item, nullptr, nullptr);
}

// ---- the style set -----------------------------------------------------------------

TvdxStyles::TvdxStyles(TvdxReport *report)
    : TvdxNamedCollection(factoryOf<TvdxStyleItem>()), m_report(report)
{
}

TvdxStyles::~TvdxStyles() = default;

void TvdxStyles::GetList(QStringList &list) const
{
    list.clear();
    for (int i = 0; i < Count(); ++i)
        list << GetItem(i)->Name();
}

void TvdxStyles::ClearAll()
{
    m_activeStyleSheet.clear();
    Clear();
    m_sheetNames.clear();
    m_styleBookMode = {};
}

void TvdxStyles::UpdateSheets()
{
    if (UpdateCount() > 0)
        return;
    for (int i = 0; i < Count(); ++i)
        if (GetItem(i)->StyleSheet())
            GetItem(i)->StyleSheet()->UpdateSheets(m_sheetNames);
}

void TvdxStyles::EndUpdate()
{
    TvdxNamedCollection::EndUpdate();
    UpdateSheets();
}

void TvdxStyles::addSheetName(const QString &name)
{
    for (const QString &n : m_sheetNames)
        if (sameName(n, name))
            return;
    m_sheetNames.append(name);
    m_sheetNames.sort(Qt::CaseInsensitive);
}

QString TvdxStyles::AddStyleSheet()
{
    QString name;
    for (int n = 1;; ++n) {
        name = QStringLiteral("StyleSheet") + QString::number(n);
        bool used = false;
        for (const QString &s : m_sheetNames)
            used = used || sameName(s, name);
        if (!used)
            break;
    }
    addSheetName(name);
    UpdateSheets();
    return name;
}

void TvdxStyles::DeleteStyleSheet(const QString &name)
{
    if (name == m_activeStyleSheet)
        SetActiveStyleSheet(QString());
    for (int i = 0; i < Count(); ++i)
        if (GetItem(i)->StyleSheet())
            GetItem(i)->StyleSheet()->DeleteByName(name);
    for (int i = 0; i < m_sheetNames.size(); ++i)
        if (sameName(m_sheetNames[i], name)) {
            m_sheetNames.removeAt(i);
            break;
        }
}

bool TvdxStyles::RenameStyleSheet(const QString &name, const QString &newName)
{
    auto has = [&](const QString &n) {
        for (const QString &s : m_sheetNames)
            if (sameName(s, n))
                return true;
        return false;
    };
    if (!has(name))
        return false;
    if (has(newName))
        throw EDuplicateName(GetResStrByName(QStringLiteral("prDupl")));
    bool renamed = false;
    for (int i = 0; i < Count(); ++i) {
        TvdxStyleSheets *sheets = GetItem(i)->StyleSheet();
        if (!sheets)
            continue;
        sheets->BeginUpdate();
        try {
            if (TvdxStyleSheetItem *v = sheets->Find(name)) {
                v->SetName(newName);
                renamed = true;
            }
        } catch (...) {
            sheets->EndUpdate();
            throw;
        }
        sheets->EndUpdate();
    }
    if (renamed && m_activeStyleSheet == name)
        m_activeStyleSheet = newName;
    return renamed;
}

void TvdxStyles::GetStyleSheetList(QStringList &list) const
{
    list = m_sheetNames;
    // Resource 3880 is "Default"; the key answers itself when the table lacks it.
    QString def = GetResStr(3880);
    if (def == QLatin1String("3880"))
        def = QStringLiteral("Default");
    list.prepend(def);
}

void TvdxStyles::SetActiveStyleSheet(const QString &value)
{
    if (!m_styleBookMode)
        return;
    if (!value.isEmpty()) {
        bool known = false;
        for (const QString &s : m_sheetNames)
            known = known || sameName(s, value);
        if (!known)
            return;
    }
    m_activeStyleSheet = value;
}

void TvdxStyles::SetStyleBookMode(TvdxStyleBookModes value)
{
    if (!value)
        SetActiveStyleSheet(QString());
    m_styleBookMode = value;
}

void TvdxStyles::Assign(const TvdPersistent *source)
{
    auto *s = qobject_cast<const TvdxStyles *>(source);
    DefaultLock l1(this);
    DefaultLock l2(const_cast<TvdxStyles *>(s));
    if (s) {
        m_sheetNames = s->m_sheetNames;
        m_activeStyleSheet = s->m_activeStyleSheet;
        m_styleBookMode = s->m_styleBookMode;
    }
    TvdxNamedCollection::Assign(source);
}

void TvdxStyles::AssignAsPreview(const TvdxStyles *source)
{
    if (source && source->m_styleBookMode.testFlag(fsbPreview))
        Assign(source);
}

void TvdxStyles::Apply()
{
    if (!m_report)
        return;
    for (TvdxComponent *c : m_report->AllObjects())
        if (auto *v = qobject_cast<TvdxView *>(c); v && !v->Style().isEmpty())
            v->SetStyle(Find(v->Style()) ? v->Style() : QString());
}

void TvdxStyles::UpdateFromObjects(const QList<TvdxView *> &list)
{
    for (TvdxView *v : list)
        if (TvdxStyleItem *s = Find(v->Style()); s && !v->Style().isEmpty())
            s->Assign(v);
    Apply();
}

void TvdxStyles::SaveToXMLItem(TvdXMLItem *item, TvdxStyles *ancestor)
{
    DefaultLock l1(this);
    DefaultLock l2(ancestor);
    SaveCollectionToXMLItem(this, QString(), item, false, ancestor, m_report);
    if (!Name.isEmpty())
        item->SetProp(QStringLiteral("Name"), Name);
    if (m_styleBookMode)
        item->SetProp(QStringLiteral("StyleBookMode"), QString::number(int(m_styleBookMode)));
    if (!m_activeStyleSheet.isEmpty())
        item->SetProp(QStringLiteral("ActiveStyleSheet"), m_activeStyleSheet);
}

void TvdxStyles::LoadFromXMLItem(TvdXMLItem *item, TvdxStyles *ancestor, bool oldXMLFormat)
{
    Q_UNUSED(oldXMLFormat)
    Clear();
    Name = item->GetProp(QStringLiteral("Name"));
    LoadCollectionFromXMLItem(this, item, m_report, ancestor);
    bool ok = false;
    const int mode = item->GetProp(QStringLiteral("StyleBookMode")).toInt(&ok);
    m_styleBookMode = TvdxStyleBookModes(ok ? mode & 3 : 0);
    SetActiveStyleSheet(item->GetProp(QStringLiteral("ActiveStyleSheet")));
    Apply();
}

void TvdxStyles::SaveToStream(QIODevice &stream)
{
    TvdXMLDocument doc;
    doc.SetAutoIndent(true);
    doc.Root()->SetName(QStringLiteral("style"));
    SaveToXMLItem(doc.Root());
    doc.SaveToStream(stream);
}

void TvdxStyles::LoadFromStream(QIODevice &stream)
{
    // Parsed first: a broken file leaves the styles as they were.
    TvdXMLDocument doc;
    doc.LoadFromStream(stream);
    Clear();
    if (doc.Root()->Name().compare(QLatin1String("style"), Qt::CaseInsensitive) == 0)
        LoadFromXMLItem(doc.Root(), nullptr, doc.OldVersion());
}

void TvdxStyles::SaveToFile(const QString &fileName)
{
    const TvdSaveResult r = vdAtomicSave(fileName, [this](QIODevice &f) { SaveToStream(f); });
    vdRaiseSaveError<EFCreateError, EFWriteError>(fileName, r);
}

void TvdxStyles::LoadFromFile(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(f.errorString());
    LoadFromStream(f);
}

// ---- schemes -----------------------------------------------------------------------

void TvdxStyleScheme::Clear()
{
    qDeleteAll(m_items);
    m_items.clear();
}

void TvdxStyleScheme::Delete(int index) { delete m_items.takeAt(index); }

TvdxStyles *TvdxStyleScheme::Add()
{
    m_items.append(new TvdxStyles(nullptr));
    return m_items.last();
}

int TvdxStyleScheme::IndexOf(const QString &name) const
{
    for (int i = 0; i < m_items.size(); ++i)
        if (sameName(m_items[i]->Name, name))
            return i;
    return -1;
}

TvdxStyles *TvdxStyleScheme::Find(const QString &name) const
{
    const int i = IndexOf(name);
    return i >= 0 ? m_items[i] : nullptr;
}

void TvdxStyleScheme::GetList(QStringList &list) const
{
    list.clear();
    for (TvdxStyles *s : m_items)
        list << s->Name;
}

void TvdxStyleScheme::SaveToStream(QIODevice &stream)
{
    TvdXMLDocument doc;
    doc.SetAutoIndent(true);
    doc.Root()->SetName(QStringLiteral("stylesheet"));
    for (TvdxStyles *s : m_items)
        s->SaveToXMLItem(doc.Root()->Add(QStringLiteral("style")));
    doc.SaveToStream(stream);
}

void TvdxStyleScheme::LoadFromStream(QIODevice &stream)
{
    TvdXMLDocument doc;
    doc.LoadFromStream(stream);
    Clear();
    if (doc.Root()->Name().compare(QLatin1String("stylesheet"), Qt::CaseInsensitive) != 0)
        return;
    for (int i = 0; i < doc.Root()->Count(); ++i)
        if (doc.Root()->Items(i)->Name().compare(QLatin1String("style"), Qt::CaseInsensitive) == 0)
            Add()->LoadFromXMLItem(doc.Root()->Items(i), nullptr, doc.OldVersion());
}

void TvdxStyleScheme::SaveToFile(const QString &fileName)
{
    const TvdSaveResult r = vdAtomicSave(fileName, [this](QIODevice &f) { SaveToStream(f); });
    vdRaiseSaveError<EFCreateError, EFWriteError>(fileName, r);
}

void TvdxStyleScheme::LoadFromFile(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(f.errorString());
    LoadFromStream(f);
}
