// The table object: a grid of text cells laid out by columns (widths) and
// rows (heights). The table's child list holds its columns, then its rows;
// each row owns one cell per column; a cell may span several columns and
// rows, covering (hiding) the cells of its block.
#pragma once
#include "report/vdxClass_memo.h"

class TvdxTableObject;
class TvdxCustomTableRow;
class TvdxTableCell;

// Four inner paddings of a cell, in report pixels.
class TvdxContainerPadding : public TvdPersistent {
    Q_OBJECT
    Q_PROPERTY(double LeftPading READ LeftPading WRITE SetLeftPading)
    Q_PROPERTY(double TopPading READ TopPading WRITE SetTopPading)
    Q_PROPERTY(double RightPading READ RightPading WRITE SetRightPading)
    Q_PROPERTY(double BottomPading READ BottomPading WRITE SetBottomPading)
public:
    Q_INVOKABLE TvdxContainerPadding() = default;
    double LeftPading() const { return m_left; }
    void SetLeftPading(double v) { m_left = v; }
    double TopPading() const { return m_top; }
    void SetTopPading(double v) { m_top = v; }
    double RightPading() const { return m_right; }
    void SetRightPading(double v) { m_right = v; }
    double BottomPading() const { return m_bottom; }
    void SetBottomPading(double v) { m_bottom = v; }
    bool IsZero() const { return m_left == 0 && m_top == 0 && m_right == 0 && m_bottom == 0; }
    // Copies the four values from another padding; other sources are ignored.
    void Assign(const TvdPersistent *source) override;

private:
    double m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;
};

// Common base of rows and columns.
class TvdxTableRowColumnBase : public TvdxComponent {
    Q_OBJECT
public:
    enum TvdxTableBandType { tbData, tbHeader, tbFooter, tbAggregateFooter, tbLocalAggregateFooter };
    Q_ENUM(TvdxTableBandType)
private:
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_CLASSINFO("default:AutoSize", "False")
public:
    explicit TvdxTableRowColumnBase(TvdComponent *owner = nullptr);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool v) { m_autoSize = v; }
    bool PageBreak() const { return m_pageBreak; }
    void SetPageBreak(bool v) { m_pageBreak = v; }
    TvdxTableBandType BandType() const { return m_bandType; }
    void SetBandType(TvdxTableBandType v) { m_bandType = v; }
    // Valid after the object was fetched by index from its table or row.
    int Index() const { return m_index; }
    void SetIndex(int v) { m_index = v; }
    TvdxTableObject *ParentTable() const;
    // Gives the object and its cells names unique in the report.
    virtual void CreateUniqueNames();

    bool IsLeftStored() const override { return false; }
    bool IsTopStored() const override { return false; }
    // Negative sizes are ignored.
    void SetWidth(long double value) override;
    void SetHeight(long double value) override;

private:
    bool m_autoSize = false;
    bool m_pageBreak = false;
    TvdxTableBandType m_bandType = tbData;
    int m_index = 0;
};

class TvdxTableColumn : public TvdxTableRowColumnBase {
    Q_OBJECT
    Q_PROPERTY(double Width READ GetWidthF WRITE SetWidthF)
    Q_PROPERTY(double MinWidth READ MinWidth WRITE SetMinWidth)
    Q_PROPERTY(double MaxWidth READ MaxWidth WRITE SetMaxWidth)
public:
    Q_INVOKABLE explicit TvdxTableColumn(TvdComponent *owner = nullptr);
    double MinWidth() const { return m_minWidth; }
    void SetMinWidth(double v) { m_minWidth = v; }
    double MaxWidth() const { return m_maxWidth; }
    void SetMaxWidth(double v) { m_maxWidth = v; }
    bool IsHeightStored() const override { return false; }
    bool IsPropertyStored(const char *propName) const override;
    // Only a table (or nothing); a column goes before the table's rows.
    void SetParent(TvdxComponent *value) override;
    // Takes its cells out of the rows before it goes.
    ~TvdxTableColumn() override;

private:
    double m_minWidth = 0;
    double m_maxWidth = 75.5906;
};

class TvdxCustomTableRow : public TvdxTableRowColumnBase {
    Q_OBJECT
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(double MinHeight READ MinHeight WRITE SetMinHeight)
    Q_PROPERTY(double MaxHeight READ MaxHeight WRITE SetMaxHeight)
    Q_PROPERTY(double Height READ GetHeightF WRITE SetHeightF)
    Q_CLASSINFO("default:AllowSplit", "False")
public:
    explicit TvdxCustomTableRow(TvdComponent *owner = nullptr);
    ~TvdxCustomTableRow() override;
    bool AllowSplit() const { return m_allowSplit; }
    void SetAllowSplit(bool v) { m_allowSplit = v; }
    double MinHeight() const { return m_minHeight; }
    void SetMinHeight(double v) { m_minHeight = v; }
    double MaxHeight() const { return m_maxHeight; }
    void SetMaxHeight(double v) { m_maxHeight = v; }
    bool IsSplitPart() const { return m_isSplit; }

    // The cell of a column; nil outside 0..CellCount-1.
    TvdxTableCell *Cells(int index) const;
    int CellCount() const { return Objects().Count(); }
    // Creates cells until the row holds value cells; never removes any.
    void SetCellCount(int value);
    // Frees the cell at index (delta <= 0) or inserts a new one there.
    void CorrectCells(int index, int delta);
    virtual TvdxTableCell *CreateTableCell(int index, bool setUniqueName);
    void CreateUniqueNames() override;

    bool IsWidthStored() const override { return false; }
    bool IsPropertyStored(const char *propName) const override;
    void SetLeft(long double value) override;
    // Only a table (or nothing).
    void SetParent(TvdxComponent *value) override;
    void AfterPrint() { m_isSplit = false; }

private:
    bool m_allowSplit = false;
    double m_minHeight = 0;
    double m_maxHeight = 0;
    bool m_isSplit = false;
};

// The row class that tables create and templates store.
class TvdxTableRow : public TvdxCustomTableRow {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxTableRow(TvdComponent *owner = nullptr) : TvdxCustomTableRow(owner) {}
};

class TvdxTableCell : public TvdxCustomMemoView {
    Q_OBJECT
    Q_PROPERTY(int ColSpan READ ColSpan WRITE SetColSpan)
    Q_PROPERTY(int RowSpan READ RowSpan WRITE SetRowSpan)
    Q_PROPERTY(TvdxContainerPadding *ContainerPadding READ ContainerPadding WRITE SetContainerPadding)
    Q_PROPERTY(bool AllowExpressions READ AllowExpressions WRITE SetAllowExpressions)
    Q_PROPERTY(bool AllowHTMLTags READ AllowHTMLTags WRITE SetAllowHTMLTags)
    Q_PROPERTY(TvdxCustomFill::TBrushStyle BrushStyle READ BrushStyle WRITE SetBrushStyle STORED false)
    Q_PROPERTY(double CharSpacing READ CharSpacing WRITE SetCharSpacing)
    Q_PROPERTY(bool Clipped READ Clipped WRITE SetClipped)
    Q_PROPERTY(int Color READ Color WRITE SetColor STORED false)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(TvdxFormat *DisplayFormat READ DisplayFormat WRITE SetDisplayFormat)
    Q_PROPERTY(QString ExpressionDelimiters READ ExpressionDelimiters WRITE SetExpressionDelimiters)
    Q_PROPERTY(TvdxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(TvdxCustomFill::TvdxFillType FillType READ FillType WRITE SetFillType)
    Q_PROPERTY(TvdxCustomFill *Fill READ Fill WRITE SetFill)
    Q_PROPERTY(TvdxCustomMemoView *FlowTo READ FlowTo WRITE SetFlowTo)
    Q_PROPERTY(double GapX READ GapX WRITE SetGapX)
    Q_PROPERTY(double GapY READ GapY WRITE SetGapY)
    Q_PROPERTY(TvdxCustomMemoView::TvdxHAlign HAlign READ HAlign WRITE SetHAlign)
    Q_PROPERTY(bool HideZeros READ HideZeros WRITE SetHideZeros)
    Q_PROPERTY(TvdxHighlight *Highlight READ Highlight WRITE SetHighlight)
    Q_PROPERTY(double LineSpacing READ LineSpacing WRITE SetLineSpacing)
    Q_PROPERTY(QStringList Memo READ Memo WRITE SetMemo STORED false)
    Q_PROPERTY(double ParagraphGap READ ParagraphGap WRITE SetParagraphGap)
    Q_PROPERTY(int Rotation READ Rotation WRITE SetRotation)
    Q_PROPERTY(bool RTLReading READ RTLReading WRITE SetRTLReading)
    Q_PROPERTY(QString Style READ Style WRITE SetStyle)
    Q_PROPERTY(bool SuppressRepeated READ SuppressRepeated WRITE SetSuppressRepeated)
    Q_PROPERTY(bool Underlines READ Underlines WRITE SetUnderlines STORED false)
    Q_PROPERTY(bool UseDefaultCharset READ UseDefaultCharset WRITE SetUseDefaultCharset)
    Q_PROPERTY(bool WordBreak READ WordBreak WRITE SetWordBreak)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(bool Wysiwyg READ Wysiwyg WRITE SetWysiwyg)
    Q_PROPERTY(TvdxCustomMemoView::TvdxVAlign VAlign READ VAlign WRITE SetVAlign)
    Q_CLASSINFO("default:FillType", "ftBrush")
    Q_CLASSINFO("default:ColSpan", "1")
    Q_CLASSINFO("default:RowSpan", "1")
    Q_CLASSINFO("default:AllowExpressions", "True")
    Q_CLASSINFO("default:AllowHTMLTags", "False")
    Q_CLASSINFO("default:Clipped", "True")
    Q_CLASSINFO("default:HAlign", "haLeft")
    Q_CLASSINFO("default:HideZeros", "False")
    Q_CLASSINFO("default:Rotation", "0")
    Q_CLASSINFO("default:RTLReading", "False")
    Q_CLASSINFO("default:SuppressRepeated", "False")
    Q_CLASSINFO("default:UseDefaultCharset", "False")
    Q_CLASSINFO("default:WordBreak", "False")
    Q_CLASSINFO("default:WordWrap", "True")
    Q_CLASSINFO("default:Wysiwyg", "True")
    Q_CLASSINFO("default:VAlign", "vaTop")
public:
    Q_INVOKABLE explicit TvdxTableCell(TvdComponent *owner = nullptr);
    ~TvdxTableCell() override;

    int ColSpan() const { return m_colSpan; }
    // Below 1 becomes 1; clamped to the table unless loading.
    void SetColSpan(int value);
    int RowSpan() const { return m_rowSpan; }
    void SetRowSpan(int value);
    bool Hidden() const { return m_hidden; }
    void SetHidden(bool v) { m_hidden = v; }
    // Owned by the cell; setting copies the four values.
    TvdxContainerPadding *ContainerPadding() const { return m_padding.get(); }
    void SetContainerPadding(TvdxContainerPadding *v) { m_padding->Assign(v); }
    // The column index, valid after fetching the cell through its row.
    int Index() const { return m_index; }
    void SetIndex(int v) { m_index = v; }
    int RowIndex() const;
    TvdxCustomTableRow *ParentRow() const;
    TvdxTableObject *ParentTable() const;

    bool IsLeftStored() const override { return false; }
    bool IsTopStored() const override { return false; }
    bool IsWidthStored() const override { return false; }
    bool IsHeightStored() const override { return false; }
    bool IsPropertyStored(const char *propName) const override;
    TvdxRestrictions Restrictions() const override { return TvdxComponent::Restrictions() | rfDontDelete; }
    // A cell is always visible.
    void SetVisible(bool value) override;
    // Only a row (or nothing).
    void SetParent(TvdxComponent *value) override;
    TvdRectF GetClientArea() const override;
    bool IsOwnerDraw() const override { return true; }

    // Text only, and only while recorded or drawn as a picture: the table
    // paints fills, frames and the text of its cells itself.
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    // Fill and frame at the cell's device rectangle.
    void DrawBackground(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY);
    // The cell's text at its device rectangle.
    void DrawContent(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY);
    void SetObjAsMetafile(bool v) { m_objAsMetafile = v; }

    void BeforePrint() override;
    void GetData() override;
    void AfterPrint() override;
    QString Diff(TvdxComponent *aComponent) override;

private:
    int m_colSpan = 1;
    int m_rowSpan = 1;
    bool m_hidden = false;
    std::unique_ptr<TvdxContainerPadding> m_padding;
    int m_savedColSpan = 1;
    int m_savedRowSpan = 1;
    int m_index = 0;
};

class TvdxTableObject : public TvdxStretcheable {
    Q_OBJECT
    Q_PROPERTY(int ColumnCount READ ColumnCount WRITE SetColumnCount STORED false)
    Q_PROPERTY(int RowCount READ RowCount WRITE SetRowCount STORED false)
    Q_PROPERTY(QString OnManualBuild READ OnManualBuild WRITE SetOnManualBuild)
    Q_PROPERTY(TvdxCustomFill::TBrushStyle BrushStyle READ BrushStyle WRITE SetBrushStyle STORED false)
    Q_PROPERTY(int Color READ Color WRITE SetColor STORED false)
    Q_PROPERTY(TvdxCustomFill *Fill READ Fill WRITE SetFill)
    Q_PROPERTY(TvdxCustomFill::TvdxFillType FillType READ FillType WRITE SetFillType)
    Q_PROPERTY(TvdxFrame *Frame READ Frame WRITE SetFrame)
    Q_CLASSINFO("default:FillType", "ftBrush")
public:
    Q_INVOKABLE explicit TvdxTableObject(TvdComponent *owner = nullptr);
    ~TvdxTableObject() override;

    int ColumnCount() const;
    int RowCount() const;
    // Grow by named columns (rows) or shrink from the end.
    void SetColumnCount(int value);
    void SetRowCount(int value);
    QString OnManualBuild() const { return m_onManualBuild; }
    void SetOnManualBuild(const QString &v) { m_onManualBuild = v; }
    double DefaultCellWidth() const { return m_defaultCellWidth; }
    void SetDefaultCellWidth(double v) { m_defaultCellWidth = v; }
    double DefaultCellHeight() const { return m_defaultCellHeight; }
    void SetDefaultCellHeight(double v) { m_defaultCellHeight = v; }

    // Nil outside the range; fetching stores the index in the object.
    TvdxTableColumn *Columns(int index) const;
    TvdxCustomTableRow *Rows(int index) const;
    TvdxTableCell *Cells(int x, int y) const;

    // The table takes ownership; nil is ignored.
    void AddColumn(TvdxTableColumn *value);
    void AddRow(TvdxCustomTableRow *value);
    void InsertColumn(int index, TvdxTableColumn *value);
    void InsertRow(int index, TvdxCustomTableRow *value);
    // Owned by the table; unnamed.
    TvdxTableColumn *CreateNewColumn(int index);
    TvdxCustomTableRow *CreateNewRow(int index);
    void DeleteColumn(int index);
    void DeleteRow(int index);
    // The block's top-left cell spans it; covered cells keep their text.
    void JoinSelection(int topX, int topY, int bottomX, int bottomY);
    void SplitCell(TvdxTableCell *cell);

    bool LockCorrectSpans() const { return m_lockCorrectSpans; }
    // Re-clamps every span and marks the cells each block covers.
    void UpdateSpans();
    // Positions and sizes of columns, rows and cells from widths and heights.
    void UpdateBounds() override;
    void Loaded() override;

    bool IsWidthStored() const override { return false; }
    bool IsHeightStored() const override { return false; }
    bool IsAcceptAsChild(TvdxComponent *parent) const override;
    QString GetDescription() const override;

    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    // Every visible cell goes to the filter on its own, clipped contents after it.
    bool ExportInternal(TvdPersistent *filter) override;
    void BeforePrint() override;
    void GetData() override;
    void AfterPrint() override;
    double CalcHeight() override;

    // Span corrections after a column (row) was inserted (+1) or removed (-1).
    void CorrectColumnSpans(int index, int delta);
    void CorrectRowSpans(int index, int delta);

protected:
    virtual TvdxTableColumn *CreateColumnObject();
    TvdxTableColumn *CreateNamedColumn();
    TvdxCustomTableRow *CreateNamedRow();
    virtual TvdxCustomTableRow *CreateTableRow();

private:
    friend class TvdxTableColumn;
    friend class TvdxCustomTableRow;
    void setCellBounds(TvdxTableCell *cell, int x, int y);
    void giveCellPageValues(TvdxTableCell *cell, TvdxReport *report);

    bool m_lockCorrectSpans = false;
    double m_defaultCellHeight = 18.89765;
    double m_defaultCellWidth = 75.5906;
    QString m_onManualBuild;
};
