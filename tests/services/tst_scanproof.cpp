#include "dialogrecorder.h"
#include "dialogs.h"
#include "scanproofkeys.h"
#include "testmain.h"
#include "texts.h"

#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

// A verdict box must not be closed by the burst of keys a scanner types,
// nor in its first moments on screen; a deliberate Enter or a click still
// closes it. No letter answers a box: a question presses the button whose
// letter is typed, and a scan may begin with "Y".
class TestScanProof : public QObject
{
    Q_OBJECT

private slots:
    void scansNeverCloseTheBox_data();
    void scansNeverCloseTheBox();
    void boxesShowPlainText();
};

void TestScanProof::scansNeverCloseTheBox_data()
{
    QTest::addColumn<QList<int>>("times"); // when each key comes, ms after the box opened
    QTest::addColumn<QString>("keys"); // '\r' is Enter
    QTest::addColumn<bool>("closes");
    QTest::addColumn<int>("bursts"); // dropped bursts, each told by one call
    QTest::addColumn<bool>("busy"); // the clock moves on while a key is being delivered
    QTest::addColumn<bool>("question"); // Yes and No, No the default, instead of OK
    QTest::newRow("Enter at once") << QList<int>{50} << "\r" << false << 1 << false << false;
    QTest::newRow("scan at once") << QList<int>{10, 12, 14, 16} << "C12\r" << false << 1 << false << false;
    QTest::newRow("two scans at once") << QList<int>{10, 12, 14, 400, 402, 404} << "C1\rC2\r" << false << 2 << false
                                       << false;
    QTest::newRow("scan later") << QList<int>{2000, 2002, 2004, 2006, 2008} << "C100\r" << false << 1 << false << false;
    QTest::newRow("scan then a deliberate Enter")
        << QList<int>{2000, 2002, 2004, 3000} << "C1\r\r" << true << 1 << false << false;
    QTest::newRow("deliberate Enter") << QList<int>{1500} << "\r" << true << 0 << false << false;
    QTest::newRow("deliberate Escape") << QList<int>{1500} << "\x1b" << true << 0 << false << false;
    QTest::newRow("deliberate Enter, busy machine") << QList<int>{1500} << "\r" << true << 0 << true << false;
    QTest::newRow("scan then a deliberate Enter, busy machine")
        << QList<int>{2000, 2002, 2004, 3000} << "C1\r\r" << true << 1 << true << false;
    QTest::newRow("scan at once, busy machine") << QList<int>{10, 12, 14, 16} << "C12\r" << false << 1 << true << false;
    QTest::newRow("a letter, deliberately") << QList<int>{1500} << "O" << false << 1 << false << false;
    QTest::newRow("question: scan beginning with Y, later")
        << QList<int>{2000, 2002, 2004, 2006} << "Y12\r" << false << 1 << false << true;
    QTest::newRow("question: scan beginning with N, later")
        << QList<int>{2000, 2002, 2004, 2006} << "N12\r" << false << 1 << false << true;
    QTest::newRow("question: Y, deliberately") << QList<int>{1500} << "Y" << false << 1 << false << true;
    QTest::newRow("question: Alt+Y, deliberately") << QList<int>{1500} << "\x01" << false << 1 << false << true;
    QTest::newRow("question: deliberate Enter") << QList<int>{1500} << "\r" << true << 0 << false << true;
    QTest::newRow("question: deliberate Space") << QList<int>{1500} << " " << true << 0 << false << true;
    QTest::newRow("question: deliberate Escape") << QList<int>{1500} << "\x1b" << true << 0 << false << true;
    QTest::newRow("question: Y, then a deliberate Enter")
        << QList<int>{1500, 3000} << "Y\r" << true << 1 << false << true;
}

void TestScanProof::scansNeverCloseTheBox()
{
    QFETCH(QList<int>, times);
    QFETCH(QString, keys);
    QFETCH(bool, closes);
    QFETCH(int, bursts);
    QFETCH(bool, busy);
    QFETCH(bool, question);
    qint64 now = 0;
    QMessageBox box(QMessageBox::NoIcon, Texts::VerificationTitle, Texts::FailedVerification,
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
    // As Dialogs asks: No is the default and the escape.
    box.setDefaultButton(question ? QMessageBox::No : QMessageBox::Ok);
    box.setEscapeButton(question ? QMessageBox::No : QMessageBox::Ok);
    // On a busy machine a millisecond may pass between the window and the
    // button seeing the same key.
    ScanProofKeys guard(&box, [&now, busy] { return busy ? now++ : now; });
    int told = 0;
    guard.setBurstDropped([&told] { ++told; });
    qApp->installEventFilter(&guard);
    QSignalSpy finished(&box, &QDialog::finished);
    QVERIFY(showActive(&box));
    // Through the window, as real keys come: each passes the window, then
    // the button with the focus.
    for (int i = 0; i < keys.size(); ++i) {
        now = times.at(i);
        const QChar c = keys.at(i);
        if (c == QLatin1Char('\r'))
            QTest::keyClick(box.windowHandle(), Qt::Key_Return);
        else if (c == QLatin1Char('\x1b'))
            QTest::keyClick(box.windowHandle(), Qt::Key_Escape);
        else if (c == QLatin1Char(' '))
            QTest::keyClick(box.windowHandle(), Qt::Key_Space);
        else if (c == QLatin1Char('\x01'))
            QTest::keyClick(box.windowHandle(), Qt::Key_Y, Qt::AltModifier);
        else
            QTest::keyClick(box.windowHandle(), Qt::Key(c.toUpper().unicode()), Qt::NoModifier);
    }
    // A mnemonic's press comes a moment later.
    QTest::qWait(300);
    QCOMPARE(finished.count() > 0, closes);
    if (closes)
        QVERIFY(finished.constFirst().constFirst().toInt() != QMessageBox::Yes);
    QCOMPARE(box.isVisible(), !closes);
    QCOMPARE(told, bursts);
}

// A patient's name or a driver's message with < or & in it is shown as it
// is, never read as markup.
void TestScanProof::boxesShowPlainText()
{
    const QString text = QStringLiteral("Santos, <b>Maria</b> & O'Brien <i>");
    DialogRecorder boxes(DialogRecorder::Boxes::Shown);
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(100, this, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
            format = label ? label->textFormat() : box->textFormat();
            shown = box->text();
            box->done(QMessageBox::Ok);
        }
    });
    Dialogs::inform(nullptr, text, QStringLiteral("Verification"));
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(shown, text);
}

WARDCHECK_TEST_MAIN(TestScanProof)
#include "tst_scanproof.moc"
