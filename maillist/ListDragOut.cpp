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

ListDragOut::ListDragOut(const ProgramValues& pv, ui::ListView& list, DragSession& drag)
    : pv_(pv), list_(list), drag_(drag) {}

std::unique_ptr<DragOutMimeData> ListDragOut::begin() {
    drag_.listDragActive = true;
    drag_.keys.assign(1, "");
    drag_.names.assign(1, "");
    std::vector<std::string> subjects;
    for (const QString& key : list_.selectedKeysInOrder()) {
        drag_.keys.push_back(key.toStdString());
        subjects.push_back(list_.subItem(list_.indexOfKey(key), 6).toStdString());
    }
    for (const std::string& name : dragOutNames(subjects)) {
        drag_.names.push_back(name);
    }
    if (drag_.keys.size() == 1) {
        return nullptr;
    }
    return std::make_unique<DragOutMimeData>(pv_, drag_.keys, drag_.names);
}

void ListDragOut::end() {
    drag_.keys.assign(1, "");
    drag_.listDragActive = false;
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
