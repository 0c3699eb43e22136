#include "platform/TextShaping.h"
#include "platform/FontMap.h"
#include <QHash>
#include <algorithm>
#include <cmath>
#include <hb.h>
#include <memory>

namespace {

bool isRtl(QChar::Direction d) { return d == QChar::DirR || d == QChar::DirAL; }

bool isComplexBlock(char32_t c)
{
    return (c >= 0x0900 && c <= 0x0DFF) || (c >= 0x0E00 && c <= 0x0FFF) || (c >= 0x1000 && c <= 0x109F) ||
           (c >= 0x1780 && c <= 0x17FF);
}

// Faces of font files, kept per thread like the raw fonts.
struct FaceCache {
    QHash<QString, hb_face_t *> faces;
    ~FaceCache()
    {
        for (hb_face_t *f : faces)
            hb_face_destroy(f);
    }
    hb_face_t *get(const QString &path)
    {
        auto it = faces.constFind(path);
        if (it != faces.constEnd())
            return *it;
        hb_blob_t *blob = hb_blob_create_from_file(path.toLocal8Bit().constData());
        hb_face_t *face = hb_face_create(blob, 0);
        hb_blob_destroy(blob);
        faces.insert(path, face);
        return face;
    }
};

struct Run {
    int start;
    int length;
    bool rtl;
};

// Directional runs in logical order: strong characters decide, numbers read
// left to right, neutrals between runs of one direction take it, other
// neutrals the paragraph's.
std::vector<Run> directionalRuns(const QString &text, bool rtlParagraph)
{
    const int n = int(text.size());
    std::vector<int> dir(size_t(n), -1); // 1 rtl, 0 ltr, -1 neutral
    for (int i = 0; i < n; ++i) {
        const QChar::Direction d = text[i].direction();
        if (isRtl(d))
            dir[size_t(i)] = 1;
        else if (d == QChar::DirL || d == QChar::DirEN || d == QChar::DirAN)
            dir[size_t(i)] = 0;
    }
    const int para = rtlParagraph ? 1 : 0;
    for (int i = 0; i < n;) {
        if (dir[size_t(i)] >= 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j < n && dir[size_t(j)] < 0)
            ++j;
        const int before = i > 0 ? dir[size_t(i - 1)] : para;
        const int after = j < n ? dir[size_t(j)] : para;
        const int d = before == after ? before : para;
        for (int k = i; k < j; ++k)
            dir[size_t(k)] = d;
        i = j;
    }
    // Surrogate pairs stay together.
    for (int i = 1; i < n; ++i)
        if (text[i].isLowSurrogate())
            dir[size_t(i)] = dir[size_t(i - 1)];
    std::vector<Run> runs;
    for (int i = 0; i < n;) {
        int j = i;
        while (j < n && dir[size_t(j)] == dir[size_t(i)])
            ++j;
        runs.push_back({i, j - i, dir[size_t(i)] == 1});
        i = j;
    }
    return runs;
}

struct ShapedRun {
    Run run;
    std::vector<hb_glyph_info_t> info;
    std::vector<hb_glyph_position_t> pos;
};

} // namespace

bool NeedsShaping(const QString &text)
{
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x0590)
            continue;
        if (isRtl(c.direction()) || isComplexBlock(c.unicode()))
            return true;
    }
    return false;
}

bool IsRightToLeftText(const QString &text)
{
    for (QChar c : text) {
        const QChar::Direction d = c.direction();
        if (isRtl(d))
            return true;
        if (d == QChar::DirL)
            return false;
    }
    return false;
}

ShapedText ShapeText(const QString &family, int weight, bool italic, double emSize, const QString &text,
                     bool rtlParagraph, std::span<const int> dx, double stretch)
{
    ShapedText result;
    const int n = int(text.size());
    result.unitAdvances = QList<int>(n, 0);
    if (n == 0)
        return result;
    thread_local FaceCache cache;
    const QString path = FontFilePath(family, weight, italic);
    if (path.isEmpty())
        return result;
    hb_face_t *face = cache.get(path);
    const unsigned upem = std::max(1u, hb_face_get_upem(face));
    std::unique_ptr<hb_font_t, decltype(&hb_font_destroy)> font(hb_font_create(face), &hb_font_destroy);
    hb_font_set_scale(font.get(), int(upem), int(upem));
    const double scale = emSize / upem * stretch;

    std::vector<ShapedRun> shaped;
    std::unique_ptr<hb_buffer_t, decltype(&hb_buffer_destroy)> buf(hb_buffer_create(), &hb_buffer_destroy);
    for (const Run &r : directionalRuns(text, rtlParagraph)) {
        hb_buffer_clear_contents(buf.get());
        hb_buffer_add_utf16(buf.get(), reinterpret_cast<const uint16_t *>(text.utf16()), n, unsigned(r.start),
                            r.length);
        hb_buffer_set_direction(buf.get(), r.rtl ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
        hb_buffer_guess_segment_properties(buf.get());
        // Kerning stays off, as everywhere else in measuring.
        const hb_feature_t noKern = {HB_TAG('k', 'e', 'r', 'n'), 0, 0, ~0u};
        hb_shape(font.get(), buf.get(), &noKern, 1);
        unsigned count = 0;
        hb_glyph_info_t *info = hb_buffer_get_glyph_infos(buf.get(), &count);
        hb_glyph_position_t *pos = hb_buffer_get_glyph_positions(buf.get(), &count);
        shaped.push_back({r, std::vector<hb_glyph_info_t>(info, info + count),
                          std::vector<hb_glyph_position_t>(pos, pos + count)});
    }

    // Cluster advances on the first unit of each cluster.
    std::vector<double> clusterAdv(size_t(n), 0);
    std::vector<char> clusterStart(size_t(n), 0);
    for (const ShapedRun &s : shaped)
        for (size_t g = 0; g < s.info.size(); ++g) {
            const unsigned c = std::min(s.info[g].cluster, unsigned(n - 1));
            clusterAdv[c] += s.pos[g].x_advance * scale;
            clusterStart[c] = 1;
        }
    for (int i = 0; i < n; ++i)
        result.unitAdvances[i] = int(std::nearbyint(clusterAdv[size_t(i)]));

    std::vector<double> adv(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        adv[size_t(i)] = size_t(i) < dx.size() ? dx[size_t(i)] : result.unitAdvances[i];
    std::vector<double> prefix(size_t(n) + 1, 0);
    for (int i = 0; i < n; ++i)
        prefix[size_t(i) + 1] = prefix[size_t(i)] + adv[size_t(i)];
    auto runWidth = [&](const Run &r) {
        return prefix[size_t(r.start + r.length)] - prefix[size_t(r.start)];
    };
    std::vector<size_t> order(shaped.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = rtlParagraph ? order.size() - 1 - i : i;
    double left = 0;
    for (size_t k : order) {
        const ShapedRun &s = shaped[k];
        const double w = runWidth(s.run);
        // Units of each cluster: from its start to the next cluster start.
        auto clusterEnd = [&](unsigned c) {
            unsigned e = c + 1;
            while (e < unsigned(s.run.start + s.run.length) && !clusterStart[e])
                ++e;
            return e;
        };
        // Advance of the run's units before unit c, logical order.
        auto before = [&](unsigned c) { return prefix[c] - prefix[size_t(s.run.start)]; };
        unsigned cur = ~0u;
        double pen = 0;
        for (size_t g = 0; g < s.info.size(); ++g) {
            const unsigned c = std::min(s.info[g].cluster, unsigned(n - 1));
            if (c != cur) {
                cur = c;
                const double span = prefix[clusterEnd(c)] - prefix[c];
                pen = s.run.rtl ? left + w - before(c) - span : left + before(c);
            }
            result.glyphs.append(s.info[g].codepoint);
            result.offsets.append(pen + s.pos[g].x_offset * scale);
            pen += s.pos[g].x_advance * scale;
        }
        left += w;
    }
    result.width = left;
    return result;
}
