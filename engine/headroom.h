#pragma once

#include <string>
#include <vector>

#include "engine/designstate.h"

namespace stelvane {

// What each stage's output asks of its opamp at the bench's input level.
struct StageHeadroom {
    double peakGainDb = 0;   // the highest gain over the sweep from the filter's input to this output
    double peakFreq = 0;     // Hz, where it is
    double headroomDb = 0;   // how far the output stays below the swing at the input level
    double slewNeeded = 0;   // V/us the output needs at its peak: 2 pi f V
    bool overSwing = false;  // the output clips at the input level
    bool overSlew = false;   // the opamp's slew rate is short of it
};
struct Headroom {
    std::vector<StageHeadroom> stages;  // stage 1 (fed from the input) first, in cascade order
    double largestInputV = 0;           // V peak: the largest input that clips nowhere
};

// The headroom of every cascade stage over the record's sweep (Freq,
// points 0..NrInts) at the bench's input level, swing and slew.
Headroom ComputeHeadroom(const DesignState& s);

// The stages 1..Order in the order that keeps the largest intermediate peak
// (the highest gain over the sweep to any output but the last) smallest:
// element i is the stage that goes to place i + 1. Every order is weighed up
// to kExactOrderStages stages; above that a greedy order is taken, each place
// given to the stage that keeps the peak so far lowest.
constexpr int kExactOrderStages = 12;
std::vector<int> HeadroomOrder(const DesignState& s);
// The largest intermediate peak (dB) of the stages in that order.
double LargestIntermediatePeak(const DesignState& s, const std::vector<int>& order);

// Puts the stages (every per-stage array) in the headroom order and sets
// FamilyPlace; gives whether any stage moved. The sweep is left to the caller.
bool PutStagesInHeadroomOrder(DesignState& s);
// Puts stages that FamilyPlace says were moved back in the family's order
// and clears FamilyPlace.
void RestoreFamilyOrder(DesignState& s);

// --- The texts every view shows alike ---

// "C1 raised to 0.047uF (E12) in stages 1, 2", a line per raised value;
// none while every stage has equal capacitors.
std::vector<std::string> RaisedCapacitorLines(const DesignState& s);
// "Largest input that clips nowhere: 0.21 V peak".
std::string LargestInputText(const Headroom& room);
// "Output swing exceeded in stages 2, 3" and "Slew rate exceeded in stage 4";
// empty when no stage is over.
std::string OverSwingText(const Headroom& room);
std::string OverSlewText(const Headroom& room);
// Which stages cannot be built and why, in words, with what would build
// them: buildable stage gains, or the highest total gain even they can
// build; for the specified opamp's resistors when the ideal ones can all
// be built; empty when every stage can be built with both.
std::string UnbuildableWords(const DesignState& s);

}  // namespace stelvane
