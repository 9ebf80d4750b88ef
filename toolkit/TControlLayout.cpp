// Docking and anchoring of child widgets.
#include "toolkit/TControlLayout.h"

#include <QEvent>
#include <QLabel>

#include <algorithm>

TControlLayout::TControlLayout(QWidget* parent, QSize designSize)
    : QObject(parent), FParent(parent), FDesignSize(designSize)
{
    setObjectName(QStringLiteral("TControlLayout"));
    parent->installEventFilter(this);
}

TControlLayout* TControlLayout::Find(QWidget* parent)
{
    return parent->findChild<TControlLayout*>(QStringLiteral("TControlLayout"), Qt::FindDirectChildrenOnly);
}

TControlLayout* TControlLayout::Of(QWidget* parent, QSize designSize)
{
    if (auto* existing = Find(parent))
        return existing;
    return new TControlLayout(parent, designSize);
}

void TControlLayout::Place(QWidget* child, QRect rect, TAnchors anchors, bool autoSize)
{
    FItems.push_back({child, TAlign::None, rect, anchors, autoSize});
    child->installEventFilter(this);
    Relayout();
}

void TControlLayout::Dock(QWidget* child, TAlign align, int size)
{
    QRect design;
    if (align == TAlign::Top || align == TAlign::Bottom)
        child->resize(child->width(), size);
    else if (align == TAlign::Left || align == TAlign::Right)
        child->resize(size, child->height());
    FItems.push_back({child, align, design, 0, false});
    child->installEventFilter(this);
    Relayout();
}

void TControlLayout::Relayout()
{
    if (FBusy)
        return;
    FBusy = true;
    QRect free(QPoint(0, 0), FParent->size());
    const int dw = FParent->width() - FDesignSize.width();
    const int dh = FParent->height() - FDesignSize.height();
    // Docked children first, in docking order, each taking its edge of what is left.
    for (const TItem& item : FItems) {
        if (item.Align == TAlign::None || item.Align == TAlign::Client || item.Widget->isHidden())
            continue;
        QWidget* w = item.Widget;
        switch (item.Align) {
        case TAlign::Top: {
            const int h = std::min(w->height(), free.height());
            w->setGeometry(free.left(), free.top(), free.width(), h);
            free.setTop(free.top() + h);
            break;
        }
        case TAlign::Bottom: {
            const int h = std::min(w->height(), free.height());
            w->setGeometry(free.left(), free.bottom() + 1 - h, free.width(), h);
            free.setBottom(free.bottom() - h);
            break;
        }
        case TAlign::Left: {
            const int wd = std::min(w->width(), free.width());
            w->setGeometry(free.left(), free.top(), wd, free.height());
            free.setLeft(free.left() + wd);
            break;
        }
        case TAlign::Right: {
            const int wd = std::min(w->width(), free.width());
            w->setGeometry(free.right() + 1 - wd, free.top(), wd, free.height());
            free.setRight(free.right() - wd);
            break;
        }
        default:
            break;
        }
    }
    for (const TItem& item : FItems) {
        if (item.Align == TAlign::Client && !item.Widget->isHidden())
            item.Widget->setGeometry(free.left(), free.top(), std::max(0, free.width()),
                                     std::max(0, free.height()));
    }
    // Anchored children keep their distances to the anchored edges.
    for (const TItem& item : FItems) {
        if (item.Align != TAlign::None)
            continue;
        QRect r = item.Design;
        const QSize hint = item.AutoSize ? item.Widget->sizeHint() : r.size();
        if ((item.Anchors & akLeft) && (item.Anchors & akRight))
            r.setWidth(std::max(0, r.width() + dw));
        else if (item.Anchors & akRight)
            r.moveLeft(r.left() + dw);
        if ((item.Anchors & akTop) && (item.Anchors & akBottom))
            r.setHeight(std::max(0, r.height() + dh));
        else if (item.Anchors & akBottom)
            r.moveTop(r.top() + dh);
        if (item.AutoSize) {
            const int right = r.right();
            r.setSize(hint);
            if ((item.Anchors & akRight) && !(item.Anchors & akLeft))
                r.moveRight(right);
        }
        item.Widget->setGeometry(r);
    }
    // A self-sizing label that names a control beside it stands on that control's text line: both
    // centre their text vertically, so the label's middle goes to the control's middle.
    for (const TItem& item : FItems) {
        const auto* label = qobject_cast<const QLabel*>(item.Widget);
        if (item.Align != TAlign::None || !item.AutoSize || !label || !label->buddy() ||
            label->buddy()->parentWidget() != FParent)
            continue;
        const QRect buddy = label->buddy()->geometry();
        item.Widget->move(item.Widget->x(), buddy.top() + (buddy.height() - item.Widget->height()) / 2);
    }
    FBusy = false;
}

bool TControlLayout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FParent) {
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest)
            Relayout();
        return false;
    }
    switch (event->type()) {
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
        Relayout();
        break;
    case QEvent::Resize: {
        // A docked child that changed its own extent moves the others.
        const auto it = std::find_if(FItems.begin(), FItems.end(),
                                     [&](const TItem& item) { return item.Widget == watched; });
        if (it != FItems.end() && it->Align != TAlign::None && it->Align != TAlign::Client)
            Relayout();
        break;
    }
    default:
        break;
    }
    return false;
}
