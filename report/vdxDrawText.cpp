#include "report/vdxDrawText.h"
#include "report/vdxDrawText_p.h"
#include "platform/QPainterCanvas.h"
#include "report/vdFont.h"
#include "report/vdxTextMeasure.h"
#include "report/vdxVectorCanvas.h"
#include <cmath>
#include <cstdlib>

using namespace vdxdt;

namespace {

const QString kVowels = QStringLiteral(u"АЕЁИОУЫЭЮЯ");
const QString kConsonants = QStringLiteral(u"БВГДЖЗЙКЛМНПРСТФХЦЧШЩЬЪ");
const QString kSigns = QStringLiteral(u"ЬЪ");

bool isVowel(QChar c) { return kVowels.contains(c); }
bool isConsonant(QChar c) { return kConsonants.contains(c); }
bool isSign(QChar c) { return kSigns.contains(c); }

bool hasVowel(QStringView w)
{
    for (QChar c : w)
        if (isVowel(c))
            return true;
    return false;
}

// The first part of the word at wordStart that fits before overflow and ends
// at a syllable break; empty when there is none. 0-based indexes.
QString findSyllableBreak(const QString &s, int wordStart, int overflow, int n)
{
    int end = overflow;
    while (end < n && !QStringView(u" .,-;").contains(s[end]))
        ++end;
    const QString word = s.mid(wordStart, end - wordStart);
    const std::vector<int> breaks = SyllableBreaks(word.toUpper());
    const int room = overflow - wordStart;
    int best = 0;
    for (int p : breaks)
        if (p < room)
            best = p;
    if (best == 0 || best == room)
        return QString();
    return word.left(best);
}

} // namespace

std::recursive_mutex &vdxDrawTextLock()
{
    static std::recursive_mutex lock;
    return lock;
}

TvdxDrawText &vdxGlobalDrawText()
{
    static TvdxDrawText global;
    return global;
}

std::vector<int> SyllableBreaks(const QString &w)
{
    std::vector<int> result;
    const int len = int(w.size());
    if (len <= 3)
        return result;
    auto at = [&](int p) { return w[p - 1]; }; // 1-based letters
    for (int p = 1; p <= len; ++p) {
        const QChar c = at(p);
        bool candidate = false;
        if (isConsonant(c))
            candidate = p == len || !(isVowel(at(p + 1)) || isSign(at(p + 1)));
        else if (isVowel(c)) {
            candidate = p == len || at(p + 1) != QChar(u'Й');
            if (candidate && p < len - 2 && isConsonant(at(p + 1)) && at(p + 2) == at(p + 1) && isVowel(at(p + 3)))
                candidate = false;
        }
        if (!candidate)
            continue;
        const QStringView head = QStringView(w).left(p);
        const QStringView tail = QStringView(w).mid(p);
        if (head.size() >= 2 && tail.size() >= 2 && hasVowel(head) && hasVowel(tail))
            result.push_back(p);
    }
    return result;
}

void SpreadPixels(int *arr, int from, int to, int step, int count)
{
    const int m = to - from + 1;
    if (m <= 0 || count <= 0)
        return;
    const int h = m == 1 ? 1 : m / 2;
    if (count == 1) {
        arr[from + h - 1] += step;
        return;
    }
    SpreadPixels(arr, from, from + h - 1, step, count / 2);
    SpreadPixels(arr, from + h, to, step, count - count / 2);
}

TvdxDrawText::TvdxDrawText() : m_bmp(1, 1, QImage::Format_RGB32), m_measure(&TvdxTextMeasure::Default())
{
    m_canvas = std::make_unique<QPainterCanvas>(m_bmp, m_defPPI);
    m_temp.resize(32768);
}

TvdxDrawText::~TvdxDrawText() = default;

void TvdxDrawText::Lock() { vdxDrawTextLock().lock(); }

void TvdxDrawText::Unlock() { vdxDrawTextLock().unlock(); }

void TvdxDrawText::SetMeasure(const TvdxTextMeasure *measure)
{
    m_measure = measure ? measure : &TvdxTextMeasure::Default();
}

void TvdxDrawText::ensureTemp(int n)
{
    if (m_temp.size() < size_t(n))
        m_temp.resize(size_t(n));
}

void TvdxDrawText::SetFont(const TvdFont &font)
{
    SetFont(font.Name(), font.Size(), int(font.Style()), font.Color(), font.Charset());
}

void TvdxDrawText::SetFont(const QString &name, int size, int style, TColor color, int charset)
{
    m_fontSize = size;
    CanvasLock lock(m_canvasLock);
    CanvasFont &f = m_canvas->font();
    f.name = name;
    f.height = -Round(size * double(m_defPPI) / 72);
    SetCanvasFontStyle(*m_canvas, style);
    f.charset = std::uint8_t(charset);
    m_canvas->SetTextColor(m_monoFont ? clBlack : color);
}

void TvdxDrawText::SetOptions(bool wordWrap, bool htmlTags, bool rtlReading, bool wordBreak, bool clipped,
                              bool wysiwyg, int rotation)
{
    m_wordWrap = wordWrap;
    m_tags.SetAllowTags(htmlTags);
    m_rtl = rtlReading;
    m_wordBreak = wordBreak;
    m_wysiwyg = wysiwyg;
    m_options = (rtlReading ? ETO_RTLREADING : 0) | (clipped ? ETO_CLIPPED : 0);
    m_rotation = rotation % 360;
    // Negative angles keep their direction.
    if (m_rotation < 0)
        m_rotation += 360;
}

void TvdxDrawText::SetGaps(double paragraphGap, double charSpacing, double lineSpacing)
{
    m_paragraphGap = paragraphGap;
    m_charSpacing = charSpacing;
    m_lineSpacing = lineSpacing;
}

void TvdxDrawText::SetDimensions(double scaleX, double scaleY, double printScale, const TRect &originalRect,
                                 const TRect &scaledRect)
{
    m_scaleX = scaleX;
    m_scaleY = scaleY;
    m_printScale = printScale;
    m_originalRect = originalRect;
    m_scaledRect = scaledRect;
}

void TvdxDrawText::SetText(const QStringList &text, bool firstParaBreak, int topLineIndex)
{
    CanvasLock lock(m_canvasLock);
    m_plainText.clear();
    m_lines.clear();
    m_flags.clear();
    m_lineY.clear();
    if (text.isEmpty()) {
        m_tags.Clear();
        return;
    }
    m_forcedWordBreak = false;
    const int style = CanvasFontStyle(*m_canvas);
    m_tags.SetDefaults(m_canvas->TextColor(), m_fontSize, style);
    const bool sideways = (m_rotation >= 90 && m_rotation <= 179) || (m_rotation >= 270 && m_rotation <= 359);
    const int width = sideways ? m_originalRect.Bottom - m_originalRect.Top : m_originalRect.Right - m_originalRect.Left;
    for (int i = std::max(0, topLineIndex); i < text.size(); ++i) {
        QString s = text[i];
        if (s.isEmpty())
            s = QStringLiteral(" ");
        m_plainText += s + QStringLiteral("\r\n");
        const int before = int(m_lines.size());
        const int firstWidth = i == 0 && firstParaBreak ? Round(k() * width) : Round(k() * (width - m_paragraphGap));
        wrapParagraph(s, Round(k() * width), Round(k() * m_charSpacing), firstWidth);
        if (m_lines.size() > before) {
            m_flags[before] |= vdlfFirst;
            m_flags.last() |= vdlfLast;
        }
    }
    SetCanvasFontStyle(*m_canvas, style);
}

void TvdxDrawText::wrapParagraph(QString s, int width, int spacing, int firstWidth)
{
    m_tags.StartLine();
    m_tags.ExpandHTMLTags(s);
    m_tags.SetPosition(m_tags.Position() + 2);
    const int n = int(s.size());
    if (n <= 1 || !m_wordWrap) {
        addLine(s);
        return;
    }
    CanvasLock lock(m_canvasLock);
    ensureTemp(n);
    const int total =
        m_tags.MeasureCharAdvances(m_temp, s, true, spacing, m_tags.Count() - 1, *m_canvas, *m_measure);
    if (total < firstWidth) {
        addLine(s);
        return;
    }
    const int *cum = m_temp.data();
    int start = 0;
    int lastSpace = start;
    int base = 0;
    int avail = firstWidth;
    int i = 0;
    while (i < n) {
        const TvdxHTMLTags *recs = m_tags.Items(m_tags.Count() - 1);
        const int r = i - start;
        const bool wrapZone = r >= 0 && r < recs->Count() && recs->Items(r)->DontWRAP;
        if (s[i] == u' ' && !wrapZone)
            lastSpace = i;
        if (cum[i] - base <= avail) {
            ++i;
            continue;
        }
        int next;
        if (lastSpace != start) {
            QString part;
            if (m_wordBreak)
                part = findSyllableBreak(s, lastSpace + 1, i, n);
            if (!part.isEmpty()) {
                addLine(s.mid(start, lastSpace - start + 1) + part + u'-');
                m_tags.SplitLineAt(lastSpace - start + int(part.size()) + 1, true);
                lastSpace += int(part.size());
            } else {
                addLine(s.mid(start, lastSpace - start));
                m_tags.SplitLineAt(lastSpace - start + 1, false);
            }
            next = lastSpace + 1;
        } else if (i == start) {
            addLine(s.mid(i, 1));
            m_tags.SplitLineAt(1, false);
            next = i + 1;
        } else if (m_wordBreak) {
            QString part = findSyllableBreak(s, start, i, n);
            const bool hyphen = !part.isEmpty();
            if (!hyphen)
                part = s.mid(start, i - start);
            addLine(hyphen ? part + u'-' : part);
            m_tags.SplitLineAt(int(part.size()), hyphen);
            next = start + int(part.size());
        } else {
            addLine(s.mid(start, i - start));
            m_tags.SplitLineAt(i - start, false);
            m_forcedWordBreak = true;
            next = i;
        }
        start = next;
        base = start > 0 ? cum[start - 1] : 0;
        lastSpace = start;
        avail = width;
        i = start;
    }
    if (start < n)
        addLine(s.mid(start));
}

void TvdxDrawText::SetParaBreaks(bool firstParaBreak, bool lastParaBreak)
{
    if (m_lines.isEmpty())
        return;
    if (firstParaBreak)
        m_flags.first() &= ~vdlfFirst;
    if (lastParaBreak)
        m_flags.last() &= ~vdlfLast;
}

int TvdxDrawText::GetFontHeight(const Canvas &canvas) const
{
    if (m_useOldLineHeight)
        return -canvas.font().height;
    return m_measure->TextMetricHeight(canvas);
}

double TvdxDrawText::LineHeight()
{
    CanvasLock lock(m_canvasLock);
    return GetFontHeight(*m_canvas) / k() + m_lineSpacing;
}

double TvdxDrawText::TextHeight()
{
    CanvasLock lock(m_canvasLock);
    return -m_canvas->font().height / k();
}

double TvdxDrawText::CalcHeight()
{
    if (m_lines.isEmpty())
        return 0;
    CanvasLock lock(m_canvasLock);
    const int fh = GetFontHeight(*m_canvas);
    double result = (fh / k() + m_lineSpacing) * m_lines.size();
    if (m_lineSpacing < 0)
        result -= m_lineSpacing;
    if (m_fontSize > 12) {
        const double extra = (m_measure->TextMetricHeight(*m_canvas) - fh) / k();
        if (extra > 0)
            result += extra;
    }
    return result;
}

double TvdxDrawText::CalcWidth()
{
    if (m_lines.isEmpty())
        return 0;
    CanvasLock lock(m_canvasLock);
    const int style = CanvasFontStyle(*m_canvas);
    std::vector<int> adv;
    double best = 0;
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString &line = m_lines[i];
        int extent = 0;
        if (m_tags.AllowTags() && i < m_tags.Count() && m_tags.Items(i)->Count() > 0)
            extent = m_tags.MeasureCharAdvances(adv, line, false, 0, i, *m_canvas, *m_measure);
        else
            for (int a : m_measure->Advances(*m_canvas, line))
                extent += a;
        SetCanvasFontStyle(*m_canvas, style);
        double w = extent + Round(k() * line.size() * m_charSpacing);
        if (m_flags[i] & vdlfFirst)
            w += Round(k() * m_paragraphGap);
        best = std::max(best, w);
    }
    return best / k();
}

double TvdxDrawText::UnusedSpace()
{
    const double h = m_originalRect.Bottom - m_originalRect.Top + 1;
    const double lh = LineHeight();
    if (!(lh > 0))
        return 0;
    const int m = Trunc(h / lh);
    if (m == 0)
        return 0;
    const double r = h - lh * m;
    return r == 0 ? 0.0001 : r;
}

QString TvdxDrawText::GetOutBoundsText(bool &paraBreak)
{
    paraBreak = false;
    if (m_lines.isEmpty())
        return QString();
    const double lh = LineHeight();
    const int nl = int(m_lines.size());
    int m = lh > 0 ? Trunc((m_originalRect.Bottom - m_originalRect.Top + 1) / lh) : nl;
    m = std::clamp(m, 0, nl);
    if (m >= nl)
        return QString();
    const TvdxHTMLTag *first = m < m_tags.Count() && m_tags.Items(m)->Count() > 0 ? m_tags.Items(m)->Items(0) : nullptr;
    const int pos = first ? std::clamp(first->Position, 1, int(m_plainText.size()) + 1) : int(m_plainText.size()) + 1;
    m_lines.erase(m_lines.begin() + m, m_lines.end());
    m_flags.erase(m_flags.begin() + m, m_flags.end());
    paraBreak = m > 0 && (m_flags[m - 1] == 0 || m_flags[m - 1] == vdlfFirst);
    QString result = m_plainText.mid(pos - 1);
    if (paraBreak && result.startsWith(u' '))
        result.remove(0, 1);
    m_plainText.truncate(pos - 1);
    if (m_wordBreak && m > 0) {
        const QString kept = WrappedText();
        if (kept.size() > 2 && kept.endsWith(u'-'))
            m_plainText += u'-';
    }
    if (m_tags.AllowTags() && first) {
        QString prefix = QString::asprintf("<font color=\"#%02X%02X%02X\">", GetRValue(first->Color),
                                           GetGValue(first->Color), GetBValue(first->Color));
        if (first->SubType == ssSuperscript)
            prefix += QStringLiteral("<sup>");
        else if (first->SubType == ssSubscript)
            prefix += QStringLiteral("<sub>");
        if (first->Style & vdfsUnderline)
            prefix += QStringLiteral("<u>");
        if (first->Style & vdfsItalic)
            prefix += QStringLiteral("<i>");
        if (first->Style & vdfsBold)
            prefix += QStringLiteral("<b>");
        result = prefix + result;
    }
    return result;
}

std::vector<int> TvdxDrawText::GetLineY() const
{
    std::vector<int> result = m_lineY;
    const double lh = const_cast<TvdxDrawText *>(this)->LineHeight();
    const int add = Round(lh * m_scaleY) + 1;
    result.push_back(result.empty() ? add : result.back() + add);
    return result;
}

QString TvdxDrawText::WrappedText() const { return m_lines.join(QStringLiteral("\r\n")); }

QString TvdxDrawText::DeleteTags(const QString &text)
{
    QString s = text;
    m_tags.ExpandHTMLTags(s);
    return s;
}
