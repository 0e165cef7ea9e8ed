#pragma once
// SECoP nodes for the tests, each on a thread of its own with its own event loop, on a free
// port of the loopback address: the simulated microprobe's node, and a scripted node that
// answers each line as a test says. Stopping a node closes its connections.

#include "secop/MicroprobeNode.h"
#include "secop/NodeServer.h"
#include "suite/SimulatedMicroprobe.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <functional>
#include <future>
#include <memory>
#include <string>

namespace kest::fakes {

class NodeOnThread : public QThread {
public:
    explicit NodeOnThread(SuiteConfig config) : config_(std::move(config)) {
        start();
        port_ = ready_.get_future().get();
    }
    ~NodeOnThread() override { stop(); }
    void stop() {
        quit();
        wait();
    }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

protected:
    void run() override {
        SimulatedMicroprobe probe(config_);
        secop::MicroprobeNode node(probe, config_, [] { return 1.8e9; });
        secop::NodeServer server(node);
        std::string error;
        server.listen(QHostAddress::LocalHost, 0, error);
        ready_.set_value(server.port());
        exec();
    }

private:
    SuiteConfig config_;
    std::promise<quint16> ready_;
    quint16 port_ = 0;
};

// Answers each line it reads with what `answer` gives for it (nothing: no answer).
class ScriptedNode : public QThread {
public:
    using Answer = std::function<std::string(const std::string& line)>;
    explicit ScriptedNode(Answer answer) : answer_(std::move(answer)) {
        start();
        port_ = ready_.get_future().get();
    }
    ~ScriptedNode() override {
        quit();
        wait();
    }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

protected:
    void run() override {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [&server, this] {
            QTcpSocket* socket = server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, [socket, this] {
                while (socket->canReadLine()) {
                    const std::string line = socket->readLine().trimmed().toStdString();
                    const std::string reply = answer_(line);
                    if (!reply.empty()) socket->write((reply + "\n").c_str());
                }
            });
        });
        ready_.set_value(server.serverPort());
        exec();
    }

private:
    Answer answer_;
    std::promise<quint16> ready_;
    quint16 port_ = 0;
};

// A raw SECoP connection, line by line.
class RawConnection {
public:
    explicit RawConnection(const std::string& address) {
        const auto colon = address.rfind(':');
        socket_.connectToHost(QString::fromStdString(address.substr(0, colon)),
                              static_cast<quint16>(std::stoi(address.substr(colon + 1))));
        socket_.waitForConnected(5000);
    }
    void send(const std::string& bytes) {
        socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
        socket_.flush();
    }
    // The next line, or "" when none comes within 5 s.
    std::string line() {
        while (!socket_.canReadLine())
            if (!socket_.waitForReadyRead(5000)) return "";
        return socket_.readLine().chopped(1).toStdString();
    }
    // The answer to `request`: the first line after it that is not an update.
    std::string ask(const std::string& request) {
        send(request + "\n");
        for (;;) {
            std::string next = line();
            if (next.rfind("update ", 0) != 0) return next;
        }
    }
    QTcpSocket& socket() { return socket_; }

private:
    QTcpSocket socket_;
};

}  // namespace kest::fakes
