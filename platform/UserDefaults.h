#pragma once

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// The user defaults domain: typed values in a property-list file, held in memory
// behind a mutex and written atomically (temporary file and rename) on every
// change. A file that cannot be read as a dictionary is set aside and the store
// starts empty, so a damaged file never stops the program from starting.
class UserDefaults
{
public:
    explicit UserDefaults(const QString &filePath, bool readOnly = false);

    // The process-wide store, at defaultFilePath() unless redirected.
    static UserDefaults &standard();
    // Where the process-wide store lives, chosen before it is first used, so
    // that the default file is never opened (let alone set aside) when the
    // program was told to use another one. Later calls redirect the store.
    static void useStandardFile(const QString &filePath, bool readOnly);
    // The largest settings file that is read; a larger one counts as damaged.
    static constexpr qint64 maximumFileSize = 16 * 1024 * 1024;
    // $XDG_CONFIG_HOME/twinmoor/defaults.plist (XDG_CONFIG_HOME defaults to ~/.config).
    static QString defaultFilePath();

    QString filePath() const;
    // Points the store at another file and loads it. With readOnly, changes stay
    // in memory and the file is never written.
    void setFilePath(const QString &filePath, bool readOnly = false);
    // Where a damaged file was moved to by the last load; empty when none was.
    QString setAsidePath() const;

    // An invalid QVariant when nothing is stored under the key.
    QVariant object(const QString &key) const;
    bool contains(const QString &key) const;

    // Each answers nothing when the key is missing or holds another type.
    std::optional<bool> boolValue(const QString &key) const;
    std::optional<qint64> integerValue(const QString &key) const;
    std::optional<quint64> unsignedValue(const QString &key) const;
    std::optional<double> doubleValue(const QString &key) const;
    std::optional<QString> stringValue(const QString &key) const;
    std::optional<QStringList> stringArray(const QString &key) const;
    std::optional<QList<bool>> boolArray(const QString &key) const;

    // False when the value has no property-list form or the file could not be
    // written; the in-memory value is set in the second case all the same.
    bool setObject(const QString &key, const QVariant &value);
    bool removeObject(const QString &key);

    QVariantMap dictionaryRepresentation() const;

private:
    void loadLocked();
    bool writeLocked();

    mutable QMutex m_mutex;
    QString m_filePath;
    QString m_setAsidePath;
    QVariantMap m_values;
    bool m_readOnly = false;
};

// Integer helpers shared by the typed readers: a property-list integer is a
// qint64 when negative and a quint64 otherwise.
bool isPropertyListInteger(const QVariant &value);
std::optional<quint64> unsignedFromVariant(const QVariant &value);
std::optional<qint64> signedFromVariant(const QVariant &value);
