#include "engine/designators.h"

namespace stelvane {

namespace {

constexpr int kResistorsPerStage = 3;  // R1..R3, then C1, C2
constexpr int kDesignatorStep = 100;   // R101 is stage 1's R1, R201 stage 2's

}  // namespace

std::string PartDesignator(int stage, int part)
{
    const bool resistor = part <= kResistorsPerStage;
    const int number = stage * kDesignatorStep + (resistor ? part : part - kResistorsPerStage);
    return (resistor ? "R" : "C") + std::to_string(number);
}

std::string OpampDesignator(int stage) { return "U" + std::to_string(stage); }

}  // namespace stelvane
