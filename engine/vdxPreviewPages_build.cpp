// Building live pages from page items, the page cache, and appending another
// prepared report.
#include "engine/vdxPreviewPages.h"

#include "core/vdxXMLSerializer.h"
#include "engine/vdxDataLinkProtocols.h"
#include "engine/vdxPreviewPages_p.h"
#include "report/vdxClass_datalink.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_postprocessor.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_styles.h"
#include "report/vdxClass_view.h"

#include <QBuffer>
#include <cmath>

TvdxComponent *vdxNewComponentLike(const TvdxComponent *obj, TvdComponent *owner)
{
    const TvdClassInfo *info = vdFindClass(obj->ClassName());
    if (!info || !info->isComponent)
        return nullptr;
    TvdPersistent *made = info->create(owner);
    auto *c = qobject_cast<TvdxComponent *>(made);
    if (!c)
        delete made;
    return c;
}

void vdxSetNameQuiet(TvdxComponent *obj, const QString &name)
{
    try {
        obj->SetName(name);
    } catch (const Exception &) {
        // A name the target tree refuses stays unset; the record still builds.
    }
}

namespace {
// A record named after a class makes an object of that class inside a page:
// never a report or a page, whatever a file says.
bool recordClassAllowed(const QString &name)
{
    const TvdClassInfo *info = vdFindClass(name);
    return info && info->isComponent && info->meta && !info->meta->inherits(&TvdxReport::staticMetaObject) &&
           !info->meta->inherits(&TvdxPage::staticMetaObject);
}
} // namespace

// ---------------------------------------------------------------------------
bool TvdxPreviewPages::PageCached(int index) const
{
    for (const auto &e : FPageCache)
        if (e.key == index)
            return true;
    return false;
}

void TvdxPreviewPages::readRecords(TvdXMLItem *item, TvdxComponent *parent, int depth)
{
    if (depth > vdxMaxNesting)
        return;
    TvdxXMLSerializer ser;
    for (int i = 0; i < item->Count(); ++i) {
        TvdXMLItem *rec = item->Items(i);
        TvdxComponent *source = FDictionary.GetObject(rec->Name());
        TvdComponent *made = nullptr;
        try {
            if (source) {
                made = ser.ReadComponentStr(parent, source->BaseName() + QLatin1Char(' ') + rec->Text(), true);
            } else if (recordClassAllowed(rec->Name()))
                made = ser.ReadComponentStr(parent, rec->Name() + QLatin1Char(' ') + rec->Text(), true);
        } catch (const Exception &) {
            made = nullptr;
        }
        auto *obj = qobject_cast<TvdxComponent *>(made);
        if (!obj) {
            delete made;
            continue;
        }
        if (obj->Parent() != parent)
            obj->SetParent(parent);
        if (source) {
            vdxSetNameQuiet(obj, source->Name());
            obj->SetAliasName(source->AliasName());
            obj->SetOriginalComponent(source);
        }
        if (auto *cached = dynamic_cast<IvdxCachedView *>(obj))
            cached->LoadGraphicFromCache(FPictureCache.get(), FCachedGraphicState);
        if (auto *view = qobject_cast<TvdxView *>(obj); view && !view->Style().isEmpty())
            if (auto *style = FindStyle(view->Style()))
                view->ApplyStyle(qobject_cast<TvdxCustomStyleItem *>(style));
        if (auto *link = dynamic_cast<IvdxDataLinkObject *>(obj))
            if (auto *v = qobject_cast<TvdxView *>(obj); v && v->GetDataLink() && !v->GetDataLink()->Link().isEmpty()) {
                QString text = v->GetDataLink()->Link();
                vdxDataLinkProtocolRegistry()->LoadToObject(text, link);
            }
        if (FPostProcessor && FPostProcessor->LoadValue(obj)) {
            delete obj;
            continue;
        }
        obj->SetSerializedItem(rec);
        readRecords(rec, obj, depth + 1);
        obj->UpdateBounds();
    }
}

TvdxReportPage *TvdxPreviewPages::buildPage(int index)
{
    TvdXMLItem *item = PageItem(index);
    if (!item)
        return nullptr;
    FLastBuilt.reset();
    TvdxReportPage *page = nullptr;
    if (storedWhole(item)) {
        TvdxXMLSerializer ser;
        TvdComponent *made = nullptr;
        try {
            made = ser.ReadComponentStr(nullptr, item->Name() + QLatin1Char(' ') + item->Text(), true);
        } catch (const Exception &) {
        }
        page = qobject_cast<TvdxReportPage *>(made);
        if (!page) {
            delete made;
            return nullptr;
        }
        page->SetPageReport(FReport);
        // Records of whole pages are named after classes, never like an alias.
        readRecords(item, page, 0);
    } else {
        const QString &name = item->Name();
        if (!name.startsWith(QLatin1String("page"), Qt::CaseInsensitive))
            return nullptr;
        if (FSignaturePages.Active && FSignaturePages.IsContaine(name))
            return nullptr;
        bool ok = false;
        const int p = name.mid(4, 5).toInt(&ok);
        if (!ok || p < 0 || p >= FSourcePages.size())
            return nullptr;
        TvdxReportPage *source = FSourcePages[p];
        if (FSparePage)
            if (TvdxReportPage *reused = reuseSparePage(item, p))
                return reused;
        page = static_cast<TvdxReportPage *>(vdxNewComponentLike(source, nullptr));
        if (!page)
            return nullptr;
        page->SetPageReport(FReport);
        if (FKeepSourcePageStreams) {
            auto it = FSourcePageStreams.find(source);
            if (it == FSourcePageStreams.end()) {
                QBuffer out;
                out.open(QIODevice::WriteOnly);
                source->SaveToStream(out, false, true, false);
                it = FSourcePageStreams.insert(source, out.data());
            }
            QBuffer in(&it.value());
            in.open(QIODevice::ReadOnly);
            page->LoadFromStream(in);
        } else
            page->Assign(source);
        vdxSetNameQuiet(page, source->Name());
        if (item->Text().size() > 10)
            TvdxXMLSerializer().XMLToObj(item->Text(), page);
        readRecords(item, page, 0);
        page->AlignChildren();
        if (FKeepSourcePageStreams)
            noteBuiltPage(page, item, p);
        return page;
    }
    page->AlignChildren();
    return page;
}

TvdxReportPage *TvdxPreviewPages::GetPage(int index)
{
    if (Count() == 0 || index < 0 || index >= Count())
        return nullptr;
    const int front = FLockedPage ? 1 : 0;
    const bool running = FEngine && FEngine->Running;
    if (!running)
        for (int i = 0; i < FPageCache.size(); ++i)
            if (FPageCache[i].key == index) {
                TvdxReportPage *page = FPageCache[i].page;
                if (FPageCache.size() > 1 && i != front && page != FLockedPage)
                    FPageCache.move(i, front);
                return page;
            }
    TvdxReportPage *page = buildPage(index);
    if (!page)
        return nullptr;
    FPageCache.insert(std::min<int>(front, int(FPageCache.size())), {index, page});
    if (FPostProcessor)
        FPostProcessor->ResetSuppressed();
    // The pinned page does not count against the limit: pinning keeps a page
    // in hand beside the ones the limit allows.
    const int kept = int(FPageCache.size()) - (FLockedPage ? 1 : 0);
    if (FPageCache.size() > 1 && kept > pagesInCache()) {
        CacheEntry last = FPageCache.takeLast();
        evict(last);
    }
    return page;
}

void TvdxPreviewPages::evict(CacheEntry &entry)
{
    if (useFileCache() && unloadable(entry.key)) {
        TvdXMLItem *item = PagesItem()->Items(entry.key);
        if (item->Loaded())
            FXMLDoc->UnloadItem(item);
    }
    if (entry.page == FLockedPage)
        FLockedPage = nullptr;
    if (FLastBuilt && FLastBuilt->page == entry.page)
        FLastBuilt.reset();
    delete entry.page;
    LastObjectOver = nullptr;
    LastDrill = nullptr;
}

void TvdxPreviewPages::ClearCache()
{
    TvdxReportPage *pinned = nullptr;
    int pinnedKey = -1;
    QList<CacheEntry> entries;
    std::swap(entries, FPageCache);
    for (auto &e : entries) {
        if (e.page == FLockedPage && FLockedPage) {
            pinned = e.page;
            pinnedKey = e.key;
            continue;
        }
        evict(e);
    }
    if (pinned) {
        FLockedPage = pinned;
        FPageCache.append({pinnedKey, pinned});
    }
    LastObjectOver = nullptr;
    LastDrill = nullptr;
}

void TvdxPreviewPages::LockPage()
{
    if (!FPageCache.isEmpty())
        FLockedPage = FPageCache.first().page;
}

void TvdxPreviewPages::UnlockPage() { FLockedPage = nullptr; }

QPointF TvdxPreviewPages::GetPageSize(int index)
{
    TvdXMLItem *item = PageItem(index);
    if (!item)
        return {};
    long double w = 0, h = 0;
    if (storedWhole(item)) {
        if (TvdxReportPage *page = GetPage(index)) {
            w = page->Width();
            h = page->Height();
        }
    } else {
        bool ok = false;
        const int p = item->Name().mid(4, 5).toInt(&ok);
        if (ok && p >= 0 && p < FSourcePages.size()) {
            w = FSourcePages[p]->Width();
            h = FSourcePages[p]->Height();
        }
    }
    qreal x = std::nearbyint(double(w)), y = std::nearbyint(double(h));
    if (item->Text().size() > 10) {
        bool has = false;
        const long double pw = vdxPropFloat(item, QStringLiteral("PaperWidth"), &has);
        if (has)
            x = std::nearbyint(double(pw * vdxMMFactor));
        const long double ph = vdxPropFloat(item, QStringLiteral("PaperHeight"), &has);
        if (has)
            y = std::nearbyint(double(ph * vdxMMFactor));
    }
    return {x, y};
}

// ---------------------------------------------------------------------------
void TvdxPreviewPages::AddFrom(TvdxReport *report)
{
    if (report)
        AddFromPreviewPages(report->PreviewPages());
}

static void copyOutline(TvdxCustomOutline *from, TvdxCustomOutline *to, TvdxPreviewPages *target, int base,
                        int depth)
{
    if (depth > vdxMaxNesting)
        return;
    const int n = from->Count();
    for (int i = 0; i < n; ++i) {
        QString text;
        int page = 0, top = 0;
        from->GetItem(i, text, page, top);
        target->CurPage = base + page;
        to->AddItem(text, top);
        from->LevelDown(i);
        copyOutline(from, to, target, base, depth + 1);
        from->LevelUp();
        to->LevelUp();
    }
}

void TvdxPreviewPages::AddFromPreviewPages(TvdxCustomPreviewPages *vPreviewPages)
{
    auto *other = dynamic_cast<TvdxPreviewPages *>(vPreviewPages);
    if (!other || other == this)
        return;
    const int base = Count();
    TvdXMLItem *pages = PagesItem();
    TvdxXMLSerializer ser;
    for (int i = 0; i < other->Count(); ++i) {
        TvdxReportPage *page = other->GetPage(i);
        TvdXMLItem *item = pages->Add(page ? page->ClassName() : QStringLiteral("TvdxReportPage"));
        if (!page)
            continue;
        item->SetText(ser.ObjToXML(page).trimmed());
        for (TvdxComponent *child : page->Objects().List())
            writeObject(child, item, true, 0, false);
    }
    TvdXMLItem *anchors = RootItem("anchors");
    TvdXMLItem *theirs = other->RootItem("anchors");
    for (int i = 0; i < theirs->Count(); ++i) {
        TvdXMLItem *a = anchors->Add(QStringLiteral("item"));
        a->SetText(theirs->Items(i)->Text());
        a->SetPropAsInteger(QStringLiteral("page"), vdxPropInt(theirs->Items(i), QStringLiteral("page")) + base);
    }
    const int savedPage = CurPage;
    Outline()->LevelRoot();
    other->Outline()->LevelRoot();
    copyOutline(other->Outline(), Outline(), this, base, 0);
    CurPage = savedPage;
    if (other->Count() > 0) {
        other->CurPage = other->Count() - 1;
        FLastY = other->GetLastY(0);
        other->CurPage = -1;
    }
    ClearCache();
}
