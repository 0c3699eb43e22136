// The report layer's shared resources: image lists per density, string
// resource accessors, help topics of the library's forms, script-message
// re-localization and the message boxes through which errors are reported.
#pragma once
#include "core/vdResources.h"
#include "platform/GraphicsTypes.h"
#include "platform/UiProvider.h"

#include <array>

class QAbstractButton;
class TBitmap;
class TvdBitmap;
class TvdImageList;

class TvdxImageResources : public TvdImageResources {
public:
    TvdxImageResources();
    ~TvdxImageResources() override;

    TvdImageList *DisabledButtonImages();
    TvdImageList *MainButtonImages();
    TvdImageList *PreviewButtonImages();
    TvdImageList *ObjectImages();
    TvdImageList *WizardImages();

    // Cut a strip into the list (and, for the buttons, greyed twins into the
    // disabled list); with clear the lists are emptied first.
    void SetButtonImages(const TBitmap &images, bool clear = false);
    void SetObjectImages(const TBitmap &images, bool clear = false);
    void SetPreviewButtonImages(const TBitmap &images, bool clear = false);
    void SetWizardImages(const TBitmap &images, bool clear = false);

    // Two tiles side by side on the colour 32896 (also its transparent
    // colour): main button image index, then its disabled twin.
    std::unique_ptr<TvdBitmap> SpeedButtonGlyph(int index);
    // Gives a button the image, with the greyed twin for its disabled state.
    void SetSpeedButtonGlyph(QAbstractButton *button, int index);
    // Main button image index with a bar of color along its bottom edge.
    void SetButtonColorBar(int index, TColor color);

    // Transparent colour of the glyph bitmaps.
    static constexpr TColor GlyphBackground = 32896;

protected:
    void ResetImages() override;

private:
    using FillMethod = void (TvdxImageResources::*)(const TBitmap &, bool);
    TvdImageList *access(TvdImageList *&field, int tileWidth, int tileHeight, FillMethod fill,
                         const char *stripResource, const char *listName);
    void fill(TvdImageList *list, TvdImageList *disabled, const TBitmap &images, bool clear, int tile);

    TvdImageList *m_disabled = nullptr;
    TvdImageList *m_main = nullptr;
    TvdImageList *m_preview = nullptr;
    TvdImageList *m_objects = nullptr;
    TvdImageList *m_wizard = nullptr;
};

// Process-wide image resources, created on first use.
TvdxImageResources *GetImageResources();
void SetImagesPPI(int value);

// String resources of the report layer.
TvdStringResources *GetResources();
QString GetResStr(int id);
QString GetResStrByName(const QString &name);

// The script engine's seventeen re-localized messages, in this order.
extern const std::array<const char *, 17> vdxScriptMessageKeys;
// The script layer hands over its message variables; whenever the string
// resources change they receive the texts of vdxScriptMessageKeys.
void vdxSetScriptMessageTargets(const std::array<QString *, 17> &targets);

// Message boxes (through the UI provider).
void ShowErrorMsg(const QString &text);
// buttons: an MB_* button group; answers the ID* of the button pressed.
int ShowConfirmMsg(const QString &text, unsigned buttons);
void ShowInfoMsg(const QString &text);

// How a report reports errors.
enum TvdxSilentMode { simMessageBoxes, simSilent, simReThrow };
// simMessageBoxes: error box; simSilent: nothing; simReThrow: raises Exception(msg).
void HandleReportError(TvdxSilentMode mode, const QString &msg);

// Copies the seventeen script compile messages out of the string resources
// whenever their language changes.
class TvdxStringResourcesChangedListener : public TvdStringResourcesChangedListener {
public:
    void StringResourcesChanged(TvdStringResources *sender) override;
};

// Registers the help topics and the script-message listener (idempotent; the
// accessors above call it).
void vdxResInitialize();
