#include "apperror.h"
#include "connection.h"
#include "fixture.h"
#include "frmmeds.h"
#include "packagelookup.h"
#include "recordset.h"
#include "testmain.h"
#include "wristbandcheck.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

// The stand-in through Qt's ODBC driver and the unixODBC driver manager, as
// the program reaches the hospital's SQL Server: each statement form the
// program sends, and what SQL Server does differently from SQLite.
class TestSqlServerStandin : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void statementForms_data();
    void statementForms();
    void literalsSurvive_data();
    void literalsSurvive();
    void comparesAsSqlServer_data();
    void comparesAsSqlServer();
    void likePatterns_data();
    void likePatterns();
    void secondStatementWaitsForTheFirst_data();
    void secondStatementWaitsForTheFirst();
    void refusesAllButReading_data();
    void refusesAllButReading();
    void valuesArriveTyped();
    void longTextsArriveWhole_data();
    void longTextsArriveWhole();
    void programStatementsOverConnection();
    void namesTablesAsSqlServer();
    void bindsParameters_data();
    void bindsParameters();
    void refusesWhatIsNoDatabase_data();
    void refusesWhatIsNoDatabase();
    void connectsThroughDataSourceName();

private:
    QSqlDatabase open(const QString &extra = QString());
    QVariantList column(const QString &sql, int index = 0);
    QString refusal(const QString &sql);

    std::unique_ptr<FixtureDb> m_db;
    QString m_name;
};

void TestSqlServerStandin::init()
{
    m_db = std::make_unique<FixtureDb>();
    m_db->patient("H1", "Santos", "Maria", "Lim", "1958-03-14 00:00:00", "F");
    m_db->patient("H2", "Reyes", "Ana", QVariant(), "1960-01-02 08:15:30", "F");
    m_db->patient("H3", "O'Brien", "Sean", "Pat");
    m_db->patient("H4", "%Percent", "Pe", "X");
    m_db->patient("H5", "_Under", "Un", "X");
    m_db->patient("H6", "[Bracket", "Br", "X");
    m_db->patient("H7", "Trail  ", "Tr", "X");
    m_db->patient("H8", "Sanchez", "Sa", "X");
    m_db->admission("A1", "H1", "1A-01", "2026-12-01 09:30:00");
    m_db->admission("A2", "H2", "1A-02", "2026-12-02 10:00:00");
    m_db->admission("A3", "H3", "1A-03", "2026-11-30 07:00:00", "2026-12-03 12:00:00");
    m_db->item("I1", "Paracetamol 500 mg");
    m_db->item("I2", "Alteplase", {"07"});
    m_db->nurseRow("C100", "H1", "A1", "R1", "I1");
    m_db->nurseRow("C100", "H1", "A1", "R1", "I2");
    m_db->exam("E1", "Complete blood count");
    m_db->labRow("L100", "H2", "A2", "R2", "E1");
    m_db->writer().exec("CREATE TABLE wide_notes (id INTEGER, name NVARCHAR(40), body NTEXT, code VARCHAR(20), "
                        "note TEXT, seen DATETIME, born DATE)");
    m_db->writer().insert("wide_notes", {1, QStringLiteral("Zoë Ñúñez 日本"), QStringLiteral("wide body"), "C-1",
                                         "narrow note", "2026-12-01 09:30:15.250", "1999-12-31"});
    m_db->close();
}

void TestSqlServerStandin::cleanup()
{
    if (!m_name.isEmpty()) {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
        m_name.clear();
    }
    m_db.reset();
}

QSqlDatabase TestSqlServerStandin::open(const QString &extra)
{
    static int counter = 0;
    const QString name = QStringLiteral("standin-%1").arg(++counter);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
    db.setDatabaseName(
        QStringLiteral("Driver={%1};Database=%2%3").arg(QStringLiteral(WARDCHECK_STANDIN_NAME), m_db->path(), extra));
    if (!db.open())
        qFatal("the stand-in did not open: %s", qPrintable(db.lastError().text()));
    if (m_name.isEmpty())
        m_name = name;
    return db;
}

QVariantList TestSqlServerStandin::column(const QString &sql, int index)
{
    QSqlDatabase db = m_name.isEmpty() ? open() : QSqlDatabase::database(m_name);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    QVariantList values;
    if (!query.exec(sql)) {
        qWarning("%s", qPrintable(query.lastError().text()));
        return {QStringLiteral("<error>")};
    }
    while (query.next())
        values << query.value(index);
    return values;
}

QString TestSqlServerStandin::refusal(const QString &sql)
{
    QSqlDatabase db = m_name.isEmpty() ? open() : QSqlDatabase::database(m_name);
    QSqlQuery query(db);
    if (query.exec(sql))
        return QStringLiteral("<accepted>");
    return query.lastError().databaseText();
}

void TestSqlServerStandin::statementForms_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QVariantList>("expected");
    QTest::newRow("db..table") << "select Lastname from patient_data..tbmaster where Hospnum = 'H1'"
                               << QVariantList{"Santos"};
    QTest::newRow("db.dbo.table") << "select Lastname from patient_data.dbo.tbmaster where Hospnum = 'H1'"
                                  << QVariantList{"Santos"};
    QTest::newRow("[db].[dbo].[table]")
        << "select [Lastname] from [patient_data].[dbo].[tbmaster] where [Hospnum] = 'H1'" << QVariantList{"Santos"};
    QTest::newRow("dbo.table") << "select Lastname from dbo.tbmaster where Hospnum = 'H1'" << QVariantList{"Santos"};
    QTest::newRow("alias.[column]") << "select L.[ItemID] from [Laboratory].[dbo].[tbLABmaster] L"
                                    << QVariantList{"E1"};
    QTest::newRow("bracketed alias with a blank")
        << "select M.Lastname as [Last Name] from patient_data..tbmaster M where M.Hospnum = 'H3'"
        << QVariantList{"O'Brien"};
    QTest::newRow("literal alias") << "select 'x' as 'Letter'" << QVariantList{"x"};
    QTest::newRow("+ joins texts")
        << "select M.Lastname + ', ' + M.Firstname + ' ' +M.Middlename as PatientName from patient_data..tbmaster M "
           "where M.Hospnum = 'H1'"
        << QVariantList{"Santos, Maria Lim"};
    QTest::newRow("+ with a NULL part is NULL")
        << "select M.Lastname + ', ' + M.Firstname + ' ' +M.Middlename as PatientName from patient_data..tbmaster M "
           "where M.Hospnum = 'H2'"
        << QVariantList{QVariant()};
    QTest::newRow("+ adds numbers") << "select 1 + 2 * 3 as n" << QVariantList{7};
    QTest::newRow("+ after -, left to right") << "select 10 - 2 + 3 as n" << QVariantList{11};
    QTest::newRow("+ converts a text to a number") << "select '5' + 1 as n" << QVariantList{6};
    QTest::newRow("+ inside a function and CASE") << "select upper(Lastname + '!') + case when Sex = 'F' then ' (F)' "
                                                     "else '' end as v from patient_data..tbmaster "
                                                     "where Hospnum = 'H1'"
                                                  << QVariantList{"SANTOS! (F)"};
    QTest::newRow("+ with a subquery")
        << "select 'Room ' + (select RoomID from patient_data..tbpatient where IDNum = 'A1') as v"
        << QVariantList{"Room 1A-01"};
    QTest::newRow("TOP") << "select top 2 Hospnum from patient_data..tbmaster order by Hospnum"
                         << QVariantList{"H1", "H2"};
    QTest::newRow("ISNULL") << "select isnull(Middlename, '-') from patient_data..tbmaster where Hospnum = 'H2'"
                            << QVariantList{"-"};
    QTest::newRow("SET then SELECT") << "SET NOCOUNT ON; select Hospnum from patient_data..tbpatient where IDNum = 'a2'"
                                     << QVariantList{"H2"};
    QTest::newRow("comment and N'' literal")
        << "select Hospnum /* who */ from patient_data..tbmaster -- the one\n where Lastname = N'Reyes'"
        << QVariantList{"H2"};
    QTest::newRow("patient list, last-name prefix")
        << "Select M.Hospnum as HN,N.idnum as IDN, M.Lastname + ', ' + M.Firstname + ' ' +M.Middlename as PatientName, "
           "N.RoomID, M.Birthdate, M.Sex, N.AdmDate, N.dcrdate from patient_data..tbpatient N left outer join "
           "patient_data..tbmaster M on N.Hospnum = M.Hospnum where dcrdate is null  and lastname like 'san%' "
           "order by LastName asc "
        << QVariantList{"H1"};
    QTest::newRow("patient list, newest first")
        << "Select M.Hospnum as HN,N.idnum as IDN from patient_data..tbpatient N left outer join "
           "patient_data..tbmaster M "
           "on N.Hospnum = M.Hospnum where dcrdate is null  order by AdmDate desc "
        << QVariantList{"H2", "H1"};
    QTest::newRow("extraction container")
        << "  select   refnum, M.Hospnum as HN,L.idnum as IDN,L.RequestNum,L.ItemID,B.LabExam,M.Lastname + ', ' + "
           "M.Firstname + ' ' +M.Middlename as PatientName, N.RoomID,  M.Birthdate, M.Sex   from "
           "[Laboratory].[dbo].[tbLABmaster] L   left outer join patient_data..tbmaster M on L.Hospnum = M.Hospnum  "
           "left "
           "outer join patient_data..tbpatient N on L.idnum = N.IDNum  left outer join build_file..tbcoLabExam B on "
           "L.[ItemID] = B.LabExamId  where refnum = 'l100' "
        << QVariantList{"L100"};
}

void TestSqlServerStandin::statementForms()
{
    QFETCH(QString, sql);
    QFETCH(QVariantList, expected);
    const QVariantList values = column(sql);
    QCOMPARE(values.size(), expected.size());
    for (int i = 0; i < values.size(); ++i) {
        QCOMPARE(values.at(i).isNull(), expected.at(i).isNull());
        QCOMPARE(values.at(i).toString(), expected.at(i).toString());
    }
}

void TestSqlServerStandin::literalsSurvive_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("apostrophes") << "O'Brien's ''quoted''";
    QTest::newRow("brackets") << "[dbo].[tbmaster] [%] [_] [[]";
    QTest::newRow("plus") << "a + b + NULL";
    QTest::newRow("dash dash") << "x -- not a comment";
    QTest::newRow("block comment") << "/* not a comment */";
    QTest::newRow("semicolon and a write") << "a'; delete from patient_data..tbmaster; --";
    QTest::newRow("double bar") << "p || q";
    QTest::newRow("three-part name") << "patient_data..tbmaster";
    QTest::newRow("double quotes") << "\"quoted\"";
    QTest::newRow("trailing blanks") << "blank  ";
    QTest::newRow("non-ASCII") << "Zoë Ñúñez 日本";
}

void TestSqlServerStandin::literalsSurvive()
{
    QFETCH(QString, text);
    QString body = text;
    body.replace(QLatin1Char('\''), QLatin1String("''"));
    QCOMPARE(column(QStringLiteral("select '%1' as v").arg(body)), QVariantList{text});
    QCOMPARE(column(QStringLiteral("select N'%1' + '' as v").arg(body)), QVariantList{text});
    // In a comparison too: the literal selects by exactly its text.
    QCOMPARE(column(QStringLiteral("select count(*) from patient_data..tbmaster where Lastname = '%1'").arg(body)),
             QVariantList{0});
}

void TestSqlServerStandin::comparesAsSqlServer_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QVariantList>("hospnums");
    QTest::newRow("other case") << "Lastname = 'SANTOS'" << QVariantList{"H1"};
    QTest::newRow("trailing blanks of the literal") << "Lastname = 'Santos   '" << QVariantList{"H1"};
    QTest::newRow("trailing blanks of the value") << "Lastname = 'trail'" << QVariantList{"H7"};
    QTest::newRow("leading blank matters") << "Lastname = ' Santos'" << QVariantList{};
    QTest::newRow("<> with other case") << "Lastname <> 'santos' and Hospnum in ('H1', 'H2')" << QVariantList{"H2"};
    QTest::newRow("key of other case") << "Hospnum = 'h3'" << QVariantList{"H3"};
    QTest::newRow("IN list") << "Lastname in ('REYES', 'o''brien ')" << QVariantList{"H2", "H3"};
    QTest::newRow("joined text") << "Lastname + ', ' + Firstname = 'santos, MARIA'" << QVariantList{"H1"};
}

void TestSqlServerStandin::comparesAsSqlServer()
{
    QFETCH(QString, where);
    QFETCH(QVariantList, hospnums);
    QCOMPARE(column(QStringLiteral("select Hospnum from patient_data..tbmaster where %1 order by Hospnum").arg(where)),
             hospnums);
}

void TestSqlServerStandin::likePatterns_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QVariantList>("hospnums");
    QTest::newRow("prefix, other case") << "san%" << QVariantList{"H8", "H1"};
    QTest::newRow("underscore") << "S_ntos" << QVariantList{"H1"};
    QTest::newRow("bracketed percent") << "[%]p%" << QVariantList{"H4"};
    QTest::newRow("bracketed underscore") << "[_]u%" << QVariantList{"H5"};
    QTest::newRow("bracketed bracket") << "[[]b%" << QVariantList{"H6"};
    QTest::newRow("unbracketed percent is a wildcard") << "%p%" << QVariantList{"H4"};
    QTest::newRow("set") << "[or]%" << QVariantList{"H3", "H2"};
    QTest::newRow("range") << "[q-s]a%" << QVariantList{"H8", "H1"};
    QTest::newRow("negated set") << "[^s%_[]%" << QVariantList{"H3", "H2", "H7"};
    QTest::newRow("apostrophe") << "o''b%" << QVariantList{"H3"};
    QTest::newRow("trailing blanks of the value do not matter") << "trail" << QVariantList{"H7"};
    QTest::newRow("trailing blanks of the pattern do") << "santos " << QVariantList{};
    QTest::newRow("pattern blank matched by the value's") << "trail %" << QVariantList{"H7"};
}

void TestSqlServerStandin::likePatterns()
{
    QFETCH(QString, pattern);
    QFETCH(QVariantList, hospnums);
    QCOMPARE(
        column(QStringLiteral("select Hospnum from patient_data..tbmaster where Lastname like '%1' order by Lastname")
                   .arg(pattern)),
        hospnums);
}

void TestSqlServerStandin::secondStatementWaitsForTheFirst_data()
{
    QTest::addColumn<QString>("release");
    QTest::newRow("fetched to the end") << "end";
    QTest::newRow("finished") << "finish";
    QTest::newRow("query destroyed") << "destroy";
}

void TestSqlServerStandin::secondStatementWaitsForTheFirst()
{
    QFETCH(QString, release);
    QSqlDatabase db = open();
    auto first = std::make_unique<QSqlQuery>(db);
    first->setForwardOnly(true);
    QVERIFY(first->exec(QStringLiteral("select Hospnum from patient_data..tbmaster")));
    QVERIFY(first->next());

    QSqlQuery second(db);
    second.setForwardOnly(true);
    QVERIFY(!second.exec(QStringLiteral("select IDNum from patient_data..tbpatient")));
    QVERIFY2(second.lastError().databaseText().contains(QLatin1String(
                 "[Microsoft][ODBC Driver 17 for SQL Server]Connection is busy with results for another command")),
             qPrintable(second.lastError().databaseText()));

    if (release == QLatin1String("end")) {
        while (first->next()) { }
    } else if (release == QLatin1String("finish")) {
        first->finish();
    } else {
        first.reset();
    }
    QVERIFY2(second.exec(QStringLiteral("select IDNum from patient_data..tbpatient order by IDNum")),
             qPrintable(second.lastError().text()));
    QVERIFY(second.next());
    QCOMPARE(second.value(0).toString(), QStringLiteral("A1"));
}

void TestSqlServerStandin::refusesAllButReading_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("message");
    QTest::newRow("delete")
        << "delete from patient_data..tbmaster"
        << "The DELETE permission was denied on the object 'tbmaster', database 'patient_data', schema 'dbo'.";
    QTest::newRow("insert")
        << "insert into tbinvent values ('X', '1')"
        << "The INSERT permission was denied on the object 'tbinvent', database 'Inventory', schema 'dbo'.";
    QTest::newRow("update") << "update [patient_data].[dbo].[tbpatient] set RoomID = 'x'"
                            << "The UPDATE permission was denied on the object 'tbpatient', database 'patient_data'";
    QTest::newRow("create") << "create table t (a int)"
                            << "CREATE TABLE permission denied";
    QTest::newRow("drop") << "drop table tbmaster"
                          << "Cannot drop the table 'tbmaster'";
    QTest::newRow("alter") << "alter table tbmaster add x int"
                           << "Cannot alter the table 'tbmaster'";
    QTest::newRow("replace") << "replace into tbinvent values ('X', '1')"
                             << "Incorrect syntax near 'replace'.";
    QTest::newRow("select into") << "select * into copy from patient_data..tbmaster"
                                 << "CREATE TABLE permission denied";
    QTest::newRow("write after a read") << "select 1; delete from tbinvent"
                                        << "The DELETE permission was denied";
    QTest::newRow("write after a CTE") << "with x as (select 1 as a) delete from tbinvent"
                                       << "The DELETE permission was denied";
    QTest::newRow("pragma") << "PRAGMA query_only = 0"
                            << "Incorrect syntax near 'PRAGMA'.";
    QTest::newRow("attach") << "ATTACH DATABASE '/tmp/x.db' AS x"
                            << "Incorrect syntax near 'ATTACH'.";
    QTest::newRow("||") << "select Lastname || Firstname from patient_data..tbmaster"
                        << "Incorrect syntax near '|'.";
    QTest::newRow("LIMIT") << "select Hospnum from patient_data..tbmaster limit 1"
                           << "Incorrect syntax near 'limit'.";
    QTest::newRow("SQLite's own tables") << "select * from sqlite_master"
                                         << "Invalid object name 'sqlite_master'.";
    QTest::newRow("table in the wrong database") << "select * from Inventory..tbmaster"
                                                 << "Invalid object name 'Inventory..tbmaster'.";
    QTest::newRow("unknown schema") << "select * from patient_data.sys.tbmaster"
                                    << "Invalid object name 'patient_data.sys.tbmaster'.";
    QTest::newRow("unknown column") << "select Nickname from patient_data..tbmaster"
                                    << "Invalid column name 'Nickname'.";
    QTest::newRow("text that is no number") << "select Lastname + 1 from patient_data..tbmaster"
                                            << "' to data type int.";
    QTest::newRow("unclosed literal") << "select 'abc"
                                      << "Unclosed quotation mark after the character string 'abc'.";
}

void TestSqlServerStandin::refusesAllButReading()
{
    QFETCH(QString, sql);
    QFETCH(QString, message);
    const QByteArray before = m_db->bytes();
    const QString text = refusal(sql);
    QVERIFY2(text.startsWith(QLatin1String("[Microsoft][ODBC Driver 17 for SQL Server][SQL Server]")),
             qPrintable(text));
    QVERIFY2(text.contains(message), qPrintable(text));
    QSqlDatabase::database(m_name).close();
    QCOMPARE(m_db->bytes(), before);
}

void TestSqlServerStandin::valuesArriveTyped()
{
    QSqlDatabase db = open();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    QVERIFY(query.exec(
        QStringLiteral("select seen, born, name, body, code, note, id, name + '!' as joined from wide_notes")));
    QVERIFY(query.next());
    const QSqlRecord record = query.record();
    QCOMPARE(record.field(0).metaType().id(), int(QMetaType::QDateTime));
    QCOMPARE(record.field(1).metaType().id(), int(QMetaType::QDateTime));
    QCOMPARE(query.value(0).toDateTime(), QDateTime(QDate(2026, 12, 1), QTime(9, 30, 15, 250)));
    QCOMPARE(query.value(1).toDateTime(), QDateTime(QDate(1999, 12, 31), QTime(0, 0)));
    for (int i = 2; i < 6; ++i)
        QCOMPARE(record.field(i).metaType().id(), int(QMetaType::QString));
    QCOMPARE(query.value(2).toString(), QStringLiteral("Zoë Ñúñez 日本"));
    QCOMPARE(query.value(3).toString(), QStringLiteral("wide body"));
    QCOMPARE(query.value(4).toString(), QStringLiteral("C-1"));
    QCOMPARE(query.value(5).toString(), QStringLiteral("narrow note"));
    QCOMPARE(query.value(6).toInt(), 1);
    QCOMPARE(query.value(7).toString(), QStringLiteral("Zoë Ñúñez 日本!"));
    QCOMPARE(record.fieldName(7), QStringLiteral("joined"));
    QVERIFY(!query.next());

    // SQL Server leaves an unaliased expression unnamed.
    QVERIFY(query.exec(
        QStringLiteral("select count(*), 'x' + 'y', Lastname from patient_data..tbmaster group by Lastname")));
    QCOMPARE(query.record().fieldName(0), QString());
    QCOMPARE(query.record().fieldName(1), QString());
    QCOMPARE(query.record().fieldName(2), QStringLiteral("Lastname"));
}

void TestSqlServerStandin::longTextsArriveWhole_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QString ascii;
    for (int i = 0; i < 70000; ++i)
        ascii += QChar(u'a' + i % 26);
    QString mixed;
    for (int i = 0; i < 9000; ++i)
        mixed += QStringLiteral("ë日%1").arg(i % 10);
    QTest::newRow("narrow, 70,000 characters") << "note" << ascii;
    QTest::newRow("wide, 70,000 characters") << "body" << ascii;
    QTest::newRow("wide, beyond ASCII") << "body" << mixed;
    QTest::newRow("wide, a chunk and one") << "body" << ascii.left(256);
}

void TestSqlServerStandin::longTextsArriveWhole()
{
    QFETCH(QString, column);
    QFETCH(QString, text);
    {
        DbWriter writer(m_db->path());
        writer.exec(QStringLiteral("CREATE TABLE wide_notes (id INTEGER, body NTEXT, note TEXT)"));
        writer.insert(QStringLiteral("wide_notes"), {1, text, text});
    }
    QCOMPARE(this->column(QStringLiteral("select %1 from wide_notes").arg(column)), QVariantList{text});
}

void TestSqlServerStandin::programStatementsOverConnection()
{
    Connection connection(ConnectionSettings{
        ConnectionSettings::Kind::Odbc,
        QStringLiteral("Driver={%1};Database=%2").arg(QStringLiteral(WARDCHECK_STANDIN_NAME), m_db->path()),
        QStringLiteral("nurse"), QStringLiteral("secret")});
    QCOMPARE(connection.dialect(), SqlDialectKind::SqlServer);
    connection.Open();
    Recordset rs;
    rs.Open(PackageLookup::statement(QStringLiteral("c100")), &connection);
    QVERIFY(!rs.isEOF());
    QCOMPARE(rs.text(QStringLiteral("PatientName")), QStringLiteral("Santos, Maria Lim"));
    QCOMPARE(rs.text(QStringLiteral("itemname")), QStringLiteral("Paracetamol 500 mg"));
    rs.MoveNext();
    QVERIFY(rs.isEOF());

    rs.Open(PackageLookup::showItemsStatement(QStringLiteral("C100")), &connection);
    QCOMPARE(rs.text(QStringLiteral("Birthdate")), QStringLiteral("3/14/1958"));
    QCOMPARE(rs.text(QStringLiteral("RoomID")), QStringLiteral("1A-01"));
    rs.Close();

    const WristbandData band = WristbandCheck::lookUp(connection, QStringLiteral("H1"), QStringLiteral("A1"));
    QCOMPARE(band.lastName, QStringLiteral("Santos"));
    QCOMPARE(band.room, QStringLiteral("1A-01"));
    // The database finds "a1" too; the band must carry exactly the id it encodes.
    QVERIFY_THROWS_EXCEPTION(AppError, WristbandCheck::lookUp(connection, QStringLiteral("H1"), QStringLiteral("a1")));
}

void TestSqlServerStandin::namesTablesAsSqlServer()
{
    QSqlDatabase db = open();
    const QStringList tables = db.tables();
    QVERIFY2(tables.contains(QStringLiteral("tbmaster")), qPrintable(tables.join(QLatin1Char(' '))));
    QVERIFY(tables.contains(QStringLiteral("tbLABmaster")));
    QVERIFY(!tables.join(QLatin1Char(' ')).contains(QLatin1String("sqlite_")));
    const QSqlRecord record = db.record(QStringLiteral("tbpatient"));
    QCOMPARE(record.count(), 5);
    QCOMPARE(record.field(QStringLiteral("AdmDate")).metaType().id(), int(QMetaType::QDateTime));
}

void TestSqlServerStandin::bindsParameters_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QVariantList>("values");
    QTest::addColumn<QVariantList>("hospnums");
    QTest::newRow("text, other case") << "Lastname = ?" << QVariantList{"SANTOS"} << QVariantList{"H1"};
    QTest::newRow("text with an apostrophe") << "Lastname = ?" << QVariantList{"O'Brien"} << QVariantList{"H3"};
    QTest::newRow("text that looks like SQL") << "Lastname = ?" << QVariantList{"x' or '1'='1"} << QVariantList{};
    QTest::newRow("two, one a pattern") << "Lastname like ? and Firstname = ?" << QVariantList{"s%", "Sa"}
                                        << QVariantList{"H8"};
    QTest::newRow("number") << "length(Hospnum) + ? = 3" << QVariantList{1}
                            << QVariantList{"H1", "H2", "H3", "H4", "H5", "H6", "H7", "H8"};
    QTest::newRow("null matches nothing")
        << "Middlename = ?" << QVariantList{QVariant(QMetaType(QMetaType::QString))} << QVariantList{};
    QTest::newRow("date and time") << "Birthdate = ?" << QVariantList{QDateTime(QDate(1960, 1, 2), QTime(8, 15, 30))}
                                   << QVariantList{"H2"};
}

void TestSqlServerStandin::bindsParameters()
{
    QFETCH(QString, where);
    QFETCH(QVariantList, values);
    QFETCH(QVariantList, hospnums);
    QSqlQuery query(open());
    query.setForwardOnly(true);
    QVERIFY2(query.prepare(
                 QStringLiteral("select Hospnum from patient_data..tbmaster where %1 order by Hospnum").arg(where)),
             qPrintable(query.lastError().text()));
    for (const QVariant &value : values)
        query.addBindValue(value);
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    QVariantList found;
    while (query.next())
        found << query.value(0);
    QCOMPARE(found, hospnums);
}

void TestSqlServerStandin::refusesWhatIsNoDatabase_data()
{
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << "/nonexistent/hospital.db"
                                  << "Cannot open database \"/nonexistent/hospital.db\"";
    QTest::newRow("a folder") << "<folder>"
                              << "Cannot open database";
    QTest::newRow("not a database") << "<text>"
                                    << "Cannot open database";
    QTest::newRow("no database named") << ""
                                       << "Database=";
}

void TestSqlServerStandin::refusesWhatIsNoDatabase()
{
    QFETCH(QString, database);
    QFETCH(QString, message);
    if (database == QLatin1String("<folder>"))
        database = m_db->folder();
    if (database == QLatin1String("<text>")) {
        database = m_db->folder() + QStringLiteral("/notes.txt");
        QFile file(database);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("not a database, only text\n").repeated(100));
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("nodb"));
    db.setDatabaseName(QStringLiteral("Driver={%1};Database=%2").arg(QStringLiteral(WARDCHECK_STANDIN_NAME), database));
    QVERIFY(!db.open());
    const QString text = db.lastError().databaseText();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("nodb"));
    QVERIFY2(text.startsWith(QLatin1String("[Microsoft][ODBC Driver 17 for SQL Server]")), qPrintable(text));
    QVERIFY2(text.contains(message), qPrintable(text));
}

void TestSqlServerStandin::connectsThroughDataSourceName()
{
    QTemporaryDir config;
    const QString ini = config.filePath(QStringLiteral("odbc.ini"));
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("[Hospital]\nDriver=%1\nDatabase=%2\n")
                   .arg(QStringLiteral(WARDCHECK_STANDIN_NAME), m_db->path())
                   .toUtf8());
    file.close();
    const QByteArray saved = qgetenv("ODBCINI");
    qputenv("ODBCINI", QFile::encodeName(ini));
    Connection connection(ConnectionSettings{ConnectionSettings::Kind::Odbc, QStringLiteral("Hospital"),
                                             QStringLiteral("nurse"), QStringLiteral("pw")});
    QString name;
    try {
        connection.Open();
        Recordset rs;
        rs.Open(QStringLiteral("select Lastname from [patient_data].[dbo].[tbmaster] where Hospnum = 'h2'"),
                &connection);
        name = rs.text(QStringLiteral("Lastname"));
    } catch (const AppError &e) {
        name = e.description();
    }
    qputenv("ODBCINI", saved);
    QCOMPARE(name, QStringLiteral("Reyes"));
}

WARDCHECK_TEST_MAIN(TestSqlServerStandin)
#include "tst_sqlserver_standin.moc"
