#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class frmMeds;
}
class LookupGuard;
class ScanTiming;
class QLineEdit;
class QTimer;

// The medicine check: a nurse scans the medicine package, then the
// patient's wristband, and the screen says whether they belong together.
class frmMeds : public QWidget
{
    Q_OBJECT

public:
    explicit frmMeds(QWidget *parent = nullptr);
    ~frmMeds() override;

    void Reset_All(bool clearContainer);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void PackageStep();
    bool LookupMedicinePackage();
    void ReconnectDatabase();
    bool VerifyPatient();
    void ClearScan();
    bool ShowItems();
    void ResetClicked();

    void focusBox(QLineEdit *box);
    void showPictureFor(const QWidget *box);
    void layOut();

    std::unique_ptr<Ui::frmMeds> ui;
    QTimer *tmrAutoFocus = nullptr;
    LookupGuard *m_guard = nullptr;
    ScanTiming *m_wristbandTiming = nullptr;
};
