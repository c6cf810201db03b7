#pragma once

#include "support/kannel_gateway.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

// Kannel tests skip where Kannel is not installed, but never in CI, which installs it.
#define REQUIRE_KANNEL()                                                                           \
    do {                                                                                           \
        const std::string missing = ::textowl::test::KannelGateway::missingPrograms();             \
        if (!missing.empty()) {                                                                    \
            const char* ci = std::getenv("CI");                                                    \
            if (ci != nullptr && std::string(ci) == "true") {                                      \
                FAIL() << "Kannel is missing in CI: " << missing;                                  \
            }                                                                                      \
            GTEST_SKIP() << "Kannel is not installed (" << missing                                 \
                         << "); scripts/bootstrap installs kannel and kannel-extras";              \
        }                                                                                          \
    } while (false)
