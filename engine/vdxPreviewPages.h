// The prepared report: one XML document whose page items hold, per placed
// object, a record of its differences from a source object (a private copy of
// the template object). Pages are rebuilt as live objects on demand through a
// small most-recently-used cache; the export loop drives filters over them.
#pragma once
#include "core/vdPictureCache.h"
#include "core/vdXML.h"
#include "engine/vdxEnginePages.h"
#include "report/vdxClass_engine.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QStringList>
#include <memory>
#include <optional>

class TvdxCustomMemoView;
class TvdxCustomExportFilter;
class TvdxView;
class TvdxHyperlink;

// Alias names of source objects. Names: sorted, case-insensitive, each with
// an index into SourceNames; SourceNames: "Page<p>.<name>" with the source
// object, in insertion order.
class TvdxDictionary {
public:
    void Add(const QString &name, const QString &sourceName, TvdxComponent *obj);
    // Adds the next free alias of Base and answers it.
    QString AddUnique(const QString &base, const QString &sourceName, TvdxComponent *obj);
    QString CreateUniqueName(const QString &base);
    TvdxComponent *GetObject(const QString &name) const;
    QString GetSourceName(const QString &name) const;
    void Clear();

    int NamesCount() const { return int(FNames.size()); }
    // Aliases in their sorted order, sentinels included.
    QStringList Names() const;

private:
    struct Entry {
        QString name;
        int source;
    };
    // Position of Name in FNames, or where it would go (found says which).
    int find(const QString &name, bool &found) const;
    void insertName(const QString &name, int source);

    QList<Entry> FNames;
    QList<QPair<QString, TvdxComponent *>> FSourceNames;
};

// Names of page items already built while tracking is on.
class TvdxSignaturePages {
public:
    void Activate()
    {
        Active = true;
        FList.clear();
    }
    void Deactivate() { Active = false; }
    // True when listed; a new name is added and False answered.
    bool IsContaine(const QString &name);
    bool Active = false;

private:
    QStringList FList;
};

class TvdxPreviewPages;

class TvdxOutline : public TvdxCustomOutline {
    Q_OBJECT
public:
    explicit TvdxOutline(TvdxCustomPreviewPages *aPreviewPages) : TvdxCustomOutline(aPreviewPages) {}

    int GetCount() override;
    void AddItem(const QString &text, int top) override;
    // Deletes every later sibling of From.
    void DeleteItems(TvdXMLItem *from) override;
    void LevelDown(int index) override;
    void LevelRoot() override;
    void LevelUp() override;
    void GetItem(int index, QString &text, int &page, int &top) override;
    // Every later sibling of From goes to the target page of the move, the
    // first one to top NewTop.
    void ShiftItems(TvdXMLItem *from, int newTop) override;
    TvdXMLItem *GetCurPosition() override;
    TvdXMLItem *Root();

private:
    std::unique_ptr<TvdXMLItem> FOwnRoot;
};

class TvdxPreviewPages : public TvdxCustomPreviewPages, public IvdxEnginePages {
public:
    explicit TvdxPreviewPages(TvdxReport *aReport);
    ~TvdxPreviewPages() override;

    // --- building
    void Clear() override;
    void Initialize() override;
    void Finish() override;
    void AddObject(TvdxComponent *obj) override;
    void AddPage(TvdxReportPage *page) override;
    void AddSourcePage(TvdxReportPage *page) override;
    void AddToSourcePage(TvdxComponent *obj) override;
    void BeginPass() override;
    void ClearFirstPassPages() override;
    void CutObjects(int aPosition) override;
    void DeleteObjects(int aPosition) override;
    void PasteObjects(long double x, long double y) override;
    int GetCurPosition() override;
    long double GetLastY(long double columnPosition = 0) override;
    bool BandExists(TvdxBand *band) override;
    void AddPicture(TvdxComponent *picture) override;
    int AddGraphic(TGraphic *graphic) override;
    IvdxCachedGraphicRef GetPicture(TvdxCachedGraphicType cacheType, int imageIndex) override;
    TvdxPictureCacheOptions *GetPictureCacheOptions() override;
    // Page items the engine alone asks for.
    void UpdatePageDimension(int index, long double width, long double height, int aOrientation = 0) override;
    void UpdatePageDimensions(TvdxReportPage *page, long double width, long double height) override;
    void UpdatePageLastColumn(int aColumn, long double aColumnPos, bool aReset) override;
    void GetLastColumnPos(int &aColumn, long double &columnPos) override;

    // --- anchors
    void AddAnchor(const QString &text) override;
    TvdXMLItem *FindAnchor(const QString &text);
    TvdXMLItem *FindAnchorRoot();
    int GetAnchorPage(const QString &text) override;
    int GetAnchorCurPosition() override;
    // Anchors after From go to the target page of the move, top NewTop.
    void ShiftAnchors(int from, int newTop) override;
    void DeleteAnchors(int from) override;

    // --- logical page numbers
    void IncLogicalPageNumber() override;
    void ResetLogicalPageNumber() override;
    int GetLogicalPageNo() override;
    int GetLogicalTotalPages() override;

    // --- pages
    int GetCount() override;
    TvdxReportPage *GetPage(int index) override;
    QPointF GetPageSize(int index) override;
    void ClearCache() override;
    void LockPage();
    void UnlockPage();
    TvdxReportPage *LockedPage() const { return FLockedPage; }
    void AddFrom(TvdxReport *report) override;
    void AddFromPreviewPages(TvdxCustomPreviewPages *vPreviewPages) override;
    // Runs a filter over the pages: True when the output opened and the
    // pages ran without an error.
    bool Export(TvdxCustomExportFilter *filter) override;
    // Scales in device pixels per report pixel, offsets in device pixels.
    void DrawPage(int index, Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY,
                  bool bHighlightEditable = false) override;
    // Runs the print loop the printing layer installed (vdxPrintLoopHook.h).
    bool Print() override;

    // --- prepared-report files (vdxPreviewPages_file.cpp)
    void SaveToStream(QIODevice &stream) override;
    // With partial loading the caller keeps Stream open while the store is used.
    void LoadFromStream(QIODevice &stream, bool allowPartialLoading = false) override;
    void SaveToFile(const QString &fileName) override;
    bool LoadFromFile(const QString &fileName, bool exceptionIfNotFound = false) override;
    // Partial loading from a file the store opens and keeps until cleared.
    bool LoadFromFile(const QString &fileName, bool exceptionIfNotFound, bool allowPartialLoading);
    bool SaveToFilter(QObject *filter, const QString &fileName) override;

    // --- interaction and page editing (vdxPreviewPages_interact.cpp)
    void ObjectOver(int index, int x, int y, TvdxMouseButton button, TvdxShiftState shift, double scale, int offsetX,
                    int offsetY, TvdxPreviewIntEventParams &eventParams) override;
    void FireMouseLeave() override;
    void ModifyObject(TvdxComponent *component) override;
    void ModifyPage(int index, TvdxReportPage *page) override;
    void AddEmptyPage(int index) override;
    void DeletePage(int index) override;
    // How the last Export ended.
    enum TvdxExportEnd { eeNone, eeFinished, eeStopped, eeFailed };
    TvdxExportEnd LastExportEnd() const { return FLastExportEnd; }

    // --- state
    TvdXMLDocument *XMLDoc() const { return FXMLDoc.get(); }
    TvdxDictionary &Dictionary() { return FDictionary; }
    const QList<TvdxReportPage *> &SourcePages() const { return FSourcePages; }
    TvdxSignaturePages &SignaturePages() { return FSignaturePages; }
    TvdxPictureCache *PictureCache() const { return FPictureCache.get(); }
    TvdxCachedGraphicType CachedGraphicState() const { return FCachedGraphicState; }
    // Built pages, most recently used first.
    int PageCacheCount() const { return int(FPageCache.size()); }
    bool PageCached(int index) const;
    // The child of the root of that name, made on first use.
    TvdXMLItem *RootItem(const char *name);
    TvdXMLItem *PagesItem();
    TvdXMLItem *NumbersItem();
    TvdXMLItem *PageItem(int index);
    TvdxComponent *LastObjectOver = nullptr;
    TvdxComponent *LastDrill = nullptr;

private:
    friend class TvdxOutline;
    friend class TvdxPinnedPage;
    struct CacheEntry {
        int key;
        TvdxReportPage *page;
    };
    bool storedWhole(const TvdXMLItem *pageItem) const;
    // Deferred: views hand their deferred content to the post-processor.
    void writeObject(TvdxComponent *obj, TvdXMLItem *parent, bool whole, int depth, bool deferred);
    void copySourceTree(TvdxComponent *src, TvdxComponent *owner, QList<QPair<TvdxComponent *, TvdxComponent *>> &pairs,
                        int depth);
    TvdxReportPage *buildPage(int index);
    void readRecords(TvdXMLItem *item, TvdxComponent *parent, int depth);
    void evict(CacheEntry &entry);
    bool unloadable(int key) const;
    bool useFileCache() const;
    int pagesInCache() const;
    bool finalPassOfDoublePass() const;
    // Save and load parts.
    void prepareDocument();
    void rebuildFromDocument(bool oldFormat);
    void readDocument(QIODevice &stream, bool allowPartialLoading);
    // Interaction parts.
    void followHyperlink(TvdxView *view);
    void openDetailReport(const TvdxHyperlink &link);
    void openDetailPage(const TvdxHyperlink &link);
    // Anchors, outline items and logical numbers of pages from Index on move by Delta.
    void movePageReferences(int index, int delta);
    // Export loop parts.
    void runPages(TvdxCustomExportFilter *filter, QSet<int> &pageNumbers, bool &stopped);
    void exportPage(TvdxCustomExportFilter *filter, int index, const QSet<int> &pageNumbers);
    void exportObject(TvdxCustomExportFilter *filter, TvdxComponent *obj);
    // Page reuse while exporting (vdxPreviewPages_reuse.cpp): the page last
    // built from a source page is filled anew for the next page made from the
    // same source page with the same records, instead of being built again.
    struct ReusedObject {
        TvdxComponent *obj;
        TvdxComponent *source;
        int records;      // records directly under its own
        QStringList keys; // attributes its last record set
    };
    struct ReusablePage {
        TvdxReportPage *page = nullptr;
        int source = -1;
        QString settings; // the page item's own settings applied
        long double left = 0, top = 0;
        int records = 0;
        QList<ReusedObject> objects; // in record order, depth first
    };
    // A source object's stored attributes: keys and "name=value" texts, in order.
    struct StoredAttributes {
        QStringList keys;
        QStringList texts;
    };
    // Called with a page just built from source page Source while exporting.
    void noteBuiltPage(TvdxReportPage *page, TvdXMLItem *item, int source);
    // The spare page filled with Item's records, or none (the spare is then dropped).
    TvdxReportPage *reuseSparePage(TvdXMLItem *item, int source);
    // Takes an exported page out of the cache as the spare, when it can be reused.
    bool keepSparePage(TvdxReportPage *page);
    void dropSparePage();
    const StoredAttributes &storedAttributes(TvdxComponent *source);

    std::unique_ptr<TvdXMLDocument> FXMLDoc;
    TvdxDictionary FDictionary;
    QList<TvdxReportPage *> FSourcePages;
    // While pages are exported: each source page's stored settings, written
    // once instead of once per page built from it.
    QHash<const TvdxReportPage *, QByteArray> FSourcePageStreams;
    bool FKeepSourcePageStreams = false;
    std::optional<ReusablePage> FLastBuilt; // the page last built while exporting
    std::optional<ReusablePage> FSparePage; // owned here, out of the cache
    QHash<const TvdxComponent *, StoredAttributes> FStoredAttributes;
    TvdXMLItem *FPagesItem = nullptr;
    TvdXMLItem *FNumbersItem = nullptr; // "logicalpagenumbers", looked up once per document
    QStringList FSourcePageNames;       // "page<n>", shared by every page made from it
    QList<CacheEntry> FPageCache;
    TvdxReportPage *FLockedPage = nullptr;
    std::unique_ptr<TvdxPictureCache> FPictureCache;
    qint64 FXMLSize = 0;
    int FFirstPageIndex = -1;
    int FFirstObjectIndex = 0;
    int FFirstOutlineIndex = 0;
    int FLogicalPageN = 0;
    long double FLastY = 0;
    TvdxCachedGraphicType FCachedGraphicState = cgOriginal;
    TvdxSignaturePages FSignaturePages;
    TvdxExportEnd FLastExportEnd = eeNone;
    // When the export loop last let events through.
    QElapsedTimer FLastExportEvents;
};

// A built page held pinned in the cache for as long as the handle lives: no
// other fetch evicts it. The previous pin comes back afterwards, unless that
// page has left the cache meanwhile. Page() is none when the page does not
// build, or once the store was cleared under the handle.
class TvdxPinnedPage {
public:
    TvdxPinnedPage(TvdxPreviewPages &pages, int index);
    ~TvdxPinnedPage() { Release(); }
    TvdxPinnedPage(const TvdxPinnedPage &) = delete;
    TvdxPinnedPage &operator=(const TvdxPinnedPage &) = delete;

    TvdxReportPage *Page() const;
    void Release();

private:
    TvdxPreviewPages *m_pages;
    TvdxReportPage *m_page = nullptr;
    TvdxReportPage *m_previous = nullptr;
    bool m_held = false;
};

// Pixels per millimetre.
constexpr long double vdxMMFactor = 3.77953L;
