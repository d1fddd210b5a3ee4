#include "report/ReportFile.h"

#include "common/Errors.h"
#include "datafile/TextEncoding.h"
#include "document/DocumentLoader.h"

#include <cerrno>
#include <exception>
#include <new>

namespace kvd {

namespace {

LoadFailure failureOfErrno(int errorCode)
{
    switch (errorCode) {
    case ENOENT:
    case ENOTDIR: return LoadFailure::NotFound;
    case EISDIR:
    case ENXIO:
    case ENODEV: return LoadFailure::NotAFile;
    case ENOMEM: return LoadFailure::OutOfMemory;
    case EFBIG:
    case EOVERFLOW: return LoadFailure::TooLarge;
    default: return LoadFailure::ReadError;
    }
}

LoadFailure failureOf(const Error& error)
{
    if (const auto* io = dynamic_cast<const IoError*>(&error))
        return failureOfErrno(io->errorCode());
    if (dynamic_cast<const NotAFileError*>(&error))
        return LoadFailure::NotAFile;
    if (dynamic_cast<const LimitError*>(&error))
        return LoadFailure::TooLarge;
    if (dynamic_cast<const NoDataError*>(&error))
        return LoadFailure::NoData;
    if (dynamic_cast<const OutOfMemoryError*>(&error))
        return LoadFailure::OutOfMemory;
    return LoadFailure::BadData;
}

void loadInto(ReportFile& file, const LoadOptions& options)
{
    try {
        file.result = loadDocument(file.document, options);
        return;
    } catch (const std::bad_alloc&) {
        file.failure = LoadFailure::OutOfMemory;
        file.error = "Not enough memory to summarise the file";
    } catch (const Error& error) {
        file.failure = failureOf(error);
        file.error = error.what();
    } catch (const std::exception& error) {
        file.failure = LoadFailure::ReadError;
        file.error = error.what();
    }
    if (file.error.empty())
        file.error = "The file could not be summarised";
    file.document = Document();
}

} // namespace

const char* failureCode(LoadFailure failure) noexcept
{
    switch (failure) {
    case LoadFailure::None: return "";
    case LoadFailure::NotFound: return "not-found";
    case LoadFailure::NotAFile: return "not-a-file";
    case LoadFailure::UnknownFormat: return "unknown-format";
    case LoadFailure::TooLarge: return "too-large";
    case LoadFailure::NoData: return "no-data";
    case LoadFailure::BadData: return "bad-data";
    case LoadFailure::ReadError: return "read-error";
    case LoadFailure::OutOfMemory: return "out-of-memory";
    }
    return "";
}

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

ReportFile loadReportFile(const std::string& fileName, const std::string& shownName, const ReportLocale& locale,
                          std::optional<ValueColumn> by)
{
    ReportFile file;
    file.by = by;
    file.path = shownName;
    file.locale = locale;
    Document& document = file.document;
    document.fileName = fileName;
    document.caption = captionForPath(document.fileName);

    LoadOptions options;
    options.reader.regularFilesOnly = false; // pipes and /dev/stdin are read to their end
    options.decimalSeparator = locale.decimalSeparator;
    options.collationLocale = locale.collation;
    options.warning = [&file](const std::string& message) { file.warnings.push_back(file.utf8(message)); };

    loadInto(file, options);
    if (file.failure != LoadFailure::None)
        return file;
    if (file.result.status == ReadStatus::NoSuchFile) {
        file.failure = LoadFailure::NotFound;
        file.error = "no such file";
    } else if (file.result.status == ReadStatus::UnknownFormat) {
        file.failure = LoadFailure::UnknownFormat;
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
    if (file.failure == LoadFailure::NotFound && file.result.status == ReadStatus::NoSuchFile)
        return "kvdreport: \"" + file.path + "\" names no file";
    return named ? file.path + ": " + file.error : file.error;
}

} // namespace kvd
