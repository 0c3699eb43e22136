#include "script/ov_iformsrtti.h"

#include "script/ov_igraphicsrtti.h"

namespace {

// Wraps the base entry: the handler runs, then the var arguments are brought
// back to the host's types.
template <class Fn>
TovEventMethod takeBack(TovEventMethod inner, Fn convert)
{
    return [inner = std::move(inner), convert](QList<Variant> &args) {
        inner(args);
        convert(args);
    };
}

void toInt(QList<Variant> &args, int i)
{
    if (i < args.size())
        args[i] = Variant(args.at(i).toInt());
}

void toBool(QList<Variant> &args, int i)
{
    if (i < args.size())
        args[i] = Variant(args.at(i).toBool());
}

} // namespace

TovEventMethod TovKeyEvent::GetMethod()
{
    return takeBack(TovCustomEvent::GetMethod(), [](QList<Variant> &a) { toInt(a, 1); });
}

TovEventMethod TovKeyPressEvent::GetMethod()
{
    return takeBack(TovCustomEvent::GetMethod(), [](QList<Variant> &a) {
        if (a.size() > 1)
            a[1] = Variant(a.at(1).toString().left(1));
    });
}

TovEventMethod TovCloseEvent::GetMethod()
{
    return takeBack(TovCustomEvent::GetMethod(), [](QList<Variant> &a) { toInt(a, 1); });
}

TovEventMethod TovCloseQueryEvent::GetMethod()
{
    return takeBack(TovCustomEvent::GetMethod(), [](QList<Variant> &a) { toBool(a, 1); });
}

TovEventMethod TovCanResizeEvent::GetMethod()
{
    return takeBack(TovCustomEvent::GetMethod(), [](QList<Variant> &a) {
        toInt(a, 1);
        toInt(a, 2);
        toBool(a, 3);
    });
}

// ---------------------------------------------------------------------------
namespace {

Variant objectValue(QObject *obj)
{
    return obj ? Variant::fromObject(obj) : Variant(0);
}

bool is(const QString &name, const char *upper)
{
    return name == QLatin1String(upper);
}

} // namespace

Variant TovFormsFunctions::CallMethod(QObject *instance, const QMetaObject *classType, const QString &name,
                                      TovMethodHelper *caller)
{
    Variant result(0);
    if (!instance)
        throw EovClassError(QStringLiteral("Cannot call %1 of a nil object").arg(caller->Name()));

    if (classType == &TControl::staticMetaObject) {
        auto *c = qobject_cast<TControl *>(instance);
        if (!c)
            return result;
        if (is(name, "HIDE"))
            c->Hide();
        else if (is(name, "SHOW"))
            c->Show();
        else if (is(name, "SETBOUNDS"))
            c->SetBounds(caller->GetVParam(0).toInt(), caller->GetVParam(1).toInt(), caller->GetVParam(2).toInt(),
                         caller->GetVParam(3).toInt());
    } else if (classType == &TWinControl::staticMetaObject) {
        auto *c = qobject_cast<TWinControl *>(instance);
        if (!c)
            return result;
        if (is(name, "SETFOCUS"))
            c->SetFocus();
        else if (is(name, "INVALIDATE"))
            c->Invalidate();
    } else if (classType == &TCustomListBox::staticMetaObject) {
        auto *l = qobject_cast<TCustomListBox *>(instance);
        if (!l)
            return result;
        if (is(name, "SELECTED.GET"))
            result = Variant(l->Selected(caller->GetVParam(0).toInt()));
        else if (is(name, "SELECTED.SET"))
            l->SetSelected(caller->GetVParam(0).toInt(), caller->GetVParam(1).toBool());
    } else if (classType == &TCustomForm::staticMetaObject) {
        auto *f = qobject_cast<TCustomForm *>(instance);
        if (!f)
            return result;
        if (is(name, "CLOSE"))
            f->Close();
        else if (is(name, "HIDE"))
            f->Hide();
        else if (is(name, "SHOW"))
            f->Show();
        else if (is(name, "SHOWMODAL"))
            result = Variant(f->ShowModal());
    } else if (classType == &TApplication::staticMetaObject) {
        auto *a = qobject_cast<TApplication *>(instance);
        if (!a)
            return result;
        if (is(name, "MINIMIZE"))
            a->Minimize();
        else if (is(name, "PROCESSMESSAGES"))
            a->ProcessMessages();
        else if (is(name, "RESTORE"))
            a->Restore();
    }
    return result;
}

Variant TovFormsFunctions::GetProp(QObject *instance, const QMetaObject *classType, const QString &name)
{
    if (!instance)
        return Variant(0);
    if (classType == &TControl::staticMetaObject) {
        if (auto *c = qobject_cast<TControl *>(instance); c && is(name, "PARENT"))
            return objectValue(c->Parent());
    } else if (classType == &TCustomComboBox::staticMetaObject) {
        if (auto *c = qobject_cast<TCustomComboBox *>(instance)) {
            if (is(name, "DROPPEDDOWN"))
                return Variant(c->DroppedDown());
            if (is(name, "ITEMINDEX"))
                return Variant(c->ItemIndex());
        }
    } else if (classType == &TCustomListBox::staticMetaObject) {
        if (auto *l = qobject_cast<TCustomListBox *>(instance)) {
            if (is(name, "ITEMINDEX"))
                return Variant(l->ItemIndex());
            if (is(name, "SELCOUNT"))
                return Variant(l->SelCount());
        }
    } else if (classType == &TCustomForm::staticMetaObject) {
        if (auto *f = qobject_cast<TCustomForm *>(instance)) {
            if (is(name, "CANVAS"))
                return objectValue(f->Canvas());
            if (is(name, "MODALRESULT"))
                return Variant(f->ModalResult());
        }
    } else if (classType == &TApplication::staticMetaObject) {
        if (auto *a = qobject_cast<TApplication *>(instance); a && is(name, "EXENAME"))
            return Variant(a->ExeName());
    }
    return Variant(0);
}

void TovFormsFunctions::SetProp(QObject *instance, const QMetaObject *classType, const QString &name,
                                const Variant &value)
{
    if (!instance)
        throw EovClassError(QStringLiteral("Cannot assign %1 of a nil object").arg(name));
    if (classType == &TControl::staticMetaObject) {
        if (auto *c = qobject_cast<TControl *>(instance); c && is(name, "PARENT")) {
            QObject *p = ovValueToObject(value);
            auto *parent = qobject_cast<TWinControl *>(p);
            if (p && !parent)
                throw EovClassError(QStringLiteral("%1 cannot hold controls").arg(QString::fromLatin1(p->metaObject()->className())));
            c->SetParent(parent);
        }
    } else if (classType == &TCustomComboBox::staticMetaObject) {
        if (auto *c = qobject_cast<TCustomComboBox *>(instance)) {
            if (is(name, "DROPPEDDOWN"))
                c->SetDroppedDown(value.toBool());
            else if (is(name, "ITEMINDEX"))
                c->SetItemIndex(value.toInt());
        }
    } else if (classType == &TCustomListBox::staticMetaObject) {
        if (auto *l = qobject_cast<TCustomListBox *>(instance); l && is(name, "ITEMINDEX"))
            l->SetItemIndex(value.toInt());
    } else if (classType == &TCustomForm::staticMetaObject) {
        if (auto *f = qobject_cast<TCustomForm *>(instance); f && is(name, "MODALRESULT"))
            f->SetModalResult(value.toInt());
    }
}

TovFormsFunctions::TovFormsFunctions(TovScript *aScript) : TovRTTIModule(aScript)
{
    TovScript *s = Script;
    const QString I = QStringLiteral("Integer");
    const struct {
        const char *name;
        int value;
    } consts[] = {
        {"mrNone", 0}, {"mrOk", 1}, {"mrCancel", 2}, {"mrAbort", 3}, {"mrRetry", 4}, {"mrIgnore", 5},
        {"mrYes", 6}, {"mrNo", 7}, {"mrAll", 12}, {"mrNoToAll", 13}, {"mrYesToAll", 14},
        {"crDefault", 0}, {"crNone", -1}, {"crArrow", -2}, {"crCross", -3}, {"crIBeam", -4}, {"crSize", -22},
        {"crSizeNESW", -6}, {"crSizeNS", -7}, {"crSizeNWSE", -8}, {"crSizeWE", -9}, {"crUpArrow", -10},
        {"crHourGlass", -11}, {"crDrag", -12}, {"crNoDrop", -13}, {"crHSplit", -14}, {"crVSplit", -15},
        {"crMultiDrag", -16}, {"crSQLWait", -17}, {"crNo", -18}, {"crAppStart", -19}, {"crHelp", -20},
        {"crHandPoint", -21}, {"crSizeAll", -22},
        {"bsNone", 0}, {"bsSingle", 1}, {"bsSizeable", 2}, {"bsDialog", 3}, {"bsToolWindow", 4},
        {"bsSizeToolWin", 5},
        {"VK_RBUTTON", 2}, {"VK_CANCEL", 3}, {"VK_MBUTTON", 4}, {"VK_BACK", 8}, {"VK_TAB", 9},
        {"VK_RETURN", 13}, {"VK_SHIFT", 16}, {"VK_CONTROL", 17}, {"VK_MENU", 18}, {"VK_PAUSE", 19},
        {"VK_CAPITAL", 20}, {"VK_ESCAPE", 27}, {"VK_SPACE", 32}, {"VK_PRIOR", 33}, {"VK_NEXT", 34},
        {"VK_END", 35}, {"VK_HOME", 36}, {"VK_LEFT", 37}, {"VK_UP", 38}, {"VK_RIGHT", 39}, {"VK_DOWN", 40},
        {"VK_INSERT", 45}, {"VK_DELETE", 46}, {"VK_HELP", 47}, {"VK_LWIN", 91}, {"VK_RWIN", 92},
        {"VK_APPS", 93},
    };
    for (const auto &c : consts)
        s->AddConst(QString::fromLatin1(c.name), I, Variant(c.value));
    for (int i = 0; i <= 9; ++i)
        s->AddConst(QStringLiteral("VK_NUMPAD%1").arg(i), I, Variant(96 + i));
    const std::pair<const char *, int> numKeys[] = {{"VK_MULTIPLY", 106}, {"VK_ADD", 107},     {"VK_SEPARATOR", 108},
                                                    {"VK_SUBTRACT", 109}, {"VK_DECIMAL", 110}, {"VK_DIVIDE", 111}};
    for (const auto &[n, v] : numKeys)
        s->AddConst(QString::fromLatin1(n), I, Variant(v));
    for (int i = 1; i <= 12; ++i)
        s->AddConst(QStringLiteral("VK_F%1").arg(i), I, Variant(111 + i));
    s->AddConst(QStringLiteral("VK_NUMLOCK"), I, Variant(144));
    s->AddConst(QStringLiteral("VK_SCROLL"), I, Variant(145));
    s->AddConst(QStringLiteral("taLeftJustify"), I, Variant(0));
    s->AddConst(QStringLiteral("taRightJustify"), I, Variant(1));
    s->AddConst(QStringLiteral("taCenter"), I, Variant(2));

    for (const char *t : {"TFormBorderStyle", "TBorderStyle", "TAlignment", "TLeftRight"})
        s->AddType(QString::fromLatin1(t), fvtInt);

    s->AddEnumSet(QStringLiteral("TShiftState"), QStringLiteral("ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble"));
    s->AddEnum(QStringLiteral("TAlign"), QStringLiteral("alNone, alTop, alBottom, alLeft, alRight, alClient"));
    s->AddEnum(QStringLiteral("TMouseButton"), QStringLiteral("mbLeft, mbRight, mbMiddle"));
    s->AddEnumSet(QStringLiteral("TAnchors"), QStringLiteral("akLeft, akTop, akRight, akBottom"));
    s->AddEnum(QStringLiteral("TBevelCut"), QStringLiteral("bvNone, bvLowered, bvRaised, bvSpace"));
    s->AddEnum(QStringLiteral("TTextLayout"), QStringLiteral("tlTop, tlCenter, tlBottom"));
    s->AddEnum(QStringLiteral("TEditCharCase"), QStringLiteral("ecNormal, ecUpperCase, ecLowerCase"));
    s->AddEnum(QStringLiteral("TScrollStyle"), QStringLiteral("ssNone, ssHorizontal, ssVertical, ssBoth"));
    s->AddEnum(QStringLiteral("TComboBoxStyle"),
               QStringLiteral("csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable"));
    s->AddEnum(QStringLiteral("TCheckBoxState"), QStringLiteral("cbUnchecked, cbChecked, cbGrayed"));
    s->AddEnum(QStringLiteral("TListBoxStyle"), QStringLiteral("lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable"));
    s->AddEnum(QStringLiteral("TWindowState"), QStringLiteral("wsNormal, wsMinimized, wsMaximized"));
    s->AddEnum(QStringLiteral("TFormStyle"), QStringLiteral("fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop"));
    s->AddEnumSet(QStringLiteral("TBorderIcons"), QStringLiteral("biSystemMenu, biMinimize, biMaximize, biHelp"));
    s->AddEnum(QStringLiteral("TPosition"), QStringLiteral("poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, "
                                                           "poScreenCenter, poDesktopCenter"));
    s->AddEnum(QStringLiteral("TCloseAction"), QStringLiteral("caNone, caHide, caFree, caMinimize"));

    const TovCallMethodNewEvent call = &TovFormsFunctions::CallMethod;
    const TovGetValueEvent get = &TovFormsFunctions::GetProp;
    const TovSetValueEvent set = &TovFormsFunctions::SetProp;
    const TovEventClass notify = ovEventClass<TovNotifyEvent>();
    auto S = [](const char *t) { return QString::fromLatin1(t); };

    if (auto *c = s->AddClass(&TControl::staticMetaObject, S("TComponent"))) {
        c->AddMethod(S("procedure Hide"), call);
        c->AddMethod(S("procedure Show"), call);
        c->AddMethod(S("procedure SetBounds(ALeft, ATop, AWidth, AHeight: Integer)"), call);
        c->AddProperty(S("Parent"), S("TWinControl"), get, set);
        c->AddEvent(S("OnCanResize"), ovEventClass<TovCanResizeEvent>());
        c->AddEvent(S("OnClick"), notify);
        c->AddEvent(S("OnDblClick"), notify);
        c->AddEvent(S("OnMouseDown"), ovEventClass<TovMouseEvent>());
        c->AddEvent(S("OnMouseMove"), ovEventClass<TovMouseMoveEvent>());
        c->AddEvent(S("OnMouseUp"), ovEventClass<TovMouseEvent>());
        c->AddEvent(S("OnResize"), notify);
    }
    if (auto *c = s->AddClass(&TWinControl::staticMetaObject, S("TControl"))) {
        c->AddMethod(S("procedure SetFocus"), call);
        c->AddMethod(S("procedure Invalidate"), call);
        c->AddEvent(S("OnEnter"), notify);
        c->AddEvent(S("OnExit"), notify);
        c->AddEvent(S("OnKeyDown"), ovEventClass<TovKeyEvent>());
        c->AddEvent(S("OnKeyPress"), ovEventClass<TovKeyPressEvent>());
        c->AddEvent(S("OnKeyUp"), ovEventClass<TovKeyEvent>());
    }
    s->AddClass(&TCustomControl::staticMetaObject, S("TWinControl"));
    s->AddClass(&TGraphicControl::staticMetaObject, S("TControl"));
    s->AddClass(&TGroupBox::staticMetaObject, S("TWinControl"));
    s->AddClass(&TLabel::staticMetaObject, S("TControl"));
    s->AddClass(&TEdit::staticMetaObject, S("TWinControl"));
    s->AddClass(&TMemo::staticMetaObject, S("TWinControl"));
    if (auto *c = s->AddClass(&TCustomComboBox::staticMetaObject, S("TWinControl"))) {
        c->AddProperty(S("DroppedDown"), S("Boolean"), get, set);
        c->AddProperty(S("ItemIndex"), S("Integer"), get, set);
        c->AddEvent(S("OnChange"), notify);
        c->AddEvent(S("OnDropDown"), notify);
        c->AddEvent(S("OnCloseUp"), notify);
    }
    s->AddClass(&TComboBox::staticMetaObject, S("TCustomComboBox"));
    s->AddClass(&TButton::staticMetaObject, S("TWinControl"));
    s->AddClass(&TCheckBox::staticMetaObject, S("TWinControl"));
    s->AddClass(&TRadioButton::staticMetaObject, S("TWinControl"));
    if (auto *c = s->AddClass(&TCustomListBox::staticMetaObject, S("TWinControl"))) {
        c->AddProperty(S("ItemIndex"), S("Integer"), get, set);
        c->AddProperty(S("SelCount"), S("Integer"), get);
        c->AddIndexProperty(S("Selected"), S("Integer"), S("Boolean"), call);
    }
    s->AddClass(&TListBox::staticMetaObject, S("TCustomListBox"));
    s->AddClass(&TControlScrollBar::staticMetaObject, S("TPersistent"));
    s->AddClass(&TScrollingWinControl::staticMetaObject, S("TWinControl"));
    s->AddClass(&TScrollBox::staticMetaObject, S("TScrollingWinControl"));
    if (auto *c = s->AddClass(&TCustomForm::staticMetaObject, S("TScrollingWinControl"))) {
        c->AddMethod(S("procedure Close"), call);
        c->AddMethod(S("procedure Hide"), call);
        c->AddMethod(S("procedure Show"), call);
        c->AddMethod(S("function ShowModal: Integer"), call);
        c->AddProperty(S("Canvas"), S("TCanvas"), get);
        c->AddProperty(S("ModalResult"), S("Integer"), get, set);
        c->AddEvent(S("OnActivate"), notify);
        c->AddEvent(S("OnClose"), ovEventClass<TovCloseEvent>());
        c->AddEvent(S("OnCloseQuery"), ovEventClass<TovCloseQueryEvent>());
        c->AddEvent(S("OnCreate"), notify);
        c->AddEvent(S("OnDestroy"), notify);
        c->AddEvent(S("OnDeactivate"), notify);
        c->AddEvent(S("OnHide"), notify);
        c->AddEvent(S("OnPaint"), notify);
        c->AddEvent(S("OnShow"), notify);
    }
    s->AddClass(&TForm::staticMetaObject, S("TCustomForm"));
    s->AddClass(&TDataModule::staticMetaObject, S("TComponent"));
    if (auto *c = s->AddClass(&TApplication::staticMetaObject, S("TComponent"))) {
        c->AddMethod(S("procedure Minimize"), call);
        c->AddMethod(S("procedure ProcessMessages"), call);
        c->AddMethod(S("procedure Restore"), call);
        c->AddProperty(S("ExeName"), S("String"), get);
    }
    s->AddObject(S("Application"), TApplication::Instance());
}

