#include "grid_rows.h"

#include <QStringDecoder>
#include <QStringList>

namespace fangji::query {

GridRows::GridRows() {
    m_offsets.push_back(0);
}

void GridRows::appendUtf8(const char* const cells[kColumns], const int sizes[kColumns]) {
    for (int c = 0; c < kColumns; ++c) {
        const char* p = cells[c];
        int n = p != nullptr ? sizes[c] : 0;
        while (n > 0 && *p == ' ') {
            ++p;
            --n;
        }
        while (n > 0 && p[n - 1] == ' ') {
            --n;
        }
        if (n > 0) {
            // UTF-8 never needs more UTF-16 units than it has bytes.
            const std::size_t at = m_text.size();
            m_text.resize(at + static_cast<std::size_t>(n));
            QStringDecoder decoder(QStringDecoder::Utf8);
            QChar* out = reinterpret_cast<QChar*>(m_text.data() + at);
            QChar* end = decoder.appendToBuffer(out, QByteArrayView(p, n));
            m_text.resize(at + static_cast<std::size_t>(end - out));
        }
        m_offsets.push_back(static_cast<std::uint32_t>(m_text.size()));
    }
}

void GridRows::append(const QStringList& cells) {
    QByteArray utf8[kColumns];
    const char* ptrs[kColumns];
    int sizes[kColumns];
    for (int c = 0; c < kColumns; ++c) {
        utf8[c] = c < cells.size() ? cells[c].toUtf8() : QByteArray();
        ptrs[c] = utf8[c].constData();
        sizes[c] = static_cast<int>(utf8[c].size());
    }
    appendUtf8(ptrs, sizes);
}

void GridRows::appendRows(const GridRows& other) {
    if (other.isEmpty()) {
        return;
    }
    if (isEmpty()) {
        m_firstNameNull = other.m_firstNameNull;
    }
    const std::uint32_t base = static_cast<std::uint32_t>(m_text.size());
    m_text.insert(m_text.end(), other.m_text.begin(), other.m_text.end());
    m_offsets.reserve(m_offsets.size() + other.m_offsets.size() - 1);
    for (std::size_t i = 1; i < other.m_offsets.size(); ++i) {
        m_offsets.push_back(base + other.m_offsets[i]);
    }
}

QStringView GridRows::cell(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= kColumns) {
        return {};
    }
    const std::size_t i = static_cast<std::size_t>(row) * kColumns + static_cast<std::size_t>(column);
    const std::uint32_t from = m_offsets[i];
    const std::uint32_t to = m_offsets[i + 1];
    return QStringView(m_text.data() + from, static_cast<qsizetype>(to - from));
}

void GridRows::clear() {
    m_text.clear();
    m_text.shrink_to_fit();
    m_offsets.assign(1, 0);
    m_offsets.shrink_to_fit();
    m_firstNameNull = false;
}

void GridRows::reserve(int rows, qsizetype characters) {
    m_offsets.reserve(static_cast<std::size_t>(rows) * kColumns + 1);
    m_text.reserve(static_cast<std::size_t>(characters));
}

qsizetype GridRows::memoryBytes() const {
    return static_cast<qsizetype>(m_text.capacity() * sizeof(char16_t) + m_offsets.capacity() * sizeof(std::uint32_t));
}

} // namespace fangji::query
