// Modal results of dialog buttons.
#include "toolkit/TSkinDialog.h"

#include "toolkit/TMessageBox.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

void CentreOnScreen(QWidget* window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.left() + (area.width() - window->width()) / 2,
                     area.top() + (area.height() - window->height()) / 2);
    }
}

TSkinDialog::TSkinDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags)
{
    setAttribute(Qt::WA_StyledBackground);
}

void TSkinDialog::BindModalButton(QPushButton* button, int result, std::function<void()> handler)
{
    connect(button, &QPushButton::clicked, this, [this, result, handler = std::move(handler)] {
        // Closes the dialog when the handler returns or fails.
        struct TCloser
        {
            QDialog* Dialog;
            int Result;
            ~TCloser() { Dialog->done(Result); }
        } closer{this, result};
        setResult(result);
        if (handler)
            handler();
    });
}

void TSkinDialog::keyPressEvent(QKeyEvent* event)
{
    // No button is a default or cancel button: Esc does nothing, and Enter presses only the
    // button that has the focus.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TSkinDialog::reject()
{
    done(mrCancel);
}
