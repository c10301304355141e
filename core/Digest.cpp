#include "Digest.h"

#include "FileFacts.h"
#include "ScanControl.h"

#include <FileReading.h>
#include <NativePath.h>

#include <cerrno>
#include <vector>

#include <openssl/evp.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Md5Context::Md5Context()
    : m_context(EVP_MD_CTX_new())
{
    if (!m_context || EVP_DigestInit_ex(m_context, EVP_md5(), nullptr) != 1)
        m_failed = true;
}

Md5Context::~Md5Context()
{
    EVP_MD_CTX_free(m_context);
}

void Md5Context::add(const char *data, qint64 length)
{
    if (!m_failed && EVP_DigestUpdate(m_context, data, size_t(length)) != 1)
        m_failed = true;
}

QString Md5Context::finish()
{
    if (m_failed)
        return {};
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(m_context, digest, &length) != 1) {
        m_failed = true;
        return {};
    }
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex());
}

bool md5ReadChunk(FileReading::ListedSizeReader &file, qint64 length, Md5Context &context, const ScanControl *control)
{
    if (control && control->isAbort())
        return false;
    if (length <= 0)
        return false;
    // One buffer per thread, kept between files: digesting allocates nothing per file.
    thread_local std::vector<char> buffer;
    if (buffer.size() < size_t(length))
        buffer.resize(size_t(length));
    const qint64 count = file.read(buffer.data(), length);
    if (count < 0) {
        context.setFailed();
        return false;
    }
    if (count == 0)
        return false;
    context.add(buffer.data(), count);
    return !context.failed();
}

QString md5OfFile(const QString &path, const ScanControl *control)
{
    // Candidates are regular files met without following links; a FIFO or device
    // at the path must never block the scan, so it gives "" at once.
    struct stat status {};
    const int fd = openRegularFile(AT_FDCWD, NativePath::encode(path).constData(), false, &status);
    if (fd < 0)
        return {};
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    // The size it was opened with is the one it must have once read.
    FileReading::ListedSizeReader file(fd, quint64(status.st_size), quint64(status.st_dev));
    Md5Context context;
    while (md5ReadChunk(file, md5ChunkSize, context, control)) {
    }
    ::close(fd);
    if ((control && control->isAbort()) || !file.isWhole())
        return {};
    return context.finish();
}

QString md5OfFile(const QUrl &at, const ScanControl *control)
{
    if (!at.isLocalFile())
        return {};
    return md5OfFile(at.toLocalFile(), control);
}
