#pragma once

#include <QWidget>

#include <memory>
#include <optional>

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
    QString patientListStatement() const;
    bool isCurrentFill(quint64 generation) const { return generation == m_fillGeneration; }
    // No fill is waiting to start or running: the rows are the ones the user sees.
    bool isSettled() const { return m_settledGeneration == m_fillGeneration; }
    void makeFirstRowCurrent();

    std::unique_ptr<Ui::frmview> ui;
    TextGridModel *m_grid = nullptr;
    // Every fill takes a new number; a fill that finds a newer number after
    // letting events run has been overtaken and adds nothing more.
    quint64 m_fillGeneration = 0;
    quint64 m_settledGeneration = 0;
    // The list Print was pressed over, when it had settled; a click that
    // comes after another fill has started is not for the rows now shown.
    std::optional<quint64> m_printPressedOver;
};
