#include "report/vdxClass_dialog.h"

#include "core/vdBaseForm.h"
#include "platform/Canvas.h"
#include "core/vdImageList.h"
#include "core/vdxRes.h"
#include "report/vdxAnchorKeeper.h"
#include "report/vdxClass_view.h"
#include "report/vdxDsgnIntf.h"

#include <QCoreApplication>
#include <QImage>
#include <QMetaObject>
#include <QPainter>
#include <QThread>
#include <QWindow>
#include <cmath>

namespace {

int roundi(long double v) { return int(std::nearbyint(double(v))); }

bool onGuiThread()
{
    return !QCoreApplication::instance() || QThread::currentThread() == QCoreApplication::instance()->thread();
}

void runOnGui(const std::function<void()> &fn)
{
    if (onGuiThread())
        fn();
    else
        QMetaObject::invokeMethod(QCoreApplication::instance(), fn, Qt::BlockingQueuedConnection);
}

// Qt has no single caption: buttons and labels have "text", windows a title.
const char *captionProperty(const QWidget *w)
{
    return w->metaObject()->indexOfProperty("text") >= 0 ? "text" : nullptr;
}

// The palette button of exactly this class, from the object image strip.
QImage objectImageOf(const QMetaObject *cls)
{
    TvdxObjectCollection &reg = vdxObjectRegistry();
    for (int i = 0; i < reg.Count(); ++i) {
        const TvdxObjectItem *item = reg.GetObjectItem(i);
        if (item->ClassRef != cls)
            continue;
        if (item->ButtonImageIndex >= 0) {
            TvdImageList *strip = GetImageResources()->ObjectImages();
            if (strip && item->ButtonImageIndex < strip->Count())
                return strip->Image(item->ButtonImageIndex);
        }
        return item->ButtonBmp;
    }
    return QImage();
}

} // namespace

// ---------------------------------------------------------------------------
TParentForm::TParentForm() : QWidget(nullptr)
{
    setObjectName(QStringLiteral("TParentForm"));
    setAttribute(Qt::WA_DontShowOnScreen);
}

void TParentForm::CreateControlHandle(QWidget *control)
{
    if (control)
        runOnGui([control] { control->winId(); });
}

void TParentForm::DestroyControlHandle(QWidget *control)
{
    if (control)
        runOnGui([control] {
            if (QWindow *w = control->windowHandle())
                w->destroy();
        });
}

TParentForm *vdxGetParentForm()
{
    static TParentForm *form = nullptr;
    if (!form) {
        runOnGui([] {
            if (!form) {
                form = new TParentForm();
                form->winId();
            }
        });
    }
    return form;
}

void vdxDetachParentFormControls()
{
    TParentForm *form = vdxGetParentForm();
    runOnGui([form] {
        for (;;) {
            const auto kids = form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
            if (kids.isEmpty())
                break;
            kids.first()->setParent(nullptr);
        }
    });
}

// ---------------------------------------------------------------------------
TvdxDialogComponent::TvdxDialogComponent(TvdComponent *owner) : TvdxReportComponent(owner)
{
    SetvdComponentStyle(vdComponentStyle() & ~TvdxComponentStyle(csPreviewVisible));
    SetWidth(28);
    SetHeight(28);
}

TvdxDialogComponent::~TvdxDialogComponent() = default;

void TvdxDialogComponent::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    Q_UNUSED(offsetX) Q_UNUSED(offsetY)
    SetWidth(28);
    SetHeight(28);
    const TRect r(roundi(scaleX * Left()), roundi(scaleY * Top()), roundi(scaleX * (Left() + Width())),
                  roundi(scaleY * (Top() + Height())));
    canvas.setBrush(CanvasBrush{clBtnFace, BrushStyle::Solid});
    canvas.FillRect(r);
    // Raised edge: light top-left, dark bottom-right.
    CanvasPen pen = canvas.pen();
    pen.color = clWhite;
    canvas.setPen(pen);
    canvas.MoveTo(r.Left, r.Bottom - 1);
    canvas.LineTo(r.Left, r.Top);
    canvas.LineTo(r.Right - 1, r.Top);
    pen.color = TColor(0x808080);
    canvas.setPen(pen);
    canvas.LineTo(r.Right - 1, r.Bottom - 1);
    canvas.LineTo(r.Left, r.Bottom - 1);

    const QImage img = objectImageOf(metaObject());
    if (!img.isNull()) {
        const int x = roundi(scaleX * 6) + r.Left;
        const int y = roundi(scaleY * 6) + r.Top;
        canvas.StretchDraw(TRect(x, y, x + img.width(), y + img.height()), img);
    }

    CanvasFont f;
    f.name = QStringLiteral("Tahoma");
    f.height = roundi(-8.0 * 96 / 72 * scaleX);
    f.weight = FW_NORMAL;
    canvas.setFont(f);
    canvas.SetTextColor(clBlack);
    canvas.SetBkColor(clWindow);
    canvas.SetBkMode(BkMode::Opaque);
    canvas.SetTextAlign(TA_LEFT | TA_TOP);
    const int tw = canvas.TextWidth(Name());
    canvas.TextOut(r.Left - (tw - roundi(scaleX * 28)) / 2, roundi(scaleY * 4) + r.Bottom, Name());
}

// ---------------------------------------------------------------------------
TvdxDialogControl::TvdxDialogControl(TvdComponent *owner) : TvdxReportComponent(owner)
{
    int ppi = 0;
    if (auto *oc = qobject_cast<TvdxDialogControl *>(owner))
        ppi = oc->CurrentPPI();
    else if (auto *page = qobject_cast<TvdxDialogPage *>(owner))
        ppi = page->CurrentPPI();
    m_currentPPI = ppi > 0 ? ppi : vdScreenPPI();
}

TvdxDialogControl::~TvdxDialogControl()
{
    QPointer<QWidget> control = m_control;
    if (control)
        RunInMainThread([control](TvdxComponent *) { delete control.data(); }, this);
}

void TvdxDialogControl::updateBaseName()
{
    // The class name is the final one only after the constructors ran.
    QString base = ClassName();
    if (const int i = base.indexOf(QLatin1String("Tvdx")); i >= 0)
        base.remove(i, 4);
    if (const int i = base.indexOf(QLatin1String("Control")); i >= 0)
        base.remove(i, 7);
    SetBaseName(base);
}

int TvdxDialogControl::scaled(long double value) const { return roundi(m_currentPPI * value / 96); }

void TvdxDialogControl::SetControl(QWidget *control)
{
    updateBaseName();
    if (m_control && m_control != control)
        delete m_control.data();
    m_control = control;
    if (!control)
        return;
    if (!m_caption.isEmpty())
        SetCaption(m_caption);
    control->setGeometry(scaled(Left()), scaled(Top()), scaled(Width()), scaled(Height()));
    m_anchorKeeper = new TvdxAnchorKeeper(control);
    m_anchorKeeper->SetAnchors(int(Anchors()));
    applyParent();
}

QString TvdxDialogControl::Caption() const
{
    if (m_control) {
        if (const char *p = captionProperty(m_control))
            return m_control->property(p).toString();
        return m_control->windowTitle();
    }
    return m_caption;
}

void TvdxDialogControl::SetCaption(const QString &value)
{
    m_caption = value;
    if (!m_control)
        return;
    if (const char *p = captionProperty(m_control))
        m_control->setProperty(p, value);
    else
        m_control->setWindowTitle(value);
}

void TvdxDialogControl::SetColor(TColor value)
{
    m_color = value;
    if (m_control) {
        QPalette pal = m_control->palette();
        pal.setColor(QPalette::Window, toQColor(ColorToRGB(value)));
        pal.setColor(QPalette::Button, toQColor(ColorToRGB(value)));
        m_control->setPalette(pal);
    }
}

bool TvdxDialogControl::Enabled() const { return m_control ? m_control->isEnabled() : true; }

void TvdxDialogControl::SetEnabled(bool value)
{
    if (m_control)
        m_control->setEnabled(value);
}

void TvdxDialogControl::SetHint(const QString &value)
{
    m_hint = value;
    if (m_control)
        m_control->setToolTip(m_showHint ? value : QString());
}

void TvdxDialogControl::SetShowHint(bool value)
{
    m_showHint = value;
    SetHint(m_hint);
}

bool TvdxDialogControl::TabStop() const
{
    return m_control ? (m_control->focusPolicy() & Qt::TabFocus) != 0 : true;
}

void TvdxDialogControl::SetTabStop(bool value)
{
    if (!m_control)
        return;
    const int policy = m_control->focusPolicy();
    m_control->setFocusPolicy(Qt::FocusPolicy(value ? (policy | Qt::TabFocus) : (policy & ~Qt::TabFocus)));
}

void TvdxDialogControl::SetName(const QString &value)
{
    updateBaseName();
    const bool follow = m_setCaptionFromName && !IsLoading() && Caption() == Name();
    TvdxReportComponent::SetName(value);
    if (follow)
        SetCaption(value);
}

void TvdxDialogControl::SetAnchors(TvdxAnchors value)
{
    TvdxReportComponent::SetAnchors(value);
    if (m_anchorKeeper)
        m_anchorKeeper->SetAnchors(int(value));
}

void TvdxDialogControl::rebaseAnchors()
{
    if (m_anchorKeeper)
        m_anchorKeeper->Rebase();
}

void TvdxDialogControl::SetLeft(long double value)
{
    TvdxReportComponent::SetLeft(value);
    if (m_control)
        m_control->move(scaled(value), m_control->y());
    rebaseAnchors();
    CorrectControlCoordinates();
}

void TvdxDialogControl::SetTop(long double value)
{
    TvdxReportComponent::SetTop(value);
    if (m_control)
        m_control->move(m_control->x(), scaled(value));
    rebaseAnchors();
    CorrectControlCoordinates();
}

void TvdxDialogControl::SetWidth(long double value)
{
    TvdxReportComponent::SetWidth(value);
    if (m_control)
        m_control->resize(scaled(value), m_control->height());
    rebaseAnchors();
}

void TvdxDialogControl::SetHeight(long double value)
{
    TvdxReportComponent::SetHeight(value);
    if (m_control)
        m_control->resize(m_control->width(), scaled(value));
    rebaseAnchors();
}

void TvdxDialogControl::SetParentFont(bool value)
{
    TvdxReportComponent::SetParentFont(value);
    if (m_control) {
        if (value && m_control->parentWidget())
            m_control->setFont(m_control->parentWidget()->font());
        m_control->setAttribute(Qt::WA_SetFont, !value);
    }
}

void TvdxDialogControl::SetVisible(bool value)
{
    TvdxReportComponent::SetVisible(value);
    if (m_control)
        m_control->setVisible(value);
}

void TvdxDialogControl::FontChanged()
{
    TvdxReportComponent::FontChanged();
    if (!m_control || !Font())
        return;
    QFont f(Font()->Name());
    f.setPixelSize(std::max(1, std::abs(Font()->Height())));
    f.setBold(Font()->Style().testFlag(TvdFont::fsBold));
    f.setItalic(Font()->Style().testFlag(TvdFont::fsItalic));
    f.setUnderline(Font()->Style().testFlag(TvdFont::fsUnderline));
    f.setStrikeOut(Font()->Style().testFlag(TvdFont::fsStrikeOut));
    m_control->setFont(f);
}

QWidget *TvdxDialogControl::parentWindow() const
{
    if (auto *pc = qobject_cast<TvdxDialogControl *>(Parent()))
        if (pc->Control())
            return pc->Control();
    if (auto *page = qobject_cast<TvdxDialogPage *>(Parent()))
        if (QWidget *w = page->DialogForm())
            return w;
    return vdxGetParentForm();
}

void TvdxDialogControl::applyParent()
{
    if (!m_control)
        return;
    RunInMainThread(
        [](TvdxComponent *sender) {
            auto *self = static_cast<TvdxDialogControl *>(sender);
            QWidget *w = self->m_control;
            if (!w)
                return;
            const QRect g = w->geometry();
            w->setParent(self->parentWindow());
            w->setGeometry(g);
            self->rebaseAnchors();
            w->setVisible(self->Visible());
            if (self->Parent())
                self->CorrectControlCoordinates();
            // Child widgets draw inside their top window: no native window of their own.
            if (w->parentWidget())
                w->ensurePolished();
        },
        this);
}

void TvdxDialogControl::SetParent(TvdxComponent *value)
{
    updateBaseName();
    TvdxReportComponent::SetParent(value);
    applyParent();
}

bool TvdxDialogControl::IsAcceptAsChild(TvdxComponent *parent) const
{
    if (!parent)
        return false;
    const bool dialogKind = qobject_cast<TvdxDialogPage *>(parent) || qobject_cast<TvdxDialogControl *>(parent);
    return dialogKind && parent->Parent() != this;
}

bool TvdxDialogControl::IsAcceptControls() const { return m_acceptsControls; }

bool TvdxDialogControl::IsOwnerDraw() const
{
    if (auto *pc = qobject_cast<TvdxDialogControl *>(Parent()))
        return pc->IsOwnerDraw();
    return false;
}

void TvdxDialogControl::UpdateControlPPI(int newPPI)
{
    for (TvdxComponent *child : Objects().List())
        if (auto *dc = qobject_cast<TvdxDialogControl *>(child))
            dc->UpdateControlPPI(newPPI);
    m_currentPPI = newPPI;
}

void TvdxDialogControl::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    Q_UNUSED(offsetX) Q_UNUSED(offsetY)
    const int w = roundi(scaleX * Width());
    const int h = roundi(scaleX * Height());
    if (w <= 0 || h <= 0)
        return;
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(toQColor(ColorToRGB(clBtnFace)));
    if (m_control) {
        QPainter p(&img);
        const QSize sz = m_control->size();
        if (sz.width() > 0 && sz.height() > 0)
            p.scale(double(w) / sz.width(), double(h) / sz.height());
        m_control->render(&p, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    const int x = roundi(scaleX * AbsLeft());
    const int y = roundi(scaleY * AbsTop());
    canvas.StretchDraw(TRect(x, y, x + w, y + h), img);
}

static const bool s_dialogClasses = [] {
    vdRegisterClass<TvdxDialogComponent>();
    vdRegisterClass<TvdxDialogControl>();
    return true;
}();
