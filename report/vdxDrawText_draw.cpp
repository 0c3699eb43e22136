// Drawing half of the text layout: lines placed, aligned, justified and
// rotated on the device at advances scaled from the 600 ppi measurement.
#include "report/vdxDrawText.h"
#include "report/vdxDrawText_p.h"
#include "report/vdxTextMeasure.h"
#include "report/vdxVectorCanvas.h"
#include <cstdlib>

using namespace vdxdt;

namespace {

// Adds |diff| pixels with diff's sign over arr[0 .. n - 1].
void spreadDiff(int *arr, int n, int diff)
{
    if (n <= 0 || diff == 0)
        return;
    const int step = diff < 0 ? -1 : 1;
    const int ad = std::abs(diff);
    if (ad < n) {
        SpreadPixels(arr, 0, n - 1, step, ad);
        return;
    }
    for (int i = 0; i < n; ++i)
        arr[i] += step * (ad / n);
    SpreadPixels(arr, 0, n - 1, step, ad % n);
}

} // namespace

void TvdxDrawText::calcStartPoint(int g, int &x, int &y, int &w, int &h) const
{
    const int L = m_scaledRect.Left, T = m_scaledRect.Top, R = m_scaledRect.Right, B = m_scaledRect.Bottom;
    const double a = m_rotation * kPi / 180;
    const double s = std::abs(std::sin(a)), c = std::abs(std::cos(a));
    const int r = m_rotation;
    const int w1 = r % 90 != 0 && c > 0 ? Round((R - L - s * g) / c) : 0;
    if (r == 0) {
        x = L, y = T, w = R - L, h = B - T;
    } else if (r < 90) {
        x = L, y = T + Round(s * w1), w = w1, h = g + B - y - Round(c * g);
    } else if (r == 90) {
        x = L, y = B, w = B - T, h = R - L;
    } else if (r < 180) {
        x = L + Round(c * w1), y = B, w = w1, h = g + B - T - Round(c * g + s * w1);
    } else if (r == 180) {
        x = R, y = B, w = R - L, h = B - T;
    } else if (r < 270) {
        x = R, y = B - Round(s * w1), w = w1, h = g + y - T - Round(c * g);
    } else if (r == 270) {
        x = R, y = T, w = B - T, h = R - L;
    } else {
        x = L + Round(s * g), y = T, w = w1, h = g + B - T - Round(s * w1 + c * g);
    }
}

void TvdxDrawText::applyRecordFont(Canvas &c, const TvdxHTMLTag &tag)
{
    CanvasFont &f = c.font();
    f.height = c.isPrinter() ? -Round(tag.Size * double(c.LogPixelsX()) * m_printScale / 72)
                             : -Round(tag.Size * m_scaleY * 96 / 72);
    SetCanvasFontStyle(c, tag.Style);
    c.SetTextColor(m_monoFont ? clBlack : tag.Color);
}

void TvdxDrawText::DrawText(Canvas &c, TvdxHAlign hAlign, TvdxVAlign vAlign,
                            TvdxUnderlinesTextMode underlinesTextMode, int selectedLine)
{
    const int nl = int(m_lines.size());
    m_lineY.assign(size_t(nl), 0);
    if (!(nl > 0 && m_tags.Count() > 0) && underlinesTextMode == ulmNone)
        return;
    CanvasLock lock(m_canvasLock);
    const CanvasFont savedFont = c.font();
    const TColor savedColor = c.TextColor();
    const BkMode savedBk = c.GetBkMode();

    CanvasFont f = m_canvas->font();
    f.height = c.isPrinter() ? -Round(m_fontSize * double(c.LogPixelsY()) * m_printScale / 72)
                             : -Round(m_fontSize * m_scaleY * 96 / 72);
    f.escapement = f.orientation = m_rotation * 10;
    c.setFont(f);
    c.SetTextColor(m_monoFont ? clBlack : m_canvas->TextColor());
    if (nl > 0 && m_tags.Count() > 0 && m_tags.Items(0)->Count() > 0) {
        TvdxHTMLTag *first = m_tags.Items(0)->Items(0);
        if (!first->Default) {
            applyRecordFont(c, *first);
            first->Default = true;
        }
    }

    const int fh = GetFontHeight(c);
    const int fh600 = GetFontHeight(*m_canvas);
    const double ls = m_lineSpacing;
    int g;
    if (c.isPrinter()) {
        const double v = m_defPPI / (c.LogPixelsY() * m_printScale);
        g = Round((ls * m_scaleY * v * nl + double(fh600) * nl) / v);
    } else {
        const double v = m_defPPI / 96.0;
        g = Round((ls * v * nl + double(fh600) * nl) / v * m_scaleY);
    }
    const int w = m_wysiwyg ? g - nl * (fh + Round(ls * m_scaleY)) : 0;

    int x, y, W, H;
    calcStartPoint(g, x, y, W, H);
    if (ls < 0 && vAlign != vaTop)
        g += std::abs(Round(2 * ls));
    const double a = m_rotation * kPi / 180;
    const double cs = std::cos(a), sn = std::sin(a);
    double ac = cs, as = sn;
    if (m_rotation % 90 != 0) {
        ac = (m_rotation < 90 || m_rotation > 270) ? 1 : -1;
        as = 0;
    }
    const int d = H - g;
    if (vAlign == vaBottom) {
        x += Round(d * as);
        y += Round(d * ac);
    } else if (vAlign == vaCenter) {
        x += Round(d * as / 2);
        y += Round(d * ac / 2);
    }

    std::vector<int> step(size_t(std::max(nl, 1)), 0);
    for (int i = 0; i + 1 < nl; ++i)
        step[size_t(i)] = fh + Round(ls * m_scaleY);
    if (nl > 1 && w != 0) {
        const int sign = w < 0 ? -1 : 1;
        const int aw = std::abs(w);
        if (aw < nl)
            SpreadPixels(step.data(), 0, nl - 2, sign, aw);
        else {
            for (int i = 0; i + 1 < nl; ++i)
                step[size_t(i)] += sign * (aw / (nl - 1));
            SpreadPixels(step.data(), 0, nl - 2, sign, aw % (nl - 1));
        }
    }

    c.SetBkMode(BkMode::Transparent);

    int u, e;
    if (c.isPrinter()) {
        const double F = c.LogPixelsY() * m_printScale / 96;
        u = fh + Round(ls * F);
        e = Round(ls * F);
    } else {
        u = fh + Round(ls * m_scaleY);
        e = Round((ls - m_scaleY) * m_scaleY);
    }
    const int top = m_scaledRect.Top, bottom = m_scaledRect.Bottom;
    auto underline = [&](int lx, int yy) {
        if (yy > top && yy <= bottom) {
            c.MoveTo(lx, yy);
            c.LineTo(lx + W, yy);
        }
    };

    if (nl == 0 && underlinesTextMode == ulmUnderlinesAll && u > 0) {
        const int count = Trunc(double(bottom - top) / u) + 1;
        for (int j = 1; j <= count; ++j) {
            const int yy = top + j * u - e;
            if (yy < bottom)
                underline(x, yy);
        }
    }

    for (int i = 0; i < nl; ++i) {
        const int flags = m_flags[i];
        const int indent =
            (flags & vdlfFirst) && (hAlign == haLeft || hAlign == haBlock) ? Round(m_paragraphGap * m_scaleX) : 0;
        TvdxHAlign align = hAlign;
        if ((flags & vdlfLast) && hAlign == haBlock)
            align = m_rtl ? haRight : haLeft;
        const int lx = x + Round(cs * indent);
        const int ly = y - Round(sn * indent);
        m_lineY[size_t(i)] = ly;
        if (i == selectedLine)
            drawSelectedLine(c, i, align, W - indent, ly, lx);
        else
            drawTextLine(c, i, align, W - indent, ly, lx);

        if (underlinesTextMode != ulmNone) {
            if (underlinesTextMode == ulmUnderlinesAll && i == 0 && vAlign != vaTop && u > 0)
                for (int j = 0; j <= Trunc(double(y - top) / u); ++j)
                    underline(x, y - (j * u + e));
            if (!(underlinesTextMode == ulmUnderlinesText && m_lines[i].trimmed().isEmpty()))
                underline(x, y + u - e);
            if (underlinesTextMode == ulmUnderlinesAll && i == nl - 1 && vAlign != vaBottom && u > 0)
                for (int j = 2; j <= Trunc(double(bottom - y) / u); ++j)
                    underline(x, y + j * u - e);
        }
        y += Round(step[size_t(i)] * cs);
        x += Round(step[size_t(i)] * sn);
    }

    c.setFont(savedFont);
    c.SetTextColor(savedColor);
    c.SetBkMode(savedBk);
}

void TvdxDrawText::drawTextLine(Canvas &c, int index, TvdxHAlign align, int width, int y, int x)
{
    const QString &line = m_lines[index];
    const int n = int(line.size());
    if (n == 0)
        return;
    CanvasLock lock(m_canvasLock);
    ensureTemp(n);
    const int cstyle = CanvasFontStyle(c);
    SetCanvasFontStyle(*m_canvas, cstyle);
    m_tags.SetDefStyle(cstyle);

    const int sp600 = Round(m_charSpacing * k());
    std::vector<int> adv600;
    const int a600 = m_tags.MeasureCharAdvances(adv600, line, false, sp600, index, *m_canvas, *m_measure) - sp600;
    const int spDev = Round(m_charSpacing * m_scaleX);
    const int o = m_tags.MeasureCharAdvances(m_temp, line, false, spDev, index, c, *m_measure) - spDev;
    SetCanvasFontStyle(c, cstyle);
    int *adv = m_temp.data();

    int ww;
    if (!m_wysiwyg)
        ww = o;
    else if (c.isPrinter()) {
        const int dpi = c.LogPixelsX() > 0 ? c.LogPixelsX() : 96;
        ww = Round(a600 * m_printScale / (double(m_defPPI) / dpi));
    } else
        ww = Round(a600 / (double(m_defPPI) / 96) * m_scaleX);
    const int freeSpace = width - ww;
    int diff = ww - o;

    const double a = m_rotation * kPi / 180;
    const double cs = std::cos(a), sn = std::sin(a);
    int blanks = 0;
    if (align == haBlock) {
        for (QChar ch : line)
            if (ch == u' ' || ch == QChar(0xA0))
                ++blanks;
        if (blanks == 0)
            align = haLeft;
        else
            diff = std::abs(width) - o;
    }
    if (align == haRight) {
        x += Round((freeSpace + 1) * cs);
        y -= Round((freeSpace + 1) * sn);
        const CanvasFont &f = c.font();
        x -= (f.bold() || f.italic) && m_rotation == 0 ? 2 : 1;
    } else if (align == haCenter) {
        x += Round(freeSpace / 2.0 * cs);
        y -= Round(freeSpace / 2.0 * sn);
    }
    if (align == haBlock) {
        const int sign = diff < 0 ? -1 : 1;
        const int ad = std::abs(diff);
        int b = 0;
        for (int i = 0; i < n; ++i)
            if (line[i] == u' ' || line[i] == QChar(0xA0)) {
                adv[i] += sign * (ad / blanks + (b < ad % blanks ? 1 : 0));
                ++b;
            }
    } else
        spreadDiff(adv, n, diff);

    // Runs of equal attributes, each begun by a record that is not Default.
    const TvdxHTMLTags *recs = index < m_tags.Count() ? m_tags.Items(index) : nullptr;
    auto rec = [&](int i) -> TvdxHTMLTag * { return recs && i < recs->Count() ? recs->Items(i) : nullptr; };
    auto dyOf = [&](const TvdxHTMLTag *t) { return t ? Round(t->AddY * t->Size * m_scaleY) : 0; };
    std::vector<std::pair<int, int>> runs;
    int start = 0;
    for (int i = 1; i <= n; ++i)
        if (i == n || (rec(i) && !rec(i)->Default)) {
            runs.emplace_back(start, i);
            start = i;
        }
    auto runWidth = [&](const std::pair<int, int> &r) {
        long long sum = 0;
        for (int i = r.first; i < r.second; ++i)
            sum += adv[i];
        return int(sum);
    };
    auto advance = [&](int width) {
        if (m_rotation == 0)
            x += width;
        else {
            x += Round(width * cs);
            y -= Round(width * sn);
        }
    };
    if (m_tags.AllowTags() && m_rtl) {
        for (size_t r = runs.size(); r-- > 0;) {
            TvdxHTMLTag *t = rec(runs[r].first);
            if (t) {
                applyRecordFont(c, *t);
                t->Default = true;
            }
            outputTextRun(c, x, y, dyOf(t), line.mid(runs[r].first, runs[r].second - runs[r].first),
                          adv + runs[r].first);
            advance(runWidth(runs[r]));
        }
        return;
    }
    // A line that begins with a change (a new paragraph that opens with a
    // tag) takes it before its first run, as the text's first line does.
    if (TvdxHTMLTag *t = rec(0); t && !t->Default) {
        applyRecordFont(c, *t);
        t->Default = true;
    }
    int dy = dyOf(rec(0));
    for (const auto &r : runs) {
        outputTextRun(c, x, y, dy, line.mid(r.first, r.second - r.first), adv + r.first);
        if (TvdxHTMLTag *t = rec(r.second)) {
            applyRecordFont(c, *t);
            t->Default = true;
            dy = dyOf(t);
        }
        advance(runWidth(r));
    }
}

void TvdxDrawText::outputTextRun(Canvas &c, int x, int y, int dy, const QString &text, const int *dx)
{
    const double a = m_rotation * kPi / 180;
    const int px = x + Round(std::sin(a) * dy);
    const int py = y + Round(std::cos(a) * dy);
    if (m_wysiwyg) {
        c.ExtTextOut(px, py, m_options, &m_scaledRect, text, std::span<const int>(dx, size_t(text.size())));
        if (m_vc)
            m_vc->ExtTextOutW(px, py, m_options, m_scaledRect, text, dx);
    } else
        c.ExtTextOut(px, py, m_options, &m_scaledRect, text);
}

void TvdxDrawText::drawSelectedLine(Canvas &c, int index, TvdxHAlign align, int width, int y, int x)
{
    const CanvasBrush savedBrush = c.brush();
    const TColor savedColor = c.TextColor();
    const int top = std::min(y, m_scaledRect.Bottom);
    const int bottom = std::min(m_scaledRect.Bottom, y + Round(LineHeight() * m_scaleY));
    c.brush() = CanvasBrush{clHighlight, BrushStyle::Solid};
    c.FillRect(TRect(m_scaledRect.Left + 1, top + 1, m_scaledRect.Right, bottom));
    c.SetTextColor(clHighlightText);
    c.SetBkMode(BkMode::Transparent);
    drawTextLine(c, index, align, width, y, x);
    c.setBrush(savedBrush);
    c.SetTextColor(savedColor);
}
