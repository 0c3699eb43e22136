#include "report/vdxDBSet.h"

#include "core/vdResources.h"
#include "core/vdStringStream.h"
#include "core/vdUtils.h"
#include "core/vdxRes.h"

#include <QBuffer>
#include <QRegularExpression>

namespace {
QString resStr(const char *key) { return GetResources()->Get(QString::fromLatin1(key)); }

QString fieldRef(const QString &userName, const QString &field)
{
    return userName + QLatin1String(".\"") + field + QLatin1Char('"');
}
} // namespace

TvdxDBDataset::TvdxDBDataset(TvdComponent *owner) : TvdxCustomDBDataSet(owner) {}

TvdxDBDataset::~TvdxDBDataset() { restoreHandlers(); }

void TvdxDBDataset::SetDataSet(TvdxSqlDataSet *value)
{
    m_dataSet = value;
    if (value)
        m_dataSource = nullptr;
    m_ds = GetDataSet();
}

void TvdxDBDataset::SetDataSource(TvdxSqlDataSource *value)
{
    m_dataSource = value;
    if (value)
        m_dataSet = nullptr;
    m_ds = GetDataSet();
}

TvdxSqlDataSet *TvdxDBDataset::GetDataSet() const
{
    if (m_dataSet)
        return m_dataSet;
    if (m_dataSource)
        return m_dataSource->DataSet();
    return nullptr;
}

void TvdxDBDataset::restoreHandlers()
{
    if (!m_hooked)
        return;
    if (m_ds) {
        m_ds->AfterOpen = m_saveOpen;
        m_ds->BeforeClose = m_saveClose;
        m_ds->AfterRefresh = m_saveRefresh;
        m_ds->OnFieldsChange = m_saveFieldsChange;
    }
    m_saveOpen = m_saveClose = m_saveRefresh = m_saveFieldsChange = nullptr;
    m_hooked = false;
}

void TvdxDBDataset::releaseBookmark()
{
    if (m_ds)
        m_ds->FreeBookmark(m_bookmark);
    m_bookmark.clear();
    m_initialized = false;
}

void TvdxDBDataset::Initialize()
{
    m_ds = GetDataSet();
    if (!m_ds)
        throw Exception(resStr("dbNotConn").replace(QLatin1String("%s"), Name()));
    // A second Initialize must not keep our own handlers as the host's.
    restoreHandlers();
    m_saveOpen = m_ds->AfterOpen;
    m_saveClose = m_ds->BeforeClose;
    m_saveRefresh = m_ds->AfterRefresh;
    m_saveFieldsChange = m_ds->OnFieldsChange;
    m_hooked = true;
    m_ds->AfterOpen = [this](TvdxSqlDataSet *sender) {
        updateFields();
        if (m_saveOpen)
            m_saveOpen(sender);
    };
    m_ds->BeforeClose = [this](TvdxSqlDataSet *sender) {
        if (m_saveClose)
            m_saveClose(sender);
        releaseBookmark();
    };
    m_ds->AfterRefresh = [this](TvdxSqlDataSet *sender) {
        if (m_needFieldsUpdate)
            updateFields();
        if (m_saveRefresh)
            m_saveRefresh(sender);
    };
    m_ds->OnFieldsChange = [this](TvdxSqlDataSet *sender) {
        m_needFieldsUpdate = true;
        if (m_saveFieldsChange)
            m_saveFieldsChange(sender);
    };
    m_eofFlag = false;
    m_initialized = false;
}

void TvdxDBDataset::Finalize()
{
    if (!m_ds)
        return;
    if (!m_bookmark.isEmpty()) {
        m_ds->GotoBookmark(m_bookmark);
        m_ds->FreeBookmark(m_bookmark);
        m_bookmark.clear();
    }
    if (CloseDataSource())
        Close();
    restoreHandlers();
    m_initialized = false;
}

void TvdxDBDataset::updateFields()
{
    m_fieldMap.clear();
    QStringList list;
    GetFieldList(list);
    for (const QString &alias : std::as_const(list)) {
        const QString key = alias.toLower();
        if (m_fieldMap.contains(key))
            continue;
        TvdxSqlField *f = m_ds ? m_ds->FindField(ConvertAlias(alias)) : nullptr;
        m_fieldMap.insert(key, {alias, f});
    }
    m_needFieldsUpdate = false;
    m_fieldsGeneration = m_ds ? m_ds->FieldsGeneration() : -1;
}

void TvdxDBDataset::Open()
{
    if (m_initialized)
        return;
    m_initialized = true;
    if (!m_ds)
        m_ds = GetDataSet();
    if (!m_ds)
        throw Exception(resStr("dbNotConn").replace(QLatin1String("%s"), Name()));
    try {
        m_ds->Open();
    } catch (...) {
        // Opening again on the next request gives the same message, not silence.
        m_initialized = false;
        throw;
    }
    updateFields();
    if (RangeBegin() == rbCurrent || RangeEnd() == reCurrent)
        m_bookmark = m_ds->GetBookmark();
    else
        m_bookmark.clear();
    TvdxCustomDBDataSet::Open();
}

void TvdxDBDataset::Close()
{
    TvdxCustomDBDataSet::Close();
    releaseBookmark();
    if (m_ds) {
        // Our own before-close handling already ran: keep the host's only.
        auto hook = m_ds->BeforeClose;
        if (m_hooked)
            m_ds->BeforeClose = m_saveClose;
        m_ds->Close();
        if (m_hooked)
            m_ds->BeforeClose = hook;
    }
}

void TvdxDBDataset::First()
{
    if (!m_initialized)
        Open();
    if (RangeBegin() == rbCurrent && !m_bookmark.isEmpty())
        m_ds->GotoBookmark(m_bookmark);
    else
        m_ds->First();
    m_eofFlag = false;
    TvdxCustomDBDataSet::First();
}

void TvdxDBDataset::Next()
{
    if (!m_initialized)
        Open();
    m_eofFlag = false;
    if (RangeEnd() == reCurrent && TvdxSqlDataSet::CompareBookmarks(m_ds->GetBookmark(), m_bookmark))
        m_eofFlag = true;
    const bool stop = (RangeEnd() == reCount && RecNo() + 1 >= RangeEndCount()) ||
                      (RangeEnd() == reCurrent && RangeBegin() == rbCurrent);
    const bool flag = m_eofFlag;
    if (!stop)
        m_ds->Next();
    TvdxCustomDBDataSet::Next();
    // The base step clears the flag; the kept bookmark's end stays.
    m_eofFlag = m_eofFlag || flag;
}

void TvdxDBDataset::Prior()
{
    if (!m_initialized)
        Open();
    m_ds->Prior();
    TvdxCustomDBDataSet::Prior();
}

bool TvdxDBDataset::Eof()
{
    if (!m_initialized)
        Open();
    return TvdxCustomDBDataSet::Eof() || m_ds->Eof() || m_eofFlag;
}

int TvdxDBDataset::RecordCount()
{
    if (!m_initialized)
        Open();
    return m_ds->RecordCount();
}

bool TvdxDBDataset::IsHasMaster()
{
    TvdxSqlDataSet *ds = GetDataSet();
    return ds && ds->MasterSource();
}

void TvdxDBDataset::GetFieldList(QStringList &list)
{
    list.clear();
    if (!FieldAliases().isEmpty()) {
        for (const QString &line : FieldAliases()) {
            const int eq = line.indexOf(QLatin1Char('='));
            const QString field = eq < 0 ? line : line.left(eq);
            if (field.startsWith(QLatin1Char('-')))
                continue;
            list.append(eq < 0 ? line : line.mid(eq + 1));
        }
        return;
    }
    TvdxSqlDataSet *ds = GetDataSet();
    if (!ds)
        return;
    try {
        if (ds->FieldDefs().isEmpty())
            ds->UpdateFieldDefs();
        list = ds->FieldNames() + ds->AggregateFieldNames();
    } catch (const Exception &) {
        list.clear();
    }
}

int TvdxDBDataset::FieldsCount()
{
    QStringList list;
    GetFieldList(list);
    return int(list.size());
}

void TvdxDBDataset::syncFields()
{
    // The query rebuilt its fields behind our back (reopened without our handlers).
    if (m_ds && m_fieldsGeneration != m_ds->FieldsGeneration())
        updateFields();
}

TvdxSqlField *TvdxDBDataset::mappedField(const QString &alias, bool *listed)
{
    syncFields();
    const auto it = m_fieldMap.constFind(alias.toLower());
    *listed = it != m_fieldMap.constEnd();
    return *listed ? it->second : nullptr;
}

Variant TvdxDBDataset::GetValue(const QString &index)
{
    if (!m_initialized)
        Open();
    bool listed = false;
    TvdxSqlField *f = mappedField(index, &listed);
    if (!f) {
        fieldError(listed ? ConvertAlias(index) : index);
        return Variant::null();
    }
    using T = TvdxSqlFieldType;
    switch (f->DataType()) {
    case T::BCD:
    case T::FMTBcd:
        if (f->IsNull())
            return Variant::null();
        if (m_bcdToCurrency)
            return Variant::fromCurrency(f->AsCurrency());
        return Variant(double(f->AsCurrency()) / 10000.0);
    case T::Largeint: return f->IsNull() ? Variant::null() : Variant::fromInt64(f->AsLargeInt());
    case T::TimeStamp: return f->IsNull() ? Variant::null() : Variant::fromDate(f->AsDateTime());
    case T::Blob:
    case T::Memo: return Variant(f->AsString());
    case T::WideMemo: return Variant::fromString(f->AsString(), varUString);
    default:
        if (m_dsOptions.testFlag(dsoStringAsDisplayText) && m_dsOptions.testFlag(dsoStringValueAsDisplayText) &&
            f->OnGetText && f->IsString())
            return Variant(f->DisplayText());
        return f->AsVariant();
    }
}

QString TvdxDBDataset::GetDisplayText(const QString &index)
{
    if (!m_initialized)
        Open();
    if (!m_ds->Active())
        return fieldRef(UserName(), index);
    syncFields();
    if (m_fieldMap.isEmpty())
        return m_ds->FieldByName(index)->DisplayText();
    bool listed = false;
    TvdxSqlField *f = mappedField(index, &listed);
    if (!f)
        return fieldError(listed ? ConvertAlias(index) : index);
    using T = TvdxSqlFieldType;
    if (f->DataType() == T::WideString || f->DataType() == T::FixedWideChar) {
        if (f->OnGetText && m_dsOptions.testFlag(dsoStringAsDisplayText))
            return f->DisplayText();
        return f->AsString();
    }
    return f->DisplayText();
}

int TvdxDBDataset::GetDisplayWidth(const QString &index)
{
    TvdxSqlDataSet *ds = GetDataSet();
    if (!ds)
        return 10;
    const QString name = ConvertAlias(index);
    if (TvdxSqlField *f = ds->FindField(name))
        return f->DisplayWidth();
    try {
        if (ds->FieldDefs().isEmpty())
            ds->UpdateFieldDefs();
    } catch (const Exception &) {
        return 10;
    }
    const TvdxSqlFieldDef *def = ds->FindFieldDef(name);
    if (!def)
        return 10;
    using T = TvdxSqlFieldType;
    switch (def->DataType) {
    case T::String:
    case T::WideString:
    case T::FixedWideChar: return def->Size;
    case T::DateTime:
    case T::TimeStamp: return 20;
    case T::Largeint: return 15;
    default: return 10;
    }
}

TvdxDataSet::TvdxFieldType TvdxDBDataset::GetFieldType(const QString &index)
{
    TvdxSqlDataSet *ds = GetDataSet();
    if (!ds)
        return fftNumeric;
    const QString name = ConvertAlias(index);
    TvdxSqlFieldType t = TvdxSqlFieldType::Integer;
    if (TvdxSqlField *f = ds->FindField(name)) {
        t = f->DataType();
    } else {
        try {
            if (ds->FieldDefs().isEmpty())
                ds->UpdateFieldDefs();
            if (const TvdxSqlFieldDef *def = ds->FindFieldDef(name))
                t = def->DataType;
        } catch (const Exception &) {
        }
    }
    using T = TvdxSqlFieldType;
    switch (t) {
    case T::String:
    case T::WideString:
    case T::FixedWideChar:
    case T::Memo:
    case T::WideMemo: return fftString;
    case T::Boolean: return fftBoolean;
    case T::Date:
    case T::Time:
    case T::DateTime:
    case T::TimeStamp: return fftDateTime;
    default: return fftNumeric;
    }
}

bool TvdxDBDataset::IsBlobField(const QString &fName)
{
    if (!m_initialized)
        Open();
    bool listed = false;
    TvdxSqlField *f = mappedField(fName, &listed);
    return f && f->IsBlob();
}

bool TvdxDBDataset::IsMemoBlobField(const QString &fName)
{
    if (!IsBlobField(fName))
        return false;
    bool listed = false;
    const TvdxSqlFieldType t = mappedField(fName, &listed)->BlobType();
    return t == TvdxSqlFieldType::String || t == TvdxSqlFieldType::Memo;
}

bool TvdxDBDataset::IsWideMemoBlobField(const QString &fName)
{
    if (!IsBlobField(fName))
        return false;
    bool listed = false;
    const TvdxSqlFieldType t = mappedField(fName, &listed)->BlobType();
    return t == TvdxSqlFieldType::WideString || t == TvdxSqlFieldType::FixedWideChar ||
           t == TvdxSqlFieldType::WideMemo;
}

TvdxSqlField *TvdxDBDataset::blobField(const QString &fName)
{
    if (!m_initialized)
        Open();
    bool listed = false;
    TvdxSqlField *f = mappedField(fName, &listed);
    if (!listed) {
        fieldError(fName);
        return nullptr;
    }
    return f && f->IsBlob() ? f : nullptr;
}

void TvdxDBDataset::AssignBlobTo(const QString &fName, QObject *obj)
{
    auto *stream = qobject_cast<QIODevice *>(obj);
    if (!stream)
        return;
    TvdxSqlField *f = blobField(fName);
    if (!f)
        return;
    // A string stream takes a wide memo as text, not as its UTF-16 bytes.
    auto *text = qobject_cast<TvdStringStream *>(stream);
    if (text && f->BlobType() == TvdxSqlFieldType::WideMemo)
        text->WriteString(f->AsString());
    else
        f->SaveToStream(*stream);
    stream->seek(0);
}

void TvdxDBDataset::AssignBlobTo(const QString &fName, TvdWideStrings &list)
{
    TvdxSqlField *f = blobField(fName);
    if (!f)
        return;
    using T = TvdxSqlFieldType;
    const T t = f->BlobType();
    if (t == T::WideMemo) {
        QBuffer bytes;
        bytes.open(QIODevice::ReadWrite);
        f->SaveToStream(bytes);
        bytes.seek(0);
        list.LoadFromWStream(bytes);
    } else if (t == T::WideString || t == T::FixedWideChar) {
        list.SetText(f->AsString());
    } else {
        AssignBlobToLines(fName, list.Strings());
    }
}

void TvdxDBDataset::AssignBlobToLines(const QString &fName, QStringList &lines)
{
    TvdxSqlField *f = blobField(fName);
    if (!f)
        return;
    const QString text = f->DataType() == TvdxSqlFieldType::Blob ? QString::fromUtf8(f->AsBytes()) : f->AsString();
    lines = text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    // A final line break ends the last line rather than starting an empty one.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
}

void vdxRegisterDBSetClasses()
{
    static const bool done = [] {
        vdRegisterClass<TvdxDBDataset>();
        return true;
    }();
    Q_UNUSED(done)
}

static const bool s_dbSetClasses = [] {
    vdxRegisterDBSetClasses();
    return true;
}();
