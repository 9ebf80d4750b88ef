// Start-up probe: starts either Threadwick's main window (in the given application directory) or a
// bare window holding only the engine's view, and on the window's first paint prints the time of
// that paint (CLOCK_MONOTONIC, nanoseconds). One second later it prints the proportional memory of
// its whole process tree (the engine's helper processes included), in KiB, and exits.
//   startup_probe main APPDIR | startup_probe bare
#include "app/TApplication.h"
#include "ui/FMain.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineView>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

namespace {

long long MonotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// Proportional set size of a process, in KiB (shared pages split between their users).
long long PssKiB(const QString& pid)
{
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// This process and every descendant.
long long TreePssKiB(const QString& root)
{
    long long total = PssKiB(root);
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(root));
    if (children.open(QIODevice::ReadOnly))
        for (const QByteArray& child : children.readAll().split(' '))
            if (!child.trimmed().isEmpty())
                total += TreePssKiB(QString::fromLatin1(child.trimmed()));
    return total;
}

class TFirstPaint : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The window's first repaint request: once it is handled, the first frame is on screen.
        if (event->type() == QEvent::UpdateRequest && !FDone) {
            FDone = true;
            QTimer::singleShot(0, [] {
                std::printf("painted %lld\n", MonotonicNanoseconds());
                std::fflush(stdout);
            });
            QTimer::singleShot(1000, [] {
                std::printf("pss %lld\n", TreePssKiB(QString::number(QCoreApplication::applicationPid())));
                std::fflush(stdout);
                // Nothing to keep: leave at once rather than wait for the engine to shut down.
                std::_Exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool FDone = false;
};

} // namespace

int main(int argc, char** argv)
{
    const bool bare = argc >= 2 && QByteArray(argv[1]) == "bare";
    TApplication::PrepareEngine();
    int qtArgc = 1;
    TApplication app(qtArgc, argv);
    TFirstPaint probe;
    std::unique_ptr<QWidget> window;
    if (bare) {
        // The same frame as the main window: a top-level widget holding the engine's view.
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new QWebEngineView(window.get()));
        window->resize(761, 566);
    } else {
        window = std::make_unique<TfrmMain>(argc >= 3 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath());
    }
    window->installEventFilter(&probe);
    window->show();
    return app.exec();
}
