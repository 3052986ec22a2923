#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

struct sqlite3;

// The search index inside an archive. It lives in tables of its own, made
// the first time search is used on an archive; the archive's own tables
// are only read, never changed, and an archive without the index tables
// works as before in every respect.
//
//   qvSearchText   FTS5, contentless: the terms of each mail's subject,
//                  sender (From), recipients (To and Cc), body and
//                  attachments (file names). Its rowid is a document number.
//   qvSearchDoc    which document holds which mail (mail = MailInfTabl.ID),
//                  with a stamp of the mail as it was indexed and whether
//                  the mail has attachments.
//   qvSearchState  the index's format and tokenizer versions.
//
// A contentless table keeps no copy of the text, so the index is about as
// large as the text it holds rather than twice that; but its rows cannot be
// deleted. A mail removed or indexed again therefore only lets go of its
// document (its qvSearchDoc row keeps the number, with no mail); the
// document stays, unreachable, until synchronise() finds that such
// documents outnumber the live ones and makes the index anew. Document
// numbers are never given twice, so an old document can never be taken for
// a new mail that got the same identifier.
//
// Every result is read through qvSearchDoc joined with MailInfTabl, so a
// mail deleted from the archive never shows, even while the index still
// holds it, and a mail's folder is always its dirID of the moment (a moved
// mail needs no change to the index).
//
// Connections: every function here works on the caller's connection (for
// the program, Database::handle()). The connection must have the tokenizer
// registered (registerTokenizer, Tokenizer.h) before any of them runs:
// FTS5 cannot read or write qvSearchText without it.
namespace quorvel::search {

// Told how far a long task is: `done` of `total` mails.
using IndexProgress = std::function<void(int64_t done, int64_t total)>;

struct IndexResult {
    bool ok = false;         // finished (or cancelled) without an error
    bool cancelled = false;  // stopped at the caller's request; what was done is kept
    bool rebuilt = false;    // the index was made anew (new archive, other version, too many old documents)
    int64_t indexed = 0;     // mails read and indexed
    int64_t dropped = 0;     // mails no longer in the archive taken out of the index
    std::string error;       // SQLite's message when !ok
};

// True when the archive has the index tables, made by this version.
bool hasIndex(sqlite3* db);

// Brings the index in line with the archive: makes the tables when they
// are missing (or of another version, or left damaged), indexes every mail
// of MailInfTabl that the index lacks or holds in another form, and takes
// out the mails that are gone. This indexes an old archive on its first
// search and heals any drift; on an index in step it reads MailInfTabl once
// and changes nothing. Runs in transactions of its own (savepoints, so it
// may also run inside the caller's), a few hundred mails each: a cancel
// keeps what was done. `cancel` is looked at between mails.
IndexResult synchronise(sqlite3* db, const IndexProgress& progress = {}, const std::atomic<bool>* cancel = nullptr);

// Makes the index anew from every mail, whatever its state.
IndexResult rebuild(sqlite3* db, const IndexProgress& progress = {}, const std::atomic<bool>* cancel = nullptr);

// For the writers, inside their own transaction, after the mail's rows are
// written (indexMail) or before or after they are deleted (removeMail). On
// an archive without the index both do nothing and answer true: the index
// is only made by a search. indexMail also replaces what the index held for
// the identifier. False, with SQLite's message in `error` when given, when
// the index could not be written; the caller's transaction should then be
// rolled back (or synchronise() heals it later). Speed: FTS5 writes out the
// terms it has gathered in the transaction whenever a statement that can
// change several rows (an UPDATE, a DELETE, an INSERT ... SELECT) starts;
// a writer that indexes many mails in one transaction is fastest when its
// own statements between the calls change one row each.
bool indexMail(sqlite3* db, int64_t id, std::string* error = nullptr);
bool removeMail(sqlite3* db, int64_t id, std::string* error = nullptr);

// Removes the index tables; the archive is then as it was before its first
// search.
bool dropIndex(sqlite3* db, std::string* error = nullptr);

}  // namespace quorvel::search
