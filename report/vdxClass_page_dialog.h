// The dialog page: a window shown before the report runs, holding dialog
// controls, its events handled by the report script. Coordinates are pixels at
// 96 per inch; the window is laid out for CurrentPPI.
#pragma once
#include "core/vdVariant.h"
#include "report/vdxClass_page.h"
#include "report/vdxDialogForm.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class TvdxDialogPage;

class TvdxDialogPage : public TvdxPage {
    Q_OBJECT
public:
    enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
    Q_ENUM(TFormBorderStyle)
    enum TPosition {
        poDesigned,
        poDefault,
        poDefaultPosOnly,
        poDefaultSizeOnly,
        poScreenCenter,
        poDesktopCenter,
        poMainFormCenter,
        poOwnerFormCenter
    };
    Q_ENUM(TPosition)
    enum TWindowState { wsNormal, wsMinimized, wsMaximized };
    Q_ENUM(TWindowState)
    enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };
private:
    Q_PROPERTY(TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(bool DoubleBuffered READ DoubleBuffered WRITE SetDoubleBuffered)
    Q_PROPERTY(double Height READ GetHeightF WRITE SetHeightF)
    Q_PROPERTY(double ClientHeight READ ClientHeightF WRITE SetClientHeightF)
    Q_PROPERTY(double Left READ GetLeftF WRITE SetLeftF)
    Q_PROPERTY(TPosition Position READ Position WRITE SetPosition)
    Q_PROPERTY(double Top READ GetTopF WRITE SetTopF)
    Q_PROPERTY(double Width READ GetWidthF WRITE SetWidthF)
    Q_PROPERTY(bool Scaled READ Scaled WRITE SetScaled)
    Q_PROPERTY(double ClientWidth READ ClientWidthF WRITE SetClientWidthF)
    Q_PROPERTY(TWindowState WindowState READ WindowState WRITE SetWindowState)
    Q_PROPERTY(QString OnActivate READ OnActivate WRITE SetOnActivate)
    Q_PROPERTY(QString OnClick READ OnClick WRITE SetOnClick)
    Q_PROPERTY(QString OnCloseQuery READ OnCloseQuery WRITE SetOnCloseQuery)
    Q_PROPERTY(QString OnDeactivate READ OnDeactivate WRITE SetOnDeactivate)
    Q_PROPERTY(QString OnHide READ OnHide WRITE SetOnHide)
    Q_PROPERTY(QString OnKeyDown READ OnKeyDown WRITE SetOnKeyDown)
    Q_PROPERTY(QString OnKeyPress READ OnKeyPress WRITE SetOnKeyPress)
    Q_PROPERTY(QString OnKeyUp READ OnKeyUp WRITE SetOnKeyUp)
    Q_PROPERTY(QString OnShow READ OnShow WRITE SetOnShow)
    Q_PROPERTY(QString OnResize READ OnResize WRITE SetOnResize)
    // Read by the dialog controls placed on the page (not stored).
    Q_PROPERTY(int CurrentPPI READ CurrentPPI WRITE SetCurrentPPI STORED false)
    Q_PROPERTY(QObject *Form READ FormObject WRITE SetFormObject STORED false)
    Q_CLASSINFO("default:BorderStyle", "bsSizeable")
    Q_CLASSINFO("default:Color", "-16777201")
    Q_CLASSINFO("default:DoubleBuffered", "False")
    Q_CLASSINFO("default:Position", "poScreenCenter")
    Q_CLASSINFO("default:Scaled", "False")
    Q_CLASSINFO("default:WindowState", "wsNormal")
public:
    Q_INVOKABLE explicit TvdxDialogPage(TvdComponent *owner = nullptr);
    ~TvdxDialogPage() override;

    QString GetDescription() const override;
    bool IsSupportsGuidlines() const override { return true; }
    bool IsContain(double x, double y) const override;
    void FontChanged() override;

    TvdxDialogForm *DialogForm() const { return m_form.data(); }
    // The window the page's controls live on: its own, or one a host lends it.
    QObject *FormObject() const { return m_hostWindow ? m_hostWindow.data() : static_cast<QObject *>(m_form.data()); }
    void SetFormObject(QObject *window) { m_hostWindow = qobject_cast<QWidget *>(window); }
    int CurrentPPI() const { return m_currentPPI; }
    // Only the value: UpdateDialogPPI also tells the controls.
    void SetCurrentPPI(int ppi) { m_currentPPI = ppi > 0 ? ppi : 96; }
    // The window's scale against 96 pixels per inch (in single precision).
    float Scale() const { return float(m_currentPPI) / 96.0f; }
    virtual void UpdateDialogPPI(int aNewPPI);
    virtual void UpdateControlsCoords() {}
    void UpdateBoundsFromForm();
    void Initialize();
    // Shows the window modally; answers its modal result.
    int ShowModal();
    // How a modal window is shown; headless runs answer without showing.
    static inline std::function<int(TvdxDialogPage *page)> ShowModalHook;

    void SetLeft(long double value) override;
    void SetTop(long double value) override;
    void SetWidth(long double value) override;
    void SetHeight(long double value) override;
    long double ClientWidth() const;
    void SetClientWidth(long double value);
    long double ClientHeight() const;
    void SetClientHeight(long double value);
    double ClientWidthF() const { return double(ClientWidth()); }
    void SetClientWidthF(double v) { SetClientWidth(v); }
    double ClientHeightF() const { return double(ClientHeight()); }
    void SetClientHeightF(double v) { SetClientHeight(v); }

    TFormBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TFormBorderStyle v) { m_borderStyle = v; }
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &v);
    int Color() const { return m_color; }
    void SetColor(int v) { m_color = v; }
    bool DoubleBuffered() const { return m_doubleBuffered; }
    void SetDoubleBuffered(bool v) { m_doubleBuffered = v; }
    bool Scaled() const { return m_scaled; }
    void SetScaled(bool v) { m_scaled = v; }
    TPosition Position() const { return m_position; }
    void SetPosition(TPosition v) { m_position = v; }
    TWindowState WindowState() const { return m_windowState; }
    void SetWindowState(TWindowState v) { m_windowState = v; }
    int ModalResult() const { return m_form ? m_form->ModalResult : 0; }
    void SetModalResult(int v)
    {
        if (m_form)
            m_form->ModalResult = v;
    }

    QString OnActivate() const { return m_onActivate; }
    void SetOnActivate(const QString &v) { m_onActivate = v; }
    QString OnClick() const { return m_onClick; }
    void SetOnClick(const QString &v) { m_onClick = v; }
    QString OnCloseQuery() const { return m_onCloseQuery; }
    void SetOnCloseQuery(const QString &v) { m_onCloseQuery = v; }
    QString OnDeactivate() const { return m_onDeactivate; }
    void SetOnDeactivate(const QString &v) { m_onDeactivate = v; }
    QString OnHide() const { return m_onHide; }
    void SetOnHide(const QString &v) { m_onHide = v; }
    QString OnKeyDown() const { return m_onKeyDown; }
    void SetOnKeyDown(const QString &v) { m_onKeyDown = v; }
    QString OnKeyPress() const { return m_onKeyPress; }
    void SetOnKeyPress(const QString &v) { m_onKeyPress = v; }
    QString OnKeyUp() const { return m_onKeyUp; }
    void SetOnKeyUp(const QString &v) { m_onKeyUp = v; }
    QString OnShow() const { return m_onShow; }
    void SetOnShow(const QString &v) { m_onShow = v; }
    QString OnResize() const { return m_onResize; }
    void SetOnResize(const QString &v) { m_onResize = v; }

    // Key-press answer of the script: the first character, or character 0.
    static QChar KeyFromAnswer(const QString &answer) { return answer.isEmpty() ? QChar(0) : answer.at(0); }

private:
    int scaled(long double value) const;

    TFormBorderStyle m_borderStyle = bsSizeable;
    QString m_caption;
    int m_color = int(0xFF00000F);
    QPointer<TvdxDialogForm> m_form;
    QPointer<QWidget> m_hostWindow;
    QString m_onActivate, m_onClick, m_onDeactivate, m_onHide, m_onKeyDown, m_onKeyPress, m_onKeyUp, m_onResize,
        m_onShow, m_onCloseQuery;
    TPosition m_position = poScreenCenter;
    TWindowState m_windowState = wsNormal;
    long double m_clientWidth = 0;
    long double m_clientHeight = 0;
    int m_currentPPI = 96;
    bool m_doubleBuffered = false;
    bool m_scaled = false;
};
