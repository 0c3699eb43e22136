#include "report/vdxClassRTTI.h"

#include "core/vdFormat.h"
#include "core/vdFormatSettings.h"
#include "core/vdXML.h"
#include "core/vdxVariables.h"
#include "platform/CodePage.h"
#include "report/vdxClass.h"
#include "report/vdxClass_band.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_page_dialog.h"
#include "report/vdxClass_dialog.h"
#include "report/vdxClass_fill.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_picture.h"
#include "report/vdxClass_postprocessor.h"
#include "report/vdxClass_styles.h"
#include "core/vdPictureGraphics.h"
#include "script/ov_iclasses.h"
#include "script/ov_igraphicsrtti.h"

#include <QFile>
#include <QWidget>

namespace {

QString S(const char *text) { return QString::fromLatin1(text); }
bool is(const QString &name, const char *upper) { return name == QLatin1String(upper); }

QString PS(TovMethodHelper *c, int i) { return VarToStr(c->GetVParam(i)); }
int PI(TovMethodHelper *c, int i) { return c->GetVParam(i).toInt(); }
double PF(TovMethodHelper *c, int i) { return c->GetVParam(i).toDouble(); }
QObject *PO(TovMethodHelper *c, int i) { return ovValueToObject(c->GetVParam(i)); }
Variant objectValue(QObject *obj) { return obj ? Variant::fromObject(obj) : Variant(0); }

// Classes are matched by name: bands and pages register their classes by
// name, and a class that is not there yet is simply not bound.
bool isClass(const QMetaObject *cls, const char *name) { return cls && qstrcmp(cls->className(), name) == 0; }

const QMetaObject *metaByName(const QString &name)
{
    const TvdClassInfo *info = vdFindClass(name);
    return info && info->meta && qstrcmp(info->meta->className(), name.toLatin1().constData()) == 0 ? info->meta
                                                                                                      : nullptr;
}

[[noreturn]] void invalidCast() { throw EInvalidCast(QStringLiteral("Invalid class typecast")); }

template <class T>
Variant castFill(QObject *instance)
{
    auto *f = qobject_cast<T *>(instance);
    if (!f)
        invalidCast();
    return Variant::fromObject(f);
}

// A list object that lives with the component it lists (so scripts cannot
// free it), refilled on every read.
TovHostList *listOf(TvdxComponent *c, const char *tag, const QList<TvdxComponent *> &items)
{
    auto *list = c->findChild<TovHostList *>(QLatin1String(tag), Qt::FindDirectChildrenOnly);
    if (!list) {
        list = new TovHostList();
        list->setObjectName(QLatin1String(tag));
        list->setParent(c);
    }
    list->Clear();
    for (TvdxComponent *item : items)
        list->Add(item);
    return list;
}

TvdxScriptWideStrings *linesOf(TvdxCustomMemoView *memo)
{
    auto *list = memo->findChild<TvdxScriptWideStrings *>(QStringLiteral("__lines"), Qt::FindDirectChildrenOnly);
    if (!list) {
        list = new TvdxScriptWideStrings();
        list->setObjectName(QStringLiteral("__lines"));
        list->setParent(memo);
    }
    list->SetLines(memo->Lines());
    return list;
}

TvdxScriptLinkedStrings *drillStateOf(TvdxReport *r)
{
    auto *list = r->findChild<TvdxScriptLinkedStrings *>(QStringLiteral("__drillState"), Qt::FindDirectChildrenOnly);
    if (!list) {
        list = new TvdxScriptLinkedStrings(&r->DrillState());
        list->setObjectName(QStringLiteral("__drillState"));
        list->setParent(r);
    }
    list->Refresh();
    return list;
}

// True when the call comes from the report's own script (its main block, one
// of its procedures or an expression evaluated in it).
bool calledFromScriptOf(TovMethodHelper *c, TvdxReport *r)
{
    for (TovScript *p = c->Prog; p; p = p->Parent())
        if (p == r->Script())
            return true;
    return false;
}

int datePart(const Variant &date, const char *pattern)
{
    return StrToInt(FormatDateTime(QString::fromLatin1(pattern), date.toDouble()));
}

class TFunctions : public TovRTTIModule {
public:
    explicit TFunctions(TovScript *aScript);

    static Variant CallMethod(QObject *instance, const QMetaObject *classType, const QString &name,
                              TovMethodHelper *caller);
    static Variant GetProp(QObject *instance, const QMetaObject *classType, const QString &name);
    static void SetProp(QObject *instance, const QMetaObject *classType, const QString &name, const Variant &value);
};

Variant stringsMethod(TovHostStrings *l, const QString &name, TovMethodHelper *c)
{
    Variant result(0);
    if (is(name, "CREATE"))
        return result;
    if (is(name, "ADD"))
        result = Variant(l->Add(PS(c, 0)));
    else if (is(name, "ADDOBJECT"))
        result = Variant(l->AddObject(PS(c, 0), PO(c, 1)));
    else if (is(name, "CLEAR"))
        l->Clear();
    else if (is(name, "DELETE"))
        l->Delete(PI(c, 0));
    else if (is(name, "INDEXOF"))
        result = Variant(l->IndexOf(PS(c, 0)));
    else if (is(name, "INSERT"))
        l->Insert(PI(c, 0), PS(c, 1));
    else if (is(name, "LOADFROMFILE"))
        l->LoadFromFile(PS(c, 0));
    else if (is(name, "LOADFROMSTREAM"))
        l->LoadFromStream(ovStreamArg(c, 0));
    else if (is(name, "SAVETOFILE"))
        l->SaveToFile(PS(c, 0));
    else if (is(name, "SAVETOSTREAM"))
        l->SaveToStream(ovStreamArg(c, 0));
    else if (is(name, "OBJECTS.GET"))
        result = objectValue(l->Objects(PI(c, 0)));
    else if (is(name, "OBJECTS.SET"))
        l->SetObjects(PI(c, 0), PO(c, 1));
    else if (is(name, "STRINGS.GET"))
        result = Variant(l->Strings(PI(c, 0)));
    else if (is(name, "STRINGS.SET"))
        l->SetStrings(PI(c, 0), PS(c, 1));
    return result;
}

Variant TFunctions::CallMethod(QObject *instance, const QMetaObject *classType, const QString &name,
                               TovMethodHelper *c)
{
    Variant result(0);
    if (is(name, "DAYOF"))
        return Variant(datePart(c->GetVParam(0), "d"));
    if (is(name, "MONTHOF"))
        return Variant(datePart(c->GetVParam(0), "m"));
    if (is(name, "YEAROF"))
        return Variant(datePart(c->GetVParam(0), "yyyy"));

    if (isClass(classType, "TvdxScriptWideStrings")) {
        if (is(name, "CREATE"))
            return Variant::fromObject(new TvdxScriptWideStrings());
        return stringsMethod(ovNeed<TvdxScriptWideStrings>(instance), name, c);
    }
    if (isClass(classType, "TvdxVariables") && is(name, "CREATE"))
        return Variant::fromObject(new TvdxVariables());
    if (isClass(classType, "TvdxArray") && is(name, "CREATE"))
        return Variant::fromObject(new TvdxArray());
    if (isClass(classType, "TvdxStyles") && is(name, "CREATE"))
        return Variant::fromObject(new TvdxStyles(qobject_cast<TvdxReport *>(PO(c, 0))));
    if (!instance)
        throw EovClassError(QStringLiteral("Cannot call %1 of a nil object").arg(c->Name()));

    if (isClass(classType, "TvdxCustomFill")) {
        if (is(name, "ASBRUSHFILL"))
            result = castFill<TvdxBrushFill>(instance);
        else if (is(name, "ASGRADIENTFILL"))
            result = castFill<TvdxGradientFill>(instance);
        else if (is(name, "ASGLASSFILL"))
            result = castFill<TvdxGlassFill>(instance);
    } else if (isClass(classType, "TvdxComponent")) {
        auto *comp = ovNeed<TvdxComponent>(instance);
        if (is(name, "CLEAR"))
            comp->Clear();
        else if (is(name, "FINDOBJECT"))
            result = objectValue(comp->FindObject(PS(c, 0)));
        else if (is(name, "LOADFROMSTREAM"))
            comp->LoadFromStream(ovStreamArg(c, 0));
        else if (is(name, "SAVETOSTREAM"))
            comp->SaveToStream(ovStreamArg(c, 0), c->GetVParam(1).toBool(), false, false);
        else if (is(name, "SETBOUNDS"))
            comp->SetBounds(PF(c, 0), PF(c, 1), PF(c, 2), PF(c, 3));
    } else if (isClass(classType, "TvdxDataSet")) {
        auto *ds = ovNeed<TvdxDataSet>(instance);
        if (is(name, "OPEN"))
            ds->Open();
        else if (is(name, "CLOSE"))
            ds->Close();
        else if (is(name, "FIRST"))
            ds->First();
        else if (is(name, "NEXT"))
            ds->Next();
        else if (is(name, "PRIOR"))
            ds->Prior();
        else if (is(name, "EOF"))
            result = Variant(ds->Eof());
        else if (is(name, "FIELDSCOUNT"))
            result = Variant(ds->FieldsCount());
        else if (is(name, "HASFIELD"))
            result = Variant(ds->HasField(PS(c, 0)));
        else if (is(name, "ISBLOBFIELD"))
            result = Variant(ds->IsBlobField(PS(c, 0)));
        else if (is(name, "RECORDCOUNT"))
            result = Variant(ds->RecordCount());
        else if (is(name, "GETFIELDLIST")) {
            auto *list = qobject_cast<TovHostStrings *>(PO(c, 0));
            if (list) {
                QStringList fields;
                ds->GetFieldList(fields);
                list->SetLines(fields);
            }
        } else if (is(name, "DISPLAYTEXT.GET"))
            result = Variant(ds->GetDisplayText(PS(c, 0)));
        else if (is(name, "DISPLAYWIDTH.GET"))
            result = Variant(ds->GetDisplayWidth(PS(c, 0)));
        else if (is(name, "FIELDTYPE.GET"))
            result = Variant(int(ds->GetFieldType(PS(c, 0))));
        else if (is(name, "VALUE.GET"))
            result = ds->GetValue(PS(c, 0));
    } else if (isClass(classType, "TvdxDialogControl")) {
        if (is(name, "SETFOCUS"))
            if (QWidget *w = ovNeed<TvdxDialogControl>(instance)->Control())
                w->setFocus();
    } else if (isClass(classType, "TvdxStretcheable")) {
        if (is(name, "CALCHEIGHT"))
            result = Variant(ovNeed<TvdxStretcheable>(instance)->CalcHeight());
    } else if (isClass(classType, "TvdxCustomMemoView")) {
        if (is(name, "CALCWIDTH"))
            result = Variant(ovNeed<TvdxCustomMemoView>(instance)->CalcWidth());
    } else if (isClass(classType, "TvdxPictureView")) {
        auto *pv = ovNeed<TvdxPictureView>(instance);
        if (is(name, "LOADFROMFILE")) {
            QFile f(PS(c, 0));
            if (!f.open(QIODevice::ReadOnly))
                throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(PS(c, 0), f.errorString()));
            pv->LoadPictureFromStream(f, true);
        } else if (is(name, "LOADFROMSTREAM")) {
            pv->LoadPictureFromStream(ovStreamArg(c, 0), true);
        }
    } else if (isClass(classType, "TvdxBand") || isClass(classType, "TvdxReportPage")) {
        if (is(name, "ALIGNCHILDREN"))
            ovNeed<TvdxComponent>(instance)->AlignChildren();
    } else if (isClass(classType, "TvdxDialogPage")) {
        if (is(name, "SHOWMODAL"))
            result = Variant(ovNeed<TvdxDialogPage>(instance)->ShowModal());
    } else if (isClass(classType, "TvdxVariables")) {
        auto *vars = ovNeed<TvdxVariables>(instance);
        if (is(name, "VARIABLES.GET"))
            result = vars->GetVariable(PS(c, 0));
        else if (is(name, "VARIABLES.SET"))
            vars->SetVariable(PS(c, 0), c->GetVParam(1));
    } else if (isClass(classType, "TvdxArray")) {
        auto *arr = ovNeed<TvdxArray>(instance);
        if (is(name, "VARIABLES.GET"))
            result = arr->GetVariable(c->GetVParam(0));
        else if (is(name, "VARIABLES.SET"))
            arr->SetVariable(c->GetVParam(0), c->GetVParam(1));
    } else if (isClass(classType, "TvdxStyles")) {
        auto *st = ovNeed<TvdxStyles>(instance);
        if (is(name, "ADD"))
            result = objectValue(st->Add());
        else if (is(name, "FIND"))
            result = objectValue(st->Find(PS(c, 0)));
        else if (is(name, "APPLY"))
            st->Apply();
        else if (is(name, "GETLIST")) {
            if (auto *list = qobject_cast<TovHostStrings *>(PO(c, 0))) {
                QStringList names;
                st->GetList(names);
                list->SetLines(names);
            }
        } else if (is(name, "LOADFROMFILE"))
            st->LoadFromFile(PS(c, 0));
        else if (is(name, "LOADFROMSTREAM"))
            st->LoadFromStream(ovStreamArg(c, 0));
        else if (is(name, "SAVETOFILE"))
            st->SaveToFile(PS(c, 0));
        else if (is(name, "SAVETOSTREAM"))
            st->SaveToStream(ovStreamArg(c, 0));
        else if (is(name, "ITEMS.GET")) {
            const int i = PI(c, 0);
            if (i < 0 || i >= st->Count())
                throw EListError(QStringLiteral("List index out of bounds (%1)").arg(i));
            result = objectValue(st->GetItem(i));
        }
    } else if (isClass(classType, "TvdxReport")) {
        auto *r = ovNeed<TvdxReport>(instance);
        if (is(name, "CALC"))
            result = r->CalcFromScript(PS(c, 0));
        else if (is(name, "GETDATASET"))
            result = objectValue(r->GetDataset(PS(c, 0)));
        else if (is(name, "LOADFROMFILE"))
            result = Variant(r->LoadFromFile(PS(c, 0), false));
        else if (is(name, "SAVETOFILE"))
            r->SaveToFile(PS(c, 0));
        else if (is(name, "PRINT"))
            r->Print();
        else if (is(name, "PREPAREREPORT") || is(name, "SHOWREPORT")) {
            // A report that rebuilds itself while it is previewed refreshes the preview.
            if (calledFromScriptOf(c, r) && r->Preview())
                r->RefreshActivePreviewedReport();
            else if (is(name, "PREPAREREPORT"))
                r->PrepareReport(true);
            else
                r->ShowReport(true);
        }
    } else if (isClass(classType, "TvdxCustomPreviewPages")) {
        auto *pages = ovNeed<TvdxCustomPreviewPages>(instance);
        if (is(name, "MODIFYOBJECT")) {
            if (auto *comp = qobject_cast<TvdxComponent *>(PO(c, 0)))
                pages->ModifyObject(comp);
        } else if (is(name, "PAGE.GET"))
            result = objectValue(pages->GetPage(PI(c, 0)));
        // Page[i] := ... changes nothing: the pages are rebuilt from the store.
    } else if (isClass(classType, "TvdxCustomEngine")) {
        auto *e = ovNeed<TvdxCustomEngine>(instance);
        if (is(name, "ADDANCHOR")) {
            if (e->PreviewPages())
                e->PreviewPages()->AddAnchor(PS(c, 0));
        } else if (is(name, "GETANCHORPAGE"))
            result = Variant(e->PreviewPages() ? e->PreviewPages()->GetAnchorPage(PS(c, 0)) : 0);
        else if (is(name, "NEWPAGE"))
            e->NewPage();
        else if (is(name, "NEWCOLUMN"))
            e->NewColumn();
        else if (is(name, "SHOWBAND"))
            e->ShowBand(qobject_cast<TvdxBand *>(PO(c, 0)));
        else if (is(name, "STOPREPORT"))
            e->StopReport();
        else if (is(name, "FREESPACE"))
            result = Variant(double(e->FreeSpace()));
        else if (is(name, "PROCESSOBJECT"))
            e->ProcessObject(qobject_cast<TvdxComponent *>(PO(c, 0)));
        else if (is(name, "GETPOSTPROCESSOR")) {
            TvdxPostProcessor *pp = e->PreviewPages() ? e->PreviewPages()->PostProcessor() : nullptr;
            if (!pp)
                return result;
            auto *holder = e->findChild<TvdxScriptPostProcessor *>(QString(), Qt::FindDirectChildrenOnly);
            if (!holder) {
                holder = new TvdxScriptPostProcessor();
                holder->setParent(e);
            }
            holder->PostProcessor = pp;
            result = Variant::fromObject(holder);
        }
    } else if (isClass(classType, "TvdxScriptPostProcessor")) {
        TvdxPostProcessor *pp = ovNeed<TvdxScriptPostProcessor>(instance)->PostProcessor;
        if (!pp)
            return result;
        if (is(name, "RESETDUPLICATES")) {
            pp->ResetDuplicates(PS(c, 0));
        } else if (is(name, "GETMACROLIST")) {
            auto *list = new TvdxScriptWideStrings();
            if (const QStringList *macros = pp->GetMacroList(PS(c, 0)))
                list->SetLines(*macros);
            // A copy for the script: freed with the program unless the script frees it.
            if (c->Prog)
                c->Prog->AdoptCreated(list);
            result = Variant::fromObject(list);
        }
    } else if (isClass(classType, "TvdxCustomOutline")) {
        auto *o = ovNeed<TvdxCustomOutline>(instance);
        if (is(name, "ADDITEM")) {
            TvdxReport *r = o->Engine() ? o->Engine()->Report() : nullptr;
            const long double y = r && r->Engine() ? r->Engine()->CurY : 0;
            o->AddItem(PS(c, 0), int(std::nearbyint(double(y))));
        } else if (is(name, "LEVELROOT"))
            o->LevelRoot();
        else if (is(name, "LEVELUP"))
            o->LevelUp();
    }
    return result;
}

Variant TFunctions::GetProp(QObject *instance, const QMetaObject *classType, const QString &name)
{
    if (!instance)
        return Variant(0);
    if (isClass(classType, "TvdxScriptWideStrings")) {
        auto *l = ovNeed<TvdxScriptWideStrings>(instance);
        if (is(name, "COUNT"))
            return Variant(l->Count());
        if (is(name, "TEXT"))
            return Variant(l->Text());
    } else if (isClass(classType, "TvdxComponent")) {
        auto *comp = ovNeed<TvdxComponent>(instance);
        if (is(name, "OBJECTS"))
            return Variant::fromObject(listOf(comp, "__objects", comp->Objects().List()));
        if (is(name, "ALLOBJECTS"))
            return Variant::fromObject(listOf(comp, "__allObjects", comp->GetAllObjects()));
        if (is(name, "PARENT"))
            return objectValue(comp->Parent());
        if (is(name, "PAGE"))
            return objectValue(comp->Page());
        if (is(name, "ABSLEFT"))
            return Variant(double(comp->AbsLeft()));
        if (is(name, "ABSTOP"))
            return Variant(double(comp->AbsTop()));
    } else if (isClass(classType, "TvdxDataSet")) {
        if (is(name, "RECNO"))
            return Variant(ovNeed<TvdxDataSet>(instance)->RecNo());
    } else if (isClass(classType, "TvdxView")) {
        if (is(name, "TAGSTR"))
            return Variant(ovNeed<TvdxView>(instance)->TagStr());
    } else if (isClass(classType, "TvdxCustomMemoView")) {
        auto *m = ovNeed<TvdxCustomMemoView>(instance);
        if (is(name, "TEXT"))
            return Variant(m->Text());
        if (is(name, "ANSITEXT"))
            return Variant(DecodeAnsi(EncodeAnsi(m->Text())));
        if (is(name, "LINES"))
            return Variant::fromObject(linesOf(m));
        if (is(name, "VALUE"))
            return m->Value();
    } else if (isClass(classType, "TvdxBand")) {
        if (is(name, "OVERFLOW"))
            return Variant(ovNeed<TvdxBand>(instance)->Overflow());
    } else if (isClass(classType, "TvdxDialogPage")) {
        if (is(name, "MODALRESULT"))
            return Variant(ovNeed<TvdxDialogPage>(instance)->ModalResult());
    } else if (isClass(classType, "TvdxEngineOptions")) {
        if (is(name, "DESTROYFORMS"))
            return Variant(ovNeed<TvdxEngineOptions>(instance)->DestroyForms());
    } else if (isClass(classType, "TvdxReport")) {
        auto *r = ovNeed<TvdxReport>(instance);
        if (is(name, "TERMINATED"))
            return Variant(r->Terminated());
        if (is(name, "VARIABLES"))
            return objectValue(r->Variables());
        if (is(name, "STYLES"))
            return objectValue(r->Styles());
        if (is(name, "DRILLSTATE"))
            return Variant::fromObject(drillStateOf(r));
    } else if (isClass(classType, "TvdxCustomPreviewPages")) {
        auto *pages = ovNeed<TvdxCustomPreviewPages>(instance);
        if (is(name, "COUNT"))
            return Variant(pages->Count());
        if (is(name, "CURPAGE"))
            return Variant(pages->CurPage);
    }
    return Variant(0);
}

void TFunctions::SetProp(QObject *instance, const QMetaObject *classType, const QString &name, const Variant &value)
{
    if (!instance)
        return;
    if (isClass(classType, "TvdxScriptWideStrings")) {
        if (is(name, "TEXT"))
            ovNeed<TvdxScriptWideStrings>(instance)->SetText(VarToStr(value));
    } else if (isClass(classType, "TvdxComponent")) {
        if (is(name, "PARENT"))
            ovNeed<TvdxComponent>(instance)->SetParent(qobject_cast<TvdxComponent *>(ovValueToObject(value)));
    } else if (isClass(classType, "TvdxView")) {
        if (is(name, "TAGSTR"))
            ovNeed<TvdxView>(instance)->SetTagStr(VarToStr(value));
    } else if (isClass(classType, "TvdxCustomMemoView")) {
        auto *m = ovNeed<TvdxCustomMemoView>(instance);
        if (is(name, "TEXT"))
            m->SetText(VarToStr(value));
        else if (is(name, "ANSITEXT"))
            m->SetText(DecodeAnsi(EncodeAnsi(VarToStr(value))));
        else if (is(name, "LINES")) {
            // A copy: the list stays the script's.
            if (auto *l = qobject_cast<TovHostStrings *>(ovValueToObject(value)))
                m->Lines() = l->Lines();
        }
    } else if (isClass(classType, "TvdxDialogPage")) {
        if (is(name, "MODALRESULT"))
            ovNeed<TvdxDialogPage>(instance)->SetModalResult(value.toInt());
    } else if (isClass(classType, "TvdxEngineOptions")) {
        if (is(name, "DESTROYFORMS"))
            ovNeed<TvdxEngineOptions>(instance)->SetDestroyForms(value.toBool());
    } else if (isClass(classType, "TvdxReport")) {
        if (is(name, "TERMINATED"))
            ovNeed<TvdxReport>(instance)->SetTerminated(value.toBool());
    } else if (isClass(classType, "TvdxCustomPreviewPages")) {
        if (is(name, "CURPAGE"))
            ovNeed<TvdxCustomPreviewPages>(instance)->CurPage = value.toInt();
    }
}

struct ClassEntry {
    const char *name;
    const char *ancestor;
};

// Every class in registration order; a class not linked into this program
// (a band or page kind still to come) is left out.
const ClassEntry kClasses[] = {
    {"TvdxDataLink", "TPersistent"},
    {"TvdxHyperlink", "TPersistent"},
    {"TvdxCustomFill", "TPersistent"},
    {"TvdxBrushFill", "TvdxCustomFill"},
    {"TvdxGradientFill", "TvdxCustomFill"},
    {"TvdxGlassFill", "TvdxCustomFill"},
    {"TvdxFillGaps", "TPersistent"},
    {"TvdxObjectProcessing", "TPersistent"},
    {"TWideStrings", "TPersistent"},
    {"TvdxComponent", "TComponent"},
    {"TvdxReportComponent", "TvdxComponent"},
    {"TvdxDialogComponent", "TvdxReportComponent"},
    {"TvdxDataSet", "TvdxDialogComponent"},
    {"TvdxUserDataSet", "TvdxDataSet"},
    {"TvdxCustomDBDataSet", "TvdxDataSet"},
    {"TvdxDialogControl", "TvdxReportComponent"},
    {"TvdxFrameLine", "TPersistent"},
    {"TvdxFrame", "TPersistent"},
    {"TvdxView", "TvdxReportComponent"},
    {"TvdxShapeView", "TvdxView"},
    {"TvdxStretcheable", "TvdxView"},
    {"TvdxHighlight", "TPersistent"},
    {"TvdxFormat", "TPersistent"},
    {"TvdxCustomMemoView", "TvdxStretcheable"},
    {"TvdxMemoView", "TvdxCustomMemoView"},
    {"TvdxSysMemoView", "TvdxCustomMemoView"},
    {"TvdxDMPMemoView", "TvdxCustomMemoView"},
    {"TvdxCustomLineView", "TvdxStretcheable"},
    {"TvdxLineView", "TvdxCustomLineView"},
    {"TvdxDMPLineView", "TvdxCustomLineView"},
    {"TvdxDMPCommand", "TvdxView"},
    {"TvdxPictureView", "TvdxView"},
    {"TvdxDigitalSignatureView", "TvdxPictureView"},
    {"TvdxSubreport", "TvdxView"},
    {"TvdxBand", "TvdxReportComponent"},
    {"TvdxDataBand", "TvdxBand"},
    {"TvdxHeader", "TvdxBand"},
    {"TvdxFooter", "TvdxBand"},
    {"TvdxPageHeader", "TvdxBand"},
    {"TvdxPageFooter", "TvdxBand"},
    {"TvdxColumnHeader", "TvdxBand"},
    {"TvdxColumnFooter", "TvdxBand"},
    {"TvdxGroupHeader", "TvdxBand"},
    {"TvdxGroupFooter", "TvdxBand"},
    {"TvdxReportTitle", "TvdxBand"},
    {"TvdxReportSummary", "TvdxBand"},
    {"TvdxChild", "TvdxBand"},
    {"TvdxOverlay", "TvdxBand"},
    {"TvdxMasterData", "TvdxDataBand"},
    {"TvdxDetailData", "TvdxDataBand"},
    {"TvdxSubdetailData", "TvdxDataBand"},
    {"TvdxDataBand4", "TvdxDataBand"},
    {"TvdxDataBand5", "TvdxDataBand"},
    {"TvdxDataBand6", "TvdxDataBand"},
    {"TvdxPage", "TvdxComponent"},
    {"TvdxReportPage", "TvdxPage"},
    {"TvdxCustomPreview", "TCustomControl"},
    {"TvdxCustomPreviewPages", "TObject"},
    {"TvdxPreviewPages", "TvdxCustomPreviewPages"},
    {"TvdxDialogPage", "TvdxPage"},
    {"TvdxDMPPage", "TvdxReportPage"},
    {"TvdxDataPage", "TvdxPage"},
    {"TvdxEngineOptions", "TPersistent"},
    {"TvdxPrintOptions", "TPersistent"},
    {"TvdxPreviewOptions", "TPersistent"},
    {"TvdxReportOptions", "TPersistent"},
    {"TvdxVariable", "TCollectionItem"},
    {"TvdxVariables", "TCollection"},
    {"TvdxStyleItem", "TCollectionItem"},
    {"TvdxStyles", "TCollection"},
    {"TvdxArray", "TCollection"},
    {"TvdxReport", "TvdxComponent"},
    {"TvdxPostProcessor", "TPersistent"},
    {"TvdxCustomEngine", "TPersistent"},
    {"TvdxEngine", "TvdxCustomEngine"},
    {"TvdxCustomOutline", "TPersistent"},
    {"TvdxOutline", "TvdxCustomOutline"},
};

// Classes that are not components (no class registry entry) by their own metadata.
const QMetaObject *knownMeta(const QString &name)
{
    static const QHash<QString, const QMetaObject *> known = [] {
        QHash<QString, const QMetaObject *> h;
        for (const QMetaObject *m :
             {&TvdxDataLink::staticMetaObject, &TvdxHyperlink::staticMetaObject, &TvdxCustomFill::staticMetaObject,
              &TvdxBrushFill::staticMetaObject, &TvdxGradientFill::staticMetaObject, &TvdxGlassFill::staticMetaObject,
              &TvdxObjectProcessing::staticMetaObject, &TvdxFillGaps::staticMetaObject, &TvdxComponent::staticMetaObject,
              &TvdxReportComponent::staticMetaObject, &TvdxFrameLine::staticMetaObject, &TvdxFrame::staticMetaObject,
              &TvdxFormat::staticMetaObject, &TvdxView::staticMetaObject, &TvdxStretcheable::staticMetaObject,
              &TvdxCustomMemoView::staticMetaObject, &TvdxCustomLineView::staticMetaObject,
              &TvdxBand::staticMetaObject, &TvdxPage::staticMetaObject, &TvdxCustomPreview::staticMetaObject,
              &TvdxCustomPreviewPages::staticMetaObject,
              &TvdxEngineOptions::staticMetaObject, &TvdxPrintOptions::staticMetaObject,
              &TvdxPreviewOptions::staticMetaObject, &TvdxReportOptions::staticMetaObject,
              &TvdxVariable::staticMetaObject, &TvdxVariables::staticMetaObject, &TvdxStyleItem::staticMetaObject,
              &TvdxStyles::staticMetaObject, &TvdxArray::staticMetaObject, &TvdxCustomEngine::staticMetaObject,
              &TvdxCustomOutline::staticMetaObject})
            h.insert(QString::fromLatin1(m->className()), m);
        h.insert(QStringLiteral("TWideStrings"), &TvdxScriptWideStrings::staticMetaObject);
        h.insert(QStringLiteral("TvdxPostProcessor"), &TvdxScriptPostProcessor::staticMetaObject);
        // The engine's prepared pages, reached through their base.
        h.insert(QStringLiteral("TvdxPreviewPages"), &TvdxCustomPreviewPages::staticMetaObject);
        return h;
    }();
    if (const QMetaObject *m = known.value(name))
        return m;
    if (const QMetaObject *m = metaByName(name))
        return m;
    // The engine's classes when the engine does not register them: their bases.
    if (name == QLatin1String("TvdxEngine"))
        return &TvdxCustomEngine::staticMetaObject;
    if (name == QLatin1String("TvdxOutline"))
        return &TvdxCustomOutline::staticMetaObject;
    return nullptr;
}

TFunctions::TFunctions(TovScript *aScript) : TovRTTIModule(aScript)
{
    TovScript *s = Script;
    s->AddConst(S("vd01cm"), S("Extended"), Variant(3.77953));
    s->AddConst(S("vd1cm"), S("Extended"), Variant(37.7953));
    s->AddConst(S("vd01in"), S("Extended"), Variant(9.6));
    s->AddConst(S("vd1in"), S("Extended"), Variant(96));
    s->AddConst(S("vd1CharX"), S("Extended"), Variant(9.6));
    s->AddConst(S("vd1CharY"), S("Extended"), Variant(17));
    s->AddConst(S("clTransparent"), S("Integer"), Variant(536870911));
    s->AddConst(S("crHand"), S("Integer"), Variant(150));
    s->AddConst(S("crZoom"), S("Integer"), Variant(151));
    s->AddConst(S("crFormat"), S("Integer"), Variant(152));

    s->AddEnum(S("TvdxStretchMode"), S("smDontStretch, smActualHeight, smMaxHeight"));
    s->AddEnum(S("TvdxShiftMode"), S("smDontShift, smAlways, smWhenOverlapped"));
    s->AddEnum(S("TvdxDuplexMode"), S("dmNone, dmVertical, dmHorizontal, dmSimplex"));
    s->AddEnum(S("TvdxAlign"), S("baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient, baHidden"));
    s->AddEnum(S("TvdxFrameStyle"), S("fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble"));
    s->AddEnumSet(S("TvdxFrameTypes"), S("ftLeft, ftRight, ftTop, ftBottom"));
    s->AddEnumSet(S("TvdxAnchors"), S("vdaLeft, vdaTop, vdaRight, vdaBottom"));
    s->AddEnum(S("TvdxHAlign"), S("haLeft, haRight, haCenter, haBlock"));
    s->AddEnum(S("TvdxVAlign"), S("vaTop, vaBottom, vaCenter"));
    s->AddEnumSet(S("TvdxRestrictions"),
                  S("rfDontModify, rfDontSize, rfDontMove, rfDontDelete, rfDontEdit, rfDontEditInPreview, rfDontCopy"));
    s->AddEnum(S("TvdxShapeKind"),
               S("skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, skDiagonal2"));
    s->AddEnumSet(S("TvdxPreviewButtons"),
                  S("pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind, pbOutline, pbPageSetup, pbTools, pbEdit, "
                    "pbNavigator, pbExportQuick, pbNoClose, pbNoFullScreen, pbNoEmail, pbCopy, pbPaste, pbSelection, "
                    "pbInplaceEdit"));
    s->AddEnum(S("TvdxZoomMode"), S("zmDefault, zmWholePage, zmPageWidth, zmManyPages"));
    s->AddEnum(S("TvdxPrintPages"), S("ppAll, ppOdd, ppEven"));
    s->AddEnumSet(S("TvdxDMPFontStyles"), S("fsxBold, fsxItalic, fsxUnderline, fsxSuperScript, fsxSubScript, "
                                            "fsxCondensed, fsxWide, fsx12cpi, fsx15cpi"));
    s->AddEnum(S("TvdxRangeBegin"), S("rbFirst, rbCurrent"));
    s->AddEnum(S("TvdxRangeEnd"), S("reLast, reCurrent, reCount"));
    s->AddEnum(S("TvdxFieldType"), S("fftNumeric, fftString, fftBoolean"));
    s->AddEnum(S("TvdxFormatKind"), S("fkText, fkNumeric, fkDateTime, fkBoolean"));
    s->AddEnum(S("TvdxFillType"), S("ftBrush, ftGradient, ftGlass"));
    s->AddEnum(S("TvdxPrintMode"), S("pmDefault, pmSplit, pmJoin, pmScale"));
    s->AddEnumSet(S("TvdxVisibilityTypes"), S("vsPreview, vsExport, vsPrint"));
    s->AddEnum(S("TvdxUnderlinesTextMode"),
               S("ulmNone, ulmUnderlinesAll, ulmUnderlinesText, ulmUnderlinesTextAndEmptyLines"));
    s->AddEnum(S("TvdxHyperlinkKind"),
               S("hkURL, hkAnchor, hkPageNumber, hkDetailReport, hkDetailPage, hkCustom, hkNone"));
    s->AddEnum(S("TvdxProcessAtMode"), S("paDefault, paReportFinished, paReportPageFinished, paPageFinished, "
                                         "paColumnFinished, paDataFinished, paGroupFinished, paCustom"));
    s->AddEnum(S("TPDFSignatureKind"), S("skInvisible, skVisible, skEmpty"));
    s->AddEnum(S("TvdxCustomSignatureGraphicType"), S("gtNo, gtImported, gtName"));
    s->AddEnum(S("TvdxDataLinkProcessing"), S("dpString, dpExpression"));
    s->AddEnumSet(S("TvdxDataLinkLoading"), S("dltOnGetData, dltOnPreview"));

    // The picture formats' graphic classes, known to scripts as graphics.
    if (s->FindClass(S("TGraphic")))
        if (TvdxGraphicFormats *formats = GetGraphicFormats())
            for (int i = 0; i < formats->Count(); ++i)
                if (TvdxCustomGraphicFormatClass f = formats->GetItem(i))
                    if (TGraphicClassRef g = f->GetGraphicClass())
                        ovAddHostClass(s, &ovs::TGraphic::staticMetaObject, QString::fromLatin1(g->name),
                                       S("TGraphic"));

    const TovCallMethodNewEvent call = &TFunctions::CallMethod;
    const TovGetValueEvent get = &TFunctions::GetProp;
    const TovSetValueEvent set = &TFunctions::SetProp;
    for (const ClassEntry &e : kClasses) {
        const QString name = QString::fromLatin1(e.name);
        const QMetaObject *meta = knownMeta(name);
        // The string list only where the script knows its ancestor.
        if (!meta || (name == QLatin1String("TWideStrings") && !s->Find(S("TPersistent"))))
            continue;
        const bool hostNamed = name == QLatin1String("TWideStrings") || name == QLatin1String("TvdxPostProcessor")
                               || name == QLatin1String("TvdxPreviewPages") || name == QLatin1String("TvdxEngine")
                               || name == QLatin1String("TvdxOutline");
        TovClassVariable *c = hostNamed
                                  ? ovAddHostClass(s, meta, name, QString::fromLatin1(e.ancestor))
                                  : s->AddClass(meta, QString::fromLatin1(e.ancestor));
        if (!c)
            continue;
        auto M = [&](const char *syntax) { c->AddMethod(S(syntax), call); };
        const QString I = S("Integer"), Str = S("String");
        if (name == QLatin1String("TvdxCustomFill")) {
            M("function AsBrushFill: TvdxBrushFill");
            M("function AsGradientFill: TvdxGradientFill");
            M("function AsGlassFill: TvdxGlassFill");
        } else if (name == QLatin1String("TWideStrings")) {
            c->AddConstructor(S("constructor Create"), call);
            M("function Add(const S: string): Integer");
            M("function AddObject(const S: string; AObject: TObject): Integer");
            M("procedure Clear");
            M("procedure Delete(Index: Integer)");
            M("function IndexOf(const S: string): Integer");
            M("procedure Insert(Index: Integer; const S: string)");
            M("procedure LoadFromFile(const FileName: string)");
            M("procedure LoadFromStream(Stream: TStream)");
            M("procedure SaveToFile(const FileName: string)");
            M("procedure SaveToStream(Stream: TStream)");
            c->AddProperty(S("Count"), I, get);
            c->AddIndexProperty(S("Objects"), I, S("TObject"), call);
            c->AddDefaultProperty(S("Strings"), I, S("string"), call);
            c->AddProperty(S("Text"), S("string"), get, set);
        } else if (name == QLatin1String("TvdxComponent")) {
            M("procedure Clear");
            M("function FindObject(s: String): TvdxComponent");
            M("procedure LoadFromStream(Stream: TStream)");
            M("procedure SaveToStream(Stream: TStream; SaveChildren: Boolean = True)");
            M("procedure SetBounds(ALeft, ATop, AWidth, AHeight: Extended)");
            c->AddProperty(S("Objects"), S("TList"), get);
            c->AddProperty(S("AllObjects"), S("TList"), get);
            c->AddProperty(S("Parent"), S("TvdxComponent"), get, set);
            c->AddProperty(S("Page"), S("TvdxPage"), get);
            c->AddProperty(S("AbsLeft"), S("Extended"), get);
            c->AddProperty(S("AbsTop"), S("Extended"), get);
        } else if (name == QLatin1String("TvdxDataSet")) {
            M("procedure Open");
            M("procedure Close");
            M("procedure First");
            M("procedure Next");
            M("procedure Prior");
            M("function Eof: Boolean");
            M("function FieldsCount: Integer");
            M("function HasField(const fName: String): Boolean");
            M("function IsBlobField(const fName: String): Boolean");
            M("function RecordCount: Integer");
            M("procedure GetFieldList(List: TStrings)");
            c->AddProperty(S("RecNo"), I, get);
            c->AddIndexProperty(S("DisplayText"), Str, Str, call, true);
            c->AddIndexProperty(S("DisplayWidth"), Str, I, call, true);
            c->AddIndexProperty(S("FieldType"), Str, S("TvdxFieldType"), call, true);
            c->AddIndexProperty(S("Value"), Str, S("Variant"), call, true);
        } else if (name == QLatin1String("TvdxDialogControl")) {
            M("procedure SetFocus");
        } else if (name == QLatin1String("TvdxView")) {
            c->AddProperty(S("TagStr"), Str, get, set);
        } else if (name == QLatin1String("TvdxStretcheable")) {
            M("function CalcHeight: Extended");
        } else if (name == QLatin1String("TvdxCustomMemoView")) {
            M("function CalcWidth: Extended");
            c->AddProperty(S("Text"), Str, get, set);
            c->AddProperty(S("AnsiText"), Str, get, set);
            c->AddProperty(S("Lines"), S("TWideStrings"), get, set);
            c->AddProperty(S("Value"), S("Variant"), get);
        } else if (name == QLatin1String("TvdxPictureView")) {
            M("procedure LoadFromFile(filename: String)");
            M("procedure LoadFromStream(Stream: TStream)");
        } else if (name == QLatin1String("TvdxBand")) {
            M("procedure AlignChildren");
            c->AddProperty(S("Overflow"), S("Boolean"), get);
        } else if (name == QLatin1String("TvdxReportPage")) {
            M("procedure AlignChildren");
        } else if (name == QLatin1String("TvdxPreviewPages")) {
            M("procedure ModifyObject(Component: TvdxComponent)");
            c->AddProperty(S("Count"), I, get);
            c->AddProperty(S("CurPage"), I, get, set);
            c->AddIndexProperty(S("Page"), I, S("TvdxReportPage"), call);
        } else if (name == QLatin1String("TvdxDialogPage")) {
            M("function ShowModal: Integer");
            c->AddProperty(S("ModalResult"), I, get, set);
        } else if (name == QLatin1String("TvdxEngineOptions")) {
            c->AddProperty(S("DestroyForms"), S("Boolean"), get, set);
        } else if (name == QLatin1String("TvdxVariables")) {
            c->AddConstructor(S("constructor Create"), call);
            c->AddDefaultProperty(S("Variables"), Str, S("Variant"), call);
        } else if (name == QLatin1String("TvdxStyles")) {
            c->AddConstructor(S("constructor Create(AReport: TvdxReport)"), call);
            M("function Add: TvdxStyleItem");
            M("function Find(const Name: String): TvdxStyleItem");
            M("procedure Apply");
            M("procedure GetList(List: TStrings)");
            M("procedure LoadFromFile(const FileName: String)");
            M("procedure LoadFromStream(Stream: TStream)");
            M("procedure SaveToFile(const FileName: String)");
            M("procedure SaveToStream(Stream: TStream)");
            c->AddDefaultProperty(S("Items"), I, S("TvdxStyleItem"), call, true);
        } else if (name == QLatin1String("TvdxArray")) {
            c->AddConstructor(S("constructor Create"), call);
            c->AddDefaultProperty(S("Variables"), S("Variant"), S("Variant"), call);
        } else if (name == QLatin1String("TvdxReport")) {
            M("function Calc(const Expr: String): Variant");
            M("function GetDataset(const Alias: String): TvdxDataset");
            M("function LoadFromFile(const FileName: String): Boolean");
            M("procedure SaveToFile(const FileName: String)");
            M("procedure ShowReport");
            M("procedure PrepareReport");
            M("procedure Print");
            c->AddProperty(S("Terminated"), S("Boolean"), get, set);
            c->AddProperty(S("Variables"), S("TvdxVariables"), get);
            c->AddProperty(S("Styles"), S("TvdxStyles"), get);
            c->AddProperty(S("DrillState"), S("TStrings"), get);
        } else if (name == QLatin1String("TvdxCustomEngine")) {
            M("procedure AddAnchor(const Text: String)");
            M("procedure NewPage");
            M("procedure NewColumn");
            M("procedure ShowBand(Band: TvdxBand)");
            M("procedure StopReport");
            M("function FreeSpace: Extended");
            M("function GetAnchorPage(const Text: String): Integer");
            M("function GetPostProcessor: TvdxPostProcessor");
            M("procedure ProcessObject(ReportObject: TvdxView)");
        } else if (name == QLatin1String("TvdxPostProcessor")) {
            M("function GetMacroList(const MacroName: String): TWideStrings");
            // BandName may be left out: an empty text.
            M("procedure ResetDuplicates(const BandName: String = '')");
        } else if (name == QLatin1String("TvdxCustomOutline")) {
            M("procedure AddItem(const Text: String)");
            M("procedure LevelRoot");
            M("procedure LevelUp");
        }
    }

    s->AddObject(S("vdxGlobalVariables"), vdxGlobalVariables());

    const QString date = S("ctDate");
    s->AddMethod(S("function DayOf(Date: TDateTime): Integer"), call, date);
    s->AddMethod(S("function MonthOf(Date: TDateTime): Integer"), call, date);
    s->AddMethod(S("function YearOf(Date: TDateTime): Integer"), call, date);
    // IIF and the aggregates are macro functions each report adds to its own script.
}

} // namespace

TvdxScriptLinkedStrings::TvdxScriptLinkedStrings(QStringList *target) : m_target(target) { Refresh(); }

void TvdxScriptLinkedStrings::Refresh()
{
    if (m_lines != *m_target)
        TovHostStrings::replaceAll(*m_target);
}

void TvdxScriptLinkedStrings::SetStrings(int index, const QString &s)
{
    TovHostStrings::SetStrings(index, s);
    writeBack();
}

void TvdxScriptLinkedStrings::InsertObject(int index, const QString &s, QObject *obj)
{
    TovHostStrings::InsertObject(index, s, obj);
    writeBack();
}

void TvdxScriptLinkedStrings::Clear()
{
    TovHostStrings::Clear();
    writeBack();
}

void TvdxScriptLinkedStrings::Delete(int index)
{
    TovHostStrings::Delete(index);
    writeBack();
}

void TvdxScriptLinkedStrings::Move(int curIndex, int newIndex)
{
    TovHostStrings::Move(curIndex, newIndex);
    writeBack();
}

void TvdxScriptLinkedStrings::replaceAll(const QStringList &lines)
{
    TovHostStrings::replaceAll(lines);
    writeBack();
}

void vdxRegisterClassRTTI()
{
    static const bool done = [] {
        QList<TovRTTIModuleClass> &list = ovRTTIModuleClasses();
        // After system functions, base classes, graphics and forms.
        list.insert(qMin(4, int(list.size())), [](TovScript *script) -> TovObject * { return new TFunctions(script); });
        return true;
    }();
    Q_UNUSED(done)
}
