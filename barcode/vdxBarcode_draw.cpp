// DrawBarcode: the module string is laid out in module units and mapped onto
// the target rectangle by the canvas's world transform, so bars scale to any
// resolution without rounding each one to device pixels.
#include "barcode/vdxBarcode.h"
#include "core/vdVariant.h"
#include "platform/Canvas.h"
#include "platform/CodePage.h"

#include <cmath>
#include <numbers>

namespace {

int roundInt(double v) { return int(RoundHalfEven(v)); }

CanvasFont captionFont(const TvdFont *font, int angle)
{
    CanvasFont f;
    f.name = font->Name();
    // Captions are measured at 96 pixels per inch: one unit is one module.
    f.height = font->PixelsPerInch() == 96 ? font->Height() : roundInt(font->Height() * 96.0 / font->PixelsPerInch());
    f.weight = font->Style().testFlag(TvdFont::fsBold) ? FW_BOLD : FW_NORMAL;
    f.italic = font->Style().testFlag(TvdFont::fsItalic);
    f.underline = font->Style().testFlag(TvdFont::fsUnderline);
    f.strikeOut = font->Style().testFlag(TvdFont::fsStrikeOut);
    f.escapement = angle * 10;
    f.orientation = angle * 10;
    f.charset = std::uint8_t(font->Charset());
    return f;
}

int fontHeightUnits(const TvdFont *font)
{
    return font->PixelsPerInch() == 96 ? font->Height() : roundInt(font->Height() * 96.0 / font->PixelsPerInch());
}

} // namespace

void TvdxBarcode::DrawBarcode(Canvas &canvas, const TRect &rect, bool showText, double scaleDPIX, double scaleDPIY,
                              bool directToEMF)
{
    // The symbol is drawn straight onto the canvas in every case.
    Q_UNUSED(scaleDPIX) Q_UNUSED(scaleDPIY) Q_UNUSED(directToEMF)
    const QByteArray code = MakeModules();
    int W = 2;
    for (char c : code) {
        int d = 0, kind = 0;
        DecodeModule(c, d, kind);
        W += d;
    }
    // On a metafile the quiet ends are painted too, so the picture's bounds
    // hold the whole symbol; the bars stay where they are on other canvases.
    const bool meta = canvas.isMetafile();
    const QByteArray s = meta ? "0" + code + "0" : code;
    Left = 0;
    Top = 0;

    TvdxTextSettings *mainSet = BarcodeText()->TextSettings();
    TvdxTextSettings *supSet = BarcodeText()->SupSettings();
    const int T = 2 - fontHeightUnits(mainSet->Font());
    const int Ts = 2 - fontHeightUnits(supSet->Font());
    int angle = std::isfinite(Angle) ? int(std::fmod(RoundHalfEven(Angle), 360.0)) : 0;
    if (angle < 0)
        angle += 360;
    const int e = (angle + (mainSet->BarTextPos() == TvdxTextSettings::btpTop ? 180 : 0)) % 360;
    const bool horizontal = e == 0 || e == 180;
    const int rw = rect.Right - rect.Left;
    const int rh = rect.Bottom - rect.Top;
    if (rw <= 0 || rh <= 0)
        return;
    const double g = horizontal ? double(rw) / W : double(rh) / W;
    const int H = std::max(1, roundInt((horizontal ? rh : rw) / g));
    const int drawW = horizontal ? W : H;
    const int drawH = horizontal ? H : W;

    Height = H;
    if (showText) {
        if (IsEanUpc(m_typ)) {
            Height = H - T / 2;
            if (e == 180)
                Top = (T + 2) / 2;
            else if (e == 270)
                Left = (T + 2) / 2;
        } else {
            Height = H - T - 2;
            if (e == 180)
                Top = T + 2;
            else if (e == 270)
                Left = T + 2;
        }
    }
    if (m_typ == bcCodeUSPSIntelligentMail)
        Height = (Height / 3) * 3;
    Height = std::max(0, Height);

    const int outer = canvas.SaveDC();
    QTransform local;
    local.translate(rect.Left, rect.Top);
    local.scale(double(rw) / drawW, double(rh) / drawH);
    canvas.ModifyWorldTransform(local, MWT_LEFTMULTIPLY);

    // ---- bars
    canvas.SaveDC();
    canvas.IntersectClipRect(TRect(0, 0, drawW, drawH));
    const double rad = Angle * std::numbers::pi / 180.0;
    const double sn = std::isfinite(rad) ? std::sin(rad) : 0;
    const double cs = std::isfinite(rad) ? std::cos(rad) : 1;
    int ox = Left, oy = Top;
    if (!meta) {
        switch (angle) {
        case 0: ox += 1; break;
        case 90: oy -= 1; break;
        case 180: ox -= 1; break;
        case 270: oy += 1; break;
        default: break;
        }
    }
    if (sn >= 0 && cs >= 0) {
        oy += roundInt(sn * W);
    } else if (sn >= 0) {
        ox += -roundInt(cs * W);
        oy += roundInt(sn * W - cs * Height);
    } else if (cs >= 0) {
        ox += -roundInt(sn * Height);
    } else {
        ox += -roundInt(cs * W) - roundInt(sn * Height);
        oy += -roundInt(cs * Height);
    }
    canvas.pen().style = PenStyle::Null;
    canvas.brush().style = BrushStyle::Solid;
    int x = 0;
    for (char ch : s) {
        int d = 0, kind = 0;
        DecodeModule(ch, d, kind);
        const TColor color = kind == mkSpace ? Color : ColorBar;
        int c = Height, y0 = 0;
        switch (kind) {
        case mkShort: c = 2 * Height / 5; y0 = Height - c; break;
        case mkTracker: c = roundInt(Height / 3.0); y0 = Height - 2 * c; break;
        case mkAscender: c = roundInt(2.0 * Height / 3); y0 = 0; break;
        case mkDescender: c = roundInt(2.0 * Height / 3); y0 = Height - c; break;
        default: break;
        }
        if (color != clNone && d > 0) {
            const int xs[4] = {x, x + d, x + d, x};
            const int ys[4] = {y0, y0, y0 + c, y0 + c};
            TPoint pts[4];
            for (int i = 0; i < 4; ++i)
                pts[i] = TPoint(roundInt(cs * xs[i] + sn * ys[i]) + ox, roundInt(-sn * xs[i] + cs * ys[i]) + oy);
            canvas.brush().color = color;
            canvas.Polygon(std::span<const TPoint>(pts, 4));
        }
        x += d;
    }
    canvas.RestoreDC(-1);

    if (!showText) {
        canvas.RestoreDC(outer);
        return;
    }

    // ---- captions
    const double r0 = m_typ == bcCode_2_5_matrix ? 2.25 : 2.0;
    const bool spread = Ratio != r0;
    // Module widths at the symbology's smallest ratio, to find where a
    // caption position lies when the real ratio widens the symbol.
    const int b1 = roundInt(Modul * r0);
    const int base[4] = {Modul, b1, b1 * 3 / 2, b1 * 2};
    auto moved = [&](int pos) {
        if (pos <= 0)
            return pos;
        int offset = 0, sum = 0;
        for (char ch : code) {
            int idx = 0;
            if (ch >= '0' && ch <= '3')
                idx = ch - '0';
            else if (ch >= '5' && ch <= '8')
                idx = ch - '5';
            else if (ch >= 'A' && ch <= 'D')
                idx = ch - 'A';
            offset += m_modules[idx] - base[idx];
            sum += base[idx];
            if (sum > pos)
                break;
        }
        return pos + offset;
    };

    canvas.SetBkMode(BkMode::Transparent);
    canvas.brush().color = Color;
    canvas.brush().style = BrushStyle::Solid;

    auto place = [&](const QString &text, int tx, int bgFrom, int bgTo, bool adjustEnd, bool ratio, int D,
                     TvdxTextSettings::TvdxBarTextPos P) {
        if (spread && ratio) {
            tx = moved(tx);
            bgFrom = moved(bgFrom);
            if (adjustEnd)
                bgTo = moved(bgTo);
        }
        TRect band;
        int px = 0, py = 0;
        const bool top = P == TvdxTextSettings::btpTop;
        switch (angle) {
        case 90:
            band = top ? TRect(0, W - bgTo, D, W - bgFrom) : TRect(H - D, W - bgTo, H, W - bgFrom);
            px = top ? 0 : H - D;
            py = W - tx;
            break;
        case 180:
            band = top ? TRect(W - bgFrom, H - D - 2, W - bgTo - 1, H) : TRect(W - bgFrom, 0, W - bgTo - 1, D + 2);
            px = W - tx;
            py = top ? H : D;
            break;
        case 270:
            band = top ? TRect(H - D, bgFrom, H, bgTo + 1) : TRect(0, bgFrom, D, bgTo + 1);
            px = top ? H : D;
            py = tx;
            break;
        default:
            band = top ? TRect(bgFrom, 0, bgTo, D) : TRect(bgFrom, H - D - 2, bgTo, H);
            px = tx;
            py = top ? 0 : H - D;
            break;
        }
        const TRect norm(std::min(band.Left, band.Right), std::min(band.Top, band.Bottom),
                         std::max(band.Left, band.Right), std::max(band.Top, band.Bottom));
        if (Color != clNone && norm.Right > norm.Left && norm.Bottom > norm.Top)
            canvas.FillRect(norm);
        if (text.isEmpty())
            return;
        const int tw = canvas.TextWidth(text);
        const int n = int(text.size());
        const int gap = spread && ratio ? roundInt(double(bgTo - bgFrom - tw) / n) : 0;
        if (gap <= 0) {
            canvas.TextOut(px, py, text);
            return;
        }
        const int dx = angle == 180 ? -1 : angle == 90 || angle == 270 ? 0 : 1;
        const int dy = angle == 90 ? -1 : angle == 270 ? 1 : 0;
        int along = roundInt(gap / 2.0);
        for (int i = 0; i < n; ++i) {
            const QString ch = text.mid(i, 1);
            canvas.TextOut(px + dx * along, py + dy * along, ch);
            along += canvas.TextWidth(ch) + gap;
        }
    };

    const auto P = mainSet->BarTextPos();
    canvas.setFont(captionFont(mainSet->Font(), angle));
    canvas.SetTextColor(mainSet->Font()->Color());
    const QString text = DecodeAnsi(Text);
    auto centred = [&](const QString &t) { return int((W - canvas.TextWidth(t)) / 2.0); };
    switch (m_typ) {
    case bcCode_ITF_14: {
        const int tw = canvas.TextWidth(text);
        const int b = roundInt(tw * 0.05);
        int gx = int((W - tw - 4 * b) / 2.0);
        static const int groups[5][2] = {{0, 1}, {1, 2}, {3, 5}, {8, 5}, {13, 1}};
        for (const auto &grp : groups) {
            const QString piece = text.mid(grp[0], grp[1]);
            place(piece, gx, 0, 0, false, false, T, P);
            gx += canvas.TextWidth(piece) + b;
        }
        break;
    }
    case bcCodeCodabar: {
        QString t = text;
        for (const char *esc : {"&A;", "&B;", "&C;", "&D;"})
            t.remove(QLatin1String(esc));
        place(t, centred(t), 0, W - 1, false, false, T, P);
        break;
    }
    case bcCodeEAN8: {
        const QString d = DecodeAnsi(Ean8Digits());
        place(d.mid(0, 4), 4, 4, 32, true, true, T, P);
        place(d.mid(4, 4), 36, 36, W - 4, false, true, T, P);
        break;
    }
    case bcCodeEAN13:
        place(text.mid(0, 1), -7, -7, -2, true, false, T, P);
        place(text.mid(1, 6), 4, 4, 46, true, true, T, P);
        place(text.mid(7, 6), 50, 50, W - 4, false, true, T, P);
        break;
    case bcCodeUPC_A:
        place(text.mid(0, 1), -7, -7, -2, true, false, T, P);
        place(text.mid(1, 5), 11, 11, 46, true, true, T, P);
        place(text.mid(6, 5), 50, 50, 85, true, true, T, P);
        place(text.mid(11, 1), W + 1, W + 1, W + 8, true, false, T, P);
        break;
    case bcCodeUPC_E0:
    case bcCodeUPC_E1:
        place(text.mid(0, 6), 4, 4, 46, true, true, T, P);
        place(text.mid(6, 1), W + 1, W + 1, W + 8, true, false, T, P);
        break;
    default:
        if (IsCode128Family(m_typ)) {
            const QString t = DecodeAnsi(StripEscapes(Text, true));
            place(t, centred(t), 0, W - 1, false, false, T, P);
        } else {
            place(text, centred(text), 0, W - 2, true, false, T, P);
        }
        break;
    }

    if (!TextSup.isEmpty() && supSet->BarTextPos() != P) {
        canvas.setFont(captionFont(supSet->Font(), angle));
        canvas.SetTextColor(supSet->Font()->Color());
        const QString sup = DecodeAnsi(TextSup);
        place(sup, centred(sup), 0, W, true, false, Ts, supSet->BarTextPos());
    }
    canvas.RestoreDC(outer);
}
