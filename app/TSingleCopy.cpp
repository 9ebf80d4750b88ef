// The lock on a data directory and the hand-over to the copy that holds it. QLockFile keeps the
// lock (a system lock on the file, with the holder's process id inside, so that the lock of a copy
// that was killed is recognised and taken over); QLocalServer and QLocalSocket carry the request to
// show the window, as single-instance desktop programs do. The socket's place and its peer are
// checked by hand with the system's calls: Qt offers no way to ask who is at the other end.
#include "app/TSingleCopy.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The request a later start sends and the answer of the running copy, one line each.
constexpr char RaiseRequest[] = "raise\n";
constexpr char RaisedAnswer[] = "raised\n";
// Longest line either side reads: anything longer is not from Threadwick.
constexpr qint64 MaxLine = 64;
// A copy started a moment earlier may hold the lock before it listens: a later start keeps trying
// for this long before it gives up.
constexpr int HandOverWaitMs = 5000;
constexpr int RetryPauseMs = 100;
constexpr int ConnectWaitMs = 1000;
// The running copy answers from its event loop, which a slow start-up or a busy moment can hold
// up for a while.
constexpr int AnswerWaitMs = 10000;

// Only the user may create or remove anything in the directory: it belongs to the user, is a
// directory itself (not a link another user could turn elsewhere) and lets nobody else in.
bool OwnPrivateDirectory(const QString& path)
{
    struct stat status = {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    return S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() &&
           (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

// QLockFile creates its file 0666 less the umask, so a umask of 000 would let anyone write it. It is
// taken under a umask that also keeps group and others from writing: 0644 less the user's umask, as
// the stores' files are created. The umask belongs to the whole process; while it is changed, a file
// another thread creates can only come out narrower, never wider.
bool TakeLock(QLockFile& lock)
{
    const mode_t previous = ::umask(0777);
    ::umask(previous | 022);
    const bool locked = lock.tryLock(0);
    ::umask(previous);
    return locked;
}

QString CanonicalDirectory(const QString& directory)
{
    const QString canonical = QFileInfo(directory).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QDir(directory).absolutePath()) : canonical;
}

} // namespace

TSingleCopy::TSingleCopy(const QString& directory, QObject* parent)
    : QObject(parent), FDirectory(CanonicalDirectory(directory)),
      FLock(FDirectory + QLatin1Char('/') + LockFileName())
{
    // Only a holder that no longer runs makes a lock stale, however long ago it was taken: a copy
    // may run for days.
    FLock.setStaleLockTime(0);
}

TSingleCopy::~TSingleCopy() = default;

QString TSingleCopy::ServerName(const QString& directory)
{
    const QByteArray hash =
        QCryptographicHash::hash(CanonicalDirectory(directory).toUtf8(), QCryptographicHash::Sha256);
    // A short name: the socket's whole path must fit the system's limit for socket addresses.
    return QStringLiteral("threadwick-") + QString::fromLatin1(hash.toHex().left(24));
}

QString TSingleCopy::SocketDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && OwnPrivateDirectory(runtime))
        return QDir::cleanPath(runtime);
    const QString own = QDir::tempPath() + QStringLiteral("/threadwick-") + QString::number(::geteuid());
    // Made private from the start; one that exists already is taken only as it stands.
    ::mkdir(QFile::encodeName(own).constData(), S_IRWXU);
    return OwnPrivateDirectory(own) ? own : QString();
}

bool TSingleCopy::PeerIsSameUser(qintptr socketDescriptor)
{
    struct ucred peer = {};
    socklen_t size = sizeof peer;
    if (socketDescriptor < 0 ||
        ::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
        size != sizeof peer)
        return false;
    return peer.uid == ::geteuid();
}

QString TSingleCopy::SocketPath() const
{
    const QString directory = SocketDirectory();
    return directory.isEmpty() ? QString() : directory + QLatin1Char('/') + ServerName(FDirectory);
}

QString TSingleCopy::Refusal() const
{
    return QStringLiteral("Threadwick is already running with the files in %1.")
        .arg(QDir::toNativeSeparators(FDirectory));
}

TSingleCopy::TStart TSingleCopy::Start()
{
    const QDeadlineTimer handOver(HandOverWaitMs);
    for (;;) {
        if (TakeLock(FLock)) {
            Listen();
            return TStart::First;
        }
        // A directory that cannot hold a lock file (one the user may not write) runs unguarded:
        // its saves fail with their own messages, and reading it does no harm.
        if (FLock.error() != QLockFile::LockFailedError)
            return TStart::First;
        if (AskRunningCopy())
            return TStart::Raised;
        if (handOver.hasExpired())
            return TStart::Refused;
        QThread::msleep(RetryPauseMs);
    }
}

bool TSingleCopy::AskRunningCopy() const
{
    const QString path = SocketPath();
    if (path.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(ConnectWaitMs))
        return false;
    // An answer counts only from a copy of this user's.
    if (!PeerIsSameUser(socket.socketDescriptor()))
        return false;
    socket.write(RaiseRequest);
    if (!socket.waitForBytesWritten(ConnectWaitMs))
        return false;
    const QDeadlineTimer answer(AnswerWaitMs);
    while (!socket.canReadLine()) {
        if (socket.bytesAvailable() > MaxLine || !socket.waitForReadyRead(int(answer.remainingTime())))
            return false;
    }
    return socket.readLine(MaxLine + 1) == RaisedAnswer;
}

void TSingleCopy::Listen()
{
    FServer = new QLocalServer(this);
    // Only this user's programs may ask for the window.
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = SocketPath();
    // Without the socket this copy still runs; a later start then says that it is running.
    if (path.isEmpty())
        return;
    // A copy that was killed leaves its socket behind; holding the lock, this copy owns the name.
    QLocalServer::removeServer(path);
    if (!FServer->listen(path))
        return;
    connect(FServer, &QLocalServer::newConnection, this, &TSingleCopy::Answer);
}

void TSingleCopy::Answer()
{
    while (QLocalSocket* socket = FServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // Only this user's programs may ask for the window.
        if (!PeerIsSameUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > MaxLine)
                    socket->abort();
                return;
            }
            if (socket->readLine(MaxLine + 1) == RaiseRequest) {
                BringToFront(FWindow);
                emit RaiseRequested();
                socket->write(RaisedAnswer);
            }
            socket->disconnectFromServer();
        });
    }
}

void TSingleCopy::BringToFront(QWidget* window)
{
    if (!window)
        return;
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}
