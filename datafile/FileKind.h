#pragma once

#include <string_view>

namespace kvd {

// The kind of a data file, decided from its first line and its column-name line.
enum class FileKind {
    Unknown,         // the first line matches no kind: "Unknow file format"
    Kvd,             // "KVD": ";"-separated, object and source in columns 0 and 1
    Wum,             // "WUM": TAB-separated, object in column 0, source in the last column
    Learning,        // "LEARNING": like KVD, plus group (second-to-last) and status (last)
    LearningFromWum, // "LEARNING FROM WUM": a learning file whose column names hold "FIT_"
};

// The tag printed in the summary ("KVD", "WUM", "LEARNING", "LEARNING FROM WUM");
// empty for Unknown.
constexpr std::string_view kindTag(FileKind kind)
{
    switch (kind) {
    case FileKind::Kvd: return "KVD";
    case FileKind::Wum: return "WUM";
    case FileKind::Learning: return "LEARNING";
    case FileKind::LearningFromWum: return "LEARNING FROM WUM";
    case FileKind::Unknown: break;
    }
    return {};
}

// KVD and LEARNING: object and source are columns 0 and 1, two fixed columns.
constexpr bool isKvdKind(FileKind kind) { return kind == FileKind::Kvd || kind == FileKind::Learning; }
// WUM and LEARNING FROM WUM: one fixed column.
constexpr bool isWumKind(FileKind kind) { return kind == FileKind::Wum || kind == FileKind::LearningFromWum; }
// LEARNING and LEARNING FROM WUM: group and status columns, read-only header.
constexpr bool isLearningKind(FileKind kind) { return kind == FileKind::Learning || kind == FileKind::LearningFromWum; }

// The field separator of the data lines: TAB for WUM, ";" for the others.
constexpr char fieldSeparator(FileKind kind) { return kind == FileKind::Wum ? '\t' : ';'; }

} // namespace kvd
