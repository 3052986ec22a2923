-- The template archive every new archive is copied from.
-- Table and column names must match archive/Schema.cpp.
PRAGMA journal_mode = DELETE;
PRAGMA encoding = 'UTF-8';

BEGIN;

-- The saved view condition: one row.
CREATE TABLE curCondTabl (
    ID        INTEGER,
    curDir    TEXT,
    activMail TEXT
);

-- The folders; the root row is ID 1 with parentID 0.
CREATE TABLE mailDirTabl (
    ID       INTEGER,
    dname    TEXT,
    parentID INTEGER,
    kind     INTEGER
);
CREATE UNIQUE INDEX mailDirTabl_ID ON mailDirTabl (ID);
CREATE INDEX mailDirTabl_parentID ON mailDirTabl (parentID);

-- One header row per mail.
CREATE TABLE MailInfTabl (
    dirID        INTEGER,
    ID           INTEGER,
    mailType     TEXT,
    [X-Priority] TEXT,
    attachment   TEXT,
    DateR        TEXT,
    [From]       TEXT,
    Subject      TEXT,
    [Date]       TEXT,
    [To]         TEXT,
    size         TEXT
);
CREATE UNIQUE INDEX MailInfTabl_ID ON MailInfTabl (ID);
CREATE INDEX MailInfTabl_dirID ON MailInfTabl (dirID);

-- Present in every archive and always empty.
CREATE TABLE MailBdyTabl (
    ID       INTEGER,
    mailBody TEXT
);
CREATE INDEX MailBdyTabl_ID ON MailBdyTabl (ID);

-- The stored mail files, byte for byte; ID equals MailInfTabl.ID.
CREATE TABLE MailOBJTabl (
    ID        INTEGER,
    mailFlObj BLOB
);
CREATE UNIQUE INDEX MailOBJTabl_ID ON MailOBJTabl (ID);

INSERT INTO curCondTabl (ID, curDir, activMail) VALUES (1, '1_', NULL);
INSERT INTO mailDirTabl (ID, dname, parentID, kind) VALUES (1, 'ルート', 0, 1);

COMMIT;
