#pragma once

#include <QMimeData>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "app/ProgramValues.h"
#include "maillist/DragSession.h"

namespace quorvel {

namespace ui {
class ListView;
}

// The data of a drag out of the mail list: it offers a file list and writes
// the mails' files only when a drop target asks for it, each time it asks.
class DragOutMimeData : public QMimeData {
    Q_OBJECT
public:
    // keys and names as the drag lists hold them, entry 0 unused.
    DragOutMimeData(const ProgramValues& pv, std::vector<std::string> keys, std::vector<std::string> names);

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    const ProgramValues& pv_;
    std::vector<std::string> keys_;
    std::vector<std::string> names_;
};

// Drags of mails out of the list, from the start to the completion.
class ListDragOut {
public:
    ListDragOut(const ProgramValues& pv, ui::ListView& list, DragSession& drag);

    // Collects the selected mails and makes the drag's data; null when
    // nothing is selected.
    std::unique_ptr<DragOutMimeData> begin();
    // The drag completed, dropped or cancelled.
    void end();
    // The whole drag: begin, the platform's drag loop (copy only), end.
    void run();

private:
    const ProgramValues& pv_;
    ui::ListView& list_;
    DragSession& drag_;
};

}  // namespace quorvel
