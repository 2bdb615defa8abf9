#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace stelvane {

// The most a message quotes of a text that came from outside (a netlist line
// ngspice echoes, a library's complaint): enough to find the fault, never a
// page of somebody's file.
inline constexpr std::size_t kQuotedCharacters = 300;

// The text as a message quotes it: at most kQuotedCharacters characters, cut
// on a character boundary and marked with "..." when cut, with line breaks
// and other control characters shown as spaces.
inline std::string QuotedText(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (out.size() >= kQuotedCharacters) {
            // not inside a UTF-8 sequence
            while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80) out.pop_back();
            if (!out.empty() && static_cast<unsigned char>(out.back()) >= 0xC0) out.pop_back();
            return out + "...";
        }
        const auto c = static_cast<unsigned char>(text[i]);
        out += c < 0x20 || c == 0x7F ? ' ' : static_cast<char>(c);
    }
    return out;
}

}  // namespace stelvane
