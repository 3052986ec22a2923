// The mail file parser on any bytes, read from a file in memory as it reads
// a dropped file. A mail's values must come out as text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "archive/Schema.h"
#include "fuzz/FuzzSupport.h"
#include "import/MailFileParser.h"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::MemoryFile file;
    static const archive::TableDefs defs = archive::makeTableDefs();
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const mailimport::ParseResult result = mailimport::parseMailFile(file.hold(input), defs.infCols);
    if (result.outcome == mailimport::ParseOutcome::Unreadable) {
        fuzz::fail("a file in memory was reported unreadable: " + result.error, input);
    }
    for (size_t c = 0; c < result.mail.inf.size(); ++c) {
        const std::string& value = result.mail.inf[c];
        if (result.outcome != mailimport::ParseOutcome::Mail && !value.empty()) {
            fuzz::fail("a value was left for a file that is no mail: " + defs.infCols[c].colName, input);
        }
        if (!fuzz::isValidUtf8(value)) {
            fuzz::fail("a value is not text: " + defs.infCols[c].colName, input);
        }
    }
    return 0;
}
