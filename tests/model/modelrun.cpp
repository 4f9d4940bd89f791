#include "modelrun.h"

#include <QCoreApplication>
#include <QPalette>
#include <QPlainTextEdit>

namespace ModelRun {

void Comparison::check(bool same, const QString &what, const QString &got, const QString &want)
{
    if (!same && disagreement.isEmpty())
        disagreement = QStringLiteral("%1: screen has \"%2\", model says \"%3\"").arg(what, got, want);
}

void Comparison::messages(const DialogRecorder &dialogs, const QStringList &want)
{
    QStringList seen;
    for (const auto &ev : dialogs.events())
        seen << (ev.kind == DialogRecorder::Event::Kind::Beep ? QStringLiteral("beep")
                                                              : ev.title + QLatin1Char('|') + ev.text);
    check(seen == want, QStringLiteral("messages"), seen.join(QStringLiteral(" / ")), want.join(QStringLiteral(" / ")));
}

void Comparison::sharedControls(QWidget *form, const QString &info, const QColor &strip, const QColor &title0,
                                const QColor &title1)
{
    const QString shown = form->findChild<QPlainTextEdit *>(QStringLiteral("lblExamInfo"))->toPlainText();
    check(shown == info, QStringLiteral("information box"), shown, info);
    const QColor stripShown =
        form->findChild<QWidget *>(QStringLiteral("fraCommands"))->palette().color(QPalette::Window);
    check(stripShown == strip, QStringLiteral("strip"), stripShown.name(), strip.name());
    for (auto [name, want] : {std::pair{"lblTitle(0)", title0}, std::pair{"lblTitle(1)", title1}}) {
        const QColor fore = form->findChild<QWidget *>(QLatin1String(name))->palette().color(QPalette::WindowText);
        if (want.isValid())
            check(fore == want, QLatin1String(name), fore.name(), want.name());
    }
}

void closeScreen(QWidget *form)
{
    if (!form)
        return;
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void scan(QLineEdit *box, const QString &code)
{
    box->setFocus();
    QTest::keyClicks(box, code);
    QTest::keyClick(box, Qt::Key_Return);
}

} // namespace ModelRun
