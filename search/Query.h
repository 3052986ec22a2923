#pragma once

#include <string>
#include <variant>
#include <vector>

// A search as a value: what the query text says, before any statement is
// made of it (QueryParser.h reads it, SearchStatement.h turns it into SQL).
namespace quorvel::search {

enum class Field {
    Any,         // every part of the mail
    Subject,     // subject:
    From,        // from:
    To,          // to: (To and Cc)
    Body,        // body:
    Attachment,  // attachment: (file names)
};

// Words or a phrase to find. The text is as typed; the index's tokenizer
// cuts it (a word of three Han characters becomes two pieces that must
// follow each other, as a phrase does). A single Han, kana or Hangul
// character at the end is looked for as the start of a piece.
struct TextTerm {
    Field field = Field::Any;
    std::string text;
    bool phrase = false;  // written in quotes
};

struct HasAttachment {};  // has:attachment

// after: (that day and later) or before: (earlier than that day), against
// the mail's date (Search.h says which).
struct DateBound {
    bool after = true;
    int year = 0, month = 0, day = 0;
};

struct FolderName {  // in:NAME: folders of that name and everything under them
    std::string name;
};

struct QueryTerm {
    bool negated = false;  // written with "-": the mail must not match
    std::variant<TextTerm, HasAttachment, DateBound, FolderName> what;
};

// A mail matches when it matches every group, and a group when it matches
// any of its terms (terms joined by OR).
struct Query {
    std::vector<std::vector<QueryTerm>> groups;
    // A bare "in:": only the folder the user is in and the folders below it.
    // The caller knows which folder that is and passes it to search().
    bool inCurrentFolder = false;
};

}  // namespace quorvel::search
