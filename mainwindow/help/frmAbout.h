#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace quorvel {

// The about box: the program's title and version, closed by OK, with a button
// that starts the system's information program, or, on a system without one,
// shows the system's facts in a message.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    // Starts a program detached from this one; true when it started.
    using ProgramStarter = std::function<bool(const QString& program)>;

    explicit frmAbout(QWidget* owner);

    // Replaces how the information program is started (tests record it instead).
    void setProgramStarter(ProgramStarter starter) { startProgram_ = std::move(starter); }

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

private:
    void buildControls();
    void cmdSysInfo_Click();

    ProgramStarter startProgram_;
};

// Shows the about box modally, owned by `owner`, and destroys it afterwards.
void showAboutBox(QWidget* owner);

}  // namespace quorvel
