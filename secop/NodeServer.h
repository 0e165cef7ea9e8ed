#pragma once
// The node on the network: a TCP server that reads each connection's lines into the
// microprobe node and writes back what it answers. It listens where it is told, on the
// loopback address unless told otherwise; port 0 takes a free port.

#include "secop/MicroprobeNode.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

#include <map>
#include <memory>
#include <string>

class QTcpSocket;

namespace kest::secop {

// The longest request line the node reads; longer ones are cut and answered with an error.
inline constexpr std::size_t kRequestLimit = 64 * 1024;

class NodeServer : public QObject {
    Q_OBJECT

public:
    explicit NodeServer(MicroprobeNode& node, QObject* parent = nullptr);
    ~NodeServer() override;

    // False, with `error` saying why, when the address cannot be listened on.
    bool listen(const QHostAddress& address, quint16 port, std::string& error);
    quint16 port() const { return server_.serverPort(); }
    QHostAddress address() const { return server_.serverAddress(); }

private:
    struct Connection {
        QTcpSocket* socket;
        LineReader reader{kRequestLimit};
    };
    void accept();
    void read(ClientId id);
    void send(const std::vector<Outgoing>& lines);

    MicroprobeNode& node_;
    QTcpServer server_;
    std::map<ClientId, std::unique_ptr<Connection>> connections_;
    ClientId next_ = 1;
};

}  // namespace kest::secop
