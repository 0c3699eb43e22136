// Bands: the horizontal (or vertical) stripes of a report page that hold
// views, printed by the engine at their moment (titles once, headers per page,
// data bands per record...), and the subreport object that prints another
// report page inside a page.
#pragma once
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_view.h"

#include <QList>

class TvdxChild;
class TvdxReportPage;
class TvdxUserDataSet;

// Insets of a band's fill object, in pixels.
class TvdxFillGaps : public TvdPersistent {
    Q_OBJECT
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Bottom READ Bottom WRITE SetBottom)
    Q_PROPERTY(int Right READ Right WRITE SetRight)
    Q_CLASSINFO("default:Top", "0")
    Q_CLASSINFO("default:Left", "0")
    Q_CLASSINFO("default:Bottom", "0")
    Q_CLASSINFO("default:Right", "0")
public:
    Q_INVOKABLE TvdxFillGaps() = default;
    int Top() const { return m_top; }
    void SetTop(int v) { m_top = v; }
    int Left() const { return m_left; }
    void SetLeft(int v) { m_left = v; }
    int Bottom() const { return m_bottom; }
    void SetBottom(int v) { m_bottom = v; }
    int Right() const { return m_right; }
    void SetRight(int v) { m_right = v; }
    void Assign(const TvdPersistent *source) override;

private:
    int m_top = 0, m_left = 0, m_bottom = 0, m_right = 0;
};

class TvdxBand : public TvdxReportComponent {
    Q_OBJECT
public:
    enum TvdxShiftEngine { seLinear, seTree, seDontShift };
    Q_ENUM(TvdxShiftEngine)
private:
    Q_PROPERTY(bool AllowMirrorMode READ AllowMirrorMode WRITE SetAllowMirrorMode)
    Q_PROPERTY(TvdxCustomFill::TvdxFillType FillType READ FillType WRITE SetFillType)
    Q_PROPERTY(TvdxCustomFill *Fill READ Fill WRITE SetFill)
    Q_PROPERTY(TvdxFillGaps *FillGap READ FillGap WRITE SetFillGap)
    Q_PROPERTY(TvdxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(TvdFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(double Height READ GetHeightF WRITE SetHeightF)
    Q_PROPERTY(double Left READ GetLeftF WRITE SetLeftF)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(TvdxComponent::TvdxRestrictions Restrictions READ Restrictions WRITE SetRestrictions)
    Q_PROPERTY(double Top READ GetTopF WRITE SetTopF)
    Q_PROPERTY(bool Vertical READ Vertical WRITE SetVertical)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(double Width READ GetWidthF WRITE SetWidthF)
    Q_PROPERTY(QString OnAfterCalcHeight READ OnAfterCalcHeight WRITE SetOnAfterCalcHeight)
    Q_PROPERTY(QString OnAfterPrint READ OnAfterPrint WRITE SetOnAfterPrint)
    Q_PROPERTY(QString OnBeforePrint READ OnBeforePrint WRITE SetOnBeforePrint)
    Q_CLASSINFO("default:AllowMirrorMode", "False")
    Q_CLASSINFO("default:FillType", "ftBrush")
    Q_CLASSINFO("default:ParentFont", "True")
    Q_CLASSINFO("default:Restrictions", "0")
    Q_CLASSINFO("default:Vertical", "False")
    Q_CLASSINFO("default:Visible", "True")
    // Defaults of the properties that descendants publish.
    Q_CLASSINFO("default:AllowSplit", "False")
    Q_CLASSINFO("default:KeepChild", "False")
    Q_CLASSINFO("default:PrintChildIfInvisible", "False")
    Q_CLASSINFO("default:StartNewPage", "False")
    Q_CLASSINFO("default:Stretched", "False")
    Q_CLASSINFO("default:ShiftEngine", "seTree")
public:
    Q_INVOKABLE explicit TvdxBand(TvdComponent *owner = nullptr);
    ~TvdxBand() override;

    // Index of the band's class in the band-class table (0 when none).
    int BandNumber() const;
    // The class name without "Tvdx" and "Band" ("MasterData", "Null").
    QString BandName() const;
    QString GetDescription() const override;
    // Designer colour of the title strip.
    virtual TColor GetBandTitleColor() const;

    bool AllowSplit() const { return m_allowSplit; }
    void SetAllowSplit(bool v) { m_allowSplit = v; }
    TvdxChild *Child() const { return m_child; }
    // Raises "Circular child reference is not allowed" for a chain back to this band.
    void SetChild(TvdxChild *value);
    bool KeepChild() const { return m_keepChild; }
    void SetKeepChild(bool v) { m_keepChild = v; }
    QString OnAfterCalcHeight() const { return m_onAfterCalcHeight; }
    void SetOnAfterCalcHeight(const QString &v) { m_onAfterCalcHeight = v; }
    QString OutlineText() const { return m_outlineText; }
    void SetOutlineText(const QString &v) { m_outlineText = v; }
    bool Overflow() const { return m_overflow; }
    void SetOverflow(bool v) { m_overflow = v; }
    bool StartNewPage() const { return m_startNewPage; }
    void SetStartNewPage(bool v) { m_startNewPage = v; }
    bool Stretched() const { return m_stretched; }
    void SetStretched(bool v) { m_stretched = v; }
    bool PrintChildIfInvisible() const { return m_printChildIfInvisible; }
    void SetPrintChildIfInvisible(bool v) { m_printChildIfInvisible = v; }
    bool Vertical() const { return m_vertical; }
    void SetVertical(bool v) { m_vertical = v; }
    TvdxShiftEngine ShiftEngine() const { return m_shiftEngine; }
    void SetShiftEngine(TvdxShiftEngine v) { m_shiftEngine = v; }
    long double BandDesignHeader() const { return m_bandDesignHeader; }
    void SetBandDesignHeader(long double v) { m_bandDesignHeader = v; }

    TvdxCustomFill::TvdxFillType FillType() const
    {
        return m_fill ? vdxGetFillType(m_fill.get()) : TvdxCustomFill::ftBrush;
    }
    void SetFillType(TvdxCustomFill::TvdxFillType v);
    TvdxCustomFill *Fill() const { return m_fill ? m_fill.get() : makeFill(); }
    void SetFill(TvdxCustomFill *v);
    TvdxFillGaps *FillGap() const { return m_fillGap ? m_fillGap.get() : makeFillGap(); }
    void SetFillGap(TvdxFillGaps *v) { FillGap()->Assign(v); }
    TvdxFrame *Frame() const { return m_frame ? m_frame.get() : makeFrame(); }
    void SetFrame(TvdxFrame *v) { Frame()->Assign(v); }
    TvdxView *FillMemo() const { return m_fillMemo; }
    // Makes the object that prints the band's fill and frame (first child).
    void CreateFillMemo();
    void DisposeFillMemo();

    void SetLeft(long double value) override;
    void SetTop(long double value) override;
    void SetHeight(long double value) override;
    bool IsContain(double x, double y) const override;
    TvdxComponent *GetContainedComponent(double x, double y, TvdxComponent *isCanContain = nullptr) override;
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

    // Engine state.
    QList<TvdxBand *> &SubBands() { return m_subBands; }
    TvdxBand *Header = nullptr;
    TvdxBand *Footer = nullptr;
    TvdxBand *Group = nullptr;
    int LineN = 0;
    int LineThrough = 0;
    bool HasVBands = false;
    long double StretchedHeight = 0;

protected:
    void Notification(TvdComponent *component, Operation operation) override;
    void ObjectListNotify(TvdxComponent *item, TvdxObjectsNotifyList::Action action) override;
    // On a dot-matrix page: positions snap to character cells.
    bool onDotMatrixPage() const;

private:
    // Fill, gaps and frame are made when first asked for: most bands of a
    // template keep the defaults.
    TvdxCustomFill *makeFill() const;
    TvdxFillGaps *makeFillGap() const;
    TvdxFrame *makeFrame() const;

    bool m_allowSplit = false;
    TvdxChild *m_child = nullptr;
    bool m_keepChild = false;
    QString m_onAfterCalcHeight;
    QString m_outlineText;
    bool m_overflow = false;
    bool m_startNewPage = false;
    bool m_stretched = false;
    bool m_printChildIfInvisible = false;
    bool m_vertical = false;
    mutable std::unique_ptr<TvdxCustomFill> m_fill;
    TvdxView *m_fillMemo = nullptr;
    mutable std::unique_ptr<TvdxFillGaps> m_fillGap;
    mutable std::unique_ptr<TvdxFrame> m_frame;
    long double m_bandDesignHeader = 0;
    TvdxShiftEngine m_shiftEngine = seTree;
    QList<TvdxBand *> m_subBands;
};

// The common published set of most bands is spelled out per class: moc reads
// each declaration as written.
class TvdxReportTitle : public TvdxBand {
    Q_OBJECT
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(TvdxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool StartNewPage READ StartNewPage WRITE SetStartNewPage)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_PROPERTY(TvdxShiftEngine ShiftEngine READ ShiftEngine WRITE SetShiftEngine)
public:
    Q_INVOKABLE explicit TvdxReportTitle(TvdComponent *owner = nullptr) : TvdxBand(owner) {}
};

class TvdxReportSummary : public TvdxBand {
    Q_OBJECT
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(TvdxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool StartNewPage READ StartNewPage WRITE SetStartNewPage)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_PROPERTY(TvdxShiftEngine ShiftEngine READ ShiftEngine WRITE SetShiftEngine)
    Q_PROPERTY(bool PrintAtBottom READ PrintAtBottom WRITE SetPrintAtBottom)
    Q_CLASSINFO("default:PrintAtBottom", "False")
public:
    Q_INVOKABLE explicit TvdxReportSummary(TvdComponent *owner = nullptr) : TvdxBand(owner) {}
    bool PrintAtBottom() const { return m_printAtBottom; }
    void SetPrintAtBottom(bool v) { m_printAtBottom = v; }

private:
    bool m_printAtBottom = false;
};

class TvdxPageHeader : public TvdxBand {
    Q_OBJECT
    Q_PROPERTY(TvdxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool PrintOnFirstPage READ PrintOnFirstPage WRITE SetPrintOnFirstPage)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_PROPERTY(TvdxShiftEngine ShiftEngine READ ShiftEngine WRITE SetShiftEngine)
    Q_CLASSINFO("default:PrintOnFirstPage", "True")
public:
    Q_INVOKABLE explicit TvdxPageHeader(TvdComponent *owner = nullptr) : TvdxBand(owner) {}
    bool PrintOnFirstPage() const { return m_printOnFirstPage; }
    void SetPrintOnFirstPage(bool v) { m_printOnFirstPage = v; }

private:
    bool m_printOnFirstPage = true;
};

class TvdxPageFooter : public TvdxBand {
    Q_OBJECT
    Q_PROPERTY(bool PrintOnFirstPage READ PrintOnFirstPage WRITE SetPrintOnFirstPage)
    Q_PROPERTY(bool PrintOnLastPage READ PrintOnLastPage WRITE SetPrintOnLastPage)
    Q_PROPERTY(bool PrintOnSinglePage READ PrintOnSinglePage WRITE SetPrintOnSinglePage)
    Q_CLASSINFO("default:PrintOnFirstPage", "True")
    Q_CLASSINFO("default:PrintOnLastPage", "True")
    Q_CLASSINFO("default:PrintOnSinglePage", "False")
public:
    Q_INVOKABLE explicit TvdxPageFooter(TvdComponent *owner = nullptr) : TvdxBand(owner) {}
    bool PrintOnFirstPage() const { return m_printOnFirstPage; }
    void SetPrintOnFirstPage(bool v) { m_printOnFirstPage = v; }
    bool PrintOnLastPage() const { return m_printOnLastPage; }
    void SetPrintOnLastPage(bool v) { m_printOnLastPage = v; }
    bool PrintOnSinglePage() const { return m_printOnSinglePage; }
    void SetPrintOnSinglePage(bool v) { m_printOnSinglePage = v; }

private:
    bool m_printOnFirstPage = true;
    bool m_printOnLastPage = true;
    bool m_printOnSinglePage = false;
};

class TvdxHeader : public TvdxBand {
    Q_OBJECT
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(TvdxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool StartNewPage READ StartNewPage WRITE SetStartNewPage)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_PROPERTY(TvdxShiftEngine ShiftEngine READ ShiftEngine WRITE SetShiftEngine)
    Q_PROPERTY(bool ReprintOnNewPage READ ReprintOnNewPage WRITE SetReprintOnNewPage)
    Q_CLASSINFO("default:ReprintOnNewPage", "False")
public:
    Q_INVOKABLE explicit TvdxHeader(TvdComponent *owner = nullptr) : TvdxBand(owner) {}
    bool ReprintOnNewPage() const { return m_reprintOnNewPage; }
    void SetReprintOnNewPage(bool v) { m_reprintOnNewPage = v; }

private:
    bool m_reprintOnNewPage = false;
};

class TvdxFooter : public TvdxBand {
    Q_OBJECT
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(TvdxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_PROPERTY(TvdxShiftEngine ShiftEngine READ ShiftEngine WRITE SetShiftEngine)
public:
    Q_INVOKABLE explicit TvdxFooter(TvdComponent *owner = nullptr) : TvdxBand(owner) {}
};

class TvdxDataBand : public TvdxBand {
    Q_OBJECT
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(TvdxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
    Q_PROPERTY(double ColumnWidth READ ColumnWidthF WRITE SetColumnWidthF)
    Q_PROPERTY(double ColumnGap READ ColumnGapF WRITE SetColumnGapF)
    Q_PROPERTY(TvdxDataSet *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(bool FooterAfterEach READ FooterAfterEach WRITE SetFooterAfterEach)
    Q_PROPERTY(QString Filter READ Filter WRITE SetFilter)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(bool KeepFooter READ KeepFooter WRITE SetKeepFooter)
    Q_PROPERTY(bool KeepHeader READ KeepHeader WRITE SetKeepHeader)
    Q_PROPERTY(bool KeepTogether READ KeepTogether WRITE SetKeepTogether)
    Q_PROPERTY(QString OutlineText READ OutlineText WRITE SetOutlineText)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool PrintIfDetailEmpty READ PrintIfDetailEmpty WRITE SetPrintIfDetailEmpty)
    Q_PROPERTY(int RowCount READ RowCount WRITE SetRowCount)
    Q_PROPERTY(bool StartNewPage READ StartNewPage WRITE SetStartNewPage)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_PROPERTY(TvdxShiftEngine ShiftEngine READ ShiftEngine WRITE SetShiftEngine)
    Q_PROPERTY(QString OnMasterDetail READ OnMasterDetail WRITE SetOnMasterDetail)
    Q_CLASSINFO("default:Columns", "0")
    Q_CLASSINFO("default:FooterAfterEach", "False")
    Q_CLASSINFO("default:KeepFooter", "False")
    Q_CLASSINFO("default:KeepHeader", "False")
    Q_CLASSINFO("default:KeepTogether", "False")
    Q_CLASSINFO("default:PrintIfDetailEmpty", "False")
public:
    Q_INVOKABLE explicit TvdxDataBand(TvdComponent *owner = nullptr);
    QString GetDescription() const override;
    TColor GetBandTitleColor() const override;
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

    int Columns() const { return m_columns; }
    void SetColumns(int v) { m_columns = v; }
    long double ColumnWidth() const { return m_columnWidth; }
    void SetColumnWidth(long double v) { m_columnWidth = v; }
    long double ColumnGap() const { return m_columnGap; }
    void SetColumnGap(long double v) { m_columnGap = v; }
    double ColumnWidthF() const { return double(m_columnWidth); }
    void SetColumnWidthF(double v) { m_columnWidth = v; }
    double ColumnGapF() const { return double(m_columnGap); }
    void SetColumnGapF(double v) { m_columnGap = v; }
    int CurColumn() const { return m_curColumn; }
    // Past the last column wraps to 1; moves the band to its column.
    void SetCurColumn(int value);
    TvdxDataSet *DataSet() const { return m_dataSet.DataSet(); }
    void SetDataSet(TvdxDataSet *value) { m_dataSet.SetDataSet(value); }
    QString DataSetName() const { return m_dataSet.Name(); }
    void SetDataSetName(const QString &value) { m_dataSet.SetName(value); }
    QString Filter() const { return m_filter; }
    void SetFilter(const QString &v) { m_filter = v; }
    bool FooterAfterEach() const { return m_footerAfterEach; }
    void SetFooterAfterEach(bool v) { m_footerAfterEach = v; }
    bool KeepFooter() const { return m_keepFooter; }
    void SetKeepFooter(bool v) { m_keepFooter = v; }
    bool KeepHeader() const { return m_keepHeader; }
    void SetKeepHeader(bool v) { m_keepHeader = v; }
    bool KeepTogether() const { return m_keepTogether; }
    void SetKeepTogether(bool v) { m_keepTogether = v; }
    bool PrintIfDetailEmpty() const { return m_printIfDetailEmpty; }
    void SetPrintIfDetailEmpty(bool v) { m_printIfDetailEmpty = v; }
    int RowCount() const { return m_rowCount; }
    void SetRowCount(int value);
    QString OnMasterDetail() const { return m_onMasterDetail; }
    void SetOnMasterDetail(const QString &v) { m_onMasterDetail = v; }
    // The data set of a band with a fixed row count (made on first use).
    TvdxUserDataSet *VirtualDataSet();
    long double MaxY = 0;

protected:
    void Notification(TvdComponent *component, Operation operation) override;

private:
    long double m_columnGap = 0;
    long double m_columnWidth = 0;
    int m_columns = 0;
    int m_curColumn = 0;
    TvdxDataSetRef m_dataSet{this};
    QString m_filter;
    bool m_footerAfterEach = false;
    bool m_keepFooter = false;
    bool m_keepHeader = false;
    bool m_keepTogether = false;
    bool m_printIfDetailEmpty = false;
    int m_rowCount = 0;
    QString m_onMasterDetail;
    std::unique_ptr<TvdxUserDataSet> m_virtualDataSet;
};

class TvdxMasterData : public TvdxDataBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxMasterData(TvdComponent *owner = nullptr) : TvdxDataBand(owner) {}
};

class TvdxDetailData : public TvdxDataBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxDetailData(TvdComponent *owner = nullptr) : TvdxDataBand(owner) {}
};

class TvdxSubdetailData : public TvdxDataBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxSubdetailData(TvdComponent *owner = nullptr) : TvdxDataBand(owner) {}
};

class TvdxDataBand4 : public TvdxDataBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxDataBand4(TvdComponent *owner = nullptr) : TvdxDataBand(owner) {}
};

class TvdxDataBand5 : public TvdxDataBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxDataBand5(TvdComponent *owner = nullptr) : TvdxDataBand(owner) {}
};

class TvdxDataBand6 : public TvdxDataBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxDataBand6(TvdComponent *owner = nullptr) : TvdxDataBand(owner) {}
};

class TvdxGroupHeader : public TvdxBand {
    Q_OBJECT
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(TvdxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool StartNewPage READ StartNewPage WRITE SetStartNewPage)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_PROPERTY(TvdxShiftEngine ShiftEngine READ ShiftEngine WRITE SetShiftEngine)
    Q_PROPERTY(QString Condition READ Condition WRITE SetCondition)
    Q_PROPERTY(bool DrillDown READ DrillDown WRITE SetDrillDown)
    Q_PROPERTY(bool ExpandDrillDown READ ExpandDrillDown WRITE SetExpandDrillDown)
    Q_PROPERTY(bool KeepTogether READ KeepTogether WRITE SetKeepTogether)
    Q_PROPERTY(bool ReprintOnNewPage READ ReprintOnNewPage WRITE SetReprintOnNewPage)
    Q_PROPERTY(QString OutlineText READ OutlineText WRITE SetOutlineText)
    Q_PROPERTY(bool ResetPageNumbers READ ResetPageNumbers WRITE SetResetPageNumbers)
    Q_PROPERTY(bool ShowFooterIfDrillDown READ ShowFooterIfDrillDown WRITE SetShowFooterIfDrillDown)
    Q_PROPERTY(bool ShowChildIfDrillDown READ ShowChildIfDrillDown WRITE SetShowChildIfDrillDown)
    Q_PROPERTY(QString DrillName READ DrillName WRITE SetDrillName)
    Q_CLASSINFO("default:DrillDown", "False")
    Q_CLASSINFO("default:ExpandDrillDown", "False")
    Q_CLASSINFO("default:KeepTogether", "False")
    Q_CLASSINFO("default:ReprintOnNewPage", "False")
    Q_CLASSINFO("default:ResetPageNumbers", "False")
    Q_CLASSINFO("default:ShowFooterIfDrillDown", "False")
    Q_CLASSINFO("default:ShowChildIfDrillDown", "False")
public:
    Q_INVOKABLE explicit TvdxGroupHeader(TvdComponent *owner = nullptr) : TvdxBand(owner) {}
    QString Diff(TvdxComponent *aComponent) override;
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

    QString Condition() const { return m_condition; }
    void SetCondition(const QString &v) { m_condition = v; }
    bool DrillDown() const { return m_drillDown; }
    void SetDrillDown(bool v) { m_drillDown = v; }
    bool ExpandDrillDown() const { return m_expandDrillDown; }
    void SetExpandDrillDown(bool v) { m_expandDrillDown = v; }
    bool KeepTogether() const { return m_keepTogether; }
    void SetKeepTogether(bool v) { m_keepTogether = v; }
    bool ReprintOnNewPage() const { return m_reprintOnNewPage; }
    void SetReprintOnNewPage(bool v) { m_reprintOnNewPage = v; }
    bool ResetPageNumbers() const { return m_resetPageNumbers; }
    void SetResetPageNumbers(bool v) { m_resetPageNumbers = v; }
    bool ShowFooterIfDrillDown() const { return m_showFooterIfDrillDown; }
    void SetShowFooterIfDrillDown(bool v) { m_showFooterIfDrillDown = v; }
    bool ShowChildIfDrillDown() const { return m_showChildIfDrillDown; }
    void SetShowChildIfDrillDown(bool v) { m_showChildIfDrillDown = v; }
    QString DrillName() const { return m_drillName; }
    void SetDrillName(const QString &v) { m_drillName = v; }

    // Engine state: the last value of the condition.
    Variant LastValue;

private:
    QString m_condition;
    bool m_drillDown = false;
    bool m_expandDrillDown = false;
    bool m_keepTogether = false;
    bool m_reprintOnNewPage = false;
    bool m_resetPageNumbers = false;
    bool m_showFooterIfDrillDown = false;
    bool m_showChildIfDrillDown = false;
    QString m_drillName;
};

class TvdxGroupFooter : public TvdxBand {
    Q_OBJECT
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(TvdxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool HideIfSingleDataRecord READ HideIfSingleDataRecord WRITE SetHideIfSingleDataRecord)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_PROPERTY(TvdxShiftEngine ShiftEngine READ ShiftEngine WRITE SetShiftEngine)
    Q_CLASSINFO("default:HideIfSingleDataRecord", "False")
public:
    Q_INVOKABLE explicit TvdxGroupFooter(TvdComponent *owner = nullptr) : TvdxBand(owner) {}
    bool HideIfSingleDataRecord() const { return m_hideIfSingleDataRecord; }
    void SetHideIfSingleDataRecord(bool v) { m_hideIfSingleDataRecord = v; }

private:
    bool m_hideIfSingleDataRecord = false;
};

class TvdxChild : public TvdxBand {
    Q_OBJECT
public:
    enum TvdxToNRowsMode { rmCount, rmAddToCount, rmTillPageEnds };
    Q_ENUM(TvdxToNRowsMode)
private:
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(TvdxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool StartNewPage READ StartNewPage WRITE SetStartNewPage)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_PROPERTY(TvdxShiftEngine ShiftEngine READ ShiftEngine WRITE SetShiftEngine)
    Q_PROPERTY(int ToNRows READ ToNRows WRITE SetToNRows)
    Q_PROPERTY(TvdxToNRowsMode ToNRowsMode READ ToNRowsMode WRITE SetToNRowsMode)
public:
    Q_INVOKABLE explicit TvdxChild(TvdComponent *owner = nullptr) : TvdxBand(owner) {}
    int ToNRows() const { return m_toNRows; }
    void SetToNRows(int v) { m_toNRows = v; }
    TvdxToNRowsMode ToNRowsMode() const { return m_toNRowsMode; }
    void SetToNRowsMode(TvdxToNRowsMode v) { m_toNRowsMode = v; }

private:
    int m_toNRows = 0;
    TvdxToNRowsMode m_toNRowsMode = rmCount;
};

class TvdxColumnHeader : public TvdxBand {
    Q_OBJECT
    Q_PROPERTY(TvdxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_PROPERTY(TvdxShiftEngine ShiftEngine READ ShiftEngine WRITE SetShiftEngine)
public:
    Q_INVOKABLE explicit TvdxColumnHeader(TvdComponent *owner = nullptr) : TvdxBand(owner) {}
};

class TvdxColumnFooter : public TvdxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxColumnFooter(TvdComponent *owner = nullptr) : TvdxBand(owner) {}
};

class TvdxOverlay : public TvdxBand {
    Q_OBJECT
    Q_PROPERTY(bool PrintOnTop READ PrintOnTop WRITE SetPrintOnTop)
    Q_CLASSINFO("default:PrintOnTop", "False")
public:
    Q_INVOKABLE explicit TvdxOverlay(TvdComponent *owner = nullptr) : TvdxBand(owner) {}
    bool PrintOnTop() const { return m_printOnTop; }
    void SetPrintOnTop(bool v) { m_printOnTop = v; }

private:
    bool m_printOnTop = false;
};

// The band of objects placed directly on a page in prepared reports.
class TvdxNullBand : public TvdxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxNullBand(TvdComponent *owner = nullptr) : TvdxBand(owner) {}
};

// Prints another report page inside this one.
class TvdxSubreport : public TvdxView {
    Q_OBJECT
    Q_PROPERTY(TvdxReportPage *Page READ SubPage WRITE SetSubPage)
    Q_PROPERTY(bool PrintOnParent READ PrintOnParent WRITE SetPrintOnParent)
    Q_CLASSINFO("default:PrintOnParent", "False")
public:
    Q_INVOKABLE explicit TvdxSubreport(TvdComponent *owner = nullptr);
    ~TvdxSubreport() override;
    QString GetDescription() const override;
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

    TvdxReportPage *SubPage() const { return m_page; }
    // Links both ways: the page's SubReport becomes this object.
    void SetSubPage(TvdxReportPage *value);
    bool PrintOnParent() const { return m_printOnParent; }
    void SetPrintOnParent(bool v) { m_printOnParent = v; }
    // Called by the page when it goes.
    void PageGone() { m_page = nullptr; }

private:
    TvdxReportPage *m_page = nullptr;
    bool m_printOnParent = false;
};

// The band-class table, in band-number order (18 entries).
const QList<const QMetaObject *> &vdxBandClasses();
// Registers the band classes and the subreport with the class registry.
void vdxRegisterBandClasses();
