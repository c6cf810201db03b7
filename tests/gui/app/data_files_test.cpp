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
// user's data directory, "sys1" and "sys2" the system data directories in that order. A name
// ending in '/' is a folder.
struct LookupCase {
    const char* title;
    const char* name;
    std::vector<const char*> placed;
    const char* expected;
};

const LookupCase kCases[] = {
    {"installed only", "strings.xml", {"sys2/textowl/strings.xml"}, "sys2/textowl/strings.xml"},
    {"current directory wins",
     "strings.xml",
     {"work/strings.xml", "sys1/textowl/strings.xml"},
     "work/strings.xml"},
    {"per-user copy before the system one",
     "strings.xml",
     {"home/Varnel/Textowl/strings.xml", "sys1/textowl/strings.xml"},
     "home/Varnel/Textowl/strings.xml"},
    {"data directories in their order",
     "strings.xml",
     {"sys1/textowl/strings.xml", "sys2/textowl/strings.xml"},
     "sys1/textowl/strings.xml"},
    {"skins folder", "skins", {"sys2/textowl/skins/"}, "sys2/textowl/skins"},
    {"nowhere gives the current directory", "skins", {"sys1/textowl/strings.xml"}, "work/skins"},
};

class DataFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldDirectory_ = QDir::currentPath();
        oldNames_ = {QCoreApplication::organizationName(), QCoreApplication::applicationName()};
        QCoreApplication::setOrganizationName(QStringLiteral("Varnel"));
        QCoreApplication::setApplicationName(QStringLiteral("Textowl"));
        oldHome_ = qgetenv("XDG_DATA_HOME");
        oldDirs_ = qgetenv("XDG_DATA_DIRS");
    }
    void TearDown() override {
        QDir::setCurrent(oldDirectory_);
        QCoreApplication::setOrganizationName(oldNames_.first);
        QCoreApplication::setApplicationName(oldNames_.second);
        qputenv("XDG_DATA_HOME", oldHome_);
        qputenv("XDG_DATA_DIRS", oldDirs_);
    }

    QString oldDirectory_;
    std::pair<QString, QString> oldNames_;
    QByteArray oldHome_;
    QByteArray oldDirs_;
};

TEST_F(DataFilesTest, LooksInTheCurrentDirectoryThenTheDataDirectories) {
    for (const LookupCase& c : kCases) {
        QTemporaryDir root;
        const QDir base(root.path());
        for (const char* folder : {"work", "home", "sys1", "sys2"})
            ASSERT_TRUE(base.mkpath(QString::fromLatin1(folder)));
        for (const char* placed : c.placed) {
            const QString path = base.filePath(QString::fromLatin1(placed));
            if (path.endsWith(u'/')) {
                ASSERT_TRUE(base.mkpath(path));
            } else {
                ASSERT_TRUE(base.mkpath(QFileInfo(path).path()));
                QFile file(path);
                ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            }
        }
        qputenv("XDG_DATA_HOME", QFile::encodeName(base.filePath(QStringLiteral("home"))));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(base.filePath(QStringLiteral("sys1")) + u':' +
                                                   base.filePath(QStringLiteral("sys2"))));
        ASSERT_TRUE(QDir::setCurrent(base.filePath(QStringLiteral("work"))));

        EXPECT_EQ(dataFilePath(QString::fromLatin1(c.name)),
                  QDir::cleanPath(base.absoluteFilePath(QString::fromLatin1(c.expected))))
            << c.title;
        QDir::setCurrent(oldDirectory_);
    }
}

} // namespace
} // namespace textowl
