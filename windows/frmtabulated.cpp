#include "windows/frmtabulated.h"

#include <algorithm>
#include <cmath>

#include <QFont>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>

#include "engine/numbertext.h"
#include "windows/layout.h"

namespace stelvane {

namespace {

// The listing's place on the window, in layout units.
constexpr double kListLeft = 3300;
constexpr double kListTop = 1300;
constexpr double kListHeight = 5600;
// Its width in layout units is this over the screen width in twips: about
// 6000 twips on any screen, room for four columns of 12-point Courier.
constexpr double kListWidthTimesScreen = 74000000;

// A fixed-pitch face, so the columns of blanks line up.
constexpr const char* kListFace = "Courier";
constexpr double kListPoints = 12;

}  // namespace

void PadColumn(std::string& row, std::size_t pieceLength)
{
    if (pieceLength < kTabulatedColumnWidth) row.append(kTabulatedColumnWidth - pieceLength, ' ');
}

std::string TabulatedRow(const DesignState& s, int i)
{
    std::string row;
    auto append = [&row](const std::string& piece) {
        row += piece;
        PadColumn(row, piece.size());
    };
    append(FormatEng(s.Freq[i]));
    append(FormatValue(s.GainDB[i]));
    append(FormatValue(s.Phase[i]));
    append(FormatEngSmall(s.Delay[i]));
    return row;
}

std::vector<std::string> TabulatedListing(const DesignState& s)
{
    // A count from a file beyond the arrays lists what they hold; a negative
    // one lists no point at all.
    const int last = std::min<int>(s.NrInts, kMaxPoints);
    std::vector<std::string> rows;
    rows.reserve(static_cast<std::size_t>(std::max(last + 1, 0)) + 2);
    rows.emplace_back(kTabulatedHeader);
    rows.emplace_back(kTabulatedSpacer);
    for (int i = 0; i <= last; ++i) rows.push_back(TabulatedRow(s, i));
    return rows;
}

double TabulatedListWidth(double screenWidthTwips)
{
    const double sw =
        std::isfinite(screenWidthTwips) && screenWidthTwips > 0 ? screenWidthTwips : kDesignScreenWidthTwips;
    return kListWidthTimesScreen / sw;
}

frmTabulated::frmTabulated(Navigator& navigator) : BarWindow(navigator, WindowKind::Tabulated)
{
    lstTabulatedOutput = new QListWidget(this);
    lstTabulatedOutput->setObjectName("lstTabulatedOutput");
    lstTabulatedOutput->setUniformItemSizes(true);
}

void frmTabulated::Load()
{
    const Layout layout = SetUpWindow(*this, GetPlatform(), WindowKind::Tabulated);
    PlaceButtonBar(layout);
    cmdDesign->setEnabled(true);
    cmdDesign->setVisible(true);

    Place(*lstTabulatedOutput, layout, kListLeft, kListTop, TabulatedListWidth(layout.Sw()), kListHeight);
    QFont font(kListFace);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(kListPoints);
    font.setBold(false);
    lstTabulatedOutput->setFont(font);

    FillListing();
}

void frmTabulated::FillListing()
{
    QStringList rows;
    for (const std::string& row : TabulatedListing(Record())) rows << QString::fromStdString(row);
    lstTabulatedOutput->clear();
    lstTabulatedOutput->addItems(rows);
}

}  // namespace stelvane
