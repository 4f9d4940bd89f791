#include "frmmeds.h"

#include "appinfo.h"

frmMeds::frmMeds(QWidget *parent) : QWidget(parent)
{
    setWindowTitle(AppInfo::captionWithVersion(QStringLiteral("Medicine Verification")));
}
