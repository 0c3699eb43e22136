#include "platform/FontMap.h"
#include <QFontDatabase>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Alias {
    const char *from;
    const char *to;
};

// Metric-compatible replacements for the families templates name most.
constexpr Alias kAliases[] = {
    {"Arial", "Liberation Sans"},
    {"Helvetica", "Liberation Sans"},
    {"MS Sans Serif", "Liberation Sans"},
    {"Microsoft Sans Serif", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Times", "Liberation Serif"},
    {"MS Serif", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
    {"Courier", "Liberation Mono"},
    {"Tahoma", "DejaVu Sans"},
    {"Verdana", "DejaVu Sans"},
    {"Segoe UI", "DejaVu Sans"},
};

const QString kFallback = QStringLiteral("DejaVu Sans");

QHash<QString, QString> &familyCache()
{
    static QHash<QString, QString> cache;
    return cache;
}
QMutex &familyMutex()
{
    static QMutex m;
    return m;
}

} // namespace

QString MapFontFamily(const QString &family)
{
    const QString key = family.trimmed().toLower();
    QMutexLocker lock(&familyMutex());
    auto it = familyCache().constFind(key);
    if (it != familyCache().constEnd())
        return *it;
    QString result;
    for (const auto &a : kAliases)
        if (key == QString::fromLatin1(a.from).toLower()) {
            result = QString::fromLatin1(a.to);
            break;
        }
    if (result.isEmpty()) {
        // Installed families stay themselves (case of the installed name).
        const QStringList families = QFontDatabase::families();
        for (const QString &f : families)
            if (f.compare(family.trimmed(), Qt::CaseInsensitive) == 0) {
                result = f;
                break;
            }
    }
    if (result.isEmpty())
        result = kFallback;
    familyCache().insert(key, result);
    return result;
}

QFont MakeQFont(const QString &family, double pixelSize, int weight, bool italic, bool underline, bool strikeOut)
{
    QFont f(MapFontFamily(family));
    f.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    // Weights 1..1000 as in LOGFONT; Qt uses the same scale.
    f.setWeight(QFont::Weight(std::clamp(weight <= 0 ? 400 : weight, 1, 1000)));
    f.setItalic(italic);
    f.setUnderline(underline);
    f.setStrikeOut(strikeOut);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::NoSubpixelAntialias));
    f.setKerning(false);
    return f;
}

QRawFont RawFontFor(const QString &family, int weight, bool italic, double pixelSize)
{
    struct Key {
        QString family;
        int weight;
        bool italic;
        bool operator==(const Key &) const = default;
    };
    struct Entry {
        Key key;
        QRawFont font;
    };
    // A raw font at a new size is a new font engine with an empty glyph
    // cache: sized fonts are kept too, so measuring and drawing the same
    // text again reuse their engines.
    struct SizedEntry {
        QString family;
        int weight;
        bool italic;
        double size;
        QRawFont font;
    };
    // Raw fonts are not shared between threads; each keeps a small cache.
    thread_local std::vector<Entry> cache;
    thread_local std::vector<SizedEntry> sized;
    const bool bold = weight >= 600;
    const double size = std::clamp(pixelSize, 0.01, 65536.0);
    const int w = bold ? 700 : 400;
    for (size_t i = 0; i < sized.size(); ++i) {
        const SizedEntry &e = sized[i];
        if (e.size == size && e.weight == w && e.italic == italic
            && e.family.compare(family, Qt::CaseInsensitive) == 0) {
            // Recently used ones move to the front.
            if (i > 0)
                std::swap(sized[i], sized[i - 1]);
            return sized[i > 0 ? i - 1 : 0].font;
        }
    }
    Key key{family.toLower(), w, italic};
    QRawFont base;
    for (const Entry &e : cache)
        if (e.key == key) {
            base = e.font;
            break;
        }
    if (!base.isValid()) {
        base = QRawFont::fromFont(MakeQFont(family, 64, key.weight, italic));
        if (!base.isValid())
            base = QRawFont::fromFont(MakeQFont(kFallback, 64, key.weight, italic));
        if (cache.size() > 64)
            cache.erase(cache.begin());
        cache.push_back(Entry{key, base});
    }
    QRawFont f = base;
    f.setPixelSize(size);
    if (sized.size() >= 64)
        sized.pop_back();
    sized.push_back(SizedEntry{family, w, italic, size, f});
    return f;
}

QString FontFilePath(const QString &family, int weight, bool italic)
{
    static QMutex mutex;
    static QHash<QString, QString> cache;
    const QString pattern = MapFontFamily(family) + QStringLiteral(":weight=%1:slant=%2")
                                                        .arg(weight >= 600 ? 200 : 80)
                                                        .arg(italic ? 100 : 0);
    QMutexLocker lock(&mutex);
    auto it = cache.constFind(pattern);
    if (it != cache.constEnd())
        return *it;
    QProcess p;
    p.start(QStringLiteral("fc-match"), {QStringLiteral("-f"), QStringLiteral("%{file}"), pattern});
    QString path;
    if (p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        path = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    cache.insert(pattern, path);
    return path;
}
