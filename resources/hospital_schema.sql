-- The embedded hospital database: the tables of the five hospital
-- databases in one file. Text keys compare without regard to case, as the
-- hospital's SQL Server collation does.
CREATE TABLE tbmaster (
    Hospnum    TEXT COLLATE NOCASE PRIMARY KEY,
    Lastname   TEXT COLLATE NOCASE,
    Firstname  TEXT COLLATE NOCASE,
    Middlename TEXT COLLATE NOCASE,
    Birthdate  DATETIME,
    Sex        TEXT COLLATE NOCASE
);
CREATE INDEX tbmaster_lastname ON tbmaster (Lastname);

CREATE TABLE tbpatient (
    IDNum   TEXT COLLATE NOCASE PRIMARY KEY,
    Hospnum TEXT COLLATE NOCASE,
    RoomID  TEXT COLLATE NOCASE,
    AdmDate DATETIME,
    dcrdate DATETIME
);
CREATE INDEX tbpatient_hospnum ON tbpatient (Hospnum);
-- The admitted patients, newest first; partial, so the engine knows how
-- many there are (an index on dcrdate would make NULL look rare).
CREATE INDEX tbpatient_admitted ON tbpatient (AdmDate) WHERE dcrdate IS NULL;

CREATE TABLE tbLABmaster (
    refnum     TEXT COLLATE NOCASE,
    Hospnum    TEXT COLLATE NOCASE,
    idnum      TEXT COLLATE NOCASE,
    RequestNum TEXT COLLATE NOCASE,
    ItemID     TEXT COLLATE NOCASE
);
CREATE INDEX tbLABmaster_refnum ON tbLABmaster (refnum);

CREATE TABLE tbcoLabExam (
    LabExamId TEXT COLLATE NOCASE PRIMARY KEY,
    LabExam   TEXT
);

CREATE TABLE tbnursecommunicationfile (
    ReferenceNum TEXT COLLATE NOCASE,
    Hospnum      TEXT COLLATE NOCASE,
    idnum        TEXT COLLATE NOCASE,
    RequestNum   TEXT COLLATE NOCASE,
    ItemID       TEXT COLLATE NOCASE
);
CREATE INDEX tbnursecommunicationfile_referencenum ON tbnursecommunicationfile (ReferenceNum);

CREATE TABLE tbinvmaster (
    itemid   TEXT COLLATE NOCASE PRIMARY KEY,
    itemname TEXT
);

CREATE TABLE tbinvent (
    itemid     TEXT COLLATE NOCASE,
    locationid TEXT COLLATE NOCASE
);
CREATE INDEX tbinvent_item_location ON tbinvent (itemid, locationid);

-- Accounts of the embedded database: Argon2id hashes, never passwords.
CREATE TABLE wc_user (
    username TEXT COLLATE NOCASE PRIMARY KEY,
    pwhash   TEXT NOT NULL
);
