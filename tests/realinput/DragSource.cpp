// qv_dragsource: a window that starts a drag of mail files when the mouse is
// pressed and moved on it, as a file manager or a mail program does. The
// tests drive it with the real pointer, so the drop reaches the program under
// test through the X server's drag-and-drop protocol.
//
//   qv_dragsource [--at X,Y,W,H] [--uris | --message | --descriptor] FILE...
//
//   --uris        text/uri-list naming the files (a file manager's drag)
//   --message     message/rfc822 holding the first file's bytes: one message
//                 dragged out of a mail program on Linux
//   --descriptor  the shell's virtual-file formats under the names Qt gives
//                 them (FileGroupDescriptor, FileGroupDescriptorW and one
//                 FileContents stream per file), as a mail program's drag
//                 arrives through Qt's Windows format names
//
// It prints "ready" once its window is shown, "drag" when a drag starts and
// "done <action>" when it ends (action: copy, move, link or none), one line
// each, flushed, so that a test can wait for the drag to end.
#include <QApplication>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>

#include <cstdint>
#include <cstdio>

namespace {

enum class Offer { Uris, Message, Descriptor };

const QString kWindowsName = QStringLiteral("application/x-qt-windows-mime;value=\"%1\"");

void putLe32(QByteArray& bytes, qsizetype at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// The descriptor list: a 32-bit count, then one record per file (72 bytes of
// attributes with the size, then the name field of 260 characters, one byte
// each in the narrow form and two in the wide one).
QByteArray descriptorOf(const QStringList& files, bool wide) {
    constexpr qsizetype kNameAt = 72;
    constexpr qsizetype kNameChars = 260;
    constexpr std::uint32_t kHasFileSize = 0x40;
    const qsizetype record = kNameAt + kNameChars * (wide ? 2 : 1);
    QByteArray bytes(4 + files.size() * record, '\0');
    putLe32(bytes, 0, static_cast<std::uint32_t>(files.size()));
    for (qsizetype i = 0; i < files.size(); ++i) {
        const qsizetype at = 4 + i * record;
        const QFileInfo info(files[i]);
        putLe32(bytes, at, kHasFileSize);
        putLe32(bytes, at + 64, static_cast<std::uint32_t>(static_cast<std::uint64_t>(info.size()) >> 32));
        putLe32(bytes, at + 68, static_cast<std::uint32_t>(info.size() & 0xFFFFFFFF));
        const QString name = info.fileName().left(kNameChars - 1);
        if (wide) {
            for (qsizetype c = 0; c < name.size(); ++c) {
                const char16_t unit = name[c].unicode();
                bytes[at + kNameAt + 2 * c] = static_cast<char>(unit & 0xFF);
                bytes[at + kNameAt + 2 * c + 1] = static_cast<char>(unit >> 8);
            }
        } else {
            const QByteArray local = name.toLocal8Bit();
            for (qsizetype c = 0; c < local.size(); ++c) {
                bytes[at + kNameAt + c] = local[c];
            }
        }
    }
    return bytes;
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "qv_dragsource: cannot read %s\n", qPrintable(path));
        return {};
    }
    return file.readAll();
}

QMimeData* mimeDataFor(Offer offer, const QStringList& files) {
    auto* mime = new QMimeData;
    switch (offer) {
        case Offer::Uris: {
            QList<QUrl> urls;
            for (const QString& f : files) {
                urls.push_back(QUrl::fromLocalFile(QFileInfo(f).absoluteFilePath()));
            }
            mime->setUrls(urls);
            break;
        }
        case Offer::Message:
            mime->setData(QStringLiteral("message/rfc822"), contentsOf(files.value(0)));
            break;
        case Offer::Descriptor:
            mime->setData(kWindowsName.arg(QStringLiteral("FileGroupDescriptorW")), descriptorOf(files, true));
            mime->setData(kWindowsName.arg(QStringLiteral("FileGroupDescriptor")), descriptorOf(files, false));
            for (qsizetype i = 0; i < files.size(); ++i) {
                mime->setData(kWindowsName.arg(QStringLiteral("FileContents")) + QStringLiteral(";index=%1").arg(i),
                              contentsOf(files[i]));
            }
            break;
    }
    return mime;
}

const char* actionName(Qt::DropAction action) {
    switch (action) {
        case Qt::CopyAction:
            return "copy";
        case Qt::MoveAction:
            return "move";
        case Qt::LinkAction:
            return "link";
        default:
            return "none";
    }
}

void say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

class SourceWindow : public QLabel {
public:
    SourceWindow(Offer offer, QStringList files) : offer_(offer), files_(std::move(files)) {
        setText(QStringLiteral("drag me"));
        setAlignment(Qt::AlignCenter);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) {
            pressedAt_ = e->position().toPoint();
            pressed_ = true;
        }
    }
    void mouseReleaseEvent(QMouseEvent*) override { pressed_ = false; }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!pressed_ || (e->position().toPoint() - pressedAt_).manhattanLength() < QApplication::startDragDistance()) {
            return;
        }
        pressed_ = false;
        auto* drag = new QDrag(this);
        drag->setMimeData(mimeDataFor(offer_, files_));
        // What the window under the pointer answers, each time it changes.
        connect(drag, &QDrag::actionChanged, this, [](Qt::DropAction action) {
            std::printf("answer %s\n", actionName(action));
            std::fflush(stdout);
        });
        say("drag");
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
        std::printf("done %s\n", actionName(action));
        std::fflush(stdout);
    }

private:
    Offer offer_;
    QStringList files_;
    QPoint pressedAt_;
    bool pressed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments();
    args.removeFirst();
    Offer offer = Offer::Uris;
    QRect at(0, 0, 200, 150);
    QStringList files;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--uris")) {
            offer = Offer::Uris;
        } else if (a == QLatin1String("--message")) {
            offer = Offer::Message;
        } else if (a == QLatin1String("--descriptor")) {
            offer = Offer::Descriptor;
        } else if (a == QLatin1String("--at") && i + 1 < args.size()) {
            const QStringList n = args[++i].split(QLatin1Char(','));
            if (n.size() == 4) {
                at = QRect(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt());
            }
        } else {
            files.push_back(a);
        }
    }
    if (files.isEmpty()) {
        std::fprintf(stderr, "usage: qv_dragsource [--at X,Y,W,H] [--uris|--message|--descriptor] FILE...\n");
        return 1;
    }
    SourceWindow window(offer, files);
    window.setWindowTitle(QStringLiteral("qv_dragsource"));
    window.setGeometry(at);
    window.show();
    QTimer::singleShot(0, [] { say("ready"); });
    return app.exec();
}
