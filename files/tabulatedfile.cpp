#include "files/tabulatedfile.h"

#include <string_view>

#include "engine/numbertext.h"
#include "files/textfile.h"

namespace stelvane {

namespace {

constexpr std::size_t kEasyColumn = 10;
constexpr std::size_t kScientificColumn = 14;

std::string_view StripBlanks(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// Left-aligned in a column of at least the given width; a longer text is kept
// whole and pushes the rest of the row to the right.
void AppendColumn(std::string& row, std::string_view text, std::size_t width)
{
    row += text;
    if (text.size() < width) row.append(width - text.size(), ' ');
}

template <typename RowWriter>
bool WriteTabulated(const DesignState& s, const std::string& fileName, std::string_view heading, std::string_view units,
    RowWriter writeRow)
{
    // Points beyond the arrays cannot be written, and a negative count is no sweep.
    if (s.NrInts < 0 || s.NrInts > kMaxPoints) return false;
    std::string text;
    text += kLineEnd;
    text += heading;
    text += kLineEnd;
    text += units;
    text += kLineEnd;
    text += kLineEnd;
    for (int k = 0; k <= s.NrInts; ++k) {
        writeRow(text, k);
        text += kLineEnd;
    }
    text += kLineEnd;
    return WriteTextFileSafely(fileName, text);
}

bool Report(bool written, Notifier& notifier)
{
    if (!written) {
        notifier.Beep();
        notifier.ShowMessage(kTabulatedNotWrittenMessage);
    }
    return written;
}

}  // namespace

bool WriteTabulatedEasy(const DesignState& s, const std::string& fileName, Notifier& notifier)
{
    const bool written = WriteTabulated(s, fileName, "Freq,      Gain,    Phase,    Delay,",
        " Hz:        dB:      degrees:  secs:", [&s](std::string& row, int k) {
            AppendColumn(row, StripBlanks(FormatEng(s.Freq[k])), kEasyColumn);
            AppendColumn(row, StripBlanks(FormatValue(s.GainDB[k])), kEasyColumn);
            AppendColumn(row, StripBlanks(FormatValue(s.Phase[k])), kEasyColumn);
            AppendColumn(row, StripBlanks(FormatEngSmall(s.Delay[k])), kEasyColumn);
        });
    return Report(written, notifier);
}

bool WriteTabulatedScientific(const DesignState& s, const std::string& fileName, Notifier& notifier)
{
    const bool written = WriteTabulated(s, fileName, "Freq,          Gain,        Phase,         Delay,",
        " Hz:            dB:         degrees:       secs:", [&s](std::string& row, int k) {
            // FormatPadded14 already pads; the column keeps its width
            // even should a formatter hand back a shorter text
            for (const Single v : {s.Freq[k], s.GainDB[k], s.Phase[k], s.Delay[k]})
                AppendColumn(row, FormatPadded14(v), kScientificColumn);
        });
    return Report(written, notifier);
}

}  // namespace stelvane
