#include "svg/vdSVGXML.h"

#include <QBuffer>

namespace {

bool isXmlBlank(uchar c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool isBlankText(const QByteArray &b)
{
    for (char c : b)
        if (uchar(c) > 32)
            return false;
    return true;
}

} // namespace

QString UnescapeText(const QString &s)
{
    if (!s.contains(u'&'))
        return s;
    QString out;
    out.reserve(s.size());
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s.at(i);
        if (c != u'&') {
            out += c;
            ++i;
            continue;
        }
        const qsizetype semi = s.indexOf(u';', i + 1);
        if (semi < 0 || semi - i > 12) {
            out += c;
            ++i;
            continue;
        }
        const QStringView ref = QStringView(s).mid(i + 1, semi - i - 1);
        char32_t code = 0;
        if (ref.compare(u"lt", Qt::CaseInsensitive) == 0)
            code = '<';
        else if (ref.compare(u"gt", Qt::CaseInsensitive) == 0)
            code = '>';
        else if (ref.compare(u"amp", Qt::CaseInsensitive) == 0)
            code = '&';
        else if (ref.compare(u"quot", Qt::CaseInsensitive) == 0)
            code = '"';
        else if (ref.compare(u"apos", Qt::CaseInsensitive) == 0)
            code = '\'';
        else if (ref.size() > 1 && ref.at(0) == u'#') {
            bool ok = false;
            uint v = 0;
            if (ref.at(1) == u'x' || ref.at(1) == u'X')
                v = ref.mid(2).toUInt(&ok, 16);
            else
                v = ref.mid(1).toUInt(&ok, 10);
            if (ok && v > 0 && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF))
                code = char32_t(v);
        }
        if (code == 0) {
            out += c;
            ++i;
            continue;
        }
        out += QString::fromUcs4(&code, 1);
        i = semi + 1;
    }
    return out;
}

// ---------------------------------------------------------------------------

TvdxSVGAttributeNodes::TvdxSVGAttributeNodes(const QString &text)
{
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype eq = text.indexOf(QLatin1String("=\""), start);
        if (eq < 0)
            break;
        const qsizetype close = text.indexOf(u'"', eq + 2);
        if (close < 0)
            break;
        // The name is the last word before "=": a malformed pair before it
        // ("a = \"1\"") does not swallow the next attribute.
        QString name = text.mid(start, eq - start).trimmed();
        qsizetype blank = name.size();
        while (blank > 0 && name.at(blank - 1).unicode() > 32)
            --blank;
        m_names << name.mid(blank);
        m_values << UnescapeText(text.mid(eq + 2, close - eq - 2).trimmed());
        start = close + 1;
    }
    m_nodes.resize(size_t(m_names.size()));
}

TvdxSVGAttributeNodes::~TvdxSVGAttributeNodes() = default;

int TvdxSVGAttributeNodes::IndexOfName(const QString &name) const
{
    for (qsizetype i = 0; i < m_names.size(); ++i)
        if (m_names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QString TvdxSVGAttributeNodes::GetValueByName(const QString &name) const
{
    const int i = IndexOfName(name);
    return i < 0 ? QString() : m_values.at(i);
}

TvdxSVGXMLItem *TvdxSVGAttributeNodes::FindNode(const QString &name)
{
    const int i = IndexOfName(name);
    if (i < 0)
        return nullptr;
    auto &node = m_nodes[size_t(i)];
    if (!node) {
        node = std::make_unique<TvdxSVGXMLItem>();
        node->SetValue(m_values.at(i));
    }
    return node.get();
}

TvdxSVGXMLItem *TvdxSVGIXMLChildNodes::GetItems(int index) const
{
    if (!m_item || index < 0 || index >= m_item->Count())
        return nullptr;
    return static_cast<TvdxSVGXMLItem *>(m_item->GetItems(index));
}

// ---------------------------------------------------------------------------

TvdxSVGXMLItem::~TvdxSVGXMLItem() = default;

QString TvdxSVGXMLItem::HRef() const
{
    const QString h = GetAttributes(QStringLiteral("href"));
    return h.isEmpty() ? GetAttributes(QStringLiteral("xlink:href")) : h;
}

QString TvdxSVGXMLItem::GetAttributes(const QString &name) const
{
    return m_attributeNodes ? m_attributeNodes->GetValueByName(name) : QString();
}

bool TvdxSVGXMLItem::HasAttribute(const QString &name) const
{
    return m_attributeNodes && m_attributeNodes->IsHasAttribute(name);
}

void TvdxSVGXMLItem::AddItem(TvdXMLItem *item)
{
    if (item->Name() == QLatin1String("#text")) {
        item->SetText(UnescapeText(item->Value()));
        m_text = item->Text();
    } else if (item->Name() == QLatin1String("![CDATA[")) {
        // Character data is literal: no entity is decoded inside it.
        m_text = item->Text();
    }
    TvdXMLItem::AddItem(item);
}

void TvdxSVGXMLItem::SetData(const QString &name, const QString &text, const QString &value)
{
    TvdXMLItem::SetData(name, text, value);
    m_attributeNodes = std::make_unique<TvdxSVGAttributeNodes>(text);
}

// ---------------------------------------------------------------------------

void TvdxSVGXMLReader::ReadItem(QString &name, QString &value, QString &text)
{
    name.clear();
    value.clear();
    text.clear();
    uchar c;
    QByteArray pre;
    if (m_lastText) {
        // The "<" that ended the text node is already consumed.
        m_lastText = false;
    } else {
        for (;;) {
            if (!ReadByte(c))
                return;
            if (c == '<')
                break;
            pre.append(char(c));
        }
        if (!isBlankText(pre)) {
            name = QStringLiteral("#text");
            value = QString::fromUtf8(pre);
            m_lastText = true;
            return;
        }
    }
    enum { Plain, Comment, CData } mode = Plain;
    QByteArray tag;
    tag.reserve(512);
    bool closed = false;
    while (ReadByte(c)) {
        if (c == '<' && mode == Plain) {
            SkipNestedTag();
            continue;
        }
        if (c == '>'
            && (mode == Plain || (mode == Comment && tag.endsWith("--")) || (mode == CData && tag.endsWith("]]")))) {
            closed = true;
            break;
        }
        tag.append(char(c));
        if (mode == Plain) {
            if (tag.size() == 3 && tag == "!--") {
                mode = Comment;
                tag.append(' '); // the name stays apart from the content
            } else if (tag.size() == 8 && tag == "![CDATA[") {
                mode = CData;
            }
        }
    }
    value = QString::fromUtf8(pre);
    if (!closed) {
        name = QString::fromUtf8(tag);
        return;
    }
    if (mode == CData) {
        name = QStringLiteral("![CDATA[");
        text = QString::fromUtf8(tag.constData() + 8, tag.size() - 10);
        return;
    }
    qsizetype sep = 0;
    while (sep < tag.size() && !isXmlBlank(uchar(tag.at(sep))))
        ++sep;
    QByteArray tagName = tag.left(sep);
    QByteArray rest = sep < tag.size() ? tag.mid(sep + 1) : QByteArray();
    // "<g/>": the name without the slash, the slash marks the empty element.
    if (sep == tag.size() && tagName.size() > 1 && tagName.endsWith('/') && !tagName.startsWith('/')) {
        tagName.chop(1);
        rest = "/";
    }
    name = QString::fromUtf8(tagName);
    text = QString::fromUtf8(rest);
}

void TvdxSVGXMLReader::SkipNestedTag()
{
    int depth = 1;
    uchar c;
    while (ReadByte(c)) {
        if (c == '<')
            ++depth;
        else if (c == '>') {
            if (depth == 1)
                return;
            --depth;
        }
    }
    RaiseException();
}

// ---------------------------------------------------------------------------

TvdxSVGXMLDocument::TvdxSVGXMLDocument() { SetRootItem(new TvdxSVGXMLItem()); }

TvdxSVGXMLDocument::~TvdxSVGXMLDocument() = default;

TvdValuedXMLReader *TvdxSVGXMLDocument::CreateReader() { return new TvdxSVGXMLReader(*m_valuedXMLStream); }

void TvdxSVGXMLDocument::LoadFromXML(const QString &xml)
{
    auto *buffer = new QBuffer();
    buffer->setData(xml.toUtf8());
    buffer->open(QIODevice::ReadOnly);
    BeginValuedXML(buffer, true);
    try {
        IsReadItem(m_root);
    } catch (...) {
        EndValuedXML();
        throw;
    }
    EndValuedXML();
}
