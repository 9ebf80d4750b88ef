// A skinned dialog whose buttons carry a modal result: a click gives the dialog that result, runs the
// button's handler, and closes the dialog once the handler has returned — also when the handler
// fails, whose failure then goes on to the application's error handling. Esc does not close it,
// Enter presses only a focused button, and the frame's close button closes it with result Cancel.
#pragma once

#include <QDialog>

#include <functional>

class QPushButton;

// Places a window in the middle of the screen's work area.
void CentreOnScreen(QWidget* window);

class TSkinDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TSkinDialog(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    void BindModalButton(QPushButton* button, int result, std::function<void()> handler = {});

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;
};
