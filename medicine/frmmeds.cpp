#include "frmmeds.h"
#include "ui_frmmeds.h"

#include "apperror.h"
#include "appinfo.h"
#include "connection.h"
#include "dialogs.h"
#include "icons.h"
#include "look.h"
#include "medicinescan.h"
#include "packagelookup.h"
#include "patientcheck.h"
#include "session.h"
#include "twips.h"
#include "usercomponent.h"
#include "yielding.h"

#include <QCloseEvent>
#include <QGraphicsDropShadowEffect>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

namespace {

using namespace Look;

const QString VerificationTitle = QStringLiteral("Verification");

// The information box shows line breaks; the scan state keeps CR LF.
QString forDisplay(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

Connection *hospitalConnection()
{
    UserComponent *user = Session::user();
    Connection *connection = user ? user->SQLConnection() : nullptr;
    if (!connection)
        throw AppError(91, QStringLiteral("Object variable or With block variable not set"));
    return connection;
}

int toPixels(float twips)
{
    return qRound(twips / float(Twips::TwipsPerPixel));
}

float toTwips(int pixels)
{
    return float(Twips::fromPixels(pixels));
}

} // namespace

frmMeds::frmMeds(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::frmMeds>())
{
    ui->setupUi(this);
    // Elements of the control array lblTitle keep their designed names.
    ui->lblTitle_0->setObjectName(QStringLiteral("lblTitle(0)"));
    ui->lblTitle_1->setObjectName(QStringLiteral("lblTitle(1)"));
    setWindowTitle(AppInfo::captionWithVersion(windowTitle()));
    setWindowIcon(Icons::applicationIcon());

    setBackColour(this, LightGrey);
    setBackColour(ui->frame_Content, LightGrey);
    ui->frame_Content->setFont(designFont(QStringLiteral("Verdana"), 9.75));
    ui->lblTitle_0->setFont(designFont(QStringLiteral("Verdana"), 15.75));
    ui->lblTitle_1->setFont(designFont(QStringLiteral("Verdana"), 15.75));
    ui->txtContainerBarcode->setFont(designFont(QStringLiteral("Calibri"), 15.75));
    for (QLabel *alert : {ui->lbl_Alert, ui->lbl_Alert2}) {
        alert->setFont(designFont(QStringLiteral("Verdana"), 9.75, true));
        setForeColour(alert, Red);
    }
    ui->Label5->setFont(designFont(QStringLiteral("Calibri"), 15.75, true));
    setForeColour(ui->Label5, White);
    // White text over a drawing needs a dark edge to stay readable.
    auto *shadow = new QGraphicsDropShadowEffect(ui->Label5);
    shadow->setColor(Black);
    shadow->setOffset(1.0, 1.0);
    shadow->setBlurRadius(4.0);
    ui->Label5->setGraphicsEffect(shadow);
    ui->Label3->setFont(designFont(QStringLiteral("Verdana"), 8.25));
    ui->lblExamInfo->setFont(designFont(QStringLiteral("Verdana"), 8.25));
    setBackColour(ui->lblExamInfo, LightBlue, QPalette::Base);
    setBackColour(ui->fraCommands, White);

    // Drawn at twice the box size so that they stay sharp on high-dpi screens.
    ui->Picture1->setPixmap(Icons::render(QStringLiteral(":/scanner-bottle.svg"), ui->Picture1->size() * 2));
    ui->Picture2->setPixmap(Icons::render(QStringLiteral(":/wristband-scan.svg"), ui->Picture2->size() * 2));

    // Runs as the screen always has, with nothing attached to its tick.
    tmrAutoFocus = new QTimer(this);
    tmrAutoFocus->setObjectName(QStringLiteral("tmrAutoFocus"));
    tmrAutoFocus->setInterval(5000);
    tmrAutoFocus->start();

    for (QObject *watched : std::initializer_list<QObject *>{ui->txtContainerBarcode, ui->txtPatientBarcode,
                                                             ui->Picture1, ui->Label5, ui->Picture2})
        watched->installEventFilter(this);

    connect(ui->btn_Reset, &QPushButton::clicked, this, &frmMeds::ResetClicked);
    connect(ui->UserButtonz1, &QPushButton::clicked, this, [this] {
        if (!m_busy)
            runGuarded([this] { return ShowItems(); });
    });

    focusBox(ui->txtContainerBarcode);
}

frmMeds::~frmMeds() = default;

void frmMeds::Reset_All(bool clearContainer)
{
    if (clearContainer)
        ui->txtContainerBarcode->clear();
    setForeColour(ui->lblTitle_0, Black);
    setForeColour(ui->lblTitle_1, Black);
    setBackColour(ui->fraCommands, White);
    ui->lbl_Alert->hide();
    ui->lbl_Alert2->hide();
    focusBox(ui->txtContainerBarcode);
    ui->lblExamInfo->clear();
    ui->txtPatientBarcode->clear();
    MedicineScan::current().clear();
}

void frmMeds::ClearScan()
{
    ui->txtPatientBarcode->clear();
    ui->txtContainerBarcode->clear();
    setForeColour(ui->lblTitle_0, Black);
    setForeColour(ui->lblTitle_1, Black);
    focusBox(ui->txtContainerBarcode);
    MedicineScan::current().clear();
}

void frmMeds::ResetClicked()
{
    if (m_busy)
        return;
    runGuarded([this] {
        QPointer<frmMeds> self(this);
        const bool yes = Dialogs::confirm(this, QStringLiteral("Are you sure you want to reset the scanning process?"));
        if (!self)
            return false;
        if (yes)
            Reset_All(true);
        focusBox(ui->txtContainerBarcode);
        return true;
    });
}

void frmMeds::PackageStep()
{
    Reset_All(false);
    if (PackageLookup::isPackageCode(ui->txtContainerBarcode->text())) {
        LookupMedicinePackage();
        return;
    }
    ui->lbl_Alert->show();
    setForeColour(ui->lblTitle_0, Red);
    setForeColour(ui->lbl_Alert, Red);
    ui->txtContainerBarcode->clear();
    focusBox(ui->txtContainerBarcode);
}

void frmMeds::ReconnectDatabase()
{
    hospitalConnection()->Close();
    hospitalConnection()->Open();
}

bool frmMeds::LookupMedicinePackage()
{
    QPointer<frmMeds> self(this);
    setCursor(Qt::WaitCursor);
    try {
        // Made before the yield: nothing typed meanwhile can reach the statement.
        PackageLookup lookup(*hospitalConnection(), ui->txtContainerBarcode->text(), MedicineScan::current());
        ReconnectDatabase();
        yieldToRepaint();
        if (!self)
            return false;

        if (!lookup.open()) {
            ui->lbl_Alert->show();
            setForeColour(ui->lblTitle_0, Red);
            setForeColour(ui->lbl_Alert, Red);
            ui->txtContainerBarcode->clear();
            unsetCursor();
            return true;
        }
        ui->lbl_Alert->hide();
        setForeColour(ui->lblTitle_0, DarkGreen);
        while (lookup.readRow()) {
            yieldToRepaint();
            if (!self)
                return false;
        }
        focusBox(ui->txtPatientBarcode);
        lookup.readItems();
        unsetCursor();
    } catch (const AppError &error) {
        MedicineScan::current().lookupFailed = true;
        unsetCursor();
        reportConnectionError(error.description());
    } catch (const std::exception &error) {
        MedicineScan::current().lookupFailed = true;
        unsetCursor();
        reportConnectionError(QString::fromLocal8Bit(error.what()));
    }
    return !self.isNull();
}

bool frmMeds::VerifyPatient()
{
    QPointer<frmMeds> self(this);
    const MedicineScan &scan = MedicineScan::current();
    const MedicineVerdict verdict = checkPatient(scan, ui->txtPatientBarcode->text(), ui->txtContainerBarcode->text());
    if (verdict == MedicineVerdict::ScanPackageFirst) {
        Dialogs::inform(this, QStringLiteral("Scan your containers first"), VerificationTitle);
        if (!self)
            return false;
        Reset_All(true);
        return true;
    }

    if (verdict == MedicineVerdict::Pass) {
        const QString name = scan.PatientName;
        setBackColour(ui->fraCommands, Green);
        ui->lblExamInfo->setPlainText(forDisplay(name + QStringLiteral("\r\n\r\n")));
        ui->lblExamInfo->setPlainText(ui->lblExamInfo->toPlainText() + forDisplay(QStringLiteral("Item(s): ") + scan.ItemList));
        Dialogs::inform(this, QStringLiteral("Ok to dispense this medicine for ") + name, VerificationTitle);
        if (!self)
            return false;
        ClearScan();
        return true;
    }

    ui->lbl_Alert2->show();
    setBackColour(ui->fraCommands, Red);
    setForeColour(ui->lblTitle_1, Red);
    Dialogs::inform(this, QStringLiteral("Failed Verification."), VerificationTitle);
    if (!self)
        return false;
    Dialogs::beep();
    Reset_All(true);
    return true;
}

bool frmMeds::ShowItems()
{
    try {
        const QString items = PackageLookup::items(*hospitalConnection(), ui->txtContainerBarcode->text());
        ui->lblExamInfo->setPlainText(ui->lblExamInfo->toPlainText() + forDisplay(items));
    } catch (const AppError &error) {
        reportConnectionError(error.description());
    }
    return true;
}

void frmMeds::reportConnectionError(const QString &description)
{
    Dialogs::inform(this, QStringLiteral("Error in connection.") + description);
}

template <class Step>
bool frmMeds::runGuarded(Step step)
{
    QPointer<frmMeds> self(this);
    m_busy = true;
    step();
    if (!self)
        return false;
    m_busy = false;
    if (Dialogs::takeDroppedInput(this)) {
        if (auto *box = qobject_cast<QLineEdit *>(focusWidget()))
            box->clear();
    }
    releaseHeldKeys();
    if (!self)
        return false;
    if (m_closePending && !m_busy) {
        m_closePending = false;
        close();
    }
    return true;
}

// Keys that reach a box while a step runs (they bypassed the window
// system's queue) are replayed in order once it ends, never inside it.
void frmMeds::releaseHeldKeys()
{
    QPointer<frmMeds> self(this);
    while (self && !m_busy && !m_heldKeys.empty()) {
        auto [target, event] = std::move(m_heldKeys.front());
        m_heldKeys.pop_front();
        if (target)
            QCoreApplication::sendEvent(target, event.get());
    }
}

bool frmMeds::eventFilter(QObject *watched, QEvent *event)
{
    const bool isBox = watched == ui->txtContainerBarcode || watched == ui->txtPatientBarcode;
    switch (event->type()) {
    case QEvent::FocusIn:
        if (isBox)
            showPictureFor(static_cast<QWidget *>(watched));
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (!isBox)
            break;
        if (m_busy) {
            m_heldKeys.emplace_back(watched, std::unique_ptr<QEvent>(event->clone()));
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                if (watched == ui->txtContainerBarcode)
                    runGuarded([this] { PackageStep(); return true; });
                else
                    runGuarded([this] { return VerifyPatient(); });
                return true;
            }
        }
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
            break;
        if (watched == ui->Picture1 || watched == ui->Label5) {
            focusBox(ui->txtContainerBarcode);
            return true;
        }
        if (watched == ui->Picture2) {
            focusBox(ui->txtPatientBarcode);
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void frmMeds::focusBox(QLineEdit *box)
{
    box->setFocus(Qt::OtherFocusReason);
    // An inactive window gets no focus-in event; the picture follows anyway.
    showPictureFor(box);
}

void frmMeds::showPictureFor(const QWidget *box)
{
    const bool package = box == ui->txtContainerBarcode;
    ui->Picture1->setVisible(package);
    ui->Picture2->setVisible(!package);
}

void frmMeds::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

// Each assignment on its own: one that would give a negative size is
// skipped and the others still apply.
void frmMeds::layOut()
{
    const float windowWidth = toTwips(frameGeometry().width());
    const float windowHeight = toTwips(frameGeometry().height());
    QFrame *strip = ui->fraCommands;
    QPlainTextEdit *info = ui->lblExamInfo;

    const float stripLeft = windowWidth - toTwips(strip->width()) - 300.0f;
    strip->move(toPixels(stripLeft), strip->y());

    const float stripHeight = windowHeight - toTwips(strip->y()) - 680.0f;
    if (stripHeight >= 0.0f)
        strip->resize(strip->width(), toPixels(stripHeight));

    const float infoWidth = windowWidth - 1000.0f;
    if (infoWidth >= 0.0f)
        info->resize(toPixels(infoWidth), info->height());

    const float infoHeight = windowHeight - toTwips(info->y()) - 500.0f;
    if (infoHeight >= 0.0f)
        info->resize(info->width(), toPixels(infoHeight));
}

void frmMeds::closeEvent(QCloseEvent *event)
{
    // A window deleted under a running lookup would crash it: close once
    // the step has ended.
    if (m_busy) {
        m_closePending = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}
