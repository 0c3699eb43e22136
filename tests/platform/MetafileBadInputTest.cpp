#include "CanvasTestScene.h"
#include "platform/EmfPlayer.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/EmfRecords.h"
#include "platform/QPainterCanvas.h"
#include <QRandomGenerator>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A placeable Windows metafile assembled record by record.
class WmfBuilder {
public:
    void record(quint16 fn, std::initializer_list<qint16> params)
    {
        QList<qint16> p(params);
        rawRecord(fn, p);
    }
    void rawRecord(quint16 fn, const QList<qint16> &p, int sizeWords = -1)
    {
        w32(quint32(sizeWords >= 0 ? sizeWords : 3 + p.size()));
        w16(fn);
        for (qint16 v : p)
            w16(quint16(v));
        m_maxRecord = std::max<quint32>(m_maxRecord, quint32(3 + p.size()));
    }
    void color(quint16 fn, quint32 rgb) { record(fn, {qint16(rgb & 0xFFFF), qint16(rgb >> 16)}); }
    QByteArray bytes(qint16 right = 100, qint16 bottom = 100, int objects = 4, bool eof = true)
    {
        QByteArray body = m_body;
        if (eof) {
            char e[6] = {3, 0, 0, 0, 0, 0};
            body.append(e, 6);
        }
        QByteArray out;
        auto put16 = [&out](quint16 v) { char b[2]; qToLittleEndian(v, b); out.append(b, 2); };
        auto put32 = [&out](quint32 v) { char b[4]; qToLittleEndian(v, b); out.append(b, 4); };
        put32(wmf::PLACEABLE_KEY);
        put16(0);
        put16(0), put16(0), put16(quint16(right)), put16(quint16(bottom));
        put16(96);
        put32(0);
        quint16 sum = 0;
        for (int i = 0; i < 20; i += 2)
            sum ^= qFromLittleEndian<quint16>(out.constData() + i);
        put16(sum);
        put16(1), put16(9), put16(0x300);
        put32(quint32((18 + body.size()) / 2));
        put16(quint16(objects));
        put32(m_maxRecord);
        put16(0);
        return out + body;
    }

private:
    void w16(quint16 v) { char b[2]; qToLittleEndian(v, b); m_body.append(b, 2); }
    void w32(quint32 v) { char b[4]; qToLittleEndian(v, b); m_body.append(b, 4); }
    QByteArray m_body;
    quint32 m_maxRecord = 3;
};

// A red rectangle and a blue ellipse in a 100 x 100 window.
QByteArray sampleWmf()
{
    using namespace wmf;
    WmfBuilder b;
    b.record(META_SETWINDOWORG, {0, 0});
    b.record(META_SETWINDOWEXT, {100, 100});
    b.record(META_CREATEBRUSHINDIRECT, {0, 0x00FF, 0x0000, 0}); // solid red
    b.record(META_SELECTOBJECT, {0});
    b.record(META_CREATEPENINDIRECT, {5, 0, 0, 0, 0}); // null pen
    b.record(META_SELECTOBJECT, {1});
    b.record(META_RECTANGLE, {50, 50, 10, 10});
    b.record(META_DELETEOBJECT, {0});
    b.record(META_CREATEBRUSHINDIRECT, {0, 0x0000, 0x00FF, 0}); // solid blue, slot 0 again
    b.record(META_SELECTOBJECT, {0});
    b.record(META_ELLIPSE, {90, 90, 60, 60});
    b.record(META_SETBKMODE, {1});
    b.color(META_SETTEXTCOLOR, 0x008000);
    b.record(META_CREATEFONTINDIRECT, {-12, 0, 0, 0, 400, 0, 0, 0, 0, 0x7241, 0x6169, 0x006C, 0}); // "Arial"
    b.record(META_SELECTOBJECT, {2});
    // TEXTOUT: length, "Hi", y, x
    b.record(META_TEXTOUT, {2, 0x6948, 60, 10});
    return b.bytes();
}

QImage play(const QByteArray &bytes, const TRect &dest, int w = 200, int h = 200)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainterCanvas c(img);
    EmfPlayer::Play(c, bytes, dest);
    c.painter().end();
    return img;
}

QByteArray sampleEmf()
{
    EmfRecorderCanvas rec(200, 150);
    canvastest::drawScene(rec);
    return rec.finish();
}

// Offset of the first record of a type, -1 when none.
qsizetype findRecord(const QByteArray &emf, quint32 type)
{
    qsizetype at = 0;
    while (at + 8 <= emf.size()) {
        if (qFromLittleEndian<quint32>(emf.constData() + at) == type)
            return at;
        at += qFromLittleEndian<quint32>(emf.constData() + at + 4);
    }
    return -1;
}

void put32(QByteArray &b, qsizetype at, quint32 v) { qToLittleEndian(v, b.data() + at); }

} // namespace

TEST(WmfPlayer, PlaceableMetafileFillsTheTargetRectangle)
{
    const QByteArray wmf = sampleWmf();
    MetafileHeaderInfo info = EmfPlayer::ReadHeader(wmf);
    EXPECT_EQ(info.kind, MetafileKind::PlaceableWmf);
    EXPECT_EQ(info.width, 100);
    EXPECT_EQ(info.height, 100);
    const QImage img = play(wmf, TRect(0, 0, 200, 200));
    EXPECT_EQ(img.pixel(40, 40) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(150, 150) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(img.pixel(110, 40) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_GT(canvastest::countColor(img, qRgb(0, 128, 0), 60), 10); // the text
}

TEST(WmfPlayer, ConvertsToEnhancedMetafileThroughTheRecorder)
{
    const QByteArray wmf = sampleWmf();
    EmfRecorderCanvas rec(100, 100);
    EmfPlayer::Play(rec, wmf, TRect(0, 0, 100, 100));
    const QByteArray emf = rec.finish();
    EXPECT_EQ(EmfPlayer::Detect(emf), MetafileKind::Enhanced);
    EXPECT_FALSE(canvastest::svgElements(canvastest::toSvg(emf)).isEmpty());
    const QImage direct = play(wmf, TRect(0, 0, 100, 100), 100, 100);
    const QImage viaEmf = play(emf, TRect(0, 0, 100, 100), 100, 100);
    EXPECT_LT(canvastest::differingShare(direct, viaEmf), 0.01);
}

TEST(MetafileBadInput, BrokenFramingIsRefusedBeforeDrawing)
{
    const QByteArray emf = sampleEmf();
    const qsizetype second = qFromLittleEndian<quint32>(emf.constData() + 4);
    struct Case {
        const char *name;
        std::function<QByteArray()> make;
    };
    const Case cases[] = {
        {"empty", [] { return QByteArray(); }},
        {"not a metafile", [] { return QByteArray("just some text, not a picture at all"); }},
        {"header cut", [&] { return emf.left(60); }},
        {"signature damaged", [&] { QByteArray b = emf; b[41] = 'X'; return b; }},
        {"header size beyond data", [&] { QByteArray b = emf; put32(b, 4, 0x100000); return b; }},
        {"no end record", [&] { return emf.left(emf.size() - 20); }},
        {"cut in a record", [&] { return emf.left(emf.size() / 2 + 2); }},
        {"record size zero", [&] { QByteArray b = emf; put32(b, second + 4, 0); return b; }},
        {"record size odd", [&] { QByteArray b = emf; put32(b, second + 4, 14); return b; }},
        {"record size huge", [&] { QByteArray b = emf; put32(b, second + 4, 0xFFFFFFF0u); return b; }},
        {"wmf header only", [] { return sampleWmf().left(30); }},
        {"wmf no end record", [] { QByteArray w = sampleWmf(); return w.left(w.size() - 6); }},
        {"wmf record size zero", [] { QByteArray w = sampleWmf(); put32(w, 40, 0); return w; }},
        {"wmf record size huge", [] { QByteArray w = sampleWmf(); put32(w, 40, 0x7FFFFFFF); return w; }},
        {"wmf wrong header", [] { QByteArray w = sampleWmf(); w[24] = 5; return w; }},
    };
    for (const Case &c : cases) {
        const QByteArray bytes = c.make();
        EXPECT_THROW(EmfPlayer::ReadHeader(bytes), EMetafileError) << c.name;
        QImage img(50, 50, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainterCanvas canvas(img);
            try {
                EmfPlayer::Play(canvas, bytes, TRect(0, 0, 50, 50));
                ADD_FAILURE() << c.name << ": no error";
            } catch (const EMetafileError &e) {
                EXPECT_FALSE(e.message().isEmpty());
            }
            // The canvas is left as it was.
            EXPECT_EQ(canvas.SavedDepth(), 0) << c.name;
        }
        EXPECT_EQ(canvastest::countColor(img, qRgb(255, 255, 255), 0), 2500) << c.name;
    }
}

TEST(MetafileBadInput, CorruptRecordContentGivesAClearError)
{
    const QByteArray emf = sampleEmf();
    const qsizetype poly = findRecord(emf, emf::EMR_POLYGON16);
    const qsizetype text = findRecord(emf, emf::EMR_EXTTEXTOUTW);
    const qsizetype font = findRecord(emf, emf::EMR_EXTCREATEFONTINDIRECTW);
    ASSERT_GE(poly, 0);
    ASSERT_GE(text, 0);
    ASSERT_GE(font, 0);
    struct Case {
        const char *name;
        QByteArray bytes;
    };
    QByteArray manyPoints = emf;
    put32(manyPoints, poly + 24, 0x40000000);
    QByteArray manyChars = emf;
    put32(manyChars, text + 44, 0x00100000);
    QByteArray stringOutside = emf;
    put32(stringOutside, text + 48, 0xFFFFFF00u);
    QByteArray shortFont = emf;
    put32(shortFont, font + 4, 20); // the record's own size shrinks; the chain is redone below
    {
        // Keep the chain intact: pad the cut record into a comment-like filler.
        QByteArray b = emf;
        const quint32 oldSize = qFromLittleEndian<quint32>(b.constData() + font + 4);
        QByteArray filler(int(oldSize - 20), '\0');
        put32(filler, 0, emf::EMR_GDICOMMENT);
        put32(filler, 4, oldSize - 20);
        put32(b, font + 4, 20);
        b.replace(font + 20, filler.size(), filler);
        shortFont = b;
    }
    const Case cases[] = {
        {"polygon count beyond record", manyPoints},
        {"text length beyond record", manyChars},
        {"text offset outside record", stringOutside},
        {"font record too short", shortFont},
    };
    for (const Case &c : cases) {
        EXPECT_NO_THROW(EmfPlayer::ReadHeader(c.bytes)) << c.name;
        QImage img(50, 50, QImage::Format_RGB32);
        QPainterCanvas canvas(img);
        EXPECT_THROW(EmfPlayer::Play(canvas, c.bytes, TRect(0, 0, 50, 50)), EMetafileError) << c.name;
        EXPECT_EQ(canvas.SavedDepth(), 0);
    }
    // WMF: a polygon claiming more points than its record holds.
    WmfBuilder b;
    b.rawRecord(wmf::META_POLYGON, {30000, 1, 2, 3, 4});
    QImage img(50, 50, QImage::Format_RGB32);
    QPainterCanvas canvas(img);
    EXPECT_THROW(EmfPlayer::Play(canvas, b.bytes(), TRect(0, 0, 50, 50)), EMetafileError);
}

TEST(MetafileBadInput, OversizedBitmapsAndBadHandlesAreSkipped)
{
    QByteArray emf = sampleEmf();
    const qsizetype dib = findRecord(emf, emf::EMR_STRETCHDIBITS);
    ASSERT_GE(dib, 0);
    const quint32 offBmi = qFromLittleEndian<quint32>(emf.constData() + dib + 48);
    put32(emf, dib + offBmi + 4, 100000); // biWidth
    put32(emf, dib + offBmi + 8, 100000); // biHeight
    const qsizetype sel = findRecord(emf, emf::EMR_SELECTOBJECT);
    put32(emf, sel + 8, 60000); // a handle the table does not have
    const QImage img = play(emf, TRect(0, 0, 200, 150), 200, 150);
    EXPECT_EQ(img.pixel(20, 20) & 0xFFFFFF, 0xFF0000u) << "the rest still draws";
}

TEST(MetafileBadInput, RandomDamageNeverCrashes)
{
    const QByteArray inputs[] = {sampleEmf(), sampleWmf()};
    QRandomGenerator rng(1234);
    QImage img(64, 64, QImage::Format_RGB32);
    QPainterCanvas canvas(img);
    int errors = 0;
    for (const QByteArray &base : inputs) {
        for (int round = 0; round < 300; ++round) {
            QByteArray b = base;
            const int flips = 1 + int(rng.bounded(8));
            for (int i = 0; i < flips; ++i)
                b[qsizetype(rng.bounded(quint32(b.size())))] = char(rng.bounded(256));
            try {
                EmfPlayer::Play(canvas, b, TRect(0, 0, 64, 64));
            } catch (const EMetafileError &) {
                ++errors;
            }
            ASSERT_EQ(canvas.SavedDepth(), 0);
        }
    }
    EXPECT_GT(errors, 0);
}

TEST(EmfPlayer, GradientRectanglesFromOtherWriters)
{
    EmfRecorderCanvas rec(100, 20);
    QByteArray emf = rec.finish();
    // EMR_GRADIENTFILL: two vertices (black at 0,0; white at 100,20), one horizontal rectangle.
    QByteArray r(8 + 16 + 12 + 2 * 16 + 8, '\0');
    put32(r, 0, emf::EMR_GRADIENTFILL);
    put32(r, 4, quint32(r.size()));
    put32(r, 24, 2);
    put32(r, 28, 1);
    put32(r, 32, 0); // GRADIENT_FILL_RECT_H
    put32(r, 36 + 16, 100);
    put32(r, 36 + 20, 20);
    for (int c = 0; c < 3; ++c)
        qToLittleEndian<quint16>(0xFF00, r.data() + 36 + 16 + 8 + 2 * c);
    put32(r, 36 + 32 + 4, 1);
    emf.insert(emf.size() - 20, r);
    const QImage img = play(emf, TRect(0, 0, 100, 20), 100, 20);
    EXPECT_LT(qGray(img.pixel(1, 10)), 20);
    EXPECT_GT(qGray(img.pixel(98, 10)), 235);
    EXPECT_NEAR(qGray(img.pixel(50, 10)), 128, 12);
    // A vertex index outside the list is ignored; a count beyond the record is an error.
    QByteArray bad = emf;
    put32(bad, bad.size() - 20 - r.size() + 28, 1000);
    QImage target(10, 10, QImage::Format_RGB32);
    QPainterCanvas canvas(target);
    EXPECT_THROW(EmfPlayer::Play(canvas, bad, TRect(0, 0, 10, 10)), EMetafileError);
}

namespace {

QList<qint16> words(QByteArray bytes)
{
    if (bytes.size() % 2)
        bytes.append('\0');
    QList<qint16> out;
    for (qsizetype i = 0; i < bytes.size(); i += 2)
        out.append(qint16(qFromLittleEndian<quint16>(bytes.constData() + i)));
    return out;
}

QByteArray dibHeader(int w, int h, int bpp, quint32 imageSize, quint32 colours)
{
    QByteArray b(40, '\0');
    put32(b, 0, 40);
    put32(b, 4, quint32(w));
    put32(b, 8, quint32(h));
    qToLittleEndian<quint16>(1, b.data() + 12);
    qToLittleEndian<quint16>(quint16(bpp), b.data() + 14);
    put32(b, 20, imageSize);
    put32(b, 32, colours);
    return b;
}

} // namespace

// Windows metafiles select logical palettes for colour-index bitmaps and
// fill with pattern brushes made from bitmaps.
TEST(WmfPlayer, PalettesAndPatternBrushes)
{
    using namespace wmf;
    WmfBuilder b;
    b.record(META_SETWINDOWORG, {0, 0});
    b.record(META_SETWINDOWEXT, {100, 100});
    // Palette (object 0): red, blue.
    b.record(META_CREATEPALETTE, {0x300, 2, 0x00FF, 0x0000, 0x0000, 0x00FF});
    b.record(META_SELECTPALETTE, {0});
    // A 2 x 1 bitmap whose colour table holds palette indexes 1 and 0.
    QByteArray dib = dibHeader(2, 1, 8, 4, 2);
    dib.append("\x01\x00\x00\x00", 4);
    dib.append("\x00\x01\x00\x00", 4);
    QList<qint16> p{qint16(SRCCOPY & 0xFFFF), qint16(SRCCOPY >> 16), 1 /* DIB_PAL_COLORS */, 1, 2, 0, 0,
                    20, 40, 10, 10};
    p += words(dib);
    b.rawRecord(META_STRETCHDIB, p);
    // A 2 x 2 pattern (object 1): red, green over blue, white.
    QByteArray pat = dibHeader(2, 2, 24, 16, 0);
    pat.append("\xFF\x00\x00\xFF\xFF\xFF\x00\x00", 8); // bottom row: blue, white
    pat.append("\x00\x00\xFF\x00\xFF\x00\x00\x00", 8); // top row: red, green
    QList<qint16> q{5 /* BS_DIBPATTERN */, 0 /* DIB_RGB_COLORS */};
    q += words(pat);
    b.rawRecord(META_DIBCREATEPATTERNBRUSH, q);
    b.record(META_SELECTOBJECT, {1});
    b.record(META_CREATEPENINDIRECT, {5, 0, 0, 0, 0}); // null pen, object 2
    b.record(META_SELECTOBJECT, {2});
    b.record(META_RECTANGLE, {90, 90, 50, 10});
    const QImage img = play(b.bytes(), TRect(0, 0, 100, 100), 100, 100);
    EXPECT_EQ(img.pixel(15, 20) & 0xFFFFFF, 0x0000FFu) << "index 1 of the palette";
    EXPECT_EQ(img.pixel(40, 20) & 0xFFFFFF, 0xFF0000u) << "index 0 of the palette";
    EXPECT_EQ(img.pixel(20, 60) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(21, 60) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(img.pixel(20, 61) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(img.pixel(21, 61) & 0xFFFFFF, 0xFFFFFFu);
}
