#pragma once

#include "apperror.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// Outside components are created by their identifier, as the hospital
// system installs them. The program registers its own implementations at
// start-up; tests register theirs under the same identifiers.
class ComponentRegistry
{
public:
    using Factory = std::function<std::unique_ptr<QObject>()>;

    static void add(const QString &identifier, Factory factory);
    static void remove(const QString &identifier);
    static bool contains(const QString &identifier);

    // Throws AppError 429 when nothing is registered under the identifier
    // or the factory gives nothing, 430 when the object is not a T.
    template<class T> static std::unique_ptr<T> create(const QString &identifier)
    {
        std::unique_ptr<QObject> object = createObject(identifier);
        T *typed = qobject_cast<T *>(object.get());
        if (!typed) {
            throw AppError(AppError::WrongComponentInterface,
                           QStringLiteral("Class does not support Automation or does not support expected interface"));
        }
        object.release();
        return std::unique_ptr<T>(typed);
    }

private:
    static std::unique_ptr<QObject> createObject(const QString &identifier);
};

namespace ComponentIds {
inline const QString CurrentUser = QStringLiteral("Orvane_User.clsCurrentUser");
inline const QString Barcode = QStringLiteral("prjBarcodeDll.clsBarcode");
} // namespace ComponentIds
