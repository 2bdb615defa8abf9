#pragma once

#include <array>

#include "engine/designstate.h"

namespace stelvane {

// The five parts of a stage in the order R1, R2, R3, C1, C2 (ohms, farads).
using StageParts = std::array<double, 5>;
inline constexpr std::array<const char*, 5> kStagePartNames{"R1", "R2", "R3", "C1", "C2"};

// How strongly a stage's figures follow its parts: S = (x/y)·dy/dx, the
// fraction by which the figure y moves per fraction the part x moves, for
// each part in the order above.
struct StageSensitivities {
    StageParts f0{};    // centre frequency
    StageParts q{};     // Q
    StageParts gain{};  // peak gain as a ratio
};

// The sensitivities of an ideal-opamp MFB stage from their closed forms;
// NaN throughout when a part is not a positive finite value.
StageSensitivities SensitivitiesOf(const StageParts& parts);
// The parts of stage k (1..21) as the stage analysis reads them: R and C.
StageParts PartsOfStage(const DesignState& s, int stage);

}  // namespace stelvane
