// Drawing the banner pictures, running the animation and reporting clicks.
#include "toolkit/TBanner.h"

#include "toolkit/TPicture.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

TImageBanner::TImageBanner(QWidget* parent) : QWidget(parent) {}

void TImageBanner::SetPicture(const QImage& picture)
{
    FPicture = picture;
    if (picture.width() > 0 && picture.height() > 0)
        resize(picture.size());
    update();
}

void TImageBanner::paintEvent(QPaintEvent*)
{
    if (FPicture.isNull())
        return;
    QPainter p(this);
    p.drawImage(0, 0, FPicture);
}

void TImageBanner::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Clicked();
}

TGifBanner::TGifBanner(QWidget* parent) : QWidget(parent)
{
    FTimer.setSingleShot(true);
    connect(&FTimer, &QTimer::timeout, this, &TGifBanner::AdvanceFrame);
}

int TGifBanner::FrameDelay(int hundredths)
{
    constexpr int Shortest = 50, Longest = 10000;
    return std::clamp(hundredths, Shortest / 10, Longest / 10) * 10;
}

void TGifBanner::LoadFromData(const QByteArray& gif)
{
    const TGifPicture picture = DecodeGif(gif);
    FFrames.clear();
    for (const TGifFrame& frame : picture.Frames)
        FFrames.append({frame.Image, FrameDelay(frame.Hundredths)});
    FCurrent = 0;
    resize(picture.Screen);
    UpdateAnimation();
    update();
}

void TGifBanner::AdvanceFrame()
{
    if (FFrames.isEmpty())
        return;
    FCurrent = (FCurrent + 1) % int(FFrames.size());
    UpdateAnimation();
    update();
}

void TGifBanner::UpdateAnimation()
{
    if (isVisible() && FFrames.size() > 1)
        FTimer.start(FFrames.at(FCurrent).Delay);
    else
        FTimer.stop();
}

void TGifBanner::paintEvent(QPaintEvent*)
{
    if (FFrames.isEmpty())
        return;
    QPainter p(this);
    p.drawImage(0, 0, FFrames.at(FCurrent).Image);
}

void TGifBanner::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Clicked();
}

void TGifBanner::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    UpdateAnimation();
}

void TGifBanner::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    UpdateAnimation();
}
