// The Jet reader on arbitrary bytes: the file is opened and every table of it read. A file
// may be refused with the reader's own failure, never with anything else; a Jet header makes
// the bytes a whole number of pages first, so that the fuzzer reaches past that check.
#include "jet/JetFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void readAll(std::string bytes) {
    try {
        const jet::JetFile file(std::move(bytes));
        for (const auto& name : file.tableNames()) {
            file.columns(name);
            file.rows(name);
        }
    } catch (const jet::EJetError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    readAll(bytes);
    if (bytes.size() > 0x14 && (bytes[0x14] == 0 || bytes[0x14] == 1)) {
        const std::size_t page = bytes[0x14] == 0 ? 2048 : 4096;
        if (bytes.size() % page != 0)
            readAll(bytes.substr(0, bytes.size() / page * page));
    }
    return 0;
}
