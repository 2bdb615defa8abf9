#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/designstate.h"

namespace stelvane {

// What the design window shows: its text boxes, the captions of its count
// controls and its option buttons. The Enter step may rewrite some texts
// (the ripple, the sweep count, the DC gain, the order, the grid counts and
// the gain top) to show the clamped value back.
struct DesignInputs {
    std::string txtCenter, txtWidth, lblOrderInput, txtGain, txtCaps, txtApass;
    bool optButterworth = false, optChebyshev = false, optBessel = false;
    bool optLinear = false, optLog = false;
    std::string txtStart, txtStop, txtInts, lblNrX, lblNrY;
    std::string txtdBTop, txtdBBottom, txtDelay;
    std::string txtGainDC, txtGBW, txtZin;
};

using ShowMessage = std::function<void(const std::string& text)>;

// What was taken otherwise than typed, one sentence each, in the order the
// fields are read ("'1O0' was read as 1 for the gain", "Order 21 was taken
// as 10 for a Bessel design").
using EnterNotes = std::vector<std::string>;

// A typed field as the notes name it: "centre frequency", with the unit its
// values are said in (" Hz", "F", or nothing; a text may end in it), and
// whether it is a count, said in plain figures.
struct NotedField {
    const char* name;
    const char* unit;
    bool count = false;
    const char* record = nullptr;  // the record's name for the field ("Center"), when it has one
};

// A field the Enter step set otherwise than its text reads (a limit, a
// default for an unusable value, a text that is not wholly the number read):
// the record's name for it and the value it holds now.
struct EnterChange {
    std::string field;
    double taken = 0;
};

// What an Enter step did besides storing the typed values.
struct EnterResult {
    EnterNotes notes;                  // what was taken otherwise than typed, one sentence each
    std::vector<EnterChange> changed;  // the same, as values, in the order the fields are read
    // The change the step made to the field, or null when it stored the text as it reads.
    const EnterChange* Changed(std::string_view field) const;
};

// The sentence for one typed text: what it was read as when it is not wholly
// that number (by the strict reading), and what was taken when a limit
// changed it (why follows the taken value). Empty when there is nothing to say.
std::string TakenNote(
    std::string_view typed, double read, double taken, const NotedField& field, std::string_view why = "");

// Puts right what the design window's self-writing fields may leave in the
// record that the design file would not read again (a sweep end at or below
// 0 Hz becomes 1 Hz, a gain top not above the bottom is put above it), for a
// record stored without an Enter step; gives what was changed.
EnterNotes KeepSweepStorable(DesignState& s);

// The notes as one text, a line each, for one message.
std::string NotesText(const EnterNotes& notes);

// Reads and clamps the design window's inputs into the record, then runs the
// design chain. Messages (the two ripple resets) go to showMessage; what was
// read otherwise than typed, or clamped, comes back as notes. Every value
// stored is one the design file keeps and reads again: frequencies above 0,
// an order of 1..21 (Bessel 1..10), grid counts of 1..12, the gain top above
// the bottom.
EnterResult EnterStep(DesignState& s, DesignInputs& in, const ShowMessage& showMessage);

// The inputs as the design window would show them for the present record.
DesignInputs InputsFromRecord(const DesignState& s);

}  // namespace stelvane
