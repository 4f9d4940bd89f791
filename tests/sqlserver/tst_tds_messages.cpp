// The TDS stand-in's reading of procedure calls, byte by byte: what FreeTDS
// and Microsoft's drivers send, and messages that break their own lengths,
// which must be refused rather than read past their end.
#include "tds.h"
#include "testmain.h"

#include <QtTest>

namespace {

QByteArray le(quint64 v, int bytes)
{
    QByteArray out;
    for (int k = 0; k < bytes; ++k)
        out += char((v >> (8 * k)) & 0xff);
    return out;
}

QByteArray utf16(const QString &text)
{
    QByteArray out;
    for (QChar c : text)
        out += le(c.unicode(), 2);
    return out;
}

const QByteArray collation("\x09\x04\xd0\x00\x34", 5);

// An RPC message: a minimal ALL_HEADERS block, then the requests.
QByteArray message(const QByteArray &requests)
{
    return le(4, 4) + requests;
}

QByteArray byId(int id)
{
    return QByteArray("\xff\xff", 2) + le(quint64(id), 2) + le(0, 2);
}

QByteArray byName(const QString &name)
{
    return le(quint64(name.size()), 2) + utf16(name) + le(0, 2);
}

QByteArray ntext(const QByteArray *value)
{
    const QByteArray head = QByteArray("\x00\x00\x63", 3) + le(value ? quint64(value->size()) : 0, 4) + collation;
    return value ? head + le(quint64(value->size()), 4) + *value : head + le(0xffffffff, 4);
}

QByteArray intn(const QByteArray &name, quint8 status, const QByteArray &value)
{
    return char(name.size() / 2) + name + char(status) + QByteArray("\x26\x04", 2) + char(value.size()) + value;
}

QString summary(const std::vector<tds::RpcRequest> &requests)
{
    QStringList out;
    for (const tds::RpcRequest &r : requests) {
        QString line = r.procId ? QString::number(r.procId) : QString::fromStdString(r.procName);
        for (const tds::RpcParameter &p : r.parameters) {
            line += QStringLiteral(" [%1%2").arg(QString::fromStdString(p.name)).arg(p.status ? "out " : "");
            if (p.null)
                line += QStringLiteral("null]");
            else if (p.integer)
                line += QStringLiteral("%1]").arg(p.number);
            else
                line += QStringLiteral("'%1']").arg(QString::fromStdString(p.text));
        }
        out << line;
    }
    return out.join(QStringLiteral(" | "));
}

} // namespace

class TestTdsMessages : public QObject
{
    Q_OBJECT

private slots:
    void procedureCalls_data();
    void procedureCalls();
};

void TestTdsMessages::procedureCalls_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("read"); // empty: refused

    const QByteArray statement = utf16(QStringLiteral("select 1"));
    QTest::newRow("sp_prepexec as FreeTDS sends it")
        << message(byId(13) + intn({}, 1, {}) + ntext(nullptr) + ntext(&statement))
        << "13 [out null] [null] ['select 1']";
    QTest::newRow("by name, and a second request after the separator")
        << message(byName(QStringLiteral("sp_unprepare")) + intn(utf16(QStringLiteral("@h")), 0, le(7, 4)) + '\xff'
                   + byId(15) + intn({}, 0, le(quint64(-2), 4)))
        << "sp_unprepare [@h7] | 15 [-2]";
    QTest::newRow("nvarchar(max) in PLP chunks")
        << message(byId(10) + QByteArray("\x00\x00\xe7\xff\xff", 5) + collation + le(8, 8) + le(4, 4)
                   + utf16(QStringLiteral("ab")) + le(4, 4) + utf16(QStringLiteral("cd")) + le(0, 4))
        << "10 ['abcd']";
    QTest::newRow("varchar in the collation's code page")
        << message(byId(10) + QByteArray("\x00\x00\xa7\x10\x00", 5) + collation + le(3, 2) + QByteArray("M\xfcl"))
        << "10 ['Mül']";
    QTest::newRow("fixed-length smallint, null nvarchar")
        << message(byId(12) + QByteArray("\x00\x00\x34", 3) + le(0xfffe, 2) + QByteArray("\x00\x00\xe7\x08\x00", 5)
                   + collation + le(0xffff, 2))
        << "12 [-2] [null]";

    QTest::newRow("value runs past the end")
        << message(byId(10) + QByteArray("\x00\x00\xe7\x64\x00", 5) + collation + le(100, 2) + utf16("ab")) << "";
    QTest::newRow("a type it does not read (xml)") << message(byId(10) + QByteArray("\x00\x00\xf1\x00", 4)) << "";
    QTest::newRow("PLP without its last chunk")
        << message(byId(10) + QByteArray("\x00\x00\xe7\xff\xff", 5) + collation + le(4, 8) + le(4, 4) + utf16("ab"))
        << "";
    QTest::newRow("headers longer than the message") << le(64, 4) + byId(13) << "";
    QTest::newRow("procedure id cut short") << message(QByteArray("\xff\xff\x0d", 3)) << "";
    QTest::newRow("half a UTF-16 character")
        << message(byId(10) + QByteArray("\x00\x00\xe7\x08\x00", 5) + collation + le(3, 2) + QByteArray("a\0b", 3))
        << "";
}

void TestTdsMessages::procedureCalls()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, read);
    std::vector<tds::RpcRequest> requests;
    std::string why;
    const bool ok = tds::parseRpc(payload.toStdString(), requests, why);
    QCOMPARE(ok, !read.isEmpty());
    if (ok)
        QCOMPARE(summary(requests), read);
    else
        QVERIFY(!why.empty());
}

WARDCHECK_CORE_TEST_MAIN(TestTdsMessages)
#include "tst_tds_messages.moc"
