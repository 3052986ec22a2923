#pragma once

#include "platform/dialogs/FileDialogService.h"
#include "platform/dialogs/MessageService.h"

class QWidget;

namespace quorvel::platform {

// Message boxes shown with QMessageBox, modal to the active window.
class QtMessageService : public MessageService {
public:
    MsgAnswer show(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& caption) override;
};

// The open and save dialogs shown with QFileDialog.
class QtFileDialogService : public FileDialogService {
public:
    std::string showOpen(const FileDialogRequest& request) override;
    std::string showSave(const FileDialogRequest& request) override;
    std::vector<std::string> showOpenPaths(const FileDialogRequest& request) override;
};

// "Quorvelファイル(*.qvb)|*.qvb" in the form QFileDialog takes.
std::string toQtFilter(const std::string& filter);

}  // namespace quorvel::platform
