#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Cuts text into the index's terms. Text is folded character by character
// (CharFolding.h); then
//  - a run of letters and digits (of any script written with spaces) is one
//    term, cut after kMaxWordBytes;
//  - a run of Han, kana and Hangul gives its overlapping two-character
//    pieces and, in a document, its last character alone at the position of
//    the last piece; a run of one character gives that character. "予算案"
//    gives 予算, 算案 and 案: a query for 予 finds 予算 by prefix, one for 案
//    the lone 案, so a character is found wherever it stands in its run;
//  - everything else separates terms.
// A query gives the pieces of a run of two or more characters (which must
// then stand one after the other) and a run of one character alone, which
// the query asks for as a prefix.
//
// Offsets are byte offsets into the text as given, before folding: a term
// starts where its first character's source starts and ends where its last
// character's source ends, however folding changed their length.
namespace quorvel::search {

inline constexpr size_t kMaxWordBytes = 100;

enum class SegmentMode { Document, Query };

struct Term {
    std::string_view text;  // folded; valid during the call only
    int start = 0;          // byte offsets into the source text
    int end = 0;
    bool colocated = false;  // same position as the term before (the lone last character of a run)
    bool loneCjk = false;    // a Han, kana or Hangul character standing for itself
};

// A term that owns its text, for callers that keep them.
struct OwnedTerm {
    std::string text;
    int start = 0;
    int end = 0;
    bool colocated = false;
    bool loneCjk = false;
};

// Calls emit(context, term) for every term; a non-zero answer stops the run
// and is returned. Invalid UTF-8 bytes separate terms.
using EmitTerm = int (*)(void* context, const Term& term);

// Keeps its buffers from one text to the next; one per thread.
class Segmenter {
public:
    int run(std::string_view text, SegmentMode mode, EmitTerm emit, void* context);
    std::vector<OwnedTerm> terms(std::string_view text, SegmentMode mode);

private:
    enum class RunKind { None, Word, Cjk };
    struct Unit {                   // one character of the current run and its source
        size_t textStart, textEnd;  // in folded_
        int start, end;
    };

    int add(std::string_view one, int start, int end, RunKind kind, SegmentMode mode, EmitTerm emit, void* context);
    int addFolded(std::string_view folded, int start, int end, SegmentMode mode, EmitTerm emit, void* context);
    int flush(SegmentMode mode, EmitTerm emit, void* context);
    int emitPieces(EmitTerm emit, void* context);

    RunKind kind_ = RunKind::None;
    std::string folded_;
    std::vector<Unit> units_;
    size_t runLength_ = 0;  // characters of the current run, parts already passed on included
};

// The folded text of a whole string (NFKC, case folding): what two texts
// must share to be the same to the index. For names compared outside it.
std::string foldText(std::string_view text);

}  // namespace quorvel::search
