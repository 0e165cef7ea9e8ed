#include "secop/NodeServer.h"

#include <QTcpSocket>


namespace kest::secop {

NodeServer::NodeServer(MicroprobeNode& node, QObject* parent) : QObject(parent), node_(node) {
    connect(&server_, &QTcpServer::newConnection, this, &NodeServer::accept);
}

NodeServer::~NodeServer() {
    for (auto& [id, connection] : connections_) connection->socket->disconnect(this);
}

bool NodeServer::listen(const QHostAddress& address, quint16 port, std::string& error) {
    if (server_.listen(address, port)) return true;
    error = server_.errorString().toStdString();
    return false;
}

void NodeServer::accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        const ClientId id = next_++;
        socket->setParent(this);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connections_[id] = std::make_unique<Connection>(Connection{socket});
        node_.connected(id, socket->peerAddress().toString().toStdString() + ":" + std::to_string(socket->peerPort()));
        connect(socket, &QTcpSocket::readyRead, this, [this, id] { read(id); });
        connect(socket, &QTcpSocket::disconnected, this, [this, id] {
            const auto found = connections_.find(id);
            if (found == connections_.end()) return;
            node_.disconnected(id);
            found->second->socket->deleteLater();
            connections_.erase(found);
        });
    }
}

void NodeServer::read(ClientId id) {
    const auto found = connections_.find(id);
    if (found == connections_.end()) return;
    const QByteArray bytes = found->second->socket->readAll();
    for (const auto& line : found->second->reader.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))))
        send(node_.receive(id, line));
}

void NodeServer::send(const std::vector<Outgoing>& lines) {
    for (const Outgoing& outgoing : lines) {
        const auto to = connections_.find(outgoing.to);
        if (to == connections_.end()) continue;
        to->second->socket->write(outgoing.line.data(), static_cast<qint64>(outgoing.line.size()));
        to->second->socket->write("\n", 1);
    }
}

}  // namespace kest::secop
