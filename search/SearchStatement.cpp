#include "search/SearchStatement.h"

#include <cstdio>

#include "search/IndexSchema.h"
#include "search/Segmenter.h"

namespace quorvel::search {

namespace {

const char* columnOf(Field field) {
    switch (field) {
        case Field::Any:
            return nullptr;
        case Field::Subject:
            return "subject";
        case Field::From:
            return "sender";
        case Field::To:
            return "recipients";
        case Field::Body:
            return "body";
        case Field::Attachment:
            return "attachments";
    }
    return nullptr;
}

// An FTS5 string: the text in double quotes, its own quotes doubled.
std::string ftsString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        out += c == '\0' ? ' ' : c;  // FTS5 reads its expression up to a NUL
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (const std::string& part : parts) {
        out += (out.empty() ? "" : separator) + part;
    }
    return out;
}

class Builder {
public:
    explicit Builder(const FolderLookup& folders) : folders_(folders), n_(archiveNames()) {}

    SearchStatement build(const Query& query, std::optional<int64_t> inFolder) {
        std::vector<std::string> positive, negative, predicates;
        for (const std::vector<QueryTerm>& group : query.groups) {
            std::vector<std::string> expressions;
            bool allPositiveText = !group.empty();
            for (const QueryTerm& term : group) {
                const auto* text = std::get_if<TextTerm>(&term.what);
                const std::string expression = text ? matchExpression(*text) : std::string();
                allPositiveText = allPositiveText && !term.negated && !expression.empty();
                expressions.push_back("(" + expression + ")");
            }
            if (allPositiveText) {
                positive.push_back(group.size() == 1 ? expressions[0] : "(" + joined(expressions, " OR ") + ")");
            } else if (group.size() == 1 && group[0].negated && expressions[0] != "()") {
                negative.push_back(expressions[0]);
            } else if (!group.empty()) {
                std::vector<std::string> alternatives;
                for (const QueryTerm& term : group) {
                    alternatives.push_back(predicate(term));
                }
                predicates.push_back("(" + joined(alternatives, " OR ") + ")");
            }
        }
        if (inFolder) {
            predicates.push_back("m." + n_.dirId + " IN (" + subtree({*inFolder}) + ")");
        }
        std::string from;
        if (!positive.empty()) {
            std::string match = joined(positive, " AND ");
            if (!negative.empty()) {
                match = "(" + match + ") NOT (" + joined(negative, " OR ") + ")";
            }
            from = std::string(kTextTable) + "(" + bind(match) + ") AS t JOIN " + kDocTable +
                   " d ON d.doc = t.rowid JOIN " + n_.mails + " m ON m." + n_.id + " = d.mail";
        } else {
            if (!negative.empty()) {
                predicates.push_back("m." + n_.id + " NOT IN (" + matching(joined(negative, " OR ")) + ")");
            }
            predicates.push_back("m." + n_.id + " IS NOT NULL");
            from = n_.mails + " m LEFT JOIN " + kDocTable + " d ON d.mail = m." + n_.id;
        }
        SearchStatement statement;
        statement.sql = "SELECT m." + n_.id + ", m." + n_.dirId + ", m." + n_.mailType + ", m." + n_.priority + ", m." +
                        n_.attachment + ", m." + n_.dateR + ", m." + n_.from + ", m." + n_.subject + ", m." + n_.date +
                        ", m." + n_.to + ", m." + n_.size + ", " + when() + " FROM " + from;
        if (!predicates.empty()) {
            statement.sql += " WHERE " + joined(predicates, " AND ");
        }
        // "yyyy/mm/dd hh:mm", zero-padded, sorts as the time it names; mails
        // without a date come last.
        statement.sql += " ORDER BY 12 DESC, m." + n_.id + " DESC";
        statement.values = std::move(values_);
        return statement;
    }

private:
    std::string bind(BoundValue value) {
        values_.push_back(std::move(value));
        return "?" + std::to_string(values_.size());
    }

    // The mail's date: received, else sent (both as the import wrote them).
    std::string when() const {
        return "CASE WHEN ifnull(m." + n_.dateR + ", '') <> '' THEN m." + n_.dateR + " ELSE ifnull(m." + n_.date +
               ", '') END";
    }

    std::string matching(const std::string& match) {
        return "SELECT d2.mail FROM " + std::string(kTextTable) + "(" + bind(match) + ") AS t2 JOIN " + kDocTable +
               " d2 ON d2.doc = t2.rowid";
    }

    std::string subtree(const std::vector<int64_t>& roots) {
        std::vector<std::string> ids;
        for (const int64_t id : roots) {
            ids.push_back(bind(id));
        }
        return "WITH RECURSIVE sub(id) AS (SELECT f0." + n_.folderId + " FROM " + n_.folders + " f0 WHERE f0." +
               n_.folderId + " IN (" + joined(ids, ", ") + ") UNION SELECT f." + n_.folderId + " FROM " + n_.folders +
               " f JOIN sub ON f." + n_.folderParent + " = sub.id) SELECT id FROM sub";
    }

    std::string predicate(const QueryTerm& term) {
        std::string p;
        if (const auto* text = std::get_if<TextTerm>(&term.what)) {
            const std::string expression = matchExpression(*text);
            p = expression.empty() ? "0" : "m." + n_.id + " IN (" + matching(expression) + ")";
        } else if (std::get_if<HasAttachment>(&term.what)) {
            p = "(ifnull(m." + n_.attachment + ", '') <> '' OR ifnull(d.attach, 0) = 1)";
        } else if (const auto* date = std::get_if<DateBound>(&term.what)) {
            char day[16];
            std::snprintf(day, sizeof day, "%04d/%02d/%02d", date->year, date->month, date->day);
            // A mail without a date in the stored form matches no date
            // condition, negated or not.
            const std::string dated = when() + " GLOB '[0-9][0-9][0-9][0-9]/[0-9][0-9]/[0-9][0-9]*'";
            const std::string compare = when() + (date->after ? " >= " : " < ") + bind(std::string(day));
            return "(" + dated + " AND " + (term.negated ? "NOT " : "") + "(" + compare + "))";
        } else if (const auto* folder = std::get_if<FolderName>(&term.what)) {
            const std::vector<int64_t> ids = folders_ ? folders_(folder->name) : std::vector<int64_t>();
            p = ids.empty() ? "0" : "m." + n_.dirId + " IN (" + subtree(ids) + ")";
        }
        return term.negated ? "NOT (" + p + ")" : p;
    }

    const FolderLookup& folders_;
    const ArchiveNames& n_;
    std::vector<BoundValue> values_;
};

}  // namespace

std::string matchExpression(const TextTerm& term) {
    thread_local Segmenter segmenter;
    const std::vector<OwnedTerm> terms = segmenter.terms(term.text, SegmentMode::Query);
    if (terms.empty()) {
        return {};
    }
    const char* column = columnOf(term.field);
    std::string expression = column ? std::string(column) + " : " : std::string();
    expression += ftsString(term.text);
    if (terms.back().loneCjk) {
        expression += " *";
    }
    return expression;
}

SearchStatement buildSearchStatement(const Query& query, std::optional<int64_t> inFolder, const FolderLookup& folders) {
    return Builder(folders).build(query, inFolder);
}

}  // namespace quorvel::search
