// The script program: item list and name rules, registration, compile, run,
// evaluate and call entry points.
#include "script/ov_iinterpreter.h"
#include "script/ov_irtti.h"
#include "script/ov_iclasses.h"
#include "script/ov_iexpression.h"
#include "script/ov_xml.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QMutex>

namespace {
int compareNames(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive);
}

struct FlagReset {
    TovScript *p;
    ~FlagReset()
    {
        p->ClearFlag(TovScript::FlagExit | TovScript::FlagTerminated | TovScript::FlagBreak | TovScript::FlagContinue);
        p->SetRunning(false);
    }
};
} // namespace

TovScript::TovScript(TvdComponent *owner)
    : TvdComponent(owner), m_statement(new TovStatement(this, QString(), QString())),
      m_syntaxType(QStringLiteral("VevuvaRirivo"))
{
}

TovScript::~TovScript()
{
    freeCreated();
    Clear();
    ClearRTTI();
    while (!m_items.empty())
        freeItem(int(m_items.size()) - 1);
    delete m_statement;
}

// ---------------------------------------------------------------------------
// Item list.
int TovScript::lowerBound(const QString &name) const
{
    int lo = 0, hi = int(m_items.size());
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (compareNames(m_items[size_t(mid)].name, name) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void TovScript::Add(const QString &name, TovObject *item)
{
    if (auto *v = dynamic_cast<TovCustomVariable *>(item)) {
        v->AddedBy = m_addedBy;
        if (v->ItemKind() == TovCustomVariable::ikProc)
            m_procProgs.push_back(static_cast<TovProcVariable *>(v)->Prog());
    }
    // Ahead of its equals: a lookup finds the newest.
    m_items.insert(m_items.begin() + lowerBound(name), Entry{name, item});
}

void TovScript::forgetProc(TovObject *item)
{
    auto *v = dynamic_cast<TovCustomVariable *>(item);
    if (v && v->ItemKind() == TovCustomVariable::ikProc)
        std::erase(m_procProgs, static_cast<TovProcVariable *>(v)->Prog());
}

void TovScript::Remove(TovObject *item)
{
    forgetProc(item);
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].item == item) {
            m_items.erase(m_items.begin() + qsizetype(i));
            return;
        }
}

void TovScript::freeItem(int index)
{
    TovObject *o = m_items[size_t(index)].item;
    forgetProc(o);
    m_items.erase(m_items.begin() + index);
    delete o;
}

TovCustomVariable *TovScript::FindLocal(const QString &name) const
{
    for (size_t i = size_t(lowerBound(name)); i < m_items.size(); ++i) {
        if (compareNames(m_items[i].name, name) != 0)
            break;
        if (auto *v = dynamic_cast<TovCustomVariable *>(m_items[i].item))
            return v;
    }
    return nullptr;
}

TovCustomVariable *TovScript::Find(const QString &name) const
{
    for (const TovScript *p = this; p; p = p->m_parent) {
        if (TovCustomVariable *v = p->FindLocal(name))
            return v;
        if (p->m_shared)
            if (TovCustomVariable *v = p->m_shared->FindLocal(name))
                return v;
    }
    return nullptr;
}

TovClassVariable *TovScript::FindClass(const QString &name) const
{
    TovCustomVariable *v = Find(name);
    return v ? v->AsClass() : nullptr;
}

// ---------------------------------------------------------------------------
// Registration.
TovClassVariable *TovScript::AddClass(const QMetaObject *aClass, const QString &ancestor)
{
    const QString name = QString::fromLatin1(aClass->className());
    if (Find(name))
        return nullptr;
    auto *cls = new TovClassVariable(aClass, ancestor, this);
    if (TovCustomVariable *anc = Find(ancestor))
        if (TovClassVariable *ac = anc->AsClass())
            cls->DefProperty = ac->DefProperty;
    Add(name, cls);
    return cls;
}

void TovScript::AddConst(const QString &name, const QString &typ, const Variant &value)
{
    if (Find(name))
        return;
    auto *v = new TovVariable(name, ovStrToVarType(typ, this), typ);
    v->SetValue(value);
    v->IsReadOnly = true;
    Add(name, v);
}

static void addEnumValues(TovScript *script, const QString &typ, const QString &names, bool bits)
{
    auto *t = new TovVariable(typ, fvtEnum, typ);
    script->Add(typ, t);
    const QStringList list = names.split(QLatin1Char(','));
    int n = 0;
    for (const QString &raw : list) {
        const QString name = raw.trimmed();
        auto *v = new TovVariable(name, fvtEnum, typ);
        v->SetValue(Variant(bits ? int(1u << (n & 31)) : n));
        v->IsReadOnly = true;
        script->Add(name, v);
        ++n;
    }
}

void TovScript::AddEnum(const QString &typ, const QString &names)
{
    addEnumValues(this, typ, names, false);
}

void TovScript::AddEnumSet(const QString &typ, const QString &names)
{
    addEnumValues(this, typ, names, true);
}

void TovScript::AddComponent(TvdComponent *form)
{
    if (!form)
        return;
    const QString className = QString::fromLatin1(form->metaObject()->className());
    TovClassVariable *cls = FindClass(className);
    if (!cls) {
        QString ancestor;
        if (form->inherits("TForm") || form->inherits("TvdxBaseForm"))
            ancestor = QStringLiteral("TForm");
        else if (form->inherits("TDataModule"))
            ancestor = QStringLiteral("TDataModule");
        else if (form->inherits("TFrame"))
            ancestor = QStringLiteral("TFrame");
        else
            return;
        cls = AddClass(form->metaObject(), ancestor);
        if (!cls)
            return;
    }
    for (int i = 0; i < form->ComponentCount(); ++i)
        cls->AddComponent(form->Components(i));
    AddObject(form->Name(), form);
}

void TovScript::AddForm(TvdComponent *form)
{
    AddComponent(form);
}

void TovScript::AddMethod(const QString &syntax, TovCallMethodNewEvent callEvent, const QString &category,
                          const QString &description)
{
    auto *m = new TovMethodHelper(syntax, this);
    m->OnCallNew = std::move(callEvent);
    m->Category = category;
    m->Description = description.isEmpty() ? m->Name() : description;
    Add(m->Name(), m);
}

void TovScript::AddMethod(const QString &syntax, TovCallMethodEvent callEvent, const QString &category,
                          const QString &description)
{
    auto *m = new TovMethodHelper(syntax, this);
    m->OnCall = std::move(callEvent);
    m->Category = category;
    m->Description = description.isEmpty() ? m->Name() : description;
    Add(m->Name(), m);
}

void TovScript::AddObject(const QString &name, QObject *obj)
{
    AddVariable(name, obj ? QString::fromLatin1(obj->metaObject()->className()) : QStringLiteral("TObject"),
                Variant::fromObject(obj));
}

void TovScript::AddVariable(const QString &name, const QString &typ, const Variant &value)
{
    if (Find(name))
        return;
    const TovVarType t = ovStrToVarType(typ, this);
    TovVariable *v = t == fvtString || t == fvtChar ? new TovStringVariable(name, t, typ) : new TovVariable(name, t, typ);
    v->SetValue(value);
    v->OnGetVarValue = OnGetVarValue;
    Add(name, v);
}

void TovScript::AddType(const QString &typeName, TovVarType parentType)
{
    if (Find(typeName))
        return;
    Add(typeName, new TovTypeVariable(typeName, parentType, QString()));
}

QList<TovScript::ModuleFactory> &TovScript::RTTIModuleFactories()
{
    static QList<ModuleFactory> factories;
    return factories;
}

void TovScript::AddRTTI()
{
    if (m_rttiAdded)
        return;
    m_addedBy = ovAddedByModules;
    for (const ModuleFactory &f : ovRTTIModuleClasses())
        if (TovObject *module = f(this))
            Add(QString(), module);
    m_addedBy = 0;
    m_rttiAdded = true;
}

void TovScript::ClearRTTI()
{
    if (!m_rttiAdded)
        return;
    for (int i = int(m_items.size()) - 1; i >= 0; --i) {
        TovObject *o = m_items[size_t(i)].item;
        auto *v = dynamic_cast<TovCustomVariable *>(o);
        const bool module = !v && m_items[size_t(i)].name.isEmpty() && !dynamic_cast<TovCustomEvent *>(o);
        if (module || (v && v->AddedBy == ovAddedByModules))
            freeItem(i);
    }
    m_rttiAdded = false;
}

// ---------------------------------------------------------------------------
void TovScript::Clear()
{
    m_statement->Clear();
    LastSourcePos = nullptr;
    for (int i = int(m_items.size()) - 1; i >= 0; --i) {
        TovObject *o = m_items[size_t(i)].item;
        auto *v = dynamic_cast<TovCustomVariable *>(o);
        if (v && v->AddedBy == ovAddedByModules)
            continue;
        // Binding modules sit under an empty name; event adapters are ours to free.
        if (!v && m_items[size_t(i)].name.isEmpty() && !dynamic_cast<TovCustomEvent *>(o))
            continue;
        freeItem(i);
    }
    m_unitLines.clear();
    ErrorPos.clear();
    ErrorMsg.clear();
    ErrorUnit.clear();
}

void TovScript::AdoptCreated(QObject *obj)
{
    TovScript *root = this;
    while (root->m_parent)
        root = root->m_parent;
    // Objects freed meanwhile leave null guards behind: drop them now and then.
    if (root->m_created.size() >= 64 && root->m_created.size() % 64 == 0)
        std::erase_if(root->m_created, [](const QPointer<QObject> &p) { return p.isNull(); });
    root->m_created.emplace_back(obj);
}

void TovScript::freeCreated()
{
    // Newest first: a later object may refer to an earlier one.
    while (!m_created.empty()) {
        QPointer<QObject> obj = m_created.back();
        m_created.pop_back();
        if (obj && !ovHasOwner(obj))
            delete obj.data();
    }
}

void TovScript::RemoveItems(TovAddedBy owner)
{
    for (int i = int(m_items.size()) - 1; i >= 0; --i) {
        auto *v = dynamic_cast<TovCustomVariable *>(m_items[size_t(i)].item);
        if (v && v->AddedBy == owner)
            freeItem(i);
    }
}

void TovScript::ClearItems(TovAddedBy owner)
{
    m_statement->Clear();
    LastSourcePos = nullptr;
    RemoveItems(owner);
    m_unitLines.clear();
}

// ---------------------------------------------------------------------------
bool TovScript::readIL(TovILParser &parser)
{
    return parser.ParseILScript();
}

bool TovScript::Compile()
{
    ErrorMsg.clear();
    TovILParser parser(this);
    parser.SelectLanguage(m_syntaxType);
    if (parser.MakeILScript(m_lines.join(QStringLiteral("\r\n"))))
        readIL(parser);
    if (!ErrorMsg.isEmpty())
        return false;
    ErrorPos.clear();
    return true;
}

bool TovScript::GetILCode(QIODevice &stream)
{
    ErrorMsg.clear();
    TovILParser parser(this);
    parser.SelectLanguage(m_syntaxType);
    if (parser.MakeILScript(m_lines.join(QStringLiteral("\r\n"))))
        parser.ILScript()->SaveToStream(stream);
    if (!ErrorMsg.isEmpty())
        return false;
    ErrorPos.clear();
    return true;
}

bool TovScript::SetILCode(QIODevice &stream)
{
    ErrorMsg.clear();
    TovILParser parser(this);
    parser.SelectLanguage(m_syntaxType);
    try {
        parser.ILScript()->LoadFromStream(stream);
    } catch (const Exception &e) {
        ErrorMsg = e.message();
        ErrorPos.clear();
        return false;
    }
    if (!parser.ILScript()->Root() || parser.ILScript()->Root()->Name().compare(QLatin1String("program"), Qt::CaseInsensitive) != 0) {
        ErrorMsg = QStringLiteral("Not an intermediate script");
        return false;
    }
    readIL(parser);
    if (!ErrorMsg.isEmpty())
        return false;
    ErrorPos.clear();
    return true;
}

void TovScript::Execute()
{
    ClearFlag(FlagExit | FlagTerminated | FlagBreak | FlagContinue);
    m_isRunning = true;
    MainProg = true;
    FlagReset reset{this};
    m_statement->Execute();
}

bool TovScript::Run()
{
    const bool ok = Compile();
    if (ok)
        Execute();
    return ok;
}

void TovScript::Terminate()
{
    SetFlag(FlagExit | FlagTerminated);
    for (TovScript *p : m_procProgs)
        p->Terminate();
}

// ---------------------------------------------------------------------------
void TovScript::NotifyRunLine(const QString &unitName, const QString &sourcePos)
{
    for (TovScript *p = this; p; p = p->m_parent)
        if (p->OnRunLine) {
            p->OnRunLine(this, unitName, sourcePos);
            return;
        }
}

QString TovScript::ProgName() const
{
    const TovScript *p = this;
    while (p->m_progRunning && p->m_progRunning != p)
        p = p->m_progRunning;
    return p->m_progNameRef ? *p->m_progNameRef : p->m_progName;
}

void TovScript::SetProgName(const QString &name)
{
    TovScript *p = m_progRunning ? m_progRunning : this;
    p->m_progName = name;
    p->m_progNameRef = nullptr;
}

Variant TovScript::Variables(const QString &name) const
{
    if (TovCustomVariable *v = Find(name))
        return v->GetValue();
    return Variant::null();
}

void TovScript::SetVariables(const QString &name, const Variant &value)
{
    if (TovCustomVariable *v = Find(name))
        v->SetValue(value);
    else
        AddVariable(name, QStringLiteral("Variant"), value);
}

void TovScript::AddCodeLine(const QString &unitName, const QString &pos)
{
    const int colon = pos.indexOf(QLatin1Char(':'));
    bool ok = false;
    const int line = (colon < 0 ? pos : pos.left(colon)).toInt(&ok);
    if (ok)
        m_unitLines[unitName].insert(line);
}

bool TovScript::IsExecutableLine(int lineN, const QString &unitName) const
{
    auto it = m_unitLines.constFind(unitName);
    return it != m_unitLines.constEnd() && it->contains(lineN);
}

// ---------------------------------------------------------------------------
bool TovScript::FindItemType(const QString &name, TovVarType &typ) const
{
    if (TovCustomVariable *v = Find(name)) {
        typ = v->Typ;
        return true;
    }
    return false;
}

bool TovScript::FindItemValue(const QString &name, Variant &value) const
{
    if (TovCustomVariable *v = Find(name)) {
        value = v->GetValue();
        return true;
    }
    return false;
}

bool TovScript::ClassInherits(const QString &ancestor, const QString &descendant) const
{
    TovClassVariable *a = FindClass(ancestor);
    TovClassVariable *d = FindClass(descendant);
    if (!a || !d || !a->HostClass() || !d->HostClass())
        return false;
    for (const QMetaObject *m = d->HostClass(); m; m = m->superClass())
        if (m == a->HostClass())
            return true;
    return false;
}

// ---------------------------------------------------------------------------
// Evaluate and CallFunction.
namespace {
bool isStatement(const QString &n)
{
    static const char *const kinds[] = {"assignstmt", "callstmt", "ifstmt", "casestmt", "forstmt", "vbforstmt",
                                        "cppforstmt", "whilestmt", "repeatstmt", "trystmt", "break", "continue",
                                        "exit", "return", "with", "delete", "var", "const", "uses", "procedure",
                                        "function"};
    for (const char *k : kinds)
        if (n.compare(QLatin1String(k), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Statements inside an element, looking through blocks.
void collectStatements(const TovXMLItem *e, QList<const TovXMLItem *> &out)
{
    for (int i = 0; i < e->Count(); ++i) {
        const TovXMLItem *c = e->Items(i);
        if (c->Name().compare(QLatin1String("compoundstmt"), Qt::CaseInsensitive) == 0)
            collectStatements(c, out);
        else if (isStatement(c->Name()))
            out.append(c);
    }
}

int countExprChildren(const TovXMLItem *e)
{
    int n = 0;
    for (int i = 0; i < e->Count(); ++i)
        if (e->Items(i)->Name().compare(QLatin1String("expr"), Qt::CaseInsensitive) == 0)
            ++n;
    return n;
}

// The wrapper program must be exactly one function whose body is exactly one
// statement giving one expression; anything else means the expression text
// changed the wrapper.
bool wrapperIntact(const TovXMLItem *root)
{
    if (!root)
        return false;
    QList<const TovXMLItem *> top;
    collectStatements(root, top);
    if (top.size() != 1 || top[0]->Name().compare(QLatin1String("function"), Qt::CaseInsensitive) != 0)
        return false;
    QList<const TovXMLItem *> body;
    collectStatements(top[0], body);
    // The end of a function may add its own exit.
    while (body.size() > 1 && body.last()->Parent() == top[0] &&
           body.last()->Name().compare(QLatin1String("exit"), Qt::CaseInsensitive) == 0)
        body.removeLast();
    if (body.size() != 1)
        return false;
    const TovXMLItem *s = body[0];
    if (s->Name().compare(QLatin1String("return"), Qt::CaseInsensitive) == 0)
        return s->Count() == 1 && countExprChildren(s) == 1;
    if (s->Name().compare(QLatin1String("assignstmt"), Qt::CaseInsensitive) == 0) {
        if (s->Count() != 2 || countExprChildren(s) != 1)
            return false;
        const TovXMLItem *d = s->Items(0);
        return d->Count() == 1 &&
               d->Items(0)->Prop(QStringLiteral("text")).compare(QLatin1String("Result"), Qt::CaseInsensitive) == 0;
    }
    return false;
}
} // namespace

namespace {
// The binding modules an expression of a program without them sees. Creating
// them costs far more than compiling an expression, so each thread prepares
// them once (their items keep call state, so threads do not share them).
TovScript *evaluateModules()
{
    thread_local std::unique_ptr<TovScript> modules;
    if (!modules) {
        modules = std::make_unique<TovScript>(nullptr);
        modules->AddRTTI();
    }
    return modules.get();
}
} // namespace

Variant TovScript::Evaluate(const QString &expression, bool *ok)
{
    m_evaluteRiseError = false;
    if (ok)
        *ok = true;
    Variant result = Variant::null();
    TovScript *ctx = m_progRunning ? m_progRunning : this;

    TovScript tmp(nullptr);
    bool modules = false;
    for (TovScript *p = ctx; p; p = p->m_parent)
        modules = modules || p->m_rttiAdded || p->m_shared;
    if (!modules)
        tmp.SetSharedItems(evaluateModules());
    tmp.SetParent(ctx);
    tmp.OnGetVarValue = ctx->OnGetVarValue;
    tmp.UseClassLateBinding = UseClassLateBinding;

    TovRunLineEvent savedRunLine = std::move(OnRunLine);
    OnRunLine = nullptr;
    struct RestoreRunLine {
        TovScript *self;
        TovRunLineEvent &saved;
        ~RestoreRunLine() { self->OnRunLine = std::move(saved); }
    } restore{this, savedRunLine};

    tmp.SetSyntaxType(m_syntaxType);
    QString source;
    const QString lang = m_syntaxType;
    if (lang.compare(QLatin1String("VevuvaRirivo"), Qt::CaseInsensitive) == 0)
        source = QStringLiteral("function ovEvaluateFUNC: Variant; begin Result := ") + expression +
                 QStringLiteral(" end; begin end.");
    else if (lang.compare(QLatin1String("D++Edirud"), Qt::CaseInsensitive) == 0)
        source = QStringLiteral("Variant ovEvaluateFUNC() { return ") + expression + QStringLiteral("; } {}");
    else if (lang.compare(QLatin1String("DadavOvurid"), Qt::CaseInsensitive) == 0)
        source = QStringLiteral("function ovEvaluateFUNC\r\nreturn ") + expression +
                 QStringLiteral("\r\nend function");
    else if (lang.compare(QLatin1String("JScript"), Qt::CaseInsensitive) == 0)
        source = QStringLiteral("function ovEvaluateFUNC() { return (") + expression + QStringLiteral("); }");

    auto fail = [&](const QString &message) {
        m_evaluteRiseError = true;
        if (ok)
            *ok = false;
        return Variant(message);
    };
    if (source.isEmpty()) {
        // Selecting the grammar raises for an unknown language name.
        TovILParser probe(&tmp);
        probe.SelectLanguage(m_syntaxType);
        return fail(QStringLiteral("Expressions cannot be evaluated in the language '%1'").arg(m_syntaxType));
    }
    if (expression.trimmed().isEmpty())
        return fail(QStringLiteral("Expression expected"));

    TovILParser parser(&tmp);
    parser.SelectLanguage(m_syntaxType);
    tmp.ErrorMsg.clear();
    if (parser.MakeILScript(source)) {
        if (!wrapperIntact(parser.ILScript()->Root()))
            return fail(QStringLiteral("Not a single expression: %1").arg(expression));
        parser.ParseILScript();
    }
    if (!tmp.ErrorMsg.isEmpty())
        return fail(tmp.ErrorMsg);
    TovCustomVariable *f = tmp.FindLocal(QStringLiteral("ovEvaluateFUNC"));
    if (!f || f->ItemKind() != TovCustomVariable::ikProc)
        return fail(QStringLiteral("Not a single expression: %1").arg(expression));
    result = f->GetValue();
    return result;
}

Variant TovScript::callProc(TovProcVariable *proc, Variant *params, bool writeBack)
{
    if (!proc)
        return Variant::null();
    const int snap = proc->Executing() ? proc->SaveLocalVariables() : -1;
    Variant result;
    try {
        if (params && params->isArray()) {
            const int lo = params->arrayLowBound(1);
            const int hi = params->arrayHighBound(1);
            const int n = hi - lo + 1;
            if (n > proc->ParamCount())
                throw EovRunError(QStringLiteral("Too many arguments for '%1': %2 given, %3 declared")
                                      .arg(proc->Name())
                                      .arg(n)
                                      .arg(proc->ParamCount()));
            for (int i = 0; i < n; ++i)
                proc->GetParam(i)->SetValue(params->arrayGet(lo + i));
        }
        result = proc->GetValue();
        if (writeBack && params && params->isArray()) {
            const int lo = params->arrayLowBound(1);
            const int hi = params->arrayHighBound(1);
            for (int i = 0; lo + i <= hi && i < proc->ParamCount(); ++i)
                params->arraySet(lo + i, proc->GetParam(i)->GetValue());
        }
    } catch (...) {
        proc->RestoreLocalVariables(snap, true, nullptr);
        throw;
    }
    proc->RestoreLocalVariables(snap, true, nullptr);
    return result;
}

Variant TovScript::CallFunction(const QString &name, const Variant &params, bool sGlobal)
{
    TovCustomVariable *v = sGlobal ? Find(name) : FindLocal(name);
    if (!v || v->ItemKind() != TovCustomVariable::ikProc)
        return Variant::null();
    Variant copy = params;
    return callProc(static_cast<TovProcVariable *>(v), &copy, false);
}

Variant TovScript::CallFunction1(const QString &name, Variant &params, bool sGlobal)
{
    TovCustomVariable *v = sGlobal ? Find(name) : FindLocal(name);
    if (!v || v->ItemKind() != TovCustomVariable::ikProc)
        return Variant::null();
    return callProc(static_cast<TovProcVariable *>(v), &params, true);
}

Variant TovScript::CallFunction2(TovProcVariable *func, const Variant &params)
{
    Variant copy = params;
    return callProc(func, &copy, false);
}

// ---------------------------------------------------------------------------
namespace {
TovScript *gGlobalScript = nullptr;
bool gShutdown = false;
QMutex gGlobalMutex;
} // namespace

TovScript *TovScript::GlobalScript()
{
    QMutexLocker lock(&gGlobalMutex);
    if (!gGlobalScript && !gShutdown) {
        gGlobalScript = new TovScript(nullptr);
        gGlobalScript->AddRTTI();
        if (QCoreApplication::instance())
            QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] {
                QMutexLocker l(&gGlobalMutex);
                gShutdown = true;
                delete gGlobalScript;
                gGlobalScript = nullptr;
            });
    }
    return gGlobalScript;
}

bool TovScript::GlobalScriptCreated()
{
    QMutexLocker lock(&gGlobalMutex);
    return gGlobalScript != nullptr;
}
