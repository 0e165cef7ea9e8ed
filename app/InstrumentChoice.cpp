#include "app/InstrumentChoice.h"

#include "app/HeadlessCommands.h"
#include "secop/MicroprobeNode.h"
#include "secop/NodeClient.h"
#include "secop/NodeServer.h"
#include "suite/SimulatedMicroprobe.h"
#include "suite/SuiteInstance.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHostAddress>

namespace kest {

std::unique_ptr<Microprobe> ChooseMicroprobe(const SuiteConfig& config) {
    if (config.instrument.node.empty()) return nullptr;
    return std::make_unique<secop::NodeClient>(config.instrument.node);
}

int RunInstrument(const InstrumentCommand& command, const ProgramFolders& folders, std::ostream& out, std::ostream& err) {
    SuiteConfig config;
    try {
        config = LoadSuiteConfig(command.suiteFile, folders);
    } catch (const SuiteFileError& error) {
        err << "kestplus-profile: " << error.what() << '\n';
        return kFailed;
    }
    if (!config.instrument.node.empty()) {
        err << "kestplus-profile: " << config.origin << " names a node (instrument.node); the instrument command "
            << "serves the simulated instrument of a suite file without one.\n";
        return kFailed;
    }
    std::string host;
    uint16_t port = 0;
    if (!secop::ParseHostPort(command.listen, host, port)) {
        err << "kestplus-profile: --listen takes host:port, such as 127.0.0.1:10767 (port 0: a free port)\n";
        return kFailed;
    }
    const QHostAddress address = host == "localhost" ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(QString::fromStdString(host));
    if (address.isNull()) {
        err << "kestplus-profile: --listen needs an IP address, not '" << host << "'\n";
        return kFailed;
    }

    SimulatedMicroprobe probe(config);
    secop::MicroprobeNode node(probe, config, [] { return QDateTime::currentMSecsSinceEpoch() / 1000.0; });
    secop::NodeServer server(node);
    std::string error;
    if (!server.listen(address, port, error)) {
        err << "kestplus-profile: cannot listen on " << command.listen << ": " << error << '\n';
        return kFailed;
    }
    const std::string where = server.address().protocol() == QAbstractSocket::IPv6Protocol
                                  ? "[" + server.address().toString().toStdString() + "]"
                                  : server.address().toString().toStdString();
    out << "The simulated instrument of " << config.origin << " listens on " << where << ":" << server.port()
        << " (SECoP 1.0). Stop it with Ctrl-C." << std::endl;
    return QCoreApplication::exec() == 0 ? kDone : kFailed;
}

}  // namespace kest
