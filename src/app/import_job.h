#pragma once

#include "contacts/import_run.h"

#include <QObject>
#include <QPointer>
#include <vector>

class QProgressBar;
class QProgressDialog;

namespace textowl {

class BuddyTree;
struct SessionContext;

// An import under way: gives the run's calls to the service one at a time, shows the progress in
// front of the window and, at the end, selects the root line and says what happened. It belongs to
// the tree, and ends without a word with it or with the session: sign-out and exit take the
// import and its progress dialog along.
class ImportJob : public QObject {
    Q_OBJECT
public:
    static void start(const SessionContext& context, BuddyTree& tree, BuddyList& list,
                      ImportPlan plan, std::vector<bool> ticked);
    ~ImportJob() override;

private:
    ImportJob(const SessionContext& context, BuddyTree& tree, BuddyList& list, ImportPlan plan,
              std::vector<bool> ticked);

    void askNext();
    void showProgress();
    void finish();

    const SessionContext& m_context;
    BuddyTree& m_tree;
    const ImportPlan m_plan;
    const std::vector<bool> m_ticked;
    ImportRun m_run;
    QPointer<QProgressDialog> m_progress;
    QProgressBar* m_bar = nullptr; // the dialog's, moved without the dialog's own event pass
};

} // namespace textowl
