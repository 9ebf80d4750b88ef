// Places the children of one widget the way the window designer laid them out: docked children
// take an edge of the parent in the order they were docked (the last "client" child takes what is
// left); the other children keep their design-time distances to the edges they are anchored to.
#pragma once

#include <QObject>
#include <QRect>
#include <QWidget>

#include <vector>

enum class TAlign { None, Top, Bottom, Left, Right, Client };

enum TAnchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;

class TControlLayout : public QObject
{
    Q_OBJECT
public:
    // The layout of parent, made on first use. designSize is the parent's size as laid out.
    static TControlLayout* Of(QWidget* parent, QSize designSize);
    static TControlLayout* Find(QWidget* parent);

    // Places child at rect (parent coordinates at the design size), anchored to the given edges.
    // An auto-sized child takes its size hint; anchored only to the right, it grows to the left. An
    // auto-sized label with a buddy placed in the same parent is centred on the buddy's height.
    void Place(QWidget* child, QRect rect, TAnchors anchors = akLeft | akTop, bool autoSize = false);
    // Docks child to an edge; its height (top, bottom) or width (left, right) is its own.
    void Dock(QWidget* child, TAlign align, int size = 0);

    void Relayout();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TControlLayout(QWidget* parent, QSize designSize);

    struct TItem
    {
        QWidget* Widget;
        TAlign Align;
        QRect Design;
        TAnchors Anchors;
        bool AutoSize;
    };
    QWidget* FParent;
    QSize FDesignSize;
    std::vector<TItem> FItems;
    bool FBusy = false;
};
