#include "search/QueryParser.h"

#include <glib.h>

#include <algorithm>
#include <vector>

#include "search/SearchTexts.h"
#include "search/Segmenter.h"

namespace quorvel::search {

namespace {

struct Refusal {
    QueryProblem problem;
    std::string fragment;
};

const char* messageOf(QueryProblem problem) {
    switch (problem) {
        case QueryProblem::None:
            return "";
        case QueryProblem::Empty:
            return texts::kQueryEmpty;
        case QueryProblem::UnclosedQuote:
            return texts::kQueryUnclosedQuote;
        case QueryProblem::LoneMinus:
            return texts::kQueryLoneMinus;
        case QueryProblem::MisplacedOr:
            return texts::kQueryMisplacedOr;
        case QueryProblem::MissingValue:
            return texts::kQueryMissingValue;
        case QueryProblem::BadDate:
            return texts::kQueryBadDate;
        case QueryProblem::UnknownHas:
            return texts::kQueryUnknownHas;
        case QueryProblem::NothingToFind:
            return texts::kQueryNothingToFind;
        case QueryProblem::TooLong:
            return texts::kQueryTooLong;
    }
    return "";
}

std::string takeGlibString(char* text) {
    std::string out = text ? text : "";
    g_free(text);
    return out;
}

// The query as the parser reads it: valid UTF-8 in NFKC, with the curly
// quotes an input method gives made plain.
std::string normalised(std::string_view text) {
    std::string valid(text);
    std::replace(valid.begin(), valid.end(), '\0', ' ');
    if (!g_utf8_validate(valid.data(), static_cast<gssize>(valid.size()), nullptr)) {
        valid = takeGlibString(g_utf8_make_valid(valid.data(), static_cast<gssize>(valid.size())));
    }
    std::string out = takeGlibString(g_utf8_normalize(valid.c_str(), -1, G_NORMALIZE_NFKC));
    for (const std::string_view quote : {"\u201C", "\u201D"}) {
        for (size_t at = out.find(quote); at != std::string::npos; at = out.find(quote, at + 1)) {
            out.replace(at, quote.size(), "\"");
        }
    }
    return out;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) { return g_ascii_tolower(c); });
    return out;
}

// One term as written, before its meaning is known.
struct Item {
    bool isOr = false;
    bool negated = false;
    std::string field;  // lower case, without the colon; empty for none
    std::string value;
    bool quoted = false;
    std::string source;
};

// The first digits of `text` from `at` as a number: at most `most` of them.
bool number(std::string_view text, size_t& at, size_t least, size_t most, int& value) {
    size_t count = 0;
    value = 0;
    while (at < text.size() && count < most && g_ascii_isdigit(text[at])) {
        value = value * 10 + (text[at++] - '0');
        ++count;
    }
    return count >= least;
}

bool parseDate(std::string_view text, DateBound& date) {
    size_t at = 0;
    if (!number(text, at, 4, 4, date.year) || at >= text.size() || (text[at] != '-' && text[at] != '/')) {
        return false;
    }
    const char separator = text[at++];
    if (!number(text, at, 1, 2, date.month) || at >= text.size() || text[at++] != separator ||
        !number(text, at, 1, 2, date.day) || at != text.size()) {
        return false;
    }
    return date.year >= 1 && g_date_valid_dmy(static_cast<GDateDay>(date.day), static_cast<GDateMonth>(date.month),
                                              static_cast<GDateYear>(date.year));
}

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    std::optional<Refusal> items(std::vector<Item>& out) {
        while (true) {
            while (at_ < text_.size() && isBlank(text_[at_])) {
                ++at_;
            }
            if (at_ >= text_.size()) {
                return std::nullopt;
            }
            Item item;
            const size_t start = at_;
            if (text_[at_] == '-') {
                item.negated = true;
                if (++at_ >= text_.size() || isBlank(text_[at_])) {
                    return Refusal{QueryProblem::LoneMinus, "-"};
                }
            }
            if (text_[at_] == '"') {
                if (!quoted(item.value)) {
                    return Refusal{QueryProblem::UnclosedQuote, std::string(text_.substr(start))};
                }
                item.quoted = true;
            } else {
                const std::string_view bare = word();
                const size_t colon = bare.find(':');
                const std::string field = colon == std::string_view::npos ? "" : lowerAscii(bare.substr(0, colon));
                if (bare == "OR" && !item.negated) {
                    item.isOr = true;
                } else if (isField(field)) {
                    item.field = field;
                    item.value = bare.substr(colon + 1);
                    if (item.value.empty() && at_ < text_.size() && text_[at_] == '"') {
                        if (!quoted(item.value)) {
                            return Refusal{QueryProblem::UnclosedQuote, std::string(text_.substr(start))};
                        }
                        item.quoted = true;
                    } else if (item.value.empty() && (field != "in" || item.negated)) {
                        // A bare "in:" is the current folder; every other field needs a value.
                        return Refusal{QueryProblem::MissingValue, std::string(bare)};
                    }
                } else {
                    item.value = bare;
                }
            }
            item.source = text_.substr(start, at_ - start);
            out.push_back(std::move(item));
        }
    }

private:
    static bool isField(const std::string& name) {
        static const char* const kFields[] = {"from", "to",    "subject", "body", "attachment",
                                              "has",  "after", "before",  "in"};
        return std::any_of(std::begin(kFields), std::end(kFields), [&](const char* f) { return name == f; });
    }

    // A bare word: up to a blank or a quote (which starts a phrase of its own).
    std::string_view word() {
        const size_t start = at_;
        while (at_ < text_.size() && !isBlank(text_[at_]) && text_[at_] != '"') {
            ++at_;
        }
        return text_.substr(start, at_ - start);
    }

    // A quoted text at text_[at_]; false when it is never closed.
    bool quoted(std::string& value) {
        const size_t close = text_.find('"', at_ + 1);
        if (close == std::string_view::npos) {
            return false;
        }
        value = text_.substr(at_ + 1, close - at_ - 1);
        at_ = close + 1;
        return true;
    }

    std::string_view text_;
    size_t at_ = 0;
};

Field fieldOf(const std::string& name) {
    if (name == "from") {
        return Field::From;
    }
    if (name == "to") {
        return Field::To;
    }
    if (name == "subject") {
        return Field::Subject;
    }
    if (name == "body") {
        return Field::Body;
    }
    return name == "attachment" ? Field::Attachment : Field::Any;
}

// The term an item stands for; nullopt with no refusal for words that hold
// nothing to find.
std::optional<QueryTerm> termOf(const Item& item, Segmenter& segmenter, std::optional<Refusal>& refusal) {
    QueryTerm term;
    term.negated = item.negated;
    if (item.field == "has") {
        if (lowerAscii(item.value) != "attachment") {
            refusal = Refusal{QueryProblem::UnknownHas, item.source};
            return std::nullopt;
        }
        term.what = HasAttachment{};
    } else if (item.field == "after" || item.field == "before") {
        DateBound date;
        date.after = item.field == "after";
        if (!parseDate(item.value, date)) {
            refusal = Refusal{QueryProblem::BadDate, item.source};
            return std::nullopt;
        }
        term.what = date;
    } else if (item.field == "in") {
        term.what = FolderName{item.value};
    } else {
        if (segmenter.terms(item.value, SegmentMode::Query).empty()) {
            return std::nullopt;
        }
        term.what = TextTerm{fieldOf(item.field), item.value, item.quoted};
    }
    return term;
}

ParsedQuery refused(const Refusal& refusal) {
    ParsedQuery parsed;
    parsed.problem = refusal.problem;
    parsed.message = messageOf(refusal.problem);
    parsed.fragment = refusal.fragment;
    return parsed;
}

}  // namespace

ParsedQuery parseQuery(std::string_view text) {
    if (text.size() > kMaxQueryBytes) {
        return refused({QueryProblem::TooLong, {}});
    }
    const std::string query = normalised(text);
    std::vector<Item> items;
    if (auto refusal = Reader(query).items(items)) {
        return refused(*refusal);
    }
    if (items.empty()) {
        return refused({QueryProblem::Empty, {}});
    }
    if (items.size() > kMaxQueryTerms) {
        return refused({QueryProblem::TooLong, {}});
    }
    // OR joins the terms on either side into one group.
    Segmenter segmenter;
    Query result;
    bool joinNext = false;
    bool previousWasTerm = false;
    for (const Item& item : items) {
        if (item.isOr) {
            if (!previousWasTerm) {
                return refused({QueryProblem::MisplacedOr, "OR"});
            }
            joinNext = true;
            previousWasTerm = false;
            continue;
        }
        if (item.field == "in" && item.value.empty() && !item.quoted) {
            result.inCurrentFolder = true;  // a condition on all the rest, not a term of its own
            joinNext = false;
            previousWasTerm = false;
            continue;
        }
        std::optional<Refusal> refusal;
        std::optional<QueryTerm> term = termOf(item, segmenter, refusal);
        if (refusal) {
            return refused(*refusal);
        }
        if (term) {
            if (joinNext && !result.groups.empty()) {
                result.groups.back().push_back(std::move(*term));
            } else {
                result.groups.push_back({std::move(*term)});
            }
        }
        joinNext = false;
        previousWasTerm = true;
    }
    if (joinNext) {
        return refused({QueryProblem::MisplacedOr, "OR"});
    }
    if (result.groups.empty()) {
        return refused({QueryProblem::NothingToFind, {}});
    }
    ParsedQuery parsed;
    parsed.query = std::move(result);
    return parsed;
}

}  // namespace quorvel::search
