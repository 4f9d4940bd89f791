#pragma once

#include "wardmodel.h"

#include <QList>
#include <QString>
#include <QStringList>

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

struct Result
{
    int sequences = 0;
    int steps = 0;
    QString failure; // seed, step, disagreement and the shrunk reproduction
};

// WARDCHECK_MODEL_SEQUENCES sequences (or the fallback) of the given length,
// seeds from WARDCHECK_MODEL_SEED on.
template<class Action>
Result randomSequences(int fallback, int steps, quint32 seedStep,
                       const std::function<QList<Action>(quint32 seed, int steps)> &generate, const Runner<Action> &run)
{
    Result result;
    const int sequences = WardModel::sequenceCount(fallback);
    const quint32 base = quint32(qEnvironmentVariableIntValue("WARDCHECK_MODEL_SEED"));
    for (int n = 0; n < sequences; ++n) {
        const quint32 seed = base + quint32(n) * seedStep + 1u;
        const QList<Action> actions = generate(seed, steps);
        int at = -1;
        const QString disagreement = run(actions, &at);
        ++result.sequences;
        result.steps += at < 0 ? int(actions.size()) : at + 1;
        if (!disagreement.isEmpty()) {
            QStringList repro;
            for (const Action &a : shrink<Action>(actions, run))
                repro << a.describe();
            result.failure = QStringLiteral("seed %1, step %2: %3\nshortest reproduction:\n  %4")
                                 .arg(seed)
                                 .arg(at + 1)
                                 .arg(disagreement, repro.join(QStringLiteral("\n  ")));
            return result;
        }
    }
    return result;
}

} // namespace ModelRun
