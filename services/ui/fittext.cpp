#include "fittext.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QTableView>

#include <cmath>
#include <limits>

namespace FitText {
namespace {

int neededWidth(QWidget *control)
{
    if (auto *label = qobject_cast<QLabel *>(control)) {
        if (label->wordWrap() || label->text().isEmpty() || label->textFormat() == Qt::RichText)
            return 0;
        QString text = label->text();
        if (label->buddy() || text.contains(QLatin1Char('&')))
            text.remove(QLatin1Char('&'));
        const QMargins margins = label->contentsMargins();
        return label->fontMetrics().horizontalAdvance(text) + 2 * label->margin() + margins.left() + margins.right();
    }
    if (qobject_cast<QRadioButton *>(control) || qobject_cast<QCheckBox *>(control))
        return control->sizeHint().width();
    return 0;
}

} // namespace

void fitCaption(QWidget *control)
{
    const int needed = neededWidth(control);
    if (needed <= control->width())
        return;
    QRect area = control->geometry();
    const auto *label = qobject_cast<QLabel *>(control);
    const bool growsLeft = label && (label->alignment() & Qt::AlignRight);
    const int room = control->parentWidget() ? control->parentWidget()->width() : area.right() + needed;
    if (growsLeft) {
        area.setLeft(std::max(0, area.right() + 1 - needed));
    } else {
        area.setWidth(needed);
        if (area.right() >= room)
            area.moveRight(room - 1);
        area.setLeft(std::max(0, area.left()));
    }
    control->setGeometry(area);
}

void fitCaptions(QWidget *window)
{
    for (QWidget *control : window->findChildren<QWidget *>()) {
        if (qobject_cast<QLabel *>(control) || qobject_cast<QRadioButton *>(control)
            || qobject_cast<QCheckBox *>(control))
            fitCaption(control);
    }
}

int cellTextRoom(const QTableView *view, int columnWidth)
{
    // As the style lays a cell's text out: a margin each side of it, and the
    // grid line taken from the cell.
    const int textMargin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    return columnWidth - 2 * textMargin - (view->showGrid() ? 1 : 0);
}

Columns::Columns(QTableView *view, QList<int> designPixels)
    : m_view(view), m_design(std::move(designPixels)), m_most(m_design.size(), std::numeric_limits<int>::max())
{
    const QFontMetricsF metrics(m_view->font());
    for (int c = 0; c < int(m_advance.size()); ++c)
        m_advance[size_t(c)] = metrics.horizontalAdvance(QChar(c));
    m_widestAdvance = metrics.maxWidth();
    m_margin = 100 - cellTextRoom(m_view, 100);
    reset();
}

void Columns::limit(int column, int mostPixels)
{
    m_most[column] = std::max(mostPixels, m_design.at(column));
}

void Columns::reset()
{
    for (int c = 0; c < m_design.size(); ++c)
        m_view->setColumnWidth(c, m_design.at(c));
}

qreal Columns::roughWidth(const QString &text) const
{
    qreal width = 2; // kerning rarely widens a text, and never by much
    for (const QChar c : text)
        width += c.unicode() < m_advance.size() ? m_advance[c.unicode()] : m_widestAdvance;
    return width;
}

void Columns::fit(const QList<QStringList> &rows)
{
    if (rows.isEmpty())
        return;
    const QFontMetricsF metrics(m_view->font());
    for (int c = 0; c < m_design.size(); ++c) {
        const int before = m_view->columnWidth(c);
        int widest = before;
        for (const QStringList &row : rows) {
            if (c >= row.size())
                continue;
            const QString &text = row.at(c);
            if (roughWidth(text) + m_margin <= widest)
                continue;
            widest = std::max(widest, int(std::ceil(metrics.horizontalAdvance(text))) + m_margin);
        }
        widest = std::min(widest, m_most.at(c));
        if (widest > before)
            m_view->setColumnWidth(c, widest);
    }
}

} // namespace FitText
