#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QObject>

#include "engine/designstate.h"
#include "engine/enterstep.h"
#include "engine/tolerance.h"
#include "windows/layout.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace stelvane {

// The plot window's tolerance run: copies, resistor and capacitor tolerance,
// a button that starts the run and, while it runs, stops it, and a line that
// shows its progress and outcome. The run goes a share at a time with the
// event loop turning between shares, so the window stays alive, and its band
// belongs to the design it was run on: a change of the parts, the sweep or
// the mask drops it (or stops the run).
class PlotTolerance : public QObject {
    Q_OBJECT
public:
    // The controls go on the window; redraw draws the plot anew; say shows
    // what a typed field was taken as when that is not what was typed.
    PlotTolerance(QWidget& window, const DesignState& record, std::function<void()> redraw, ShowMessage say);
    ~PlotTolerance() override;

    // Puts the controls below the frame's right-hand end, where nothing else is.
    void Place(const Layout& layout);
    // Drops a finished run, or stops a running one, when the parts or the
    // sweep it was run on are no longer the record's (told of every change).
    void DropIfStale();
    // The finished run of the design shown, or null.
    const ToleranceResult* Result() const;

    QLabel* lblRuns;
    QLineEdit* txtRuns;
    QLabel* lblRTol;
    QLineEdit* txtRTol;
    QLabel* lblCTol;
    QLineEdit* txtCTol;
    QPushButton* cmdToleranceRun;
    QLabel* lblToleranceRun;
    QLabel* lblYield;  // how many copies meet the record's mask, when it has one

private:
    struct Design;
    void Clicked();
    void NextShare();
    void Stop(const char* why);
    bool SameDesign() const;

    const DesignState& record_;
    std::function<void()> redraw_;
    ShowMessage say_;
    std::unique_ptr<ToleranceRun> run_;
    std::optional<ToleranceResult> result_;
    std::unique_ptr<Design> design_;  // what the run was made of
};

}  // namespace stelvane
