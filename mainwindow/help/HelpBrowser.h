#pragma once

#include <QDir>
#include <QTextBrowser>

namespace quorvel {

// A page view that shows the help pages of one folder and nothing else: links
// between the pages are followed, anything outside the folder (another local
// file, a web address, mail) is neither followed nor loaded, so the help never
// touches the network.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit HelpBrowser(const QString& helpFolder, QWidget* parent = nullptr);

    // True when `url` names an existing file inside the help folder.
    bool isHelpFile(const QUrl& url) const;
    // What a click on a link does; relative links are read against the page shown.
    void followLink(const QUrl& link);

    QVariant loadResource(int type, const QUrl& name) override;

private:
    QDir folder_;
};

}  // namespace quorvel
