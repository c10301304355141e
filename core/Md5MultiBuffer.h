#pragma once

#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <string>

#include <sys/stat.h>

class ScanControl;

// MD5 of many files at once: one thread digests several files side by side,
// one per lane of the processor's vector registers (16 with AVX-512, 8 with
// AVX2), which is several times faster than one file after another. The
// digests are the same as md5OfFile()'s.

// What the file must still be when it is opened and when it has been read;
// a file that changed meanwhile gets no digest.
struct Md5Expected
{
    quint64 device = 0;
    quint64 inode = 0;
    quint64 size = 0;
    // Nanoseconds since the epoch; compared only when known.
    qint64 modified = 0;
    bool modifiedKnown = false;
};

struct Md5Job
{
    int index = -1;
    QString path;
    // The path in its own bytes; when given, it is used instead of path.
    std::string nativePath;
    // An open folder that holds the file, named from nameStart of nativePath
    // on; -1 for none. It is only valid until next() is called again.
    int folder = -1;
    size_t nameStart = 0;
    // Without it the file is read to its end as it is.
    std::optional<Md5Expected> expected;
};

// True when the open file still has the expected identity, size and time.
bool md5FileMatches(int fd, const Md5Expected &expected);
// The same for a status already read.
bool md5StatusMatches(const struct stat &status, const Md5Expected &expected);
// Opens the job's file as a regular file, never through a final link; -1
// when it cannot be opened or is not the expected file any more. The status
// it was opened with goes to `opened`.
int openMd5Job(const Md5Job &job, struct stat *opened = nullptr);

// Hands out the next file; false when there is none left.
using Md5NextJob = std::function<bool(Md5Job &job)>;
using Md5Digest = std::array<quint8, 16>;

// Receives a file's digest, on the digesting thread; null when the file has
// none (no regular file, unreadable, changed, or the run was stopped). When
// no descriptor is left, a file waits until one of the thread's own files is
// closed (or, with none open, until one is free elsewhere) instead of
// failing. A file is read up to its expected size (else the size it was
// opened with) and has a digest only when it ends right there.
using Md5JobDone = std::function<void(int index, const Md5Digest *digest)>;

// The lower-case hexadecimal text of a digest, as md5OfFile() writes it.
QString md5Text(const Md5Digest &digest);

// The widest lane count this processor runs: 16, 8, or 1 (no vector unit; then
// files are digested one at a time).
int md5LaneCount();

// Digests every file that next() hands out until there are none left or the
// run is stopped. With lanes 0 the widest the processor runs is used; other
// values (1, 8, 16) choose that implementation and must be supported.
void md5MultiBuffer(const Md5NextJob &next, const Md5JobDone &done, ScanControl *control, int lanes = 0);
