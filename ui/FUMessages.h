// The Load Message dialog: the saved messages in a two-column list, the chosen one's subject and
// body, and buttons to load it into the main window's editor or delete it.
#pragma once

#include "toolkit/TSkinControls.h"
#include "toolkit/TSkinDialog.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TfrmFMessages : public TSkinDialog
{
    Q_OBJECT
public:
    explicit TfrmFMessages(QWidget* parent = nullptr);

    TStdLabel* bsSkinStdLabel1 = nullptr;
    TSkinPanel* bsSkinPanel1 = nullptr;
    TScrollBar* bsSkinScrollBar2 = nullptr;
    QTreeWidget* lvwMsgs = nullptr;
    TStdLabel* bsSkinStdLabel3 = nullptr;
    TBevel* bsSkinBevel1 = nullptr;
    TStdLabel* bsSkinStdLabel4 = nullptr;
    QLineEdit* edtSubject = nullptr;
    TStdLabel* bsSkinStdLabel5 = nullptr;
    TSkinPanel* bsSkinPanel5 = nullptr;
    TScrollBar* bsSkinScrollBar1 = nullptr;
    QPlainTextEdit* memBody = nullptr;
    QPushButton* btnLoad = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnCancel = nullptr;

    // A body's line breaks as its one-line list cell shows them.
    static QString OneLine(const QString& body);

    void FormCreate();
    void lvwMsgsSelectItem(QTreeWidgetItem* item, bool selected);
    void lvwMsgsDblClick();
    void btnLoadClick();
    void btnDeleteClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SizeColumns();
};
