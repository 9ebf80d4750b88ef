// Drawing the banner pictures and reporting clicks on them.
#include "toolkit/TBanner.h"

#include <QMouseEvent>
#include <QPainter>

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

TGifBanner::TGifBanner(QWidget* parent) : QWidget(parent) {}

void TGifBanner::paintEvent(QPaintEvent*)
{
    if (FFrame.isNull())
        return;
    QPainter p(this);
    p.drawImage(0, 0, FFrame);
}

void TGifBanner::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Clicked();
}
