// GS1 DataBar Expanded: checks bracketed element strings, picks the
// encodation method, builds the binary string and turns it into element
// widths (one row) or a module matrix with separator rows (stacked).
#pragma once
#include <QByteArray>
#include <QString>
#include <vector>

class TBaseDatabar {
public:
    // columns 0: one row; 1 to 10: segment pairs per stacked row. Failures raise.
    explicit TBaseDatabar(const QString &text, int columns = 0);

    // Element widths of the single-row symbol, left guard first.
    const std::vector<int> &Elements() const { return elements; }
    int DataChars() const { return data_chars; }
    // The encodation method's bits ("1XX", "0100", ...) and the binary string.
    const QString &Method() const { return m_method; }
    const QString &BinaryString() const { return m_binary; }

    // The stacked form: matrix rows of width modules (1 dark), and per row
    // 1 for a separator row, 0 for a bar row.
    int Rows() const { return rows; }
    int Width() const { return width; }
    bool Module(int row, int column) const { return symbol[size_t(row)][size_t(column)] != 0; }
    const std::vector<int> &RowHeight() const { return row_height; }

    // The element-string checks and the reduced string ("(" for FNC1).
    static QByteArray Reduce(const QByteArray &source);
    // Widths of one 17-module character (odd and even elements interleaved,
    // outer element first).
    static std::vector<int> CharacterWidths(int value);

private:
    void buildBinary(const QByteArray &reduced);
    void buildElements();
    void buildStacked(int columns);

    std::vector<int> elements;
    int data_chars = 0;
    int rows = 0;
    int width = 0;
    std::vector<int> row_height;
    std::vector<std::vector<unsigned char>> symbol;
    std::vector<std::vector<int>> m_pairs; // element widths of each pair
    QString m_method;
    QString m_binary;
};
