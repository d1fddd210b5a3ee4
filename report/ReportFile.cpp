#include "report/ReportFile.h"

#include "common/Errors.h"
#include "datafile/NumberText.h"
#include "datafile/TextEncoding.h"
#include "document/DocumentLoader.h"

#include <QFile>
#include <QLocale>

#include <exception>
#include <new>

namespace kvd {

std::string ReportFile::utf8(std::string_view bytes) const
{
    std::string text;
    appendUtf8(text, bytes);
    return text;
}

void ReportFile::appendUtf8(std::string& out, std::string_view bytes) const
{
    if (document.encoding == TextEncoding::Utf8)
        out.append(bytes);
    else
        out.append(decodeText(bytes, document.encoding).toStdString());
}

namespace {

void computeByValue(ReportFile& file, ValueColumn by, const LoadOptions& options)
{
    const Document& document = file.document;
    try {
        file.byValue = statisticsByValue(document.table, document.summary.report, document.summary.figures, by,
                                         document.encoding, options.collationLocale, options.decimalSeparator);
    } catch (const std::bad_alloc&) {
        file.byError = "Not enough memory for the statistics by value";
    } catch (const std::exception& error) {
        file.byError = error.what();
    }
}

} // namespace

ReportFile loadReportFile(const std::string& fileName, std::optional<ValueColumn> by)
{
    ReportFile file;
    file.by = by;
    file.path = QFile::decodeName(QByteArray::fromStdString(fileName)).toStdString();
    Document& document = file.document;
    document.fileName = fileName;
    document.caption = captionForPath(document.fileName);

    LoadOptions options;
    options.reader.regularFilesOnly = false; // pipes and /dev/stdin are read to their end
    options.decimalSeparator = userDecimalSeparator();
    options.collationLocale = QLocale::system();
    options.warning = [&file](const std::string& message) { file.warnings.push_back(file.utf8(message)); };

    try {
        file.result = loadDocument(document, options);
    } catch (const std::bad_alloc&) {
        file.error = "Not enough memory to summarise the file";
    } catch (const std::exception& error) {
        file.error = *error.what() != '\0' ? error.what() : "The file could not be summarised";
    }
    if (!file.error.empty()) {
        file.document = Document();
        return file;
    }
    if (file.result.status == ReadStatus::NoSuchFile) {
        file.missing = true;
        file.error = "no such file";
    } else if (file.result.status == ReadStatus::UnknownFormat) {
        file.error = "Unknow file format";
    } else {
        file.loaded = true;
        if (by)
            computeByValue(file, *by, options);
    }
    return file;
}

std::string failureMessage(const ReportFile& file, bool named)
{
    if (file.missing)
        return "kvdreport: \"" + file.path + "\" names no file";
    return named ? file.path + ": " + file.error : file.error;
}

} // namespace kvd
