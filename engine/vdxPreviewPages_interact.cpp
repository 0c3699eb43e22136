// Mouse events over prepared pages (hover, hints, hyperlinks, drill-down,
// objects changed by a click) and the page editing the preview uses.
#include "engine/vdxPreviewPages.h"

#include "core/vdxXMLSerializer.h"
#include "engine/vdxPreviewInteraction.h"
#include "engine/vdxPreviewPages_p.h"
#include "platform/UiProvider.h"
#include "report/vdxClass_band.h"
#include "report/vdxClass_bases.h"
#include "report/vdxClass_hyperlink.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_picture.h"
#include "report/vdxPreviewPagesList.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_view.h"
#include "script/ov_iclassesrtti.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QToolTip>
#include <QUrl>
#include <cmath>

Qt::CursorShape vdxQtCursorShape(int cursor)
{
    switch (cursor) {
    case -3: return Qt::CrossCursor;
    case -4: return Qt::IBeamCursor;
    case -6: return Qt::SizeBDiagCursor;
    case -7: return Qt::SizeVerCursor;
    case -8: return Qt::SizeFDiagCursor;
    case -9: return Qt::SizeHorCursor;
    case -10: return Qt::UpArrowCursor;
    case -11: return Qt::WaitCursor;
    case -12: return Qt::DragMoveCursor;
    case -13: case -18: return Qt::ForbiddenCursor;
    case -14: return Qt::SplitHCursor;
    case -15: return Qt::SplitVCursor;
    case -19: return Qt::BusyCursor;
    case -20: return Qt::WhatsThisCursor;
    case -21: case 150: return Qt::PointingHandCursor;
    case -22: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

TvdxUrlOpener &vdxUrlOpener()
{
    static TvdxUrlOpener opener = [](const QString &url) { QDesktopServices::openUrl(QUrl(url)); };
    return opener;
}

bool vdxIsOpenableUrl(const QString &url)
{
    const QUrl u(url.trimmed(), QUrl::StrictMode);
    if (!u.isValid())
        return false;
    const QString scheme = u.scheme().toLower();
    if (scheme == QLatin1String("mailto"))
        return !u.path().isEmpty();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !u.host().isEmpty();
}

namespace {

constexpr TvdxShiftState ssShift = 1;

// The part of a hint before "|" is shown at the mouse, the part after it
// (the whole hint without one) in the status line.
QString shortHint(const QString &hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.left(bar);
}

QString longHint(const QString &hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

long double marginPx(const TvdxReportPage *page, const char *name)
{
    return page->property(name).toDouble() * vdxMMFactor;
}

// The page that holds a record: the child of the pages item above it.
TvdXMLItem *pageItemOf(TvdXMLItem *record, TvdXMLItem *pages)
{
    TvdXMLItem *item = record;
    while (item && item->Parent() != pages)
        item = item->Parent();
    return item;
}

// A detail template may only come from the linking report's folder or below.
QString detailPath(const QString &reportFile, const QString &detail)
{
    const QString folder = reportFile.isEmpty() ? QDir::currentPath() : QFileInfo(reportFile).absolutePath();
    QString name = detail;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QFileInfo info(QDir(folder), name);
    const QString canonical = info.canonicalFilePath();
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || root.isEmpty())
        return {};
    if (!canonical.startsWith(root + QLatin1Char('/')))
        return {};
    return canonical;
}

} // namespace

TvdxPinnedPage::TvdxPinnedPage(TvdxPreviewPages &pages, int index) : m_pages(&pages)
{
    m_page = pages.GetPage(index);
    if (!m_page)
        return;
    m_previous = pages.FLockedPage;
    pages.FLockedPage = m_page;
    m_held = true;
}

TvdxReportPage *TvdxPinnedPage::Page() const
{
    return m_held && m_pages->FLockedPage == m_page ? m_page : nullptr;
}

void TvdxPinnedPage::Release()
{
    if (!m_held)
        return;
    m_held = false;
    if (m_pages->FLockedPage != m_page)
        return; // cleared or pinned anew meanwhile
    m_pages->FLockedPage = nullptr;
    for (const auto &e : m_pages->FPageCache)
        if (e.page == m_previous && m_previous)
            m_pages->FLockedPage = m_previous;
}

// ---------------------------------------------------------------------------
void TvdxPreviewPages::ObjectOver(int index, int x, int y, TvdxMouseButton button, TvdxShiftState shift, double scale,
                                  int offsetX, int offsetY, TvdxPreviewIntEventParams &ep)
{
    if (!FReport || index < 0 || index >= Count() || (FEngine && FEngine->Running) || scale <= 0)
        return;
    TvdxPinnedPage pin(*this, index);
    TvdxReportPage *page = pin.Page();
    if (!page)
        return;

    // 1. The page origin in device pixels.
    const bool mirror = page->MirrorMargins() && index % 2 == 1;
    const long double ox = offsetX + scale * marginPx(page, mirror ? "RightMargin" : "LeftMargin");
    const long double oy = offsetY + scale * marginPx(page, "TopMargin");
    TvdxCustomPreview *preview = FReport->Preview();
    auto *navigation = dynamic_cast<IvdxPreviewNavigation *>(preview);
    TvdxInteractiveEventsParams params;
    if (preview)
        preview->SetDefaultEventParams(params);
    else {
        params.Sender = nullptr;
        params.EventSender = esPreview;
        params.EditorsList = nullptr;
    }
    params.OffsetX = ox;
    params.OffsetY = oy;
    params.Scale = scale;

    // 2. The object under the mouse.
    TvdxComponent *obj = nullptr;
    if (ep.MouseEventType == meMouseMove || !LastObjectOver) {
        const double px = double((x - ox) / scale), py = double((y - oy) / scale);
        LastDrill = nullptr;
        TvdxComponent *c = page->GetContainedComponent(px, py);
        // Bands never answer a point in the preview: the headers are asked.
        for (TvdxComponent *band : page->Objects().List())
            if (auto *header = qobject_cast<TvdxGroupHeader *>(band); header && header->DrillDown() && header->IsContain(px, py))
                LastDrill = header;
        if (qobject_cast<TvdxView *>(c) && c->IsContain(px, py))
            obj = c;
    } else
        obj = LastObjectOver;
    auto *view = qobject_cast<TvdxView *>(obj);

    // 3. The drill-down header in hand.
    TvdxComponent *drill = LastDrill;
    if (obj)
        if (auto *header = qobject_cast<TvdxGroupHeader *>(obj->Parent()); header && header->DrillDown())
            drill = header;

    // 4. A plain press empties the selection.
    const bool selecting = FReport->PreviewOptions()->Buttons().testFlag(TvdxPreviewOptions::pbSelection);
    bool repaint = params.Refresh;
    if (params.SelectionList && selecting && ep.MouseEventType == meMouseDown && (!obj || !(shift & ssShift)) &&
        params.SelectionList->Count() > 0) {
        params.SelectionList->Clear();
        repaint = true;
    }

    // 5. Hover, cursor, hint and the event itself.
    QString status;
    bool clickModified = false;
    const bool isClick = ep.MouseEventType == meClick || ep.MouseEventType == meDbClick;
    if (view) {
        const int rx = x - int(std::nearbyint(double(ox))), ry = y - int(std::nearbyint(double(oy)));
        if (LastObjectOver && LastObjectOver != obj)
            if (auto *last = qobject_cast<TvdxView *>(LastObjectOver))
                FReport->DoMouseLeave(last, rx, ry, obj, params);
        if (LastObjectOver != obj) {
            TvdxComponent *previous = LastObjectOver;
            LastObjectOver = obj;
            FReport->DoMouseEnter(view, previous, params);
        }
        ep.Cursor = view->Cursor();
        if (!view->Hyperlink()->Value().isEmpty()) {
            status = view->Hyperlink()->Value();
            if (view->Cursor() == vdxCrDefault)
                ep.Cursor = vdxCrHandPoint;
        }
        if (!view->Hint().isEmpty() && view->ShowHint() && preview && preview->UseReportHints) {
            status = longHint(view->Hint());
            const QString hint = shortHint(view->Hint());
            preview->setToolTip(hint);
            const QPoint at(x, y + (preview->HasVisibleTabs() ? 22 : 0));
            QToolTip::showText(preview->mapToGlobal(at), hint, preview);
        }
        switch (ep.MouseEventType) {
        case meClick:
        case meDbClick:
            FReport->DoPreviewClick(view, button, shift, clickModified, params, ep.MouseEventType == meDbClick);
            break;
        case meMouseMove:
            view->MouseMove(rx, ry, shift, params);
            break;
        case meMouseUp:
            FReport->DoMouseUp(view, rx, ry, button, shift, params);
            break;
        case meMouseDown:
            ep.RetResult = view->MouseDown(rx, ry, button, shift, params);
            if ((shift & ssShift) && selecting && params.SelectionList) {
                if (params.SelectionList->IndexOf(view) >= 0)
                    params.SelectionList->Remove(view);
                else
                    params.SelectionList->Add(view);
                repaint = true;
            }
            break;
        case meDragOver:
            ep.RetResult = view->DragOver(ep.Sender, rx, ry, ep.State, ep.Accept, params);
            break;
        case meDragDrop:
            ep.RetResult = view->DragDrop(ep.Sender, x, y, params);
            break;
        case meMouseWheel:
            ep.RetResult = view->MouseWheel(shift, ep.WheelDelta, ep.MousePos, params);
            break;
        }
        if (!isClick || drill) {
            if (FReport->OnMouseOverObject)
                FReport->OnMouseOverObject(view);
        } else
            followHyperlink(view);
    }

    // 6. A view the click changed goes back into its record.
    if (clickModified && LastObjectOver) {
        TvdxComponent *changed = LastObjectOver;
        if (auto *memo = qobject_cast<TvdxCustomMemoView *>(changed))
            memo->ApplyPreviewHighlight();
        ModifyObject(changed);
        auto *changedView = qobject_cast<TvdxView *>(changed);
        if (changedView && !changedView->OnContentChanged().isEmpty()) {
            TovHostList list;
            Variant args = Variant::arrayOf({Variant::fromObject(changedView), Variant::fromObject(&list),
                                             Variant(params.Refresh)});
            FReport->DoParamEvent(changedView->OnContentChanged(), args, true);
            const Variant refresh = args.isArray() && args.arrayHighBound(1) >= 2 ? args.arrayGet(2) : Variant(false);
            params.Refresh = refresh.toBool();
            for (int i = 0; i < list.Count(); ++i)
                if (auto *other = qobject_cast<TvdxComponent *>(list.Items(i)))
                    ModifyObject(other);
        }
        ep.RetResult = true;
        LastDrill = nullptr;
        repaint = true;
    }

    // 7. The mouse left the tracked object.
    if (!obj && LastObjectOver) {
        if (auto *last = qobject_cast<TvdxView *>(LastObjectOver))
            FReport->DoMouseLeave(last, x - int(std::nearbyint(double(ox))), y - int(std::nearbyint(double(oy))),
                                  nullptr, params);
        LastObjectOver = nullptr;
        LastDrill = nullptr;
        if (preview) {
            preview->setToolTip(QString());
            QToolTip::hideText();
        }
        FReport->SetProgressMessage(QString(), true);
    } else if (!status.isEmpty())
        FReport->SetProgressMessage(status, true);

    // 8.
    if (repaint || params.Refresh) {
        if (navigation)
            navigation->RepaintPages();
        else if (preview)
            preview->update();
    }

    // 9. Drill-down: a left click expands or collapses the group and the
    // report is prepared again (this store may be emptied by that).
    if (drill) {
        ep.Cursor = vdxCrHandPoint;
        if (ep.MouseEventType == meClick && button == mbLeft) {
            const QString name = drill->property("DrillName").toString();
            QStringList &state = FReport->DrillState();
            if (state.contains(name))
                state.removeAll(name);
            else
                state.append(name);
            LastObjectOver = nullptr;
            LastDrill = nullptr;
            pin.Release();
            if (preview)
                preview->RefreshReport();
        }
    }

    // 10.
    pin.Release();
    FReport->RunDelayedCommands();
}

void TvdxPreviewPages::FireMouseLeave()
{
    TvdxInteractiveEventsParams params;
    TvdxCustomPreview *preview = FReport ? FReport->Preview() : nullptr;
    if (preview)
        preview->SetDefaultEventParams(params);
    params.OffsetX = 0;
    params.OffsetY = 0;
    params.Scale = 1;
    params.EditMode = dtSelect;
    if (FReport && LastObjectOver)
        if (auto *last = qobject_cast<TvdxView *>(LastObjectOver))
            FReport->DoMouseLeave(last, 0, 0, nullptr, params);
    LastObjectOver = nullptr;
    LastDrill = nullptr;
    if (preview) {
        preview->setToolTip(QString());
        QToolTip::hideText();
    }
}

// ---------------------------------------------------------------------------
void TvdxPreviewPages::followHyperlink(TvdxView *view)
{
    // A copy: what the link starts may free the view.
    TvdxHyperlink link;
    link.Assign(view->Hyperlink());
    TvdxCustomPreview *preview = FReport->Preview();
    auto *navigation = dynamic_cast<IvdxPreviewNavigation *>(preview);
    switch (link.Kind()) {
    case TvdxHyperlink::hkURL: {
        const QString url = link.Value().trimmed();
        if (url.isEmpty())
            break;
        if (!vdxIsOpenableUrl(url)) {
            FReport->SetProgressMessage(QStringLiteral("Only web and mail addresses are opened: %1").arg(url), true);
            break;
        }
        if (vdUiProvider().MessageBox(QStringLiteral("Open %1?").arg(url), QStringLiteral("Hyperlink"),
                                      MB_YESNO | MB_ICONQUESTION) == IDYES)
            if (auto &open = vdxUrlOpener())
                open(url);
        break;
    }
    case TvdxHyperlink::hkAnchor:
        if (TvdXMLItem *anchor = FindAnchor(link.Value()); anchor && navigation) {
            const int pageN = vdxPropInt(anchor, QStringLiteral("page")) + 1;
            navigation->SetPageNo(pageN);
            navigation->SetPosition(pageN, vdxPropInt(anchor, QStringLiteral("top")));
        }
        break;
    case TvdxHyperlink::hkPageNumber: {
        bool ok = false;
        const int pageNo = link.Value().trimmed().toInt(&ok);
        if (ok && navigation)
            navigation->SetPageNo(pageNo);
        break;
    }
    case TvdxHyperlink::hkDetailReport:
        if (preview && preview->HasTab(link.Value()))
            preview->SwitchToTab(link.Value());
        else if (!link.DetailReport().isEmpty())
            openDetailReport(link);
        break;
    case TvdxHyperlink::hkDetailPage:
        if (preview && preview->HasTab(link.Value()))
            preview->SwitchToTab(link.Value());
        else if (!link.DetailPage().isEmpty())
            openDetailPage(link);
        break;
    case TvdxHyperlink::hkCustom:
    case TvdxHyperlink::hkNone:
        break;
    }
}

void TvdxPreviewPages::openDetailReport(const TvdxHyperlink &link)
{
    FireMouseLeave();
    auto detail = std::make_unique<TvdxReport>();
    detail->SetPreviewOptions(FReport->PreviewOptions());
    detail->EngineOptions()->Assign(FReport->EngineOptions());
    if (detail->PreviewPages() && PictureCacheOptions())
        if (auto *options = detail->PreviewPages()->PictureCacheOptions())
            options->Assign(PictureCacheOptions());
    detail->OnLoadTemplate = FReport->OnLoadTemplate;
    bool loaded = false;
    if (FReport->OnLoadDetailTemplate && FReport->OnLoadDetailTemplate(detail.get(), link.DetailReport()))
        loaded = true;
    else {
        const QString path = detailPath(FReport->FileName(), link.DetailReport());
        if (path.isEmpty()) {
            FReport->SetProgressMessage(
                QStringLiteral("Detail report refused: %1 is not in the report's folder").arg(link.DetailReport()), true);
            return;
        }
        loaded = detail->LoadFromFile(path);
    }
    // A report that did not load opens no tab and goes at once.
    if (!loaded)
        return;
    link.AssignVariables(detail.get());
    detail->PrepareReport(true);
    TvdxCustomPreview *preview = FReport->Preview();
    if (!preview)
        return;
    preview->AddPreviewTab(detail.release(), link.Value(), link.TabCaption(), true, nullptr);
    LastObjectOver = nullptr;
    LastDrill = nullptr;
}

void TvdxPreviewPages::openDetailPage(const TvdxHyperlink &link)
{
    auto *page = qobject_cast<TvdxPage *>(FReport->FindObject(link.DetailPage()));
    if (!page)
        return;
    link.AssignVariables(FReport);
    FireMouseLeave();
    FReport->SetTerminated(false);
    FReport->PreviewPagesList()->AddAsCurrent();
    TvdxCustomPreview *preview = FReport->Preview();
    if (preview) {
        preview->Lock();
        preview->AddPreviewTab(FReport, link.Value(), link.TabCaption(), false, page);
    }
    try {
        FReport->PreparePage(page);
    } catch (...) {
        if (preview)
            preview->Unlock(true);
        throw;
    }
    if (preview)
        preview->Unlock(true);
}

// ---------------------------------------------------------------------------
void TvdxPreviewPages::ModifyObject(TvdxComponent *component)
{
    if (!component || !component->SerializedItem())
        return;
    TvdXMLItem *record = component->SerializedItem();
    TvdxComponent *source = FDictionary.GetObject(record->Name());
    const auto state = component->vdComponentState();
    component->SetvdComponentState(state | TvdxComponent::csVdxModifyObject);
    QString text;
    try {
        if (!source || component->vdComponentStyle().testFlag(TvdxComponent::csDefaultDiff) ||
            qobject_cast<TvdxPictureView *>(component))
            text = component->AllDiff(source);
        else
            text = component->Diff(source);
    } catch (...) {
        component->SetvdComponentState(state);
        throw;
    }
    component->SetvdComponentState(state);
    record->SetText(text.trimmed());
    // An edited page stays in memory: unloading would read the old records back.
    if (TvdXMLItem *page = pageItemOf(record, PagesItem()))
        page->SetUnloadable(false);
}

void TvdxPreviewPages::ModifyPage(int index, TvdxReportPage *page)
{
    TvdXMLItem *item = PageItem(index);
    if (!item || !page)
        return;
    TvdXMLItem written;
    written.SetName(page->ClassName());
    written.SetText(TvdxXMLSerializer().ObjToXML(page).trimmed());
    for (TvdxComponent *child : page->Objects().List())
        writeObject(child, &written, true, 0, false);
    item->Clear();
    item->SetName(written.Name());
    item->SetText(written.Text());
    while (written.Count() > 0)
        item->AddItem(written.Items(0));
    item->SetUnloadable(false);
    if (FLockedPage == page)
        FLockedPage = nullptr;
    ClearCache();
}

void TvdxPreviewPages::movePageReferences(int index, int delta)
{
    const int count = Count();
    auto moved = [&](int page) {
        if (delta > 0)
            return page >= index ? page + delta : page;
        // Items of a deleted page go to the page that takes its place.
        if (page > index)
            return page + delta;
        return std::min(page, std::max(count - 1, 0));
    };
    TvdXMLItem *anchors = RootItem("anchors");
    for (int i = 0; i < anchors->Count(); ++i) {
        TvdXMLItem *a = anchors->Items(i);
        a->SetPropAsInteger(QStringLiteral("page"), moved(vdxPropInt(a, QStringLiteral("page"))));
    }
    std::function<void(TvdXMLItem *, int)> shiftOutline = [&](TvdXMLItem *item, int depth) {
        if (depth > vdxMaxNesting)
            return;
        for (int i = 0; i < item->Count(); ++i) {
            TvdXMLItem *o = item->Items(i);
            o->SetPropAsInteger(QStringLiteral("page"), moved(vdxPropInt(o, QStringLiteral("page"))));
            shiftOutline(o, depth + 1);
        }
    };
    shiftOutline(RootItem("outline"), 0);

    // Logical numbers: one entry per page; the numbering run around the
    // changed page gains or loses one page.
    TvdXMLItem *numbers = NumbersItem();
    if (index < 0 || index >= numbers->Count())
        return;
    auto n = [&](int i) { return vdxPropInt(numbers->Items(i), QStringLiteral("n")); };
    auto add = [&](int i, const char *name, int d) {
        TvdXMLItem *e = numbers->Items(i);
        const QString key = QLatin1String(name);
        if (e->PropExists(key))
            e->SetPropAsInteger(key, vdxPropInt(e, key) + d);
    };
    int runStart = index;
    while (runStart > 0 && n(runStart) != 1)
        --runStart;
    int first = index; // the first entry that renumbers
    if (delta > 0) {
        auto *copy = new TvdXMLItem();
        copy->SetName(QStringLiteral("page"));
        copy->SetText(numbers->Items(index)->Text());
        numbers->InsertItem(index, copy);
        first = index + 1;
    } else
        delete numbers->Items(index);
    int runEnd = first;
    if (runEnd < numbers->Count())
        ++runEnd;
    while (runEnd < numbers->Count() && n(runEnd) != 1)
        ++runEnd;
    if (delta < 0 && first < numbers->Count() && n(first) == 1)
        runEnd = first; // the deleted page ended its run
    for (int i = first; i < runEnd; ++i)
        add(i, "n", delta);
    for (int i = runStart; i < runEnd; ++i)
        add(i, "t", delta);
}

void TvdxPreviewPages::AddEmptyPage(int index)
{
    TvdXMLItem *pages = PagesItem();
    if (pages->Count() == 0 || index < 0 || index >= pages->Count())
        return;
    auto *item = new TvdXMLItem();
    item->SetName(pages->Items(index)->Name());
    pages->InsertItem(index, item);
    for (auto &e : FPageCache)
        if (e.key >= index)
            ++e.key;
    movePageReferences(index, 1);
    ClearCache();
}

void TvdxPreviewPages::DeletePage(int index)
{
    TvdXMLItem *pages = PagesItem();
    if (pages->Count() <= 1 || index < 0 || index >= pages->Count())
        return;
    for (auto &e : FPageCache) {
        if (e.key == index && e.page == FLockedPage)
            FLockedPage = nullptr;
        if (e.key > index)
            --e.key;
        else if (e.key == index)
            e.key = -1;
    }
    delete pages->Items(index);
    movePageReferences(index, -1);
    ClearCache();
}
