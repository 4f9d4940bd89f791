#pragma once

#include "usercomponent.h"

#include <QObject>
#include <QPointer>
#include <QString>

class Connection;

// The wristband printing component, created anew for every print. The
// program hands it the connection it reads the admission through; callers
// that hold the user component instead use the component's own pair,
// SetOrvaneUser and then PrintBarcode.
class BarcodePrinter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // What became of a band that was sent: printed, or what the user must be
    // told of it (it waits at the printer, or the printer has not confirmed it).
    struct Sent
    {
        enum class Kind { Printed, Waiting, NotConfirmed };
        Kind kind = Kind::Printed;
        QString notice; // empty when printed
    };

    // Prints the band of this admission, looked up over the connection.
    // Throws AppError when nothing was printed.
    virtual Sent print(Connection &connection, const QString &hospitalNumber, const QString &admissionId) = 0;

    void SetOrvaneUser(UserComponent *user);
    // print() over the connection of the user handed over; AppError 91 when
    // there is no user or it has no connection.
    Sent PrintBarcode(QString &hospitalNumber, QString &admissionId);

private:
    QPointer<UserComponent> m_user;
};
