// Scan to verdict on the medicine screen over the hospital-scale database:
// the package step (reconnect, lookup, both passes) and the wristband check,
// driven through the real screen on the offscreen platform.
#include "audit.h"
#include "benchsupport.h"
#include "dialogs.h"
#include "frmmeds.h"
#include "medicinetexts.h"
#include "session.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>
#include <vector>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The audit record's preset, off for the first run and on for the second.
    QTemporaryDir presets;
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(presets.path()));
    QDir(presets.path()).mkpath(QStringLiteral("ORVANE"));
    const auto audit = [&presets](bool on) {
        QFile file(presets.filePath(QStringLiteral("ORVANE/Wardcheck.ini")));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(on ? "[audit]\nenabled=true\n" : "[audit]\nenabled=false\n");
        file.close();
        Audit::reload();
    };
    QApplication app(argc, argv);
    const QString path = Bench::hospitalDatabase();
    const int runs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2000;
    const std::vector<Bench::Package> packages = Bench::samplePackages(path, runs);
    if (packages.empty()) {
        QTextStream(stderr) << "no packages found in " << path << Qt::endl;
        return 2;
    }

    Session::setUser(std::make_unique<Bench::User>(path));
    Audit::setUser(QStringLiteral("nurse"));
    QStringList verdicts;
    Dialogs::setHandler([&](const Dialogs::Message &message) {
        verdicts << message.text;
        return Dialogs::Answer::Ok;
    });
    Dialogs::setBeepHandler([] {});

    frmMeds form;
    form.show();
    auto *package = form.findChild<QLineEdit *>(QStringLiteral("txtContainerBarcode"));
    auto *patient = form.findChild<QLineEdit *>(QStringLiteral("txtPatientBarcode"));

    int failures = 0;
    std::vector<double> medians;
    for (const bool on : {false, true}) {
        audit(on);
        std::vector<double> packageStep, wholeCheck;
        int passed = 0;
        QElapsedTimer clock;
        for (int i = -20; i < int(packages.size()); ++i) { // the first 20 warm the caches
            const Bench::Package &p = packages[size_t(i < 0 ? -i : i) % packages.size()];
            verdicts.clear();
            clock.start();
            package->setText(p.reference);
            Bench::pressEnter(package);
            const double afterPackage = double(clock.nsecsElapsed()) / 1e6;
            patient->setText(p.admission);
            Bench::pressEnter(patient);
            const double afterVerdict = double(clock.nsecsElapsed()) / 1e6;
            if (i < 0)
                continue;
            packageStep.push_back(afterPackage);
            wholeCheck.push_back(afterVerdict);
            passed += verdicts.size() == 1 && verdicts.first().startsWith(MedicineTexts::OkToDispense) ? 1 : 0;
        }
        const QString log = on ? QStringLiteral(", audit record on") : QStringLiteral(", audit record off");
        const Bench::Summary step = Bench::summarise(packageStep);
        Bench::print(QStringLiteral("medicine package step (reconnect + lookup)") + log, step, int(packageStep.size()));
        Bench::print(QStringLiteral("medicine scan to verdict") + log, Bench::summarise(wholeCheck),
                     int(wholeCheck.size()));
        std::printf("checks passed: %d of %d\n", passed, int(wholeCheck.size()));
        failures += int(wholeCheck.size()) - passed;
        medians.push_back(step.median);
    }
    Audit::flush();
    std::printf("package step median with the audit record on: %+.3f ms%s\n", medians[1] - medians[0],
                Audit::problem().isEmpty()
                    ? ""
                    : qPrintable(QStringLiteral(" (the log took no record: %1)").arg(Audit::problem())));
    return failures == 0 ? 0 : 1;
}
