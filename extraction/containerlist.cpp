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
    return Record{records.text(QStringLiteral("RefNum")),      records.text(QStringLiteral("HN")),
                  records.text(QStringLiteral("IDN")),         records.text(QStringLiteral("LabExam")),
                  records.text(QStringLiteral("PatientName")), records.text(QStringLiteral("RoomID")),
                  records.text(QStringLiteral("Birthdate")),   records.text(QStringLiteral("Sex")),
                  records.text(QStringLiteral("RequestNum"))};
}

bool Grouping::add(const Record &record)
{
    if (m_row >= 0 && record.refNum == m_list.at(m_row).refNum) {
        m_list.addExam(m_row, record.labExam);
        return true;
    }
    if (m_list.isFull())
        return false;
    m_list.append(ListedContainer{record.hn,
                                  record.idn,
                                  {record.labExam},
                                  record.patientName,
                                  record.room,
                                  record.birthdate,
                                  record.sex,
                                  record.refNum,
                                  record.requestNum});
    m_row = m_list.size() - 1;
    return true;
}

Preload preload(VerificationList &list, const QString &code, const LookupSteps &steps)
{
    if (isBlank(code))
        return Preload::Blank;
    if (findListed(list, code) >= 0)
        return Preload::Listed;
    if (list.isFull())
        return Preload::Full;

    Connection &connection = steps.reconnect();
    if (!steps.yield())
        return Preload::Stopped;
    Recordset records;
    records.Open(statement(code), &connection);
    if (records.isEOF())
        return Preload::NotFound;
    Grouping grouping(list);
    while (!records.isEOF()) {
        if (!grouping.add(Record::read(records)))
            return Preload::Full;
        records.MoveNext();
        if (!steps.yield())
            return Preload::Stopped;
    }
    return Preload::Added;
}

int findListed(const VerificationList &list, const QString &refNum)
{
    for (int row = 0; row < list.size(); ++row) {
        if (list.at(row).refNum == refNum)
            return row;
    }
    return -1;
}

int findBedsideMatch(const VerificationList &list, const QString &container, const QString &wristband)
{
    if (container.isEmpty() || wristband.isEmpty())
        return -1;
    for (int row = 0; row < list.size(); ++row) {
        const ListedContainer &listed = list.at(row);
        if (listed.refNum == container && listed.idn == wristband)
            return row;
    }
    return -1;
}

} // namespace ContainerList
