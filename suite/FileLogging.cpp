#include "suite/FileLogging.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QString>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <optional>
#include <system_error>

namespace kest {
namespace {

constexpr const char* kRaiseRequest = "raise";
constexpr const char* kRaisedAnswer = "raised";
constexpr int kRetryIntervalMs = 100;

QString QtPath(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

// Writes all of `size` bytes, going on after a partial write or an interruption.
bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// A file descriptor that closes itself, releasing any flock with it.
class OpenFile {
public:
    OpenFile(const std::filesystem::path& path, int flags) : fd_(::open(path.c_str(), flags | O_CLOEXEC, 0644)) {}
    ~OpenFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int fd() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }

private:
    int fd_;
};

// The next number of the key counter: read, incremented and written back under an exclusive
// lock, so that two processes never take the same number. Nothing when the file fails.
std::optional<uint64_t> TakeNextNumber(const std::filesystem::path& counterFile) {
    OpenFile file(counterFile, O_RDWR | O_CREAT);
    if (!file.isOpen()) return std::nullopt;
    int locked;
    while ((locked = ::flock(file.fd(), LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0) return std::nullopt;
    char text[32] = {};
    ssize_t length;
    while ((length = ::pread(file.fd(), text, sizeof text - 1, 0)) < 0 && errno == EINTR) {
    }
    uint64_t last = 0;
    if (length > 0) std::from_chars(text, text + length, last);  // an unreadable counter starts again at 0
    // Written over in place at a fixed width: truncating the file would make the file
    // system flush it at every key.
    const uint64_t next = last + 1;
    std::string nextText = std::to_string(next);
    nextText.insert(0, 20 - nextText.size(), '0');
    nextText += '\n';
    if (::lseek(file.fd(), 0, SEEK_SET) != 0 || !WriteAll(file.fd(), nextText.data(), nextText.size())) {
        return std::nullopt;
    }
    return next;
}

// Base 36, lowest digit first, at least two digits: 1 -> "10", 36 -> "01", 37 -> "11".
// Reading the digits the other way round keeps the text unique: only a one-digit number is
// padded, and it is the only kind that ends in '0'.
std::string KeySuffix(uint64_t number) {
    constexpr const char* kDigits = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string suffix;
    do {
        suffix += kDigits[number % 36];
        number /= 36;
    } while (number > 0);
    if (suffix.size() < 2) suffix += '0';
    return suffix;
}

}  // namespace

std::string InstanceChannelName(const std::filesystem::path& home) {
    std::error_code failed;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(home, failed);
    if (failed) canonical = home;
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(canonical.string()),
                                                     QCryptographicHash::Sha1).toHex();
    return "kestplus-profile-" + hash.left(16).toStdString();
}

FileLogging::FileLogging(std::filesystem::path home, int answerTimeoutMs, std::uintmax_t logRotationBytes)
    : home_(std::move(home)), answerTimeoutMs_(answerTimeoutMs), logRotationBytes_(logRotationBytes) {}

Status FileLogging::KestPrintfVB(const std::string& text) {
    std::error_code ignored;
    std::filesystem::create_directories(home_, ignored);
    for (;;) {
        // O_APPEND keeps lines of several processes whole; what write() returns is in the file
        // for every reader, even if this program stops right after.
        OpenFile file(logFile(), O_WRONLY | O_CREAT | O_APPEND);
        if (!file.isOpen()) return 0;
        struct stat opened {};
        if (::fstat(file.fd(), &opened) != 0 || static_cast<std::uintmax_t>(opened.st_size) <= logRotationBytes_)
            return WriteAll(file.fd(), text.data(), text.size()) ? 1 : 0;
        // Under the lock, only the process that finds the full log still in place moves it;
        // every process then writes to the new one.
        if (::flock(file.fd(), LOCK_EX) != 0) return 0;
        struct stat current {};
        if (::stat(logFile().c_str(), &current) != 0 || current.st_ino != opened.st_ino) continue;
        // The older logs move down one place (acquisition.log.1 to .2, ...); the oldest goes.
        std::error_code failed;
        for (int older = kKeptLogs - 1; older >= 1; --older)
            std::filesystem::rename(logFile().string() + "." + std::to_string(older),
                                    logFile().string() + "." + std::to_string(older + 1), failed);
        std::filesystem::rename(logFile(), logFile().string() + ".1", failed);
        // A log that cannot be moved grows on rather than lose a line.
        if (failed) return WriteAll(file.fd(), text.data(), text.size()) ? 1 : 0;
    }
}

Status FileLogging::KestGetUniqueObjectKey(std::string& buffer, int32_t capacity, const std::string& prefix) {
    FillTextBuffer(buffer, capacity, "");
    std::error_code ignored;
    std::filesystem::create_directories(home_, ignored);
    const auto number = TakeNextNumber(keyCounterFile());
    if (!number) return 0;
    const std::string key = prefix + KeySuffix(*number);
    if (key.size() + 1 > buffer.size()) return 0;  // the key needs its terminating NUL
    return FillTextBuffer(buffer, capacity, key);
}

Status FileLogging::KestCheckUnique(int32_t windowHandle, const std::string& title) {
    if (!QCoreApplication::instance()) return 0;
    const QString channel = QString::fromStdString(InstanceChannelName(home_));
    std::string oneLineTitle = title;
    std::replace(oneLineTitle.begin(), oneLineTitle.end(), '\n', ' ');
    const QByteArray request = QByteArray(kRaiseRequest) + ' ' + QByteArray::number(windowHandle) + ' ' +
                               QByteArray::fromStdString(oneLineTitle) + '\n';

    QEventLoop loop;
    QLocalSocket socket;
    QTimer retry;
    retry.setSingleShot(true);
    retry.setInterval(kRetryIntervalMs);
    bool answered = false;

    QObject::connect(&socket, &QLocalSocket::connected, &loop, [&] {
        socket.write(request);
        socket.flush();
    });
    QObject::connect(&socket, &QLocalSocket::readyRead, &loop, [&] {
        while (socket.canReadLine()) {
            if (socket.readLine().trimmed() == kRaisedAnswer) {
                answered = true;
                loop.quit();
            }
        }
    });
    // The earlier instance may have taken its lock without listening yet: ask again until
    // the time is up.
    QObject::connect(&socket, &QLocalSocket::errorOccurred, &loop, [&](QLocalSocket::LocalSocketError error) {
        if (error == QLocalSocket::ServerNotFoundError || error == QLocalSocket::ConnectionRefusedError) {
            retry.start();
        }
    });
    QObject::connect(&retry, &QTimer::timeout, &loop, [&] {
        socket.abort();
        socket.connectToServer(channel);
    });
    QTimer::singleShot(answerTimeoutMs_, &loop, &QEventLoop::quit);

    socket.connectToServer(channel);
    loop.exec();
    socket.abort();
    return answered ? 1 : 0;
}

InstanceBeacon::InstanceBeacon(const std::filesystem::path& home, std::function<void()> raise)
    : server_(std::make_unique<QLocalServer>()), channel_(InstanceChannelName(home)), raise_(std::move(raise)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            const auto answer = [this, socket] {
                while (socket->canReadLine()) {
                    if (!socket->readLine().startsWith(kRaiseRequest)) continue;
                    if (raise_) raise_();
                    socket->write(QByteArray(kRaisedAnswer) + '\n');
                    socket->flush();
                }
            };
            QObject::connect(socket, &QLocalSocket::readyRead, socket, answer);
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            answer();  // the request may have come with the connection
        }
    });
}

InstanceBeacon::~InstanceBeacon() = default;

bool InstanceBeacon::listen(std::string& error) {
    const QString name = QString::fromStdString(channel_);
    // Only the holder of the instance lock listens, so a channel still there is a crashed
    // instance's.
    QLocalServer::removeServer(name);
    if (server_->listen(name)) return true;
    error = "Cannot listen on '" + channel_ + "': " + server_->errorString().toStdString();
    return false;
}

bool InstanceBeacon::isListening() const { return server_->isListening(); }

InstanceLock::InstanceLock(const std::filesystem::path& home)
    : home_(home), file_(std::make_unique<QLockFile>(QtPath(home / "kestplus-profile.lock"))) {
    // The lock lasts the whole run: only a lock whose process has gone is stale.
    file_->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::earlierInstanceRuns() {
    if (held_) return false;
    std::error_code ignored;
    std::filesystem::create_directories(home_, ignored);
    held_ = file_->tryLock(0);
    // A lock that cannot be written at all says nothing of an earlier instance.
    return !held_ && file_->error() == QLockFile::LockFailedError;
}

bool InstanceLock::held() const { return held_; }

InstrumentLock::InstrumentLock(const std::filesystem::path& home)
    : file_(home / "instrument.lock"), lock_(std::make_unique<QLockFile>(QtPath(file_))) {
    lock_->setStaleLockTime(0);  // held for a whole scan: only a lock whose process has gone is stale
}

InstrumentLock::~InstrumentLock() {
    if (!lock_->isLocked()) return;
    std::error_code ignored;
    std::filesystem::remove(file_.string() + ".holder", ignored);
}

std::optional<std::string> InstrumentLock::take(const std::string& holder) {
    const std::filesystem::path named = file_.string() + ".holder";
    if (lock_->tryLock(0)) {
        std::ofstream(named, std::ios::trunc) << holder;
        return std::nullopt;
    }
    if (lock_->error() != QLockFile::LockFailedError) return std::nullopt;
    qint64 pid = 0;
    QString host, application;
    lock_->getLockInfo(&pid, &host, &application);
    std::ifstream in(named);
    std::string who;
    std::getline(in, who);
    if (who.empty()) who = application.toStdString();
    return "the instrument is driven by another program on this home: " + who + " (process " + std::to_string(pid) +
           " on " + host.toStdString() + ", holding " + file_.string() + "); one program at a time drives the stage";
}

}  // namespace kest
