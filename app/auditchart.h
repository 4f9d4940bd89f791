#pragma once

#include "auditsummary.h"

#include <QString>

// The picture of an audit summary, day by day over all PCs: the share of
// checks whose wristband was scanned, against the 95% goal, and the failed
// checks. False when the file could not be written.
namespace AuditChart {

bool write(const QList<AuditSummary::Row> &rows, const QString &pngFile);

} // namespace AuditChart
