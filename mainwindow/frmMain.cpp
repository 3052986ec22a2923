#include "mainwindow/frmMain.h"

#include <QCloseEvent>

#include "app/WorkingFolder.h"

namespace quorvel {

frmMain::frmMain(ProgramValues& pv, QWidget* parent) : QMainWindow(parent), pv_(pv) {
    setWindowTitle(QStringLiteral("Quorvel"));
    resize(800, 600);
}

bool frmMain::Form_Load() {
    return f_enterWorkingFolder(pv_);
}

bool frmMain::Form_Unload() {
    if (unloaded_) {
        return true;
    }
    unloaded_ = true;
    s_leaveInstance(pv_);
    return true;
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (Form_Unload()) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace quorvel
