#pragma once

#include <QMainWindow>
#include <QUrl>

class QAction;

namespace quorvel {

class HelpBrowser;

// A window of the program's help: the pages of one help folder with a tool
// bar to go to the table of contents, back and forward. It is a window of its
// own, owned by no other, as the help of the program stands beside the main
// window rather than over it.
class HelpWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit HelpWindow(const QString& helpFolder);

    // Shows the table of contents (index.html of the help folder).
    void showContents();
    QUrl contentsPage() const { return contents_; }

    HelpBrowser* browser() const { return browser_; }
    QAction* actContents = nullptr;
    QAction* actBack = nullptr;
    QAction* actForward = nullptr;

private:
    void updateTitle();

    QUrl contents_;
    HelpBrowser* browser_ = nullptr;
};

}  // namespace quorvel
