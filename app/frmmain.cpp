#include "frmmain.h"

#include "fittext.h"
#include "icons.h"
#include "look.h"
#include "screens.h"
#include "session.h"
#include "texts.h"

#include "ui_frmmain.h"

#include <QEvent>
#include <QShortcut>

frmMain::frmMain(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::frmMain>())
{
    ui->setupUi(this);
    setWindowIcon(Icons::applicationIcon());

    using namespace Look;
    setFont(verdana(14.25));
    ui->Label1->setFont(verdana(14.25, true));
    setBackColour(this, LightGrey);
    setBackColour(ui->Frame1, DarkGrey);
    setForeColour(ui->Label1, White);
    ui->Label1->setAttribute(Qt::WA_TranslucentBackground);

    // The band's frame caption is never drawn; the name stays for its role.
    ui->Frame1->setWindowTitle(QStringLiteral("Frame1"));
    // Demo data with public accounts looks like a ward's: the menu says what it is.
    ui->lblDemo->setFont(verdana(9.75, true));
    setForeColour(ui->lblDemo, Yellow);
    ui->lblDemo->setText(Texts::DemoMenuNote);
    ui->lblDemo->setVisible(Session::onDemoDatabase());

    connect(ui->cmdLab, &QPushButton::clicked, this, [] { Screens::showExtraction(); });
    connect(ui->cmdMeds, &QPushButton::clicked, this, [] { Screens::showMedicine(); });
    // The wristband screen has no button on the menu; staff open it by key.
    auto *wristbands = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this);
    connect(wristbands, &QShortcut::activated, this, [] { Screens::showWristbands(); });
    FitText::fitCaptions(this);
    ui->cmdLab->setFocus();
}

frmMain::~frmMain() = default;

void frmMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitTitleBand();
}

bool frmMain::event(QEvent *event)
{
    // The window's outer width changes with its frame too (maximise, restore).
    if (event->type() == QEvent::WindowStateChange || event->type() == QEvent::Show)
        fitTitleBand();
    return QWidget::event(event);
}

void frmMain::fitTitleBand()
{
    ui->Frame1->resize(frameGeometry().width(), ui->Frame1->height());
}
