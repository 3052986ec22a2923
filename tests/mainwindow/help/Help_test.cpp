// The help windows on the help pages the build installed, and on small help
// folders the tests write.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextBlock>
#include <QtTest>

#include "mainwindow/help/HelpBrowser.h"
#include "mainwindow/help/HelpManager.h"
#include "mainwindow/help/HelpWindow.h"
#include "platform/dialogs/MessageService.h"
#include "tests/support/TestEnv.h"

using namespace quorvel;

namespace {

const std::string kProgramDir = QUORVEL_TEST_PROGRAM_DIR;

QString installedHelp() {
    return QDir(QString::fromStdString(kProgramDir)).filePath(QStringLiteral("help"));
}

QUrl pageUrl(const QString& folder, const QString& page) {
    return QUrl::fromLocalFile(QDir(folder).filePath(page));
}

QString readUtf8(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

int visibleHelpWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<HelpWindow*>(w) && w->isVisible()) {
            ++n;
        }
    }
    return n;
}

}  // namespace

class HelpTest : public QObject {
    Q_OBJECT
private slots:
    void displayTocOpensAWindowAndBringsItBackAtTheContents();
    void closeAllClosesEveryHelpWindow();
    void missingHelpFolderIsReported();
    void linksAreFollowedOnlyInsideTheHelpFolder();
    void everyPageLinksToExistingPagesAndAnchors();
    void contentsLinkEveryPageAndPagesReadAsUtf8();
    void pagesTakeTheirStyleSheetFromTheHelpFolder();
};

void HelpTest::displayTocOpensAWindowAndBringsItBackAtTheContents() {
    platform::ScopedScriptedMessages msgs;
    HelpManager help;
    QVERIFY(help.window() == nullptr);
    QVERIFY(help.displayToc(kProgramDir));
    HelpWindow* w = help.window();
    QVERIFY(w != nullptr);
    QVERIFY(w->isVisible());
    QVERIFY(w->parentWidget() == nullptr);  // owned by no other window
    QCOMPARE(w->browser()->source(), pageUrl(installedHelp(), "index.html"));
    QCOMPARE(w->browser()->documentTitle(), QStringLiteral("Quorvel ヘルプ 目次"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Quorvel ヘルプ - Quorvel ヘルプ 目次"));
    QVERIFY(w->browser()->toPlainText().contains(QStringLiteral("使い方の概要")));
    QVERIFY(msgs.shown().empty());

    // Back, forward and the contents button after a link.
    w->browser()->followLink(QUrl(QStringLiteral("files.html")));
    QCOMPARE(w->browser()->source(), pageUrl(installedHelp(), "files.html"));
    QVERIFY(w->actBack->isEnabled());
    w->actBack->trigger();
    QCOMPARE(w->browser()->source(), pageUrl(installedHelp(), "index.html"));
    w->actForward->trigger();
    QCOMPARE(w->browser()->source(), pageUrl(installedHelp(), "files.html"));
    w->actContents->trigger();
    QCOMPARE(w->browser()->source(), pageUrl(installedHelp(), "index.html"));

    // The user closes the help; 目次 shows it again, at the contents.
    w->browser()->followLink(QUrl(QStringLiteral("options.html")));
    w->close();
    QVERIFY(!w->isVisible());
    QVERIFY(help.displayToc(kProgramDir));
    QCOMPARE(help.window(), w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->browser()->source(), pageUrl(installedHelp(), "index.html"));
    QCOMPARE(visibleHelpWindows(), 1);
}

void HelpTest::closeAllClosesEveryHelpWindow() {
    HelpManager help;
    help.closeAll();  // nothing open: nothing happens
    QVERIFY(help.displayToc(kProgramDir));
    QCOMPARE(visibleHelpWindows(), 1);
    help.closeAll();
    QVERIFY(help.window() == nullptr);
    QCOMPARE(visibleHelpWindows(), 0);

    // A manager that goes away closes its windows too.
    {
        HelpManager other;
        QVERIFY(other.displayToc(kProgramDir));
        QCOMPARE(visibleHelpWindows(), 1);
    }
    QCOMPARE(visibleHelpWindows(), 0);
}

void HelpTest::missingHelpFolderIsReported() {
    platform::ScopedScriptedMessages msgs;
    test::TempDir program;
    HelpManager help;
    QVERIFY(!help.displayToc(program.path()));
    QVERIFY(help.window() == nullptr);
    QCOMPARE(msgs.shown().size(), size_t(1));
    QCOMPARE(msgs.shown()[0].text,
             "ヘルプファイルがありません。セットアップしなおしてください。\n" + program.path() + "/help/index.html");
    QCOMPARE(msgs.shown()[0].caption, std::string("Quorvel"));
    QVERIFY(msgs.shown()[0].buttons == platform::MsgButtons::Ok);

    // A help folder without its contents page is as good as none.
    test::writeFile(program.file("help/files.html"), "<html></html>");
    QVERIFY(!help.displayToc(program.path()));
    QCOMPARE(msgs.shown().size(), size_t(2));
}

void HelpTest::linksAreFollowedOnlyInsideTheHelpFolder() {
    test::TempDir program;
    test::writeFile(program.file("help/index.html"), "<html><body><a href='b.html'>b</a></body></html>");
    test::writeFile(program.file("help/b.html"), "<html><head><title>B</title></head><body>page b</body></html>");
    test::writeFile(program.file("outside.html"), "<html><body>outside</body></html>");
    const QString folder = QString::fromStdString(program.file("help"));
    HelpManager help;
    QVERIFY(help.displayToc(program.path()));
    HelpBrowser* browser = help.window()->browser();
    const QUrl index = pageUrl(folder, "index.html");
    QCOMPARE(browser->source(), index);

    for (const char* refused : {"http://example.com/", "mailto:someone@example.com", "../outside.html", "missing.html",
                                "file:///etc/passwd"}) {
        browser->followLink(QUrl(QString::fromLatin1(refused)));
        QCOMPARE(browser->source(), index);
    }
    QVERIFY(!browser->isHelpFile(QUrl::fromLocalFile(QString::fromStdString(program.file("outside.html")))));
    QVERIFY(!browser->loadResource(QTextDocument::HtmlResource, QUrl(QStringLiteral("../outside.html"))).isValid());
    QVERIFY(!browser->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("http://example.com/a.png")))
                 .isValid());

    browser->followLink(QUrl(QStringLiteral("b.html")));
    QCOMPARE(browser->source(), pageUrl(folder, "b.html"));
    QVERIFY(browser->toPlainText().contains(QStringLiteral("page b")));
    QCOMPARE(help.window()->windowTitle(), QStringLiteral("Quorvel ヘルプ - B"));
}

void HelpTest::everyPageLinksToExistingPagesAndAnchors() {
    const QDir help(installedHelp());
    const QStringList pages = help.entryList({QStringLiteral("*.html")}, QDir::Files);
    QVERIFY(pages.size() >= 7);
    static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
    int links = 0;
    for (const QString& page : pages) {
        const QString html = readUtf8(help.filePath(page));
        for (const QRegularExpressionMatch& m : href.globalMatch(html)) {
            const QUrl link(m.captured(1));
            QVERIFY2(link.scheme().isEmpty(), qPrintable(page + ": " + m.captured(1)));
            const QString target = link.path().isEmpty() ? page : link.path();
            QVERIFY2(help.exists(target), qPrintable(page + ": " + m.captured(1)));
            if (link.hasFragment()) {
                const QString id = QStringLiteral("id=\"%1\"").arg(link.fragment());
                QVERIFY2(readUtf8(help.filePath(target)).contains(id), qPrintable(page + ": " + m.captured(1)));
            }
            ++links;
        }
    }
    QVERIFY(links > pages.size());
}

void HelpTest::contentsLinkEveryPageAndPagesReadAsUtf8() {
    const QDir help(installedHelp());
    const QString index = readUtf8(help.filePath("index.html"));
    static const QRegularExpression title(QStringLiteral("<title>([^<]+)</title>"));
    HelpBrowser browser(installedHelp());
    for (const QString& page : help.entryList({QStringLiteral("*.html")}, QDir::Files)) {
        if (page != QStringLiteral("index.html")) {
            QVERIFY2(index.contains(QStringLiteral("href=\"%1\"").arg(page)), qPrintable(page));
        }
        // Every page names its title in Japanese, and the window reads it as written.
        const QString written = title.match(readUtf8(help.filePath(page))).captured(1);
        QVERIFY2(!written.isEmpty(), qPrintable(page));
        browser.setSource(pageUrl(installedHelp(), page));
        QCOMPARE(browser.documentTitle(), written);
    }
}

void HelpTest::pagesTakeTheirStyleSheetFromTheHelpFolder() {
    HelpBrowser browser(installedHelp());
    browser.setSource(pageUrl(installedHelp(), "index.html"));
    // help.css colours the headings; a sheet that failed to load leaves them black.
    const QTextBlock heading = browser.document()->firstBlock();
    QCOMPARE(heading.blockFormat().headingLevel(), 1);
    QCOMPARE(heading.charFormat().foreground().color(), QColor(0x1f, 0x3a, 0x5f));
}

QTEST_MAIN(HelpTest)
#include "Help_test.moc"
