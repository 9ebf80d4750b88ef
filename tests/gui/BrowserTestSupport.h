// Helpers of the browser tests: waiting for the engine and asking the shown page for values.
// The waits poll the event loop with generous limits; they assert nothing about speed.
#pragma once

#include "GuiTestSupport.h"
#include "browser/TBrowserPane.h"
#include "browser/TPostFill.h"
#include "browser/TSendWatch.h"
#include "ui/FMain.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

// Pumps events until the condition holds or the limit has passed; returns the condition.
inline bool WaitUntil(const std::function<bool()>& condition, int limitMs = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > limitMs)
            return false;
        Pump(20);
    }
    return true;
}

// Runs script in the page's own world and returns its result.
inline QVariant RunScript(QWebEnginePage* page, const QString& script)
{
    // Shared with the callback, which may come after a failed wait.
    auto result = std::make_shared<std::optional<QVariant>>();
    page->runJavaScript(script, [result](const QVariant& value) { *result = value; });
    WaitUntil([&] { return result->has_value(); });
    return result->value_or(QVariant());
}

inline QString FixtureUrl(const QString& name)
{
    return QUrl::fromLocalFile(FixturePath(name)).toString();
}

// Navigates and waits until the page has loaded.
inline bool Open(TBrowserPane& pane, const QString& fixture)
{
    pane.Navigate(FixtureUrl(fixture));
    const QUrl target = QUrl::fromLocalFile(FixturePath(fixture));
    return WaitUntil([&] { return pane.Page() && pane.Page()->url() == target && !pane.IsBusy(); });
}

// FillField with its answer awaited; nullopt when no answer came.
inline std::optional<bool> FillAndWait(TBrowserPane& pane, const QString& name, const QString& value)
{
    auto answer = std::make_shared<std::optional<bool>>();
    pane.FillField(name, value, [answer](bool written) { *answer = written; });
    WaitUntil([&] { return answer->has_value(); });
    return *answer;
}

// A suite whose tests share one shown main window, in an application directory of its own.
class TMainWindowSuite : public ::testing::Test
{
protected:
    static void OpenWindow(QSize size = {})
    {
        Dir = new TTempAppDir;
        Window = new TfrmMain(Dir->Path());
        if (size.isValid())
            Window->resize(size);
        Window->show();
        Window->activateWindow();
    }
    static void CloseWindow()
    {
        delete Window;
        Window = nullptr;
        delete Dir;
        Dir = nullptr;
    }
    static TBrowserPane& Pane() { return *Window->webBrowser; }
    // The widget that takes the view's mouse and keys.
    static QWidget* ViewWidget()
    {
        return Pane().View()->focusProxy() ? Pane().View()->focusProxy() : Pane().View();
    }
    // Adds a new forum with the password and selects it.
    static void SelectForum(const QString& address, const QString& password)
    {
        Window->lvwForums->clearSelection();
        Window->edtURL->setText(address);
        Window->edtPassword->setText(password);
        Window->btnAddURL->click();
        Window->lvwForums->setCurrentRow(0);
    }

    static inline TTempAppDir* Dir = nullptr;
    static inline TfrmMain* Window = nullptr;
};
