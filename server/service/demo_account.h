#pragma once

#include "server/store/store.h"

namespace textowl::server {

// The account `serve --demo` keeps (demo / demo): two groups and six buddies, one of them in two
// places. Tests that sign in to it read what they expect from here.
const AccountSeed& demoAccount();

} // namespace textowl::server
