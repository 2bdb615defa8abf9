#pragma once

#include <string>
#include <vector>

#include "engine/cascade.h"
#include "engine/designstate.h"

namespace stelvane {

// What the cascade is driven with: a unit step at t = 0, a unit impulse at
// t = 0, or a sine of amplitude 1 starting at phase 0 at t = 0 and ending
// after a whole number of cycles.
enum class TimeKind { Step, Impulse, Burst };
// "step", "impulse", "burst".
const char* TimeKindName(TimeKind kind);

// The most samples a response is computed at, and the default's bounds.
constexpr int kMaxTimePoints = 1000000;
constexpr int kFewestTimePoints = 2;
// The share of the peak the settling time is measured to unless told.
constexpr double kDefaultSettleShare = 0.01;

struct TimeRequest {
    TimeKind kind = TimeKind::Step;
    double burstFreq = 0;  // Hz; 0: the design's centre
    int burstCycles = 10;
    double stop = 0;  // s; 0: long enough for the response to settle to 0.1% of its peak
    int points = 0;   // samples from 0 to stop; 0: about 20 per cycle of the highest pole frequency
    double settleShare = kDefaultSettleShare;  // of the peak, for the chosen settling time
};

// The figures read off the samples. For a step or an impulse, overshoot is
// the largest swing of the sign opposite to the peak's as a percent of the
// peak (a bandpass's step ends at 0, so there is no final value to exceed);
// for a burst it is how far the peak exceeds the steady amplitude of the
// sine at its frequency, in percent. Settling times are the first sample
// time from which every later sample stays within the share of the peak;
// not a number when the last sample is still outside. The burst's envelope
// rise is the time from the first sample at 10% of the burst's peak to the
// first at 90%; its decay, from the burst's end on, the time from the last
// sample at 90% of the amplitude at the end to the last at 10%.
struct TimeFigures {
    double peak = 0;      // the largest |v|, signed as the sample is
    double peakTime = 0;  // s
    double overshootPct = 0;
    double settlingTime = 0;             // s, to 1% of the peak
    double shareSettlingTime = 0;        // s, to the requested share
    double settle01Time = 0;             // s, to 0.1%
    double riseTime = 0, decayTime = 0;  // s, burst only (0 otherwise)
};

struct TimeResponse {
    TimeKind kind = TimeKind::Step;
    double burstFreq = 0;  // Hz, as taken
    int burstCycles = 0;
    double burstEnd = 0;         // s
    double steadyAmplitude = 0;  // |H| at the burst's frequency
    double settleShare = kDefaultSettleShare;
    std::vector<double> t, v;  // s, V (V/V.s for the impulse: the response to a unit area)
    TimeFigures figures;
    std::string problem;  // why there is no response (no stage, a stage that grows without bound); empty when sound
};

// The cascade's exact response (ideal opamps, the record's R and C): the
// stages' state-space form (each stage's two states, fed by the output of
// the stage before) with the input's own generator (a constant for the step,
// a sine oscillator for the burst) taken in as states, so that the whole is
// one linear system without input. Its matrix exponential over the sample
// step (scaling and squaring of the Taylor series, rounding-level) carries
// the state from sample to sample; the burst's end, between samples, is
// reached by a step of its own, where the oscillator stops at a zero of the
// sine. No differential equation is stepped: the samples are exact to
// rounding. The record is not changed.
TimeResponse ComputeTimeResponse(const DesignState& s, const TimeRequest& request);
// The same for the stage terms given; centre is the burst's default frequency.
TimeResponse ComputeTimeResponse(const StageTerms* terms, int count, const TimeRequest& request, double center);

// The response and its figures in words, one line each: what drove it over
// which span, then the peak and overshoot, the settling times, and for the
// burst the envelope's rise and decay (or why there is no response). The
// command line's summary and the time window show the same lines.
std::vector<std::string> TimeFigureLines(const TimeResponse& r);

// The figures of samples at times t (rising) as TimeFigures describes them.
TimeFigures MeasureTimeResponse(const std::vector<double>& t, const std::vector<double>& v, TimeKind kind,
    double steadyAmplitude, double burstEnd, double settleShare);

}  // namespace stelvane
