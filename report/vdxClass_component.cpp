#include "report/vdxClass_component.h"
#include "core/vdThreading.h"
#include "core/vdUtils.h"
#include "core/vdVariant.h"
#include "core/vdxRes.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_view.h"
#include "report/vdxShiftObject.h"

#include <QMap>
#include <QPointer>
#include <algorithm>
#include <cmath>

namespace {
constexpr int kMaxDepth = 512;

QString resText(const char *key, const char *fallback)
{
    const QString k = QString::fromLatin1(key);
    const QString t = GetResStrByName(k);
    return (t.isEmpty() || t == k) ? QString::fromLatin1(fallback) : t;
}
} // namespace

// ---------------------------------------------------------------------------
int TvdxObjectsNotifyList::IndexOf(const TvdxComponent *item) const
{
    if (m_fromEnd)
        return int(m_items.lastIndexOf(const_cast<TvdxComponent *>(item)));
    return int(m_items.indexOf(const_cast<TvdxComponent *>(item)));
}

void TvdxObjectsNotifyList::Add(TvdxComponent *item)
{
    m_items.append(item);
    if (OnNotify)
        OnNotify(item, lnAdded);
}

void TvdxObjectsNotifyList::Insert(int index, TvdxComponent *item)
{
    m_items.insert(std::clamp(index, 0, Count()), item);
    if (OnNotify)
        OnNotify(item, lnAdded);
}

int TvdxObjectsNotifyList::Remove(TvdxComponent *item)
{
    const int i = IndexOf(item);
    if (i >= 0)
        Delete(i);
    return i;
}

void TvdxObjectsNotifyList::Delete(int index)
{
    TvdxComponent *item = m_items.takeAt(index);
    if (OnNotify)
        OnNotify(item, lnDeleted);
}

void TvdxObjectsNotifyList::Move(int from, int to)
{
    if (from < 0 || from >= Count())
        return;
    m_items.move(from, std::clamp(to, 0, Count() - 1));
}

// ---------------------------------------------------------------------------
TvdxComponent *TvdxNameIndex::FindKey(const TvdNameKey &key) const
{
    const auto it = m_map.constFind(key);
    return it == m_map.cend() ? nullptr : it->obj;
}

void TvdxNameIndex::AddKey(const QString &name, const TvdNameKey &key, TvdxComponent *obj)
{
    if (name.isEmpty())
        return;
    // Entries never hold an empty name: an empty one was made just now.
    Entry &e = m_map[key];
    if (e.name.isEmpty())
        e = Entry{name, obj};
}

void TvdxNameIndex::Remove(const QString &name) { m_map.remove(TvdNameKey::Lowered(name)); }

void TvdxNameIndex::Remove(const QString &name, const TvdxComponent *obj)
{
    if (name.isEmpty())
        return; // never entered
    const auto it = m_map.find(TvdNameKey::Lowered(name));
    if (it != m_map.end() && it->obj == obj)
        m_map.erase(it);
}

int TvdxNameIndex::CountBetween(const QString &lo, const QString &hi) const
{
    // Keys after lo and before hi. A range given the wrong way round counts
    // as the sorted walk from lo's end did: nothing when no key lies between
    // them, else every key after lo.
    const TvdNameKey klo = TvdNameKey::Lowered(lo), khi = TvdNameKey::Lowered(hi);
    const bool bounded = klo < khi;
    if (!bounded) {
        bool between = false;
        for (auto it = m_map.cbegin(); it != m_map.cend() && !between; ++it)
            between = !(it.key() < khi) && !(klo < it.key());
        if (!between)
            return 0;
    }
    int n = 0;
    for (auto it = m_map.cbegin(); it != m_map.cend(); ++it)
        if (klo < it.key() && (!bounded || it.key() < khi))
            ++n;
    return n;
}

QStringList TvdxNameIndex::Names() const
{
    QList<QPair<TvdNameKey, QString>> sorted;
    sorted.reserve(m_map.size());
    for (auto it = m_map.cbegin(); it != m_map.cend(); ++it)
        sorted.append({it.key(), it->name});
    std::sort(sorted.begin(), sorted.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList out;
    out.reserve(sorted.size());
    for (const auto &p : sorted)
        out.append(p.second);
    return out;
}

// ---------------------------------------------------------------------------
static TvdComponent *frameworkOwner(TvdComponent *owner)
{
    if (auto *c = qobject_cast<TvdxComponent *>(owner))
        {
        TvdxReport *r = c->Report();
        return r;
    }
    return owner;
}

QString TvdxComponent::baseNameOf(const QString &className)
{
    QString s = className;
    qsizetype i = s.indexOf(QLatin1String("Tvdx"));
    if (i >= 0)
        s.remove(i, 4);
    i = s.indexOf(QLatin1String("View"));
    if (i >= 0)
        s.remove(i, 4);
    return s;
}

TvdxComponent::TvdxComponent(TvdComponent *owner) : TvdCustomComponent(frameworkOwner(owner))
{
    m_vdStyle = csPreviewVisible;
    m_objects.OnNotify = [this](TvdxComponent *item, TvdxObjectsNotifyList::Action a) { ObjectListNotify(item, a); };
    m_visible = true;
    m_parentFont = true;
    if (auto *p = qobject_cast<TvdxComponent *>(owner))
        SetParent(p);
    m_anchors = TvdxAnchors(vdaLeft | vdaTop);
}

TvdxComponent::~TvdxComponent()
{
    m_componentEditors = nullptr;
    if (m_sortedObjects)
        m_sortedObjects->Clear();
    detachFromParent(false);
    Clear();
    // Ancestor objects that Clear keeps go with their parent.
    m_objects.SetSearchFromEnd(true);
    while (m_objects.Count() > 0)
        delete m_objects.Items(m_objects.Count() - 1);
    if (m_font)
        m_font->OnChange = nullptr;
    if (m_selectList)
        m_selectList->removeAll(this);
}

// The base name needs the final class: the constructor of the base cannot see it.
QString TvdxComponent::BaseName() const
{
    return m_baseName.isEmpty() ? baseNameOf(ClassName()) : m_baseName;
}

const QList<TvdxComponent *> &TvdxComponent::AllObjects()
{
    m_allObjects.clear();
    fillAll(m_allObjects, 0);
    return m_allObjects;
}

QList<TvdxComponent *> TvdxComponent::GetAllObjects() const
{
    QList<TvdxComponent *> list;
    fillAll(list, 0);
    return list;
}

void TvdxComponent::fillAll(QList<TvdxComponent *> &list, int depth) const
{
    if (depth > kMaxDepth)
        return;
    for (TvdxComponent *c : m_objects.List()) {
        list.append(c);
        c->fillAll(list, depth + 1);
    }
}

void TvdxComponent::SetParent(TvdxComponent *value)
{
    if (value == m_parent)
        return;
    // A component cannot hang below itself.
    for (TvdxComponent *p = value; p; p = p->m_parent)
        if (p == this)
            return;
    if (!value) {
        detachFromParent(true);
        return;
    }
    if (m_parent)
        m_parent->m_objects.Remove(this);
    value->m_objects.Add(this);
    m_parent = value;
    SetParentFont(m_parentFont);
}

void TvdxComponent::detachFromParent(bool keepFont)
{
    if (!m_parent)
        return;
    // A font still taken from the parent is kept as it was when the parent goes.
    if (keepFont && m_parentFont)
        Font();
    m_parent->m_objects.Remove(this);
    m_parent = nullptr;
}

void TvdxComponent::SetParentComponent(TvdComponent *parent) { SetParent(qobject_cast<TvdxComponent *>(parent)); }

QList<TvdComponent *> TvdxComponent::GetChildren() const
{
    QList<TvdComponent *> out;
    out.reserve(m_objects.Count());
    for (TvdxComponent *c : m_objects.List())
        out.append(c);
    return out;
}

TvdxPage *TvdxComponent::Page() const
{
    for (const TvdxComponent *c = this; c; c = c->m_parent)
        if (auto *p = qobject_cast<TvdxPage *>(const_cast<TvdxComponent *>(c)))
            return p;
    return nullptr;
}

TvdxReport *TvdxComponent::Report() const
{
    int depth = 0;
    for (const TvdxComponent *c = m_parent; c && depth < kMaxDepth; c = c->m_parent, ++depth)
        if (auto *r = qobject_cast<TvdxReport *>(const_cast<TvdxComponent *>(c)))
            return r;
    return nullptr;
}

TvdxComponent *TvdxComponent::TopParent() const
{
    TvdxComponent *top = m_parent;
    while (top && top->m_parent)
        top = top->m_parent;
    return top;
}

TvdxReport *TvdxComponent::GetGlobalReport() const
{
    if (TvdxReport *r = Report())
        return r;
    for (const TvdxComponent *c = m_parent; c; c = c->m_parent)
        if (auto *p = qobject_cast<const TvdxReportPage *>(c))
            if (p->PageReport())
                return p->PageReport();
    return nullptr;
}

void TvdxComponent::Clear()
{
    if (m_sortedObjects)
        m_sortedObjects->Clear();
    m_objects.SetSearchFromEnd(true);
    for (int i = m_objects.Count() - 1; i >= 0; --i) {
        if (i >= m_objects.Count())
            continue;
        TvdxComponent *c = m_objects.Items(i);
        if (c->HasState(csAncestor))
            c->Clear();
        else
            delete c;
    }
    m_objects.SetSearchFromEnd(false);
}

TvdComponent *TvdxComponent::FindObject(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    QList<TvdxComponent *> all;
    fillAll(all, 0);
    for (TvdxComponent *c : all)
        if (c->Name().compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

// ---------------------------------------------------------------------------
void TvdxComponent::addNames(TvdxComponent *obj, TvdxNameIndex &index)
{
    index.Add(obj->Name(), obj);
    QList<TvdxComponent *> all;
    obj->fillAll(all, 0);
    for (TvdxComponent *c : all)
        index.Add(c->Name(), c);
}

void TvdxComponent::removeNames(TvdxComponent *obj, TvdxNameIndex &index)
{
    index.Remove(obj->Name(), obj);
    QList<TvdxComponent *> all;
    obj->fillAll(all, 0);
    for (TvdxComponent *c : all)
        index.Remove(c->Name(), c);
}

void TvdxComponent::buildIndex(TvdxComponent *obj, TvdxNameIndex &index, int depth) const
{
    if (depth > kMaxDepth)
        return;
    index.Add(obj->Name(), obj);
    for (TvdxComponent *c : obj->m_objects.List())
        buildIndex(c, index, depth + 1);
}

TvdxNameIndex *TvdxComponent::GetSortedObjects()
{
    if (TvdxComponent *top = TopParent())
        return top->GetSortedObjects();
    if (!m_sortedObjects) {
        m_sortedObjects = std::make_unique<TvdxNameIndex>();
        if (!HasState(csDestroying))
            buildIndex(this, *m_sortedObjects, 0);
    }
    return m_sortedObjects.get();
}

void TvdxComponent::ObjectListNotify(TvdxComponent *item, TvdxObjectsNotifyList::Action action)
{
    // An unnamed object may still hold named ones.
    if (!item || (item->Name().isEmpty() && item->m_objects.Count() == 0))
        return;
    if (action == TvdxObjectsNotifyList::lnDeleted) {
        TvdxNameIndex *index = nullptr;
        if (m_parent)
            index = TopParent()->m_sortedObjects.get();
        else
            index = m_sortedObjects.get();
        if (index && index->Count() > 0)
            removeNames(item, *index);
    } else if (action == TvdxObjectsNotifyList::lnAdded) {
        addNames(item, *GetSortedObjects());
        item->m_sortedObjects.reset();
    }
}

void TvdxComponent::SetName(const QString &value)
{
    if (value.compare(Name(), Qt::CaseInsensitive) == 0)
        return;
    TvdxReport *report = Report();
    if (!report)
        report = qobject_cast<TvdxReport *>(this);
    if (!value.isEmpty() && report) {
        TvdxComponent *other = GetSortedObjects()->Find(value);
        if (other && other != this)
            throw EDuplicateName(resText("prDupl", "Duplicate name"));
        if (IsAncestor())
            throw Exception(
                resText("clCantRen", "Could not rename %s, it was introduced in the ancestor report")
                    .replace(QLatin1String("%s"), Name()));
    }
    if (!value.isEmpty() && !vdIsValidIdent(value))
        throw EComponentError(QStringLiteral("''%1'' is not a valid component name").arg(value));
    const QString old = Name();
    TvdCustomComponent::SetName(value);
    if (report) {
        TvdxNameIndex *index = GetSortedObjects();
        // A name given up is free for others again.
        index->Remove(old, this);
        index->AddKey(value, NameKey(), this);
    }
}

void TvdxComponent::CreateUniqueName(TvdxReport *defaultReport)
{
    TvdxNameIndex *own = GetSortedObjects();
    TvdxNameIndex *index = defaultReport ? defaultReport->GetSortedObjects() : own;
    QStringList added;
    if (index != own)
        for (const QString &n : own->Names())
            if (!index->Contains(n)) {
                index->Add(n, nullptr);
                added.append(n);
            }
    const QString base = BaseName();
    auto taken = [&](int n) { return index->Contains(base + QString::number(n)); };
    int n = 1;
    if (index->Count() >= 4) {
        n = index->CountBetween(base + QLatin1Char('0'), base + QLatin1Char('A'));
        while (n > 0 && !taken(n))
            --n;
        n = std::max(n, 1);
    }
    while (taken(n))
        ++n;
    for (const QString &a : added)
        index->Remove(a, nullptr);
    const QString name = base + QString::number(n);
    SetName(name);
    if (!defaultReport || index == own)
        index->Add(name, this);
    else
        own->Add(name, this);
}

// ---------------------------------------------------------------------------
void TvdxComponent::SetIsDesigning(bool value)
{
    m_vdState.setFlag(csVdxDesigning, value);
}

void TvdxComponent::SetIsWriting(bool value) { m_vdState.setFlag(csVdxWriting, value); }

void TvdxComponent::SetIsSelected(bool value)
{
    if (!value && m_selectList) {
        m_selectList->removeAll(this);
        m_selectList = nullptr;
    }
}

void TvdxComponent::SetLeft(long double value)
{
    if (IsDesigning() && Restrictions().testFlag(rfDontMove))
        return;
    m_left = value;
}

void TvdxComponent::SetTop(long double value)
{
    if (IsDesigning() && Restrictions().testFlag(rfDontMove))
        return;
    m_top = value;
}

void TvdxComponent::SetWidth(long double value)
{
    if (IsDesigning() && Restrictions().testFlag(rfDontSize))
        return;
    if (m_objects.Count() > 0 && std::fabs(double(value - m_width)) > 0.01)
        ApplyAnchors(value - m_width, 0);
    m_width = value;
}

void TvdxComponent::SetHeight(long double value)
{
    if (IsDesigning() && Restrictions().testFlag(rfDontSize))
        return;
    if (m_objects.Count() > 0 && std::fabs(double(value - m_height)) > 0.01)
        ApplyAnchors(0, value - m_height);
    m_height = value;
}

void TvdxComponent::SetBounds(long double aLeft, long double aTop, long double aWidth, long double aHeight)
{
    SetLeft(aLeft);
    SetTop(aTop);
    SetWidth(aWidth);
    SetHeight(aHeight);
}

void TvdxComponent::vdxSetBound(char which, double value)
{
    switch (which) {
    case 'l': SetLeft(value); break;
    case 't': SetTop(value); break;
    case 'w': SetWidth(value); break;
    case 'h': SetHeight(value); break;
    default: break;
    }
}

long double TvdxComponent::AbsLeft() const
{
    if (!m_parent || qobject_cast<TvdxDialogPage *>(m_parent))
        return m_left;
    return m_left + m_parent->AbsLeft();
}

long double TvdxComponent::AbsTop() const
{
    if (!m_parent || qobject_cast<TvdxDialogPage *>(m_parent))
        return m_top;
    return m_top + m_parent->AbsTop();
}

void TvdxComponent::SetAnchors(TvdxAnchors value) { m_anchors = value; }

void TvdxComponent::ApplyAnchors(long double deltaX, long double deltaY)
{
    if (m_anchorsUpdating)
        return;
    m_anchorsUpdating = true;
    try {
        const QList<TvdxComponent *> children = m_objects.List();
        for (TvdxComponent *c : children) {
            if (c->m_anchorsUpdating)
                continue;
            const TvdxAnchors a = c->Anchors();
            if (a.testFlag(vdaRight)) {
                if (a.testFlag(vdaLeft))
                    c->SetWidth(c->Width() + deltaX);
                else
                    c->SetLeft(c->Left() + deltaX);
            } else if (!a.testFlag(vdaLeft)) {
                c->SetLeft(c->Left() + std::nearbyint(double(deltaX / 1.18L)));
            }
            if (a.testFlag(vdaBottom)) {
                if (a.testFlag(vdaTop))
                    c->SetHeight(c->Height() + deltaY);
                else
                    c->SetTop(c->Top() + deltaY);
            } else if (!a.testFlag(vdaTop)) {
                c->SetTop(c->Top() + std::nearbyint(double(deltaY / 1.18L)));
            }
        }
    } catch (...) {
        m_anchorsUpdating = false;
        throw;
    }
    m_anchorsUpdating = false;
}

void TvdxComponent::ApplyMirrorMode(TvdxMirrorControlModes modes)
{
    if (modes.testFlag(mcmOnlyAllowed) && !IsSelected() && !m_allowMirrorMode)
        return;
    MirrorContent(modes);
    if (!m_parent)
        return;
    const bool childless = m_objects.Count() == 0;
    const bool band = qobject_cast<TvdxBand *>(this) != nullptr;
    if ((modes.testFlag(mcmRTLObjects) && childless) || (modes.testFlag(mcmRTLBands) && band))
        SetLeft(m_parent->Width() - Left() - Width());
    if ((modes.testFlag(mcmBTTObjects) && childless) || (modes.testFlag(mcmBTTBands) && band))
        SetTop(m_parent->Height() - Top() - Height());
}

void TvdxComponent::AlignChildren(bool ignoreInvisible, TvdxMirrorControlModes modes)
{
    if (m_objects.Count() == 0)
        return;
    QList<TvdxView *> parts;
    QMultiMap<QString, TvdxView *> sorted;
    for (TvdxComponent *c : m_objects.List()) {
        auto *v = qobject_cast<TvdxView *>(c);
        if (!v || v->Align() == TvdxView::baHidden || (ignoreInvisible && !v->Visible()))
            continue;
        v->ApplyMirrorMode(modes);
        parts.append(v);
        const double l = double(v->Left());
        const QString key = l >= 0 ? QStringLiteral("1") + QString::asprintf("%9.2f", l)
                                   : QStringLiteral("0") + QString::asprintf("%9.2f", -l);
        sorted.insert(key, v);
    }
    // Equal keys keep their insertion order.
    QList<TvdxView *> list;
    for (auto it = sorted.keyBegin(); it != sorted.keyEnd(); ++it) {
        QList<TvdxView *> same = sorted.values(*it);
        std::reverse(same.begin(), same.end());
        list.append(same);
    }
    const TvdRectF area = GetClientArea();
    auto overlaps = [](TvdxView *a, TvdxView *b) {
        const long double at = a->AbsTop(), bt = b->AbsTop();
        return at < bt + b->Height() - 0.0001L && bt < at + a->Height() - 0.0001L;
    };
    for (int i = 0; i < list.size(); ++i) {
        TvdxView *v = list[i];
        if (v->Align() != TvdxView::baLeft && v->Align() != TvdxView::baWidth)
            continue;
        TvdxView *nb = nullptr;
        for (int j = i - 1; j >= 0; --j) {
            TvdxView *c = list[j];
            if (v->Align() == TvdxView::baWidth && c->Left() > v->Left())
                continue;
            if (overlaps(v, c)) {
                nb = c;
                break;
            }
        }
        v->SetLeft(nb ? nb->Left() + nb->Width() : (long double)area.Left);
    }
    for (int i = int(list.size()) - 1; i >= 0; --i) {
        TvdxView *v = list[i];
        if (v->Align() != TvdxView::baRight && v->Align() != TvdxView::baWidth)
            continue;
        TvdxView *nb = nullptr;
        for (int j = i + 1; j < list.size(); ++j) {
            TvdxView *c = list[j];
            if (v->Align() == TvdxView::baWidth && c->Left() + c->Width() < v->Left() + v->Width())
                continue;
            if (overlaps(v, c)) {
                nb = c;
                break;
            }
        }
        const long double edge = nb ? nb->Left() : (long double)area.Right;
        if (v->Align() == TvdxView::baRight)
            v->SetLeft(edge - v->Width());
        else
            v->SetWidth(edge - v->Left());
    }
    for (TvdxView *v : parts) {
        switch (v->Align()) {
        case TvdxView::baCenter: v->SetLeft((area.Right - v->Width()) / 2); break;
        case TvdxView::baBottom: v->SetTop(area.Bottom - v->Height()); break;
        case TvdxView::baClient: v->SetBounds(area.Left, area.Top, area.Right, area.Bottom); break;
        default: break;
        }
        v->AlignChildren(ignoreInvisible, modes);
    }
}

TvdRectF TvdxComponent::GetClientArea() const { return vdRectF(0, 0, double(m_width), double(m_height)); }

bool TvdxComponent::IsContain(double x, double y) const
{
    const double dx = m_width == 0 ? 4 : 0;
    const double dy = (m_height == 0 && m_width != 0) ? 4 : 0;
    const double l = double(AbsLeft()), t = double(AbsTop());
    return l - dx <= x && x <= l + double(m_width) + dx && t - dy <= y && y <= t + double(m_height) + dy;
}

bool TvdxComponent::IsInRect(const TvdRectF &r) const
{
    const double l = double(AbsLeft()), t = double(AbsTop());
    const double rr = l + double(m_width), b = t + double(m_height);
    return !(l > r.Right || rr < r.Left || t > r.Bottom || b < r.Top);
}

TvdxComponent *TvdxComponent::GetContainedComponent(double x, double y, TvdxComponent *isCanContain)
{
    const bool inside = IsContain(x, y);
    if (!inside && m_objects.Count() == 0)
        return nullptr;
    TvdxComponent *result = (m_objects.Count() == 0 || inside) ? this : nullptr;
    for (int i = m_objects.Count() - 1; i >= 0; --i) {
        TvdxComponent *c = m_objects.Items(i)->GetContainedComponent(x, y, isCanContain);
        if (c && !qobject_cast<TvdxNullBand *>(c)) {
            result = c;
            break;
        }
    }
    if (result == this && (isCanContain == this || !IsAcceptControl(isCanContain)))
        result = nullptr;
    return result;
}

void TvdxComponent::GetContainedComponents(const TvdRectF &rect, const QMetaObject *inheriteFrom,
                                           QList<TvdxComponent *> *components, bool selectContainers)
{
    if (!components)
        return;
    const bool inRect = IsInRect(rect);
    if (!inRect && m_objects.Count() == 0)
        return;
    if (!components->contains(this) && (selectContainers || !m_vdStyle.testFlag(csObjectsContainer))
        && (m_objects.Count() == 0 || inRect) && (!inheriteFrom || metaObject()->inherits(inheriteFrom)))
        components->append(this);
    for (TvdxComponent *c : m_objects.List())
        c->GetContainedComponents(rect, inheriteFrom, components, false);
}

bool TvdxComponent::IsAcceptControl(TvdxComponent *control) const
{
    if (!control)
        return true;
    return IsAcceptControls() && control != this && control->IsAcceptAsChild(const_cast<TvdxComponent *>(this))
           && !control->vdComponentStyle().testFlag(csContained);
}

// ---------------------------------------------------------------------------
const TvdFont *TvdxComponent::inheritedFont() const
{
    // That of the nearest parent with a font of its own; none means the
    // default font.
    const TvdxComponent *from = m_parent;
    while (from && !from->m_font && from->m_parentFont)
        from = from->m_parent;
    return from ? from->m_font.get() : nullptr;
}

TvdFont *TvdxComponent::makeFont() const
{
    auto font = std::make_unique<TvdFont>();
    font->SetPixelsPerInch(96);
    if (m_parentFont)
        if (const TvdFont *from = inheritedFont())
            font->Assign(from);
    auto *self = const_cast<TvdxComponent *>(this);
    font->OnChange = [self] { self->FontChanged(); };
    m_font = std::move(font);
    return m_font.get();
}

void TvdxComponent::SetFont(TvdFont *value)
{
    if (value)
        Font()->Assign(value);
    SetParentFont(false);
}

void TvdxComponent::SetParentFont(bool value)
{
    if (value && m_parent) {
        // Without a font of its own it takes the parent's when first asked.
        if (m_font) {
            if (const TvdFont *from = inheritedFont()) {
                SetFont(const_cast<TvdFont *>(from));
            } else {
                TvdFont plain;
                plain.SetPixelsPerInch(96);
                SetFont(&plain);
            }
        }
    } else if (!value) {
        Font();
    }
    m_parentFont = value;
}

void TvdxComponent::SetVisible(bool value) { m_visible = value; }

void TvdxComponent::FontChanged()
{
    m_parentFont = false;
    const QList<TvdxComponent *> children = m_objects.List();
    for (TvdxComponent *c : children)
        if (c->ParentFont())
            c->SetParentFont(true);
}

bool TvdxComponent::IsPropertyStored(const char *propName) const
{
    // Asked for every property of every object written: the first letter
    // picks the one name worth comparing.
    switch (propName ? propName[0] : '\0') {
    case 'F':
        if (qstrcmp(propName, "Font") == 0)
            return !m_parentFont;
        break;
    case 'I':
        if (qstrcmp(propName, "IndexTag") == 0)
            return m_indexTag > 0;
        break;
    case 'L':
        if (qstrcmp(propName, "Left") == 0)
            return IsLeftStored();
        break;
    case 'T':
        if (qstrcmp(propName, "Top") == 0)
            return IsTopStored();
        break;
    case 'W':
        if (qstrcmp(propName, "Width") == 0)
            return IsWidthStored();
        break;
    case 'H':
        if (qstrcmp(propName, "Height") == 0)
            return IsHeightStored();
        break;
    default:
        break;
    }
    return TvdCustomComponent::IsPropertyStored(propName);
}

TvdxDataSet *TvdxComponent::FindDataSet(TvdxDataSet *dataSet, const QString &dsName)
{
    TvdxReport *report = qobject_cast<TvdxReport *>(this);
    if (!report)
        report = Report();
    return TvdxReport::FindDataSetOf(report, dataSet, dsName);
}

void TvdxComponent::RunInMainThread(const std::function<void(TvdxComponent *)> &method, TvdxComponent *sender)
{
    TvdxReport *report = Report();
    if (!report)
        if (TvdxPage *p = Page())
            if (auto *rp = qobject_cast<TvdxReportPage *>(p))
                report = rp->PageReport();
    if (!report || report->IsThreadSafe())
        SynchronizeMethod([&] { method(sender); });
    else
        method(sender);
}

// ---------------------------------------------------------------------------
TvdxReportComponent::TvdxReportComponent(TvdComponent *owner) : TvdxComponent(owner) { m_originalObjectsCount = -1; }

TvdxReportComponent::~TvdxReportComponent()
{
    if (auto *shift = dynamic_cast<IvdxShiftObject *>(m_shiftObject))
        shift->ComponentDestroyed(this);
    m_shiftObject = nullptr;
}

void TvdxReportComponent::Draw(Canvas &, double, double, double, double)
{
    throw EAbstractError(QStringLiteral("Abstract Error"));
}

void TvdxReportComponent::DrawChilds(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY,
                                     bool highlighted, bool isDesigning)
{
    Q_UNUSED(highlighted)
    for (TvdxComponent *c : Objects().List()) {
        auto *rc = qobject_cast<TvdxReportComponent *>(c);
        if (!rc)
            continue;
        if (isDesigning)
            rc->SetIsDesigning(true);
        rc->Draw(canvas, scaleX, scaleY, offsetX, offsetY);
    }
}

void TvdxReportComponent::BeforePrint()
{
    m_originalRect = vdRectF(double(Left()), double(Top()), double(Width()), double(Height()));
}

void TvdxReportComponent::AfterPrint()
{
    SetBounds(m_originalRect.Left, m_originalRect.Top, m_originalRect.Right, m_originalRect.Bottom);
}

TvdRectF TvdxReportComponent::GetRealBounds()
{
    const double l = double(AbsLeft()), t = double(AbsTop());
    return vdRectF(l, t, l + double(Width()), t + double(Height()));
}

std::unique_ptr<TvdWideStrings> vdxWideStringsFromText(const QString &text)
{
    auto list = std::make_unique<TvdWideStrings>();
    list->SetText(text);
    return list;
}
