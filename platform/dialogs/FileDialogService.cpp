#include "platform/dialogs/FileDialogService.h"

namespace quorvel::platform {

namespace {
class CancellingFileDialogs : public FileDialogService {
public:
    std::string showOpen(const FileDialogRequest&) override { return {}; }
    std::string showSave(const FileDialogRequest&) override { return {}; }
    std::vector<std::string> showOpenPaths(const FileDialogRequest&) override { return {}; }
};
CancellingFileDialogs cancelling;
FileDialogService* current = &cancelling;
}  // namespace

FileDialogService& fileDialogs() {
    return *current;
}

void setFileDialogService(FileDialogService* service) {
    current = service ? service : &cancelling;
}

std::string ScriptedFileDialogs::answer(bool save, const FileDialogRequest& request) {
    asked_.push_back({save, request});
    if (answers_.empty()) {
        return {};
    }
    std::string path = std::move(answers_.front());
    answers_.pop_front();
    return path;
}

std::vector<std::string> ScriptedFileDialogs::showOpenPaths(const FileDialogRequest& request) {
    asked_.push_back({false, request, true});
    if (pathAnswers_.empty()) {
        return {};
    }
    std::vector<std::string> paths = std::move(pathAnswers_.front());
    pathAnswers_.pop_front();
    return paths;
}

}  // namespace quorvel::platform
