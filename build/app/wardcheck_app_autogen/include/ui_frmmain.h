/********************************************************************************
** Form generated from reading UI file 'frmmain.ui'
**
** Created by: Qt User Interface Compiler version 6.4.2
**
** WARNING! All changes made in this file will be lost when recompiling UI file!
********************************************************************************/

#ifndef UI_FRMMAIN_H
#define UI_FRMMAIN_H

#include <QtCore/QVariant>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFrame>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QWidget>

QT_BEGIN_NAMESPACE

class Ui_frmMain
{
public:
    QFrame *Frame1;
    QLabel *Label1;
    QPushButton *cmdLab;
    QPushButton *cmdMeds;

    void setupUi(QWidget *frmMain)
    {
        if (frmMain->objectName().isEmpty())
            frmMain->setObjectName("frmMain");
        frmMain->resize(722, 571);
        QFont font;
        font.setFamilies({QString::fromUtf8("Verdana")});
        font.setPointSize(14);
        frmMain->setFont(font);
        Frame1 = new QFrame(frmMain);
        Frame1->setObjectName("Frame1");
        Frame1->setGeometry(QRect(0, 0, 721, 89));
        Frame1->setFocusPolicy(Qt::NoFocus);
        Frame1->setFrameShape(QFrame::NoFrame);
        Frame1->setAutoFillBackground(true);
        Label1 = new QLabel(Frame1);
        Label1->setObjectName("Label1");
        Label1->setGeometry(QRect(24, 32, 417, 33));
        Label1->setTextFormat(Qt::PlainText);
        cmdLab = new QPushButton(frmMain);
        cmdLab->setObjectName("cmdLab");
        cmdLab->setGeometry(QRect(32, 120, 281, 89));
        cmdMeds = new QPushButton(frmMain);
        cmdMeds->setObjectName("cmdMeds");
        cmdMeds->setGeometry(QRect(32, 240, 281, 89));
        QWidget::setTabOrder(cmdLab, cmdMeds);

        retranslateUi(frmMain);

        QMetaObject::connectSlotsByName(frmMain);
    } // setupUi

    void retranslateUi(QWidget *frmMain)
    {
        frmMain->setWindowTitle(QCoreApplication::translate("frmMain", "Wardcheck Module", nullptr));
        Label1->setText(QCoreApplication::translate("frmMain", "Wardcheck Module", nullptr));
        cmdLab->setText(QCoreApplication::translate("frmMain", "&Lab Extraction", nullptr));
        cmdMeds->setText(QCoreApplication::translate("frmMain", "&Administer Medicine", nullptr));
    } // retranslateUi

};

namespace Ui {
    class frmMain: public Ui_frmMain {};
} // namespace Ui

QT_END_NAMESPACE

#endif // UI_FRMMAIN_H
