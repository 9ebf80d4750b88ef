// The posting run's costs:
// - page loads with the watch on the page's send and without it, in the same run: two panes load the
//   same posting page again and again after writing a body into it; one of them watches the page
//   before each next load, the other does not, and a third like the second shows how far two
//   identical set-ups differ on this machine;
// - the forum list redrawn with its marks: 1,000 forums against a record of 10,000 posts, from the
//   change of the subject to the list painted;
// - a page's thread address of 1.5 MB with right-to-left overrides made fit to show in a tip, a note
//   or a copy (goal: well within a frame, 16 ms; such an address once held the window 3.5 s a hover).
#include "EngineBench.h"
#include "app/TApplication.h"
#include "browser/TBrowserPane.h"
#include "browser/TPostFill.h"
#include "browser/TSendWatch.h"
#include "ui/FMain.h"
#include "ui/UPostRecord.h"

#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// A posting page with parts of its own, so that a load does real work: 60 images, then the form.
constexpr int Images = 60;
// The list and the record of a long run.
constexpr int ForumCount = 1000;
constexpr int PostCount = 10000;
// A window tall enough for the list to show about forty rows.
constexpr int ListedWindowHeight = 1300;
// Subjects the record spreads its posts over: the subject shown has one post in ten.
constexpr int Subjects = 10;

QString WritePage(const QTemporaryDir& dir)
{
    QString html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>bench</title>"
                                  "</head><body>");
    QImage pixel(4, 4, QImage::Format_RGB32);
    for (int i = 0; i < Images; ++i) {
        pixel.fill(QColor::fromRgb(i, 255 - i, 7 * i % 256));
        pixel.save(dir.filePath(QStringLiteral("image%1.png").arg(i)));
        html += QStringLiteral("<img src=\"image%1.png\">").arg(i);
    }
    html += QStringLiteral("<form method=\"post\" action=\"/post\"><input name=\"subject\" type=\"text\">"
                           "<textarea name=\"message\" rows=\"12\" cols=\"60\"></textarea>"
                           "<input type=\"submit\" value=\"Submit\"></form></body></html>");
    QFile page(dir.filePath(QStringLiteral("posting.html")));
    if (!page.open(QIODevice::WriteOnly))
        std::abort();
    page.write(html.toUtf8());
    return QUrl::fromLocalFile(page.fileName()).toString();
}

void WaitLoaded(TBrowserPane& pane)
{
    while (pane.IsBusy() || !pane.Page() || pane.Page()->isLoading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Writes a body into the page as Auto Insert does, so that the page holds a written field.
void FillBody(TBrowserPane& pane)
{
    QEventLoop loop;
    TPostFill fill(&pane);
    fill.FillPost(QStringLiteral("s"), QStringLiteral("A body\nof two lines"), {true, true},
                  [&](TPostFill::TPostParts) { loop.quit(); });
    loop.exec();
}

// One load of the page from the request to the engine's report that it and its parts loaded.
double LoadOnce(TBrowserPane& pane, const QString& url)
{
    QEventLoop loop;
    const auto connection =
        QObject::connect(pane.Page(), &QWebEnginePage::loadFinished, &loop, [&] { loop.quit(); });
    const auto started = std::chrono::steady_clock::now();
    pane.Navigate(url);
    loop.exec();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    QObject::disconnect(connection);
    WaitLoaded(pane);
    return seconds;
}

void BM_PageLoadWithWatch(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString url = WritePage(dir);
    TBrowserPane watched, plain, control;
    for (TBrowserPane* pane : {&watched, &plain, &control}) {
        pane->resize(800, 600);
        pane->show();
        pane->Navigate(url);
        WaitLoaded(*pane);
    }
    TSendWatch watch(&watched);
    int watching = 0;
    RunRotatingRounds(state, "watched_ms", [&](int which) {
        TBrowserPane& pane = which == 0 ? plain : which == 1 ? watched : control;
        FillBody(pane);
        if (which == 1) {
            watch.WatchForSend();
            // The watch is running in the page before the next load starts.
            QEventLoop loop;
            pane.Page()->runJavaScript(QStringLiteral("1"), QWebEngineScript::ApplicationWorld,
                                       [&](const QVariant&) { loop.quit(); });
            loop.exec();
            // The figures count only if the watch really ran in the page.
            watching += watch.Watching() ? 1 : 0;
        }
        return LoadOnce(pane, url);
    });
    state.counters["watched_loads"] = watching;
}
BENCHMARK(BM_PageLoadWithWatch)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_MarkedListRedraw(benchmark::State& state)
{
    QTemporaryDir dir;
    QByteArray forums = "URL^Username^Password^\r\n";
    for (int i = 0; i < ForumCount; ++i)
        forums += "https://forum" + QByteArray::number(i) + ".example.org/posting.php?mode=post^user^pw^\r\n";
    QByteArray posts = "Subject^ForumURL^SentAt^ThreadURL^\r\n";
    for (int i = 0; i < PostCount; ++i)
        posts += "Subject " + QByteArray::number(i % Subjects) + "^https://forum" +
                 QByteArray::number(i % ForumCount) +
                 ".example.org/posting.php?mode=post^2026-12-09T18:00:00Z^" + "https://forum" +
                 QByteArray::number(i % ForumCount) +
                 ".example.org/viewtopic.php?t=" + QByteArray::number(i) + "^\r\n";
    for (const auto& [name, bytes] : {std::pair{"Forums.dat", forums}, std::pair{"Posts.dat", posts}}) {
        QFile file(dir.filePath(QLatin1String(name)));
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
        file.write(bytes);
    }
    TfrmMain window(dir.path());
    // A tall window: the list shows some forty forums at once, more than a usual screen does.
    window.resize(window.width(), ListedWindowHeight);
    window.show();
    QCoreApplication::processEvents();
    int turn = 0;
    for (auto _ : state) {
        // Another subject each time: every mark is worked out anew.
        window.edtSubject->setText(QStringLiteral("Subject %1").arg(turn++ % Subjects));
        window.lvwForums->viewport()->repaint();
    }
    state.counters["rows_shown"] =
        window.lvwForums->viewport()->height() / window.lvwForums->sizeHintForRow(0);
}
BENCHMARK(BM_MarkedListRedraw)->Unit(benchmark::kMillisecond);

void BM_HugeAddressShown(benchmark::State& state)
{
    const std::string huge = "http://a.example/t/" + std::string(750'000, 'x') + "\u202e" +
                             std::string(750'000, 'y') + "\u202e" + "gpj.exe";
    for (auto _ : state)
        benchmark::DoNotOptimize(ShownAddress(huge));
}
BENCHMARK(BM_HugeAddressShown)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunEngineBenchmarks(argc, argv);
}
