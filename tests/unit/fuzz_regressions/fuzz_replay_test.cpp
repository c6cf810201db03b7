// Every seed and every input that once broke a reader goes through its harness again: the
// harnesses trap on any broken invariant and the sanitizers catch memory and undefined faults.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#define TEXTOWL_HARNESS(name) extern "C" int textowlReplay_##name(const std::uint8_t*, std::size_t);
TEXTOWL_HARNESS(http_response)
TEXTOWL_HARNESS(soap_response)
TEXTOWL_HARNESS(soap_fault)
TEXTOWL_HARNESS(result_check)
TEXTOWL_HARNESS(redirect_location)
TEXTOWL_HARNESS(buddy_list)
TEXTOWL_HARNESS(string_catalogue)
TEXTOWL_HARNESS(interface_description)
TEXTOWL_HARNESS(sms_parts)
TEXTOWL_HARNESS(vcard)
TEXTOWL_HARNESS(csv)
TEXTOWL_HARNESS(message_states)
#undef TEXTOWL_HARNESS

namespace {

namespace fs = std::filesystem;

using Harness = int (*)(const std::uint8_t*, std::size_t);

struct HarnessCase {
    const char* name;
    Harness run;
};

void PrintTo(const HarnessCase& harness, std::ostream* os) {
    *os << harness.name;
}

const HarnessCase kHarnesses[] = {
    {"http_response", textowlReplay_http_response},
    {"soap_response", textowlReplay_soap_response},
    {"soap_fault", textowlReplay_soap_fault},
    {"result_check", textowlReplay_result_check},
    {"redirect_location", textowlReplay_redirect_location},
    {"buddy_list", textowlReplay_buddy_list},
    {"string_catalogue", textowlReplay_string_catalogue},
    {"interface_description", textowlReplay_interface_description},
    {"sms_parts", textowlReplay_sms_parts},
    {"vcard", textowlReplay_vcard},
    {"csv", textowlReplay_csv},
    {"message_states", textowlReplay_message_states},
};

std::vector<fs::path> inputsIn(const fs::path& dir) {
    std::vector<fs::path> files;
    if (fs::is_directory(dir)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
            if (entry.is_regular_file() && entry.path().filename().string().front() != '.') {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void replay(const HarnessCase& harness, const std::vector<fs::path>& files) {
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const std::string bytes = readFile(file);
        EXPECT_EQ(harness.run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                  0);
    }
}

class FuzzReplay : public testing::TestWithParam<HarnessCase> {};

TEST_P(FuzzReplay, SeedCorpusReadsWithoutFault) {
    const std::vector<fs::path> seeds =
        inputsIn(fs::path(TEXTOWL_FUZZ_CORPUS_DIR) / GetParam().name);
    EXPECT_FALSE(seeds.empty()) << "no seed corpus for " << GetParam().name;
    replay(GetParam(), seeds);
}

// The harnesses that no input has made fail yet: their replay is skipped by name, so that a
// folder of inputs that went missing fails rather than passes having read nothing.
bool neverFailed(std::string_view harness) {
    static constexpr std::string_view kNeverFailed[] = {
        "http_response", "soap_response",    "soap_fault", "result_check",
        "buddy_list",    "string_catalogue", "sms_parts",  "csv"};
    return std::find(std::begin(kNeverFailed), std::end(kNeverFailed), harness) !=
           std::end(kNeverFailed);
}

TEST_P(FuzzReplay, InputsThatOnceFailedReadWithoutFault) {
    const std::vector<fs::path> inputs =
        inputsIn(fs::path(TEXTOWL_FUZZ_REGRESSION_DIR) / GetParam().name);
    if (neverFailed(GetParam().name)) {
        ASSERT_TRUE(inputs.empty()) << "take " << GetParam().name << " off the never-failed list";
        GTEST_SKIP() << "no input has made " << GetParam().name << " fail yet";
    }
    EXPECT_FALSE(inputs.empty()) << "the inputs that once made " << GetParam().name << " fail";
    replay(GetParam(), inputs);
}

INSTANTIATE_TEST_SUITE_P(Harness, FuzzReplay, testing::ValuesIn(kHarnesses),
                         [](const testing::TestParamInfo<HarnessCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
