#include "frmview.h"

#include "appinfo.h"

frmview::frmview(QWidget *parent) : QWidget(parent)
{
    setWindowTitle(QString(QStringLiteral("Print Wristbands")));
}
