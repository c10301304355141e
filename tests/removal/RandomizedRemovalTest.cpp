#include "RemovalFixture.h"

#include <Alert.h>
#include <AutoMarking.h>
#include <CategoryLists.h>
#include <ProcessState.h>
#include <ResultQueries.h>
#include <RemovalStore.h>
#include <ReviewSession.h>
#include <ScanFixture.h>
#include <TestEnvironment.h>

#include <NativePath.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>

using namespace RemovalFixture;
using ScanFixture::writeFile;

namespace {

// What lies at a path: a file's digest, or every file of a folder with its
// digest, relative to the folder.
QString contentAt(const QString &path)
{
    if (QFileInfo(path).isDir()) {
        QStringList lines;
        for (auto [file, digest] : digestTree(path).asKeyValueRange())
            lines.append(file.mid(path.size()) + '=' + QString::fromLatin1(digest));
        lines.sort();
        return lines.join('\n');
    }
    return QFileInfo::exists(path) ? QString::fromLatin1(md5Of(path)) : QString();
}

QString trashedContent(const QHash<QString, QByteArray> &trash, const QString &path)
{
    if (trash.contains(path))
        return QString::fromLatin1(trash.value(path));
    QStringList lines;
    for (auto [old, digest] : trash.asKeyValueRange()) {
        if (old.startsWith(path + '/'))
            lines.append(old.mid(path.size()) + '=' + QString::fromLatin1(digest));
    }
    lines.sort();
    return lines.join('\n');
}

class RandomRound
{
public:
    RandomRound(quint64 seed)
        : m_random(seed)
        , m_seed(seed)
    {
    }

    void run();

private:
    int pick(int bound) { return int(m_random.bounded(bound)); }
    bool chance(int percent) { return pick(100) < percent; }
    QString freshPath(const QString &name);
    void buildTree();
    QString changeAfterScan(const QString &path);
    void searchByHand();
    void markRows(bool throughSession);
    void markByHandInCategory(int row);
    void markByHandInAllDuplicates();

    QRandomGenerator m_random;
    quint64 m_seed;
    QString m_root;
    QString m_tree;
    QString m_destination;
    QStringList m_destinationItems;
    QStringList m_extraRoots;
    QSet<QString> m_used;
    ReviewSession *m_session = nullptr;
};

// Outcomes and ways through over all rounds, printed at the end so a run
// shows what it exercised.
QMap<QString, int> outcomesSeen;
QMap<QString, int> waysSeen;

const QStringList sharedNames = {"a.txt", "b.jpg", "song.mp3", "same.doc", "clip.mov", "x.zip", "plain"};

QString RandomRound::freshPath(const QString &name)
{
    for (;;) {
        QString folder = m_tree + "/d" + QString::number(pick(5));
        if (chance(30))
            folder += "/e" + QString::number(pick(3));
        const QString path = folder + '/' + name;
        if (!m_used.contains(path)) {
            m_used.insert(path);
            return path;
        }
    }
}

// A file grows, or is rewritten at its size with a later time; a bundle gets
// one more file. Answers the copy's path.
QString RandomRound::changeAfterScan(const QString &path)
{
    if (QFileInfo(path).isDir()) {
        writeFile(path + "/Contents/Resources/added" + QString::number(pick(1000)),
                  ScanFixture::uniqueBytes(1 + pick(100)));
        return path;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return path;
    if (chance(50)) {
        file.seek(file.size());
        file.write(ScanFixture::uniqueBytes(1 + pick(50)));
    } else {
        file.write(ScanFixture::uniqueBytes(file.size()));
        file.setFileTime(QFileInfo(path).lastModified().addSecs(60), QFileDevice::FileModificationTime);
    }
    return path;
}

void RandomRound::buildTree()
{
    const int groups = 2 + pick(5);
    for (int g = 0; g < groups; ++g) {
        const QByteArray bytes = ScanFixture::uniqueBytes(1 + pick(3000));
        const int copies = 2 + pick(3);
        for (int c = 0; c < copies; ++c) {
            const QString name = chance(60) ? sharedNames.at(pick(int(sharedNames.size())))
                                            : QStringLiteral("g%1c%2.txt").arg(g).arg(c);
            writeFile(freshPath(name), bytes);
        }
    }
    for (int b = 0, bundles = pick(3); b < bundles; ++b) {
        const QString identifier = QStringLiteral("com.example.tool%1").arg(b);
        const QString first = freshPath(QStringLiteral("Tool%1.app").arg(b));
        ScanFixture::makeBundle(first, identifier, ScanFixture::uniqueBytes(50));
        if (chance(30)) {
            // The second copy inside the first, found through a root of its own.
            const QString inside = first + "/Contents/Resources";
            ScanFixture::makeBundle(inside + QStringLiteral("/Tool%1.app").arg(b), identifier,
                                    ScanFixture::uniqueBytes(50));
            m_extraRoots.append(inside);
            ++waysSeen["a bundle inside another of its group"];
        } else {
            ScanFixture::makeBundle(freshPath(QStringLiteral("Tool%1.app").arg(b)), identifier,
                                    ScanFixture::uniqueBytes(50));
        }
    }
    for (int u = 0, unrelated = 3 + pick(6); u < unrelated; ++u)
        writeFile(freshPath(chance(50) ? sharedNames.at(pick(int(sharedNames.size()))) : QStringLiteral("u%1").arg(u)),
                  ScanFixture::uniqueBytes(1 + pick(500)));
}

// The search as the store alone knows it: the snapshot set aside, the store
// narrowed, with no screen to put it back.
void RandomRound::searchByHand()
{
    savedDuplicateResults().removeAll();
    for (const QString &key : duplicateResults().keys())
        savedDuplicateResults().setValue(key, *duplicateResults().find(key));
    savedCategoryRows() = categoryRows();
    savedAllDuplicateGroups() = allDuplicateGroups();
    const QString needle = QString(QChar('a' + pick(26)));
    for (const QString &key : duplicateResults().keys()) {
        GroupList kept;
        for (const DuplicateGroup &group : *duplicateResults().find(key)) {
            if (std::any_of(group.begin(), group.end(),
                            [&](const InitialDirectory &r) { return r.name.value_or("").contains(needle); }))
                kept.append(group);
        }
        duplicateResults().setValue(key, kept);
    }
    rebuildRowsFromResults();
    if (categoryRows().size() < 2) // nothing matched: leave the search again
    {
        for (const QString &key : savedDuplicateResults().keys())
            duplicateResults().setValue(key, *savedDuplicateResults().find(key));
        savedDuplicateResults().removeAll();
        savedCategoryRows().clear();
        savedAllDuplicateGroups().clear();
        rebuildRowsFromResults();
    }
}

const ReviewSession::SmartCheckMode smartCheckModes[] = {
    ReviewSession::SmartCheckMode::KeepNewest, ReviewSession::SmartCheckMode::KeepOldest,
    ReviewSession::SmartCheckMode::KeepFirst, ReviewSession::SmartCheckMode::DeselectAll};

// The boxes of a few copies of one group of a category, as the user ticks and
// unticks them; a tick that would mark a whole group is refused by the session.
void RandomRound::markByHandInCategory(int row)
{
    const GroupList *groups = groupsOfCategoryRow(row);
    if (!groups || groups->isEmpty() || !m_session->selectCategory(row))
        return;
    const int group = pick(int(groups->size()));
    if (!m_session->selectGroup(group))
        return;
    const int copies = int(groups->at(group).size());
    for (int i = 0, count = 1 + pick(3); i < count; ++i)
        m_session->setItemChecked(pick(copies), chance(75));
}

// A tick in the "All Duplicates" view marks the copy in its own category.
void RandomRound::markByHandInAllDuplicates()
{
    if (allDuplicateGroups().isEmpty() || !m_session->selectCategory(0))
        return;
    const int group = pick(int(allDuplicateGroups().size()));
    if (!m_session->selectGroup(group))
        return;
    m_session->setItemChecked(pick(int(allDuplicateGroups().at(group).size())), true);
}

void RandomRound::markRows(bool throughSession)
{
    if (throughSession && chance(30))
        m_session->smartCheckAllGroups(smartCheckModes[pick(4)]);
    for (int row = 1; row < categoryRows().size(); ++row) {
        switch (pick(throughSession ? 9 : 5)) {
        case 0:
            markAllButNewest(row);
            break;
        case 1:
            markAllButOldest(row);
            break;
        case 2:
            markAllButFirst(row);
            break;
        case 3: {
            // Raw writes: whole groups, random copies, stale indexes.
            QList<QList<int>> *marks = marksOfCategoryRow(row);
            const GroupList *groups = groupsOfCategoryRow(row);
            for (int g = 0; marks && groups && g < marks->size(); ++g) {
                const int size = int(groups->at(g).size());
                for (int i = 0; i < size; ++i) {
                    if (chance(chance(20) ? 100 : 40))
                        (*marks)[g].append(i);
                }
                if (chance(15))
                    (*marks)[g].append(size + pick(3));
                if (chance(5))
                    (*marks)[g].append(-1);
            }
            if (marks && chance(10))
                marks->append(QList<int>{0}); // a list for a group that does not exist
            break;
        }
        case 5:
        case 6:
            markByHandInCategory(row);
            break;
        case 7:
            markByHandInAllDuplicates();
            break;
        case 8:
            if (m_session->selectCategory(row) && m_session->selectGroup(0))
                m_session->smartCheckSelectedGroup(smartCheckModes[pick(4)]);
            break;
        default:
            break;
        }
    }
    // Now and then a few boxes of the marked-copies list are unticked again.
    if (throughSession && chance(20) && m_session->selectCategory(int(categoryRows().size()) + 1)) {
        for (int i = 0, count = 1 + pick(3); i < count; ++i)
            m_session->setMarkedRowChecked(pick(6), false);
    }
}

void RandomRound::run()
{
    m_root = TestEnvironment::makeTemporaryFolder("random");
    m_tree = m_root + "/tree";
    m_destination = m_root + "/dest";
    qputenv("XDG_DATA_HOME", NativePath::encode(m_root + "/data"));
    buildTree();

    ScanFixture::Settings settings;
    settings.minimumFileSize = 0;
    ASSERT_TRUE(ScanFixture::runScan(QStringList{m_tree} + m_extraRoots, settings).completed);
    savedDuplicateResults().removeAll();
    savedCategoryRows().clear();
    savedAllDuplicateGroups().clear();
    rebuildRowsFromResults();
    // The results screen's own model of the result: its marking actions and
    // its search act on the store the run reads.
    ReviewSession session;
    m_session = &session;
    session.reloadCategories(false);
    QObject::connect(&session, &ReviewSession::marksChanged, [] { ++waysSeen["marks changed by the session"]; });
    QObject::connect(&session, &ReviewSession::markRefused, [] { ++waysSeen["ticks refused by the session"]; });

    // The scan's groups and every file's content before the run.
    QList<QStringList> scannedGroups;
    for (const QString &key : duplicateResults().keys()) {
        for (const DuplicateGroup &group : *duplicateResults().find(key)) {
            QStringList paths;
            for (const InitialDirectory &record : group)
                paths.append(record.url->toLocalFile());
            scannedGroups.append(paths);
        }
    }
    QHash<QString, QString> scanned;
    for (const QStringList &group : scannedGroups) {
        for (const QString &path : group)
            scanned.insert(path, contentAt(path));
    }
    // Now and then a few copies change after the scan: those must stay.
    QSet<QString> changedAfterScan;
    if (chance(30)) {
        const QStringList paths = scanned.keys();
        for (int i = 0, count = 1 + pick(3); i < count; ++i)
            changedAfterScan.insert(changeAfterScan(paths.at(pick(int(paths.size())))));
        ++waysSeen["copies changed after the scan"];
    }
    QHash<QString, QString> before;
    for (const QStringList &group : scannedGroups) {
        for (const QString &path : group)
            before.insert(path, contentAt(path));
    }
    const QHash<QString, QByteArray> treeBefore = digestTree(m_tree);

    enum class Search { None, BySession, ByHand };
    const int searchPick = pick(10);
    const Search search = searchPick < 3 ? Search::BySession : searchPick < 5 ? Search::ByHand : Search::None;
    if (search != Search::None)
        ++waysSeen[search == Search::BySession ? "search by the session" : "search by hand"];
    if (search == Search::BySession) {
        // Marks made before the search lie partly outside its view: those
        // must stay where they are.
        if (chance(50))
            session.smartCheckAllGroups(smartCheckModes[pick(3)]);
        session.applySearch(QString(QChar('a' + pick(26))));
        if (categoryRows().size() < 2) // nothing matched: the search ends again
            session.endSearch();
    } else if (search == Search::ByHand) {
        searchByHand();
    }
    // A search the session did not make is one its actions know nothing of.
    markRows(search != Search::ByHand);

    MovingType mode;
    switch (pick(3)) {
    case 0:
        mode = MovingType::Trash();
        break;
    case 1:
        mode = MovingType::Permanently();
        break;
    default:
        // Now and then the folder is one of the scanned ones, so copies already
        // lie in it and scanned files stand in the way.
        if (chance(25))
            m_destination = m_tree + "/d" + QString::number(pick(5));
        mode = MovingType::Folder(m_destination + (chance(30) ? "/" : ""), chance(50));
        for (int i = 0, count = pick(4); i < count; ++i) {
            const QString name = sharedNames.at(pick(int(sharedNames.size())));
            if (QFileInfo::exists(m_destination + '/' + name)) {
                continue;
            } else if (chance(20)) {
                writeFile(m_destination + '/' + name + "/inside", "folder in the way");
            } else {
                writeFile(m_destination + '/' + name, ScanFixture::uniqueBytes(20));
            }
        }
        break;
    }
    const QHash<QString, QByteArray> destinationBefore = digestTree(m_destination);

    ScriptedFileManager files;
    if (chance(30))
        files.failTrash = {"/d" + QString::number(pick(5)) + "/"};
    if (chance(30))
        files.failRemove = {"/d" + QString::number(pick(5)) + "/"};
    if (chance(30))
        files.failMove = {"/d" + QString::number(pick(5)) + "/"};
    RemovalPlan plan = RemovalPlan::fromStore(mode);
    ASSERT_EQ(prepareFolderDestination(plan, files), std::nullopt);
    // Now and then, in a delete, another file is renamed over a marked file
    // right after the run has read it: that file must come through whole.
    QString swapPath;
    QString swapDigest;
    bool swapped = false;
    QStringList markedFiles;
    for (const PlannedCopy &copy : plan.copies) {
        if (!copy.isFolder())
            markedFiles.append(NativePath::decode(copy.path));
    }
    if (mode.kind == MovingType::Kind::Permanently && !markedFiles.isEmpty() && chance(40)) {
        swapPath = markedFiles.at(pick(int(markedFiles.size())));
        const QString newcomer = m_root + "/newcomer";
        writeFile(newcomer, ScanFixture::uniqueBytes(1 + pick(3000)));
        swapDigest = contentAt(newcomer);
        files.afterStatus = [&swapped, swapPath, newcomer](const QByteArray &path) {
            if (swapped || path != NativePath::encode(swapPath))
                return;
            swapped = true;
            ASSERT_EQ(std::rename(NativePath::encode(newcomer).constData(), path.constData()), 0);
        };
    }
    // Now and then the folder of a marked file is renamed aside and a link to
    // another scanned folder put in its place, once the run has checked that
    // file (before its move, or once a delete set it aside): the run must act
    // on the folder it checked. Put back before anything is compared.
    QString linkedFolder;
    QString linkTarget;
    bool linked = false;
    std::function<void(const QByteArray &)> swapBeforeOperation;
    if (swapPath.isEmpty() && !markedFiles.isEmpty() && chance(25)) {
        const QString chosen = markedFiles.at(pick(int(markedFiles.size())));
        linkedFolder = QFileInfo(chosen).absolutePath();
        const QStringList scannedPaths = scanned.keys();
        linkTarget = QFileInfo(scannedPaths.at(pick(int(scannedPaths.size())))).absolutePath();
        const auto swapFolder = [&linked, &linkedFolder, &linkTarget, chosen](const QByteArray &path) {
            if (linked || path != NativePath::encode(chosen) || linkTarget == linkedFolder)
                return;
            linked = true;
            ASSERT_TRUE(QDir().rename(linkedFolder, linkedFolder + ".swapped"));
            ASSERT_TRUE(QFile::link(linkTarget, linkedFolder));
        };
        if (mode.kind == MovingType::Kind::Permanently)
            files.afterPin = [swapFolder](const FileManager::PinnedItem &pinned) { swapFolder(pinned.path); };
        else
            swapBeforeOperation = swapFolder;
    }
    RemovalRun run(plan, files);
    run.setPauseAfterCopy(std::chrono::microseconds(0));
    const int pauseAt = chance(40) ? 1 + pick(4) : -1;
    const int stopAt = chance(20) ? 1 + pick(6) : -1;
    files.beforeOperation = [&](const QByteArray &path) {
        if (swapBeforeOperation)
            swapBeforeOperation(path);
        if (files.operations == pauseAt)
            run.control().setPaused(true);
        if (files.operations == stopAt)
            run.control().setAbort(true);
    };
    bool finished = false;
    QObject::connect(&run, &RemovalRun::finished, &run, [&] { finished = true; });
    run.start();
    const bool stopWhenAsked = chance(50);
    while (!finished) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (run.control().isPaused()) { // the stop question, answered
            if (stopWhenAsked)
                run.control().setAbort(true);
            run.control().setPaused(false);
        }
    }
    run.wait();
    if (swapped)
        ++waysSeen["files renamed over a marked copy during a delete"];
    if (linked) {
        ++waysSeen["folders swapped for a link during the run"];
        ASSERT_TRUE(QFile::remove(linkedFolder));
        ASSERT_TRUE(QDir().rename(linkedFolder + ".swapped", linkedFolder));
    }

    resetRemovalTotals();
    // The session's own endSearch puts the whole result back, so that the
    // screen's search state ends with the store's.
    const bool searching = session.isSearchActive();
    bool endedBySession = false;
    QObject::connect(&session, &ReviewSession::searchStateChanged, [&endedBySession](bool active) {
        endedBySession = !active;
    });
    const RemovalSummary summary =
        search == Search::BySession ? applyRemovalResult(run.plan(), run.result(), [&session] { session.endSearch(); })
                                    : applyRemovalResult(run.plan(), run.result());
    EXPECT_FALSE(session.isSearchActive());
    EXPECT_EQ(endedBySession, searching && search == Search::BySession);
    // The Trash records where a copy really lay: inside the folder renamed aside.
    QHash<QString, QByteArray> trash = trashContents();
    if (linked) {
        const QString aside = linkedFolder + ".swapped/";
        for (const QString &old : trash.keys()) {
            if (old.startsWith(aside))
                trash.insert(linkedFolder + '/' + old.mid(aside.size()), trash.take(old));
        }
    }
    const QStringList stored = storedPaths();
    const QString folder = QDir::cleanPath(m_destination);

    // A bundle changes with anything inside it, a nested bundle of its group included.
    auto changedSinceScan = [&](const QString &path) {
        return std::any_of(changedAfterScan.begin(), changedAfterScan.end(),
                           [&](const QString &c) { return c == path || c.startsWith(path + '/'); });
    };
    QSet<QString> removedPaths;
    int kept = 0;
    for (int i = 0; i < run.plan().copies.size(); ++i) {
        const PlannedCopy &copy = run.plan().copies.at(i);
        const QString path = NativePath::decode(copy.path);
        const CopyOutcome outcome = run.result().outcomes.at(i);
        ++outcomesSeen[outcomeName(outcome)];
        SCOPED_TRACE(path.toStdString() + " " + outcomeName(outcome).toStdString() + " "
                     + run.result().reasons.at(i).toStdString());
        if (changedSinceScan(path) || (swapped && path == swapPath)) {
            EXPECT_FALSE(outcomeRemovesCopy(outcome)) << "it was no longer the scanned copy";
        }
        if (outcomeRemovesCopy(outcome)) {
            removedPaths.insert(path);
            EXPECT_FALSE(QFileInfo::exists(path));
            EXPECT_FALSE(stored.contains(path));
            if (mode.kind == MovingType::Kind::Trash) {
                EXPECT_EQ(trashedContent(trash, path), before.value(path));
            }
            if (mode.kind == MovingType::Kind::Folder) {
                EXPECT_EQ(contentAt(folder + '/' + QFileInfo(path).fileName()), before.value(path));
            }
        } else {
            ++kept;
            EXPECT_EQ(contentAt(path), swapped && path == swapPath ? swapDigest : before.value(path));
            EXPECT_TRUE(stored.contains(path));
        }
    }
    EXPECT_EQ(summary.kept, kept);
    EXPECT_EQ(keptCopiesReport(run.plan(), run.result(), summary).isEmpty(),
              kept == 0 && summary.hiddenMarked.isEmpty());
    // Nothing stays marked but the untouched copies of groups the search hid.
    QStringList stillMarked;
    for (const CopyLocation &location : markedCopyLocations())
        stillMarked.append(recordAt(location)->url->toLocalFile());
    // A scanned copy that stands in the destination folder is an item like
    // any other there: a move with overwrite on sets it aside into the Trash,
    // a copy whose mark a search hid included.
    auto setAsideIntoTheTrash = [&](const QString &path) {
        return mode.kind == MovingType::Kind::Folder && mode.overwrite
               && QString::fromLatin1(trash.value(path)) == scanned.value(path);
    };
    QStringList hiddenMarked;
    for (const QByteArray &path : summary.hiddenMarked) {
        const QString hidden = NativePath::decode(path);
        hiddenMarked.append(hidden);
        if (!setAsideIntoTheTrash(hidden)) {
            EXPECT_EQ(contentAt(hidden), before.value(hidden)) << hidden.toStdString();
        }
    }
    if (!hiddenMarked.isEmpty())
        ++waysSeen["marks kept in groups the search hid"];
    stillMarked.sort();
    hiddenMarked.sort();
    EXPECT_EQ(stillMarked, hiddenMarked);
    EXPECT_TRUE(savedCategoryRows().isEmpty());

    auto isRemoved = [&](const QString &path) {
        return std::any_of(removedPaths.begin(), removedPaths.end(),
                           [&](const QString &r) { return path == r || path.startsWith(r + '/'); });
    };
    // Every group that still had a copy as the scan saw it keeps one: in its
    // place, or in the Trash where a move with overwrite on set it aside from
    // the destination folder (a scanned copy of a group with nothing marked
    // is an item like any other there; whether the run reaches that move
    // before a stop depends on timing).
    auto unchanged = [&](const QString &path) {
        return !changedSinceScan(path) && !(swapped && path == swapPath);
    };
    for (const QStringList &group : scannedGroups) {
        if (std::none_of(group.begin(), group.end(), unchanged))
            continue;
        EXPECT_TRUE(std::any_of(group.begin(), group.end(), [&](const QString &path) {
            return !removedPaths.contains(path) && (contentAt(path) == scanned.value(path) || setAsideIntoTheTrash(path));
        })) << group.join(' ').toStdString();
    }
    // Nothing else in the tree changed.
    const QHash<QString, QByteArray> treeAfter = digestTree(m_tree);
    for (auto [path, digest] : treeBefore.asKeyValueRange()) {
        if (swapped && path == swapPath)
            continue; // checked with its copy above
        const bool insideRemoved = isRemoved(path);
        // Only an item displaced from the destination folder may have moved, and only to the Trash.
        if (!insideRemoved && treeAfter.value(path) != digest) {
            EXPECT_TRUE(mode.kind == MovingType::Kind::Folder && mode.overwrite
                        && QFileInfo(path).absolutePath().startsWith(QDir::cleanPath(m_destination))
                        && trash.value(path) == digest)
                << path.toStdString();
        }
    }
    // What stood in the folder is still there or in the Trash, with its bytes.
    for (auto [path, digest] : destinationBefore.asKeyValueRange()) {
        if (isRemoved(path))
            continue;
        const QByteArray now = md5Of(path);
        EXPECT_TRUE(now == digest || trash.value(path) == digest) << path.toStdString();
    }
    // The store holds only groups of two or more.
    for (const QString &key : duplicateResults().keys()) {
        for (const DuplicateGroup &group : *duplicateResults().find(key))
            EXPECT_GE(group.size(), 2);
    }
    qputenv("XDG_DATA_HOME", NativePath::encode(TestEnvironment::root() + "/home/.local/share"));
}

} // namespace

TEST(RandomizedRemoval, OnlyRemovedMarkedCopiesLeaveAndEveryGroupKeepsACopy)
{
    bool seeded = false;
    const quint64 seed = qEnvironmentVariable("TWINMOOR_REMOVAL_SEED").toULongLong(&seeded);
    const quint64 start = seeded ? seed : QRandomGenerator::global()->generate64();
    bool counted = false;
    int rounds = qEnvironmentVariableIntValue("TWINMOOR_REMOVAL_ROUNDS", &counted);
    if (!counted || rounds <= 0)
        rounds = 12;
    std::cout << "randomized removal: TWINMOOR_REMOVAL_SEED=" << start << " TWINMOOR_REMOVAL_ROUNDS=" << rounds
              << std::endl;
    // A refused tick shows the last-copy alert; here it is only noted.
    const AlertRunner previousAlerts = setAlertRunner([](QMessageBox &) {});
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round) + " of seed " + std::to_string(start));
        RandomRound(start + quint64(round)).run();
        if (HasFatalFailure() || HasFailure())
            break;
    }
    setAlertRunner(previousAlerts);
    for (auto [name, count] : outcomesSeen.asKeyValueRange())
        std::cout << "  " << name.toStdString() << ": " << count << std::endl;
    for (auto [way, count] : waysSeen.asKeyValueRange())
        std::cout << "  " << way.toStdString() << ": " << count << std::endl;
}
