#include "windows/navigation.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

#include "engine/enterstep.h"
#include "files/designfile.h"
#include "platform/qt/windowservices.h"

namespace stelvane {

namespace {

struct KindInfo {
    const char* name;
    const char* caption;
    bool modal;
};

// Captions begin with six blanks, so the title sits away from the frame's icon.
constexpr std::array<KindInfo, kWindowKinds> kKindInfo{{
    {"frmOpening", "      Stelvane - Welcome!", false},
    {"frmDesign", "      Stelvane - Design", false},
    {"frmPlot", "      Stelvane - Plot", false},
    {"frmSchematic", "      Stelvane - Schematic", false},
    {"frmTabulated", "      Stelvane - Tabulated", false},
    {"frmOpampTest", "      Stelvane - Opamp test", false},
    {"frmPoles", "      Stelvane - Poles", true},
    {"frmWriteFiles", "      Stelvane - file writing", true},
    {"frmHeadroom", "      Stelvane - Headroom", false},
    {"frmAbout", "      QUIBEX - About", false},
    {"frmNoise", "      Stelvane - Noise", false},
    {"frmTime", "      Stelvane - Time response", false},
    {"frmRequirement", "      Stelvane - Requirement", false},
}};

int Index(WindowKind kind) { return int(kind); }

}  // namespace

const char* WindowName(WindowKind kind) { return kKindInfo[Index(kind)].name; }
const char* WindowCaption(WindowKind kind) { return kKindInfo[Index(kind)].caption; }
bool OpensModal(WindowKind kind) { return kKindInfo[Index(kind)].modal; }

// --- FormWindow ---

FormWindow::FormWindow(Navigator& navigator, WindowKind kind)
    : CanvasWidget(nullptr), navigator_(navigator), kind_(kind)
{
    setObjectName(WindowName(kind));
    setWindowTitle(WindowCaption(kind));
    auto keys = [this](QKeySequence sequence, void (FormWindow::*act)()) {
        connect(new QShortcut(sequence, this), &QShortcut::activated, this, act);
    };
    keys(QKeySequence(Qt::CTRL | Qt::Key_Z), &FormWindow::Undo);
    keys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &FormWindow::Redo);
    keys(QKeySequence(Qt::CTRL | Qt::Key_Y), &FormWindow::Redo);
}

FormWindow::~FormWindow()
{
    if (listening_ != 0) navigator_.Session().StopListening(listening_);
}

void FormWindow::StartListening()
{
    if (listening_ == 0) listening_ = navigator_.Session().Listen([this] { DesignChanged(); });
    for (QLineEdit* box : findChildren<QLineEdit*>()) box->installEventFilter(this);
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && event->type() == QEvent::ShortcutOverride) {
        const QKeyCombination keys = static_cast<QKeyEvent*>(event)->keyCombination();
        const bool undo = keys == (Qt::CTRL | Qt::Key_Z);
        const bool redo = keys == (Qt::CTRL | Qt::SHIFT | Qt::Key_Z) || keys == (Qt::CTRL | Qt::Key_Y);
        if (!box->isModified() || (undo && !box->isUndoAvailable()) || (redo && !box->isRedoAvailable()))
            return true;  // left to the window's shortcut
    }
    return CanvasWidget::eventFilter(watched, event);
}

void FormWindow::Undo() { navigator_.Session().Undo(); }
void FormWindow::Redo() { navigator_.Session().Redo(); }

const DesignState& FormWindow::Record() const { return navigator_.Record(); }
DesignSession& FormWindow::Session() { return navigator_.Session(); }
ViewState& FormWindow::View() { return navigator_.View(); }
const ViewState& FormWindow::View() const { return navigator_.View(); }
Platform& FormWindow::GetPlatform() { return navigator_.GetPlatform(); }

void FormWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    navigator_.ClosedByFrame(*this);
}

// --- Navigator ---

Navigator::Navigator(DesignState& record, Platform& platform, std::function<void()> endProgram)
    : record_(record), platform_(platform), endProgram_(std::move(endProgram))
{
    // The settings are written as they change, so that a run that does not
    // end through Exit keeps them too.
    session_.Listen([this] { WriteSettings(false); });
}

Navigator::~Navigator()
{
    ended_ = true;
    for (auto& window : windows_) delete window.data();
    // Windows closed during the last event would otherwise outlive the
    // program's record and platform.
    for (auto& window : leaving_) delete window.data();
}

void Navigator::SetFactory(WindowKind kind, Factory factory) { factories_[Index(kind)] = std::move(factory); }

bool Navigator::CanOpen(WindowKind kind) const { return bool(factories_[Index(kind)]); }

const Navigator::Factory& Navigator::FactoryOf(WindowKind kind) const { return factories_[Index(kind)]; }

FormWindow* Navigator::Find(WindowKind kind) const { return windows_[Index(kind)].data(); }

int Navigator::OpenCount() const
{
    int count = 0;
    for (const auto& window : windows_) count += window ? 1 : 0;
    return count;
}

FormWindow* Navigator::Open(WindowKind kind)
{
    if (ended_) return nullptr;
    if (FormWindow* existing = Find(kind)) {
        BringToFront(*existing);
        return existing;
    }
    const Factory& factory = factories_[Index(kind)];
    if (!factory) return nullptr;
    FormWindow* window = factory(*this);
    windows_[Index(kind)] = window;
    window->Load();
    window->StartListening();
    if (OpensModal(kind))
        ShowModal(*window);
    else if (ShownMaximized(kind))
        ShowMaximized(*window);
    else
        ShowFixedSize(*window);
    window->Shown();
    return Find(kind);
}

void Navigator::Discard(WindowKind kind)
{
    QPointer<FormWindow> window = windows_[Index(kind)];
    windows_[Index(kind)] = nullptr;
    if (!window) return;
    // The window may be running the very click handler that closes it, so it
    // goes from the screen now and from memory once that handler has returned.
    window->hide();
    window->deleteLater();
    LetGo(window);
}

void Navigator::LetGo(FormWindow* window)
{
    std::erase_if(leaving_, [](const QPointer<FormWindow>& w) { return w.isNull(); });
    leaving_.emplace_back(window);
}

void Navigator::Close(WindowKind kind)
{
    Discard(kind);
    EndIfEmpty();
}

void Navigator::GoTo(WindowKind target, WindowKind from)
{
    if (target == from || !Open(target)) return;
    Close(from);
}

void Navigator::Exit(WindowKind from)
{
    if (ended_) return;
    // The sweep and scale fields write themselves into the record as they
    // are typed; what the reader would refuse is put right, and said, first.
    if (const EnterNotes notes = session_.KeepStorable(); !notes.empty()) platform_.ShowMessage(NotesText(notes));
    WriteLastSession(record_, platform_);
    WriteSettings(true);
    Discard(from);
    for (int k = 0; k < kWindowKinds; ++k) Discard(WindowKind(k));
    End();
}

bool Navigator::StartUp(const DesignSession::DesignReader& readLastSession)
{
    written_.reset();
    const SettingsRead kept = places_.settings ? ReadSettingsFile(*places_.settings) : SettingsRead{};
    const bool read = session_.StartUp(readLastSession, kept.settings ? &*kept.settings : nullptr);
    if (!kept.message.empty()) platform_.ShowMessage(kept.message);
    if (places_.opampList)
        if (const std::string why = ReadOpampList(*places_.opampList).message; !why.empty()) platform_.ShowMessage(why);
    written_ = SettingsOf(record_);
    return read;
}

void Navigator::WriteSettings(bool sayFailure)
{
    const ProgramSettings now = SettingsOf(record_);
    // Settings the next start-up would refuse are not written over sound ones.
    if (!places_.settings || !written_ || (now == *written_ && !sayFailure) || !SettingsProblem(now).empty()) return;
    if (const std::string why = WriteSettingsFile(*places_.settings, now); why.empty())
        written_ = now;
    else if (sayFailure)
        platform_.ShowMessage("The settings were not kept: " + why);
}

void Navigator::ClosedByFrame(FormWindow& window)
{
    const int k = Index(window.Kind());
    if (windows_[k] != &window) return;
    windows_[k] = nullptr;
    window.deleteLater();
    LetGo(&window);
    EndIfEmpty();
}

void Navigator::EndIfEmpty()
{
    if (OpenCount() == 0) End();
}

void Navigator::End()
{
    if (ended_) return;
    ended_ = true;
    if (endProgram_) endProgram_();
}

// --- BarWindow ---

namespace {

WindowKind KindOfBarButton(const QString& name)
{
    if (name == "cmdDesign") return WindowKind::Design;
    if (name == "cmdPlot") return WindowKind::Plot;
    if (name == "cmdSchematic") return WindowKind::Schematic;
    if (name == "cmdTabulate") return WindowKind::Tabulated;
    return WindowKind::Opening;  // not a window's own button
}

}  // namespace

BarWindow::BarWindow(Navigator& navigator, WindowKind kind) : FormWindow(navigator, kind)
{
    auto make = [this](const char* name) {
        const BarButton* entry = FindBarButton(name);
        auto* button = new QPushButton(entry ? entry->caption : name, this);
        button->setObjectName(name);
        button->setFocusPolicy(Qt::NoFocus);
        return button;
    };
    cmdSave = make("cmdSave");
    cmdGet = make("cmdGet");
    cmdDesign = make("cmdDesign");
    cmdSchematic = make("cmdSchematic");
    cmdEdit = make("cmdEdit");
    cmdPlot = make("cmdPlot");
    cmdAnalysis = make("cmdAnalysis");
    cmdTabulate = make("cmdTabulate");
    cmdPrint = make("cmdPrint");
    cmdWrite = make("cmdWrite");
    cmdAbout = make("cmdAbout");
    cmdQuit = make("cmdQuit");

    connect(cmdSave, &QPushButton::clicked, this, [this] { OnSave(); });
    connect(cmdGet, &QPushButton::clicked, this, [this] { OnGet(); });
    connect(cmdDesign, &QPushButton::clicked, this, [this] { GoTo(WindowKind::Design); });
    connect(cmdSchematic, &QPushButton::clicked, this, [this] { GoTo(WindowKind::Schematic); });
    connect(cmdPlot, &QPushButton::clicked, this, [this] { GoTo(WindowKind::Plot); });
    connect(cmdTabulate, &QPushButton::clicked, this, [this] { GoTo(WindowKind::Tabulated); });
    connect(cmdEdit, &QPushButton::clicked, this, [this] { OnEdit(); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] { OnPrint(); });
    connect(cmdWrite, &QPushButton::clicked, this, [this] { OpenWriteFiles(); });
    connect(cmdAbout, &QPushButton::clicked, this, [this] { OnAbout(); });
    connect(cmdQuit, &QPushButton::clicked, this, [this] { Nav().Exit(Kind()); });
}

void BarWindow::PlaceButtonBar(const Layout& layout)
{
    const bool onDesign = Kind() == WindowKind::Design;
    for (const BarButton& entry : kButtonBar) {
        auto* button = findChild<QPushButton*>(entry.name, Qt::FindDirectChildrenOnly);
        if (!button) continue;
        Place(*button, layout, entry.left, kBarTop, entry.width, kBarHeight);
        const QString name = button->objectName();
        const bool own = KindOfBarButton(name) == Kind();
        if (own) {
            SetBackgroundColour(*button, kOwnButtonColour);
            SetFont(*button, layout, kFontOrdinary, true);
        } else {
            SetBackgroundColour(*button, name == "cmdQuit" ? kExitButtonColour : kBarButtonColour);
        }
        button->setVisible(!entry.alwaysHidden);
        button->setEnabled(true);
    }
    cmdSave->setEnabled(onDesign);
    cmdGet->setEnabled(onDesign);
    cmdPrint->setEnabled(Kind() == WindowKind::Plot);
    cmdAbout->setVisible(onDesign);
    cmdAbout->setEnabled(onDesign);
}

void BarWindow::GoTo(WindowKind target)
{
    if (target == Kind()) return;  // the window's own button
    BeforeLeaving();
    Nav().GoTo(target, Kind());
}

void BarWindow::OpenWriteFiles()
{
    BeforeLeaving();
    Nav().Open(WindowKind::WriteFiles);
}

}  // namespace stelvane
