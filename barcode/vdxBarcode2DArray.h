// A module matrix indexed [column][row]; engines build their symbol in it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class T2DBooleanArray {
public:
    T2DBooleanArray() = default;
    T2DBooleanArray(int columns, int rows) { SetSize(columns, rows); }

    void SetSize(int columns, int rows)
    {
        m_columns = columns > 0 ? columns : 0;
        m_rows = rows > 0 ? rows : 0;
        m_cells.assign(std::size_t(m_columns) * std::size_t(m_rows), 0);
    }
    int Columns() const { return m_columns; }
    int Rows() const { return m_rows; }
    bool Get(int column, int row) const
    {
        if (column < 0 || row < 0 || column >= m_columns || row >= m_rows)
            return false;
        return m_cells[std::size_t(column) * std::size_t(m_rows) + std::size_t(row)] != 0;
    }
    void Set(int column, int row, bool dark) { m_cells[std::size_t(column) * std::size_t(m_rows) + std::size_t(row)] = dark ? 1 : 0; }
    bool operator==(const T2DBooleanArray &) const = default;

private:
    int m_columns = 0;
    int m_rows = 0;
    std::vector<std::uint8_t> m_cells; // column-major
};
