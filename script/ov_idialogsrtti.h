// Dialog and INI-file bindings: the common dialogs and the message and input
// functions (through the UI provider), and the INI-file classes.
#pragma once
#include "core/vdPersistent.h"
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
    Q_PROPERTY(int Options MEMBER Options)
    Q_PROPERTY(QString Title MEMBER Title)
public:
    Q_INVOKABLE explicit TovHostOpenDialog(TvdComponent *owner = nullptr) : TovHostCommonDialog(owner) {}
    bool Execute() override;
    QString DefaultExt, FileName, Filter, InitialDir, Title;
    int Options = 0;
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
    Q_PROPERTY(int Options MEMBER Options)
public:
    Q_INVOKABLE explicit TovHostColorDialog(TvdComponent *owner = nullptr) : TovHostCommonDialog(owner) {}
    bool Execute() override;
    int Color = 0;  // low byte red
    int Options = 0;
};

class TovHostFontDialog : public TovHostCommonDialog {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TFontDialog")
    Q_PROPERTY(QString FontName MEMBER FontName)
    Q_PROPERTY(int FontSize MEMBER FontSize)
    Q_PROPERTY(int Options MEMBER Options)
public:
    Q_INVOKABLE explicit TovHostFontDialog(TvdComponent *owner = nullptr) : TovHostCommonDialog(owner) {}
    bool Execute() override;
    QString FontName = QStringLiteral("Arial");
    int FontSize = 10;
    int Options = 0;
};

class TovHostPrintDialog : public TovHostCommonDialog {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TPrintDialog")
    Q_PROPERTY(int Copies MEMBER Copies)
    Q_PROPERTY(int FromPage MEMBER FromPage)
    Q_PROPERTY(int ToPage MEMBER ToPage)
    Q_PROPERTY(int MinPage MEMBER MinPage)
    Q_PROPERTY(int MaxPage MEMBER MaxPage)
    Q_PROPERTY(int Options MEMBER Options)
    Q_PROPERTY(int PrintRange MEMBER PrintRange)
public:
    Q_INVOKABLE explicit TovHostPrintDialog(TvdComponent *owner = nullptr) : TovHostCommonDialog(owner) {}
    bool Execute() override;
    int Copies = 1, FromPage = 0, ToPage = 0, MinPage = 0, MaxPage = 0, Options = 0, PrintRange = 0;
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
