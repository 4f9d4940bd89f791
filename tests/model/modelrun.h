#pragma once

#include "dialogrecorder.h"
#include "wardmodel.h"

#include <QApplication>
#include <QColor>
#include <QLineEdit>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <functional>

// Runs seeded random sequences of actions on a screen and shrinks the first
// one that disagrees with the model. run() replays actions on a fresh screen
// and returns the first disagreement (and the step it came at), or nothing.
namespace ModelRun {

template<class Action> using Runner = std::function<QString(const QList<Action> &, int *failedAt)>;

// Drops steps one at a time, over and over, while the run still disagrees.
template<class Action> QList<Action> shrink(QList<Action> actions, const Runner<Action> &run)
{
    int at = 0;
    run(actions, &at);
    actions = actions.mid(0, at + 1);
    for (bool shrunk = true; shrunk;) {
        shrunk = false;
        for (int i = int(actions.size()) - 1; i >= 0; --i) {
            QList<Action> shorter = actions;
            shorter.removeAt(i);
            int ignored = 0;
            if (!shorter.isEmpty() && !run(shorter, &ignored).isEmpty()) {
                actions = shorter;
                shrunk = true;
            }
        }
    }
    return actions;
}

// WARDCHECK_MODEL_SEQUENCES sequences (or 60) of 60 steps, seeds from
// WARDCHECK_MODEL_SEED on. The first disagreement fails the test, with its
// seed, its step and the shrunk reproduction.
template<class Action>
void randomSequences(const char *screen, quint32 seedStep,
                     const std::function<QList<Action>(quint32 seed, int steps)> &generate, const Runner<Action> &run)
{
    const int sequences = WardModel::sequenceCount(60), steps = 60;
    const quint32 base = quint32(qEnvironmentVariableIntValue("WARDCHECK_MODEL_SEED"));
    int stepsRun = 0;
    for (int n = 0; n < sequences; ++n) {
        const quint32 seed = base + quint32(n) * seedStep + 1u;
        const QList<Action> actions = generate(seed, steps);
        int at = -1;
        const QString disagreement = run(actions, &at);
        stepsRun += at < 0 ? int(actions.size()) : at + 1;
        if (!disagreement.isEmpty()) {
            QStringList repro;
            for (const Action &a : shrink<Action>(actions, run))
                repro << a.describe();
            QFAIL(qPrintable(QStringLiteral("seed %1, step %2: %3\nshortest reproduction:\n  %4")
                                 .arg(seed)
                                 .arg(at + 1)
                                 .arg(disagreement, repro.join(QStringLiteral("\n  ")))));
        }
    }
    qInfo("%s model: %d sequences, %d steps, 0 disagreements", screen, sequences, stepsRun);
}

// Compares a screen with the model after a step; keeps the first disagreement.
class Comparison
{
public:
    void check(bool same, const QString &what, const QString &got, const QString &want);
    // The step's boxes as "title|text", and its beeps.
    void messages(const DialogRecorder &dialogs, const QStringList &want);
    // What both checking screens show alike; a title colour not set yet is
    // not compared.
    void sharedControls(QWidget *form, const QString &info, const QColor &strip, const QColor &title0,
                        const QColor &title1);

    QString disagreement;
};

// A checking screen as the menu opens it: closing it deletes it.
template<class Form> Form *openScreen()
{
    auto *form = new Form();
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->show();
    QApplication::setActiveWindow(form);
    return form;
}
void closeScreen(QWidget *form);
// Types the code into the box, as a scanner does, Enter and all.
void scan(QLineEdit *box, const QString &code);

} // namespace ModelRun
