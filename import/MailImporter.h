#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "archive/ArchiveLocation.h"
#include "archive/LtDataBaseInfo.h"
#include "import/MailFileParser.h"

// Storing dropped mail files in the open archive: each file is parsed, and a
// mail becomes one header row and one stored file, both written in one
// transaction so that no header row is ever left without its file.
namespace quorvel::mailimport {

inline constexpr const char* kStoredSuffix = "件のメールを登録";
inline constexpr const char* kRejectedHead = "以下のファイルは.eml形式と認識できませんでした。";
inline constexpr const char* kRejectedLogHead = "これらのファイル名は、次のファイルに保存されています。";
// Our own: the line that stands for the paths a message box has no room for.
inline constexpr const char* kRejectedMorePrefix = "…ほか";
inline constexpr const char* kRejectedMoreSuffix = "件";
// A message box lists at most this many rejected paths; the log lists all.
inline constexpr size_t kRejectedShownMax = 15;

enum class ImportOutcome { Stored, NotMail, Failed };

// Writes parsed mails into the open archive: the archive is opened at the
// first mail and stays open until the writer goes, so a drop of many files is
// one task on the archive. Each mail's two rows are one transaction; inside a
// transaction the caller holds on database(), that is a savepoint, and the
// caller's commit makes the mails durable.
class MailWriter {
public:
    explicit MailWriter(const archive::ArchiveLocation& at);
    ~MailWriter();
    MailWriter(const MailWriter&) = delete;
    MailWriter& operator=(const MailWriter&) = delete;

    // Writes a parsed mail as mail `id` of the folder `dirKey`; false, after
    // the access layer's error box, when it could not. The stored bytes are
    // those of the parsed file, streamed from it.
    bool store(const MailValues& mail, int32_t id, const std::string& dirKey);
    // The same for a mail whose bytes are in memory. Its rows are written by
    // statements prepared once per writer, so that a long import parses no
    // statement text per mail.
    bool store(const MailValues& mail, std::string_view bytes, int32_t id, const std::string& dirKey);

    // The writer's connection to the archive, opened at the first need; null
    // after the access layer's error box.
    archive::Database* database();
    // The engine's report of the last failure.
    const archive::DbError& lastError() const { return lastError_; }

private:
    class Statements;

    bool open();
    bool storeRows(const MailValues& mail, int32_t id, const std::string& dirKey,
                   const std::function<bool(archive::Field&)>& putBytes);
    bool fail(archive::LtDataBaseInfo& table, const archive::DbError& error, const std::string& label);
    bool writeReserved(std::string_view bytes, archive::DbError& error);

    // A mail from memory longer than this is written into reserved space.
    static constexpr size_t kReservedFrom = 1024 * 1024;

    const archive::ArchiveLocation& at_;
    archive::LtDataBaseInfo inf_;
    archive::LtDataBaseInfo obj_;  // names the file table in its error boxes
    std::unique_ptr<archive::RecordSet> objSet_;
    std::unique_ptr<Statements> statements_;  // go before the connection they run on
    archive::DbError lastError_;
};

// Parses one file and stores it when it is a mail, taking the next identifier
// from mailCounter.
ImportOutcome importMailFile(const archive::ArchiveLocation& at, int32_t& mailCounter, const std::string& path,
                             const std::string& dirKey);
ImportOutcome importMailFile(MailWriter& writer, const archive::ArchiveLocation& at, int32_t& mailCounter,
                             const std::string& path, const std::string& dirKey);

struct DropImport {
    int stored = 0;
    std::vector<std::string> rejected;  // the files that are not mails
    bool failed = false;                // an archive write failed; the rest was not tried
};

// Imports every file of one drop in order; `progress` hears the stored count
// after each stored mail.
DropImport importFiles(const archive::ArchiveLocation& at, int32_t& mailCounter, const std::vector<std::string>& paths,
                       const std::string& dirKey, const std::function<void(int stored)>& progress = {});

// The rejected paths, each after a line feed.
std::string rejectedListText(const std::vector<std::string>& rejected);
// The same for a message box: the first kRejectedShownMax paths and, when
// there are more, one line that counts the rest, so the box fits a screen.
std::string rejectedListForBox(const std::vector<std::string>& rejected);
// The error log's path for log number n of this run.
std::string errorLogPath(const std::string& workPath, int n);
// Writes the log; false when it could not be written.
bool writeErrorLog(const std::string& path, const std::string& listText);
// The message that names the rejected files and the log.
std::string rejectedFilesMessage(const std::string& listText, const std::string& logPath);

// The one path a drop-target event adds: each event of one drop repeats the
// paths written so far, joined by ",", and adds one at the end. `previous` is
// the list of the event before (empty for a drop's first event).
std::string newestDroppedPath(const std::string& fileList, const std::string& previous);

}  // namespace quorvel::mailimport
