// Ends the program cleanly on SIGTERM, SIGINT and SIGHUP (a service manager's stop, Ctrl+C in a
// terminal, a closed terminal), as the end of a desktop session does, instead of losing the message
// being written. The handler only writes the signal's number into a socket pair, which is all a
// signal handler may safely do; the event loop reads it and emits Ending on the user-interface thread.
#pragma once

#include <QObject>

class QSocketNotifier;

class TSignalEnd : public QObject
{
    Q_OBJECT
public:
    explicit TSignalEnd(QObject* parent = nullptr);
    // Gives the three signals back their default action.
    ~TSignalEnd() override;

signals:
    // A signal arrived; the program should end. Emitted once.
    void Ending(int signal);

private:
    void Read();

    int FRead = -1;
    QSocketNotifier* FNotifier = nullptr;
};
