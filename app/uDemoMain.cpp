#include "app/uDemoMain.h"
#include "app/uDemoServices.h"
#include "platform/UiProvider.h"

#include <QAction>
#include <QMenuBar>
#include <QVBoxLayout>

TfrmDemoMain::TfrmDemoMain(QWidget *owner) : TvdBaseForm(owner)
{
    setWindowTitle(QStringLiteral("Quennet, Inc."));
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(11);
    setFont(f);
    resize(505, 231);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_menu = new QMenuBar(this);
    outer->setMenuBar(m_menu);
    m_client = new QVBoxLayout;
    m_client->setContentsMargins(8, 8, 8, 8);
    outer->addLayout(m_client);

    aExit = new QAction(QStringLiteral("Exit"), this);
    aGoToSite = new QAction(QStringLiteral("Go to Site..."), this);
    aShowAbout = new QAction(QStringLiteral("About Vendari..."), this);
    connect(aExit, &QAction::triggered, this, [this] { aExitExecute(); });
    connect(aGoToSite, &QAction::triggered, this, [this] { aGoToSiteExecute(); });
    connect(aShowAbout, &QAction::triggered, this, [this] { aShowAboutExecute(); });
    m_menu->addMenu(QStringLiteral("File"))->addAction(aExit);
    QMenu *help = m_menu->addMenu(QStringLiteral("Help"));
    help->addAction(aGoToSite);
    help->addAction(aShowAbout);
}

void TfrmDemoMain::BeforeShow()
{
    TvdBaseForm::BeforeShow();
    setWindowTitle(QStringLiteral("%1 - Quennet, Inc.").arg(GetDemoTitle()));
}

void TfrmDemoMain::aExitExecute()
{
    close();
}

void TfrmDemoMain::aGoToSiteExecute()
{
    if (IShellOpener *shell = ShellOpener())
        shell->OpenUrl(QUrl(SiteAddress));
}

void TfrmDemoMain::aShowAboutExecute()
{
    vdUiProvider().MessageBox(QStringLiteral("Vendari 2023.2\nReports and labels."), QStringLiteral("About Vendari"),
                              MB_OK | MB_ICONINFORMATION);
}
