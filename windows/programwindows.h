#pragma once

namespace stelvane {

class Navigator;

// Teaches the registry every window kind this program has.
void RegisterProgramWindows(Navigator& navigator);

}  // namespace stelvane
