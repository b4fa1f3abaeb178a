#pragma once

#include "grid_rows.h"
#include "query_statement.h"

#include <QAbstractTableModel>

namespace fangji::query {

// The result grid's model: five columns whose headers come from the grid's
// format string, rows read straight from one statement. No row limit.
class ResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ResultModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Replaces the rows (a listing); an empty set leaves the header only.
    void setRows(GridRows rows);
    // Adds rows after those shown (the next slice of a listing being read).
    void appendRows(const GridRows& rows);
    void clear();
    const GridRows& rows() const { return m_rows; }
    QString text(int row, int column) const { return m_rows.text(row, column); }
    QString headerText(int column) const;

private:
    QList<GridHeader> m_headers;
    GridRows m_rows;
};

} // namespace fangji::query
