#include "result_model.h"

namespace fangji::query {

namespace {

Qt::Alignment alignmentOf(GridHeader::Align align) {
    switch (align) {
    case GridHeader::Align::Left:
        return Qt::AlignLeft | Qt::AlignVCenter;
    case GridHeader::Align::Center:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case GridHeader::Align::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case GridHeader::Align::Default:
        break;
    }
    return Qt::AlignCenter;
}

} // namespace

ResultModel::ResultModel(QObject* parent) : QAbstractTableModel(parent), m_headers(parseGridFormat(kGridFormat)) {}

int ResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows.rowCount();
}

int ResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : GridRows::kColumns;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return m_rows.text(index.row(), index.column());
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    }
    return {};
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        // Data rows carry no label of their own.
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    }
    if (section < 0 || section >= m_headers.size()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return m_headers[section].text;
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(alignmentOf(m_headers[section].align));
    }
    return {};
}

QString ResultModel::headerText(int column) const {
    return column >= 0 && column < m_headers.size() ? m_headers[column].text : QString();
}

void ResultModel::setRows(GridRows rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void ResultModel::appendRows(const GridRows& rows) {
    if (rows.isEmpty()) {
        return;
    }
    const int first = m_rows.rowCount();
    beginInsertRows(QModelIndex(), first, first + rows.rowCount() - 1);
    m_rows.appendRows(rows);
    endInsertRows();
}

void ResultModel::clear() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

} // namespace fangji::query
