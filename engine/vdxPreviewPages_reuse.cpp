// Page reuse in the export loop. Labels are thousands of pages made from one
// source page, each differing in a few attributes: the page last exported is
// kept and filled with the next page's records. Every attribute the previous
// or the next record sets, and the bounds and text the export itself may
// change, first go back to the source object's stored value, then the record
// applies as on a new object. Anything that does not fit this (another source
// page or record tree, an attribute that has no stored value to go back to,
// objects with state kept outside their attributes) builds the page anew.
#include "engine/vdxPreviewPages.h"

#include "core/vdxXMLSerializer.h"
#include "engine/vdxPreviewPages_p.h"
#include "report/vdxClass_datalink.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_postprocessor.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_view.h"

namespace {

// The property an attribute sets: one-letter names stand for the bounds and a memo's text.
QString attributeKey(const QString &name)
{
    if (name.size() == 1)
        switch (name.at(0).unicode()) {
        case 'l':
            return QStringLiteral("Left");
        case 't':
            return QStringLiteral("Top");
        case 'w':
            return QStringLiteral("Width");
        case 'h':
            return QStringLiteral("Height");
        case 'x':
        case 'u':
            return QStringLiteral("Text");
        }
    return name;
}

// Walks name="value" pairs as the serializer reads them: F(key, whole pair).
template <class F>
void forEachAttribute(const QString &text, F f)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && text.at(i) == QLatin1Char(' '))
            ++i;
        const qsizetype eq = text.indexOf(QLatin1Char('='), i);
        if (eq < 0)
            break;
        const QString name = text.mid(i, eq - i).trimmed();
        if (name.isEmpty())
            break;
        const qsizetype q1 = text.indexOf(QLatin1Char('"'), eq + 1);
        if (q1 < 0)
            break;
        qsizetype q2 = text.indexOf(QLatin1Char('"'), q1 + 1);
        if (q2 < 0)
            q2 = n - 1;
        f(attributeKey(name), QStringView(text).mid(i, q2 + 1 - i));
        i = q2 + 1;
    }
}

QStringList keysOf(const QString &text)
{
    QStringList keys;
    forEachAttribute(text, [&](const QString &key, QStringView) { keys.append(key); });
    return keys;
}

// Attributes whose effect is more than their property: binary data, styles
// and data links are applied by the full build only.
bool keysReusable(const QStringList &keys)
{
    for (const QString &k : keys)
        if (k == QLatin1String("PropData") || k == QLatin1String("Style") || k.startsWith(QLatin1String("DataLink")))
            return false;
    return true;
}

// Set back on every reused object: the export itself changes these.
bool alwaysRestored(const QString &key)
{
    return key == QLatin1String("Left") || key == QLatin1String("Top") || key == QLatin1String("Width") ||
           key == QLatin1String("Height") || key == QLatin1String("Text");
}

} // namespace

const TvdxPreviewPages::StoredAttributes &TvdxPreviewPages::storedAttributes(TvdxComponent *source)
{
    auto it = FStoredAttributes.find(source);
    if (it != FStoredAttributes.end())
        return *it;
    StoredAttributes a;
    // As the full build reads it: the class name, then the attributes.
    const QString stored = source->BaseName().trimmed();
    const qsizetype sp = stored.indexOf(QLatin1Char(' '));
    if (sp >= 0)
        forEachAttribute(stored.mid(sp + 1), [&](const QString &key, QStringView pair) {
            a.keys.append(key);
            a.texts.append(pair.toString());
        });
    return *FStoredAttributes.insert(source, std::move(a));
}

namespace {

// Objects whose state lives beside their attributes: pictures from the
// cache, styled or linked views, memos drawn to size, post-processed values.
bool objectReusable(TvdxComponent *obj, TvdxPostProcessor *post)
{
    if (dynamic_cast<IvdxCachedView *>(obj))
        return false;
    if (auto *view = qobject_cast<TvdxView *>(obj)) {
        if (!view->Style().isEmpty())
            return false;
        if (view->GetDataLink() && !view->GetDataLink()->Link().isEmpty())
            return false;
    }
    if (auto *memo = qobject_cast<TvdxCustomMemoView *>(obj); memo && memo->AutoWidth())
        return false;
    if (post && post->Find(obj->Name()))
        return false;
    return true;
}

} // namespace

void TvdxPreviewPages::noteBuiltPage(TvdxReportPage *page, TvdXMLItem *item, int source)
{
    ReusablePage r;
    r.page = page;
    r.source = source;
    if (item->Text().size() > 10)
        r.settings = item->Text();
    r.left = page->Left();
    r.top = page->Top();
    r.records = item->Count();
    // The objects must be the records' own, one for one, in order.
    auto map = [&](auto &self, TvdXMLItem *parentItem, TvdxComponent *parent, int depth) -> bool {
        if (depth > vdxMaxNesting)
            return false;
        const auto &children = parent->Objects().List();
        if (children.size() != parentItem->Count())
            return false;
        for (int i = 0; i < parentItem->Count(); ++i) {
            TvdXMLItem *rec = parentItem->Items(i);
            TvdxComponent *obj = children[i];
            TvdxComponent *src = FDictionary.GetObject(rec->Name());
            if (!src || obj->OriginalComponent() != src || obj->SerializedItem() != rec ||
                !objectReusable(obj, FPostProcessor))
                return false;
            QStringList keys = keysOf(rec->Text());
            if (!keysReusable(keys))
                return false;
            r.objects.append({obj, src, rec->Count(), std::move(keys)});
            if (!self(self, rec, obj, depth + 1))
                return false;
        }
        return true;
    };
    if (map(map, item, page, 0))
        FLastBuilt = std::move(r);
}

TvdxReportPage *TvdxPreviewPages::reuseSparePage(TvdXMLItem *item, int source)
{
    ReusablePage spare = std::move(*FSparePage);
    FSparePage.reset();
    auto drop = [&]() -> TvdxReportPage * {
        delete spare.page;
        return nullptr;
    };
    if (spare.source != source || spare.records != item->Count() ||
        spare.settings != (item->Text().size() > 10 ? item->Text() : QString()))
        return drop();

    // The same tree of records, and nothing the previous page set that cannot go back.
    QList<QStringList> keys;
    keys.reserve(spare.objects.size());
    int at = 0;
    auto match = [&](auto &self, TvdXMLItem *parentItem, int depth) -> bool {
        if (depth > vdxMaxNesting)
            return false;
        for (int i = 0; i < parentItem->Count(); ++i) {
            TvdXMLItem *rec = parentItem->Items(i);
            if (at >= spare.objects.size())
                return false;
            const ReusedObject &o = spare.objects[at++];
            if (FDictionary.GetObject(rec->Name()) != o.source || o.records != rec->Count())
                return false;
            QStringList k = keysOf(rec->Text());
            if (!keysReusable(k))
                return false;
            const StoredAttributes &stored = storedAttributes(o.source);
            for (const QString &prev : o.keys)
                if (!k.contains(prev) && !stored.keys.contains(prev))
                    return false;
            keys.append(std::move(k));
            if (!self(self, rec, depth + 1))
                return false;
        }
        return true;
    };
    if (!match(match, item, 0) || at != spare.objects.size())
        return drop();

    TvdxReportPage *page = spare.page;
    page->SetLeft(spare.left);
    page->SetTop(spare.top);
    at = 0;
    // As the full build: attributes, then the children, then the bounds.
    auto fill = [&](auto &self, TvdXMLItem *parentItem) -> void {
        for (int i = 0; i < parentItem->Count(); ++i) {
            TvdXMLItem *rec = parentItem->Items(i);
            const int n = at++;
            ReusedObject &o = spare.objects[n];
            const StoredAttributes &stored = storedAttributes(o.source);
            QString text;
            for (int j = 0; j < stored.keys.size(); ++j) {
                const QString &key = stored.keys[j];
                if (alwaysRestored(key) || o.keys.contains(key) || keys[n].contains(key)) {
                    text += stored.texts[j];
                    text += QLatin1Char(' ');
                }
            }
            text += rec->Text();
            TvdxComponent *obj = o.obj;
            TvdxXMLSerializer ser;
            obj->SetState(TvdComponent::csLoading);
            try {
                ser.XMLToObj(text, obj);
            } catch (...) {
                obj->SetState(TvdComponent::csLoading, false);
                throw;
            }
            obj->SetState(TvdComponent::csLoading, false);
            obj->Loaded();
            if (obj->Name() != o.source->Name())
                vdxSetNameQuiet(obj, o.source->Name());
            if (auto *memo = qobject_cast<TvdxCustomMemoView *>(obj)) {
                // As a new memo has them until the export sets them.
                memo->SetTotalPages(0);
                memo->SetCopyNo(0);
            }
            obj->SetSerializedItem(rec);
            o.keys = keys[n];
            self(self, rec);
            obj->UpdateBounds();
        }
    };
    try {
        fill(fill, item);
    } catch (const Exception &) {
        return drop();
    }
    page->AlignChildren();
    FLastBuilt = std::move(spare);
    return page;
}

bool TvdxPreviewPages::keepSparePage(TvdxReportPage *page)
{
    if (!FLastBuilt || FLastBuilt->page != page || page == FLockedPage)
        return false;
    for (int i = 0; i < FPageCache.size(); ++i) {
        if (FPageCache[i].page != page)
            continue;
        const int key = FPageCache[i].key;
        FPageCache.removeAt(i);
        if (useFileCache() && unloadable(key)) {
            TvdXMLItem *item = PagesItem()->Items(key);
            if (item->Loaded())
                FXMLDoc->UnloadItem(item);
        }
        LastObjectOver = nullptr;
        LastDrill = nullptr;
        dropSparePage();
        FSparePage = std::move(FLastBuilt);
        FLastBuilt.reset();
        return true;
    }
    return false;
}

void TvdxPreviewPages::dropSparePage()
{
    if (FSparePage)
        delete FSparePage->page;
    FSparePage.reset();
}
