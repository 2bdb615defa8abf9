#include "windows/simulationtask.h"

#include <algorithm>

#include <QThread>

namespace stelvane {

SimulatedCircuit CircuitOf(const DesignState& s, PartsType parts)
{
    return {s.Order, parts, s.R, s.Rs, s.C, s.GBW, s.DCGain, s.Zin};
}

bool HasNegativePart(const SimulatedCircuit& circuit)
{
    const ResArray& r = circuit.parts == PartsType::Specified ? circuit.rs : circuit.r;
    for (int k = 1; k <= std::clamp<int>(circuit.order, 0, kMaxStages); ++k)
        for (double v : {r[k][1], r[k][2], r[k][3], circuit.c[k][1], circuit.c[k][2]})
            if (v < 0) return true;
    return false;
}

// One run: its thread, its stop flag and its result, shared by the thread
// and the window until both are done with it.
struct SimulationTask::Run {
    std::atomic<bool> stop{false};
    Verification result;
    QThread* thread = nullptr;
};

SimulationTask::SimulationTask(QObject* parent) : QObject(parent) {}

SimulationTask::~SimulationTask()
{
    // ngspice is killed at once; the threads (children of this) end with it
    for (const auto& run : runs_) run->stop = true;
    for (const auto& run : runs_) run->thread->wait();
}

void SimulationTask::Start(const DesignState& s, OpampModel model, Done done)
{
    Stop();
    auto run = std::make_shared<Run>();
    circuit_ = CircuitOf(s, model == OpampModel::Specified ? PartsType::Specified : PartsType::Ideal);
    // the thread works on its own copy: the record may change while it runs
    auto design = std::make_shared<DesignState>(s);
    run->thread = QThread::create([run, design, model] {
        SimulationLimits limits;
        limits.stop = &run->stop;
        run->result = VerifyDesign(*design, model, DesignToleranceDb(*design), limits);
    });
    run->thread->setParent(this);
    connect(run->thread, &QThread::finished, this, [this, run, done = std::move(done)] {
        run->thread->deleteLater();
        runs_.erase(std::find(runs_.begin(), runs_.end(), run));
        if (running_ != run) return;  // stopped, or another run started since
        running_.reset();
        if (!run->stop) done(run->result);
    });
    running_ = run;
    runs_.push_back(run);
    run->thread->start();
}

void SimulationTask::Stop()
{
    if (!running_) return;
    // the thread ends soon after and is deleted; its result is not shown
    running_->stop = true;
    running_.reset();
}

}  // namespace stelvane
