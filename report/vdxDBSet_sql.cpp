// The query side of database data sets: SQLite files through Qt Sql.
#include "report/vdxDBSet.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimeZone>
#include <cmath>

namespace {

QAtomicInt s_connectionCounter;

const QDate kDayZero(1899, 12, 30);

double toDays(const QDateTime &dt)
{
    const QDate d = dt.date();
    const double frac = dt.time().msecsSinceStartOfDay() / 86400000.0;
    const qint64 days = kDayZero.daysTo(d);
    // Before the day zero the fraction counts away from zero, as stored dates do.
    return days >= 0 ? double(days) + frac : double(days) - frac;
}

// Text or numeric storage of dates and times.
bool parseDateTime(const QVariant &v, double &days)
{
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int) {
        days = v.toDouble();
        return true;
    }
    const QString s = v.toString().trimmed();
    if (s.isEmpty())
        return false;
    static const char *formats[] = {"yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss.zzz",
                                    "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-dd"};
    for (const char *f : formats) {
        const QDateTime dt = QDateTime::fromString(s, QLatin1String(f));
        if (dt.isValid()) {
            days = toDays(dt);
            return true;
        }
    }
    for (const char *f : {"HH:mm:ss.zzz", "HH:mm:ss", "HH:mm"}) {
        const QTime t = QTime::fromString(s, QLatin1String(f));
        if (t.isValid()) {
            days = t.msecsSinceStartOfDay() / 86400000.0;
            return true;
        }
    }
    return false;
}

// Exact decimal text to a currency value scaled by 10000, halves to even.
bool parseCurrency(const QString &text, qint64 &scaled)
{
    static const QRegularExpression re(QStringLiteral("^\\s*([+-]?)(\\d*)(?:[.,](\\d*))?\\s*$"));
    const auto m = re.match(text);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty()))
        return false;
    const QString intPart = m.captured(2);
    QString frac = m.captured(3);
    if (intPart.size() > 14)
        return false;
    qint64 v = intPart.isEmpty() ? 0 : intPart.toLongLong();
    const QString keep = (frac + QStringLiteral("0000")).left(4);
    v = v * 10000 + keep.toLongLong();
    const QString rest = frac.mid(4);
    if (!rest.isEmpty()) {
        const int first = rest.at(0).digitValue();
        const bool tail = rest.mid(1).contains(QRegularExpression(QStringLiteral("[1-9]")));
        if (first > 5 || (first == 5 && (tail || (v & 1))))
            ++v;
    }
    scaled = m.captured(1) == QLatin1String("-") ? -v : v;
    return true;
}

bool isWide(TvdxSqlFieldType t)
{
    return t == TvdxSqlFieldType::WideString || t == TvdxSqlFieldType::FixedWideChar ||
           t == TvdxSqlFieldType::WideMemo;
}

} // namespace

// ---------------------------------------------------------------------------
TvdxSqlFieldDef TvdxSqlDataSet::TypeFromDeclared(const QString &name, const QString &declared)
{
    TvdxSqlFieldDef def;
    def.Name = name;
    const QString t = declared.trimmed().toUpper();
    static const QRegularExpression sizeRe(QStringLiteral("\\(\\s*(\\d+)"));
    const auto sm = sizeRe.match(t);
    const int size = sm.hasMatch() ? sm.captured(1).toInt() : 0;
    auto has = [&t](const char *s) { return t.contains(QLatin1String(s)); };
    using T = TvdxSqlFieldType;
    if (t.isEmpty())
        def.DataType = T::Unknown;
    else if (has("BIGINT") || has("INT64") || has("LARGEINT"))
        def.DataType = T::Largeint;
    else if (has("INT"))
        def.DataType = T::Integer;
    else if (has("FMTBCD"))
        def.DataType = T::FMTBcd;
    else if (has("DECIMAL") || has("NUMERIC") || has("MONEY") || has("CURRENCY") || has("BCD"))
        def.DataType = T::BCD;
    else if (has("REAL") || has("FLOA") || has("DOUB"))
        def.DataType = T::Float;
    else if (has("BOOL"))
        def.DataType = T::Boolean;
    else if (has("TIMESTAMP"))
        def.DataType = T::TimeStamp;
    else if (has("DATETIME"))
        def.DataType = T::DateTime;
    else if (has("DATE"))
        def.DataType = T::Date;
    else if (has("TIME"))
        def.DataType = T::Time;
    else if (has("BLOB") || has("BINARY") || has("BYTEA"))
        def.DataType = T::Blob;
    else if (has("NTEXT") || has("NCLOB") || has("WIDEMEMO"))
        def.DataType = T::WideMemo;
    else if (has("MEMO") || has("CLOB"))
        def.DataType = T::Memo;
    else if (t.startsWith(QLatin1String("NCHAR")) || has("NATIONAL CHAR"))
        def.DataType = T::FixedWideChar;
    else if (has("NVARCHAR") || has("NATIONAL"))
        def.DataType = T::WideString;
    else
        def.DataType = T::String;
    if (def.DataType == T::String || def.DataType == T::WideString || def.DataType == T::FixedWideChar)
        def.Size = size > 0 ? size : 255;
    else if (def.DataType == T::BCD || def.DataType == T::FMTBcd)
        def.Size = size;
    return def;
}

// ---------------------------------------------------------------------------
TvdxSqlDataSet::TvdxSqlDataSet(QObject *parent) : QObject(parent) {}

TvdxSqlDataSet::~TvdxSqlDataSet()
{
    m_fields.clear();
    m_rows.clear();
    if (!m_connection.isEmpty() && !m_external) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

void TvdxSqlDataSet::SetDatabaseFile(const QString &path)
{
    if (m_active)
        Close();
    m_file = QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
    m_defs.clear();
}

void TvdxSqlDataSet::SetConnectionName(const QString &name)
{
    if (m_active)
        Close();
    if (!m_connection.isEmpty() && !m_external) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_connection = name;
    m_external = !name.isEmpty();
    m_defs.clear();
}

void TvdxSqlDataSet::SetSQL(const QString &sql)
{
    if (m_active)
        Close();
    m_sql = sql;
    m_defs.clear();
}

void TvdxSqlDataSet::fail(const QString &what, const QString &detail) const
{
    QString msg = what.arg(m_external ? m_connection : QDir::toNativeSeparators(m_file));
    if (!detail.isEmpty())
        msg += QStringLiteral(" (") + detail + QLatin1Char(')');
    throw EvdxDatabaseError(msg);
}

void TvdxSqlDataSet::checkFile() const
{
    if (m_file.isEmpty())
        throw EvdxDatabaseError(QStringLiteral("No database file is given"));
    const QFileInfo fi(m_file);
    if (!fi.exists())
        fail(QStringLiteral("Database file not found: %1"), QString());
    if (fi.isDir())
        fail(QStringLiteral("Not an SQLite database: %1"), QStringLiteral("a folder"));
    QFile f(m_file);
    if (!f.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Database file cannot be read: %1"), f.errorString());
    if (f.size() > 0) {
        const QByteArray head = f.read(16);
        if (head != QByteArray("SQLite format 3\0", 16))
            fail(QStringLiteral("Not an SQLite database: %1"), QString());
    }
}

void TvdxSqlDataSet::execute(bool fetchRows)
{
    if (!m_external)
        checkFile();
    if (m_sql.trimmed().isEmpty())
        throw EvdxDatabaseError(QStringLiteral("The query has no SQL text"));
    if (m_external) {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (!db.isValid())
            throw EvdxDatabaseError(QStringLiteral("No database connection named %1").arg(m_connection));
        if (!db.isOpen() && !db.open())
            throw EvdxDatabaseError(QStringLiteral("The database connection is not open (%1)").arg(db.lastError().text()));
    } else if (m_connection.isEmpty())
        m_connection = QStringLiteral("vdxsql_%1").arg(s_connectionCounter.fetchAndAddOrdered(1));
    QSqlDatabase db = QSqlDatabase::contains(m_connection) ? QSqlDatabase::database(m_connection, false)
                                                           : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!db.isValid())
        throw EvdxDatabaseError(QStringLiteral("The SQLite driver of Qt Sql is not available"));
    if (!db.isOpen()) {
        db.setDatabaseName(m_file);
        // Read-only: never create a missing file; a short wait on locks.
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=250"));
        if (!db.open())
            fail(QStringLiteral("Database file cannot be opened: %1"), db.lastError().text());
    }

    auto queryFailed = [this](const QSqlError &e) {
        const QString code = e.nativeErrorCode();
        const QString text = e.text();
        if (code == QLatin1String("5") || code == QLatin1String("6") || text.contains(QLatin1String("locked")))
            fail(QStringLiteral("Database file is locked: %1"), text);
        if (code == QLatin1String("26") || text.contains(QLatin1String("not a database")))
            fail(QStringLiteral("Not an SQLite database: %1"), text);
        fail(QStringLiteral("Query on %1 failed"), text);
    };

    QList<TvdxSqlFieldDef> defs;
    QList<QList<QVariant>> rows;
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(m_sql))
            queryFailed(q.lastError());
        const QSqlRecord rec = q.record();
        // Declared column types, from the column's table or any table that has it.
        QMap<QString, QMap<QString, QString>> declared;
        auto tableInfo = [&](const QString &table) -> const QMap<QString, QString> & {
            auto it = declared.find(table);
            if (it == declared.end()) {
                QMap<QString, QString> cols;
                QSqlQuery p(db);
                if (p.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(QString(table).replace('"', "\"\""))))
                    while (p.next())
                        cols.insert(p.value(1).toString().toLower(), p.value(2).toString());
                it = declared.insert(table, cols);
            }
            return *it;
        };
        const bool sqlite = db.driverName() == QLatin1String("QSQLITE");
        const QStringList tables = sqlite ? db.tables() : QStringList();
        for (int i = 0; i < rec.count(); ++i) {
            const QSqlField f = rec.field(i);
            const QString key = f.name().toLower();
            QString decl;
            if (sqlite && !f.tableName().isEmpty())
                decl = tableInfo(f.tableName()).value(key);
            if (decl.isEmpty()) {
                QStringList found;
                for (const QString &t : tables) {
                    const auto &cols = tableInfo(t);
                    if (cols.contains(key))
                        found.append(cols.value(key));
                }
                found.removeDuplicates();
                if (found.size() == 1)
                    decl = found.first();
            }
            TvdxSqlFieldDef def = TypeFromDeclared(f.name(), decl);
            if (def.DataType == TvdxSqlFieldType::Unknown) {
                switch (f.metaType().id()) {
                case QMetaType::Int: def.DataType = TvdxSqlFieldType::Integer; break;
                case QMetaType::LongLong: def.DataType = TvdxSqlFieldType::Largeint; break;
                case QMetaType::Double: def.DataType = TvdxSqlFieldType::Float; break;
                case QMetaType::Bool: def.DataType = TvdxSqlFieldType::Boolean; break;
                case QMetaType::QByteArray: def.DataType = TvdxSqlFieldType::Blob; break;
                default: def.DataType = TvdxSqlFieldType::String; def.Size = 255; break;
                }
            }
            defs.append(def);
        }
        if (fetchRows) {
            while (q.next()) {
                QList<QVariant> row;
                row.reserve(rec.count());
                for (int i = 0; i < rec.count(); ++i)
                    row.append(q.value(i));
                rows.append(row);
            }
            if (q.lastError().isValid())
                queryFailed(q.lastError());
        }
    }
    bool changed = defs.size() != m_defs.size();
    for (int i = 0; !changed && i < defs.size(); ++i)
        changed = defs[i].Name != m_defs[i].Name || defs[i].DataType != m_defs[i].DataType;
    m_defs = defs;
    if (fetchRows) {
        m_rows = rows;
        if (changed || m_fields.size() != size_t(m_defs.size())) {
            m_fields.clear();
            ++m_generation;
            for (int i = 0; i < m_defs.size(); ++i)
                m_fields.push_back(std::make_unique<TvdxSqlField>(this, i, m_defs[i]));
            if (OnFieldsChange)
                OnFieldsChange(this);
        }
    }
}

void TvdxSqlDataSet::UpdateFieldDefs()
{
    if (!m_active)
        execute(false);
}

void TvdxSqlDataSet::Open()
{
    if (m_active)
        return;
    execute(true);
    m_active = true;
    m_cursor = 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
    if (AfterOpen)
        AfterOpen(this);
}

void TvdxSqlDataSet::Close()
{
    if (!m_active)
        return;
    if (BeforeClose)
        BeforeClose(this);
    m_active = false;
    m_rows.clear();
    m_cursor = 0;
    m_eof = m_bof = true;
    if (!m_connection.isEmpty() && !m_external)
        QSqlDatabase::database(m_connection, false).close();
}

void TvdxSqlDataSet::Refresh()
{
    if (!m_active)
        return;
    const int at = m_cursor;
    execute(true);
    m_cursor = m_rows.isEmpty() ? 0 : std::min(at, int(m_rows.size()) - 1);
    m_eof = m_rows.isEmpty();
    if (AfterRefresh)
        AfterRefresh(this);
}

void TvdxSqlDataSet::First()
{
    m_cursor = 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
}

void TvdxSqlDataSet::Next()
{
    if (m_cursor + 1 < m_rows.size()) {
        ++m_cursor;
        m_bof = false;
    } else {
        m_eof = true;
    }
}

void TvdxSqlDataSet::Prior()
{
    if (m_cursor > 0) {
        --m_cursor;
        m_eof = false;
    } else {
        m_bof = true;
    }
}

bool TvdxSqlDataSet::Eof() const { return !m_active || m_eof; }
bool TvdxSqlDataSet::Bof() const { return !m_active || m_bof; }
int TvdxSqlDataSet::RecordCount() const { return m_active ? int(m_rows.size()) : 0; }

QByteArray TvdxSqlDataSet::GetBookmark() const
{
    if (!m_active || m_rows.isEmpty())
        return {};
    return QByteArray::number(m_cursor);
}

bool TvdxSqlDataSet::GotoBookmark(const QByteArray &bookmark)
{
    bool ok = false;
    const int row = bookmark.toInt(&ok);
    if (!m_active || !ok || row < 0 || row >= m_rows.size())
        return false;
    m_cursor = row;
    m_eof = m_bof = false;
    return true;
}

QList<TvdxSqlField *> TvdxSqlDataSet::Fields() const
{
    QList<TvdxSqlField *> list;
    for (const auto &f : m_fields)
        list.append(f.get());
    return list;
}

TvdxSqlField *TvdxSqlDataSet::FindField(const QString &name) const
{
    for (const auto &f : m_fields)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    return nullptr;
}

TvdxSqlField *TvdxSqlDataSet::FieldByName(const QString &name) const
{
    if (TvdxSqlField *f = FindField(name))
        return f;
    throw EvdxDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
}

QStringList TvdxSqlDataSet::FieldNames() const
{
    QStringList names;
    for (const auto &d : m_defs)
        names.append(d.Name);
    return names;
}

const TvdxSqlFieldDef *TvdxSqlDataSet::FindFieldDef(const QString &name) const
{
    for (const auto &d : m_defs)
        if (d.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &d;
    return nullptr;
}

// ---------------------------------------------------------------------------
TvdxSqlField::TvdxSqlField(TvdxSqlDataSet *owner, int index, const TvdxSqlFieldDef &def)
    : m_owner(owner), m_index(index), m_def(def)
{
}

QVariant TvdxSqlField::RawValue() const
{
    if (!m_owner->m_active || m_owner->m_rows.isEmpty())
        return QVariant();
    const auto &row = m_owner->m_rows.at(m_owner->m_cursor);
    return m_index < row.size() ? row.at(m_index) : QVariant();
}

bool TvdxSqlField::IsNull() const
{
    const QVariant v = RawValue();
    return !v.isValid() || v.isNull();
}

bool TvdxSqlField::IsBlob() const
{
    using T = TvdxSqlFieldType;
    return m_def.DataType == T::Blob || m_def.DataType == T::Memo || m_def.DataType == T::WideMemo;
}

bool TvdxSqlField::IsString() const
{
    using T = TvdxSqlFieldType;
    return m_def.DataType == T::String || m_def.DataType == T::WideString || m_def.DataType == T::FixedWideChar;
}

qint64 TvdxSqlField::AsCurrency() const
{
    const QVariant v = RawValue();
    qint64 scaled = 0;
    if (v.typeId() == QMetaType::QString && parseCurrency(v.toString(), scaled))
        return scaled;
    return Variant::fromCurrencyValue(v.toDouble()).rawInt();
}

double TvdxSqlField::AsFloat() const
{
    const QVariant v = RawValue();
    if (v.typeId() == QMetaType::QString)
        return QString(v.toString()).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    return v.toDouble();
}

qint64 TvdxSqlField::AsLargeInt() const { return RawValue().toLongLong(); }

double TvdxSqlField::AsDateTime() const
{
    double d = 0;
    return parseDateTime(RawValue(), d) ? d : 0;
}

QString TvdxSqlField::AsString() const
{
    const QVariant v = RawValue();
    // Binary blobs keep one character per byte; text stored as bytes is UTF-8.
    if (v.typeId() == QMetaType::QByteArray)
        return m_def.DataType == TvdxSqlFieldType::Blob ? QString::fromLatin1(v.toByteArray())
                                                        : QString::fromUtf8(v.toByteArray());
    return v.toString();
}

QByteArray TvdxSqlField::AsBytes() const
{
    const QVariant v = RawValue();
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    return v.toString().toUtf8();
}

Variant TvdxSqlField::AsVariant() const
{
    if (IsNull())
        return Variant::null();
    using T = TvdxSqlFieldType;
    switch (m_def.DataType) {
    case T::Integer: {
        const qint64 v = AsLargeInt();
        return v >= INT_MIN && v <= INT_MAX ? Variant(int(v)) : Variant::fromInt64(v);
    }
    case T::Largeint: return Variant::fromInt64(AsLargeInt());
    case T::Float: return Variant(AsFloat());
    case T::BCD:
    case T::FMTBcd: return Variant::fromCurrency(AsCurrency());
    case T::Boolean: {
        const QVariant v = RawValue();
        if (v.typeId() == QMetaType::QString) {
            const QString s = v.toString().trimmed().toLower();
            return Variant(s == QLatin1String("true") || s == QLatin1String("t") || s == QLatin1String("1") ||
                           s == QLatin1String("yes"));
        }
        return Variant(v.toLongLong() != 0);
    }
    case T::Date:
    case T::Time:
    case T::DateTime:
    case T::TimeStamp: return Variant::fromDate(AsDateTime());
    case T::WideString:
    case T::FixedWideChar:
    case T::WideMemo: return Variant::fromString(AsString(), varUString);
    default: return Variant(AsString());
    }
}

QString TvdxSqlField::DisplayText() const
{
    if (OnGetText)
        return OnGetText(this, true);
    using T = TvdxSqlFieldType;
    if (IsBlob()) {
        const QString kind = m_def.DataType == T::Blob ? QStringLiteral("BLOB")
                             : m_def.DataType == T::Memo ? QStringLiteral("MEMO")
                                                        : QStringLiteral("WIDEMEMO");
        return QLatin1Char('(') + (IsNull() ? kind.toLower() : kind) + QLatin1Char(')');
    }
    if (IsNull())
        return QString();
    return VarToStr(AsVariant());
}

int TvdxSqlField::DisplayWidth() const
{
    using T = TvdxSqlFieldType;
    switch (m_def.DataType) {
    case T::String:
    case T::WideString:
    case T::FixedWideChar: return m_def.Size;
    case T::Largeint: return 15;
    case T::DateTime:
    case T::TimeStamp: return 20;
    default: return 10;
    }
}

void TvdxSqlField::SaveToStream(QIODevice &stream) const
{
    if (isWide(m_def.DataType)) {
        const QString s = AsString();
        stream.write(reinterpret_cast<const char *>(s.utf16()), s.size() * 2);
    } else {
        stream.write(AsBytes());
    }
}
