// PDF417 engine of the 2D barcode object: text, numeric and byte
// compaction, error correction over GF(929) and rows of codewords between
// start and stop patterns.
#pragma once
#include "barcode/vdxBarcode2DBase.h"
#include "barcode/vdxBarcode2DTypes.h"

#include <QByteArray>
#include <list>
#include <memory>
#include <vector>

// One run of the text compacted alike: "T" text, "N" numeric, "B" byte;
// byte positions, end exclusive.
struct Segment {
    char _type = 'T';
    int _start = 0;
    int _end = 0;
    int Length() const { return _end - _start; }
};

class TSegmentList {
public:
    void Add(char type, int start, int end) { m_items.push_back(std::make_unique<Segment>(Segment{type, start, end})); }
    Segment *Get(int idx) const
    {
        return idx >= 0 && idx < Size() ? m_items[std::size_t(idx)].get() : nullptr;
    }
    void Remove(int idx)
    {
        if (idx >= 0 && idx < Size())
            m_items.erase(m_items.begin() + idx);
    }
    int Size() const { return int(m_items.size()); }

private:
    std::vector<std::unique_ptr<Segment>> m_items;
};

class TvdxBarcodePDF417 : public TvdxBarcode2DBaseWithUnion {
public:
    TvdxBarcodePDF417();

    void SetText(const QString &value) override;
    void Assign(const TvdxBarcode2DBase &source) override;

    double AspectRatio() const { return m_aspectRatio; }
    void SetAspectRatio(double value);
    int Columns() const { return m_columns; }
    void SetColumns(int value);
    int Rows() const { return m_rows; }
    void SetRows(int value);
    PDF417ErrorCorrection ErrorCorrection() const { return m_errorCorrection; }
    void SetErrorCorrection(PDF417ErrorCorrection value);
    int CodePage() const { return m_codePage; }
    void SetCodePage(int value);
    PDF417CompactionMode CompactionMode() const { return m_compactionMode; }
    void SetCompactionMode(PDF417CompactionMode value);

    // Figures of the last encoding: all codewords (length descriptor first,
    // then data, padding and error correction), the data columns and the
    // error-correction level.
    std::vector<int> Codewords() const { return {m_codewords.begin(), m_codewords.begin() + m_lenCodewords}; }
    int DataCodewords() const { return m_dataCodewords; }
    int CodeColumns() const { return m_codeColumns; }
    int ErrorLevel() const { return m_errorLevel; }
    const T2DBooleanArray &Matrix() const { return m_arrOB; }

    // Bytes split into compaction segments, as automatic compaction does.
    static void Segmentate(const QByteArray &bytes, TSegmentList &list);

private:
    void encode();
    void assemble(const TSegmentList &list);
    void textCompaction(int start, int end);
    void numericCompaction(int start, int end);
    void byteCompaction(int start, int end);
    void chooseSizeAndPad();
    void layout();
    void put(int codeword);

    int m_codeColumns = 0;
    int m_rows = 0;
    int m_columns = 0;
    std::vector<int> m_codewords = std::vector<int>(928, 0);
    int m_lenCodewords = 0;
    int m_dataCodewords = 0;
    int m_errorLevel = 0;
    PDF417ErrorCorrection m_errorCorrection = PDF417ErrorCorrection::AutoCorr;
    PDF417CompactionMode m_compactionMode = PDF417CompactionMode::AutoCompaction;
    QByteArray m_bytes;
    double m_aspectRatio = 0.5;
    int m_codePage = 437;
    int m_cwPtr = 0;
    T2DBooleanArray m_arrOB;
};
