#pragma once

#include <string>
#include <string_view>

namespace quorvel::mailimport {

// Japanese mail programs on Windows write Shift_JIS, EUC-JP and ISO-2022-JP
// text with the Windows code page's extra characters (circled numbers, Roman
// numerals, "㈱" and the like), which the strict iconv tables refuse, so that
// a whole word would turn into "?". This rewrites the encoded words of a
// header value so that they are read with the Windows tables:
//  - Shift_JIS labels become CP932 and EUC-JP labels EUC-JP-MS;
//  - ISO-2022-JP words are decoded, mechanically converted to CP932 bytes
//    and encoded again as B words labelled CP932. The shift state carries
//    over between adjacent ISO-2022-JP words, as broken encoders split them.
// It also takes the label "x-unknown" away, which the library would read in
// the process locale's charset: such words become UTF-8 when their bytes are
// UTF-8, else CP932, so that decoding never depends on the locale.
// Everything else, and any word it cannot convert, is left as it stands.
std::string preferWindowsJapanese(std::string_view text);

// ISO-2022-JP bytes (JIS X 0208 with the NEC and IBM rows, JIS X 0201 kana
// by ESC ( I or SO/SI) to CP932 bytes. False on an escape sequence or byte
// that ISO-2022-JP does not have; `out` is then unusable.
struct JisState {
    enum Mode { Ascii, Kanji, Kana } mode = Ascii;
    bool shiftOut = false;  // SO seen: kana until SI
    int pendingLead = -1;   // first byte of a two-byte character split over two words
};
bool jisToCp932(std::string_view bytes, JisState& state, std::string& out);

}  // namespace quorvel::mailimport
