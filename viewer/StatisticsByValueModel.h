#pragma once

#include "summary/StatisticsByValue.h"
#include "viewer/TextTableModel.h"

#include <memory>
#include <optional>

namespace kvd {

class DataTable;
class StatisticsByValueGrid;

// Shows the statistics by value of a document (StatisticsByValueGrid): one row per
// value and measurement under the headings Source (Group, Status), Name, Objects,
// Mean, Std_Err, Min and Max. SortRole gives what a column sorts by: the value's
// place in the summary's collation order, the name, or the number (empty figures
// after every number).
class StatisticsByValueModel : public TextTableModel {
    Q_OBJECT
public:
    static constexpr int SortRole = Qt::UserRole;

    StatisticsByValueModel(const DataTable& table, const TextEncoding& encoding, char decimalSeparator,
                           QObject* parent = nullptr);
    ~StatisticsByValueModel() override;

    // Shows these statistics (none: an empty grid), resetting the model.
    void setStatistics(std::optional<StatisticsByValue> statistics);
    bool empty() const noexcept { return !m_statistics; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

protected:
    QString cellText(int row, int column) const override;
    QString headerText(int column) const override;

private:
    const DataTable& m_table;
    char m_decimalSeparator;
    std::optional<StatisticsByValue> m_statistics;
    std::unique_ptr<StatisticsByValueGrid> m_grid;
};

} // namespace kvd
