#pragma once

#include <string>

namespace stelvane {

enum class MessageIcon { None, Information, Exclamation, Critical };

constexpr const char* kProgramCaption = "Stelvane";

// The part of the platform that every operation may report through: a modal
// message box with only an OK button, and the system beep.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void ShowMessage(const std::string& text, const std::string& caption = kProgramCaption,
        MessageIcon icon = MessageIcon::None) = 0;
    virtual void Beep() = 0;
};

}  // namespace stelvane
