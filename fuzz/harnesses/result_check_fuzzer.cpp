// Judges a "return" string with the result check and reads every result element the client
// asks for. The first byte says whether the rest is UTF-8 text (as most replies carry) or raw
// UTF-16 code units, which reach lone surrogates and other texts no UTF-8 reply can spell.
#include "service/result_document.h"
#include "service/status.h"
#include "service/utf.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kResultElements[] = {"ticket", "balance",   "buddylist", "bid",
                                                "bgid",   "interface", "err",       ""};

textowl::ServiceText resultText(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t mode = data[0];
    ++data;
    --size;
    if ((mode & 1) == 0) {
        return textowl::utf8ToUtf16({reinterpret_cast<const char*>(data), size});
    }
    std::u16string units;
    units.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }
    return units;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const textowl::ServiceText result = resultText(data, size);
    textowl::ResultDocument document;
    const textowl::Status st = textowl::checkResult(result, document);
    if (textowl::failed(st)) {
        return 0;
    }
    // A document that passed has a document element whose err is exactly "0".
    if (std::string_view(document.documentElement().attribute("err").value()) != "0") {
        __builtin_trap();
    }
    for (std::string_view name : kResultElements) {
        (void)textowl::resultElement(document, name);
    }
    return 0;
}
