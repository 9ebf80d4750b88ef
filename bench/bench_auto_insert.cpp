// Auto Insert on pages of 1,000 to 100,000 form elements, through the real button of the main
// window: from the click until the text is in the page (the fields named "subject" and "body",
// then finding and writing into the posting form), and apart from it the read-back that follows,
// its waiting for the page's editors apart from its own work. Beside them two floors: one empty
// script round trip into the page, and one empty editing command on the same page.
#include "app/TApplication.h"
#include "browser/TBrowserPane.h"
#include "browser/TPostFill.h"
#include "ui/FMain.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <cstdlib>
#include <memory>

namespace {

// Elements of one filler form: the kinds a busy forum page has (settings, quick replies, polls).
constexpr int FormSize = 10;

TfrmMain* Window = nullptr;
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

// Times of one click, in seconds: until the text is in the page, the read-back's wait for the
// editors, and the read-back's own work (both checks when there are two).
struct TClick
{
    double Typed = 0;
    double Waiting = 0;
    double Checking = 0;
};

// Clicks the button and returns once the whole chain has run.
TClick ClickAutoInsert()
{
    TClick click;
    QEventLoop loop;
    QElapsedTimer timer;
    qint64 last = 0;
    auto since = [&] {
        const qint64 now = timer.nsecsElapsed();
        const double seconds = double(now - last) / 1e9;
        last = now;
        return seconds;
    };
    const QMetaObject::Connection connection =
        QObject::connect(Window->PostFill, &TPostFill::FillStageReached, [&](TPostFill::TFillStage stage) {
            switch (stage) {
            case TPostFill::TFillStage::Typed:
                click.Typed = since();
                break;
            case TPostFill::TFillStage::Checking:
                click.Waiting += since();
                break;
            case TPostFill::TFillStage::Checked:
                click.Checking += since();
                break;
            case TPostFill::TFillStage::Shown:
                loop.quit();
                break;
            }
        });
    // The user typed the message: the keyboard focus is in the program's own window.
    Window->memBody->setFocus(Qt::OtherFocusReason);
    timer.start();
    Window->btnAutoInsert->click();
    loop.exec();
    QObject::disconnect(connection);
    if (click.Typed == 0 || click.Checking == 0)
        std::abort(); // the page is built so that both parts are found
    return click;
}

void AutoInsert(benchmark::State& state)
{
    Load(int(state.range(0)));
    ClickAutoInsert(); // the first run compiles the scripts and lays the page out
    double waiting = 0, checking = 0;
    for (auto _ : state) {
        const TClick click = ClickAutoInsert();
        state.SetIterationTime(click.Typed);
        waiting += click.Waiting;
        checking += click.Checking;
    }
    // Milliseconds per click.
    state.counters["readback_wait_ms"] =
        benchmark::Counter(waiting * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["readback_work_ms"] =
        benchmark::Counter(checking * 1e3, benchmark::Counter::kAvgIterations);
}

// The engine's own editing work, as typing would ask for it: the focus into the content box, and
// one editing command there that inserts nothing (over the box's selected text).
void EmptyInsertText(benchmark::State& state)
{
    Load(int(state.range(0)));
    const QString script = QStringLiteral(
        "(function () { const box = document.querySelector('textarea[name=content]'); box.focus(); "
        "box.select();"
        " const done = document.execCommand('insertText', false, ''); box.blur(); return done; })()");
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        QEventLoop loop;
        Pane->Page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                    [&](const QVariant&) { loop.quit(); });
        loop.exec();
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

// Each size's page is loaded once, for all three of its measurements.
BENCHMARK(AutoInsert)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(EmptyInsertText)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(RoundTrip)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(AutoInsert)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(EmptyInsertText)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(RoundTrip)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(AutoInsert)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(EmptyInsertText)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);
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
    QTemporaryDir appDirectory;
    auto window = std::make_unique<TfrmMain>(appDirectory.path() + QLatin1Char('/'));
    window->resize(1024, 768);
    window->show();
    window->activateWindow();
    Window = window.get();
    Pane = window->webBrowser;
    window->edtSubject->setText(Subject);
    window->memBody->setPlainText(Body);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Leave without waiting for the engine to shut down.
    std::_Exit(0);
}
