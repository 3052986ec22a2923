#include "maillist/ListDragOut.h"

#include <QDrag>
#include <QUrl>
#include <filesystem>

#include "archive/Schema.h"
#include "maillist/DragOut.h"
#include "maillist/StoredMail.h"
#include "toolkit/ListView.h"

namespace quorvel {

namespace {

constexpr const char* kUriList = "text/uri-list";

}  // namespace

DragOutMimeData::DragOutMimeData(const ProgramValues& pv, std::vector<std::string> keys, std::vector<std::string> names)
    : pv_(pv), keys_(std::move(keys)), names_(std::move(names)) {}

QStringList DragOutMimeData::formats() const {
    return {QString::fromLatin1(kUriList)};
}

bool DragOutMimeData::hasFormat(const QString& mimeType) const {
    return mimeType == QLatin1String(kUriList);
}

QVariant DragOutMimeData::retrieveData(const QString& mimeType, QMetaType) const {
    if (mimeType != QLatin1String(kUriList)) {
        return {};
    }
    QVariantList urls;
    const std::string folder = dragOutFolder(pv_.workPath);
    std::error_code ec;
    std::filesystem::create_directory(folder, ec);
    for (size_t i = 1; i < keys_.size() && i < names_.size(); ++i) {
        const int32_t id = archive::keyToId(keys_[i]);
        const std::string path = folder + "/" + dragOutFileName(names_[i]);
        // A mail whose stored copy is missing gives no file.
        if (id > 0 && writeStoredMail(pv_, id, path)) {
            urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
        }
    }
    return urls;
}

ListDragOut::ListDragOut(const ProgramValues& pv, ui::ListView& list, std::vector<std::string>& dragKeys,
                         std::vector<std::string>& dragNames, bool& listDragActive)
    : pv_(pv), list_(list), dragKeys_(dragKeys), dragNames_(dragNames), listDragActive_(listDragActive) {}

std::unique_ptr<DragOutMimeData> ListDragOut::begin() {
    listDragActive_ = true;
    dragKeys_.assign(1, "");
    dragNames_.assign(1, "");
    std::vector<std::string> subjects;
    for (const QString& key : list_.selectedKeysInOrder()) {
        dragKeys_.push_back(key.toStdString());
        subjects.push_back(list_.subItem(list_.indexOfKey(key), 6).toStdString());
    }
    for (const std::string& name : dragOutNames(subjects)) {
        dragNames_.push_back(name);
    }
    if (dragKeys_.size() == 1) {
        return nullptr;
    }
    return std::make_unique<DragOutMimeData>(pv_, dragKeys_, dragNames_);
}

void ListDragOut::end() {
    dragKeys_.assign(1, "");
    listDragActive_ = false;
}

void ListDragOut::run() {
    std::unique_ptr<DragOutMimeData> data = begin();
    if (data) {
        auto* drag = new QDrag(&list_);
        drag->setMimeData(data.release());
        drag->exec(Qt::CopyAction, Qt::CopyAction);
    }
    end();
}

}  // namespace quorvel
