#include "app/data_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace textowl {
namespace {

// Each case lays out files below one temporary root: "work" is the current directory, "home" the
// user's data directory, "sys1" and "sys2" the system data directories. A trailing '/' makes a
// folder.
struct LookupCase {
    const char* name;
    std::vector<const char*> placed;
    const char* expected;
};

const LookupCase kCases[] = {
    {"strings.xml", {"sys2/textowl/strings.xml"}, "sys2/textowl/strings.xml"},
    {"strings.xml", {"work/strings.xml", "sys1/textowl/strings.xml"}, "work/strings.xml"},
    {"strings.xml",
     {"home/Varnel/Textowl/strings.xml", "sys1/textowl/strings.xml"},
     "home/Varnel/Textowl/strings.xml"},
    {"skins", {"sys2/textowl/skins/"}, "sys2/textowl/skins"},
    {"skins", {"sys1/textowl/strings.xml"}, "work/skins"}, // nowhere: the current directory
};

// The working directory, the data directories and the application's names come back however the
// test ends, a failed ASSERT included.
class ProcessStateGuard {
public:
    ProcessStateGuard()
        : m_directory(QDir::currentPath()), m_home(qgetenv("XDG_DATA_HOME")),
          m_dirs(qgetenv("XDG_DATA_DIRS")) {}
    ~ProcessStateGuard() {
        QDir::setCurrent(m_directory);
        qputenv("XDG_DATA_HOME", m_home);
        qputenv("XDG_DATA_DIRS", m_dirs);
        QCoreApplication::setOrganizationName(QString());
        QCoreApplication::setApplicationName(QString());
    }
    ProcessStateGuard(const ProcessStateGuard&) = delete;
    ProcessStateGuard& operator=(const ProcessStateGuard&) = delete;

private:
    QString m_directory;
    QByteArray m_home, m_dirs;
};

TEST(DataFiles, LookInTheCurrentDirectoryThenTheDataDirectories) {
    const ProcessStateGuard restore;
    QCoreApplication::setOrganizationName(QStringLiteral("Varnel"));
    QCoreApplication::setApplicationName(QStringLiteral("Textowl"));
    for (const LookupCase& c : kCases) {
        QTemporaryDir root;
        const QDir base(root.path());
        for (const char* placed : c.placed) {
            const QString path = base.filePath(QString::fromLatin1(placed));
            ASSERT_TRUE(base.mkpath(QFileInfo(path).path()));
            QFile file(path);
            ASSERT_TRUE(path.endsWith(u'/') || file.open(QIODevice::WriteOnly));
        }
        ASSERT_TRUE(base.mkpath(QStringLiteral("work")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(base.filePath(QStringLiteral("home"))));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(base.filePath(QStringLiteral("sys1")) + u':' +
                                                   base.filePath(QStringLiteral("sys2"))));
        QDir::setCurrent(base.filePath(QStringLiteral("work")));
        EXPECT_EQ(dataFilePath(QString::fromLatin1(c.name)),
                  base.filePath(QString::fromLatin1(c.expected)))
            << c.placed.front();
    }
}

} // namespace
} // namespace textowl
