#include "summary/RowMatches.h"

#include "datafile/DataTable.h"
#include "summary/Collation.h"
#include "summary/MeasurementValue.h"
#include "summary/TwoPieceText.h"

#include <string>

namespace kvd {

namespace {

TwoPieceText textOf(const DataTable& table, const std::vector<int>& columns, int row)
{
    TwoPieceText text;
    if (!columns.empty())
        text.head = table.cell(row, columns[0]);
    if (columns.size() > 1)
        text.tail = table.cell(row, columns[1]);
    return text;
}

// Tells whether texts equal one reference text under a collation: by rank keys
// where both have them, else by full collation keys.
class EqualToReference {
public:
    EqualToReference(const TwoPieceText& reference, const Collation& collation, TextEncoding encoding)
        : m_reference(reference), m_collation(collation), m_encoding(encoding),
          m_referenceRanked(allMapped(reference, collation.asciiRanks()))
    {
        collation.appendKey(reference, encoding, m_referenceKey);
    }

    bool operator()(const TwoPieceText& text)
    {
        if (m_referenceRanked && allMapped(text, m_collation.asciiRanks()))
            return equalMapped(text, m_reference, m_collation.asciiRanks());
        m_key.clear();
        m_collation.appendKey(text, m_encoding, m_key);
        return m_key == m_referenceKey;
    }

private:
    TwoPieceText m_reference;
    const Collation& m_collation;
    TextEncoding m_encoding;
    bool m_referenceRanked;
    std::string m_referenceKey;
    std::string m_key;
};

// The rows whose text in `columns` equals `reference`; `row` (when an object row)
// matches without being compared.
std::vector<int> rowsEqualTo(const DataTable& table, const std::vector<int>& columns, const TwoPieceText& reference,
                             int row, const Collation& collation, TextEncoding encoding)
{
    std::vector<int> rows;
    EqualToReference equal(reference, collation, encoding);
    for (int candidate = 1; candidate <= table.objectCount(); ++candidate) {
        if (candidate == row || equal(textOf(table, columns, candidate)))
            rows.push_back(candidate);
    }
    return rows;
}

} // namespace

std::vector<int> rowsMatchingRow(const DataTable& table, const std::vector<int>& columns, int row,
                                 const Collation& collation, TextEncoding encoding)
{
    if (row < 1 || row > table.objectCount())
        return {};
    return rowsEqualTo(table, columns, textOf(table, columns, row), row, collation, encoding);
}

std::vector<int> rowsMatchingText(const DataTable& table, int column, std::string_view text,
                                  const Collation& collation, TextEncoding encoding)
{
    return rowsEqualTo(table, {column}, TwoPieceText{text, {}}, -1, collation, encoding);
}

std::vector<int> rowsOfReportLine(const DataTable& table, const ReportLineTarget& target,
                                  const Collation& collation, TextEncoding encoding)
{
    switch (target.kind) {
    case ReportLineKind::Duplicate:
        return rowsMatchingRow(table, {0, 1}, target.row, collation, encoding);
    case ReportLineKind::Source:
    case ReportLineKind::Status:
    case ReportLineKind::Group:
        return rowsMatchingRow(table, {target.column}, target.row, collation, encoding);
    case ReportLineKind::TestStatus:
        return rowsMatchingText(table, target.column, "Test", collation, encoding);
    case ReportLineKind::Text:
        break;
    }
    return {};
}

std::vector<int> rowsWithoutNumber(const DataTable& table, int column, char decimalSeparator)
{
    std::vector<int> rows;
    double value = 0;
    std::string buffer;
    for (int row = 1; row <= table.objectCount(); ++row) {
        if (!measurementValue(table.cell(row, column), decimalSeparator, value, buffer))
            rows.push_back(row);
    }
    return rows;
}

} // namespace kvd
