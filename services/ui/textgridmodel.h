#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QList>
#include <QStringList>

// A grid of text cells for the checking lists: titles in the header, data
// rows below, each cell with its own background. Rows are appended as lists
// of cells, so a value holding a tab stays in its column. Data row r of the
// model is grid row r + 1, the title row being grid row 0.
class TextGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TextGridModel(QObject *parent = nullptr);

    void setColumnCount(int columns);
    void setTitles(const QStringList &titles);
    QString title(int column) const;

    // The cells of the first columns; missing ones are empty, extra ones
    // are left out.
    void addRow(const QStringList &cells);
    void addRows(const QList<QStringList> &rows);
    void removeAllRows();

    int dataRowCount() const { return int(m_rows.size()); }
    QString text(int dataRow, int column) const;
    void setText(int dataRow, int column, const QString &text);
    QColor background(int dataRow, int column) const;
    void setBackground(int dataRow, int column, const QColor &colour);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    struct Cell
    {
        QString text;
        QColor background;
    };
    QList<Cell> rowOf(const QStringList &cells) const;

    int m_columns = 0;
    QStringList m_titles;
    QList<QList<Cell>> m_rows;
};
