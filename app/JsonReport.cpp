// --format=json: one object per file (the members are described by
// app/kvdreport.schema.json), an array of them for several files.

#include "app/ReportFile.h"
#include "app/ReportFormats.h"

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

// The columns whose statistics were computed, whether or not a value failed.
int measurementCount(const Summary& summary)
{
    int count = 0;
    for (const MeasurementFigures& figures : summary.figures)
        count += figures.state != MeasurementFigures::State::NotNumeric;
    return count;
}

QJsonArray texts(const std::vector<std::string>& utf8Texts)
{
    QJsonArray array;
    for (const std::string& text : utf8Texts)
        array.append(QString::fromStdString(text));
    return array;
}

QJsonObject fileObject(const ReportFile& file)
{
    QJsonObject object;
    object[QLatin1String("file")] = QString::fromStdString(file.path);
    if (!file.loaded) {
        object[QLatin1String("error")] = QString::fromStdString(file.error);
        if (!file.warnings.empty())
            object[QLatin1String("warnings")] = texts(file.warnings);
        return object;
    }
    const DataTable& table = file.document.table;
    object[QLatin1String("kind")] = QString::fromLatin1(kindTag(file.result.kind));
    object[QLatin1String("objects")] = table.objectCount();
    object[QLatin1String("measurements")] = measurementCount(file.document.summary);
    object[QLatin1String("statistics")] = statistics(file);
    object[QLatin1String("warnings")] = texts(file.warnings);
    return object;
}

} // namespace

ReportOutput jsonReport(const ReportFile& file, FilePlacement placement)
{
    ReportOutput output;
    if (placement.several)
        output.out = placement.index == 0 ? "[\n" : ",\n";
    const QByteArray json = QJsonDocument(fileObject(file)).toJson(QJsonDocument::Indented);
    output.out.append(json.constData(), static_cast<std::size_t>(json.size()));
    if (placement.several)
        output.out.pop_back(); // the array's separator or end follows the object
    if (!file.loaded) {
        output.err = failureMessage(file, placement.several) + '\n';
        output.status = ExitFailure;
    }
    return output;
}

} // namespace kvd
