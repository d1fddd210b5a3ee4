// --by=source|group|status: the measurement statistics of each distinct value of a
// column, as a grid (text and TSV) or as the JSON member "by".

#include "report/ByValueReport.h"

#include "report/ReportFile.h"
#include "datafile/NumberText.h"
#include "summary/StatisticsByValueGrid.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace kvd {

namespace {

void appendField(std::string& out, std::string_view text)
{
    for (const char c : text)
        out += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
}

const char* keyText(ValueColumn key)
{
    switch (key) {
    case ValueColumn::Source: return "source";
    case ValueColumn::Group: return "group";
    case ValueColumn::Status: return "status";
    }
    return "";
}

QJsonValue jsonNumber(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QJsonArray entryStatistics(const ReportFile& file, const StatisticsByValue& byValue, std::size_t value)
{
    const DataTable& table = file.document.table;
    QJsonArray statistics;
    for (std::size_t m = 0; m < byValue.measurementCount(); ++m) {
        const ValueFigures& figures = byValue.at(value, m);
        QJsonObject measurement;
        measurement[QLatin1String("name")] = QString::fromStdString(file.utf8(table.cell(0, byValue.measurementColumns[m])));
        measurement[QLatin1String("n")] = byValue.objects[value];
        measurement[QLatin1String("mean")] = jsonNumber(figures.mean);
        measurement[QLatin1String("stdErr")] = jsonNumber(figures.standardError);
        measurement[QLatin1String("min")] = jsonNumber(figures.minimum);
        measurement[QLatin1String("max")] = jsonNumber(figures.maximum);
        statistics.append(measurement);
    }
    return statistics;
}

} // namespace

std::string byValueHeading(const ReportFile& file, bool withFile)
{
    std::string line = withFile ? "File\t" : "";
    const ValueColumn key = file.by.value_or(ValueColumn::Source);
    for (int column = 0; column < StatisticsByValueGrid::ColumnCount; ++column) {
        if (column > 0)
            line += '\t';
        line += StatisticsByValueGrid::heading(key, column);
    }
    return line + '\n';
}

bool writeByValueRows(std::string& out, const ReportFile& file, std::string_view filePrefix,
                      const ReportSink& sink)
{
    constexpr std::size_t BatchBytes = 64 * 1024;
    if (!file.byValue)
        return sink(out);
    const StatisticsByValueGrid grid(*file.byValue, file.document.table, userDecimalSeparator());
    for (int row = 0; row < grid.rowCount(); ++row) {
        out += filePrefix;
        for (int column = 0; column < StatisticsByValueGrid::ColumnCount; ++column) {
            if (column > 0)
                out += '\t';
            appendField(out, file.utf8(grid.cell(row, column)));
        }
        out += '\n';
        if (out.size() >= BatchBytes) {
            if (!sink(out))
                return false;
            out.clear();
        }
    }
    return sink(out);
}

QJsonValue byValueJson(const ReportFile& file)
{
    if (!file.byValue)
        return QJsonValue(QJsonValue::Null);
    const StatisticsByValue& byValue = *file.byValue;
    const DataTable& table = file.document.table;
    QJsonArray entries;
    for (std::size_t value = 0; value < byValue.values.size(); ++value) {
        QJsonObject entry;
        entry[QLatin1String("value")] = QString::fromStdString(file.utf8(table.cell(byValue.values[value].row, byValue.column)));
        entry[QLatin1String("objects")] = byValue.objects[value];
        entry[QLatin1String("statistics")] = entryStatistics(file, byValue, value);
        entries.append(entry);
    }
    QJsonObject by;
    by[QLatin1String("key")] = QLatin1String(keyText(byValue.key));
    by[QLatin1String("entries")] = entries;
    return by;
}

void reportByValueError(const ReportFile& file, bool named, ReportOutput& output)
{
    if (!file.loaded || file.byError.empty())
        return;
    output.err += (named ? file.path + ": " : std::string()) + file.byError + '\n';
    output.status = worseStatus(output.status, ExitFailure);
}

} // namespace kvd
