#pragma once

#include <QLabel>
#include <QStatusBar>
#include <QTimer>

namespace quorvel::ui {

// The status bar: panel 1 is a stretching text panel, panels 2 and 3 show the
// current date and time and keep themselves current.
class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent = nullptr);

    // Panels are numbered from 1; only panel 1 takes text.
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);

private:
    void refreshClock();
    QLabel* text_;
    QLabel* date_;
    QLabel* time_;
    QTimer clock_;
};

}  // namespace quorvel::ui
