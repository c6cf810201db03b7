#pragma once

#include "contacts/import_plan.h"

#include <QDialog>
#include <QString>
#include <set>
#include <vector>

class QComboBox;
class QPushButton;
class QTableWidget;

namespace textowl {

// What the import preview says, in the user's language.
struct ContactImportTexts {
    QString title = QStringLiteral("Import Contacts");
    QString region = QStringLiteral("&Numbers without a country code are from:");
    QString noRegion = QStringLiteral("(no region)");
    QString name = QStringLiteral("Name");
    QString number = QStringLiteral("Number");
    QString group = QStringLiteral("Group");
    QString action = QStringLiteral("Action");
    QString add = QStringLiteral("Add");
    QString alreadyInList = QStringLiteral("Skip: already in the list");
    QString noName = QStringLiteral("Skip: no name");
    // "%1" is one of the reasons below.
    QString noValidNumber = QStringLiteral("Skip: no valid number (%1)");
    QString missing = QStringLiteral("none given");
    QString notANumber = QStringLiteral("not a number");
    QString noCountryCode = QStringLiteral("no country code");
    QString invalidCountryCode = QStringLiteral("unknown country code");
    QString tooShort = QStringLiteral("too short");
    QString tooLong = QStringLiteral("too long");
    QString import = QStringLiteral("&Import");
    QString cancel = QStringLiteral("Cancel");
};

// Shows every contact of a file with what importing it would do, before anything changes. The
// user unticks rows or names the region national numbers belong to, which plans again.
class ContactImportDialog : public QDialog {
    Q_OBJECT
public:
    ContactImportDialog(const BuddyList& list, ContactBook book, const QString& region,
                        ContactImportTexts texts = {}, QWidget* parent = nullptr);

    const ImportPlan& plan() const { return m_plan; }
    QString region() const;
    // The rows still ticked, one flag per row of the plan.
    std::vector<bool> ticked() const;
    std::vector<ImportStep> steps() const { return importSteps(m_plan, ticked()); }

private:
    void replan();
    void fillRows();
    void updateImportButton();
    QString actionText(const ImportRow& row) const;

    const BuddyList& m_list;
    ContactBook m_book;
    ContactImportTexts m_texts;
    ImportPlan m_plan;
    std::set<std::size_t> m_unticked;
    QComboBox* m_region = nullptr;
    QTableWidget* m_rows = nullptr;
    QPushButton* m_import = nullptr;
};

} // namespace textowl
