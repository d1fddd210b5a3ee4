#include "summary/RowFilter.h"

#include "datafile/DataTable.h"
#include "summary/CellSearch.h"
#include "summary/MeasurementValue.h"

#include <algorithm>

namespace kvd {

bool meetsCondition(const NumberCondition& condition, std::string_view cell, char decimalSeparator,
                    std::string& buffer)
{
    using Comparison = NumberCondition::Comparison;
    double x = 0;
    const bool number = measurementValue(cell, decimalSeparator, x, buffer);
    if (condition.comparison == Comparison::NotANumber)
        return !number;
    if (!number)
        return false;
    switch (condition.comparison) {
    case Comparison::Greater: return x > condition.value;
    case Comparison::GreaterOrEqual: return x >= condition.value;
    case Comparison::Less: return x < condition.value;
    case Comparison::LessOrEqual: return x <= condition.value;
    case Comparison::Equal: return x == condition.value;
    case Comparison::Between: return x >= condition.value && x <= condition.upper;
    case Comparison::NotANumber: break;
    }
    return false;
}

// One part of a filter: exactly one of its kinds is in use.
struct RowFilter::Part {
    enum class Kind { Rows, Matches, Condition } kind = Kind::Rows;
    std::string description;
    RowSet rows;                              // Rows
    int column = -1;                          // Matches
    std::shared_ptr<const CellSearch> search; // Matches
    NumberCondition condition;                // Condition
};

RowFilter::RowFilter() = default;
RowFilter::~RowFilter() = default;
RowFilter::RowFilter(RowFilter&&) noexcept = default;
RowFilter& RowFilter::operator=(RowFilter&&) noexcept = default;

void RowFilter::addRows(const std::vector<int>& tableRows, std::string description)
{
    auto part = std::make_unique<Part>();
    part->kind = Part::Kind::Rows;
    part->description = std::move(description);
    part->rows.reserve(tableRows.empty() ? 0 : tableRows.back() + 1);
    for (const int row : tableRows)
        part->rows.add(row);
    m_parts.push_back(std::move(part));
}

void RowFilter::addMatches(int column, std::shared_ptr<const CellSearch> search, std::string description)
{
    auto part = std::make_unique<Part>();
    part->kind = Part::Kind::Matches;
    part->description = std::move(description);
    part->column = column;
    part->search = std::move(search);
    m_parts.push_back(std::move(part));
}

void RowFilter::addCondition(const NumberCondition& condition, std::string description)
{
    auto part = std::make_unique<Part>();
    part->kind = Part::Kind::Condition;
    part->description = std::move(description);
    part->condition = condition;
    m_parts.push_back(std::move(part));
}

void RowFilter::clear()
{
    m_parts.clear();
}

std::vector<std::string> RowFilter::descriptions() const
{
    std::vector<std::string> texts;
    for (const auto& part : m_parts)
        texts.push_back(part->description);
    return texts;
}

namespace {

bool rowMatches(const DataTable& table, int row, int column, const CellSearch& search,
                std::vector<std::string_view>& fields)
{
    if (column >= 0)
        return search.matches(table.cell(row, column));
    if (!search.lineMayMatch(table.line(row), table.separator()))
        return false;
    table.rowFields(row, fields);
    return std::any_of(fields.begin(), fields.end(), [&](std::string_view cell) { return search.matches(cell); });
}

} // namespace

std::vector<std::int32_t> RowFilter::shownRows(const DataTable& table, char decimalSeparator) const
{
    const int objectCount = table.objectCount();
    // Candidates narrow part after part; the first part walks the whole table.
    std::vector<std::int32_t> rows;
    bool first = true;
    std::string buffer;
    std::vector<std::string_view> fields;
    for (const auto& part : m_parts) {
        std::vector<std::int32_t> kept;
        const auto keep = [&](int row) {
            switch (part->kind) {
            case Part::Kind::Rows: return true; // walked through its own rows below
            case Part::Kind::Matches: return rowMatches(table, row, part->column, *part->search, fields);
            case Part::Kind::Condition:
                return meetsCondition(part->condition, table.cell(row, part->condition.column), decimalSeparator, buffer);
            }
            return false;
        };
        if (part->kind == Part::Kind::Rows) {
            // Both lists ascending: one walk of each.
            auto candidate = rows.begin();
            for (const int row : part->rows) {
                if (row < 1 || row > objectCount)
                    continue;
                if (first) {
                    kept.push_back(row);
                    continue;
                }
                while (candidate != rows.end() && *candidate < row)
                    ++candidate;
                if (candidate != rows.end() && *candidate == row)
                    kept.push_back(row);
            }
        } else if (first) {
            for (int row = 1; row <= objectCount; ++row) {
                if (keep(row))
                    kept.push_back(row);
            }
        } else {
            for (const std::int32_t row : rows) {
                if (keep(row))
                    kept.push_back(row);
            }
        }
        rows = std::move(kept);
        rows.shrink_to_fit();
        first = false;
    }
    if (first) {
        rows.resize(static_cast<std::size_t>(std::max(objectCount, 0)));
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i] = static_cast<std::int32_t>(i + 1);
    }
    return rows;
}

} // namespace kvd
