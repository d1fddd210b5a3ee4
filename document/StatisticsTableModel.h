#pragma once

#include "datafile/TextEncoding.h"

#include <QAbstractTableModel>

namespace kvd {

class StatisticsTable;

// Shows a StatisticsTable in a view: its heading row is the horizontal header, the
// model's rows are the measurement rows below it. Column names hold the file's bytes
// and are decoded with the document's encoding. The table and the encoding must
// outlive the model; call refresh() after the table changed.
class StatisticsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    StatisticsTableModel(const StatisticsTable& table, const TextEncoding& encoding, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int columnWidth(int column) const;

    // Resets the model to what the table now holds.
    void refresh();

private:
    const StatisticsTable& m_table;
    const TextEncoding& m_encoding;
};

} // namespace kvd
