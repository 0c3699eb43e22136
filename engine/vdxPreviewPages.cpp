#include "engine/vdxPreviewPages.h"

#include "core/vdFormatSettings.h"
#include "core/vdxXMLSerializer.h"
#include "engine/vdxPreviewPages_p.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_postprocessor.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_view.h"

#include <QHash>
#include <typeinfo>
#include <cmath>

// ---------------------------------------------------------------------------
// Attribute numbers: "." or "," and blanks accepted; written invariantly.
long double vdxPropFloat(const TvdXMLItem *item, const QString &name, bool *present)
{
    QString s = item->GetProp(name);
    s.remove(QLatin1Char(' '));
    s.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = s.toDouble(&ok);
    if (present)
        *present = ok;
    return ok && std::isfinite(v) ? v : 0;
}

QString vdxFloatText(long double value) { return FloatToStr(double(value), XMLFormatSettings()); }

int vdxPropInt(const TvdXMLItem *item, const QString &name) { return int(vdxPropFloat(item, name)); }

// ---------------------------------------------------------------------------
int TvdxDictionary::find(const QString &name, bool &found) const
{
    int lo = 0, hi = int(FNames.size()) - 1;
    found = false;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = FNames[mid].name.compare(name, Qt::CaseInsensitive);
        if (c < 0)
            lo = mid + 1;
        else if (c > 0)
            hi = mid - 1;
        else {
            found = true;
            return mid;
        }
    }
    return lo;
}

void TvdxDictionary::insertName(const QString &name, int source)
{
    bool found;
    const int at = find(name, found);
    if (!found)
        FNames.insert(at, {name, source});
}

void TvdxDictionary::Add(const QString &name, const QString &sourceName, TvdxComponent *obj)
{
    FSourceNames.append({sourceName, obj});
    insertName(name, int(FSourceNames.size()) - 1);
}

QString TvdxDictionary::AddUnique(const QString &base, const QString &sourceName, TvdxComponent *obj)
{
    const QString result = CreateUniqueName(base);
    Add(result, sourceName, obj);
    return result;
}

QString TvdxDictionary::CreateUniqueName(const QString &base)
{
    bool found;
    auto present = [&](int n) {
        find(base + QString::number(n), found);
        return found;
    };
    int n = 1;
    if (FNames.size() >= 4) {
        // Sentinels around the numbered aliases of the base: the count between
        // them is where the search starts. They stand for no object.
        insertName(base + QLatin1Char('0'), -1);
        insertName(base + QLatin1Char('A'), -1);
        const int lo = find(base + QLatin1Char('0'), found);
        const int hi = find(base + QLatin1Char('A'), found);
        n = hi - lo - 1;
        while (n > 0 && !present(n))
            --n;
    }
    while (present(n))
        ++n;
    return base + QString::number(n);
}

TvdxComponent *TvdxDictionary::GetObject(const QString &name) const
{
    bool found;
    const int at = find(name, found);
    if (!found)
        return nullptr;
    const int src = FNames[at].source;
    return src >= 0 && src < FSourceNames.size() ? FSourceNames[src].second : nullptr;
}

QString TvdxDictionary::GetSourceName(const QString &name) const
{
    bool found;
    const int at = find(name, found);
    if (!found)
        return {};
    const int src = FNames[at].source;
    return src >= 0 && src < FSourceNames.size() ? FSourceNames[src].first : QString();
}

void TvdxDictionary::Clear()
{
    FNames.clear();
    FSourceNames.clear();
}

QStringList TvdxDictionary::Names() const
{
    QStringList list;
    for (const auto &e : FNames)
        list.append(e.name);
    return list;
}

bool TvdxSignaturePages::IsContaine(const QString &name)
{
    if (FList.contains(name))
        return true;
    FList.append(name);
    return false;
}

// ---------------------------------------------------------------------------
TvdxPreviewPages::TvdxPreviewPages(TvdxReport *aReport)
    : TvdxCustomPreviewPages(aReport), FXMLDoc(std::make_unique<TvdXMLDocument>()),
      FPictureCache(std::make_unique<TvdxPictureCache>())
{
    FXMLDoc->Root()->SetName(QStringLiteral("preparedreport"));
    if (aReport && aReport->MainPreviewPages() && aReport->MainPreviewPages() != this)
        FPictureCache->SetPictureCacheOptions(aReport->MainPreviewPages()->PictureCacheOptions());
}

TvdxPreviewPages::~TvdxPreviewPages()
{
    FLockedPage = nullptr;
    ClearCache();
    dropSparePage();
    qDeleteAll(FSourcePages);
}

TvdxPictureCacheOptions *TvdxPreviewPages::GetPictureCacheOptions() { return FPictureCache->PictureCacheOptions(); }

TvdXMLItem *TvdxPreviewPages::RootItem(const char *name) { return FXMLDoc->Root()->FindItem(QLatin1String(name)); }

TvdXMLItem *TvdxPreviewPages::PagesItem()
{
    if (!FPagesItem)
        FPagesItem = RootItem("previewpages");
    return FPagesItem;
}

TvdXMLItem *TvdxPreviewPages::NumbersItem()
{
    if (!FNumbersItem)
        FNumbersItem = RootItem("logicalpagenumbers");
    return FNumbersItem;
}

TvdXMLItem *TvdxPreviewPages::PageItem(int index)
{
    TvdXMLItem *pages = PagesItem();
    if (index < 0 || index >= pages->Count())
        return nullptr;
    TvdXMLItem *item = pages->Items(index);
    if (!item->Loaded())
        FXMLDoc->LoadItem(item);
    return item;
}

int TvdxPreviewPages::GetCount() { return PagesItem()->Count(); }

bool TvdxPreviewPages::storedWhole(const TvdXMLItem *pageItem) const
{
    return pageItem->Name().compare(QLatin1String("TvdxReportPage"), Qt::CaseInsensitive) == 0 ||
           pageItem->Name().compare(QLatin1String("TvdxDMPPage"), Qt::CaseInsensitive) == 0;
}

bool TvdxPreviewPages::useFileCache() const
{
    return FReport && FReport->EngineOptions() && FReport->EngineOptions()->UseFileCache();
}

int TvdxPreviewPages::pagesInCache() const
{
    return FReport && FReport->PreviewOptions() ? FReport->PreviewOptions()->PagesInCache() : 50;
}

bool TvdxPreviewPages::finalPassOfDoublePass() const
{
    return FEngine && FEngine->FinalPass && FEngine->DoublePass();
}

void TvdxPreviewPages::Clear()
{
    FLockedPage = nullptr;
    ClearCache();
    dropSparePage();
    FLastBuilt.reset();
    FStoredAttributes.clear();
    qDeleteAll(FSourcePages);
    FSourcePages.clear();
    FPagesItem = nullptr;
    FNumbersItem = nullptr;
    FXMLDoc->Clear();
    // A file of another root leaves its name behind otherwise.
    FXMLDoc->Root()->SetName(QStringLiteral("preparedreport"));
    FXMLDoc->Root()->SetText(QString());
    FDictionary.Clear();
    if (FPostProcessor)
        FPostProcessor->Clear();
    FPictureCache->Clear();
    CurPage = -1;
    FXMLSize = 0;
    FLastY = 0;
    FLogicalPageN = 0;
    FFirstPageIndex = -1;
    LastObjectOver = nullptr;
    ClearStyles();
}

void TvdxPreviewPages::Initialize()
{
    if (!FReport)
        return;
    const QString tempDir = FReport->EngineOptions()->TempDir();
    FPictureCache->SetUseFileCache(FReport->PreviewOptions()->PictureCacheInFile());
    FPictureCache->SetTempDir(tempDir);
    FXMLDoc->SetTempDir(tempDir);
    FReport->InternalOnProgressStart(TvdxReport::ptRunning);
}

void TvdxPreviewPages::Finish()
{
    TvdxCustomPreviewPages::Finish();
    FLastY = 0;
    ClearCache();
    for (auto *page : FSourcePages)
        page->SetOriginalComponent(nullptr);
    FPictureCache->BuildFinished();
    if (FReport)
        FReport->InternalOnProgressStop(TvdxReport::ptRunning);
}

// ---------------------------------------------------------------------------
void TvdxPreviewPages::copySourceTree(TvdxComponent *src, TvdxComponent *owner,
                                      QList<QPair<TvdxComponent *, TvdxComponent *>> &pairs, int depth)
{
    if (depth > vdxMaxNesting)
        return;
    for (TvdxComponent *child : src->Objects().List()) {
        if (!child->vdComponentStyle().testFlag(TvdxComponent::csPreviewVisible)) {
            pairs.append(qMakePair(child, static_cast<TvdxComponent *>(nullptr)));
            continue;
        }
        TvdxComponent *copy = vdxNewComponentLike(child, owner);
        if (!copy)
            continue;
        copy->AssignToDict(child);
        vdxSetNameQuiet(copy, child->Name());
        pairs.append(qMakePair(child, copy));
        copySourceTree(child, copy, pairs, depth + 1);
    }
}

void TvdxPreviewPages::AddSourcePage(TvdxReportPage *page)
{
    if (!page)
        return;
    auto *copy = static_cast<TvdxReportPage *>(vdxNewComponentLike(page, nullptr));
    if (!copy)
        return;
    copy->AssignToDict(page);
    vdxSetNameQuiet(copy, page->Name());
    QList<QPair<TvdxComponent *, TvdxComponent *>> pairs;
    copySourceTree(page, copy, pairs, 0);
    copy->SetOriginalComponent(page);
    FSourcePages.append(copy);
    const QString prefix = QStringLiteral("Page%1.").arg(FSourcePages.size() - 1);
    TvdxXMLSerializer ser;
    copy->SetBaseName(ser.WriteComponentStr(copy));
    for (const auto &[tmpl, c] : pairs) {
        if (!c) {
            tmpl->AddSourceObjects();
            continue;
        }
        tmpl->SetOriginalComponent(c);
        c->SetOriginalComponent(tmpl);
        const QString base = qobject_cast<TvdxBand *>(c) ? QStringLiteral("b") : c->BaseName().left(1).toLower();
        const QString alias = FDictionary.AddUnique(base, prefix + c->Name(), c);
        if (auto *memo = qobject_cast<TvdxCustomMemoView *>(c)) {
            memo->SetDataSet(nullptr);
            memo->SetDataField(QString());
        }
        c->SetBaseName(ser.WriteComponentStr(c));
        c->SetAliasName(alias);
        tmpl->SetAliasName(alias);
    }
}

void TvdxPreviewPages::AddToSourcePage(TvdxComponent *obj)
{
    if (!obj || FSourcePages.isEmpty())
        return;
    TvdxReportPage *last = FSourcePages.last();
    TvdxComponent *copy = vdxNewComponentLike(obj, last);
    if (!copy)
        return;
    copy->AssignToDict(obj);
    copy->CreateUniqueName(FReport);
    const QString base = copy->BaseName().left(1).toLower();
    const QString alias = FDictionary.AddUnique(
        base, QStringLiteral("Page%1.%2").arg(FSourcePages.size() - 1).arg(copy->Name()), copy);
    if (copy->vdComponentStyle().testFlag(TvdxComponent::csDefaultDiff))
        copy->SetBaseName(copy->ClassName());
    else
        copy->SetBaseName(TvdxXMLSerializer().WriteComponentStr(copy));
    obj->SetOriginalComponent(copy);
    obj->SetAliasName(alias);
    copy->SetAliasName(alias);
}

// ---------------------------------------------------------------------------
bool TvdxPreviewPages::unloadable(int key) const
{
    auto *self = const_cast<TvdxPreviewPages *>(this);
    TvdXMLItem *pages = self->PagesItem();
    return key >= 0 && key < pages->Count() && pages->Items(key)->Unloadable();
}

void TvdxPreviewPages::AddPage(TvdxReportPage *page)
{
    TvdXMLItem *pages = PagesItem();
    if (useFileCache() && FXMLSize > qint64(FReport->EngineOptions()->MaxMemSize()) * 1048576) {
        for (int i = pages->Count() - 2; i >= 0; --i) {
            TvdXMLItem *item = pages->Items(i);
            if (!item->Loaded())
                break;
            if (item->Unloadable())
                FXMLDoc->UnloadItem(item);
        }
        FXMLSize = 0;
    }
    ++CurPage;
    if (CurPage < pages->Count() && AddPageAction != apAdd)
        return;
    int source = -1;
    for (int i = 0; i < FSourcePages.size(); ++i)
        if (page && FSourcePages[i]->OriginalComponent() == page) {
            source = i;
            break;
        }
    TvdXMLItem *item;
    if (source >= 0) {
        while (FSourcePageNames.size() <= source)
            FSourcePageNames.append(QStringLiteral("page%1").arg(FSourcePageNames.size()));
        item = pages->Add(FSourcePageNames[source]);
        item->SetUnloadable(pages->Count() > 2);
    } else {
        // A page of no source page is kept whole: "page-1" could not be built again.
        item = pages->Add(page ? page->ClassName() : QStringLiteral("TvdxReportPage"));
        if (page)
            item->SetText(TvdxXMLSerializer().ObjToXML(page).trimmed());
    }
    if (FReport)
        FReport->InternalOnProgress(TvdxReport::ptRunning, CurPage + 1);
    AddPageAction = apWriteOver;
    CurPage = pages->Count() - 1;
    IncLogicalPageNumber();
}

namespace {
// The cross-cast to the cache interface fails for most objects and is dear
// when it does; a class that has no such base is remembered as such.
IvdxCachedView *cachedView(TvdxComponent *obj)
{
    thread_local QHash<const std::type_info *, bool> without;
    const std::type_info *type = &typeid(*obj);
    if (without.contains(type))
        return nullptr;
    auto *cached = dynamic_cast<IvdxCachedView *>(obj);
    if (!cached)
        without.insert(type, true);
    return cached;
}
} // namespace

void TvdxPreviewPages::writeObject(TvdxComponent *obj, TvdXMLItem *parent, bool whole, int depth, bool deferred)
{
    if (depth > vdxMaxNesting || !obj->Visible() ||
        !obj->vdComponentStyle().testFlag(TvdxComponent::csPreviewVisible))
        return;
    if (auto *view = qobject_cast<TvdxView *>(obj); deferred && view && FPostProcessor && view->IsPostProcessAllowed())
        view->SaveContentToDictionary(FReport, FPostProcessor);
    TvdXMLItem *item = parent->Add();
    TvdxComponent *source = obj->OriginalComponent();
    QString text;
    if (!source || whole) {
        item->SetName(obj->ClassName());
        text = obj->AllDiff(nullptr).trimmed();
    } else {
        item->SetName(obj->AliasName());
        if (!FEngine || FEngine->FinalPass) {
            if (auto *cached = cachedView(obj))
                cached->SaveGraphicToCache(FPictureCache.get());
            text = (obj->vdComponentStyle().testFlag(TvdxComponent::csDefaultDiff) ? obj->AllDiff(source)
                                                                                     : obj->Diff(source))
                       .trimmed();
        } else
            text = obj->BaseDiff(source).trimmed();
    }
    // Records stay for the whole life of the prepared report: no spare room.
    text.squeeze();
    item->SetText(text);
    FXMLSize += item->Name().size() + item->Text().size() + qint64(sizeof(TvdXMLItem)) + 16;
    for (TvdxComponent *child : obj->Objects().List())
        writeObject(child, item, whole, depth + 1, deferred);
}

void TvdxPreviewPages::AddObject(TvdxComponent *obj)
{
    TvdXMLItem *page = PageItem(CurPage);
    if (!obj || !page)
        return;
    writeObject(obj, page, storedWhole(page), 0, true);
}

void TvdxPreviewPages::AddPicture(TvdxComponent *picture)
{
    if (auto *cached = dynamic_cast<IvdxCachedView *>(picture))
        cached->SaveGraphicToCache(FPictureCache.get());
}

int TvdxPreviewPages::AddGraphic(TGraphic *graphic) { return FPictureCache->AddPicture(graphic); }

IvdxCachedGraphicRef TvdxPreviewPages::GetPicture(TvdxCachedGraphicType cacheType, int imageIndex)
{
    return FPictureCache->GetCachedBitmap(cacheType, imageIndex);
}

// ---------------------------------------------------------------------------
void TvdxPreviewPages::BeginPass()
{
    FFirstPageIndex = Count() - 1;
    if (Count() > 0) {
        FFirstObjectIndex = PageItem(FFirstPageIndex)->Count();
        FFirstOutlineIndex = RootItem("outline")->Count();
    }
    ResetLogicalPageNumber();
}

void TvdxPreviewPages::ClearFirstPassPages()
{
    ClearCache();
    TvdXMLItem *root = FXMLDoc->Root();
    if (FFirstPageIndex == -1) {
        for (int i = root->Count() - 1; i >= 0; --i) {
            const QString &n = root->Items(i)->Name();
            if (n.compare(QLatin1String("anchors"), Qt::CaseInsensitive) != 0 &&
                n.compare(QLatin1String("logicalpagenumbers"), Qt::CaseInsensitive) != 0)
                delete root->Items(i);
        }
        FPagesItem = nullptr;
        FNumbersItem = nullptr;
    } else {
        TvdXMLItem *first = PageItem(FFirstPageIndex);
        while (first && first->Count() > FFirstObjectIndex)
            delete first->Items(first->Count() - 1);
        TvdXMLItem *pages = PagesItem();
        while (pages->Count() > FFirstPageIndex + 1)
            delete pages->Items(pages->Count() - 1);
        TvdXMLItem *outline = RootItem("outline");
        while (outline->Count() > FFirstOutlineIndex)
            delete outline->Items(outline->Count() - 1);
    }
    if (auto *outline = dynamic_cast<TvdxOutline *>(Outline()))
        outline->CurItem = nullptr;
    ResetLogicalPageNumber();
    CurPage = FFirstPageIndex;
    FXMLSize = 0;
}

int TvdxPreviewPages::GetCurPosition()
{
    TvdXMLItem *page = PageItem(CurPage);
    return page ? page->Count() : 0;
}

void TvdxPreviewPages::DeleteObjects(int aPosition)
{
    TvdXMLItem *page = PageItem(CurPage);
    if (!page)
        return;
    while (page->Count() > std::max(aPosition, 0))
        delete page->Items(page->Count() - 1);
}

void TvdxPreviewPages::CutObjects(int aPosition)
{
    TvdXMLItem *page = PageItem(CurPage);
    if (!page)
        return;
    TvdXMLItem *cut = RootItem("cutted");
    const int from = std::max(aPosition, 0);
    while (page->Count() > from)
        cut->AddItem(page->Items(from));
}

void TvdxPreviewPages::PasteObjects(long double x, long double y)
{
    TvdXMLItem *root = FXMLDoc->Root();
    const int at = root->Find(QStringLiteral("cutted"));
    if (at < 0)
        return;
    TvdXMLItem *cut = root->Items(at);
    TvdXMLItem *page = PageItem(CurPage);
    if (cut->Count() > 0 && page) {
        TvdXMLItem *first = cut->Items(0);
        const long double l0 = vdxPropFloat(first, QStringLiteral("l"));
        const long double t0 = vdxPropFloat(first, QStringLiteral("t"));
        long double dx = x - l0;
        // A null band left of 0 keeps its place when pasted at 0.
        if (first->Name().compare(QLatin1String("TvdxNullBand"), Qt::CaseInsensitive) == 0 && dx < 0 && x == 0)
            dx = 0;
        const long double dy = y - t0;
        while (cut->Count() > 0) {
            TvdXMLItem *rec = cut->Items(0);
            if (dx != 0)
                rec->SetProp(QStringLiteral("l"), vdxFloatText(vdxPropFloat(rec, QStringLiteral("l")) + dx));
            rec->SetProp(QStringLiteral("t"), vdxFloatText(vdxPropFloat(rec, QStringLiteral("t")) + dy));
            page->AddItem(rec);
        }
    }
    delete cut;
}

long double TvdxPreviewPages::GetLastY(long double columnPosition)
{
    long double result = 0;
    if (TvdXMLItem *page = PageItem(CurPage))
        for (int i = 0; i < page->Count(); ++i) {
            TvdXMLItem *rec = page->Items(i);
            TvdxComponent *src = FDictionary.GetObject(rec->Name());
            if (!src || !qobject_cast<TvdxBand *>(src) || src->inherits("TvdxPageFooter") ||
                src->inherits("TvdxOverlay"))
                continue;
            bool has = false;
            long double cl = vdxPropFloat(rec, QStringLiteral("l"), &has);
            if (!has)
                cl = src->Left();
            if (columnPosition == 0 || std::fabs(double(columnPosition - cl)) < 0.001 ||
                src->inherits("TvdxPageHeader") || src->inherits("TvdxReportTitle")) {
                long double t = vdxPropFloat(rec, QStringLiteral("t"), &has);
                if (!has)
                    t = src->Top();
                long double h = vdxPropFloat(rec, QStringLiteral("h"), &has);
                if (!has)
                    h = src->Height();
                result = std::max(result, t + h);
            }
        }
    if (result == 0 && FLastY != 0)
        result = FLastY;
    return result;
}

bool TvdxPreviewPages::BandExists(TvdxBand *band)
{
    TvdXMLItem *page = PageItem(CurPage);
    if (!page || !band)
        return false;
    for (int i = 0; i < page->Count(); ++i) {
        TvdxComponent *src = FDictionary.GetObject(page->Items(i)->Name());
        if (!src)
            continue;
        if (src->OriginalComponent() == band)
            return true;
        for (const char *kind : {"TvdxPageFooter", "TvdxColumnFooter"})
            if (src->inherits(kind) && band->inherits(kind))
                return true;
    }
    return false;
}

void TvdxPreviewPages::UpdatePageLastColumn(int aColumn, long double aColumnPos, bool aReset)
{
    TvdXMLItem *page = PageItem(CurPage);
    if (!page)
        return;
    if (aReset || aColumn > 0)
        page->SetProp(QStringLiteral("c"), QString::number(aColumn));
    if (aReset || aColumnPos != 0)
        page->SetProp(QStringLiteral("cp"), vdxFloatText(aColumnPos));
}

void TvdxPreviewPages::GetLastColumnPos(int &aColumn, long double &columnPos)
{
    TvdXMLItem *page = PageItem(CurPage);
    if (!page)
        return;
    bool has = false;
    const long double c = vdxPropFloat(page, QStringLiteral("c"), &has);
    if (has)
        aColumn = int(c);
    const long double cp = vdxPropFloat(page, QStringLiteral("cp"), &has);
    if (has)
        columnPos = cp;
}

static QString mmText(long double v)
{
    const long double r = std::nearbyint(v);
    if (std::fabs(double(v - r)) < 1e-9)
        return QString::number(qint64(r));
    return QString::number(double(v), 'f', 2);
}

void TvdxPreviewPages::UpdatePageDimension(int index, long double width, long double height, int)
{
    TvdXMLItem *page = PageItem(index);
    if (!page)
        return;
    page->SetProp(QStringLiteral("PaperSize"), QStringLiteral("256"));
    page->SetProp(QStringLiteral("PaperWidth"), mmText(width));
    page->SetProp(QStringLiteral("PaperHeight"), mmText(height));
}

void TvdxPreviewPages::UpdatePageDimensions(TvdxReportPage *page, long double width, long double height)
{
    for (auto *src : FSourcePages)
        if (page && src->OriginalComponent() == page) {
            const double w = double(width / vdxMMFactor), h = double(height / vdxMMFactor);
            src->setProperty("PaperSize", 256);
            src->setProperty("PaperWidth", w);
            src->setProperty("PaperHeight", h);
            // The tag text of the source page rebuilds pages: it carries the size too.
            TvdXMLItem tag;
            tag.SetText(src->BaseName());
            tag.SetProp(QStringLiteral("PaperSize"), QStringLiteral("256"));
            tag.SetProp(QStringLiteral("PaperWidth"), vdxFloatText(w));
            tag.SetProp(QStringLiteral("PaperHeight"), vdxFloatText(h));
            src->SetBaseName(tag.Text());
            return;
        }
}

// ---------------------------------------------------------------------------
void TvdxPreviewPages::AddAnchor(const QString &text)
{
    TvdXMLItem *item = RootItem("anchors")->Add(QStringLiteral("item"));
    item->SetProp(QStringLiteral("text"), text);
    item->SetPropAsInteger(QStringLiteral("page"), CurPage);
    item->SetPropAsInteger(QStringLiteral("top"), FEngine ? int(std::nearbyint(double(FEngine->CurY))) : 0);
}

TvdXMLItem *TvdxPreviewPages::FindAnchor(const QString &text)
{
    TvdXMLItem *anchors = RootItem("anchors");
    // Ordinal without case: the user's locale must not decide which anchor a
    // link reaches.
    for (int i = anchors->Count() - 1; i >= 0; --i)
        if (anchors->Items(i)->GetProp(QStringLiteral("text")).compare(text, Qt::CaseInsensitive) == 0)
            return anchors->Items(i);
    return nullptr;
}

TvdXMLItem *TvdxPreviewPages::FindAnchorRoot() { return RootItem("anchors"); }

int TvdxPreviewPages::GetAnchorPage(const QString &text)
{
    TvdXMLItem *item = FindAnchor(text);
    return item ? vdxPropInt(item, QStringLiteral("page")) + 1 : 1;
}

int TvdxPreviewPages::GetAnchorCurPosition() { return RootItem("anchors")->Count() - 1; }

void TvdxPreviewPages::ShiftAnchors(int from, int newTop)
{
    TvdXMLItem *anchors = RootItem("anchors");
    if (from + 1 < 0 || from + 1 >= anchors->Count())
        return;
    // The engine calls this after it moved to the target page: the anchors go
    // there, not one page further.
    const int top0 = vdxPropInt(anchors->Items(from + 1), QStringLiteral("top"));
    for (int i = from + 1; i < anchors->Count(); ++i) {
        TvdXMLItem *a = anchors->Items(i);
        a->SetPropAsInteger(QStringLiteral("page"), CurPage);
        a->SetPropAsInteger(QStringLiteral("top"), newTop + vdxPropInt(a, QStringLiteral("top")) - top0);
    }
}

void TvdxPreviewPages::DeleteAnchors(int from)
{
    TvdXMLItem *anchors = RootItem("anchors");
    if (from + 1 < 0 || from + 1 >= anchors->Count())
        return;
    while (anchors->Count() > from + 1)
        delete anchors->Items(anchors->Count() - 1);
}

// ---------------------------------------------------------------------------
void TvdxPreviewPages::IncLogicalPageNumber()
{
    if (finalPassOfDoublePass())
        return;
    ++FLogicalPageN;
    NumbersItem()->Add(QStringLiteral("page"))->SetPropAsInteger(QStringLiteral("n"), FLogicalPageN);
}

void TvdxPreviewPages::ResetLogicalPageNumber()
{
    if (finalPassOfDoublePass())
        return;
    TvdXMLItem *numbers = NumbersItem();
    for (int i = CurPage; i > FFirstPageIndex; --i) {
        if (i < 0 || i >= numbers->Count())
            continue;
        TvdXMLItem *item = numbers->Items(i);
        item->SetPropAsInteger(QStringLiteral("t"), FLogicalPageN);
        if (item->GetProp(QStringLiteral("n")) == QLatin1String("1"))
            break;
    }
    FLogicalPageN = 0;
}

int TvdxPreviewPages::GetLogicalPageNo()
{
    TvdXMLItem *numbers = NumbersItem();
    if (CurPage >= 0 && CurPage < numbers->Count())
        return vdxPropInt(numbers->Items(CurPage), QStringLiteral("n"));
    return CurPage - FirstPage + 1;
}

int TvdxPreviewPages::GetLogicalTotalPages()
{
    TvdXMLItem *numbers = NumbersItem();
    if (CurPage >= 0 && CurPage < numbers->Count())
        return vdxPropInt(numbers->Items(CurPage), QStringLiteral("t"));
    return (FEngine ? FEngine->TotalPages : 0) - FirstPage;
}

// ---------------------------------------------------------------------------
TvdXMLItem *TvdxOutline::Root()
{
    if (auto *pages = dynamic_cast<TvdxPreviewPages *>(FPreviewPages))
        return pages->RootItem("outline");
    // Another kind of prepared pages: the outline keeps its own tree.
    if (!FOwnRoot)
        FOwnRoot = std::make_unique<TvdXMLItem>();
    return FOwnRoot.get();
}

int TvdxOutline::GetCount() { return CurItem ? CurItem->Count() : 0; }

void TvdxOutline::LevelRoot() { CurItem = Root(); }

void TvdxOutline::LevelDown(int index)
{
    if (CurItem && index >= 0 && index < CurItem->Count())
        CurItem = CurItem->Items(index);
}

void TvdxOutline::LevelUp()
{
    if (CurItem && CurItem != Root() && CurItem->Parent())
        CurItem = CurItem->Parent();
}

void TvdxOutline::AddItem(const QString &text, int top)
{
    if (!CurItem)
        CurItem = Root();
    TvdXMLItem *item = CurItem->Add(QStringLiteral("item"));
    item->SetProp(QStringLiteral("text"), text);
    item->SetPropAsInteger(QStringLiteral("page"), FPreviewPages->CurPage);
    item->SetPropAsInteger(QStringLiteral("top"), top);
    CurItem = item;
}

void TvdxOutline::GetItem(int index, QString &text, int &page, int &top)
{
    if (!CurItem || index < 0 || index >= CurItem->Count())
        return;
    TvdXMLItem *item = CurItem->Items(index);
    text = item->GetProp(QStringLiteral("text"));
    if (item->PropExists(QStringLiteral("page")))
        page = vdxPropInt(item, QStringLiteral("page"));
    if (item->PropExists(QStringLiteral("top")))
        top = vdxPropInt(item, QStringLiteral("top"));
}

TvdXMLItem *TvdxOutline::GetCurPosition()
{
    return CurItem && CurItem->Count() > 0 ? CurItem->Items(CurItem->Count() - 1) : nullptr;
}

void TvdxOutline::DeleteItems(TvdXMLItem *from)
{
    if (!from || !from->Parent())
        return;
    TvdXMLItem *parent = from->Parent();
    const int at = parent->IndexOf(from);
    while (parent->Count() > at + 1)
        delete parent->Items(parent->Count() - 1);
}

static void shiftSubtree(TvdXMLItem *item, int page, int delta, int depth)
{
    if (depth > vdxMaxNesting)
        return;
    item->SetPropAsInteger(QStringLiteral("page"), page);
    item->SetPropAsInteger(QStringLiteral("top"), vdxPropInt(item, QStringLiteral("top")) + delta);
    for (int i = 0; i < item->Count(); ++i)
        shiftSubtree(item->Items(i), page, delta, depth + 1);
}

void TvdxOutline::ShiftItems(TvdXMLItem *from, int newTop)
{
    if (!from || !from->Parent())
        return;
    TvdXMLItem *parent = from->Parent();
    const int at = parent->IndexOf(from);
    if (at < 0 || at + 1 >= parent->Count())
        return;
    // Called once the engine is on the target page: every later sibling goes
    // there with its subtree, keeping its distance from the first.
    const int delta = newTop - vdxPropInt(parent->Items(at + 1), QStringLiteral("top"));
    for (int i = at + 1; i < parent->Count(); ++i)
        shiftSubtree(parent->Items(i), FPreviewPages->CurPage, delta, 0);
}
