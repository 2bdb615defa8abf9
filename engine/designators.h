#pragma once

#include <string>

namespace stelvane {

// The designators a built filter's parts carry on every list, drawing and
// netlist: stage k's R1, R2, R3, C1, C2 are R<k>01, R<k>02, R<k>03, C<k>01,
// C<k>02 (R101 for stage 1's R1, C202 for stage 2's C2) and its opamp U<k>.
// part counts 1..5 in the order R1, R2, R3, C1, C2.
std::string PartDesignator(int stage, int part);
std::string OpampDesignator(int stage);

}  // namespace stelvane
