// Loads a strings.xml through the string catalogue and runs the lookups the program makes. The
// catalogue reads a file, so the input is written to an in-memory file and opened by its path.
#include "texts/string_catalogue.h"
#include "texts/text_table.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr std::string_view kLanguageNames[] = {"English", "Svenska", "", "english", "Deutsch"};

// Keys the program looks up, and a few malformed ones.
constexpr std::string_view kKeys[] = {
    "",
    "menus/main/file",
    "menus/main/file/signin",
    "menus/main/preferences/languages",
    "menus/popups/sendmessage",
    "menus/tray/exit",
    "main/addcontact",
    "main/format/balance",
    "login",
    "login/failed",
    "dialogs",
    "dialogs/sendmessage/buttons/sendmessage",
    "dialogs/sendmessage/errors/invalidnumber",
    "errors/internalerror",
    "url/signup",
    "/",
    "//main//addcontact/",
    "language/language",
};

constexpr std::string_view kAttributes[] = {
    "text", "alt", "tip", "ok", "cancel", "appname", "dialogtitle", "display", "btn_signin"};

const std::string& inputPath() {
    static const std::string path = [] {
        const int fd = memfd_create("strings.xml", 0);
        if (fd < 0) {
            std::perror("memfd_create");
            __builtin_trap();
        }
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

void writeInput(const std::uint8_t* data, std::size_t size) {
    const int fd = std::stoi(inputPath().substr(inputPath().rfind('/') + 1));
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
        __builtin_trap();
    }
}

void lookUpEverything(const textowl::StringCatalogue& catalogue) {
    std::string out;
    for (std::string_view key : kKeys) {
        (void)catalogue.text(key, out, "default");
        for (std::string_view attribute : kAttributes) {
            (void)catalogue.attribute(key, attribute, out, "default");
        }
    }
    for (int id = 0; id < static_cast<int>(textowl::Text::Count); ++id) {
        (void)textowl::lookUp(catalogue, static_cast<textowl::Text>(id));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::string_view language = kLanguageNames[data[0] % std::size(kLanguageNames)];
    // The second byte once chose a default text; it stays so that the corpus keeps its meaning.
    writeInput(data + 2, size - 2);

    textowl::StringCatalogue catalogue(inputPath(), language);
    if (!catalogue.hasDocument() && !catalogue.languages().empty()) {
        __builtin_trap();
    }
    lookUpEverything(catalogue);
    const std::vector<std::string> languages = catalogue.languages();
    for (const std::string& name : languages) {
        if (!catalogue.selectLanguage(name)) {
            __builtin_trap(); // every listed language can be selected
        }
        lookUpEverything(catalogue);
    }
    return 0;
}
