#include "packagelookup.h"

#include "connection.h"
#include "sqltext.h"

bool PackageLookup::isPackageCode(const QString &code)
{
    return code.startsWith(QLatin1Char('C')) || code.startsWith(QLatin1Char('c'));
}

QString PackageLookup::statement(const QString &code)
{
    return QStringLiteral(
               "  select ReferenceNum, M.Hospnum as HN,STA.idnum as IDN,STA.RequestNum,STA.ItemID, INVM.itemname, "
               "M.Lastname + ', ' + M.Firstname + ' ' +M.Middlename as PatientName ")
           + QStringLiteral(" from Station..tbnursecommunicationfile STA  ")
           + QStringLiteral(" left outer join patient_data..tbmaster M on STA.Hospnum = M.Hospnum ")
           + QStringLiteral(" left outer join patient_data..tbpatient N on STA.idnum = N.IDNum ")
           + QStringLiteral(" left outer join Inventory..tbinvmaster INVM on STA.itemid=INVM.itemid ")
           + QStringLiteral(" left outer join Inventory..tbinvent INV on INV.itemid=STA.itemid")
           + QStringLiteral(" where ReferenceNum = '") + SqlText::literalBody(code)
           + QStringLiteral("' and INVM.itemid=INV.itemid and INV.locationid = '20'");
}

QString PackageLookup::showItemsStatement(const QString &code)
{
    return QStringLiteral(
               "  select ReferenceNum, M.Hospnum as HN,L.idnum as IDN,L.RequestNum,L.ItemID, X.itemname, B.LabExam, "
               "M.Lastname + ', ' + M.Firstname + ' ' +M.Middlename as PatientName, N.RoomID, ")
           + QStringLiteral(" M.Birthdate, M.Sex  ") + QStringLiteral(" from Station..tbnursecommunicationfile L  ")
           + QStringLiteral(" left outer join patient_data..tbmaster M on L.Hospnum = M.Hospnum ")
           + QStringLiteral(" left outer join patient_data..tbpatient N on L.idnum = N.IDNum ")
           + QStringLiteral(" left outer join build_file..tbcoLabExam B on L.[ItemID] = B.LabExamId ")
           + QStringLiteral(" left outer join Inventory..tbinvmaster as X on L.itemid=X.itemid ")
           + QStringLiteral(" where ReferenceNum = '") + SqlText::literalBody(code) + QStringLiteral("'");
}

QString PackageLookup::items(Connection &connection, const QString &code)
{
    Recordset records;
    records.Open(showItemsStatement(code), &connection);
    QString items;
    for (; !records.isEOF(); records.MoveNext())
        items += records.text(QStringLiteral("itemname")) + QStringLiteral("\r\n");
    return items;
}

PackageLookup::PackageLookup(Connection &connection, const QString &code, MedicineScan &scan)
    : m_connection(connection), m_statement(statement(code)), m_scan(scan)
{ }

template<class Step> auto PackageLookup::marked(Step step)
{
    try {
        return step();
    } catch (...) {
        m_scan.lookupFailed = true;
        throw;
    }
}

bool PackageLookup::open()
{
    return marked([this] {
        m_rows.Open(m_statement, &m_connection);
        return !m_rows.isEOF();
    });
}

bool PackageLookup::readRow()
{
    return marked([this] {
        if (m_rows.isEOF())
            return false;
        // Null in any of these is an error, as it is where they are read.
        m_scan.HN = m_rows.requiredText(QStringLiteral("HN"));
        m_scan.IDN = m_rows.requiredText(QStringLiteral("IDN"));
        m_scan.PatientName = m_rows.requiredText(QStringLiteral("PatientName"));
        m_scan.ReferenceNum = m_rows.requiredText(QStringLiteral("ReferenceNum"));
        m_scan.RequestNum = m_rows.requiredText(QStringLiteral("RequestNum"));
        m_rows.MoveNext();
        return true;
    });
}

void PackageLookup::readItems()
{
    marked([this] {
        m_rows.Close();
        m_rows.Open(m_statement, &m_connection);
        for (; !m_rows.isEOF(); m_rows.MoveNext())
            m_scan.ItemList += QStringLiteral("\r\n") + m_rows.text(QStringLiteral("itemname"));
    });
}
