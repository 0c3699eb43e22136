#include "core/vdxRes.h"
#include "core/vdGraphics.h"
#include "core/vdImageList.h"

#include <QAbstractButton>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

const std::array<const char *, 17> vdxScriptMessageKeys = {
    "SLangNotFound",   "SInvalidLanguage", "SIdRedeclared", "SUnknownType",     "SIncompatibleTypes",
    "SIdUndeclared",   "SClassRequired",   "SIndexRequired", "SStringError",    "SClassError",
    "SArrayRequired",  "SVarRequired",     "SNotEnoughParams", "STooManyParams", "SLeftCantAssigned",
    "SForError",       "SEventError",
};

namespace {

struct HelpEntry {
    const char *form;
    const char *topic;
};

const HelpEntry kHelpTopics[] = {
    {"TvdxDesignerForm", "Designer.htm"},
    {"TvdxOptionsEditor", "Designer_options.htm"},
    {"TvdxReportEditorForm", "Report_options.htm"},
    {"TvdxPageEditorForm", "Page_options.htm"},
    {"TvdxCrossEditorForm", "Cross_tab_reports.htm"},
    {"TvdxChartEditorForm", "Diagrams.htm"},
    {"TvdxSyntaxMemo", "Script.htm"},
    {"TvdxDialogPage", "Dialogue_forms.htm"},
    {"TvdxDialogComponent", "Data_access_components.htm"},
    {"TvdxVarEditorForm", "Variables.htm"},
    {"TvdxHighlightEditorForm", "Conditional_highlighting.htm"},
    {"TvdxSysMemoEditorForm", "Inserting_aggregate_function.htm"},
    {"TvdxFormatEditorForm", "Values_formatting.htm"},
    {"TvdxGroupEditorForm", "Report_with_groups.htm"},
    {"TvdxPictureEditorForm", "Picture_object.htm"},
    {"TvdxMemoEditorForm", "Text_object.htm"},
    {"TvdxSQLEditorForm", "TvdxADOQuery.htm"},
};

std::array<QString *, 17> g_scriptTargets{};

TvdxStringResourcesChangedListener g_listener;
bool g_initialized = false;

std::unique_ptr<TvdxImageResources> &imageResources()
{
    static std::unique_ptr<TvdxImageResources> instance;
    return instance;
}

} // namespace

void vdxResInitialize()
{
    if (g_initialized)
        return;
    g_initialized = true;
    TvdStringResources *res = GetStringResources();
    res->AddListener(&g_listener);
    for (const HelpEntry &e : kHelpTopics)
        res->AddHelpTopic(QString::fromLatin1(e.form), QString::fromLatin1(e.topic));
}

void TvdxStringResourcesChangedListener::StringResourcesChanged(TvdStringResources *sender)
{
    for (size_t i = 0; i < vdxScriptMessageKeys.size(); ++i)
        if (g_scriptTargets[i])
            *g_scriptTargets[i] = sender->Get(QString::fromLatin1(vdxScriptMessageKeys[i]));
}

void vdxSetScriptMessageTargets(const std::array<QString *, 17> &targets)
{
    g_scriptTargets = targets;
}

TvdStringResources *GetResources()
{
    vdxResInitialize();
    return GetStringResources();
}

QString GetResStr(int id)
{
    return GetResources()->Get(id);
}

QString GetResStrByName(const QString &name)
{
    return GetResources()->Get(name);
}

void ShowErrorMsg(const QString &text)
{
    vdUiProvider().MessageBox(text, GetResStrByName(QStringLiteral("mbError")), MB_OK | MB_ICONERROR);
}

int ShowConfirmMsg(const QString &text, unsigned buttons)
{
    return vdUiProvider().MessageBox(text, GetResStrByName(QStringLiteral("mbConfirm")),
                                     (buttons & MB_BUTTONMASK) | MB_ICONQUESTION);
}

void ShowInfoMsg(const QString &text)
{
    vdUiProvider().MessageBox(text, GetResStrByName(QStringLiteral("mbInfo")), MB_OK | MB_ICONINFORMATION);
}

void HandleReportError(TvdxSilentMode mode, const QString &msg)
{
    switch (mode) {
    case simMessageBoxes: ShowErrorMsg(msg); break;
    case simSilent: break;
    case simReThrow: throw Exception(msg);
    }
}

TvdxImageResources *GetImageResources()
{
    std::unique_ptr<TvdxImageResources> &instance = imageResources();
    if (!instance) {
        vdxResInitialize();
        instance = std::make_unique<TvdxImageResources>();
    }
    return instance.get();
}

void SetImagesPPI(int value)
{
    GetImageResources()->SetImagesPPI(value);
}

// ------------------------------------------------------------ TvdxImageResources

TvdxImageResources::TvdxImageResources() = default;
TvdxImageResources::~TvdxImageResources() = default;

void TvdxImageResources::ResetImages()
{
    m_disabled = m_main = m_preview = m_objects = m_wizard = nullptr;
}

TvdImageList *TvdxImageResources::access(TvdImageList *&field, int tileWidth, int tileHeight, FillMethod fillMethod,
                                         const char *stripResource, const char *listName)
{
    if (field)
        return field;
    field = GetImageList(QString::fromLatin1(listName), ImagesPPI(), tileWidth, tileHeight);
    // A list kept from an earlier visit to this density is already filled.
    if (stripResource && fillMethod && field->Count() == 0) {
        const std::unique_ptr<TvdBitmap> strip = LoadStrip(QString::fromLatin1(stripResource), ImagesPPI());
        (this->*fillMethod)(*strip, false);
    }
    return field;
}

TvdImageList *TvdxImageResources::DisabledButtonImages()
{
    return access(m_disabled, 16, 16, nullptr, nullptr, "DisabledImages");
}

TvdImageList *TvdxImageResources::MainButtonImages()
{
    return access(m_main, 16, 16, &TvdxImageResources::SetButtonImages, "DesgnButtons", "MainButton");
}

TvdImageList *TvdxImageResources::PreviewButtonImages()
{
    return access(m_preview, 16, 16, &TvdxImageResources::SetPreviewButtonImages, "PreviewButtons", "PreviewImages");
}

TvdImageList *TvdxImageResources::ObjectImages()
{
    return access(m_objects, 16, 16, &TvdxImageResources::SetObjectImages, "ObjectButtons", "ObjectImages");
}

TvdImageList *TvdxImageResources::WizardImages()
{
    return access(m_wizard, 32, 32, &TvdxImageResources::SetWizardImages, "WizardButtons", "WizardImages");
}

void TvdxImageResources::fill(TvdImageList *list, TvdImageList *disabled, const TBitmap &images, bool clear, int tile)
{
    if (clear) {
        list->Clear();
        DisabledButtonImages()->Clear();
    }
    const int size = static_cast<int>(std::nearbyint(tile * ImagesPPI() / 96.0));
    SplitImageStrip(images, size, size, disabled, *list);
}

void TvdxImageResources::SetButtonImages(const TBitmap &images, bool clear)
{
    TvdImageList *main = m_main ? m_main : GetImageList(QStringLiteral("MainButton"), ImagesPPI(), 16, 16);
    fill(main, DisabledButtonImages(), images, clear, 16);
}

void TvdxImageResources::SetObjectImages(const TBitmap &images, bool clear)
{
    fill(m_objects ? m_objects : GetImageList(QStringLiteral("ObjectImages"), ImagesPPI(), 16, 16), nullptr, images,
         clear, 16);
}

void TvdxImageResources::SetPreviewButtonImages(const TBitmap &images, bool clear)
{
    fill(m_preview ? m_preview : GetImageList(QStringLiteral("PreviewImages"), ImagesPPI(), 16, 16), nullptr, images,
         clear, 16);
}

void TvdxImageResources::SetWizardImages(const TBitmap &images, bool clear)
{
    fill(m_wizard ? m_wizard : GetImageList(QStringLiteral("WizardImages"), ImagesPPI(), 32, 32), nullptr, images,
         clear, 32);
}

std::unique_ptr<TvdBitmap> TvdxImageResources::SpeedButtonGlyph(int index)
{
    TvdImageList *main = MainButtonImages();
    TvdImageList *disabled = DisabledButtonImages();
    const int w = main->Width();
    const int h = main->Height();
    QImage glyph(2 * w, h, QImage::Format_RGB32);
    glyph.fill(toQColor(GlyphBackground));
    {
        QPainter p(&glyph);
        main->Draw(p, 0, 0, index);
        disabled->Draw(p, w, 0, index);
    }
    auto bmp = std::make_unique<TvdBitmap>();
    bmp->SetImage(glyph, pf24bit);
    bmp->SetTransparentColor(GlyphBackground);
    return bmp;
}

void TvdxImageResources::SetSpeedButtonGlyph(QAbstractButton *button, int index)
{
    if (!button)
        return;
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(MainButtonImages()->Image(index)), QIcon::Normal);
    icon.addPixmap(QPixmap::fromImage(DisabledButtonImages()->Image(index)), QIcon::Disabled);
    button->setIcon(icon);
    button->setIconSize(QSize(MainButtonImages()->Width(), MainButtonImages()->Height()));
}

void TvdxImageResources::SetButtonColorBar(int index, TColor color)
{
    TvdImageList *main = MainButtonImages();
    if (index < 0 || index >= main->Count())
        return;
    const int w = main->Width();
    const int h = main->Height();
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(toQColor(GlyphBackground));
    {
        QPainter p(&img);
        main->Draw(p, 0, 0, index);
        p.fillRect(QRect(QPoint(1, h - 3), QPoint(w - 1, h - 1)), toQColor(ColorToRGB(color)));
    }
    main->ReplaceMasked(index, img, GlyphBackground);
}
