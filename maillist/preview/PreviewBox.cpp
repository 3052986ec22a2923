#include "maillist/preview/PreviewBox.h"

#include <QByteArray>

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

QVariant PreviewBox::loadResource(int /*type*/, const QUrl& name) {
    // Every answer is a value, empty when there is nothing: on no answer at
    // all, the document would read local files (file:, relative paths, even
    // /dev/zero) by itself.
    const QVariant nothing = QByteArray();
    if (name.scheme().compare(QLatin1String("cid"), Qt::CaseInsensitive) != 0) {
        return nothing;
    }
    // A cid: URL is the Content-ID with URL escapes (RFC 2392).
    const QByteArray contentId = QByteArray::fromPercentEncoding(name.path(QUrl::FullyEncoded).toUtf8());
    const auto found = inlineParts_.find(contentId.toStdString());
    if (found == inlineParts_.end()) {
        return nothing;
    }
    const std::string& bytes = found->second.bytes;
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace quorvel
