#include "settings.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace Settings {
namespace {

const QString Organisation = QStringLiteral("ORVANE");

// Windows keeps a program's settings in the registry (HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE\Software\ORVANE\<file>), where Group Policy and
// hospital IT's tools write them; elsewhere they are INI files.
#ifdef Q_OS_WIN
constexpr QSettings::Format StoreFormat = QSettings::NativeFormat;
constexpr bool InRegistry = true;
constexpr Qt::CaseSensitivity KeyCase = Qt::CaseInsensitive;
#else
constexpr QSettings::Format StoreFormat = QSettings::IniFormat;
constexpr bool InRegistry = false;
constexpr Qt::CaseSensitivity KeyCase = Qt::CaseSensitive;
#endif

std::unique_ptr<QSettings> store(File file, Source source)
{
    auto settings =
        std::make_unique<QSettings>(StoreFormat, source == Source::User ? QSettings::UserScope : QSettings::SystemScope,
                                    Organisation, fileName(file));
    settings->setFallbacksEnabled(false);
    return settings;
}

// A store whose file cannot be read or parsed counts as empty: its values
// are not guessed at.
bool usable(const QSettings &settings)
{
    return settings.status() == QSettings::NoError;
}

// Qt's INI reading ends a value at a semicolon (a comment) and splits it at
// commas, unless it stands in double quotes: a connection string written
// without them arrives cut short, with no word. The keys of a file whose
// value has either outside quotes, as the file has them now.
QStringList unquotedKeys(const QString &path)
{
    struct Seen
    {
        QDateTime modified;
        qint64 size = -1;
        QStringList keys;
    };
    static QHash<QString, Seen> seen;
    const QFileInfo info(path);
    Seen &known = seen[path];
    if (known.size == info.size() && known.modified == info.lastModified())
        return known.keys;
    known = Seen{info.lastModified(), info.size(), {}};
    QFile file(path);
    if (InRegistry || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return known.keys;
    QString group;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            group = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0 || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (!value.startsWith(QLatin1Char('"'))
            && (value.contains(QLatin1Char(';')) || value.contains(QLatin1Char(','))))
            known.keys << (group.isEmpty() || group == QLatin1String("General") ? key : group + QLatin1Char('/') + key);
    }
    return known.keys;
}

QString quoted(const QVariant &raw)
{
    if (raw.metaType().id() == QMetaType::QStringList)
        return QLatin1Char('"') + raw.toStringList().join(QStringLiteral(", ")) + QLatin1Char('"');
    return QLatin1Char('"') + raw.toString() + QLatin1Char('"');
}

bool isWholeNumber(const QVariant &raw)
{
    const int type = raw.metaType().id();
    return type == QMetaType::Int || type == QMetaType::UInt || type == QMetaType::LongLong
           || type == QMetaType::ULongLong;
}

// The value a raw stored value stands for, or why it stands for none.
std::optional<QVariant> parse(const Definition &setting, const QVariant &raw, QString *why)
{
    const int type = raw.metaType().id();
    if (type == QMetaType::QStringList) {
        *why = InRegistry ? QStringLiteral("is a list of texts (REG_MULTI_SZ), where one value belongs")
                          : QStringLiteral("is read as a list because it holds a comma; put the value in double "
                                           "quotes");
        return std::nullopt;
    }
    const bool text = type == QMetaType::QString || type == QMetaType::QByteArray;
    switch (setting.type) {
    case Type::Text:
        if (!text) {
            *why = QStringLiteral("is a number (REG_DWORD), where a text (REG_SZ) belongs");
            return std::nullopt;
        }
        return raw.toString();
    case Type::Flag: {
        if (type == QMetaType::Bool)
            return raw.toBool();
        if (isWholeNumber(raw) && (raw.toLongLong() == 0 || raw.toLongLong() == 1))
            return raw.toLongLong() == 1;
        const QString word = raw.toString().trimmed().toLower();
        static const QStringList yes = {QStringLiteral("true"), QStringLiteral("1"), QStringLiteral("yes"),
                                        QStringLiteral("on")};
        static const QStringList no = {QStringLiteral("false"), QStringLiteral("0"), QStringLiteral("no"),
                                       QStringLiteral("off")};
        if (text && yes.contains(word))
            return true;
        if (text && no.contains(word))
            return false;
        *why = QStringLiteral("is %1, which is neither true nor false").arg(quoted(raw));
        return std::nullopt;
    }
    case Type::Number: {
        bool isNumber = isWholeNumber(raw);
        qlonglong number = raw.toLongLong();
        if (!isNumber && text)
            number = raw.toString().trimmed().toLongLong(&isNumber);
        if (!isNumber) {
            *why = QStringLiteral("is %1, which is not a whole number").arg(quoted(raw));
            return std::nullopt;
        }
        if (number < setting.least || number > setting.most) {
            *why = QStringLiteral("is %1, outside %2 to %3").arg(number).arg(setting.least).arg(setting.most);
            return std::nullopt;
        }
        return int(number);
    }
    case Type::Choice: {
        const QString word = raw.toString().trimmed().toLower();
        if (text && setting.choices.contains(word))
            return word;
        *why = QStringLiteral("is %1, which is not one of: %2")
                   .arg(quoted(raw), setting.choices.join(QStringLiteral(", ")));
        return std::nullopt;
    }
    }
    return std::nullopt;
}

std::optional<QVariant> parsed(const Definition &setting, const QSettings &settings)
{
    if (!usable(settings) || !settings.contains(setting.name))
        return std::nullopt;
    if (setting.type == Type::Text && unquotedKeys(settings.fileName()).contains(setting.name))
        return std::nullopt;
    QString why;
    return parse(setting, settings.value(setting.name), &why);
}

bool lockedIn(const QSettings &preset, const Definition &setting)
{
    if (!usable(preset) || !preset.contains(setting.name))
        return false;
    const Definition &lock = definition(setting.file == File::OrvaneUser ? Key::LoginLocked : Key::WardcheckLocked);
    const std::optional<QVariant> locked = parsed(lock, preset);
    return locked && locked->toBool();
}

// Where a key is kept, as hospital IT finds it: a file and its section, or
// a registry key and its value.
QString place(File file, Source source, const QString &name)
{
    const QString group = name.section(QLatin1Char('/'), 0, -2);
    const QString key = name.section(QLatin1Char('/'), -1);
    if (InRegistry) {
        QString path = location(file, source);
        if (!group.isEmpty())
            path += QLatin1Char('\\') + QString(group).replace(QLatin1Char('/'), QLatin1Char('\\'));
        return QStringLiteral("%1, value %2").arg(path, key);
    }
    return group.isEmpty() ? QStringLiteral("%1, %2").arg(location(file, source), key)
                           : QStringLiteral("%1, [%2] %3").arg(location(file, source), group, key);
}

QString defaultText(const Definition &setting)
{
    if (setting.type == Type::Flag)
        return setting.defaultValue.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    const QString text = setting.defaultValue.toString();
    return text.isEmpty() ? QStringLiteral("nothing") : text;
}

// The setting a misspelt key most likely meant: one differing in case, or
// in at most two letters.
QString nearest(File file, const QString &name)
{
    const auto distance = [](const QString &a, const QString &b) {
        std::vector<int> row(size_t(b.size()) + 1);
        for (qsizetype j = 0; j <= b.size(); ++j)
            row[size_t(j)] = int(j);
        for (qsizetype i = 1; i <= a.size(); ++i) {
            int diagonal = row[0];
            row[0] = int(i);
            for (qsizetype j = 1; j <= b.size(); ++j) {
                const int above = row[size_t(j)];
                const int cost = a.at(i - 1).toLower() == b.at(j - 1).toLower() ? 0 : 1;
                row[size_t(j)] = std::min({above + 1, row[size_t(j - 1)] + 1, diagonal + cost});
                diagonal = above;
            }
        }
        return row[size_t(b.size())];
    };
    QString best;
    int bestDistance = 3;
    for (const Definition &setting : table()) {
        if (setting.file != file)
            continue;
        const int d = distance(name, setting.name);
        if (d < bestDistance) {
            bestDistance = d;
            best = setting.name;
        }
    }
    return best;
}

void checkStore(File file, Source source, QStringList &found)
{
    const auto settings = store(file, source);
    const QString where = location(file, source);
    if (settings->status() == QSettings::AccessError) {
        found << QStringLiteral("%1 cannot be read (permission denied); Wardcheck uses none of its values.").arg(where);
        return;
    }
    if (settings->status() == QSettings::FormatError) {
        found << QStringLiteral("%1 is not a settings file Wardcheck can read; it uses none of its values.").arg(where);
        return;
    }
    for (const QString &name : settings->allKeys()) {
        const auto it = std::find_if(table().cbegin(), table().cend(), [&](const Definition &setting) {
            return setting.file == file && setting.name.compare(name, KeyCase) == 0;
        });
        if (it == table().cend()) {
            const QString meant = nearest(file, name);
            found << (meant.isEmpty()
                          ? QStringLiteral("%1: no such setting; Wardcheck does not read it.")
                                .arg(place(file, source, name))
                          : QStringLiteral("%1: no such setting (%2 was meant?); Wardcheck does not read it.")
                                .arg(place(file, source, name), meant));
            continue;
        }
        const Definition &setting = *it;
        if (source == Source::User && setting.layer == Layer::Preset) {
            found << QStringLiteral("%1: set by the machine's preset only; Wardcheck does not read it here.")
                         .arg(place(file, source, name));
            continue;
        }
        QString why;
        if (setting.type == Type::Text && unquotedKeys(settings->fileName()).contains(name)) {
            why = QStringLiteral("holds a ; or a , outside double quotes, where the file's reading ends or splits it; "
                                 "put the value in double quotes");
        }
        if (!why.isEmpty() || !parse(setting, settings->value(name), &why)) {
            found << QStringLiteral("%1 %2; Wardcheck uses %3.")
                         .arg(place(file, source, name), why,
                              source == Source::User ? QStringLiteral("the preset's value or the default")
                                                     : defaultText(setting));
        }
    }
}

} // namespace

const Definition &definition(Key key)
{
    for (const Definition &setting : table()) {
        if (setting.key == key)
            return setting;
    }
    qFatal("Settings: key %d has no definition", int(key));
}

QString fileName(File file)
{
    return file == File::OrvaneUser ? QStringLiteral("Orvane_User") : QStringLiteral("Wardcheck");
}

QString location(File file, Source source)
{
    QString name = store(file, source)->fileName();
    if (InRegistry && name.startsWith(QLatin1Char('\\')))
        name.remove(0, 1);
    return name;
}

bool isLocked(Key key)
{
    const Definition &setting = definition(key);
    return lockedIn(*store(setting.file, Source::Preset), setting);
}

Reading read(Key key)
{
    const Definition &setting = definition(key);
    const auto preset = store(setting.file, Source::Preset);
    const bool locked = lockedIn(*preset, setting);
    if (setting.layer == Layer::PresetUser && !locked) {
        if (const std::optional<QVariant> own = parsed(setting, *store(setting.file, Source::User)))
            return {*own, Source::User, false};
    }
    if (const std::optional<QVariant> preset_ = parsed(setting, *preset))
        return {*preset_, Source::Preset, locked};
    return {setting.defaultValue, Source::Default, locked};
}

QVariant value(Key key)
{
    return read(key).value;
}

void remember(Key key, const QVariant &value)
{
    const Definition &setting = definition(key);
    Q_ASSERT(setting.layer == Layer::PresetUser);
    if (setting.layer == Layer::PresetUser && !isLocked(key))
        store(setting.file, Source::User)->setValue(setting.name, value);
}

QStringList problems()
{
    QStringList found;
    for (const File file : {File::OrvaneUser, File::Wardcheck}) {
        for (const Source source : {Source::Preset, Source::User})
            checkStore(file, source, found);
    }
    return found;
}

} // namespace Settings

namespace WardcheckSettings {

QString wristbandPrinter()
{
    return Settings::value(Settings::Key::WristbandPrinter).toString().trimmed();
}

bool wristbandsMustBeScanned()
{
    return Settings::value(Settings::Key::WristbandsMustBeScanned).toBool();
}

int scanMeanGapLimitMs()
{
    return Settings::value(Settings::Key::ScanMeanGapLimitMs).toInt();
}

int queryTimeoutSeconds()
{
    return Settings::value(Settings::Key::QueryTimeoutSeconds).toInt();
}

} // namespace WardcheckSettings
