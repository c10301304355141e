#include "RemovalRun.h"

#include <KRBObjectiveCMethods.h>

#include <NativePath.h>
#include <OverlayMounts.h>

#include <QDateTime>
#include <QThread>

#include <algorithm>
#include <climits>
#include <utility>

RemovalResult::RemovalResult(qsizetype copies)
    : outcomes(copies, CopyOutcome::NotReached)
    , reasons(copies, QStringLiteral("stopped before it was handled"))
    , replaced(copies)
{
}

namespace {

// What becomes of a copy that an operation refused.
CopyOutcome outcomeOfRefusal(const FileManager::Result &refused)
{
    switch (refused.refusal) {
    case FileManager::Refusal::Changed:
        return CopyOutcome::KeptChanged;
    case FileManager::Refusal::HoldsKept:
    case FileManager::Refusal::KeptWentAlong:
        return CopyOutcome::KeptLastCopy;
    case FileManager::Refusal::Taken:
        return CopyOutcome::Exists;
    default:
        return CopyOutcome::Failed;
    }
}

// The places that kept copies have on each overlay, sorted, so that the one
// related to a place is found without looking at every kept copy.
class PlacesOnOverlays
{
public:
    void add(const OverlayMounts::Place &place, int kept) { m_places[place.overlay].append({place.relative, kept}); }
    void sort()
    {
        for (auto &places : m_places)
            std::sort(places.begin(), places.end());
    }

    // A kept copy whose place is, holds or lies inside the place; -1 for none.
    int relatedTo(const OverlayMounts::Place &place) const
    {
        const auto found = m_places.constFind(place.overlay);
        if (found == m_places.cend())
            return -1;
        const QList<std::pair<QByteArray, int>> &places = *found;
        auto first = [&](const QByteArray &from) {
            return std::lower_bound(places.cbegin(), places.cend(), std::pair<QByteArray, int>(from, INT_MIN));
        };
        // The place itself and every folder that holds it, up to the top ("").
        const QByteArray &relative = place.relative;
        for (qsizetype end = relative.size(); end >= 0; end = end > 0 ? relative.lastIndexOf('/', end - 1) : -1) {
            const QByteArray holder = relative.left(end);
            const auto at = first(holder);
            if (at != places.cend() && at->first == holder)
                return at->second;
            if (end == 0)
                break;
        }
        // Anything inside it.
        const QByteArray inside = relative + '/';
        const auto at = first(inside);
        return at != places.cend() && at->first.startsWith(inside) ? at->second : -1;
    }

private:
    QHash<int, QList<std::pair<QByteArray, int>>> m_places;
};

} // namespace

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
    , m_trash(TrashCan::forUser())
{
    qRegisterMetaType<CopyOutcome>();
    m_result = RemovalResult(m_plan.copies.size());
    m_kept = m_plan.kept;
    m_keptBecause = QStringList(m_plan.copies.size());
    m_groupOfCopy = QList<int>(m_plan.copies.size(), -1);
    for (int g = 0; g < m_plan.groups.size(); ++g) {
        for (int copyIndex : m_plan.groups.at(g).marked)
            m_groupOfCopy[copyIndex] = g;
    }
    for (int i = 0; i < m_plan.copies.size(); ++i) {
        const std::optional<FileIdentity> &identity = m_plan.copies.at(i).record.identity;
        if (identity && !m_plan.copies.at(i).record.isPhotoLibrary)
            m_markedByIdentity.insert({identity->device, identity->inode}, i);
    }
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
    keepCopiesSeenThroughOverlays();
    keepFoldersHoldingKeptItems();
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

// The plan kept the marked folders that hold a kept copy by path. A kept copy
// may also lie inside one by another path (a bind mount of part of it, a
// root that reaches into it): every marked folder is walked, and one that
// holds any kept item by identity is kept and joins the kept items, until
// no more are found, so the order of the groups does not matter.
void RemovalRun::keepFoldersHoldingKeptItems()
{
    QList<int> folders;
    for (int i = 0; i < m_plan.copies.size(); ++i) {
        const PlannedCopy &copy = m_plan.copies.at(i);
        if (!copy.keptWhole && copy.keptBecause.isEmpty() && !copy.record.isPhotoLibrary
            && (!copy.record.file || copy.record.file->isFolder))
            folders.append(i);
    }
    for (bool found = true; found && !folders.isEmpty();) {
        found = false;
        for (qsizetype f = 0; f < folders.size() && !m_control.isAbort();) {
            const int copyIndex = folders.at(f);
            FileManager::ItemPlace place;
            std::optional<FileManager::Status> status;
            // Read past the file manager's hooks: this is no check of the copy
            // before an act, only a look inside it.
            if (m_fileManager.openPlace(m_plan.copies.at(copyIndex).path, place))
                status = m_fileManager.FileManager::statusIn(place);
            if (!status || !status->isFolder) {
                folders.removeAt(f); // the run reports what became of it
                continue;
            }
            quint64 total = 0;
            const FileManager::Result walked = m_fileManager.checkFolder(place, &m_kept, false, &*status, total);
            if (walked.refusal == FileManager::Refusal::HoldsKept) {
                m_keptBecause[copyIndex] = walked.reason;
                m_kept.insert({status->device, status->inode});
                folders.removeAt(f);
                found = true;
                continue;
            }
            ++f;
        }
    }
}

// Through an overlay, a file of one of its layer folders shows at a second
// path with a device of its own, and the scan groups the two as copies:
// removing either view of it would take the other along (or, from the upper
// layer, remove what the overlay shows). So a marked copy that is, holds or
// lies inside what a copy the run keeps shows through an overlay, or is shown
// by it, is kept, through every overlay stacked below. A file the overlay
// shows also has the inode number of the file of its layer, which tells even
// where the layer folder was moved since it was mounted, and where one folder
// is a layer of two overlays, each showing its files. Where an overlay's
// layers cannot be found, a marked copy off the overlay whose group keeps
// copies only on it is kept as well.
void RemovalRun::keepCopiesSeenThroughOverlays()
{
    const OverlayMounts overlays = OverlayMounts::read();
    if (overlays.isEmpty())
        return;
    struct Kept
    {
        OverlayMounts::Item item;
        QByteArray path;
    };
    QList<Kept> kept;
    PlacesOnOverlays keptShows;
    PlacesOnOverlays keptShownBy;
    QMultiHash<quint64, int> keptFiles; // by inode number
    auto note = [&](const PlannedCopy &copy) {
        OverlayMounts::Item item = overlays.itemAt(copy.path);
        if (!item.found)
            return -1;
        const int index = int(kept.size());
        for (const OverlayMounts::Place &place : std::as_const(item.shows))
            keptShows.add(place, index);
        for (const OverlayMounts::Place &place : std::as_const(item.shownBy))
            keptShownBy.add(place, index);
        if (!item.isFolder)
            keptFiles.insert(item.inode, index);
        kept.append({std::move(item), copy.path});
        return index;
    };
    // Per group, the one overlay every keeper lies on, if there is one.
    QList<int> keepersOverlay;
    for (const PlannedGroup &group : std::as_const(m_plan.groups)) {
        int overlay = group.keepers.isEmpty() ? -2 : -1;
        for (const PlannedCopy &keeper : group.keepers) {
            const int index = note(keeper);
            const int on = index >= 0 && kept.at(index).item.onOverlay() ? kept.at(index).item.shows.first().overlay : -2;
            overlay = overlay == -1 || overlay == on ? on : -2;
        }
        keepersOverlay.append(overlay);
    }
    for (const PlannedCopy &copy : std::as_const(m_plan.copies)) {
        if (copy.keptWhole || !copy.keptBecause.isEmpty())
            note(copy);
    }
    keptShows.sort();
    keptShownBy.sort();

    auto shows = [&](int by, int overlay) {
        return QStringLiteral("%1, a copy this run keeps, shows it through the overlay at %2")
            .arg(FileManager::displayPath(kept.at(by).path), FileManager::displayPath(overlays.mountPoint(overlay)));
    };
    auto isShown = [&](int shown, int overlay) {
        return QStringLiteral("it shows %1, a copy this run keeps, through the overlay at %2")
            .arg(FileManager::displayPath(kept.at(shown).path), FileManager::displayPath(overlays.mountPoint(overlay)));
    };
    // Why the marked item is one file with a kept copy; empty when it is not.
    auto seenWithKept = [&](const OverlayMounts::Item &item) -> QString {
        // Named by the overlay the copy on it lies on, whichever overlay
        // below it tells.
        for (const OverlayMounts::Place &place : item.shownBy) {
            if (const int by = keptShows.relatedTo(place); by >= 0)
                return shows(by, kept.at(by).item.shows.first().overlay);
        }
        for (const OverlayMounts::Place &place : item.shows) {
            if (const int shown = keptShownBy.relatedTo(place); shown >= 0)
                return isShown(shown, item.shows.first().overlay);
        }
        if (!item.found || item.isFolder)
            return {};
        // One file, whatever path its layer folder has now: the same inode
        // number, on a file system below the overlay.
        for (auto it = keptFiles.constFind(item.inode); it != keptFiles.cend() && it.key() == item.inode; ++it) {
            const OverlayMounts::Item &other = kept.at(it.value()).item;
            if (other.onOverlay() && overlays.hasLayerDevice(other.shows.first().overlay, item.device))
                return shows(it.value(), other.shows.first().overlay);
            if (item.onOverlay() && overlays.hasLayerDevice(item.shows.first().overlay, other.device))
                return isShown(it.value(), item.shows.first().overlay);
            // Two overlays that share a file system below them, as where
            // one's upper layer is the other's lower one, may show one file
            // of it each.
            if (item.onOverlay() && other.onOverlay()
                && overlays.shareLayerDevice(item.shows.first().overlay, other.shows.first().overlay))
                return shows(it.value(), other.shows.first().overlay);
        }
        return {};
    };

    for (int g = 0; g < m_plan.groups.size(); ++g) {
        for (int copyIndex : m_plan.groups.at(g).marked) {
            const PlannedCopy &copy = m_plan.copies.at(copyIndex);
            if (copy.keptWhole || !copy.keptBecause.isEmpty() || copy.record.isPhotoLibrary)
                continue;
            const OverlayMounts::Item item = overlays.itemAt(copy.path);
            QString why = seenWithKept(item);
            const int overlay = keepersOverlay.at(g);
            if (why.isEmpty() && !item.onOverlay() && overlay >= 0 && !overlays.layersKnown(overlay)) {
                why = QStringLiteral("every copy of its group this run keeps lies on the overlay at %1, whose "
                                     "layers cannot be read, and may show this very file")
                          .arg(FileManager::displayPath(overlays.mountPoint(overlay)));
            }
            if (why.isEmpty())
                continue;
            m_keptBecause[copyIndex] = why;
            if (copy.record.identity)
                m_kept.insert({copy.record.identity->device, copy.record.identity->inode});
        }
    }
}

QList<int> RemovalRun::keepersInPlace(const PlannedGroup &group, bool &intact) const
{
    QList<int> inPlace;
    intact = false;
    for (int k = 0; k < group.keepers.size(); ++k) {
        const PlannedCopy &keeper = group.keepers.at(k);
        const std::optional<FileManager::Status> now = m_fileManager.status(keeper.path);
        if (!now || !keeper.matches(*now))
            continue;
        inPlace.append(k);
        // A folder's total is measured only until one keeper is intact.
        intact = intact || keeper.matchesAt(*now, keeper.path);
    }
    return inPlace;
}

// One file may lie at two paths that no check before an act tells apart
// (through an overlay whose layer moved, say): the act on the marked copy
// then takes a kept copy along. So once the marked copy has left its place,
// every keeper that was in its place before must still be there.
std::optional<QString> RemovalRun::keptCopyLeft(const PlannedGroup &group, const QList<int> &inPlace) const
{
    for (int k : inPlace) {
        const PlannedCopy &keeper = group.keepers.at(k);
        const std::optional<FileManager::Status> now = m_fileManager.status(keeper.path);
        if (!now || !keeper.matches(*now))
            return QStringLiteral("%1, a copy of its group this run keeps, left its place along with it")
                .arg(FileManager::displayPath(keeper.path));
    }
    return std::nullopt;
}

bool RemovalRun::hasIntactKeeper(const PlannedGroup &group, int outside) const
{
    const QByteArray folder = outside >= 0 ? m_plan.copies.at(outside).path + '/' : QByteArray();
    for (const PlannedCopy &keeper : group.keepers) {
        if (!folder.isEmpty() && keeper.path.startsWith(folder))
            continue;
        const std::optional<FileManager::Status> now = m_fileManager.status(keeper.path);
        if (now && keeper.matchesAt(*now, keeper.path))
            return true;
    }
    return false;
}

// A marked copy found inside the folder copy about to be touched, judged as
// it would be on its own: one the run has kept, or one it would keep now
// because it changed or no keeper of its group outside the folder is left
// as the scan saw it, keeps the folder too. Whatever the order of the
// groups, the copy's bytes never leave along with the folder.
bool RemovalRun::keepsMarkedCopyInside(const FileManager::Status &found, int folderCopy)
{
    const auto marked = m_markedByIdentity.constFind({found.device, found.inode});
    if (marked == m_markedByIdentity.cend() || *marked == folderCopy)
        return false;
    const int copyIndex = *marked;
    const CopyOutcome outcome = m_result.outcomes.at(copyIndex);
    if (outcome == CopyOutcome::KeptLastCopy || outcome == CopyOutcome::KeptChanged)
        return true;
    const PlannedCopy &copy = m_plan.copies.at(copyIndex);
    const int group = m_groupOfCopy.at(copyIndex);
    if (copy.keptWhole || !copy.keptBecause.isEmpty() || !m_keptBecause.at(copyIndex).isEmpty() || group < 0)
        return true;
    // Read where the walk found it: the folder may lie under its private name
    // already. A folder inside is judged by its identity and kind.
    return !copy.matches(found) || !hasIntactKeeper(m_plan.groups.at(group), folderCopy);
}

FileManager::KeepTest RemovalRun::markedCopiesKeptInside(int folderCopy)
{
    if (m_markedByIdentity.size() < 2)
        return {};
    return [this, folderCopy](const FileManager::Status &found) { return keepsMarkedCopyInside(found, folderCopy); };
}

void RemovalRun::settleRefused(int copyIndex, const FileManager::Result &refused)
{
    settle(copyIndex, outcomeOfRefusal(refused), refused.reason);
}

// The checks in handleCopy() read the copy's own name, and another file may be
// renamed over that name before the delete. So the copy is first renamed to a
// private name in its own folder, checked again there with its group's
// keepers, and only then deleted; whatever fails the checks goes back to its
// name.
void RemovalRun::deletePermanently(int copyIndex, const PlannedGroup &group, const FileManager::ItemPlace &place,
                                   const QList<int> &keepersInPlace)
{
    const PlannedCopy &copy = m_plan.copies.at(copyIndex);
    FileManager::PinnedItem pinned;
    const FileManager::Result set = m_fileManager.pinItem(place, pinned);
    if (!set) {
        settleRefused(copyIndex, set);
        return;
    }
    auto putBack = [&](CopyOutcome outcome, const QString &why) {
        const FileManager::Result back = m_fileManager.unpinItem(pinned);
        settle(copyIndex, outcome, back ? why : why + QStringLiteral("; ") + back.reason);
    };
    if (!copy.matches(pinned.status)) {
        putBack(CopyOutcome::KeptChanged, QStringLiteral("it changed since the scan"));
        return;
    }
    if (pinned.status.isFolder) {
        quint64 total = 0;
        const FileManager::Result checked = m_fileManager.checkFolder(pinned.pinnedPlace(), &m_kept, true,
                                                                      &pinned.status, total,
                                                                      markedCopiesKeptInside(copyIndex));
        if (!checked) {
            putBack(outcomeOfRefusal(checked), checked.reason);
            return;
        }
        if (!copy.sameTotal(total)) {
            putBack(CopyOutcome::KeptChanged, QStringLiteral("it changed since the scan"));
            return;
        }
    }
    if (const std::optional<QString> left = keptCopyLeft(group, keepersInPlace)) {
        putBack(CopyOutcome::KeptLastCopy, *left);
        return;
    }
    const FileManager::Result done = m_fileManager.deletePinnedItem(pinned);
    if (done)
        settle(copyIndex, CopyOutcome::Removed, done.reason);
    else
        settleRefused(copyIndex, done);
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
    if (!m_keptBecause.at(copyIndex).isEmpty()) {
        settle(copyIndex, CopyOutcome::KeptLastCopy, m_keptBecause.at(copyIndex));
        return;
    }
    if (copy.record.isPhotoLibrary) {
        // Never touched on disk: the album takes it by its identifier once its
        // category row is done. It is checked where the library's path
        // reaches it, which may go through a link of the user's.
        if (!passesChecks(copyIndex, group, m_fileManager.status(copy.path)))
            return;
        if (copy.photoIdentifier.isEmpty())
            settle(copyIndex, CopyOutcome::Failed, QStringLiteral("it has no Photos identifier"));
        else
            pass.photoCopies.append(copyIndex);
        return;
    }
    // Everything from here on goes through the copy's own folder, opened
    // once: a folder on its path swapped for a link cannot send an act elsewhere.
    FileManager::ItemPlace place;
    const FileManager::Result opened = m_fileManager.openPlace(copy.path, place);
    if (!opened) {
        if (opened.refusal == FileManager::Refusal::Gone)
            settle(copyIndex, CopyOutcome::AlreadyGone);
        else
            settleRefused(copyIndex, opened);
        return;
    }
    const std::optional<FileManager::Status> found = m_fileManager.statusIn(place);
    QList<int> inPlace;
    if (!passesChecks(copyIndex, group, found, &inPlace))
        return;

    // A folder is walked whole before anything is done to it, in every mode:
    // one that holds a mount point or a copy the run keeps is not touched.
    FileManager::Expected expected{*found, 0, &m_kept,
                                   [this, &group, &inPlace] { return keptCopyLeft(group, inPlace); }};
    if (found->isFolder) {
        const bool forDelete = m_plan.mode.kind == MovingType::Kind::Permanently;
        const FileManager::Result checked = m_fileManager.checkFolder(place, &m_kept, forDelete, &*found,
                                                                      expected.folderTotal,
                                                                      markedCopiesKeptInside(copyIndex));
        if (!checked) {
            settleRefused(copyIndex, checked);
            return;
        }
        if (!copy.sameTotal(expected.folderTotal)) {
            settle(copyIndex, CopyOutcome::KeptChanged, QStringLiteral("it changed since the scan"));
            return;
        }
    }

    switch (m_plan.mode.kind) {
    case MovingType::Kind::Permanently:
        deletePermanently(copyIndex, group, place, inPlace);
        break;
    case MovingType::Kind::Trash: {
        const FileManager::Result done = m_fileManager.trashItem(place, expected, m_trash);
        if (done)
            settle(copyIndex, CopyOutcome::Removed, done.reason);
        else
            settleRefused(copyIndex, done);
        break;
    }
    case MovingType::Kind::Folder:
        moveIntoFolder(copyIndex, place, expected);
        break;
    }
}

// The checks of a copy before anything is done to it, on the status read at
// its path: it is there, a copy of its group is left as the scan saw it, and
// it is still the item the scan compared. False once the copy is settled.
bool RemovalRun::passesChecks(int copyIndex, const PlannedGroup &group,
                              const std::optional<FileManager::Status> &found, QList<int> *inPlace)
{
    if (!found) {
        settle(copyIndex, CopyOutcome::AlreadyGone);
        return false;
    }
    m_pendingPath = FileManager::displayPath(m_plan.copies.at(copyIndex).path);
    bool intact = false;
    if (inPlace)
        *inPlace = keepersInPlace(group, intact);
    else
        intact = hasIntactKeeper(group);
    if (!intact) {
        settle(copyIndex, CopyOutcome::KeptLastCopy,
               QStringLiteral("no unmarked copy of its group is left as the scan saw it"));
        return false;
    }
    if (!m_plan.copies.at(copyIndex).matches(*found)) {
        settle(copyIndex, CopyOutcome::KeptChanged, QStringLiteral("it changed since the scan"));
        return false;
    }
    return true;
}

void RemovalRun::moveIntoFolder(int copyIndex, const FileManager::ItemPlace &place,
                                const FileManager::Expected &expected)
{
    // The destination is opened once, at the first copy that goes there:
    // whatever is renamed or linked on its path later, every copy goes into
    // that folder, and only what lies in it can be in a copy's way.
    if (!m_destination && m_destinationRefused.isEmpty()) {
        const QByteArray folder = NativePath::encode(m_plan.mode.path);
        const std::optional<FileManager::Status> folderStatus = m_fileManager.status(folder);
        if (!folderStatus || !folderStatus->isFolder)
            m_fileManager.createDirectory(folder);
        FileManager::ItemPlace opened;
        const FileManager::Result result = m_fileManager.openFolderPlace(folder, place.name(), opened);
        if (result)
            m_destination = opened;
        else
            m_destinationRefused = result.reason;
    }
    // Whatever went into a destination that was deleted, or whose file
    // system was unmounted, would be nowhere once the run ends.
    auto destinationGone = [this]() {
        const std::optional<QString> why = m_destination->whyFolderIsGone();
        if (why) {
            m_destinationRefused = QStringLiteral("the destination folder %1 %2").arg(m_plan.mode.path, *why);
            m_destination.reset();
        }
        return why.has_value();
    };
    if (m_destination)
        destinationGone();
    if (!m_destination) {
        settle(copyIndex, CopyOutcome::Failed, m_destinationRefused);
        return;
    }
    const FileManager::ItemPlace target = m_destination->withName(place.name());
    if (place.sharesFolderWith(target)) {
        settle(copyIndex, CopyOutcome::SameFolder, QStringLiteral("it already lies in the destination folder"));
        return;
    }

    const QByteArray destination = target.path();
    const std::optional<FileManager::Status> inTheWay = m_fileManager.statusIn(target);
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
        if (inTheWay->isFolder != expected.status.isFolder) {
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
        FileManager::Expected wayExpected;
        FileManager::Result cleared = m_fileManager.readExpected(target, &m_kept, false, wayExpected);
        if (cleared)
            cleared = m_fileManager.trashItem(target, wayExpected, m_trash);
        if (!cleared) {
            settle(copyIndex, CopyOutcome::Failed,
                   QStringLiteral("the item of that name in the destination folder could not go to the Trash: %1")
                       .arg(cleared.reason));
            return;
        }
        // Named in the report whatever becomes of the move.
        m_result.replaced[copyIndex] = destination;
    }
    const FileManager::Result moved = m_fileManager.moveItem(place, target, expected);
    if (moved) {
        m_filledNames.append(destination);
        settle(copyIndex, CopyOutcome::Removed, moved.reason);
    } else if (moved.refusal == FileManager::Refusal::Gone && destinationGone()) {
        settle(copyIndex, CopyOutcome::Failed, m_destinationRefused);
    } else {
        settleRefused(copyIndex, moved);
    }
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
    if (outcomeRemovesCopy(outcome)) {
        ++m_removed;
    } else if (const std::optional<FileIdentity> &identity = m_plan.copies.at(copyIndex).record.identity) {
        // A copy the run leaves in place is one it keeps: no folder that holds it may go.
        m_kept.insert({identity->device, identity->inode});
    }
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
