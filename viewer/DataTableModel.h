#pragma once

#include "viewer/TextTableModel.h"

#include <QColor>

#include <cstdint>
#include <optional>
#include <vector>

namespace kvd {

class DataTable;

// The colour of a grid's fixed cells: its fixed row and fixed columns.
inline const QColor FixedCellColour(166, 202, 240);

// Shows a DataTable in a view. The table's fixed row, when it has one, is the
// horizontal header; the model's rows are the table's rows below it, all of them in
// file order, or the object rows given to setShownRows() in their order (a sorted or
// filtered view: 4 bytes a row shown). Cells are decoded from the file's bytes when
// asked for; nothing is copied. The table and
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
    // The model row that shows table row `tableRow`, or -1 when it is not shown (a
    // pass over the rows shown when they are not in file order).
    int modelRow(int tableRow) const noexcept;

    // Shows the object rows `rows` (table rows 1..n) in their order, resetting the
    // model.
    void setShownRows(std::vector<std::int32_t> rows);
    // Shows every row in file order again.
    void showAllRows();
    // The object rows shown, in order; nullptr when every row is shown in file order.
    const std::vector<std::int32_t>* shownRows() const noexcept { return m_shownRows ? &*m_shownRows : nullptr; }
    int fixedRowCount() const noexcept;
    int fixedColumnCount() const noexcept;
    int columnWidth(int column) const;

protected:
    QString cellText(int row, int column) const override;
    QString headerText(int column) const override;

private:
    const DataTable& m_table;
    std::optional<std::vector<std::int32_t>> m_shownRows;
};

} // namespace kvd
