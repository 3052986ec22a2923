#pragma once

#include <string>
#include <vector>

namespace quorvel {

// The folder, inside the working folder, that dragged-out mails are written
// to. Files there are named after subjects, so they are kept apart from the
// files named by mail number that the preview and the mail program open.
std::string dragOutFolder(const std::string& workPath);

// Replaces every "/" by "_"; nothing else changes.
std::string f_slash2anderB(const std::string& trgStr);

// The file names (without ".eml") of mails dragged out together, from their
// subjects in list order: a subject that later entries repeat gets "(n)", n
// being how many later entries repeat it; an empty subject gets "(1)" at
// least. So Re, Re and an empty subject give Re(1), Re and (1).
std::vector<std::string> dragOutNames(const std::vector<std::string>& subjects);

// The drag-out file name for a name: "/" replaced, NUL bytes dropped, other
// control characters made spaces, and a
// name too long for a file (255 bytes with ".eml") shortened at a character
// boundary, keeping its "(n)" suffix and the extension.
std::string dragOutFileName(const std::string& name);

}  // namespace quorvel
