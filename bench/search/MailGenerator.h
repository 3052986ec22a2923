#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// Mails for the search benchmark: Japanese subjects and bodies made of a
// vocabulary of made-up words whose frequencies fall off as in real text
// (a few words everywhere, most words rare), with English words and
// numbers mixed in; 会議, 予算, 見積 and 契約 are in 10, 5, 2 and 1 per
// cent of the mails. The same seed gives the same mails.
namespace quorvel::bench {

struct GeneratedMail {
    std::string bytes;    // the mail file
    std::string subject;  // as the mail list shows it
    std::string from;
    std::string to;
    std::string date;  // "yyyy/mm/dd hh:mm"
};

// How the mails are made up.
enum class MailShape {
    // As mail of about 20 KB mostly is: a few Received lines and the other
    // headers, the text as plain text and again as HTML (multipart/
    // alternative, so the index reads the plain one), and on every fourth
    // mail an attachment of a few KB. The text is about two fifths of the file.
    Typical,
    // The whole file Japanese plain text: the most text a mail of that size
    // can hold, the worst case for the index.
    PlainText,
};

class MailGenerator {
public:
    explicit MailGenerator(uint32_t seed);

    // A mail of about `bytes` bytes; every fourth one in ISO-2022-JP, the
    // others in UTF-8.
    GeneratedMail next(size_t bytes, MailShape shape = MailShape::PlainText);

    // A word of the vocabulary by its rank (0 is the most frequent).
    const std::string& word(size_t rank) const { return words_[rank]; }

private:
    const std::string& randomWord();
    std::string sentence();
    std::string text(size_t bytes);

    std::mt19937 random_;
    std::vector<std::string> words_;
    std::vector<double> cumulative_;  // of the word frequencies, for drawing by rank
    uint64_t count_ = 0;
};

}  // namespace quorvel::bench
