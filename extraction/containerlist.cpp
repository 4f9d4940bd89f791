#include "containerlist.h"

#include "sqltext.h"

namespace ContainerList {

QString statement(const QString &code)
{
    return QStringLiteral("  select   refnum, M.Hospnum as HN,L.idnum as IDN,L.RequestNum,L.ItemID,B.LabExam,"
                          "M.Lastname + ', ' + M.Firstname + ' ' +M.Middlename as PatientName, N.RoomID, ")
        + QStringLiteral(" M.Birthdate, M.Sex  ") + QStringLiteral(" from [Laboratory].[dbo].[tbLABmaster] L  ")
        + QStringLiteral(" left outer join patient_data..tbmaster M on L.Hospnum = M.Hospnum ")
        + QStringLiteral(" left outer join patient_data..tbpatient N on L.idnum = N.IDNum ")
        + QStringLiteral(" left outer join build_file..tbcoLabExam B on L.[ItemID] = B.LabExamId ")
        + QStringLiteral(" where refnum = '") + SqlText::literalBody(code) + QStringLiteral("' ");
}

bool isBlank(const QString &scan)
{
    for (QChar c : scan) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

Record Record::read(const Recordset &records)
{
    return Record{records.text(QStringLiteral("RefNum")),     records.text(QStringLiteral("HN")),
                  records.text(QStringLiteral("IDN")),        records.text(QStringLiteral("LabExam")),
                  records.text(QStringLiteral("PatientName")), records.text(QStringLiteral("RoomID")),
                  records.text(QStringLiteral("Birthdate")),  records.text(QStringLiteral("Sex")),
                  records.text(QStringLiteral("RequestNum"))};
}

bool Grouping::add(const Record &record)
{
    if (m_started && record.refNum == m_row.at(RefNum)) {
        m_row[LabExams] += QStringLiteral(", ") + record.labExam;
        return false;
    }
    m_started = true;
    m_row = QStringList{record.hn,   record.idn,       record.labExam, record.patientName,
                        record.room, record.birthdate, record.sex,     record.refNum,
                        QLatin1Char(' ') + record.requestNum};
    return true;
}

QList<QStringList> Grouping::rowsOf(const QList<Record> &records)
{
    Grouping grouping;
    QList<QStringList> rows;
    for (const Record &record : records) {
        if (grouping.add(record))
            rows.append(grouping.row());
        else
            rows.last() = grouping.row();
    }
    return rows;
}

int findListed(const Rows &rows, const QString &refNum)
{
    for (int row = 0; row < rows.count; ++row) {
        if (rows.cell(row, RefNum) == refNum)
            return row;
    }
    return -1;
}

int findBedsideMatch(const Rows &rows, const QString &container, const QString &wristband)
{
    if (container.isEmpty() || wristband.isEmpty())
        return -1;
    for (int row = 0; row < rows.count; ++row) {
        if (rows.cell(row, RefNum) == container && rows.cell(row, IDNum) == wristband)
            return row;
    }
    return -1;
}

} // namespace ContainerList
