// Shared helpers of the widget tests.
#include "GuiTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

TTempAppDir::TTempAppDir() = default;

QString TTempAppDir::Path() const
{
    return FDir.path() + QLatin1Char('/');
}

void TTempAppDir::Write(const QString& name, const QByteArray& bytes) const
{
    QFile file(Path() + name);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray TTempAppDir::Read(const QString& name) const
{
    QFile file(Path() + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TTempAppDir::Exists(const QString& name) const
{
    return QFile::exists(Path() + name);
}

void TTempAppDir::MarkOld(const QString& name) const
{
    const timespec epoch[2] = {{0, 0}, {0, 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(Path() + name).constData(), epoch, 0);
}

bool TTempAppDir::WrittenSinceMarked(const QString& name) const
{
    struct stat info;
    return ::stat(QFile::encodeName(Path() + name).constData(), &info) == 0 && info.st_mtim.tv_sec != 0;
}

TMessageRecorder::TMessageRecorder()
{
    TMessageBox::SetTestHook([this](TMessageDialog& box) {
        FBoxes.append({box.windowTitle(), box.Text(), box.size()});
        return FAnswer;
    });
}

TMessageRecorder::~TMessageRecorder()
{
    TMessageBox::SetTestHook(nullptr);
}

void Pump(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (timer.elapsed() < milliseconds);
}

QString FixturePath(const QString& name)
{
    return qEnvironmentVariable("THREADWICK_FIXTURES") + QLatin1Char('/') + name;
}
