#pragma once

#include "viewer/TextTableModel.h"

namespace kvd {

class StatisticsTable;

// Shows a StatisticsTable in a view: its heading row is the horizontal header, the
// model's rows are the measurement rows below it. Column names hold the file's bytes
// and are decoded with the document's encoding. The table and the encoding must
// outlive the model; call refresh() after the table changed.
class StatisticsTableModel : public TextTableModel {
    Q_OBJECT
public:
    StatisticsTableModel(const StatisticsTable& table, const TextEncoding& encoding, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;

    int columnWidth(int column) const;

protected:
    QString cellText(int row, int column) const override;
    QString headerText(int column) const override;

private:
    const StatisticsTable& m_table;
};

} // namespace kvd
