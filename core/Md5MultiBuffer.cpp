#include "Md5MultiBuffer.h"

#include "Digest.h"
#include "FileFacts.h"
#include "ScanControl.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <thread>

#include <FileReading.h>
#include <NativePath.h>

#include <QElapsedTimer>

#include <fcntl.h>
#include <sys/stat.h>

#include <unistd.h>

void md5CompressLanes16(uint32_t (&state)[4][16], const uint8_t *const (&blocks)[16]);
void md5CompressLanes8(uint32_t (&state)[4][8], const uint8_t *const (&blocks)[8]);

namespace {

// How long a thread without files of its own waits for a descriptor.
constexpr qint64 maximumDescriptorWait = 30000;

constexpr uint32_t md5Initial[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};

// Feeds files into the lanes block by block: when a file ends its lane takes
// the next one, so the lanes stay busy whatever the files' sizes.
template<int Lanes>
class LaneHasher
{
public:
    static constexpr int lanes = Lanes;
    using Compress = void (*)(uint32_t (&)[4][Lanes], const uint8_t *const (&)[Lanes]);
    // Bytes read into a lane's buffer at a time; a multiple of the block size.
    static constexpr size_t bufferSize = 128 * 1024;

    LaneHasher(Compress compress, const Md5NextJob &next, const Md5JobDone &done, ScanControl *control)
        : m_compress(compress)
        , m_next(next)
        , m_done(done)
        , m_control(control)
    {
    }

    ~LaneHasher()
    {
        for (Lane &lane : m_lanes)
            closeLane(lane);
        // Files still waiting for a descriptor when the run was stopped.
        for (const Md5Job &job : m_waiting)
            m_done(job.index, nullptr);
    }

    void run()
    {
        static const uint8_t zeroBlock[64] = {};
        for (unsigned round = 0;; ++round) {
            if ((round & 63) == 0 && m_control) {
                if (!m_control->waitWhilePaused()) {
                    abandonAll();
                    return;
                }
            }
            bool any = false;
            for (int i = 0; i < lanes; ++i) {
                const uint8_t *block = nextBlock(i);
                if (block)
                    any = true;
                else
                    block = zeroBlock;
                m_blocks[i] = block;
            }
            if (!any)
                return;
            m_compress(m_state, m_blocks);
            for (int i = 0; i < lanes; ++i) {
                Lane &lane = m_lanes[i];
                if (lane.active && lane.finishing)
                    finishLane(i);
            }
        }
    }

private:
    struct Lane
    {
        bool active = false;
        bool finishing = false;
        bool endOfFile = false;
        int fd = -1;
        int index = -1;
        std::unique_ptr<uint8_t[]> buffer;
        size_t position = 0;
        size_t length = 0;
        uint64_t total = 0;
        int paddingBlocks = 0;
        int paddingNext = 0;
        FileReading::ListedSizeReader reader;
        std::optional<Md5Expected> expected;
        uint8_t padding[128];
    };

    bool anyLaneActive() const
    {
        for (const Lane &lane : m_lanes) {
            if (lane.active)
                return true;
        }
        return false;
    }

    // Opens the job's file. With no descriptor left, -2 while this thread
    // holds files of its own (one of them will close soon); with none of its
    // own, waits for a descriptor to come free elsewhere, for a while.
    int openJob(const Md5Job &job, struct stat &status)
    {
        QElapsedTimer waited;
        for (;;) {
            const int fd = openMd5Job(job, &status);
            if (fd >= 0 || (errno != EMFILE && errno != ENFILE))
                return fd;
            if (anyLaneActive())
                return -2;
            if (!waited.isValid())
                waited.start();
            if (waited.elapsed() > maximumDescriptorWait)
                return -1;
            if (m_control && !m_control->sleepUnlessAborted(std::chrono::milliseconds(2)))
                return -1;
            if (!m_control)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    void closeLane(Lane &lane)
    {
        if (lane.fd >= 0) {
            ::close(lane.fd);
            m_descriptorFreed = true;
        }
        lane.fd = -1;
        lane.active = false;
    }

    void abandonAll()
    {
        for (Lane &lane : m_lanes) {
            if (lane.active)
                m_done(lane.index, nullptr);
            closeLane(lane);
        }
    }

    // Takes the next openable file into the lane; false when there is none.
    bool loadLane(int i)
    {
        Lane &lane = m_lanes[i];
        Md5Job job;
        for (;;) {
            if (!m_waiting.empty()) {
                // Files that found no descriptor go first, once one of ours is free.
                if (!m_descriptorFreed && anyLaneActive())
                    return false;
                job = std::move(m_waiting.front());
                m_waiting.pop_front();
            } else {
                if (m_noMoreJobs || !m_next(job)) {
                    m_noMoreJobs = true;
                    return false;
                }
            }
            struct stat status {};
            const int fd = openJob(job, status);
            if (fd == -2) {
                m_descriptorFreed = false;
                // By the time it is opened its folder may be closed.
                job.folder = -1;
                m_waiting.push_back(std::move(job));
                return false;
            }
            // A file that is not the one the walk listed (replaced, changed
            // in size or time since) is not read.
            if (fd < 0) {
                m_done(job.index, nullptr);
                continue;
            }
            if (!lane.buffer)
                lane.buffer.reset(new uint8_t[bufferSize]);
            lane.active = true;
            lane.finishing = false;
            lane.endOfFile = false;
            lane.fd = fd;
            lane.index = job.index;
            lane.position = 0;
            lane.length = 0;
            lane.total = 0;
            lane.paddingBlocks = 0;
            lane.paddingNext = 0;
            lane.expected = job.expected;
            // The size it was listed with, else the one it was opened with.
            lane.reader = FileReading::ListedSizeReader(fd, job.expected ? job.expected->size : quint64(status.st_size),
                                                        quint64(status.st_dev));
            for (int k = 0; k < 4; ++k)
                m_state[k][i] = md5Initial[k];
            return true;
        }
    }

    // Fills the lane's buffer behind what is left of it; false on a read
    // error or when the file is not of its listed size. Nothing past that size
    // is taken in, so a file that keeps growing cannot keep the scan reading.
    bool refill(Lane &lane)
    {
        const size_t left = lane.length - lane.position;
        std::memmove(lane.buffer.get(), lane.buffer.get() + lane.position, left);
        lane.position = 0;
        lane.length = left;
        while (lane.length < bufferSize) {
            const qint64 got = lane.reader.read(reinterpret_cast<char *>(lane.buffer.get()) + lane.length,
                                                qint64(bufferSize - lane.length));
            if (got < 0)
                return false;
            if (got == 0) {
                lane.endOfFile = true;
                break;
            }
            lane.length += size_t(got);
        }
        return true;
    }

    // The lane's next 64-byte block, or null when the lane has nothing to do.
    const uint8_t *nextBlock(int i)
    {
        Lane &lane = m_lanes[i];
        for (;;) {
            if (!lane.active && !loadLane(i))
                return nullptr;
            if (lane.paddingBlocks > 0) {
                const uint8_t *block = lane.padding + 64 * lane.paddingNext;
                if (++lane.paddingNext == lane.paddingBlocks)
                    lane.finishing = true;
                return block;
            }
            if (lane.length - lane.position < 64 && !lane.endOfFile && !refill(lane)) {
                // A read error or a changed file: it gets no digest.
                m_done(lane.index, nullptr);
                closeLane(lane);
                continue;
            }
            if (lane.length - lane.position >= 64) {
                const uint8_t *block = lane.buffer.get() + lane.position;
                lane.position += 64;
                lane.total += 64;
                return block;
            }
            // The end: the rest, the 0x80 byte, zeros, and the length in bits.
            const size_t rest = lane.length - lane.position;
            lane.total += rest;
            std::memset(lane.padding, 0, sizeof lane.padding);
            std::memcpy(lane.padding, lane.buffer.get() + lane.position, rest);
            lane.position = lane.length;
            lane.padding[rest] = 0x80;
            lane.paddingBlocks = rest < 56 ? 1 : 2;
            const uint64_t bits = lane.total * 8;
            std::memcpy(lane.padding + 64 * lane.paddingBlocks - 8, &bits, 8);
            lane.paddingNext = 1;
            if (lane.paddingBlocks == 1)
                lane.finishing = true;
            return lane.padding;
        }
    }

    void finishLane(int i)
    {
        Lane &lane = m_lanes[i];
        // The file was read to its listed end; one written to meanwhile is
        // still not the file that was listed.
        if (lane.expected && !md5FileMatches(lane.fd, *lane.expected)) {
            const int index = lane.index;
            closeLane(lane);
            m_done(index, nullptr);
            return;
        }
        Md5Digest digest;
        for (int k = 0; k < 4; ++k)
            std::memcpy(digest.data() + 4 * k, &m_state[k][i], 4);
        const int index = lane.index;
        closeLane(lane);
        m_done(index, &digest);
    }

    Compress m_compress;
    const Md5NextJob &m_next;
    const Md5JobDone &m_done;
    ScanControl *m_control;
    Lane m_lanes[lanes];
    alignas(64) uint32_t m_state[4][lanes] = {};
    const uint8_t *m_blocks[lanes] = {};
    // Once the files are handed out, idle lanes stop asking for more.
    bool m_noMoreJobs = false;
    // Files that found no descriptor free, and whether one of ours was
    // closed since.
    std::deque<Md5Job> m_waiting;
    bool m_descriptorFreed = false;
};

} // namespace

bool md5FileMatches(int fd, const Md5Expected &expected)
{
    struct stat status {};
    return ::fstat(fd, &status) == 0 && md5StatusMatches(status, expected);
}

int openMd5Job(const Md5Job &job, struct stat *opened)
{
    struct stat own {};
    struct stat &status = opened ? *opened : own;
    int fd = -1;
    if (job.nativePath.empty())
        fd = openRegularFile(AT_FDCWD, NativePath::encode(job.path).constData(), false, &status);
    else if (job.folder >= 0)
        fd = openRegularFile(job.folder, job.nativePath.c_str() + job.nameStart, false, &status);
    else
        fd = openRegularFile(AT_FDCWD, job.nativePath.c_str(), false, &status);
    if (fd < 0)
        return -1;
    if (job.expected && !md5StatusMatches(status, *job.expected)) {
        ::close(fd);
        errno = ESTALE;
        return -1;
    }
    return fd;
}

bool md5StatusMatches(const struct stat &status, const Md5Expected &expected)
{
    const qint64 modified = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    return quint64(status.st_dev) == expected.device && quint64(status.st_ino) == expected.inode
        && status.st_size >= 0 && quint64(status.st_size) == expected.size
        && (!expected.modifiedKnown || modified == expected.modified);
}

namespace {

// One file at a time, by the same rules as the lanes.
std::optional<Md5Digest> digestOneFile(const Md5Job &job, ScanControl *control)
{
    const QByteArray path = job.nativePath.empty() ? NativePath::encode(job.path)
                                                   : QByteArray::fromStdString(job.nativePath);
    if (path.isEmpty())
        return std::nullopt;
    struct stat status {};
    const int fd = openRegularFileWaiting(path.constData(), control, &status);
    if (fd < 0)
        return std::nullopt;
    std::optional<Md5Digest> result;
    if (!job.expected || md5StatusMatches(status, *job.expected)) {
        FileReading::ListedSizeReader file(fd, job.expected ? job.expected->size : quint64(status.st_size),
                                          quint64(status.st_dev));
        Md5Context context;
        while (md5ReadChunk(file, md5ChunkSize, context, control)) {
        }
        const bool unchanged = file.isWhole() && (!job.expected || md5FileMatches(fd, *job.expected));
        const QByteArray bytes = QByteArray::fromHex(context.finish().toLatin1());
        if (unchanged && !(control && control->isAbort()) && bytes.size() == 16) {
            Md5Digest digest;
            std::memcpy(digest.data(), bytes.constData(), 16);
            result = digest;
        }
    }
    ::close(fd);
    return result;
}

} // namespace

QString md5Text(const Md5Digest &digest)
{
    static const char hex[] = "0123456789abcdef";
    QString text(32, Qt::Uninitialized);
    QChar *out = text.data();
    for (int b = 0; b < 16; ++b) {
        out[2 * b] = QLatin1Char(hex[digest[b] >> 4]);
        out[2 * b + 1] = QLatin1Char(hex[digest[b] & 15]);
    }
    return text;
}

int md5LaneCount()
{
#if defined(__x86_64__)
    static const int count = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512f"))
            return 16;
        if (__builtin_cpu_supports("avx2"))
            return 8;
        return 1;
    }();
    return count;
#else
    return 1;
#endif
}

void md5MultiBuffer(const Md5NextJob &next, const Md5JobDone &done, ScanControl *control, int lanes)
{
    if (lanes <= 0 || lanes > md5LaneCount())
        lanes = md5LaneCount();
#if defined(__x86_64__)
    if (lanes == 16) {
        LaneHasher<16>(md5CompressLanes16, next, done, control).run();
        return;
    }
    if (lanes == 8) {
        LaneHasher<8>(md5CompressLanes8, next, done, control).run();
        return;
    }
#endif
    Md5Job job;
    while (next(job)) {
        if (control && !control->waitWhilePaused()) {
            done(job.index, nullptr);
            continue;
        }
        const auto digest = digestOneFile(job, control);
        done(job.index, digest ? &*digest : nullptr);
    }
}
