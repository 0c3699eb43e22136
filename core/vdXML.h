// The library's XML dialect: an item tree whose attributes stay one raw text
// until asked for, a buffered reader and writer, partial loading of marked
// subtrees, and a streaming reader for general XML that other readers build on.
#pragma once
#include "platform/Exception.h"
#include "core/vdFormatSettings.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

class QFile;
class QIODevice;
class Variant;

// The one error of XML reading; its message is always "Invalid file format".
VD_DECLARE_EXCEPTION(TvdInvalidXMLException, Exception)
// Files that cannot be opened, created, written or renamed.
VD_DECLARE_EXCEPTION(EFOpenError, Exception)
VD_DECLARE_EXCEPTION(EFCreateError, Exception)
VD_DECLARE_EXCEPTION(EFWriteError, Exception)

// Invariant format of typed attributes ("." decimal, "DD.MM.YYYY",
// "hh:mm:ss:zzz"), the same whatever the user's locale.
const FormatSettings &XMLFormatSettings();
void InitXMLFormatSettings();

// Code 0, LF, CR, '"', '&', '<' and '>' as decimal character references.
QString EscapeXMLAttr(const QString &s);
// Decimal references and the quot/amp/lt/gt entities back to characters;
// anything malformed stays as written.
QString UnescapeXMLAttr(const QString &s);
// Attribute text of a variant: integers, floats and dates in the current
// locale, texts escaped, Booleans "1"/"0", other kinds empty.
QString VariantToXMLStr(const Variant &v);

// ---------------------------------------------------------------------------
class TvdXMLItem {
public:
    TvdXMLItem();
    // Leaves its parent's list and frees the subtree.
    virtual ~TvdXMLItem();
    TvdXMLItem(const TvdXMLItem &) = delete;
    TvdXMLItem &operator=(const TvdXMLItem &) = delete;

    TvdXMLItem *Add();
    TvdXMLItem *Add(const QString &name);
    // Appends an item, taking it from its former parent.
    virtual void AddItem(TvdXMLItem *item);
    void InsertItem(int index, TvdXMLItem *item);
    // First child of that name ignoring case, or -1.
    int Find(const QString &name) const;
    // That child, added when missing.
    TvdXMLItem *FindItem(const QString &name);
    int IndexOf(const TvdXMLItem *item) const { return int(m_items.indexOf(const_cast<TvdXMLItem *>(item))); }
    TvdXMLItem *GetItems(int index) const { return m_items.at(index); }
    TvdXMLItem *Items(int index) const { return m_items.at(index); }
    int Count() const { return int(m_items.size()); }
    TvdXMLItem *Root();
    // Frees the children; an unloadable item then counts as not loaded.
    void Clear();
    virtual void SetData(const QString &name, const QString &text, const QString &value);

    // Attributes on the raw text, names ignoring case.
    QString GetProp(const QString &name) const;
    void SetProp(const QString &name, const QString &value);
    bool PropExists(const QString &name) const;
    void DeleteProp(const QString &name);
    int GetPropAsInteger(const QString &name) const;
    void SetPropAsInteger(const QString &name, int value);
    qint64 GetPropAsInt64(const QString &name) const;
    void SetPropAsInt64(const QString &name, qint64 value);
    double GetPropAsFloat(const QString &name) const;
    void SetPropAsFloat(const QString &name, double value);
    double GetPropAsDateTime(const QString &name) const;
    void SetPropAsDateTime(const QString &name, double value);
    bool GetPropAsBoolean(const QString &name) const;
    void SetPropAsBoolean(const QString &name, bool value);

    const QString &Name() const { return m_name; }
    void SetName(const QString &name) { m_name = name; }
    const QString &Text() const { return m_text; }
    void SetText(const QString &text) { m_text = text; }
    const QString &Value() const { return m_value; }
    void SetValue(const QString &value) { m_value = value; }
    TvdXMLItem *Parent() const { return m_parent; }
    void *Data() const { return m_data; }
    void SetDataPtr(void *data) { m_data = data; }
    bool Loaded() const { return m_loaded; }
    bool Unloadable() const { return m_unloadable; }
    void SetUnloadable(bool value) { m_unloadable = value; }
    bool Modified() const { return m_modified; }
    void SetModified(bool value) { m_modified = value; }
    qint64 Offset() const { return m_offset; }
    void SetOffset(qint64 value) { m_offset = value; }

protected:
    QString m_name;
    QString m_text;
    QString m_value;
    QList<TvdXMLItem *> m_items;
    TvdXMLItem *m_parent = nullptr;

private:
    friend class TvdXMLReader;
    friend class TvdXMLWriter;
    friend class TvdXMLDocument;
    // Index of the attribute's name in the raw text, or -1.
    qsizetype propIndex(const QString &name) const;
    void detachChildren(QList<TvdXMLItem *> &out);
    void freeChildren();

    void *m_data = nullptr;
    qint64 m_offset = 0;
    bool m_loaded = true;
    bool m_unloadable = false;
    bool m_modified = false;
    bool m_inOwnSwap = false; // Offset points into the document's own swap file
};

// ---------------------------------------------------------------------------
class TvdXMLReader {
public:
    enum PartialMode {
        NoPartial,    // markers removed, everything stays in memory
        UnloadMarked, // marked subtrees are dropped and read back on demand
        KeepMarked,   // marked subtrees stay loaded but remain unloadable
    };

    // Starts at the stream's current position.
    explicit TvdXMLReader(QIODevice &stream);
    // Leaves the stream just behind the last byte consumed.
    virtual ~TvdXMLReader();
    TvdXMLReader(const TvdXMLReader &) = delete;
    TvdXMLReader &operator=(const TvdXMLReader &) = delete;

    // Reads the "?xml" declaration; tells old-style headers.
    void ReadHeader();
    // One element with (or without) its subtree.
    void ReadRootItem(TvdXMLItem *item, bool readChildren = true);
    [[noreturn]] void RaiseException();

    qint64 Position() const { return m_bufPos + m_idx; }
    void SetPosition(qint64 pos);
    qint64 Size() const { return m_size; }
    bool OldFormat() const { return m_oldFormat; }
    void SetOldFormat(bool value) { m_oldFormat = value; }
    PartialMode PartialLoading() const { return m_partial; }
    void SetPartialLoading(PartialMode mode) { m_partial = mode; }

protected:
    // Buffered byte access for readers built on this one.
    bool ReadByte(uchar &c)
    {
        if (m_idx == m_len && !Fill())
            return false;
        c = uchar(m_buf[m_idx++]);
        return true;
    }
    bool Fill();
    bool AtEnd() { return m_idx == m_len && !Fill(); }
    bool EndOfStream() { return AtEnd(); }
    QIODevice &Stream() const { return *m_stream; }

private:
    struct Tag;
    bool readTag(Tag &tag);
    bool readTagSlow(Tag &tag);
    void skipComment();
    void parseTag(const char *s, const char *e, Tag &tag);
    QString decodeName(const char *s, qsizetype n);
    QString takeText();
    void finishItem(TvdXMLItem *item, bool marked, qint64 offset);

    QIODevice *m_stream;
    std::unique_ptr<char[]> m_buf;
    qint64 m_bufPos = 0;
    qsizetype m_len = 0;
    qsizetype m_idx = 0;
    qint64 m_size = 0;
    qint64 m_lastTagEnd = 0;
    bool m_oldFormat = false;
    PartialMode m_partial = NoPartial;
    QByteArray m_tagBuf;
    QByteArray m_textBuf;
    bool m_textHasContent = false;
    struct NameCacheEntry {
        QByteArray bytes;
        QString name;
    };
    std::unique_ptr<NameCacheEntry[]> m_nameCache;
};

// ---------------------------------------------------------------------------
class TvdXMLWriter {
public:
    explicit TvdXMLWriter(QIODevice &stream);
    ~TvdXMLWriter();
    TvdXMLWriter(const TvdXMLWriter &) = delete;
    TvdXMLWriter &operator=(const TvdXMLWriter &) = delete;

    bool AutoIndent() const { return m_autoIndent; }
    void SetAutoIndent(bool value) { m_autoIndent = value; }
    // Where unloaded subtrees are read back from while writing: the stream
    // the document was loaded from, and the document's own swap file.
    QIODevice *TempStream() const { return m_tempStream; }
    void SetTempStream(QIODevice *stream, bool oldFormat = false)
    {
        m_tempStream = stream;
        m_tempOldFormat = oldFormat;
    }
    void SetSwapStream(QIODevice *stream) { m_swapStream = stream; }

    void WriteHeader();
    // Writes the tree and flushes.
    void WriteRootItem(TvdXMLItem *root);

private:
    void line(); // ends a line (CR LF with AutoIndent) and flushes when full
    void flush();
    void reserve(qsizetype extra);
    void put(char c) { reserve(1); m_out[m_n++] = c; }
    void put(const char *s, qsizetype n);
    void putIndent(int depth);
    void putName(const QString &name);
    void putUtf8(const QString &s);
    void putEscaped(const QString &s);
    bool loadBack(TvdXMLItem *item);

    QIODevice *m_stream;
    QIODevice *m_tempStream = nullptr;
    QIODevice *m_swapStream = nullptr;
    bool m_tempOldFormat = false;
    bool m_autoIndent = false;
    std::unique_ptr<char[]> m_out;
    qsizetype m_cap = 0;
    qsizetype m_n = 0;
};

// ---------------------------------------------------------------------------
class TvdXMLDocument {
public:
    TvdXMLDocument();
    virtual ~TvdXMLDocument();
    TvdXMLDocument(const TvdXMLDocument &) = delete;
    TvdXMLDocument &operator=(const TvdXMLDocument &) = delete;

    TvdXMLItem *Root() const { return m_root; }
    bool AutoIndent() const { return m_autoIndent; }
    void SetAutoIndent(bool value) { m_autoIndent = value; }
    const QString &TempDir() const { return m_tempDir; }
    void SetTempDir(const QString &dir) { m_tempDir = dir; }
    bool OldVersion() const { return m_oldVersion; }

    // Frees the root's children (the root keeps name and text) and the swap.
    void Clear();
    // With partial loading the document reads unloaded subtrees back from
    // Stream later: the caller keeps it open while the document uses it.
    void LoadFromStream(QIODevice &stream, bool allowPartialLoading = false);
    void SaveToStream(QIODevice &stream);
    // Partial loading; the document keeps the file open.
    void LoadFromFile(const QString &fileName);
    // Atomic: a temporary file replaces the old one only when complete.
    void SaveToFile(const QString &fileName);
    void LoadItem(TvdXMLItem *item);
    void UnloadItem(TvdXMLItem *item);

protected:
    void ReleaseSwap();
    // Replaces the root item (subclasses with their own item class).
    void SetRootItem(TvdXMLItem *root);
    // Takes ownership of an open stream as the swap stream (closed on release).
    void AdoptSwapStream(QIODevice *stream);

    TvdXMLItem *m_root = nullptr;
    bool m_oldVersion = false;

private:
    void loadFrom(QIODevice *stream, bool partial, bool owned);

    bool m_autoIndent = false;
    QString m_tempDir;
    // The stream a partial load reads from (owned when m_ownsSource).
    QIODevice *m_source = nullptr;
    bool m_ownsSource = false;
    // The document's own swap file, deleted on release.
    std::unique_ptr<QFile> m_swapFile;
};

// ---------------------------------------------------------------------------
// Streaming reader of general XML: single-quoted attributes, CDATA, DOCTYPE,
// text nodes. Subclasses decide how one item is read.
class TvdValuedXMLReader : public TvdXMLReader {
public:
    explicit TvdValuedXMLReader(QIODevice &stream) : TvdXMLReader(stream) {}

    // Reads tags until one names an element; false at an end tag or the end.
    bool IsReadValuedXMLRootItem(TvdXMLItem *item);
    // That element with its children.
    bool IsReadValuedXMLItem(TvdXMLItem *item);

protected:
    // One tag: its name, attribute text and the text before it.
    virtual void ReadItem(QString &name, QString &value, QString &text);
    // A "<" inside a tag.
    virtual void SkipNestedTag() = 0;
    virtual TvdXMLItem *CreateItem() { return new TvdXMLItem(); }

private:
    bool readOne(TvdXMLItem *item, bool &isEnd, QString &endValue);
};

class TvdValuedXMLDocument : public TvdXMLDocument {
public:
    ~TvdValuedXMLDocument() override;

    void InitValuedXMLFile(const QString &fileName);
    // Reads the next element with its children; false at the end or an end tag.
    bool IsReadItem(TvdXMLItem *item);
    void DoneValuedXMLFile();

protected:
    // Called before the first item (reads or skips a header).
    virtual void PrepareValuedXML() = 0;
    virtual TvdValuedXMLReader *CreateReader() = 0;
    // Runs the reader over a stream (an in-memory text, say); an owned stream
    // is freed by EndValuedXML.
    void BeginValuedXML(QIODevice *stream, bool owned = false);
    void EndValuedXML();

    QIODevice *m_valuedXMLStream = nullptr;
    TvdValuedXMLReader *m_valuedXMLReader = nullptr;

private:
    bool m_ownsValuedStream = false;
};
