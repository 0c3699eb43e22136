// Whatever text the settings store holds, restoring toolbars, dock sites,
// forms and the recent fonts keeps every value in range and every window on
// a screen, and never crashes.
#include "FuzzApplication.h"
#include "platform/IniFile.h"
#include "preview/vdxDock.h"
#include "preview/vdxDockState.h"
#include "preview/vdxFontComboBox.h"

#include <QGuiApplication>
#include <QScreen>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

bool onAScreen(const QWidget *w)
{
    for (QScreen *s : QGuiApplication::screens())
        if (s->availableGeometry().intersects(w->frameGeometry()))
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApplication();
    TMemIniFile store;
    store.SetIniText(QString::fromUtf8(reinterpret_cast<const char *>(data), int(size)));

    QWidget host;
    host.setObjectName(QStringLiteral("Designer"));
    host.resize(600, 400);
    auto *bar = new TvdxTBPanel(&host);
    bar->setObjectName(QStringLiteral("TopBar"));
    auto *toolbar = new TvdxDockToolBar(&host);
    toolbar->setObjectName(QStringLiteral("Standard"));
    toolbar->setParent(bar);
    toolbar->setGeometry(0, 0, 200, 24);
    auto *site = new TvdxDockSite(&host, daLeft);
    site->setObjectName(QStringLiteral("LeftDock"));
    site->TopParentWin = &host;
    site->setGeometry(0, 30, 150, 370);
    auto *form = new TvdxDockForm(&host);
    form->setObjectName(QStringLiteral("Inspector"));
    form->resize(140, 200);
    auto *other = new TvdxDockForm(&host);
    other->setObjectName(QStringLiteral("ReportTree"));
    site->DockDrop(other);

    for (int ppi : {96, 144})
        vdxRestoreToolbarState(&store, toolbar, ppi);
    check(toolbar->width() >= 0 && toolbar->width() <= 32767 * 2 && toolbar->height() <= 32767 * 2);
    if (toolbar->isWindow())
        check(onAScreen(toolbar) || toolbar->pos() == QPoint(0, 0));

    vdxRestoreDockSiteState(&store, site);
    check(site->width() >= 0 && site->width() <= 32767 * 2);
    check(site->SavedSize >= 0 && site->SavedSize <= 32767);
    // What the site holds saves and loads back the same.
    TMemIniFile again;
    vdxSaveDockSiteState(&again, site, 1.0);
    const QString layout = again.ReadString(QStringLiteral("Dock5.LeftDock"), QStringLiteral("Data2005"), QString());
    QByteArray bytes;
    check(vdxHexToBytes(layout, bytes));
    check(site->DockManager()->LoadFromStream(bytes));

    form->move(10, 10);
    vdxRestoreFormState(&store, form, 1.5);
    if (form->isWindow() && !form->isMaximized())
        check(onAScreen(form) || form->pos() == QPoint(10, 10));
    check(form->width() >= 0 && form->width() <= 32767 * 2);

    TvdxFontComboBox::SetFontSource([] {
        return QList<QPair<QString, int>>{{QStringLiteral("Alpha"), 4}, {QStringLiteral("Bravo"), 2}};
    });
    {
        TvdxFontComboBox box;
        auto ini = std::make_unique<TMemIniFile>();
        ini->SetIniText(store.IniText());
        box.SetIniFile(std::move(ini));
        box.PopulateList();
        check(box.RecentCountIndex() <= 4 && box.count() <= 2 + 5);
        if (box.count() > 1)
            box.CloseUp(box.count() - 1);
    }
    TvdxFontComboBox::SetFontSource({});
    return 0;
}
