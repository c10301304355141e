#pragma once

#include <QByteArray>
#include <QString>

// Small helpers that build fixture trees on disk.
namespace Fixtures {

// Writes the bytes to the path, creating its folders.
void writeFile(const QString &path, const QByteArray &contents);
// `size` bytes of a repeatable, not all-equal pattern.
QByteArray patternBytes(qint64 size);
void makeFolder(const QString &path);
void makeSymlink(const QString &target, const QString &linkPath);
void makeFifo(const QString &path);
// Writes an information list with the identifier (XML or binary) into the bundle.
void writeBundle(const QString &bundlePath, const QString &identifier, bool binary = false);

} // namespace Fixtures

// Captures what the process writes to one of its standard streams while alive.
class StreamCapture
{
public:
    explicit StreamCapture(int fd);
    ~StreamCapture();
    StreamCapture(const StreamCapture &) = delete;
    StreamCapture &operator=(const StreamCapture &) = delete;

    // Ends the capture and returns the text written meanwhile.
    QString finish();

private:
    int m_fd;
    int m_saved = -1;
    QString m_path;
};
