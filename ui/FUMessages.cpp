// The Load Message dialog.
#include "ui/FUMessages.h"

#include "toolkit/TControlLayout.h"
#include "toolkit/TMessageBox.h"
#include "ui/FMain.h"
#include "ui/UAnsi.h"

#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTreeWidget>

namespace {

// The real body of a list item, beside the one-line text its cell shows.
constexpr int BodyRole = Qt::UserRole;

} // namespace

TfrmFMessages::TfrmFMessages(QWidget* parent)
    : TSkinDialog(parent, Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmFMessages"));
    setWindowTitle(QStringLiteral("Load Message"));
    const QSize design(375, 357);
    auto* layout = TControlLayout::Of(this, design);

    bsSkinStdLabel1 = MakeControl<TStdLabel>(this, "bsSkinStdLabel1",
                                             QStringLiteral("Select a message from following list:"));
    layout->Place(bsSkinStdLabel1, QRect(11, 4, 169, 13), akLeft | akTop, true);
    bsSkinPanel1 = MakeControl<TSkinPanel>(this, "bsSkinPanel1", false);
    layout->Place(bsSkinPanel1, QRect(12, 20, 343, 108));
    auto* listLayout = TControlLayout::Of(bsSkinPanel1, QSize(343, 108));
    bsSkinScrollBar2 = MakeControl<TScrollBar>(bsSkinPanel1, "bsSkinScrollBar2", Qt::Vertical);
    bsSkinScrollBar2->hide();
    listLayout->Dock(bsSkinScrollBar2, TAlign::Right, 19);
    lvwMsgs = MakeControl<QTreeWidget>(bsSkinPanel1, "lvwMsgs");
    lvwMsgs->setColumnCount(2);
    lvwMsgs->setAccessibleName(QStringLiteral("Saved messages"));
    lvwMsgs->setHeaderLabels({QStringLiteral("Subject"), QStringLiteral("Message Body")});
    lvwMsgs->setRootIsDecorated(false);
    lvwMsgs->setItemsExpandable(false);
    lvwMsgs->setUniformRowHeights(true);
    lvwMsgs->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwMsgs->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Rows are chosen whole, so the keyboard's focus frame goes round the whole row, not one cell.
    lvwMsgs->setAllColumnsShowFocus(true);
    lvwMsgs->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lvwMsgs->header()->setStretchLastSection(false);
    lvwMsgs->header()->setSectionsMovable(false);
    listLayout->Dock(lvwMsgs, TAlign::Client);
    bsSkinScrollBar2->Attach(lvwMsgs, true);

    bsSkinStdLabel3 = MakeControl<TStdLabel>(this, "bsSkinStdLabel3", QStringLiteral("Message Details"));
    layout->Place(bsSkinStdLabel3, QRect(9, 137, 78, 13), akLeft | akTop, true);
    bsSkinBevel1 = MakeControl<TBevel>(this, "bsSkinBevel1");
    layout->Place(bsSkinBevel1, QRect(92, 144, 261, 9));
    bsSkinStdLabel4 = MakeControl<TStdLabel>(this, "bsSkinStdLabel4", QStringLiteral("Subject:"));
    layout->Place(bsSkinStdLabel4, QRect(9, 161, 39, 13), akLeft | akTop, true);
    edtSubject = MakeControl<QLineEdit>(this, "edtSubject");
    bsSkinStdLabel4->setBuddy(edtSubject);
    edtSubject->setReadOnly(true);
    layout->Place(edtSubject, QRect(64, 160, 289, 18));
    bsSkinStdLabel5 = MakeControl<TStdLabel>(this, "bsSkinStdLabel5", QStringLiteral("Message:"));
    layout->Place(bsSkinStdLabel5, QRect(9, 185, 46, 13), akLeft | akTop, true);
    bsSkinPanel5 = MakeControl<TSkinPanel>(this, "bsSkinPanel5", false);
    layout->Place(bsSkinPanel5, QRect(11, 202, 342, 111));
    memBody = MakeMemo(bsSkinPanel5, QSize(342, 111), bsSkinScrollBar1);
    memBody->setReadOnly(true);
    memBody->setAccessibleName(QStringLiteral("Message"));

    // A focused button is pressed by Enter or the space bar; none is a default button.
    btnLoad = MakeButton(this, "btnLoad", QStringLiteral("Load Message"));
    layout->Place(btnLoad, QRect(27, 325, 116, 20));
    btnDelete = MakeButton(this, "btnDelete", QStringLiteral("Delete Message"));
    layout->Place(btnDelete, QRect(146, 325, 116, 20));
    btnCancel = MakeButton(this, "btnCancel", QStringLiteral("Close"));
    layout->Place(btnCancel, QRect(266, 325, 74, 20));

    setTabOrder(lvwMsgs, edtSubject);
    setTabOrder(edtSubject, memBody);
    setTabOrder(memBody, btnLoad);
    setTabOrder(btnLoad, btnCancel);
    setTabOrder(btnCancel, btnDelete);

    // "Load Message" over unsaved text in the main window's editor asks first; No leaves the dialog
    // open with nothing loaded. Otherwise it closes with OK once loaded, also when loading fails.
    connect(btnLoad, &QPushButton::clicked, this, [this] {
        if (!frmMain->MayReplaceEditor())
            return;
        setResult(mrOk);
        const auto close = qScopeGuard([this] { done(mrOk); });
        btnLoadClick();
    });
    connect(btnDelete, &QPushButton::clicked, this, &TfrmFMessages::btnDeleteClick);
    BindModalButton(btnCancel, mrCancel);
    connect(lvwMsgs->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                // The item that loses the selection is reported first, then the new one.
                for (const QModelIndex& index : deselected.indexes())
                    if (index.column() == 0)
                        lvwMsgsSelectItem(lvwMsgs->topLevelItem(index.row()), false);
                for (const QModelIndex& index : selected.indexes())
                    if (index.column() == 0)
                        lvwMsgsSelectItem(lvwMsgs->topLevelItem(index.row()), true);
            });
    lvwMsgs->viewport()->installEventFilter(this);
    lvwMsgs->installEventFilter(this);

    resize(design);
    CentreOnScreen(this);
    FormCreate();
}

QString TfrmFMessages::OneLine(const QString& body)
{
    QString line = body;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" \u00B6 "));
    line.replace(QLatin1Char('\r'), QStringLiteral(" \u00B6 "));
    line.replace(QLatin1Char('\n'), QStringLiteral(" \u00B6 "));
    return line;
}

void TfrmFMessages::FormCreate()
{
    const TFMessages& messages = *frmMain->Messages;
    QList<QTreeWidgetItem*> items;
    items.reserve(messages.Count());
    for (int i = 0; i < messages.Count(); ++i) {
        const QString subject = FromAnsi(messages.RecordAt(i).Subject);
        const QString body = FromAnsi(messages.RecordAt(i).Body);
        auto* item = new QTreeWidgetItem({subject, OneLine(body)});
        item->setData(1, BodyRole, body);
        items.append(item);
    }
    lvwMsgs->addTopLevelItems(items);
}

void TfrmFMessages::lvwMsgsSelectItem(QTreeWidgetItem* item, bool selected)
{
    if (!selected || !item)
        return;
    edtSubject->setText(item->text(0));
    edtSubject->setCursorPosition(0); // a long subject shows its beginning
    memBody->setPlainText(item->data(1, BodyRole).toString());
}

void TfrmFMessages::lvwMsgsDblClick()
{
    if (!frmMain->MayReplaceEditor())
        return;
    btnLoadClick();
    done(mrOk);
}

void TfrmFMessages::btnLoadClick()
{
    frmMain->edtSubject->setText(edtSubject->text());
    frmMain->edtSubject->setCursorPosition(0); // a long subject shows its beginning
    frmMain->memBody->setPlainText(memBody->toPlainText());
    frmMain->MessageLoaded();
    frmMain->EditorKept();
}

void TfrmFMessages::btnDeleteClick()
{
    const QList<QTreeWidgetItem*> selected = lvwMsgs->selectedItems();
    if (!selected.isEmpty()) {
        const int index = lvwMsgs->indexOfTopLevelItem(selected.first());
        frmMain->Messages->RemoveAt(index);
        delete lvwMsgs->takeTopLevelItem(index);
        // No row is chosen afterwards, and none carries the focus frame either.
        lvwMsgs->setCurrentItem(nullptr);
        lvwMsgs->clearSelection();
    }
    edtSubject->clear();
    memBody->clear();
    frmMain->Messages->SaveAll();
}

void TfrmFMessages::SizeColumns()
{
    // Each column takes half the list's width; the first one also the odd pixel.
    const int width = lvwMsgs->viewport()->width();
    lvwMsgs->setColumnWidth(0, width - width / 2);
    lvwMsgs->setColumnWidth(1, width / 2);
}

bool TfrmFMessages::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lvwMsgs->viewport()) {
        if (event->type() == QEvent::Resize)
            SizeColumns();
        if (event->type() == QEvent::MouseButtonDblClick &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            // On an item or on empty space: the press before it has already chosen.
            lvwMsgsDblClick();
            return true;
        }
    }
    return TSkinDialog::eventFilter(watched, event);
}
