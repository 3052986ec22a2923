#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;

namespace quorvel {

// The modal dialog that asks for a new folder's name. OK hands the name to
// `create`, which answers whether the folder was made; the dialog closes only
// then. An empty name is refused with its message and the dialog stays.
class frmInpDirName : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Quorvel:メールフォルダの名称入力";
    static constexpr const char* kMsgNoName = "名前が未入力です。";

    frmInpDirName(std::function<bool(const QString& name)> create, QWidget* parent = nullptr);

    QLineEdit* Text1 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cmdOK_Click();

private:
    std::function<bool(const QString&)> create_;
};

}  // namespace quorvel
