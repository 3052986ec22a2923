#pragma once

#include <QtTest>
#include <filesystem>
#include <memory>

#include "app/StartUp.h"
#include "archive/LtDataBaseInfo.h"
#include "mainwindow/frmMain.h"
#include "platform/dialogs/FileDialogService.h"
#include "platform/dialogs/MessageService.h"
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

    // An archive in the program's temporary folder holding mails 1..n of
    // folder 1; mail 3 has no subject.
    void openArchiveWithMails(int n) {
        std::filesystem::copy_file(builtTemplatePath(), dir.file("a.qvb"));
        pv.arcPath = dir.path();
        pv.arcName = "a.qvb";
        pv.lockName = "a.qvb";
        archive::LtDataBaseInfo inf(workingFile(pv), "MailInfTabl");
        QVERIFY(inf.DB_Open("", true));
        for (int i = 1; i <= n; ++i) {
            QVERIFY(inf.DB_AddNew());
            auto& rs = *inf.RecSet;
            rs.Fields("dirID").setValue(1);
            rs.Fields("ID").setValue(i);
            rs.Fields("mailType").setValue(i % 2 ? "R" : "S");
            rs.Fields("From").setValue("送信者" + std::to_string(i));
            rs.Fields("To").setValue("宛先" + std::to_string(i));
            if (i != 3) {
                rs.Fields("Subject").setValue("件名" + std::to_string(i));
            }
            rs.Fields("DateR").setValue("2002/01/0" + std::to_string(i) + " 10:00");
            rs.Fields("size").setValue(std::to_string(i * 4) + "KB");
            QVERIFY(inf.DB_Update());
        }
        inf.DB_Close();
        archive::LtDataBaseInfo obj(workingFile(pv), "MailOBJTabl");
        QVERIFY(obj.DB_Open("", true));
        for (int i = 1; i <= n; ++i) {
            QVERIFY(obj.DB_AddNew());
            obj.RecSet->Fields("ID").setValue(i);
            obj.RecSet->Fields("mailFlObj").AppendChunk(mailBytes(i));
            QVERIFY(obj.DB_Update());
        }
    }

    static std::string mailBytes(int i) {
        return "From: a@example.com\r\nSubject: mail " + std::to_string(i) + "\r\n\r\nbody " + std::to_string(i) +
               "\r\n";
    }
};

}  // namespace quorvel::test
