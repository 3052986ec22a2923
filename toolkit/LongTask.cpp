#include "toolkit/LongTask.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <thread>

namespace quorvel::ui {

bool runLongTask(QWidget* parent, const QString& title, const std::function<void(const TaskProgress&)>& work,
                 const std::function<QString()>& label) {
    std::atomic<int64_t> done{0};
    std::atomic<int64_t> total{0};
    std::atomic<bool> cancelled{false};
    std::atomic<bool> finished{false};

    QProgressDialog dialog(title, QString::fromUtf8("キャンセル"), 0, 0, parent);
    dialog.setWindowTitle(QStringLiteral("Quorvel"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(300);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    QObject::connect(&dialog, &QProgressDialog::canceled, [&] { cancelled = true; });

    QEventLoop loop;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (dialog.wasCanceled()) {
            cancelled = true;  // the button, Esc or the window's close button
        }
        if (label) {
            dialog.setLabelText(label());
        }
        const int64_t t = total;
        if (t > 0) {
            // The bar counts in thousandths, whatever the number of steps.
            dialog.setMaximum(1000);
            dialog.setValue(static_cast<int>(std::min<int64_t>(1000, done * 1000 / t)));
        }
        if (finished) {
            loop.quit();
        }
    });
    std::thread worker([&] {
        work([&](int64_t d, int64_t t) {
            done = d;
            total = t;
            return !cancelled;
        });
        finished = true;
    });
    poll.start();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    loop.exec();
    QApplication::restoreOverrideCursor();
    worker.join();
    return cancelled;
}

}  // namespace quorvel::ui
