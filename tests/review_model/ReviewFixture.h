#pragma once

#include "ResultStoreFixture.h"

#include <Alert.h>
#include <CopyIndex.h>
#include <Localization.h>
#include <ResultQueries.h>
#include <ReviewModels.h>
#include <ReviewSession.h>

#include <QMessageBox>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <optional>

// A copy as the scan builds it: facts, a name without the extension and a
// file identity of its own (the inode counts up).
inline InitialDirectory makeCopy(const QString &path, quint64 size = 100,
                                 std::optional<QDateTime> date = QDateTime(QDate(2024, 5, 17), QTime(10, 0), Qt::UTC))
{
    static quint64 nextInode = 1;
    InitialDirectory copy;
    copy.url = QUrl::fromLocalFile(path);
    const QString fileName = path.section(QLatin1Char('/'), -1);
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    copy.name = dot > 0 ? fileName.left(dot) : fileName;
    copy.identity = FileIdentity{7, nextInode++};
    if (date) {
        Metadata facts;
        facts.name = fileName;
        facts.date = *date;
        facts.size = size;
        facts.url = copy.url;
        copy.file = facts;
    }
    return copy;
}

// Groups of one category from file names, "/data/<category>/<name>".
inline GroupList groupsOf(const QString &category, const QList<QStringList> &names, quint64 size = 100)
{
    GroupList groups;
    for (const QStringList &group : names) {
        DuplicateGroup copies;
        for (const QString &name : group) {
            InitialDirectory copy = makeCopy(QStringLiteral("/data/%1/%2").arg(category, name), size);
            copy.category = scanResultKeysFromRawValue(category);
            copies.append(copy);
        }
        groups.append(copies);
    }
    return groups;
}

inline QString fileNameOf(const InitialDirectory &copy)
{
    return copy.url ? copy.url->fileName() : QString();
}

inline QString fileNameOf(const CopyKey &key)
{
    return QUrl(key.url).fileName();
}

// The file names of every marked copy, sorted, so that order does not count.
inline QStringList markedNames(const ReviewSession &session)
{
    QStringList names;
    for (const ReviewSession::MarkedCopy &copy : session.markedCopies())
        names.append(fileNameOf(copy.record));
    names.sort();
    return names;
}

// Every group of every category row with every copy marked, by file names.
inline QStringList fullyMarkedGroups()
{
    QStringList result;
    for (int row = 1; row < categoryRows().size(); ++row) {
        const GroupList *groups = groupsOfCategoryRow(row);
        const QList<QList<int>> *marks = marksOfCategoryRow(row);
        if (!groups || !marks)
            continue;
        for (int g = 0; g < groups->size() && g < marks->size(); ++g) {
            const DuplicateGroup &group = groups->at(g);
            int marked = 0;
            for (int j = 0; j < group.size(); ++j)
                marked += marks->at(g).contains(j) ? 1 : 0;
            if (!group.isEmpty() && marked == group.size())
                result.append(fileNameOf(group.first()));
        }
    }
    return result;
}

// The row of a file in a model, by the copy or first copy the row names.
inline int rowNamed(const QAbstractItemModel &model, const QString &fileName)
{
    for (int row = 0; row < model.rowCount(); ++row) {
        const CopyKey key = model.index(row, 0).data(ReviewRoles::IdentityRole).value<CopyKey>();
        if (fileNameOf(key) == fileName)
            return row;
    }
    return -1;
}

inline bool isChecked(const QAbstractItemModel &model, int row)
{
    return model.index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked;
}

inline bool setChecked(QAbstractItemModel &model, int row, bool checked)
{
    return model.setData(model.index(row, 0), checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

// Every test starts from an empty store with the English texts loaded, and
// records the alerts instead of running them.
class ReviewTest : public ResultStoreTest
{
protected:
    void SetUp() override
    {
        ResultStoreTest::SetUp();
        loadLocalizationTable();
        m_previousRunner = setAlertRunner([this](QMessageBox &alert) { alerts.append(alert.text()); });
    }
    void TearDown() override
    {
        setAlertRunner(m_previousRunner);
        ResultStoreTest::TearDown();
    }

    // A session over the given categories, as the screen opens it.
    void open(const QList<QPair<QString, GroupList>> &categories)
    {
        for (const auto &[name, groups] : categories)
            duplicateResults().setValue(name, groups);
        session.reloadCategories(false);
    }

    int categoryRowOf(const QString &name) const
    {
        for (int row = 0; row < categoryRows().size(); ++row) {
            if (categoryRows().at(row).name == name)
                return row;
        }
        return -1;
    }

    QStringList alerts;
    ReviewSession session;

private:
    AlertRunner m_previousRunner;
};
