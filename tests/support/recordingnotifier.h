#pragma once

#include <string>
#include <vector>

#include "platform/notifier.h"

namespace stelvane {

// Test double: records every message box and counts the beeps.
class RecordingNotifier : public Notifier {
public:
    struct Message {
        std::string text;
        std::string caption;
        MessageIcon icon;
    };
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
    void Beep() override;

    std::vector<Message> messages;
    int beeps = 0;
};

}  // namespace stelvane
