// Auto Insert on pages of 1,000 to 100,000 form elements: the button's three steps (the fields
// named "subject" and "body", then finding and typing into the posting form) timed from the call
// to the last answer, beside the floor of one empty script round trip into the page.
#include "app/TApplication.h"
#include "browser/TBrowserPane.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <cstdlib>
#include <memory>

namespace {

// Elements of one filler form: the kinds a busy forum page has (settings, quick replies, polls).
constexpr int FormSize = 10;

TBrowserPane* Pane = nullptr;
QTemporaryDir* Pages = nullptr;
int Loaded = -1;

const QString Subject = QStringLiteral("Question about the new release");
const QString Body =
    QStringLiteral("Hello all,\n\nafter the update the page at https://example.org/help no longer "
                   "opens for me.\nHas anyone seen this? <b>Thanks</b> & regards,\nA reader");

// A page with about `elements` form elements: filler forms first, then the posting form (a topic
// title and a content box with no field named "subject" or "body", so every step does its work).
QString WritePage(int elements)
{
    QByteArray html =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>bench</title></head><body>\n"
        "<form action=\"/search\"><input type=\"search\" name=\"q\"><button>Search</button></form>\n";
    for (int form = 0; form < (elements - 6) / FormSize; ++form) {
        const QByteArray n = QByteArray::number(form);
        html += "<form method=\"post\" action=\"/f" + n + "\"><input type=\"text\" name=\"name" + n +
                "\"><input type=\"checkbox\" name=\"c" + n + "\"><select name=\"s" + n +
                "\"><option>a<option>b</select><input type=\"hidden\" name=\"h" + n +
                "\" value=\"x\"><textarea name=\"t" + n +
                "\" rows=\"1\" cols=\"20\"></textarea><input name=\"e" + n +
                "\" style=\"display:none\"><input type=\"radio\" name=\"r" + n +
                "\"><input type=\"email\" name=\"m" + n + "\"><input type=\"number\" name=\"k" + n +
                "\"><button type=\"submit\">Save</button></form>\n";
    }
    html +=
        "<form id=\"post\" method=\"post\" action=\"/post\"><label for=\"title\">Topic title</label>"
        "<input id=\"title\" name=\"topic_title\" type=\"text\"><textarea name=\"content\" rows=\"12\" "
        "cols=\"60\"></textarea><input type=\"text\" name=\"tags\"><button type=\"submit\">Submit</button>"
        "</form></body></html>\n";
    const QString path = Pages->filePath(QStringLiteral("page%1.html").arg(elements));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(html) != html.size())
        std::abort();
    return path;
}

void Load(int elements)
{
    if (Loaded == elements)
        return;
    Pane->Navigate(QUrl::fromLocalFile(WritePage(elements)).toString());
    while (Pane->IsBusy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // The engine lays a big page out after it has loaded: wait for that outside the measurement.
    QEventLoop loop;
    Pane->Page()->runJavaScript(QStringLiteral("document.body.getBoundingClientRect().height"),
                                QWebEngineScript::ApplicationWorld, [&](const QVariant&) { loop.quit(); });
    loop.exec();
    Loaded = elements;
}

// The button's steps, as its handler runs them; returns once the last one has answered.
void RunAutoInsert()
{
    QEventLoop loop;
    bool done = false;
    TBrowserPane* pane = Pane;
    pane->FillField(QStringLiteral("subject"), Subject, [&, pane](bool subject) {
        pane->FillField(QStringLiteral("body"), Body, [&, pane, subject](bool body) {
            pane->FillPost(Subject, Body, {!subject, !body}, [&](TBrowserPane::TPostParts written) {
                if (!written.Subject || !written.Body)
                    std::abort(); // the page is built so that both are found
                done = true;
                loop.quit();
            });
        });
    });
    if (!done)
        loop.exec();
}

void AutoInsert(benchmark::State& state)
{
    Load(int(state.range(0)));
    RunAutoInsert(); // the first run compiles the scripts and lays the page out
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        RunAutoInsert();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
}

// Floor: one script that does nothing, into the page's isolated world and back.
void RoundTrip(benchmark::State& state)
{
    Load(int(state.range(0)));
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        QEventLoop loop;
        Pane->Page()->runJavaScript(QStringLiteral("true"), QWebEngineScript::ApplicationWorld,
                                    [&](const QVariant&) { loop.quit(); });
        loop.exec();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
}

} // namespace

// Each size's page is loaded once, for both of its measurements.
BENCHMARK(AutoInsert)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(RoundTrip)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(AutoInsert)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(RoundTrip)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(AutoInsert)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(RoundTrip)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    // The pane need not be seen: the page is laid out all the same.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    TApplication::PrepareEngine();
    int qtArgc = 1;
    TApplication app(qtArgc, argv);
    TBrowserPane::SetProfileDirectory(QString());
    QTemporaryDir pages;
    Pages = &pages;
    auto pane = std::make_unique<TBrowserPane>();
    pane->resize(1024, 700);
    pane->show();
    Pane = pane.get();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Leave without waiting for the engine to shut down.
    std::_Exit(0);
}
