#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;

namespace quorvel {

// The options dialog: switches the lock copy of archives on or off for the
// next start. It keeps no state of its own; the check box is filled from the
// settings each time the dialog is made, and only OK and 更新 write them.
class frmOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmOptions(QWidget* owner = nullptr);

    // Writes "useLockF": "1" when Check1 is checked, "0" when it is not.
    void setUseLockF();

    QCheckBox* Check1 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdApply_Click();
};

// Shows the options dialog modally over `owner` and destroys it afterwards.
void showOptionsDialog(QWidget* owner);

}  // namespace quorvel
