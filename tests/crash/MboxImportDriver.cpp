// crash_mbox_import_driver ARCHIVE MBOX REPORT [BATCH_MAILS]: imports an mbox
// into the root folder of an archive in place, as quorvel-cli import does
// (with batches of BATCH_MAILS mails, or a second, when given), and keeps
// REPORT saying how far it is, "STORED COMMITTED", rewritten after every
// mail, so that scripts/crash-test.sh can kill it at any moment and check
// that the archive kept at least every mail committed, lost at most one
// batch, and never part of a mail.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "mailboximport/MailboxImporter.h"

int main(int argc, char** argv) {
    using namespace quorvel;
    if (argc != 4 && argc != 5) {
        std::cerr << "usage: crash_mbox_import_driver ARCHIVE MBOX REPORT [BATCH_MAILS]\n";
        return 1;
    }
    mailboximport::ImportOptions options;
    if (argc == 5) {
        options.batchMails = std::strtoul(argv[4], nullptr, 10);
    }
    const std::string path = argv[1];
    archive::ArchiveLocation at;
    at.defs = archive::makeTableDefs();
    at.arcPath = path.substr(0, path.rfind('/'));
    at.arcName = at.lockName = path.substr(path.rfind('/') + 1);
    at.useLockF = "0";
    archive::setDbErrorSink([](const archive::DbFailure& f) {
        std::cerr << "crash_mbox_import_driver: " << f.tname << ": " << f.comment << ": " << f.description << "\n";
    });
    const int report = ::open(argv[3], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (report < 0) {
        std::perror(argv[3]);
        return 1;
    }
    // The highest identifiers come from the archive's own rows.
    int32_t mails = 0, folders = 0;
    {
        archive::LtDataBaseInfo db(path, at.defs.tblNames[archive::kMailInfTabl]);
        if (!db.DB_Open(archive::sqlSelectAllByIdDesc(db.Tname), false) || !db.DB_MoveFirst()) {
            return 2;
        }
        mails = db.RecSet->isEOF() ? 0 : static_cast<int32_t>(db.RecSet->Fields("ID").Value().toInt());
    }
    const auto result = mailboximport::importMailboxes(
        at, {argv[2]}, archive::kRootDirId, mails, folders, options, [&](const mailboximport::ImportProgress& p) {
            char line[64];
            const int n = std::snprintf(line, sizeof line, "%020lld %020lld\n", static_cast<long long>(p.stored),
                                        static_cast<long long>(p.committed));
            return ::pwrite(report, line, static_cast<size_t>(n), 0) == n;
        });
    ::close(report);
    return result.failed || !result.notMail.empty() ? 2 : 0;
}
