// The main window: message editor, forum list, browser pane, banner and links, laid out at fixed
// places with docked panels and anchored controls. It owns the three record stores.
#pragma once

#include "core/UForums.h"
#include "toolkit/TBanner.h"
#include "toolkit/TSkinControls.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class QAction;
class QComboBox;
class QDateTime;
class QLineEdit;
class QMenu;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolButton;
class QUrl;
class QVariant;
class TBrowserPane;
class TListBox;
class TLoginFill;
class TPostFill;
class TSendWatch;
class TMessageBox;
class TSiteIndicator;
class TSkinData;

class TfrmMain : public TSkinForm
{
    Q_OBJECT
public:
    // appDirectory is the directory every data file lies in, with a trailing separator.
    explicit TfrmMain(const QString& appDirectory, QWidget* parent = nullptr);
    ~TfrmMain() override;

    QString ApplicationDirectory() const { return FAppDirectory; }

    // Regions
    TSkinPanel* bsSkinPanel1 = nullptr;
    TSkinPanel* panBanner = nullptr;
    TSkinPanel* panLinks = nullptr;
    TSkinPanel* bsSkinPanel2 = nullptr;
    TSkinPanel* bsSkinPanel3 = nullptr;
    // Main toolbar
    QPushButton* btnAutoInsert = nullptr;
    TStdLabel* bsSkinStdLabel1 = nullptr;
    QComboBox* cbxFormat = nullptr;
    QPushButton* btnPreview = nullptr;
    QPushButton* btnCopy = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnLoad = nullptr;
    QPushButton* btnOptions = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnMakeMoney = nullptr;
    // Banner
    TImageBanner* imgBanner = nullptr;
    TGifBanner* gifBanner = nullptr;
    // Bottom links
    TLinkLabel* lblLink1URL = nullptr;
    TLinkLabel* lblLink2URL = nullptr;
    // Message editor and forums
    TStdLabel* bsSkinStdLabel3 = nullptr;
    TBevel* bsSkinBevel1 = nullptr;
    TStdLabel* bsSkinStdLabel4 = nullptr;
    QLineEdit* edtSubject = nullptr;
    QPushButton* btnSPaste = nullptr;
    TStdLabel* bsSkinStdLabel5 = nullptr;
    TSkinPanel* bsSkinPanel5 = nullptr;
    TScrollBar* bsSkinScrollBar1 = nullptr;
    QPlainTextEdit* memBody = nullptr;
    QPushButton* btnBPaste = nullptr;
    QTabWidget* bsSkinPageControl1 = nullptr;
    QWidget* bsSkinTabSheet1 = nullptr;
    QPushButton* btnAddURL = nullptr;
    QPushButton* btnRemoveURL = nullptr;
    TStdLabel* bsSkinStdLabel7 = nullptr;
    QLineEdit* edtUsername = nullptr;
    QPushButton* btnUPaste = nullptr;
    TStdLabel* bsSkinStdLabel8 = nullptr;
    TPasswordEdit* edtPassword = nullptr;
    QPushButton* btnWPaste = nullptr;
    QListWidget* lvwForums = nullptr;
    // Browser
    TSkinPanel* bsSkinPanel4 = nullptr;
    TBrowserPane* webBrowser = nullptr;
    // The pane's page features the window drives: Auto Insert's fill of the posting form, and the
    // watch for the page's send.
    TPostFill* PostFill = nullptr;
    TSendWatch* SendWatch = nullptr;
    TStdLabel* bsSkinStdLabel2 = nullptr;
    TBevel* bsSkinBevel2 = nullptr;
    TStdLabel* bsSkinStdLabel6 = nullptr;
    QLineEdit* edtURL = nullptr;
    QPushButton* bsSkinButton2 = nullptr;
    QToolButton* bsSkinSpeedButton1 = nullptr;
    QToolButton* bsSkinSpeedButton2 = nullptr;
    QToolButton* bsSkinSpeedButton4 = nullptr;
    QToolButton* bsSkinSpeedButton3 = nullptr;
    // Beside the speed buttons: the site of the page shown.
    TSiteIndicator* lblSite = nullptr;
    // Non-visual parts
    TSkinData* bsSkinData1 = nullptr;
    TMessageBox* msgMain = nullptr;

    // The window's own state
    std::unique_ptr<TFMessages> Messages;
    std::unique_ptr<TForums> Forums;
    std::unique_ptr<TFormats> Formats;
    std::unique_ptr<TPosts> Posts;
    std::unique_ptr<TForumTemplates> ForumTemplates;
    QString AffiliateID;
    QString BannerURL;
    QString BannerPath;
    QString Link1URL;
    QString Link2URL;
    QString Link1Name;
    QString Link2Name;
    QString IconPath;

    void FormShow();
    void FormResize();
    // Moves the focus to the next (previous) control of the keyboard order.
    bool focusNextPrevChild(bool next) override;
    // Refills the format chooser from the template store and chooses "text".
    void FillFormats();

    // Message editor (FMainEditor.cpp)
    void btnPreviewClick();
    void btnCopyClick();
    void btnSaveClick();
    void btnLoadClick();
    void btnOptionsClick();

    // Unsaved work in the message editor (FMainEditor.cpp). The editor's text is unsaved when it
    // differs from the message last saved or loaded; an empty editor holds nothing to lose.
    bool EditorUnsaved() const;
    // The editor's text has just been saved or loaded.
    void EditorKept();
    // Asked before a loaded message replaces the editor's text: true when it may (nothing unsaved,
    // or the user says Yes; No is the default).
    bool MayReplaceEditor();
    // Asked before the window closes: true when it may. Unsaved text brings the question whether
    // to save it first (Yes saves as "Save" does, No drops it, Cancel keeps the window open).
    bool FormCloseQuery();
    // The desktop session ends and nobody can be asked: unsaved text is saved as "Save" saves it.
    void SaveForSessionEnd();

    // The draft (FMainDraft.cpp): the editor's unsaved text in "Draft.dat", written soon after each
    // change and removed once the text is saved, loaded or emptied, so that a crash or a kill loses
    // nothing; the next start restores it.
    std::unique_ptr<TDraft> Draft;
    // Writes or removes the draft now, as the editor stands. A failure is reported once per run.
    void KeepDraft();
    // A signal asks the program to end: the draft is written, nobody is asked, and the window closes.
    void EndForSignal();
    // The note shown when the draft was restored at start-up.
    static QString RestoredNote();

    // Undoing "Remove URL" (FMainUndo.cpp): Ctrl+Z in the forum list and "Undo remove" in its
    // context menu put the forums removed since start-up back, the latest first.
    QAction* actUndoRemove = nullptr;
    void actUndoRemoveClick();

    // Browser toolbar, paste buttons, Auto Insert and the forum list (FMainBrowser.cpp)
    void btnAutoInsertClick();
    void btnSPasteClick();
    void btnBPasteClick();
    void btnUPasteClick();
    void btnWPasteClick();
    void bsSkinButton2Click();
    void bsSkinSpeedButton1Click();
    void bsSkinSpeedButton2Click();
    void bsSkinSpeedButton4Click();
    void bsSkinSpeedButton3Click();
    void btnAddURLClick();
    void btnRemoveURLClick();
    void edtUsernameChange();
    void edtPasswordChange();
    void lvwForumsListBoxClick();
    void lvwForumsListBoxDblClick();

    // The posting run (FMainPosts.cpp): the forum list's context menu with Next forum (F8), and the
    // browser pane's own entries.
    QAction* actNextForum = nullptr;
    QAction* actOpenThread = nullptr;
    QAction* actCopyThreadAddress = nullptr;
    QAction* actForgetPost = nullptr;
    QAction* actCopyPostingRecord = nullptr;
    QAction* actCopyPageAddress = nullptr;
    QAction* actUsePageAddress = nullptr;
    void actNextForumClick();
    void actOpenThreadClick();
    void actCopyThreadAddressClick();
    void actForgetPostClick();
    void actCopyPostingRecordClick();
    void actCopyPageAddressClick();
    void actUsePageAddressClick();
    // Another message was loaded into the editor: the marks of the one before go (FMainPosts.cpp).
    void MessageLoaded();

    // The note along the bottom of the browser pane (FMainNote.cpp): shows text for a few seconds,
    // in place of the note before it; NoteText is the text shown now, empty when none is.
    void ShowNote(const QString& text);
    QString NoteText() const;

    // What the program knows of each forum (FMainLogin.cpp, FMainLinks.cpp): log in with the
    // selected forum's user name and password (Ctrl+5), the forum's own link template (the forum
    // list's "Link template" menu), Auto Insert with the body's links converted (Ctrl+Shift+I),
    // and the templates dialog from the format chooser's menu.
    QAction* actLogIn = nullptr;
    QAction* actAutoInsertLinks = nullptr;
    QAction* actEditLinkTemplates = nullptr;
    void actLogInClick();
    void actAutoInsertLinksClick();
    void actEditLinkTemplatesClick();
    // The link template of the selected forum ("None" when name is empty).
    void SetForumTemplate(const std::string& name);
    // The forum list's context menu gets the forum's own entries.
    void AddForumMenuEntries(QMenu* menu);

    // Outside links (FMainBranding.cpp)
    void imgBannerClick();
    void gifBannerClick();
    void btnMakeMoneyClick();
    void btnHelpClick();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Keys of the address box and the forum list.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildLayout();
    void BuildToolbar();
    void BuildBanner();
    void BuildLinks();
    void BuildEditor();
    void BuildBrowser();
    // The focusable controls in the order Tab visits them.
    QList<QWidget*> KeyboardOrder() const;
    void FormCreate();
    void FormDestroy();
    void CentreBanner();
    // Each part of the window connects its own handlers.
    void ConnectEditorHandlers();
    void ConnectBrowserHandlers();
    void ConnectBrandingHandlers();
    // Applies the branding that ReadBranding chose (FMainBranding.cpp).
    void LoadBranding();
    // Link markup with the template chosen in the format chooser (FMainEditor.cpp).
    const TFormat* ChosenFormat() const;
    QString ConvertLinks(const QString& text, const TFormat* format) const;
    // Runs one step of creation or branding; a failure is kept for the report shown once the window
    // is up, and creation goes on.
    void CreationStep(const std::function<void()>& step);

    QString FAppDirectory;
    QStringList FStartupFailures;
    bool FShown = false;
    // Whether the window's first frame has been painted; the browser pane's view waits for it.
    bool FPainted = false;
    // The message last saved or loaded, as the editor showed it.
    QString FKeptSubject;
    QString FKeptBody;

    // --- draft part: members and helpers of FMainDraft.cpp ---
    void BuildDraft();
    void RestoreDraft();
    // Runs a draft step; the first failure of the run is reported, later ones only end the step.
    void DraftStep(const std::function<void()>& step);
    // Removes the draft whatever the editor holds (the user said No to saving it).
    void DropDraft();
    QTimer* FDraftTimer = nullptr;
    // The draft was put back into the editor at start-up: the note says so once the window shows.
    bool FDraftRestored = false;
    bool FDraftFailureReported = false;
    // Set once the program is ending on a signal: closing asks nothing.
    bool FEndingForSignal = false;
    // --- end of draft part ---

    // --- undo part: members and helpers of FMainUndo.cpp ---
    void BuildUndoRemove();
    // A removed forum and the row it stood on.
    struct TRemovedForum
    {
        int Index;
        TForum Forum;
    };
    std::vector<TRemovedForum> FRemovedForums;
    // --- end of undo part ---

    // --- keyboard part: members and helpers of FMainKeys.cpp ---
    // The window's shortcuts, each also named in its button's hint.
    void ConnectShortcuts();
    // --- end of keyboard part ---

    // --- browser part: members and helpers of FMainBrowser.cpp ---
    // A key pressed in the address box; the key goes on to the box afterwards.
    void edtURLKeyDown(int key);
    // A key pressed in the forum list; true when the list must not handle it itself.
    bool lvwForumsListBoxKeyDown(int key);
    // Puts text on the clipboard and pastes it into the page's focused field.
    void PasteIntoPage(const QString& text, bool secret);
    void StopIfBusy();
    // The selected forum (item i is forum i), -1 when none.
    int ForumIndex() const;
    // A credential edit changed: the selected forum takes the text; the store is written at once.
    void StoreCredential(std::string TForum::*field, const QString& text);
    // Set while the program itself changes the forum list, whose selection handler is for the user.
    bool FUpdatingForums = false;
    // Set while choosing a forum fills the credential edits; the store is written once both are filled.
    bool FFillingCredentials = false;
    // After Auto Insert: whether the forum of the page shown already has a post of this subject,
    // and the watch for the page's send once the body was written.
    bool PostedHereBefore() const;
    void AutoInsertDone(bool bodyWritten);
    // --- end of browser part ---

    // --- note part: members and helpers of FMainNote.cpp ---
    // What one Auto Insert asked for and what the page took, for its note.
    struct TFillReport
    {
        QString Subject;
        QString Body;
        bool SubjectWritten = false; // by the fields named "subject" or by the posting form
        bool BodyWritten = false;
        bool Form = false;       // a posting form, or a field named "subject" or "body", was found
        bool SubjectBox = false; // the page has a box for the subject
    };
    // The note after Auto Insert: what was filled, and a post of this subject already sent to the
    // page's forum.
    void ShowFillNote(const TFillReport& report);
    // --- end of note part ---

    // --- posting run: members and helpers of FMainPosts.cpp ---
    void BuildPostingRun();
    TListBox* ForumList() const;
    // Which forum a post from the page belongs to: the selected forum when the page is on its
    // site, otherwise the page's own origin.
    std::string ForumOfPage(const QUrl& page) const;
    // Marks the forums that have a post of the subject now in the subject edit.
    void RefreshMarks();
    // The latest post of the subject to the selected forum, -1 when none.
    int SelectedPost() const;
    // post: the subject and the forum address that Auto Insert gave the page's watch.
    void webBrowserPostSent(const QDateTime& sentAt, const QUrl& threadAddress, const QVariant& post);
    // The latest post of the message to each forum address (without a user name and password).
    std::unordered_map<std::string, int> FMarks;
    // The latest post of each subject of the message to each forum address, oldest first.
    std::unordered_map<std::string, std::vector<int>> FMarkPosts;
    // The subjects the message in the editor had when it was loaded, saved or auto-inserted.
    std::vector<std::string> FMessageSubjects;
    // Those and the subject in the subject edit.
    std::vector<std::string> MessageSubjects() const;
    // The subject in the edit joins the message's subjects (at Save, Load and Auto Insert).
    void KeepMessageSubject();
    bool EditorEmpty() const;
    // Posts recorded with a forum's user name and password (by an earlier version) lose them, and
    // the record is written again without them: "Posts.dat" may be readable by everyone.
    void DropPostPasswords();
    // The forum list's hint for a forum's posts of the message.
    QString PostsHint(const std::vector<int>& posts) const;
    // --- end of posting run ---

    // --- forum's own: members and helpers of FMainLogin.cpp and FMainLinks.cpp ---
    void BuildForumTools();
    // The template a forum's stored name stands for; null for "None" and for a name that no
    // template has any more.
    const TFormat* FormatNamed(const std::string& name) const;
    // The template Auto Insert with links uses: the selected forum's own, else the chooser's.
    const TFormat* LinkFormat() const;
    // The hint of each forum with a template names it, under the address.
    void RefreshForumHints();
    // Whether the password may go to the document that holds the log-in form (FMainBrowser.cpp,
    // beside the password paste, which asks the same question).
    bool PasswordMayFillLogin(const QUrl& origin, bool inFrame, const QUrl& forum);
    // Auto Insert's fill with the body given: as text into fields, and as HTML into rich editors
    // when bodyHtml is not empty (FMainBrowser.cpp).
    void AutoInsertBody(const QString& body, const QString& bodyHtml);
    TLoginFill* FLoginFill = nullptr;
    // --- end of forum's own ---

    // --- branding part: members and helpers of FMainBranding.cpp ---
    // Steps of LoadBranding that decode a file; each may fail without stopping the others.
    void LoadBannerImage(const std::string& stored, const QString& fileName);
    void LoadBrandingSkin(const std::string& path);
    void LoadBrandingIcon(const std::string& path);
    // The help page shipped beside the executable, as a file address.
    QString HelpURL() const;
    // --- end of branding part ---
};

// The single main window; the dialogs reach the stores and the message box through it.
extern TfrmMain* frmMain;
