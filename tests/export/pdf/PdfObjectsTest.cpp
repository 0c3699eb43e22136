// The byte-level PDF layer: primitives, string forms, the stream writer,
// numbering with the cross-reference table, and the reference sets.
#include "core/vdGZip.h"
#include "export/pdf/vdxExportPDFHelpers.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// Flips every byte: keeps the length, and shows where encryption applied.
class FlipEncryptor : public TPDFObjectEncryptor {
public:
    QByteArray Encrypt(const QByteArray &data, int32_t objNo) const override
    {
        lastObjNo = objNo;
        QByteArray out = data;
        for (char &c : out)
            c = char(~uchar(c));
        return out;
    }
    void WriteEncryptDictionary(QIODevice &, int32_t) const override {}
    mutable int32_t lastObjNo = -1;
};

// A device that refuses every write.
class FullDevice : public QIODevice {
public:
    FullDevice() { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64) override { return -1; }
};

// A source that claims ten bytes and fails to deliver them.
class BrokenSource : public QIODevice {
public:
    BrokenSource() { open(QIODevice::ReadOnly); }
    qint64 size() const override { return 10; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64) override { return -1; }
};

QByteArray streamObject(const QByteArray &data, bool compress, bool openDict,
                        const TPDFObjectEncryptor *enc = nullptr, int32_t objNo = 7)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    auto src = std::make_unique<QBuffer>();
    src->setData(data);
    src->open(QIODevice::ReadOnly);
    WriteStream(out, std::move(src), false, true, openDict, enc, compress, objNo);
    return out.data();
}

} // namespace

TEST(PdfPrimitives, LinesEndWithCrLfAndTextGoesOutAsAnsi)
{
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    WriteRaw(b, QString::fromUtf8("\xC3\xA4\xE2\x82\xAC")); // a-umlaut, euro sign
    WriteLine(b, "x");
    WriteLine(b, QString());
    WriteRaw(b, QByteArray("\xE2\xE3", 2)); // bytes as they are
    EXPECT_EQ(b.data(), bytes({0xE4, 0x80, 'x', 13, 10, 13, 10, 0xE2, 0xE3}));
}

TEST(PdfPrimitives, NonLatinTextBecomesQuestionMarksNotACrash)
{
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    WriteRaw(b, QString::fromUtf8("\xE4\xB8\xAD\xF0\x9F\x98\x80")); // CJK and an emoji
    EXPECT_FALSE(b.data().isEmpty());
    for (char c : b.data())
        EXPECT_EQ(c, '?');
}

TEST(PdfPrimitives, AShortWriteIsReported)
{
    FullDevice d;
    EXPECT_THROW(WriteLine(d, "abc"), EPDFWriteError);
    EXPECT_THROW(WriteRaw(d, QString("x")), EPDFWriteError);
}

TEST(PdfPrimitives, ObjectHeadersAndReferences)
{
    EXPECT_EQ(ObjHeader(12), "12 0 obj");
    EXPECT_EQ(ObjRef(1), "1 0 R");
    EXPECT_EQ(ObjRef(0), "0 0 R");
    EXPECT_EQ(ObjRef(2147483647), "2147483647 0 R");
}

TEST(PdfStringForms, EscapeLiteral)
{
    struct Case {
        QByteArray in, out;
    } cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"(a)", "\\(a\\)"},
        {"a\\b", "a\\\\b"},
        {"l1\nl2\r", "l1\\nl2\\r"},
        {bytes({41}), bytes({92, 41})},
        {bytes({0, 9, 255}), bytes({0, 9, 255})}, // other bytes copied
    };
    for (const Case &c : cases)
        EXPECT_EQ(EscapeLiteral(c.in), c.out) << c.in.toStdString();
}

TEST(PdfStringForms, HexAnsiAndUnicodeStrings)
{
    EXPECT_EQ(HexAnsiString("", 3), "<>");
    EXPECT_EQ(HexAnsiString(bytes({0, 0xAB, 0x7F}), 3), "<00AB7F>");
    EXPECT_EQ(ToUTF16BE(QString()), bytes({0xFE, 0xFF}));
    EXPECT_EQ(ToUTF16BE("A"), bytes({0xFE, 0xFF, 0, 'A'}));
    EXPECT_EQ(HexUnicodeString(QString(), 5), "<FEFF>");
    EXPECT_EQ(HexUnicodeString(QString::fromUtf8("A\xE2\x82\xAC"), 5), "<FEFF004120AC>");
    // A character outside the basic plane: its two surrogate units.
    EXPECT_EQ(HexUnicodeString(QString::fromUtf8("\xF0\x9F\x98\x80"), 5), "<FEFFD83DDE00>");
}

TEST(PdfStringForms, HexStringsAreEncryptedUnderTheirObject)
{
    FlipEncryptor enc;
    EXPECT_EQ(HexAnsiString(bytes({0x00, 0x0F}), 42, &enc), "<FFF0>");
    EXPECT_EQ(enc.lastObjNo, 42);
    EXPECT_EQ(HexUnicodeString("", 9, &enc), "<0100>");
}

TEST(PdfStringForms, UriStrings)
{
    struct Case {
        QString in;
        QByteArray out;
    } cases[] = {
        {"http://x.org/a?b=1", "(http://x.org/a?b=1)"},
        {"f(a(b)c)", "(f(a(b)c))"}, // nested and balanced: kept literal, unescaped
        {"a)b(", "<0061002900620028>"},  // ")" before any "("
        {"a(b", "<006100280062>"},       // left open
        {QString::fromUtf8("\xC3\xA4"), "<00E4>"},
        {"a\tb", "<006100090062>"}, // below 32
        {"~", "(~)"},
        {QString(QChar(127)), "<007F>"},
        {"", "()"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PdfUriString(c.in), c.out) << c.in.toStdString();
}

TEST(PdfStringForms, FeffHexAndGlyphs)
{
    EXPECT_EQ(HexUTF16FEFF(""), "FEFF");
    EXPECT_EQ(HexUTF16FEFF(QString::fromUtf8("a\xC3\xA9")), "FEFF006100E9");
    EXPECT_EQ(GlyphsToHex({}), "");
    EXPECT_EQ(GlyphsToHex({0, 1, 0xABCD, 0xFFFF}), "00000001ABCDFFFF");
}

TEST(WriteStream, UncompressedObjectIsByteExact)
{
    EXPECT_EQ(streamObject("q Q", false, true),
              QByteArray("<</Length 3>>\r\nstream\r\nq Q\nendstream\r\nendobj\r\n"));
    // The caller opened the dictionary with entries of its own.
    EXPECT_EQ(streamObject("ab", false, false), QByteArray("/Length 2>>\r\nstream\r\nab\nendstream\r\nendobj\r\n"));
}

TEST(WriteStream, EmptyStreamKeepsLengthAndEnd)
{
    EXPECT_EQ(streamObject("", false, true), QByteArray("<</Length 0>>\r\nstream\r\n\nendstream\r\nendobj\r\n"));
    const QByteArray z = streamObject("", true, true);
    EXPECT_TRUE(z.startsWith("<</Length 8/Filter/FlateDecode>>\r\nstream\r\n")) << z.toStdString();
}

TEST(WriteStream, CompressedDataIsZlibAtLevelOneAndInflatesBack)
{
    QByteArray data;
    for (int i = 0; i < 200000; ++i)
        data.append(char('a' + i % 7));
    const QByteArray out = streamObject(data, true, true);
    const QByteArray head = "<</Length ";
    ASSERT_TRUE(out.startsWith(head));
    const qsizetype close = out.indexOf("/Filter/FlateDecode>>\r\nstream\r\n");
    ASSERT_GT(close, 0);
    const int length = out.mid(head.size(), close - head.size()).toInt();
    const qsizetype start = close + qsizetype(strlen("/Filter/FlateDecode>>\r\nstream\r\n"));
    const QByteArray packed = out.mid(start, length);
    ASSERT_EQ(packed.size(), length);
    EXPECT_EQ(uchar(packed[0]), 0x78); // deflate, 32 KiB window
    EXPECT_EQ(uchar(packed[1]), 0x01); // fastest level
    EXPECT_EQ(ZDecompress(packed), data);
    EXPECT_EQ(out.mid(start + length), QByteArray("\nendstream\r\nendobj\r\n"));
}

TEST(WriteStream, EncryptsTheWrittenDataUnderItsObject)
{
    FlipEncryptor enc;
    EXPECT_EQ(streamObject("AB", false, true, &enc, 11),
              QByteArray("<</Length 2>>\r\nstream\r\n") + bytes({0xBE, 0xBD}) + "\nendstream\r\nendobj\r\n");
    EXPECT_EQ(enc.lastObjNo, 11);
}

TEST(WriteStream, AFailingSourceIsReportedInEveryMode)
{
    FlipEncryptor enc;
    for (int mode = 0; mode < 3; ++mode) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        EXPECT_ANY_THROW(WriteStream(out, std::make_unique<BrokenSource>(), false, true, true,
                                     mode == 2 ? &enc : nullptr, mode == 1, 3))
            << mode;
        EXPECT_FALSE(out.data().contains("endstream")) << mode;
    }
}

TEST(TCrossReferenceEntry, LinesAreTwentyBytesWithCrLf)
{
    EXPECT_EQ(TCrossReferenceEntry(0, 0, true, 65535).EntryStr(false), "0000000000 65535 f");
    EXPECT_EQ(TCrossReferenceEntry(3, 1234, false, 0).EntryStr(false), "0000001234 00000 n");
    EXPECT_EQ(TCrossReferenceEntry(3, 1234, false, 0).EntryStr(true), "0000001234 00000 n ");
    EXPECT_EQ(TCrossReferenceEntry(3, 2147483647, false, 0).EntryStr(false), "2147483647 00000 n");
}

TEST(TCrossReferenceSection, ConsecutiveNumbersFormOneSubsection)
{
    TCrossReferenceSection s(false);
    for (int i = 1; i <= 41; ++i)
        EXPECT_EQ(s.AddNext(100 * i), i);
    EXPECT_EQ(s.NextId(), 42);
    s.PrepareToOut();
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    s.WriteTo(b);
    const QList<QByteArray> lines = b.data().split('\n');
    ASSERT_EQ(lines.size(), 2 + 1 + 42); // xref, header, 42 entries, final empty piece
    EXPECT_EQ(lines[0], "xref\r");
    EXPECT_EQ(lines[1], "0 42\r");
    EXPECT_EQ(lines[2], "0000000000 65535 f\r");
    EXPECT_EQ(lines[3], "0000000100 00000 n\r");
    EXPECT_EQ(lines[43], "0000004100 00000 n\r");
    for (int i = 2; i < 44; ++i)
        EXPECT_EQ(lines[i].size() + 1, 20); // with its LF
}

TEST(TCrossReferenceSection, AGapStartsANewSubsection)
{
    TCrossReferenceSection s(false);
    s.SetNextId(57);
    s.AddNext(10);
    s.AddNext(20);
    s.SetOffset(60, 30); // not allocated: appended
    s.PrepareToOut();
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    s.WriteTo(b);
    EXPECT_EQ(b.data(), QByteArray("xref\r\n0 1\r\n0000000000 65535 f\r\n57 2\r\n0000000010 00000 n\r\n"
                                   "0000000020 00000 n\r\n60 1\r\n0000000030 00000 n\r\n"));
}

TEST(TCrossReferenceSection, SortsByNumberAndFixesLateOffsets)
{
    TCrossReferenceSection s(false);
    s.AddId(3, 300);
    s.AddId(1, 0);
    s.AddId(2, 200);
    s.SetOffset(1, 100);
    s.PrepareToOut();
    ASSERT_EQ(s.Count(), 4);
    QByteArray header;
    EXPECT_TRUE(s.IsSubsection(0, header));
    EXPECT_EQ(header, "0 4");
    for (int i = 1; i < 4; ++i) {
        EXPECT_FALSE(s.IsSubsection(i, header));
        EXPECT_EQ(s.OutLine(i), QByteArray::number(i * 100).rightJustified(10, '0') + " 00000 n");
    }
}

TEST(TCrossReferenceSection, DuplicateNumbersAbort)
{
    TCrossReferenceSection s(false);
    s.AddNext(10);
    s.AddId(1, 20);
    try {
        s.PrepareToOut();
        FAIL() << "no exception";
    } catch (const EPDFExportError &e) {
        EXPECT_EQ(e.message(), "Cross Reference Error: Entries with the same Id's");
    }
}

TEST(TCrossReferenceSection, ClearStartsNumberingAgain)
{
    TCrossReferenceSection s(false);
    s.AddNext(1);
    s.AddNext(2);
    s.Clear();
    s.Init();
    EXPECT_EQ(s.Count(), 1);
    EXPECT_EQ(s.AddNext(5), 1);
}

TEST(TReferenceArray, KeepsEachNumberOnceInInsertionOrder)
{
    TReferenceArray a;
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    a.WriteAsArray(b, "/Annots");
    EXPECT_TRUE(b.data().isEmpty()); // not even the caption

    EXPECT_EQ(a.Add(3), 0);
    EXPECT_EQ(a.Add(9), 1);
    EXPECT_EQ(a.Add(3), 0);
    EXPECT_EQ(a.Count(), 2);
    EXPECT_EQ(a.GetRef(1), "9 0 R");
    a.WriteAsArray(b, "/Kids");
    EXPECT_EQ(b.data(), "/Kids [3 0 R 9 0 R]\r\n");
    EXPECT_THROW(a.GetNo(2), EListError);
    EXPECT_THROW(a.GetNo(-1), EListError);

    for (int i = 0; i < 1000; ++i) // past the doubling of its capacity
        a.Add(i + 100);
    EXPECT_EQ(a.Count(), 1002);
    EXPECT_EQ(a.GetNo(1001), 1099);
    a.Clear();
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(a.Add(9), 0);
}

TEST(TPageByPageReferenceArray, GrowsOnWriteAndAnswersEmptyBeyond)
{
    TPageByPageReferenceArray p;
    EXPECT_EQ(p.Capacity(), 32);
    EXPECT_EQ(p.GetData(0), nullptr);
    EXPECT_EQ(p.GetData(1000), nullptr);
    EXPECT_EQ(p.GetData(-1), nullptr);
    EXPECT_EQ(p.GetContents(1000), 0);
    EXPECT_EQ(p.GetContents(-5), 0);

    p.SetContents(40, 7);
    EXPECT_EQ(p.Capacity(), 64); // twice the capacity
    p.SetContents(500, 8);
    EXPECT_EQ(p.Capacity(), 501); // or just enough
    EXPECT_EQ(p.GetContents(40), 7);
    EXPECT_EQ(p.GetContents(500), 8);

    auto *a = new TReferenceArray;
    a->Add(4);
    p.SetData(2, a);
    EXPECT_EQ(p.GetData(2), a);
    p.SetData(2, new TReferenceArray); // the old set is freed
    EXPECT_EQ(p.GetData(2)->Count(), 0);
    EXPECT_THROW(p.SetData(-1, new TReferenceArray), EListError);
    EXPECT_THROW(p.SetContents(-1, 1), EListError);
}

TEST(TPDFObjectsHelper, NumbersTakeTheStreamPositionAsOffset)
{
    TPDFObjectsHelper h;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    h.FpdfStream = &out;
    EXPECT_EQ(h.UpdateXRef(), 1);
    WriteLine(out, "abc");
    EXPECT_EQ(h.UpdateXRef(), 2);
    EXPECT_EQ(h.LastObjectXRefID(), 2);
    const TCrossReferenceSection &s = h.CRS();
    ASSERT_EQ(s.Count(), 3);
    EXPECT_EQ(s.Entry(1).FOffset, 0);
    EXPECT_EQ(s.Entry(2).FOffset, 5);

    h.StartBBox();
    EXPECT_TRUE(h.IsBBoxRelative());
    h.EndBBox();
    EXPECT_FALSE(h.IsBBoxRelative());

    h.Clear();
    EXPECT_EQ(h.CRS().Count(), 1);
    EXPECT_EQ(h.UpdateXRef(), 1);
}
