#include "maillist/preview/PreviewBox.h"

#include <QByteArray>
#include <QImage>
#include <QTextDocument>

namespace quorvel {

PreviewBox::PreviewBox(QWidget* parent, const preview::RenderLimits& limits) : QTextBrowser(parent), limits_(limits) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setReadOnly(true);
}

void PreviewBox::Navigate(const QString& path) {
    preview::PreviewDocument doc = preview::renderMailFile(path.toStdString(), limits_);
    location_ = path;
    showsMessage_ = doc.isMessage;
    // The parts must be in place before setHtml, which asks for the images.
    inlineParts_ = std::move(doc.inlineParts);
    attachmentNames_ = std::move(doc.attachmentNames);
    // setHtml also drops the images the document cached for the previous mail.
    setHtml(QString::fromUtf8(doc.html.data(), static_cast<qsizetype>(doc.html.size())));
}

QVariant PreviewBox::loadResource(int type, const QUrl& name) {
    // Every request gets an answer of ours. The document reads local files
    // (file:, relative paths, even /dev/zero) itself when a resource gives
    // nothing, and its image handler loads an image by its name when the
    // answer is no image; so an image request always gets an image, the
    // transparent dot when the mail has none under that name.
    QByteArray bytes;
    if (name.scheme().compare(QLatin1String("cid"), Qt::CaseInsensitive) == 0) {
        // A cid: URL is the Content-ID with URL escapes (RFC 2392).
        const QByteArray contentId = QByteArray::fromPercentEncoding(name.path(QUrl::FullyEncoded).toUtf8());
        const auto found = inlineParts_.find(contentId.toStdString());
        if (found != inlineParts_.end()) {
            bytes = QByteArray(found->second.bytes.data(), static_cast<qsizetype>(found->second.bytes.size()));
        }
    }
    if (type != QTextDocument::ImageResource) {
        return bytes;
    }
    QImage image;
    if (!bytes.isEmpty()) {
        image.loadFromData(bytes);
    }
    return image.isNull() ? placeholderImage() : image;
}

QImage PreviewBox::placeholderImage() {
    QImage dot(1, 1, QImage::Format_ARGB32);
    dot.fill(Qt::transparent);
    return dot;
}

}  // namespace quorvel
