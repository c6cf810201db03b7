#pragma once

#include "support/throwaway_ca.h"

namespace textowl::bench {

// A certificate for 127.0.0.1 from a throwaway CA that this process trusts from now on: the CA
// goes into a temporary file that SSL_CERT_FILE names.
test::TlsIdentity trustedLoopbackIdentity();

} // namespace textowl::bench
