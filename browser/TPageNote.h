// The note along the bottom edge of the browser pane that says in a line what the program has just
// done to the page shown (what Auto Insert filled, whether a send was recorded). The program draws
// it over the view: it is no part of the page's document, so page scripts can neither read nor
// change it, and mouse clicks go through it to the page. Screen readers find it as a label.
#pragma once

#include <QLabel>
#include <QString>

class QTimer;

class TPageNote : public QLabel
{
    Q_OBJECT
public:
    // The note lies over view, on view's parent, and follows the view as it moves and resizes.
    explicit TPageNote(QWidget* view);

    // Shows text for a few seconds, in place of the note shown before; an empty text takes the
    // note down.
    void Show(const QString& text);
    // The text shown now; empty when no note is shown.
    QString Shown() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Place();
    void Clear();

    QWidget* FView = nullptr;
    QTimer* FTimer = nullptr;
};
