#include "RemovalRun.h"

#include <KRBObjectiveCMethods.h>

#include <NativePath.h>

#include <QDateTime>
#include <QThread>

#include <algorithm>
#include <utility>

RemovalResult::RemovalResult(qsizetype copies)
    : outcomes(copies, CopyOutcome::NotReached)
    , reasons(copies, QStringLiteral("stopped before it was handled"))
    , replaced(copies)
{
}

int RemovalResult::removedCount() const
{
    return int(std::count_if(outcomes.begin(), outcomes.end(), outcomeRemovesCopy));
}

int RemovalResult::keptCount() const
{
    return int(outcomes.size()) - removedCount();
}

// The Photos copies of one category row, handed to the album when the row is done.
struct RemovalRun::Pass
{
    QList<int> photoCopies;
};

RemovalRun::RemovalRun(RemovalPlan plan, FileManager &fileManager,
                       std::shared_ptr<PhotosScripting::PhotosApplication> photos, QObject *parent)
    : QObject(parent)
    , m_plan(std::move(plan))
    , m_fileManager(fileManager)
    , m_photos(std::move(photos))
{
    qRegisterMetaType<CopyOutcome>();
    m_result = RemovalResult(m_plan.copies.size());
    auto protect = [this](const PlannedCopy &copy) {
        if (copy.record.identity)
            m_protected.append(*copy.record.identity);
    };
    for (const PlannedCopy &copy : m_plan.copies)
        protect(copy);
    for (const PlannedGroup &group : m_plan.groups) {
        for (const PlannedCopy &keeper : group.keepers)
            protect(keeper);
    }
}

RemovalRun::~RemovalRun()
{
    stopAndWait();
}

void RemovalRun::start()
{
    if (m_thread)
        return;
    m_thread = QThread::create([this] { runRemoval(); });
    m_thread->setObjectName(QStringLiteral("removal"));
    m_thread->start();
}

bool RemovalRun::isRunning() const
{
    return m_thread && m_thread->isRunning();
}

void RemovalRun::stopAndWait()
{
    m_control.setAbort(true);
    wait();
}

void RemovalRun::wait()
{
    if (!m_thread)
        return;
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
}

void RemovalRun::runRemoval()
{
    emit totalsKnown(m_plan.totalSelected());
    int groupIndex = 0;
    while (groupIndex < m_plan.groups.size() && !m_result.stopped) {
        // One pass per category row, as the album takes a row's Photos copies at once.
        const int row = m_plan.groups.at(groupIndex).categoryRow;
        Pass pass;
        for (; groupIndex < m_plan.groups.size() && m_plan.groups.at(groupIndex).categoryRow == row; ++groupIndex) {
            if (!m_control.waitWhilePaused()) {
                m_result.stopped = true;
                break;
            }
            const PlannedGroup &group = m_plan.groups.at(groupIndex);
            for (int copyIndex : group.marked) {
                if (!m_control.waitWhilePaused()) {
                    m_result.stopped = true;
                    break;
                }
                handleCopy(copyIndex, group, pass);
                reportProgress(false);
                m_control.sleepUnlessAborted(m_pauseAfterCopy);
                if (!m_control.waitWhilePaused()) {
                    m_result.stopped = true;
                    break;
                }
            }
            if (m_result.stopped)
                break;
        }
        handOffPhotos(pass);
    }
    reportProgress(true);
    emit finished();
}

bool RemovalRun::hasIntactKeeper(const PlannedGroup &group) const
{
    for (const PlannedCopy &keeper : group.keepers) {
        const std::optional<FileManager::Status> now = m_fileManager.status(keeper.path);
        if (now && keeper.matches(*now, keeper.path))
            return true;
    }
    return false;
}

// The checks in handleCopy() read the copy's own name, and another file may be
// renamed over that name before the delete. So the copy is first renamed to a
// private name in its own folder, checked again there with its group's
// keepers, and only then deleted; whatever fails the checks goes back to its
// name.
void RemovalRun::deletePermanently(int copyIndex, const PlannedGroup &group, const PlannedCopy &copy)
{
    FileManager::PinnedItem pinned;
    const FileManager::Result set = m_fileManager.pinItem(copy.path, pinned);
    if (!set) {
        settle(copyIndex, CopyOutcome::Failed, set.reason);
        return;
    }
    auto putBack = [&](CopyOutcome outcome, const QString &why) {
        const FileManager::Result back = m_fileManager.unpinItem(pinned);
        settle(copyIndex, outcome, back ? why : why + QStringLiteral("; ") + back.reason);
    };
    if (!copy.matches(pinned.status, pinned.pinnedPath)) {
        putBack(CopyOutcome::KeptChanged, QStringLiteral("it changed since the scan"));
        return;
    }
    if (!hasIntactKeeper(group)) {
        putBack(CopyOutcome::KeptLastCopy, QStringLiteral("no unmarked copy of its group is left as the scan saw it"));
        return;
    }
    const FileManager::Result done = m_fileManager.deletePinnedItem(pinned);
    settle(copyIndex, done ? CopyOutcome::Removed : CopyOutcome::Failed, done.reason);
}

void RemovalRun::handleCopy(int copyIndex, const PlannedGroup &group, Pass &pass)
{
    const PlannedCopy &copy = m_plan.copies.at(copyIndex);
    if (copy.keptWhole) {
        settle(copyIndex, CopyOutcome::KeptLastCopy, QStringLiteral("every copy of its group was marked"));
        return;
    }
    if (!copy.keptBecause.isEmpty()) {
        settle(copyIndex, CopyOutcome::KeptLastCopy, copy.keptBecause);
        return;
    }
    const std::optional<FileManager::Status> found = m_fileManager.status(copy.path);
    if (!found) {
        settle(copyIndex, CopyOutcome::AlreadyGone);
        return;
    }
    m_pendingPath = FileManager::displayPath(copy.path);
    if (!hasIntactKeeper(group)) {
        settle(copyIndex, CopyOutcome::KeptLastCopy,
               QStringLiteral("no unmarked copy of its group is left as the scan saw it"));
        return;
    }
    if (!copy.matches(*found, copy.path)) {
        settle(copyIndex, CopyOutcome::KeptChanged, QStringLiteral("it changed since the scan"));
        return;
    }
    if (copy.record.isPhotoLibrary) {
        if (copy.photoIdentifier.isEmpty())
            settle(copyIndex, CopyOutcome::Failed, QStringLiteral("it has no Photos identifier"));
        else
            pass.photoCopies.append(copyIndex);
        return;
    }

    switch (m_plan.mode.kind) {
    case MovingType::Kind::Permanently:
        deletePermanently(copyIndex, group, copy);
        break;
    case MovingType::Kind::Trash: {
        const FileManager::Result done = m_fileManager.trashItem(copy.path);
        settle(copyIndex, done ? CopyOutcome::Removed : CopyOutcome::Failed, done.reason);
        break;
    }
    case MovingType::Kind::Folder:
        moveIntoFolder(copyIndex, copy, *found);
        break;
    }
}

void RemovalRun::moveIntoFolder(int copyIndex, const PlannedCopy &copy, const FileManager::Status &found)
{
    const QByteArray folder = NativePath::encode(m_plan.mode.path);
    const std::optional<FileManager::Status> folderStatus = m_fileManager.status(folder);
    if (!folderStatus || !folderStatus->isFolder)
        m_fileManager.createDirectory(folder);

    const QByteArray name = copy.path.mid(copy.path.lastIndexOf('/') + 1);
    const QByteArray ownFolder = copy.path.left(std::max<qsizetype>(copy.path.lastIndexOf('/'), 1));
    const QByteArray destination = (folder.endsWith('/') ? folder : folder + '/') + name;
    if (m_fileManager.isSameFile(ownFolder, folder)) {
        settle(copyIndex, CopyOutcome::SameFolder, QStringLiteral("it already lies in the destination folder"));
        return;
    }

    const std::optional<FileManager::Status> inTheWay = m_fileManager.status(destination);
    if (inTheWay) {
        const FileIdentity way{inTheWay->device, inTheWay->inode};
        if (m_filledNames.contains(destination)) {
            settle(copyIndex, CopyOutcome::Exists, QStringLiteral("another marked copy of that name went there first"));
            return;
        }
        if (!m_plan.mode.overwrite) {
            settle(copyIndex, CopyOutcome::Exists, QStringLiteral("an item of that name is in the destination folder"));
            return;
        }
        if (inTheWay->isFolder != found.isFolder) {
            settle(copyIndex, CopyOutcome::Exists,
                   inTheWay->isFolder ? QStringLiteral("a folder of that name is in the destination folder")
                                      : QStringLiteral("a file of that name is in the destination folder"));
            return;
        }
        if (m_protected.contains(way)) {
            settle(copyIndex, CopyOutcome::Exists,
                   QStringLiteral("the item of that name in the destination folder is a scanned copy"));
            return;
        }
        // The item in the way goes to the Trash, never deleted, and the copy
        // moves only when that worked.
        const FileManager::Result cleared = m_fileManager.trashItem(destination);
        if (!cleared) {
            settle(copyIndex, CopyOutcome::Failed,
                   QStringLiteral("the item of that name in the destination folder could not go to the Trash: %1")
                       .arg(cleared.reason));
            return;
        }
        // Named in the report whatever becomes of the move.
        m_result.replaced[copyIndex] = destination;
    }
    const FileManager::Result moved = m_fileManager.moveItem(copy.path, destination);
    if (moved)
        m_filledNames.append(destination);
    settle(copyIndex, moved ? CopyOutcome::Removed : CopyOutcome::Failed, moved.reason);
}

void RemovalRun::handOffPhotos(Pass &pass)
{
    if (pass.photoCopies.isEmpty())
        return;
    QStringList identifiers;
    for (int copyIndex : pass.photoCopies)
        identifiers.append(m_plan.copies.at(copyIndex).photoIdentifier);
    emit photosHandOff(true);
    KRBObjectiveCMethods methods(m_photos);
    const bool added = methods.movePhotosInPhotoLibrary(identifiers);
    emit photosHandOff(false);
    for (int copyIndex : pass.photoCopies) {
        settle(copyIndex, added ? CopyOutcome::ToAlbum : CopyOutcome::Failed,
               added ? QString() : QStringLiteral("the Photos application did not take it into its album"));
    }
    reportProgress(false);
}

void RemovalRun::settle(int copyIndex, CopyOutcome outcome, const QString &reason)
{
    m_result.outcomes[copyIndex] = outcome;
    m_result.reasons[copyIndex] = reason;
    if (outcomeRemovesCopy(outcome))
        ++m_removed;
    emit copyHandled(copyIndex, outcome, reason);
}

void RemovalRun::reportProgress(bool force)
{
    // About 30 updates a second reach the sheet, and always the last one.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!force && now - m_lastReport < 33)
        return;
    m_lastReport = now;
    if (!m_pendingPath.isEmpty())
        emit currentPath(std::exchange(m_pendingPath, QString()));
    emit progress(m_removed, m_plan.totalSelected());
}
