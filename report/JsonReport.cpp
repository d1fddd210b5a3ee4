// --format=json: one object per file (the members are described by
// report/kvdreport.schema.json), an array of them for several files.
// --format=jsonl: the same objects, compact, one a line, whatever the number of files;
// a failed file's error is an object {code, message} there.

#include "report/DuplicateGroups.h"
#include "report/ReportFile.h"
#include "report/ReportFormats.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace kvd {

namespace {

QString jsonText(const ReportFile& file, std::string_view bytes)
{
    return QString::fromStdString(file.utf8(bytes));
}

// Full double precision; a number the statistics could not give is null.
QJsonValue jsonNumber(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

const char* valuesState(MeasurementFigures::State state)
{
    switch (state) {
    case MeasurementFigures::State::Computed: return "numbers";
    case MeasurementFigures::State::Invalid: return "invalid";
    case MeasurementFigures::State::NotNumeric: return "not numbers";
    }
    return "";
}

QJsonArray statistics(const ReportFile& file)
{
    const StatisticsTable& grid = file.document.summary.statistics;
    QJsonArray measurements;
    for (const MeasurementFigures& figures : file.document.summary.figures) {
        QJsonObject shown;
        shown[QLatin1String("mean")] = jsonText(file, grid.cell(figures.row, 1));
        shown[QLatin1String("stdErr")] = jsonText(file, grid.cell(figures.row, 2));
        shown[QLatin1String("min")] = jsonText(file, grid.cell(figures.row, 3));
        shown[QLatin1String("max")] = jsonText(file, grid.cell(figures.row, 4));

        QJsonObject measurement;
        measurement[QLatin1String("name")] = jsonText(file, grid.cell(figures.row, 0));
        const bool computed = figures.state == MeasurementFigures::State::Computed;
        measurement[QLatin1String("values")] = QLatin1String(valuesState(figures.state));
        measurement[QLatin1String("n")] = computed ? QJsonValue(figures.count) : QJsonValue(QJsonValue::Null);
        measurement[QLatin1String("mean")] = jsonNumber(figures.mean);
        measurement[QLatin1String("stdErr")] = jsonNumber(figures.standardError);
        measurement[QLatin1String("min")] = jsonNumber(figures.minimum);
        measurement[QLatin1String("max")] = jsonNumber(figures.maximum);
        measurement[QLatin1String("shown")] = shown;
        measurements.append(measurement);
    }
    return measurements;
}

// Counting from 1, in the file.
qint64 lineOf(const ReportFile& file, int rowIndex)
{
    return static_cast<qint64>(file.result.columnNameLineNumber) + rowIndex;
}

// One {value, count, line} object per tally: the spelling shown, the rows spelled
// exactly so, and the line of the entry's first row.
QJsonArray tallies(const ReportFile& file, const std::vector<ReportTally>& entries, int column)
{
    QJsonArray array;
    for (const ReportTally& tally : entries) {
        QJsonObject entry;
        entry[QLatin1String("value")] = jsonText(file, file.document.table.cell(tally.row, column));
        entry[QLatin1String("count")] = tally.count;
        entry[QLatin1String("line")] = lineOf(file, tally.row);
        array.append(entry);
    }
    return array;
}

QJsonArray duplicates(const ReportFile& file)
{
    const DataTable& table = file.document.table;
    QJsonArray array;
    for (const std::vector<int>& rows : duplicateGroups(file)) {
        QJsonObject duplicate;
        duplicate[QLatin1String("object")] = jsonText(file, table.cell(rows.front(), 0));
        duplicate[QLatin1String("source")] = jsonText(file, table.cell(rows.front(), 1));
        duplicate[QLatin1String("count")] = static_cast<qint64>(rows.size()) + 1; // with the row they repeat
        QJsonArray lines;
        for (const int row : rows)
            lines.append(lineOf(file, row));
        duplicate[QLatin1String("lines")] = lines;
        array.append(duplicate);
    }
    return array;
}

QJsonObject statuses(const ReportFile& file)
{
    const SummaryReport& report = file.document.summary.report;
    QJsonObject object;
    object[QLatin1String("test")] = report.hasTestStatus ? QJsonValue(report.testCount) : QJsonValue(QJsonValue::Null);
    object[QLatin1String("unknown")] = tallies(file, report.unknownStatuses, report.columns.status);
    return object;
}

QJsonArray texts(const std::vector<std::string>& utf8Texts)
{
    QJsonArray array;
    for (const std::string& text : utf8Texts)
        array.append(QString::fromStdString(text));
    return array;
}

// The error of a failed file: in JSON its message, with the code beside it (the shape
// scripts read before codes existed); in JSON lines one object {code, message}.
void addError(QJsonObject& object, const ReportFile& file, bool structured)
{
    const QString code = QString::fromLatin1(failureCode(file.failure));
    const QString message = QString::fromStdString(file.error);
    if (structured) {
        object[QLatin1String("error")] = QJsonObject{{QLatin1String("code"), code}, {QLatin1String("message"), message}};
    } else {
        object[QLatin1String("error")] = message;
        object[QLatin1String("code")] = code;
    }
}

QJsonObject fileObject(const ReportFile& file, bool structuredError)
{
    QJsonObject object;
    object[QLatin1String("file")] = QString::fromStdString(file.path);
    if (!file.loaded) {
        addError(object, file, structuredError);
        if (!file.warnings.empty())
            object[QLatin1String("warnings")] = texts(file.warnings);
        return object;
    }
    const DataTable& table = file.document.table;
    object[QLatin1String("kind")] = QString::fromLatin1(kindTag(file.result.kind));
    object[QLatin1String("objects")] = table.objectCount();
    const SummaryReport& report = file.document.summary.report;
    object[QLatin1String("measurements")] = report.measurementCount;
    object[QLatin1String("duplicates")] = duplicates(file);
    object[QLatin1String("sources")] = tallies(file, report.sources, report.columns.source);
    if (isLearningKind(report.kind)) {
        object[QLatin1String("statuses")] = statuses(file);
        object[QLatin1String("groups")] = tallies(file, report.groups, report.columns.group);
    }
    object[QLatin1String("statistics")] = statistics(file);
    object[QLatin1String("warnings")] = texts(file.warnings);
    return object;
}

void addFailure(ReportOutput& output, const ReportFile& file, FilePlacement placement)
{
    if (!file.loaded) {
        output.err = failureMessage(file, placement.named) + '\n';
        output.status = ExitFailure;
    }
}

} // namespace

ReportOutput jsonReport(const ReportFile& file, FilePlacement placement)
{
    ReportOutput output;
    if (placement.several)
        output.out = placement.index == 0 ? "[\n" : ",\n";
    const QByteArray json = QJsonDocument(fileObject(file, false)).toJson(QJsonDocument::Indented);
    output.out.append(json.constData(), static_cast<std::size_t>(json.size()));
    if (placement.several)
        output.out.pop_back(); // the array's separator or end follows the object
    addFailure(output, file, placement);
    return output;
}

ReportOutput jsonLinesReport(const ReportFile& file, FilePlacement placement)
{
    ReportOutput output;
    const QByteArray json = QJsonDocument(fileObject(file, true)).toJson(QJsonDocument::Compact);
    output.out.assign(json.constData(), static_cast<std::size_t>(json.size()));
    output.out += '\n';
    addFailure(output, file, placement);
    return output;
}

} // namespace kvd
