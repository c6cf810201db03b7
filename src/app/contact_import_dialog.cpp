#include "app/contact_import_dialog.h"

#include "app/contact_texts.h"
#include "app/region_names.h"
#include "ui/qt_text.h"

#include <QCollator>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace textowl {

namespace {

enum Column { NameColumn, NumberColumn, GroupColumn, ActionColumn, ColumnCount };

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The whole name, after the nickname a buddy is listed under when it has one, so that the people
// of a file can be told apart before they are imported.
QString previewName(const Contact& c) {
    std::string full = c.firstName;
    if (!full.empty() && !c.lastName.empty())
        full += ' ';
    full += c.lastName;
    if (full.empty() || c.nickname.empty())
        return fromUtf8(full.empty() ? c.nickname : full);
    return QStringLiteral("%1 (%2)").arg(fromUtf8(c.nickname), fromUtf8(full));
}

QString regionLabel(const std::string& code) {
    return QStringLiteral("%1 (%2, +%3)")
        .arg(regionName(code), fromUtf8(code))
        .arg(callingCode(code));
}

// The regions in the order of the language's alphabet, "(no region)" first.
QComboBox* regionChooser(const QString& current, const QString& none, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("region"));
    box->addItem(none, QString());
    std::vector<std::pair<QString, QString>> regions;
    for (const std::string& code : knownRegions())
        regions.emplace_back(regionLabel(code), fromUtf8(code));
    const QCollator collator;
    std::sort(regions.begin(), regions.end(),
              [&collator](const auto& a, const auto& b) { return collator(a.first, b.first); });
    for (const auto& [label, code] : regions)
        box->addItem(label, code);
    const int at = box->findData(current);
    box->setCurrentIndex(at < 0 ? box->findData(QString()) : at);
    return box;
}

} // namespace

ContactImportDialog::ContactImportDialog(const BuddyList& list, ContactBook book,
                                         const QString& region, const StringCatalogue& catalogue,
                                         QWidget* parent)
    : QDialog(parent), m_list(list), m_book(std::move(book)), m_catalogue(catalogue) {
    setWindowTitle(text(Text::ImportTitle));
    auto* layout = new QVBoxLayout(this);

    m_region = regionChooser(region, text(Text::NoRegion), this);
    auto* regionLabel = new QLabel(text(Text::ImportRegion), this);
    regionLabel->setBuddy(m_region);
    // Without a region nothing can be imported; the greyed button alone would not say why.
    m_regionHint = new QLabel(text(Text::ChooseRegion), this);
    m_regionHint->setObjectName(QStringLiteral("regionHint"));
    auto* regionRow = new QHBoxLayout;
    regionRow->addWidget(regionLabel);
    regionRow->addWidget(m_region, 1);
    regionRow->addWidget(m_regionHint);
    layout->addLayout(regionRow);

    m_rows = new QTableWidget(0, ColumnCount, this);
    m_rows->setObjectName(QStringLiteral("rows"));
    m_rows->setHorizontalHeaderLabels({text(Text::NameColumn), text(Text::NumberColumn),
                                       text(Text::GroupColumn), text(Text::ActionColumn)});
    m_rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_rows->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_rows->verticalHeader()->hide();
    m_rows->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_rows, 1);

    auto* buttons = new QDialogButtonBox(this);
    m_import = buttons->addButton(text(Text::ImportButton), QDialogButtonBox::AcceptRole);
    m_import->setDefault(true);
    buttons->addButton(text(Text::Cancel), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_region, &QComboBox::currentIndexChanged, this, &ContactImportDialog::replan);
    connect(m_rows, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() != NameColumn || !(item->flags() & Qt::ItemIsUserCheckable))
            return;
        const auto row = static_cast<std::size_t>(item->row());
        if (item->checkState() == Qt::Checked)
            m_unticked.erase(row);
        else
            m_unticked.insert(row);
        updateImportButton();
    });
    resize(640, 420);
    replan();
    if (this->region().isEmpty())
        m_region->setFocus();
}

QString ContactImportDialog::region() const {
    return m_region->currentData().toString();
}

std::vector<bool> ContactImportDialog::ticked() const {
    std::vector<bool> ticked(m_plan.rows.size(), true);
    for (const std::size_t row : m_unticked)
        ticked[row] = false;
    return ticked;
}

void ContactImportDialog::replan() {
    m_plan = planImport(m_list, m_book, region().toStdString());
    fillRows();
    updateImportButton();
}

void ContactImportDialog::fillRows() {
    const QSignalBlocker blocker(m_rows);
    m_rows->setRowCount(static_cast<int>(m_plan.rows.size()));
    for (std::size_t i = 0; i < m_plan.rows.size(); ++i) {
        const ImportRow& row = m_plan.rows[i];
        const Contact& c = row.contact;
        QStringList groups;
        for (const std::string& group : c.groups)
            groups << fromUtf8(group);
        const QString cells[ColumnCount] = {previewName(c), fromUtf8(c.cellPhone),
                                            groups.join(QStringLiteral(", ")), actionText(row)};
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            m_rows->setItem(static_cast<int>(i), column, item);
        }
        QTableWidgetItem* name = m_rows->item(static_cast<int>(i), NameColumn);
        if (row.decision == ImportDecision::Add) {
            name->setFlags(name->flags() | Qt::ItemIsUserCheckable);
            name->setCheckState(m_unticked.count(i) ? Qt::Unchecked : Qt::Checked);
        }
    }
    m_rows->resizeColumnsToContents();
}

void ContactImportDialog::updateImportButton() {
    m_regionHint->setVisible(region().isEmpty());
    m_import->setEnabled(!region().isEmpty() && !steps().empty());
}

QString ContactImportDialog::text(Text id) const {
    return localised(m_catalogue, id);
}

QString ContactImportDialog::actionText(const ImportRow& row) const {
    return qs(importActionText(m_catalogue, row));
}

} // namespace textowl
