#include "apperror.h"
#include "connection.h"
#include "fixture.h"
#include "recordset.h"
#include "sqldialect.h"
#include "sqltext.h"
#include "testmain.h"
#include "valuetext.h"

#include <QtTest>

#include <ctime>

namespace {

// Code units exactly as written: u"" literals may hold unpaired surrogates.
QString units(QStringView text)
{
    return text.toString();
}

// The last names the embedded engine returns for a statement, or the error
// it gave.
QStringList lastNames(const FixtureDb &db, const QString &statement)
{
    Connection connection(
        ConnectionSettings{ConnectionSettings::Kind::Embedded, db.path(), QStringLiteral("tester"), QString()});
    QStringList found;
    try {
        connection.Open();
        Recordset rs;
        rs.Open(statement, &connection);
        for (; !rs.isEOF(); rs.MoveNext())
            found << rs.text(QStringLiteral("Lastname"));
    } catch (const AppError &e) {
        found << QStringLiteral("error: ") + e.description();
    }
    return found;
}

} // namespace

class TestSqlText : public QObject
{
    Q_OBJECT

private slots:
    void translation_data();
    void translation();
    void literalsSurviveTranslation_data();
    void literalsSurviveTranslation();
    void likePrefix_data();
    void likePrefix();
    void comparable_data();
    void comparable();
    void likePrefixOverCharactersTheEngineReadsAlike_data();
    void likePrefixOverCharactersTheEngineReadsAlike();
    void unpairedSurrogateStaysInsideItsLiteral_data();
    void unpairedSurrogateStaysInsideItsLiteral();
    void valueText_data();
    void valueText();
    void dateFormatsHaveFourDigitYearsAndNoZone();
    void timestampInTheSkippedHourIsShownAsWritten();
};

void TestSqlText::translation_data()
{
    QTest::addColumn<QString>("sqlServer");
    QTest::addColumn<QString>("sqlite");

    QTest::newRow("two dots") << "select a from Station..tbnursecommunicationfile STA"
                              << "select a from tbnursecommunicationfile STA";
    QTest::newRow("brackets and schema") << "from [Laboratory].[dbo].[tbLABmaster] L  "
                                         << "from \"tbLABmaster\" L  ";
    QTest::newRow("three bare parts") << "from Inventory.dbo.tbinvent INV"
                                      << "from tbinvent INV";
    QTest::newRow("alias column kept") << "on STA.idnum = N.IDNum"
                                       << "on STA.idnum = N.IDNum";
    QTest::newRow("bracketed column") << "on L.[ItemID] = B.LabExamId"
                                      << "on L.\"ItemID\" = B.LabExamId";
    QTest::newRow("text join") << "M.Lastname + ', ' + M.Firstname + ' ' +M.Middlename"
                               << "M.Lastname || ', ' || M.Firstname || ' ' ||M.Middlename";
    QTest::newRow("plus inside literal untouched") << "where a = 'x+y'"
                                                   << "where a = 'x+y'";
    QTest::newRow("dots inside literal untouched") << "where a = 'db..t'"
                                                   << "where a = 'db..t'";
    QTest::newRow("doubled quote") << "where a = 'O''Brien' and b = 1"
                                   << "where a = 'O''Brien' and b = 1";
    QTest::newRow("like with bracket escapes")
        << "and lastname like 'a[%]b[_]c[[]d%'"
        << "and lastname like 'a\\%b\\_c\\[d%' ESCAPE '\\' AND lastname >= 'a%b_c[d' COLLATE NOCASE";
    QTest::newRow("prefix range before order by") << "where dcrdate is null  and lastname like 'O''B%' order by x"
                                                  << "where dcrdate is null  and lastname like 'O''B%' ESCAPE '\\' AND "
                                                     "lastname >= 'O''B' COLLATE NOCASE order by x";
    QTest::newRow("no range after not") << "and not lastname like 'S%'"
                                        << "and not lastname like 'S%' ESCAPE '\\'";
    QTest::newRow("no range for not like") << "and x not like 'S%'"
                                           << "and x not like 'S%' ESCAPE '\\'";
    QTest::newRow("no range when the pattern goes on") << "and x like 'S%' || y"
                                                       << "and x like 'S%' ESCAPE '\\' || y";
    QTest::newRow("no range without a prefix") << "and x like '%S'"
                                               << "and x like '%S' ESCAPE '\\'";
    QTest::newRow("no range for a whole value") << "and x like 'S'"
                                                << "and x like 'S' ESCAPE '\\'";
    QTest::newRow("like keeps backslash literal") << "x LIKE 'a\\b%'"
                                                  << "x LIKE 'a\\\\b%' ESCAPE '\\'";
    QTest::newRow("numbers") << "where x = 1.5 and y = 20"
                             << "where x = 1.5 and y = 20";
    QTest::newRow("unterminated literal copied") << "where a = 'abc"
                                                 << "where a = 'abc";
    QTest::newRow("name ending in dots kept") << "'a'@...''"
                                              << "'a'@...''";
    QTest::newRow("comment copied") << "select 1 -- a..b + c\nfrom t"
                                    << "select 1 -- a..b + c\nfrom t";
}

void TestSqlText::translation()
{
    QFETCH(QString, sqlServer);
    QFETCH(QString, sqlite);
    QCOMPARE(SqlDialect::toSqlite(sqlServer), sqlite);
}

void TestSqlText::literalsSurviveTranslation_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("apostrophe") << "C1' or '1'='1";
    QTest::newRow("comment") << "C1'--";
    QTest::newRow("statement end") << "C1'; drop table tbmaster; --";
    QTest::newRow("brackets and dots") << "[a].[b]..c + d";
    QTest::newRow("percent underscore") << "%_[x]";
    QTest::newRow("non-ascii") << QString::fromUtf8("Ñoño–Ürs 日本");
    QTest::newRow("long") << QString(5000, QLatin1Char('\''));
}

void TestSqlText::literalsSurviveTranslation()
{
    QFETCH(QString, text);
    const QString statement = QStringLiteral("select 1 from Station..t where r = '") + SqlText::literalBody(text)
                              + QStringLiteral("' and x = '20'");
    const QString translated = SqlDialect::toSqlite(statement);
    QCOMPARE(translated, QStringLiteral("select 1 from t where r = '") + SqlText::literalBody(text)
                             + QStringLiteral("' and x = '20'"));
}

void TestSqlText::likePrefix_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("body");
    QTest::newRow("plain") << "SM"
                           << "SM";
    QTest::newRow("apostrophe") << "O'B"
                                << "O''B";
    QTest::newRow("wildcards") << "a%b_c[d"
                               << "a[%]b[_]c[[]d";
    QTest::newRow("leading blank kept") << " Sm"
                                        << " Sm";
    QTest::newRow("closing bracket alone") << "a]"
                                           << "a]";
}

void TestSqlText::likePrefix()
{
    QFETCH(QString, text);
    QFETCH(QString, body);
    QCOMPARE(SqlText::likePrefixBody(text), body);
}

void TestSqlText::comparable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "Ab1-'%_["
                           << "Ab1-'%_[";
    QTest::newRow("U+FFFE and U+FFFF") << units(u"a\xFFFE"
                                                u"b\xFFFF")
                                       << units(u"a\xFFFD"
                                                u"b\xFFFD");
    QTest::newRow("U+FFFD kept") << units(u"\xFFFD") << units(u"\xFFFD");
    QTest::newRow("pair kept") << units(u"\xD83D\xDE00") << units(u"\xD83D\xDE00");
    QTest::newRow("U+1FFFF kept") << units(u"\xD83F\xDFFF") << units(u"\xD83F\xDFFF");
    QTest::newRow("high at the end") << units(u"a\xD83D") << units(u"a\xFFFD");
    QTest::newRow("low at the start") << units(u"\xDE00"
                                               u"a")
                                      << units(u"\xFFFD"
                                               u"a");
    QTest::newRow("reversed pair") << units(u"\xDE00\xD83D") << units(u"\xFFFD\xFFFD");
    QTest::newRow("two highs, one low") << units(u"\xD83D\xD83D\xDE00") << units(u"\xFFFD\xD83D\xDE00");
    QTest::newRow("high before an apostrophe") << units(u"\xD800'") << units(u"\xFFFD'");
}

void TestSqlText::comparable()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(SqlText::comparable(text), expected);
}

// SQLite's LIKE reads U+FFFE, U+FFFF and unpaired surrogates as U+FFFD,
// while the index on a name, and the range the dialect adds, compare bytes.
// A prefix holding any of them must find exactly the names that begin with
// U+FFFD there, as the list shows them.
void TestSqlText::likePrefixOverCharactersTheEngineReadsAlike_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QStringList>("expected");
    const QStringList replaced{units(u"\xFFFD"
                                     u"a"),
                               units(u"\xFFFD"
                                     u"b"),
                               units(u"\xFFFD\xFFFD"
                                     u"z")};
    QTest::newRow("U+FFFF") << units(u"\xFFFF") << replaced;
    QTest::newRow("U+FFFE") << units(u"\xFFFE") << replaced;
    QTest::newRow("U+FFFD") << units(u"\xFFFD") << replaced;
    QTest::newRow("unpaired high") << units(u"\xD800") << replaced;
    QTest::newRow("unpaired low, then a letter") << units(u"\xDC00"
                                                          u"A")
                                                 << QStringList{units(u"\xFFFD"
                                                                      u"a")};
    QTest::newRow("U+FFFF, then a letter") << units(u"\xFFFF"
                                                    u"B")
                                           << QStringList{units(u"\xFFFD"
                                                                u"b")};
    QTest::newRow("U+FFFD, then U+FFFE") << units(u"\xFFFD\xFFFE")
                                         << QStringList{units(u"\xFFFD\xFFFD"
                                                              u"z")};
    QTest::newRow("reversed pair") << units(u"\xDE00\xD83D")
                                   << QStringList{units(u"\xFFFD\xFFFD"
                                                        u"z")};
    QTest::newRow("pair") << units(u"\xD83D\xDE00")
                          << QStringList{units(u"\xD83D\xDE00"
                                               u"d")};
}

void TestSqlText::likePrefixOverCharactersTheEngineReadsAlike()
{
    QFETCH(QString, prefix);
    QFETCH(QStringList, expected);
    FixtureDb db;
    int n = 0;
    for (const QString &name : {QStringLiteral("Smith"),
                                units(u"\xFFFD"
                                      u"a"),
                                units(u"\xFFFD"
                                      u"b"),
                                units(u"\xFFFD\xFFFD"
                                      u"z"),
                                units(u"\xD83D\xDE00"
                                      u"d")}) {
        db.patient(QStringLiteral("H%1").arg(++n), name, QStringLiteral("F"), QStringLiteral("M"));
    }
    db.close();
    QCOMPARE(lastNames(db, QStringLiteral("select Lastname from patient_data..tbmaster M where lastname like '")
                               + SqlText::likePrefixBody(prefix) + QStringLiteral("%' order by LastName asc ")),
             expected);
}

// On its way to the engine an unpaired surrogate takes the next code unit
// with it, which can be the apostrophe that ends the literal.
void TestSqlText::unpairedSurrogateStaysInsideItsLiteral_data()
{
    QTest::addColumn<QString>("key");
    QTest::newRow("high, then a closing apostrophe") << units(u"\xD800"
                                                              u"' or 1=1 or Hospnum='");
    QTest::newRow("low, then a closing apostrophe") << units(u"\xDC00"
                                                             u"' or 1=1 or Hospnum='");
    QTest::newRow("high at the end") << units(u"H\xDBFF");
}

void TestSqlText::unpairedSurrogateStaysInsideItsLiteral()
{
    QFETCH(QString, key);
    FixtureDb db;
    db.patient(SqlText::comparable(key), QStringLiteral("Target"), QStringLiteral("T"), QStringLiteral("T"));
    db.patient(QStringLiteral("H"), QStringLiteral("Other"), QStringLiteral("O"), QStringLiteral("O"));
    db.patient(QStringLiteral("x"), QStringLiteral("Other"), QStringLiteral("O"), QStringLiteral("O"));
    db.close();
    QCOMPARE(lastNames(db, QStringLiteral("select Lastname from patient_data..tbmaster where Hospnum = '")
                               + SqlText::literalBody(key) + QStringLiteral("'")),
             QStringList{QStringLiteral("Target")});
}

void TestSqlText::valueText_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("dateColumn");
    QTest::addColumn<QString>("text");

    QTest::newRow("null") << QVariant() << false << "";
    QTest::newRow("null text") << QVariant(QMetaType(QMetaType::QString)) << false << "";
    QTest::newRow("null date column") << QVariant(QMetaType(QMetaType::QString)) << true << "";
    QTest::newRow("text") << QVariant(QStringLiteral(" A1 ")) << false << " A1 ";
    QTest::newRow("integer") << QVariant(qlonglong(42)) << false << "42";
    QTest::newRow("whole double") << QVariant(2.0) << false << "2";
    QTest::newRow("fraction") << QVariant(1.25) << false << "1.25";
    QTest::newRow("midnight") << QVariant(QDateTime(QDate(2026, 3, 4), QTime(0, 0))) << false << "3/4/2026";
    QTest::newRow("with time") << QVariant(QDateTime(QDate(2026, 3, 4), QTime(14, 5, 9))) << false
                               << "3/4/2026 2:05:09 PM";
    QTest::newRow("date only") << QVariant(QDate(1931, 12, 25)) << false << "12/25/1931";
    QTest::newRow("stored text midnight") << QVariant(QStringLiteral("1958-03-14 00:00:00")) << true << "3/14/1958";
    QTest::newRow("stored text time") << QVariant(QStringLiteral("2026-12-01 03:12:45")) << true
                                      << "12/1/2026 3:12:45 AM";
    QTest::newRow("stored date only") << QVariant(QStringLiteral("2026-12-01")) << true << "12/1/2026";
    QTest::newRow("stored ISO T") << QVariant(QStringLiteral("2026-12-01T23:59:59")) << true << "12/1/2026 11:59:59 PM";
    QTest::newRow("stored with milliseconds")
        << QVariant(QStringLiteral("2026-12-01 03:12:45.250")) << true << "12/1/2026 3:12:45 AM";
    QTest::newRow("month 13 kept as text")
        << QVariant(QStringLiteral("2026-13-01 00:00:00")) << true << "2026-13-01 00:00:00";
    QTest::newRow("30 February kept as text") << QVariant(QStringLiteral("2026-02-30")) << true << "2026-02-30";
    QTest::newRow("hour 24 kept as text")
        << QVariant(QStringLiteral("2026-12-01 24:00:00")) << true << "2026-12-01 24:00:00";
    QTest::newRow("a letter among the digits kept")
        << QVariant(QStringLiteral("2026-1x-01 00:00:00")) << true << "2026-1x-01 00:00:00";
    QTest::newRow("not a date kept") << QVariant(QStringLiteral("unknown")) << true << "unknown";
    QTest::newRow("date-like text in text column") << QVariant(QStringLiteral("2026-12-01")) << false << "2026-12-01";
}

void TestSqlText::valueText()
{
    QFETCH(QVariant, value);
    QFETCH(bool, dateColumn);
    QFETCH(QString, text);
    QCOMPARE(ValueText::fromVariant(value, dateColumn), text);
}

void TestSqlText::dateFormatsHaveFourDigitYearsAndNoZone()
{
    const QLocale saved;
    for (const QLocale &locale :
         {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German, QLocale::Germany),
          QLocale(QLocale::English, QLocale::UnitedKingdom), QLocale(QLocale::Japanese, QLocale::Japan)}) {
        QLocale::setDefault(locale);
        QVERIFY2(ValueText::shortDateFormat().contains(QLatin1String("yyyy")), qPrintable(locale.name()));
        QVERIFY2(!ValueText::longTimeFormat().contains(QLatin1Char('t')), qPrintable(locale.name()));
        QVERIFY(ValueText::fromDateTime(QDateTime(QDate(1926, 5, 6), QTime(0, 0))).contains(QLatin1String("1926")));
    }
    QLocale::setDefault(saved);
}

// The ODBC driver makes local times of a server's timestamps; one in the
// hour skipped when clocks go forward is no valid local time, yet it is
// what the ward wrote, and an admission time must not vanish from a list.
void TestSqlText::timestampInTheSkippedHourIsShownAsWritten()
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "America/New_York");
    tzset();
    const QDateTime skipped(QDate(2026, 3, 8), QTime(2, 30));
    const QString shown = ValueText::fromVariant(QVariant(skipped), true);
    const bool wasInvalid = !skipped.isValid();
    qputenv("TZ", zone);
    tzset();
    QVERIFY(wasInvalid); // what the driver hands over
    QCOMPARE(shown, QStringLiteral("3/8/2026 2:30:00 AM"));
}

WARDCHECK_TEST_MAIN(TestSqlText)
#include "tst_sqltext.moc"
