#include "logindialog.h"

#include "appinfo.h"
#include "audit.h"
#include "authenticator.h"
#include "look.h"

#include "ui_logindialog.h"

#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTimer>

namespace {
constexpr int EmbeddedIndex = 0;
constexpr int OdbcIndex = 1;
} // namespace

LoginDialog::LoginDialog(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::LoginDialog>()), m_waitTimer(new QTimer(this))
{
    ui->setupUi(this);
    QFont heading = ui->lblHeading->font();
    heading.setPointSizeF(14.25);
    heading.setBold(true);
    ui->lblHeading->setFont(heading);
    Look::setForeColour(ui->lblMessage, Look::WarningText);
    Look::setForeColour(ui->lblNotes, Look::WarningText);
    ui->buttonBox->button(QDialogButtonBox::Ok)->setText(tr("&Log In"));

    m_waitTimer->setSingleShot(true);
    connect(m_waitTimer, &QTimer::timeout, this, &LoginDialog::endWait);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &LoginDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &LoginDialog::reject);
    connect(ui->cboDatabaseKind, &QComboBox::currentIndexChanged, this, &LoginDialog::kindChanged);
    connect(ui->btnBrowse, &QPushButton::clicked, this, &LoginDialog::browse);
    kindChanged();
}

LoginDialog::~LoginDialog() = default;

void LoginDialog::setSettings(const ConnectionSettings &settings)
{
    m_shown = settings;
    ui->cboDatabaseKind->setCurrentIndex(settings.kind == ConnectionSettings::Kind::Odbc ? OdbcIndex : EmbeddedIndex);
    ui->txtDatabase->setText(settings.database);
    ui->txtUserName->setText(settings.userName);
    ui->txtPassword->clear();
    (settings.userName.isEmpty() ? ui->txtUserName : ui->txtPassword)->setFocus();
}

void LoginDialog::setDatabaseLocked(bool locked)
{
    ui->cboDatabaseKind->setEnabled(!locked);
    ui->txtDatabase->setReadOnly(locked);
    ui->btnBrowse->setEnabled(!locked);
}

void LoginDialog::setNotes(const QStringList &notes)
{
    ui->lblNotes->setText(notes.join(QLatin1Char('\n')));
    ui->lblNotes->setVisible(!notes.isEmpty());
}

QStringList LoginDialog::notes() const
{
    return ui->lblNotes->text().isEmpty() ? QStringList() : ui->lblNotes->text().split(QLatin1Char('\n'));
}

void LoginDialog::setDemo(bool demo)
{
    if (demo)
        setWindowTitle(AppInfo::demoTitle(windowTitle()));
}

ConnectionSettings LoginDialog::settings() const
{
    ConnectionSettings s = m_shown;
    s.kind = ui->cboDatabaseKind->currentIndex() == OdbcIndex ? ConnectionSettings::Kind::Odbc
                                                              : ConnectionSettings::Kind::Embedded;
    s.database = ui->txtDatabase->text().trimmed();
    s.userName = ui->txtUserName->text().trimmed();
    s.password = ui->txtPassword->text();
    return s;
}

std::unique_ptr<Connection> LoginDialog::takeConnection()
{
    return std::move(m_connection);
}

QString LoginDialog::message() const
{
    return ui->lblMessage->text();
}

bool LoginDialog::isWaiting() const
{
    return m_waitTimer->isActive();
}

void LoginDialog::accept()
{
    if (isWaiting())
        return;
    ui->lblMessage->clear();
    setCursor(Qt::WaitCursor);
    try {
        m_connection = Authenticator::logIn(settings());
    } catch (const LoginError &e) {
        m_failure = e.message();
    }
    unsetCursor();
    ui->txtPassword->clear();
    Audit::Record login;
    login.screen = QStringLiteral("login");
    login.user = settings().userName;
    if (m_connection) {
        Audit::setUser(login.user);
        login.event = Audit::Event::Login;
        login.outcome = QStringLiteral("ok");
        Audit::record(login);
        m_throttle.recordSuccess();
        QDialog::accept();
        return;
    }
    login.event = Audit::Event::LoginRefused;
    login.outcome = QStringLiteral("refused");
    login.detail = m_failure;
    Audit::record(login);

    m_throttle.recordFailure();
    const auto wait = m_throttle.delay();
    const qint64 seconds = (wait.count() + 999) / 1000;
    ui->lblMessage->setText(m_failure + QLatin1Char('\n')
                            + tr("Please wait %n second(s) before trying again.", nullptr, int(seconds)));
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(false);
    m_waitTimer->start(wait);
    ui->txtPassword->setFocus();
}

void LoginDialog::endWait()
{
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(true);
    ui->lblMessage->setText(m_failure);
}

void LoginDialog::kindChanged()
{
    const bool odbc = ui->cboDatabaseKind->currentIndex() == OdbcIndex;
    ui->lblDatabase->setText(odbc ? tr("&Connection:") : tr("&File:"));
    ui->btnBrowse->setVisible(!odbc);
    ui->txtDatabase->setPlaceholderText(odbc ? tr("DSN=Hospital, or Driver={FreeTDS};Server=...;Port=1433")
                                             : tr("Path of the hospital database file"));
}

void LoginDialog::browse()
{
    const QString file = QFileDialog::getOpenFileName(this, tr("Hospital database"), ui->txtDatabase->text(),
                                                      tr("Hospital databases (*.db *.sqlite);;All files (*)"));
    if (!file.isEmpty())
        ui->txtDatabase->setText(QDir::toNativeSeparators(file));
}
