// Mails written to break out of the program: HTML that reaches for local
// files, scripts and remote style sheets, senders that hold markup, subjects
// that are paths or hold control characters, a huge subject and a huge mail.
// Each is shown in the preview as the main window shows it, and written out
// with quorvel-cli export.
#include <QtTest>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "maillist/MailList.h"
#include "maillist/Preview.h"
#include "maillist/preview/MailRenderer.h"
#include "maillist/preview/PreviewBox.h"
#include "mainwindow/frmMain.h"
#include "tests/cli/CliRun.h"
#include "tests/mainwindow/WindowFixture.h"
#include "tests/support/ActiveContent.h"
#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;
using namespace quorvel;
using quorvel::test::TempDir;

namespace {

// A preview taking longer than this counts as hung.
constexpr int kPreviewSeconds = 5;

// Ends the process when a step runs far beyond its time: a preview that reads
// /dev/zero never returns, and the test must say so rather than wait forever.
class Watchdog {
public:
    Watchdog(std::string what, int seconds) : what_(std::move(what)) {
        thread_ = std::thread([this, seconds] {
            std::unique_lock lock(mutex_);
            if (!done_.wait_for(lock, std::chrono::seconds(seconds), [this] { return finished_; })) {
                std::fprintf(stderr, "FAIL: %s did not finish within %d seconds\n", what_.c_str(), seconds);
                std::fflush(stderr);
                std::_Exit(1);
            }
        });
    }
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_one();
        thread_.join();
    }

private:
    std::string what_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

// Records every resource the view asks for and the answer it got.
class RecordingPreviewBox : public PreviewBox {
public:
    struct Request {
        QUrl url;
        QVariant answer;
    };
    std::vector<Request> requests;

protected:
    QVariant loadResource(int type, const QUrl& name) override {
        QVariant answer = PreviewBox::loadResource(type, name);
        requests.push_back({name, answer});
        return answer;
    }
};

QByteArray onePixelPng() {
    QImage image(1, 1, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

std::string headerLines(const std::string& subject, const std::string& contentType) {
    return "From: Sender <sender@example.jp>\r\nTo: Reader <reader@example.jp>\r\nSubject: " + subject +
           "\r\nDate: Tue, 2 Apr 2024 10:00:00 +0900\r\nMIME-Version: 1.0\r\nContent-Type: " + contentType + "\r\n";
}

// A subject of exactly 1,000 bytes of UTF-8, mostly three-byte characters,
// so that any cut to a file name length lands inside a character.
std::string longSubjectMail() {
    std::string subject;
    while (subject.size() + 3 <= 1000) {
        subject += "長";
    }
    subject.append(1000 - subject.size(), 'x');
    return headerLines(subject, "text/plain; charset=UTF-8") + "\r\na long subject\r\n";
}

// About 3 MB: an HTML body of many table cells, each reaching for a local
// file, and a large attachment.
std::string threeMegabyteMail() {
    std::string html = "<table>";
    for (int row = 0; html.size() < 1024 * 1024; ++row) {
        html += "<tr>";
        for (int cell = 0; cell < 10; ++cell) {
            html +=
                "<td style=\"background:url(cid:none)\"><img src=\"file:///dev/zero\">" + std::to_string(row) + "</td>";
        }
        html += "</tr>\r\n";
    }
    html += "</table>";
    std::string attachment;
    const std::string line(76, 'A');
    while (attachment.size() < 2 * 1024 * 1024) {
        attachment += line + "\r\n";
    }
    return headerLines("big mail", "multipart/mixed; boundary=\"big\"") +
           "\r\n--big\r\nContent-Type: text/html; charset=UTF-8\r\n\r\n" + html +
           "\r\n--big\r\nContent-Type: application/octet-stream; name=\"big.bin\"\r\n"
           "Content-Disposition: attachment; filename=\"big.bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
           attachment + "--big--\r\n";
}

bool hasControlCharacter(const std::string& name) {
    return std::any_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

bool isValidUtf8(const std::string& text) {
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

// The files under `root`, recursively, with their paths.
std::vector<fs::path> filesUnder(const fs::path& root) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_directory()) {
            files.push_back(entry.path());
        }
    }
    return files;
}

}  // namespace

class HostileMailTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void previewShowsNothingThatLoadsOrRuns_data();
    void previewShowsNothingThatLoadsOrRuns();
    void theHeaderShowsAMarkupSenderAsText();
    void exportWritesTheMailInsideTheFolderUnderACleanName_data();
    void exportWritesTheMailInsideTheFolderUnderACleanName();

private:
    void addRowsForEveryMail();

    TempDir dir_;                                             // the mails, each beside an x.png
    TempDir workingFolder_;                                   // the current folder during the tests, with an x.png too
    std::string savedFolder_;                                 // the current folder before
    std::vector<std::pair<std::string, std::string>> mails_;  // name, path
    QByteArray png_ = onePixelPng();
};

void HostileMailTest::initTestCase() {
    const std::string png(png_.constData(), static_cast<size_t>(png_.size()));
    for (const auto& entry : fs::directory_iterator(QUORVEL_HOSTILE_MAILS)) {
        const std::string name = entry.path().filename().string();
        const std::string path = dir_.file(name);
        fs::copy_file(entry.path(), path);
        mails_.emplace_back(name, path);
    }
    QVERIFY2(mails_.size() >= 10, "the hostile mails were not found");
    // Made here: the largest mails, and one naming an image of this run by its path.
    const std::pair<const char*, std::string> made[] = {
        {"long_subject.eml", longSubjectMail()},
        {"three_megabytes.eml", threeMegabyteMail()},
        {"img_absolute_path.eml", headerLines("absolute path", "text/html; charset=UTF-8") + "\r\n<p><img src=\"" +
                                      dir_.file("x.png") + "\"></p><table background=\"" + dir_.file("x.png") +
                                      "\"><tr><td>cell</td></tr></table>\r\n"},
    };
    for (const auto& [name, mail] : made) {
        test::writeFile(dir_.file(name), mail);
        mails_.emplace_back(name, dir_.file(name));
    }
    std::sort(mails_.begin(), mails_.end());

    // A relative image reference finds a real image wherever it is resolved:
    // beside the mail, or in the current folder.
    test::writeFile(dir_.file("x.png"), png);
    test::writeFile(workingFolder_.file("x.png"), png);
    savedFolder_ = fs::current_path().string();
    fs::current_path(workingFolder_.path());
}

void HostileMailTest::cleanupTestCase() {
    fs::current_path(savedFolder_);
}

void HostileMailTest::addRowsForEveryMail() {
    QTest::addColumn<QString>("path");
    for (const auto& [name, path] : mails_) {
        QTest::newRow(name.c_str()) << QString::fromStdString(path);
    }
}

void HostileMailTest::previewShowsNothingThatLoadsOrRuns_data() {
    addRowsForEveryMail();
}

void HostileMailTest::previewShowsNothingThatLoadsOrRuns() {
    QFETCH(QString, path);
    RecordingPreviewBox box;
    QElapsedTimer timer;
    {
        Watchdog watchdog("the preview of " + path.toStdString(), 60);
        timer.start();
        box.Navigate(path);
        box.resize(600, 400);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.grab();
        QCoreApplication::processEvents();
    }
    QVERIFY2(timer.elapsed() < kPreviewSeconds * 1000, qPrintable(QString::number(timer.elapsed()) + " ms"));
    QVERIFY(box.showsMessage());
    // Nothing in one part hides what comes after it, the attachments least.
    for (const std::string& name : box.attachmentNames()) {
        QVERIFY2(box.toPlainText().contains(QString::fromStdString(name)), name.c_str());
    }

    // Only the mail's own cid: parts are ever answered with bytes.
    for (const auto& request : box.requests) {
        QVERIFY2(request.url.scheme() == "cid" || request.answer.toByteArray().isEmpty(),
                 qPrintable(request.url.toString()));
    }
    // Nor does the document read a local file by itself when the view has nothing.
    const QUrl localFiles[] = {QUrl("file:///dev/zero"),
                               QUrl("file:///etc/hostname"),
                               QUrl("/etc/hostname"),
                               QUrl("x.png"),
                               QUrl("./x.png"),
                               QUrl(QString::fromStdString(dir_.file("x.png"))),
                               QUrl::fromLocalFile(QString::fromStdString(dir_.file("x.png")))};
    for (const QUrl& url : localFiles) {
        Watchdog watchdog("the document's resource " + url.toString().toStdString(), 60);
        const QVariant got = box.document()->resource(QTextDocument::ImageResource, url);
        // The view answers every image it has not got with a transparent dot
        // (else Qt's image handler would load the name itself).
        const QImage asImage = got.canConvert<QImage>() ? got.value<QImage>() : QImage();
        const bool dot = asImage == PreviewBox::placeholderImage();
        const bool image = (!dot && !asImage.isNull()) ||
                           (got.typeId() == QMetaType::QPixmap && !got.value<QPixmap>().isNull()) ||
                           !QImage::fromData(got.toByteArray()).isNull();
        QVERIFY2(!image && got.toByteArray().isEmpty(),
                 qPrintable(url.toString() + " came back as " + got.typeName() + (image ? ", an image" : "")));
    }

    // The document handed to the view, and what the view made of it (its
    // own head, with a meta element, left aside).
    const preview::PreviewDocument doc = preview::renderMailFile(path.toStdString());
    const auto given = test::activeContentIn(doc.html);
    const QString shown = box.toHtml();
    const auto made = test::activeContentIn(shown.mid(shown.indexOf("<body")).toStdString());
    QVERIFY2(given.empty() && made.empty(),
             qPrintable(QString::fromStdString("in the document given to the view:\n" + test::describeFindings(given) +
                                               "\nin the view's document:\n" + test::describeFindings(made))));
}

void HostileMailTest::theHeaderShowsAMarkupSenderAsText() {
    const std::string from = "<img src=\"file:///dev/zero\"> <font color=red>forged</font> <forger@example.jp>";
    test::Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    const std::string archive = inst.dir.file("hostile.qvb");
    QCOMPARE(test::runCli(inst.dir, {"new", archive}).status, 0);
    const std::string mail = std::string(QUORVEL_HOSTILE_MAILS) + "/from_markup.eml";
    QCOMPARE(test::runCli(inst.dir, {"import", archive, mail}).status, 0);

    inst.files.setNextFileName(archive);
    QVERIFY(w->mnuFileOpen_Click());
    w->mailList().s_mailListLoad("1_");
    QVERIFY(w->lvListView->indexOfKey("1_") >= 0);
    {
        Watchdog watchdog("the header of a sender holding markup", 60);
        w->preview().s_aprPreview("1_");
        w->grab();
        QCoreApplication::processEvents();
    }
    QCOMPARE(w->previewHeadder->textFormat(), Qt::PlainText);
    QCOMPARE(w->previewHeadder->text(),
             Preview::headerText(QString::fromStdString(from), "Reader <reader@example.jp>", "forged sender"));
    QVERIFY(w->preViewBox->showsMessage());
    QVERIFY(w->preViewBox->toPlainText().contains("<img src=\"file:///dev/zero\"> in the body too."));
    inst.msgs.setNextAnswer(platform::MsgAnswer::No);
    w->close();
}

void HostileMailTest::exportWritesTheMailInsideTheFolderUnderACleanName_data() {
    addRowsForEveryMail();
}

void HostileMailTest::exportWritesTheMailInsideTheFolderUnderACleanName() {
    QFETCH(QString, path);
    const std::string source = test::readFile(path.toStdString());
    test::IsolatedXdg env;
    TempDir work;
    const std::string archive = work.file("a.qvb");
    QCOMPARE(test::runCli(work, {"new", archive}).status, 0);
    const test::CliRun imported = test::runCli(work, {"import", archive, path.toStdString()});
    QVERIFY2(imported.status == 0, imported.err.c_str());

    // The folder lies deep inside a folder of its own, so that a file
    // written above it ("../../x") is still found.
    TempDir sandbox;
    const fs::path to = fs::path(sandbox.path()) / "a" / "b" / "c" / "d" / "out";
    fs::create_directories(to);
    const test::CliRun exported = test::runCli(work, {"export", archive, "--to", to.string(), "1"});
    QVERIFY2(exported.status == 0, exported.err.c_str());

    const std::vector<fs::path> files = filesUnder(sandbox.path());
    QCOMPARE(files.size(), size_t(1));
    const fs::path& file = files.front();
    QVERIFY2(file.parent_path() == to, file.c_str());
    const std::string name = file.filename().string();
    QVERIFY2(!hasControlCharacter(name), qPrintable(QString::fromStdString(name).toUtf8().toPercentEncoding()));
    QVERIFY2(name.find('/') == std::string::npos, name.c_str());
    QVERIFY2(name.size() <= 255 && isValidUtf8(name), name.c_str());
    QVERIFY(test::readFile(file.string()) == source);
}

int main(int argc, char** argv) {
    // Settings and the home folder are the test's own before Qt reads any.
    test::IsolatedXdg env;
    QApplication app(argc, argv);
    HostileMailTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "HostileMail_test.moc"
