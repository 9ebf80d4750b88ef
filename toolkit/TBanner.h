// The banner controls: a still picture and an animated one, each reporting clicks.
#pragma once

#include <QImage>
#include <QWidget>

// A still picture that takes the size of its picture. Clicks are reported.
class TImageBanner : public QWidget
{
    Q_OBJECT
public:
    explicit TImageBanner(QWidget* parent = nullptr);
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return FPicture; }

Q_SIGNALS:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage FPicture;
};

// An animated picture; shows nothing until frames are loaded. Clicks are reported.
class TGifBanner : public QWidget
{
    Q_OBJECT
public:
    explicit TGifBanner(QWidget* parent = nullptr);

Q_SIGNALS:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

protected:
    QImage FFrame;
};
