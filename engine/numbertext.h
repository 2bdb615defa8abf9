#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/designstate.h"

namespace stelvane {

// Reads engineering-notation text (4.7k, 10 nF, 1,5) into a Single field;
// stray characters are skipped and the value is kept within +-1e10.
void ParseNumberText(std::string_view text, Single& target);
// The same into an Integer field, rounded half to even and clamped to -32768..32767.
void ParseNumberText(std::string_view text, Integer& target);

// Reads text that is wholly one number, and nothing else: an optional sign,
// digits with at most one decimal point, an optional exponent (1.5e-9) and an
// optional engineering suffix (f p n u µ m k K M G T, or meg in any case), or
// a part-marking code of IEC 60062 (4k7, 2M2, 4n7, 1R5, R47, 47R). Blanks
// around it are allowed. Gives nothing for any other text; a value beyond the
// double range is infinite, one too small for it is 0.
std::optional<double> ParseStrictNumber(std::string_view text);

// Shortest text with at most 7 significant digits; exponent form (1.5E-08)
// at magnitudes of 1e7 and above or below 1e-4. Never depends on the locale.
std::string GeneralNumberText(double value);
// The general text padded with blanks on the right to 14 characters.
std::string FormatPadded14(double value);

// Range formatters: a scaled value, rounded, with its range suffix.
std::string FormatEng(Single value);
std::string FormatCap(Single value);
std::string FormatValue(Single value);
std::string FormatValueShort(Single value);
std::string FormatEngSmall(Single value);

// The text without the blanks the formatters put around their numbers.
std::string Trimmed(std::string_view text);

}  // namespace stelvane
