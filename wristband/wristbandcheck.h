#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class Connection;

// What one wristband shows.
struct WristbandData
{
    QString hospitalNumber;
    QString admissionId; // the barcode's content, exactly as given
    QString lastName;
    QString firstName;
    QString middleName;
    QString birthDate;
    QString sex;
    QString room;

    QString patientName() const;
};

// When a wristband may print, without a window: the patient list it is
// chosen from, the admission it is printed for, and the list the user acted
// on. (Whether the barcode fits the band is the printer's layout.)
namespace WristbandCheck {

enum class Order { AdmissionDate, LastName };

// The admitted patients (no discharge date yet), narrowed to the last names
// that begin with the search text, newest admission or last name first.
QString patientListStatement(const QString &search, Order order);
// The columns of the list, in the order of its columns.
const QStringList &patientListFields();

// The band of the admission whose id is exactly admissionId; when the row
// had a hospital number, the admission must belong to it. Throws AppError
// when the id is empty, the admission is not found, or the numbers do not
// belong together: then no band is printed.
WristbandData lookUp(Connection &connection, const QString &hospitalNumber, const QString &admissionId);

// A list's rows come from one fill; a fill that is starting or running
// bumps the generation. The list has settled when no fill is busy.
std::optional<quint64> settledList(bool fillBusy, quint64 generation);
// A band prints only from the settled list the user acted on: a key or a
// click that came while a fill was starting or running, or before another
// fill, may have been meant for a row that has gone since.
bool mayPrint(std::optional<quint64> actedOn, std::optional<quint64> settledNow);

} // namespace WristbandCheck
