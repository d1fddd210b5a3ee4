#include "summary/RowMatches.h"

#include "datafile/DataTable.h"
#include "summary/Collation.h"
#include "summary/MeasurementValue.h"
#include "summary/SplitText.h"

#include <string>

namespace kvd {

namespace {

SplitText textOf(const DataTable& table, const std::vector<int>& columns, int row)
{
    SplitText text;
    if (!columns.empty())
        text.head = table.cell(row, columns[0]);
    if (columns.size() > 1)
        text.tail = table.cell(row, columns[1]);
    return text;
}

// Tells whether texts equal one reference text under a collation, by ASCII folding
// where both are printable ASCII and the collation allows it, else by collation key
// or comparison of the decoded texts.
class EqualToReference {
public:
    EqualToReference(const SplitText& reference, const Collation& collation, TextEncoding encoding)
        : m_reference(reference), m_collation(collation), m_encoding(encoding),
          m_referenceAscii(hashText(reference).printableAscii && collation.foldsPrintableAscii()),
          m_decoded(decoded(reference))
    {
        if (m_collation.hasEqualityKeys())
            m_collation.equalityKey(m_decoded, m_referenceKey);
    }

    bool operator()(const SplitText& text)
    {
        if (m_referenceAscii && hashText(text).printableAscii)
            return equalFoldingAscii(text, m_reference);
        const QString candidate = decoded(text);
        if (m_collation.hasEqualityKeys()) {
            m_collation.equalityKey(candidate, m_key);
            return m_key == m_referenceKey;
        }
        return m_collation.compare(candidate, m_decoded) == 0;
    }

private:
    QString decoded(const SplitText& text) const
    {
        return text.tail.empty() ? decodeText(text.head, m_encoding) : decodeText(text.joined(), m_encoding);
    }

    SplitText m_reference;
    const Collation& m_collation;
    TextEncoding m_encoding;
    bool m_referenceAscii;
    QString m_decoded;
    std::string m_referenceKey;
    std::string m_key;
};

// The rows whose text in `columns` equals `reference`; `row` (when an object row)
// matches without being compared.
std::vector<int> rowsEqualTo(const DataTable& table, const std::vector<int>& columns, const SplitText& reference,
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
    return rowsEqualTo(table, {column}, SplitText{text, {}}, -1, collation, encoding);
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
    for (int row = 1; row <= table.objectCount(); ++row) {
        if (!measurementValue(table.cell(row, column), decimalSeparator, value))
            rows.push_back(row);
    }
    return rows;
}

} // namespace kvd
