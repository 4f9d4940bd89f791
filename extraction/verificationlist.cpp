#include "verificationlist.h"

namespace {

// Bright green, as Qt Gui's colour type. It is made from its name at run
// time so that the list needs only Qt Core; a view that draws it always
// runs with Qt Gui loaded, which provides the conversion.
QVariant passedBackground()
{
    QVariant colour(QStringLiteral("#00ff00"));
    if (!colour.convert(QMetaType(QMetaType::QColor)))
        return QVariant();
    return colour;
}

} // namespace

VerificationList::VerificationList(QObject *parent)
    : QAbstractTableModel(parent), m_passedBackground(passedBackground())
{ }

void VerificationList::append(const ListedContainer &row)
{
    const int at = size();
    beginInsertRows(QModelIndex(), at, at);
    m_rows.append(row);
    endInsertRows();
}

void VerificationList::append(const QList<ListedContainer> &rows)
{
    if (rows.isEmpty())
        return;
    const int at = size();
    beginInsertRows(QModelIndex(), at, at + int(rows.size()) - 1);
    m_rows.append(rows);
    endInsertRows();
}

void VerificationList::addExam(int row, const QString &exam)
{
    m_rows[row].exams.append(exam);
    const QModelIndex cell = index(row, LabExams);
    emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::ToolTipRole});
}

void VerificationList::markPassed(int row)
{
    m_rows[row].passed = true;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1), {Qt::BackgroundRole});
}

void VerificationList::clear()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QString VerificationList::title(Column column)
{
    switch (column) {
    case HospNum:
        return QStringLiteral("HospNum");
    case IDNum:
        return QStringLiteral("IDNum");
    case LabExams:
        return QStringLiteral("LabExam(s)");
    case PatientName:
        return QStringLiteral("PatientName");
    case Room:
        return QStringLiteral("Room");
    case Birthdate:
        return QStringLiteral("Birthdate");
    case Sex:
        return QStringLiteral("Sex");
    case RefNum:
        return QStringLiteral("RefNum");
    case RequestNum:
        return QStringLiteral("RequestNum");
    case ColumnCount:
        break;
    }
    return QString();
}

QString VerificationList::text(const ListedContainer &row, Column column)
{
    switch (column) {
    case HospNum:
        return row.hn;
    case IDNum:
        return row.idn;
    case LabExams:
        return row.exams.join(QStringLiteral(", "));
    case PatientName:
        return row.patientName;
    case Room:
        return row.room;
    case Birthdate:
        return row.birthdate;
    case Sex:
        return row.sex;
    case RefNum:
        return row.refNum;
    case RequestNum:
        return QLatin1Char(' ') + row.requestNum;
    case ColumnCount:
        break;
    }
    return QString();
}

QString VerificationList::text(int row, Column column) const
{
    if (row < 0 || row >= size())
        return QString();
    return text(m_rows.at(row), column);
}

int VerificationList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : size();
}

int VerificationList::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant VerificationList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= size() || index.column() >= ColumnCount)
        return QVariant();
    const ListedContainer &row = m_rows.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return text(row, Column(index.column()));
    if (role == Qt::BackgroundRole && row.passed)
        return m_passedBackground;
    return QVariant();
}

QVariant VerificationList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return section >= 0 && section < ColumnCount ? title(Column(section)) : QString();
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags VerificationList::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable; // never editable
}
