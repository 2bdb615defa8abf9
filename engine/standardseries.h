#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "engine/designstate.h"

namespace stelvane {

// The standard series parts are sold in, from 20% down to 0.5% steps.
enum class StandardSeries { E6, E12, E24, E48, E96, E192 };
inline constexpr std::array kAllSeries{StandardSeries::E6, StandardSeries::E12, StandardSeries::E24,
    StandardSeries::E48, StandardSeries::E96, StandardSeries::E192};

// One decade of the series, 1.0 up to below 10, rising.
std::span<const double> SeriesValues(StandardSeries series);
// "E6" ... "E192".
const char* SeriesName(StandardSeries series);
// The series named (E96, e96), or nothing for any other text.
std::optional<StandardSeries> SeriesFromName(std::string_view name);
// The tolerance the series stands for, in percent: 20, 10, 5, 2, 1, 0.5.
double SeriesTolerancePercent(StandardSeries series);

// The series value nearest in ratio, in any decade: the bracket's upper end
// is the first value strictly above, and a value as far from both ends goes
// up. Zero, negative and non-finite values come back unchanged.
double NearestInSeries(double value, StandardSeries series);
// The same into a Single field; E24 is rounded exactly as "Nearest 5%" rounds.
Single RoundToSeries(Single value, StandardSeries series);
// Whether the value is a value of the series, to the digits a Single holds.
bool InSeries(double value, StandardSeries series);
// The coarsest series that holds the value, or nothing.
std::optional<StandardSeries> CoarsestSeriesHolding(double value);

}  // namespace stelvane
