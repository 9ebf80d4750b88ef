// The browser pane: the embedded HTML browser in which the user opens a forum, logs in and goes
// to its posting page. A thin façade over the engine's view.
#pragma once

#include <QWidget>

class QWebEngineView;

class TBrowserPane : public QWidget
{
    Q_OBJECT
public:
    explicit TBrowserPane(QWidget* parent = nullptr);

    QWebEngineView* View() const { return FView; }

private:
    QWebEngineView* FView = nullptr;
};
