// The KiCad schematic read back with a small S-expression reader: its pins
// joined through wires and labels as KiCad joins them, against the nodes of
// the ngspice netlist, and its designators and values against the parts list.

#include "files/kicadschematic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include <sstream>

#include "files/partslist.h"
#include "spice/netlist.h"
#include "tests/engine/engine_test_support.h"
#include "tests/files/filetestsupport.h"
#include "tests/support/recordingnotifier.h"
#include "tools/clirun.h"

namespace stelvane::testing {
namespace {

struct Sexp {
    std::string atom;  // a list's is empty
    std::vector<Sexp> items;
    const std::string& Head() const { return items.empty() ? atom : items[0].atom; }
    std::vector<const Sexp*> All(const std::string& head) const
    {
        std::vector<const Sexp*> found;
        for (const Sexp& i : items)
            if (!i.items.empty() && i.Head() == head) found.push_back(&i);
        return found;
    }
    const Sexp& One(const std::string& head) const
    {
        static const Sexp none;
        const auto found = All(head);
        return found.empty() ? none : *found[0];
    }
    const std::string& At(std::size_t i) const
    {
        static const std::string none;
        return i < items.size() ? items[i].atom : none;
    }
};

// Lists in parentheses, atoms bare or in double quotes with \ escapes; false for unbalanced text.
bool Read(const std::string& text, std::size_t& at, Sexp& out)
{
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    if (at >= text.size() || text[at] == ')') return false;
    if (text[at] == '(') {
        ++at;
        for (;;) {
            while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
            if (at >= text.size()) return false;
            if (text[at] == ')') return ++at, true;
            out.items.emplace_back();
            if (!Read(text, at, out.items.back())) return false;
        }
    }
    if (text[at] == '"') {
        for (++at; at < text.size() && text[at] != '"'; ++at) {
            if (text[at] == '\\' && ++at < text.size())
                out.atom += text[at] == 'n' ? '\n' : text[at];
            else
                out.atom += text[at];
        }
        return at++ < text.size();
    }
    while (
        at < text.size() && !std::isspace(static_cast<unsigned char>(text[at])) && text[at] != '(' && text[at] != ')')
        out.atom += text[at++];
    return true;
}

using Point = std::pair<long, long>;  // micrometres, y downward
long Um(const std::string& mm) { return std::lround(std::stod(mm) * 1000); }

// Points joined into nets.
struct Nets {
    std::map<Point, Point> parent;
    Point Find(Point p)
    {
        auto [it, added] = parent.emplace(p, p);
        if (it->second == p) return p;
        return it->second = Find(it->second);
    }
    void Join(Point a, Point b) { parent[Find(a)] = Find(b); }
};

struct Sheet {
    std::string version, paper;
    std::map<std::string, Point> pins;  // "R101.1" -> where its pin is
    std::map<std::string, std::string> values;
    std::set<std::string> uuids;
    int uuidCount = 0;
    Nets nets;
    std::map<std::string, Point> labels;  // a label's name -> a point of its net
    std::vector<std::string> faults;
};

Sheet Parse(const std::string& text)
{
    Sheet sheet;
    Sexp root;
    std::size_t at = 0;
    if (!Read(text, at, root) || root.Head() != "kicad_sch") return sheet.faults.push_back("no kicad_sch"), sheet;
    sheet.version = root.One("version").At(1);
    sheet.paper = root.One("paper").At(1);
    // each library symbol's pins: number -> (x, y) with y upward
    std::map<std::string, std::map<std::string, std::pair<double, double>>> libPins;
    for (const Sexp* lib : root.One("lib_symbols").All("symbol"))
        for (const Sexp* unit : lib->All("symbol"))
            for (const Sexp* pin : unit->All("pin"))
                libPins[lib->At(1)][pin->One("number").At(1)] = {
                    std::stod(pin->One("at").At(1)), std::stod(pin->One("at").At(2))};
    std::set<Point> ends;  // pins, labels and junctions a wire may end on
    for (const Sexp* s : root.All("symbol")) {
        const Sexp& place = s->One("at");
        const double x = std::stod(place.At(1)), y = std::stod(place.At(2));
        const double turn = std::stod(place.At(3)) * std::numbers::pi / 180;
        std::map<std::string, std::string> field;
        for (const Sexp* p : s->All("property")) field[p->At(1)] = p->At(2);
        const std::string reference = field["Reference"];
        sheet.values[reference] = field["Value"];
        sheet.uuids.insert(s->One("uuid").At(1)), ++sheet.uuidCount;
        if (sheet.pins.count(reference + ".1")) sheet.faults.push_back("two parts " + reference);
        // a library point (px, py) lies at (px, -py) from the symbol, turned counter-clockwise on the sheet
        for (const auto& [number, p] : libPins[s->One("lib_id").At(1)]) {
            const double dx = p.first, dy = -p.second;
            const Point where{std::lround((x + dx * std::cos(turn) + dy * std::sin(turn)) * 1000),
                std::lround((y - dx * std::sin(turn) + dy * std::cos(turn)) * 1000)};
            sheet.pins[reference + "." + number] = where;
            ends.insert(where);
        }
    }
    for (const char* kind : {"label", "global_label"})
        for (const Sexp* l : root.All(kind)) {
            const Point p{Um(l->One("at").At(1)), Um(l->One("at").At(2))};
            ends.insert(p);
            if (sheet.labels.count(l->At(1))) sheet.nets.Join(p, sheet.labels[l->At(1)]);
            sheet.labels[l->At(1)] = p;
        }
    for (const Sexp* j : root.All("junction")) ends.insert({Um(j->One("at").At(1)), Um(j->One("at").At(2))});
    std::map<Point, int> wireEnds;
    for (const Sexp* w : root.All("wire")) {
        const auto xy = w->One("pts").All("xy");
        const Point a{Um(xy[0]->At(1)), Um(xy[0]->At(2))}, b{Um(xy[1]->At(1)), Um(xy[1]->At(2))};
        if (a.first != b.first && a.second != b.second) sheet.faults.push_back("a slanted wire");
        sheet.nets.Join(a, b);
        ++wireEnds[a], ++wireEnds[b];
        sheet.uuids.insert(w->One("uuid").At(1)), ++sheet.uuidCount;
    }
    for (const auto& [p, count] : wireEnds) {
        if (p.first % 1270 || p.second % 1270) sheet.faults.push_back("a wire end off the 50-mil grid");
        if (count == 1 && !ends.count(p)) sheet.faults.push_back("a wire end on nothing");
    }
    return sheet;
}

// The netlist's pins: "R101.1" -> node, the opamp's as +, - and OUT are
// numbered 1, 2, 3; the 0-volt VOUT makes its two nodes one.
std::map<std::string, std::string> NetlistPins(const std::string& netlist, std::string& lastStage)
{
    std::map<std::string, std::string> pins;
    std::istringstream in(netlist);
    for (std::string line; std::getline(in, line);) {
        std::istringstream w(line);
        std::string name, a, b, c;
        w >> name >> a >> b >> c;
        if (name == "VOUT") lastStage = a;
        if (name.size() < 2 || !std::isdigit(static_cast<unsigned char>(name.back()))) continue;
        if (name[0] == 'R' || name[0] == 'C') pins[name + ".1"] = a, pins[name + ".2"] = b;
        if (name[0] == 'X')
            pins[name.substr(1) + ".1"] = a, pins[name.substr(1) + ".2"] = b, pins[name.substr(1) + ".3"] = c;
    }
    return pins;
}

TEST(KicadSchematic, ItsNetsAreTheNetlistsAndItsPartsThePartsLists)
{
    const struct {
        const char* name;
        const char* order;
        PartsType parts;
        std::optional<StandardSeries> rounded;
        const char* paper;
    } cases[] = {
        {"two stages, ideal opamp", "2", PartsType::Ideal, std::nullopt, "A4"},
        {"five stages, specified opamp", "5", PartsType::Specified, std::nullopt, "A4"},
        {"six stages on E24", "6", PartsType::Ideal, StandardSeries::E24, "A3"},
        {"21 stages in three rows", "21", PartsType::Specified, std::nullopt, "A3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = StartUpDesign([&](DesignInputs& in) { in.lblOrderInput = c.order; });
        if (c.rounded) DesignSession(*s).RoundToStandardValues(*c.rounded, c.parts == PartsType::Specified);
        const std::string text = KicadSchematicText(*s, c.parts, c.rounded);
        Sheet sheet = Parse(text);
        EXPECT_EQ(sheet.faults, std::vector<std::string>{});
        EXPECT_EQ(sheet.version, "20211123");
        EXPECT_TRUE(text.starts_with("(kicad_sch (version 20211123) (generator stelvane)"));
        EXPECT_EQ(sheet.paper, c.paper);
        EXPECT_EQ(sheet.uuids.size(), std::size_t(sheet.uuidCount));
        // every point on the paper
        const Point size = sheet.paper == "A4" ? Point{297000, 210000} : Point{420000, 297000};
        for (const auto& [pin, p] : sheet.pins)
            EXPECT_TRUE(p.first > 0 && p.second > 0 && p.first < size.first && p.second < size.second) << pin;

        // pin for pin, the netlist's nodes and the sheet's nets are the same partition
        std::string lastStage;
        const auto netlist = NetlistPins(
            NetlistText(*s, c.parts == PartsType::Specified ? OpampModel::Specified : OpampModel::Ideal), lastStage);
        ASSERT_EQ(netlist.size(), std::size_t(13 * StageCount(*s)));
        std::map<std::string, Point> netOfNode;
        std::map<Point, std::string> nodeOfNet;
        netOfNode["in"] = sheet.nets.Find(sheet.labels["IN"]), netOfNode["0"] = sheet.nets.Find(sheet.labels["GND"]);
        netOfNode[lastStage] = sheet.nets.Find(sheet.labels["OUT"]);
        for (auto& [node, net] : netOfNode) nodeOfNet[net] = node;
        for (const auto& [pin, node] : netlist) {
            ASSERT_TRUE(sheet.pins.count(pin)) << pin;
            const Point net = sheet.nets.Find(sheet.pins[pin]);
            EXPECT_EQ(netOfNode.emplace(node, net).first->second, net) << pin << " on " << node;
            EXPECT_EQ(nodeOfNet.emplace(net, node).first->second, node) << pin << " on " << node;
        }
        for (int k = 1; k <= StageCount(*s); ++k) {
            const std::string u = "U" + std::to_string(k);
            EXPECT_EQ(sheet.nets.Find(sheet.pins[u + ".4"]), sheet.nets.Find(sheet.labels["+V"])) << u;
            EXPECT_EQ(sheet.nets.Find(sheet.pins[u + ".5"]), sheet.nets.Find(sheet.labels["-V"])) << u;
        }
        EXPECT_NE(sheet.nets.Find(sheet.labels["+V"]), sheet.nets.Find(sheet.labels["-V"]));

        // the parts list's designators and values, each once
        std::istringstream list(PartsListText(*s, c.parts, c.rounded));
        std::string row;
        std::getline(list, row);
        std::size_t parts = 0;
        while (std::getline(list, row)) {
            std::istringstream cells(row);
            std::string stage, reference, value;
            std::getline(cells, stage, ','), std::getline(cells, reference, ','), std::getline(cells, value, ',');
            EXPECT_EQ(sheet.values[reference], value) << reference;
            ++parts;
        }
        EXPECT_EQ(parts, std::size_t(5 * StageCount(*s)));
    }
}

// Nothing is written for a design that cannot be built, nor where no file can be.
TEST(KicadSchematic, ADesignThatCannotBeBuiltOrAFolderWritesNothing)
{
    const struct {
        const char* name;
        std::function<void(DesignState&)> spoil;
        const char* file;
        const char* said;
    } cases[] = {
        {"no stages", [](DesignState& s) { s.Order = 0; }, "f.kicad_sch", "no stages"},
        {"a capacitor of 0", [](DesignState& s) { s.C[2][1] = 0; }, "f.kicad_sch", "Stage 2"},
        {"a folder", [](DesignState&) {}, "", kKicadNotWrittenMessage},
        {"a full device", [](DesignState&) {}, "/dev/full", kKicadNotWrittenMessage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = StartUpDesign();
        c.spoil(*s);
        ScratchFolder folder;
        const bool kept = *c.file && *c.file != '/';
        const std::string file = *c.file == '/' ? c.file : folder / c.file;
        if (kept) WriteBytes(file, "kept");
        RecordingNotifier notifier;
        EXPECT_FALSE(WriteKicadSchematic(*s, PartsType::Ideal, std::nullopt, file, notifier));
        if (kept) {
            EXPECT_EQ(ReadBytes(file), "kept");
        }
        ASSERT_EQ(notifier.messages.size(), 1u);
        EXPECT_NE(notifier.messages[0].text.find(c.said), std::string::npos) << notifier.messages[0].text;
    }
}

// --kicad adds the extension to a name without one, and writes the file.
TEST(KicadSchematic, TheCommandLineWritesItWithItsExtension)
{
    ScratchFolder folder;
    std::ostringstream out, err;
    EXPECT_EQ(RunCli({"--order", "3", "--kicad", folder / "board"}, out, err), 0) << err.str();
    EXPECT_EQ(Parse(ReadBytes(folder / "board.kicad_sch")).pins.size(), std::size_t(3 * 15 + 6));
}

}  // namespace
}  // namespace stelvane::testing
