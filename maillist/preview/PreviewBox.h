#pragma once

#include <QImage>
#include <QTextBrowser>
#include <QUrl>
#include <QVariant>

#include <map>
#include <string>

#include "maillist/preview/MailRenderer.h"

namespace quorvel {

// The preview pane's browser: shows the message file it is navigated to.
// Nothing is ever loaded from outside the message: cid: references are
// answered from the message's own parts, every other URL (http, file, a
// path) gets nothing (an image request a transparent dot), and links are
// not followed. Navigation renders at once; its
// cost is bounded by the renderer's limits, whatever the size of the file.
class PreviewBox : public QTextBrowser {
    Q_OBJECT
public:
    explicit PreviewBox(QWidget* parent = nullptr, const preview::RenderLimits& limits = {});

    // Shows the message file at `path`, or a notice saying why it cannot.
    void Navigate(const QString& path);
    // The path last navigated to; empty before the first navigation.
    QString LocationURL() const { return location_; }
    // Whether the file last navigated to was shown as a mail (not a notice).
    bool showsMessage() const { return showsMessage_; }
    const std::vector<std::string>& attachmentNames() const { return attachmentNames_; }

    // The image every image request that the mail cannot answer gets.
    static QImage placeholderImage();

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    preview::RenderLimits limits_;
    QString location_;
    bool showsMessage_ = false;
    std::map<std::string, preview::InlinePart> inlineParts_;
    std::vector<std::string> attachmentNames_;
};

}  // namespace quorvel
