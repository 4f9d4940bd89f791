#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// One container of the verification list: a lab request with its patient.
struct ListedContainer
{
    QString hn, idn;
    QStringList exams; // in the order the server returned them; a missing catalogue entry is empty
    QString patientName, room, birthdate, sex, refNum, requestNum;
    bool passed = false; // passed Step 2: the row shows green until it is removed
};

// The verification list the extraction screen's grid shows: one row per
// container, in the order of scanning. The rules read the records; only
// this class turns them into the grid's texts and colours.
class VerificationList : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { HospNum, IDNum, LabExams, PatientName, Room, Birthdate, Sex, RefNum, RequestNum, ColumnCount };

    // Row positions of the list are 16-bit numbers.
    static constexpr int MaxRows = 32767;

    explicit VerificationList(QObject *parent = nullptr);

    int size() const { return int(m_rows.size()); }
    bool isFull() const { return size() >= MaxRows; }
    const ListedContainer &at(int row) const { return m_rows.at(row); }

    // Appends past MaxRows are the caller's to refuse (Step 1 does).
    void append(const ListedContainer &row);
    void append(const QList<ListedContainer> &rows);
    void addExam(int row, const QString &exam);
    void markPassed(int row);
    void clear();

    static QString title(Column column);
    static QString text(const ListedContainer &row, Column column);
    QString text(int row, Column column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QList<ListedContainer> m_rows;
    QVariant m_passedBackground;
};
