#pragma once

#include <QString>

// The medicine screen's messages, written once (its captions are in
// frmmeds.ui); tests/app/tst_texts.cpp holds each to its exact words.
namespace MedicineTexts {

// Followed directly by the patient's name.
inline const QString OkToDispense = QStringLiteral("Ok to dispense this medicine for ");
inline const QString ScanPackageFirst = QStringLiteral("Scan your containers first");
inline const QString ResetQuestion = QStringLiteral("Are you sure you want to reset the scanning process?");

} // namespace MedicineTexts
