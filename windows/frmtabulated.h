#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "windows/navigation.h"

class QListWidget;

namespace stelvane {

// Every column of the listing is this many characters wide.
inline constexpr std::size_t kTabulatedColumnWidth = 10;
// The first two rows of the listing: the column titles and a spacer.
inline constexpr const char* kTabulatedHeader = "Freq:     Gain:     Phase:    Delay:";
inline constexpr const char* kTabulatedSpacer = "   ";

// Appends blanks after the piece of pieceLength characters just added to the
// row, so that it fills a column; a longer piece gets none and pushes the
// columns after it to the right.
void PadColumn(std::string& row, std::size_t pieceLength);
// One row of the listing: frequency, gain, phase and delay of sweep point i.
std::string TabulatedRow(const DesignState& s, int i);
// The whole listing: header, spacer and one row per sweep point 0..NrInts,
// never past the last point the sweep arrays hold.
std::vector<std::string> TabulatedListing(const DesignState& s);

// The width of the listing in layout units: a fixed physical width, so the
// wider the screen, the fewer units it takes.
double TabulatedListWidth(double screenWidthTwips);

// The tabulated view: the response of the present design as plain text, one
// row per sweep point, as it stood when the window was opened.
class frmTabulated : public BarWindow {
    Q_OBJECT
public:
    explicit frmTabulated(Navigator& navigator);

    // Lays out and fills the listing afresh from the record.
    void Load() override;

    QListWidget* lstTabulatedOutput;

protected:
    void DesignChanged() override { FillListing(); }

private:
    void FillListing();
};

}  // namespace stelvane
