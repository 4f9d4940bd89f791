#include "frmview.h"

#include "apperror.h"
#include "audit.h"
#include "barcodeprinter.h"
#include "componentregistry.h"
#include "connection.h"
#include "dialogs.h"
#include "fittext.h"
#include "icons.h"
#include "look.h"
#include "lookupguard.h"
#include "recordset.h"
#include "session.h"
#include "textgridmodel.h"
#include "texts.h"
#include "twips.h"
#include "wristbandcheck.h"

#include "ui_frmview.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QPointer>
#include <QTimer>

namespace {

// About one frame: often enough that typing and repainting stay smooth,
// rarely enough that a long list is not held up by repaints.
constexpr qint64 FillSliceMs = 16;

} // namespace

frmview::frmview(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::frmview>())
{
    ui->setupUi(this);
    ui->lblTitle_1->setObjectName(QStringLiteral("lblTitle(1)"));
    setWindowIcon(Icons::applicationIcon());

    setFont(Look::arial(8.25));
    const QFont controlFont = Look::tahoma(9.75);
    for (QWidget *control : {static_cast<QWidget *>(ui->lblTitle_1), static_cast<QWidget *>(ui->txtSearch),
                             static_cast<QWidget *>(ui->Command1), static_cast<QWidget *>(ui->Grid1),
                             static_cast<QWidget *>(ui->cmdPrint)}) {
        control->setFont(controlFont);
    }

    // Where the design's font is replaced by a wider one, captions grow
    // rather than lose letters (the search caption to the left).
    FitText::fitCaptions(this);

    // The design paints the window and its plain controls in the desktop's
    // grey-text colour; text box and list keep their own white.
    const QColor greyText = palette().color(QPalette::Disabled, QPalette::WindowText);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, greyText);
    grey.setColor(QPalette::Button, greyText);
    setPalette(grey);
    setAutoFillBackground(true);
    ui->Frame1->setAutoFillBackground(true);

    m_grid = new TextGridModel(this);
    ui->Grid1->setModel(m_grid);
    QHeaderView *rows = ui->Grid1->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(ui->Grid1->fontMetrics().height() + 4);
    ui->Grid1->horizontalHeader()->setStretchLastSection(false);
    ui->Grid1->horizontalHeader()->setMinimumSectionSize(1);

    m_guard = new LookupGuard(this, LookupGuard::Input::LetIn);
    connect(ui->Command1, &QPushButton::clicked, this, &frmview::LoadPatientList);
    connect(ui->txtSearch, &QLineEdit::textChanged, this, &frmview::LoadPatientList);
    connect(ui->optAdmDate, &QRadioButton::clicked, this, &frmview::LoadPatientList);
    connect(ui->optLastName, &QRadioButton::clicked, this, &frmview::LoadPatientList);
    // Alt+P presses the button at once and clicks it a moment later; the
    // press is when the user chose the row.
    connect(ui->cmdPrint, &QPushButton::pressed, this, [this] { m_printPressedOver = settledList(); });
    connect(ui->cmdPrint, &QPushButton::clicked, this, [this] { printIfStillSeen(m_printPressedOver); });
    connect(ui->Grid1, &QTableView::doubleClicked, this, [this] { printIfStillSeen(settledList()); });

    SetupGrid();
    // The first fill runs once the window is on screen, so a long list
    // loads visibly rather than behind a window that has not appeared.
    QTimer::singleShot(0, this, &frmview::LoadPatientList);
}

frmview::~frmview() = default;

void frmview::closeEvent(QCloseEvent *event)
{
    m_guard->interrupt(); // a fill still running stops adding rows
    if (m_guard->deferClose(event))
        return;
    QWidget::closeEvent(event);
}

void frmview::SetupGrid()
{
    m_grid->setColumnCount(6);
    m_grid->setTitles({QStringLiteral("HospNum"), QStringLiteral("IDNum"), QStringLiteral("PatientName"),
                       QStringLiteral("Sex"), QStringLiteral("Room"), QStringLiteral("AdmDate")});
    QList<int> design;
    for (const int twips : {1200, 1200, 3500, 400, 800, 2000})
        design << Twips::toPixels(twips);
    m_columns = std::make_unique<FitText::Columns>(ui->Grid1, design);
}

void frmview::makeFirstRowCurrent()
{
    if (!ui->Grid1->currentIndex().isValid() && m_grid->dataRowCount() > 0)
        ui->Grid1->setCurrentIndex(m_grid->index(0, 0));
}

// The search box stays typeable while a long list loads: a keystroke then
// starts a newer fill in place of this one, which stops adding rows.
void frmview::LoadPatientList()
{
    m_guard->runInstead([this] {
        setCursor(Qt::WaitCursor);
        if (!m_guard->yield())
            return;

        m_grid->removeAllRows();
        m_columns->reset();
        try {
            Recordset rs;
            const auto order =
                ui->optAdmDate->isChecked() ? WristbandCheck::Order::AdmissionDate : WristbandCheck::Order::LastName;
            {
                const Connection::TimeLimit limit(Session::hospitalConnection());
                rs.Open(WristbandCheck::patientListStatement(ui->txtSearch->text(), order), &Session::openConnection());
            }
            const QStringList &fields = WristbandCheck::patientListFields();
            QList<QStringList> pending;
            QElapsedTimer slice;
            slice.start();
            for (; !rs.isEOF(); rs.MoveNext()) {
                QStringList cells;
                cells.reserve(fields.size());
                for (const QString &field : fields)
                    cells << rs.text(field);
                pending << cells;
                if (slice.elapsed() >= FillSliceMs) {
                    addRows(pending);
                    pending.clear();
                    makeFirstRowCurrent();
                    if (!m_guard->yield())
                        return;
                    slice.restart();
                }
            }
            addRows(pending);
            makeFirstRowCurrent();
        } catch (const std::exception &error) {
            // Half a list would look like a complete one; show none instead.
            m_grid->removeAllRows();
            unsetCursor();
            Dialogs::reportConnectionError(this, AppError::describe(error));
            return;
        }
        unsetCursor();
    });
}

void frmview::addRows(const QList<QStringList> &rows)
{
    m_grid->addRows(rows);
    m_columns->fit(rows);
}

std::optional<quint64> frmview::settledList() const
{
    return WristbandCheck::settledList(m_guard->isBusy(), m_guard->generation());
}

void frmview::printIfStillSeen(std::optional<quint64> seenGeneration)
{
    if (!WristbandCheck::mayPrint(seenGeneration, settledList())) {
        Dialogs::beep();
        return;
    }
    PrintWristband();
}

void frmview::PrintWristband()
{
    const QModelIndex current = ui->Grid1->currentIndex();
    if (!current.isValid() || current.row() >= m_grid->dataRowCount())
        return;
    const int row = current.row();

    setCursor(Qt::WaitCursor);
    Audit::Record record;
    record.screen = QStringLiteral("wristbands");
    record.hospitalNumber = m_grid->text(row, 0);
    record.wristband = m_grid->text(row, 1);
    QElapsedTimer took;
    took.start();
    BarcodePrinter::Sent sent;
    try {
        std::unique_ptr<BarcodePrinter> printer = ComponentRegistry::create<BarcodePrinter>(ComponentIds::Barcode);
        const Connection::TimeLimit limit(Session::hospitalConnection());
        sent = printer->print(Session::openConnection(), record.hospitalNumber, record.wristband);
    } catch (const std::exception &error) {
        unsetCursor();
        record.event = Audit::Event::WristbandNotPrinted;
        record.outcome = QStringLiteral("failed");
        record.detail = AppError::describe(error);
        record.lookupMs = took.elapsed();
        Audit::record(record);
        Dialogs::inform(this, Texts::WristbandNotPrinted + AppError::describe(error));
        return;
    }
    unsetCursor();
    const bool unsure = sent.kind == BarcodePrinter::Sent::Kind::NotConfirmed;
    record.event = unsure ? Audit::Event::WristbandNotPrinted : Audit::Event::WristbandPrinted;
    record.outcome = unsure                                             ? QStringLiteral("not-confirmed")
                     : sent.kind == BarcodePrinter::Sent::Kind::Waiting ? QStringLiteral("waiting")
                                                                        : QStringLiteral("printed");
    record.detail = sent.notice;
    record.lookupMs = took.elapsed();
    Audit::record(record);
    if (!sent.notice.isEmpty())
        Dialogs::inform(this, sent.notice);
}
