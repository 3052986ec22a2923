#include "import/MailFileParser.h"

#include <stdexcept>

#include "import/HeaderDecoder.h"
#include "import/HeaderValueRules.h"
#include "import/MailFileReader.h"
#include "import/Utf8Chars.h"

namespace quorvel::mailimport {

namespace col = archive::col;
using archive::ColumnList;

namespace {

// mailType values. (Assigned as characters: GCC 12 warns falsely about
// assigning a one-letter literal to a string.)
constexpr char kReceivedType = 'R';
constexpr char kSentType = 'S';

// Working state of one header section.
struct HeaderState {
    int hdrCount = 0;  // Date, To, From and Subject lines, continuation lines included
    int toRank = 3;    // who may still set To: 3 a To line, 2 a Received "for", 1 nothing after Delivered-To
    bool dateRSet = false;
};

// One header line (or continuation line) by its name; the first matching
// name wins, in this order.
void actOnHeader(std::string_view name, std::string_view value, const ColumnList& cols, MailValues& mail,
                 HeaderState& st) {
    auto& inf = mail.inf;
    if (name == "X-Priority") {
        if (isUrgentPriority(value)) {
            inf[col::kInfPriority] = cols[col::kInfPriority].caption;
        }
    } else if (name == "Date") {
        inf[col::kInfDate] = f_body2Date(value);
        ++st.hdrCount;
    } else if (name == "To") {
        if (st.toRank == 3) {
            inf[col::kInfTo] = value;
        }
        ++st.hdrCount;
    } else if (name == "From") {
        inf[col::kInfFrom] += value;
        ++st.hdrCount;
    } else if (name == "Subject") {
        inf[col::kInfSubject] += value;
        ++st.hdrCount;
    } else if (name == "Received") {
        inf[col::kInfMailType].assign(1, kReceivedType);
        if (!st.dateRSet) {
            inf[col::kInfDateR] = f_body2Date(value);
            st.dateRSet = !inf[col::kInfDateR].empty();
        }
        if (st.toRank > 1) {
            std::string recipient = f_body2for(value);
            if (!recipient.empty()) {
                inf[col::kInfTo] = recipient;
                st.toRank = 2;
            }
        }
    } else if (name == "Cc") {
        inf[col::kInfTo].append(";").append(value);
    } else if (name == "Delivered-To") {
        st.toRank = 1;
        inf[col::kInfTo] = value;
    }
}

ParseResult unreadable(const MailFileReader& reader) {
    return {ParseOutcome::Unreadable, reader.error(), {}};
}

ParseResult readOpenedMail(MailFileReader& reader, const std::string& path, const ColumnList& cols, MailValues& mail) {
    auto& inf = mail.inf;
    const ParseResult notMail{ParseOutcome::NotMail, {}, {}};
    HeaderDecoder decoder;
    HeaderState st;
    inf[col::kInfMailType].assign(1, kSentType);

    std::string raw;
    size_t headerBytes = 0;
    auto nextLine = [&] {
        auto result = reader.readLine(raw, kMaxHeaderBytes - headerBytes);
        headerBytes += raw.size();
        return result;
    };
    auto result = nextLine();
    if (result != MailFileReader::LineResult::Line) {
        return result == MailFileReader::LineResult::Failed ? unreadable(reader) : notMail;
    }

    std::string prevName, converted, decoded;
    // The line read when the end of the file is reached is never handled: a
    // header that runs up to the end of the file without a blank line loses
    // its last line.
    while (!reader.atEnd() && !raw.empty()) {
        std::string_view line = raw;
        if (HeaderDecoder::needsLineConversion(raw)) {
            converted = decoder.lineText(raw);
            line = converted;
        }
        std::string_view name, value;
        if (!line.empty() && (line[0] == '\t' || line[0] == ' ')) {
            name = prevName;
            value = afterOneChar(line, 0);
        } else {
            size_t colon = line.find(':');
            if (colon == std::string_view::npos || colon + 1 == line.size()) {
                return notMail;
            }
            name = line.substr(0, colon);
            value = afterOneChar(line, colon + 1);  // the one character after the colon is dropped
        }
        if (HeaderDecoder::hasEncodedWord(value)) {
            decoded = decoder.decodeWords(value);
            value = decoded;
        }
        actOnHeader(name, value, cols, mail, st);
        if (name.data() != prevName.data()) {
            prevName.assign(name);
        }

        result = nextLine();
        if (result == MailFileReader::LineResult::Failed) {
            return unreadable(reader);
        }
        if (result == MailFileReader::LineResult::TooLong) {
            return notMail;
        }
    }
    if (reader.failed()) {
        return unreadable(reader);
    }
    if (st.hdrCount < 2) {
        return notMail;
    }

    if (reader.findLine(kAttachmentMarker)) {
        inf[col::kInfAttachment] = cols[col::kInfAttachment].caption;
    }
    if (reader.failed()) {
        return unreadable(reader);
    }
    inf[col::kInfSize] = kilobyteSizeText(reader.fileSize());
    mail.file = path;
    return {ParseOutcome::Mail, {}, {}};
}

}  // namespace

std::string kilobyteSizeText(uint64_t bytes) {
    return std::to_string(bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0)) + "KB";
}

ParseResult parseMailFile(const std::string& path, const ColumnList& infCols) {
    if (infCols.size() <= static_cast<size_t>(col::kInfSize)) {
        throw std::invalid_argument("parseMailFile: the column list is not that of the mail table");
    }
    MailValues mail;
    MailFileReader reader;
    ParseResult result = reader.open(path) ? readOpenedMail(reader, path, infCols, mail) : unreadable(reader);
    // Values read before a file turned out not to be a mail are not handed out.
    if (result.outcome == ParseOutcome::Mail) {
        result.mail = std::move(mail);
    }
    return result;
}

ParseResult parseMail(std::string_view bytes, const ColumnList& infCols) {
    if (infCols.size() <= static_cast<size_t>(col::kInfSize)) {
        throw std::invalid_argument("parseMail: the column list is not that of the mail table");
    }
    MailValues mail;
    MailFileReader reader;
    reader.openMemory(bytes);
    ParseResult result = readOpenedMail(reader, std::string(), infCols, mail);
    if (result.outcome == ParseOutcome::Mail) {
        result.mail = std::move(mail);
    }
    return result;
}

}  // namespace quorvel::mailimport
