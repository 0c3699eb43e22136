#include "FontToolsOracle.h"
#include "platform/FontMap.h"
#include <QJsonDocument>
#include <QProcess>

namespace ttftest {

QString fontToolsPython()
{
    static const QString found = [] {
        // The system interpreter first: a user's own Python may lack the
        // Debian package.
        for (const QString &candidate : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
            QProcess p;
            p.start(candidate, {QStringLiteral("-c"), QStringLiteral("import fontTools.ttLib")});
            if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
                return candidate;
        }
        return QString();
    }();
    return found;
}

QJsonObject runFontTools(const QString &script, const QStringList &args, QString *error)
{
    QProcess p;
    p.start(fontToolsPython(), QStringList{QStringLiteral("-c"), script} + args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = QString::fromUtf8(p.readAllStandardError());
        return {};
    }
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(p.readAllStandardOutput(), &pe);
    if (error && pe.error != QJsonParseError::NoError)
        *error = pe.errorString();
    return doc.object();
}

QString installedFontFile(const QString &family)
{
    return FontFilePath(family, 400, false);
}

} // namespace ttftest
