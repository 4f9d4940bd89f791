#include "barcodeprinter.h"

#include "apperror.h"

void BarcodePrinter::SetOrvaneUser(UserComponent *user)
{
    m_user = user;
}

BarcodePrinter::Sent BarcodePrinter::PrintBarcode(QString &hospitalNumber, QString &admissionId)
{
    if (!m_user)
        throw AppError(AppError::ObjectVariableNotSet,
                       QStringLiteral("No user has been handed to the wristband printer."));
    Connection *connection = m_user->SQLConnection();
    if (!connection)
        throw AppError(AppError::ObjectVariableNotSet,
                       QStringLiteral("Object variable or With block variable not set"));
    return print(*connection, hospitalNumber, admissionId);
}
