#include "barcode/vdxBarcode2DBase.h"
#include "platform/GraphicsTypes.h"

#include <algorithm>
#include <cmath>
#include <queue>

namespace {

constexpr auto btpTop = TvdxTextSettings::btpTop;
constexpr auto btpBottom = TvdxTextSettings::btpBottom;

int R(double v) { return int(std::nearbyint(v)); }

} // namespace

TvdxBarcode2DBase::TvdxBarcode2DBase() : m_barcodeText(std::make_unique<TvdxBarcodeText>())
{
    m_barcodeText->TextSettings()->Font()->SetSize(10);
}

TvdxBarcode2DBase::~TvdxBarcode2DBase() = default;

void TvdxBarcode2DBase::BuildSymbol(const QString &, bool) {}

void TvdxBarcode2DBase::SetText(const QString &value)
{
    if (value != m_text)
        m_text = value;
    if (IsScaled())
        BuildSymbol(value, true);
}

void TvdxBarcode2DBase::SetHeight(int value)
{
    if (IsScaled()) {
        m_originalHeight = value;
        m_height = 0;
    }
}

int TvdxBarcode2DBase::LineHeight(const TvdFont &font)
{
    const int h = font.Height();
    return -h - h / 4;
}

int TvdxBarcode2DBase::Width()
{
    return R(double(m_width) * m_pixelWidth + 2.0 * m_quietZone);
}

int TvdxBarcode2DBase::Height()
{
    if (IsScaled() && m_height == 0 && m_pixelHeight != 0) {
        m_height = m_originalHeight / m_pixelHeight - GetFooterHeight();
        if (m_height < 0)
            m_height = 0;
        BuildSymbol(m_text, false);
    }
    const int a = m_showText ? LineHeight(*m_barcodeText->TextSettings()->Font()) : 0;
    const int b = !m_textSup.isEmpty() ? LineHeight(*m_barcodeText->SupSettings()->Font()) : 0;
    return R(double(m_height) * m_pixelHeight + 2.0 * m_quietZone + a + b);
}

int TvdxBarcode2DBase::GetFooterHeight() const
{
    return m_showText ? LineHeight(*m_barcodeText->TextSettings()->Font()) : 0;
}

void TvdxBarcode2DBase::Assign(const TvdxBarcode2DBase &source)
{
    if (&source == this)
        return;
    m_showText = source.m_showText;
    m_rotation = source.m_rotation;
    m_text = source.m_text;
    m_textSup = source.m_textSup;
    m_zoom = source.m_zoom;
    m_pixelWidth = source.m_pixelWidth;
    m_pixelHeight = source.m_pixelHeight;
    m_fontScaled = source.m_fontScaled;
    m_color = source.m_color;
    m_colorBar = source.m_colorBar;
    m_errorText = source.m_errorText;
    m_quietZone = source.m_quietZone;
    m_barcodeText->Assign(source.m_barcodeText.get());
}

void TvdxBarcode2DBase::FillRect(Canvas &canvas, const TRect &r)
{
    canvas.Polygon({TPoint(r.Left, r.Top), TPoint(r.Left, r.Bottom), TPoint(r.Right, r.Bottom), TPoint(r.Right, r.Top)});
}

void TvdxBarcode2DBase::drawCaption(Canvas &g, int tx, int ty, const QString &text, const TvdFont &font, double scaleY,
                                    int W, int H, int QX, int QY, int &footer)
{
    const CanvasFont saved = g.font();
    const TColor savedText = g.TextColor();
    const BkMode savedMode = g.GetBkMode();
    CanvasFont f;
    f.name = font.Name();
    f.weight = font.Style().testFlag(TvdFont::fsBold) ? FW_BOLD : FW_NORMAL;
    f.italic = font.Style().testFlag(TvdFont::fsItalic);
    f.underline = font.Style().testFlag(TvdFont::fsUnderline);
    f.strikeOut = font.Style().testFlag(TvdFont::fsStrikeOut);
    f.charset = std::uint8_t(font.Charset());
    f.escapement = f.orientation = R(m_rotation * 10.0);
    const double s = g.isPrinter() ? 1.0 : scaleY;
    const int base = MulDiv(font.Size(), g.LogPixelsY(), 72);
    f.height = m_fontScaled ? -R(base * m_zoom * s) : -R(base * s);
    g.setFont(f);
    g.SetTextColor(font.Color());
    g.brush().color = m_color;
    g.SetBkMode(BkMode::Transparent);

    const int tw = g.TextWidth(text);
    const int h = f.height;
    footer = (-h) / 4 - h;
    const int off = std::max(0, W / 2 - tw / 2);
    int dx = 0, dy = 0;
    switch (R(m_rotation)) {
    case 0: dx = off; dy = H; break;
    case 90: dx = H; dy = W - off; break;
    case 180: dx = W - off; dy = footer; break;
    case 270: dx = footer; dy = off; break;
    default: break;
    }
    g.TextOut(tx + dx + QX, ty + dy + QY, text);
    g.setFont(saved);
    g.SetTextColor(savedText);
    g.SetBkMode(savedMode);
}

void TvdxBarcode2DBase::Draw2DBarcode(Canvas &g, double scaleX, double scaleY, int x, int y)
{
    const double KX = scaleX * m_zoom;
    const double KY = scaleY * m_zoom;
    int footer = 0;
    if (IsScaled()) {
        m_height = 0;
        Height();
    }
    const int H = R(double(m_height) * m_pixelHeight * KY);
    const int W = R(double(m_width) * m_pixelWidth * KX);
    const int QX = R(m_quietZone * KX);
    const int QY = R(m_quietZone * KY);
    if (m_showText) {
        const TvdxTextSettings *ts = m_barcodeText->TextSettings();
        const TvdxTextSettings *ss = m_barcodeText->SupSettings();
        const bool top = ts->BarTextPos() == btpTop || (ss->BarTextPos() == btpTop && !m_textSup.isEmpty());
        const bool bottom = ts->BarTextPos() == btpBottom || (ss->BarTextPos() == btpBottom && !m_textSup.isEmpty());
        const bool mainTop = ts->BarTextPos() == btpTop;
        const bool mainBottom = ts->BarTextPos() == btpBottom;
        const int rot = ((m_rotation % 360) + 360) % 360;
        const TvdFont &F = (rot == 180 || rot == 270) ? (mainTop ? *ss->Font() : *ts->Font())
                                                      : (mainTop ? *ts->Font() : *ss->Font());
        const int SY = R(LineHeight(F) * scaleY * m_zoom);
        const int SX = R(LineHeight(F) * scaleX * m_zoom);
        if (top) {
            int tx = x, ty = y;
            switch (m_rotation) {
            case 0: ty -= H; break;
            case 90: tx -= W; break;
            case 180: ty += H + (bottom ? SY : 0); break;
            case 270: tx += W + (bottom ? SX : 0); break;
            default: break;
            }
            if (mainTop)
                drawCaption(g, tx, ty, m_text, *ts->Font(), scaleY, W, H, QX, QY, footer);
            else
                drawCaption(g, tx, ty, m_textSup, *ss->Font(), scaleY, W, H, QX, QY, footer);
            if (m_rotation == 0)
                y += SY;
            else if (m_rotation == 90)
                x += SX;
        }
        if (bottom) {
            if (mainBottom)
                drawCaption(g, x, y, m_text, *ts->Font(), scaleY, W, H, QX, QY, footer);
            else
                drawCaption(g, x, y, m_textSup, *ss->Font(), scaleY, W, H, QX, QY, footer);
        }
        if (top && !bottom)
            footer = 0;
    }
    g.brush().color = m_colorBar;
    g.brush().style = BrushStyle::Solid;
    const PenStyle savedPen = g.pen().style;
    g.pen().style = PenStyle::Null;
    InternalDraw(g, scaleX, scaleY, x, y, footer, W, H, QX, QY, KX, KY);
    g.pen().style = savedPen;
}

void TvdxBarcode2DBase::InternalDraw(Canvas &, double, double, int, int, int, int, int, int, int, double, double) {}

TRect TvdxBarcode2DBase::FigureRect(int c, int r, int wc, int hr, int x, int y, int footerHeight, int dx, int dy,
                                    int paddingX, int paddingY, double kx, double ky) const
{
    const double PW = m_pixelWidth, PH = m_pixelHeight;
    int X1, X2, Y1, Y2;
    switch (R(m_rotation)) {
    case 90:
        X1 = R(x + kx * r * PH);
        X2 = R(x + kx * r * PH + hr * kx * PH);
        Y1 = R(y + dx - ky * c * PW);
        Y2 = R(y + dx - ky * c * PW - wc * ky * PW);
        break;
    case 180:
        X1 = R(x + dx - kx * c * PW);
        X2 = R(x + dx - kx * c * PW - wc * kx * PW);
        Y1 = R(y + footerHeight + dy - ky * r * PH);
        Y2 = R(y + footerHeight + dy - ky * r * PH - hr * ky * PH);
        break;
    case 270:
        X1 = R(x + footerHeight + dy - kx * r * PH);
        X2 = R(x + footerHeight + dy - kx * r * PH - hr * kx * PH);
        Y1 = R(y + ky * c * PW);
        Y2 = R(y + ky * c * PW + wc * ky * PW);
        break;
    default:
        X1 = R(x + kx * c * PW);
        X2 = R(x + kx * c * PW + wc * kx * PW);
        Y1 = R(y + ky * r * PH);
        Y2 = R(y + ky * r * PH + hr * ky * PH);
        break;
    }
    return TRect(paddingX + X1, paddingY + Y1, paddingX + X2, paddingY + Y2);
}

void TvdxBarcode2DBaseWithUnion::InternalDraw(Canvas &canvas, double, double, int x, int y, int footerHeight, int dx,
                                              int dy, int paddingX, int paddingY, double kx, double ky)
{
    const std::vector<int> &dotsR = DotsR(), &dotsL = DotsL();
    for (size_t i = 0; i < dotsR.size(); ++i)
        FillRect(canvas, FigureRect(dotsR[i], dotsL[i], 1, 1, x, y, footerHeight, dx, dy, paddingX, paddingY, kx, ky));
    for (const TvdxVectorPrimitive &p : VectorPrimitives())
        FillRect(canvas, FigureRect(p.Left, p.Top, p.Width, p.Height, x, y, footerHeight, dx, dy, paddingX, paddingY,
                                    kx, ky));
}

void TvdxBarcode2DBaseWithOutUnion::InternalDraw(Canvas &canvas, double, double, int x, int y, int footerHeight,
                                                 int dx, int dy, int paddingX, int paddingY, double kx, double ky)
{
    const int stride = (m_width + 7) / 8;
    for (int r = 0; r < m_height; ++r)
        for (int c = 0; c < m_width; ++c) {
            const size_t at = size_t(r) * size_t(stride) + size_t(c / 8);
            if (at < m_image.size() && (m_image[at] >> (7 - c % 8)) & 1)
                FillRect(canvas, FigureRect(c, r, 1, 1, x, y, footerHeight, dx, dy, paddingX, paddingY, kx, ky));
        }
}

namespace {

// The greedy cover. Each dark cell's best rectangle is the one the scan
// from that cell finds first with the largest area; the global choice is the
// largest area, ties to the cell first in column-major order. Removing a
// rectangle only shrinks the candidates of other cells, so a cell whose best
// rectangle does not meet the removed one keeps it: only the cells whose
// best met it are scanned again, and a heap yields the next choice without
// rescanning the grid.
class Cover {
public:
    Cover(int cols, int rows) : m_cols(cols), m_rows(rows), m_dark(size_t(cols) * size_t(rows), 0),
                                m_best(size_t(cols) * size_t(rows)), m_stamp(size_t(cols) * size_t(rows), 0) {}

    void set(int c, int r) { m_dark[idx(c, r)] = 1; }
    bool dark(int c, int r) const { return m_dark[idx(c, r)] != 0; }

    void run(std::vector<TvdxVectorPrimitive> &out)
    {
        for (int c = 0; c < m_cols; ++c)
            for (int r = 0; r < m_rows; ++r)
                if (dark(c, r))
                    update(c, r);
        while (!m_heap.empty()) {
            const Entry e = m_heap.top();
            m_heap.pop();
            if (e.stamp != m_stamp[size_t(e.index)])
                continue;
            const Best &b = m_best[size_t(e.index)];
            const int c = e.index / m_rows, r = e.index % m_rows;
            const TvdxVectorPrimitive rect{c, r, b.w, b.h};
            out.push_back(rect);
            for (int i = c; i < c + b.w; ++i)
                for (int j = r; j < r + b.h; ++j) {
                    m_dark[idx(i, j)] = 0;
                    ++m_stamp[idx(i, j)];
                }
            // Cells whose best rectangle may reach into the removed one.
            const int c0 = std::max(0, c - m_maxW + 1), r0 = std::max(0, r - m_maxH + 1);
            for (int i = c0; i < c + b.w; ++i)
                for (int j = r0; j < r + b.h; ++j) {
                    if (!dark(i, j))
                        continue;
                    const Best &o = m_best[idx(i, j)];
                    if (i + o.w > c && j + o.h > r)
                        update(i, j);
                }
        }
    }

private:
    struct Best { int w = 0, h = 0; };
    struct Entry {
        int area;
        int index;
        unsigned stamp;
        bool operator<(const Entry &o) const { return area != o.area ? area < o.area : index > o.index; }
    };

    size_t idx(int c, int r) const { return size_t(c) * size_t(m_rows) + size_t(r); }

    void update(int i, int j)
    {
        Best best{1, 1};
        int limit = m_rows;
        int count = 0;
        for (int k = i; k < m_cols && dark(k, j); ++k) {
            ++count;
            for (int r = j; r < limit; ++r) {
                if (!dark(k, r)) {
                    limit = r;
                    break;
                }
                const int run = r - j + 1;
                if (best.w * best.h < count * run)
                    best = {count, run};
            }
        }
        const size_t at = idx(i, j);
        m_best[at] = best;
        m_maxW = std::max(m_maxW, best.w);
        m_maxH = std::max(m_maxH, best.h);
        const unsigned stamp = ++m_stamp[at];
        if (best.w * best.h >= 2)
            m_heap.push({best.w * best.h, int(at), stamp});
    }

    int m_cols, m_rows;
    std::vector<std::uint8_t> m_dark;
    std::vector<Best> m_best;
    std::vector<unsigned> m_stamp;
    std::priority_queue<Entry> m_heap;
    int m_maxW = 1, m_maxH = 1;
};

} // namespace

void TvdxBarcode2DBaseWithUnion::T2DBooleanArrayToVectorPrimitives(const T2DBooleanArray &matrix, int x, int y,
                                                                   int quietZone)
{
    ClearFigures();
    if (x <= 0 || y <= 0)
        return;
    m_coverMatrix = matrix;
    m_coverSource = nullptr;
    m_coverX = x;
    m_coverY = y;
    m_coverQuietZone = quietZone;
    m_coverPending = true;
}

void TvdxBarcode2DBaseWithUnion::T2DBooleanArrayToVectorPrimitives(std::function<const T2DBooleanArray &()> matrix,
                                                                   int x, int y, int quietZone)
{
    ClearFigures();
    if (x <= 0 || y <= 0)
        return;
    m_coverMatrix = T2DBooleanArray();
    m_coverSource = std::move(matrix);
    m_coverX = x;
    m_coverY = y;
    m_coverQuietZone = quietZone;
    m_coverPending = true;
}

void TvdxBarcode2DBaseWithUnion::buildCover() const
{
    m_coverPending = false;
    const int x = m_coverX, y = m_coverY, quietZone = m_coverQuietZone;
    Cover cover(x, y);
    const T2DBooleanArray &matrix = m_coverSource ? m_coverSource() : m_coverMatrix;
    const int cols = std::min(matrix.Columns(), x - 2 * quietZone);
    const int rows = std::min(matrix.Rows(), y - 2 * quietZone);
    for (int i = 0; i < cols; ++i)
        for (int j = 0; j < rows; ++j)
            if (matrix.Get(i, j))
                cover.set(i + quietZone, j + quietZone);
    cover.run(m_vectorPrimitives);
    for (int i = 0; i < x; ++i)
        for (int j = 0; j < y; ++j)
            if (cover.dark(i, j)) {
                m_dotsR.push_back(i);
                m_dotsL.push_back(j);
            }
}
