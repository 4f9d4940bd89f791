#include "scantiming.h"

#include "dialogs.h"
#include "texts.h"

#include <QKeyEvent>
#include <QLineEdit>

bool ScanTiming::isModifier(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

ScanTiming::ScanTiming(QLineEdit *box) : QObject(box), m_box(box)
{
    box->installEventFilter(this);
    connect(box, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (text.isEmpty())
            restart();
    });
}

void ScanTiming::restart()
{
    m_typed.clear();
    m_times.clear();
    m_edited = false;
}

bool ScanTiming::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_box || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<const QKeyEvent *>(event);
    if (m_box->text().isEmpty())
        restart();
    const qint64 at = qint64(key->timestamp());
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        m_times.push_back(at);
    } else if (!key->text().isEmpty() && key->text().at(0).isPrint()) {
        m_typed += key->text();
        m_times.push_back(at);
    } else if (!isModifier(key->key())) {
        // Backspace, Delete, arrows, Ctrl+V: what follows was not one scan.
        m_edited = true;
    }
    return QObject::eventFilter(watched, event);
}

bool ScanTiming::wasScanned(qint64 meanGapLimitMs) const
{
    if (m_edited || m_box->text() != m_typed || m_times.size() < 2)
        return false;
    const qint64 span = m_times.back() - m_times.front();
    return span <= meanGapLimitMs * qint64(m_times.size() - 1);
}

std::vector<qint64> ScanTiming::gaps() const
{
    std::vector<qint64> between;
    for (size_t i = 1; i < m_times.size(); ++i)
        between.push_back(m_times[i] - m_times[i - 1]);
    return between;
}

double ScanTiming::meanGapMs() const
{
    if (m_times.size() < 2)
        return -1;
    return double(m_times.back() - m_times.front()) / double(m_times.size() - 1);
}

QString ScanTiming::entry(qint64 meanGapLimitMs) const
{
    if (m_box->text().isEmpty())
        return QString();
    return wasScanned(meanGapLimitMs) ? QStringLiteral("scanned") : QStringLiteral("typed");
}

bool ScanTiming::refuseUnscanned(QWidget *screen, bool policyOn, qint64 meanGapLimitMs)
{
    if (!policyOn || m_box->text().isEmpty() || wasScanned(meanGapLimitMs))
        return false;
    Dialogs::inform(screen, Texts::TypedWristbandRefused, Texts::VerificationTitle);
    Dialogs::beep();
    m_box->clear();
    return true;
}
