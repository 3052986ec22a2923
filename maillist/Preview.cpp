#include "maillist/Preview.h"

#include <QLabel>
#include <filesystem>

#include "archive/Schema.h"
#include "maillist/DragOut.h"
#include "maillist/StoredMail.h"
#include "toolkit/ListView.h"

namespace fs = std::filesystem;

namespace quorvel {

namespace {
// Sub-items of a mail list row that the header shows.
constexpr int kSubFrom = 5;
constexpr int kSubSubject = 6;
constexpr int kSubTo = 8;
}  // namespace

Preview::Preview(ProgramValues& pv, QLabel& header, ui::ListView& list, std::function<void(const QString&)> navigate)
    : pv_(pv), header_(header), list_(list), navigate_(std::move(navigate)) {}

QString Preview::headerText(const QString& from, const QString& to, const QString& subject) {
    // The space before 宛先 is an ideographic space.
    return QStringLiteral("送信者：") + from + QStringLiteral("\u3000宛先：") + to + QLatin1Char('\n') +
           QStringLiteral("件名：") + subject;
}

QString Preview::emptyHeaderText() {
    return headerText({}, {}, {});
}

std::string Preview::previewPath(const std::string& malNumID) const {
    return pv_.workPath + "/" + malNumID + ".eml";
}

void Preview::clearMailFileCache(const std::string& workPath) {
    std::error_code ec;
    for (fs::directory_iterator it(workPath, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        // Mail files are named by a mail key or number: "12_.eml", "3.eml".
        const size_t digits = name.find_first_not_of("0123456789");
        const std::string rest = digits == std::string::npos ? "" : name.substr(digits);
        if (digits > 0 && digits != std::string::npos && (rest == ".eml" || rest == "_.eml")) {
            fs::remove(it->path(), ec);
        }
    }
    // Dragged-out files belong to the archive they came from as well.
    fs::remove_all(dragOutFolder(workPath), ec);
}

void Preview::clearPreview() {
    navigate_(QString::fromStdString(pv_.sysPath + "/unselected.eml"));
    header_.setText(emptyHeaderText());
}

void Preview::s_aprPreview(const std::string& malNumID) {
    clearPreview();
    const int32_t id = archive::keyToId(malNumID);
    if (id <= 0) {
        return;
    }
    const std::string path = previewPath(malNumID);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        writeStoredMail(pv_, id, path);
    }
    navigate_(QString::fromStdString(path));
    const int row = list_.indexOfKey(QString::fromStdString(malNumID));
    if (row >= 0) {
        header_.setText(
            headerText(list_.subItem(row, kSubFrom), list_.subItem(row, kSubTo), list_.subItem(row, kSubSubject)));
    }
}

}  // namespace quorvel
