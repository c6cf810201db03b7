#include "app/contact_commands.h"

#include "app/command_router.h"
#include "app/contact_import_dialog.h"
#include "app/contact_texts.h"
#include "app/import_job.h"
#include "app/page_host.h"
#include "app/session_context.h"
#include "base/command_ids.h"
#include "buddylist/buddy_tree.h"
#include "contacts/contact_export.h"
#include "contacts/contact_file.h"
#include "contacts/contact_writer.h"
#include "session/session.h"
#include "texts/string_catalogue.h"
#include "texts/text_format.h"
#include "ui/prompts.h"
#include "ui/qt_text.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSaveFile>
#include <utility>

namespace textowl {

namespace {

// One import up to the start of its calls, or one export, from the file dialog to the last
// message.
class ContactFiles {
public:
    ContactFiles(const SessionContext& context, const ImportRegionMemory& regions, BuddyTree& tree,
                 BuddyList& list)
        : m_context(context), m_regions(regions), m_tree(tree), m_list(list), m_treeAlive(&tree) {}

    void importFile();
    void exportFile();

private:
    QString text(Text id) const { return localised(m_context.catalogue, id); }
    void tell(const QString& message, Prompts::Icon icon) {
        m_context.prompts.message(&m_context.dialogParent, message,
                                  qs(m_context.catalogue.dialogTitle()), icon);
    }
    // The session ended while a dialog was open, and the tree and the list with it.
    bool stopped() const { return m_treeAlive.isNull(); }

    // The region of the user's locale, else the one chosen last time.
    QString startRegion() const;

    const SessionContext& m_context;
    const ImportRegionMemory& m_regions;
    BuddyTree& m_tree;
    BuddyList& m_list;
    QPointer<BuddyTree> m_treeAlive;
};

void ContactFiles::importFile() {
    const Prompts::FileChoice choice{
        text(Text::ImportTitle),
        QDir::homePath(),
        {{text(Text::ContactFilesFilter), QStringLiteral("*.vcf *.vcard *.csv")},
         {text(Text::VCardFilesFilter), QStringLiteral("*.vcf *.vcard")},
         {text(Text::CsvFilesFilter), QStringLiteral("*.csv")},
         {text(Text::AllFilesFilter), QStringLiteral("*")}},
        QString()};
    const std::optional<QString> path =
        m_context.prompts.chooseFile(&m_context.dialogParent, choice);
    if (!path || stopped())
        return;
    ContactRead read = readContactFile(QFile::encodeName(*path).toStdString());
    if (!read.ok()) {
        tell(qs(readErrorText(m_context.catalogue, read.error)), Prompts::Icon::Error);
        return;
    }
    ContactImportDialog preview(m_list, std::move(read.book), startRegion(), m_context.catalogue,
                                &m_context.dialogParent);
    // The preview plans against the list: it closes when the session takes the list away.
    QObject::connect(&m_tree, &QObject::destroyed, &preview, &QDialog::reject);
    const bool confirmed = m_context.prompts.confirm(preview);
    if (!preview.region().isEmpty())
        m_regions.remember(preview.region());
    if (!confirmed || preview.region().isEmpty() || stopped())
        return;
    ImportJob::start(m_context, m_tree, m_list, preview.plan(), preview.ticked());
}

QString ContactFiles::startRegion() const {
    const QString system = qs(systemRegion());
    return system.isEmpty() ? m_regions.last() : system;
}

void ContactFiles::exportFile() {
    ContactBook book;
    const BuddyNode* selected = m_tree.nodeOf(m_tree.selectedLine());
    if (selected && selected->entry.isGroup()) {
        const QString question = qs(
            formatText(lookUp(m_context.catalogue, Text::ExportGroupQuestion), {selected->text}));
        const Prompts::Answer answer = m_context.prompts.askYesNoCancel(
            &m_context.dialogParent, question, qs(m_context.catalogue.dialogTitle()));
        if (stopped())
            return;
        switch (answer) {
        case Prompts::Answer::Cancel:
            return;
        case Prompts::Answer::Yes:
            book = contactsOfGroup(*selected);
            break;
        case Prompts::Answer::No:
            book = contactsOfList(m_list);
            break;
        }
    } else {
        book = contactsOfList(m_list);
    }
    const Prompts::FileChoice choice{text(Text::ExportTitle),
                                     QDir::homePath(),
                                     {{text(Text::VCardFilesFilter), QStringLiteral("*.vcf")},
                                      {text(Text::CsvFilesFilter), QStringLiteral("*.csv")}},
                                     QStringLiteral("vcf"),
                                     true};
    const std::optional<QString> path =
        m_context.prompts.chooseFile(&m_context.dialogParent, choice);
    if (!path || stopped())
        return;
    const bool csv = path->endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    const std::string bytes = csv ? writeCsv(book) : writeVCards(book);
    // Written aside and put in place whole, so that a failure never leaves half a file over an
    // older export.
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !file.commit()) {
        tell(text(Text::ExportFailed), Prompts::Icon::Error);
        return;
    }
    tell(qs(formatText(lookUp(m_context.catalogue, Text::ExportDone),
                       {std::to_string(book.contacts.size())})),
         Prompts::Icon::Information);
}

} // namespace

void installContactCommands(CommandRouter& router, const SessionContext& context, PageHost& pages,
                            const ImportRegionMemory& regions) {
    for (const auto& [id, command] : {std::pair{kCmdImportContacts, &ContactFiles::importFile},
                                      {kCmdExportContacts, &ContactFiles::exportFile}}) {
        router.setCommandHandler(id, [&context, &pages, regions, command] {
            BuddyTree* tree = pages.buddyTree();
            BuddyList* list = context.session.buddyList();
            if (tree != nullptr && list != nullptr)
                (ContactFiles(context, regions, *tree, *list).*command)();
        });
    }
}

} // namespace textowl
