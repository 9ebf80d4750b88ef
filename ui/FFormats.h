// The Custom Message Templates dialog: the template store in an editable table whose first three
// template rows are read-only, written back whole by "Save".
#pragma once

#include "toolkit/TSkinControls.h"
#include "toolkit/TSkinDialog.h"

#include <QTableWidget>

#include <array>
#include <functional>
#include <vector>

class QPushButton;

// The template table. Row 0 is the heading row (the table's header); rows 1 to 8 are its rows 0 to
// 7. Every move of the current cell, by the user (keys, wheel, a press of any mouse button, a drag)
// or the program, is first asked of OnSelectCell.
class TTemplateGrid : public QTableWidget
{
    Q_OBJECT
public:
    explicit TTemplateGrid(QWidget* parent = nullptr);

    // column, row (1 = first template row), can-select (true on entry)
    std::function<void(int, int, bool&)> OnSelectCell;

    int Col() const { return currentColumn(); }
    int Row() const { return currentRow() + 1; }
    bool IsEditing() const { return state() == EditingState; }
    // Writes an open editor's text into its cell and closes the editor.
    void CommitEditor();
    // Moves the current cell to (column, row) if OnSelectCell allows it.
    bool MoveTo(int column, int row);

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool CanSelect(const QModelIndex& target);

    // Set when a press or a drag step was refused: the rest of that drag, and the second click of a
    // double-click, move nothing.
    bool FDragRefused = false;
};

class TfrmFormat : public TSkinDialog
{
    Q_OBJECT
public:
    explicit TfrmFormat(QWidget* parent = nullptr);

    TStdLabel* bsSkinStdLabel3 = nullptr;
    QWidget* Panel1 = nullptr;
    TTemplateGrid* grdSettings = nullptr;
    TScrollBar* bsSkinScrollBar1 = nullptr;
    TScrollBar* bsSkinScrollBar2 = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnCancel = nullptr;

    static constexpr int TemplateRows = 8;
    // Rows 1 to 3 hold the templates shipped with the program, which the table keeps read-only.
    static constexpr int ReadOnlyRows = 3;
    static constexpr int Columns = 5;

    // The text of a cell. Templates of the store beyond the eighth are held in rows beyond 8, never
    // shown, and written back by "Save", so that opening the dialog never loses a stored template.
    QString Cell(int column, int row) const;

    void FormCreate();
    void grdSettingsSelectCell(int column, int row, bool& canSelect);
    void btnSaveClick();
    void btnDeleteClick();

private:
    void SetCell(int column, int row, const QString& text);
    // Rows 9 and on: the stored templates the table has no room for.
    std::vector<std::array<QString, Columns>> FHiddenRows;
};
