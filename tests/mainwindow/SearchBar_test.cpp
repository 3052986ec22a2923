// The search field above the mail list, typed into as a user does: what the
// list and the status bar show, how the window goes back to the folder, and
// that what the archive changed since the last search is found at once.
#include <QLineEdit>
#include <QtTest>

#include "folders/FolderTree.h"
#include "mainwindow/SearchBarTexts.h"
#include "search/SearchTexts.h"
#include "tests/mainwindow/WindowFixture.h"
#include "toolkit/ListView.h"
#include "toolkit/StatusBar.h"
#include "toolkit/TreeView.h"

using namespace quorvel;
using test::Instance;

namespace {

// Types the query into the field and presses Enter, as the keyboard does;
// Japanese text arrives whole, as an input method commits it.
void searchFor(frmMain& w, const QString& query) {
    w.txtSearch->clear();
    bool ascii = true;
    for (QChar c : query) {
        ascii = ascii && c.unicode() < 128;
    }
    if (ascii) {
        QTest::keyClicks(w.txtSearch, query);
    } else {
        w.txtSearch->insert(query);
    }
    QTest::keyClick(w.txtSearch, Qt::Key_Return);
}

QStringList listedKeys(frmMain& w) {
    QStringList keys;
    for (int row = 0; row < w.lvListView->itemCount(); ++row) {
        keys << w.lvListView->itemKey(row);
    }
    return keys;
}

QString found(int n) {
    return QString::number(n) + QString::fromUtf8(texts::kSearchFoundSuffix);
}

// A Japanese mail in folder 2 (サブ, below the root), mail 9.
void addJapaneseMail(Instance& inst) {
    QVERIFY(test::runSql(
        workingFile(inst.pv),
        "INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (2, 'サブ', 1);"
        "INSERT INTO MailInfTabl (dirID, ID, mailType, [From], Subject, DateR, size) VALUES (2, 9, 'R', '山田', "
        "'来期の予算', '2003/01/01 10:00', '1KB');"
        "INSERT INTO MailOBJTabl (ID, mailFlObj) VALUES (9, " +
            test::blobLiteral("From: =?UTF-8?B?5bGx55Sw?= <y@example.jp>\r\nSubject: =?UTF-8?B?5p2l5pyf44Gu5LqI566X?="
                              "\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\nｶｲｷﾞの資料です。\r\n") +
            ")"));
}

}  // namespace

class SearchBarTest : public QObject {
    Q_OBJECT
private slots:
    void enterListsWhatIsFoundAndEscGoesBack();
    void japaneseWordsAndTheCurrentFolder();
    void aQueryThatCannotBeReadIsSaidAndChangesNothing();
    void changesSinceTheLastSearchAreFoundAtOnce();
};

void SearchBarTest::enterListsWhatIsFoundAndEscGoesBack() {
    Instance inst;
    auto w = inst.startOnMails(4);
    QVERIFY(w);
    w->folderTree().loadTree();
    w->folderTree().showFolder("1_");
    const QString folderStatus = w->sbStatusBar->panelText(1);

    // Ctrl+F takes the keyboard to the field.
    w->lvListView->setFocus();
    QTest::keyClick(w.get(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(w->txtSearch->hasFocus());

    searchFor(*w, "body -2");
    QVERIFY(w->searching());
    QCOMPARE(listedKeys(*w), (QStringList{"4_", "3_", "1_"}));  // newest first
    QCOMPARE(w->sbStatusBar->panelText(1), found(3));
    QCOMPARE(w->lblTitle0->text(), QString::fromUtf8(texts::kSearchTitlePrefix) + "body -2");
    QCOMPARE(w->lvListView->subItem(0, 6), QStringLiteral("件名4"));  // the list's own columns

    // A mail selected shows where it is kept.
    w->mailList().showPreview("3_");
    QVERIFY(w->sbStatusBar->panelText(1).endsWith(QString::fromUtf8(texts::kSearchFolderPrefix) + "a.qvb"));

    // Esc goes back to the folder as it was.
    QTest::keyClick(w->txtSearch, Qt::Key_Escape);
    QVERIFY(!w->searching());
    QVERIFY(w->txtSearch->text().isEmpty());
    QCOMPARE(listedKeys(*w).size(), 4);
    QCOMPARE(w->sbStatusBar->panelText(1), folderStatus);
    QVERIFY(inst.msgs.shown().empty());
    QVERIFY(!inst.pv.modFlag);  // searching is no change to save
}

void SearchBarTest::japaneseWordsAndTheCurrentFolder() {
    Instance inst;
    auto w = inst.startOnMails(2);
    QVERIFY(w);
    addJapaneseMail(inst);
    w->folderTree().loadTree();
    w->folderTree().showFolder("1_");

    // Two characters, one character, and half-width kana by its normal form.
    for (const char* query : {"予算", "算", "カイギ", "資料", "from:山田"}) {
        searchFor(*w, QString::fromUtf8(query));
        QCOMPARE(listedKeys(*w), QStringList{"9_"});
    }
    // A click on a folder ends the search and shows that folder.
    w->tvTreeView->NodeClick("2_");
    QVERIFY(!w->searching());
    QCOMPARE(listedKeys(*w), QStringList{"9_"});
    // in: alone keeps to the folder shown and those below it.
    searchFor(*w, "in: mail");
    QCOMPARE(w->sbStatusBar->panelText(1), found(0));
    w->tvTreeView->NodeClick("1_");
    searchFor(*w, "in: mail");
    QCOMPARE(listedKeys(*w).size(), 2);
}

void SearchBarTest::aQueryThatCannotBeReadIsSaidAndChangesNothing() {
    Instance inst;
    auto w = inst.startOnMails(2);
    QVERIFY(w);
    w->folderTree().showFolder("1_");
    searchFor(*w, "\"unclosed");
    QCOMPARE(inst.msgs.shown().size(), size_t{1});
    QCOMPARE(inst.msgs.shown()[0].text, std::string(search::texts::kQueryUnclosedQuote));
    QVERIFY(!w->searching());
    QCOMPARE(listedKeys(*w).size(), 2);
}

void SearchBarTest::changesSinceTheLastSearchAreFoundAtOnce() {
    Instance inst;
    auto w = inst.startOnMails(3);
    QVERIFY(w);
    w->folderTree().showFolder("1_");
    searchFor(*w, "mail");
    QCOMPARE(listedKeys(*w).size(), 3);

    // Deleted from the results: gone from the archive and from the next search.
    w->lvListView->setCurrentIndex(w->lvListView->model()->index(w->lvListView->indexOfKey("2_"), 0));
    w->mnuDelMal->trigger();
    QCOMPARE(w->sbStatusBar->panelText(1), found(2));
    searchFor(*w, "mail");
    QCOMPARE(listedKeys(*w), (QStringList{"3_", "1_"}));

    // A mail stored since, as an import marks it, is found by the next search.
    addJapaneseMail(inst);
    inst.pv.markModified();
    searchFor(*w, "予算");
    QCOMPARE(listedKeys(*w), QStringList{"9_"});
}

QTEST_MAIN(SearchBarTest)
#include "SearchBar_test.moc"
