#include "toolkit/StatusBar.h"

#include <QDateTime>
#include <QLocale>

namespace quorvel::ui {

StatusBar::StatusBar(QWidget* parent)
    : QStatusBar(parent), text_(new QLabel(this)), date_(new QLabel(this)), time_(new QLabel(this)) {
    setSizeGripEnabled(false);
    for (QLabel* panel : {text_, date_, time_}) {
        panel->setTextFormat(Qt::PlainText);
    }
    addWidget(text_, 1);
    addPermanentWidget(date_);
    addPermanentWidget(time_);
    refreshClock();
    clock_.setInterval(1000);
    connect(&clock_, &QTimer::timeout, this, &StatusBar::refreshClock);
    clock_.start();
}

QString StatusBar::panelText(int panel) const {
    switch (panel) {
        case 1:
            return text_->text();
        case 2:
            return date_->text();
        case 3:
            return time_->text();
        default:
            return {};
    }
}

void StatusBar::setPanelText(int panel, const QString& text) {
    if (panel == 1) {
        text_->setText(text);
    }
}

void StatusBar::refreshClock() {
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    date_->setText(locale.toString(now.date(), QLocale::ShortFormat));
    time_->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

}  // namespace quorvel::ui
