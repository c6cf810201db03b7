#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

namespace textowl {

// One running program per user and display: the first start holds a lock and listens; a later
// start hands its command line over to it and ends, so there is never a second window signed in
// beside the first or a second tray icon.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // key tells one user's displays apart; the lock and the socket live in the user's own
    // runtime folder.
    explicit SingleInstance(const QString& key = displayKey(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is to run: it is the first, or the first cannot be reached. False
    // when the running one has received commandLine.
    bool claim(const QString& commandLine);

    // The display this process shows its windows on, as a file-name part.
    static QString displayKey();

signals:
    // A later start's command line.
    void startedAgain(const QString& commandLine);

private:
    bool handOver(const QString& commandLine) const;
    void listen();

    QString m_socketName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

} // namespace textowl
