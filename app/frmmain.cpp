#include "frmmain.h"

#include "icons.h"
#include "screens.h"
#include "ui_frmmain.h"

#include <QEvent>
#include <QShortcut>

frmMain::frmMain(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::frmMain>())
{
    ui->setupUi(this);
    setWindowIcon(Icons::applicationIcon());

    QFont windowFont(QStringLiteral("Verdana"));
    windowFont.setPointSizeF(14.25);
    setFont(windowFont);
    QFont titleFont = windowFont;
    titleFont.setBold(true);
    ui->Label1->setFont(titleFont);

    QPalette window = palette();
    window.setColor(QPalette::Window, QColor(224, 224, 224));
    setPalette(window);
    setAutoFillBackground(true);

    QPalette band = ui->Frame1->palette();
    band.setColor(QPalette::Window, QColor(64, 64, 64));
    ui->Frame1->setPalette(band);

    QPalette title = ui->Label1->palette();
    title.setColor(QPalette::WindowText, QColor(255, 255, 255));
    ui->Label1->setPalette(title);
    ui->Label1->setAttribute(Qt::WA_TranslucentBackground);

    // The band's frame caption is never drawn; the name stays for its role.
    ui->Frame1->setWindowTitle(QStringLiteral("Frame1"));

    connect(ui->cmdLab, &QPushButton::clicked, this, [] { Screens::showExtraction(); });
    connect(ui->cmdMeds, &QPushButton::clicked, this, [] { Screens::showMedicine(); });
    // The wristband screen has no button on the menu; staff open it by key.
    auto *wristbands = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this);
    connect(wristbands, &QShortcut::activated, this, [] { Screens::showWristbands(); });
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
