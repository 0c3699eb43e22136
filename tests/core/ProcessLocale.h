// Runs a test body under a named process locale (C library and Qt default).
// Missing C locales are generated once into a private folder with localedef,
// so the check does not depend on what the machine has installed.
#pragma once
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <clocale>
#include <cstdlib>
#include <memory>
#include <vector>

namespace vdtest {

class ProcessLocale {
public:
    // name like "de_DE.UTF-8"; cLocaleActive() tells whether the C library took it.
    explicit ProcessLocale(const QString &name) : m_savedQt(QLocale())
    {
        const char *cur = std::setlocale(LC_ALL, nullptr);
        m_savedC = cur ? cur : "C";
        const QByteArray n = name.toLatin1();
        m_cActive = std::setlocale(LC_ALL, n.constData()) != nullptr;
        if (!m_cActive && generate(name))
            m_cActive = std::setlocale(LC_ALL, n.constData()) != nullptr;
        QLocale::setDefault(QLocale(name.section(u'.', 0, 0)));
    }
    ~ProcessLocale()
    {
        std::setlocale(LC_ALL, m_savedC.constData());
        QLocale::setDefault(m_savedQt);
    }
    ProcessLocale(const ProcessLocale &) = delete;
    ProcessLocale &operator=(const ProcessLocale &) = delete;

    bool cLocaleActive() const { return m_cActive; }

private:
    // Generates every locale the tests use in one go, before the C library
    // has looked any of them up under the private folder. The result is kept
    // in the temporary folder and shared by all test processes: localedef is
    // slow, and every test runs in a process of its own.
    static bool generate(const QString &name)
    {
        static const bool done = [&] {
            if (QStandardPaths::findExecutable(QStringLiteral("localedef")).isEmpty())
                return false;
            QStringList names = {QStringLiteral("de_DE.UTF-8"), QStringLiteral("en_US.UTF-8")};
            if (!names.contains(name))
                names << name;
            const QString shared = QDir::temp().filePath(QStringLiteral("vdtest-locales-1"));
            auto complete = [&](const QString &root) {
                for (const QString &n : names)
                    if (!QFile::exists(root + u'/' + n + QStringLiteral("/LC_CTYPE")))
                        return false;
                return true;
            };
            if (!complete(shared)) {
                QTemporaryDir dir(shared + QStringLiteral("-XXXXXX"));
                if (!dir.isValid())
                    return false;
                // Side by side: each localedef takes seconds on its own.
                std::vector<std::unique_ptr<QProcess>> runs;
                for (const QString &n : names) {
                    runs.push_back(std::make_unique<QProcess>());
                    runs.back()->start(QStringLiteral("localedef"),
                                       {QStringLiteral("-i"), n.section(u'.', 0, 0), QStringLiteral("-f"),
                                        n.section(u'.', 1), dir.filePath(n)});
                }
                for (auto &p : runs)
                    p->waitForFinished(60000);
                if (!complete(dir.path()))
                    return false;
                // Another process may have won the race; either copy will do.
                if (QDir().rename(dir.path(), shared))
                    dir.setAutoRemove(false);
                if (!complete(shared))
                    return false;
            }
            setenv("LOCPATH", QFile::encodeName(shared).constData(), 1);
            return true;
        }();
        return done;
    }

    QByteArray m_savedC;
    QLocale m_savedQt;
    bool m_cActive = false;
};

inline const char *const kTestLocales[] = {"de_DE.UTF-8", "en_US.UTF-8"};

} // namespace vdtest
