#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// Where the program's settings are kept, as a test writes and reads them:
// INI files in the folders of XDG_CONFIG_HOME (the user's) and the first of
// XDG_CONFIG_DIRS (hospital IT's preset), or on Windows the registry keys
// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE\Software\ORVANE\<file>.
namespace SettingsStore {

enum class Scope { User, Preset };

// Makes the file of the scope hold what these INI lines say, and nothing else.
void write(Scope scope, const QString &file, const QByteArray &ini);
void remove(Scope scope, const QString &file);
// Every key and value kept for the file, one "group/key=value" a line.
QByteArray text(Scope scope, const QString &file);
QVariant value(Scope scope, const QString &file, const QString &name);
// On Windows every suite shares the registry of one Wine prefix: a suite
// starts from no settings at all, as one with fresh folders does here.
void clearAll();

} // namespace SettingsStore
