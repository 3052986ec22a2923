#pragma once

#include <QtTest>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/StartUp.h"
#include "maillist/MailList.h"
#include "mainwindow/frmMain.h"
#include "platform/dialogs/FileDialogService.h"
#include "platform/dialogs/MessageService.h"
#include "tests/support/ArchiveSql.h"
#include "tests/support/TestEnv.h"

namespace quorvel::test {

// One started instance: isolated settings, a program folder, start-up done.
struct Instance {
    IsolatedXdg env;
    TempDir dir;
    platform::ScopedScriptedMessages msgs;
    platform::ScriptedFileDialogs files;
    std::string program = makeProgramFolder(dir.path());

    Instance() { platform::setFileDialogService(&files); }
    ~Instance() { platform::setFileDialogService(nullptr); }
    ProgramValues pv;
    std::string commandLine;  // the arguments the next start gets
    std::unique_ptr<InstanceLocks> locks = std::make_unique<InstanceLocks>();

    std::unique_ptr<frmMain> start() {
        pv = ProgramValues();
        locks = std::make_unique<InstanceLocks>();
        if (s_startUp(pv, *locks, program, commandLine) != StartOutcome::ShowWindow) {
            return nullptr;
        }
        auto window = std::make_unique<frmMain>(pv);
        if (!window->Form_Load()) {
            return nullptr;
        }
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) {
            return nullptr;
        }
        return window;
    }

    // Started on an archive whose folder 1 holds mails 1..n, its list shown.
    std::unique_ptr<frmMain> startOnMails(int n) {
        auto window = start();
        if (window) {
            openArchiveWithMails(n);
            window->mailCounter = n;
            window->mailList().s_mailListLoad("1_");
        }
        return window;
    }

    // An archive in the program's temporary folder holding mails 1..n of
    // folder 1; mail 3 has no subject.
    void openArchiveWithMails(int n) {
        std::filesystem::copy_file(builtTemplatePath(), dir.file("a.qvb"));
        pv.arcPath = dir.path();
        pv.arcName = "a.qvb";
        pv.lockName = "a.qvb";
        for (int i = 1; i <= n; ++i) {
            const std::string id = std::to_string(i);
            QVERIFY(
                runSql(workingFile(pv),
                       "INSERT INTO MailInfTabl (dirID, ID, mailType, [From], [To], Subject, DateR, size) VALUES (1, " +
                           id + ", '" + (i % 2 ? "R" : "S") + "', '送信者" + id + "', '宛先" + id + "', " +
                           (i == 3 ? "NULL" : "'件名" + id + "'") + ", '2002/01/0" + id + " 10:00', '" +
                           std::to_string(i * 4) + "KB'); INSERT INTO MailOBJTabl (ID, mailFlObj) VALUES (" + id +
                           ", " + blobLiteral(mailBytes(i)) + ")"));
        }
    }
    // The identifiers of a folder's mails, in order.
    std::vector<int> mailsIn(int dirId) const {
        std::vector<int> ids;
        for (const std::string& id : sqlRows(workingFile(pv), "SELECT ID FROM MailInfTabl WHERE dirID = " +
                                                                  std::to_string(dirId) + " ORDER BY ID")) {
            ids.push_back(std::stoi(id));
        }
        return ids;
    }

    static std::string mailBytes(int i) {
        return "From: a@example.com\r\nSubject: mail " + std::to_string(i) + "\r\n\r\nbody " + std::to_string(i) +
               "\r\n";
    }
};

}  // namespace quorvel::test
