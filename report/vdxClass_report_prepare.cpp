// Preparation of a report: the data-set check, the template snapshot that
// undoes what the script changes while it runs, the script with every report
// object registered, the engine run, and progress reporting.
#include "report/vdxClass_report.h"

#include "core/vdFormat.h"
#include "core/vdUtils.h"
#include "core/vdxProgress.h"
#include "core/vdxRes.h"
#include "report/vdxClass_bases.h"
#include "report/vdxClass_picture.h"
#include "report/vdxDelayedCommands.h"
#include "report/vdxExpressionCache.h"
#include "report/vdxPreviewPagesList.h"
#include "report/vdxPreviewServices.h"
#include "script/ov_iclasses.h"
#include "script/ov_iinterpreter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>

namespace {

QString res(const char *key, const char *fallback)
{
    const QString k = QString::fromLatin1(key);
    const QString t = GetResStrByName(k);
    return (t.isEmpty() || t == k) ? QString::fromLatin1(fallback) : t;
}

// "%s" texts filled in order; a resource text that does not fit still shows its parts.
QString formatRes(const char *key, const char *fallback, const QStringList &args)
{
    QString fmt = res(key, fallback);
    // The stored text quotes with character references.
    fmt.replace(QLatin1String("&#34;"), QLatin1String("\""));
    QList<Variant> values;
    for (const QString &a : args)
        values << Variant(a);
    try {
        return Format(fmt, values);
    } catch (const Exception &) {
        return fmt + QLatin1Char(' ') + args.join(QLatin1Char(' '));
    }
}

// Scripts know the prepared pages by the prepared-pages class, whichever
// class implements them.
const QString kPreviewPagesType = QStringLiteral("TvdxPreviewPages");

void bindObject(TovScript *script, const QString &name, QObject *obj, const QString &typ = QString())
{
    if (TovCustomVariable *v = script->FindLocal(name))
        v->SetValue(Variant::fromObject(obj));
    else if (!typ.isEmpty())
        script->AddVariable(name, typ, Variant::fromObject(obj));
    else
        script->AddObject(name, obj);
}

// Marks a flag for the duration of a scope.
struct FlagGuard {
    bool &flag;
    bool value;
    ~FlagGuard() { flag = value; }
};

} // namespace

void TvdxReport::SetTerminated(bool v)
{
    m_terminated = v;
    if (v && m_script)
        m_script->Terminate();
}

void TvdxReport::BindScriptObjects()
{
    if (!m_script)
        return;
    TvdxCustomPreviewPages *pages = PreviewPages();
    bindObject(m_script.get(), QStringLiteral("Report"), this);
    bindObject(m_script.get(), QStringLiteral("PreviewPages"), pages, kPreviewPagesType);
    bindObject(m_script.get(), QStringLiteral("Engine"), m_engine.get());
    bindObject(m_script.get(), QStringLiteral("Outline"), pages ? pages->Outline() : nullptr);
}

bool TvdxReport::PrepareScript(TvdxReport *activeReport)
{
    TvdxReport *ancestor = m_parentReportObject.get();
    if (!ancestor) {
        if (!m_saveParentScript)
            m_saveParentScript = m_script->Parent();
    } else {
        if (!m_saveParentScript && m_script->Parent() != ancestor->Script())
            m_saveParentScript = m_script->Parent();
        if (m_saveParentScript)
            ancestor->m_saveParentScript = m_saveParentScript;
    }
    TvdxReport *active = activeReport ? activeReport : this;
    m_script->SetSharedItems(vdxReportScriptModules());

    if (ancestor) {
        TovScript *up = ancestor->Script();
        const TovAddedBy saved = up->AddedBy();
        up->SetAddedBy(ovAddedByReport);
        for (int i = 0; i < m_script->Count(); ++i) {
            auto *helper = dynamic_cast<TovMethodHelper *>(m_script->Items(i));
            if (!helper || helper->AddedBy != ovAddedByReport || up->FindLocal(helper->Name()))
                continue;
            TovCallMethodEvent handler = [this](QObject *, const QMetaObject *, const QString &methodName,
                                                Variant &params) -> Variant {
                return OnUserFunction ? OnUserFunction(methodName, params) : Variant();
            };
            up->AddMethod(helper->Syntax, handler, helper->Category, helper->Description);
        }
        up->SetAddedBy(saved);
        if (!ancestor->PrepareScript(active)) {
            AddError(formatRes("clScrError", "Script error at %s: %s",
                               {QLatin1String("Parent report: ") + m_parentReport + QLatin1String(" Line: ") +
                                    up->ErrorPos,
                                up->ErrorMsg}));
            return false;
        }
    }

    m_expressionCache->Clear();
    m_expressionCache->SetScriptLanguage(m_scriptLanguage);
    m_engine->NotifyList().clear();

    m_script->ClearItems(ovOwnerMark(active));
    struct AddedByGuard {
        TovScript *s;
        ~AddedByGuard() { s->SetAddedBy(0); }
    } addedByGuard{m_script.get()};
    m_script->SetAddedBy(ovOwnerMark(active));
    m_script->MainProg = true;
    m_script->SetParent(ancestor ? ancestor->Script() : m_saveParentScript);

    for (TvdxComponent *c : GetAllObjects()) {
        TvdxComponent *obj = c;
        if (active != this) {
            TvdComponent *other = active->FindObject(c->Name());
            if (auto *o = qobject_cast<TvdxComponent *>(other); o && o->Name() == c->Name())
                obj = o;
        }
        obj->SetIsDesigning(false);
        obj->BeforeStartReport();
        if (auto *pic = qobject_cast<TvdxPictureView *>(obj))
            pic->SetPictureChanged(true);
        if (!obj->IsAncestor() && !obj->Name().isEmpty())
            m_script->AddObject(obj->Name(), obj);
    }

    TvdxCustomPreviewPages *pages = active->PreviewPages();
    m_script->AddObject(QStringLiteral("Report"), active);
    m_script->AddVariable(QStringLiteral("PreviewPages"), kPreviewPagesType, Variant::fromObject(pages));
    m_script->AddObject(QStringLiteral("Engine"), active->Engine());
    m_script->AddObject(QStringLiteral("Outline"), pages ? pages->Outline() : nullptr);
    m_script->AddVariable(QStringLiteral("Value"), QStringLiteral("Variant"), Variant::null());
    m_script->AddVariable(QStringLiteral("Self"), QStringLiteral("TvdxView"), Variant::null());
    addScriptMethods(active);

    if (const auto &hook = vdxVD2Events().OnPrepareScript)
        hook(active);

    m_script->SetLines(m_scriptText);
    m_script->SetSyntaxType(m_scriptLanguage);
    bool ok = false;
    try {
        ok = m_script->Compile();
    } catch (const Exception &e) {
        // An unknown language raises while its grammar is selected.
        m_script->ErrorMsg = e.message();
    }
    if (!ok)
        AddError(formatRes("clScrError", "Script error at %s: %s", {m_script->ErrorPos, m_script->ErrorMsg}));
    m_isScriptObjectsAdded = ok;
    return ok;
}

bool TvdxReport::PrepareReport(bool clearLastReport)
{
    if (IsReportActionRunning()) {
        m_delayedCommands->AddCommand(new TvdxPrepareReportCommand(this, clearLastReport));
        return false;
    }
    m_preparing = true;
    bool result = false;
    {
        FlagGuard preparing{m_preparing, false};
        if (clearLastReport)
            PreviewPages()->Clear();
        if (TvdxCustomPreview *preview = Preview())
            preview->Init(this, PreviewPages());
        ClearErrors();
        SetTerminated(false);

        for (int i = 0; i < m_dataSets->Count(); ++i) {
            TvdxDataSetItem *item = m_dataSets->GetItem(i);
            if (!item->DataSet())
                AddError(formatRes("clDSNotExist", "Dataset \"%s\" does not exist", {item->DataSetName()}));
        }

        if (m_errors.isEmpty()) {
            const QString password = m_reportOptions->Password();
            std::unique_ptr<QIODevice> snapshot;
            QString snapshotFile;
            int splicingLine = 0;
            if (m_engineOptions->DestroyForms()) {
                if (m_engineOptions->UseFileCache()) {
                    snapshotFile = NewTempFileNameIn(m_engineOptions->TempDir(), QStringLiteral("vdx"));
                    auto file = std::make_unique<QFile>(snapshotFile);
                    if (!snapshotFile.isEmpty() && file->open(QIODevice::ReadWrite | QIODevice::Truncate))
                        snapshot = std::move(file);
                }
                if (!snapshot) {
                    auto buffer = std::make_unique<QBuffer>();
                    buffer->open(QIODevice::ReadWrite);
                    snapshot = std::move(buffer);
                }
                m_reportOptions->SetPassword(QString());
                splicingLine = m_printOptions->SplicingLine();
                try {
                    SaveToStream(*snapshot, true, false, false);
                } catch (const Exception &e) {
                    AddError(e.message());
                    snapshot.reset();
                }
                m_reportOptions->SetPassword(password);
            }

            try {
                if (OnBeginDoc)
                    OnBeginDoc(this);
                bool ran = false;
                if (PrepareScript()) {
                    if (OnAfterScriptCompile)
                        OnAfterScriptCompile(this);
                    if (m_script->Statement() && m_script->Statement()->Count() > 0)
                        m_script->Execute();
                    if (!m_terminated)
                        ran = m_engine->Run(true, false, nullptr);
                    if (ran) {
                        if (OnEndDoc)
                            OnEndDoc(this);
                        result = true;
                    }
                }
                if (!ran)
                    if (QWidget *form = PreviewForm(); form && form != Preview())
                        form->close();
            } catch (const Exception &e) {
                QString line = e.message();
                if (!m_script->ErrorPos.isEmpty())
                    line += QLatin1Char(' ') + m_script->ErrorPos;
                AddError(line);
            }

            if (snapshot) {
                const QStringList errors = m_errors;
                snapshot->seek(0);
                m_reloading = true;
                const auto duplex = m_printOptions->Duplex();
                m_preparing = false;
                try {
                    LoadFromStream(*snapshot);
                } catch (const Exception &e) {
                    m_errors = errors;
                    AddError(e.message());
                }
                m_reloading = false;
                m_preparing = true;
                m_reportOptions->SetPassword(password);
                m_printOptions->SetSplicingLine(splicingLine);
                m_printOptions->SetDuplex(duplex);
                // The objects are new: script variables of their names see them again.
                QList<TvdxReport *> reports;
                if (m_parentReportObject)
                    reports << m_parentReportObject.get();
                reports << this;
                for (TvdxReport *r : std::as_const(reports))
                    for (TvdxComponent *c : r->GetAllObjects())
                        if (!c->IsAncestor() && !c->Name().isEmpty())
                            if (TovCustomVariable *v = r->m_script->FindLocal(c->Name()))
                                v->SetValue(Variant::fromObject(c));
                snapshot.reset();
                if (!snapshotFile.isEmpty())
                    QFile::remove(snapshotFile);
                const QStringList loadErrors = m_errors;
                m_errors = errors;
                for (const QString &line : loadErrors)
                    AddError(line);
            }
        }

        if (!m_errors.isEmpty()) {
            result = false;
            reportErrors();
        }
    }
    RunDelayedCommands();
    return result;
}

bool TvdxReport::PreparePage(TvdxPage *aPage)
{
    ClearErrors();
    m_engine->NotifyList().clear();
    m_preparing = true;
    bool result = false;
    {
        FlagGuard preparing{m_preparing, false};
        m_script->SetSharedItems(vdxReportScriptModules());
        for (TvdxComponent *c : GetAllObjects()) {
            if (auto *pic = qobject_cast<TvdxPictureView *>(c))
                pic->SetPictureChanged(true);
            c->BeforeStartReport();
            if (!m_isScriptObjectsAdded && !c->IsAncestor() && !c->Name().isEmpty())
                bindObject(m_script.get(), c->Name(), c);
        }
        if (!m_isScriptObjectsAdded)
            BindScriptObjects();
        result = m_engine->Run(false, false, aPage);
    }
    RunDelayedCommands();
    return result;
}

// ---------------------------------------------------------------------------
namespace {
QString progressText(TvdxReport *report, TvdxReport::TvdxProgressType type, int progress)
{
    const char *key = "prPrinting";
    const char *fallback = "Printing page %d";
    if (type == TvdxReport::ptRunning) {
        if (report->Engine()->FinalPass) {
            key = "prRunning";
            fallback = "Preparing page %d";
        } else {
            key = "prRunningFirst";
            fallback = "First pass: page %d";
        }
    } else if (type == TvdxReport::ptExporting) {
        key = "prExporting";
        fallback = "Exporting page %d";
    }
    try {
        return Format(res(key, fallback), {Variant(progress)});
    } catch (const Exception &) {
        return QString::number(progress);
    }
}
} // namespace

void TvdxReport::InternalOnProgressStart(TvdxProgressType progressType)
{
    if (OnProgressStart)
        OnProgressStart(this, progressType, 0);
    if (m_engineOptions->EnableThreadSafe())
        return;
    if ((m_oldStyleProgress || progressType != ptRunning) && m_showProgress) {
        m_progress.reset(new TvdxProgress(nullptr));
        m_progress->Execute(0, QString(), true, false);
    }
    if (TvdxCustomPreview *preview = Preview(); preview && progressType == ptRunning)
        preview->InternalOnProgressStart(this, progressType, 0);
    QCoreApplication::processEvents();
}

void TvdxReport::InternalOnProgress(TvdxProgressType progressType, int progress)
{
    if (OnProgress)
        OnProgress(this, progressType, progress);
    if (m_engineOptions->EnableThreadSafe())
        return;
    if ((m_oldStyleProgress || progressType != ptRunning) && m_showProgress && m_progress) {
        m_progress->SetMessage(progressText(this, progressType, progress));
        if (m_progress->Terminated())
            SetTerminated(true);
    }
    if (TvdxCustomPreview *preview = Preview(); preview && progressType == ptRunning)
        preview->InternalOnProgress(this, progressType, progress - 1);
    QCoreApplication::processEvents();
}

void TvdxReport::InternalOnProgressStop(TvdxProgressType progressType)
{
    if (OnProgressStop)
        OnProgressStop(this, progressType, 0);
    if (m_engineOptions->EnableThreadSafe())
        return;
    if ((m_oldStyleProgress || progressType != ptRunning) && m_showProgress)
        m_progress.reset();
    if (TvdxCustomPreview *preview = Preview(); preview && progressType == ptRunning)
        preview->InternalOnProgressStop(this, progressType, 0);
    QCoreApplication::processEvents();
}

void TvdxReport::SetProgressMessage(const QString &value, bool isHint, bool bHandleMessage)
{
    if (m_engineOptions->EnableThreadSafe())
        return;
    if (m_oldStyleProgress && m_engine->Running && m_showProgress && m_progress)
        m_progress->SetMessage(value);
    if (auto *form = qobject_cast<TvdxCustomPreviewForm *>(m_previewForm.data()))
        form->SetMessageText(value, isHint);
    if (bHandleMessage)
        QCoreApplication::processEvents();
}
