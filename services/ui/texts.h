#pragma once

#include <QString>

// The program's texts that more than one screen shows, written once. The
// screens' own are in medicine/medicinetexts.h and extraction/extractiontexts.h,
// their captions and labels in their .ui forms; tests/app/tst_texts.cpp holds
// each to its exact words.
namespace Texts {

// The title of every box that names no other.
inline const QString ProgramTitle = QStringLiteral("Wardcheck");
// The title of the bedside checks' verdicts.
inline const QString VerificationTitle = QStringLiteral("Verification");
inline const QString FailedVerification = QStringLiteral("Failed Verification.");
// Followed directly by what went wrong.
inline const QString ErrorInConnection = QStringLiteral("Error in connection.");
// An error that nothing handled: its number, then its description.
inline const QString RunTimeError = QStringLiteral("Run-time error '%1':\n\n%2");
inline const QString TypedWristbandRefused =
    QStringLiteral("Scan the patient's wristband; a typed number is not accepted.");
// After every window's title while the demo database is in use.
inline const QString DemoTitleSuffix = QStringLiteral(" - demo database: not for patient care");
inline const QString DemoMenuNote = QStringLiteral("Demo database: not for patient care");
// Followed by why.
inline const QString WristbandNotPrinted = QStringLiteral("The wristband could not be printed.\n\n");

} // namespace Texts
