#include "wristbandcheck.h"

#include "apperror.h"
#include "recordset.h"
#include "sqltext.h"

#include <QRegularExpression>

QString WristbandData::patientName() const
{
    QString name = lastName;
    const QString given =
        QStringList{firstName, middleName}.filter(QRegularExpression(QStringLiteral("\\S"))).join(QLatin1Char(' '));
    if (!given.isEmpty())
        name += (name.isEmpty() ? QString() : QStringLiteral(", ")) + given;
    return name;
}

namespace WristbandCheck {

QString patientListStatement(const QString &search, Order order)
{
    QString sql = QStringLiteral("Select M.Hospnum as HN,N.idnum as IDN, M.Lastname + ', ' + M.Firstname + ' ' "
                                 "+M.Middlename as PatientName, N.RoomID, ")
                  + QStringLiteral("M.Birthdate, M.Sex, N.AdmDate, N.dcrdate from patient_data..tbpatient N ")
                  + QStringLiteral("left outer join patient_data..tbmaster M on N.Hospnum = M.Hospnum ")
                  + QStringLiteral("where dcrdate is null ");
    if (!search.isEmpty()) {
        // Escaped so that the text selects exactly the last names that begin
        // with it: an apostrophe cannot end the literal and %, _ and [ match
        // themselves instead of acting as patterns.
        sql += QStringLiteral(" and lastname like '") + SqlText::likePrefixBody(search) + QStringLiteral("%'");
    }
    if (order == Order::AdmissionDate)
        sql += QStringLiteral(" order by AdmDate desc ");
    else
        sql += QStringLiteral(" order by LastName asc ");
    return sql;
}

const QStringList &patientListFields()
{
    static const QStringList fields = {QStringLiteral("HN"),  QStringLiteral("IDN"),    QStringLiteral("PatientName"),
                                       QStringLiteral("Sex"), QStringLiteral("RoomID"), QStringLiteral("AdmDate")};
    return fields;
}

WristbandData lookUp(Connection &connection, const QString &hospitalNumber, const QString &admissionId)
{
    if (admissionId.isEmpty())
        throw AppError(AppError::InvalidUseOfNull, QStringLiteral("The row has no admission id number."));

    Recordset rs;
    rs.Open(QStringLiteral("Select N.IDNum, N.Hospnum as AdmHospnum, N.RoomID, M.Hospnum, M.Lastname, M.Firstname, "
                           "M.Middlename, M.Birthdate, M.Sex from patient_data..tbpatient N "
                           "left outer join patient_data..tbmaster M on N.Hospnum = M.Hospnum "
                           "where N.IDNum = '")
                + SqlText::literalBody(admissionId) + QStringLiteral("'"),
            &connection);
    // The database compares without regard to case; the band must belong
    // to exactly the admission id it encodes.
    while (!rs.isEOF() && rs.text(QStringLiteral("IDNum")) != admissionId)
        rs.MoveNext();
    if (rs.isEOF()) {
        throw AppError(AppError::ItemNotFound,
                       QStringLiteral("Admission %1 was not found; no wristband was printed.").arg(admissionId));
    }
    WristbandData data;
    data.hospitalNumber = hospitalNumber;
    data.admissionId = admissionId;
    if (!hospitalNumber.isEmpty() && rs.text(QStringLiteral("AdmHospnum")) != hospitalNumber) {
        throw AppError(AppError::ItemNotFound,
                       QStringLiteral("Hospital number %1 does not belong to admission %2; no wristband was printed.")
                           .arg(hospitalNumber, admissionId));
    }
    // Without a patient record the band carries what the list had.
    if (!rs.text(QStringLiteral("Hospnum")).isEmpty()) {
        data.lastName = rs.text(QStringLiteral("Lastname"));
        data.firstName = rs.text(QStringLiteral("Firstname"));
        data.middleName = rs.text(QStringLiteral("Middlename"));
        data.birthDate = rs.text(QStringLiteral("Birthdate"));
        data.sex = rs.text(QStringLiteral("Sex"));
    }
    data.room = rs.text(QStringLiteral("RoomID"));
    return data;
}

std::optional<quint64> settledList(bool fillBusy, quint64 generation)
{
    return fillBusy ? std::nullopt : std::optional<quint64>(generation);
}

bool mayPrint(std::optional<quint64> actedOn, std::optional<quint64> settledNow)
{
    return settledNow && actedOn == settledNow;
}

} // namespace WristbandCheck
