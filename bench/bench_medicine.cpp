// Scan to verdict on the medicine screen over the hospital-scale database:
// the package step (reconnect, lookup, both passes) and the wristband check,
// driven through the real screen on the offscreen platform.
#include "benchsupport.h"
#include "dialogs.h"
#include "frmmeds.h"
#include "session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTextStream>

#include <memory>
#include <vector>

namespace { } // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString path = Bench::hospitalDatabase();
    const int runs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2000;
    const std::vector<Bench::Package> packages = Bench::samplePackages(path, runs);
    if (packages.empty()) {
        QTextStream(stderr) << "no packages found in " << path << Qt::endl;
        return 2;
    }

    Session::setUser(std::make_unique<Bench::User>(path));
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
        passed += verdicts.size() == 1 && verdicts.first().startsWith(QStringLiteral("Ok to dispense")) ? 1 : 0;
    }

    Bench::print(QStringLiteral("medicine package step (reconnect + lookup)"), Bench::summarise(packageStep),
                 int(packageStep.size()));
    Bench::print(QStringLiteral("medicine scan to verdict"), Bench::summarise(wholeCheck), int(wholeCheck.size()));
    std::printf("checks passed: %d of %d\n", passed, int(wholeCheck.size()));
    return passed == int(wholeCheck.size()) ? 0 : 1;
}
