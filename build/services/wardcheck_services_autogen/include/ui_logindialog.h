/********************************************************************************
** Form generated from reading UI file 'logindialog.ui'
**
** Created by: Qt User Interface Compiler version 6.4.2
**
** WARNING! All changes made in this file will be lost when recompiling UI file!
********************************************************************************/

#ifndef UI_LOGINDIALOG_H
#define UI_LOGINDIALOG_H

#include <QtCore/QVariant>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QSpacerItem>
#include <QtWidgets/QVBoxLayout>

QT_BEGIN_NAMESPACE

class Ui_LoginDialog
{
public:
    QVBoxLayout *mainLayout;
    QLabel *lblHeading;
    QFormLayout *formLayout;
    QLabel *lblUserName;
    QLineEdit *txtUserName;
    QLabel *lblPassword;
    QLineEdit *txtPassword;
    QLabel *lblKind;
    QComboBox *cboDatabaseKind;
    QLabel *lblDatabase;
    QHBoxLayout *databaseLayout;
    QLineEdit *txtDatabase;
    QPushButton *btnBrowse;
    QLabel *lblMessage;
    QSpacerItem *spacer;
    QDialogButtonBox *buttonBox;

    void setupUi(QDialog *LoginDialog)
    {
        if (LoginDialog->objectName().isEmpty())
            LoginDialog->setObjectName("LoginDialog");
        LoginDialog->resize(520, 300);
        mainLayout = new QVBoxLayout(LoginDialog);
        mainLayout->setObjectName("mainLayout");
        lblHeading = new QLabel(LoginDialog);
        lblHeading->setObjectName("lblHeading");

        mainLayout->addWidget(lblHeading);

        formLayout = new QFormLayout();
        formLayout->setObjectName("formLayout");
        lblUserName = new QLabel(LoginDialog);
        lblUserName->setObjectName("lblUserName");

        formLayout->setWidget(0, QFormLayout::LabelRole, lblUserName);

        txtUserName = new QLineEdit(LoginDialog);
        txtUserName->setObjectName("txtUserName");

        formLayout->setWidget(0, QFormLayout::FieldRole, txtUserName);

        lblPassword = new QLabel(LoginDialog);
        lblPassword->setObjectName("lblPassword");

        formLayout->setWidget(1, QFormLayout::LabelRole, lblPassword);

        txtPassword = new QLineEdit(LoginDialog);
        txtPassword->setObjectName("txtPassword");
        txtPassword->setEchoMode(QLineEdit::Password);

        formLayout->setWidget(1, QFormLayout::FieldRole, txtPassword);

        lblKind = new QLabel(LoginDialog);
        lblKind->setObjectName("lblKind");

        formLayout->setWidget(2, QFormLayout::LabelRole, lblKind);

        cboDatabaseKind = new QComboBox(LoginDialog);
        cboDatabaseKind->addItem(QString());
        cboDatabaseKind->addItem(QString());
        cboDatabaseKind->setObjectName("cboDatabaseKind");

        formLayout->setWidget(2, QFormLayout::FieldRole, cboDatabaseKind);

        lblDatabase = new QLabel(LoginDialog);
        lblDatabase->setObjectName("lblDatabase");

        formLayout->setWidget(3, QFormLayout::LabelRole, lblDatabase);

        databaseLayout = new QHBoxLayout();
        databaseLayout->setObjectName("databaseLayout");
        txtDatabase = new QLineEdit(LoginDialog);
        txtDatabase->setObjectName("txtDatabase");

        databaseLayout->addWidget(txtDatabase);

        btnBrowse = new QPushButton(LoginDialog);
        btnBrowse->setObjectName("btnBrowse");
        btnBrowse->setAutoDefault(false);

        databaseLayout->addWidget(btnBrowse);


        formLayout->setLayout(3, QFormLayout::FieldRole, databaseLayout);


        mainLayout->addLayout(formLayout);

        lblMessage = new QLabel(LoginDialog);
        lblMessage->setObjectName("lblMessage");
        lblMessage->setWordWrap(true);
        lblMessage->setTextFormat(Qt::PlainText);

        mainLayout->addWidget(lblMessage);

        spacer = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding);

        mainLayout->addItem(spacer);

        buttonBox = new QDialogButtonBox(LoginDialog);
        buttonBox->setObjectName("buttonBox");
        buttonBox->setStandardButtons(QDialogButtonBox::Cancel|QDialogButtonBox::Ok);

        mainLayout->addWidget(buttonBox);

#if QT_CONFIG(shortcut)
        lblUserName->setBuddy(txtUserName);
        lblPassword->setBuddy(txtPassword);
        lblKind->setBuddy(cboDatabaseKind);
        lblDatabase->setBuddy(txtDatabase);
#endif // QT_CONFIG(shortcut)
        QWidget::setTabOrder(txtUserName, txtPassword);
        QWidget::setTabOrder(txtPassword, cboDatabaseKind);
        QWidget::setTabOrder(cboDatabaseKind, txtDatabase);
        QWidget::setTabOrder(txtDatabase, btnBrowse);

        retranslateUi(LoginDialog);

        QMetaObject::connectSlotsByName(LoginDialog);
    } // setupUi

    void retranslateUi(QDialog *LoginDialog)
    {
        LoginDialog->setWindowTitle(QCoreApplication::translate("LoginDialog", "Wardcheck - Log In", nullptr));
        lblHeading->setText(QCoreApplication::translate("LoginDialog", "ORVANE Wardcheck", nullptr));
        lblUserName->setText(QCoreApplication::translate("LoginDialog", "&User name:", nullptr));
        lblPassword->setText(QCoreApplication::translate("LoginDialog", "&Password:", nullptr));
        lblKind->setText(QCoreApplication::translate("LoginDialog", "&Hospital database:", nullptr));
        cboDatabaseKind->setItemText(0, QCoreApplication::translate("LoginDialog", "Embedded database file", nullptr));
        cboDatabaseKind->setItemText(1, QCoreApplication::translate("LoginDialog", "SQL Server (ODBC)", nullptr));

        lblDatabase->setText(QCoreApplication::translate("LoginDialog", "&File:", nullptr));
        btnBrowse->setText(QCoreApplication::translate("LoginDialog", "&Browse...", nullptr));
    } // retranslateUi

};

namespace Ui {
    class LoginDialog: public Ui_LoginDialog {};
} // namespace Ui

QT_END_NAMESPACE

#endif // UI_LOGINDIALOG_H
