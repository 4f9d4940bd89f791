#pragma once

#include "fixture.h"
#include "frmextraction.h"
#include "verificationlist.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTabWidget>

// A small lab: three patients, exams, and requests with the shapes that
// matter (three exams, a missing catalogue entry, missing patient rows, a
// request without an admission number, an apostrophe in a code).
inline void fillLab(FixtureDb &db)
{
    db.patient(QStringLiteral("H001"), QStringLiteral("Dela Cruz"), QStringLiteral("Juan"), QStringLiteral("Santos"),
               QStringLiteral("1958-03-14 00:00:00"), QStringLiteral("M"));
    db.patient(QStringLiteral("H002"), QStringLiteral("O'Brien"), QStringLiteral("Mary"), QStringLiteral("Ann"),
               QStringLiteral("1990-07-01 08:15:00"), QStringLiteral("F"));
    db.admission(QStringLiteral("A100"), QStringLiteral("H001"), QStringLiteral("2B-07"));
    db.admission(QStringLiteral("A200"), QStringLiteral("H002"), QStringLiteral("3C-01"));
    db.exam(QStringLiteral("E1"), QStringLiteral("CBC"));
    db.exam(QStringLiteral("E2"), QStringLiteral("Urinalysis"));
    db.exam(QStringLiteral("E3"), QStringLiteral("Lipid Profile"));
    for (const char *exam : {"E1", "E2", "E3"})
        db.labRow(QStringLiteral("L001"), QStringLiteral("H001"), QStringLiteral("A100"), QStringLiteral("R1"),
                  QString::fromLatin1(exam));
    db.labRow(QStringLiteral("L002"), QStringLiteral("H002"), QStringLiteral("A200"), QStringLiteral("R2"),
              QStringLiteral("E1"));
    db.labRow(QStringLiteral("L002"), QStringLiteral("H002"), QStringLiteral("A200"), QStringLiteral("R2"),
              QStringLiteral("E9"));
    db.labRow(QStringLiteral("L003"), QStringLiteral("H003"), QStringLiteral("A300"), QStringLiteral("R3"),
              QStringLiteral("E2"));
    db.labRow(QStringLiteral("L004"), QStringLiteral("H001"), QVariant(), QStringLiteral("R4"), QStringLiteral("E1"));
    db.labRow(QStringLiteral("L'5"), QStringLiteral("H002"), QStringLiteral("A200"), QStringLiteral("R5"),
              QStringLiteral("E2"));
}

// A listed container for filling the list without a lookup.
inline ListedContainer listedContainer(const QString &refNum, const QString &exam = QStringLiteral("X"))
{
    return ListedContainer{QStringLiteral("H"), QStringLiteral("I"), {exam}, QStringLiteral("N"), QStringLiteral("R"),
                           QStringLiteral("B"), QStringLiteral("S"), refNum, QStringLiteral("R")};
}

// The screen's controls, found by their object names.
struct ExtractionScreen
{
    explicit ExtractionScreen(frmExtraction *screen)
        : form(screen), add(screen->findChild<QLineEdit *>(QStringLiteral("txtAddContainerBarcode"))),
          container(screen->findChild<QLineEdit *>(QStringLiteral("txtVerifyContainer"))),
          patient(screen->findChild<QLineEdit *>(QStringLiteral("txtPatientBarcode"))),
          grid(screen->findChild<QTableView *>(QStringLiteral("Grid1"))),
          model(qobject_cast<VerificationList *>(grid->model())),
          info(screen->findChild<QPlainTextEdit *>(QStringLiteral("lblExamInfo"))),
          strip(screen->findChild<QFrame *>(QStringLiteral("fraCommands"))),
          tabs(screen->findChild<QTabWidget *>(QStringLiteral("SSTab1"))),
          clear(screen->findChild<QPushButton *>(QStringLiteral("cmdClearAll"))),
          title0(screen->findChild<QLabel *>(QStringLiteral("lblTitle(0)"))),
          title1(screen->findChild<QLabel *>(QStringLiteral("lblTitle(1)"))),
          picture1(screen->findChild<QLabel *>(QStringLiteral("Picture1"))),
          picture2(screen->findChild<QLabel *>(QStringLiteral("Picture2"))),
          picture3(screen->findChild<QLabel *>(QStringLiteral("Picture3"))),
          label5(screen->findChild<QLabel *>(QStringLiteral("Label5")))
    { }

    QString row(int dataRow) const
    {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->text(dataRow, VerificationList::Column(c));
        return cells.join(QLatin1Char('|'));
    }
    // The background the grid draws for a cell (invalid: the grid's own).
    QColor background(int dataRow, int column) const
    {
        return model->index(dataRow, column).data(Qt::BackgroundRole).value<QColor>();
    }
    QColor stripColour() const { return strip->palette().color(QPalette::Window); }

    frmExtraction *form;
    QLineEdit *add, *container, *patient;
    QTableView *grid;
    VerificationList *model;
    QPlainTextEdit *info;
    QFrame *strip;
    QTabWidget *tabs;
    QPushButton *clear;
    QLabel *title0, *title1, *picture1, *picture2, *picture3, *label5;
};
