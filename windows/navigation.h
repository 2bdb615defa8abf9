#pragma once

#include <QPointer>

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "engine/designsession.h"
#include "engine/designstate.h"
#include "engine/standardseries.h"
#include "files/settingsfile.h"
#include "platform/platform.h"
#include "platform/qt/canvaswidget.h"
#include "windows/layout.h"
#include "windows/viewstate.h"

class QPushButton;

namespace stelvane {

class Navigator;

// The object name of a window of the kind ("frmDesign").
const char* WindowName(WindowKind kind);
// The caption of a window of the kind ("      Stelvane - Design").
const char* WindowCaption(WindowKind kind);
// Whether the kind blocks the window that opened it until it closes.
bool OpensModal(WindowKind kind);

// A window of the program. Its constructor builds the controls; Load lays
// them out and fills them from the record before the window is shown, and
// Shown runs once it is on the screen (the opening window reads the last
// session there, so its message appears over the finished drawing). From
// then on it hears of every change of the design, and Ctrl+Z undoes the last
// one, Ctrl+Shift+Z and Ctrl+Y redo it, whichever window has the keys.
class FormWindow : public CanvasWidget {
    Q_OBJECT
public:
    FormWindow(Navigator& navigator, WindowKind kind);
    ~FormWindow() override;

    WindowKind Kind() const { return kind_; }
    virtual void Load() {}
    virtual void Shown() {}
    // Starts telling the window of design changes (once it is loaded).
    void StartListening();

protected:
    // After every change of the design, undo and redo among them: the window
    // shows the design as it now stands.
    virtual void DesignChanged() {}
    void Undo();
    void Redo();
    // A text box keeps the keys while it holds typing of its own, not yet
    // entered, to take back; otherwise they go to the design.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The design as it stands; only the session changes it.
    const DesignState& Record() const;
    DesignSession& Session();
    ViewState& View();
    const ViewState& View() const;
    Platform& GetPlatform();
    Navigator& Nav() { return navigator_; }
    // Closing through the window frame destroys the window and nothing else.
    void closeEvent(QCloseEvent* event) override;

private:
    Navigator& navigator_;
    WindowKind kind_;
    int listening_ = 0;  // the session's handle, 0 before the window is loaded
};

// The window registry: at most one window per kind, created when opened,
// destroyed when closed, and the program's end when none is left.
class Navigator {
public:
    using Factory = std::function<FormWindow*(Navigator&)>;

    // endProgram is called once, when the program is to end (Exit, or the
    // last window closed through its frame).
    Navigator(DesignState& record, Platform& platform, std::function<void()> endProgram);
    ~Navigator();
    Navigator(const Navigator&) = delete;
    Navigator& operator=(const Navigator&) = delete;

    const DesignState& Record() const { return record_; }
    // The design pipeline over the record.
    DesignSession& Session() { return session_; }
    // What the windows show the design with, for the run.
    ViewState& View() { return view_; }
    Platform& GetPlatform() { return platform_; }

    // Tells the registry how to create a window of the kind.
    void SetFactory(WindowKind kind, Factory factory);
    bool CanOpen(WindowKind kind) const;
    // How windows of the kind are made (empty when they cannot be).
    const Factory& FactoryOf(WindowKind kind) const;

    // Creates the window (load, then show) or brings the existing one to the
    // front. Returns it, or null when the kind has no window in this build.
    FormWindow* Open(WindowKind kind);
    // Destroys the window of the kind, if open.
    void Close(WindowKind kind);
    // Opens target, then closes from; a target without a window leaves from open.
    void GoTo(WindowKind target, WindowKind from);
    // The exit sequence: writes the last-session file, closes the window the
    // button is on, destroys every other window and ends the program.
    void Exit(WindowKind from);

    // Where the settings are kept between runs and the opamp list is found;
    // without places (as given at construction) nothing is kept.
    void KeepSettings(const SettingsPlaces& places) { places_ = places; }
    const SettingsPlaces& Places() const { return places_; }
    // The run's start-up: the last session as the reader reads it, then the
    // settings kept by the last run (said when they or the opamp list cannot
    // be read). From then on the settings are written whenever they change,
    // and at Exit.
    bool StartUp(const DesignSession::DesignReader& readLastSession);

    FormWindow* Find(WindowKind kind) const;
    int OpenCount() const;
    bool Ended() const { return ended_; }

    // Called by a window that the user closes through its frame.
    void ClosedByFrame(FormWindow& window);

private:
    void Discard(WindowKind kind);
    void LetGo(FormWindow* window);
    void EndIfEmpty();
    void End();
    // Writes the settings when they differ from those last written (not
    // before the start-up); says so when that fails and sayFailure is set.
    void WriteSettings(bool sayFailure);

    DesignState& record_;
    DesignSession session_{record_};
    ViewState view_;
    Platform& platform_;
    std::function<void()> endProgram_;
    std::array<Factory, kWindowKinds> factories_{};
    std::array<QPointer<FormWindow>, kWindowKinds> windows_{};
    std::vector<QPointer<FormWindow>> leaving_;  // closed, waiting for their handlers to return
    bool ended_ = false;
    SettingsPlaces places_;
    std::optional<ProgramSettings> written_;  // the settings as the file holds them
};

// A main window with the shared button bar along its top edge: the design
// window and the three result views. The bar's shown, hidden, disabled and
// highlighted buttons and the navigation between the four windows live
// here; each window overrides what it does differently.
class BarWindow : public FormWindow {
    Q_OBJECT
public:
    BarWindow(Navigator& navigator, WindowKind kind);

    QPushButton* cmdSave;
    QPushButton* cmdGet;
    QPushButton* cmdDesign;
    QPushButton* cmdSchematic;
    QPushButton* cmdEdit;
    QPushButton* cmdPlot;
    QPushButton* cmdAnalysis;
    QPushButton* cmdTabulate;
    QPushButton* cmdPrint;
    QPushButton* cmdWrite;
    QPushButton* cmdAbout;
    QPushButton* cmdQuit;

protected:
    // Places the bar and gives every button its colour, font and state.
    void PlaceButtonBar(const Layout& layout);
    // What runs before this window hands over to another one (the design
    // window's Enter step); nothing on the views.
    virtual void BeforeLeaving() {}
    virtual void OnSave() {}
    virtual void OnGet() {}
    virtual void OnPrint() {}
    virtual void OnAbout() {}
    virtual void OnEdit() {}

private:
    void GoTo(WindowKind target);
    void OpenWriteFiles();
};

}  // namespace stelvane
