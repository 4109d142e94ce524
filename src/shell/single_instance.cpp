#include "shell/single_instance.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <unistd.h>

namespace {

constexpr char ACTIVATE_REQUEST[] = "activate\n";
constexpr int CONNECT_TIMEOUT_MS = 1000;

QPointer<QLocalServer> instanceServer;

// "<title>-<uid>": one name per program and user; "/" would make it a path.
QString InstanceServerName(const QString& title) {
    QString name = title;
    name.replace(u'/', u'_');
    return name + u'-' + QString::number(getuid());
}

// Connects to the instance listening at name, if any answers there.
bool ConnectToInstance(QLocalSocket* socket, const QString& name) {
    socket->connectToServer(name);
    return socket->waitForConnected(CONNECT_TIMEOUT_MS);
}

}  // namespace

bool ActivateRunningInstance(const QString& title) {
    QLocalSocket socket;
    if (!ConnectToInstance(&socket, InstanceServerName(title))) return false;
    socket.write(ACTIVATE_REQUEST);
    socket.waitForBytesWritten(CONNECT_TIMEOUT_MS);
    socket.disconnectFromServer();
    return true;
}

bool ListenForInstances(const QString& title, std::function<void()> bringForward) {
    StopListeningForInstances();
    const QString name = InstanceServerName(title);
    // A live instance answers and keeps its socket. A crashed run's socket
    // answers nobody and is removed (listen would not replace it, or, with
    // access options, would replace even a live one's).
    QLocalSocket probe;
    if (ConnectToInstance(&probe, name)) return false;
    QLocalServer::removeServer(name);
    auto* server = new QLocalServer(QCoreApplication::instance());
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name)) {
        delete server;
        return false;
    }
    QObject::connect(server, &QLocalServer::newConnection, server, [server, bringForward] {
        while (QLocalSocket* client = server->nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            auto answer = [client, bringForward] {
                if (!client->canReadLine()) return;
                if (client->readLine() == ACTIVATE_REQUEST) bringForward();
                client->disconnectFromServer();
            };
            QObject::connect(client, &QLocalSocket::readyRead, client, answer);
            answer();
        }
    });
    instanceServer = server;
    return true;
}

void StopListeningForInstances() {
    delete instanceServer.data();
}
