// The banner controls: a still picture and an animated GIF, each reporting clicks.
#pragma once

#include <QImage>
#include <QList>
#include <QTimer>
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

// An animated GIF; shows nothing until one is loaded. Once loaded it takes the size of the GIF's
// logical screen and, while visible, shows every frame for its own delay, going back to the first
// frame after the last for ever, whatever repeat count the file holds. A GIF with one frame stands
// still. Transparent pixels let the parent show through. Clicks are reported.
class TGifBanner : public QWidget
{
    Q_OBJECT
public:
    explicit TGifBanner(QWidget* parent = nullptr);

    // Loads a GIF with all its frames. Throws EInvalidGraphic ("GIF image is not valid") for content
    // that is not a complete GIF, or "GIF image is too large" for one whose frames would not fit the
    // limits of DecodeGif, leaving the banner as it was.
    void LoadFromData(const QByteArray& gif);

    // How long a frame with the given GIF delay (hundredths of a second) stays: the delay in
    // milliseconds, but at least 50 and at most 10,000.
    static int FrameDelay(int hundredths);

    int FrameCount() const { return int(FFrames.size()); }
    int CurrentFrameIndex() const { return FCurrent; }
    // Milliseconds frame `index` stays before the next one.
    int FrameDelayAt(int index) const { return FFrames.at(index).Delay; }
    QImage CurrentFrame() const { return FFrames.isEmpty() ? QImage() : FFrames.at(FCurrent).Image; }
    bool IsAnimating() const { return FTimer.isActive(); }

    // Shows the next frame (the first after the last) and, while animating, waits that frame's delay
    // before the next. The timer calls it; tests call it to step without waiting.
    void AdvanceFrame();

Q_SIGNALS:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct TFrame
    {
        QImage Image;
        int Delay = 0; // milliseconds, clamped
    };
    // Starts or stops the timer for the current frame, as visibility and the frame count want.
    void UpdateAnimation();

    QList<TFrame> FFrames;
    int FCurrent = 0;
    QTimer FTimer;
};
