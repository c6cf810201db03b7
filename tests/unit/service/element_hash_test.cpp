#include "service/element_hash.h"

#include <gtest/gtest.h>

namespace textowl {
namespace {

struct HashCase {
    std::u16string_view name;
    std::uint32_t hash;
};

class ElementHashValues : public ::testing::TestWithParam<HashCase> {};

TEST_P(ElementHashValues, MatchesCheckValue) {
    EXPECT_EQ(elementHash(GetParam().name), GetParam().hash);
}

INSTANTIATE_TEST_SUITE_P(
    CheckValues, ElementHashValues,
    ::testing::Values(HashCase{u"ticket", 0x163A9404}, HashCase{u"return", 0x11515F60},
                      HashCase{u"Envelope", 0xDBE6009E}, HashCase{u"Body", 0x0026168E},
                      HashCase{u"apiValidateLogin", 0x5678D7DD}, HashCase{u"Header", 0xAF4DFFC9},
                      HashCase{u"http://schemas.xmlsoap.org/soap/envelope/", 0x5D3574E2},
                      HashCase{u"", 0}));

TEST(ElementHash, Utf8FormHashesTheUtf16CodeUnits) {
    EXPECT_EQ(elementHashUtf8("apiValidateLogin"), 0x5678D7DDu);
    EXPECT_EQ(elementHashUtf8("caf\xC3\xA9"), elementHash(u"caf\u00E9"));
    EXPECT_EQ(elementHashUtf8("\xF0\x9F\x98\x80"), elementHash(u"\U0001F600"));
}

} // namespace
} // namespace textowl
