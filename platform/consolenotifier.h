#pragma once

#include <iosfwd>

#include "platform/notifier.h"

namespace stelvane {

// Messages go to a stream (stderr for the command line); the beep is silent.
class ConsoleNotifier : public Notifier {
public:
    explicit ConsoleNotifier(std::ostream& out);
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
    void Beep() override;
    int Beeps() const { return beeps_; }

private:
    std::ostream& out_;
    int beeps_ = 0;
};

}  // namespace stelvane
