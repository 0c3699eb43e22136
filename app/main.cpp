// The demo application: one main window over the reporting library.
#include "app/uZPLMain.h"
#include "report/vdxClass_report.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quennet"));
    QApplication::setApplicationName(QStringLiteral("Vendari"));
    vdxRegisterReportClasses();
    TfrmZPL window;
    window.show();
    return app.exec();
}
