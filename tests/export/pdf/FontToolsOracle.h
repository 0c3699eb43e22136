// fontTools (Python) as the independent reader of the fonts we write.
#pragma once
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace ttftest {

// A Python interpreter that imports fontTools, or empty when none does.
QString fontToolsPython();

// Runs script with args; its standard output parsed as one JSON object.
// error gets the interpreter's messages when it fails.
QJsonObject runFontTools(const QString &script, const QStringList &args, QString *error);

// Path of the installed font file that a family maps to.
QString installedFontFile(const QString &family);

} // namespace ttftest
