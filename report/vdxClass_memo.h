// Text objects: views whose text holds words and expressions in delimiters
// that are filled while the report prepares, measured and drawn through the
// shared text layout, and cut into parts across pages.
#pragma once
#include "core/vdVariant.h"
#include "report/vdxClass_format.h"
#include "report/vdxClass_highlight.h"
#include "report/vdxClass_view.h"
#include <functional>
#include <memory>
#include <optional>

class QIODevice;
class TvdxDataLink;
class TvdxDrawText;
class TVectorCanvas;

// Base of views whose height can follow their content and that can be
// printed in parts across pages.
class TvdxStretcheable : public TvdxView {
    Q_OBJECT
public:
    enum TvdxStretchMode { smDontStretch, smActualHeight, smMaxHeight, smPartMaxHeight };
    Q_ENUM(TvdxStretchMode)

private:
    Q_PROPERTY(bool CanShrink READ CanShrink WRITE SetCanShrink)
    Q_PROPERTY(TvdxStretchMode StretchMode READ StretchMode WRITE SetStretchMode)
    Q_CLASSINFO("default:CanShrink", "False")
    Q_CLASSINFO("default:StretchMode", "smDontStretch")

public:
    explicit TvdxStretcheable(TvdComponent *owner = nullptr);
    bool CanShrink() const { return m_canShrink; }
    void SetCanShrink(bool v) { m_canShrink = v; }
    TvdxStretchMode StretchMode() const { return m_stretchMode; }
    void SetStretchMode(TvdxStretchMode v) { m_stretchMode = v; }

    // Height the content needs.
    virtual double CalcHeight() { return double(Height()); }
    // Fits the next part into the current height; answers the unused height.
    virtual double DrawPart() { return 0; }
    virtual void InitPart() {}
    virtual bool HasNextDataPart(double freeSpace) { return freeSpace < double(Top()) + m_saveHeight; }
    virtual double GetLastShiftAmount(double freeSpace)
    {
        Q_UNUSED(freeSpace)
        return 0;
    }
    // The full height the engine keeps while the object prints in parts.
    double SaveHeight() const { return m_saveHeight; }
    void SetSaveHeight(double v) { m_saveHeight = v; }

private:
    bool m_canShrink = false;
    TvdxStretchMode m_stretchMode = smDontStretch;
    double m_saveHeight = 0;
    double m_savedTop = 0;
};

class TvdxCustomMemoView;
// Evaluates an expression of a text object in its report.
using TvdxMemoCalc = std::function<Variant(TvdxCustomMemoView *memo, const QString &expression)>;
TvdxMemoCalc &vdxMemoCalcHook();

class TvdxCustomMemoView : public TvdxStretcheable {
    Q_OBJECT
public:
    enum TvdxHAlign { haLeft, haRight, haCenter, haBlock };
    Q_ENUM(TvdxHAlign)
    enum TvdxVAlign { vaTop, vaBottom, vaCenter };
    Q_ENUM(TvdxVAlign)
    enum TvdxUnderlinesTextMode { ulmNone, ulmUnderlinesAll, ulmUnderlinesText, ulmUnderlinesTextAndEmptyLines };
    Q_ENUM(TvdxUnderlinesTextMode)
    enum TvdxDuplicateMerge { dmShow, dmHide, dmClear, dmMerge };
    Q_ENUM(TvdxDuplicateMerge)
    enum Flag {
        mbfAllowExpressions, mbfAllowHTMLTags, mbfAutoWidth, mbfClipped, mbfFirstParaBreak, mbfLastParaBreak,
        mbfRTLReading, mbfSuppressRepeated, mbfWordBreak, mbfWordWrap, mbfWysiwyg, mbfUseDefaultCharset,
        mbfHighlightActivated, mbfMacroLoaded, mbfClearEmptyLines, mbfHideZeros
    };

private:
    Q_PROPERTY(bool FirstParaBreak READ FirstParaBreak WRITE SetFirstParaBreak)
    Q_PROPERTY(bool LastParaBreak READ LastParaBreak WRITE SetLastParaBreak)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(QString TagStr READ TagStr WRITE SetTagStr)
    Q_PROPERTY(QString URL READ URL WRITE SetURL STORED false)
    Q_CLASSINFO("default:FirstParaBreak", "False")
    Q_CLASSINFO("default:LastParaBreak", "False")
    Q_CLASSINFO("default:Cursor", "0")

public:
    explicit TvdxCustomMemoView(TvdComponent *owner = nullptr);
    ~TvdxCustomMemoView() override;

    bool Flag(int index) const { return index >= 0 && index <= 15 && (m_flags & (1u << index)); }
    void SetFlag(int index, bool value);
    bool AllowExpressions() const { return Flag(mbfAllowExpressions); }
    void SetAllowExpressions(bool v) { SetFlag(mbfAllowExpressions, v); }
    bool AllowHTMLTags() const { return Flag(mbfAllowHTMLTags); }
    void SetAllowHTMLTags(bool v) { SetFlag(mbfAllowHTMLTags, v); }
    bool AutoWidth() const { return Flag(mbfAutoWidth); }
    void SetAutoWidth(bool v) { SetFlag(mbfAutoWidth, v); }
    bool Clipped() const { return Flag(mbfClipped); }
    void SetClipped(bool v) { SetFlag(mbfClipped, v); }
    bool FirstParaBreak() const { return Flag(mbfFirstParaBreak); }
    void SetFirstParaBreak(bool v) { SetFlag(mbfFirstParaBreak, v); }
    bool LastParaBreak() const { return Flag(mbfLastParaBreak); }
    void SetLastParaBreak(bool v) { SetFlag(mbfLastParaBreak, v); }
    bool RTLReading() const { return Flag(mbfRTLReading); }
    void SetRTLReading(bool v) { SetFlag(mbfRTLReading, v); }
    bool SuppressRepeated() const { return Flag(mbfSuppressRepeated); }
    void SetSuppressRepeated(bool v) { SetFlag(mbfSuppressRepeated, v); }
    bool WordBreak() const { return Flag(mbfWordBreak); }
    void SetWordBreak(bool v) { SetFlag(mbfWordBreak, v); }
    bool WordWrap() const { return Flag(mbfWordWrap); }
    void SetWordWrap(bool v) { SetFlag(mbfWordWrap, v); }
    bool Wysiwyg() const { return Flag(mbfWysiwyg); }
    void SetWysiwyg(bool v) { SetFlag(mbfWysiwyg, v); }
    bool UseDefaultCharset() const { return Flag(mbfUseDefaultCharset); }
    void SetUseDefaultCharset(bool v) { SetFlag(mbfUseDefaultCharset, v); }
    bool ClearEmptyLines() const { return Flag(mbfClearEmptyLines); }
    void SetClearEmptyLines(bool v) { SetFlag(mbfClearEmptyLines, v); }
    bool HideZeros() const { return Flag(mbfHideZeros); }
    void SetHideZeros(bool v) { SetFlag(mbfHideZeros, v); }

    double CharSpacing() const { return m_charSpacing; }
    void SetCharSpacing(double v) { m_charSpacing = v; }
    QString ExpressionDelimiters() const { return m_expressionDelimiters; }
    void SetExpressionDelimiters(const QString &v) { m_expressionDelimiters = v; }
    double GapX() const { return m_gapX; }
    void SetGapX(double v) { m_gapX = v; }
    double GapY() const { return m_gapY; }
    void SetGapY(double v) { m_gapY = v; }
    TvdxHAlign HAlign() const { return m_hAlign; }
    void SetHAlign(TvdxHAlign v) { m_hAlign = v; }
    TvdxVAlign VAlign() const { return m_vAlign; }
    void SetVAlign(TvdxVAlign v) { m_vAlign = v; }
    double LineSpacing() const { return m_lineSpacing; }
    void SetLineSpacing(double v) { m_lineSpacing = v; }
    double ParagraphGap() const { return m_paragraphGap; }
    void SetParagraphGap(double v) { m_paragraphGap = v; }
    int Rotation() const { return m_rotation; }
    // Modulo 360, the sign kept.
    void SetRotation(int v) { m_rotation = v % 360; }
    // The rotation in 0 .. 359.
    int ReducedAngle() const;
    TvdxUnderlinesTextMode UnderlinesTextMode() const { return m_underlinesTextMode; }
    void SetUnderlinesTextMode(TvdxUnderlinesTextMode v) { m_underlinesTextMode = v; }
    bool Underlines() const { return m_underlinesTextMode != ulmNone; }
    void SetUnderlines(bool v);
    TvdxDuplicateMerge Duplicates() const { return m_duplicates; }
    void SetDuplicates(TvdxDuplicateMerge v) { m_duplicates = v; }

    QStringList Memo() const { return m_memo; }
    void SetMemo(const QStringList &v) { m_memo = v; }
    QStringList &Lines() { return m_memo; }
    // The lines, each followed by CR LF.
    virtual QString Text() const;
    virtual void SetText(const QString &text);
    // The text in the code page of the font's charset.
    QByteArray AnsiText() const;
    void SetAnsiText(const QByteArray &text);
    virtual Variant Value() const { return m_value; }
    virtual void SetPartMemo(const QString &text) { m_partMemo = text; }
    QString PartMemo() const { return m_partMemo; }

    TvdxFormatCollection *Formats() const { return m_formats.get(); }
    // The first format, created when there is none.
    TvdxFormat *DisplayFormat();
    void SetDisplayFormat(const TvdxFormat *f);
    TvdxHighlightCollection *Highlights() const { return m_highlights.get(); }
    // The first highlight, created when there is none.
    TvdxHighlight *Highlight();
    void SetHighlight(const TvdxHighlight *h);
    // Gives the object the highlight's font, fill and frame (as the highlight
    // asks) and its visibility; nothing for none.
    void ApplyHighlight(const TvdxHighlight *h);
    // The first highlight, when it is active, without saving the appearance.
    void ApplyPreviewHighlight();
    TvdxCustomMemoView *FlowTo() const { return m_flowTo; }
    void SetFlowTo(TvdxCustomMemoView *v);
    // Created on first use.
    TvdxDataLink *DataLink();
    void SetDataLink(TvdxDataLink *v);
    TvdxDataLink *GetDataLink() override { return m_dataLink.get(); }
    // Takes loaded data as text of the ANSI code page; false when reading fails.
    bool LoadDataStream(QIODevice &stream);
    // The vector recorder this view's text runs also go to while it is drawn.
    TVectorCanvas *VectorCanvas() const { return m_vc; }
    void SetVectorCanvas(TVectorCanvas *vc) { m_vc = vc; }
    // Draws the view once on a scratch bitmap with a recorder attached and
    // answers the recorder (the caller owns it).
    TVectorCanvas *GetVectorCanvas();

    // Set by the prepared pages before drawing.
    void SetTotalPages(int v) { m_totalPages = v; }
    void SetCopyNo(int v) { m_copyNo = v; }
    void SetPrintScale(double v) { m_printScale = v; }

    // Filling.
    void BeforePrint() override;
    void GetData() override;
    void AfterPrint() override;
    void ResetSuppress() { m_lastValue = QString(); }
    // Post-processing dictionary.
    bool IsPostProcessAllowed() const override;
    void SaveContentToDictionary(TvdxReport *aReport, TvdxPostProcessor *postProcessor) override;
    bool LoadContentFromDictionary(TvdxReport *aReport, TvdxMacrosItem *aItem) override;
    void ProcessDictionary(TvdxMacrosItem *aItem, TvdxReport *aReport, TvdxPostProcessor *postProcessor) override;
    QString FormatData(const Variant &value, const TvdxFormat *format = nullptr);
    QString CalcAndFormat(const QString &expr, const TvdxFormat *format);
    QString GetComponentText() override;
    // The text part of the prepared-page difference.
    virtual QString DiffText(TvdxComponent *aComponent);
    QString Diff(TvdxComponent *aComponent) override;
    void MirrorContent(TvdxMirrorControlModes modes) override;

    // Measuring and drawing (report pixels).
    double ExtraWidth() const;
    double ExtraHeight() const;
    TRect CalcTextRect(double scaleX, double scaleY, double offsetX, double offsetY) const;
    void PrepareDrawBounds(double scaleX, double scaleY, double offsetX, double offsetY);
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    double CalcHeight() override;
    virtual double CalcWidth();
    bool HasOutboundContent();
    void UpdateBounds() override;
    void InitPart() override;
    double DrawPart() override;
    // Resolves the page-count and copy-name markers.
    void ExtractMacros();
    // The wrapped lines (WrapWords) or the text without tags; flags holds the
    // paragraph marks of the lines when their count matches.
    QString WrapText(bool wrapWords, QList<int> *flags = nullptr);
    const TRect &ScaledRect() const { return m_scaledRect; }
    const TRect &TextRect() const { return m_textRect; }
    // The layout object this view measures and draws with.
    TvdxDrawText &DrawTextObject() const;

    // Storage: the first format and highlight are properties of their own;
    // more than one go as nested collections.
    bool IsPropertyStored(const char *propName) const override;
    void WriteNestedProperties(TvdXMLItem *item, TvdPersistent *ancestor) override;
    bool ReadNestedProperty(TvdXMLItem *item) override;
    bool vdxIsMemoView() const override { return true; }
    QString vdxMemoText() const override { return Text(); }
    void vdxSetMemoText(const QString &text) override { SetText(text); }

protected:
    void Notification(TvdComponent *component, Operation operation) override;
    // The value of an expression through the report's evaluator.
    virtual Variant Calc(const QString &expr);
    void ExpandExpressions();

private:
    bool charsetConversion() const;
    void configureCommon(TvdxDrawText &dt, bool mono);
    void configureDrawText(TvdxDrawText &dt, double scaleX, double scaleY, double offsetX, double offsetY);
    void layoutInBox(TvdxDrawText &dt, const TRect &box);
    void applyAutoWidth(TvdxDrawText &dt);
    void drawTextContent(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY);
    void fillFromDataField();
    void applyHighlights();
    void restoreAppearance();
    bool isHiddenZero(const Variant &v) const;

    unsigned m_flags = 1545;
    double m_charSpacing = 0;
    std::unique_ptr<TvdxFormatCollection> m_formats;
    QString m_expressionDelimiters = QStringLiteral("[,]");
    TvdxCustomMemoView *m_flowTo = nullptr;
    double m_gapX = 2;
    double m_gapY = 1;
    TvdxHAlign m_hAlign = haLeft;
    double m_lineSpacing = 2;
    QStringList m_memo;
    double m_paragraphGap = 0;
    int m_rotation = 0;
    TvdxDuplicateMerge m_duplicates = dmShow;
    QStringList m_tempMemo;
    TvdxUnderlinesTextMode m_underlinesTextMode = ulmNone;
    TvdxVAlign m_vAlign = vaTop;
    Variant m_value = Variant::null();
    TRect m_scaledRect;
    QString m_partMemo;
    std::optional<QString> m_lastValue;
    int m_totalPages = 0;
    int m_copyNo = 0;
    TRect m_textRect;
    double m_printScale = 1;
    std::unique_ptr<TvdxHighlightCollection> m_highlights;
    std::unique_ptr<TvdxDataLink> m_dataLink;
    // The appearance saved while a highlight is applied.
    std::unique_ptr<TvdxCustomFill> m_tempFill;
    std::unique_ptr<TvdFont> m_tempFont;
    std::unique_ptr<TvdxFrame> m_tempFrame;
    bool m_tempVisible = true;
    int m_macroIndex = -1;
    int m_macroLine = -1;
    TVectorCanvas *m_vc = nullptr;
};

class TvdxMemoView : public TvdxCustomMemoView {
    Q_OBJECT
    Q_PROPERTY(bool AutoWidth READ AutoWidth WRITE SetAutoWidth)
    Q_PROPERTY(bool AllowExpressions READ AllowExpressions WRITE SetAllowExpressions)
    Q_PROPERTY(bool AllowHTMLTags READ AllowHTMLTags WRITE SetAllowHTMLTags)
    Q_PROPERTY(TvdxCustomFill::TBrushStyle BrushStyle READ BrushStyle WRITE SetBrushStyle STORED false)
    Q_PROPERTY(double CharSpacing READ CharSpacing WRITE SetCharSpacing)
    Q_PROPERTY(bool ClearEmptyLines READ ClearEmptyLines WRITE SetClearEmptyLines)
    Q_PROPERTY(bool Clipped READ Clipped WRITE SetClipped)
    Q_PROPERTY(int Color READ Color WRITE SetColor STORED false)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(TvdxFormat *DisplayFormat READ DisplayFormat WRITE SetDisplayFormat)
    Q_PROPERTY(TvdxDataLink *DataLink READ DataLink WRITE SetDataLink)
    Q_PROPERTY(QString ExpressionDelimiters READ ExpressionDelimiters WRITE SetExpressionDelimiters)
    Q_PROPERTY(TvdxCustomMemoView *FlowTo READ FlowTo WRITE SetFlowTo)
    Q_PROPERTY(TvdxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(TvdxCustomFill::TvdxFillType FillType READ FillType WRITE SetFillType)
    Q_PROPERTY(TvdxCustomFill *Fill READ Fill WRITE SetFill)
    Q_PROPERTY(double GapX READ GapX WRITE SetGapX)
    Q_PROPERTY(double GapY READ GapY WRITE SetGapY)
    Q_PROPERTY(TvdxCustomMemoView::TvdxHAlign HAlign READ HAlign WRITE SetHAlign)
    Q_PROPERTY(bool HideZeros READ HideZeros WRITE SetHideZeros)
    Q_PROPERTY(TvdxHighlight *Highlight READ Highlight WRITE SetHighlight)
    Q_PROPERTY(double LineSpacing READ LineSpacing WRITE SetLineSpacing)
    Q_PROPERTY(QStringList Memo READ Memo WRITE SetMemo STORED false)
    Q_PROPERTY(double ParagraphGap READ ParagraphGap WRITE SetParagraphGap)
    Q_PROPERTY(TvdxObjectProcessing *Processing READ Processing WRITE SetProcessing)
    Q_PROPERTY(int Rotation READ Rotation WRITE SetRotation)
    Q_PROPERTY(bool RTLReading READ RTLReading WRITE SetRTLReading)
    Q_PROPERTY(QString Style READ Style WRITE SetStyle)
    Q_PROPERTY(bool SuppressRepeated READ SuppressRepeated WRITE SetSuppressRepeated)
    Q_PROPERTY(TvdxCustomMemoView::TvdxDuplicateMerge Duplicates READ Duplicates WRITE SetDuplicates)
    Q_PROPERTY(bool Underlines READ Underlines WRITE SetUnderlines STORED false)
    Q_PROPERTY(TvdxCustomMemoView::TvdxUnderlinesTextMode UnderlinesTextMode READ UnderlinesTextMode WRITE
                   SetUnderlinesTextMode)
    Q_PROPERTY(bool UseDefaultCharset READ UseDefaultCharset WRITE SetUseDefaultCharset)
    Q_PROPERTY(bool WordBreak READ WordBreak WRITE SetWordBreak)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(bool Wysiwyg READ Wysiwyg WRITE SetWysiwyg)
    Q_PROPERTY(TvdxCustomMemoView::TvdxVAlign VAlign READ VAlign WRITE SetVAlign)
    Q_CLASSINFO("default:AutoWidth", "False")
    Q_CLASSINFO("default:AllowExpressions", "True")
    Q_CLASSINFO("default:AllowHTMLTags", "False")
    Q_CLASSINFO("default:ClearEmptyLines", "False")
    Q_CLASSINFO("default:Clipped", "True")
    Q_CLASSINFO("default:HAlign", "haLeft")
    Q_CLASSINFO("default:HideZeros", "False")
    Q_CLASSINFO("default:Rotation", "0")
    Q_CLASSINFO("default:RTLReading", "False")
    Q_CLASSINFO("default:SuppressRepeated", "False")
    Q_CLASSINFO("default:Duplicates", "dmShow")
    Q_CLASSINFO("default:UnderlinesTextMode", "ulmNone")
    Q_CLASSINFO("default:UseDefaultCharset", "False")
    Q_CLASSINFO("default:WordBreak", "False")
    Q_CLASSINFO("default:WordWrap", "True")
    Q_CLASSINFO("default:Wysiwyg", "True")
    Q_CLASSINFO("default:VAlign", "vaTop")
public:
    Q_INVOKABLE explicit TvdxMemoView(TvdComponent *owner = nullptr);
    QString GetDescription() const override;
};

class TvdxSysMemoView : public TvdxCustomMemoView {
    Q_OBJECT
    Q_PROPERTY(bool AutoWidth READ AutoWidth WRITE SetAutoWidth)
    Q_PROPERTY(double CharSpacing READ CharSpacing WRITE SetCharSpacing)
    Q_PROPERTY(int Color READ Color WRITE SetColor STORED false)
    Q_PROPERTY(TvdxFormat *DisplayFormat READ DisplayFormat WRITE SetDisplayFormat)
    Q_PROPERTY(TvdxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(TvdxCustomFill::TvdxFillType FillType READ FillType WRITE SetFillType)
    Q_PROPERTY(TvdxCustomFill *Fill READ Fill WRITE SetFill)
    Q_PROPERTY(double GapX READ GapX WRITE SetGapX)
    Q_PROPERTY(double GapY READ GapY WRITE SetGapY)
    Q_PROPERTY(TvdxCustomMemoView::TvdxHAlign HAlign READ HAlign WRITE SetHAlign)
    Q_PROPERTY(bool HideZeros READ HideZeros WRITE SetHideZeros)
    Q_PROPERTY(TvdxHighlight *Highlight READ Highlight WRITE SetHighlight)
    Q_PROPERTY(QStringList Memo READ Memo WRITE SetMemo STORED false)
    Q_PROPERTY(TvdxObjectProcessing *Processing READ Processing WRITE SetProcessing)
    Q_PROPERTY(int Rotation READ Rotation WRITE SetRotation)
    Q_PROPERTY(bool RTLReading READ RTLReading WRITE SetRTLReading)
    Q_PROPERTY(QString Style READ Style WRITE SetStyle)
    Q_PROPERTY(bool SuppressRepeated READ SuppressRepeated WRITE SetSuppressRepeated)
    Q_PROPERTY(TvdxCustomMemoView::TvdxDuplicateMerge Duplicates READ Duplicates WRITE SetDuplicates)
    Q_PROPERTY(TvdxCustomMemoView::TvdxVAlign VAlign READ VAlign WRITE SetVAlign)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_CLASSINFO("default:AutoWidth", "False")
    Q_CLASSINFO("default:HAlign", "haLeft")
    Q_CLASSINFO("default:HideZeros", "False")
    Q_CLASSINFO("default:Rotation", "0")
    Q_CLASSINFO("default:RTLReading", "False")
    Q_CLASSINFO("default:SuppressRepeated", "False")
    Q_CLASSINFO("default:Duplicates", "dmShow")
    Q_CLASSINFO("default:VAlign", "vaTop")
    Q_CLASSINFO("default:WordWrap", "True")
public:
    Q_INVOKABLE explicit TvdxSysMemoView(TvdComponent *owner = nullptr);
    QString GetDescription() const override;
};
