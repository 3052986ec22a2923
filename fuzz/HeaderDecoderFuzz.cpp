// The header decoder on any bytes: first as a raw header line, then its text
// with encoded words decoded. What comes out is always UTF-8 without NUL, and
// a line that is UTF-8 already comes out as it went in.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "import/HeaderDecoder.h"

using quorvel::fuzz::fail;
using quorvel::fuzz::isValidUtf8;
using quorvel::mailimport::HeaderDecoder;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static HeaderDecoder decoder;
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const std::string text = decoder.lineText(input);
    if (!isValidUtf8(text) || text.find('\0') != std::string::npos) {
        fail("lineText gave no clean UTF-8", input);
    }
    if (isValidUtf8(input) && input.find('\0') == std::string_view::npos && text != input) {
        fail("lineText changed a line that was UTF-8 already: " + text, input);
    }
    const std::string decoded = decoder.decodeWords(text);
    if (!isValidUtf8(decoded)) {
        fail("decodeWords gave no valid UTF-8: " + decoded, input);
    }
    if (!HeaderDecoder::hasEncodedWord(text) && decoded != text) {
        fail("decodeWords changed text without an encoded word: " + decoded, input);
    }
    return 0;
}
