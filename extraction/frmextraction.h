#pragma once

#include "containerlist.h"

#include <QWidget>

#include <memory>

class LookupGuard;
class ScanTiming;
namespace FitText {
class Columns;
}
class QLabel;
class QTimer;

namespace Ui {
class frmExtraction;
}

// The lab extraction check. Step 1 (lab section) builds the verification
// list from scanned specimen containers; Step 2 (bedside) passes a container
// and a wristband only when one list row holds both.
class frmExtraction : public QWidget
{
    Q_OBJECT

public:
    explicit frmExtraction(QWidget *parent = nullptr);
    ~frmExtraction() override;

    static constexpr int MaxContainerRows = VerificationList::MaxRows;
    using enum VerificationList::Column;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetupGrid();
    void AddContainerToList();
    void ReconnectDatabase();
    void VerifyBedsideScan();
    void ResetBedsideStep();
    void containerEntered();
    void tabSelected(int index);
    void clearList();
    void gridClicked();
    void layoutForSize();
    void showStepTwoPicture(bool wristband);
    void setStripColour(const QColor &colour);
    void setStepLabels(bool patientNext);
    void fitColumns(int first, int last);

    std::unique_ptr<Ui::frmExtraction> ui;
    VerificationList *m_list = nullptr;
    QTimer *tmrAutoFocus = nullptr;
    LookupGuard *m_guard = nullptr;
    ScanTiming *m_wristbandTiming = nullptr;
    std::unique_ptr<FitText::Columns> m_columns;
};
