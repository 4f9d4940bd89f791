#pragma once

#include <QPointer>
#include <QWidget>

#include <deque>
#include <memory>

namespace Ui {
class frmMeds;
}
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

    // Runs one step of the check with every re-entry held back; false when
    // the window was deleted while the step ran.
    template <class Step>
    bool runGuarded(Step step);
    void releaseHeldKeys();

    void focusBox(QLineEdit *box);
    void showPictureFor(const QWidget *box);
    void layOut();
    void reportConnectionError(const QString &description);

    std::unique_ptr<Ui::frmMeds> ui;
    QTimer *tmrAutoFocus = nullptr;
    bool m_busy = false;
    bool m_closePending = false;
    std::deque<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_heldKeys;
};
