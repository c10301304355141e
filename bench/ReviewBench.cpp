// twinmoor-review-bench [--groups N] [--steps LIST]
//
// Opens the results window on a large synthetic result (N groups, 60,000
// unless given; 2.75 copies a group on average, spread over the seven
// categories) with no disk tree behind it, and drives it the way a user does:
// open, a search keystroke that every group matches, a further keystroke,
// clearing the field, automatic marking, then every groups sort. A timer
// beats every 10 ms on the main thread throughout. For every step it prints
// how long the call itself took and the longest gap between two beats from
// the start of the step until the window has gone quiet again (deferred
// layouts and paints included): how long the window kept the user waiting.
// Then the peak memory (VmHWM) once the results were open and after the steps.
//
// LIST names the steps to run after opening (all of them unless given), for a
// profile of one step. Prints one line per step, "step NAME call-ms C longest-gap-ms G rss-kb R
// peak-kb P", then
// "longest-gap-ms G", "peak-open-kb K" and "peak-end-kb K".

#include <DashboardVC.h>
#include <Localization.h>
#include <ProcessState.h>
#include <ReviewSession.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTextStream>
#include <QTimer>

#include <sys/stat.h>
#include <time.h>

#include <functional>

namespace {

// A figure of /proc/self/status in kilobytes: "VmHWM" is the peak resident
// set so far, "VmRSS" the resident set now.
qint64 statusKilobytes(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Processor time of the calling thread, in milliseconds: on a busy machine it
// tells the work of a step apart from the time spent waiting for a core.
qint64 threadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

struct CategoryShape
{
    ScanResultKeys key;
    const char *extension;
};

// Records as the scan builds them from its own status of each file, so no
// file is looked at. Names are "file<number>" with the number drawn at random,
// so every group matches "f" and "fi", and the name sort has work to do.
void fillStore(int groupCount)
{
    const CategoryShape shapes[] = {
        {ScanResultKeys::Photos, "jpg"},   {ScanResultKeys::Documents, "txt"}, {ScanResultKeys::Musics, "mp3"},
        {ScanResultKeys::Videos, "mp4"},   {ScanResultKeys::Archives, "zip"},  {ScanResultKeys::Others, "dat"},
        {ScanResultKeys::Application, "bin"},
    };
    // Most duplicates are photos and documents, as on a user's disk.
    const int weights[] = {35, 25, 15, 10, 6, 6, 3};
    QRandomGenerator random(20261210);
    QList<GroupList> lists(std::size(shapes));
    quint64 inode = 1;
    const qint64 base = QDateTime(QDate(2023, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch() * 1000000;
    for (int g = 0; g < groupCount; ++g) {
        int pick = int(random.bounded(100));
        qsizetype category = 0;
        while (pick >= weights[category]) {
            pick -= weights[category];
            ++category;
        }
        // 2, 3, 3, 3 copies: 2.75 a group on average.
        const int copies = g % 4 == 0 ? 2 : 3;
        const quint64 size = 1024 + random.bounded(50u * 1024 * 1024);
        const QString name = QStringLiteral("file%1").arg(random.bounded(1000000));
        DuplicateGroup group;
        for (int j = 0; j < copies; ++j) {
            const QString path = QStringLiteral("/bench/review/folder%1/%2%3.%4")
                                     .arg(random.bounded(2000))
                                     .arg(name, j == 0 ? QString() : QStringLiteral(" copy %1").arg(j),
                                          QLatin1String(shapes[category].extension));
            const qint64 modified = base + qint64(random.bounded(365 * 24 * 3600)) * 1000000000;
            InitialDirectory record(QUrl::fromLocalFile(path), FileIdentity{42, inode++}, size, modified,
                                    S_IFREG | 0644);
            record.category = shapes[category].key;
            group.append(record);
        }
        lists[category].append(group);
    }
    for (qsizetype c = 0; c < lists.size(); ++c) {
        if (!lists.at(c).isEmpty())
            duplicateResults().setValue(rawValue(shapes[c].key), lists.at(c));
    }
}

struct Step
{
    QString name;
    std::function<void()> run;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the program itself: the preview's player needs the FFmpeg backend here.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    QApplication app(argc, argv);
    int groupCount = 60000;
    QStringList chosenSteps;
    const QStringList arguments = app.arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        bool ok = false;
        if (arguments.at(i) == QLatin1String("--groups") && i + 1 < arguments.size()) {
            groupCount = arguments.at(++i).toInt(&ok);
            ok = ok && groupCount > 0;
        } else if (arguments.at(i) == QLatin1String("--steps") && i + 1 < arguments.size()) {
            chosenSteps = arguments.at(++i).split(QLatin1Char(','), Qt::SkipEmptyParts);
            ok = true;
        }
        if (!ok) {
            QTextStream(stderr) << "usage: twinmoor-review-bench [--groups N] [--steps LIST]\n";
            return 2;
        }
    }
    loadLocalizationTable();
    fillStore(groupCount);

    auto *screen = new DashboardVC;
    screen->resize(1151, 751);
    ReviewSession &session = *screen->session();
    qint64 peakAtOpen = 0;

    QList<Step> steps{
        {QStringLiteral("open"),
         [&] {
             screen->prepareToShow();
             screen->show();
         }},
        {QStringLiteral("search-f"), [&] { screen->searchField()->setText(QStringLiteral("f")); }},
        {QStringLiteral("search-fi"), [&] { screen->searchField()->setText(QStringLiteral("fi")); }},
        {QStringLiteral("search-clear"), [&] { screen->searchField()->clear(); }},
        {QStringLiteral("auto-mark"), [&] { session.automaticallySmartCheckGroups(); }},
        {QStringLiteral("sort-name"), [&] { session.sortByName(); }},
        {QStringLiteral("sort-count"), [&] { session.sortByCount(); }},
        {QStringLiteral("sort-marked"), [&] { session.sortBySelectedCount(); }},
        {QStringLiteral("sort-size"), [&] { session.sortBySize(); }},
        {QStringLiteral("sort-ascending"), [&] { session.filterByAscending(); }},
    };
    if (!chosenSteps.isEmpty())
        steps.removeIf([&](const Step &step) { return step.name != QLatin1String("open") && !chosenSteps.contains(step.name); });

    QElapsedTimer clock;
    qint64 lastBeat = 0;
    qint64 stepGap = 0;
    qint64 longestGap = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        stepGap = std::max(stepGap, now - lastBeat);
        lastBeat = now;
    });

    // Each step starts from a quiet window and is given time to settle: its
    // deferred layouts and paints count towards its gap.
    constexpr int settleMs = 400;
    QTextStream out(stdout);
    qsizetype next = 0;
    std::function<void()> runNext;
    qint64 stepStartCpu = 0;
    auto finishStep = [&](const QString &name, qint64 callMs) {
        out << "step " << name << " call-ms " << callMs << " longest-gap-ms " << stepGap << " cpu-ms "
            << threadMilliseconds() - stepStartCpu << " rss-kb "
            << statusKilobytes("VmRSS") << " peak-kb " << statusKilobytes("VmHWM") << '\n';
        out.flush();
        longestGap = std::max(longestGap, stepGap);
        if (name == QLatin1String("open"))
            peakAtOpen = statusKilobytes("VmHWM");
        QTimer::singleShot(0, runNext);
    };
    runNext = [&] {
        if (next >= steps.size()) {
            QCoreApplication::quit();
            return;
        }
        const Step &step = steps.at(next++);
        stepGap = 0;
        stepStartCpu = threadMilliseconds();
        lastBeat = clock.elapsed();
        QElapsedTimer call;
        call.start();
        step.run();
        const qint64 callMs = call.elapsed();
        QTimer::singleShot(settleMs, [&, name = step.name, callMs] { finishStep(name, callMs); });
    };

    clock.start();
    heartbeat.start(10);
    QTimer::singleShot(settleMs, runNext);
    app.exec();

    out << "longest-gap-ms " << longestGap << '\n'
        << "peak-open-kb " << peakAtOpen << '\n'
        << "peak-end-kb " << statusKilobytes("VmHWM") << '\n';
    delete screen;
    return 0;
}
