#pragma once

#include <ProcessState.h>
#include <Records.h>

#include <QDateTime>
#include <QStringList>

#include <gtest/gtest.h>

#include <optional>

inline void clearResultStore()
{
    clearScanResults();
    markedCategories().clear();
    groupRows().clear();
    displayedGroupRows().clear();
}

// A record built by hand; a date of nothing gives a record without facts.
inline InitialDirectory makeRecord(const QString &path, std::optional<QDateTime> date = QDateTime::currentDateTimeUtc())
{
    InitialDirectory item;
    item.url = QUrl::fromLocalFile(path);
    item.name = path.section(QLatin1Char('/'), -1);
    if (date) {
        Metadata facts;
        facts.name = *item.name;
        facts.date = *date;
        facts.size = 100;
        facts.url = item.url;
        item.file = facts;
    }
    return item;
}

// The results screen's rows: "All Duplicates", then the given categories.
inline void setCategoryRows(const QStringList &names)
{
    categoryRows().clear();
    categoryRows().append(Categories{std::nullopt, QStringLiteral("All Duplicates"), 0});
    for (const QString &name : names)
        categoryRows().append(Categories{std::nullopt, name, 0});
}

inline QStringList recordPaths(const QList<InitialDirectory> &records)
{
    QStringList result;
    for (const InitialDirectory &item : records)
        result.append(item.url ? item.url->toLocalFile() : QString());
    return result;
}

// Every test starts and ends with an empty result store.
class ResultStoreTest : public ::testing::Test
{
protected:
    void SetUp() override { clearResultStore(); }
    void TearDown() override { clearResultStore(); }
};
