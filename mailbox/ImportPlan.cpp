#include "mailbox/ImportPlan.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <memory>
#include <set>
#include <string_view>

#include "mailbox/DirectoryListing.h"
#include "mailbox/FolderNames.h"
#include "mailbox/Maildir.h"
#include "mailbox/MboxSniff.h"

namespace quorvel::mailbox {

namespace {

bool endsWithNoCase(std::string_view name, std::string_view suffix) {
    if (name.size() < suffix.size()) {
        return false;
    }
    std::string_view tail = name.substr(name.size() - suffix.size());
    return std::equal(tail.begin(), tail.end(), suffix.begin(),
                      [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; });
}

bool isMailFileName(std::string_view name) {
    return name.size() > 4 && endsWithNoCase(name, ".eml");
}

// What a mail program keeps beside its mbox files: a summary (index) file
// per folder (.msf), its filter rules and download state (.dat), caches of
// the folder tree and of settings (.json), databases of its global index
// (.sqlite and their journals) and the logs its filters write (.html).
// None of them is a mail, and none is worth a "not a mail" line.
constexpr std::array<std::string_view, 8> kIndexSuffixes = {
    ".msf", ".dat", ".json", ".sqlite", ".sqlite-journal", ".sqlite-wal", ".sqlite-shm", ".html",
};

bool isIndexFileName(std::string_view name) {
    return std::any_of(kIndexSuffixes.begin(), kIndexSuffixes.end(), [&](std::string_view suffix) {
        return name.size() > suffix.size() && endsWithNoCase(name, suffix);
    });
}

bool namedLikeMbox(std::string_view name) {
    return endsWithNoCase(name, ".mbox") || endsWithNoCase(name, ".mbx") || name == "mbox";
}

constexpr std::string_view kSubfolderSuffix = ".sbd";

// "Inbox" for "Inbox.sbd"; empty when the name is no subfolder folder.
std::string_view subfolderOwner(std::string_view name) {
    if (name.size() <= kSubfolderSuffix.size() || !name.ends_with(kSubfolderSuffix)) {
        return {};
    }
    return name.substr(0, name.size() - kSubfolderSuffix.size());
}

std::string baseName(std::string_view path) {
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::vector<std::string> plus(std::vector<std::string> folder, std::string name) {
    folder.push_back(std::move(name));
    return folder;
}

enum class FrameKind {
    Plain,        // any folder of the tree
    MaildirTop,   // the top of a Maildir: its Maildir++ subfolders are dot-folders
    MaildirPart,  // the top of a Maildir++ subfolder: nothing below but its mails
};

// Where an entry lies.
struct Place {
    std::string dir;
    std::vector<std::string> folder;
    FrameKind kind = FrameKind::Plain;
    bool mailProgramTree = false;  // summary files or .sbd folders beside the mailboxes, or inside an .sbd
};

struct Frame {
    Place place;
    std::vector<DirectoryEntry> entries;
    size_t next = 0;

    bool has(const std::string& name) const {
        return std::binary_search(entries.begin(), entries.end(), DirectoryEntry{name},
                                  [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    }
};

class Planner {
public:
    ImportPlan run(std::string path);

private:
    void add(SourceItem::Kind kind, const std::vector<std::string>& folder, const std::string& path, uint64_t bytes);
    void makeParents(const std::vector<std::string>& folder, size_t count);
    void enter(Place place);
    void addMaildir(const std::string& dir, const std::vector<std::string>& folder, FrameKind kind);
    void addFolder(const std::string& path, const std::string& name, const std::vector<std::string>& parent);
    void visit(const Place& place, const DirectoryEntry& entry, bool emptyIsMbox);
    void visitMaildirTop(const Place& place, const DirectoryEntry& entry);
    void addFile(const std::string& path, const std::string& name, uint64_t size,
                 const std::vector<std::string>& folder, bool emptyIsMbox);

    ImportPlan plan_;
    std::vector<Frame> stack_;
    std::set<std::vector<std::string>> made_;
};

void Planner::makeParents(const std::vector<std::string>& folder, size_t count) {
    for (size_t n = 1; n <= count; ++n) {
        std::vector<std::string> parent(folder.begin(), folder.begin() + static_cast<ptrdiff_t>(n));
        if (made_.insert(parent).second) {
            plan_.items.push_back({SourceItem::Kind::Folder, std::move(parent), {}, 0});
        }
    }
}

void Planner::add(SourceItem::Kind kind, const std::vector<std::string>& folder, const std::string& path,
                  uint64_t bytes) {
    if (kind == SourceItem::Kind::MailFile) {
        makeParents(folder, folder.size());
    } else {
        makeParents(folder, folder.size() - 1);
        const bool isNew = made_.insert(folder).second;
        if (kind == SourceItem::Kind::Folder && !isNew) {
            return;
        }
    }
    plan_.items.push_back({kind, folder, path, bytes});
    plan_.totalBytes += bytes;
}

void Planner::enter(Place place) {
    Frame frame{std::move(place), {}, 0};
    std::string error;
    if (!listDirectory(frame.place.dir, frame.entries, error)) {
        plan_.skipped.push_back({frame.place.dir, Skipped::Reason::Unreadable, error});
        return;
    }
    frame.place.mailProgramTree =
        frame.place.mailProgramTree ||
        std::any_of(frame.entries.begin(), frame.entries.end(), [](const DirectoryEntry& e) {
            return (e.type == DirectoryEntry::Type::File && endsWithNoCase(e.name, ".msf")) ||
                   (e.type == DirectoryEntry::Type::Folder && !subfolderOwner(e.name).empty());
        });
    stack_.push_back(std::move(frame));
}

void Planner::addMaildir(const std::string& dir, const std::vector<std::string>& folder, FrameKind kind) {
    std::vector<MaildirMail> mails;
    std::string error;
    if (!listMaildir(dir, mails, plan_.skipped, error)) {
        plan_.skipped.push_back({dir, Skipped::Reason::Unreadable, error});
        return;
    }
    uint64_t bytes = 0;
    for (const MaildirMail& mail : mails) {
        bytes += mail.size;
    }
    add(SourceItem::Kind::Maildir, folder, dir, bytes);
    enter({dir, folder, kind, false});
}

void Planner::addFile(const std::string& path, const std::string& name, uint64_t size,
                      const std::vector<std::string>& folder, bool emptyIsMbox) {
    if (isMailFileName(name)) {
        add(SourceItem::Kind::MailFile, folder, path, size);
    } else if (isIndexFileName(name)) {
        plan_.skipped.push_back({path, Skipped::Reason::IndexFile, {}});
    } else if (size == 0 ? emptyIsMbox || namedLikeMbox(name) : isMbox(path)) {
        add(SourceItem::Kind::Mbox, plus(folder, name), path, size);
    } else {
        plan_.notMail.push_back(path);
    }
}

void Planner::visitMaildirTop(const Place& place, const DirectoryEntry& entry) {
    const std::string path = place.dir + "/" + entry.name;
    const bool isPart = entry.name == "cur" || entry.name == "new" || entry.name == "tmp";
    if (entry.type == DirectoryEntry::Type::Folder && isPart) {
        return;  // read through the Maildir's item; tmp/ never
    }
    if (entry.type == DirectoryEntry::Type::Folder && entry.name.front() == '.' &&
        place.kind == FrameKind::MaildirTop && isMaildir(path)) {
        std::vector<std::string> folder = place.folder;
        for (std::string& part : maildirFolderPath(entry.name)) {
            folder.push_back(std::move(part));
        }
        addMaildir(path, folder, FrameKind::MaildirPart);
    } else if (entry.type == DirectoryEntry::Type::Folder && entry.name.front() != '.') {
        // Subfolders kept as nested Maildirs, or folders of the user's own.
        visit({place.dir, place.folder, FrameKind::Plain, false}, entry, false);
    } else if (entry.type == DirectoryEntry::Type::Link) {
        plan_.skipped.push_back({path, Skipped::Reason::Link, {}});
    } else {
        // The server's own files (its UID lists, indexes, subscriptions).
        plan_.skipped.push_back({path, Skipped::Reason::MaildirState, {}});
    }
}

void Planner::visit(const Place& place, const DirectoryEntry& entry, bool emptyIsMbox) {
    const std::string path = place.dir + "/" + entry.name;
    if (entry.name.front() == '.') {
        plan_.skipped.push_back({path, Skipped::Reason::Hidden, {}});
        return;
    }
    switch (entry.type) {
        case DirectoryEntry::Type::Link:
            plan_.skipped.push_back({path, Skipped::Reason::Link, {}});
            return;
        case DirectoryEntry::Type::Other:
            plan_.skipped.push_back({path, Skipped::Reason::NotRegular, {}});
            return;
        case DirectoryEntry::Type::File:
            addFile(path, entry.name, entry.size, place.folder, emptyIsMbox);
            return;
        case DirectoryEntry::Type::Folder:
            addFolder(path, entry.name, place.folder);
            return;
    }
}

void Planner::addFolder(const std::string& path, const std::string& name, const std::vector<std::string>& parent) {
    if (std::string_view owner = subfolderOwner(name); !owner.empty()) {
        std::vector<std::string> folder = plus(parent, std::string(owner));
        add(SourceItem::Kind::Folder, folder, path, 0);
        enter({path, folder, FrameKind::Plain, true});
    } else if (isMaildir(path)) {
        addMaildir(path, plus(parent, name), FrameKind::MaildirTop);
    } else {
        std::vector<std::string> folder = plus(parent, name);
        add(SourceItem::Kind::Folder, folder, path, 0);
        enter({path, folder, FrameKind::Plain, false});
    }
}

ImportPlan Planner::run(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    uint64_t size = 0;
    std::string error;
    // The folder is named as the user sees the path, also when it is a link.
    const std::string name = baseName(path);
    DirectoryEntry::Type type = entryType(path, size, error);
    if (type == DirectoryEntry::Type::Link) {
        // The path the user chose is followed once; nothing below it is.
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
        if (!real) {
            plan_.skipped.push_back({path, Skipped::Reason::Link, "its target cannot be found"});
            return std::move(plan_);
        }
        path = real.get();
        type = entryType(path, size, error);
    }
    if (type == DirectoryEntry::Type::File) {
        const std::string subfolders = path + std::string(kSubfolderSuffix);
        uint64_t ignored = 0;
        std::string noSummary;
        const bool besideSummary = entryType(path + ".msf", ignored, noSummary) == DirectoryEntry::Type::File;
        addFile(path, name, size, {}, besideSummary || isFolder(subfolders));
        if (isFolder(subfolders)) {
            add(SourceItem::Kind::Folder, {name}, subfolders, 0);
            enter({subfolders, {name}, FrameKind::Plain, true});
        }
    } else if (type == DirectoryEntry::Type::Folder) {
        addFolder(path, name, {});
    } else if (!error.empty()) {
        plan_.skipped.push_back({path, Skipped::Reason::Unreadable, error});
    } else {
        plan_.skipped.push_back({path, Skipped::Reason::NotRegular, {}});
    }

    while (!stack_.empty()) {
        Frame& top = stack_.back();
        if (top.next == top.entries.size()) {
            stack_.pop_back();
            continue;
        }
        // Copies: visiting may push a frame, which moves this one.
        const DirectoryEntry entry = top.entries[top.next++];
        const Place place = top.place;
        // An empty file is an emptied folder where a mail program keeps folders.
        const bool emptyIsMbox = place.mailProgramTree || top.has(entry.name + ".msf") ||
                                 top.has(entry.name + std::string(kSubfolderSuffix));
        if (place.kind == FrameKind::Plain) {
            visit(place, entry, emptyIsMbox);
        } else {
            visitMaildirTop(place, entry);
        }
    }
    return std::move(plan_);
}

}  // namespace

ImportPlan planImport(const std::string& path) {
    return Planner().run(path);
}

}  // namespace quorvel::mailbox
