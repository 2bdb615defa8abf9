#pragma once

#include <string>
#include <string_view>

#include "engine/designstate.h"

namespace stelvane {

// Reads engineering-notation text (4.7k, 10 nF, 1,5) into a Single field;
// stray characters are skipped and the value is kept within +-1e10.
void ParseNumberText(std::string_view text, Single& target);
// The same into an Integer field, rounded half to even and clamped to -32768..32767.
void ParseNumberText(std::string_view text, Integer& target);

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

} // namespace stelvane
