#include "frmextraction.h"

#include "appinfo.h"

frmExtraction::frmExtraction(QWidget *parent) : QWidget(parent)
{
    setWindowTitle(AppInfo::captionWithVersion(QStringLiteral("ORVANE Wardcheck - Extraction")));
}
