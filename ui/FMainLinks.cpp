// Each forum's own link template and Auto Insert with links. A forum's template is kept by its
// address in "ForumTemplates.dat"; the forum list's context menu chooses it, and the forum's hint
// names it. Auto Insert with links fills the page as Auto Insert does, with the body's addresses
// converted by the selected forum's template or, for a forum without one, by the template chosen in
// the format chooser. Into fields and source editors the converted body goes as text, exactly what
// "Copy" gives; into a rich editor the "html" template's output goes as HTML, so that the links
// arrive as links. The subject is never converted.
#include "ui/FMain.h"

#include "browser/TBrowserPane.h"
#include "browser/TLoginFill.h"
#include "core/ULinkMarkup.h"
#include "ui/UAnsi.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>

#include <iterator>

namespace {

// The template whose output is HTML, by the name the template store gives it.
bool IsHtmlTemplate(const TFormat& format)
{
    return QString::fromStdString(format.Name)
               .trimmed()
               .compare(QLatin1String("html"), Qt::CaseInsensitive) == 0;
}

// The body as HTML for a rich editor: only the template's markup is markup; what the user typed,
// the addresses included, is escaped, so that it arrives as the text it is. The addresses are found
// in the text as typed, as "Copy" finds them (an address in "<...>" or quotes ends before them),
// with stand-ins for the template's pieces that are put back once the text is escaped. The stand-ins
// are control characters that show as nothing; any the text holds are dropped first.
QString HtmlBody(const QString& typed, const TFormat& format)
{
    const QChar standIns[] = {QChar(1), QChar(2), QChar(3), QChar(4)};
    QString text = typed;
    for (const QChar standIn : standIns)
        text.remove(standIn);
    const TFormat marked{format.Name, "\x01", "\x02", "\x03", "\x04"};
    QString html = FromAnsi(ConvertLinks(ToAnsi(text), &marked)).toHtmlEscaped();
    const std::string TFormat::*pieces[] = {&TFormat::LinkOpen, &TFormat::LinkMiddle, &TFormat::LinkEnd,
                                            &TFormat::Email};
    for (std::size_t i = 0; i < std::size(pieces); ++i)
        html.replace(standIns[i], FromAnsi(format.*pieces[i]));
    return html;
}

} // namespace

void TfrmMain::BuildForumTools()
{
    FLoginFill = new TLoginFill(webBrowser);
    const auto make = [this](const QString& caption, void (TfrmMain::*handler)()) {
        auto* action = new QAction(caption, this);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    actLogIn = make(QStringLiteral("Log in"), &TfrmMain::actLogInClick);
    actAutoInsertLinks = make(QStringLiteral("Auto Insert with links"), &TfrmMain::actAutoInsertLinksClick);
    actEditLinkTemplates =
        make(QStringLiteral("Edit link templates\u2026"), &TfrmMain::actEditLinkTemplatesClick);
    webBrowser->AddContextMenuAction(actLogIn);
    webBrowser->AddContextMenuAction(actAutoInsertLinks);
    cbxFormat->setContextMenuPolicy(Qt::ActionsContextMenu);
    cbxFormat->addAction(actEditLinkTemplates);
    connect(lvwForums->model(), &QAbstractItemModel::rowsInserted, this, &TfrmMain::RefreshForumHints);
}

void TfrmMain::AddForumMenuEntries(QMenu* menu)
{
    const int index = ForumIndex();
    menu->addAction(actLogIn);
    menu->addAction(actAutoInsertLinks);
    QMenu* templates = menu->addMenu(QStringLiteral("Link template"));
    templates->setEnabled(index >= 0 && Formats && ForumTemplates);
    if (!templates->isEnabled())
        return;
    const TFormat* own = FormatNamed(ForumTemplates->TemplateOf(Forums->RecordAt(index).URL));
    auto* group = new QActionGroup(templates);
    const auto add = [this, templates, group](const QString& caption, const std::string& name, bool checked) {
        QAction* entry = templates->addAction(caption);
        entry->setCheckable(true);
        entry->setChecked(checked);
        group->addAction(entry);
        connect(entry, &QAction::triggered, this, [this, name] { SetForumTemplate(name); });
    };
    add(QStringLiteral("None"), std::string(), own == nullptr);
    QStringList listed;
    for (int i = 0; i < Formats->Count(); ++i) {
        const TFormat& format = Formats->RecordAt(i);
        const QString caption = FromAnsi(format.Name);
        if (format.Name.empty() || listed.contains(caption))
            continue;
        listed << caption;
        // "&" would mark a mnemonic in the menu.
        add(QString(caption).replace(QLatin1Char('&'), QStringLiteral("&&")), format.Name,
            own && own->Name == format.Name);
    }
}

const TFormat* TfrmMain::FormatNamed(const std::string& name) const
{
    if (name.empty() || !Formats)
        return nullptr;
    for (int i = 0; i < Formats->Count(); ++i)
        if (Formats->RecordAt(i).Name == name)
            return &Formats->RecordAt(i);
    return nullptr;
}

const TFormat* TfrmMain::LinkFormat() const
{
    if (const int index = ForumIndex(); index >= 0 && ForumTemplates)
        if (const TFormat* own = FormatNamed(ForumTemplates->TemplateOf(Forums->RecordAt(index).URL)))
            return own;
    return ChosenFormat();
}

void TfrmMain::SetForumTemplate(const std::string& name)
{
    const int index = ForumIndex();
    if (index < 0 || !ForumTemplates)
        return;
    if (!ForumTemplates->SetTemplate(Forums->RecordAt(index).URL, name))
        return;
    RefreshForumHints();
    ForumTemplates->SaveAll();
}

void TfrmMain::RefreshForumHints()
{
    if (!Forums || !ForumTemplates)
        return;
    for (int row = 0; row < lvwForums->count() && row < Forums->Count(); ++row) {
        const TFormat* own = FormatNamed(ForumTemplates->TemplateOf(Forums->RecordAt(row).URL));
        lvwForums->item(row)->setToolTip(own ? QStringLiteral("Link template: %1").arg(FromAnsi(own->Name))
                                             : QString());
    }
}

void TfrmMain::actAutoInsertLinksClick()
{
    const TFormat* format = LinkFormat();
    const QString typed = memBody->toPlainText();
    AutoInsertBody(ConvertLinks(typed, format),
                   format && IsHtmlTemplate(*format) ? HtmlBody(typed, *format) : QString());
}

void TfrmMain::actEditLinkTemplatesClick()
{
    btnOptionsClick();
}
