// The USPS Intelligent Mail (4-state customer barcode) encoder: tracking and
// routing digits turn into 65 bar letters.
#pragma once
#include <QByteArray>
#include <cstdint>
#include <vector>

class TOneCode {
public:
    TOneCode();
    // Result: one letter per bar, left to right: "T" tracker, "D" descender,
    // "A" ascender, "F" full; empty when source is not acceptable (20 tracking
    // digits, the second 0-4, then 0, 5, 9 or 11 routing digits; blanks,
    // hyphens and dots are ignored).
    void Bars(const QByteArray &source, QByteArray &result);

private:
    std::vector<std::int32_t> m_table5of13;
    std::vector<std::int32_t> m_table2of13;
    std::int64_t m_codewords[10] = {};
    std::int64_t m_characters[10] = {};
};
