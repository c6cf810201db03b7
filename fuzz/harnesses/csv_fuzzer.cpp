// Reads a CSV contact file and writes what it found back through the CSV writer.
#include "contact_file_check.h"
#include "contacts/contact_writer.h"
#include "contacts/csv_reader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    textowl::fuzz::checkContactRead(textowl::readCsv(bytes), textowl::readCsv, textowl::writeCsv);
    return 0;
}
