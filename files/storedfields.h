#pragma once

#include <type_traits>
#include <utility>

#include "engine/designstate.h"

namespace stelvane {

// The fields a design file holds, in the file's order: first the header
// fields, then blocks of per-stage values (poles, capacitors, resistors),
// each block running over stages 1..Order. Every reader, writer and record
// comparison goes through this one list.
// A code (Family, Sweep) is a number in the file: code reads it from a
// record and setCode puts one back.
struct StoredField {
    const char* name;
    Single StoredDesign::*real = nullptr;  // exactly one of the three is set
    Integer StoredDesign::*whole = nullptr;
    Integer (*code)(const StoredDesign& s) = nullptr;
    void (*setCode)(StoredDesign& s, Integer number) = nullptr;
};

template <auto Field>
constexpr StoredField CodeField(const char* name)
{
    using Code = std::remove_reference_t<decltype(std::declval<StoredDesign&>().*Field)>;
    return {name, nullptr, nullptr, [](const StoredDesign& s) { return NumberOf(s.*Field); },
        [](StoredDesign& s, Integer number) { s.*Field = CodeOf<Code>(number); }};
}

inline constexpr StoredField kStoredHeader[] = {
    {"Center", &StoredDesign::Center},
    {"Width", &StoredDesign::Width},
    {"Gain", &StoredDesign::Gain},
    {"Order", nullptr, &StoredDesign::Order},
    CodeField<&StoredDesign::Family>("Family"),
    {"Apass", &StoredDesign::Apass},
    {"Fstart", &StoredDesign::Fstart},
    {"Fstop", &StoredDesign::Fstop},
    {"NrInts", nullptr, &StoredDesign::NrInts},
    CodeField<&StoredDesign::Sweep>("Sweep"),
    {"dBTop", &StoredDesign::dBTop},
    {"dBBottom", &StoredDesign::dBBottom},
    {"DelayTop", &StoredDesign::DelayTop},
    {"NrY", nullptr, &StoredDesign::NrY},
    {"NrX", nullptr, &StoredDesign::NrX},
};

struct StoredStageValue {
    const char* name;
    int block;  // values of one block are written stage by stage
    Single& (*at)(StoredDesign& s, int stage);
};

inline constexpr StoredStageValue kStoredStageValues[] = {
    {"PoleRe", 0, [](StoredDesign& s, int i) -> Single& { return s.PoleRe[i]; }},
    {"PoleIm", 0, [](StoredDesign& s, int i) -> Single& { return s.PoleIm[i]; }},
    {"C1", 1, [](StoredDesign& s, int i) -> Single& { return s.C[i][1]; }},
    {"C2", 1, [](StoredDesign& s, int i) -> Single& { return s.C[i][2]; }},
    {"R1", 2, [](StoredDesign& s, int i) -> Single& { return s.R[i][1]; }},
    {"R2", 2, [](StoredDesign& s, int i) -> Single& { return s.R[i][2]; }},
    {"R3", 2, [](StoredDesign& s, int i) -> Single& { return s.R[i][3]; }},
};
inline constexpr int kStoredStageBlocks = 3;

namespace stored_detail {

// Calls visit and says whether to go on: a visitor returning bool stops the walk with false.
template <class Visit, class... Values>
bool Call(Visit& visit, const char* name, Values&... values)
{
    if constexpr (std::is_same_v<decltype(visit(name, values...)), bool>)
        return visit(name, values...);
    else {
        visit(name, values...);
        return true;
    }
}

template <class Record>
auto& StageValue(const StoredStageValue& f, Record& record, int stage)
{
    Single& value = f.at(const_cast<StoredDesign&>(static_cast<const StoredDesign&>(record)), stage);
    if constexpr (std::is_const_v<Record>)
        return std::as_const(value);
    else
        return value;
}

// A code as the number the file holds, put back into its record (when that
// may change) once the visit is over.
template <class Record>
class CodeNumber {
public:
    CodeNumber(const StoredField& f, Record& record) : f_(f), record_(record), number_(f.code(record)) {}
    ~CodeNumber()
    {
        if constexpr (!std::is_const_v<Record>) f_.setCode(record_, number_);
    }
    CodeNumber(const CodeNumber&) = delete;
    CodeNumber& operator=(const CodeNumber&) = delete;
    auto& Number()
    {
        if constexpr (std::is_const_v<Record>)
            return std::as_const(number_);
        else
            return number_;
    }

private:
    const StoredField& f_;
    Record& record_;
    Integer number_;
};

}  // namespace stored_detail

// Calls visit(name, first.field, others.field...) for every header field in
// file order. A visitor that returns bool stops the walk by returning false;
// the result says whether the walk went to the end.
template <class Visit, class First, class... Others>
bool VisitStoredHeader(Visit&& visit, First& first, Others&... others)
{
    for (const StoredField& f : kStoredHeader) {
        const bool goOn = f.real ? stored_detail::Call(visit, f.name, first.*f.real, others.*f.real...)
            : f.whole            ? stored_detail::Call(visit, f.name, first.*f.whole, others.*f.whole...)
                      : stored_detail::Call(visit, f.name, stored_detail::CodeNumber<First>(f, first).Number(),
                            stored_detail::CodeNumber<Others>(f, others).Number()...);
        if (!goOn) return false;
    }
    return true;
}

// The same for the per-stage values of stages 1..first.Order (which must lie
// within the arrays), in file order.
template <class Visit, class First, class... Others>
bool VisitStoredStages(Visit&& visit, First& first, Others&... others)
{
    const int stages = first.Order;
    for (int block = 0; block < kStoredStageBlocks; ++block)
        for (int i = 1; i <= stages; ++i)
            for (const StoredStageValue& f : kStoredStageValues)
                if (f.block == block &&
                    !stored_detail::Call(visit, f.name, stored_detail::StageValue(f, first, i),
                        stored_detail::StageValue(f, others, i)...))
                    return false;
    return true;
}

// Every stored value: the header, then the stages.
template <class Visit, class First, class... Others>
bool VisitStoredFields(Visit&& visit, First& first, Others&... others)
{
    return VisitStoredHeader(visit, first, others...) && first.Order >= 0 && first.Order <= kMaxStages &&
        VisitStoredStages(visit, first, others...);
}

}  // namespace stelvane
