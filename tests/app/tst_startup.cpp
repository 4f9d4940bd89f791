#include "apperror.h"
#include "componentregistry.h"
#include "frmmain.h"
#include "modmain.h"
#include "screens.h"
#include "session.h"
#include "testmain.h"
#include "usercomponent.h"

#include <QtTest>

namespace {

enum class Behaviour { Connected, NotConnected, NullConnected, ShowMainFails, ConnectedFails };

QStringList g_calls;

class FakeUser : public UserComponent
{
    Q_OBJECT

public:
    explicit FakeUser(Behaviour behaviour) : m_behaviour(behaviour) { g_calls << QStringLiteral("create"); }

    void ShowMain() override
    {
        g_calls << QStringLiteral("ShowMain");
        if (m_behaviour == Behaviour::ShowMainFails)
            throw AppError(5, QStringLiteral("Invalid procedure call or argument"));
    }
    QVariant Connected() override
    {
        g_calls << QStringLiteral("Connected");
        switch (m_behaviour) {
        case Behaviour::Connected:
            return true;
        case Behaviour::NullConnected:
            return QVariant();
        case Behaviour::ConnectedFails:
            throw AppError(-2147217843, QStringLiteral("Login failed for user 'ward'."));
        default:
            return false;
        }
    }
    Connection *SQLConnection() override { return nullptr; }

private:
    Behaviour m_behaviour;
};

int visibleWindows()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += w->isVisible() ? 1 : 0;
    return n;
}

} // namespace

Q_DECLARE_METATYPE(Behaviour)

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void startUp_data();
    void startUp();
    void componentMissingOrWrong_data();
    void componentMissingOrWrong();
};

void TestStartup::cleanup()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Session::reset();
    ComponentRegistry::remove(ComponentIds::CurrentUser);
    g_calls.clear();
}

void TestStartup::startUp_data()
{
    QTest::addColumn<Behaviour>("behaviour");
    QTest::addColumn<bool>("runs");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QStringList>("calls");
    const QStringList all{"create", "ShowMain", "Connected"};
    QTest::newRow("connected") << Behaviour::Connected << true << 0 << "" << all;
    QTest::newRow("not connected") << Behaviour::NotConnected << false << 0 << "" << all;
    QTest::newRow("connected is null") << Behaviour::NullConnected << false << 0 << "" << all;
    QTest::newRow("ShowMain raises") << Behaviour::ShowMainFails << false << 1
                                     << "Run-time error '5':\n\nInvalid procedure call or argument"
                                     << QStringList{"create", "ShowMain"};
    QTest::newRow("Connected raises") << Behaviour::ConnectedFails << false << 1
                                      << "Run-time error '-2147217843':\n\nLogin failed for user 'ward'." << all;
}

void TestStartup::startUp()
{
    QFETCH(Behaviour, behaviour);
    QFETCH(bool, runs);
    QFETCH(int, status);
    QFETCH(QString, report);
    QFETCH(QStringList, calls);

    ComponentRegistry::add(ComponentIds::CurrentUser, [behaviour] { return std::make_unique<FakeUser>(behaviour); });
    DialogRecorder dialogs;
    const std::optional<int> result = modMain::Start();

    QCOMPARE(result.has_value(), !runs);
    if (result)
        QCOMPARE(*result, status);
    QCOMPARE(g_calls, calls);
    QCOMPARE(dialogs.texts(), report.isEmpty() ? QStringList() : QStringList{report});
    if (!report.isEmpty())
        QCOMPARE(dialogs.events().first().title, QStringLiteral("Wardcheck"));
    QCOMPARE(visibleWindows(), runs ? 1 : 0);
    QCOMPARE(Screens::mainMenu() != nullptr, runs);
    if (runs) {
        QCOMPARE(Screens::mainMenu()->windowTitle(), QStringLiteral("Wardcheck Module"));
        QVERIFY(Session::user());
    }
}

void TestStartup::componentMissingOrWrong_data()
{
    QTest::addColumn<bool>("registerPlainObject");
    QTest::addColumn<QString>("report");
    QTest::newRow("not installed") << false << "Run-time error '429':\n\nActiveX component can't create object";
    QTest::newRow("not a user component")
        << true << "Run-time error '430':\n\nClass does not support Automation or does not support expected interface";
}

void TestStartup::componentMissingOrWrong()
{
    QFETCH(bool, registerPlainObject);
    QFETCH(QString, report);
    if (registerPlainObject)
        ComponentRegistry::add(ComponentIds::CurrentUser, [] { return std::make_unique<QObject>(); });
    DialogRecorder dialogs;
    const std::optional<int> result = modMain::Start();
    QVERIFY(result.has_value());
    QCOMPARE(*result, 1);
    QCOMPARE(dialogs.texts(), QStringList{report});
    QCOMPARE(visibleWindows(), 0);
}

WARDCHECK_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
