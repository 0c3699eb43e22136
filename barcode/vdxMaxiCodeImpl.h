// One MaxiCode encoding: code sets, codewords, error correction, the module
// grid and the hexagon geometry of the dark modules.
#pragma once
#include <QByteArray>
#include <QPointF>
#include <QRectF>
#include <array>
#include <vector>

class TMaxiCodeImpl {
public:
    TMaxiCodeImpl();

    // True on success; failures raise.
    bool Encode(const QByteArray &inputBytes, int mode);

    int StructuredAppendPosition() const { return m_saPosition; }
    void SetStructuredAppendPosition(int value);
    int StructuredAppendTotal() const { return m_saTotal; }
    void SetStructuredAppendTotal(int value);
    const QByteArray &PrimaryData() const { return m_primaryData; }
    void SetPrimaryData(const QByteArray &value) { m_primaryData = value; }

    int HexagonCount() const { return int(m_hexagonCenter.size()); }
    static QPointF HexagonCenter(int row, int col);
    static QPointF HexagonPointByIndex(const QPointF &center, int index);
    // Corner j (0 to 5) of dark hexagon i.
    QPointF GetHexagonPoint(int i, int j) const;
    QRectF GetEllipseRect(int i) const;
    int EllipceCount() const { return 3; }

    // The 144 codewords and the 33 x 30 grid of the last encoding.
    const std::array<int, 144> &Codewords() const { return m_codewords; }
    bool Grid(int row, int col) const { return m_grid[size_t(row)][size_t(col)]; }
    // Processed length of the last text (code-set changes and compression in).
    int ProcessedLength() const { return m_length; }

private:
    // Fills the code sets and values; false when the text is too long.
    bool processText(int mode);
    void insertAt(int position, int value);

    int m_saPosition = 1;
    int m_saTotal = 1;
    QByteArray m_primaryData;
    int m_mode = 4;
    int m_eciMode = 3;
    std::vector<QPointF> m_hexagonCenter;
    std::array<int, 144> m_codewords{};
    QByteArray m_source;
    std::array<int, 144> m_set{};
    std::array<int, 144> m_character{};
    int m_length = 0;
    std::array<std::array<bool, 30>, 33> m_grid{};
};
