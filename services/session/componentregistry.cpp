#include "componentregistry.h"

namespace {
QHash<QString, ComponentRegistry::Factory> &factories()
{
    static QHash<QString, ComponentRegistry::Factory> map;
    return map;
}
} // namespace

void ComponentRegistry::add(const QString &identifier, Factory factory)
{
    factories().insert(identifier.toLower(), std::move(factory));
}

void ComponentRegistry::remove(const QString &identifier)
{
    factories().remove(identifier.toLower());
}

bool ComponentRegistry::contains(const QString &identifier)
{
    return factories().contains(identifier.toLower());
}

std::unique_ptr<QObject> ComponentRegistry::createObject(const QString &identifier)
{
    const auto it = factories().constFind(identifier.toLower());
    std::unique_ptr<QObject> object;
    if (it != factories().constEnd() && *it)
        object = (*it)();
    if (!object)
        throw AppError(AppError::CannotCreateComponent, QStringLiteral("ActiveX component can't create object"));
    return object;
}
