#include "mainwindow/help/frmAbout.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>

#include "mainwindow/help/HelpTexts.h"
#include "mainwindow/help/ProgramVersion.h"
#include "mainwindow/help/SystemInfo.h"
#include "toolkit/Images.h"
#include "platform/dialogs/MessageService.h"

namespace quorvel {

namespace {

QString t(const char* text) {
    return QString::fromUtf8(text);
}

bool startDetached(const QString& program) {
    return QProcess::startDetached(program, {});
}

}  // namespace

frmAbout::frmAbout(QWidget* owner) : QDialog(owner), startProgram_(startDetached) {
    setModal(true);
    buildControls();
}

void frmAbout::buildControls() {
    setWindowTitle(t(texts::kAboutCaption));

    auto* icon = new QLabel(this);
    icon->setPixmap(ui::treeImageList().value(QStringLiteral("quorvel")).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    lblTitle = new QLabel(t(texts::kAboutTitle), this);
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    lblTitle->setFont(titleFont);
    lblVersion = new QLabel(t(texts::kAboutVersionPrefix) + programVersion(), this);
    lblDescription = new QLabel(t(texts::kAboutDescription), this);
    lblDescription->setWordWrap(true);

    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addSpacing(8);
    text->addWidget(lblDescription);
    text->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addLayout(text, 1);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    cmdOK = new QPushButton(t(texts::kAboutOk), this);
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(t(texts::kAboutSysInfo), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);

    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(line);
    all->addLayout(buttons);
    all->setSizeConstraint(QLayout::SetFixedSize);
    lblDescription->setFixedWidth(lblDescription->fontMetrics().averageCharWidth() * 48);

    setTabOrder(cmdOK, cmdSysInfo);
    cmdOK->setFocus();
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::cmdSysInfo_Click() {
    const QString program = findSystemInfoProgram();
    if (!program.isEmpty() && startProgram_(program)) {
        return;
    }
    // No program, or it would not start: the essentials, from here.
    platform::msgBox(systemFactsText().toStdString(), platform::MsgButtons::Ok, platform::MsgIcon::Information);
}

void showAboutBox(QWidget* owner) {
    frmAbout box(owner);
    box.exec();
}

}  // namespace quorvel
