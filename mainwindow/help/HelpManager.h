#pragma once

#include <QString>
#include <memory>
#include <string>

namespace quorvel {

class HelpWindow;

// The help of the program: the pages installed in the program folder's
// help/ folder, shown in a help window of the program. The help shows in one
// window, as a system help viewer does: asking for the contents again brings
// that window forward at its table of contents.
class HelpManager {
public:
    HelpManager();
    ~HelpManager();
    HelpManager(const HelpManager&) = delete;
    HelpManager& operator=(const HelpManager&) = delete;

    // Opens the help at its table of contents, programFolder + "/help/index.html".
    // When the help is not installed, says so in a message box and returns false.
    bool displayToc(const std::string& programFolder);
    // Closes every help window this manager opened.
    void closeAll();

    // The help window while one is open, else nullptr.
    HelpWindow* window() const { return window_.get(); }

    static QString helpFolder(const std::string& programFolder);

private:
    std::unique_ptr<HelpWindow> window_;
    QString folder_;  // the help folder the window shows
};

}  // namespace quorvel
