#pragma once

#include <deque>
#include <string>
#include <vector>

namespace quorvel::platform {

// What the program asks of the common file dialog: a title, a filter in the
// "description|pattern" form ("Quorvelファイル(*.qvb)|*.qvb") and a start name.
// The answer is the chosen full path, or "" when the user cancelled.
struct FileDialogRequest {
    std::string title;
    std::string filter;
    std::string fileName;
};

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    virtual std::string showOpen(const FileDialogRequest& request) = 0;
    virtual std::string showSave(const FileDialogRequest& request) = 0;
    // Asks for existing files or folders, any number of them, each a full
    // path; none when the user cancelled. The filter is not applied: a
    // mailbox file seldom has a telling name.
    virtual std::vector<std::string> showOpenPaths(const FileDialogRequest& request) = 0;
};

FileDialogService& fileDialogs();
// Replaces the service in use; nullptr restores the default, which cancels.
void setFileDialogService(FileDialogService* service);

// Records each request and answers from a script; "" (cancel) once it is used up.
class ScriptedFileDialogs : public FileDialogService {
public:
    struct Asked {
        bool save;
        FileDialogRequest request;
        bool paths = false;  // asked for files or folders
    };
    std::string showOpen(const FileDialogRequest& request) override { return answer(false, request); }
    std::string showSave(const FileDialogRequest& request) override { return answer(true, request); }
    std::vector<std::string> showOpenPaths(const FileDialogRequest& request) override;

    void setNextFileName(std::string path) { answers_.push_back(std::move(path)); }
    // The answer to the next request for files or folders.
    void setNextPaths(std::vector<std::string> paths) { pathAnswers_.push_back(std::move(paths)); }
    const std::vector<Asked>& asked() const { return asked_; }

private:
    std::string answer(bool save, const FileDialogRequest& request);
    std::vector<Asked> asked_;
    std::deque<std::string> answers_;
    std::deque<std::vector<std::string>> pathAnswers_;
};

}  // namespace quorvel::platform
