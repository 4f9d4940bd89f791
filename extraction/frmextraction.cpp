#include "frmextraction.h"

#include "apperror.h"
#include "appinfo.h"
#include "audit.h"
#include "connection.h"
#include "dialogs.h"
#include "extractiontexts.h"
#include "fittext.h"
#include "icons.h"
#include "look.h"
#include "lookupguard.h"
#include "scantiming.h"
#include "session.h"
#include "settings.h"
#include "texts.h"
#include "twips.h"

#include "ui_frmextraction.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QHash>
#include <QHeaderView>
#include <QPointer>
#include <QTabBar>
#include <QTimer>

#include <optional>

namespace {

using namespace Look;

Audit::Record record(Audit::Event event, const QString &screen, const QString &code)
{
    Audit::Record r;
    r.event = event;
    r.screen = screen;
    r.code = code;
    return r;
}

} // namespace

frmExtraction::frmExtraction(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::frmExtraction>()), m_list(new VerificationList(this))
{
    ui->setupUi(this);
    ui->lblTitle_0->setObjectName(QStringLiteral("lblTitle(0)"));
    ui->lblTitle_1->setObjectName(QStringLiteral("lblTitle(1)"));
    ui->lblTitle_5->setObjectName(QStringLiteral("lblTitle(5)"));

    setWindowTitle(AppInfo::captionWithVersion(windowTitle()));
    setWindowIcon(QIcon(Icons::render(QStringLiteral(":/carrying-case.svg"), QSize(32, 32))));
    setFont(calibri(9.75));
    setBackColour(this, LightGrey);

    if (auto *tabs = ui->SSTab1->findChild<QTabBar *>())
        tabs->setFont(calibri(14.25));
    Look::setFont(calibri(9.75), {ui->Frame1, ui->Frame2});
    Look::setFont(calibri(11.25), {ui->Grid1});
    Look::setFont(calibri(12), {ui->Label1, ui->Label2, ui->cmdClearAll});
    Look::setFont(calibri(14.25), {ui->lblTitle_0, ui->lblTitle_1});
    Look::setFont(calibri(15.75), {ui->lblTitle_5});
    Look::setFont(calibri(15.75, true), {ui->Label4, ui->Label5});
    Look::setFont(calibri(18), {ui->txtVerifyContainer, ui->txtPatientBarcode, ui->lblExamInfo});
    Look::setFont(calibri(20.25), {ui->txtAddContainerBarcode});
    setForeColour(ui->Label1, DarkGrey);
    setForeColour(ui->Label2, DarkGrey);
    setForeColour(ui->lblTitle_5, DarkGreen);
    setForeColour(ui->Label4, White);
    setForeColour(ui->Label5, White);

    ui->Picture3->setPixmap(Icons::render(QStringLiteral(":/specimen-scan.svg"), ui->Picture3->size()));
    ui->Picture1->setPixmap(Icons::render(QStringLiteral(":/scanner-bottle.svg"), ui->Picture1->size()));
    ui->Picture2->setPixmap(Icons::render(QStringLiteral(":/wristband-scan.svg"), ui->Picture2->size()));

    ui->Grid1->setModel(m_list);
    ui->Grid1->verticalHeader()->hide();
    ui->Grid1->verticalHeader()->setDefaultSectionSize(ui->Grid1->fontMetrics().height() + 6);
    // Nothing is drawn as selected (the green rows must show), and row-wise
    // behaviour keeps a click on the titles from moving the current row.
    ui->Grid1->setSelectionMode(QAbstractItemView::NoSelection);
    ui->Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->Grid1->horizontalHeader()->setSectionsClickable(true);
    ui->Grid1->horizontalHeader()->setHighlightSections(false);
    ui->Grid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SetupGrid();

    setBackColour(ui->fraCommands, White);
    setBackColour(ui->lblExamInfo, LightBlue, QPalette::Base);

    // It ticks without an action: moving the focus on a timer could send a
    // scan into the wrong box.
    tmrAutoFocus = new QTimer(this);
    tmrAutoFocus->setObjectName(QStringLiteral("tmrAutoFocus"));
    tmrAutoFocus->setInterval(5000);
    tmrAutoFocus->start();

    m_wristbandTiming = new ScanTiming(ui->txtPatientBarcode);
    m_guard = new LookupGuard(this, LookupGuard::Input::HeldBack,
                              {ui->txtAddContainerBarcode, ui->txtVerifyContainer, ui->txtPatientBarcode});
    connect(ui->txtAddContainerBarcode, &QLineEdit::returnPressed, this,
            [this] { m_guard->run([this] { AddContainerToList(); }); });
    connect(ui->txtVerifyContainer, &QLineEdit::returnPressed, this, &frmExtraction::containerEntered);
    connect(ui->txtPatientBarcode, &QLineEdit::returnPressed, this,
            [this] { m_guard->run([this] { VerifyBedsideScan(); }); });
    connect(ui->SSTab1, &QTabWidget::currentChanged, this, &frmExtraction::tabSelected);
    // A Clear List can come from inside a lookup (a click that waited in a
    // box's loop); it then ends that lookup rather than waiting for it.
    connect(ui->cmdClearAll, &QPushButton::clicked, this, [this] {
        if (m_guard->isBusy())
            clearList();
        else
            m_guard->run([this] { clearList(); });
    });
    connect(ui->Grid1, &QTableView::clicked, this, &frmExtraction::gridClicked);
    connect(ui->Grid1->horizontalHeader(), &QHeaderView::sectionClicked, this, &frmExtraction::gridClicked);

    const QList<QWidget *> watched = {ui->Picture1, ui->Picture2,           ui->Picture3,         ui->Label4,
                                      ui->Label5,   ui->txtVerifyContainer, ui->txtPatientBarcode};
    for (QWidget *widget : watched)
        widget->installEventFilter(this);

    setStepLabels(false);
    ui->SSTab1->setCurrentIndex(0);
    FitText::fitCaptions(this);
    ui->txtAddContainerBarcode->setFocus();
}

frmExtraction::~frmExtraction() = default;

void frmExtraction::SetupGrid()
{
    static const int widths[ColumnCount] = {1000, 900, 3000, 3000, 1000, 1200, 600, 1200, 1300};

    QList<int> design;
    for (int c = 0; c < ColumnCount; ++c)
        design << Twips::toPixels(widths[c]);
    m_columns = std::make_unique<FitText::Columns>(ui->Grid1, design);
    // A request's exams show in full beside the list; grown to them, the
    // column would push the name and the container code off it.
    m_columns->limit(VerificationList::LabExams, design.at(VerificationList::LabExams));
    // The columns grow to every text a lookup puts in the list.
    connect(m_list, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { fitColumns(first, last); });
    connect(m_list, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &from, const QModelIndex &to, const QList<int> &roles) {
                if (roles.isEmpty() || roles.contains(Qt::DisplayRole))
                    fitColumns(from.row(), to.row());
            });
}

void frmExtraction::fitColumns(int first, int last)
{
    QList<QStringList> rows;
    for (int r = first; r <= last; ++r) {
        QStringList cells;
        for (int c = 0; c < ColumnCount; ++c)
            cells << m_list->text(r, VerificationList::Column(c));
        rows << cells;
    }
    m_columns->fit(rows);
}

void frmExtraction::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutForSize();
}

void frmExtraction::layoutForSize()
{
    using Twips::fromPixels;
    const QRect outer = frameGeometry();
    const double W = fromPixels(outer.width());
    const double H = fromPixels(outer.height());

    Twips::setWidth(ui->Grid1, W - fromPixels(ui->fraCommands->width()) - 550);
    Twips::setHeight(ui->Grid1, H - fromPixels(ui->Grid1->y()) - 600 - fromPixels(ui->lblExamInfo->height()));
    Twips::setLeft(ui->fraCommands, W - fromPixels(ui->fraCommands->width()) - 300);
    Twips::setHeight(ui->fraCommands, H - fromPixels(ui->fraCommands->y()) - 500);
    Twips::setWidth(ui->SSTab1, W - 400);
    Twips::setTop(ui->lblExamInfo, H - fromPixels(ui->lblExamInfo->height()) - 500);
    Twips::setWidth(ui->lblExamInfo, fromPixels(ui->Grid1->width()));
}

void frmExtraction::closeEvent(QCloseEvent *event)
{
    if (m_guard->deferClose(event))
        return;
    QWidget::closeEvent(event);
}

bool frmExtraction::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == ui->txtVerifyContainer)
            showStepTwoPicture(false);
        else if (watched == ui->txtPatientBarcode)
            showStepTwoPicture(true);
    } else if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == ui->Picture3 || watched == ui->Label4) {
            ui->txtAddContainerBarcode->setFocus();
            return true;
        }
        if (watched == ui->Picture1 || watched == ui->Label5) {
            ui->txtVerifyContainer->setFocus();
            showStepTwoPicture(false);
            return true;
        }
        if (watched == ui->Picture2) {
            ui->txtPatientBarcode->setFocus();
            showStepTwoPicture(true);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmExtraction::showStepTwoPicture(bool wristband)
{
    ui->Picture1->setVisible(!wristband);
    ui->Picture2->setVisible(wristband);
}

void frmExtraction::setStripColour(const QColor &colour)
{
    setBackColour(ui->fraCommands, colour);
}

void frmExtraction::setStepLabels(bool patientNext)
{
    setForeColour(ui->lblTitle_0, patientNext ? Black : DarkGreen);
    setForeColour(ui->lblTitle_1, patientNext ? DarkGreen : Black);
}

void frmExtraction::tabSelected(int index)
{
    if (index == 0) {
        ui->txtAddContainerBarcode->clear();
        ui->txtAddContainerBarcode->setFocus();
    } else if (index == 1) {
        ResetBedsideStep();
        setStripColour(White);
    }
}

void frmExtraction::clearList()
{
    const QPointer<frmExtraction> self(this);
    const bool yes = Dialogs::confirm(this, ExtractionTexts::ClearListQuestion);
    if (!self)
        return;
    if (yes) {
        m_list->clear();
        m_columns->reset();
        // A lookup under way has lost its list: it ends, its code stays in the box.
        m_guard->interrupt();
    }
    ui->txtAddContainerBarcode->setFocus();
}

void frmExtraction::gridClicked()
{
    if (m_list->size() == 0)
        return;
    const QModelIndex current = ui->Grid1->currentIndex();
    if (!current.isValid())
        return;
    ui->lblExamInfo->setPlainText(m_list->text(current.row(), LabExams));
}

void frmExtraction::ReconnectDatabase()
{
    Session::reconnect();
}

void frmExtraction::AddContainerToList()
{
    QLineEdit *box = ui->txtAddContainerBarcode;
    QPointer<frmExtraction> self(this);
    // From the reconnect to the last record, one time limit.
    std::optional<Connection::TimeLimit> limit;
    ContainerList::LookupSteps steps;
    steps.reconnect = [this, &limit]() -> Connection & {
        setCursor(Qt::WaitCursor);
        limit.emplace(Session::hospitalConnection());
        ReconnectDatabase();
        return Session::hospitalConnection();
    };
    // It says stop when the window has gone, or when the list was cleared
    // under the lookup (the code then stays in the box for a retry).
    steps.yield = [this] { return m_guard->yield(); };
    ContainerList::Preload answer;
    const QString code = box->text();
    const int rowsBefore = int(m_list->size());
    QElapsedTimer took;
    took.start();
    try {
        answer = ContainerList::preload(*m_list, code, steps);
    } catch (const std::exception &error) {
        Audit::Record failed = record(Audit::Event::ConnectionError, QStringLiteral("step1"), code);
        failed.outcome = QStringLiteral("error");
        failed.detail = AppError::describe(error);
        failed.lookupMs = took.elapsed();
        Audit::record(failed);
        unsetCursor();
        Dialogs::reportConnectionError(this, AppError::describe(error));
        return;
    }
    if (answer != ContainerList::Preload::Blank && answer != ContainerList::Preload::Stopped) {
        static const QHash<ContainerList::Preload, QString> outcomes = {
            {ContainerList::Preload::Listed, QStringLiteral("listed")},
            {ContainerList::Preload::Full, QStringLiteral("list-full")},
            {ContainerList::Preload::NotFound, QStringLiteral("invalid")},
            {ContainerList::Preload::Added, QStringLiteral("added")}};
        Audit::Record scanned = record(Audit::Event::ContainerScan, QStringLiteral("step1"), code);
        scanned.outcome = outcomes.value(answer);
        if (answer == ContainerList::Preload::Added && m_list->size() > rowsBefore)
            scanned.hospitalNumber = m_list->text(int(m_list->size()) - 1, VerificationList::HospNum);
        if (answer != ContainerList::Preload::Listed)
            scanned.lookupMs = took.elapsed();
        Audit::record(scanned);
    }

    switch (answer) {
    case ContainerList::Preload::Blank:
        return;
    case ContainerList::Preload::Stopped:
        if (self)
            unsetCursor();
        return;
    case ContainerList::Preload::Listed:
        Dialogs::inform(this, ExtractionTexts::AlreadyInList);
        break;
    case ContainerList::Preload::Full:
        unsetCursor();
        Dialogs::inform(this, ExtractionTexts::listFull(MaxContainerRows));
        break;
    case ContainerList::Preload::NotFound:
        unsetCursor();
        Dialogs::inform(this, ExtractionTexts::InvalidBarcode);
        break;
    case ContainerList::Preload::Added:
        break;
    }
    if (!self)
        return;
    box->clear();
    unsetCursor();
}

void frmExtraction::containerEntered()
{
    ui->txtPatientBarcode->setFocus();
    showStepTwoPicture(true);
    setStripColour(White);
    setStepLabels(true);
}

void frmExtraction::VerifyBedsideScan()
{
    // As read now: a refused or checked wristband leaves the boxes empty.
    Audit::Record checked = record(Audit::Event::BedsideCheck, QStringLiteral("step2"), ui->txtVerifyContainer->text());
    checked.wristband = ui->txtPatientBarcode->text();
    checked.entry = m_wristbandTiming->entry(WardcheckSettings::scanMeanGapLimitMs());
    checked.meanGapMs = m_wristbandTiming->meanGapMs();
    const auto audit = [&checked](const char *outcome) {
        checked.outcome = QLatin1String(outcome);
        Audit::record(checked);
    };
    if (m_list->size() == 0) {
        audit("no-containers");
        Dialogs::inform(this, ExtractionTexts::NoContainers, Texts::VerificationTitle);
        ui->txtPatientBarcode->clear();
        ui->txtVerifyContainer->clear();
        return;
    }

    if (m_wristbandTiming->refuseUnscanned(this, WardcheckSettings::wristbandsMustBeScanned(),
                                           WardcheckSettings::scanMeanGapLimitMs())) {
        audit("typed-wristband-refused");
        return;
    }
    ui->lblExamInfo->clear();

    const int match =
        ContainerList::findBedsideMatch(*m_list, ui->txtVerifyContainer->text(), ui->txtPatientBarcode->text());

    QPointer<frmExtraction> self(this);
    if (match >= 0)
        checked.hospitalNumber = m_list->text(match, VerificationList::HospNum);
    audit(match < 0 ? "fail" : "pass");
    if (match < 0) {
        setStripColour(Red);
        Dialogs::inform(this, Texts::FailedVerification, Texts::VerificationTitle);
        Dialogs::beep();
    } else {
        for (int c = 0; c < ColumnCount; ++c)
            ui->Grid1->setCurrentIndex(m_list->index(match, c));
        m_list->markPassed(match);
        // The current cell ends in the last column; keep the patient's columns in view.
        ui->Grid1->scrollTo(m_list->index(match, 0));
        setStripColour(Green);
        const QString patientAndExams =
            m_list->text(match, PatientName) + QStringLiteral(": ") + m_list->text(match, LabExams);
        ui->lblExamInfo->setPlainText(patientAndExams);
        Dialogs::inform(this, ExtractionTexts::PassedVerification + patientAndExams, Texts::VerificationTitle);
    }
    if (!self)
        return;
    ResetBedsideStep();
}

void frmExtraction::ResetBedsideStep()
{
    ui->txtPatientBarcode->clear();
    ui->txtVerifyContainer->clear();
    setStepLabels(false);
    ui->txtVerifyContainer->setFocus();
    showStepTwoPicture(false);
}
