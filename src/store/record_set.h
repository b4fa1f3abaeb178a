#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace fangji::store {

// A result read as a whole, as a dynaset: exact record count, free movement,
// fields by ordinal. Null fields read as invalid QVariants.
class RecordSet {
public:
    RecordSet() = default;

    int recordCount() const { return m_rows; }
    int fieldCount() const { return static_cast<int>(m_names.size()); }
    QStringList fieldNames() const { return m_names; }

    bool eof() const { return m_pos >= m_rows; }
    bool bof() const { return m_pos < 0; }
    void moveFirst() { m_pos = 0; }
    void moveLast() { m_pos = m_rows > 0 ? m_rows - 1 : 0; }
    void moveNext() { ++m_pos; }
    void movePrevious() { --m_pos; }
    int position() const { return m_pos; }

    QVariant field(int column) const;
    bool isNull(int column) const { return !field(column).isValid(); }
    QString text(int column) const { return field(column).toString(); }

    // The empty-table test: no rows, or the first row's first column is null.
    bool isEmptyTable() const;

private:
    friend class Database;
    QStringList m_names;
    std::vector<QVariant> m_cells;
    int m_rows = 0;
    int m_pos = 0;
};

} // namespace fangji::store
