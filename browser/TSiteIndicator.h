// The site indicator on the browser toolbar: which site the page shown is on, read-only. The
// address box keeps what the user typed, so without it a user typing a password by hand could not
// tell that a link took the pane to another site.
#pragma once

#include <QLabel>
#include <QUrl>

class TSiteIndicator : public QLabel
{
    Q_OBJECT
public:
    explicit TSiteIndicator(QWidget* parent = nullptr);

    // Shows the site of address, marked as not secure for plain http and a refused certificate.
    void Show(const QUrl& address, bool certificateRefused);

    // The text shown for address: its origin (host in ASCII form, a port other than the default),
    // "Not secure: " in front where the connection is not private, "Local file" for a local page;
    // a blob: document as the page that made it, a host Qt refuses as the engine reported it.
    static QString Text(const QUrl& address, bool certificateRefused);
};
