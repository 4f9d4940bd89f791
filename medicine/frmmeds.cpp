#include "frmmeds.h"

#include "apperror.h"
#include "appinfo.h"
#include "audit.h"
#include "connection.h"
#include "dialogs.h"
#include "fittext.h"
#include "icons.h"
#include "look.h"
#include "lookupguard.h"
#include "medicinescan.h"
#include "medicinetexts.h"
#include "packagelookup.h"
#include "patientcheck.h"
#include "scantiming.h"
#include "session.h"
#include "settings.h"
#include "texts.h"
#include "twips.h"

#include "ui_frmmeds.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGraphicsDropShadowEffect>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

namespace {

using namespace Look;

Audit::Record medicineRecord(Audit::Event event, const QString &outcome, const QString &package)
{
    Audit::Record record;
    record.event = event;
    record.outcome = outcome;
    record.screen = QStringLiteral("medicine");
    record.code = package;
    return record;
}

// The information box shows line breaks; the scan state keeps CR LF.
QString forDisplay(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
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
    Look::setFont(verdana(8.25), {ui->Label3, ui->lblExamInfo});
    Look::setFont(verdana(9.75), {ui->frame_Content});
    Look::setFont(verdana(9.75, true), {ui->lbl_Alert, ui->lbl_Alert2});
    Look::setFont(verdana(15.75), {ui->lblTitle_0, ui->lblTitle_1});
    Look::setFont(calibri(15.75), {ui->txtContainerBarcode});
    Look::setFont(calibri(15.75, true), {ui->Label5});
    setForeColour(ui->lbl_Alert, Red);
    setForeColour(ui->lbl_Alert2, Red);
    setForeColour(ui->Label5, White);
    // White text over a drawing needs a dark edge to stay readable.
    auto *shadow = new QGraphicsDropShadowEffect(ui->Label5);
    shadow->setColor(Black);
    shadow->setOffset(1.0, 1.0);
    shadow->setBlurRadius(4.0);
    ui->Label5->setGraphicsEffect(shadow);
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

    m_wristbandTiming = new ScanTiming(ui->txtPatientBarcode);
    // Made after the screen's own filters, so that it sees the boxes' keys first.
    m_guard = new LookupGuard(this, LookupGuard::Input::HeldBack, {ui->txtContainerBarcode, ui->txtPatientBarcode});

    connect(ui->btn_Reset, &QPushButton::clicked, this, &frmMeds::ResetClicked);
    connect(ui->UserButtonz1, &QPushButton::clicked, this, [this] { m_guard->run([this] { ShowItems(); }); });

    FitText::fitCaptions(this);
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
    m_guard->run([this] {
        QPointer<frmMeds> self(this);
        const bool yes = Dialogs::confirm(this, MedicineTexts::ResetQuestion);
        if (!self)
            return;
        if (yes)
            Reset_All(true);
        focusBox(ui->txtContainerBarcode);
    });
}

void frmMeds::PackageStep()
{
    Reset_All(false);
    if (PackageLookup::isPackageCode(ui->txtContainerBarcode->text())) {
        LookupMedicinePackage();
        return;
    }
    Audit::record(medicineRecord(Audit::Event::MedicineCheck, QStringLiteral("invalid-package"),
                                 ui->txtContainerBarcode->text()));
    ui->lbl_Alert->show();
    setForeColour(ui->lblTitle_0, Red);
    setForeColour(ui->lbl_Alert, Red);
    ui->txtContainerBarcode->clear();
    focusBox(ui->txtContainerBarcode);
}

void frmMeds::ReconnectDatabase()
{
    Session::reconnect();
}

bool frmMeds::LookupMedicinePackage()
{
    QPointer<frmMeds> self(this);
    setCursor(Qt::WaitCursor);
    const QString package = ui->txtContainerBarcode->text();
    QElapsedTimer took;
    took.start();
    try {
        // Made before the yield: nothing typed meanwhile can reach the statement.
        PackageLookup lookup(Session::hospitalConnection(), ui->txtContainerBarcode->text(), MedicineScan::current());
        const Connection::TimeLimit limit(Session::hospitalConnection());
        ReconnectDatabase();
        if (!m_guard->yield())
            return false;

        if (!lookup.open()) {
            Audit::Record record =
                medicineRecord(Audit::Event::MedicineCheck, QStringLiteral("invalid-package"), package);
            record.lookupMs = took.elapsed();
            Audit::record(record);
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
            if (!m_guard->yield())
                return false;
        }
        focusBox(ui->txtPatientBarcode);
        lookup.readItems();
        unsetCursor();
    } catch (const std::exception &error) {
        MedicineScan::current().lookupFailed = true;
        Audit::Record record = medicineRecord(Audit::Event::ConnectionError, QStringLiteral("error"), package);
        record.detail = AppError::describe(error);
        record.lookupMs = took.elapsed();
        Audit::record(record);
        unsetCursor();
        Dialogs::reportConnectionError(this, AppError::describe(error));
    }
    return !self.isNull();
}

bool frmMeds::VerifyPatient()
{
    QPointer<frmMeds> self(this);
    const MedicineScan &scan = MedicineScan::current();
    // As read now: a refused or checked wristband leaves the box empty.
    Audit::Record record = medicineRecord(Audit::Event::MedicineCheck, QString(), ui->txtContainerBarcode->text());
    record.wristband = ui->txtPatientBarcode->text();
    record.hospitalNumber = scan.HN;
    record.entry = m_wristbandTiming->entry(WardcheckSettings::scanMeanGapLimitMs());
    record.meanGapMs = m_wristbandTiming->meanGapMs();
    const auto audit = [&record](const char *outcome) {
        record.outcome = QLatin1String(outcome);
        Audit::record(record);
    };
    if (m_wristbandTiming->refuseUnscanned(this, WardcheckSettings::wristbandsMustBeScanned(),
                                           WardcheckSettings::scanMeanGapLimitMs())) {
        audit("typed-wristband-refused");
        return !self.isNull();
    }
    const MedicineVerdict verdict = checkPatient(scan, ui->txtPatientBarcode->text(), ui->txtContainerBarcode->text());
    if (verdict == MedicineVerdict::ScanPackageFirst) {
        audit("scan-package-first");
        Dialogs::inform(this, MedicineTexts::ScanPackageFirst, Texts::VerificationTitle);
        if (!self)
            return false;
        Reset_All(true);
        return true;
    }

    if (verdict == MedicineVerdict::Pass) {
        audit("pass");
        const QString name = scan.PatientName;
        setBackColour(ui->fraCommands, Green);
        ui->lblExamInfo->setPlainText(forDisplay(name + QStringLiteral("\r\n\r\n")));
        ui->lblExamInfo->setPlainText(ui->lblExamInfo->toPlainText()
                                      + forDisplay(QStringLiteral("Item(s): ") + scan.ItemList));
        Dialogs::inform(this, MedicineTexts::OkToDispense + name, Texts::VerificationTitle);
        if (!self)
            return false;
        ClearScan();
        return true;
    }

    audit("fail");
    ui->lbl_Alert2->show();
    setBackColour(ui->fraCommands, Red);
    setForeColour(ui->lblTitle_1, Red);
    Dialogs::inform(this, Texts::FailedVerification, Texts::VerificationTitle);
    if (!self)
        return false;
    Dialogs::beep();
    Reset_All(true);
    return true;
}

bool frmMeds::ShowItems()
{
    try {
        const QString items = PackageLookup::items(Session::hospitalConnection(), ui->txtContainerBarcode->text());
        ui->lblExamInfo->setPlainText(ui->lblExamInfo->toPlainText() + forDisplay(items));
    } catch (const std::exception &error) {
        Dialogs::reportConnectionError(this, AppError::describe(error));
    }
    return true;
}

bool frmMeds::eventFilter(QObject *watched, QEvent *event)
{
    const bool isBox = watched == ui->txtContainerBarcode || watched == ui->txtPatientBarcode;
    switch (event->type()) {
    case QEvent::FocusIn:
        if (isBox)
            showPictureFor(static_cast<QWidget *>(watched));
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (!isBox || (key != Qt::Key_Return && key != Qt::Key_Enter))
            break;
        if (watched == ui->txtContainerBarcode)
            m_guard->run([this] { PackageStep(); });
        else
            m_guard->run([this] { VerifyPatient(); });
        return true;
    }
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
    using Twips::fromPixels;
    const double windowWidth = fromPixels(frameGeometry().width());
    const double windowHeight = fromPixels(frameGeometry().height());
    QFrame *strip = ui->fraCommands;
    QPlainTextEdit *info = ui->lblExamInfo;

    Twips::setLeft(strip, windowWidth - fromPixels(strip->width()) - 300);
    Twips::setHeight(strip, windowHeight - fromPixels(strip->y()) - 680);
    Twips::setWidth(info, windowWidth - 1000);
    Twips::setHeight(info, windowHeight - fromPixels(info->y()) - 500);
}

void frmMeds::closeEvent(QCloseEvent *event)
{
    if (m_guard->deferClose(event))
        return;
    QWidget::closeEvent(event);
}
