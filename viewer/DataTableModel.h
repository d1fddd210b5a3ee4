#pragma once

#include "viewer/TextTableModel.h"

#include <QColor>

namespace kvd {

class DataTable;

// The colour of a grid's fixed cells: its fixed row and fixed columns.
inline const QColor FixedCellColour(166, 202, 240);

// Shows a DataTable in a view. The table's fixed row, when it has one, is the
// horizontal header; the model's rows are the table's rows below it. Cells are
// decoded from the file's bytes when asked for; nothing is copied. The table and
// the encoding must outlive the model; call refresh() after the table changed.
class DataTableModel : public TextTableModel {
    Q_OBJECT
public:
    DataTableModel(const DataTable& table, const TextEncoding& encoding, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The table's row that model row `row` shows.
    int tableRow(int row) const noexcept;
    int fixedRowCount() const noexcept;
    int fixedColumnCount() const noexcept;
    int columnWidth(int column) const;

protected:
    QString cellText(int row, int column) const override;
    QString headerText(int column) const override;

private:
    const DataTable& m_table;
};

} // namespace kvd
