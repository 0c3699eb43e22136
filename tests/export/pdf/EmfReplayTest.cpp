// The metafile replay: device-context state, mapping, save stack, clipping,
// and what the PDF translator writes, over hand-built record sequences,
// including broken ones.
#include "EmfRecordBuilder.h"
#include "export/pdf/emf/vdxEMFtoPDFExport.h"
#include "export/pdf/emf/vdxPDFImages.h"
#include "export/pdf/vdxExportPDFHelpers.h"

#include <QBuffer>
#include <functional>
#include <gtest/gtest.h>

using emftest::EmfBuilder;

namespace {

// The engine with a hook per record, to look at the state as it goes.
class Probe : public TEMFAbstractExport {
public:
    Probe(QIODevice &in, std::function<void(Probe &, const TEnhMetaObj &)> hook)
        : TEMFAbstractExport(in, nullptr), m_hook(std::move(hook))
    {
    }
    std::vector<uint32_t> types;
    int unknown = 0;

protected:
    void DoRecord(const TEnhMetaObj &rec) override
    {
        types.push_back(rec.iType());
        if (m_hook)
            m_hook(*this, rec);
    }
    void DoUnknownRecord(uint32_t, uint32_t) override { ++unknown; }

private:
    std::function<void(Probe &, const TEnhMetaObj &)> m_hook;
};

void play(const QByteArray &bytes, std::function<void(Probe &, const TEnhMetaObj &)> hook)
{
    QByteArray copy = bytes;
    QBuffer in(&copy);
    in.open(QIODevice::ReadOnly);
    Probe p(in, std::move(hook));
    p.PlayMetaFile();
}

// The PDF translator over the bytes, into a document stream of its own.
struct Translated {
    QString content;
    int balance = 0;
    QString stopReason;
    QByteArray pdf;
    TvdxPDFXObjectArray table;
};

std::unique_ptr<Translated> translate(const QByteArray &bytes, bool clipped = true)
{
    auto t = std::make_unique<Translated>();
    QByteArray copy = bytes;
    QBuffer in(&copy), out, pdf(&t->pdf);
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    pdf.open(QIODevice::WriteOnly);
    TPDFObjectsHelper poh;
    poh.FpdfStream = &pdf;
    poh.FXObjects = &t->table;
    poh.FQuality = 90;
    TReferenceArray images;
    poh.FPageXObjects = &images;
    TEMFtoPDFExport x(in, out, TPdfRect{0, 100, 100, 0}, poh);
    x.Clipped = clipped;
    x.PlayMetaFile();
    t->content = QString::fromLatin1(out.data());
    t->balance = x.qQBalance();
    t->stopReason = x.StopReason();
    return t;
}

int countLines(const QString &content, const QString &line)
{
    return int(content.split(u'\n').count(line));
}

// The pen and brush every drawing test selects: a red solid brush (index 1)
// and a 2-unit blue solid pen (index 2).
EmfBuilder &withPenAndBrush(EmfBuilder &b)
{
    b.add(39, {1, 0, 0x0000FF, 0}).add(37, {1});
    b.add(38, {2, 0, 2, 2, 0xFF0000}).add(37, {2});
    return b;
}

} // namespace

TEST(EmfReplayState, SaveRestoreKeepsTheClipOfBeforeAndStopsAtTheStackBottom)
{
    EmfBuilder b;
    b.add(33, {})                     // SaveDC
        .add(30, {10, 10, 20, 20})    // IntersectClipRect
        .add(33, {})                  // SaveDC
        .add(30, {15, 15, 30, 30})    // IntersectClipRect
        .add(34, {-3})                // RestoreDC deeper than the stack
        .add(34, {1})                 // a positive level does nothing
        .eof();
    std::vector<std::pair<int, bool>> seen; // saved states, has clip
    std::vector<QRect> clips;
    play(b.bytes(), [&](Probe &p, const TEnhMetaObj &) {
        seen.emplace_back(p.SavedStates(), p.DC().FData.ClipRgn.has_value());
        clips.push_back(p.DC().FData.ClipRgn ? p.DC().FData.ClipRgn->boundingRect() : QRect());
    });
    ASSERT_EQ(seen.size(), 8u);
    EXPECT_EQ(seen[1], std::make_pair(1, false));
    EXPECT_EQ(clips[2], QRect(10, 10, 10, 10));
    EXPECT_EQ(seen[3], std::make_pair(2, true));
    EXPECT_EQ(clips[4], QRect(15, 15, 5, 5)); // the intersection
    EXPECT_EQ(seen[5], std::make_pair(0, false)); // both restored, clip of before the first save
    EXPECT_EQ(seen[6], std::make_pair(0, false));

    const auto t = translate(b.bytes());
    // Two "q" of the saves, two "Q" of the restore; nothing more.
    EXPECT_EQ(t->balance, 0);
    EXPECT_EQ(countLines(t->content, "q"), countLines(t->content, "Q"));
}

TEST(EmfReplayState, MappingModesAndWorldTransform)
{
    struct Case {
        const char *name;
        std::function<void(EmfBuilder &)> records;
        QPointF in, expected;
    } cases[] = {
        {"new state", [](EmfBuilder &) {}, {10, 20}, {10, 20}},
        {"anisotropic",
         [](EmfBuilder &b) {
             b.add(17, {8}).add(9, {100, 100}).add(11, {50, 25}).add(10, {10, 10});
         },
         {110, 50}, {50, 10}},
        {"MM_TEXT ignores extents", [](EmfBuilder &b) { b.add(9, {100, 100}).add(11, {50, 25}); }, {10, 20}, {10, 20}},
        {"world scale", [](EmfBuilder &b) { b.floats(35, {2, 0, 0, 3, 5, 7}); }, {10, 20}, {25, 67}},
        {"modify: left multiply",
         [](EmfBuilder &b) { b.floats(35, {2, 0, 0, 2, 0, 0}).floats(36, {1, 0, 0, 1, 10, 0}, {2}); },
         {1, 1}, {22, 2}},
        {"modify: identity",
         [](EmfBuilder &b) { b.floats(35, {2, 0, 0, 2, 0, 0}).floats(36, {0, 0, 0, 0, 0, 0}, {1}); },
         {3, 4}, {3, 4}},
        {"modify: unknown mode keeps", [](EmfBuilder &b) { b.floats(35, {2, 0, 0, 2, 0, 0}).floats(36, {0, 0, 0, 0, 0, 0}, {9}); },
         {3, 4}, {6, 8}},
    };
    for (const Case &c : cases) {
        EmfBuilder b;
        c.records(b);
        b.add(70, {0}).eof(); // a marker record to look at the state
        QPointF got(-1, -1);
        play(b.bytes(), [&](Probe &p, const TEnhMetaObj &r) {
            if (r.iType() == 70)
                got = p.LogToDevice(c.in.x(), c.in.y());
        });
        EXPECT_NEAR(got.x(), c.expected.x(), 1e-4) << c.name;
        EXPECT_NEAR(got.y(), c.expected.y(), 1e-4) << c.name;
    }
}

TEST(EmfReplayState, DecompositionExtentScalingAndSelection)
{
    EmfBuilder b;
    b.floats(35, {0, 1, -1, 0, 0, 0}) // a quarter turn
        .add(70, {0})
        .add(31, {3, 1, 3, 1})        // MM_TEXT: no change
        .add(70, {0})
        .add(17, {7}).add(11, {3, 3}).add(31, {1, 2, 1, 2})
        .add(70, {0})
        .add(37, {int64_t(0x80000005u)}) // stock null brush
        .add(70, {0})
        .add(37, {int64_t(0x80000009u)}) // not a selectable stock object
        .add(39, {3, 0, 0x00FF00, 0}).add(37, {3}).add(40, {3})
        .add(70, {0})
        .add(37, {3}) // the deleted object is still in its slot
        .add(70, {0})
        .add(39, {99, 0, 0x00FF00, 0}).add(37, {99}) // index past the table: ignored
        .add(70, {0})
        .eof();
    int marker = 0;
    play(b.bytes(), [&](Probe &p, const TEnhMetaObj &r) {
        if (r.iType() != 70)
            return;
        const TDeviceContext &dc = p.DC();
        switch (marker++) {
        case 0:
            EXPECT_EQ(dc.LineOrientation(), -900);
            EXPECT_NEAR(dc.XFormScale().x(), 1, 1e-6);
            EXPECT_NEAR(dc.XFormScale().y(), 1, 1e-6);
            break;
        case 1: EXPECT_EQ(dc.FData.ViewPortExtEx, QSize(1, 1)); break;
        case 2: EXPECT_EQ(dc.FData.ViewPortExtEx, QSize(2, 2)); break; // 1.5 rounds to even
        case 3:
            EXPECT_EQ(dc.BrushStyle(), 1u);
            EXPECT_EQ(dc.BrushColor(), 0x1FFFFFFFu);
            break;
        case 4: EXPECT_EQ(dc.FData.Brush, nullptr) << "deleting lets go of the selected brush"; break;
        case 5: EXPECT_EQ(dc.BrushColor(), 0x00FF00u); break;
        case 6: EXPECT_EQ(dc.BrushColor(), 0x00FF00u); break;
        default: break;
        }
    });
    EXPECT_EQ(marker, 7);
}

TEST(EmfReplayState, PaddingUnknownRecordsAndTheEndRecord)
{
    EmfBuilder b;
    // A 10-byte record, then two bytes of padding before the next header.
    b.raw(EmfBuilder::word(24) + EmfBuilder::word(10) + QByteArray("\x11\x22", 2) + QByteArray(2, '\0'));
    b.add(0, {1, 2}).add(123, {});  // unknown types
    b.add(25, {0x0000FF});          // SetBkColor
    b.eof();
    b.add(25, {0x00FF00});          // never read
    std::vector<uint32_t> types;
    uint32_t bk = 0;
    QByteArray copy = b.bytes();
    QBuffer in(&copy);
    in.open(QIODevice::ReadOnly);
    Probe p(in, [&](Probe &pr, const TEnhMetaObj &r) {
        types.push_back(r.iType());
        bk = pr.DC().FData.BkColor;
    });
    p.PlayMetaFile();
    EXPECT_EQ(types, (std::vector<uint32_t>{1, 24, 25, 14}));
    EXPECT_EQ(p.unknown, 2);
    EXPECT_EQ(bk, 0x0000FFu);
    EXPECT_EQ(p.RecordCount(), 4);
}

TEST(EmfReplayState, PaletteInTheHeaderNeedsAnEndRecord)
{
    EmfBuilder withEof(8, 2);
    withEof.add(14, {2, 16, 0x112233, 0x445566, 28});
    std::vector<uint32_t> palette;
    play(withEof.bytes(), [&](Probe &p, const TEnhMetaObj &r) {
        if (r.iType() == 1)
            palette = p.DC().FData.EOFPalette;
    });
    EXPECT_EQ(palette, (std::vector<uint32_t>{0x112233, 0x445566}));

    EmfBuilder noEof(8, 2);
    noEof.add(25, {0});
    try {
        play(noEof.bytes(), nullptr);
        FAIL() << "no error";
    } catch (const EPDFExportError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("EMR_EoF not found"));
    }
}

TEST(EmfReplayBadInput, BrokenRecordsEndTheReplayWithoutACrash)
{
    struct Case {
        const char *name;
        QByteArray tail;
        bool expectReason;
    } cases[] = {
        {"zero size", EmfBuilder::word(43) + EmfBuilder::word(0) + QByteArray(16, '\0'), true},
        {"size below a header", EmfBuilder::word(43) + EmfBuilder::word(4), true},
        {"size past the end", EmfBuilder::word(43) + EmfBuilder::word(4000) + QByteArray(8, '\x05'), false},
        {"cut inside a header", QByteArray("\x2B\x00\x00", 3), true},
        {"polyline claiming a million points",
         EmfBuilder::word(4) + EmfBuilder::word(44) + QByteArray(16, '\0') + EmfBuilder::word(1000000)
             + EmfBuilder::word(1) + EmfBuilder::word(2) + EmfBuilder::word(3) + EmfBuilder::word(4),
         false},
        {"poly-polygon claiming many polygons",
         EmfBuilder::word(8) + EmfBuilder::word(40) + QByteArray(16, '\0') + EmfBuilder::word(0x7FFFFFFF)
             + EmfBuilder::word(0x7FFFFFFF) + EmfBuilder::word(0x7FFFFFFF) + EmfBuilder::word(5),
         false},
        {"angle arc sweeping a billion degrees",
         EmfBuilder::word(41) + EmfBuilder::word(28) + EmfBuilder::word(50) + EmfBuilder::word(50)
             + EmfBuilder::word(10) + EmfBuilder::word(0) + EmfBuilder::word(0x4E6E6B28), // 1e9f
         false},
        {"clip rectangle at the ends of the integers",
         EmfBuilder::word(30) + EmfBuilder::word(24) + EmfBuilder::word(0x80000000u) + EmfBuilder::word(0x80000000u)
             + EmfBuilder::word(0x7FFFFFFF) + EmfBuilder::word(0x7FFFFFFF),
         false},
        {"bitmap with offsets outside the record",
         EmfBuilder::word(81) + EmfBuilder::word(80) + QByteArray(16, '\0') + EmfBuilder::word(0) + EmfBuilder::word(0)
             + QByteArray(16, '\0') + EmfBuilder::word(0x7FFFFFF0) + EmfBuilder::word(40)
             + EmfBuilder::word(0x7FFFFFF0) + EmfBuilder::word(400) + EmfBuilder::word(0)
             + EmfBuilder::word(0xCC0020) + EmfBuilder::word(10) + EmfBuilder::word(10),
         false},
    };
    for (const Case &c : cases) {
        EmfBuilder b;
        b.add(33, {}); // an open save level the translator must close
        withPenAndBrush(b);
        b.raw(c.tail);
        const auto t = translate(b.bytes());
        EXPECT_EQ(t->balance, 0) << c.name;
        EXPECT_EQ(countLines(t->content, "q"), countLines(t->content, "Q")) << c.name;
        EXPECT_EQ(!t->stopReason.isEmpty(), c.expectReason) << c.name << ": " << t->stopReason.toStdString();
    }
}

TEST(EmfToPdf, RectangleWithSolidBrushAndPen)
{
    EmfBuilder b;
    withPenAndBrush(b).add(43, {10, 10, 30, 20}).eof();
    const auto t = translate(b.bytes());
    const QString expected = QStringLiteral("q\n0 0 100 100 re\nW*\nn\n"
                                            "q\n1 0 0 rg\n[] 0 d\n0 0 1 RG\n2 w\n4 M\n1 J\n1 j\n10 80 20 10 re\nB*\nQ\nQ\n");
    EXPECT_EQ(t->content, expected);
}

TEST(EmfToPdf, WhatEachRecordWrites)
{
    struct Case {
        const char *name;
        std::function<void(EmfBuilder &)> records;
        QStringList expectedInOrder;
        QStringList absent;
    } cases[] = {
        {"polyline with one point writes nothing", [](EmfBuilder &b) { b.add(4, {0, 0, 0, 0, 1, 5, 5}); }, {},
         {"5 95 m", "S"}},
        {"polyline16", [](EmfBuilder &b) { b.add(87, {0, 0, 10, 10, 2, 0, (10 << 16) | 10}); },
         {"0 100 m", "10 90 l", "S"}, {}},
        {"polygon closes and fills", [](EmfBuilder &b) { b.add(3, {0, 0, 0, 0, 3, 0, 0, 10, 0, 10, 10}); },
         {"0 100 m", "10 100 l", "10 90 l", "h", "B*"}, {}},
        {"winding fill mode", [](EmfBuilder &b) { b.add(19, {2}).add(3, {0, 0, 0, 0, 3, 0, 0, 10, 0, 10, 10}); },
         {"h", "B"}, {"B*"}},
        {"line from the pen position",
         [](EmfBuilder &b) { b.add(27, {5, 5}).add(54, {20, 5}); }, {"q", "5 95 m", "20 95 l", "S", "Q"}, {}},
        {"null pen and brush paint nothing",
         [](EmfBuilder &b) { b.add(37, {int64_t(0x80000008u)}).add(37, {int64_t(0x80000005u)}).add(43, {0, 0, 5, 5}); },
         {"0 95 5 5 re", "n"}, {"B*", "rg"}},
        {"a path: only path operators, then the fill",
         [](EmfBuilder &b) {
             b.add(59, {}).add(27, {0, 0}).add(54, {10, 0}).add(54, {10, 10}).add(61, {}).add(60, {}).add(62, {0, 0, 0, 0});
         },
         {"0 100 m", "10 100 l", "10 90 l", "h", "1 0 0 rg", "f*"}, {"S"}},
        {"clip path", [](EmfBuilder &b) { b.add(59, {}).add(43, {0, 0, 5, 5}).add(60, {}).add(67, {5}); },
         {"0 95 5 5 re", "W*", "n"}, {"B*"}},
        {"intersect clip rectangle", [](EmfBuilder &b) { b.add(30, {10, 10, 20, 30}); },
         {"10 70 10 20 re", "W*", "n"}, {}},
        {"empty clip rectangle writes nothing", [](EmfBuilder &b) { b.add(30, {10, 10, 10, 30}); }, {},
         {"10 70 0 20 re"}},
        {"world transform scales shapes",
         [](EmfBuilder &b) { b.floats(35, {2, 0, 0, 2, 0, 0}).add(43, {1, 1, 6, 6}); }, {"2 88 10 10 re"}, {}},
        {"unbalanced save is closed by the end record", [](EmfBuilder &b) { b.add(33, {}).add(33, {}); },
         {"q", "q", "Q", "Q", "Q"}, {}},
    };
    for (const Case &c : cases) {
        EmfBuilder b;
        withPenAndBrush(b);
        c.records(b);
        b.eof();
        const auto t = translate(b.bytes());
        const QStringList lines = t->content.split(u'\n');
        qsizetype at = 0;
        for (const QString &want : c.expectedInOrder) {
            const qsizetype found = lines.indexOf(want, at);
            EXPECT_GE(found, 0) << c.name << ": missing \"" << want.toStdString() << "\" in\n"
                                << t->content.toStdString();
            if (found >= 0)
                at = found + 1;
        }
        for (const QString &no : c.absent)
            EXPECT_FALSE(lines.contains(no)) << c.name << ": \"" << no.toStdString() << "\"";
        EXPECT_EQ(t->balance, 0) << c.name;
    }
}

TEST(EmfToPdf, ArcsAreSplitIntoCurvesOfAtMost45Degrees)
{
    struct Case {
        float sweep;
        int curves;
    } cases[] = {{45, 1}, {90, 2}, {100, 3}, {360, 8}, {-90, 2}};
    for (const Case &c : cases) {
        EmfBuilder b;
        withPenAndBrush(b);
        b.raw(EmfBuilder::word(41) + EmfBuilder::word(28) + EmfBuilder::word(50) + EmfBuilder::word(50)
              + EmfBuilder::word(10));
        float f[2] = {0, c.sweep};
        QByteArray fl(8, '\0');
        std::memcpy(fl.data(), f, 8);
        b.raw(fl).eof();
        const auto t = translate(b.bytes());
        int curves = 0;
        for (const QString &l : t->content.split(u'\n'))
            curves += l.endsWith(QStringLiteral(" c"));
        EXPECT_EQ(curves, c.curves) << c.sweep;
    }
}

namespace {

// A STRETCHDIBITS record of a 2 x 2 24-bit bottom-up DIB, stretched to
// 20 x 10 at (X, 10).
QByteArray dibRecord(uint32_t rop, int x = 10)
{
    QByteArray bmi = EmfBuilder::word(40) + EmfBuilder::word(2) + EmfBuilder::word(2)
                     + EmfBuilder::word(1 | (24 << 16)) + QByteArray(24, '\0');
    QByteArray bits = QByteArray("\x00\x00\xFF\x00\xFF\x00\x00\x00\xFF\x00\x00\xFF\xFF\xFF\x00\x00", 16);
    return EmfBuilder::word(81) + EmfBuilder::word(80 + bmi.size() + bits.size()) + QByteArray(16, '\0')
           + EmfBuilder::word(x) + EmfBuilder::word(10) + EmfBuilder::word(0) + EmfBuilder::word(0)
           + EmfBuilder::word(2) + EmfBuilder::word(2) + EmfBuilder::word(80) + EmfBuilder::word(bmi.size())
           + EmfBuilder::word(80 + bmi.size()) + EmfBuilder::word(bits.size()) + EmfBuilder::word(0)
           + EmfBuilder::word(rop) + EmfBuilder::word(20) + EmfBuilder::word(10) + bmi + bits;
}

} // namespace

TEST(EmfToPdf, BitmapsBecomeImagesDrawnIntoTheirRectangle)
{
    EmfBuilder b;
    b.raw(dibRecord(0xCC0020)).raw(dibRecord(0xCC0020)).eof();
    const auto t = translate(b.bytes());
    EXPECT_TRUE(t->content.contains(QStringLiteral("q\r\n20 0 0 10 10 80 cm\r\n/Im0 Do\r\nQ\r\n")))
        << t->content.toStdString();
    // The same bitmap twice is one image object.
    EXPECT_EQ(t->table.Count(), 1);
    EXPECT_EQ(t->pdf.count("/Subtype /Image"), 1);
    EXPECT_TRUE(t->pdf.contains("/Width 2"));
    EXPECT_TRUE(t->pdf.contains("/Filter /DCTDecode"));
}

TEST(EmfToPdf, PaintAndMaskBitmapPairsBecomeOneTransparentImage)
{
    struct Case {
        const char *name;
        int secondX;
        uint32_t secondRop;
        bool masked;
        int draws;
    } cases[] = {
        {"same placement", 10, 0x8800C6, true, 1},
        {"different destinations", 40, 0x8800C6, false, 2},
        {"not a mask after the paint", 10, 0xCC0020, false, 2},
    };
    for (const Case &c : cases) {
        EmfBuilder b;
        b.raw(dibRecord(0xEE0086)).raw(dibRecord(c.secondRop, c.secondX)).eof();
        const auto t = translate(b.bytes());
        EXPECT_EQ(t->pdf.contains("/SMask "), c.masked) << c.name;
        EXPECT_EQ(int(t->content.count(QStringLiteral(" Do\r\n"))), c.draws) << c.name;
        EXPECT_EQ(t->balance, 0) << c.name;
    }
    // A paint bitmap at the very end is still drawn.
    EmfBuilder last;
    last.raw(dibRecord(0xEE0086));
    EXPECT_EQ(int(translate(last.bytes())->content.count(QStringLiteral(" Do\r\n"))), 1);
}
