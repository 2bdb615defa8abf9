#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

// Helpers shared by the file readers and writers: safe replacement of a file,
// bounded reading of a regular file, locale-independent number text and
// field-by-field reading.
namespace stelvane {

// Every line of every file the program writes ends with CR LF.
inline constexpr std::string_view kLineEnd = "\r\n";

// Writes the whole text to the named file so that the file is either the new
// text or left exactly as it was. A regular file is replaced through a temporary
// file in its own folder; a device or pipe (which cannot be replaced) is written
// through. Fails on a missing folder, a directory, a read-only file, or any
// write error. Returns whether the text was written completely.
bool WriteTextFileSafely(const std::string& fileName, std::string_view text);

// The name as chosen, with the extension (".QBX") added when the file's own
// name has none, so that the file shows under its dialog's filter.
std::string WithExtension(const std::string& fileName, const char* extension);

// Reads a decimal number written in any common form: optional sign, digits with
// or without a leading zero or a point, optional exponent (E or e), surrounded
// by blanks. Gives nothing for anything else, for NaN and for infinities.
std::optional<double> ParseDecimalText(std::string_view text);

// The general number text with a blank in front of zero and positive numbers
// (a negative one brings its own minus sign) and one blank after it.
std::string SignedNumberText(double value);

// The readers' size limits: a design or last-session file is a few kilobytes,
// an overlay of 2001 points well under one.
inline constexpr std::size_t kDesignFileLimit = std::size_t{1} << 20;
inline constexpr std::size_t kOverlayFileLimit = std::size_t{16} << 20;

// What kept a file from being read whole.
enum class InputFault { None, Missing, NotRegular, TooLarge, Unreadable };

struct InputFile {
    InputFault fault = InputFault::None;
    std::string text;  // the whole file when there was no fault
};

// Reads a whole regular file of at most maxBytes. Anything else (no such file,
// a folder, a device or pipe, a larger file) is refused without waiting on it:
// a pipe is never opened for a blocking read.
InputFile ReadInputFile(const std::string& fileName, std::size_t maxBytes);

// The fault in words ("it is not a regular file"), for a message.
std::string InputFaultText(InputFault fault, std::size_t maxBytes);

// Text from outside (a file name, a field of a file) as a message quotes it:
// at most 300 characters, cut ones marked with "...".
std::string QuotedForMessage(std::string_view text);

// Hands out the fields of a text stream one by one. A field ends at a line
// end, a comma or a blank; runs of them make no empty fields. Fields longer
// than any number are refused rather than buffered.
class FieldReader {
public:
    explicit FieldReader(std::istream& in);

    // The next field, or nothing at the end of the stream or on an
    // over-long field.
    std::optional<std::string> Next();

private:
    std::istream& in_;
};

}  // namespace stelvane
