#pragma once

#include <functional>
#include <string>

#include "engine/designstate.h"

namespace stelvane {

// What the design window shows: its text boxes, the captions of its count
// controls and its option buttons. The Enter step may rewrite some texts
// (the ripple and the sweep count) to show the clamped value back.
struct DesignInputs {
    std::string txtCenter, txtWidth, lblOrderInput, txtGain, txtCaps, txtApass;
    bool optButterworth = false, optChebyshev = false, optBessel = false;
    bool optLinear = false, optLog = false;
    std::string txtStart, txtStop, txtInts, lblNrX, lblNrY;
    std::string txtdBTop, txtdBBottom, txtDelay;
    std::string txtGainDC, txtGBW, txtZin;
};

using ShowMessage = std::function<void(const std::string& text)>;

// Reads and clamps the design window's inputs into the record, then runs the
// design chain. Messages (the two ripple resets) go to showMessage.
void EnterStep(DesignState& s, DesignInputs& in, const ShowMessage& showMessage);

// The inputs as the design window would show them for the present record.
DesignInputs InputsFromRecord(const DesignState& s);

} // namespace stelvane
