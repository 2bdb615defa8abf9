// The KiCad schematic read back with a small S-expression reader: its pins
// joined through wires and labels as KiCad joins them, against the nodes of
// the ngspice netlist, and its designators and values against the parts list.

#include "files/kicadschematic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "files/partslist.h"
#include "spice/netlist.h"
#include "tests/engine/engine_test_support.h"
#include "tests/files/filetestsupport.h"
#include "tests/support/recordingnotifier.h"

namespace stelvane::testing {
namespace {

struct Sexp {
    std::string atom;  // a list's is empty
    std::vector<Sexp> items;
    std::vector<const Sexp*> All(const std::string& head) const
    {
        std::vector<const Sexp*> found;
        for (const Sexp& i : items)
            if (!i.items.empty() && i.items[0].atom == head) found.push_back(&i);
        return found;
    }
    const Sexp& One(const std::string& head) const { return *All(head).at(0); }
    const std::string& operator[](std::size_t i) const { return items.at(i).atom; }
    double Mm(std::size_t i) const { return std::stod((*this)[i]); }
};

// Parentheses, quoted atoms with \ escapes, bare atoms.
Sexp Read(const std::string& text)
{
    static const std::regex token(R"re(\(|\)|"((?:\\.|[^"\\])*)"|[^\s()"]+)re");
    std::vector<Sexp> open{{}};
    for (std::sregex_iterator t(text.begin(), text.end(), token), end; t != end; ++t) {
        if (t->str() == "(") {
            open.emplace_back();
        } else if (t->str() == ")" && open.size() > 1) {
            Sexp done = std::move(open.back());
            open.pop_back();
            open.back().items.push_back(std::move(done));
        } else {
            const std::string atom =
                (*t)[1].matched ? std::regex_replace(t->str(1), std::regex(R"(\\(.))"), "$1") : t->str();
            open.back().items.push_back({atom, {}});
        }
    }
    EXPECT_EQ(open.size(), 1u) << "unbalanced";
    return open[0].items.at(0);
}

using Point = std::pair<long, long>;  // micrometres, y downward
Point At(const Sexp& at) { return {std::lround(at.Mm(1) * 1000), std::lround(at.Mm(2) * 1000)}; }

struct Sheet {
    Sexp root;
    std::map<std::string, Point> pins;  // "R101.1": where its pin lies
    std::map<std::string, std::string> values;
    std::map<Point, Point> parent;  // points joined into nets
    std::vector<std::string> faults;
    Point Net(Point p)
    {
        auto [it, added] = parent.emplace(p, p);
        return it->second == p ? p : it->second = Net(it->second);
    }
    Point Label(const std::string& name)
    {
        for (const char* kind : {"label", "global_label"})
            for (const Sexp* l : root.All(kind))
                if ((*l)[1] == name) return Net(At(l->One("at")));
        return {-1, -1};
    }
};

Sheet Parse(const std::string& text)
{
    Sheet sheet;
    sheet.root = Read(text);
    const Sexp& root = sheet.root;
    std::map<std::string, std::vector<const Sexp*>> libPins;
    for (const Sexp* lib : root.One("lib_symbols").All("symbol"))
        for (const Sexp* unit : lib->All("symbol"))
            for (const Sexp* pin : unit->All("pin")) libPins[(*lib)[1]].push_back(pin);
    std::set<Point> ends;  // what a wire may end on
    for (const Sexp* s : root.All("symbol")) {
        const Sexp& at = s->One("at");
        const double turn = at.Mm(3) * std::numbers::pi / 180;
        std::map<std::string, std::string> field;
        for (const Sexp* p : s->All("property")) field[(*p)[1]] = (*p)[2];
        sheet.values[field["Reference"]] = field["Value"];  // a designator twice leaves one part too few
        // a library point (px, py), y upward, lies at (px, -py) from the symbol turned anticlockwise
        for (const Sexp* pin : libPins[s->One("lib_id")[1]]) {
            const double dx = pin->One("at").Mm(1), dy = -pin->One("at").Mm(2);
            const Point p{std::lround((at.Mm(1) + dx * std::cos(turn) + dy * std::sin(turn)) * 1000),
                std::lround((at.Mm(2) - dx * std::sin(turn) + dy * std::cos(turn)) * 1000)};
            sheet.pins[field["Reference"] + "." + pin->One("number")[1]] = p;
            ends.insert(p);
        }
    }
    for (const char* kind : {"label", "global_label", "junction"})
        for (const Sexp* l : root.All(kind)) {
            ends.insert(At(l->One("at")));
            if (*kind != 'j') sheet.parent[sheet.Net(At(l->One("at")))] = sheet.Label((*l)[1]);
        }
    std::map<Point, int> wireEnds;
    for (const Sexp* w : root.All("wire")) {
        const auto xy = w->One("pts").All("xy");
        const Point a = At(*xy[0]), b = At(*xy[1]);
        sheet.parent[sheet.Net(a)] = sheet.Net(b);
        ++wireEnds[a], ++wireEnds[b];
    }
    for (const auto& [p, count] : wireEnds) {
        if (p.first % 1270 || p.second % 1270) sheet.faults.push_back("a wire end off the 50-mil grid");
        if (count == 1 && !ends.count(p)) sheet.faults.push_back("a wire end on nothing");
    }
    return sheet;
}

TEST(KicadSchematic, ItsNetsAreTheNetlistsAndItsPartsThePartsLists)
{
    const struct {
        const char* order;
        PartsType parts;
        std::optional<StandardSeries> rounded;
        const char* paper;
    } cases[] = {
        {"2", PartsType::Ideal, std::nullopt, "A4"}, {"5", PartsType::Specified, std::nullopt, "A4"},
        {"6", PartsType::Ideal, StandardSeries::E24, "A3"},
        {"21", PartsType::Specified, std::nullopt, "A3"},  // three rows
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.order);
        auto s = StartUpDesign([&](DesignInputs& in) { in.lblOrderInput = c.order; });
        if (c.rounded) DesignSession(*s).RoundToStandardValues(*c.rounded, true);
        const std::string text = KicadSchematicText(*s, c.parts, c.rounded);
        Sheet sheet = Parse(text);
        EXPECT_EQ(sheet.faults, std::vector<std::string>{});
        EXPECT_TRUE(text.starts_with("(kicad_sch (version 20211123) (generator stelvane)"));
        EXPECT_EQ(sheet.root.One("paper")[1], c.paper);
        const std::regex uuid("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}");
        std::multiset<std::string> uuids{std::sregex_token_iterator(text.begin(), text.end(), uuid), {}};
        // each once, but a symbol's again in its instance path
        EXPECT_EQ(std::set<std::string>(uuids.begin(), uuids.end()).size() + sheet.values.size(), uuids.size());

        // Pin for pin, the netlist's nodes and the sheet's nets are one partition: R and C
        // pins 1 and 2 on their two nodes, the opamp's +, - and OUT (1, 2, 3) on XU's three.
        std::map<std::string, Point> netOf{{"in", sheet.Label("IN")}, {"0", sheet.Label("GND")}};
        std::map<Point, std::string> nodeOf;
        std::istringstream netlist(
            NetlistText(*s, c.parts == PartsType::Specified ? OpampModel::Specified : OpampModel::Ideal));
        int pins = 0;
        for (std::string line; std::getline(netlist, line);) {
            std::istringstream words(line);
            std::vector<std::string> w{std::istream_iterator<std::string>(words), {}};
            if (w.size() > 2 && w[0] == "VOUT") netOf[w[1]] = sheet.Label("OUT");
            if (!std::regex_match(w.empty() ? "" : w[0], std::regex("[RCX]U?[0-9]+"))) continue;
            for (std::size_t p = 1; p <= (w[0][0] == 'X' ? 3u : 2u); ++p, ++pins) {
                const std::string pin = w[0].substr(w[0][0] == 'X') + "." + std::to_string(p);
                ASSERT_TRUE(sheet.pins.count(pin)) << pin;
                const Point net = sheet.Net(sheet.pins[pin]);
                EXPECT_EQ(netOf.emplace(w[p], net).first->second, net) << pin << " on " << w[p];
                EXPECT_EQ(nodeOf.emplace(net, w[p]).first->second, w[p]) << pin << " on " << w[p];
            }
        }
        EXPECT_EQ(pins, 13 * StageCount(*s));
        for (int k = 1; k <= StageCount(*s); ++k) {
            const std::string u = "U" + std::to_string(k);
            EXPECT_EQ(sheet.Net(sheet.pins[u + ".4"]), sheet.Label("+V")) << u;
            EXPECT_EQ(sheet.Net(sheet.pins[u + ".5"]), sheet.Label("-V")) << u;
        }
        EXPECT_NE(sheet.Label("+V"), sheet.Label("-V"));

        // the parts list's designators and values (the opamps' too), and the three sources for the simulation
        std::istringstream list(PartsListText(*s, c.parts, c.rounded));
        std::string row;
        std::getline(list, row);
        std::size_t parts = 0;
        for (; std::getline(list, row) && row.find(',') != std::string::npos; ++parts) {
            const std::regex cells("[0-9]+,([^,]+),([^,]+),.*\r?");
            std::smatch m;
            ASSERT_TRUE(std::regex_match(row, m, cells)) << row;
            EXPECT_EQ(sheet.values[m[1]], m[2]) << m[1];
        }
        EXPECT_EQ(parts + 3, sheet.values.size());
    }
}

// Nothing is written for a design that cannot be built, nor where no file can be.
TEST(KicadSchematic, ADesignThatCannotBeBuiltOrAFolderWritesNothing)
{
    const struct {
        int stage;         // given a capacitor of 0; 0 for none, -1 for no stages
        const char* file;  // a file made "kept" first, or none: the folder itself
        const char* said;
    } cases[] = {{-1, "f.sch", "no stages"}, {2, "f.sch", "Stage 2"}, {0, "", kKicadNotWrittenMessage}};  // a folder
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.said) + " " + c.file);
        auto s = StartUpDesign();
        if (c.stage < 0) s->Order = 0;
        if (c.stage > 0) s->C[c.stage][1] = 0;
        ScratchFolder folder;
        const std::string file = folder / c.file;
        if (*c.file) WriteBytes(file, "kept");
        RecordingNotifier notifier;
        EXPECT_FALSE(WriteKicadSchematic(*s, PartsType::Ideal, std::nullopt, file, notifier));
        if (*c.file) {
            EXPECT_EQ(ReadBytes(file), "kept");
        }
        ASSERT_EQ(notifier.messages.size(), 1u);
        EXPECT_NE(notifier.messages[0].text.find(c.said), std::string::npos) << notifier.messages[0].text;
    }
}

}  // namespace
}  // namespace stelvane::testing
