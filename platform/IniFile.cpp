#include "platform/IniFile.h"
#include "platform/AtomicFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <climits>
#include <cmath>

// ---------------------------------------------------------------- TvdIniData

void TvdIniData::SetText(const QString &text)
{
    Clear();
    QString all = text;
    all.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = all.split(QLatin1Char('\n'));
    Section *current = nullptr;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &raw = lines[i];
        if (i == lines.size() - 1 && raw.isEmpty())
            break; // text ended with a line break
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            Section s;
            s.name = line.mid(1, line.size() - 2).trimmed();
            m_sections.push_back(s);
            current = &m_sections.back();
            continue;
        }
        Line l;
        const int eq = line.indexOf(QLatin1Char('='));
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')) || eq <= 0) {
            l.comment = true;
            l.value = raw;
        } else {
            l.key = line.left(eq).trimmed();
            l.value = line.mid(eq + 1).trimmed();
        }
        if (current)
            current->lines.push_back(l);
        else
            m_preamble << raw;
    }
}

QString TvdIniData::Text() const
{
    QString out;
    for (const QString &l : m_preamble)
        out += l + QLatin1Char('\n');
    for (const Section &s : m_sections) {
        out += QLatin1Char('[') + s.name + QLatin1String("]\n");
        for (const Line &l : s.lines)
            out += l.comment ? l.value + QLatin1Char('\n') : l.key + QLatin1Char('=') + l.value + QLatin1Char('\n');
    }
    return out;
}

TvdIniData::Section *TvdIniData::find(const QString &section)
{
    for (Section &s : m_sections)
        if (s.name.compare(section, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

const TvdIniData::Section *TvdIniData::find(const QString &section) const
{
    return const_cast<TvdIniData *>(this)->find(section);
}

bool TvdIniData::ReadValue(const QString &section, const QString &ident, QString &value) const
{
    if (const Section *s = find(section))
        for (const Line &l : s->lines)
            if (!l.comment && l.key.compare(ident, Qt::CaseInsensitive) == 0) {
                value = l.value;
                return true;
            }
    return false;
}

void TvdIniData::WriteValue(const QString &section, const QString &ident, const QString &value)
{
    // Line breaks would split the value into lines of their own.
    QString v = value;
    v.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString key = ident.trimmed();
    Section *s = find(section);
    if (!s) {
        // A blank line keeps sections apart for human readers.
        if (!m_sections.empty()) {
            Section &last = m_sections.back();
            if (last.lines.empty() || !(last.lines.back().comment && last.lines.back().value.trimmed().isEmpty())) {
                Line blank;
                blank.comment = true;
                last.lines.push_back(blank);
            }
        }
        Section ns;
        ns.name = section;
        m_sections.push_back(ns);
        s = &m_sections.back();
    }
    for (Line &l : s->lines)
        if (!l.comment && l.key.compare(key, Qt::CaseInsensitive) == 0) {
            l.value = v.trimmed();
            return;
        }
    Line nl;
    nl.key = key;
    nl.value = v.trimmed();
    // Insert before trailing blank lines of the section.
    auto pos = s->lines.end();
    while (pos != s->lines.begin() && (pos - 1)->comment && (pos - 1)->value.trimmed().isEmpty())
        --pos;
    s->lines.insert(pos, nl);
}

QStringList TvdIniData::Keys(const QString &section) const
{
    QStringList r;
    if (const Section *s = find(section))
        for (const Line &l : s->lines)
            if (!l.comment)
                r << l.key;
    return r;
}

QStringList TvdIniData::Sections() const
{
    QStringList r;
    for (const Section &s : m_sections)
        r << s.name;
    return r;
}

QStringList TvdIniData::SectionLines(const QString &section) const
{
    QStringList r;
    if (const Section *s = find(section))
        for (const Line &l : s->lines)
            if (!l.comment)
                r << l.key + QLatin1Char('=') + l.value;
    return r;
}

bool TvdIniData::SectionExists(const QString &section) const
{
    return find(section) != nullptr;
}

void TvdIniData::EraseSection(const QString &section)
{
    for (auto it = m_sections.begin(); it != m_sections.end();)
        if (it->name.compare(section, Qt::CaseInsensitive) == 0)
            it = m_sections.erase(it);
        else
            ++it;
}

void TvdIniData::DeleteKey(const QString &section, const QString &ident)
{
    if (Section *s = find(section))
        for (auto it = s->lines.begin(); it != s->lines.end(); ++it)
            if (!it->comment && it->key.compare(ident, Qt::CaseInsensitive) == 0) {
                s->lines.erase(it);
                return;
            }
}

// ------------------------------------------------------------ file helpers

QString vdReadIniText(const QString &fileName, bool *exists)
{
    QFile f(fileName);
    if (exists)
        *exists = f.exists();
    if (fileName.isEmpty() || !f.open(QIODevice::ReadOnly))
        return QString();
    QByteArray bytes = f.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return text;
}

void vdWriteIniText(const QString &fileName, const QString &text)
{
    const QFileInfo info(fileName);
    QDir().mkpath(info.absolutePath());
    const QByteArray bytes = text.toUtf8();
    const TvdSaveResult r = vdAtomicSave(fileName, [&](QIODevice &f) { f.write(bytes); });
    if (!r.ok())
        throw EIniFileException(QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(fileName)));
}

// ---------------------------------------------------------- TCustomIniFile

namespace {

const double kUnixEpochDays = 25569.0; // 1970-01-01 as days since 1899-12-30
const QDate kDateBase(1899, 12, 30);

bool parseInt(const QString &text, int &value)
{
    QString s = text.trimmed();
    bool neg = false;
    if (s.startsWith(QLatin1Char('-'))) {
        neg = true;
        s.remove(0, 1);
    } else if (s.startsWith(QLatin1Char('+'))) {
        s.remove(0, 1);
    }
    bool ok = false;
    qint64 v;
    if (s.startsWith(QLatin1Char('$')))
        v = s.mid(1).toLongLong(&ok, 16);
    else if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = s.mid(2).toLongLong(&ok, 16);
    else
        v = s.toLongLong(&ok, 10);
    if (!ok)
        return false;
    if (neg)
        v = -v;
    if (v < INT_MIN || v > static_cast<qint64>(UINT_MAX))
        return false;
    // Hex values up to 32 bits wrap like the platform reads them ($FFFFFFFF = -1).
    value = v > INT_MAX ? static_cast<qint32>(static_cast<quint32>(v)) : static_cast<int>(v);
    return true;
}

bool parseFloat(const QString &text, double &value)
{
    QString s = text.trimmed();
    s.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = s.toDouble(&ok);
    if (ok && std::isfinite(v))
        value = v;
    return ok && std::isfinite(v);
}

QString floatText(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

double dateToDays(const QDate &d)
{
    return static_cast<double>(kDateBase.daysTo(d));
}

double timeToFraction(const QTime &t)
{
    return t.msecsSinceStartOfDay() / 86400000.0;
}

QDate daysToDate(double days)
{
    return kDateBase.addDays(static_cast<qint64>(std::floor(days)));
}

QTime fractionToTime(double days)
{
    double frac = std::fabs(days - std::trunc(days));
    qint64 ms = static_cast<qint64>(std::nearbyint(frac * 86400000.0));
    if (ms >= 86400000)
        ms = 86399999;
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms));
}

bool parseDateTime(const QString &text, double &value)
{
    const QString s = text.trimmed();
    if (s.isEmpty())
        return false;
    const QStringList parts = s.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    double result = 0;
    bool any = false;
    for (const QString &p : parts) {
        if (p.contains(QLatin1Char('-')) && !p.startsWith(QLatin1Char('-'))) {
            const QDate d = QDate::fromString(p, QStringLiteral("yyyy-MM-dd"));
            if (!d.isValid())
                return false;
            result += dateToDays(d);
            any = true;
        } else if (p.contains(QLatin1Char(':'))) {
            QTime t = QTime::fromString(p, QStringLiteral("HH:mm:ss.zzz"));
            if (!t.isValid())
                t = QTime::fromString(p, QStringLiteral("HH:mm:ss"));
            if (!t.isValid())
                t = QTime::fromString(p, QStringLiteral("HH:mm"));
            if (!t.isValid())
                return false;
            // Dates before the base count backwards while times always add.
            result += result < 0 ? -timeToFraction(t) : timeToFraction(t);
            any = true;
        } else if (parts.size() == 1) {
            return parseFloat(p, value);
        } else {
            return false;
        }
    }
    if (any)
        value = result;
    return any;
}

} // namespace

TCustomIniFile::TCustomIniFile(const QString &fileName) : m_fileName(fileName) {}
TCustomIniFile::~TCustomIniFile() = default;

bool TCustomIniFile::SectionExists(const QString &section) const
{
    return ReadSections().contains(section, Qt::CaseInsensitive);
}

bool TCustomIniFile::ValueExists(const QString &section, const QString &ident) const
{
    return ReadSection(section).contains(ident, Qt::CaseInsensitive);
}

int TCustomIniFile::ReadInteger(const QString &section, const QString &ident, int def) const
{
    int v = def;
    return parseInt(ReadString(section, ident, QString()), v) ? v : def;
}

void TCustomIniFile::WriteInteger(const QString &section, const QString &ident, int value)
{
    WriteString(section, ident, QString::number(value));
}

bool TCustomIniFile::ReadBool(const QString &section, const QString &ident, bool def) const
{
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const QString &section, const QString &ident, bool value)
{
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

double TCustomIniFile::ReadFloat(const QString &section, const QString &ident, double def) const
{
    double v = def;
    return parseFloat(ReadString(section, ident, QString()), v) ? v : def;
}

void TCustomIniFile::WriteFloat(const QString &section, const QString &ident, double value)
{
    WriteString(section, ident, floatText(value));
}

double TCustomIniFile::ReadDate(const QString &section, const QString &ident, double def) const
{
    double v = def;
    return parseDateTime(ReadString(section, ident, QString()), v) ? std::trunc(v) : def;
}

void TCustomIniFile::WriteDate(const QString &section, const QString &ident, double value)
{
    WriteString(section, ident, daysToDate(std::trunc(value)).toString(QStringLiteral("yyyy-MM-dd")));
}

double TCustomIniFile::ReadDateTime(const QString &section, const QString &ident, double def) const
{
    double v = def;
    return parseDateTime(ReadString(section, ident, QString()), v) ? v : def;
}

void TCustomIniFile::WriteDateTime(const QString &section, const QString &ident, double value)
{
    const double whole = std::trunc(value);
    WriteString(section, ident,
                daysToDate(whole).toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ')
                    + fractionToTime(value).toString(QStringLiteral("HH:mm:ss")));
}

double TCustomIniFile::ReadTime(const QString &section, const QString &ident, double def) const
{
    double v = def;
    return parseDateTime(ReadString(section, ident, QString()), v) ? std::fabs(v - std::trunc(v)) : def;
}

void TCustomIniFile::WriteTime(const QString &section, const QString &ident, double value)
{
    WriteString(section, ident, fractionToTime(value).toString(QStringLiteral("HH:mm:ss")));
}

int TCustomIniFile::ReadBinaryStream(const QString &section, const QString &ident, QIODevice &value) const
{
    const QString text = ReadString(section, ident, QString()).trimmed();
    QByteArray bytes;
    bytes.reserve(text.size() / 2);
    for (int i = 0; i + 1 < text.size(); i += 2) {
        bool ok = false;
        const int b = text.mid(i, 2).toInt(&ok, 16);
        if (!ok)
            break;
        bytes.append(static_cast<char>(b));
    }
    if (bytes.isEmpty())
        return 0;
    const qint64 written = value.write(bytes);
    return written < 0 ? 0 : static_cast<int>(written);
}

void TCustomIniFile::WriteBinaryStream(const QString &section, const QString &ident, QIODevice &value)
{
    const QByteArray bytes = value.readAll();
    WriteString(section, ident, QString::fromLatin1(bytes.toHex().toUpper()));
}

void TCustomIniFile::WriteTStrings(const QString &section, const QStringList &value, bool isClear)
{
    if (isClear)
        EraseSection(section);
    for (int i = 0; i < value.size(); ++i)
        WriteString(section, QStringLiteral("Items") + QString::number(i), value[i]);
    WriteInteger(section, QStringLiteral("Count"), static_cast<int>(value.size()));
}

QString TCustomIniFile::ReadTStrings(const QString &section, QStringList &value, bool isClear) const
{
    const int count = ReadInteger(section, QStringLiteral("Count"), 0);
    if (isClear)
        value.clear();
    for (int i = 0; i < count; ++i)
        value << ReadString(section, QStringLiteral("Items") + QString::number(i), QString());
    return QStringLiteral("0");
}

QStringList TCustomIniFile::ReadSectionValuesEx(const QString &section) const
{
    QStringList r;
    // Each line's own value: a name may stand more than once in a section.
    for (const QString &line : ReadSectionValues(section)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        r << (eq < 0 ? ReadString(section, line, QString()) : line.mid(eq + 1));
    }
    return r;
}

void TCustomIniFile::SaveIniFileToStream(QIODevice &stream) const
{
    stream.write(IniText().toUtf8());
}

void TCustomIniFile::LoadIniFileFromStream(QIODevice &stream)
{
    QByteArray bytes = stream.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    SetIniText(QString::fromUtf8(bytes));
}

// ------------------------------------------------------------- TMemIniFile

TMemIniFile::TMemIniFile(const QString &fileName) : TCustomIniFile(fileName)
{
    if (!fileName.isEmpty())
        m_data.SetText(vdReadIniText(fileName));
}

TMemIniFile::~TMemIniFile() = default;

QString TMemIniFile::ReadString(const QString &section, const QString &ident, const QString &def) const
{
    QString v;
    return m_data.ReadValue(section, ident, v) ? v : def;
}

void TMemIniFile::WriteString(const QString &section, const QString &ident, const QString &value)
{
    m_data.WriteValue(section, ident, value);
    m_dirty = true;
}

QStringList TMemIniFile::ReadSection(const QString &section) const { return m_data.Keys(section); }
QStringList TMemIniFile::ReadSections() const { return m_data.Sections(); }
QStringList TMemIniFile::ReadSectionValues(const QString &section) const { return m_data.SectionLines(section); }

void TMemIniFile::EraseSection(const QString &section)
{
    m_data.EraseSection(section);
    m_dirty = true;
}

void TMemIniFile::DeleteKey(const QString &section, const QString &ident)
{
    m_data.DeleteKey(section, ident);
    m_dirty = true;
}

void TMemIniFile::UpdateFile()
{
    if (FileName().isEmpty())
        return;
    vdWriteIniText(FileName(), m_data.Text());
    m_dirty = false;
}

QStringList TMemIniFile::GetStrings() const
{
    QString text = m_data.Text();
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

void TMemIniFile::SetStrings(const QStringList &lines)
{
    m_data.SetText(lines.join(QLatin1Char('\n')));
    m_dirty = true;
}

void TMemIniFile::Clear()
{
    m_data.Clear();
    m_dirty = true;
}

// ---------------------------------------------------------------- TIniFile

TIniFile::TIniFile(const QString &fileName) : TCustomIniFile(fileName) {}

TvdIniData TIniFile::load() const
{
    TvdIniData d;
    d.SetText(vdReadIniText(FileName()));
    return d;
}

void TIniFile::save(const TvdIniData &data)
{
    vdWriteIniText(FileName(), data.Text());
}

QString TIniFile::ReadString(const QString &section, const QString &ident, const QString &def) const
{
    QString v;
    return load().ReadValue(section, ident, v) ? v : def;
}

void TIniFile::WriteString(const QString &section, const QString &ident, const QString &value)
{
    TvdIniData d = load();
    QString old;
    if (d.ReadValue(section, ident, old) && old == value.trimmed())
        return;
    d.WriteValue(section, ident, value);
    save(d);
}

QStringList TIniFile::ReadSection(const QString &section) const { return load().Keys(section); }
QStringList TIniFile::ReadSections() const { return load().Sections(); }
QStringList TIniFile::ReadSectionValues(const QString &section) const { return load().SectionLines(section); }
bool TIniFile::SectionExists(const QString &section) const { return load().SectionExists(section); }

void TIniFile::EraseSection(const QString &section)
{
    TvdIniData d = load();
    if (!d.SectionExists(section))
        return;
    d.EraseSection(section);
    save(d);
}

void TIniFile::DeleteKey(const QString &section, const QString &ident)
{
    TvdIniData d = load();
    QString old;
    if (!d.ReadValue(section, ident, old))
        return;
    d.DeleteKey(section, ident);
    save(d);
}

QString TIniFile::IniText() const
{
    return vdReadIniText(FileName());
}

void TIniFile::SetIniText(const QString &text)
{
    vdWriteIniText(FileName(), text);
}

// ------------------------------------------------------------ settings store

namespace {
QString g_userRoot;
QString g_machineRoot;
} // namespace

void vdSetSettingsRoot(const QString &userRoot, const QString &machineRoot)
{
    g_userRoot = userRoot;
    g_machineRoot = machineRoot;
}

bool vdIsSettingsKeyPath(const QString &path)
{
    return path.startsWith(QLatin1String("\\Software\\"));
}

QString vdSettingsFileName(const QString &path, TvdSettingsScope scope)
{
    if (!vdIsSettingsKeyPath(path)) {
        QString p = path;
        p.replace(QLatin1Char('\\'), QLatin1Char('/'));
        return p;
    }
    QString root;
    if (scope == TvdSettingsScope::CurrentUser) {
        root = g_userRoot.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) : g_userRoot;
    } else if (!g_machineRoot.isEmpty()) {
        root = g_machineRoot;
    } else {
        // The last config location is the machine-wide one (such as /etc/xdg/...).
        const QStringList all = QStandardPaths::standardLocations(QStandardPaths::AppConfigLocation);
        root = all.isEmpty() ? QString() : all.last();
    }
    QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    // ".." or "." parts would leave the config folder.
    parts.removeIf([](const QString &p) { return p == QLatin1String(".") || p == QLatin1String(".."); });
    return root + QLatin1Char('/') + parts.join(QLatin1Char('/')) + QLatin1String(".ini");
}

std::unique_ptr<TCustomIniFile> vdCreateSettingsStore(const QString &path, TvdSettingsScope scope)
{
    return std::make_unique<TIniFile>(vdSettingsFileName(path, scope));
}
