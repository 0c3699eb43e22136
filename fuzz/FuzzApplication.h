// libFuzzer brings its own main, so a target that lays out or draws text
// creates the application (and with it the font database) on first input.
// Under the corpus replayer the application already exists.
#pragma once
#include <QApplication>

inline void ensureFuzzApplication()
{
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "fuzz";
        static char *argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QApplication app(argc, argv);
    }
}
