#include "preview/vdxDockState.h"
#include "core/vdBaseForm.h"
#include "preview/vdxDock.h"

#include <QGuiApplication>
#include <QScreen>
#include <QToolBar>
#include <cmath>

namespace {

constexpr int kMaxExtent = 32767;

int roundInt(double v)
{
    return int(std::lround(std::clamp(v, double(INT32_MIN), double(INT32_MAX))));
}

// A stored extent, or def when it is missing, malformed, negative or huge.
int readExtent(const TCustomIniFile *store, const QString &section, const QString &key, int def)
{
    const int v = store->ReadInteger(section, key, def);
    return v < 0 || v > kMaxExtent ? def : v;
}

int readCoord(const TCustomIniFile *store, const QString &section, const QString &key, int def)
{
    const int v = store->ReadInteger(section, key, def);
    return v < -kMaxExtent || v > kMaxExtent ? def : v;
}

bool onScreen(const QRect &r)
{
    for (QScreen *s : QGuiApplication::screens())
        if (s->availableGeometry().intersects(r))
            return true;
    return false;
}

QWidget *findByPath(QWidget *root, const QString &path)
{
    QWidget *w = root;
    for (const QString &name : path.split(QLatin1Char('.'), Qt::SkipEmptyParts)) {
        if (!w)
            return nullptr;
        QWidget *next = nullptr;
        for (QWidget *c : w->findChildren<QWidget *>(name))
            if (c->objectName() == name) {
                next = c;
                break;
            }
        w = next;
    }
    return w == root ? nullptr : w;
}

} // namespace

QString vdxBytesToHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex()).toUpper();
}

bool vdxHexToBytes(const QString &hex, QByteArray &bytes)
{
    bytes.clear();
    if (hex.size() % 2)
        return false;
    for (QChar c : hex)
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f')))
            return false;
    bytes = QByteArray::fromHex(hex.toLatin1());
    return true;
}

void vdxSaveToolbarState(TCustomIniFile *store, QToolBar *toolbar, double scale)
{
    if (!store || !toolbar)
        return;
    if (scale <= 0)
        scale = 1;
    const QString section = QStringLiteral("ToolBar5.") + toolbar->objectName();
    const QRect g = toolbar->isWindow() ? toolbar->frameGeometry() : toolbar->geometry();
    store->WriteBool(section, QStringLiteral("Float"), toolbar->isWindow());
    store->WriteBool(section, QStringLiteral("Visible"), !toolbar->isHidden());
    store->WriteInteger(section, QStringLiteral("Left"), roundInt(g.left() / scale));
    store->WriteInteger(section, QStringLiteral("Top"), roundInt(g.top() / scale));
    store->WriteInteger(section, QStringLiteral("Width"), roundInt(toolbar->width() / scale));
    store->WriteInteger(section, QStringLiteral("Height"), roundInt(toolbar->height() / scale));
    if (auto *bar = qobject_cast<TvdxTBPanel *>(toolbar->parentWidget()))
        store->WriteString(section, QStringLiteral("Dock5"), bar->objectName());
}

void vdxRestoreToolbarState(TCustomIniFile *store, QToolBar *toolbar, int ppi)
{
    if (!store || !toolbar)
        return;
    // The section the save writes, whatever the density.
    const QString section = QStringLiteral("ToolBar5.") + toolbar->objectName();
    const double f = ppi > 96 ? ppi / 96.0 : 1.0;
    auto scaled = [&](const QString &key, int cur, bool extent) {
        const int def = roundInt(cur / f);
        const int v = extent ? readExtent(store, section, key, def) : readCoord(store, section, key, def);
        return v == def ? cur : roundInt(v * f);
    };
    const int left = scaled(QStringLiteral("Left"), toolbar->x(), false);
    const int top = scaled(QStringLiteral("Top"), toolbar->y(), false);
    const int width = scaled(QStringLiteral("Width"), toolbar->width(), true);
    const int height = scaled(QStringLiteral("Height"), toolbar->height(), true);
    toolbar->hide();
    if (store->ReadBool(section, QStringLiteral("Float"), false)) {
        const QRect r(left, top, width, height);
        toolbar->setParent(toolbar->parentWidget() ? toolbar->parentWidget()->window() : nullptr,
                           Qt::Tool | Qt::FramelessWindowHint);
        toolbar->resize(width, height);
        if (onScreen(r))
            toolbar->move(left, top);
    } else {
        QWidget *parent = toolbar->parentWidget();
        const QString name = store->ReadString(section, QStringLiteral("Dock5"), parent ? parent->objectName() : QString());
        QWidget *owner = nullptr;
        if (auto *dockable = qobject_cast<TvdxDockToolBar *>(toolbar))
            owner = dockable->Owner;
        if (!owner && parent)
            owner = parent->window();
        if (owner && !name.isEmpty())
            for (TvdxTBPanel *bar : owner->findChildren<TvdxTBPanel *>(name))
                if (bar->objectName() == name) {
                    if (bar != parent)
                        toolbar->setParent(bar);
                    break;
                }
        toolbar->setGeometry(left, top, width, height);
    }
    toolbar->setVisible(store->ReadBool(section, QStringLiteral("Visible"), true));
}

void vdxSaveDockSiteState(TCustomIniFile *store, TvdxDockSite *site, double scale)
{
    if (!store || !site)
        return;
    if (scale <= 0)
        scale = 1;
    const QString section = QStringLiteral("Dock5.") + site->objectName();
    store->WriteString(section, QStringLiteral("Data2005"), vdxBytesToHex(site->DockManager()->SaveToStream()));
    store->WriteInteger(section, QStringLiteral("Width"), roundInt(site->width() / scale));
    store->WriteInteger(section, QStringLiteral("Height"), roundInt(site->height() / scale));
    store->WriteInteger(section, QStringLiteral("Size"), site->SavedSize);
}

void vdxRestoreDockSiteState(TCustomIniFile *store, TvdxDockSite *site)
{
    if (!store || !site)
        return;
    const QString section = QStringLiteral("Dock5.") + site->objectName();
    QByteArray bytes;
    // Hex that is odd, not hex or not a layout leaves the site as it is.
    if (vdxHexToBytes(store->ReadString(section, QStringLiteral("Data2005"), QString()), bytes) && !bytes.isEmpty())
        site->DockManager()->LoadFromStream(bytes);
    const double sitePPI = site->CurrentPPI > 0 ? site->CurrentPPI : 96;
    const int screenPPI = vdScreenPPI();
    auto scaledRead = [&](const QString &key, int cur) {
        const int def = roundInt(cur / (sitePPI / 96.0));
        const int v = readExtent(store, section, key, def);
        if (v == def)
            return cur;
        return screenPPI >= sitePPI ? roundInt(v * (screenPPI / 96.0)) : v;
    };
    const int w = scaledRead(QStringLiteral("Width"), site->width());
    const int h = scaledRead(QStringLiteral("Height"), site->height());
    site->resize(w, h);
    site->SetSiteSize(site->Horizontal() ? h : w);
    site->SavedSize = readExtent(store, section, QStringLiteral("Size"), 100);
    site->UpdateAlign();
    site->Relayout();
}

void vdxRestoreFormState(TCustomIniFile *store, TvdBaseForm *form, double scale)
{
    if (!store || !form)
        return;
    if (scale <= 0)
        scale = 1;
    const QString section = QStringLiteral("Form5.") + form->FormClassName();
    if (store->ReadBool(section, QStringLiteral("Maximized"), false)) {
        form->showMaximized();
    } else {
        const int l = readCoord(store, section, QStringLiteral("Left"), form->x());
        const int t = readCoord(store, section, QStringLiteral("Top"), form->y());
        const int w0 = readExtent(store, section, QStringLiteral("Width"), -1);
        const int h0 = readExtent(store, section, QStringLiteral("Height"), -1);
        const int w = w0 > 0 ? roundInt(w0 * scale) : form->width();
        const int h = h0 > 0 ? roundInt(h0 * scale) : form->height();
        form->resize(w, h);
        // A window saved on a monitor that is gone stays where it is.
        if (!form->isWindow() || onScreen(QRect(l, t, w, h)))
            form->move(l, t);
    }
    const QString dock = store->ReadString(section, QStringLiteral("Dock5"), QString());
    if (!dock.isEmpty() && form->Owner())
        if (QWidget *target = findByPath(form->Owner(), dock); target && target != form && !form->isAncestorOf(target)) {
            if (auto *site = qobject_cast<TvdxDockSite *>(target))
                site->DockDrop(form);
            else
                form->setParent(target, form->windowFlags() & ~Qt::Window);
        }
    form->setVisible(store->ReadBool(section, QStringLiteral("Visible"), true));
}
