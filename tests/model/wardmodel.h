#pragma once

#include "fixture.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <random>

// An independent model of the two bedside checks, written from the rules of
// the checks and not from the screens' code. It holds a small ward full of
// near-misses, writes it into a fixture database, and answers what each
// lookup must find.
namespace WardModel {

using Text = std::optional<QString>; // nullopt is NULL

struct Patient
{
    QString hn;
    Text last, first, middle, birth, sex;
};
struct Admission
{
    QString idn;
    Text hn, room;
};
struct Item
{
    QString id;
    Text name;
    QStringList locations;
};
struct NurseRow
{
    QString ref;
    Text hn, idn, request, item;
};
struct Exam
{
    QString id;
    Text name;
};
struct LabRow
{
    QString ref;
    Text hn, idn, request, item;
};

struct Ward
{
    QList<Patient> patients;
    QList<Admission> admissions;
    QList<Item> items;
    QList<NurseRow> nurse;
    QList<Exam> exams;
    QList<LabRow> lab;

    void writeTo(FixtureDb &db) const;

    // Text keys compare as the hospital's collation does: without regard to
    // the case of ASCII letters, and otherwise exactly; over SQL Server also
    // without regard to trailing blanks.
    static bool sameKey(const Text &a, const QString &b);
    static bool sameKey(const Text &a, const Text &b);

    const Patient *patient(const Text &hn) const;
    const Admission *admission(const Text &idn) const;
    const Item *item(const Text &id) const;
    const Exam *exam(const Text &id) const;
    Text patientName(const Text &hn) const;

    // One row of the medicine package query.
    struct PackageRow
    {
        Text hn, idn, name, ref, request, itemName;
    };
    QList<PackageRow> packageRows(const QString &code) const;

    // One record of the container query.
    struct ContainerRow
    {
        Text refnum, hn, idn, exam, name, room, birth, sex, request;
    };
    QList<ContainerRow> containerRows(const QString &code) const;
};

// The ward used by the model-based runs: codes that differ by case, by a
// blank, by one character; patients sharing a name; requests without an
// admission number; items not stocked at the ward; missing master records.
Ward nearMissWard();

// The codes a run draws its scans from.
QStringList packageCodes();
QStringList containerCodes();
QStringList wristbandCodes();

// How many sequences a run makes: WARDCHECK_MODEL_SEQUENCES, or the default.
int sequenceCount(int fallback);

QString dateText(const Text &stored);

} // namespace WardModel
