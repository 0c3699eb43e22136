#include "core/vdxXMLSerializer.h"
#include "core/vdFiler.h"
#include "core/vdFormatSettings.h"
#include "core/vdUtils.h"
#include "core/vdVariant.h"
#include "core/vdXML.h"
#include "core/vdxRes.h"
#include "platform/CodePage.h"

#include <QHash>
#include <QIODevice>
#include <QMutex>
#include <QSet>
#include <charconv>
#include <cstdlib>
#include <cmath>
#include <limits>
#include <typeinfo>
#include <memory>
#include <zlib.h>

namespace {

// Element nesting and sub-object nesting beyond these are not real templates.
constexpr int kMaxTreeDepth = 256;
constexpr int kMaxObjectDepth = 16;

// The cast across the class tree walks the type information each time; the
// place of the hooks inside an object depends only on its dynamic type, so
// it is found once per type.
IvdxSerializerHooks *hooksOf(QObject *obj)
{
    if (!obj)
        return nullptr;
    static constexpr qptrdiff kNone = std::numeric_limits<qptrdiff>::min();
    static QMutex mutex;
    static QHash<const std::type_info *, qptrdiff> offsets;
    // Objects come in runs of one type: the last type is kept per thread.
    thread_local const std::type_info *lastType = nullptr;
    thread_local qptrdiff lastOffset = kNone;
    const std::type_info *type = &typeid(*obj);
    const auto at = [obj](qptrdiff offset) {
        return offset == kNone ? nullptr
                               : reinterpret_cast<IvdxSerializerHooks *>(reinterpret_cast<char *>(obj) + offset);
    };
    if (type == lastType)
        return at(lastOffset);
    {
        QMutexLocker lock(&mutex);
        const auto it = offsets.constFind(type);
        if (it != offsets.cend()) {
            lastType = type;
            lastOffset = *it;
            return at(*it);
        }
    }
    auto *hooks = dynamic_cast<IvdxSerializerHooks *>(obj);
    const qptrdiff offset = hooks ? reinterpret_cast<char *>(hooks) - reinterpret_cast<char *>(obj) : kNone;
    QMutexLocker lock(&mutex);
    offsets.insert(type, offset);
    lastType = type;
    lastOffset = offset;
    return hooks;
}

// Plain decimal numbers ("-12.5", "3,78") are read here directly; anything
// else goes the general way with its checks and messages.
double readFloat(QStringView value)
{
    const qsizetype n = value.size();
    if (n > 0 && n <= 64) {
        char buf[64];
        int digits = 0;
        bool sep = false;
        bool plain = true;
        for (qsizetype i = 0; i < n && plain; ++i) {
            const char16_t c = value.at(i).unicode();
            if (c >= u'0' && c <= u'9') {
                buf[i] = char(c);
                ++digits;
            } else if ((c == u'.' || c == u',') && !sep) {
                buf[i] = '.';
                sep = true;
            } else if (c == u'-' && i == 0) {
                buf[i] = '-';
            } else {
                plain = false;
            }
        }
        double v = 0;
        if (plain && digits > 0 && std::from_chars(buf, buf + n, v).ec == std::errc())
            return v;
    }
    return StrToFloatLoose(value.toString());
}

// The attribute text unescaped, in storage of its own: attribute values are
// borrowed from the element text while it is read.
QString ownedText(const QString &value)
{
    if (!value.contains(QLatin1Char('&')))
        return QString(value.constData(), value.size());
    return UnescapeXMLAttr(value);
}

QString cantFindClass(const QString &name)
{
    QString text = GetResStrByName(QStringLiteral("xrCantFindClass"));
    if (text.isEmpty() || text == QLatin1String("xrCantFindClass"))
        text = QStringLiteral("Cannot find class");
    return text + QLatin1Char(' ') + name;
}

QString stripFinalCrLf(const QString &s)
{
    return s.endsWith(QLatin1String("\r\n")) ? s.chopped(2) : s;
}

// The text that a text list shows: every line followed by CR LF.
QString listText(const QStringList &list)
{
    QString s;
    for (const QString &line : list) {
        s += line;
        s += QLatin1String("\r\n");
    }
    return s;
}

QStringList textToList(const QString &text)
{
    QStringList list;
    qsizetype start = 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            list.append(text.mid(start, i - start));
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n)
        list.append(text.mid(start));
    return list;
}

// FloatToStr's text (15 significant digits, general form) built in one go;
// the exponent form and the special values are left to FloatToStr itself.
QString floatText(double v)
{
    constexpr int kPrecision = 15;
    const FormatSettings &fs = XMLFormatSettings();
    if (!std::isfinite(v) || v == 0)
        return FloatToStr(v, fs);
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(v), std::chars_format::scientific,
                                   kPrecision - 1);
    if (res.ec != std::errc())
        return FloatToStr(v, fs);
    *res.ptr = '\0';
    char digits[kPrecision + 1];
    int nd = 0;
    const char *p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p != '.' && nd < kPrecision)
            digits[nd++] = *p;
    const int exp10 = *p ? std::atoi(p + 1) : 0;
    while (nd > 1 && digits[nd - 1] == '0')
        --nd;
    const int e = exp10 + 1; // v = 0.digits * 10^e
    if (e > kPrecision || e < -3)
        return FloatToStr(v, fs);
    char16_t out[48];
    int n = 0;
    if (v < 0)
        out[n++] = u'-';
    if (e <= 0) {
        out[n++] = u'0';
        out[n++] = fs.DecimalSeparator.unicode();
        for (int i = 0; i < -e; ++i)
            out[n++] = u'0';
        for (int i = 0; i < nd; ++i)
            out[n++] = char16_t(digits[i]);
    } else if (nd <= e) {
        for (int i = 0; i < nd; ++i)
            out[n++] = char16_t(digits[i]);
        for (int i = nd; i < e; ++i)
            out[n++] = u'0';
    } else {
        for (int i = 0; i < e; ++i)
            out[n++] = char16_t(digits[i]);
        out[n++] = fs.DecimalSeparator.unicode();
        for (int i = e; i < nd; ++i)
            out[n++] = char16_t(digits[i]);
    }
    return QString(reinterpret_cast<const QChar *>(out), n);
}

const Variant *variantIn(const QVariant &qv)
{
    if (!qv.isValid() || qstrcmp(qv.metaType().name(), "Variant") != 0)
        return nullptr;
    return static_cast<const Variant *>(qv.constData());
}

// Float and text properties of the plain types are reached directly.
double readDoubleProp(const QObject *obj, const TvdPropInfo &info)
{
    double v = 0;
    if (info.prop.metaType().id() == QMetaType::Double && vdReadPropDirect(obj, info.prop, &v))
        return v;
    return info.prop.read(obj).toDouble();
}

QString readStringProp(const QObject *obj, const TvdPropInfo &info)
{
    QString v;
    if (info.prop.metaType().id() == QMetaType::QString && vdReadPropDirect(obj, info.prop, &v))
        return v;
    return info.prop.read(obj).toString();
}

void writeDoubleProp(QObject *obj, const TvdPropInfo &info, double v)
{
    if (info.prop.metaType().id() == QMetaType::Double && vdWritePropDirect(obj, info.prop, &v))
        return;
    info.prop.write(obj, v);
}

void writeStringProp(QObject *obj, const TvdPropInfo &info, QString v)
{
    if (info.prop.metaType().id() == QMetaType::QString && vdWritePropDirect(obj, info.prop, &v))
        return;
    info.prop.write(obj, v);
}

QString variantText(const Variant &v)
{
    QString t = VariantToXMLStr(v);
    if (t.isEmpty()) {
        // Integer kinds the attribute form has no text for would be lost.
        switch (v.varType()) {
        case varShortInt:
        case varWord:
        case varLongWord:
        case varInt64:
            t = VarToStr(v);
            break;
        default:
            break;
        }
    }
    return t;
}

bool variantsEqual(const Variant &a, const Variant &b)
{
    if (a.varType() != b.varType())
        return false;
    try {
        return Variant::equals(a, b);
    } catch (...) {
        return false;
    }
}

QString enumText(const TvdPropInfo &info, qint64 v)
{
    if (info.kind == TvdPropKind::Boolean)
        return v ? QStringLiteral("True") : QStringLiteral("False");
    const char *key = vdPropEnum(info).valueToKey(int(v));
    return key ? QString::fromLatin1(key) : QString::number(v);
}

QByteArray hexToBytes(const QString &hex)
{
    QByteArray out;
    out.reserve(hex.size() / 2);
    auto nib = [](QChar c) -> int {
        const char16_t u = c.unicode();
        if (u >= '0' && u <= '9')
            return u - '0';
        if (u >= 'A' && u <= 'F')
            return u - 'A' + 10;
        if (u >= 'a' && u <= 'f')
            return u - 'a' + 10;
        return -1;
    };
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2) {
        const int hi = nib(hex.at(i)), lo = nib(hex.at(i + 1));
        if (hi < 0 || lo < 0)
            break;
        out.append(char(hi * 16 + lo));
    }
    return out;
}

quint32 crc32Of(const QByteArray &b)
{
    return quint32(crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef *>(b.constData()), uInt(b.size())));
}

qint64 parseInteger(const QString &value)
{
    qint64 n = 0;
    if (!TryStrToInt64(value, n))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(value));
    return n;
}

// Marks objects as being written for the lifetime of the guard.
class WritingMark {
public:
    explicit WritingMark(QObject *obj) : m_hooks(obj ? hooksOf(obj) : nullptr)
    {
        if (m_hooks)
            m_hooks->vdxSetWriting(true);
    }
    ~WritingMark()
    {
        if (m_hooks)
            m_hooks->vdxSetWriting(false);
    }
    WritingMark(const WritingMark &) = delete;
    WritingMark &operator=(const WritingMark &) = delete;

private:
    IvdxSerializerHooks *m_hooks;
};

class ObjWriter {
public:
    ObjWriter(TvdxXMLSerializer &s, TvdComponent *owner) : m_s(s), m_owner(owner) {}
    QString write(TvdPersistent *obj, const QString &add, TvdPersistent *ancestor, int depth);

private:
    void append(QString &out, const QString &add, const char *name, const QString &value)
    {
        out += QLatin1Char(' ');
        out += add;
        out += QLatin1String(name);
        out += QLatin1String("=\"");
        out += value;
        out += QLatin1Char('"');
    }
    TvdxXMLSerializer &m_s;
    TvdComponent *m_owner;
};

QString ObjWriter::write(TvdPersistent *obj, const QString &add, TvdPersistent *ancestor, int depth)
{
    QString out;
    if (!obj || depth > kMaxObjectDepth)
        return out;
    if (!ancestor && depth == 0 && m_s.OnGetAncestor)
        if (auto *comp = qobject_cast<TvdComponent *>(obj))
            m_s.OnGetAncestor(comp->Name(), ancestor);
    WritingMark objMark(obj);
    WritingMark ancMark(ancestor);
    if (m_s.SaveAncestorOnly && ancestor) {
        obj = ancestor;
        ancestor = nullptr;
    }
    const bool all = m_s.SerializeDefaultValues;
    const QMetaObject *meta = obj->metaObject();
    // An ancestor of the same class (the usual case) has the same property
    // list: no look-up by name per property.
    const bool sameClass = ancestor && ancestor->metaObject() == meta;
    if (depth == 0)
        out.reserve(256); // a component's attributes without regrowing; nested objects mostly write nothing

    for (const TvdPropInfo &info : vdPublishedProperties(meta)) {
        if (!info.prop.isReadable() || !vdIsStored(obj, info))
            continue;
        const TvdPropInfo *ainfo = !ancestor ? nullptr
                                   : sameClass ? &info
                                               : vdFindProperty(ancestor->metaObject(), QLatin1String(info.name()));
        if (ainfo && ainfo->kind != info.kind)
            ainfo = nullptr;
        const bool hasAnc = ainfo != nullptr;
        bool doWrite = all;
        QString text;

        switch (info.kind) {
        case TvdPropKind::Integer:
        case TvdPropKind::Int64:
        case TvdPropKind::Char:
        case TvdPropKind::Set:
        case TvdPropKind::Enumeration:
        case TvdPropKind::Boolean: {
            const qint64 v = vdGetOrdProp(obj, info);
            if (hasAnc) {
                doWrite = doWrite || v != vdGetOrdProp(ancestor, *ainfo);
            } else {
                const std::optional<qint64> &def = info.declaredDefault;
                doWrite = doWrite || !def || v != *def;
            }
            if (doWrite)
                text = (info.kind == TvdPropKind::Enumeration || info.kind == TvdPropKind::Boolean)
                           ? enumText(info, v)
                           : QString::number(v);
            break;
        }
        case TvdPropKind::Float: {
            const double v = readDoubleProp(obj, info);
            doWrite = doWrite || !hasAnc || std::fabs(v - readDoubleProp(ancestor, *ainfo)) >= 1e-6;
            if (doWrite)
                text = floatText(v);
            break;
        }
        case TvdPropKind::String: {
            const QString v = readStringProp(obj, info);
            doWrite = doWrite || (hasAnc ? v != readStringProp(ancestor, *ainfo) : !v.isEmpty());
            if (doWrite)
                text = EscapeXMLAttr(v);
            break;
        }
        case TvdPropKind::Variant: {
            const QVariant qv = info.prop.read(obj);
            const Variant *v = variantIn(qv);
            if (!v)
                break;
            if (hasAnc) {
                const QVariant qa = ainfo->prop.read(ancestor);
                const Variant *a = variantIn(qa);
                doWrite = doWrite || !a || !variantsEqual(*v, *a);
            } else {
                doWrite = true;
            }
            if (doWrite)
                text = variantText(*v);
            break;
        }
        case TvdPropKind::StringList: {
            const QString v = stripFinalCrLf(listText(info.prop.read(obj).toStringList()));
            if (hasAnc && !m_s.SaveAncestorOnly && !all
                && v == stripFinalCrLf(listText(ainfo->prop.read(ancestor).toStringList())))
                break;
            // Written even when empty.
            out += QLatin1Char(' ') + add + QLatin1String(info.name()) + QLatin1String(".Text=\"")
                   + EscapeXMLAttr(v) + QLatin1Char('"');
            break;
        }
        case TvdPropKind::Object: {
            TvdPersistent *o = vdGetObjectProp(obj, info);
            TvdPersistent *ao = hasAnc ? vdGetObjectProp(ancestor, *ainfo) : nullptr;
            const QMetaObject *cls = vdObjectPropClass(info);
            auto *oc = qobject_cast<TvdComponent *>(o);
            const bool isRef = cls && cls->inherits(&TvdComponent::staticMetaObject) && !(oc && oc->IsSubComponent());
            if (isRef) {
                auto *ac = qobject_cast<TvdComponent *>(ao);
                if (hasAnc) {
                    if (!oc && ac)
                        text = QStringLiteral("nil");
                    else if (oc && (!ac || oc->Name().compare(ac->Name(), Qt::CaseInsensitive) != 0))
                        text = ComponentReferenceName(m_owner, oc);
                    else if (all && oc)
                        text = ComponentReferenceName(m_owner, oc);
                } else if (oc) {
                    text = ComponentReferenceName(m_owner, oc);
                }
                doWrite = !text.isEmpty();
            } else if (o) {
                out += write(o, add + QLatin1String(info.name()) + QLatin1Char('.'), ao, depth + 1);
            }
            break;
        }
        case TvdPropKind::Other:
            break;
        }
        if (doWrite && !text.isEmpty())
            append(out, add, info.name(), text);
    }

    IvdxSerializerHooks *hooks = hooksOf(obj);
    if (hooks && hooks->vdxIsMemoView()) {
        const QString t = stripFinalCrLf(hooks->vdxMemoText());
        IvdxSerializerHooks *ah = ancestor ? hooksOf(ancestor) : nullptr;
        const bool same = ah && ah->vdxIsMemoView() && !m_s.SaveAncestorOnly && !all
                          && t == stripFinalCrLf(ah->vdxMemoText());
        if (!same)
            out += QLatin1Char(' ') + add + QLatin1String("Text=\"") + EscapeXMLAttr(t) + QLatin1Char('"');
    }

    const bool nested = hooks && m_s.HandleNestedProperties && hooks->vdxHandlesNestedProperties();
    if (!nested) {
        TvdBinaryWriter w;
        obj->WriteBinaryProperties(w);
        if (!w.IsEmpty()) {
            bool skip = false;
            if (ancestor && !m_s.SaveAncestorOnly && !all) {
                TvdBinaryWriter aw;
                ancestor->WriteBinaryProperties(aw);
                skip = crc32Of(aw.Data()) == crc32Of(w.Data());
            }
            if (!skip)
                out += QLatin1Char(' ') + add + QLatin1String("PropData=\"")
                       + QString::fromLatin1(w.Data().toHex().toUpper()) + QLatin1Char('"');
        }
    }
    return out;
}

} // namespace

// ---------------------------------------------------------------------------
// While a tree is read, components are found by name through an index of
// Owner's tree (kept up to date as components get their names), so that a
// large template is not searched once per element. An owner that indexes
// its names itself is asked instead (ownerIndex).
struct TvdxXMLSerializer::LoadState {
    QList<QPointer<TvdComponent>> loaded;
    QSet<const TvdComponent *> loadedSet;
    QHash<TvdNameKey, QPointer<TvdComponent>> names;
    bool indexed = false;
    const IvdxSerializerHooks *ownerIndex = nullptr;

    void addName(TvdComponent *c)
    {
        if (!ownerIndex && c && !c->Name().isEmpty()) {
            QPointer<TvdComponent> &slot = names[c->NameKey()];
            if (!slot)
                slot = c;
        }
    }
    void index(TvdComponent *c, int depth)
    {
        if (!c || depth > kMaxTreeDepth)
            return;
        for (TvdComponent *child : c->GetChildren()) {
            addName(child);
            index(child, depth + 1);
        }
        for (TvdComponent *owned : c->ComponentList())
            addName(owned);
    }
    TvdComponent *find(TvdComponent *owner, const QString &name)
    {
        if (!owner || name.isEmpty())
            return nullptr;
        if (ownerIndex) {
            TvdComponent *c = nullptr;
            ownerIndex->vdxFindByName(name, c);
            return c;
        }
        if (!indexed) {
            index(owner, 0);
            indexed = true;
        }
        TvdComponent *c = names.value(TvdNameKey::Folded(name));
        // Renamed since it was indexed: ask the tree itself.
        if (c && c->Name().compare(name, Qt::CaseInsensitive) != 0)
            c = owner->FindObject(name);
        return c;
    }
};

TvdxXMLSerializer::TvdxXMLSerializer(QIODevice *stream) : m_stream(stream) {}

TvdxXMLSerializer::~TvdxXMLSerializer() = default;

void TvdxXMLSerializer::AddError(const QString &message)
{
    const auto it = std::lower_bound(m_errors.begin(), m_errors.end(), message);
    if (it != m_errors.end() && *it == message)
        return;
    m_errors.insert(it, message);
}

QString TvdxXMLSerializer::ObjToXML(TvdPersistent *obj, const QString &add, TvdPersistent *ancestor)
{
    ObjWriter w(*this, m_owner);
    return w.write(obj, add, ancestor, 0);
}

void TvdxXMLSerializer::XMLToObj(const QString &s, TvdPersistent *obj)
{
    if (!obj)
        return;
    QPointer<TvdPersistent> guard(obj);
    // Names and values borrow these characters: the copy keeps them alive
    // even if a setter replaces the text they came from.
    const QString text = s;
    // Looked up once: the cast across the class tree costs more than the rest.
    IvdxSerializerHooks *hooks = hooksOf(obj);
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && guard) {
        while (i < n && text.at(i) == QLatin1Char(' '))
            ++i;
        const qsizetype eq = text.indexOf(QLatin1Char('='), i);
        if (eq < 0)
            break;
        // The name is only looked up, never kept: it borrows the text's
        // characters instead of copying them (text outlives it).
        const QString name = QString::fromRawData(text.constData() + i, eq - i).trimmed();
        if (name.isEmpty())
            break;
        const qsizetype q1 = text.indexOf(QLatin1Char('"'), eq + 1);
        if (q1 < 0)
            break;
        qsizetype q2 = text.indexOf(QLatin1Char('"'), q1 + 1);
        if (q2 < 0)
            q2 = n;
        // Borrowed as well: most values are numbers that are parsed and
        // dropped; whatever keeps a value takes its own copy (ownedText).
        const QString value = QString::fromRawData(text.constData() + q1 + 1, q2 - q1 - 1);
        i = q2 + 1;
        try {
            applyAttribute(obj, hooks, name, value);
        } catch (const Exception &e) {
            AddError(e.message());
        } catch (const std::exception &e) {
            AddError(QString::fromUtf8(e.what()));
        }
    }
}

void TvdxXMLSerializer::applyAttribute(TvdPersistent *obj, IvdxSerializerHooks *hooks, const QString &name,
                                       const QString &value)
{
    TvdPersistent *cur = obj;
    QString rest = name;
    for (;;) {
        const qsizetype dot = rest.indexOf(QLatin1Char('.'));
        if (dot < 0)
            break;
        const TvdPropInfo *info = vdFindProperty(cur->metaObject(), QString::fromRawData(rest.constData(), dot));
        if (!info)
            return; // the rest still holds a dot: it matches no property
        if (info->kind == TvdPropKind::StringList) {
            if (rest.mid(dot + 1) == QLatin1String("Text") && info->prop.isWritable())
                info->prop.write(cur, textToList(ownedText(value)));
            return;
        }
        if (info->kind != TvdPropKind::Object)
            return;
        TvdPersistent *next = vdGetObjectProp(cur, *info);
        if (!next)
            return;
        cur = next;
        rest = QString::fromRawData(rest.constData() + dot + 1, rest.size() - dot - 1);
    }

    if (cur != obj)
        hooks = hooksOf(cur);
    if (hooks && rest.size() == 1) {
        const char c = char(rest.at(0).unicode());
        if ((c == 'l' || c == 't' || c == 'w' || c == 'h') && hooks->vdxHasBounds()) {
            hooks->vdxSetBound(c, readFloat(value));
            return;
        }
        if ((c == 'x' || c == 'u') && hooks->vdxIsMemoView()) {
            QString text = ownedText(value);
            if (c == 'u' && OldFormat)
                text = QString::fromUtf8(EncodeAnsi(text));
            hooks->vdxSetMemoText(text);
            return;
        }
    }
    if (rest == QLatin1String("Text") && hooks && hooks->vdxIsMemoView()) {
        QString text = ownedText(value);
        if (OldFormat)
            text = QString::fromUtf8(EncodeAnsi(text));
        hooks->vdxSetMemoText(text);
        return;
    }
    if (rest == QLatin1String("PropData")) {
        QString hex = value;
        // An empty stored value of a variable stands for the word "default".
        if (cur->inherits("TvdxVariable") && hex == QLatin1String("0556616C75650600"))
            hex = QStringLiteral("0556616C7565060764656661756C74");
        TvdBinaryReader reader(hexToBytes(hex));
        try {
            while (!reader.AtEnd()) {
                const QString prop = reader.ReadPropName();
                if (!cur->ReadBinaryProperty(prop, reader))
                    reader.SkipValue();
            }
        } catch (...) {
            // Damaged binary data leaves what was read so far.
        }
        return;
    }
    if (rest == QLatin1String("Name") && hooks && hooks->vdxIsReport())
        return;

    const TvdPropInfo *info = vdFindProperty(cur->metaObject(), rest);
    if (!info || !info->prop.isWritable())
        return;
    switch (info->kind) {
    case TvdPropKind::Integer:
    case TvdPropKind::Char: {
        const qint64 v = parseInteger(value);
        const qint64 lo = info->kind == TvdPropKind::Char ? 0 : INT32_MIN;
        const qint64 hi = info->kind == TvdPropKind::Char ? 0xFFFF : qint64(UINT32_MAX);
        if (v < lo || v > hi)
            throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(value));
        vdSetOrdProp(cur, *info, v);
        break;
    }
    case TvdPropKind::Int64:
        vdSetOrdProp(cur, *info, parseInteger(value));
        break;
    case TvdPropKind::Set: {
        const qint64 v = parseInteger(value);
        const QMetaEnum e = vdPropEnum(*info);
        qint64 mask = 0;
        for (int k = 0; k < e.keyCount(); ++k)
            mask |= quint32(e.value(k));
        vdSetOrdProp(cur, *info, v & mask);
        break;
    }
    case TvdPropKind::Enumeration:
    case TvdPropKind::Boolean: {
        const QString t = value.trimmed();
        bool isNumber = false;
        const qint64 v = t.toLongLong(&isNumber);
        if (isNumber) {
            const bool valid = info->kind == TvdPropKind::Boolean
                                   ? (v == 0 || v == 1)
                                   : (v >= INT32_MIN && v <= INT32_MAX && vdPropEnum(*info).valueToKey(int(v)));
            if (!valid)
                throw EPropertyError(QStringLiteral("Invalid value %1 of property %2").arg(t, rest));
            vdSetOrdProp(cur, *info, v);
            break;
        }
        if (info->kind == TvdPropKind::Boolean) {
            if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
                vdSetOrdProp(cur, *info, 1);
            else if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
                vdSetOrdProp(cur, *info, 0);
            break;
        }
        const QMetaEnum e = vdPropEnum(*info);
        for (int k = 0; k < e.keyCount(); ++k)
            if (t.compare(QLatin1String(e.key(k)), Qt::CaseInsensitive) == 0) {
                vdSetOrdProp(cur, *info, e.value(k));
                break;
            }
        break;
    }
    case TvdPropKind::Float:
        writeDoubleProp(cur, *info, readFloat(value));
        break;
    case TvdPropKind::String:
        writeStringProp(cur, *info, ownedText(value));
        break;
    case TvdPropKind::Variant:
        info->prop.write(cur, QVariant::fromValue(Variant(ownedText(value))));
        break;
    case TvdPropKind::Object:
        m_fixups.append(TvdxFixupItem{cur, QString::fromLatin1(info->name()), QString(value.constData(), value.size())});
        break;
    case TvdPropKind::StringList:
    case TvdPropKind::Other:
        break;
    }
}

void TvdxXMLSerializer::ResolveFixups()
{
    const QList<TvdxFixupItem> fixups = std::move(m_fixups);
    m_fixups.clear();
    for (const TvdxFixupItem &f : fixups) {
        if (!f.Obj)
            continue;
        const QString name = f.Value.trimmed();
        if (name.isEmpty() || name.compare(QLatin1String("nil"), Qt::CaseInsensitive) == 0)
            continue;
        TvdComponent *target = nullptr;
        if (m_loadState)
            target = m_loadState->find(m_owner, name);
        else if (m_owner)
            target = m_owner->FindObject(name);
        try {
            if (!target && m_owner)
                target = FindComponentByPath(m_owner, name);
            if (!target) {
                AddError(QStringLiteral("Missing ") + name);
                continue;
            }
            const TvdPropInfo *info = vdFindProperty(f.Obj->metaObject(), f.PropName);
            if (info)
                vdSetObjectProp(f.Obj, *info, target);
        } catch (const Exception &e) {
            AddError(e.message());
        }
    }
}

void TvdxXMLSerializer::finishLoading(LoadState &state)
{
    for (const QPointer<TvdComponent> &c : state.loaded) {
        if (!c)
            continue;
        c->SetState(TvdComponent::csLoading, false);
        IvdxSerializerHooks *hooks = hooksOf(c);
        if (hooks && hooks->vdxIsReport())
            continue;
        try {
            c->Loaded();
        } catch (const Exception &e) {
            AddError(e.message());
        }
    }
    state.loaded.clear();
    state.loadedSet.clear();
}

bool TvdxXMLSerializer::nameAccepted(const QString &name, const TvdClassInfo **cls)
{
    if (cls)
        *cls = nullptr;
    if (name.compare(QLatin1String("inherited"), Qt::CaseInsensitive) == 0)
        return true;
    const TvdClassInfo *info = vdFindClass(name);
    if (info && info->isComponent) {
        if (cls)
            *cls = info;
        return true;
    }
    AddError(cantFindClass(name));
    return false;
}

void TvdxXMLSerializer::readItem(TvdXMLItem *item, TvdComponent *parent, LoadState &state, int depth)
{
    const QString name = item->Name();
    if (name.compare(QLatin1String("VdxCustomData"), Qt::CaseInsensitive) == 0) {
        if (OnGetCustomDataEvent)
            OnGetCustomDataEvent(item);
        return;
    }
    const TvdClassInfo *cls = nullptr;
    if (!nameAccepted(name, &cls))
        return;
    if (depth > kMaxTreeDepth) {
        AddError(QStringLiteral("Invalid file format"));
        return;
    }
    const bool inherited = name.compare(QLatin1String("inherited"), Qt::CaseInsensitive) == 0;
    QPointer<TvdComponent> comp;
    try {
        if (!IgnoreName && m_owner) {
            const QString compName = item->GetProp(QStringLiteral("Name"));
            if (!compName.isEmpty())
                comp = state.find(m_owner, compName);
        }
        if (!comp) {
            if (inherited)
                return;
            comp = qobject_cast<TvdComponent *>(cls->create(parent));
            if (!comp)
                return;
        } else if (inherited) {
            // Back to the end of its parent's list: the file's order.
            if (TvdComponent *p = comp->GetParentComponent()) {
                comp->SetParentComponent(nullptr);
                comp->SetParentComponent(p);
            }
        }
        if (!state.loadedSet.contains(comp)) {
            comp->SetState(TvdComponent::csLoading);
            state.loaded.append(comp);
            state.loadedSet.insert(comp);
        }
        XMLToObj(item->Text(), comp);
        state.addName(comp);
    } catch (const Exception &e) {
        AddError(e.message());
    }
    if (comp)
        readChildren(item, comp, state, depth + 1);
}

void TvdxXMLSerializer::readChildren(TvdXMLItem *item, TvdComponent *comp, LoadState &state, int depth)
{
    QPointer<TvdComponent> guard(comp);
    IvdxSerializerHooks *hooks = hooksOf(comp);
    for (int i = 0; i < item->Count() && guard; ++i) {
        TvdXMLItem *child = item->Items(i);
        if (HandleNestedProperties && hooks && hooks->vdxHandlesNestedProperties()) {
            try {
                if (hooks->vdxReadNestedProperty(child))
                    continue;
            } catch (const Exception &e) {
                AddError(e.message());
                continue;
            }
        }
        readItem(child, comp, state, depth);
    }
}

void TvdxXMLSerializer::ReadRootComponent(TvdComponent *root, TvdXMLItem *item)
{
    if (!root)
        return;
    std::unique_ptr<TvdXMLDocument> doc;
    if (!item) {
        if (!m_stream)
            return;
        doc = std::make_unique<TvdXMLDocument>();
        doc->LoadFromStream(*m_stream, false);
        OldFormat = doc->OldVersion();
        item = doc->Root();
    }
    if (!m_owner)
        m_owner = root;
    if (!nameAccepted(item->Name()))
        return;
    LoadState state;
    TvdComponent *probe = nullptr;
    if (const IvdxSerializerHooks *h = hooksOf(m_owner); h && h->vdxFindByName(QString(), probe))
        state.ownerIndex = h;
    try {
        root->SetState(TvdComponent::csLoading);
        state.loaded.append(root);
        state.loadedSet.insert(root);
        m_loadState = &state;
        XMLToObj(item->Text(), root);
        readChildren(item, root, state, 1);
        ResolveFixups();
    } catch (...) {
        m_loadState = nullptr;
        m_fixups.clear();
        finishLoading(state);
        throw;
    }
    m_loadState = nullptr;
    finishLoading(state);
}

void TvdxXMLSerializer::writeItem(TvdComponent *c, TvdXMLItem *item, bool saveChildren, int depth)
{
    IvdxSerializerHooks *hooks = hooksOf(c);
    TvdPersistent *ancestor = nullptr;
    QString cls = c->ClassName();
    if (hooks && hooks->vdxIsAncestor() && OnGetAncestor) {
        OnGetAncestor(c->Name(), ancestor);
        cls = QStringLiteral("inherited");
    }
    QString text = ObjToXML(c, QString(), nullptr);
    if (depth > 0 && !IgnoreName)
        text = QStringLiteral(" Name=\"") + c->Name() + QLatin1Char('"') + text;
    item->SetName(cls);
    item->SetText(text.startsWith(QLatin1Char(' ')) ? text.mid(1) : text);
    if (HandleNestedProperties && hooks && hooks->vdxHandlesNestedProperties())
        hooks->vdxWriteNestedProperties(item, ancestor);
    if (saveChildren && depth < kMaxTreeDepth)
        for (TvdComponent *child : c->GetChildren())
            writeItem(child, item->Add(), true, depth + 1);
}

void TvdxXMLSerializer::WriteRootComponent(TvdComponent *root, bool saveChildren, TvdXMLItem *item)
{
    if (!root)
        return;
    if (!m_owner)
        m_owner = root;
    std::unique_ptr<TvdXMLDocument> doc;
    if (!item) {
        doc = std::make_unique<TvdXMLDocument>();
        doc->SetAutoIndent(true);
        item = doc->Root();
    }
    writeItem(root, item, saveChildren, 0);
    if (OnSaveCustomDataEvent)
        OnSaveCustomDataEvent(item->Add(QStringLiteral("VdxCustomData")));
    if (doc && m_stream)
        doc->SaveToStream(*m_stream);
}

QString TvdxXMLSerializer::WriteComponentStr(TvdComponent *c, TvdPersistent *ancestor)
{
    if (!c)
        return QString();
    return c->ClassName() + ObjToXML(c, QString(), ancestor);
}

void TvdxXMLSerializer::WriteComponent(TvdComponent *c, TvdPersistent *ancestor)
{
    if (!m_stream || !c)
        return;
    m_stream->write("<");
    m_stream->write(WriteComponentStr(c, ancestor).toUtf8());
    m_stream->write("/>");
}

TvdComponent *TvdxXMLSerializer::ReadComponentStr(TvdComponent *root, const QString &s, bool dontFixup)
{
    const QString t = s.trimmed();
    if (t.isEmpty())
        return nullptr;
    const qsizetype sp = t.indexOf(QLatin1Char(' '));
    const QString cls = sp < 0 ? t : t.left(sp);
    const QString attrs = sp < 0 ? QString() : t.mid(sp + 1);
    m_owner = root;
    const TvdClassInfo *info = vdFindClass(cls);
    if (!info || !info->isComponent) {
        AddError(cantFindClass(cls));
        return nullptr;
    }
    QPointer<TvdComponent> c = qobject_cast<TvdComponent *>(info->create(root));
    if (!c)
        return nullptr;
    c->SetState(TvdComponent::csLoading);
    try {
        XMLToObj(attrs, c);
        if (dontFixup)
            m_fixups.clear();
        else
            ResolveFixups();
    } catch (...) {
        m_fixups.clear();
        if (c)
            c->SetState(TvdComponent::csLoading, false);
        throw;
    }
    if (!c)
        return nullptr;
    c->SetState(TvdComponent::csLoading, false);
    IvdxSerializerHooks *hooks = hooksOf(c);
    if (!(hooks && hooks->vdxIsReport()))
        c->Loaded();
    return c;
}

TvdComponent *TvdxXMLSerializer::ReadComponent(TvdComponent *root)
{
    if (!m_stream)
        return nullptr;
    TvdXMLItem item;
    {
        TvdXMLReader reader(*m_stream);
        reader.ReadRootItem(&item, false);
    }
    return ReadComponentStr(root, item.Name() + QLatin1Char(' ') + item.Text(), false);
}

void TvdxXMLSerializer::ReadPersistentStr(TvdComponent *root, TvdPersistent *obj, const QString &s)
{
    m_owner = root;
    XMLToObj(s, obj);
    ResolveFixups();
}

void TvdxXMLSerializer::CopyFixupList(QList<TvdxFixupItem> *list) const
{
    if (list)
        list->append(m_fixups);
}

// ---------------------------------------------------------------------------
QString ComponentReferenceName(TvdComponent *root, TvdComponent *obj)
{
    if (!obj)
        return QString();
    TvdComponent *owner = obj->Owner();
    if (!owner || owner == root)
        return obj->Name();
    if (root) {
        IvdxSerializerHooks *hooks = hooksOf(root);
        if (hooks && hooks->vdxIsReport() && owner == root->Owner())
            return obj->Name();
    }
    // Forms and data modules known by name.
    if (!owner->Name().isEmpty() && FindGlobalComponent(owner->Name()) == owner)
        return owner->Name() + QLatin1Char('.') + obj->Name();
    return QString();
}

static TvdComponent *topOwner(TvdComponent *c)
{
    while (c && c->Owner())
        c = c->Owner();
    return c;
}

void SaveCollectionToXMLItem(TvdBaseCollection *collection, const QString &name, TvdXMLItem *item, bool createChild,
                             TvdBaseCollection *ancestor, TvdComponent *component, TvdxXMLSerializer *serializer)
{
    if (!collection || !item)
        return;
    if (createChild)
        item = item->Add(name);
    std::unique_ptr<TvdxXMLSerializer> temp;
    if (!serializer) {
        temp = std::make_unique<TvdxXMLSerializer>();
        temp->SetOwner(topOwner(component));
        serializer = temp.get();
    }
    auto *tc = qobject_cast<TvdCollection *>(collection);
    auto *tanc = qobject_cast<TvdCollection *>(ancestor);
    for (TvdBaseCollectionItem *ci : collection->ItemList()) {
        TvdXMLItem *xi = item->Add(QStringLiteral("item"));
        auto *vci = qobject_cast<TvdCollectionItem *>(ci);
        TvdCollectionItem *aitem = nullptr;
        QString text;
        if (tc && tanc && vci) {
            aitem = tanc->FindByName(vci->InheritedName());
            if (aitem)
                text = QStringLiteral(" InheritedName=\"") + EscapeXMLAttr(vci->InheritedName()) + QLatin1Char('"');
        }
        text += serializer->ObjToXML(ci, QString(), aitem);
        xi->SetText(text.startsWith(QLatin1Char(' ')) ? text.mid(1) : text);
        if (vci) {
            vci->WriteProperties(xi, aitem, component);
            if (tc && vci->IsUniqueNameStored())
                xi->SetProp(QStringLiteral("uin"), QString::number(vci->UniqueIndex()));
        }
    }
}

void LoadCollectionFromXMLItem(TvdBaseCollection *collection, TvdXMLItem *item, TvdComponent *component,
                               TvdBaseCollection *ancestor, TvdxXMLSerializer *serializer)
{
    Q_UNUSED(ancestor)
    if (!collection || !item)
        return;
    std::unique_ptr<TvdxXMLSerializer> temp;
    if (!serializer) {
        temp = std::make_unique<TvdxXMLSerializer>();
        temp->SetOwner(topOwner(component));
        serializer = temp.get();
    }
    IvdxSerializerHooks *hooks = component ? hooksOf(component) : nullptr;
    const bool fromAncestor = hooks && hooks->vdxIsAncestor();
    auto *tc = qobject_cast<TvdCollection *>(collection);
    collection->BeginUpdate();
    try {
        if (fromAncestor && !tc)
            collection->Clear();
        for (int i = 0; i < item->Count(); ++i) {
            TvdXMLItem *child = item->Items(i);
            QString inheritedName;
            try {
                inheritedName = child->GetProp(QStringLiteral("InheritedName"));
            } catch (const Exception &e) {
                serializer->AddError(e.message());
            }
            if (fromAncestor && tc && !inheritedName.isEmpty()) {
                if (TvdCollectionItem *found = tc->FindByName(inheritedName)) {
                    serializer->XMLToObj(child->Text(), found);
                    found->SetIsInherited(true);
                }
                continue;
            }
            TvdBaseCollectionItem *ni = collection->Add();
            serializer->XMLToObj(child->Text(), ni);
            if (auto *vci = qobject_cast<TvdCollectionItem *>(ni)) {
                for (int g = 0; g < child->Count(); ++g)
                    vci->ReadProperties(child->Items(g)->Name(), child->Items(g), nullptr);
                try {
                    const QString uin = child->GetProp(QStringLiteral("uin"));
                    bool ok = false;
                    const int n = uin.toInt(&ok);
                    if (ok && tc && vci->IsUniqueNameStored())
                        vci->SetUniqueIndex(n);
                } catch (const Exception &e) {
                    serializer->AddError(e.message());
                }
            }
        }
        if (temp)
            temp->ResolveFixups();
    } catch (...) {
        collection->EndUpdate();
        throw;
    }
    collection->EndUpdate();
}
