// Small XML tree of the script engine: grammars, intermediate scripts and the
// contents tree of script items. Attributes stay one raw text per element and
// are decoded only when asked for.
#pragma once
#include "platform/Exception.h"

#include <QList>
#include <QString>

class QIODevice;

VD_DECLARE_EXCEPTION(EovXMLError, Exception)

class TovXMLItem {
public:
    TovXMLItem() = default;
    ~TovXMLItem();
    TovXMLItem(const TovXMLItem &) = delete;
    TovXMLItem &operator=(const TovXMLItem &) = delete;

    TovXMLItem *Add();
    void AddItem(TovXMLItem *item);
    void InsertItem(int index, TovXMLItem *item);
    void Clear();
    TovXMLItem *Items(int index) const { return m_items ? m_items->at(index) : nullptr; }
    TovXMLItem *operator[](int index) const { return Items(index); }
    int Count() const { return m_items ? int(m_items->size()) : 0; }
    int IndexOf(const TovXMLItem *item) const;
    int Find(const QString &name) const;
    TovXMLItem *FindItem(const QString &name);
    TovXMLItem *Root();

    QString Prop(const QString &name) const;
    void SetProp(const QString &name, const QString &value);
    bool PropExists(const QString &name) const;

    void Assign(const TovXMLItem *item);

    const QString &Name() const { return m_name; }
    void SetName(const QString &name) { m_name = name; }
    const QString &Text() const { return m_text; }
    void SetText(const QString &text) { m_text = text; }
    void *Data() const { return m_data; }
    void SetData(void *data) { m_data = data; }
    TovXMLItem *Parent() const { return m_parent; }
    // Leaves the old parent's list; the new parent does not list the item.
    void SetParent(TovXMLItem *parent);

private:
    void detach();
    // Start of the value of attribute name in m_text (index), -1 when absent.
    int valueStart(const QString &name) const;

    QString m_name;
    QString m_text;
    void *m_data = nullptr;
    TovXMLItem *m_parent = nullptr;
    QList<TovXMLItem *> *m_items = nullptr;
};

class TovXMLDocument {
public:
    TovXMLDocument();
    ~TovXMLDocument();
    TovXMLDocument(const TovXMLDocument &) = delete;
    TovXMLDocument &operator=(const TovXMLDocument &) = delete;

    TovXMLItem *Root() const { return m_root; }
    bool AutoIndent() const { return m_autoIndent; }
    void SetAutoIndent(bool v) { m_autoIndent = v; }

    void Clear();
    void LoadFromStream(QIODevice &stream);
    void SaveToStream(QIODevice &stream) const;
    void LoadFromFile(const QString &fileName);
    void SaveToFile(const QString &fileName) const;

    // In-memory helpers over the stream routines.
    void LoadFromBytes(const QByteArray &bytes);
    QByteArray SaveToBytes() const;

private:
    TovXMLItem *m_root;
    bool m_autoIndent = false;
};

// Reads a document from a stream; leaves the stream just after the last byte used.
class TovXMLReader {
public:
    explicit TovXMLReader(QIODevice &stream);
    ~TovXMLReader();
    void ReadHeader();
    void ReadRootItem(TovXMLItem *item);
    qint64 Position() const { return m_start + m_pos; }
    qint64 Size() const { return m_start + m_data.size(); }

private:
    // Reads the next tag; false at the end of the stream.
    bool readTag(QString &name, QString &text);
    QIODevice &m_stream;
    QByteArray m_data;
    qint64 m_start = 0;
    qsizetype m_pos = 0;
};

class TovXMLWriter {
public:
    explicit TovXMLWriter(QIODevice &stream);
    ~TovXMLWriter();
    void WriteHeader();
    void WriteRootItem(const TovXMLItem *item);
    void Flush();
    bool AutoIndent = false;

private:
    void writeItem(const TovXMLItem *item, int level);
    void writeLine(const QByteArray &s, int level);
    QIODevice &m_stream;
    QByteArray m_buffer;
};

// Attribute value escaping used by every writer of script XML.
QString ovStrToXML(const QString &s);
// Decodes "&quot;" and decimal references "&#NN;"; other text stays as it is.
QString ovXMLToStr(const QString &s);
