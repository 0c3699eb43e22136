#include "script/ov_xml.h"
#include "platform/AtomicFile.h"

#include <QBuffer>
#include <QFile>
#include <QStringDecoder>
#include <vector>

namespace {

const char *kInvalidFormat = "Invalid file format";

// Deeper documents than this are refused instead of exhausting the stack of
// the recursive writer and destructor.
constexpr int kMaxDepth = 4096;

[[noreturn]] void invalidFormat()
{
    throw EovXMLError(QString::fromLatin1(kInvalidFormat));
}

} // namespace

// ---------------------------------------------------------------- escaping

QString ovStrToXML(const QString &s)
{
    bool plain = true;
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (u == '\r' || u == '\n' || u == '"' || u == '<' || u == '>' || u == '&') {
            plain = false;
            break;
        }
    }
    if (plain)
        return s;
    QString r;
    r.reserve(s.size() + 8);
    for (QChar c : s) {
        switch (c.unicode()) {
        case '\r': r += QLatin1String("&#13;"); break;
        case '\n': r += QLatin1String("&#10;"); break;
        case '"': r += QLatin1String("&#34;"); break;
        case '<': r += QLatin1String("&#60;"); break;
        case '>': r += QLatin1String("&#62;"); break;
        // Written as a reference so that a literal "&#..." or "&quot;" in a
        // value survives a round trip.
        case '&': r += QLatin1String("&#38;"); break;
        default: r += c;
        }
    }
    return r;
}

QString ovXMLToStr(const QString &s)
{
    if (!s.contains(QLatin1Char('&')))
        return s;
    QString r;
    r.reserve(s.size());
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s.at(i);
        if (c != QLatin1Char('&')) {
            r += c;
            ++i;
            continue;
        }
        if (s.mid(i, 6) == QLatin1String("&quot;")) {
            r += QLatin1Char('"');
            i += 6;
            continue;
        }
        if (i + 1 < n && s.at(i + 1) == QLatin1Char('#')) {
            const qsizetype semi = s.indexOf(QLatin1Char(';'), i + 2);
            if (semi < 0) {
                // No terminator up to the end of the value: keep the rest as written.
                r += s.mid(i);
                break;
            }
            const QString digits = s.mid(i + 2, semi - i - 2);
            bool ok = !digits.isEmpty();
            uint code = 0;
            for (QChar d : digits) {
                if (d < QLatin1Char('0') || d > QLatin1Char('9') || code > 0x10FFFF) {
                    ok = false;
                    break;
                }
                code = code * 10 + uint(d.unicode() - '0');
            }
            if (!ok || code > 0x10FFFF)
                throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(digits));
            if (code > 0xFFFF) {
                r += QChar(QChar::highSurrogate(code));
                r += QChar(QChar::lowSurrogate(code));
            } else {
                r += QChar(char16_t(code));
            }
            i = semi + 1;
            continue;
        }
        r += c;
        ++i;
    }
    return r;
}

// ---------------------------------------------------------------- item

TovXMLItem::~TovXMLItem()
{
    Clear();
    delete m_items;
    detach();
}

void TovXMLItem::detach()
{
    if (m_parent && m_parent->m_items)
        m_parent->m_items->removeOne(this);
    m_parent = nullptr;
}

void TovXMLItem::SetParent(TovXMLItem *parent)
{
    detach();
    m_parent = parent;
}

TovXMLItem *TovXMLItem::Add()
{
    auto *item = new TovXMLItem;
    AddItem(item);
    return item;
}

void TovXMLItem::AddItem(TovXMLItem *item)
{
    InsertItem(Count(), item);
}

void TovXMLItem::InsertItem(int index, TovXMLItem *item)
{
    if (!item)
        return;
    item->detach();
    if (!m_items)
        m_items = new QList<TovXMLItem *>;
    index = qBound(0, index, int(m_items->size()));
    m_items->insert(index, item);
    item->m_parent = this;
}

void TovXMLItem::Clear()
{
    if (!m_items)
        return;
    QList<TovXMLItem *> items;
    items.swap(*m_items);
    for (TovXMLItem *i : items) {
        i->m_parent = nullptr;
        delete i;
    }
}

int TovXMLItem::IndexOf(const TovXMLItem *item) const
{
    return m_items ? int(m_items->indexOf(const_cast<TovXMLItem *>(item))) : -1;
}

int TovXMLItem::Find(const QString &name) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_items->at(i)->m_name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

TovXMLItem *TovXMLItem::FindItem(const QString &name)
{
    const int i = Find(name);
    if (i >= 0)
        return m_items->at(i);
    TovXMLItem *item = Add();
    item->m_name = name;
    return item;
}

TovXMLItem *TovXMLItem::Root()
{
    TovXMLItem *r = this;
    while (r->m_parent)
        r = r->m_parent;
    return r;
}

int TovXMLItem::valueStart(const QString &name) const
{
    if (name.isEmpty() || m_text.isEmpty())
        return -1;
    const QString key = name + QLatin1String("=\"");
    qsizetype from = 0;
    for (;;) {
        const qsizetype i = m_text.indexOf(key, from, Qt::CaseInsensitive);
        if (i < 0)
            return -1;
        // The name must start the text or follow a blank.
        if (i == 0 || m_text.at(i - 1) == QLatin1Char(' '))
            return int(i + key.size());
        from = i + 1;
    }
}

QString TovXMLItem::Prop(const QString &name) const
{
    const int s = valueStart(name);
    if (s < 0)
        return QString();
    qsizetype e = m_text.indexOf(QLatin1Char('"'), s);
    if (e < 0)
        e = m_text.size();
    return ovXMLToStr(m_text.mid(s, e - s));
}

bool TovXMLItem::PropExists(const QString &name) const
{
    return valueStart(name) >= 0;
}

void TovXMLItem::SetProp(const QString &name, const QString &value)
{
    const QString v = ovStrToXML(value);
    const int s = valueStart(name);
    if (s >= 0) {
        qsizetype e = m_text.indexOf(QLatin1Char('"'), s);
        if (e < 0) {
            m_text.truncate(s);
            m_text += v + QLatin1Char('"');
        } else {
            m_text.replace(s, e - s, v);
        }
        return;
    }
    if (!m_text.isEmpty() && !m_text.endsWith(QLatin1Char(' ')))
        m_text += QLatin1Char(' ');
    m_text += name + QLatin1String("=\"") + v + QLatin1Char('"');
}

void TovXMLItem::Assign(const TovXMLItem *item)
{
    Clear();
    if (!item)
        return;
    m_name = item->m_name;
    m_text = item->m_text;
    m_data = item->m_data;
    for (int i = 0; i < item->Count(); ++i)
        Add()->Assign(item->Items(i));
}

// ---------------------------------------------------------------- document

TovXMLDocument::TovXMLDocument() : m_root(new TovXMLItem) {}

TovXMLDocument::~TovXMLDocument()
{
    delete m_root;
}

void TovXMLDocument::Clear()
{
    m_root->Clear();
}

void TovXMLDocument::LoadFromStream(QIODevice &stream)
{
    m_root->Clear();
    m_root->SetName(QString());
    m_root->SetText(QString());
    TovXMLReader reader(stream);
    reader.ReadHeader();
    reader.ReadRootItem(m_root);
}

void TovXMLDocument::SaveToStream(QIODevice &stream) const
{
    TovXMLWriter writer(stream);
    writer.AutoIndent = m_autoIndent;
    writer.WriteHeader();
    writer.WriteRootItem(m_root);
    writer.Flush();
}

void TovXMLDocument::LoadFromFile(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
    LoadFromStream(f);
}

void TovXMLDocument::SaveToFile(const QString &fileName) const
{
    vdRaiseSaveError<Exception, Exception>(fileName, vdAtomicSave(fileName, [this](QIODevice &f) { SaveToStream(f); }));
}

void TovXMLDocument::LoadFromBytes(const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer b(&copy);
    b.open(QIODevice::ReadOnly);
    LoadFromStream(b);
}

QByteArray TovXMLDocument::SaveToBytes() const
{
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    SaveToStream(b);
    b.close();
    return out;
}

// ---------------------------------------------------------------- reader

TovXMLReader::TovXMLReader(QIODevice &stream) : m_stream(stream)
{
    m_start = stream.pos();
    m_data = stream.readAll();
}

TovXMLReader::~TovXMLReader()
{
    // Hand back what was read ahead.
    if (!m_stream.isSequential())
        m_stream.seek(m_start + m_pos);
}

bool TovXMLReader::readTag(QString &name, QString &text)
{
    const char *d = m_data.constData();
    const qsizetype n = m_data.size();
    for (;;) {
        while (m_pos < n && d[m_pos] != '<')
            ++m_pos;
        if (m_pos >= n) {
            name.clear();
            text.clear();
            return false;
        }
        ++m_pos;
        if (n - m_pos >= 3 && d[m_pos] == '!' && d[m_pos + 1] == '-' && d[m_pos + 2] == '-') {
            const qsizetype e = m_data.indexOf("-->", m_pos + 3);
            if (e < 0)
                invalidFormat();
            m_pos = e + 3;
            continue;
        }
        const qsizetype start = m_pos;
        while (m_pos < n && d[m_pos] != '>') {
            if (d[m_pos] == '<')
                invalidFormat();
            ++m_pos;
        }
        if (m_pos >= n)
            invalidFormat();
        qsizetype end = m_pos;
        ++m_pos;
        while (end > start && static_cast<unsigned char>(d[end - 1]) <= ' ')
            --end;
        qsizetype blank = start;
        while (blank < end && static_cast<unsigned char>(d[blank]) > ' ')
            ++blank;
        name = QString::fromLatin1(d + start, blank - start);
        qsizetype ts = blank;
        while (ts < end && static_cast<unsigned char>(d[ts]) <= ' ')
            ++ts;
        if (ts < end) {
            QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            text = dec.decode(QByteArrayView(d + ts, end - ts));
            if (dec.hasError())
                invalidFormat();
        } else {
            text.clear();
        }
        return true;
    }
}

void TovXMLReader::ReadHeader()
{
    QString name, text;
    if (!readTag(name, text) || !name.startsWith(QLatin1String("?xml")))
        invalidFormat();
}

namespace {
// Strips the "/" of an element without children; true when it had one.
bool takeEmptyMark(QString &name, QString &text)
{
    if (name.endsWith(QLatin1Char('/'))) {
        name.chop(1);
        return true;
    }
    if (text.endsWith(QLatin1Char('/'))) {
        text.chop(1);
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        return true;
    }
    return false;
}
} // namespace

void TovXMLReader::ReadRootItem(TovXMLItem *item)
{
    QString name, text;
    if (!readTag(name, text))
        return;
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')))
        invalidFormat();
    const bool empty = takeEmptyMark(name, text);
    item->SetName(name);
    item->SetText(text);
    if (empty)
        return;
    std::vector<TovXMLItem *> stack{item};
    while (!stack.empty()) {
        if (!readTag(name, text))
            return; // missing closing tags at the end are accepted
        TovXMLItem *top = stack.back();
        if (name.isEmpty() || name.startsWith(QLatin1Char('/'))) {
            if (name.size() < 2 || QStringView(name).mid(1).compare(top->Name(), Qt::CaseInsensitive) != 0)
                invalidFormat();
            stack.pop_back();
            continue;
        }
        const bool leaf = takeEmptyMark(name, text);
        TovXMLItem *child = top->Add();
        child->SetName(name);
        child->SetText(text);
        if (!leaf) {
            if (int(stack.size()) >= kMaxDepth)
                invalidFormat();
            stack.push_back(child);
        }
    }
}

// ---------------------------------------------------------------- writer

TovXMLWriter::TovXMLWriter(QIODevice &stream) : m_stream(stream) {}

TovXMLWriter::~TovXMLWriter()
{
    // Normal saves flush explicitly and see the error; here it cannot be raised.
    try {
        Flush();
    } catch (const Exception &) {
    }
}

void TovXMLWriter::Flush()
{
    if (!m_buffer.isEmpty()) {
        const qint64 w = m_stream.write(m_buffer);
        const qint64 n = m_buffer.size();
        m_buffer.clear();
        if (w != n)
            throw Exception(QStringLiteral("Stream write error"));
    }
}

void TovXMLWriter::writeLine(const QByteArray &s, int level)
{
    if (AutoIndent)
        m_buffer.append(QByteArray(level * 2, ' '));
    m_buffer.append(s);
    if (AutoIndent)
        m_buffer.append("\r\n");
    if (m_buffer.size() > 4096)
        Flush();
}

void TovXMLWriter::WriteHeader()
{
    writeLine("<?xml version=\"1.0\"?>", 0);
}

void TovXMLWriter::WriteRootItem(const TovXMLItem *item)
{
    writeItem(item, 0);
}

void TovXMLWriter::writeItem(const TovXMLItem *item, int level)
{
    QByteArray tag = "<" + item->Name().toLatin1();
    if (!item->Text().isEmpty()) {
        if (!item->Text().startsWith(QLatin1Char(' ')))
            tag += ' ';
        tag += item->Text().toUtf8();
    }
    if (item->Count() == 0) {
        tag += "/>";
        writeLine(tag, level);
        return;
    }
    tag += '>';
    writeLine(tag, level);
    for (int i = 0; i < item->Count(); ++i)
        writeItem(item->Items(i), level + 1);
    writeLine("</" + item->Name().toLatin1() + ">", level);
}
