#pragma once

#include <QList>
#include <QStringList>

#include <array>

class QTableView;
class QWidget;

// What a nurse must read is never cut off. The screens' designed widths were
// made for other fonts and shorter dates: where one would cut a value, the
// control grows to it, and it is never narrower than designed.
namespace FitText {

// A caption, option button or check box as wide as its text needs. It grows
// away from the side its text keeps to: a right-aligned caption to the
// left, any other to the right, within its parent.
void fitCaption(QWidget *control);
// fitCaption for every caption, option button and check box of a window.
void fitCaptions(QWidget *window);

// A list's columns: at least as wide as designed, and as wide as the widest
// text of the rows handed to it since the last reset, up to a column's limit.
//
// A cell's text is drawn shortened when its width, in fractions of a pixel,
// is more than the column's width less the grid line and the text margins.
int cellTextRoom(const QTableView *view, int columnWidth);
class Columns
{
public:
    Columns(QTableView *view, QList<int> designPixels);
    // A column whose text is shown in full elsewhere grows no wider than
    // this (nor narrower than designed), so that a long text cannot push the
    // columns after it off the list.
    void limit(int column, int mostPixels);
    // Back to the designed widths (a list that was emptied).
    void reset();
    // Grows columns to rows being added to the list, cell by cell.
    void fit(const QList<QStringList> &rows);
    void fit(const QStringList &row) { fit(QList<QStringList>{row}); }

private:
    // At least the text's width, from its characters' advances: cheap
    // enough for every cell of a long list; only a text that might not fit
    // is measured exactly.
    qreal roughWidth(const QString &text) const;

    QTableView *m_view;
    QList<int> m_design;
    QList<int> m_most;
    std::array<qreal, 256> m_advance{};
    qreal m_widestAdvance = 0;
    int m_margin = 0;
};

} // namespace FitText
