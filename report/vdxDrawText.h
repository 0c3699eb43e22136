// Text layout and drawing of text objects. A text is measured on a private
// canvas at 600 pixels per inch and drawn on any device at advances scaled
// from that measurement, so it breaks into the same lines on screen, on paper
// and in every export.
//
// Calling order for one text: Lock, SetFont, SetOptions, SetGaps,
// SetDimensions, SetText, optionally SetParaBreaks, then the measurements or
// DrawText, and Unlock. The records of inline tags are consumed by one
// drawing pass: set the text again before drawing it again.
#pragma once
#include "platform/Canvas.h"
#include "report/vdxHTMLTags.h"
#include <QImage>
#include <QStringList>
#include <memory>
#include <mutex>
#include <vector>

class TvdFont;
class TvdxTextMeasure;
class TVectorCanvas;

enum TvdxHAlign { haLeft, haRight, haCenter, haBlock };
enum TvdxVAlign { vaTop, vaBottom, vaCenter };
enum TvdxUnderlinesTextMode { ulmNone, ulmUnderlinesAll, ulmUnderlinesText, ulmUnderlinesTextAndEmptyLines };

// Flags of a wrapped line.
constexpr int vdlfFirst = 1; // first line of a paragraph
constexpr int vdlfLast = 2;  // last line of a paragraph

class TvdxDrawText {
public:
    TvdxDrawText();
    ~TvdxDrawText();
    TvdxDrawText(const TvdxDrawText &) = delete;
    TvdxDrawText &operator=(const TvdxDrawText &) = delete;

    // The lock all instances share; take it before SetFont and keep it until
    // the results are read. Always taken before the layout canvas's own lock.
    void Lock();
    void Unlock();
    void LockCanvas() { m_canvasLock.lock(); }
    void UnlockCanvas() { m_canvasLock.unlock(); }

    void SetFont(const TvdFont &font);
    // The same from plain values: family, points, vdfs* style, colour, charset.
    void SetFont(const QString &name, int size, int style, TColor color, int charset = DEFAULT_CHARSET);
    void SetOptions(bool wordWrap, bool htmlTags, bool rtlReading, bool wordBreak, bool clipped, bool wysiwyg,
                    int rotation);
    void SetGaps(double paragraphGap, double charSpacing, double lineSpacing);
    void SetDimensions(double scaleX, double scaleY, double printScale, const TRect &originalRect,
                       const TRect &scaledRect);
    void SetText(const QStringList &text, bool firstParaBreak = false, int topLineIndex = 0);
    void SetParaBreaks(bool firstParaBreak, bool lastParaBreak);

    void DrawText(Canvas &c, TvdxHAlign hAlign, TvdxVAlign vAlign,
                  TvdxUnderlinesTextMode underlinesTextMode = ulmNone, int selectedLine = -1);

    // Report pixels.
    double CalcHeight();
    double CalcWidth();
    double LineHeight();
    double TextHeight();
    double UnusedSpace();
    int GetFontHeight(const Canvas &canvas) const;

    // Cuts the lines that do not fit the box and answers their source text;
    // ParaBreak tells whether the kept part ends inside a paragraph.
    QString GetOutBoundsText(bool &paraBreak);
    QString GetInBoundsText() const { return m_plainText; }
    std::vector<int> GetLineY() const;
    QString WrappedText() const;
    QString DeleteTags(const QString &text);

    // Wrapped lines and their vdlf* flags.
    const QStringList &Lines() const { return m_lines; }
    const QList<int> &LineFlags() const { return m_flags; }
    TvdxHTMLTagsList &HTMLTags() { return m_tags; }
    Canvas &LayoutCanvas() { return *m_canvas; }

    int DefPPI() const { return m_defPPI; }
    int ScrPPI() const { return m_scrPPI; }
    bool ForcedWordBreak() const { return m_forcedWordBreak; }
    bool UseMonoFont() const { return m_monoFont; }
    void SetUseMonoFont(bool value) { m_monoFont = value; }
    bool UseDefaultCharset() const { return m_useDefaultCharset; }
    void SetUseDefaultCharset(bool value) { m_useDefaultCharset = value; }
    bool UseOldLineHeight() const { return m_useOldLineHeight; }
    void SetUseOldLineHeight(bool value) { m_useOldLineHeight = value; }
    TVectorCanvas *VC() const { return m_vc; }
    void SetVC(TVectorCanvas *vc) { m_vc = vc; }
    // The measurer of all canvases; none restores the font files' metrics.
    void SetMeasure(const TvdxTextMeasure *measure);
    const TvdxTextMeasure &Measure() const { return *m_measure; }

private:
    double k() const { return double(m_defPPI) / m_scrPPI; }
    void wrapParagraph(QString s, int width, int spacing, int firstWidth);
    void addLine(const QString &line) { m_lines.append(line); m_flags.append(0); }
    void drawTextLine(Canvas &c, int index, TvdxHAlign align, int width, int y, int x);
    void drawSelectedLine(Canvas &c, int index, TvdxHAlign align, int width, int y, int x);
    void applyRecordFont(Canvas &c, const TvdxHTMLTag &tag);
    void outputTextRun(Canvas &c, int x, int y, int dy, const QString &text, const int *dx);
    void calcStartPoint(int g, int &x, int &y, int &w, int &h) const;
    void ensureTemp(int n);

    QImage m_bmp;
    std::unique_ptr<Canvas> m_canvas;
    const TvdxTextMeasure *m_measure;
    std::recursive_mutex m_canvasLock;
    int m_defPPI = 600;
    int m_scrPPI = 96;
    std::vector<int> m_temp;
    int m_fontSize = 10;
    TvdxHTMLTagsList m_tags;
    double m_charSpacing = 0;
    double m_lineSpacing = 0;
    double m_paragraphGap = 0;
    unsigned m_options = 0;
    TRect m_originalRect;
    TRect m_scaledRect;
    double m_scaleX = 1;
    double m_scaleY = 1;
    double m_printScale = 1;
    int m_rotation = 0;
    bool m_rtl = false;
    bool m_wordBreak = false;
    bool m_wordWrap = true;
    bool m_wysiwyg = true;
    bool m_monoFont = false;
    bool m_useDefaultCharset = false;
    bool m_useOldLineHeight = true;
    bool m_forcedWordBreak = false;
    QString m_plainText;
    QStringList m_lines;
    QList<int> m_flags;
    std::vector<int> m_lineY;
    TVectorCanvas *m_vc = nullptr;
};

// The lock shared by every layout object.
std::recursive_mutex &vdxDrawTextLock();
// Serves components without a report.
TvdxDrawText &vdxGlobalDrawText();

// Holds the global layout lock for a scope.
class TvdxDrawTextLocker {
public:
    explicit TvdxDrawTextLocker(TvdxDrawText &dt) : m_dt(dt) { m_dt.Lock(); }
    ~TvdxDrawTextLocker() { m_dt.Unlock(); }
    TvdxDrawTextLocker(const TvdxDrawTextLocker &) = delete;
    TvdxDrawTextLocker &operator=(const TvdxDrawTextLocker &) = delete;

private:
    TvdxDrawText &m_dt;
};

// Break positions of a Cyrillic word (upper case), each after letter p.
std::vector<int> SyllableBreaks(const QString &word);
// Adds count steps of size step to arr[from .. to], spread from the middle.
void SpreadPixels(int *arr, int from, int to, int step, int count);
