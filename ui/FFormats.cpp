// The Custom Message Templates dialog and its template table.
#include "ui/FFormats.h"

#include "toolkit/TControlLayout.h"
#include "toolkit/TMessageBox.h"
#include "ui/FMain.h"
#include "ui/UAnsi.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QWheelEvent>

TTemplateGrid::TTemplateGrid(QWidget* parent)
    : QTableWidget(TfrmFormat::TemplateRows, TfrmFormat::Columns, parent)
{
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(20);
    verticalHeader()->setMinimumSectionSize(20);
    horizontalHeader()->setDefaultSectionSize(100);
    horizontalHeader()->setFixedHeight(20);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setSectionsClickable(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(false);
    setShowGrid(true);
    setWordWrap(false);
}

bool TTemplateGrid::CanSelect(const QModelIndex& target)
{
    bool canSelect = true;
    if (OnSelectCell)
        OnSelectCell(target.column(), target.row() + 1, canSelect);
    return canSelect;
}

bool TTemplateGrid::MoveTo(int column, int row)
{
    const QModelIndex target = model()->index(row - 1, column);
    if (!target.isValid() || !CanSelect(target))
        return false;
    setCurrentIndex(target);
    return true;
}

QModelIndex TTemplateGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex target = QTableWidget::moveCursor(cursorAction, modifiers);
    if (target.isValid() && target != currentIndex() && !CanSelect(target))
        return currentIndex();
    return target;
}

void TTemplateGrid::mousePressEvent(QMouseEvent* event)
{
    FDragRefused = false;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) {
        QTableWidget::mousePressEvent(event);
        return;
    }
    if (index == currentIndex()) {
        // A left click on the current cell opens its editor.
        QTableWidget::mousePressEvent(event);
        if (event->button() == Qt::LeftButton)
            edit(index);
        return;
    }
    // Any button moves the current cell, so each asks first.
    if (CanSelect(index))
        QTableWidget::mousePressEvent(event);
    else
        FDragRefused = true;
}

void TTemplateGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        QTableWidget::mouseMoveEvent(event);
        return;
    }
    // A drag takes the current cell along from cell to cell, each step asked first. Once a step is
    // refused, the rest of the drag moves nothing: the message box has taken over the press.
    event->accept();
    const QModelIndex index = indexAt(event->position().toPoint());
    if (FDragRefused || state() == EditingState || !index.isValid() || index == currentIndex())
        return;
    if (CanSelect(index))
        setCurrentIndex(index);
    else
        FDragRefused = true;
}

void TTemplateGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The first click has moved to the cell, opened its editor or been refused with its message; the
    // second click of the same gesture asks nothing again.
    event->accept();
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && !FDragRefused && index.isValid() && index != currentIndex() &&
        CanSelect(index))
        setCurrentIndex(index);
}

void TTemplateGrid::wheelEvent(QWheelEvent* event)
{
    // The wheel moves the current row, one row a notch.
    const int steps = event->angleDelta().y();
    event->accept();
    if (steps == 0 || !currentIndex().isValid())
        return;
    const int row = currentRow() + (steps > 0 ? -1 : 1);
    if (row < 0 || row >= rowCount())
        return;
    const QModelIndex target = model()->index(row, currentColumn());
    if (CanSelect(target))
        setCurrentIndex(target);
}

void TTemplateGrid::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && state() != EditingState &&
        currentIndex().isValid()) {
        edit(currentIndex());
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void TTemplateGrid::CommitEditor()
{
    if (state() != EditingState)
        return;
    for (QLineEdit* editor : viewport()->findChildren<QLineEdit*>())
        if (editor->isVisible()) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
            return;
        }
}

namespace {

// The table's columns and the template fields they hold.
std::string TFormat::*const FieldOfColumn[TfrmFormat::Columns] = {
    &TFormat::Name, &TFormat::LinkOpen, &TFormat::LinkMiddle, &TFormat::LinkEnd, &TFormat::Email};

} // namespace

TfrmFormat::TfrmFormat(QWidget* parent)
    : TSkinDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmFormat"));
    setWindowTitle(QStringLiteral("Custom Message Templates"));
    const QSize design(553, 296);
    auto* layout = TControlLayout::Of(this, design);

    bsSkinStdLabel3 = MakeControl<TStdLabel>(
        this, "bsSkinStdLabel3", QStringLiteral("Double click in any cell and start editing new templates:"));
    layout->Place(bsSkinStdLabel3, QRect(9, 9, 325, 16), akLeft | akTop, true);
    Panel1 = MakeControl<QWidget>(this, "Panel1");
    layout->Place(Panel1, QRect(9, 33, 526, 211));
    auto* panel = TControlLayout::Of(Panel1, QSize(526, 211));
    bsSkinScrollBar1 = MakeControl<TScrollBar>(Panel1, "bsSkinScrollBar1", Qt::Horizontal);
    bsSkinScrollBar1->hide();
    panel->Dock(bsSkinScrollBar1, TAlign::Bottom, 19);
    bsSkinScrollBar2 = MakeControl<TScrollBar>(Panel1, "bsSkinScrollBar2", Qt::Vertical);
    bsSkinScrollBar2->hide();
    panel->Dock(bsSkinScrollBar2, TAlign::Right, 19);
    grdSettings = MakeControl<TTemplateGrid>(Panel1, "grdSettings");
    panel->Dock(grdSettings, TAlign::Client);
    grdSettings->setAccessibleName(QStringLiteral("Templates"));
    bsSkinScrollBar1->Attach(grdSettings, true);
    bsSkinScrollBar2->Attach(grdSettings, true);

    btnSave = MakeButton(this, "btnSave", QStringLiteral("Save"));
    layout->Place(btnSave, QRect(117, 257, 84, 20));
    btnDelete = MakeButton(this, "btnDelete", QStringLiteral("Delete Selected Row"));
    layout->Place(btnDelete, QRect(204, 257, 140, 20));
    btnCancel = MakeButton(this, "btnCancel", QStringLiteral("Cancel"));
    layout->Place(btnCancel, QRect(348, 257, 84, 20));
    setTabOrder(grdSettings, btnSave);
    setTabOrder(btnSave, btnDelete);
    setTabOrder(btnDelete, btnCancel);

    grdSettings->OnSelectCell = [this](int column, int row, bool& canSelect) {
        grdSettingsSelectCell(column, row, canSelect);
    };
    BindModalButton(btnSave, mrOk, [this] { btnSaveClick(); });
    connect(btnDelete, &QPushButton::clicked, this, &TfrmFormat::btnDeleteClick);
    BindModalButton(btnCancel, mrCancel);

    setFixedSize(design);
    CentreOnScreen(this);
    FormCreate();
}

QString TfrmFormat::Cell(int column, int row) const
{
    if (row >= 1 && row <= TemplateRows) {
        const QTableWidgetItem* item = grdSettings->item(row - 1, column);
        return item ? item->text() : QString();
    }
    const std::size_t hidden = std::size_t(row - TemplateRows - 1);
    return row > TemplateRows && hidden < FHiddenRows.size() ? FHiddenRows[hidden][std::size_t(column)]
                                                             : QString();
}

void TfrmFormat::SetCell(int column, int row, const QString& text)
{
    if (row <= TemplateRows) {
        grdSettings->setItem(row - 1, column, new QTableWidgetItem(text));
        return;
    }
    const std::size_t hidden = std::size_t(row - TemplateRows - 1);
    if (FHiddenRows.size() <= hidden)
        FHiddenRows.resize(hidden + 1);
    FHiddenRows[hidden][std::size_t(column)] = text;
}

void TfrmFormat::FormCreate()
{
    grdSettings->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Link Open"),
                                            QStringLiteral("Link Middle"), QStringLiteral("Link End"),
                                            QStringLiteral("Email")});
    for (int row = 1; row <= TemplateRows; ++row)
        for (int column = 0; column < Columns; ++column)
            SetCell(column, row, QString());
    const TFormats& formats = *frmMain->Formats;
    for (int i = 0; i < formats.Count(); ++i)
        for (int column = 0; column < Columns; ++column)
            SetCell(column, i + 1, FromAnsi(formats.RecordAt(i).*FieldOfColumn[column]));
    // A new table's current cell is column 0 of row 1; the move to row 4 is asked like any other.
    grdSettings->setCurrentCell(0, 0);
    grdSettings->MoveTo(0, ReadOnlyRows + 1);
}

void TfrmFormat::grdSettingsSelectCell(int, int row, bool& canSelect)
{
    if (row <= ReadOnlyRows) {
        frmMain->msgMain->ShowMessageBox(QStringLiteral("These templates are read only."),
                                         TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK}, 0);
        canSelect = false;
    }
}

void TfrmFormat::btnSaveClick()
{
    // The click has normally taken the focus and closed the editor already; make sure of it.
    grdSettings->CommitEditor();
    TFormats& formats = *frmMain->Formats;
    formats.ClearAll();
    // The eight rows of the table, then the stored templates beyond them as they were loaded.
    const int rows = TemplateRows + int(FHiddenRows.size());
    for (int row = 1; row <= rows; ++row) {
        auto format = std::make_unique<TFormat>();
        for (int column = 0; column < Columns; ++column)
            (*format).*FieldOfColumn[column] = ToAnsi(Cell(column, row));
        formats.Append(std::move(format));
    }
    formats.SaveAll();
}

void TfrmFormat::btnDeleteClick()
{
    grdSettings->CommitEditor();
    const int row = grdSettings->Row();
    for (int column = 0; column < Columns; ++column)
        SetCell(column, row, QString());
}
