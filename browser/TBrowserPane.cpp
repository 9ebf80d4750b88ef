// The browser pane's view.
#include "browser/TBrowserPane.h"

#include <QVBoxLayout>
#include <QWebEngineView>

TBrowserPane::TBrowserPane(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FView = new QWebEngineView(this);
    layout->addWidget(FView);
    setFocusProxy(FView);
}
