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

class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class TBrowserPane;
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

    // Outside links (FMainBranding.cpp)
    void imgBannerClick();
    void gifBannerClick();
    void btnMakeMoneyClick();
    void btnHelpClick();

protected:
    void showEvent(QShowEvent* event) override;
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
    // --- end of browser part ---

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
