#include "app/single_instance.h"

#include <QSignalSpy>
#include <QUuid>
#include <gtest/gtest.h>

namespace textowl::testing {
namespace {

TEST(SingleInstance, ALaterStartHandsItsCommandLineToTheRunningOneAndEnds) {
    const QString display = QUuid::createUuid().toString(QUuid::Id128);
    {
        SingleInstance running(display);
        ASSERT_TRUE(running.claim({}));
        QSignalSpy startedAgain(&running, &SingleInstance::startedAgain);
        SingleInstance later(display);
        EXPECT_FALSE(later.claim(QStringLiteral("-l svenska")));
        ASSERT_TRUE(startedAgain.wait(5000));
        EXPECT_EQ(startedAgain.at(0).at(0).toString(), QStringLiteral("-l svenska"));
    }
    SingleInstance afterExit(display);
    EXPECT_TRUE(afterExit.claim({})) << "the lock goes with the program that held it";
}

} // namespace
} // namespace textowl::testing
