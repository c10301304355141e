#include "UserDefaults.h"

#include "FileReading.h"
#include "PropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSaveFile>
#include <QStandardPaths>

#include <limits>

bool isPropertyListInteger(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

std::optional<quint64> unsignedFromVariant(const QVariant &value)
{
    if (!isPropertyListInteger(value))
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::ULong:
    case QMetaType::UShort:
        return value.toULongLong();
    default: {
        const qint64 v = value.toLongLong();
        if (v < 0)
            return std::nullopt;
        return quint64(v);
    }
    }
}

std::optional<qint64> signedFromVariant(const QVariant &value)
{
    if (!isPropertyListInteger(value))
        return std::nullopt;
    if (const auto u = unsignedFromVariant(value)) {
        if (*u > quint64(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return qint64(*u);
    }
    return value.toLongLong();
}

UserDefaults::UserDefaults(const QString &filePath, bool readOnly)
    : m_filePath(filePath)
    , m_readOnly(readOnly)
{
    QMutexLocker locker(&m_mutex);
    loadLocked();
}

namespace {

struct StandardFile
{
    QString path;
    bool readOnly = false;
    bool created = false;
};

StandardFile &standardFile()
{
    static StandardFile file;
    return file;
}

} // namespace

UserDefaults &UserDefaults::standard()
{
    static UserDefaults defaults = [] {
        StandardFile &file = standardFile();
        file.created = true;
        return UserDefaults(file.path.isEmpty() ? defaultFilePath() : file.path, file.readOnly);
    }();
    return defaults;
}

void UserDefaults::useStandardFile(const QString &filePath, bool readOnly)
{
    StandardFile &file = standardFile();
    if (file.created) {
        standard().setFilePath(filePath, readOnly);
        return;
    }
    file.path = filePath;
    file.readOnly = readOnly;
}

QString UserDefaults::defaultFilePath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/twinmoor/defaults.plist");
}

QString UserDefaults::filePath() const
{
    QMutexLocker locker(&m_mutex);
    return m_filePath;
}

void UserDefaults::setFilePath(const QString &filePath, bool readOnly)
{
    QMutexLocker locker(&m_mutex);
    m_filePath = filePath;
    m_readOnly = readOnly;
    loadLocked();
}

QString UserDefaults::setAsidePath() const
{
    QMutexLocker locker(&m_mutex);
    return m_setAsidePath;
}

void UserDefaults::loadLocked()
{
    m_values.clear();
    m_setAsidePath.clear();
    if (!QFileInfo::exists(m_filePath) && !QFileInfo(m_filePath).isSymLink())
        return;
    // Only a regular file of bounded size: a FIFO would block the start, a
    // device could fill the memory.
    std::optional<QVariant> root;
    if (const auto data = FileReading::readRegularFile(m_filePath, maximumFileSize))
        root = PropertyList::fromData(*data);
    if (root && root->typeId() == QMetaType::QVariantMap) {
        m_values = root->toMap();
        return;
    }
    // Keep the damaged file for the user instead of overwriting it on the next
    // change; never in read-only mode, where the file is not ours to move.
    if (m_readOnly)
        return;
    const QString aside = m_filePath + QStringLiteral(".unreadable-")
            + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmsszzz"));
    if (QFile::rename(m_filePath, aside))
        m_setAsidePath = aside;
}

bool UserDefaults::writeLocked()
{
    if (m_readOnly)
        return true;
    const QByteArray data = PropertyList::toData(QVariant(m_values), PropertyList::Format::Xml);
    if (data.isEmpty())
        return false;
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QVariant UserDefaults::object(const QString &key) const
{
    QMutexLocker locker(&m_mutex);
    return m_values.value(key);
}

bool UserDefaults::contains(const QString &key) const
{
    QMutexLocker locker(&m_mutex);
    return m_values.contains(key);
}

std::optional<bool> UserDefaults::boolValue(const QString &key) const
{
    const QVariant value = object(key);
    if (value.typeId() != QMetaType::Bool)
        return std::nullopt;
    return value.toBool();
}

std::optional<qint64> UserDefaults::integerValue(const QString &key) const
{
    return signedFromVariant(object(key));
}

std::optional<quint64> UserDefaults::unsignedValue(const QString &key) const
{
    return unsignedFromVariant(object(key));
}

std::optional<double> UserDefaults::doubleValue(const QString &key) const
{
    const QVariant value = object(key);
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return value.toDouble();
    if (isPropertyListInteger(value))
        return value.toDouble();
    return std::nullopt;
}

std::optional<QString> UserDefaults::stringValue(const QString &key) const
{
    const QVariant value = object(key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

std::optional<QStringList> UserDefaults::stringArray(const QString &key) const
{
    const QVariant value = object(key);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList list;
    for (const QVariant &item : value.toList()) {
        if (item.typeId() != QMetaType::QString)
            return std::nullopt;
        list.append(item.toString());
    }
    return list;
}

std::optional<QList<bool>> UserDefaults::boolArray(const QString &key) const
{
    const QVariant value = object(key);
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QList<bool> list;
    for (const QVariant &item : value.toList()) {
        if (item.typeId() != QMetaType::Bool)
            return std::nullopt;
        list.append(item.toBool());
    }
    return list;
}

bool UserDefaults::setObject(const QString &key, const QVariant &value)
{
    if (!PropertyList::isRepresentable(value))
        return false;
    QMutexLocker locker(&m_mutex);
    // Store what a reload would give back, so that reads before and after a
    // restart agree (an int becomes a 64-bit integer, a QStringList a list).
    const auto normalised = PropertyList::fromData(PropertyList::toData(value, PropertyList::Format::Binary));
    m_values.insert(key, normalised ? *normalised : value);
    return writeLocked();
}

bool UserDefaults::removeObject(const QString &key)
{
    QMutexLocker locker(&m_mutex);
    if (m_values.remove(key) == 0)
        return true;
    return writeLocked();
}

QVariantMap UserDefaults::dictionaryRepresentation() const
{
    QMutexLocker locker(&m_mutex);
    return m_values;
}
