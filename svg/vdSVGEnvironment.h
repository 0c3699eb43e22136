// What the renderer takes from its surroundings besides fonts: the user's
// locale for "switch" and the folder image files may come from. Tests and
// hosts set both; by default the locale is the system's and no file is read.
#pragma once
#include <QByteArray>
#include <QString>

class TSVGEnvironment {
public:
    // Largest image file read from the base directory.
    static constexpr qint64 MaxImageFileBytes = 64LL * 1024 * 1024;

    // Lower case with "-" ("en-us"): the injected name, else the system's.
    static QString LocaleName();
    // An empty name goes back to the system's locale.
    static void SetLocaleName(const QString &name);

    static QString BaseDirectory();
    static void SetBaseDirectory(const QString &dir);
    // The bytes of a regular file named relative to the base directory (or
    // absolute inside it), at most MaxImageFileBytes; empty otherwise.
    static QByteArray ReadImageFile(const QString &name);
};
