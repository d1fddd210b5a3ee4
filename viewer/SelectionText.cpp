#include "viewer/SelectionText.h"

#include <QAbstractItemModel>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace kvd {

QString selectionText(const QAbstractItemModel& model, const QItemSelection& selection)
{
    if (selection.isEmpty())
        return {};
    // The selected column spans of every row that holds a selected cell.
    std::map<int, std::vector<std::pair<int, int>>> spans;
    int left = selection.first().left();
    int right = selection.first().right();
    for (const QItemSelectionRange& range : selection) {
        left = std::min(left, range.left());
        right = std::max(right, range.right());
        for (int row = range.top(); row <= range.bottom(); ++row)
            spans[row].emplace_back(range.left(), range.right());
    }
    QString text;
    bool firstLine = true;
    for (const auto& [row, columns] : spans) {
        if (!firstLine)
            text += QLatin1Char('\n');
        firstLine = false;
        for (int column = left; column <= right; ++column) {
            if (column > left)
                text += QLatin1Char('\t');
            const bool selected = std::any_of(columns.cbegin(), columns.cend(), [column](const auto& span) {
                return column >= span.first && column <= span.second;
            });
            if (selected)
                text += model.index(row, column).data(Qt::DisplayRole).toString();
        }
    }
    return text;
}

} // namespace kvd
