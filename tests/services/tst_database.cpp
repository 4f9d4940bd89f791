#include "apperror.h"
#include "connection.h"
#include "fixture.h"
#include "recordset.h"
#include "sqltext.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDriver>
#include <QtTest>

#include <sqlite3.h>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

ConnectionSettings embedded(const QString &path)
{
    return ConnectionSettings{ConnectionSettings::Kind::Embedded, path, QStringLiteral("tester"), QString()};
}

int openDescriptors()
{
    return int(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

QString errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const AppError &e) {
        return e.description();
    }
    return QString();
}

} // namespace

class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readsFieldsByNameInAnyCase();
    void emptyResultIsAtEndAtOnce();
    void nullAndDateValues();
    void requiredTextRefusesNull();
    void unknownFieldIsAnError();
    void rowsAreReadWhenOpened();
    void reconnectsWithWhatItWasOpenedWith();
    void reconnectsLeakNoDescriptors();
    void hostileTextsSelectOnlyThemselves_data();
    void hostileTextsSelectOnlyThemselves();
    void likePrefixMatchesLiterally_data();
    void likePrefixMatchesLiterally();
    void neverWrites();
    void badFilesAreExplained_data();
    void badFilesAreExplained();
    void lockedByAnotherProgram();
    void statementThatRunsTooLongIsInterrupted_data();
    void statementThatRunsTooLongIsInterrupted();

private:
    std::unique_ptr<FixtureDb> m_db;
};

void TestDatabase::init()
{
    m_db = std::make_unique<FixtureDb>();
    m_db->patient(QStringLiteral("H1"), QStringLiteral("Santos"), QStringLiteral("Maria"), QStringLiteral("Lim"),
                  QStringLiteral("1958-03-14 00:00:00"), QStringLiteral("F"));
    m_db->patient(QStringLiteral("H2"), QStringLiteral("Reyes"), QStringLiteral("Ana"), QVariant(),
                  QStringLiteral("1990-07-02 08:15:00"), QVariant());
    m_db->admission(QStringLiteral("A1"), QStringLiteral("H1"), QStringLiteral("3B-07"),
                    QStringLiteral("2026-12-01 14:05:09"));
    m_db->admission(QStringLiteral("A2"), QStringLiteral("H2"), QVariant(), QStringLiteral("2026-11-30 00:00:00"));
    m_db->close();
}

void TestDatabase::cleanup()
{
    m_db.reset();
}

void TestDatabase::readsFieldsByNameInAnyCase()
{
    Connection connection(embedded(m_db->path()));
    connection.Open();
    Recordset rs;
    rs.Open(QStringLiteral("select M.Hospnum as HN, N.idnum as IDN from patient_data..tbpatient N "
                           "left outer join patient_data..tbmaster M on N.Hospnum = M.Hospnum where N.IDNum = 'A1'"),
            &connection);
    QVERIFY(!rs.isEOF());
    QCOMPARE(rs.text(QStringLiteral("hn")), QStringLiteral("H1"));
    QCOMPARE(rs.text(QStringLiteral("Idn")), QStringLiteral("A1"));
    rs.MoveNext();
    QVERIFY(rs.isEOF());
}

void TestDatabase::emptyResultIsAtEndAtOnce()
{
    Connection connection(embedded(m_db->path()));
    connection.Open();
    Recordset rs;
    rs.Open(QStringLiteral("select IDNum from patient_data..tbpatient where IDNum = 'nobody'"), &connection);
    QVERIFY(rs.isEOF());
    QCOMPARE(errorOf([&] { rs.MoveNext(); }).isEmpty(), false);
}

void TestDatabase::nullAndDateValues()
{
    Connection connection(embedded(m_db->path()));
    connection.Open();
    Recordset rs;
    rs.Open(QStringLiteral(
                "select N.RoomID, N.AdmDate, M.Birthdate, M.Sex, M.Lastname + ', ' + M.Firstname + ' ' +M.Middlename "
                "as PatientName "
                "from patient_data..tbpatient N left outer join patient_data..tbmaster M on N.Hospnum = M.Hospnum "
                "order by N.IDNum"),
            &connection);
    QCOMPARE(rs.text(QStringLiteral("RoomID")), QStringLiteral("3B-07"));
    QCOMPARE(rs.text(QStringLiteral("AdmDate")), QStringLiteral("12/1/2026 2:05:09 PM"));
    QCOMPARE(rs.text(QStringLiteral("Birthdate")), QStringLiteral("3/14/1958"));
    QCOMPARE(rs.text(QStringLiteral("PatientName")), QStringLiteral("Santos, Maria Lim"));
    rs.MoveNext();
    QCOMPARE(rs.text(QStringLiteral("RoomID")), QString());
    QCOMPARE(rs.text(QStringLiteral("AdmDate")), QStringLiteral("11/30/2026"));
    QCOMPARE(rs.text(QStringLiteral("Birthdate")), QStringLiteral("7/2/1990 8:15:00 AM"));
    QCOMPARE(rs.text(QStringLiteral("Sex")), QString());
    // A missing middle name leaves no name at all, as on the hospital's server.
    QVERIFY(rs.value(QStringLiteral("PatientName")).isNull());
}

void TestDatabase::requiredTextRefusesNull()
{
    Connection connection(embedded(m_db->path()));
    connection.Open();
    Recordset rs;
    rs.Open(QStringLiteral("select RoomID from patient_data..tbpatient where IDNum = 'A2'"), &connection);
    try {
        rs.requiredText(QStringLiteral("RoomID"));
        QFAIL("null read as text");
    } catch (const AppError &e) {
        QCOMPARE(e.number(), AppError::InvalidUseOfNull);
        QCOMPARE(e.description(), QStringLiteral("Invalid use of Null"));
    }
}

void TestDatabase::unknownFieldIsAnError()
{
    Connection connection(embedded(m_db->path()));
    connection.Open();
    Recordset rs;
    rs.Open(QStringLiteral("select IDNum from patient_data..tbpatient"), &connection);
    QVERIFY(!errorOf([&] { rs.text(QStringLiteral("HN")); }).isEmpty());
}

// A recordset holds no statement once opened: another query, a reconnect
// or the connection's Close in between cannot touch its rows.
void TestDatabase::rowsAreReadWhenOpened()
{
    Connection connection(embedded(m_db->path()));
    connection.Open();
    Recordset first, second;
    first.Open(QStringLiteral("select IDNum from patient_data..tbpatient order by IDNum"), &connection);
    second.Open(QStringLiteral("select Hospnum from patient_data..tbmaster order by Hospnum"), &connection);
    const QVariant handle = connection.database().driver()->handle();
    QVERIFY(handle.isValid());
    QCOMPARE(sqlite3_next_stmt(*static_cast<sqlite3 *const *>(handle.constData()), nullptr), nullptr);

    connection.Close();
    connection.Open();
    QStringList ids;
    for (; !first.isEOF(); first.MoveNext())
        ids << first.text(QStringLiteral("IDNum"));
    QCOMPARE(ids, QStringList({QStringLiteral("A1"), QStringLiteral("A2")}));
    QCOMPARE(second.text(QStringLiteral("Hospnum")), QStringLiteral("H1"));

    first.Close();
    QCOMPARE(errorOf([&] { first.text(QStringLiteral("IDNum")); }),
             QStringLiteral("Operation is not allowed when the object is closed."));
    connection.Close();
    QCOMPARE(errorOf([&] { second.Open(QStringLiteral("select 1"), &connection); }),
             QStringLiteral("Operation is not allowed when the object is closed."));
}

void TestDatabase::reconnectsWithWhatItWasOpenedWith()
{
    Connection connection(embedded(m_db->path()));
    connection.Open();
    connection.Close();
    QVERIFY(!connection.isOpen());
    connection.Open();
    QVERIFY(connection.isOpen());
    Recordset rs;
    rs.Open(QStringLiteral("select count(*) as N from patient_data..tbpatient"), &connection);
    QCOMPARE(rs.text(QStringLiteral("n")), QStringLiteral("2"));
}

void TestDatabase::reconnectsLeakNoDescriptors()
{
    Connection connection(embedded(m_db->path()));
    connection.Open();
    const auto cycle = [&] {
        Recordset rs;
        rs.Open(QStringLiteral("select IDNum from patient_data..tbpatient"), &connection);
        connection.Close(); // while the recordset is still open
        connection.Open();
    };
    for (int i = 0; i < 20; ++i)
        cycle();
    const int before = openDescriptors();
    for (int i = 0; i < 1000; ++i)
        cycle();
    QCOMPARE(openDescriptors(), before);
}

void TestDatabase::hostileTextsSelectOnlyThemselves_data()
{
    QTest::addColumn<QString>("key");
    QTest::newRow("apostrophe") << "O'Brien";
    QTest::newRow("or true") << "x' or '1'='1";
    QTest::newRow("comment") << "x'--";
    QTest::newRow("statement end") << "x'; drop table tbmaster; --";
    QTest::newRow("percent") << "50%";
    QTest::newRow("underscore") << "a_b";
    QTest::newRow("bracket") << "[dbo]";
    QTest::newRow("plus and dots") << "a+b..c";
    QTest::newRow("non-ascii") << QString::fromUtf8("Ñandú–Straße 日本");
    QTest::newRow("very long") << QString(4000, QLatin1Char('\'')) + QStringLiteral("end");
    QTest::newRow("blank around") << "  A1  ";
}

void TestDatabase::hostileTextsSelectOnlyThemselves()
{
    QFETCH(QString, key);
    FixtureDb db;
    db.patient(key, QStringLiteral("Target"), QStringLiteral("T"), QStringLiteral("T"));
    db.patient(QStringLiteral("A1"), QStringLiteral("Other"), QStringLiteral("O"), QStringLiteral("O"));
    db.patient(QStringLiteral("x"), QStringLiteral("Other"), QStringLiteral("O"), QStringLiteral("O"));
    db.close();
    Connection connection(embedded(db.path()));
    connection.Open();
    Recordset rs;
    rs.Open(QStringLiteral("select Lastname from patient_data..tbmaster where Hospnum = '") + SqlText::literalBody(key)
                + QStringLiteral("'"),
            &connection);
    QVERIFY(!rs.isEOF());
    QCOMPARE(rs.text(QStringLiteral("Lastname")), QStringLiteral("Target"));
    rs.MoveNext();
    QVERIFY(rs.isEOF());
    rs.Open(QStringLiteral("select count(*) as N from patient_data..tbmaster"), &connection);
    QCOMPARE(rs.text(QStringLiteral("N")), QStringLiteral("3"));
}

void TestDatabase::likePrefixMatchesLiterally_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("plain, any case") << "sm" << QStringList{"Smith", "Smythe"};
    QTest::newRow("percent") << "5%" << QStringList{"5%off"};
    QTest::newRow("underscore") << "A_" << QStringList{"A_b"};
    QTest::newRow("bracket") << "[x" << QStringList{"[x]"};
    QTest::newRow("apostrophe") << "O'" << QStringList{"O'Brien"};
    QTest::newRow("backslash") << "a\\" << QStringList{"a\\b"};
    QTest::newRow("leading blank") << " S" << QStringList{" Space"};
    QTest::newRow("none") << "Zz" << QStringList{};
}

void TestDatabase::likePrefixMatchesLiterally()
{
    QFETCH(QString, prefix);
    QFETCH(QStringList, expected);
    FixtureDb db;
    int n = 0;
    for (const char *name : {"Smith", "Smythe", "Sanchez", "5%off", "50x", "A_b", "Axb", "[x]", "x", "O'Brien",
                             "OBrien", "a\\b", "ab", " Space"}) {
        db.patient(QStringLiteral("H%1").arg(++n), QString::fromUtf8(name), QStringLiteral("F"), QStringLiteral("M"));
    }
    db.close();
    Connection connection(embedded(db.path()));
    connection.Open();
    Recordset rs;
    rs.Open(QStringLiteral("select Lastname from patient_data..tbmaster M where dummy is null and lastname like '")
                    .replace(QStringLiteral("dummy is null and "), QString())
                + SqlText::likePrefixBody(prefix) + QStringLiteral("%' order by LastName asc "),
            &connection);
    QStringList found;
    for (; !rs.isEOF(); rs.MoveNext())
        found << rs.text(QStringLiteral("Lastname"));
    QCOMPARE(found, expected);
}

void TestDatabase::neverWrites()
{
    const QByteArray before = m_db->bytes();
    {
        Connection connection(embedded(m_db->path()));
        connection.Open();
        Recordset rs;
        for (const char *sql : {"delete from patient_data..tbmaster", "update patient_data..tbpatient set RoomID = 'x'",
                                "create table t (a)", "insert into tbinvent values ('a', 'b')"}) {
            QVERIFY2(!errorOf([&] { rs.Open(QString::fromLatin1(sql), &connection); }).isEmpty(), sql);
        }
        rs.Open(QStringLiteral("select count(*) as N from patient_data..tbmaster"), &connection);
        QCOMPARE(rs.text(QStringLiteral("N")), QStringLiteral("2"));
        for (int i = 0; i < 50; ++i) {
            connection.Close();
            connection.Open();
        }
    }
    QCOMPARE(m_db->bytes(), before);
}

void TestDatabase::badFilesAreExplained_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing") << "missing"
                             << "does not exist";
    QTest::newRow("folder") << "folder"
                            << "is a folder";
    QTest::newRow("garbage") << "garbage"
                             << "is damaged or is not a database";
    QTest::newRow("truncated") << "truncated"
                               << "is damaged";
    QTest::newRow("unreadable") << "unreadable"
                                << "permission denied";
    QTest::newRow("no name") << "empty name"
                             << "No hospital database file";
}

void TestDatabase::badFilesAreExplained()
{
    QFETCH(QString, kind);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("hospital.db"));
    if (kind == QLatin1String("folder")) {
        QDir().mkpath(path);
    } else if (kind == QLatin1String("garbage")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
    } else if (kind == QLatin1String("truncated")) {
        QVERIFY(QFile::copy(m_db->path(), path));
        QFile f(path);
        QVERIFY(f.resize(f.size() / 3));
    } else if (kind == QLatin1String("unreadable")) {
#ifdef Q_OS_WIN
        QSKIP("Qt takes a file's read right away on POSIX only");
#else
        if (geteuid() == 0)
            QSKIP("root reads every file");
#endif
        QVERIFY(QFile::copy(m_db->path(), path));
        QFile::setPermissions(path, QFileDevice::WriteOwner);
    } else if (kind == QLatin1String("empty name")) {
        path.clear();
    }
    Connection connection(embedded(path));
    const QString error = errorOf([&] {
        connection.Open();
        // A truncated file may only show its damage when a table is read.
        Recordset rs;
        rs.Open(QStringLiteral("select * from patient_data..tbpatient N, patient_data..tbmaster M"), &connection);
        while (!rs.isEOF())
            rs.MoveNext();
    });
    QVERIFY2(error.contains(expected), qPrintable(error));
}

void TestDatabase::lockedByAnotherProgram()
{
#ifdef Q_OS_WIN
    QSKIP("the other program is Linux's sqlite3, which Wine does not start");
#endif
    QProcess writer;
    writer.setProcessChannelMode(QProcess::MergedChannels);
    writer.start(QStringLiteral("sqlite3"), {m_db->path()});
    QVERIFY2(writer.waitForStarted(), "sqlite3 is needed for this test");
    // sqlite3 waits for the lock rather than failing at once: a BEGIN
    // EXCLUSIVE that met one of our reads would otherwise never take it.
    writer.write(".timeout 20000\nBEGIN EXCLUSIVE;\n");

    Connection connection(embedded(m_db->path()));
    QString error;
    QTRY_VERIFY_WITH_TIMEOUT((error = errorOf([&] {
                                  connection.Open();
                                  connection.Close();
                              })).contains(QLatin1String("locked by another program")),
                             10000);

    writer.write("ROLLBACK;\n.quit\n");
    QVERIFY(writer.waitForFinished(5000));
    connection.Open();
    QVERIFY(connection.isOpen());
}

void TestDatabase::statementThatRunsTooLongIsInterrupted_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("said");
    QTest::newRow("one second") << 1 << QStringLiteral("did not answer within 1 second.");
    QTest::newRow("two seconds") << 2 << QStringLiteral("did not answer within 2 seconds.");
}

void TestDatabase::statementThatRunsTooLongIsInterrupted()
{
    QFETCH(int, seconds);
    QFETCH(QString, said);
    ConnectionSettings settings = embedded(m_db->path());
    settings.queryTimeoutSeconds = seconds;
    Connection connection(settings);
    connection.Open();

    // Never ends by itself: only the timeout can stop it.
    Recordset endless;
    const QString error = errorOf([&] {
        endless.Open(
            QStringLiteral("with recursive c(x) as (select 1 union all select x from c) select count(*) as n from c"),
            &connection);
    });
    QVERIFY2(error.contains(said), qPrintable(error));

    // The connection is still good for the next statement, which is not cut short.
    Recordset next;
    next.Open(QStringLiteral("select IDNum from patient_data..tbpatient where IDNum = 'A1'"), &connection);
    QVERIFY(!next.isEOF());
    QCOMPARE(next.text(QStringLiteral("IDNum")), QStringLiteral("A1"));
}

WARDCHECK_TEST_MAIN(TestDatabase)
#include "tst_database.moc"
