#include "report/vdxClass_engine.h"

#include "core/vdPictureCache.h"
#include "platform/IniFile.h"
#include "report/vdxClass_bases.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_view.h"
#include "report/vdxServiceDoubles.h"

#include <QVariant>

void vdxAbstractError() { throw EAbstractError(QStringLiteral("Abstract Error")); }

// ---------------------------------------------------------------------------
TvdxCustomEngine::TvdxCustomEngine(TvdxReport *aReport)
    : FReport(aReport), FNotifyList(std::make_unique<QList<QObject *>>())
{
}

TvdxCustomEngine::~TvdxCustomEngine() = default;

TvdxCustomAggregateList *TvdxCustomEngine::GetAggregates() { vdxAbstractError(); }
void TvdxCustomEngine::EndPage() { vdxAbstractError(); }
void TvdxCustomEngine::NewColumn() { vdxAbstractError(); }
void TvdxCustomEngine::NewPage() { vdxAbstractError(); }
void TvdxCustomEngine::PrepareShiftTree(TvdxReportComponent *) { vdxAbstractError(); }
TvdxBand *TvdxCustomEngine::ShowBand(TvdxBand *) { vdxAbstractError(); }
void TvdxCustomEngine::ShowBand(const QMetaObject *) { vdxAbstractError(); }
void TvdxCustomEngine::Stretch(TvdxReportComponent *, bool) { vdxAbstractError(); }
void TvdxCustomEngine::UnStretch(TvdxReportComponent *) { vdxAbstractError(); }
void TvdxCustomEngine::InitializeSplit(TvdxReportComponent *, QList<TvdxComponent *> &, QList<TvdxComponent *> &)
{
    vdxAbstractError();
}
bool TvdxCustomEngine::SplitObjects(TvdxReportComponent *, QList<TvdxComponent *> &, QList<TvdxComponent *> &,
                                    long double)
{
    vdxAbstractError();
}
void TvdxCustomEngine::FinalizeSplit(TvdxReportComponent *, QList<TvdxComponent *> &, QList<TvdxComponent *> &,
                                     long double)
{
    vdxAbstractError();
}
long double TvdxCustomEngine::HeaderHeight(bool) { vdxAbstractError(); }
long double TvdxCustomEngine::FooterHeight() { vdxAbstractError(); }
long double TvdxCustomEngine::FreeSpace() { vdxAbstractError(); }
Variant TvdxCustomEngine::GetAggregateValue(const QString &, const QString &, TvdxComponent *, int)
{
    vdxAbstractError();
}
void TvdxCustomEngine::ProcessObject(TvdxComponent *) { vdxAbstractError(); }
bool TvdxCustomEngine::Run(bool, bool, TvdxPage *) { vdxAbstractError(); }

void TvdxCustomEngine::ShowBandByName(const QString &bandName)
{
    if (!FReport)
        return;
    // Names that are no band are ignored rather than handed on as one.
    if (auto *band = qobject_cast<TvdxBand *>(FReport->FindObject(bandName)))
        ShowBand(band);
}

void TvdxCustomEngine::StopReport()
{
    if (FReport)
        FReport->SetTerminated(true);
}

void TvdxCustomEngine::SetPreviewPages(TvdxCustomPreviewPages *value)
{
    FPreviewPages = value;
    if (value)
        value->SetEngine(this);
}

bool TvdxCustomEngine::DoublePass() const
{
    if (!FReport)
        return false;
    // Asked once per page: no look-up by name.
    const TvdxEngineOptions *options = FReport->EngineOptions();
    return options && options->DoublePass();
}

// ---------------------------------------------------------------------------
TvdxPreviewPagesHooks &vdxPreviewPagesHooks()
{
    static TvdxPreviewPagesHooks hooks;
    return hooks;
}

TvdxCustomPreviewPages::TvdxCustomPreviewPages(TvdxReport *aReport) : FReport(aReport)
{
    auto &outlineClass = vdxOutlineClass();
    FOutline.reset(outlineClass ? outlineClass(this) : new TvdxStubOutline(this));
    if (auto &create = vdxPreviewPagesHooks().createPostProcessor)
        FPostProcessor = create();
}

TvdxCustomPreviewPages::~TvdxCustomPreviewPages()
{
    FOutline.reset();
    FPictureCacheOptions.reset();
    auto &hooks = vdxPreviewPagesHooks();
    if (FPostProcessor && hooks.freePostProcessor)
        hooks.freePostProcessor(FPostProcessor);
    if (FStyles && hooks.freeStyles)
        hooks.freeStyles(FStyles);
}

void TvdxCustomPreviewPages::ClearCache() { vdxAbstractError(); }
int TvdxCustomPreviewPages::GetCount() { vdxAbstractError(); }
TvdxReportPage *TvdxCustomPreviewPages::GetPage(int) { vdxAbstractError(); }
QPointF TvdxCustomPreviewPages::GetPageSize(int) { vdxAbstractError(); }

TvdxPictureCacheOptions *TvdxCustomPreviewPages::GetPictureCacheOptions()
{
    if (!FPictureCacheOptions)
        FPictureCacheOptions = std::make_unique<TvdxPictureCacheOptions>();
    return FPictureCacheOptions.get();
}

void TvdxCustomPreviewPages::Clear() { vdxAbstractError(); }
void TvdxCustomPreviewPages::Initialize() { vdxAbstractError(); }
void TvdxCustomPreviewPages::AddObject(TvdxComponent *) { vdxAbstractError(); }
void TvdxCustomPreviewPages::AddPage(TvdxReportPage *) { vdxAbstractError(); }
void TvdxCustomPreviewPages::AddSourcePage(TvdxReportPage *) { vdxAbstractError(); }
void TvdxCustomPreviewPages::AddToSourcePage(TvdxComponent *) { vdxAbstractError(); }
void TvdxCustomPreviewPages::BeginPass() { vdxAbstractError(); }
void TvdxCustomPreviewPages::ClearFirstPassPages() { vdxAbstractError(); }
void TvdxCustomPreviewPages::CutObjects(int) { vdxAbstractError(); }
void TvdxCustomPreviewPages::DeleteObjects(int) { vdxAbstractError(); }
void TvdxCustomPreviewPages::DeleteAnchors(int) { vdxAbstractError(); }

void TvdxCustomPreviewPages::Finish()
{
    if (auto &finish = vdxPreviewPagesHooks().finish)
        finish(FReport, this);
}

void TvdxCustomPreviewPages::IncLogicalPageNumber() { vdxAbstractError(); }
void TvdxCustomPreviewPages::ResetLogicalPageNumber() { vdxAbstractError(); }
void TvdxCustomPreviewPages::PasteObjects(long double, long double) { vdxAbstractError(); }
void TvdxCustomPreviewPages::ShiftAnchors(int, int) { vdxAbstractError(); }
IvdxCachedGraphicRef TvdxCustomPreviewPages::GetPicture(TvdxCachedGraphicType, int) { vdxAbstractError(); }
void TvdxCustomPreviewPages::AddPicture(TvdxComponent *) { vdxAbstractError(); }
int TvdxCustomPreviewPages::AddGraphic(TGraphic *) { vdxAbstractError(); }
bool TvdxCustomPreviewPages::BandExists(TvdxBand *) { vdxAbstractError(); }
int TvdxCustomPreviewPages::GetCurPosition() { vdxAbstractError(); }
int TvdxCustomPreviewPages::GetAnchorCurPosition() { vdxAbstractError(); }
long double TvdxCustomPreviewPages::GetLastY(long double) { vdxAbstractError(); }
int TvdxCustomPreviewPages::GetLogicalPageNo() { vdxAbstractError(); }
int TvdxCustomPreviewPages::GetLogicalTotalPages() { vdxAbstractError(); }
void TvdxCustomPreviewPages::AddEmptyPage(int) { vdxAbstractError(); }
void TvdxCustomPreviewPages::DeletePage(int) { vdxAbstractError(); }
void TvdxCustomPreviewPages::ModifyPage(int, TvdxReportPage *) { vdxAbstractError(); }
void TvdxCustomPreviewPages::ModifyObject(TvdxComponent *) { vdxAbstractError(); }
void TvdxCustomPreviewPages::AddAnchor(const QString &) { vdxAbstractError(); }
int TvdxCustomPreviewPages::GetAnchorPage(const QString &) { vdxAbstractError(); }
void TvdxCustomPreviewPages::DrawPage(int, Canvas &, double, double, double, double, bool) { vdxAbstractError(); }
void TvdxCustomPreviewPages::ObjectOver(int, int, int, TvdxMouseButton, TvdxShiftState, double, int, int,
                                        TvdxPreviewIntEventParams &)
{
    vdxAbstractError();
}
void TvdxCustomPreviewPages::AddFrom(TvdxReport *) { vdxAbstractError(); }
void TvdxCustomPreviewPages::AddFromPreviewPages(TvdxCustomPreviewPages *) { vdxAbstractError(); }
void TvdxCustomPreviewPages::LoadFromStream(QIODevice &, bool) { vdxAbstractError(); }
void TvdxCustomPreviewPages::SaveToStream(QIODevice &) { vdxAbstractError(); }
bool TvdxCustomPreviewPages::SaveToFilter(QObject *, const QString &) { vdxAbstractError(); }
bool TvdxCustomPreviewPages::LoadFromFile(const QString &, bool) { vdxAbstractError(); }
void TvdxCustomPreviewPages::SaveToFile(const QString &) { vdxAbstractError(); }
bool TvdxCustomPreviewPages::Print() { vdxAbstractError(); }
bool TvdxCustomPreviewPages::Export(TvdxCustomExportFilter *) { vdxAbstractError(); }

TvdxStyles *TvdxCustomPreviewPages::Styles()
{
    if (!FStyles)
        if (auto &create = vdxPreviewPagesHooks().createStyles)
            FStyles = create(FReport);
    return FStyles;
}

void TvdxCustomPreviewPages::SetStyles(TvdxStyles *value)
{
    auto &assign = vdxPreviewPagesHooks().assignAsPreview;
    if (auto *styles = Styles(); styles && assign)
        assign(styles, value);
}

void TvdxCustomPreviewPages::ClearStyles()
{
    auto &hooks = vdxPreviewPagesHooks();
    if (FStyles && hooks.clear)
        hooks.clear(FStyles);
}

QObject *TvdxCustomPreviewPages::FindStyle(const QString &name)
{
    auto &hooks = vdxPreviewPagesHooks();
    if (!FStyles || !hooks.find)
        return nullptr;
    return hooks.find(FStyles, name);
}

bool TvdxCustomPreviewPages::IsStylesActive() const
{
    auto &hooks = vdxPreviewPagesHooks();
    return FStyles && hooks.count && hooks.count(FStyles) > 0;
}

void TvdxCustomPreviewPages::SetActiveStyleSheet(const QString &aName)
{
    auto &hooks = vdxPreviewPagesHooks();
    auto *styles = Styles();
    if (!styles || !hooks.activeStyleSheet || !hooks.activateStyleSheet)
        return;
    if (hooks.activeStyleSheet(styles) == aName)
        return;
    hooks.activateStyleSheet(styles, aName);
    ClearCache();
}

// ---------------------------------------------------------------------------
TvdxCustomOutline::TvdxCustomOutline(TvdxCustomPreviewPages *aPreviewPages) : FPreviewPages(aPreviewPages) {}

int TvdxCustomOutline::GetCount() { vdxAbstractError(); }
void TvdxCustomOutline::AddItem(const QString &, int) { vdxAbstractError(); }
void TvdxCustomOutline::DeleteItems(TvdXMLItem *) { vdxAbstractError(); }
void TvdxCustomOutline::LevelDown(int) { vdxAbstractError(); }
void TvdxCustomOutline::LevelRoot() { vdxAbstractError(); }
void TvdxCustomOutline::LevelUp() { vdxAbstractError(); }
void TvdxCustomOutline::GetItem(int, QString &, int &, int &) { vdxAbstractError(); }
void TvdxCustomOutline::ShiftItems(TvdXMLItem *, int) { vdxAbstractError(); }
TvdXMLItem *TvdxCustomOutline::GetCurPosition() { vdxAbstractError(); }

TvdxCustomEngine *TvdxCustomOutline::Engine() const { return FPreviewPages ? FPreviewPages->Engine() : nullptr; }

// ---------------------------------------------------------------------------
TvdxCustomDesigner::TvdxCustomDesigner(QWidget *aOwner, TvdxReport *aReport, bool aPreviewDesigner)
    : TvdxBaseForm(aOwner),
      FReport(aReport),
      FObjects(std::make_unique<QList<TvdxComponent *>>()),
      FSelectedObjects(std::make_unique<TvdxSelectedObjectsList>())
{
    IsPreviewDesigner = aPreviewDesigner;
}

TvdxCustomDesigner::~TvdxCustomDesigner() = default;

std::unique_ptr<TCustomIniFile> TvdxCustomDesigner::GetPreferencesStorage(bool aDefault)
{
    if (!FReport)
        return TvdxBaseForm::GetPreferencesStorage(aDefault);
    if (aDefault)
        return GetDefaultPreferences();
    return FReport->GetIniFile();
}

void TvdxCustomDesigner::SetModified(bool value)
{
    FModified = value;
    if (value && FReport)
        FReport->SetModified(true);
}

void TvdxCustomDesigner::DeleteObject(TvdxComponent *vComp)
{
    FSelectedObjects->Remove(vComp);
    FObjects->removeAll(vComp);
    delete vComp;
}

QStringList TvdxCustomDesigner::GetCode() { vdxAbstractError(); }
void TvdxCustomDesigner::ClearLastActiveObject() { vdxAbstractError(); }
QString TvdxCustomDesigner::InsertExpression(const QString &) { vdxAbstractError(); }
bool TvdxCustomDesigner::IsChangedExpression(const QString &, QString &) { vdxAbstractError(); }
void TvdxCustomDesigner::Lock() { vdxAbstractError(); }
void TvdxCustomDesigner::ReloadPages(int) { vdxAbstractError(); }
void TvdxCustomDesigner::ReloadReport() { vdxAbstractError(); }
void TvdxCustomDesigner::ReloadObjects(bool) { vdxAbstractError(); }
void TvdxCustomDesigner::UpdateDataTree() { vdxAbstractError(); }
void TvdxCustomDesigner::UpdatePage() { vdxAbstractError(); }
void TvdxCustomDesigner::UpdateInspector() { vdxAbstractError(); }
void TvdxCustomDesigner::DisableInspectorUpdate() { vdxAbstractError(); }
void TvdxCustomDesigner::EnableInspectorUpdate() { vdxAbstractError(); }
void TvdxCustomDesigner::InternalCopy() { vdxAbstractError(); }
void TvdxCustomDesigner::InternalPaste() { vdxAbstractError(); }
bool TvdxCustomDesigner::InternalIsPasteAvailable() { vdxAbstractError(); }
void TvdxCustomDesigner::ReportDataEdit() { vdxAbstractError(); }
void TvdxCustomDesigner::ReportEditVariable() { vdxAbstractError(); }
bool TvdxCustomDesigner::IsDataTree(QObject *) { vdxAbstractError(); }
void TvdxCustomDesigner::SetSelection(TvdxComponent *, const QString &, QPoint, QPoint) { vdxAbstractError(); }
QString TvdxCustomDesigner::GetDataSelectedAsExp() { vdxAbstractError(); }

// ---------------------------------------------------------------------------
TvdxEngineFactory &vdxEngineClass()
{
    static TvdxEngineFactory factory;
    return factory;
}

TvdxPreviewPagesFactory &vdxPreviewPagesClass()
{
    static TvdxPreviewPagesFactory factory;
    return factory;
}

TvdxOutlineFactory &vdxOutlineClass()
{
    static TvdxOutlineFactory factory;
    return factory;
}

TvdxDesignerClass &vdxDesignerClass()
{
    static TvdxDesignerClass factory;
    return factory;
}

TvdxCustomEngine *vdxCreateEngine(TvdxReport *report)
{
    auto &factory = vdxEngineClass();
    return factory ? factory(report) : new TvdxStubEngine(report);
}

TvdxCustomPreviewPages *vdxCreatePreviewPages(TvdxReport *report)
{
    auto &factory = vdxPreviewPagesClass();
    return factory ? factory(report) : new TvdxStubPreviewPages(report);
}
