// The cost of the local-page guard: a local page with 200 sub-resources (images, style sheets and
// scripts, each a file of its own) loaded again and again in the pane's page, in turn in a profile
// with the request interceptor and in two without it (the second shows how far two identical
// set-ups differ on this machine), all in the same run. Each load runs from the request to the
// engine's report that the page and all its parts have loaded.
#include "EngineBench.h"
#include "app/TApplication.h"
#include "browser/TBrowserPage.h"
#include "browser/TLocalContentGuard.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int SubResources = 200;

// The guard, counting the requests it sees so the figures show it really took part.
class TCountingGuard : public TLocalContentGuard
{
public:
    using TLocalContentGuard::TLocalContentGuard;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        ++Seen;
        TLocalContentGuard::interceptRequest(info);
    }
    long Seen = 0;
};

// A page whose 200 parts are distinct files: 120 images, 40 style sheets, 40 scripts.
QString WritePage(const QTemporaryDir& dir)
{
    QString html = QStringLiteral("<!DOCTYPE html><html><head><title>bench</title>");
    QImage pixel(4, 4, QImage::Format_RGB32);
    for (int i = 0; i < SubResources; ++i) {
        const QString n = QString::number(i);
        if (i < 120) {
            pixel.fill(QColor::fromRgb(i, 255 - i, 7 * i % 256));
            pixel.save(dir.filePath(QStringLiteral("image%1.png").arg(n)));
        } else if (i < 160) {
            QFile css(dir.filePath(QStringLiteral("style%1.css").arg(n)));
            css.open(QIODevice::WriteOnly);
            css.write(QStringLiteral(".c%1 { color: #%2; margin: %3px; }\n")
                          .arg(n)
                          .arg(i * 4099 % 0xffffff, 6, 16, QLatin1Char('0'))
                          .arg(i % 9)
                          .toUtf8());
            html += QStringLiteral("<link rel=\"stylesheet\" href=\"style%1.css\">").arg(n);
        } else {
            QFile js(dir.filePath(QStringLiteral("script%1.js").arg(n)));
            js.open(QIODevice::WriteOnly);
            js.write(QStringLiteral("window.loaded%1 = (window.loaded%1 || 0) + 1;\n").arg(n).toUtf8());
        }
    }
    html += QStringLiteral("</head><body>");
    for (int i = 0; i < SubResources; ++i) {
        if (i < 120)
            html += QStringLiteral("<img src=\"image%1.png\" class=\"c%2\">").arg(i).arg(120 + i % 40);
        else if (i >= 160)
            html += QStringLiteral("<script src=\"script%1.js\"></script>").arg(i);
    }
    html += QStringLiteral("</body></html>");
    QFile page(dir.filePath(QStringLiteral("page.html")));
    page.open(QIODevice::WriteOnly);
    page.write(html.toUtf8());
    return QUrl::fromLocalFile(page.fileName()).toString();
}

// One load of the page, in seconds.
double LoadOnce(QWebEnginePage& page, const QUrl& url)
{
    QEventLoop loop;
    bool ok = false;
    const auto connection = QObject::connect(&page, &QWebEnginePage::loadFinished, &loop, [&](bool finished) {
        ok = finished;
        loop.quit();
    });
    const auto started = std::chrono::steady_clock::now();
    page.load(url);
    loop.exec();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    QObject::disconnect(connection);
    if (!ok)
        std::fprintf(stderr, "the page did not load\n");
    return seconds;
}

void BM_LocalPageLoad(benchmark::State& state)
{
    QTemporaryDir dir;
    const QUrl url(WritePage(dir));
    // The page runs its scripts as the program's own pages (the practice forum) do.
    TLocalContentGuard::SetOwnDirectories({dir.path()});
    // Two profiles alike but for the guard; neither keeps anything on disk.
    TCountingGuard guard;
    QWebEngineProfile plainProfile;
    QWebEngineProfile guardedProfile;
    guardedProfile.setUrlRequestInterceptor(&guard);
    // A second profile without the guard measures how far two identical set-ups differ here.
    QWebEngineProfile controlProfile;
    TBrowserPage plain(&plainProfile, nullptr);
    TBrowserPage guarded(&guardedProfile, nullptr);
    TBrowserPage control(&controlProfile, nullptr);
    // Each page's engine process is started and warm before anything is measured.
    for (QWebEnginePage* page : {static_cast<QWebEnginePage*>(&plain), static_cast<QWebEnginePage*>(&guarded),
                                 static_cast<QWebEnginePage*>(&control)})
        LoadOnce(*page, url);
    guard.Seen = 0;

    const int rounds = RunRotatingRounds(state, "guarded_ms", [&](int which) {
        QWebEnginePage& page = which == 0   ? static_cast<QWebEnginePage&>(plain)
                               : which == 1 ? static_cast<QWebEnginePage&>(guarded)
                                            : static_cast<QWebEnginePage&>(control);
        return LoadOnce(page, url);
    });
    state.counters["intercepted_per_load"] = double(guard.Seen) / std::max(1, rounds);
}
BENCHMARK(BM_LocalPageLoad)->Iterations(60)->UseManualTime()->Unit(benchmark::kMillisecond);

// The guard's decision alone, for the kinds of request a local page makes: a part of its own, a
// network address refused, and a web page's part let through.
void BM_GuardDecision(benchmark::State& state)
{
    const QUrl page(QStringLiteral("file:///home/ann/demo/practice-forum.html"));
    const QUrl origin(QStringLiteral("file:///"));
    const QUrl image(QStringLiteral("file:///home/ann/demo/image7.png"));
    const QUrl remote(QStringLiteral("http://127.0.0.1:8080/collect?all=1"));
    const QUrl web(QStringLiteral("https://forum.example.org/board"));
    const QUrl webOrigin(QStringLiteral("https://forum.example.org"));
    for (auto _ : state) {
        benchmark::DoNotOptimize(TLocalContentGuard::Refused(false, page, origin, image));
        benchmark::DoNotOptimize(TLocalContentGuard::Refused(false, page, origin, remote));
        benchmark::DoNotOptimize(TLocalContentGuard::Refused(false, web, webOrigin, web));
    }
    state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_GuardDecision);

} // namespace

int main(int argc, char** argv)
{
    return RunEngineBenchmarks(argc, argv);
}
