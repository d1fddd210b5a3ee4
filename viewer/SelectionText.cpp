#include "viewer/SelectionText.h"

#include "summary/RowSet.h"

#include <QAbstractItemModel>

#include <algorithm>
#include <vector>

namespace kvd {

namespace {

// Lines written between two reports of progress.
constexpr std::int64_t LinesPerReport = 4096;

// Writes the lines of a copy into one UTF-8 array.
class LineWriter {
public:
    LineWriter(const QAbstractItemModel& model, const CopyProgress& progress, std::int64_t total)
        : m_model(model), m_progress(progress), m_total(total)
    {
    }

    // Writes row `row`'s cells left..right, those for which selected(column) holds;
    // false when the copy is to stop.
    template<typename Selected>
    bool write(int row, int left, int right, Selected selected)
    {
        if (m_lines > 0)
            m_text += '\n';
        for (int column = left; column <= right; ++column) {
            if (column > left)
                m_text += '\t';
            if (selected(column))
                m_text += m_model.index(row, column).data(Qt::DisplayRole).toString().toUtf8();
        }
        ++m_lines;
        return !m_progress || m_lines % LinesPerReport != 0 || m_progress(m_lines, m_total);
    }

    QByteArray take()
    {
        m_text.squeeze();
        return std::move(m_text);
    }

private:
    const QAbstractItemModel& m_model;
    const CopyProgress& m_progress;
    std::int64_t m_total;
    std::int64_t m_lines = 0;
    QByteArray m_text;
};

} // namespace

QByteArray selectionText(const QAbstractItemModel& model, const QItemSelection& selection,
                         const CopyProgress& progress)
{
    if (selection.isEmpty())
        return {};
    std::vector<QItemSelectionRange> ranges(selection.cbegin(), selection.cend());
    std::sort(ranges.begin(), ranges.end(), [](const auto& a, const auto& b) { return a.top() < b.top(); });
    int left = ranges.front().left();
    int right = ranges.front().right();
    int bottom = ranges.front().bottom();
    for (const QItemSelectionRange& range : ranges) {
        left = std::min(left, range.left());
        right = std::max(right, range.right());
        bottom = std::max(bottom, range.bottom());
    }
    LineWriter writer(model, progress, std::int64_t{bottom} - ranges.front().top() + 1);
    // A sweep down the rows with the ranges that hold the current one.
    std::vector<QItemSelectionRange> active;
    int row = ranges.front().top();
    for (std::size_t next = 0; next < ranges.size() || !active.empty(); ++row) {
        if (active.empty())
            row = std::max(row, ranges[next].top());
        while (next < ranges.size() && ranges[next].top() <= row)
            active.push_back(ranges[next++]);
        std::erase_if(active, [row](const QItemSelectionRange& range) { return range.bottom() < row; });
        if (active.empty())
            continue;
        const auto selected = [&active](int column) {
            return std::any_of(active.cbegin(), active.cend(), [column](const QItemSelectionRange& range) {
                return column >= range.left() && column <= range.right();
            });
        };
        if (!writer.write(row, left, right, selected))
            return {};
    }
    return writer.take();
}

QByteArray rowsText(const QAbstractItemModel& model, const RowSet& rows, int leftColumn, int rightColumn,
                    const CopyProgress& progress)
{
    LineWriter writer(model, progress, static_cast<std::int64_t>(rows.size()));
    for (const int row : rows) {
        if (!writer.write(row, leftColumn, rightColumn, [](int) { return true; }))
            return {};
    }
    return writer.take();
}

} // namespace kvd
