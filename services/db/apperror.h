#pragma once

#include <QString>

#include <stdexcept>

// An error with a number and a description, the way the hospital system's
// components report them. Screens that catch errors show the description;
// start-up shows both and ends the program.
class AppError : public std::runtime_error
{
public:
    AppError(long number, const QString &description)
        : std::runtime_error(description.toStdString()), m_number(number), m_description(description)
    { }

    long number() const { return m_number; }
    QString description() const { return m_description; }

    // What a person is shown for any error caught: the description of an
    // AppError, the text of another exception.
    static QString describe(const std::exception &error)
    {
        const auto *own = dynamic_cast<const AppError *>(&error);
        return own ? own->description() : QString::fromLocal8Bit(error.what());
    }
    // The number start-up reports for it.
    static long numberOf(const std::exception &error)
    {
        const auto *own = dynamic_cast<const AppError *>(&error);
        return own ? own->number() : ProviderError;
    }

    // Numbers used by this program; the values follow the conventions of
    // the components it talks to so that hospital IT recognises them.
    static constexpr long ObjectVariableNotSet = 91;
    static constexpr long InvalidUseOfNull = 94;
    static constexpr long CannotCreateComponent = 429;
    static constexpr long WrongComponentInterface = 430;
    static constexpr long PrinterError = 482;
    static constexpr long NoCurrentRecord = 3021;
    static constexpr long ItemNotFound = 3265;
    static constexpr long ObjectClosed = 3704;
    static constexpr long ProviderError = -2147467259; // 0x80004005

private:
    long m_number;
    QString m_description;
};
