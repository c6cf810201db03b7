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

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <utility>

namespace textowl {

namespace {

// The export's filters, in the order the dialog lists them.
enum ExportFilter { VCardFilter, CsvFilter };

// One import up to the start of its calls, or one export, from the file dialog to the last
// message.
class ContactFiles {
public:
    ContactFiles(const SessionContext& context, BuddyTree& tree, BuddyList& list)
        : m_context(context), m_memory(context.contactFiles), m_tree(tree), m_list(list),
          m_treeAlive(&tree) {}

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
    std::optional<QString> chooseFile(Prompts::FileChoice& choice);

    const SessionContext& m_context;
    const ContactFileMemory& m_memory;
    BuddyTree& m_tree;
    BuddyList& m_list;
    QPointer<BuddyTree> m_treeAlive;
};

void ContactFiles::importFile() {
    Prompts::FileChoice choice{
        text(Text::ImportTitle),
        QString(),
        {{text(Text::ContactFilesFilter), QStringLiteral("*.vcf *.vcard *.csv")},
         {text(Text::VCardFilesFilter), QStringLiteral("*.vcf *.vcard")},
         {text(Text::CsvFilesFilter), QStringLiteral("*.csv")},
         {text(Text::AllFilesFilter), QStringLiteral("*")}}};
    const std::optional<QString> path = chooseFile(choice);
    if (!path || stopped())
        return;
    ContactRead read = readContactFile(QFile::encodeName(*path).toStdString());
    if (!read.ok()) {
        tell(qs(readErrorText(m_context.catalogue, read.error)), Prompts::Icon::Error);
        return;
    }
    ContactImportDialog preview(m_list, std::move(read.book), m_memory.numberRegion(),
                                m_context.catalogue, &m_context.dialogParent);
    // The preview plans against the list: it closes when the session takes the list away.
    QObject::connect(&m_tree, &QObject::destroyed, &preview, &QDialog::reject);
    const bool confirmed = m_context.prompts.confirm(preview);
    if (!preview.region().isEmpty() && m_memory.rememberRegion)
        m_memory.rememberRegion(preview.region());
    if (!confirmed || preview.region().isEmpty() || stopped())
        return;
    ImportJob::start(m_context, m_tree, m_list, preview.plan(), preview.ticked());
}

std::optional<QString> ContactFiles::chooseFile(Prompts::FileChoice& choice) {
    choice.folder = m_memory.startFolder();
    std::optional<QString> path = m_context.prompts.chooseFile(&m_context.dialogParent, choice);
    if (path)
        m_memory.rememberFolderOf(*path);
    return path;
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
    Prompts::FileChoice choice{text(Text::ExportTitle),
                               QString(),
                               {{text(Text::VCardFilesFilter), QStringLiteral("*.vcf")},
                                {text(Text::CsvFilesFilter), QStringLiteral("*.csv")}},
                               true};
    std::optional<QString> path = chooseFile(choice);
    if (!path || stopped())
        return;
    const QString suffix = QFileInfo(*path).suffix().toLower();
    const bool csv = suffix == QStringLiteral("csv") ||
                     (suffix != QStringLiteral("vcf") && suffix != QStringLiteral("vcard") &&
                      choice.filter == CsvFilter);
    if (suffix.isEmpty())
        *path += csv ? QStringLiteral(".csv") : QStringLiteral(".vcf");
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

void installContactCommands(CommandRouter& router, const SessionContext& context, PageHost& pages) {
    for (const auto& [id, command] : {std::pair{kCmdImportContacts, &ContactFiles::importFile},
                                      {kCmdExportContacts, &ContactFiles::exportFile}}) {
        router.setCommandHandler(id, [&context, &pages, command] {
            BuddyTree* tree = pages.buddyTree();
            BuddyList* list = context.session.buddyList();
            if (tree != nullptr && list != nullptr)
                (ContactFiles(context, *tree, *list).*command)();
        });
    }
}

} // namespace textowl
