#pragma once

#include <QLocale>
#include <QString>

// The extraction screen's messages, written once (its captions are in
// frmextraction.ui); tests/app/tst_texts.cpp holds each to its exact words.
namespace ExtractionTexts {

inline const QString AlreadyInList = QStringLiteral("Already in list.");
inline const QString InvalidBarcode = QStringLiteral("Invalid Barcode");
inline const QString NoContainers = QStringLiteral("No containers have been preloaded. Process Step 1 first.");
// Followed directly by the patient's name, ": " and the exams.
inline const QString PassedVerification = QStringLiteral("Passed Verification. Proceed to extraction.");
inline const QString ClearListQuestion = QStringLiteral("Are you sure you want to clear the list?");

inline QString listFull(int most)
{
    return QStringLiteral("The verification list is full: it holds %1 containers, the most it can hold.\n"
                          "Clear the list before adding more containers.")
        .arg(QLocale().toString(most));
}

} // namespace ExtractionTexts
