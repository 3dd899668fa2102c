#include "app/SingleInstance.h"

#include <unistd.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStringList>
#include <QTimer>

namespace corvalin {
namespace {

constexpr int kConnectMs = 500;
constexpr int kAnswerMs = 5000;
constexpr int kModalRetryMs = 300;
constexpr char kTaken = 'k';

}  // namespace

QString SingleInstance::SocketName(const std::filesystem::path& programFolder) {
    const QByteArray folder = QByteArray::fromStdString(std::filesystem::absolute(programFolder).string());
    const QByteArray digest = QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex().left(16);
    return QString("corvalindestrum-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
}

bool SingleInstance::HandOver(const std::filesystem::path& programFolder,
                              const std::vector<std::filesystem::path>& files) {
    QLocalSocket socket;
    socket.connectToServer(SocketName(programFolder));
    if (!socket.waitForConnected(kConnectMs)) return false;
    QStringList paths;
    for (const auto& file : files) paths << QString::fromStdString(file.string());
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << paths;
    socket.write(message);
    socket.flush();
    // The running reader answers once it has the whole list.
    if (!socket.waitForReadyRead(kAnswerMs)) return false;
    return socket.read(1) == QByteArray(1, kTaken);
}

SingleInstance::SingleInstance(const std::filesystem::path& programFolder,
                               std::function<void(std::vector<std::filesystem::path>)> onFiles)
    : server_(new QLocalServer(this)), onFiles_(std::move(onFiles)) {
    const QString name = SocketName(programFolder);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left behind by a reader that crashed would refuse every later start.
    if (!server_->listen(name)) {
        QLocalServer::removeServer(name);
        server_->listen(name);
    }
    connect(server_, &QLocalServer::newConnection, this, [this] { TakeConnection(); });
}

SingleInstance::~SingleInstance() { server_->close(); }

bool SingleInstance::Listening() const { return server_->isListening(); }

void SingleInstance::TakeConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            QStringList paths;
            in >> paths;
            if (!in.commitTransaction()) return;  // the rest is still on its way
            socket->write(QByteArray(1, kTaken));
            socket->flush();
            std::vector<std::filesystem::path> files;
            for (const QString& path : paths) files.emplace_back(path.toStdString());
            Deliver(std::move(files));
        });
    }
}

void SingleInstance::Deliver(std::vector<std::filesystem::path> files) {
    // Not into the middle of a dialog: the files wait until it has closed.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(kModalRetryMs, this, [this, files = std::move(files)]() mutable { Deliver(std::move(files)); });
        return;
    }
    onFiles_(std::move(files));
}

}  // namespace corvalin
