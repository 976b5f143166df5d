#pragma once
// The column layout file (ART.GRD): the grid's columns written as a component
// stream, one root object of class "TColumnsWrapper" whose property "Columns"
// is the collection of columns, each with its records ("FieldName",
// "Title.Caption", "Font.Height", "Width" ...).
//
//   WriteColumnsLayout  the bytes of a layout
//   ReadColumnsLayout   a layout from bytes: all of it, or an error
//   ReadLayoutFile      the bytes of a file, or the error of opening it

#include "base/Exception.h"
#include "grid/stream/ColumnRecord.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tallivo {

// A stream the reader refused: the message the operator sees and the offset
// of the byte where reading stopped (where the refused name or value starts,
// or the end of the data when it ended too early).
class EColumnsStreamError : public EReadError {
public:
    EColumnsStreamError(QString message, std::uint64_t offset)
        : EReadError(std::move(message)), FOffset(offset) {}
    std::uint64_t Offset() const { return FOffset; }

private:
    std::uint64_t FOffset;
};

// Signature "TPF0", the root object, its tag when not 0, then "Columns" with
// each column's present records in the order of TColumnRecord ("Font" and
// "Title.Font" as Charset, Color, Height, Name, Orientation, Pitch, Style).
// Colours and character sets are written by name when they have one.
std::string WriteColumnsLayout(const TColumnsLayout& layout);

// Reads a whole stream. Records may come in any order; a record read twice
// keeps its last value. An error while reading a record is reported as
// "Erreur lors de la lecture de <object>.<record>: <message>", where object
// is "TColumn" for a column's records and the root's name or class name for
// its own. Raises EColumnsStreamError.
TColumnsLayout ReadColumnsLayout(std::string_view bytes);

// The content of a file. A file that cannot be opened or read raises
// EFOpenError "Impossible d'ouvrir le fichier "%s". %s" (full path, system
// message).
std::string ReadLayoutFile(const QString& fileName);

} // namespace tallivo
