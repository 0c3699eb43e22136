// Dialog and INI-file bindings: the common dialogs and the message and input
// functions (through the UI provider), and the INI-file classes.
#pragma once
#include "core/vdPersistent.h"
#include "script/ov_igraphicsrtti.h"
#include "script/ov_irtti.h"

#include <memory>

class TCustomIniFile;

// Common dialogs; Execute answers whether the user confirmed.
class TovHostCommonDialog : public TvdComponent {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TCommonDialog")
public:
    explicit TovHostCommonDialog(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
    virtual bool Execute() = 0;
};

class TovHostOpenDialog : public TovHostCommonDialog {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TOpenDialog")
    Q_PROPERTY(QString DefaultExt MEMBER DefaultExt)
    Q_PROPERTY(QString FileName MEMBER FileName)
    Q_PROPERTY(QString Filter MEMBER Filter)
    Q_PROPERTY(QString InitialDir MEMBER InitialDir)
    Q_PROPERTY(TOpenOptions Options READ GetOptions WRITE SetOptions)
    Q_PROPERTY(QString Title MEMBER Title)
public:
    enum TOpenOption {
        ofReadOnly = 1 << 0, ofOverwritePrompt = 1 << 1, ofHideReadOnly = 1 << 2, ofNoChangeDir = 1 << 3,
        ofShowHelp = 1 << 4, ofNoValidate = 1 << 5, ofAllowMultiSelect = 1 << 6, ofExtensionDifferent = 1 << 7,
        ofPathMustExist = 1 << 8, ofFileMustExist = 1 << 9, ofCreatePrompt = 1 << 10, ofShareAware = 1 << 11,
        ofNoReadOnlyReturn = 1 << 12, ofNoTestFileCreate = 1 << 13, ofNoNetworkButton = 1 << 14,
        ofNoLongNames = 1 << 15, ofOldStyleDialog = 1 << 16, ofNoDereferenceLinks = 1 << 17,
        ofEnableIncludeNotify = 1 << 18, ofEnableSizing = 1 << 19
    };
    Q_DECLARE_FLAGS(TOpenOptions, TOpenOption)
    Q_FLAG(TOpenOptions)
    Q_INVOKABLE explicit TovHostOpenDialog(TvdComponent *owner = nullptr) : TovHostCommonDialog(owner) {}
    bool Execute() override;
    QString DefaultExt, FileName, Filter, InitialDir, Title;
    TOpenOptions Options;
    TOpenOptions GetOptions() const { return Options; }
    void SetOptions(TOpenOptions v) { Options = v; }
};

class TovHostSaveDialog : public TovHostOpenDialog {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TSaveDialog")
public:
    Q_INVOKABLE explicit TovHostSaveDialog(TvdComponent *owner = nullptr) : TovHostOpenDialog(owner) {}
    bool Execute() override;
};

class TovHostColorDialog : public TovHostCommonDialog {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TColorDialog")
    Q_PROPERTY(int Color MEMBER Color)
    Q_PROPERTY(TColorDialogOptions Options READ GetOptions WRITE SetOptions)
public:
    enum TColorDialogOption { cdFullOpen = 1, cdPreventFullOpen = 2, cdShowHelp = 4, cdSolidColor = 8, cdAnyColor = 16 };
    Q_DECLARE_FLAGS(TColorDialogOptions, TColorDialogOption)
    Q_FLAG(TColorDialogOptions)
    Q_INVOKABLE explicit TovHostColorDialog(TvdComponent *owner = nullptr) : TovHostCommonDialog(owner) {}
    bool Execute() override;
    int Color = 0;  // low byte red
    TColorDialogOptions Options;
    TColorDialogOptions GetOptions() const { return Options; }
    void SetOptions(TColorDialogOptions v) { Options = v; }
};

class TovHostFontDialog : public TovHostCommonDialog {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TFontDialog")
    Q_PROPERTY(TFontDialogDevice Device MEMBER Device)
    Q_PROPERTY(TFont *Font READ Font)
    Q_PROPERTY(int MaxFontSize MEMBER MaxFontSize)
    Q_PROPERTY(int MinFontSize MEMBER MinFontSize)
    Q_PROPERTY(TFontDialogOptions Options READ GetOptions WRITE SetOptions)
public:
    enum TFontDialogOption {
        fdAnsiOnly = 1 << 0, fdTrueTypeOnly = 1 << 1, fdEffects = 1 << 2, fdFixedPitchOnly = 1 << 3,
        fdForceFontExist = 1 << 4, fdNoFaceSel = 1 << 5, fdNoOEMFonts = 1 << 6, fdNoSimulations = 1 << 7,
        fdNoSizeSel = 1 << 8, fdNoStyleSel = 1 << 9, fdNoVectorFonts = 1 << 10, fdShowHelp = 1 << 11,
        fdWysiwyg = 1 << 12, fdLimitSize = 1 << 13, fdScalableOnly = 1 << 14, fdApplyButton = 1 << 15
    };
    Q_DECLARE_FLAGS(TFontDialogOptions, TFontDialogOption)
    Q_FLAG(TFontDialogOptions)
    enum TFontDialogDevice { fdScreen, fdPrinter, fdBoth };
    Q_ENUM(TFontDialogDevice)
    Q_INVOKABLE explicit TovHostFontDialog(TvdComponent *owner = nullptr) : TovHostCommonDialog(owner) {}
    bool Execute() override;
    TFont *Font() { return &m_font; }
    TFontDialogDevice Device = fdScreen;
    int MaxFontSize = 0, MinFontSize = 0;
    TFontDialogOptions Options = fdEffects;
    TFontDialogOptions GetOptions() const { return Options; }
    void SetOptions(TFontDialogOptions v) { Options = v; }

private:
    TFont m_font;
};

class TovHostPrintDialog : public TovHostCommonDialog {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TPrintDialog")
    Q_PROPERTY(bool Collate MEMBER Collate)
    Q_PROPERTY(int Copies MEMBER Copies)
    Q_PROPERTY(int FromPage MEMBER FromPage)
    Q_PROPERTY(int MaxPage MEMBER MaxPage)
    Q_PROPERTY(int MinPage MEMBER MinPage)
    Q_PROPERTY(TPrintDialogOptions Options READ GetOptions WRITE SetOptions)
    Q_PROPERTY(TPrintRange PrintRange MEMBER PrintRange)
    Q_PROPERTY(bool PrintToFile MEMBER PrintToFile)
    Q_PROPERTY(int ToPage MEMBER ToPage)
public:
    enum TPrintDialogOption {
        poPrintToFile = 1, poPageNums = 2, poSelection = 4, poWarning = 8, poHelp = 16, poDisablePrintToFile = 32
    };
    Q_DECLARE_FLAGS(TPrintDialogOptions, TPrintDialogOption)
    Q_FLAG(TPrintDialogOptions)
    enum TPrintRange { prAllPages, prSelection, prPageNums };
    Q_ENUM(TPrintRange)
    Q_INVOKABLE explicit TovHostPrintDialog(TvdComponent *owner = nullptr) : TovHostCommonDialog(owner) {}
    bool Execute() override;
    bool Collate = false, PrintToFile = false;
    int Copies = 1, FromPage = 0, ToPage = 0, MinPage = 0, MaxPage = 0;
    TPrintDialogOptions Options;
    TPrintDialogOptions GetOptions() const { return Options; }
    void SetOptions(TPrintDialogOptions v) { Options = v; }
    TPrintRange PrintRange = prAllPages;
};

class TovHostPrinterSetupDialog : public TovHostCommonDialog {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TPrinterSetupDialog")
public:
    Q_INVOKABLE explicit TovHostPrinterSetupDialog(TvdComponent *owner = nullptr) : TovHostCommonDialog(owner) {}
    bool Execute() override;
};

// Script objects over the INI files of platform/IniFile.h.
class TovHostCustomIniFile : public QObject {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TCustomIniFile")
public:
    ~TovHostCustomIniFile() override;
    TCustomIniFile *Ini() const { return m_ini.get(); }

protected:
    explicit TovHostCustomIniFile(TCustomIniFile *ini);
    std::unique_ptr<TCustomIniFile> m_ini;
};

class TovHostMemIniFile : public TovHostCustomIniFile {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TMemIniFile")
public:
    explicit TovHostMemIniFile(const QString &fileName);
};

class TovHostIniFile : public TovHostCustomIniFile {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TIniFile")
public:
    explicit TovHostIniFile(const QString &fileName);
};

// Values only, one per line of the section in order, each line's own value.
QStringList ovReadSectionValuesEx(const TCustomIniFile &ini, const QString &section);

class TovDialogsFunctions : public TovRTTIModule {
public:
    explicit TovDialogsFunctions(TovScript *aScript);
    static Variant CallMethod(QObject *instance, const QMetaObject *classType, const QString &methodName,
                              TovMethodHelper *caller);
};

class TovIniFunctions : public TovRTTIModule {
public:
    explicit TovIniFunctions(TovScript *aScript);
    static Variant CallMethod(QObject *instance, const QMetaObject *classType, const QString &methodName,
                              TovMethodHelper *caller);
    static Variant GetProp(QObject *instance, const QMetaObject *classType, const QString &propName);
};

// Placeholders a host application can place on a form to pull the units in.
class TovDialogsRTTI : public TvdComponent {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TovDialogsRTTI(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
};
class TovIniRTTI : public TvdComponent {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TovIniRTTI(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
};
