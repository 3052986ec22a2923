#include "app/options/frmOptions.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "app/RegIO.h"
#include "app/options/OptionsTexts.h"
#include "toolkit/Twips.h"

namespace quorvel {

namespace {

QString t(const char* text) {
    return QString::fromUtf8(text);
}

// Positions and sizes in twips from the top-left of the client area.
struct TwipsRect {
    double left, top, width, height;
};
constexpr TwipsRect kCheck1{120, 120, 4935, 255};
constexpr TwipsRect kCmdOK{1530, 735, 1095, 375};
constexpr TwipsRect kCmdCancel{2760, 735, 1095, 375};
constexpr TwipsRect kCmdApply{3960, 735, 1095, 375};
// The client area leaves the controls' own 120-twip margin on the right and
// at the bottom as well.
constexpr double kMargin = 120;
constexpr double kClientWidth = kCmdApply.left + kCmdApply.width + kMargin;
constexpr double kClientHeight = kCmdApply.top + kCmdApply.height + kMargin;

QRect toPixels(const TwipsRect& r) {
    return QRect(ui::twipsToPx(r.left), ui::twipsToPx(r.top), ui::twipsToPx(r.width), ui::twipsToPx(r.height));
}

}  // namespace

frmOptions::frmOptions(QWidget* owner) : QDialog(owner) {
    buildControls();
    Form_Load();
}

void frmOptions::buildControls() {
    setWindowTitle(t(texts::kOptionsCaption));

    cmdOK = new QPushButton(t(texts::kOptionsOk), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(toPixels(kCmdOK));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(t(texts::kOptionsCancel), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(toPixels(kCmdCancel));
    cmdApply = new QPushButton(t(texts::kOptionsApply), this);
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    cmdApply->setGeometry(toPixels(kCmdApply));
    Check1 = new QCheckBox(t(texts::kOptionsUseLock), this);
    Check1->setObjectName(QStringLiteral("Check1"));

    // The caption must stay readable in whatever font the desktop uses: when
    // it needs more room than its twips give, the box and the dialog widen.
    QRect check = toPixels(kCheck1);
    check.setWidth(std::max(check.width(), Check1->sizeHint().width()));
    check.setHeight(std::max(check.height(), Check1->sizeHint().height()));
    Check1->setGeometry(check);
    const int margin = ui::twipsToPx(kMargin);
    setFixedSize(std::max(ui::twipsToPx(kClientWidth), check.right() + 1 + margin), ui::twipsToPx(kClientHeight));

    // cmdOK comes first in the tab order and so has the focus when the dialog opens.
    setTabOrder(cmdOK, cmdCancel);
    setTabOrder(cmdCancel, cmdApply);
    setTabOrder(cmdApply, Check1);
    cmdOK->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);
}

void frmOptions::Form_Load() {
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    // Lenient, as the counters are read: "2" checks the box, letters clear it.
    Check1->setChecked(leadingNumber(f_regGetVal("", "useLockF", "1")) != 0);
}

void frmOptions::setUseLockF() {
    f_regSetVal("", "useLockF", std::string(Check1->isChecked() ? "1" : "0"));
}

void frmOptions::cmdOK_Click() {
    setUseLockF();
    accept();
}

void frmOptions::cmdCancel_Click() {
    reject();
}

void frmOptions::cmdApply_Click() {
    setUseLockF();
}

void frmOptions::keyPressEvent(QKeyEvent* event) {
    // Esc presses the cancel button rather than closing the dialog behind its back.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdCancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void showOptionsDialog(QWidget* owner) {
    frmOptions dialog(owner);
    dialog.exec();
}

}  // namespace quorvel
