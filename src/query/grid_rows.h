#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace fangji::query {

// The five shown texts of every result row, kept compactly: all texts in one
// UTF-16 buffer, with the offset of each cell. A hundred thousand rows cost one
// buffer and one offset table instead of half a million strings.
class GridRows {
public:
    static constexpr int kColumns = 5;

    GridRows();

    int rowCount() const { return m_offsets.empty() ? 0 : static_cast<int>((m_offsets.size() - 1) / kColumns); }
    bool isEmpty() const { return rowCount() == 0; }

    // Appends one row given as UTF-8 cells (a null pointer is an empty cell).
    // Leading and trailing blanks of every cell are removed.
    void appendUtf8(const char* const cells[kColumns], const int sizes[kColumns]);
    // Appends one row of texts (trimmed the same way); for tests and small results.
    void append(const QStringList& cells);

    // Appends every row of other (a slice read after these rows).
    void appendRows(const GridRows& other);

    QStringView cell(int row, int column) const;
    QString text(int row, int column) const { return cell(row, column).toString(); }

    // Whether the first row's name was null in the store (the "no content" test).
    bool firstNameNull() const { return m_firstNameNull; }
    void setFirstNameNull(bool isNull) { m_firstNameNull = isNull; }
    // Rows present and the first one has a name: what a listing needs before it fills the grid.
    bool hasContent() const { return !isEmpty() && !m_firstNameNull; }

    void clear();
    void reserve(int rows, qsizetype characters);
    // Bytes held by the buffers (for the benchmark's figures).
    qsizetype memoryBytes() const;

private:
    std::vector<char16_t> m_text;
    std::vector<std::uint32_t> m_offsets;
    bool m_firstNameNull = false;
};

} // namespace fangji::query
