#pragma once

#include <QString>
#include <functional>
#include <string>

#include "app/ProgramValues.h"

class QLabel;

namespace quorvel {

namespace ui {
class ListView;
}

// The preview pane's logic: the header label's texts and the mail file the
// browser is directed to. The stored bytes of a mail are written once per
// run into the working folder and shown from there.
class Preview {
public:
    Preview(ProgramValues& pv, QLabel& header, ui::ListView& list, std::function<void(const QString&)> navigate);

    // The header with a mail's sender, recipients and subject, or empty.
    static QString headerText(const QString& from, const QString& to, const QString& subject);
    static QString emptyHeaderText();

    void clearPreview();
    void s_aprPreview(const std::string& malNumID);

    // Deletes the files written for mails (preview files and files for the
    // mail program) from the working folder, so that another archive's mail
    // of the same number is never shown from them.
    static void clearMailFileCache(const std::string& workPath);

    // The preview file of a mail key in the working folder.
    std::string previewPath(const std::string& malNumID) const;

private:
    ProgramValues& pv_;
    QLabel& header_;
    ui::ListView& list_;
    std::function<void(const QString&)> navigate_;
};

}  // namespace quorvel
