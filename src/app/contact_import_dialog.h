#pragma once

#include "contacts/import_plan.h"
#include "texts/text_table.h"

#include <QDialog>
#include <QString>
#include <set>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace textowl {
class StringCatalogue;
}

namespace textowl {

// Shows every contact of a file with what importing it would do, before anything changes. The
// user unticks rows or names the region national numbers belong to, which plans again. Without a
// region the list of regions has the focus and nothing can be imported until one is chosen.
class ContactImportDialog : public QDialog {
    Q_OBJECT
public:
    ContactImportDialog(const BuddyList& list, ContactBook book, const QString& region,
                        const StringCatalogue& catalogue, QWidget* parent = nullptr);

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
    QString text(Text id) const;

    const BuddyList& m_list;
    ContactBook m_book;
    const StringCatalogue& m_catalogue;
    ImportPlan m_plan;
    std::set<std::size_t> m_unticked;
    QComboBox* m_region = nullptr;
    QLabel* m_regionHint = nullptr;
    QTableWidget* m_rows = nullptr;
    QPushButton* m_import = nullptr;
};

} // namespace textowl
