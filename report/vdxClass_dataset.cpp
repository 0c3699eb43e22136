#include "report/vdxClass_dataset.h"

#include "core/vdxRes.h"
#include "core/vdResources.h"
#include "report/vdxClass_bases.h"
#include "report/vdxClass_report.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

// Holds the process-wide data-set list's lock for a scope.
class ListLock {
public:
    ListLock() : m_list(vdxGlobalDataSetList()) { m_list->Lock(); }
    ~ListLock() { m_list->Unlock(); }
    ListLock(const ListLock &) = delete;
    ListLock &operator=(const ListLock &) = delete;
    TvdxGlobalDataSetList *operator->() const { return m_list; }

private:
    TvdxGlobalDataSetList *m_list;
};

bool isBlank(const QString &s)
{
    for (const QChar c : s)
        if (c > QChar(' '))
            return false;
    return true;
}

QString resStr(const char *key) { return GetResources()->Get(QString::fromLatin1(key)); }


} // namespace

// ---------------------------------------------------------------------------
TvdxDataSet::TvdxDataSet(TvdComponent *owner) : TvdxDialogComponent(owner)
{
    ListLock list;
    list->Add(this);
}

TvdxDataSet::~TvdxDataSet()
{
    // Out of the list before any part is torn down: no search can reach it.
    {
        ListLock list;
        list->Remove(this);
    }
    // Reports and items keep guarded data-set pointers: they hear of the end
    // while this is still a data set, not from the component base.
    AnnounceDestruction();
}

void TvdxDataSet::SetUserName(const QString &value)
{
    if (isBlank(value))
        throw EPropertyError(resStr("prInvProp"));
    m_userName = value;
}

void TvdxDataSet::SetName(const QString &value)
{
    TvdxDialogComponent::SetName(value);
    if (!value.isEmpty() && (m_userName.isEmpty() || m_userName == value))
        SetUserName(value);
}

QString TvdxDataSet::GetDisplayText(const QString &index)
{
    Q_UNUSED(index)
    return QString();
}

int TvdxDataSet::GetDisplayWidth(const QString &index)
{
    Q_UNUSED(index)
    return 10;
}

TvdxDataSet::TvdxFieldType TvdxDataSet::GetFieldType(const QString &index)
{
    Q_UNUSED(index)
    return fftNumeric;
}

Variant TvdxDataSet::GetValue(const QString &index)
{
    Q_UNUSED(index)
    return Variant::null();
}

void TvdxDataSet::Open()
{
    if (OnOpen)
        OnOpen(this);
}

void TvdxDataSet::Close()
{
    if (OnClose)
        OnClose(this);
}

void TvdxDataSet::First()
{
    m_recNo = 0;
    m_eofFlag = false;
    if (OnFirst)
        OnFirst(this);
}

void TvdxDataSet::Next()
{
    m_eofFlag = false;
    ++m_recNo;
    if (m_rangeEnd == reCount && m_recNo >= m_rangeEndCount) {
        m_recNo = m_rangeEndCount - 1;
        m_eofFlag = true;
    } else if (OnNext) {
        OnNext(this);
    }
}

void TvdxDataSet::Prior()
{
    --m_recNo;
    if (OnPrior)
        OnPrior(this);
}

bool TvdxDataSet::Eof()
{
    bool result = m_rangeEnd == reCount && (m_recNo >= m_rangeEndCount || m_eofFlag);
    if (OnCheckEOF)
        OnCheckEOF(this, result);
    return result;
}

int TvdxDataSet::RecordCount()
{
    return m_rangeBegin == rbFirst && m_rangeEnd == reCount ? m_rangeEndCount : 0;
}

bool TvdxDataSet::HasField(const QString &fName)
{
    QStringList list;
    GetFieldList(list);
    return list.contains(fName, Qt::CaseInsensitive);
}

QString TvdxDataSet::fieldError(const QString &fieldName)
{
    const QString msg =
        resStr("dbFldNotFound") + QLatin1Char(' ') + m_userName + QLatin1String(".\"") + fieldName + QLatin1Char('"');
    // The report may be gone or never set: the error then has nowhere to go.
    if (m_reportRef)
        m_reportRef->AddError(m_reportRef->CurObject() + QLatin1String(": ") + msg);
    return msg;
}

// ---------------------------------------------------------------------------
TvdxUserDataSet::TvdxUserDataSet(TvdComponent *owner) : TvdxDataSet(owner) {}

Variant TvdxUserDataSet::GetValue(const QString &index)
{
    Variant v = Variant::null();
    if (OnGetValue)
        OnGetValue(index, v);
    if (OnNewGetValue)
        OnNewGetValue(this, index, v);
    return v;
}

QString TvdxUserDataSet::GetDisplayText(const QString &index)
{
    QString result;
    if (OnGetValue) {
        Variant v = Variant::null();
        OnGetValue(index, v);
        result = VarToStr(v);
    }
    if (OnNewGetValue) {
        Variant v = Variant::null();
        OnNewGetValue(this, index, v);
        result = VarToStr(v);
    }
    return result;
}

bool TvdxUserDataSet::IsBlobField(const QString &fName)
{
    return OnIsBlobField ? OnIsBlobField(this, fName) : false;
}

void TvdxUserDataSet::AssignBlobTo(const QString &fName, QObject *obj)
{
    if (OnGetBlobValue)
        OnGetBlobValue(this, fName, obj);
}

// ---------------------------------------------------------------------------
TvdxCustomDBDataSet::TvdxCustomDBDataSet(TvdComponent *owner) : TvdxDataSet(owner) {}

QString TvdxCustomDBDataSet::ConvertAlias(const QString &fName) const
{
    for (const QString &line : m_aliases) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (QString::localeAwareCompare(line.mid(eq + 1).toLower(), fName.toLower()) == 0)
            return line.left(eq);
    }
    return fName;
}

QString TvdxCustomDBDataSet::GetAlias(const QString &fName) const
{
    for (const QString &line : m_aliases) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (line.left(eq).compare(fName, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return fName;
}

// ---------------------------------------------------------------------------
TvdxCustomDatabase::TvdxCustomDatabase(TvdComponent *owner) : TvdxDialogComponent(owner) {}

// ---------------------------------------------------------------------------
TvdxDataSet *vdxFindDataSet(TvdxDataSet *dataSet, const QString &name, TvdxReport *report)
{
    if (name.isEmpty())
        return nullptr;
    if (!report)
        return dataSet;
    ListLock list;
    for (TvdxDataSet *ds : std::as_const(list->List())) {
        if (ds->UserName().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        TvdxReport *owner = ds->Report();
        if (owner && owner != report)
            continue;
        return ds;
    }
    return dataSet;
}

void vdxGetDataSetList(QList<QPair<QString, TvdxDataSet *>> &out)
{
    ListLock list;
    out.clear();
    for (TvdxDataSet *ds : std::as_const(list->List()))
        if (ds->Enabled() && !ds->UserName().isEmpty())
            out.append({ds->UserName(), ds});
}

QList<TvdxDataSet *> vdxAllDataSets()
{
    ListLock list;
    return list->List();
}

static const bool s_dataSetClasses = [] {
    vdRegisterClass<TvdxDataSet>();
    vdRegisterClass<TvdxUserDataSet>();
    vdRegisterClass<TvdxCustomDBDataSet>();
    return true;
}();

// ---------------------------------------------------------------------------
void TvdxDataSetRef::link(TvdxDataSet *value)
{
    if (value == m_dataSet)
        return;
    if (m_dataSet)
        m_dataSet->RemoveFreeNotification(m_holder);
    m_dataSet = value;
    if (value)
        value->FreeNotification(m_holder);
}

void TvdxDataSetRef::SetDataSet(TvdxDataSet *value)
{
    link(value);
    m_name = value ? value->UserName() : QString();
}

QString TvdxDataSetRef::Name() const { return m_dataSet ? m_dataSet->UserName() : m_name; }

void TvdxDataSetRef::SetName(const QString &value)
{
    m_name = value;
    link(m_holder->FindDataSet(m_dataSet, value));
}

void TvdxDataSetRef::Removed(TvdComponent *component)
{
    if (!component || component != m_dataSet)
        return;
    m_dataSet = nullptr;
    m_name.clear();
}
