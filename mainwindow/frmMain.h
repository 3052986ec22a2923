#pragma once

#include <QMainWindow>

#include "app/ProgramValues.h"

namespace quorvel {

// The main window. It owns the program-wide values of its instance for the
// life of the process and routes every event to the subsystem that handles it.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(ProgramValues& pv, QWidget* parent = nullptr);

    // The window's load; false when the program must end at once.
    bool Form_Load();

    ProgramValues& values() { return pv_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The window's unload; false when it was cancelled.
    bool Form_Unload();

    ProgramValues& pv_;
    bool unloaded_ = false;
};

}  // namespace quorvel
