// One running copy per data directory. Two copies on the same files would undo each other's saves
// (each rewrites a whole store from what it holds), so the copy that holds the lock file beside the
// data files is the only one that works on them. A later start on the same directory asks that copy,
// through a local socket named after the directory, to bring its window to the front, and ends. A
// copy in another directory has files of its own and runs side by side. The socket lies where only
// the user can create one, and each side talks only to a peer of the same user: no other local
// user can answer a later start or raise the window.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QLocalServer;

class TSingleCopy : public QObject
{
    Q_OBJECT
public:
    // directory is the data directory (with or without a trailing separator).
    explicit TSingleCopy(const QString& directory, QObject* parent = nullptr);
    ~TSingleCopy() override;

    enum class TStart {
        First,   // this copy works on the directory (also when the directory cannot hold a lock)
        Raised,  // the copy already running brought its window to the front: end with status 0
        Refused, // another copy holds the directory and did not answer: say Refusal(), status 1
    };
    // Takes the directory, or hands over to the copy that holds it. A lock left by a copy that no
    // longer runs is taken over.
    TStart Start();
    // The window a later start brings to the front.
    void SetWindow(QWidget* window) { FWindow = window; }

    // "Threadwick is already running with the files in DIR."
    QString Refusal() const;

    static QString LockFileName() { return QStringLiteral("Threadwick.lock"); }
    // The local socket's name: the same for every spelling of one directory, different for another.
    static QString ServerName(const QString& directory);
    // Where the sockets lie: $XDG_RUNTIME_DIR, else a directory of the user's own in the temporary
    // directory, made when missing; each only when it is a directory (not a link) that belongs to
    // the user and that nobody else may enter. Empty when neither is: the copy then runs without a
    // socket, and a later start says that it is running.
    static QString SocketDirectory();
    // Whether the other end of a connected local socket runs as this process's user.
    static bool PeerIsSameUser(qintptr socketDescriptor);
    // Shows a window that may be minimised or behind others, in front, with the keyboard focus.
    static void BringToFront(QWidget* window);

signals:
    // A later start on this directory asked for the window.
    void RaiseRequested();

private:
    // The socket's full path; empty when there is no safe place for it.
    QString SocketPath() const;
    bool AskRunningCopy() const;
    void Listen();
    void Answer();

    QString FDirectory; // canonical, without a trailing separator
    QLockFile FLock;
    QLocalServer* FServer = nullptr;
    QPointer<QWidget> FWindow;
};
