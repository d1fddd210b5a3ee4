// --by=source|group|status: the measurement statistics of each distinct value of a
// column, as a grid (text and TSV) or as the JSON member "by".

#include "report/ByValueReport.h"

#include "datafile/NumberText.h"
#include "report/JsonWriter.h"
#include "report/OutputBatch.h"
#include "report/ReportFile.h"
#include "report/TerminalText.h"
#include "summary/StatisticsByValueGrid.h"

namespace kvd {

namespace {

void appendField(std::string& out, std::string_view text, bool escaped)
{
    std::string field;
    for (const char c : text)
        field += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
    appendText(out, field, escaped);
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

// The {max, mean, min, n, name, stdErr} of each measurement over one value's objects.
void writeEntryStatistics(JsonWriter& json, const ReportFile& file, const StatisticsByValue& byValue,
                          std::size_t value)
{
    const DataTable& table = file.document.table;
    json.beginArray();
    for (std::size_t m = 0; m < byValue.measurementCount(); ++m) {
        const ValueFigures& figures = byValue.at(value, m);
        json.beginObject();
        json.key("max");
        json.number(figures.maximum);
        json.key("mean");
        json.number(figures.mean);
        json.key("min");
        json.number(figures.minimum);
        json.key("n");
        json.integer(byValue.objects[value]);
        json.key("name");
        json.string(file.utf8(table.cell(0, byValue.measurementColumns[m])));
        json.key("stdErr");
        json.number(figures.standardError);
        json.endObject();
    }
    json.endArray();
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

bool writeByValueRows(OutputBatch& batch, const ReportFile& file, std::string_view filePrefix, bool escaped)
{
    if (!file.byValue)
        return true;
    const StatisticsByValueGrid grid(*file.byValue, file.document.table, userDecimalSeparator());
    std::string& out = batch.text();
    for (int row = 0; row < grid.rowCount(); ++row) {
        appendField(out, filePrefix, escaped);
        for (int column = 0; column < StatisticsByValueGrid::ColumnCount; ++column) {
            if (column > 0)
                out += '\t';
            appendField(out, file.utf8(grid.cell(row, column)), escaped);
        }
        out += '\n';
        if (!batch.flushIfFull())
            return false;
    }
    return true;
}

bool writeByValueJson(JsonWriter& json, OutputBatch& batch, const ReportFile& file)
{
    if (!file.byValue) {
        json.null();
        return true;
    }
    const StatisticsByValue& byValue = *file.byValue;
    const DataTable& table = file.document.table;
    json.beginObject();
    json.key("entries");
    json.beginArray();
    for (std::size_t value = 0; value < byValue.values.size(); ++value) {
        json.beginObject();
        json.key("objects");
        json.integer(byValue.objects[value]);
        json.key("statistics");
        writeEntryStatistics(json, file, byValue, value);
        json.key("value");
        json.string(file.utf8(table.cell(byValue.values[value].row, byValue.column)));
        json.endObject();
        if (!batch.flushIfFull())
            return false;
    }
    json.endArray();
    json.key("key");
    json.string(keyText(byValue.key));
    json.endObject();
    return true;
}

void reportByValueError(const ReportFile& file, bool named, ReportOutput& output)
{
    if (!file.loaded || file.byError.empty())
        return;
    output.err += (named ? file.path + ": " : std::string()) + file.byError + '\n';
    output.status = worseStatus(output.status, ExitFailure);
}

} // namespace kvd
