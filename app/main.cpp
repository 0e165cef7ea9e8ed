// KestPlus - Profile: the window program on the suite chosen at start-up.

#include "app/TerminationSignals.h"
#include "document/DocumentDialogs.h"
#include "shell/PrfMain.h"
#include "shell/ProfileState.h"
#include "shell/QtText.h"
#include "shell/Startup.h"
#include "suite/SuiteInstance.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

namespace {

constexpr int kUsageError = 2;
constexpr int kFailure = 1;

const char* const kUsage =
    "usage: kestplus-profile [--suite FILE]\n"
    "  Starts the main window on the instrument described by FILE, else on\n"
    "  $KESTPLUS_HOME/suite.json when it exists, else on the built-in simulated instrument.\n";

struct Arguments {
    std::optional<std::filesystem::path> suiteFile;
};

// False when the arguments are not understood; the usage has then been printed.
bool ParseArguments(int argc, char** argv, Arguments& arguments) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--suite") == 0 && i + 1 < argc) {
            arguments.suiteFile = argv[++i];
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else {
            std::fprintf(stderr, "kestplus-profile: unexpected argument '%s'\n%s", argv[i], kUsage);
            return false;
        }
    }
    return true;
}

bool DisplayAvailable() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv) {
    Arguments arguments;
    if (!ParseArguments(argc, argv, arguments)) return kUsageError;
    if (!DisplayAvailable()) {
        std::fputs("kestplus-profile: no display is available for the main window "
                   "(start it from a desktop session, or under xvfb-run).\n", stderr);
        return kFailure;
    }

    QApplication app(argc, argv);
    const kest::ProgramFolders folders = kest::ResolveProgramFolders();

    std::optional<kest::SuiteConfig> config;
    try {
        config = kest::LoadSuiteConfig(arguments.suiteFile, folders);
    } catch (const kest::SuiteFileError& error) {
        std::fprintf(stderr, "kestplus-profile: %s\n", error.what());
        QMessageBox::critical(nullptr, kest::kProgramTitle, kest::ToQString(error.what()));
        return kFailure;
    }

    kest::InstanceLock lock(folders.data);
    kest::SuiteInstance instance(std::move(*config), folders);
    kest::ProfileState state;
    state.StageTimeoutSeconds = instance.config().instrument.stage_timeout_s;
    kest::PrfMain window(state, instance.suite());
    instance.database().setPathChooser(kest::DocumentFileDialogs(&window));
    instance.database().setMessageSink(kest::MessageBoxSink(&window));

    const auto handle = static_cast<int32_t>(window.winId());
    if (kest::CheckSingleInstance(instance.logging(), lock.earlierInstanceRuns(), handle, kest::kProgramTitle))
        return 0;

    kest::InstanceBeacon beacon(folders.data, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    std::string beaconError;
    if (!beacon.listen(beaconError)) std::fprintf(stderr, "kestplus-profile: %s\n", beaconError.c_str());

    window.startUp(instance.config().demoZones);
    kest::TerminationSignals closeOnSignal(&window);
    window.show();
    return app.exec();
}
