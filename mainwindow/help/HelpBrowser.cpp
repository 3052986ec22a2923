#include "mainwindow/help/HelpBrowser.h"

#include <QFileInfo>

namespace quorvel {

HelpBrowser::HelpBrowser(const QString& helpFolder, QWidget* parent)
    : QTextBrowser(parent), folder_(QFileInfo(helpFolder).canonicalFilePath()) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &HelpBrowser::followLink);
}

bool HelpBrowser::isHelpFile(const QUrl& url) const {
    if (!url.isLocalFile()) {
        return false;
    }
    // Canonical paths, so that "../" or a symbolic link cannot lead out of the folder.
    const QFileInfo file(url.toLocalFile());
    const QString path = file.canonicalFilePath();
    return file.isFile() && !path.isEmpty() && path.startsWith(folder_.path() + QLatin1Char('/'));
}

void HelpBrowser::followLink(const QUrl& link) {
    const QUrl target = source().resolved(link);
    if (isHelpFile(target)) {
        setSource(target);
    }
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    const QUrl url = name.isRelative() ? source().resolved(name) : name;
    if (!isHelpFile(url)) {
        return {};
    }
    return QTextBrowser::loadResource(type, url);
}

}  // namespace quorvel
