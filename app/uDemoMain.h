// Base window of the demo: menu with Exit, Go to Site and About, and a
// caption made from the window's title.
#pragma once
#include "core/vdBaseForm.h"

class QAction;
class QMenuBar;
class QVBoxLayout;
class IShellOpener;

class TfrmDemoMain : public TvdBaseForm {
    Q_OBJECT
public:
    explicit TfrmDemoMain(QWidget *owner = nullptr);

    virtual QString GetDemoTitle() const { return QStringLiteral("Demo"); }

    QAction *aExit = nullptr;
    QAction *aGoToSite = nullptr;
    QAction *aShowAbout = nullptr;

    // The maker's web page that Go to Site opens.
    QString SiteAddress = QStringLiteral("https://www.example.com/");

protected:
    void BeforeShow() override;
    virtual IShellOpener *ShellOpener() const { return nullptr; }
    // The window's own controls go below the menu.
    QVBoxLayout *ClientLayout() const { return m_client; }

    void aExitExecute();
    void aGoToSiteExecute();
    void aShowAboutExecute();

private:
    QMenuBar *m_menu = nullptr;
    QVBoxLayout *m_client = nullptr;
};
