#include "app/import_job.h"

#include "app/contact_texts.h"
#include "app/session_context.h"
#include "buddylist/buddy_tree.h"
#include "service/service_proxy.h"
#include "session/service_calls.h"
#include "session/session.h"
#include "texts/string_catalogue.h"
#include "ui/prompts.h"
#include "ui/qt_text.h"

#include <QProgressBar>
#include <QProgressDialog>
#include <utility>

namespace textowl {

void ImportJob::start(const SessionContext& context, BuddyTree& tree, BuddyList& list,
                      ImportPlan plan, std::vector<bool> ticked) {
    (new ImportJob(context, tree, list, std::move(plan), std::move(ticked)))->askNext();
}

ImportJob::ImportJob(const SessionContext& context, BuddyTree& tree, BuddyList& list,
                     ImportPlan plan, std::vector<bool> ticked)
    : QObject(&tree), m_context(context), m_tree(tree), m_plan(std::move(plan)),
      m_ticked(std::move(ticked)), m_run(list, m_plan, m_ticked, context.session.ticket()) {
    connect(&context.session, &Session::stageChanged, this, [this](Session::Stage stage) {
        if (stage == Session::Stage::SignedOut)
            deleteLater();
    });
    const QString title = localised(context.catalogue, Text::ImportTitle);
    m_progress = new QProgressDialog(localised(context.catalogue, Text::ImportProgress),
                                     localised(context.catalogue, Text::Cancel), 0, 0,
                                     &context.dialogParent);
    // The dialog's own setValue() runs the events of a modal dialog in passing, which could end
    // the session under this job; its bar moves without that.
    m_bar = new QProgressBar;
    m_progress->setBar(m_bar);
    m_progress->setRange(0, static_cast<int>(m_run.rowsToImport()));
    m_progress->setWindowTitle(title);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(0);
    m_progress->setAutoReset(false);
    m_progress->setValue(0);
}

ImportJob::~ImportJob() {
    // Later, since the session may end while the dialog is still handling an event.
    if (m_progress) {
        m_progress->hide();
        m_progress->deleteLater();
    }
}

void ImportJob::askNext() {
    const ImportCall* next = m_run.nextCall();
    if (!next) {
        finish();
        return;
    }
    m_context.calls.call(
        [call = *next](ServiceProxy& proxy, ServiceText* result) {
            return proxy.call(call.operation, call.parameters, result);
        },
        this,
        [this](const ServiceCalls::Answer& answer) {
            m_run.answer(answer.status, answer.result);
            showProgress();
            askNext();
        });
}

void ImportJob::showProgress() {
    if (!m_progress)
        return;
    m_bar->setValue(static_cast<int>(m_run.rowsImported()));
    // A click on Cancel stops the import once the contact in hand is in.
    if (m_progress->wasCanceled())
        m_run.cancel();
}

void ImportJob::finish() {
    if (m_progress)
        m_progress->reset();
    m_tree.selectLine(m_tree.rootLine());
    m_tree.setFocus();
    const ImportReport& report = m_run.report();
    const QString summary = qs(importSummaryText(m_context.catalogue, m_plan, m_ticked, report));
    const Prompts::Icon icon =
        report.count(RowOutcome::Failed) > 0 ? Prompts::Icon::Warning : Prompts::Icon::Information;
    const SessionContext& context = m_context;
    deleteLater();
    // The session may end while the message is up, and the job with it: nothing of it is used
    // from here on.
    context.prompts.message(&context.dialogParent, summary, qs(context.catalogue.dialogTitle()),
                            icon);
}

} // namespace textowl
