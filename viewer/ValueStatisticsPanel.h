#pragma once

#include <QWidget>

class QComboBox;
class QSortFilterProxyModel;

namespace kvd {

struct Document;
class StatisticsByValueModel;
class TextGrid;

// Under the statistics grid of the Summary page: the choice "Statistics by:" (none),
// Source, and for learning files Group and Status, and the grid of the measurement
// statistics of each value of the column chosen (StatisticsByValueModel), computed
// when chosen. A click on a heading sorts the grid by that column; Ctrl+C copies the
// selected cells as TAB-separated text.
class ValueStatisticsPanel : public QWidget {
    Q_OBJECT
public:
    explicit ValueStatisticsPanel(const Document& document, QWidget* parent = nullptr);

    // Offers the choices the loaded document has, with (none) chosen.
    void documentLoaded();

    QComboBox* choice() const noexcept { return m_choice; }
    TextGrid* grid() const noexcept { return m_grid; }

private:
    // Shows or hides the grid; without it the panel takes no more room than its choice,
    // so the statistics above keep the height.
    void showGrid(bool shown);
    void show(int choiceIndex);

    const Document& m_document;
    QComboBox* m_choice;
    TextGrid* m_grid;
    StatisticsByValueModel* m_model;
    QSortFilterProxyModel* m_sorted;
};

} // namespace kvd
