#include "preview/vdxDock.h"
#include "platform/GraphicsTypes.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDataStream>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace {

int roundInt(double v)
{
    return int(std::lround(v));
}

constexpr quint32 kLayoutMagic = 0x56445431; // "VDT1"
constexpr int kMaxZones = 1024;

QWidget *ownerOf(QWidget *w)
{
    if (auto *form = qobject_cast<TvdBaseForm *>(w))
        return form->Owner();
    return nullptr;
}

QWidget *findExact(QWidget *root, const QString &name)
{
    if (!root)
        return nullptr;
    if (root->objectName() == name)
        return root;
    const QList<QWidget *> all = root->findChildren<QWidget *>(name);
    return all.isEmpty() ? nullptr : all.first();
}

} // namespace

// --------------------------------------------------------------- splitter

TDockSplitter::TDockSplitter(TvdxDockSite *site) : QWidget(nullptr), m_site(site)
{
    setMouseTracking(true);
    PPI = vdScreenPPI();
}

void TDockSplitter::ParentChanged()
{
    if (auto *panel = qobject_cast<TvdxDPIAwareBasePanel *>(parentWidget()))
        PPI = panel->CurrentPPI;
    else
        PPI = vdScreenPPI();
}

Qt::CursorShape TDockSplitter::CursorAt(const QPoint &pos) const
{
    if (m_site->Horizontal())
        return std::abs(pos.x() - width() / 2) < 20 ? Qt::PointingHandCursor : Qt::SplitVCursor;
    return std::abs(pos.y() - height() / 2) < 20 ? Qt::PointingHandCursor : Qt::SplitHCursor;
}

void TDockSplitter::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    if (CursorAt(event->position().toPoint()) != Qt::PointingHandCursor)
        return;
    // A click on the grip collapses the site, or brings it back.
    const int size = m_site->SiteSize();
    if (size != 0) {
        m_site->SavedSize = size;
        m_site->SetSiteSize(0);
    } else {
        m_site->SetSiteSize(m_site->SavedSize);
    }
    m_site->UpdateAlign();
    m_pressed = false;
}

void TDockSplitter::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    setCursor(CursorAt(p));
    if (!m_pressed)
        return;
    int size = m_site->SiteSize();
    switch (m_site->Align()) {
    case daTop: size = p.y() + m_site->height(); break;
    case daBottom: size = m_site->height() - p.y(); break;
    case daLeft: size = p.x() + m_site->width(); break;
    case daRight: size = m_site->width() - p.x(); break;
    }
    m_site->SetSiteSize(std::max(0, size));
    m_site->UpdateAlign();
}

void TDockSplitter::mouseReleaseEvent(QMouseEvent *)
{
    m_pressed = false;
}

void TDockSplitter::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const double s = PPI / 96.0;
    const int gap = 3;
    const int thick = roundInt(6 * s);
    const int len = gap + roundInt((gap + 2 * s) * 6) + roundInt(s);
    const bool horz = m_site->Horizontal();
    const int length = horz ? width() : height();
    const int across = horz ? height() : width();
    const int start = (length - len) / 2;
    const int band = (across - thick) / 2;
    const QRect grip = horz ? QRect(start, band, len, thick) : QRect(band, start, thick, len);
    p.fillRect(grip, toQColor(clScrollBar));
    const int dot = roundInt(2 * s), hi = roundInt(s), step = roundInt(2 * s + 3);
    for (int i = 0; i < 6; ++i) {
        const int along = start + gap + i * step;
        const int a = band + roundInt(2 * s);
        const QRect r = horz ? QRect(along, a, dot, dot) : QRect(a, along, dot, dot);
        p.fillRect(r, QColor(128, 128, 128));
        p.fillRect(QRect(r.topLeft(), QSize(hi, hi)), Qt::white);
    }
}

// -------------------------------------------------------------- dock tree

TvdxDockTree::TvdxDockTree(TvdxDockSite *site) : QObject(nullptr), m_site(site)
{
    m_ppi = vdScreenPPI();
    computeSizes();
}

void TvdxDockTree::computeSizes()
{
    auto sc = [this](int v) { return MulDiv(v, m_ppi, 96); };
    HeadSize = sc(20);
    ClosePadding = sc(6);
    CaptionPadding = sc(4);
    CloseWidth = sc(2);
    TextHeight = sc(-13);
    TextHide = sc(10);
}

void TvdxDockTree::DPIChanged(int newPPI)
{
    if (newPPI <= 0 || newPPI == m_ppi)
        return;
    m_ppi = newPPI;
    m_font.reset();
    m_vertFont.reset();
    computeSizes();
    ResetBounds();
}

bool TvdxDockTree::VerticalCaptions() const
{
    return m_site->Horizontal();
}

void TvdxDockTree::InsertControl(QWidget *control, int size, int index)
{
    RemoveControl(control);
    if (size <= 0)
        size = std::max(1, VerticalCaptions() ? control->width() : control->height());
    Zone z{control, size};
    if (index < 0 || index > m_zones.size())
        m_zones.append(z);
    else
        m_zones.insert(index, z);
}

void TvdxDockTree::RemoveControl(QWidget *control)
{
    for (int i = m_zones.size() - 1; i >= 0; --i)
        if (!m_zones[i].control || m_zones[i].control == control)
            m_zones.removeAt(i);
}

QList<QWidget *> TvdxDockTree::Controls() const
{
    QList<QWidget *> out;
    for (const Zone &z : m_zones)
        if (z.control)
            out.append(z.control);
    return out;
}

int TvdxDockTree::DockClientCount() const
{
    return int(Controls().size());
}

QList<TvdxDockTree::Zone> TvdxDockTree::visibleZones() const
{
    QList<Zone> out;
    for (const Zone &z : m_zones)
        if (z.control && !z.control->isHidden())
            out.append(z);
    return out;
}

QRect TvdxDockTree::ZoneRect(QWidget *control) const
{
    const QList<Zone> zones = visibleZones();
    const bool stackX = VerticalCaptions();
    const int avail = stackX ? m_site->width() : m_site->height();
    qint64 total = 0;
    for (const Zone &z : zones)
        total += std::max(0, z.size);
    int at = 0;
    for (int i = 0; i < zones.size(); ++i) {
        int extent;
        if (i == zones.size() - 1)
            extent = avail - at;
        else if (total > 0)
            extent = int(qint64(avail) * std::max(0, zones[i].size) / total);
        else
            extent = avail / int(zones.size());
        if (zones[i].control == control)
            return stackX ? QRect(at, 0, std::max(0, extent), m_site->height())
                          : QRect(0, at, m_site->width(), std::max(0, extent));
        at += extent;
    }
    return QRect();
}

void TvdxDockTree::AdjustDockRect(QWidget *, QRect &rect) const
{
    if (VerticalCaptions())
        rect.setLeft(rect.left() + HeadSize);
    else
        rect.setTop(rect.top() + HeadSize);
}

void TvdxDockTree::ResetBounds()
{
    m_site->Relayout();
}

namespace {

QRect closeMark(const QRect &r, bool vertical, int head, int pad)
{
    const int right = r.left() + r.width(), top = r.top();
    QRect c = vertical ? QRect(QPoint(r.left() + pad, top + pad), QPoint(r.left() + head - pad, top + head - pad))
                       : QRect(QPoint(right + pad - head, top + pad), QPoint(right - pad, top + head - pad));
    // As corners, not inclusive pixels: an odd extent loses its last pixel.
    int w = c.right() - c.left(), h = c.bottom() - c.top();
    if (w % 2)
        --w;
    if (h % 2)
        --h;
    return QRect(c.left(), c.top(), w, h);
}

} // namespace

void TvdxDockTree::PaintDockFrame(QPainter &p, QWidget *control, const QRect &r)
{
    const bool vertical = VerticalCaptions();
    const QRect bar = vertical ? QRect(r.left(), r.top(), HeadSize, r.height())
                               : QRect(r.left(), r.top(), r.width(), HeadSize);
    p.fillRect(bar, QColor(206, 220, 236));
    m_closeRect = closeMark(r, vertical, HeadSize, ClosePadding);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(96, 96, 96), CloseWidth, Qt::SolidLine, Qt::FlatCap));
    const QRect &c = m_closeRect;
    p.drawLine(c.left(), c.top(), c.left() + c.width(), c.top() + c.height());
    p.drawLine(c.left(), c.top() + c.height(), c.left() + c.width(), c.top());
    p.restore();
    if (!m_font) {
        m_font = std::make_unique<QFont>(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
        m_font->setPixelSize(std::max(1, -TextHeight));
        m_font->setWeight(QFont::Normal);
        m_vertFont = std::make_unique<QFont>(*m_font);
    }
    const QString text = control ? control->windowTitle() : QString();
    if (text.isEmpty() || bar.width() <= TextHide || bar.height() <= TextHide)
        return;
    p.save();
    p.setPen(Qt::black);
    const int cw = m_closeRect.width();
    if (!vertical) {
        p.setFont(*m_font);
        const QRect tr(QPoint(bar.left() + CaptionPadding, bar.top()), QPoint(bar.right() - 2 * cw, bar.bottom()));
        p.drawText(tr, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                   QFontMetrics(*m_font).elidedText(text, Qt::ElideRight, tr.width()));
    } else {
        p.setFont(*m_vertFont);
        p.translate(bar.left(), bar.bottom() - CaptionPadding);
        p.rotate(-90);
        const int len = bar.height() - 2 * CaptionPadding - 2 * cw;
        p.drawText(QRect(0, 0, std::max(0, len), bar.width()), Qt::AlignVCenter | Qt::AlignLeft, text);
    }
    p.restore();
}

QWidget *TvdxDockTree::ZoneCaptionHitTest(const QPoint &point, int &hit)
{
    const bool vertical = VerticalCaptions();
    for (const Zone &z : visibleZones()) {
        const QRect r = ZoneRect(z.control);
        const QRect bar = vertical ? QRect(r.left(), r.top(), HeadSize, r.height())
                                   : QRect(r.left(), r.top(), r.width(), HeadSize);
        if (!bar.contains(point))
            continue;
        const QRect c = closeMark(r, vertical, HeadSize, ClosePadding);
        hit = c.adjusted(0, 0, 1, 1).contains(point) ? vdxHitClose : vdxHitCaption;
        return z.control;
    }
    hit = 0;
    return nullptr;
}

QByteArray TvdxDockTree::SaveToStream() const
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setVersion(QDataStream::Qt_6_0);
    const QList<Zone> zones = [this] {
        QList<Zone> z;
        for (const Zone &x : m_zones)
            if (x.control)
                z.append(x);
        return z;
    }();
    s << kLayoutMagic << qint32(zones.size());
    for (const Zone &z : zones)
        s << z.control->objectName() << qint32(z.size) << !z.control->isHidden();
    return out;
}

bool TvdxDockTree::LoadFromStream(const QByteArray &data)
{
    QDataStream s(data);
    s.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    qint32 count = -1;
    s >> magic >> count;
    if (s.status() != QDataStream::Ok || magic != kLayoutMagic || count < 0 || count > kMaxZones)
        return false;
    struct Entry {
        QString name;
        qint32 size;
        bool visible;
    };
    QList<Entry> entries;
    for (int i = 0; i < count; ++i) {
        Entry e;
        s >> e.name >> e.size >> e.visible;
        if (s.status() != QDataStream::Ok || e.name.isEmpty() || e.size < 0 || e.size > 100000)
            return false;
        entries.append(e);
    }
    if (!s.atEnd())
        return false;
    // Only a whole layout is applied.
    int index = 0;
    for (const Entry &e : entries) {
        QWidget *c = m_site->ReloadDockedControl(e.name);
        if (!c || c == m_site || c->isAncestorOf(m_site))
            continue;
        if (c->parentWidget() != m_site) {
            c->setParent(m_site);
            c->installEventFilter(m_site);
        }
        InsertControl(c, std::max(1, int(e.size)), index++);
        c->setVisible(e.visible);
    }
    m_site->Relayout();
    return true;
}

// -------------------------------------------------------------- dock site

TvdxDockSite::TvdxDockSite(QWidget *parent, TvdxDockAlign align) : TvdxDPIAwarePanel(parent), m_align(align)
{
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    m_splitter = new TDockSplitter(this);
    m_splitter->hide();
    m_tree = std::make_unique<TvdxDockTree>(this);
    m_tree->DPIChanged(CurrentPPI);
    resize(10, 10);
    if (parent) {
        m_splitter->setParent(parent);
        m_splitter->hide();
        m_splitter->ParentChanged();
    }
    UpdateAlign();
}

TvdxDockSite::~TvdxDockSite()
{
    delete m_splitter.data();
}

void TvdxDockSite::SetAlign(TvdxDockAlign align)
{
    m_align = align;
    UpdateAlign();
    Relayout();
}

int TvdxDockSite::SiteSize() const
{
    return Horizontal() ? height() : width();
}

void TvdxDockSite::SetSiteSize(int value)
{
    value = std::max(0, value);
    if (Horizontal())
        setFixedHeight(value);
    else
        setFixedWidth(value);
}

void TvdxDockSite::UpdateAlign()
{
    if (!m_splitter)
        return;
    const int t = roundInt(CurrentPPI * 6 / 96.0);
    if (Horizontal())
        m_splitter->setFixedHeight(t);
    else
        m_splitter->setFixedWidth(t);
    QWidget *parent = parentWidget();
    if (!parent || m_splitter->parentWidget() != parent)
        return;
    if (auto *box = qobject_cast<QBoxLayout *>(parent->layout())) {
        const int at = box->indexOf(this);
        if (at >= 0 && box->indexOf(m_splitter) < 0)
            box->insertWidget(m_align == daLeft || m_align == daTop ? at + 1 : at, m_splitter);
        return;
    }
    const QRect g = geometry();
    switch (m_align) {
    case daTop: m_splitter->setGeometry(g.left(), g.top() + g.height(), g.width(), t); break;
    case daBottom: m_splitter->setGeometry(g.left(), g.top() - t, g.width(), t); break;
    case daLeft: m_splitter->setGeometry(g.left() + g.width(), g.top(), t, g.height()); break;
    case daRight: m_splitter->setGeometry(g.left() - t, g.top(), t, g.height()); break;
    }
}

void TvdxDockSite::setVisible(bool visible)
{
    if (m_splitter && (visible ? m_tree->DockClientCount() > 0 : true))
        m_splitter->setVisible(visible);
    TvdxDPIAwarePanel::setVisible(visible);
}

void TvdxDockSite::changeEvent(QEvent *event)
{
    TvdxDPIAwarePanel::changeEvent(event);
    if (event->type() == QEvent::ParentChange && m_splitter) {
        const bool shown = !m_splitter->isHidden();
        m_splitter->setParent(parentWidget());
        m_splitter->setVisible(shown);
        m_splitter->ParentChanged();
        UpdateAlign();
    }
}

void TvdxDockSite::PPIChanging(int newPPI)
{
    if (m_splitter)
        m_splitter->PPI = newPPI;
    m_tree->DPIChanged(newPPI);
}

bool TvdxDockSite::DockOver(QWidget *client)
{
    if (TopParentWin) {
        QWidget *owner = ownerOf(client);
        if (owner && owner->objectName() != TopParentWin->objectName())
            return false;
    }
    m_panelSize = Horizontal() ? client->height() : client->width();
    return true;
}

bool TvdxDockSite::DockDrop(QWidget *client, int size)
{
    if (!client || client == this || client->isAncestorOf(this) || !DockOver(client))
        return false;
    const int panelSize = m_panelSize;
    client->setParent(this);
    client->installEventFilter(this);
    m_tree->InsertControl(client, size);
    client->show();
    if (SiteSize() < panelSize)
        SetSiteSize(panelSize);
    if (m_splitter) {
        UpdateAlign();
        m_splitter->show();
    }
    Relayout();
    update();
    return true;
}

bool TvdxDockSite::DoUnDock(QWidget *newTarget, QWidget *client)
{
    if (newTarget && newTarget->window() != window())
        return false;
    m_tree->RemoveControl(client);
    client->removeEventFilter(this);
    if (!newTarget) {
        const QPoint at = client->mapToGlobal(QPoint(0, 0));
        client->setParent(TopParentWin ? TopParentWin.data() : window(), Qt::Tool);
        client->move(at);
        client->show();
    }
    if (m_tree->DockClientCount() == 0 && m_splitter)
        m_splitter->hide();
    Relayout();
    update();
    return true;
}

QWidget *TvdxDockSite::ReloadDockedControl(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    if (TopParentWin)
        if (QWidget *w = findExact(TopParentWin, name))
            return w;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (QWidget *w = findExact(top, name))
            return w;
    return nullptr;
}

void TvdxDockSite::Relayout()
{
    for (QWidget *c : m_tree->Controls()) {
        if (c->isHidden())
            continue;
        QRect r = m_tree->ZoneRect(c);
        m_tree->AdjustDockRect(c, r);
        c->setGeometry(r);
    }
    update();
}

void TvdxDockSite::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    for (QWidget *c : m_tree->Controls())
        if (!c->isHidden())
            m_tree->PaintDockFrame(p, c, m_tree->ZoneRect(c));
}

void TvdxDockSite::resizeEvent(QResizeEvent *event)
{
    TvdxDPIAwarePanel::resizeEvent(event);
    UpdateAlign();
    Relayout();
}

void TvdxDockSite::moveEvent(QMoveEvent *event)
{
    TvdxDPIAwarePanel::moveEvent(event);
    UpdateAlign();
}

bool TvdxDockSite::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
        && m_tree->Controls().contains(qobject_cast<QWidget *>(watched)))
        Relayout();
    return TvdxDPIAwarePanel::eventFilter(watched, event);
}

void TvdxDockSite::mousePressEvent(QMouseEvent *event)
{
    int hit = 0;
    QWidget *c = m_tree->ZoneCaptionHitTest(event->position().toPoint(), hit);
    if (!c || event->button() != Qt::LeftButton)
        return;
    if (hit == vdxHitClose) {
        c->close();
        Relayout();
        return;
    }
    m_dragClient = c;
    m_dragStart = event->globalPosition().toPoint();
}

void TvdxDockSite::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragClient)
        return;
    const QPoint g = event->globalPosition().toPoint();
    if (!m_drag && (g - m_dragStart).manhattanLength() < QApplication::startDragDistance())
        return;
    if (!m_drag)
        m_drag = std::make_unique<TvdxDragDockObject>(m_dragClient);
    TvdxDockSite *target = nullptr;
    for (QWidget *w = QApplication::widgetAt(g); w; w = w->parentWidget())
        if ((target = qobject_cast<TvdxDockSite *>(w)))
            break;
    const QRect r = target ? QRect(target->mapToGlobal(QPoint(0, 0)), target->size())
                           : QRect(g, m_dragClient->size());
    m_drag->DrawDragDockImage(r);
}

void TvdxDockSite::mouseReleaseEvent(QMouseEvent *event)
{
    QPointer<QWidget> client = m_dragClient;
    m_dragClient = nullptr;
    if (!m_drag || !client)
        return;
    m_drag.reset();
    const QPoint g = event->globalPosition().toPoint();
    TvdxDockSite *target = nullptr;
    for (QWidget *w = QApplication::widgetAt(g); w; w = w->parentWidget())
        if ((target = qobject_cast<TvdxDockSite *>(w)))
            break;
    if (target == this)
        return;
    if (target) {
        if (target->DockOver(client) && DoUnDock(target, client))
            target->DockDrop(client);
    } else if (DoUnDock(nullptr, client)) {
        client->move(g);
    }
}

// ------------------------------------------------------- drop rectangle

TBlueForm::TBlueForm()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                           | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, toQColor(clHighlight));
    setPalette(pal);
    setAutoFillBackground(true);
    setWindowOpacity(AlphaBlendValue / 255.0);
    setGeometry(0, 0, 0, 0);
}

TvdxDragDockObject::TvdxDragDockObject(QWidget *control) : m_control(control), m_form(std::make_unique<TBlueForm>())
{
}

TvdxDragDockObject::~TvdxDragDockObject() = default;

void TvdxDragDockObject::DrawDragDockImage(const QRect &dockRect)
{
    QRect r = dockRect;
    if (r.width() <= 0)
        r.adjust(-10, 0, 10, 0);
    if (r.height() <= 0)
        r.adjust(0, -10, 0, 10);
    m_form->setGeometry(r);
    m_form->show();
}

// --------------------------------------------------------- dockable bases

TvdxDockForm::TvdxDockForm(QWidget *owner) : TvdxBaseForm(owner)
{
}

TvdxDockToolBar::TvdxDockToolBar(QWidget *owner) : QToolBar(owner), Owner(owner)
{
}

TvdxTBPanel::TvdxTBPanel(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(true);
    resize(8, 8);
    parentChanged();
}

void TvdxTBPanel::changeEvent(QEvent *event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::ParentChange)
        parentChanged();
}

void TvdxTBPanel::parentChanged()
{
    auto *site = qobject_cast<TvdxDockSite *>(parentWidget());
    m_align = site && !site->Horizontal() ? daTop : daLeft;
}
