#pragma once

#include <FileReading.h>

#include <QString>
#include <QUrl>
#include <QtGlobal>

class ScanControl;
struct evp_md_ctx_st;

// Files are read and digested one chunk of this many bytes at a time.
inline constexpr qint64 md5ChunkSize = 1048576;

// One MD5 computation in progress. It remembers a read error so that the caller
// can tell a failed read from the end of the file.
class Md5Context
{
public:
    Md5Context();
    ~Md5Context();
    Md5Context(const Md5Context &) = delete;
    Md5Context &operator=(const Md5Context &) = delete;

    void add(const char *data, qint64 length);
    // Lower-case hexadecimal text of the 16-byte digest; "" when it failed.
    QString finish();

    bool failed() const { return m_failed; }
    void setFailed() { m_failed = true; }

private:
    evp_md_ctx_st *m_context; // OpenSSL's EVP_MD_CTX
    bool m_failed = false;
};

// Lower-case hexadecimal MD5 of a regular file's contents; "" when it is no
// regular file, cannot be opened or read, is not the size it had when opened
// once read (it ended early or held more), or when the run was stopped.
QString md5OfFile(const QUrl &at, const ScanControl *control = nullptr);
QString md5OfFile(const QString &path, const ScanControl *control = nullptr);

// One step of the read loop: reads up to `length` bytes and adds them. False when
// the loop must end: stopped (nothing read), the file read whole, or a read
// error or a file not of its listed size (the context is then marked failed).
bool md5ReadChunk(FileReading::ListedSizeReader &file, qint64 length, Md5Context &context, const ScanControl *control);
