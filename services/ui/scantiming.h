#pragma once

#include <QObject>
#include <QString>

#include <vector>

class QLineEdit;
class QWidget;

// Tells a wristband that was scanned from a number typed by hand or pasted,
// a known way around bedside scanning. A scanner types a whole code within
// a few milliseconds a key; a person takes well over 30 ms a key. It watches
// one box's key presses with the times the window system gave them, so keys
// held back during a lookup keep the times they were typed at.
class ScanTiming : public QObject
{
    Q_OBJECT

public:
    // The most a scan's keys, Enter included, may come apart on average,
    // unless the ward's preset says otherwise.
    static constexpr qint64 MeanGapMs = 25;

    explicit ScanTiming(QLineEdit *box);

    // Keys that change what the next key types, or nothing: a scanner may
    // send them around a code (Shift for capitals, Num Lock for its keypad),
    // and a keyboard layout may add its own (AltGr). They are not typing.
    static bool isModifier(int key);

    // The box holds exactly the characters its key presses brought, none was
    // corrected, and they came no further apart on average than the limit.
    bool wasScanned(qint64 meanGapLimitMs = MeanGapMs) const;

    // The times between the keys typed since the box was last empty, Enter
    // included, in milliseconds as the window system stamped them.
    std::vector<qint64> gaps() const;
    // Their mean; below 0 when fewer than two keys came.
    double meanGapMs() const;
    // For the audit record: "scanned" or "typed" (empty for an empty box).
    QString entry(qint64 meanGapLimitMs) const;

    // With the policy on, a wristband in the box that was not scanned is not
    // checked: the screen says so (title Verification), beeps and empties the
    // box. True when it was refused.
    bool refuseUnscanned(QWidget *screen, bool policyOn, qint64 meanGapLimitMs = MeanGapMs);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void restart();

    QLineEdit *m_box;
    QString m_typed;
    std::vector<qint64> m_times;
    bool m_edited = false;
};
