#include "tests/support/recordingnotifier.h"

namespace stelvane {

void RecordingNotifier::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon)
{
    messages.push_back({text, caption, icon});
}

void RecordingNotifier::Beep() { ++beeps; }

}  // namespace stelvane
