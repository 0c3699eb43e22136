// Data sets: the one row interface that bands, pages and expressions read
// (open, navigate, end test, field list, values, display texts, blobs), the
// user data set fed by handlers of the host program, the alias layer of
// database data sets, and the base of database connection components.
#pragma once
#include "core/vdVariant.h"
#include "report/vdxClass_dialog.h"
#include "report/vdxClass_report.h"

#include <QIODevice>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QStringList>
#include <functional>

class TvdWideStrings;

class TvdxDataSet : public TvdxDialogComponent {
    Q_OBJECT
public:
    enum TvdxRangeBegin { rbFirst, rbCurrent };
    Q_ENUM(TvdxRangeBegin)
    enum TvdxRangeEnd { reLast, reCurrent, reCount };
    Q_ENUM(TvdxRangeEnd)
    enum TvdxFieldType { fftNumeric, fftString, fftBoolean, fftDateTime };
    Q_ENUM(TvdxFieldType)
private:
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(TvdxRangeBegin RangeBegin READ RangeBegin WRITE SetRangeBegin)
    Q_PROPERTY(TvdxRangeEnd RangeEnd READ RangeEnd WRITE SetRangeEnd)
    Q_PROPERTY(int RangeEndCount READ RangeEndCount WRITE SetRangeEndCount)
    Q_PROPERTY(QString UserName READ UserName WRITE SetUserName)
    Q_CLASSINFO("default:Enabled", "True")
    Q_CLASSINFO("default:RangeBegin", "rbFirst")
    Q_CLASSINFO("default:RangeEnd", "reLast")
    Q_CLASSINFO("default:RangeEndCount", "0")
public:
    using TvdxNotifyEvent = std::function<void(TvdxDataSet *sender)>;
    using TvdxCheckEOFEvent = std::function<void(TvdxDataSet *sender, bool &eof)>;

    Q_INVOKABLE explicit TvdxDataSet(TvdComponent *owner = nullptr);
    ~TvdxDataSet() override;

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool value) { m_enabled = value; }
    TvdxRangeBegin RangeBegin() const { return m_rangeBegin; }
    void SetRangeBegin(TvdxRangeBegin value) { m_rangeBegin = value; }
    TvdxRangeEnd RangeEnd() const { return m_rangeEnd; }
    void SetRangeEnd(TvdxRangeEnd value) { m_rangeEnd = value; }
    int RangeEndCount() const { return m_rangeEndCount; }
    void SetRangeEndCount(int value) { m_rangeEndCount = value; }
    QString UserName() const { return m_userName; }
    // Raises "Invalid property value" for a blank name; the old name stays.
    virtual void SetUserName(const QString &value);
    bool CloseDataSource() const { return m_closeDataSource; }
    void SetCloseDataSource(bool value) { m_closeDataSource = value; }
    bool OpenDataSource() const { return m_openDataSource; }
    void SetOpenDataSource(bool value) { m_openDataSource = value; }
    int RecNo() const { return m_recNo; }
    TvdxReport *ReportRef() const { return m_reportRef; }
    void SetReportRef(TvdxReport *report) { m_reportRef = report; }

    void SetName(const QString &value) override;

    virtual QString GetDisplayText(const QString &index);
    virtual int GetDisplayWidth(const QString &index);
    virtual TvdxFieldType GetFieldType(const QString &index);
    virtual Variant GetValue(const QString &index);
    virtual void Initialize() {}
    virtual void Finalize() {}
    virtual void Open();
    virtual void Close();
    virtual void First();
    virtual void Next();
    virtual void Prior();
    virtual bool Eof();
    virtual int FieldsCount() { return 0; }
    virtual bool IsBlobField(const QString &fName) { Q_UNUSED(fName) return false; }
    virtual bool IsWideMemoBlobField(const QString &fName) { Q_UNUSED(fName) return false; }
    virtual bool IsMemoBlobField(const QString &fName) { Q_UNUSED(fName) return false; }
    virtual bool IsHasMaster() { return false; }
    virtual int RecordCount();
    // Obj is a QStringList (lines) or a QIODevice (bytes); other targets are ignored.
    virtual void AssignBlobTo(const QString &fName, QObject *obj) { Q_UNUSED(fName) Q_UNUSED(obj) }
    virtual void AssignBlobToLines(const QString &fName, QStringList &lines) { Q_UNUSED(fName) Q_UNUSED(lines) }
    // The blob as the text of a wide-string list; nothing unless overridden.
    virtual void AssignBlobTo(const QString &fName, TvdWideStrings &list) { Q_UNUSED(fName) Q_UNUSED(list) }
    virtual void GetFieldList(QStringList &list) { list.clear(); }
    bool HasField(const QString &fName);

    TvdxCheckEOFEvent OnCheckEOF;
    TvdxNotifyEvent OnFirst, OnNext, OnPrior, OnOpen, OnClose;

protected:
    // Appends a field error to the report's list; answers the message without the object prefix.
    QString fieldError(const QString &fieldName);
    bool m_eofFlag = false;
    bool m_initialized = false;
    int m_recNo = 0;

private:
    bool m_closeDataSource = false;
    bool m_enabled = true;
    bool m_openDataSource = true;
    TvdxRangeBegin m_rangeBegin = rbFirst;
    TvdxRangeEnd m_rangeEnd = reLast;
    int m_rangeEndCount = 0;
    // Guarded: a report freed before its data sets takes no more error lines.
    QPointer<TvdxReport> m_reportRef;
    QString m_userName;
};

// ---------------------------------------------------------------------------
// A data set a component refers to, by object and by name: the name reads as
// the data set's UserName while one is linked, else as the stored name.
class TvdxDataSetRef {
public:
    explicit TvdxDataSetRef(TvdxComponent *holder) : m_holder(holder) {}
    TvdxDataSetRef(const TvdxDataSetRef &) = delete;
    TvdxDataSetRef &operator=(const TvdxDataSetRef &) = delete;
    ~TvdxDataSetRef() { link(nullptr); }

    TvdxDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TvdxDataSet *value);
    QString Name() const;
    // Stores the name and links the data set it finds for the holder.
    void SetName(const QString &value);
    // The holder's removal notification: forgets the data set when it goes.
    void Removed(TvdComponent *component);

private:
    void link(TvdxDataSet *value);
    TvdxComponent *m_holder = nullptr;
    TvdxDataSet *m_dataSet = nullptr;
    QString m_name;
};

class TvdxUserDataSet : public TvdxDataSet {
    Q_OBJECT
    Q_PROPERTY(QStringList Fields READ Fields WRITE SetFields)
public:
    using TvdxGetValueEvent = std::function<void(const QString &varName, Variant &value)>;
    using TvdxNewGetValueEvent = std::function<void(TvdxDataSet *sender, const QString &varName, Variant &value)>;
    using TvdxGetBlobValueEvent = std::function<void(TvdxDataSet *sender, const QString &fieldName, QObject *assignTo)>;
    using TvdxIsBlobFieldEvent = std::function<bool(TvdxDataSet *sender, const QString &fieldName)>;

    Q_INVOKABLE explicit TvdxUserDataSet(TvdComponent *owner = nullptr);

    QStringList Fields() const { return m_fields; }
    void SetFields(const QStringList &value) { m_fields = value; }

    Variant GetValue(const QString &index) override;
    QString GetDisplayText(const QString &index) override;
    bool IsBlobField(const QString &fName) override;
    void AssignBlobTo(const QString &fName, QObject *obj) override;
    void GetFieldList(QStringList &list) override { list = m_fields; }
    int FieldsCount() override { return int(m_fields.size()); }

    TvdxGetValueEvent OnGetValue;
    TvdxNewGetValueEvent OnNewGetValue;
    TvdxGetBlobValueEvent OnGetBlobValue;
    TvdxIsBlobFieldEvent OnIsBlobField;

private:
    QStringList m_fields;
};

// ---------------------------------------------------------------------------
// Field aliases of database data sets: "FieldName=Alias" lines; a field name
// starting with "-" hides the field.
class TvdxCustomDBDataSet : public TvdxDataSet {
    Q_OBJECT
    Q_PROPERTY(bool CloseDataSource READ CloseDataSource WRITE SetCloseDataSource)
    Q_PROPERTY(QStringList FieldAliases READ FieldAliases WRITE SetFieldAliases)
    Q_PROPERTY(bool OpenDataSource READ OpenDataSource WRITE SetOpenDataSource)
    Q_CLASSINFO("default:CloseDataSource", "False")
    Q_CLASSINFO("default:OpenDataSource", "True")
public:
    Q_INVOKABLE explicit TvdxCustomDBDataSet(TvdComponent *owner = nullptr);

    QStringList FieldAliases() const { return m_aliases; }
    void SetFieldAliases(const QStringList &value) { m_aliases = value; }
    QString ConvertAlias(const QString &fName) const;
    QString GetAlias(const QString &fName) const;

protected:
    QStringList m_aliases;
};

// ---------------------------------------------------------------------------
// Base of database connection components; this library has no connection class.
class TvdxCustomDatabase : public TvdxDialogComponent {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxCustomDatabase(TvdComponent *owner = nullptr);

    virtual void SetConnected(bool value) { Q_UNUSED(value) }
    virtual void SetDatabaseName(const QString &value) { Q_UNUSED(value) }
    virtual void SetLoginPrompt(bool value) { Q_UNUSED(value) }
    virtual void SetParams(const QStringList &value) { Q_UNUSED(value) }
    virtual bool GetConnected() const { return false; }
    virtual QString GetDatabaseName() const { return QString(); }
    virtual bool GetLoginPrompt() const { return false; }
    virtual QStringList GetParams() const { return QStringList(); }
    virtual QString ToString() const { return QString(); }
    virtual void FromString(const QString &connection) { Q_UNUSED(connection) }
    virtual void SetLogin(const QString &login, const QString &password) { Q_UNUSED(login) Q_UNUSED(password) }
};

// The first enabled-or-not data set of the process list whose UserName is
// Name (ignoring case), skipping data sets of another report; DataSet when none.
TvdxDataSet *vdxFindDataSet(TvdxDataSet *dataSet, const QString &name, TvdxReport *report);
// (UserName, data set) of every enabled data set with a user name, in list order.
void vdxGetDataSetList(QList<QPair<QString, TvdxDataSet *>> &list);
// Every data set alive, in creation order (under the list's lock).
QList<TvdxDataSet *> vdxAllDataSets();
