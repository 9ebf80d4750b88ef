// The main window: its layout, creation and destruction, and banner centring.
#include "ui/FMain.h"

#include "browser/TBrowserPane.h"
#include "browser/TPostFill.h"
#include "browser/TSendWatch.h"
#include "browser/TSiteIndicator.h"
#include "toolkit/TControlLayout.h"
#include "toolkit/TErrorReport.h"
#include "toolkit/TMessageBox.h"
#include "toolkit/TSkinData.h"
#include "toolkit/TSkinDialog.h"
#include "ui/UAnsi.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineView>

TfrmMain* frmMain = nullptr;

namespace {

constexpr QSize DesignClientSize(761, 566);

// accessibleName: what a screen reader says for the picture; the hint keeps its own text.
QToolButton* MakeSpeedButton(QWidget* parent, const char* name, const QString& hint, const char* picture,
                             const QString& accessibleName)
{
    auto* button = MakeControl<QToolButton>(parent, name);
    button->setAccessibleName(accessibleName);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setIcon(LoadMaskedPicture(QStringLiteral(":/pictures/") + QLatin1String(picture)));
    button->setIconSize(QSize(16, 16));
    return button;
}

} // namespace

TfrmMain::TfrmMain(const QString& appDirectory, QWidget* parent)
    : TSkinForm(parent), FAppDirectory(appDirectory)
{
    if (!FAppDirectory.endsWith(QLatin1Char('/')))
        FAppDirectory += QLatin1Char('/');
    frmMain = this;
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Threadwick"));

    bsSkinData1 = new TSkinData(this);
    bsSkinData1->setObjectName(QStringLiteral("bsSkinData1"));
    bsSkinData1->LoadBuiltIn();
    msgMain = new TMessageBox(this);
    msgMain->setObjectName(QStringLiteral("msgMain"));

    BuildLayout();
    // The engine's view starts the engine (a page, its process and its first frame) when it is first
    // shown, which would hold up the window's first frame by the engine's start-up. It is shown once
    // the window is on screen; until then the pane is as white as the view's empty page.
    webBrowser->View()->hide();
    QPalette blank = webBrowser->palette();
    blank.setColor(QPalette::Window, Qt::white);
    webBrowser->setPalette(blank);
    webBrowser->setAutoFillBackground(true);
    resize(DesignClientSize);
    ConnectEditorHandlers();
    ConnectBrowserHandlers();
    ConnectBrandingHandlers();
    BuildForumTools();
    BuildPostingRun();
    ConnectShortcuts();
    BuildUndoRemove();
    BuildDraft();
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    FormDestroy();
    if (frmMain == this)
        frmMain = nullptr;
}

void TfrmMain::BuildLayout()
{
    auto* layout = TControlLayout::Of(this, DesignClientSize);
    bsSkinPanel1 = MakeControl<TSkinPanel>(this, "bsSkinPanel1", false);
    panBanner = MakeControl<TSkinPanel>(this, "panBanner", true);
    panLinks = MakeControl<TSkinPanel>(this, "panLinks", true);
    bsSkinPanel2 = MakeControl<TSkinPanel>(this, "bsSkinPanel2", true);
    bsSkinPanel3 = MakeControl<TSkinPanel>(this, "bsSkinPanel3", false);
    layout->Dock(bsSkinPanel1, TAlign::Top, 33);
    layout->Dock(panBanner, TAlign::Top, 65);
    layout->Dock(panLinks, TAlign::Bottom, 39);
    layout->Dock(bsSkinPanel2, TAlign::Left, 257);
    layout->Dock(bsSkinPanel3, TAlign::Client);

    BuildToolbar();
    BuildBanner();
    BuildLinks();
    BuildEditor();
    BuildBrowser();
}

void TfrmMain::BuildToolbar()
{
    auto* layout = TControlLayout::Of(bsSkinPanel1, QSize(761, 33));
    btnAutoInsert = MakeButton(bsSkinPanel1, "btnAutoInsert", QStringLiteral("Auto Insert"), false);
    layout->Place(btnAutoInsert, QRect(8, 5, 98, 20));
    bsSkinStdLabel1 = MakeControl<TStdLabel>(bsSkinPanel1, "bsSkinStdLabel1", QStringLiteral("as"));
    layout->Place(bsSkinStdLabel1, QRect(114, 9, 11, 13), akLeft | akTop, true);
    cbxFormat = MakeControl<QComboBox>(bsSkinPanel1, "cbxFormat");
    cbxFormat->addItems(
        {QStringLiteral("text"), QStringLiteral("html"), QStringLiteral("ubb"), QStringLiteral("ezboard")});
    cbxFormat->setMaxVisibleItems(8);
    cbxFormat->setFocusPolicy(Qt::StrongFocus);
    // The label "as" names it for the eye only.
    cbxFormat->setAccessibleName(QStringLiteral("Link template"));
    cbxFormat->view()->setAccessibleName(QStringLiteral("Link templates"));
    layout->Place(cbxFormat, QRect(131, 5, 91, 20));
    btnPreview = MakeButton(bsSkinPanel1, "btnPreview", QStringLiteral("Preview"), false);
    layout->Place(btnPreview, QRect(232, 5, 74, 20));
    btnCopy = MakeButton(bsSkinPanel1, "btnCopy", QStringLiteral("Copy"), false);
    layout->Place(btnCopy, QRect(309, 5, 74, 20));
    btnSave = MakeButton(bsSkinPanel1, "btnSave", QStringLiteral("Save"), false);
    layout->Place(btnSave, QRect(386, 5, 74, 20));
    btnLoad = MakeButton(bsSkinPanel1, "btnLoad", QStringLiteral("Load"), false);
    layout->Place(btnLoad, QRect(463, 5, 74, 20));
    // Hidden for good, under "Help": it opens the templates dialog, which users do not reach.
    btnOptions = MakeButton(bsSkinPanel1, "btnOptions", QStringLiteral("Options"), true);
    layout->Place(btnOptions, QRect(540, 5, 74, 20));
    btnOptions->hide();
    btnHelp = MakeButton(bsSkinPanel1, "btnHelp", QStringLiteral("Help"), false);
    layout->Place(btnHelp, QRect(540, 5, 98, 20));
    btnMakeMoney = MakeButton(bsSkinPanel1, "btnMakeMoney", QStringLiteral("Make Money"), false);
    layout->Place(btnMakeMoney, QRect(641, 5, 98, 20));
}

void TfrmMain::BuildBanner()
{
    imgBanner = MakeControl<TImageBanner>(panBanner, "imgBanner");
    imgBanner->setGeometry(144, -40, 105, 105);
    gifBanner = MakeControl<TGifBanner>(panBanner, "gifBanner");
    gifBanner->setGeometry(280, -75, 98, 140);
}

void TfrmMain::BuildLinks()
{
    auto* layout = TControlLayout::Of(panLinks, QSize(761, 39));
    lblLink1URL = MakeControl<TLinkLabel>(panLinks, "lblLink1URL");
    lblLink1URL->SetCaption(QStringLiteral("Google"));
    lblLink1URL->SetURL(QStringLiteral("https://www.google.com/"));
    layout->Place(lblLink1URL, QRect(13, 9, 34, 14), akLeft | akTop, true);
    lblLink2URL = MakeControl<TLinkLabel>(panLinks, "lblLink2URL");
    lblLink2URL->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblLink2URL->SetCaption(QStringLiteral("Google"));
    lblLink2URL->SetURL(QStringLiteral("https://www.google.com/"));
    layout->Place(lblLink2URL, QRect(712, 9, 34, 14), akTop | akRight, true);
}

void TfrmMain::BuildEditor()
{
    auto* layout = TControlLayout::Of(bsSkinPanel2, QSize(257, 429));
    bsSkinStdLabel3 =
        MakeControl<TStdLabel>(bsSkinPanel2, "bsSkinStdLabel3", QStringLiteral("Message Editor"));
    layout->Place(bsSkinStdLabel3, QRect(9, 9, 73, 13), akLeft | akTop, true);
    bsSkinBevel1 = MakeControl<TBevel>(bsSkinPanel2, "bsSkinBevel1");
    layout->Place(bsSkinBevel1, QRect(89, 16, 154, 9));
    bsSkinStdLabel4 = MakeControl<TStdLabel>(bsSkinPanel2, "bsSkinStdLabel4", QStringLiteral("Subject:"));
    layout->Place(bsSkinStdLabel4, QRect(9, 33, 39, 13), akLeft | akTop, true);
    edtSubject = MakeControl<QLineEdit>(bsSkinPanel2, "edtSubject");
    bsSkinStdLabel4->setBuddy(edtSubject);
    layout->Place(edtSubject, QRect(52, 32, 133, 18));
    btnSPaste = MakeButton(bsSkinPanel2, "btnSPaste", QStringLiteral("Paste"), false);
    layout->Place(btnSPaste, QRect(191, 32, 49, 20));
    bsSkinStdLabel5 = MakeControl<TStdLabel>(bsSkinPanel2, "bsSkinStdLabel5", QStringLiteral("Message:"));
    layout->Place(bsSkinStdLabel5, QRect(9, 57, 46, 13), akLeft | akTop, true);

    bsSkinPanel5 = MakeControl<TSkinPanel>(bsSkinPanel2, "bsSkinPanel5", false);
    layout->Place(bsSkinPanel5, QRect(11, 74, 232, 111));
    memBody = MakeMemo(bsSkinPanel5, QSize(232, 111), bsSkinScrollBar1);
    memBody->setAccessibleName(QStringLiteral("Message"));

    btnBPaste =
        MakeButton(bsSkinPanel2, "btnBPaste", QStringLiteral("Paste message on selected field"), true);
    layout->Place(btnBPaste, QRect(10, 194, 234, 20));

    bsSkinPageControl1 = MakeControl<QTabWidget>(bsSkinPanel2, "bsSkinPageControl1");
    // The keyboard reaches the page control through its tab alone.
    bsSkinPageControl1->setFocusPolicy(Qt::NoFocus);
    bsSkinPageControl1->tabBar()->setFocusPolicy(Qt::TabFocus);
    layout->Place(bsSkinPageControl1, QRect(8, 221, 237, 196), akLeft | akTop | akRight | akBottom);
    bsSkinTabSheet1 = new QWidget;
    bsSkinTabSheet1->setObjectName(QStringLiteral("bsSkinTabSheet1"));
    bsSkinPageControl1->addTab(bsSkinTabSheet1, QStringLiteral("Your Forums"));

    auto* page = TControlLayout::Of(bsSkinTabSheet1, QSize(235, 174));
    btnAddURL = MakeButton(bsSkinTabSheet1, "btnAddURL", QStringLiteral("Add Current URL"), true);
    page->Place(btnAddURL, QRect(9, 9, 106, 20));
    btnRemoveURL = MakeButton(bsSkinTabSheet1, "btnRemoveURL", QStringLiteral("Remove URL"), true);
    page->Place(btnRemoveURL, QRect(121, 9, 106, 20));
    bsSkinStdLabel7 = MakeControl<TStdLabel>(bsSkinTabSheet1, "bsSkinStdLabel7", QStringLiteral("Username:"));
    page->Place(bsSkinStdLabel7, QRect(9, 38, 51, 13), akLeft | akTop, true);
    edtUsername = MakeControl<QLineEdit>(bsSkinTabSheet1, "edtUsername");
    bsSkinStdLabel7->setBuddy(edtUsername);
    page->Place(edtUsername, QRect(66, 37, 99, 18));
    btnUPaste = MakeButton(bsSkinTabSheet1, "btnUPaste", QStringLiteral("Paste"), false);
    page->Place(btnUPaste, QRect(170, 36, 56, 20));
    bsSkinStdLabel8 = MakeControl<TStdLabel>(bsSkinTabSheet1, "bsSkinStdLabel8", QStringLiteral("Password:"));
    page->Place(bsSkinStdLabel8, QRect(9, 68, 49, 13), akLeft | akTop, true);
    edtPassword = MakeControl<TPasswordEdit>(bsSkinTabSheet1, "edtPassword");
    bsSkinStdLabel8->setBuddy(edtPassword);
    page->Place(edtPassword, QRect(66, 65, 99, 18));
    btnWPaste = MakeButton(bsSkinTabSheet1, "btnWPaste", QStringLiteral("Paste"), false);
    page->Place(btnWPaste, QRect(170, 64, 56, 20));
    lvwForums = MakeControl<TListBox>(bsSkinTabSheet1, "lvwForums");
    lvwForums->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwForums->setSortingEnabled(false);
    lvwForums->setUniformItemSizes(true);
    lvwForums->setAccessibleName(QStringLiteral("Your Forums"));
    // Long addresses are cut short in the middle rather than scrolled sideways: two forums of one
    // site differ at the end of their addresses. The whole address shows under the pointer.
    lvwForums->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    page->Place(lvwForums, QRect(9, 94, 217, 70), akLeft | akTop | akBottom);
}

void TfrmMain::BuildBrowser()
{
    auto* layout = TControlLayout::Of(bsSkinPanel3, QSize(504, 429));
    bsSkinPanel4 = MakeControl<TSkinPanel>(bsSkinPanel3, "bsSkinPanel4", true);
    layout->Dock(bsSkinPanel4, TAlign::Top, 89);
    webBrowser = MakeControl<TBrowserPane>(bsSkinPanel3, "webBrowser");
    layout->Dock(webBrowser, TAlign::Client);
    PostFill = new TPostFill(webBrowser);
    SendWatch = new TSendWatch(webBrowser);

    auto* bar = TControlLayout::Of(bsSkinPanel4, QSize(504, 89));
    bsSkinStdLabel2 = MakeControl<TStdLabel>(bsSkinPanel4, "bsSkinStdLabel2", QStringLiteral("Browser"));
    bar->Place(bsSkinStdLabel2, QRect(8, 9, 38, 13), akLeft | akTop, true);
    bsSkinBevel2 = MakeControl<TBevel>(bsSkinPanel4, "bsSkinBevel2");
    bar->Place(bsSkinBevel2, QRect(59, 16, 432, 9), akLeft | akTop | akRight);
    bsSkinStdLabel6 = MakeControl<TStdLabel>(bsSkinPanel4, "bsSkinStdLabel6", QStringLiteral("URL:"));
    bar->Place(bsSkinStdLabel6, QRect(9, 33, 25, 13), akLeft | akTop, true);
    edtURL = MakeControl<QLineEdit>(bsSkinPanel4, "edtURL");
    bsSkinStdLabel6->setBuddy(edtURL);
    bar->Place(edtURL, QRect(48, 32, 390, 18), akLeft | akTop | akRight);
    bsSkinButton2 = MakeButton(bsSkinPanel4, "bsSkinButton2", QStringLiteral("Go!"), false);
    bar->Place(bsSkinButton2, QRect(445, 31, 47, 20), akTop | akRight);
    bsSkinSpeedButton1 = MakeSpeedButton(bsSkinPanel4, "bsSkinSpeedButton1", QStringLiteral("Back"),
                                         "back.bmp", QStringLiteral("Back"));
    bar->Place(bsSkinSpeedButton1, QRect(48, 56, 25, 25));
    bsSkinSpeedButton2 = MakeSpeedButton(bsSkinPanel4, "bsSkinSpeedButton2", QStringLiteral("Foward"),
                                         "forward.bmp", QStringLiteral("Forward"));
    bar->Place(bsSkinSpeedButton2, QRect(76, 56, 25, 25));
    bsSkinSpeedButton4 = MakeSpeedButton(bsSkinPanel4, "bsSkinSpeedButton4", QStringLiteral("Refresh"),
                                         "refresh.bmp", QStringLiteral("Refresh"));
    bar->Place(bsSkinSpeedButton4, QRect(104, 56, 25, 25));
    bsSkinSpeedButton3 = MakeSpeedButton(bsSkinPanel4, "bsSkinSpeedButton3", QStringLiteral("Stop"),
                                         "stop.bmp", QStringLiteral("Stop"));
    bar->Place(bsSkinSpeedButton3, QRect(132, 56, 25, 25));
    // In the free space right of the speed buttons, up to the right edge of "Go!".
    lblSite = MakeControl<TSiteIndicator>(bsSkinPanel4, "lblSite");
    bar->Place(lblSite, QRect(165, 56, 327, 25), akLeft | akTop | akRight);
    connect(webBrowser, &TBrowserPane::SiteChanged, lblSite, &TSiteIndicator::Show);
    // A screen reader hears what the indicator is, then the site it shows.
    const auto nameSite = [this] {
        lblSite->setAccessibleName(lblSite->text().isEmpty() ? QStringLiteral("Site")
                                                             : QStringLiteral("Site: ") + lblSite->text());
    };
    nameSite();
    connect(webBrowser, &TBrowserPane::SiteChanged, lblSite, nameSite);
}

QList<QWidget*> TfrmMain::KeyboardOrder() const
{
    return {cbxFormat,   edtSubject,   btnBPaste,   bsSkinPageControl1->tabBar(),
            btnAddURL,   btnRemoveURL, edtUsername, lvwForums,
            edtPassword, memBody,      webBrowser,  edtURL};
}

bool TfrmMain::focusNextPrevChild(bool next)
{
    // Tab goes round the focusable controls in the order users read the window. The order is kept
    // here rather than in Qt's focus chain, which composite controls (the memo, the engine view
    // with its inner render widget) leave in an order of their own.
    const QList<QWidget*> order = KeyboardOrder();
    const QWidget* focused = QApplication::focusWidget();
    qsizetype at = -1;
    for (qsizetype i = 0; i < order.size() && at < 0; ++i)
        if (order[i] == focused || (focused && order[i]->isAncestorOf(focused)))
            at = i;
    if (at < 0)
        return TSkinForm::focusNextPrevChild(next);
    for (qsizetype step = 1; step < order.size(); ++step) {
        QWidget* candidate = order[(at + (next ? step : order.size() - step)) % order.size()];
        const bool pane = candidate == webBrowser;
        if (candidate->isVisible() && candidate->isEnabled() &&
            (pane || (candidate->focusPolicy() & Qt::TabFocus))) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;
}

void TfrmMain::CreationStep(const std::function<void()>& step)
{
    try {
        step();
    } catch (const std::exception& failure) {
        FStartupFailures << QString::fromLocal8Bit(failure.what());
    }
}

void TfrmMain::FormCreate()
{
    gifBanner->setGeometry(imgBanner->geometry());
    // Every store exists and every list is filled before the window shows, whatever fails on
    // the way; failures are reported once the window is up.
    const std::string dir = ToAnsi(FAppDirectory);
    Messages = std::make_unique<TFMessages>(dir);
    Forums = std::make_unique<TForums>(dir);
    Formats = std::make_unique<TFormats>(dir);
    CreationStep([this] { LoadBranding(); });
    CreationStep([this] { Messages->LoadAll(); });
    CreationStep([this] { Forums->LoadAll(); });
    for (int i = 0; i < Forums->Count(); ++i)
        lvwForums->addItem(FromAnsi(Forums->RecordAt(i).URL));
    CreationStep([this] { Formats->LoadAll(); });
    ForumTemplates = std::make_unique<TForumTemplates>(dir);
    CreationStep([this] { ForumTemplates->LoadAll(); });
    FillFormats();
    Posts = std::make_unique<TPosts>(dir);
    CreationStep([this] {
        Posts->LoadAll();
        DropPostPasswords();
    });
    RefreshMarks();
    RestoreDraft();
}

void TfrmMain::FormDestroy()
{
    Messages.reset();
    Forums.reset();
    Formats.reset();
    Posts.reset();
    ForumTemplates.reset();
    Draft.reset();
}

void TfrmMain::FillFormats()
{
    cbxFormat->clear();
    cbxFormat->addItem(QStringLiteral("text"));
    for (int i = 0; i < Formats->Count(); ++i) {
        const std::string& name = Formats->RecordAt(i).Name;
        if (!name.empty())
            cbxFormat->addItem(FromAnsi(name));
    }
    cbxFormat->setCurrentIndex(0);
    // A template renamed or removed no longer names a forum's.
    RefreshForumHints();
}

void TfrmMain::CentreBanner()
{
    // Each side is halved before the subtraction; both pictures are placed, shown or not.
    imgBanner->move(panBanner->width() / 2 - imgBanner->width() / 2,
                    panBanner->height() / 2 - imgBanner->height() / 2);
    gifBanner->move(panBanner->width() / 2 - gifBanner->width() / 2,
                    panBanner->height() / 2 - gifBanner->height() / 2);
}

void TfrmMain::FormShow()
{
    CentreBanner();
}

void TfrmMain::FormResize()
{
    CentreBanner();
}

void TfrmMain::showEvent(QShowEvent* event)
{
    if (!FShown) {
        FShown = true;
        CentreOnScreen(this);
        if (!FStartupFailures.isEmpty())
            QTimer::singleShot(0, this, [failures = FStartupFailures] {
                for (const QString& failure : failures)
                    ReportFailure(failure);
            });
        if (FDraftRestored)
            QTimer::singleShot(0, this, [this] { ShowNote(RestoredNote()); });
    }
    FormShow();
    TSkinForm::showEvent(event);
}

bool TfrmMain::event(QEvent* event)
{
    const bool handled = TSkinForm::event(event);
    // The request that painted the window's first frame has been handled: the view comes next.
    if (event->type() == QEvent::UpdateRequest && !FPainted) {
        FPainted = true;
        QTimer::singleShot(0, webBrowser->View(), [view = webBrowser->View()] { view->show(); });
    }
    return handled;
}

void TfrmMain::resizeEvent(QResizeEvent* event)
{
    TSkinForm::resizeEvent(event);
    FormResize();
}
