#include "script/ov_idialogsrtti.h"
#include "platform/IniFile.h"
#include "platform/UiProvider.h"
#include "script/ov_iclasses.h"
#include "script/ov_iclassesrtti.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace {
// Dialogs the UI provider has no prompt for are shown only by the Qt provider
// on a real display; elsewhere they answer "cancelled" at once.
bool canShowWidgets() { return dynamic_cast<QtUiProvider *>(&vdUiProvider()) && !QtUiProvider::IsHeadless(); }
} // namespace

bool TovHostOpenDialog::Execute()
{
    const QString name = vdUiProvider().OpenFileName(Title, InitialDir, Filter);
    if (name.isEmpty())
        return false;
    FileName = name;
    return true;
}

bool TovHostSaveDialog::Execute()
{
    const QString name = vdUiProvider().SaveFileName(Title, InitialDir, Filter);
    if (name.isEmpty())
        return false;
    FileName = name;
    return true;
}

bool TovHostColorDialog::Execute()
{
    if (!canShowWidgets())
        return false;
    const QColor c = QColorDialog::getColor(QColor(Color & 0xFF, (Color >> 8) & 0xFF, (Color >> 16) & 0xFF));
    if (!c.isValid())
        return false;
    Color = c.red() | (c.green() << 8) | (c.blue() << 16);
    return true;
}

bool TovHostFontDialog::Execute()
{
    if (!canShowWidgets())
        return false;
    bool ok = false;
    QFont initial(m_font.Name(), m_font.Size());
    initial.setBold(m_font.Style() & TFont::fsBold);
    initial.setItalic(m_font.Style() & TFont::fsItalic);
    initial.setUnderline(m_font.Style() & TFont::fsUnderline);
    initial.setStrikeOut(m_font.Style() & TFont::fsStrikeout);
    const QFont f = QFontDialog::getFont(&ok, initial);
    if (!ok)
        return false;
    m_font.SetName(f.family());
    m_font.SetSize(f.pointSize());
    int style = 0;
    style |= f.bold() ? TFont::fsBold : 0;
    style |= f.italic() ? TFont::fsItalic : 0;
    style |= f.underline() ? TFont::fsUnderline : 0;
    style |= f.strikeOut() ? TFont::fsStrikeout : 0;
    m_font.SetStyle(QFlags<TFont::TFontStyle>::fromInt(style));
    return true;
}

bool TovHostPrintDialog::Execute()
{
    if (!canShowWidgets())
        return false;
    QPrinter printer;
    printer.setCopyCount(Copies);
    printer.setCollateCopies(Collate);
    QPrintDialog dlg(&printer);
    if (MaxPage > 0)
        dlg.setMinMax(MinPage, MaxPage);
    if (FromPage > 0)
        dlg.setFromTo(FromPage, ToPage);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    Copies = printer.copyCount();
    Collate = printer.collateCopies();
    PrintToFile = !printer.outputFileName().isEmpty();
    FromPage = dlg.fromPage();
    ToPage = dlg.toPage();
    PrintRange = dlg.printRange() == QAbstractPrintDialog::PageRange   ? prPageNums
                 : dlg.printRange() == QAbstractPrintDialog::Selection ? prSelection
                                                                       : prAllPages;
    return true;
}

bool TovHostPrinterSetupDialog::Execute()
{
    if (!canShowWidgets())
        return false;
    QPrinter printer;
    QPrintDialog dlg(&printer);
    return dlg.exec() == QDialog::Accepted;
}

// ---------------------------------------------------------------------------
TovHostCustomIniFile::TovHostCustomIniFile(TCustomIniFile *ini) : m_ini(ini) {}
TovHostCustomIniFile::~TovHostCustomIniFile() = default;
TovHostMemIniFile::TovHostMemIniFile(const QString &fileName) : TovHostCustomIniFile(new TMemIniFile(fileName)) {}
TovHostIniFile::TovHostIniFile(const QString &fileName) : TovHostCustomIniFile(new TIniFile(fileName)) {}

QStringList ovReadSectionValuesEx(const TCustomIniFile &ini, const QString &section)
{
    // Each line's own value, also where a name comes twice.
    QStringList r;
    for (const QString &line : ini.ReadSectionValues(section)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        r << (eq >= 0 ? line.mid(eq + 1) : QString());
    }
    return r;
}

// ---------------------------------------------------------------------------
namespace {
QString PS(TovMethodHelper *c, int i) { return VarToStr(c->GetVParam(i)); }
QObject *PO(TovMethodHelper *c, int i) { return ovValueToObject(c->GetVParam(i)); }
bool PB(TovMethodHelper *c, int i) { return c->GetVParam(i).toBool(); }
double PF(TovMethodHelper *c, int i) { return c->GetVParam(i).toDouble(); }
bool is(const QString &name, const char *s) { return name == QLatin1String(s); }

// A set as its bits: a set constructor gives the array of its element values.
unsigned setBits(const Variant &v)
{
    if (!v.isArray())
        return v.isEmptyOrNull() ? 0u : unsigned(v.toInt());
    unsigned bits = 0;
    for (int i = v.arrayLowBound(1); i <= v.arrayHighBound(1); ++i) {
        const Variant e = v.arrayGet(i);
        if (!e.isEmptyOrNull())
            bits |= unsigned(e.toInt());
    }
    return bits;
}

TovHostStrings *stringsArg(TovMethodHelper *c, int i) { return ovNeed<TovHostStrings>(PO(c, i)); }

void replaceLines(TovHostStrings *l, const QStringList &lines)
{
    l->Clear();
    for (const QString &s : lines)
        l->Add(s);
}

const QMetaObject *const mCommonDialog = &TovHostCommonDialog::staticMetaObject;
const QMetaObject *const mCustomIni = &TovHostCustomIniFile::staticMetaObject;
const QMetaObject *const mMemIni = &TovHostMemIniFile::staticMetaObject;
const QMetaObject *const mIni = &TovHostIniFile::staticMetaObject;
} // namespace

TovDialogsFunctions::TovDialogsFunctions(TovScript *aScript) : TovRTTIModule(aScript)
{
    TovScript *s = aScript;
    auto S = [](const char *t) { return QString::fromLatin1(t); };
    s->AddEnumSet(S("TOpenOptions"),
                  S("ofReadOnly, ofOverwritePrompt, ofHideReadOnly,ofNoChangeDir, ofShowHelp, ofNoValidate, "
                    "ofAllowMultiSelect,ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,"
                    "ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton,ofNoLongNames, "
                    "ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify,ofEnableSizing"));
    s->AddEnum(S("TFileEditStyle"), S("fsEdit, fsComboBox"));
    s->AddEnumSet(S("TColorDialogOptions"), S("cdFullOpen, cdPreventFullOpen, cdShowHelp,cdSolidColor, cdAnyColor"));
    s->AddEnumSet(S("TFontDialogOptions"),
                  S("fdAnsiOnly, fdTrueTypeOnly, fdEffects,fdFixedPitchOnly, fdForceFontExist, fdNoFaceSel, "
                    "fdNoOEMFonts,fdNoSimulations, fdNoSizeSel, fdNoStyleSel,  fdNoVectorFonts,fdShowHelp, "
                    "fdWysiwyg, fdLimitSize, fdScalableOnly, fdApplyButton"));
    s->AddEnum(S("TFontDialogDevice"), S("fdScreen, fdPrinter, fdBoth"));
    s->AddEnum(S("TPrintRange"), S("prAllPages, prSelection, prPageNums"));
    s->AddEnumSet(S("TPrintDialogOptions"),
                  S("poPrintToFile, poPageNums, poSelection,poWarning, poHelp, poDisablePrintToFile"));
    s->AddEnum(S("TMsgDlgType"), S("mtWarning, mtError, mtInformation, mtConfirmation, mtCustom"));
    s->AddEnumSet(S("TMsgDlgButtons"), S("mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, "
                                         "mbNoToAll, mbYesToAll, mbHelp"));

    const TovCallMethodNewEvent call = &TovDialogsFunctions::CallMethod;
    if (TovClassVariable *c = ovAddHostClass(s, mCommonDialog, S("TCommonDialog"), S("TComponent")))
        c->AddMethod(S("function Execute: Boolean"), call);
    const std::pair<const QMetaObject *, const char *> dialogs[] = {
        {&TovHostOpenDialog::staticMetaObject, "TOpenDialog"},
        {&TovHostSaveDialog::staticMetaObject, "TSaveDialog"},
        {&TovHostColorDialog::staticMetaObject, "TColorDialog"},
        {&TovHostFontDialog::staticMetaObject, "TFontDialog"},
        {&TovHostPrintDialog::staticMetaObject, "TPrintDialog"},
        {&TovHostPrinterSetupDialog::staticMetaObject, "TPrinterSetupDialog"}};
    for (const auto &[meta, name] : dialogs)
        ovAddHostClass(s, meta, S(name), S("TCommonDialog"));

    const QString other = S("ctOther");
    s->AddMethod(S("function MessageDlg(Msg: string; DlgType: TMsgDlgType; Buttons: TMsgDlgButtons; HelpCtx: Longint): "
                   "Integer"),
                 call, other, S("MessageDlg"));
    s->AddMethod(S("function InputBox(ACaption, APrompt, ADefault: string): string"), call, other, S("InputBox"));
    s->AddMethod(S("function InputQuery(ACaption, APrompt: string; var Value: string): Boolean"), call, other,
                 S("InputQuery"));
}

Variant TovDialogsFunctions::CallMethod(QObject *instance, const QMetaObject *classType, const QString &name,
                                        TovMethodHelper *c)
{
    if (classType == mCommonDialog) {
        if (is(name, "EXECUTE"))
            return Variant(ovNeed<TovHostCommonDialog>(instance)->Execute());
        return Variant(0);
    }
    if (instance)
        return Variant(0);
    if (is(name, "MESSAGEDLG")) {
        const int type = std::clamp(c->GetVParam(1).toInt(), 0, 4);
        const unsigned buttons = setBits(c->GetVParam(2)) & 0x7FF;
        return Variant(vdUiProvider().MessageDlg(PS(c, 0), TvdMsgDlgType(type), buttons));
    }
    if (is(name, "INPUTBOX")) {
        QString value = PS(c, 2);
        if (!vdUiProvider().InputQuery(PS(c, 0), PS(c, 1), value))
            value = PS(c, 2);
        return Variant(value);
    }
    if (is(name, "INPUTQUERY")) {
        QString value = PS(c, 2);
        const bool ok = vdUiProvider().InputQuery(PS(c, 0), PS(c, 1), value);
        c->SetVParam(2, Variant(value));
        return Variant(ok);
    }
    return Variant(0);
}

// ---------------------------------------------------------------------------
TovIniFunctions::TovIniFunctions(TovScript *aScript) : TovRTTIModule(aScript)
{
    TovScript *s = aScript;
    auto S = [](const char *t) { return QString::fromLatin1(t); };
    const TovCallMethodNewEvent call = &TovIniFunctions::CallMethod;
    if (TovClassVariable *c = ovAddHostClass(s, mCustomIni, S("TCustomIniFile"), S("TObject"))) {
        const char *const methods[] = {
            "function ReadInteger(const Section, Ident: String; Default: LongInt): LongInt",
            "procedure WriteInteger(const Section, Ident: String; Value: LongInt)",
            "function ReadBool(const Section, Ident: String; Default: Boolean): Boolean",
            "procedure WriteBool(const Section, Ident: String; Value: Boolean)",
            "function ReadDate(const Section, Name: String; Default: TDateTime): TDateTime",
            "procedure WriteDate(const Section, Name: String; Value: TDateTime)",
            "function ReadDateTime(const Section, Name: String; Default: TDateTime): TDateTime",
            "procedure WriteDateTime(const Section, Name: String; Value: TDateTime)",
            "function ReadFloat(const Section, Name: String; Default: Double): Double",
            "procedure WriteFloat(const Section, Name: String; Value: Double)",
            "function ReadTime(const Section, Name: String; Default: TDateTime): TDateTime",
            "procedure WriteTime(const Section, Name: String; Value: TDateTime);",
            "function ReadBinaryStream(const Section, Name: String; Value: TStream): Integer",
            "procedure WriteBinaryStream(const Section, Name: String; Value: TStream)",
            "function SectionExists(const Section: String): Boolean",
            "function ValueExists(const Section, Ident: String): Boolean",
            "procedure WriteTStrings(const Section :String; Value :TStrings; IsClear :Boolean = True)",
            "function ReadTStrings(const Section :String; Value :TStrings; IsClear :Boolean = True): String;"};
        c->AddConstructor(S("constructor Create(const FileName: String)"), call);
        for (const char *m : methods)
            c->AddMethod(S(m), call);
        c->AddProperty(S("FileName"), S("String"), &TovIniFunctions::GetProp);
    }
    const char *const common[] = {"procedure WriteString(const Section, Ident, Value: String)",
                                  "function ReadString(const Section, Ident, Default: String): String;",
                                  "procedure ReadSectionValuesEx(const Section: String; Strings: TStrings)",
                                  "procedure DeleteKey(const Section, Ident: String)",
                                  "procedure ReadSection(const Section: String; Strings: TStrings)",
                                  "procedure ReadSections(Strings: TStrings)",
                                  "procedure ReadSectionValues(const Section: String; Strings: TStrings)",
                                  "procedure EraseSection(const Section: String)"};
    if (TovClassVariable *c = ovAddHostClass(s, mMemIni, S("TMemIniFile"), S("TCustomIniFile"))) {
        c->AddConstructor(S("constructor Create(const FileName: String)"), call);
        for (const char *m : common)
            c->AddMethod(S(m), call);
        for (const char *m : {"procedure Clear", "procedure GetStrings(List: TStrings)",
                              "procedure SetStrings(List: TStrings)", "procedure SaveIniFileToStream(oStream: TStream)",
                              "procedure LoadIniFileFromStream(oStream: TStream)"})
            c->AddMethod(S(m), call);
    }
    if (TovClassVariable *c = ovAddHostClass(s, mIni, S("TIniFile"), S("TCustomIniFile"))) {
        for (const char *m : common)
            c->AddMethod(S(m), call);
        c->AddMethod(S("procedure SaveIniFileToStream(oStream: TStream)"), call);
        c->AddMethod(S("procedure LoadIniFileFromStream(oStream: TStream)"), call);
    }
}

Variant TovIniFunctions::GetProp(QObject *instance, const QMetaObject *classType, const QString &name)
{
    if (classType == mCustomIni && is(name, "FILENAME"))
        return Variant(ovNeed<TovHostCustomIniFile>(instance)->Ini()->FileName());
    return Variant(0);
}

Variant TovIniFunctions::CallMethod(QObject *instance, const QMetaObject *classType, const QString &name,
                                    TovMethodHelper *c)
{
    if (c->Typ == fvtConstructor && is(name, "CREATE")) {
        if (instance)
            return Variant::fromObject(instance);
        if (classType == mMemIni)
            return Variant::fromObject(new TovHostMemIniFile(PS(c, 0)));
        if (classType == mIni)
            return Variant::fromObject(new TovHostIniFile(PS(c, 0)));
        throw EovClassError(QStringLiteral("Cannot create an instance of %1").arg(ovScriptClassName(classType)));
    }
    TCustomIniFile *ini = ovNeed<TovHostCustomIniFile>(instance)->Ini();
    if (classType == mCustomIni) {
        if (is(name, "READINTEGER"))
            return Variant(ini->ReadInteger(PS(c, 0), PS(c, 1), c->GetVParam(2).toInt()));
        if (is(name, "WRITEINTEGER"))
            ini->WriteInteger(PS(c, 0), PS(c, 1), c->GetVParam(2).toInt());
        else if (is(name, "READBOOL"))
            return Variant(ini->ReadBool(PS(c, 0), PS(c, 1), PB(c, 2)));
        else if (is(name, "WRITEBOOL"))
            ini->WriteBool(PS(c, 0), PS(c, 1), PB(c, 2));
        else if (is(name, "READDATE"))
            return Variant::fromDate(ini->ReadDate(PS(c, 0), PS(c, 1), PF(c, 2)));
        else if (is(name, "WRITEDATE"))
            ini->WriteDate(PS(c, 0), PS(c, 1), PF(c, 2));
        else if (is(name, "READDATETIME"))
            return Variant::fromDate(ini->ReadDateTime(PS(c, 0), PS(c, 1), PF(c, 2)));
        else if (is(name, "WRITEDATETIME"))
            ini->WriteDateTime(PS(c, 0), PS(c, 1), PF(c, 2));
        else if (is(name, "READFLOAT"))
            return Variant(ini->ReadFloat(PS(c, 0), PS(c, 1), PF(c, 2)));
        else if (is(name, "WRITEFLOAT"))
            ini->WriteFloat(PS(c, 0), PS(c, 1), PF(c, 2));
        else if (is(name, "READTIME"))
            return Variant::fromDate(ini->ReadTime(PS(c, 0), PS(c, 1), PF(c, 2)));
        else if (is(name, "WRITETIME"))
            ini->WriteTime(PS(c, 0), PS(c, 1), PF(c, 2));
        else if (is(name, "READBINARYSTREAM"))
            return Variant(ini->ReadBinaryStream(PS(c, 0), PS(c, 1), ovStreamArg(c, 2)));
        else if (is(name, "WRITEBINARYSTREAM"))
            ini->WriteBinaryStream(PS(c, 0), PS(c, 1), ovStreamArg(c, 2));
        else if (is(name, "SECTIONEXISTS"))
            return Variant(ini->SectionExists(PS(c, 0)));
        else if (is(name, "VALUEEXISTS"))
            return Variant(ini->ValueExists(PS(c, 0), PS(c, 1)));
        else if (is(name, "WRITETSTRINGS"))
            ini->WriteTStrings(PS(c, 0), stringsArg(c, 1)->Lines(), PB(c, 2));
        else if (is(name, "READTSTRINGS")) {
            TovHostStrings *l = stringsArg(c, 1);
            QStringList got;
            ini->ReadTStrings(PS(c, 0), got, true);
            if (PB(c, 2))
                l->Clear();
            for (const QString &s : got)
                l->Add(s);
        }
        return Variant(0);
    }
    if (classType != mMemIni && classType != mIni)
        return Variant(0);
    if (is(name, "WRITESTRING")) {
        ini->WriteString(PS(c, 0), PS(c, 1), PS(c, 2));
    } else if (is(name, "READSTRING")) {
        return Variant(ini->ReadString(PS(c, 0), PS(c, 1), PS(c, 2)));
    } else if (is(name, "READSECTIONVALUESEX")) {
        TovHostStrings *l = stringsArg(c, 1);
        for (const QString &v : ovReadSectionValuesEx(*ini, PS(c, 0)))
            l->Add(v);
    } else if (is(name, "DELETEKEY")) {
        ini->DeleteKey(PS(c, 0), PS(c, 1));
    } else if (is(name, "READSECTION")) {
        replaceLines(stringsArg(c, 1), ini->ReadSection(PS(c, 0)));
    } else if (is(name, "READSECTIONS")) {
        replaceLines(stringsArg(c, 0), ini->ReadSections());
    } else if (is(name, "READSECTIONVALUES")) {
        replaceLines(stringsArg(c, 1), ini->ReadSectionValues(PS(c, 0)));
    } else if (is(name, "ERASESECTION")) {
        ini->EraseSection(PS(c, 0));
    } else if (is(name, "SAVEINIFILETOSTREAM")) {
        if (QIODevice *d = ovStreamDevice(PO(c, 0)))
            ini->SaveIniFileToStream(*d);
    } else if (is(name, "LOADINIFILEFROMSTREAM")) {
        if (QIODevice *d = ovStreamDevice(PO(c, 0)))
            ini->LoadIniFileFromStream(*d);
    } else if (auto *mem = dynamic_cast<TMemIniFile *>(ini)) {
        if (is(name, "CLEAR"))
            mem->Clear();
        else if (is(name, "GETSTRINGS"))
            replaceLines(stringsArg(c, 0), mem->GetStrings());
        else if (is(name, "SETSTRINGS"))
            mem->SetStrings(stringsArg(c, 0)->Lines());
    }
    return Variant(0);
}
