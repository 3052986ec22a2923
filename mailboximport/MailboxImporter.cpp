#include "mailboximport/MailboxImporter.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "folders/model/FolderModel.h"
#include "import/MailFileParser.h"
#include "import/MailImporter.h"
#include "mailbox/MboxSniff.h"
#include "mailbox/SourceReader.h"
#include "mailboximport/Batch.h"
#include "mailboximport/DigestTable.h"
#include "mailboximport/FolderMirror.h"
#include "mailboximport/SourcePlan.h"

namespace quorvel::mailboximport {

using archive::DbError;
using mailbox::SourceItem;
using mailbox::SourceReader;

namespace {

using Clock = std::chrono::steady_clock;

enum class MailOutcome { Stored, Duplicate, NotMail, Stop };

// One run of an import: the archive's connection, what has been done so far
// and how far that is committed.
class ImportRun {
public:
    ImportRun(const archive::ArchiveLocation& at, int32_t& mailCounter, int32_t& dirCounter,
              const ImportOptions& options, const ImportProgressFn& progress)
        : at_(at),
          mailCounter_(mailCounter),
          dirCounter_(dirCounter),
          options_(options),
          progress_(progress),
          folders_(workingFile(at), at.defs),
          writer_(at) {}

    ImportResult run(const std::vector<std::string>& paths, int32_t target);

private:
    bool start(int32_t target);
    bool importSource(const PlannedSource& source);
    MailOutcome importMail(const std::string& mail);
    bool enterFolder(int32_t folder);
    bool commit();
    // The archive refused a write: the access layer's error sink hears of it
    // under `table` (unless it has already), the whole mails stored before it
    // are kept, and the import stops.
    bool fail(const std::string& table, const DbError& error, const std::string& label);
    bool stop(const DbError& error);
    // Tells the progress; false when it asks the import to stop.
    bool tell();
    const std::string& table(int index) const { return at_.defs.tblNames[static_cast<size_t>(index)]; }

    const archive::ArchiveLocation& at_;
    int32_t& mailCounter_;
    int32_t& dirCounter_;
    const ImportOptions& options_;
    const ImportProgressFn& progress_;
    folders::FolderModel folders_;
    mailimport::MailWriter writer_;
    std::unique_ptr<Batch> batch_;
    std::unique_ptr<DigestTable> digests_;
    std::unique_ptr<FolderMirror> mirror_;
    std::vector<int32_t> filled_;  // folders whose every mail has its digest

    ImportResult result_;
    ImportProgress shown_;
    int64_t pendingFolders_ = 0;  // folders made in the open batch
    uint64_t bytesBefore_ = 0;    // of the sources read to their end
    const SourceReader* reading_ = nullptr;
    int32_t folder_ = 0;  // the folder mails go into now
    Clock::time_point start_ = Clock::now();
};

ImportResult ImportRun::run(const std::vector<std::string>& paths, int32_t target) {
    SourcePlan plan = planSources(paths);
    result_.notMail = std::move(plan.notMail);
    result_.skipped = std::move(plan.skipped);
    shown_.bytesTotal = plan.totalBytes;
    if (!start(target)) {
        return result_;
    }
    for (const PlannedSource& source : plan.sources) {
        if (!importSource(source)) {
            result_.stoppedIn = source.item.path;
            break;
        }
        bytesBefore_ += source.item.bytes;
    }
    if (!result_.failed) {
        commit();  // a cancelled import keeps the whole mails it stored
    }
    return result_;
}

bool ImportRun::start(int32_t target) {
    result_.failed = true;
    if (!folders_.load()) {
        result_.failure = "cannot read the folders";
        return false;
    }
    if (!folders_.contains(target)) {
        result_.failure = "no folder " + std::to_string(target);
        return false;
    }
    archive::Database* db = writer_.database();
    if (!db) {
        result_.failure = writer_.lastError().message;
        return false;
    }
    result_.failed = false;
    batch_ = std::make_unique<Batch>(*db, options_.batchMails, options_.batchTime);
    mirror_ = std::make_unique<FolderMirror>(folders_, at_.defs, target, dirCounter_);
    folder_ = target;
    shown_.folder = mirror_->nameOf(target);
    if (!options_.skipDuplicates) {
        return true;
    }
    digests_ = std::make_unique<DigestTable>(*db, at_.defs);
    DbError error;
    return (batch_->open(error) && digests_->ensure(error)) || fail(kDigestTable, error, "Execute CREATE TABLE");
}

bool ImportRun::tell() {
    shown_.bytesDone = bytesBefore_ + (reading_ ? reading_->bytesDone() : 0);
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    shown_.mailsPerSecond = seconds > 0 ? static_cast<double>(shown_.stored) / seconds : 0;
    shown_.committed = result_.stored;
    shown_.duplicates = result_.duplicates;
    if (progress_ && !progress_(shown_)) {
        result_.cancelled = true;
        return false;
    }
    return true;
}

bool ImportRun::fail(const std::string& tableName, const DbError& error, const std::string& label) {
    archive::LtDataBaseInfo(workingFile(at_), tableName).reportError(error, label);
    return stop(error);
}

bool ImportRun::stop(const DbError& error) {
    result_.failed = true;
    result_.failure = error.message;
    if (batch_) {
        commit();
    }
    return false;
}

bool ImportRun::commit() {
    const size_t pending = batch_->pendingMails();
    DbError error;
    if (!batch_->commit(error)) {
        // Rolled back: none of the batch's mails or folders is kept.
        pendingFolders_ = 0;
        if (!result_.failed) {
            result_.failed = true;
            result_.failure = error.message;
            archive::LtDataBaseInfo(workingFile(at_), table(archive::kMailInfTabl)).reportError(error, "CommitTrans");
        }
        return false;
    }
    result_.stored += static_cast<int64_t>(pending);
    result_.foldersMade += pendingFolders_;
    pendingFolders_ = 0;
    return true;
}

// The folder mails go into next. With duplicates left out, every mail it
// holds needs its digest first.
bool ImportRun::enterFolder(int32_t folder) {
    folder_ = folder;
    shown_.folder = mirror_->nameOf(folder);
    if (!digests_ || std::find(filled_.begin(), filled_.end(), folder) != filled_.end()) {
        return tell();
    }
    bool stopped = false;
    DbError error;
    if (!digests_->fillFolder(
            folder, [this] { return tell(); }, stopped, error)) {
        return fail(kDigestTable, error, "Update");
    }
    if (stopped) {
        return false;
    }
    filled_.push_back(folder);
    return tell();
}

bool ImportRun::importSource(const PlannedSource& source) {
    const SourceItem& item = source.item;
    DbError error;
    if (!batch_->open(error)) {
        return fail(table(archive::kMailDirTabl), error, "BeginTrans");
    }
    const auto folder = mirror_->folderFor(item.folderPath, batch_->database(), error, pendingFolders_);
    if (!folder) {
        return fail(table(archive::kMailDirTabl), error, "Update");
    }
    if (!enterFolder(*folder)) {
        return false;
    }
    if (item.kind == SourceItem::Kind::Folder) {
        return true;
    }
    SourceReader::Options readOptions;
    readOptions.quoting = options_.quoting;
    SourceReader reader(readOptions);
    std::string openError;
    if (!reader.open(item, openError)) {
        result_.notMail.push_back(source.shownAs);
        return true;
    }
    reading_ = &reader;
    std::string mail;
    mailbox::MailOrigin origin;
    bool going = true;
    // The name a mail that is no mail is reported under.
    auto nameOfMail = [&] {
        switch (item.kind) {
            case SourceItem::Kind::Mbox:
                return source.shownAs + "#" + std::to_string(origin.ordinal + 1);
            case SourceItem::Kind::Maildir:
                return origin.path;
            default:
                return source.shownAs;
        }
    };
    for (SourceReader::Next next; going && (next = reader.next(mail, origin)) != SourceReader::Next::End;) {
        if (next == SourceReader::Next::Mail) {
            const MailOutcome outcome = importMail(mail);
            going = outcome != MailOutcome::Stop;
            if (outcome == MailOutcome::NotMail) {
                result_.notMail.push_back(nameOfMail());
            }
        } else if (next == SourceReader::Next::Failed && item.kind == SourceItem::Kind::Mbox) {
            result_.notMail.push_back(source.shownAs);  // the rest of the mbox could not be read
        } else {
            result_.notMail.push_back(nameOfMail());  // too large to store, or not readable
        }
        going = going && tell();
    }
    reading_ = nullptr;
    return going;
}

MailOutcome ImportRun::importMail(const std::string& mail) {
    const mailimport::ParseResult parsed = mailimport::parseMail(mail, at_.defs.infCols);
    if (parsed.outcome != mailimport::ParseOutcome::Mail) {
        return MailOutcome::NotMail;
    }
    DbError error;
    std::optional<MailDigest> digest;
    if (digests_) {
        digest = digestOf(mail);
        bool holds = false;
        if (!digests_->folderHolds(folder_, *digest, mail, holds, error)) {
            fail(kDigestTable, error, "FindFirst");
            return MailOutcome::Stop;
        }
        if (holds) {
            ++result_.duplicates;
            return MailOutcome::Duplicate;
        }
    }
    if (!batch_->open(error)) {
        fail(table(archive::kMailInfTabl), error, "BeginTrans");
        return MailOutcome::Stop;
    }
    // Both rows and the digest, or none of them: a failed step takes the
    // mail's rows back before the batch keeps what came before it.
    bool writerFailed = false;
    std::string failedTable;
    if (!batch_->beginMail(error)) {
        failedTable = table(archive::kMailInfTabl);
    } else {
        const int32_t id = ++mailCounter_;
        if (!writer_.store(parsed.mail, mail, id, archive::makeKey(folder_))) {
            writerFailed = true;
        } else if (digest && !digests_->record(id, *digest, mail.size(), error)) {
            failedTable = kDigestTable;
        } else if (!batch_->endMail(error)) {
            failedTable = table(archive::kMailInfTabl);
        }
        if (writerFailed || !failedTable.empty()) {
            batch_->undoMail();
        }
    }
    if (writerFailed) {
        stop(writer_.lastError());  // the writer has told the error sink
        return MailOutcome::Stop;
    }
    if (!failedTable.empty()) {
        fail(failedTable, error, "Update");
        return MailOutcome::Stop;
    }
    batch_->added();
    ++shown_.stored;
    return batch_->due() && !commit() ? MailOutcome::Stop : MailOutcome::Stored;
}

bool endsWithEml(const std::string& path) {
    if (path.size() <= 4) {
        return false;
    }
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return tail == ".eml";
}

}  // namespace

ImportResult importMailboxes(const archive::ArchiveLocation& at, const std::vector<std::string>& paths, int32_t target,
                             int32_t& mailCounter, int32_t& dirCounter, const ImportOptions& options,
                             const ImportProgressFn& progress) {
    return ImportRun(at, mailCounter, dirCounter, options, progress).run(paths, target);
}

bool holdsMailboxes(const std::vector<std::string>& paths) {
    return std::any_of(paths.begin(), paths.end(), [](const std::string& path) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            return false;
        }
        return S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && !endsWithEml(path) && mailbox::isMbox(path));
    });
}

}  // namespace quorvel::mailboximport
