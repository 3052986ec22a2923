// The preview browser driven as the main window drives it: Navigate to a
// file, then read what is shown and which resources the view asked for. What
// the renderer makes of a mail (charsets, attachments, limits) is its own
// test; hostile mails, in tests/hostile, go through this view.
#include <QtTest>

#include <glib.h>

#include <vector>

#include "maillist/preview/PreviewBox.h"
#include "maillist/preview/PreviewTexts.h"
#include "tests/support/TestEnv.h"

using quorvel::PreviewBox;
using quorvel::test::TempDir;
using quorvel::test::writeFile;

namespace {

const std::string kHeader =
    "From: sender@example.jp\r\nTo: you@example.jp\r\nSubject: test\r\n"
    "Date: Tue, 2 Apr 2024 10:00:00 +0900\r\nMIME-Version: 1.0\r\n";

QString q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A 1x1 PNG, so that the view can decode what it is given.
QByteArray onePixelPng(Qt::GlobalColor color = Qt::red) {
    QImage image(1, 1, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Records every resource the view asks for and what it was answered.
class RecordingPreviewBox : public PreviewBox {
public:
    struct Request {
        QUrl url;
        QVariant answer;
    };
    std::vector<Request> requests;

    QVariant ask(int type, const QUrl& url) { return PreviewBox::loadResource(type, url); }
    // An answer with something in it: bytes, or an image other than the dot.
    static bool gaveSomething(const QVariant& answer) {
        if (answer.typeId() == QMetaType::QImage) {
            return answer.value<QImage>() != PreviewBox::placeholderImage();
        }
        return !answer.toByteArray().isEmpty();
    }

    bool answered(const QString& url) const {
        for (const Request& r : requests) {
            if (r.url.toString() == url) {
                return gaveSomething(r.answer);
            }
        }
        return false;
    }
    bool asked(const QString& url) const {
        return std::any_of(requests.begin(), requests.end(), [&](const Request& r) { return r.url.toString() == url; });
    }

protected:
    QVariant loadResource(int type, const QUrl& name) override {
        QVariant answer = PreviewBox::loadResource(type, name);
        requests.push_back({name, answer});
        return answer;
    }
};

// Lays the document out and paints it, as showing it on screen would.
void showAndPaint(QWidget& box) {
    box.resize(600, 400);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.grab();
    QCoreApplication::processEvents();
}

}  // namespace

class PreviewBoxTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheMailAndRemembersThePath();
    void loadsCidImagesFromTheMailAndNothingElse();
    void anImageOfThePreviousMailIsNeverShownForTheNext();
    void neverRunsScriptsOrFollowsLinks();
    void showsANoticeForFilesThatCannotBeShown();

private:
    std::string writeRelatedMail(const std::string& name, const QByteArray& png, const std::string& html);
    std::string write(const std::string& name, const std::string& mail) {
        const std::string path = dir_.file(name);
        writeFile(path, mail);
        return path;
    }
    TempDir dir_;
};

void PreviewBoxTest::showsTheMailAndRemembersThePath() {
    const std::string path = write("12_.eml", kHeader +
                                                  "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n"
                                                  "\x1B$BF|K\\8l\x1B(B\r\n  indented <tag>\r\n");
    PreviewBox box;
    QVERIFY(box.LocationURL().isEmpty());
    box.Navigate(QString::fromStdString(path));
    QCOMPARE(box.LocationURL(), QString::fromStdString(path));
    QVERIFY(box.showsMessage());
    QVERIFY2(box.toPlainText().contains(q("日本語\n  indented <tag>")), qPrintable(box.toPlainText()));
}

void PreviewBoxTest::loadsCidImagesFromTheMailAndNothingElse() {
    const QByteArray png = onePixelPng();
    const std::string path = writeRelatedMail(
        "related.eml", png,
        "<p>logo <img src=\"cid:logo%401@example.jp\"> remote <img src=\"http://remote.example/track.gif\"> "
        "local <img src=\"file:///etc/hostname\"></p>"
        "<div style=\"background-image: url(https://remote.example/bg.png)\">x</div>");

    RecordingPreviewBox box;
    box.Navigate(QString::fromStdString(path));
    showAndPaint(box);
    QVERIFY(box.asked("cid:logo%401@example.jp"));
    QVERIFY(box.answered("cid:logo%401@example.jp"));
    QCOMPARE(box.ask(QTextDocument::ImageResource, QUrl("cid:logo%401@example.jp")).value<QImage>(),
             QImage::fromData(png));
    // Remote and local references are answered with nothing (what the document
    // makes of them is the hostile mails' test).
    QVERIFY(box.asked("http://remote.example/track.gif"));
    for (const char* url :
         {"http://remote.example/track.gif", "https://remote.example/bg.png", "ftp://remote.example/a",
          "file:///etc/hostname", "/etc/hostname", "cid:no-such-part@example.jp"}) {
        QVERIFY2(!RecordingPreviewBox::gaveSomething(box.ask(QTextDocument::ImageResource, QUrl(url))), url);
    }
    // The next mail's view does not answer with the previous mail's parts.
    box.Navigate(QString::fromStdString(write("plain.eml", kHeader + "\r\nplain\r\n")));
    QVERIFY(
        !RecordingPreviewBox::gaveSomething(box.ask(QTextDocument::ImageResource, QUrl("cid:logo%401@example.jp"))));
}

void PreviewBoxTest::anImageOfThePreviousMailIsNeverShownForTheNext() {
    const std::string html = "<p><img src=\"cid:logo%401@example.jp\"></p>";
    const std::string red = writeRelatedMail("red.eml", onePixelPng(Qt::red), html);
    const std::string blue = writeRelatedMail("blue.eml", onePixelPng(Qt::blue), html);
    PreviewBox box;
    for (const auto& [path, color] : {std::pair{red, Qt::red}, std::pair{blue, Qt::blue}}) {
        box.Navigate(QString::fromStdString(path));
        showAndPaint(box);
        const QVariant shown = box.document()->resource(QTextDocument::ImageResource, QUrl("cid:logo%401@example.jp"));
        const QImage image = shown.canConvert<QImage>() ? shown.value<QImage>() : QImage::fromData(shown.toByteArray());
        QVERIFY(!image.isNull());
        QCOMPARE(QColor(image.pixel(0, 0)), QColor(color));
    }
}

void PreviewBoxTest::neverRunsScriptsOrFollowsLinks() {
    const std::string path = write("script.eml", kHeader +
                                                     "Content-Type: text/html; charset=UTF-8\r\n\r\n"
                                                     "<html><head><meta http-equiv=\"refresh\" content=\"0;url=x\">"
                                                     "<script>document.write('SCRIPT RAN')</script></head>"
                                                     "<body onload=\"go()\"><p>safe text</p>"
                                                     "<a href=\"http://remote.example/\">link</a></body></html>\r\n");
    RecordingPreviewBox box;
    box.Navigate(QString::fromStdString(path));
    showAndPaint(box);
    QVERIFY(box.toPlainText().contains("safe text"));
    QVERIFY(!box.toPlainText().contains("SCRIPT RAN"));
    QVERIFY(!box.openLinks());
    QVERIFY(!box.openExternalLinks());

    // A click on the link leaves the view where it is.
    QSignalSpy sourceChanged(&box, &QTextBrowser::sourceChanged);
    QSignalSpy clicked(&box, &QTextBrowser::anchorClicked);
    box.setFocus();
    box.moveCursor(QTextCursor::End);
    QTest::keyClick(box.viewport(), Qt::Key_Tab);
    QTest::keyClick(box.viewport(), Qt::Key_Return);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(sourceChanged.count(), 0);
    QVERIFY(box.toPlainText().contains("safe text"));
    QCOMPARE(box.LocationURL(), QString::fromStdString(path));
    for (const auto& request : box.requests) {
        QVERIFY2(request.url.scheme() == "cid" || !RecordingPreviewBox::gaveSomething(request.answer),
                 qPrintable(request.url.toString()));
    }
}

void PreviewBoxTest::showsANoticeForFilesThatCannotBeShown() {
    namespace texts = quorvel::preview::texts;
    const std::string good = write("good.eml", kHeader + "\r\ngood mail\r\n");
    PreviewBox box;
    box.Navigate(QString::fromStdString(good));
    QVERIFY(box.toPlainText().contains("good mail"));

    const std::string missing = dir_.file("missing.eml");
    box.Navigate(QString::fromStdString(missing));
    QVERIFY(!box.showsMessage());
    QCOMPARE(box.LocationURL(), QString::fromStdString(missing));
    QCOMPARE(box.toPlainText(), q(texts::kCannotShow) + "\n" + q(texts::kNoFile));  // each reason: the renderer's test
}

std::string PreviewBoxTest::writeRelatedMail(const std::string& name, const QByteArray& png, const std::string& html) {
    gchar* encoded = g_base64_encode(reinterpret_cast<const guchar*>(png.constData()), png.size());
    const std::string mail = kHeader +
                             "Content-Type: multipart/related; boundary=\"rel\"\r\n\r\n"
                             "--rel\r\nContent-Type: text/html; charset=UTF-8\r\n\r\n" +
                             html +
                             "\r\n--rel\r\nContent-Type: image/png\r\nContent-ID: <logo@1@example.jp>\r\n"
                             "Content-Transfer-Encoding: base64\r\n\r\n" +
                             std::string(encoded) + "\r\n--rel--\r\n";
    g_free(encoded);
    return write(name, mail);
}

QTEST_MAIN(PreviewBoxTest)
#include "PreviewBox_test.moc"
