// Auto Insert's fill of the posting form: finds where a user would type a new post's subject and
// body on the page shown in the browser pane, writes them there as typing would, checks that the
// page took them, and outlines for a moment what was written. The rule lives in
// resources/browser/fillpost.js; the fields named "subject" and "body" are the pane's own FillField.
#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class QJsonObject;
class QTimer;
class QVariant;
class QWidget;
class TBrowserPane;

class TPostFill : public QObject
{
    Q_OBJECT
public:
    explicit TPostFill(TBrowserPane* pane);

    // The two parts of a new post.
    struct TPostParts
    {
        bool Subject = false;
        bool Body = false;
        // In a fill's answer: the page has a posting form with a surface for the body (or a field
        // named "body"), and a box for the subject beside it, whether or not they took the text.
        // The subject box is looked for only when the subject was asked for.
        bool Form = false;
        bool SubjectBox = false;
    };
    // Finds where a user would type a new post's subject and body on the page shown (the largest
    // visible editing surface of a form or composer that can be sent, and the subject box beside
    // it) and writes the parts asked for there as typing would, so that the page's own editors
    // and submit see them. The pane holds the keyboard focus meanwhile, so that the page sees
    // real focus and blur events; the focus, in the window and in the page, goes back where it
    // was. What was written is read back after the page's editors had their moment to react, and
    // written a second way where it did not stay. Nothing is written on a page without such a
    // surface, and then the pane does not take the focus either. Tells done, from the event loop,
    // which parts arrived and what the page has. bodyHtml, when not empty, is the body as HTML for
    // a rich editor (a field still gets body as text).
    using TPostFillDone = std::function<void(TPostParts written)>;
    void FillPost(const QString& subject, const QString& body, TPostParts wanted, TPostFillDone done,
                  const QString& bodyHtml = QString());

    // Starts the record of what one Auto Insert writes (FillField and FillPost) and takes down an
    // outline still shown.
    void BeginFill();
    // Outlines for a moment every field that the latest Auto Insert wrote, in the normal colour or
    // the warning colour; nothing when nothing was written. Drawn by the program over the view,
    // so that the page can neither see nor change it.
    void ShowFilled(bool warning);
    // The outline shown now: rectangles in the pane's widget coordinates, none when none is shown.
    struct TOutline
    {
        QList<QRect> Rects;
        bool Warning = false;
    };
    TOutline ShownOutline() const { return FOutline; }

    // The stages of a fill, as they happen: for measurements and for tests that wait for the end.
    enum class TFillStage { Typed, Checking, Checked, Shown };
    Q_ENUM(TFillStage)

signals:
    void FillStageReached(TPostFill::TFillStage stage);

private:
    struct TFill;
    // One step of fillpost.js, its answer handed to next from the event loop; nothing when the
    // fill or the pane's page went away meanwhile.
    void RunFillStep(const QJsonObject& arguments, std::function<void(const QVariant&)> next);
    void WritePost(std::shared_ptr<TFill> fill, int waited);
    void CheckPost(std::shared_ptr<TFill> fill, bool final);
    void FinishPost(std::shared_ptr<TFill> fill, TPostParts arrived);
    void HideOutline();

    TBrowserPane* FPane;
    QWidget* FOutlineView = nullptr;
    TOutline FOutline;
    QTimer* FOutlineTimer = nullptr;
};
