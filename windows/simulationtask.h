#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include <QObject>

#include "engine/designstate.h"
#include "spice/verify.h"

namespace stelvane {

// What a simulation of the design depends on: its parts and its opamp. A
// result is shown only while the record still holds the circuit it was
// run on.
struct SimulatedCircuit {
    Integer order = 0;
    PartsType parts = PartsType::Ideal;
    ResArray r{}, rs{};
    CapArray c{};
    Single gbw = 0, dcGain = 0, zin = 0;
    friend bool operator==(const SimulatedCircuit&, const SimulatedCircuit&) = default;
};
SimulatedCircuit CircuitOf(const DesignState& s, PartsType parts);
// What the verdict on a circuit with a part below 0 adds: ngspice simulates
// such parts as readily as any, but nobody can build them.
inline constexpr const char* kNegativePartsNote = "; but ngspice was given negative parts, which cannot be built";
// Whether a resistor (R or Rs, as simulated) or capacitor of the circuit is below 0.
bool HasNegativePart(const SimulatedCircuit& circuit);

// The check of a design against ngspice, run off the GUI thread on a copy
// of the record: the window stays usable, and Stop (or the window going
// away) kills ngspice at once.
class SimulationTask : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const Verification&)>;
    explicit SimulationTask(QObject* parent = nullptr);
    // Stops a run under way and waits for its thread.
    ~SimulationTask() override;

    // Starts the check of the design as it stands; done is called on the GUI
    // thread with the result unless the run is stopped first. A run under way
    // is stopped and its result dropped.
    void Start(const DesignState& s, OpampModel model, Done done);
    // Stops the run under way; its result is dropped.
    void Stop();
    bool Running() const { return running_ != nullptr; }
    // The circuit the run under way (or the last one) was started on.
    const SimulatedCircuit& Circuit() const { return circuit_; }

private:
    struct Run;
    std::shared_ptr<Run> running_;            // the run whose result is awaited
    std::vector<std::shared_ptr<Run>> runs_;  // every run whose thread has not finished
    SimulatedCircuit circuit_;
};

}  // namespace stelvane
