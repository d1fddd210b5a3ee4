#pragma once

#include <stdexcept>
#include <string>

namespace kvd {

// An error that ends the current operation and reaches the application's error
// handler, which shows what() in a message box. Texts are UTF-8.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A text that is not a number text was parsed ("'%s' n'est pas une valeur en
// virgule flottante correcte"). The statistics catch it per column.
class ConversionError : public Error {
public:
    using Error::Error;
};

// The file, or one of its lines, columns or rows, is larger than a data file may be.
class LimitError : public Error {
public:
    using Error::Error;
};

// Memory ran out while the operation held or built its data.
class OutOfMemoryError : public Error {
public:
    using Error::Error;
};

// The file holds no table of objects: no object line, or no column.
class NoDataError : public Error {
public:
    using Error::Error;
};

// The path names something that cannot be read as a file: a folder, a socket, or a
// kind of file the operation refuses.
class NotAFileError : public Error {
public:
    using Error::Error;
};

// An input or output call failed. errorCode() is the errno value.
class IoError : public Error {
public:
    IoError(int errorCode, std::string path, const std::string& message)
        : Error(message), m_errorCode(errorCode), m_path(std::move(path)) {}
    int errorCode() const noexcept { return m_errorCode; }
    const std::string& path() const noexcept { return m_path; }

private:
    int m_errorCode;
    std::string m_path;
};

// "Indice de liste hors limites (%d)": a list was asked for an item it does not hold.
Error listIndexError(long long index);

// The system's French text for errno value errorCode, as the run-time library words
// its input/output errors: "Accès au fichier refusé", "Fichier introuvable",
// "Disque plein", ... and "Erreur E/S %d" for the rest.
std::string systemErrorText(int errorCode);

// An IoError for errorCode on path, worded by systemErrorText().
IoError ioError(int errorCode, const std::string& path);

// An IoError for a failed system call on a named object: "<call> '<name>': " and the
// text of systemErrorText(errorCode).
IoError systemCallError(int errorCode, const std::string& call, const std::string& name);

} // namespace kvd
