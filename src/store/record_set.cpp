#include "record_set.h"

namespace fangji::store {

QVariant RecordSet::field(int column) const {
    if (m_pos < 0 || m_pos >= m_rows || column < 0 || column >= fieldCount()) {
        return {};
    }
    return m_cells[static_cast<size_t>(m_pos) * m_names.size() + column];
}

bool RecordSet::isEmptyTable() const {
    return m_rows == 0 || fieldCount() == 0 || !m_cells[0].isValid();
}

} // namespace fangji::store
