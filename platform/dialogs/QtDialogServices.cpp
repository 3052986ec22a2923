#include "platform/dialogs/QtDialogServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <algorithm>

namespace quorvel::platform {

namespace {

QMessageBox::StandardButtons toQt(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return QMessageBox::Ok;
        case MsgButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MsgButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MsgButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MsgButtons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
        case MsgButtons::AbortRetryIgnore:
            return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon toQt(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::None:
            return QMessageBox::NoIcon;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Warning:
            return QMessageBox::Warning;
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

MsgAnswer fromQt(int button, MsgButtons buttons) {
    switch (button) {
        case QMessageBox::Ok:
            return MsgAnswer::Ok;
        case QMessageBox::Cancel:
            return MsgAnswer::Cancel;
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        case QMessageBox::Retry:
            return MsgAnswer::Retry;
        case QMessageBox::Abort:
            return MsgAnswer::Abort;
        case QMessageBox::Ignore:
            return MsgAnswer::Ignore;
        default:
            break;
    }
    // Closed with the window's close button: the box's cancel answer.
    return refusingAnswer(buttons);
}

}  // namespace

MsgAnswer QtMessageService::show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                                 const std::string& caption) {
    QString body = QString::fromStdString(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(toQt(icon), QString::fromStdString(caption), {}, toQt(buttons), QApplication::activeWindow());
    // The texts hold names, paths and mail text: never taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(body);
    // The program speaks Japanese; so do its message boxes' buttons.
    const std::pair<QMessageBox::StandardButton, const char*> captions[] = {
        {QMessageBox::Yes, "はい(&Y)"},     {QMessageBox::No, "いいえ(&N)"},  {QMessageBox::Cancel, "キャンセル"},
        {QMessageBox::Retry, "再試行(&R)"}, {QMessageBox::Abort, "中止(&A)"}, {QMessageBox::Ignore, "無視(&I)"},
    };
    for (const auto& [button, text] : captions) {
        if (QAbstractButton* b = box.button(button)) {
            b->setText(QString::fromUtf8(text));
        }
    }
    return fromQt(box.exec(), buttons);
}

std::string toQtFilter(const std::string& filter) {
    // Pairs of "description|pattern"; a description that already names its
    // pattern in brackets is taken as it stands.
    QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (!description.contains(QLatin1Char('('))) {
            description += QStringLiteral(" (") + pattern + QLatin1Char(')');
        } else {
            description = description.left(description.indexOf(QLatin1Char('('))) + QStringLiteral("(") + pattern +
                          QLatin1Char(')');
        }
        out << description;
    }
    return out.join(QStringLiteral(";;")).toStdString();
}

std::string QtFileDialogService::showOpen(const FileDialogRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title),
                       QString::fromStdString(request.fileName), QString::fromStdString(toQtFilter(request.filter)));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name that does not exist comes back, so that the program
    // answers it with its own message.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first().toStdString();
}

std::string QtFileDialogService::showSave(const FileDialogRequest& request) {
    // The program asks its own question before replacing a file.
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), QString::fromStdString(request.title),
                                        QString::fromStdString(request.fileName),
                                        QString::fromStdString(toQtFilter(request.filter)), nullptr,
                                        QFileDialog::DontConfirmOverwrite)
        .toStdString();
}

namespace {

// Qt's own file dialog lets a person choose either files or one folder. This
// one takes several of both: in its mode for several files, whose views list
// folders too and take several entries, Open accepts whatever chosen entries
// exist instead of opening a chosen folder (a double click still opens one).
class PathsDialog : public QFileDialog {
public:
    PathsDialog(QWidget* parent, const QString& title, const QString& start) : QFileDialog(parent, title, start) {
        setOption(QFileDialog::DontUseNativeDialog);
        setFileMode(QFileDialog::ExistingFiles);
    }

    void accept() override {
        const QStringList chosen = selectedFiles();
        if (chosen.isEmpty() ||
            !std::all_of(chosen.begin(), chosen.end(), [](const QString& path) { return QFileInfo::exists(path); })) {
            return;
        }
        QDialog::accept();
    }
};

}  // namespace

std::vector<std::string> QtFileDialogService::showOpenPaths(const FileDialogRequest& request) {
    PathsDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title),
                       QString::fromStdString(request.fileName));
    std::vector<std::string> paths;
    if (dialog.exec() == QDialog::Accepted) {
        for (const QString& path : dialog.selectedFiles()) {
            paths.push_back(path.toStdString());
        }
    }
    return paths;
}

}  // namespace quorvel::platform
