#include "windows/frmrequirement.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include <cmath>
#include <string>

#include "engine/numbertext.h"
#include "windows/frmdesign.h"
#include "windows/layout.h"

namespace stelvane {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.trimmed().toStdString(); }

// The six figures of a mask: the name a message calls a field by, its caption, its member.
struct MaskField {
    const char* name;
    const char* caption;
    double FilterMask::*member;
};
constexpr std::array<MaskField, 6> kMaskFields{{
    {"Fp1", "Passband from, Hz (Fp1): ", &FilterMask::Fp1},
    {"Fp2", "Passband to, Hz (Fp2): ", &FilterMask::Fp2},
    {"Ap", "Most passband loss, dB (Ap): ", &FilterMask::Ap},
    {"Fs1", "Stopband below, Hz (Fs1): ", &FilterMask::Fs1},
    {"Fs2", "Stopband above, Hz (Fs2): ", &FilterMask::Fs2},
    {"As", "Least stopband loss, dB (As): ", &FilterMask::As},
}};

enum Column { Family, Order, Stages, MaxQ, Centre, Width, Ripple, Fp1, Fp2, Fs1, Fs2, Spread, Meets, Buildable };
constexpr const char* kColumnHeads[] = {"Family", "Order", "Stages", "Highest Q", "Centre, Hz", "Width, Hz",
    "Ripple, dB", "fp1, dB", "fp2, dB", "fs1, dB", "fs2, dB", "Delay spread, %", "Meets", "Buildable"};

// A figure with fixed decimals; one that rounds to nought shows no sign.
QString Fixed(double value, int decimals)
{
    const QString text = QString::number(value, 'f', decimals);
    return text.startsWith('-') && text.toDouble() == 0 ? text.mid(1) : text;
}

}  // namespace

frmRequirement::frmRequirement(Navigator& navigator) : FormWindow(navigator, WindowKind::Requirement)
{
    auto caption = [this](const char* name, const char* text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        MakeTransparent(*l);
        return l;
    };
    auto box = [this](const char* name) {
        auto* t = new QLineEdit(this);
        t->setObjectName(name);
        return t;
    };
    auto button = [this](const char* name, const char* text, auto reaction) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setFocusPolicy(Qt::NoFocus);
        SetBackgroundColour(*b, kBarButtonColour);
        connect(b, &QPushButton::clicked, this, reaction);
        return b;
    };
    auto words = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        l->setWordWrap(true);
        MakeTransparent(*l);
        return l;
    };
    lblFp1 = caption("lblFp1", kMaskFields[0].caption);
    txtFp1 = box("txtFp1");
    lblFp2 = caption("lblFp2", kMaskFields[1].caption);
    txtFp2 = box("txtFp2");
    lblAp = caption("lblAp", kMaskFields[2].caption);
    txtAp = box("txtAp");
    lblFs1 = caption("lblFs1", kMaskFields[3].caption);
    txtFs1 = box("txtFs1");
    lblFs2 = caption("lblFs2", kMaskFields[4].caption);
    txtFs2 = box("txtFs2");
    lblAs = caption("lblAs", kMaskFields[5].caption);
    txtAs = box("txtAs");
    lblDelaySpread = caption("lblDelaySpread", "Most delay spread, % (blank: any): ");
    txtDelaySpread = box("txtDelaySpread");

    cmdSetMask = button("cmdSetMask", "Set mask, find orders", [this] { SetMask(); });
    cmdClearMask = button("cmdClearMask", "Clear mask", [this] { ClearMask(); });
    cmdTake = button("cmdTake", "Take into design", [this] { TakeCandidate(); });
    cmdReturn = button("cmdReturn", "Return", [this] { Nav().Close(WindowKind::Requirement); });
    SetBackgroundColour(*cmdReturn, kOwnButtonColour);
    lblVerdict = words("lblVerdict");
    lblWidthNote = words("lblWidthNote");
    lblWidthNote->setText(
        "Margins in dB at each edge, above 0 to spare. Width: the -3 dB width for Butterworth, the ripple "
        "width for Chebyshev (ripple a hair under Ap), the one-rad/s width for Bessel.");

    tblCandidates = new QTableWidget(0, std::size(kColumnHeads), this);
    tblCandidates->setObjectName("tblCandidates");
    for (int c = 0; c < int(std::size(kColumnHeads)); ++c)
        tblCandidates->setHorizontalHeaderItem(c, new QTableWidgetItem(kColumnHeads[c]));
    tblCandidates->verticalHeader()->hide();
    tblCandidates->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblCandidates->setSelectionMode(QAbstractItemView::SingleSelection);
    tblCandidates->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(tblCandidates, &QTableWidget::itemSelectionChanged, this,
        [this] { cmdTake->setEnabled(!tblCandidates->selectionModel()->selectedRows().isEmpty()); });
    cmdTake->setEnabled(false);
}

void frmRequirement::Load()
{
    const Layout layout = SetUpWindow(*this, GetPlatform(), WindowKind::Requirement);
    // The figures in one column, the buttons beside them, the words right of
    // those, and the table across the window below.
    const std::array<std::pair<QLabel*, QLineEdit*>, 7> rows{{{lblFp1, txtFp1}, {lblFp2, txtFp2}, {lblAp, txtAp},
        {lblFs1, txtFs1}, {lblFs2, txtFs2}, {lblAs, txtAs}, {lblDelaySpread, txtDelaySpread}}};
    double top = 500;
    for (auto [l, box] : rows) {
        Place(*l, layout, 200, top, 2800, 300);
        Place(*box, layout, 3100, top, 900, 300);
        top += 400;
    }
    double buttonTop = 500;
    for (QPushButton* b : {cmdSetMask, cmdClearMask, cmdTake, cmdReturn}) {
        Place(*b, layout, 4300, buttonTop, 1800, 300);
        buttonTop += 400;
    }
    Place(*lblVerdict, layout, 6400, 500, 5300, 1100);
    Place(*lblWidthNote, layout, 6400, 1700, 5300, 900);
    Place(*tblCandidates, layout, 200, 3500, 11500, 2400);
    canvas().Clear(BackgroundColour(WindowKind::Requirement));
    Refresh();
}

std::optional<FilterMask> frmRequirement::ShownMask()
{
    const std::array<QLineEdit*, 6> boxes{txtFp1, txtFp2, txtAp, txtFs1, txtFs2, txtAs};
    // Refused whole: the message names the field, which takes the keys to be put right.
    auto refuse = [this](QLineEdit* box, const std::string& why) {
        GetPlatform().ShowMessage(why);
        box->setFocus();
        box->selectAll();
        return std::nullopt;
    };
    FilterMask m;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const std::optional<double> v = ParseStrictNumber(S(boxes[i]->text()));
        if (!v || !(*v > 0) || !std::isfinite(*v))
            return refuse(boxes[i],
                std::string(kMaskFields[i].name) + " takes a figure above 0, not '" + S(boxes[i]->text()) + "'");
        m.*kMaskFields[i].member = *v;
    }
    if (!(m.Fs1 < m.Fp1)) return refuse(txtFs1, "Fs1 must lie below Fp1: the frequencies rise Fs1 < Fp1 < Fp2 < Fs2");
    if (!(m.Fp1 < m.Fp2)) return refuse(txtFp2, "Fp2 must lie above Fp1: the frequencies rise Fs1 < Fp1 < Fp2 < Fs2");
    if (!(m.Fp2 < m.Fs2)) return refuse(txtFs2, "Fs2 must lie above Fp2: the frequencies rise Fs1 < Fp1 < Fp2 < Fs2");
    if (!(m.As > m.Ap))
        return refuse(txtAs, "As must be above Ap: the stopbands are held further down than the passband may lose");
    // A blank spread asks nothing of the delay.
    if (const std::string spread = S(txtDelaySpread->text()); !spread.empty()) {
        const std::optional<double> v = ParseStrictNumber(spread);
        if (!v || !(*v > 0) || !std::isfinite(*v))
            return refuse(txtDelaySpread, "Delay spread takes a percentage above 0, or nothing, not '" + spread + "'");
        m.DelaySpread = *v;
    }
    return m;
}

void frmRequirement::SetMask()
{
    const std::optional<FilterMask> mask = ShownMask();
    if (!mask) return;
    Session().SetMask(*mask);
    // The fields show the figures as the record holds them, also when they
    // were already its mask (then nothing changed and no one was told).
    shownMask_.reset();
    Refresh();
}

void frmRequirement::ClearMask()
{
    Session().SetMask(FilterMask{});
    shownMask_.reset();
    Refresh();
}

void frmRequirement::TakeCandidate()
{
    const QModelIndexList picked = tblCandidates->selectionModel()->selectedRows();
    if (picked.isEmpty() || picked.front().row() >= int(candidates_.size())) return;
    const MaskCandidate c = candidates_[std::size_t(picked.front().row())];
    // The design window comes to the front (created from the record if it
    // was closed), takes the candidate into its fields as a user would type
    // it, the family first (its reaction sets the ripple field), and designs
    // it with its own Enter step: one undo step, its messages its own.
    auto* design = qobject_cast<frmDesign*>(Nav().Open(WindowKind::Design));
    if (!design) return;
    switch (c.family) {
    case FilterFamily::Butterworth: design->optButterworth->setChecked(true); break;
    case FilterFamily::Chebyshev: design->optChebyshev->setChecked(true); break;
    case FilterFamily::Bessel: design->optBessel->setChecked(true); break;
    default: return;  // the search gives only the three families
    }
    // Typed to the Single the record keeps, shown from their first digit.
    for (auto [box, value] : {std::pair{design->txtCenter, c.center}, {design->txtWidth, c.width}}) {
        box->setText(Q(GeneralNumberText(value)));
        box->setCursorPosition(0);
    }
    design->lblOrderInput->setText(QString::number(c.order));
    if (c.family == FilterFamily::Chebyshev) design->txtApass->setText(Q(GeneralNumberText(c.ripple)));
    design->EnterStep();
}

frmRequirement::SearchKey frmRequirement::KeyOf(const DesignState& s) const
{
    return {s.Mask, s.Gain, s.C[1][1], SettingsOf(s)};
}

void frmRequirement::Refresh()
{
    const DesignState& s = Record();
    // Typing not yet set stays in the fields while the mask itself is unchanged.
    if (shownMask_ != s.Mask) {
        FillFields(s.Mask);
        shownMask_ = s.Mask;
    }
    if (const SearchKey key = KeyOf(s); searched_ != key) {
        candidates_ = s.Mask.Active() ? FindCandidates(s, s.Mask) : std::vector<MaskCandidate>{};
        searched_ = key;
        FillTable();
    }
    ShowVerdict();
}

void frmRequirement::FillFields(const FilterMask& mask)
{
    const std::array<QLineEdit*, 6> boxes{txtFp1, txtFp2, txtAp, txtFs1, txtFs2, txtAs};
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->setText(mask.Active() ? Q(GeneralNumberText(mask.*kMaskFields[i].member)) : QString());
    txtDelaySpread->setText(mask.Active() && mask.DelaySpread > 0 ? Q(GeneralNumberText(mask.DelaySpread)) : "");
}

void frmRequirement::FillTable()
{
    tblCandidates->clearSelection();
    tblCandidates->setRowCount(int(candidates_.size()));
    for (int r = 0; r < int(candidates_.size()); ++r) {
        const MaskCandidate& c = candidates_[std::size_t(r)];
        const char* family = FamilyName(c.family);
        auto margin = [&](MaskEdge edge) { return Fixed(c.check.marginDb[int(edge)], 2); };
        const QString cells[] = {family ? family : "", QString::number(c.order),
            QString::number(c.order),  // every pole of the prototype is one stage
            Fixed(c.maxStageQ, 2), Q(Trimmed(FormatEng(Single(c.center)))), Q(Trimmed(FormatEng(Single(c.width)))),
            Fixed(c.ripple, 3), margin(MaskEdge::Fp1), margin(MaskEdge::Fp2), margin(MaskEdge::Fs1),
            margin(MaskEdge::Fs2), Fixed(c.check.delaySpreadPct, 1), c.meets ? "yes" : "no",
            c.buildable ? "yes" : "no"};
        for (int col = 0; col < int(std::size(cells)); ++col)
            tblCandidates->setItem(r, col, new QTableWidgetItem(cells[col]));
    }
    tblCandidates->resizeColumnsToContents();
    // The lowest order that meets is picked first.
    if (const auto chosen = ChooseCandidate(candidates_, std::nullopt)) tblCandidates->selectRow(int(*chosen));
}

void frmRequirement::ShowVerdict()
{
    const DesignState& s = Record();
    std::string text;
    if (!s.Mask.Active()) {
        text = "No mask: type the figures and press \"Set mask, find orders\".";
    } else if (candidates_.empty()) {
        text = "No candidates were found for the mask.";
    } else if (const auto chosen = ChooseCandidate(candidates_, std::nullopt)) {
        const MaskCandidate& c = candidates_[*chosen];
        text = std::string("Least order that meets the mask: ") + FamilyName(c.family) + " " + std::to_string(c.order) +
            ".";
    } else {
        text = "No order up to 21 (Bessel 10) meets the mask; the table shows the best each family reaches.";
    }
    if (s.Mask.Active()) {
        const MaskCheck check = CheckMask(s, s.Mask);
        const double worst = check.marginDb[int(check.worst)];
        if (check.meets)
            text += "\nThe design as it stands meets the mask.";
        else if (worst < -kMaskSlackDb)
            text += "\nThe design as it stands misses the mask, worst at " + std::string(MaskEdgeName(check.worst)) +
                " by " + S(Fixed(-worst, 2)) + " dB.";
        else
            text += "\nThe design as it stands misses the delay spread: " + S(Fixed(check.delaySpreadPct, 1)) + " %.";
    }
    lblVerdict->setText(Q(text));
}

}  // namespace stelvane
