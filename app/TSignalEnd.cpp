// The signal handler and the socket pair that carries a signal to the event loop.
#include "app/TSignalEnd.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array EndingSignals{SIGTERM, SIGINT, SIGHUP};

// The handler's end of the pair; written only by the handler.
volatile sig_atomic_t WriteEnd = -1;

void SetDefaultActions()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int number : EndingSignals)
        ::sigaction(number, &action, nullptr);
}

// Async-signal-safe: write(2) and sigaction(2) only. After the first signal the default actions come
// back, so that a second one ends a program that hangs while it ends.
extern "C" void HandleEndingSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    if (WriteEnd >= 0)
        (void)!::write(WriteEnd, &byte, 1);
    SetDefaultActions();
    errno = saved;
}

} // namespace

TSignalEnd::TSignalEnd(QObject* parent) : QObject(parent)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0)
        return; // the signals keep their default action: the program ends as it always did
    FRead = ends[0];
    WriteEnd = ends[1];
    FNotifier = new QSocketNotifier(FRead, QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TSignalEnd::Read);

    struct sigaction action = {};
    action.sa_handler = HandleEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : EndingSignals)
        ::sigaction(number, &action, nullptr);
}

TSignalEnd::~TSignalEnd()
{
    if (FRead < 0)
        return;
    SetDefaultActions();
    const int writeEnd = WriteEnd;
    WriteEnd = -1;
    ::close(writeEnd);
    ::close(FRead);
}

void TSignalEnd::Read()
{
    unsigned char byte = 0;
    const ssize_t got = ::read(FRead, &byte, 1);
    if (got != 1)
        return;
    FNotifier->setEnabled(false); // once is enough
    emit Ending(byte);
}
