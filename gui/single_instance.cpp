#include "gui/single_instance.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace gui {
namespace {

constexpr int kStartWaitMs = 10000;  // for a mixer that holds the lock but is still starting
constexpr int kRetryMs = 25;
constexpr int kAnswerWaitMs = 5000;
constexpr char kTaken = 'k';
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_0;

}  // namespace

bool SingleInstance::claim(const std::vector<std::string>& files) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    socketPath_ = folder + "/rotavox.socket";
    lock_ = std::make_unique<QLockFile>(folder + "/rotavox.lock");
    // Held for the mixer's whole life: stale only when its process is gone, never by age.
    lock_->setStaleLockTime(0);
    QElapsedTimer waited;
    waited.start();
    while (!lock_->tryLock(0)) {
        if (lock_->error() != QLockFile::LockFailedError) {
            qWarning("rotavox: no lock in %s, so no single window", qPrintable(folder));
            return true;
        }
        const HandOver handed = handOver(files);
        if (handed == HandOver::Taken) {
            return false;
        }
        if (handed == HandOver::NoAnswer || waited.elapsed() > kStartWaitMs) {
            qWarning("rotavox: the running mixer does not answer; starting another");
            return true;
        }
        QThread::msleep(kRetryMs);
    }
    return true;
}

SingleInstance::HandOver SingleInstance::handOver(const std::vector<std::string>& files) const {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(kAnswerWaitMs)) {
        return HandOver::NotListening;
    }
    QStringList paths;
    for (const std::string& file : files) {
        paths.push_back(QString::fromStdString(file));
    }
    QDataStream out(&socket);
    out.setVersion(kStreamVersion);
    out << paths;
    const bool answered = socket.waitForBytesWritten(kAnswerWaitMs) &&
                          (socket.bytesAvailable() > 0 || socket.waitForReadyRead(kAnswerWaitMs));
    return answered && socket.read(1) == QByteArray(1, kTaken) ? HandOver::Taken
                                                               : HandOver::NoAnswer;
}

void SingleInstance::listen(Arrived arrived) {
    if (!lock_ || !lock_->isLocked()) {
        return;
    }
    arrived_ = std::move(arrived);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketPath_);  // a killed mixer's
    if (!server_->listen(socketPath_)) {
        qWarning("rotavox: cannot listen on %s: %s", qPrintable(socketPath_),
                 qPrintable(server_->errorString()));
        return;
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, [this] {
        while (QLocalSocket* connection = server_->nextPendingConnection()) {
            serve(connection);
        }
    });
}

// One later start: its whole list of files, then the answer that they were taken.
void SingleInstance::serve(QLocalSocket* connection) {
    QObject::connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    const auto read = [this, connection] {
        QDataStream in(connection);
        in.setVersion(kStreamVersion);
        in.startTransaction();
        QStringList paths;
        in >> paths;
        if (!in.commitTransaction()) {
            return;  // more to come
        }
        connection->write(QByteArray(1, kTaken));
        connection->disconnectFromServer();
        std::vector<std::string> files;
        for (const QString& path : paths) {
            files.push_back(path.toStdString());
        }
        arrived_(files);
    };
    QObject::connect(connection, &QLocalSocket::readyRead, connection, read);
    read();  // what came before the connection was taken
}

}  // namespace gui
