#include "textgridmodel.h"

TextGridModel::TextGridModel(QObject *parent) : QAbstractTableModel(parent)
{ }

void TextGridModel::setColumnCount(int columns)
{
    columns = std::max(columns, 0);
    if (columns == m_columns)
        return;
    beginResetModel();
    m_columns = columns;
    for (auto &row : m_rows)
        row.resize(columns);
    endResetModel();
}

void TextGridModel::setTitles(const QStringList &titles)
{
    m_titles = titles;
    if (m_columns > 0)
        emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
}

QString TextGridModel::title(int column) const
{
    return m_titles.value(column);
}

QList<TextGridModel::Cell> TextGridModel::rowOf(const QStringList &cells) const
{
    QList<Cell> row(m_columns);
    for (int c = 0; c < m_columns && c < cells.size(); ++c)
        row[c].text = cells.at(c);
    return row;
}

void TextGridModel::addRow(const QStringList &cells)
{
    const int at = int(m_rows.size());
    beginInsertRows(QModelIndex(), at, at);
    m_rows.append(rowOf(cells));
    endInsertRows();
}

void TextGridModel::addRows(const QList<QStringList> &lines)
{
    if (lines.isEmpty())
        return;
    const int at = int(m_rows.size());
    beginInsertRows(QModelIndex(), at, at + int(lines.size()) - 1);
    // Grow geometrically: reserving the exact size on every batch would
    // copy the whole list each time a long fill hands over its rows.
    if (m_rows.capacity() < m_rows.size() + lines.size())
        m_rows.reserve(std::max(m_rows.size() + lines.size(), 2 * m_rows.size()));
    for (const QStringList &cells : lines)
        m_rows.append(rowOf(cells));
    endInsertRows();
}

void TextGridModel::removeAllRows()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QString TextGridModel::text(int dataRow, int column) const
{
    if (dataRow < 0 || dataRow >= m_rows.size() || column < 0 || column >= m_columns)
        return QString();
    return m_rows.at(dataRow).at(column).text;
}

void TextGridModel::setText(int dataRow, int column, const QString &text)
{
    if (dataRow < 0 || dataRow >= m_rows.size() || column < 0 || column >= m_columns)
        return;
    m_rows[dataRow][column].text = text;
    const QModelIndex at = index(dataRow, column);
    emit dataChanged(at, at, {Qt::DisplayRole});
}

QColor TextGridModel::background(int dataRow, int column) const
{
    if (dataRow < 0 || dataRow >= m_rows.size() || column < 0 || column >= m_columns)
        return QColor();
    return m_rows.at(dataRow).at(column).background;
}

void TextGridModel::setBackground(int dataRow, int column, const QColor &colour)
{
    if (dataRow < 0 || dataRow >= m_rows.size() || column < 0 || column >= m_columns)
        return;
    m_rows[dataRow][column].background = colour;
    const QModelIndex at = index(dataRow, column);
    emit dataChanged(at, at, {Qt::BackgroundRole});
}

int TextGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TextGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant TextGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= m_columns)
        return QVariant();
    const Cell &cell = m_rows.at(index.row()).at(index.column());
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return cell.text;
    if (role == Qt::BackgroundRole && cell.background.isValid())
        return cell.background;
    return QVariant();
}

QVariant TextGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_titles.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TextGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable; // never editable
}
