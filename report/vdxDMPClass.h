// Objects of reports for character printers: positions and sizes snap to a
// grid of character cells, fonts are fixed-pitch, and a command object carries
// raw printer control bytes.
#pragma once
#include "report/vdxClass_line.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_page.h"
#include <QByteArray>

constexpr double vd1CharX = 9.6; // one column: 10 characters per inch
constexpr double vd1CharY = 17;  // one line
constexpr double vd01cm = 3.77953; // pixels per millimetre

class TvdxDMP : public QObject {
    Q_OBJECT
public:
    enum TvdxDMPFontStyle {
        fsxBold = 1 << 0, fsxItalic = 1 << 1, fsxUnderline = 1 << 2, fsxSuperScript = 1 << 3,
        fsxSubScript = 1 << 4, fsxCondensed = 1 << 5, fsxWide = 1 << 6, fsx12cpi = 1 << 7, fsx15cpi = 1 << 8
    };
    Q_DECLARE_FLAGS(TvdxDMPFontStyles, TvdxDMPFontStyle)
    Q_FLAG(TvdxDMPFontStyles)
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdxDMP::TvdxDMPFontStyles)

class TvdxDMPMemoView : public TvdxCustomMemoView {
    Q_OBJECT
    Q_PROPERTY(bool AutoWidth READ AutoWidth WRITE SetAutoWidth)
    Q_PROPERTY(bool AllowExpressions READ AllowExpressions WRITE SetAllowExpressions)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(TvdxFormat *DisplayFormat READ DisplayFormat WRITE SetDisplayFormat)
    Q_PROPERTY(QString ExpressionDelimiters READ ExpressionDelimiters WRITE SetExpressionDelimiters)
    Q_PROPERTY(TvdxCustomMemoView *FlowTo READ FlowTo WRITE SetFlowTo)
    Q_PROPERTY(TvdxDMP::TvdxDMPFontStyles FontStyle READ FontStyle WRITE SetFontStyle)
    Q_PROPERTY(TvdxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(TvdxCustomMemoView::TvdxHAlign HAlign READ HAlign WRITE SetHAlign)
    Q_PROPERTY(bool HideZeros READ HideZeros WRITE SetHideZeros)
    Q_PROPERTY(QStringList Memo READ Memo WRITE SetMemo STORED false)
    Q_PROPERTY(bool RTLReading READ RTLReading WRITE SetRTLReading)
    Q_PROPERTY(bool SuppressRepeated READ SuppressRepeated WRITE SetSuppressRepeated)
    Q_PROPERTY(bool TruncOutboundText READ TruncOutboundText WRITE SetTruncOutboundText)
    Q_PROPERTY(TvdxCustomMemoView::TvdxVAlign VAlign READ VAlign WRITE SetVAlign)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_CLASSINFO("default:AutoWidth", "False")
    Q_CLASSINFO("default:AllowExpressions", "True")
    Q_CLASSINFO("default:HAlign", "haLeft")
    Q_CLASSINFO("default:HideZeros", "False")
    Q_CLASSINFO("default:RTLReading", "False")
    Q_CLASSINFO("default:SuppressRepeated", "False")
    Q_CLASSINFO("default:VAlign", "vaTop")
    Q_CLASSINFO("default:WordWrap", "True")
public:
    Q_INVOKABLE explicit TvdxDMPMemoView(TvdComponent *owner = nullptr);
    QString GetDescription() const override;

    TvdxDMP::TvdxDMPFontStyles FontStyle() const { return m_fontStyle; }
    void SetFontStyle(TvdxDMP::TvdxDMPFontStyles v);
    // FontStyle is written only with a font of the object's own.
    bool IsPropertyStored(const char *propName) const override;
    // On a dot-matrix page the object takes the page's font style.
    void SetParentFont(bool value) override;
    bool IsEMFExportable() override { return AllowVectorExport(); }
    // The frame lies half a cell outside the text cells.
    void PaintFrame() override;
    bool TruncOutboundText() const { return m_truncOutboundText; }
    void SetTruncOutboundText(bool v) { m_truncOutboundText = v; }

    void SetLeft(long double value) override;
    void SetTop(long double value) override;
    void SetWidth(long double value) override;
    void SetHeight(long double value) override;
    // The four bounds without snapping.
    void SetBoundsDirect(double left, double top, double width, double height);
    double CalcHeight() override;
    double CalcWidth() override;
    // The text cut to the cells of the box, each line followed by CR LF.
    QString GetoutBoundText() const;
    // The frame rectangle, half a cell outside the text cells, on the device.
    TRect FrameRect(double scaleX, double scaleY, double offsetX, double offsetY) const;

private:
    void resetFontOptions();
    TvdxDMP::TvdxDMPFontStyles m_fontStyle;
    bool m_truncOutboundText = true;
};

// A line made of characters: it runs through the middles of cells.
class TvdxDMPLineView : public TvdxCustomLineView {
    Q_OBJECT
    Q_PROPERTY(TvdxDMP::TvdxDMPFontStyles FontStyle READ FontStyle WRITE SetFontStyle)
public:
    Q_INVOKABLE explicit TvdxDMPLineView(TvdComponent *owner = nullptr);
    QString GetDescription() const override;
    TvdxDMP::TvdxDMPFontStyles FontStyle() const { return m_fontStyle; }
    void SetFontStyle(TvdxDMP::TvdxDMPFontStyles v);
    bool IsPropertyStored(const char *propName) const override;
    void SetParentFont(bool value) override;
    void SetLeft(long double value) override;
    void SetTop(long double value) override;
    void SetWidth(long double value) override;

private:
    TvdxDMP::TvdxDMPFontStyles m_fontStyle;
};

class TvdxDMPPage : public TvdxReportPage {
    Q_OBJECT
    Q_PROPERTY(TvdxDMP::TvdxDMPFontStyles FontStyle READ FontStyle WRITE SetFontStyle)
public:
    Q_INVOKABLE explicit TvdxDMPPage(TvdComponent *owner = nullptr);
    TvdxDMP::TvdxDMPFontStyles FontStyle() const { return m_fontStyle; }
    // Resets the page's font and hands the style to every object that takes
    // its parent's font.
    void SetFontStyle(TvdxDMP::TvdxDMPFontStyles v);
    // Margins of one cell, paper cut down to whole cells.
    void SetDefaults() override;
    // Paper rounded to whole cells.
    void SetPaperWidth(long double value) override;
    void SetPaperHeight(long double value) override;
    void SetPaperSize(int value) override;

private:
    void resetFontOptions();
    TvdxDMP::TvdxDMPFontStyles m_fontStyle;
    // The defaults cut the paper down; the setters they call do not round.
    bool m_settingDefaults = false;
};

class TvdxDMPCommand : public TvdxView {
    Q_OBJECT
    Q_PROPERTY(QString Command READ Command WRITE SetCommand)
public:
    Q_INVOKABLE explicit TvdxDMPCommand(TvdComponent *owner = nullptr);
    QString GetDescription() const override;
    QString Command() const { return m_command; }
    void SetCommand(const QString &v) { m_command = v; }
    void SetLeft(long double value) override;
    void SetTop(long double value) override;
    // The bytes to send: "#27#69" decimal codes or "1b45" hexadecimal pairs.
    // Raises EConvertError for a code that is no number or lies outside 0..255.
    QByteArray ToChr() const;

private:
    QString m_command;
};

// Paper sizes in millimetres cut (or rounded) to whole cells.
double vdxDMPPaperWidth(double mm, bool round = false);
double vdxDMPPaperHeight(double mm, bool round = false);
// Columns of a paper width in millimetres after cutting to whole cells.
int vdxDMPColumns(double mm);
// The screen font of a dot-matrix font style: Courier New, 12 points, with
// only bold, italic and underline taken from the style.
void vdxDMPResetFont(TvdFont &font, TvdxDMP::TvdxDMPFontStyles style);
