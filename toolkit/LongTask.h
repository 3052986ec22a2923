#pragma once

#include <QString>
#include <cstdint>
#include <functional>

class QWidget;

namespace quorvel::ui {

// Told how far the work is; answering false asks it to stop.
using TaskProgress = std::function<bool(int64_t done, int64_t total)>;

// Runs `work` on a thread of its own while a modal progress window with a
// キャンセル button keeps the window painted and answering. The work is
// told of a cancel through its progress answer and must return soon after.
// Returns once the work has returned; true when it was cancelled.
//
// `label`, when given, is asked on the window's thread, a few times a second,
// for the progress window's text (what the work is at); it must read what the
// work thread writes under a lock of its own.
bool runLongTask(QWidget* parent, const QString& title, const std::function<void(const TaskProgress&)>& work,
                 const std::function<QString()>& label = {});

}  // namespace quorvel::ui
