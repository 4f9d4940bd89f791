#pragma once

#include <QWidget>

#include <memory>
#include <optional>

class LookupGuard;
namespace FitText {
class Columns;
}
class TextGridModel;

namespace Ui {
class frmview;
}

// The admitted patient list: narrowed by the beginning of the last name as
// the user types, ordered by admission date or last name, and the place
// where a patient's wristband is printed.
class frmview : public QWidget
{
    Q_OBJECT

public:
    explicit frmview(QWidget *parent = nullptr);
    ~frmview() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void SetupGrid();
    void LoadPatientList();
    void PrintWristband();
    void printIfStillSeen(std::optional<quint64> seenGeneration);
    // The fill the rows come from, when none is starting or running; the
    // rows are then the ones the user sees.
    std::optional<quint64> settledList() const;
    void makeFirstRowCurrent();
    void addRows(const QList<QStringList> &rows);

    std::unique_ptr<Ui::frmview> ui;
    TextGridModel *m_grid = nullptr;
    LookupGuard *m_guard = nullptr;
    std::unique_ptr<FitText::Columns> m_columns;
    // The list Print was pressed over, when it had settled; a click that
    // comes after another fill has started is not for the rows now shown.
    std::optional<quint64> m_printPressedOver;
};
