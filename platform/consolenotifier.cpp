#include "platform/consolenotifier.h"

#include <ostream>

namespace stelvane {

ConsoleNotifier::ConsoleNotifier(std::ostream& out) : out_(out) {}

void ConsoleNotifier::ShowMessage(const std::string& text, const std::string&, MessageIcon) { out_ << text << '\n'; }

void ConsoleNotifier::Beep() { ++beeps_; }

}  // namespace stelvane
