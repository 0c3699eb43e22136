// The database data set: a report data set over a query of the host program.
// The query side is a small data-access layer over Qt Sql (SQLite files):
// a cursor over the fetched rows with bookmarks, typed fields taken from the
// declared column types, blobs, and the open/close/refresh events the
// report's data set hooks into while a report runs.
#pragma once
#include "core/vdVariant.h"
#include "report/vdxClass_dataset.h"

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

VD_DECLARE_EXCEPTION(EvdxDatabaseError, Exception)

enum class TvdxSqlFieldType {
    Unknown, String, WideString, FixedWideChar, Integer, Largeint, Float, BCD, FMTBcd, Boolean, Date, Time,
    DateTime, TimeStamp, Blob, Memo, WideMemo
};

struct TvdxSqlFieldDef {
    QString Name;
    TvdxSqlFieldType DataType = TvdxSqlFieldType::Unknown;
    int Size = 0;
};

class TvdxSqlDataSet;

// One column of the current row.
class TvdxSqlField {
public:
    TvdxSqlField(TvdxSqlDataSet *owner, int index, const TvdxSqlFieldDef &def);
    QString FieldName() const { return m_def.Name; }
    TvdxSqlFieldType DataType() const { return m_def.DataType; }
    int Size() const { return m_def.Size; }
    int Index() const { return m_index; }
    bool IsNull() const;
    bool IsBlob() const;
    bool IsString() const;
    // Blob kinds: String/Memo, WideString/FixedWideChar/WideMemo or Blob.
    TvdxSqlFieldType BlobType() const { return m_def.DataType; }
    QVariant RawValue() const;
    Variant AsVariant() const;
    qint64 AsCurrency() const; // scaled by 10000
    double AsFloat() const;
    qint64 AsLargeInt() const;
    double AsDateTime() const; // days since 1899-12-30
    QString AsString() const;
    QByteArray AsBytes() const;
    QString DisplayText() const;
    int DisplayWidth() const;
    void SaveToStream(QIODevice &stream) const;

    // The field's own text handler: (field, display) -> text.
    std::function<QString(const TvdxSqlField *field, bool display)> OnGetText;

private:
    TvdxSqlDataSet *m_owner;
    int m_index;
    TvdxSqlFieldDef m_def;
};

// A read-only query over an SQLite database file, fetched into memory on open.
class TvdxSqlDataSet : public QObject {
    Q_OBJECT
public:
    using Event = std::function<void(TvdxSqlDataSet *sender)>;

    explicit TvdxSqlDataSet(QObject *parent = nullptr);
    ~TvdxSqlDataSet() override;

    QString DatabaseFile() const { return m_file; }
    void SetDatabaseFile(const QString &path);
    QString SQL() const { return m_sql; }
    void SetSQL(const QString &sql);
    // Runs on an open connection of the host program instead of a file (any
    // Qt Sql driver; the connection is the host's, never closed here).
    QString ConnectionName() const { return m_external ? m_connection : QString(); }
    void SetConnectionName(const QString &name);
    // Master source of a detail query (only reported, not followed here).
    QObject *MasterSource() const { return m_master; }
    void SetMasterSource(QObject *value) { m_master = value; }

    // Raises EvdxDatabaseError with a clear message: missing, locked or
    // foreign database files, and failing queries.
    void Open();
    void Close();
    void Refresh();
    bool Active() const { return m_active; }
    void First();
    void Next();
    void Prior();
    bool Eof() const;
    bool Bof() const;
    int RecordCount() const;
    int RecNo() const { return m_cursor; }

    QByteArray GetBookmark() const;
    // False for a bookmark of no row.
    bool GotoBookmark(const QByteArray &bookmark);
    static bool CompareBookmarks(const QByteArray &a, const QByteArray &b) { return a == b; }
    void FreeBookmark(QByteArray &bookmark) { bookmark.clear(); }

    QList<TvdxSqlField *> Fields() const;
    TvdxSqlField *FindField(const QString &name) const;
    // Raises EvdxDatabaseError when there is no such field.
    TvdxSqlField *FieldByName(const QString &name) const;
    QStringList FieldNames() const;
    QStringList AggregateFieldNames() const { return {}; }
    // Reads the column definitions without fetching rows (raises on failure).
    void UpdateFieldDefs();
    const QList<TvdxSqlFieldDef> &FieldDefs() const { return m_defs; }
    const TvdxSqlFieldDef *FindFieldDef(const QString &name) const;
    // Changes whenever the field objects are rebuilt.
    int FieldsGeneration() const { return m_generation; }

    Event AfterOpen, BeforeClose, AfterRefresh;
    // The field list was rebuilt.
    Event OnFieldsChange;

    // Decides a field type from an SQL declared type ("DECIMAL(10,2)", "BLOB"...).
    static TvdxSqlFieldDef TypeFromDeclared(const QString &name, const QString &declared);

private:
    friend class TvdxSqlField;
    QString connectionName() const { return m_connection; }
    void checkFile() const;
    void execute(bool fetchRows);
    [[noreturn]] void fail(const QString &what, const QString &detail) const;

    QString m_file;
    QString m_sql;
    QString m_connection;
    bool m_external = false;
    QObject *m_master = nullptr;
    bool m_active = false;
    int m_generation = 0;
    int m_cursor = 0;
    bool m_eof = true;
    bool m_bof = true;
    QList<TvdxSqlFieldDef> m_defs;
    std::vector<std::unique_ptr<TvdxSqlField>> m_fields;
    QList<QList<QVariant>> m_rows;
};

// Links report data sets to a query, as an alternative to naming it directly.
class TvdxSqlDataSource : public QObject {
    Q_OBJECT
public:
    explicit TvdxSqlDataSource(QObject *parent = nullptr) : QObject(parent) {}
    TvdxSqlDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TvdxSqlDataSet *value) { m_dataSet = value; }

private:
    QPointer<TvdxSqlDataSet> m_dataSet;
};

// Base of the packages of database components an application installs.
class TvdxDBComponents : public QObject {
    Q_OBJECT
public:
    explicit TvdxDBComponents(QObject *parent = nullptr) : QObject(parent) {}
    virtual QString GetDescription() const { return QString(); }
};

// ---------------------------------------------------------------------------
class TvdxDBDataset : public TvdxCustomDBDataSet {
    Q_OBJECT
public:
    enum TvdxDataSetOption { dsoStringAsDisplayText = 1, dsoStringValueAsDisplayText = 2 };
    Q_DECLARE_FLAGS(TvdxDataSetOptions, TvdxDataSetOption)
    Q_FLAG(TvdxDataSetOptions)
private:
    Q_PROPERTY(bool BCDToCurrency READ BCDToCurrency WRITE SetBCDToCurrency)
    Q_PROPERTY(TvdxDataSetOptions DataSetOptions READ DataSetOptions WRITE SetDataSetOptions)
    Q_CLASSINFO("default:BCDToCurrency", "False")
    Q_CLASSINFO("default:DataSetOptions", "0")
public:
    Q_INVOKABLE explicit TvdxDBDataset(TvdComponent *owner = nullptr);
    ~TvdxDBDataset() override;

    // The query of the host program (not owned; forgotten when it goes).
    TvdxSqlDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TvdxSqlDataSet *value);
    TvdxSqlDataSource *DataSource() const { return m_dataSource; }
    void SetDataSource(TvdxSqlDataSource *value);
    TvdxSqlDataSet *GetDataSet() const;
    bool BCDToCurrency() const { return m_bcdToCurrency; }
    void SetBCDToCurrency(bool value) { m_bcdToCurrency = value; }
    TvdxDataSetOptions DataSetOptions() const { return m_dsOptions; }
    void SetDataSetOptions(TvdxDataSetOptions value) { m_dsOptions = value; }

    void Initialize() override;
    void Finalize() override;
    void Open() override;
    void Close() override;
    void First() override;
    void Next() override;
    void Prior() override;
    bool Eof() override;
    int RecordCount() override;
    bool IsHasMaster() override;
    void GetFieldList(QStringList &list) override;
    int FieldsCount() override;
    Variant GetValue(const QString &index) override;
    QString GetDisplayText(const QString &index) override;
    int GetDisplayWidth(const QString &index) override;
    TvdxFieldType GetFieldType(const QString &index) override;
    bool IsBlobField(const QString &fName) override;
    bool IsMemoBlobField(const QString &fName) override;
    bool IsWideMemoBlobField(const QString &fName) override;
    void AssignBlobTo(const QString &fName, QObject *obj) override;
    void AssignBlobToLines(const QString &fName, QStringList &lines) override;
    void AssignBlobTo(const QString &fName, TvdWideStrings &list) override;

private:
    void updateFields();
    void syncFields();
    void releaseBookmark();
    void restoreHandlers();
    TvdxSqlField *mappedField(const QString &alias, bool *listed);
    TvdxSqlField *blobField(const QString &fName);

    QByteArray m_bookmark;
    QPointer<TvdxSqlDataSet> m_dataSet;
    QPointer<TvdxSqlDataSource> m_dataSource;
    QPointer<TvdxSqlDataSet> m_ds;
    bool m_bcdToCurrency = false;
    bool m_hooked = false;
    TvdxSqlDataSet::Event m_saveOpen, m_saveClose, m_saveRefresh, m_saveFieldsChange;
    bool m_needFieldsUpdate = false;
    int m_fieldsGeneration = -1;
    TvdxDataSetOptions m_dsOptions;
    // Alias (case-insensitive) to the query's field; null when it has none.
    QMap<QString, QPair<QString, TvdxSqlField *>> m_fieldMap;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdxDBDataset::TvdxDataSetOptions)

// Registers the database data set for templates (once; the report's start-up calls it).
void vdxRegisterDBSetClasses();
