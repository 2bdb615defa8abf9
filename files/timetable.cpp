#include "files/timetable.h"

#include <charconv>

#include "files/textfile.h"

namespace stelvane {
namespace {

void Append(std::string& text, double value)
{
    char buffer[32];
    text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

}  // namespace

std::string TimeTableText(const TimeResponse& r)
{
    std::string text = "t,v";
    text += kLineEnd;
    text.reserve(r.t.size() * 48);
    for (std::size_t k = 0; k < r.t.size() && k < r.v.size(); ++k) {
        Append(text, r.t[k]);
        text += ',';
        Append(text, r.v[k]);
        text += kLineEnd;
    }
    return text;
}

bool WriteTimeTable(const TimeResponse& r, const std::string& fileName, Notifier& notifier)
{
    if (WriteTextFileSafely(fileName, TimeTableText(r))) return true;
    notifier.Beep();
    notifier.ShowMessage(std::string(kTimeTableNotWrittenMessage) + ": " + fileName);
    return false;
}

}  // namespace stelvane
