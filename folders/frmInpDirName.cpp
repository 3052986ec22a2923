#include "folders/frmInpDirName.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/dialogs/MessageService.h"

namespace quorvel {

frmInpDirName::frmInpDirName(std::function<bool(const QString& name)> create, QWidget* parent)
    : QDialog(parent), create_(std::move(create)) {
    setWindowTitle(QString::fromUtf8(kCaption));
    setModal(true);
    Text1 = new QLineEdit(this);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cmdOK->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Text1);
    layout->addLayout(buttons);
    setMinimumWidth(320);
    connect(cmdOK, &QPushButton::clicked, this, &frmInpDirName::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmInpDirName::cmdOK_Click() {
    if (Text1->text().isEmpty()) {
        platform::msgBox(kMsgNoName);
        return;
    }
    if (create_(Text1->text())) {
        accept();
    }
}

}  // namespace quorvel
