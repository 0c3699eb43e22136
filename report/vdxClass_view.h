// Views, bands and pages as far as the component tree needs them: the view's
// alignment, the band and null-band kinds, and the page kinds (report, data
// and dialog pages). Their full content grows with the classes built on them.
#pragma once
#include "report/vdxClass_component.h"

// Base of the printed objects on a band or page.
class TvdxView : public TvdxReportComponent {
    Q_OBJECT
public:
    enum TvdxAlign { baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient, baHidden };
    Q_ENUM(TvdxAlign)
private:
    Q_PROPERTY(TvdxAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(bool AllowMirrorMode READ AllowMirrorMode WRITE SetAllowMirrorMode)
    Q_PROPERTY(TvdxComponent::TvdxAnchors Anchors READ Anchors WRITE SetAnchors)
    Q_PROPERTY(TvdFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(double Height READ GetHeightF WRITE SetHeightF)
    Q_PROPERTY(double Left READ GetLeftF WRITE SetLeftF)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(TvdxComponent::TvdxRestrictions Restrictions READ Restrictions WRITE SetRestrictions)
    Q_PROPERTY(double Top READ GetTopF WRITE SetTopF)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(double Width READ GetWidthF WRITE SetWidthF)
    Q_CLASSINFO("default:Align", "baNone")
    Q_CLASSINFO("default:AllowMirrorMode", "False")
    Q_CLASSINFO("default:Anchors", "vdaLeft|vdaTop")
    Q_CLASSINFO("default:ParentFont", "True")
    Q_CLASSINFO("default:Restrictions", "0")
    Q_CLASSINFO("default:Visible", "True")
public:
    Q_INVOKABLE explicit TvdxView(TvdComponent *owner = nullptr);
    TvdxAlign Align() const { return m_align; }
    void SetAlign(TvdxAlign value) { m_align = value; }
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

private:
    TvdxAlign m_align = baNone;
};

class TvdxBand : public TvdxReportComponent {
    Q_OBJECT
    Q_PROPERTY(TvdFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(double Height READ GetHeightF WRITE SetHeightF)
    Q_PROPERTY(double Left READ GetLeftF WRITE SetLeftF)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(double Top READ GetTopF WRITE SetTopF)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(double Width READ GetWidthF WRITE SetWidthF)
    Q_CLASSINFO("default:ParentFont", "True")
    Q_CLASSINFO("default:Visible", "True")
public:
    Q_INVOKABLE explicit TvdxBand(TvdComponent *owner = nullptr);
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
};

// The band of objects placed directly on a page in prepared reports.
class TvdxNullBand : public TvdxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxNullBand(TvdComponent *owner = nullptr);
};

class TvdxPage : public TvdxReportComponent {
    Q_OBJECT
    Q_PROPERTY(TvdFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_CLASSINFO("default:Visible", "True")
public:
    Q_INVOKABLE explicit TvdxPage(TvdComponent *owner = nullptr);
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
};

class TvdxReportPage : public TvdxPage {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxReportPage(TvdComponent *owner = nullptr);
    // The report of a page shown in a preview without its template.
    TvdxReport *PageReport() const { return m_report; }
    void SetPageReport(TvdxReport *report) { m_report = report; }

private:
    TvdxReport *m_report = nullptr;
};

// Holds the report's data components.
class TvdxDataPage : public TvdxPage {
    Q_OBJECT
    Q_PROPERTY(double Height READ GetHeightF WRITE SetHeightF)
    Q_PROPERTY(double Left READ GetLeftF WRITE SetLeftF)
    Q_PROPERTY(double Top READ GetTopF WRITE SetTopF)
    Q_PROPERTY(double Width READ GetWidthF WRITE SetWidthF)
public:
    Q_INVOKABLE explicit TvdxDataPage(TvdComponent *owner = nullptr);
};

// Page of dialog controls; its controls' coordinates are their own.
class TvdxDialogPage : public TvdxPage {
    Q_OBJECT
    Q_PROPERTY(double Height READ GetHeightF WRITE SetHeightF)
    Q_PROPERTY(double Left READ GetLeftF WRITE SetLeftF)
    Q_PROPERTY(double Top READ GetTopF WRITE SetTopF)
    Q_PROPERTY(double Width READ GetWidthF WRITE SetWidthF)
public:
    Q_INVOKABLE explicit TvdxDialogPage(TvdComponent *owner = nullptr);
};
