// KestPlus - Profile: the window program on the suite chosen at start-up, and the headless
// commands (scan, list, export, recompute, recover) on the same logic.

#include "app/CommandLine.h"
#include "app/HeadlessCommands.h"
#include "app/HeadlessView.h"
#include "app/InstrumentChoice.h"
#include "app/TerminationSignals.h"
#include "controls/QtText.h"
#include "core/ProfileState.h"
#include "document/DocumentDialogs.h"
#include "shell/PrfMain.h"
#include "shell/Startup.h"
#include "suite/FileLogging.h"
#include "suite/SuiteInstance.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>

#include <csignal>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace {

bool DisplayAvailable() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// The first SIGINT, SIGTERM, SIGHUP (the terminal closed), SIGQUIT or SIGPIPE (standard
// output or error read by a program that has ended, as `| head` does) stops a headless scan
// after the point being measured, so that every measured point is saved; a second one ends
// the program at once, but for SIGPIPE, which every later line would raise again: those
// writes fail quietly instead.
extern "C" void StopHeadlessScan(int signal) {
    kest::RequestHeadlessStop();
    std::signal(signal, signal == SIGPIPE ? SIG_IGN : SIG_DFL);
}

int RunWindow(int argc, char** argv, const kest::WindowCommand& command) {
    QApplication app(argc, argv);
    const kest::ProgramFolders folders = kest::ResolveProgramFolders();

    std::optional<kest::SuiteConfig> config;
    try {
        config = kest::LoadSuiteConfig(command.suiteFile, folders);
    } catch (const kest::SuiteFileError& error) {
        std::cerr << "kestplus-profile: " << error.what() << std::endl;
        QMessageBox::critical(nullptr, kest::kProgramTitle, kest::ToQString(error.what()));
        return kest::kFailed;
    }

    kest::InstanceLock lock(folders.data);
    kest::SuiteInstance instance(std::move(*config), folders, kest::ChooseMicroprobe);
    kest::ProfileState state;
    kest::TakeInstrumentSettings(state, instance.config().instrument);
    kest::PrfMain window(state, instance.suite());
    instance.database().setPathChooser(window.documentChooser());
    instance.database().setMessageSink(kest::MessageBoxSink(&window));

    const auto handle = static_cast<int32_t>(window.winId());
    if (kest::CheckSingleInstance(instance.logging(), lock.earlierInstanceRuns(), handle, kest::kProgramTitle))
        return kest::kDone;
    kest::InstrumentLock instrument(folders.data);
    if (const auto holder = instrument.take("the window of kestplus-profile")) {
        std::cerr << "kestplus-profile: " << *holder << std::endl;
        QMessageBox::critical(nullptr, kest::kProgramTitle, kest::ToQString("The program cannot start: " + *holder + "."));
        return kest::kFailed;
    }

    kest::InstanceBeacon beacon(folders.data, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    std::string beaconError;
    if (!beacon.listen(beaconError)) std::cerr << "kestplus-profile: " << beaconError << std::endl;

    window.startUp(instance.config().demoZones);
    // Neither a termination signal nor the end of the session can wait for an answer: the
    // window closes without asking and unsaved work stays for a recovery.
    kest::TerminationSignals closeOnSignal(&window, [&window] {
        window.keepWorkOnClose();
        window.close();
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window] { window.keepWorkOnClose(); });
    window.show();
    return app.exec();
}

bool WritesChart(const kest::Command& command) {
    if (const auto* scan = std::get_if<kest::ScanCommand>(&command)) return scan->chart.has_value();
    if (const auto* exported = std::get_if<kest::ExportCommand>(&command)) return exported->chart.has_value();
    return false;
}

// Headless, standard error carries the command's own lines: Qt's notes about a display or a
// runtime folder that an offscreen chart does not need are left out; its errors are not.
void OnlyQtErrors(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << "kestplus-profile: " << message.toStdString() << std::endl;
}

// The chart is drawn with the windows' classes, which need a QApplication; a headless
// command draws it offscreen, whatever display there is.
std::unique_ptr<QCoreApplication> HeadlessApplication(int& argc, char** argv, const kest::Command& command) {
    qInstallMessageHandler(OnlyQtErrors);
    if (!WritesChart(command)) return std::make_unique<QCoreApplication>(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QApplication>(argc, argv);
}

bool DrivesInstrument(const kest::Command& command) {
    return std::holds_alternative<kest::ScanCommand>(command) || std::holds_alternative<kest::BatchCommand>(command) ||
           std::holds_alternative<kest::WindowCommand>(command);  // the demo scan without a display
}

std::string HolderName(const kest::Command& command) {
    if (std::holds_alternative<kest::ScanCommand>(command)) return "kestplus-profile scan";
    if (std::holds_alternative<kest::BatchCommand>(command)) return "kestplus-profile batch";
    return "kestplus-profile (the demo scan)";
}

int RunHeadless(int argc, char** argv, const kest::Command& command) {
    const auto app = HeadlessApplication(argc, argv, command);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) std::signal(signal, StopHeadlessScan);
    const kest::ProgramFolders folders = kest::ResolveProgramFolders();
    if (const auto* instrument = std::get_if<kest::InstrumentCommand>(&command)) {
        std::signal(SIGINT, SIG_DFL);  // a node has nothing to save: a signal ends it at once
        std::signal(SIGTERM, SIG_DFL);
        return kest::FinishOutput(kest::RunInstrument(*instrument, folders, std::cout, std::cerr), std::cout, std::cerr);
    }
    // The commands that drive the instrument take its lock; reading documents needs none.
    kest::InstrumentLock instrument(folders.data);
    if (const auto holder = DrivesInstrument(command) ? instrument.take(HolderName(command)) : std::nullopt)
        return kest::FailWith(std::cerr, *holder);
    if (!std::holds_alternative<kest::RecoverCommand>(command)) kest::NoteLeftovers(folders, std::cerr);
    const int status = std::visit(
        [&](const auto& c) -> int {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, kest::ScanCommand>) return kest::RunScan(c, folders, std::cout, std::cerr);
            if constexpr (std::is_same_v<C, kest::ListCommand>) return kest::RunList(c, folders, std::cout, std::cerr);
            if constexpr (std::is_same_v<C, kest::ExportCommand>) return kest::RunExport(c, folders, std::cout, std::cerr);
            if constexpr (std::is_same_v<C, kest::RecomputeCommand>)
                return kest::RunRecompute(c, folders, std::cout, std::cerr);
            if constexpr (std::is_same_v<C, kest::RecoverCommand>) return kest::RunRecover(c, folders, std::cout, std::cerr);
            if constexpr (std::is_same_v<C, kest::BatchCommand>)
                return kest::RunBatchCommand(c, folders, std::cout, std::cerr);
            if constexpr (std::is_same_v<C, kest::InstrumentCommand>) return kest::kNotUnderstood;  // served above
            if constexpr (std::is_same_v<C, kest::WindowCommand>) {  // no display: the demo scan instead
                if (c.suiteFile) {
                    std::cerr << "kestplus-profile: no display is available for the main window; "
                                 "use the scan command to scan without one.\n";
                    return kest::kFailed;
                }
                return kest::RunDemoScan(folders, std::cout, std::cerr);
            }
            return kest::kNotUnderstood;
        },
        command);
    return kest::FinishOutput(status, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto command = kest::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!command) {
        std::cerr << "kestplus-profile: " << error << '\n' << kest::kUsage;
        return kest::kNotUnderstood;
    }
    if (std::holds_alternative<kest::HelpCommand>(*command)) {
        std::cout << kest::kUsage;
        return kest::FinishOutput(kest::kDone, std::cout, std::cerr);
    }
    if (const auto* window = std::get_if<kest::WindowCommand>(&*command); window && DisplayAvailable())
        return RunWindow(argc, argv, *window);
    return RunHeadless(argc, argv, *command);
}
