#pragma once

#include <QObject>
#include <QString>

class UserComponent;

// The wristband printing component, created anew for every print.
class BarcodePrinter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void SetOrvaneUser(UserComponent *user) = 0;
    virtual void PrintBarcode(QString &hospitalNumber, QString &admissionId) = 0;
};
