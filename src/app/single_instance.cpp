#include "app/single_instance.h"

#include <QDir>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

namespace textowl {

namespace {

// How long a later start waits for the first one, which may still be starting, to listen.
constexpr int kConnectAttempts = 20;
constexpr int kAttemptMs = 100;

} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QString base = QDir(folder).filePath(QStringLiteral("textowl-") + key);
    m_socketName = base + QStringLiteral(".socket");
    m_lock = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
    // Only a lock whose process has ended is stale, however long the program has been running.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::displayKey() {
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    QString key = QGuiApplication::platformName() + u'-' + display;
    for (QChar& c : key) {
        if (!c.isLetterOrNumber() && c != u'-')
            c = u'_';
    }
    return key;
}

bool SingleInstance::claim(const QString& commandLine) {
    if (m_lock->tryLock(0)) {
        listen();
        return true;
    }
    // Without a running holder (a lock that cannot be written, say) this start runs on its own.
    if (m_lock->error() != QLockFile::LockFailedError)
        return true;
    return !handOver(commandLine);
}

void SingleInstance::listen() {
    // A socket file left by a first start that crashed would make listening fail.
    QLocalServer::removeServer(m_socketName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
                emit startedAgain(QString::fromUtf8(socket->readAll()));
                socket->deleteLater();
            });
        }
    });
    m_server->listen(m_socketName);
}

bool SingleInstance::handOver(const QString& commandLine) const {
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(m_socketName);
        if (socket.waitForConnected(kAttemptMs)) {
            socket.write(commandLine.toUtf8());
            socket.disconnectFromServer();
            return socket.state() == QLocalSocket::UnconnectedState ||
                   socket.waitForDisconnected(kAttemptMs * kConnectAttempts);
        }
        QThread::msleep(kAttemptMs);
    }
    return false;
}

} // namespace textowl
