// Views: the base of every printed object (fill, frame, hyperlink, bound
// data, style, visibility per output, drawing); bands and pages follow.
#pragma once
#include "report/vdxClass_component.h"
#include "report/vdxClass_fill.h"
#include "report/vdxClass_frame.h"
#include "report/vdxClass_hyperlink.h"

#include <memory>

class TvdxCustomStyleItem;
class TvdxPostProcessor;
class TvdxMacrosItem;
class TvdxDataLink;
class TvdxDataSet;
class TvdxDataSetRef;
class TvdxMetafile;

// When a view's content is completed: at once, or when a band, page, group,
// data run or the report finishes.
class TvdxObjectProcessing : public TvdPersistent {
    Q_OBJECT
public:
    enum TvdxProcessAtMode {
        paDefault,
        paReportFinished,
        paReportPageFinished,
        paPageFinished,
        paColumnFinished,
        paDataFinished,
        paGroupFinished,
        paCustom
    };
    Q_ENUM(TvdxProcessAtMode)
private:
    Q_PROPERTY(int GroupLevel READ GroupLevel WRITE SetGroupLevel)
    Q_PROPERTY(TvdxProcessAtMode ProcessAt READ ProcessAt WRITE SetProcessAt)
    Q_CLASSINFO("default:GroupLevel", "0")
    Q_CLASSINFO("default:ProcessAt", "paDefault")
public:
    Q_INVOKABLE TvdxObjectProcessing() = default;
    TvdxProcessAtMode ProcessAt() const { return m_processAt; }
    void SetProcessAt(TvdxProcessAtMode v) { m_processAt = v; }
    int GroupLevel() const { return m_groupLevel; }
    void SetGroupLevel(int v) { m_groupLevel = v; }
    void Assign(const TvdPersistent *source) override;

private:
    TvdxProcessAtMode m_processAt = paDefault;
    int m_groupLevel = 0;
};

// Base of the printed objects on a band or page: fill, frame, hyperlink,
// bound data, style, visibility per output and the drawing contract.
class TvdxView : public TvdxReportComponent {
    Q_OBJECT
public:
    enum TvdxAlign { baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient, baHidden };
    Q_ENUM(TvdxAlign)
    enum TvdxShiftMode { smDontShift, smAlways, smWhenOverlapped };
    Q_ENUM(TvdxShiftMode)
    enum TvdxVisibilityType { vsPreview = 1, vsExport = 2, vsPrint = 4 };
    Q_DECLARE_FLAGS(TvdxVisibilityTypes, TvdxVisibilityType)
    Q_FLAG(TvdxVisibilityTypes)
    using TBrushStyle = TvdxCustomFill::TBrushStyle;
private:
    Q_PROPERTY(TvdxAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(bool AllowMirrorMode READ AllowMirrorMode WRITE SetAllowMirrorMode)
    Q_PROPERTY(bool AllowVectorExport READ AllowVectorExport WRITE SetAllowVectorExport)
    Q_PROPERTY(TvdxComponent::TvdxAnchors Anchors READ Anchors WRITE SetAnchors)
    Q_PROPERTY(TvdxComponent::TvdxEditableRights Editable READ Editable WRITE SetEditable)
    Q_PROPERTY(TvdFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(double Height READ GetHeightF WRITE SetHeightF)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(TvdxHyperlink *Hyperlink READ Hyperlink WRITE SetHyperlink)
    Q_PROPERTY(double Left READ GetLeftF WRITE SetLeftF)
    Q_PROPERTY(QString OnAfterData READ OnAfterData WRITE SetOnAfterData)
    Q_PROPERTY(QString OnAfterPrint READ OnAfterPrint WRITE SetOnAfterPrint)
    Q_PROPERTY(QString OnBeforePrint READ OnBeforePrint WRITE SetOnBeforePrint)
    Q_PROPERTY(QString OnContentChanged READ OnContentChanged WRITE SetOnContentChanged)
    Q_PROPERTY(QString OnMouseDown READ OnMouseDown WRITE SetOnMouseDown)
    Q_PROPERTY(QString OnMouseEnter READ OnMouseEnter WRITE SetOnMouseEnter)
    Q_PROPERTY(QString OnMouseLeave READ OnMouseLeave WRITE SetOnMouseLeave)
    Q_PROPERTY(QString OnMouseMove READ OnMouseMove WRITE SetOnMouseMove)
    Q_PROPERTY(QString OnMouseUp READ OnMouseUp WRITE SetOnMouseUp)
    Q_PROPERTY(QString OnPreviewClick READ OnPreviewClick WRITE SetOnPreviewClick)
    Q_PROPERTY(QString OnPreviewDblClick READ OnPreviewDblClick WRITE SetOnPreviewDblClick)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(bool Printable READ Printable WRITE SetPrintable STORED false)
    Q_PROPERTY(TvdxComponent::TvdxRestrictions Restrictions READ Restrictions WRITE SetRestrictions)
    Q_PROPERTY(TvdxShiftMode ShiftMode READ ShiftMode WRITE SetShiftMode)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(double Top READ GetTopF WRITE SetTopF)
    Q_PROPERTY(TvdxVisibilityTypes Visibility READ Visibility WRITE SetVisibility)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(double Width READ GetWidthF WRITE SetWidthF)
    Q_CLASSINFO("default:Align", "baNone")
    Q_CLASSINFO("default:AllowMirrorMode", "False")
    Q_CLASSINFO("default:Anchors", "vdaLeft|vdaTop")
    Q_CLASSINFO("default:Editable", "0")
    Q_CLASSINFO("default:GroupIndex", "0")
    Q_CLASSINFO("default:ParentFont", "True")
    Q_CLASSINFO("default:Restrictions", "0")
    Q_CLASSINFO("default:ShiftMode", "smAlways")
    Q_CLASSINFO("default:ShowHint", "False")
    Q_CLASSINFO("default:Visibility", "vsPreview|vsExport|vsPrint")
    Q_CLASSINFO("default:Visible", "True")
public:
    Q_INVOKABLE explicit TvdxView(TvdComponent *owner = nullptr);
    ~TvdxView() override;

    // --- published
    TvdxAlign Align() const { return m_align; }
    void SetAlign(TvdxAlign value) { m_align = value; }
    bool AllowVectorExport() const { return m_allowVectorExport; }
    void SetAllowVectorExport(bool v) { m_allowVectorExport = v; }
    QString Hint() const { return m_hint; }
    void SetHint(const QString &v) { m_hint = v; }
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool v) { m_showHint = v; }
    TvdxHyperlink *Hyperlink() const { return m_hyperlink ? m_hyperlink.get() : makeHyperlink(); }
    void SetHyperlink(TvdxHyperlink *v) { Hyperlink()->Assign(v); }
    bool Printable() const { return m_visibility.testFlag(vsPrint); }
    void SetPrintable(bool v) { m_visibility.setFlag(vsPrint, v); }
    TvdxShiftMode ShiftMode() const { return m_shiftMode; }
    void SetShiftMode(TvdxShiftMode v) { m_shiftMode = v; }
    TvdxVisibilityTypes Visibility() const { return m_visibility; }
    void SetVisibility(TvdxVisibilityTypes v) { m_visibility = v; }
    QString OnMouseDown() const { return m_onMouseDown; }
    void SetOnMouseDown(const QString &v) { m_onMouseDown = v; }
    QString OnMouseEnter() const { return m_onMouseEnter; }
    void SetOnMouseEnter(const QString &v) { m_onMouseEnter = v; }
    QString OnMouseLeave() const { return m_onMouseLeave; }
    void SetOnMouseLeave(const QString &v) { m_onMouseLeave = v; }
    QString OnMouseMove() const { return m_onMouseMove; }
    void SetOnMouseMove(const QString &v) { m_onMouseMove = v; }
    QString OnMouseUp() const { return m_onMouseUp; }
    void SetOnMouseUp(const QString &v) { m_onMouseUp = v; }

    // --- public, published by descendants
    TvdxFillType FillType() const { return m_fill ? vdxGetFillType(m_fill.get()) : ftBrush; }
    void SetFillType(TvdxFillType v);
    TvdxCustomFill *Fill() const { return m_fill ? m_fill.get() : makeFill(); }
    void SetFill(TvdxCustomFill *v);
    TBrushStyle BrushStyle() const;
    void SetBrushStyle(TBrushStyle v);
    TColor Color() const;
    void SetColor(int v);
    TvdxFrame *Frame() const { return m_frame ? m_frame.get() : makeFrame(); }
    void SetFrame(TvdxFrame *v) { Frame()->Assign(v); }
    TvdxObjectProcessing *Processing() const { return m_processing ? m_processing.get() : makeProcessing(); }
    void SetProcessing(TvdxObjectProcessing *v) { Processing()->Assign(v); }
    QString DataField() const { return m_dataField; }
    void SetDataField(const QString &v) { m_dataField = v; }
    TvdxDataSet *DataSet() const;
    void SetDataSet(TvdxDataSet *v);
    QString DataSetName() const;
    void SetDataSetName(const QString &v);
    bool IsDataField() const { return DataSet() && !m_dataField.isEmpty(); }
    bool PlainText() const { return m_plainText; }
    void SetPlainText(bool v) { m_plainText = v; }
    int Cursor() const { return m_cursor; }
    void SetCursor(int v) { m_cursor = qint16(v); }
    QString TagStr() const { return m_tagStr; }
    void SetTagStr(const QString &v) { m_tagStr = v; }
    QString URL() const { return m_url; }
    void SetURL(const QString &v);
    bool DrawAsMask() const { return m_drawAsMask; }
    void SetDrawAsMask(bool v) { m_drawAsMask = v; }
    QString Style() const { return m_style; }
    virtual void SetStyle(const QString &v);
    double ShadowSize() const;

    // --- drawing
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    void DrawHighlight(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY,
                       TColor hlColor) override;
    // Marks the object of the last Draw for the preview.
    void Highlighting(Canvas &canvas, TColor aColor);
    virtual void PrepareDrawBounds(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY);
    virtual void PaintFill();
    virtual void PaintFrame();
    virtual void DrawClipped(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
    {
        Draw(canvas, scaleX, scaleY, offsetX, offsetY);
    }
    virtual void GetScaleFactor(double &scaleX, double &scaleY) { Q_UNUSED(scaleX) Q_UNUSED(scaleY) }
    virtual bool IsEMFExportable() { return m_allowVectorExport; }
    // The view drawn into an enhanced metafile for vector exports (the caller owns it).
    virtual TvdxMetafile *GetVectorGraphic(bool drawFill, double aScaleX, double aScaleY);
    TvdxMetafile *GetVectorGraphic(bool drawFill) { return GetVectorGraphic(drawFill, 1, 1); }
    // Drawing state of the last Draw.
    int FX() const { return m_fx; }
    int FY() const { return m_fy; }
    int FX1() const { return m_fx1; }
    int FY1() const { return m_fy1; }
    int FDX() const { return m_fdx; }
    int FDY() const { return m_fdy; }
    int FFrameWidth() const { return m_frameWidth; }
    bool ObjAsMetafile() const { return m_objAsMetafile; }

    // --- styles
    virtual void ApplyStyle(TvdxCustomStyleItem *style);
    virtual void AssignToStyle(TvdxCustomStyleItem *style);

    // --- post-processing
    virtual void SaveContentToDictionary(TvdxReport *aReport, TvdxPostProcessor *postProcessor)
    {
        Q_UNUSED(aReport) Q_UNUSED(postProcessor)
    }
    virtual bool LoadContentFromDictionary(TvdxReport *aReport, TvdxMacrosItem *aItem)
    {
        Q_UNUSED(aReport) Q_UNUSED(aItem) return false;
    }
    virtual void ProcessDictionary(TvdxMacrosItem *aItem, TvdxReport *aReport, TvdxPostProcessor *postProcessor)
    {
        Q_UNUSED(aItem) Q_UNUSED(aReport) Q_UNUSED(postProcessor)
    }
    virtual bool IsPostProcessAllowed() const
    {
        return m_processing && m_processing->ProcessAt() != TvdxObjectProcessing::paDefault;
    }

    // --- data and printing
    // The link a view that takes data links loads from at data time (none here).
    virtual TvdxDataLink *GetDataLink() { return nullptr; }
    void BeforePrint() override;
    void GetData() override;
    void AfterPrint() override;
    void MirrorContent(TvdxMirrorControlModes modes) override;
    bool IsAcceptAsChild(TvdxComponent *parent) const override { Q_UNUSED(parent) return true; }
    QString Diff(TvdxComponent *aComponent) override;
    // Replaces every bracketed expression by its value through the report's
    // Calc; with swallowErrors a failing expression stops the expansion and
    // its error line leaves the report's list again.
    void ExpandExpressions(QString &text, bool swallowErrors = false);

protected:
    void Notification(TvdComponent *component, Operation operation) override;
    Canvas *canvas() const { return m_canvas; }
    double scaleX() const { return m_scaleX; }
    double scaleY() const { return m_scaleY; }
    // The fill runs into the metafile only when asked for.
    bool m_drawFillOnMetaFile = false;
    bool m_objAsMetafile = false;
    int m_fx = 0, m_fy = 0, m_fx1 = 0, m_fy1 = 0, m_fdx = 0, m_fdy = 0, m_frameWidth = 0;
    double m_scaleX = 1, m_scaleY = 1, m_offsetX = 0, m_offsetY = 0;
    Canvas *m_canvas = nullptr;

private:
    void drawCornerMarks();
    // Fill, frame, hyperlink, processing and data set link are made when first
    // asked for: most views of a template keep the defaults.
    TvdxFrame *makeFrame() const;
    TvdxHyperlink *makeHyperlink() const;
    TvdxCustomFill *makeFill() const;
    TvdxObjectProcessing *makeProcessing() const;
    TvdxDataSetRef *dataSetRef();

    TvdxAlign m_align = baNone;
    qint16 m_cursor = 0;
    QString m_dataField;
    std::unique_ptr<TvdxDataSetRef> m_dataSet;
    mutable std::unique_ptr<TvdxFrame> m_frame;
    TvdxShiftMode m_shiftMode = smAlways;
    QString m_tagStr;
    QString m_tempTag;
    QString m_tempHyperlink;
    QString m_hint;
    bool m_showHint = false;
    QString m_url;
    bool m_plainText = false;
    mutable std::unique_ptr<TvdxHyperlink> m_hyperlink;
    mutable std::unique_ptr<TvdxCustomFill> m_fill;
    TvdxVisibilityTypes m_visibility = TvdxVisibilityTypes(vsPreview | vsExport | vsPrint);
    bool m_drawAsMask = false;
    bool m_allowVectorExport = true;
    QString m_onMouseDown, m_onMouseEnter, m_onMouseLeave, m_onMouseMove, m_onMouseUp;
    mutable std::unique_ptr<TvdxObjectProcessing> m_processing;
    QString m_style;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdxView::TvdxVisibilityTypes)

// Bands and pages build on views; including this header gives all of them.
#include "report/vdxClass_band.h"
#include "report/vdxClass_page.h"
