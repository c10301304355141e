#include "ReviewFixture.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>

#include <iostream>

namespace {

QStringList g_modelTestMessages;
QtMessageHandler g_previousHandler = nullptr;

void recordModelTestMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (context.category && QByteArray(context.category) == "qt.modeltest") {
        g_modelTestMessages.append(message);
        return;
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

// A few names shared between categories and groups, with characters that
// mean something to a pattern.
const QStringList sharedNames{QStringLiteral("holiday"), QStringLiteral("Report"),  QStringLiteral("IMG_0001"),
                              QStringLiteral("a.b"),     QStringLiteral("[draft]"), QStringLiteral("song*"),
                              QStringLiteral("Data")};
const QStringList searchTexts{QStringLiteral("o"),  QStringLiteral("HOL"), QStringLiteral("img_"),
                              QStringLiteral("."),  QStringLiteral("["),   QStringLiteral("*"),
                              QStringLiteral("jpg"), QStringLiteral("zz"), QStringLiteral("a.b")};

struct Fuzz
{
    QRandomGenerator random;
    ReviewSession &session;
    QStringList &alerts;
    int step = 0;
    // How often the walk met the states that matter, printed with the seed.
    int stepsWithMarks = 0;
    int stepsInSearch = 0;
    int stepsInMarkedView = 0;

    int pick(int bound) { return bound <= 0 ? 0 : int(random.bounded(bound)); }
    int anyRow(int count) { return pick(count + 3) - 1; } // -1 to count + 1: stale rows too
    bool coin() { return random.bounded(2) == 1; }

    void fillStore()
    {
        const QStringList categories{QStringLiteral("Applications"), QStringLiteral("Archives"),
                                     QStringLiteral("Documents"),    QStringLiteral("Musics"),
                                     QStringLiteral("Photos"),       QStringLiteral("Videos"),
                                     QStringLiteral("Others")};
        QStringList chosen = categories;
        const int count = 1 + pick(4);
        while (chosen.size() > count)
            chosen.removeAt(pick(int(chosen.size())));
        int folder = 0;
        for (const QString &category : std::as_const(chosen)) {
            GroupList groups;
            const int groupCount = 1 + pick(4);
            for (int g = 0; g < groupCount; ++g) {
                DuplicateGroup group;
                const int copies = 1 + pick(5);
                for (int j = 0; j < copies; ++j) {
                    const QString path = QStringLiteral("/data/%1/%2/%3.jpg")
                                             .arg(category)
                                             .arg(folder++)
                                             .arg(sharedNames.at(pick(int(sharedNames.size()))));
                    const quint64 sizes[] = {0, 10, 100, 1000, 5000};
                    const QDateTime date = QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC).addSecs(pick(5));
                    InitialDirectory copy = makeCopy(path, sizes[pick(5)], date);
                    if (pick(6) == 0)
                        copy.file.reset();
                    copy.category = scanResultKeysFromRawValue(category);
                    group.append(copy);
                }
                groups.append(group);
            }
            duplicateResults().setValue(category, groups);
        }
    }

    // Every group of the store as its sorted URL texts, in sorted order.
    static QStringList groupShapes(const ResultDictionary &results)
    {
        QStringList shapes;
        for (const QString &key : results.keys()) {
            for (const DuplicateGroup &group : *results.find(key)) {
                QStringList urls;
                for (const InitialDirectory &copy : group)
                    urls.append(copy.url->toString());
                urls.sort();
                shapes.append(key + QLatin1Char(':') + urls.join(QLatin1Char(',')));
            }
        }
        shapes.sort();
        return shapes;
    }

    QSet<QString> markedKeys() const
    {
        QSet<QString> keys;
        for (const ReviewSession::MarkedCopy &copy : session.markedCopies())
            keys.insert(copy.key.category + QLatin1Char('|') + copy.key.url);
        return keys;
    }

    static void checkMarks(const QList<MarkedCategories> &marks, const QList<Categories> &rows,
                           const ResultDictionary &results, const char *what)
    {
        SCOPED_TRACE(what);
        ASSERT_EQ(marks.size(), std::max<qsizetype>(rows.size() - 1, 0));
        for (int row = 1; row < rows.size(); ++row) {
            const GroupList *groups = results.find(*rows.at(row).name);
            ASSERT_TRUE(groups);
            const MarkedCategories &entry = marks.at(row - 1);
            ASSERT_TRUE(entry.key);
            EXPECT_EQ(rawValue(*entry.key), *rows.at(row).name);
            ASSERT_EQ(entry.groupIndexes.size(), groups->size());
            for (int g = 0; g < groups->size(); ++g) {
                const QList<int> &list = entry.groupIndexes.at(g);
                const int size = int(groups->at(g).size());
                for (int index : list)
                    EXPECT_TRUE(index >= 0 && index < size) << "a mark names no copy";
                EXPECT_EQ(QSet<int>(list.cbegin(), list.cend()).size(), list.size()) << "a mark twice";
                EXPECT_LT(list.size(), size) << "a group with every copy marked: "
                                             << groups->at(g).first().url->toString().toStdString();
            }
        }
    }

    void checkInvariants()
    {
        checkMarks(markedCategories(), categoryRows(), duplicateResults(), "marks of the store");
        if (session.isSearchActive())
            checkMarks(session.xAllMarked(), savedCategoryRows(), savedDuplicateResults(), "set-aside marks");
        EXPECT_TRUE(g_modelTestMessages.isEmpty()) << g_modelTestMessages.join(QLatin1Char('\n')).toStdString();
        g_modelTestMessages.clear();
        stepsWithMarks += hasMarkedItems() ? 1 : 0;
        stepsInSearch += session.isSearchActive() ? 1 : 0;
        stepsInMarkedView += session.isSelectedCategories() ? 1 : 0;
        const int extra = hasMarkedItems() ? 2 : 0;
        EXPECT_EQ(session.categoriesModel()->rowCount(), categoryRows().size() + extra);
        EXPECT_EQ(session.isSelectedCategories(), session.view() == ReviewSession::View::MarkedCopies);
        checkOneBox();
    }

    // A box of the table that has them changes the copy its row shows, and only it.
    void checkOneBox()
    {
        const bool markedView = session.view() == ReviewSession::View::MarkedCopies;
        QAbstractItemModel &model = markedView ? static_cast<QAbstractItemModel &>(*session.groupsModel())
                                               : static_cast<QAbstractItemModel &>(*session.itemsModel());
        if (model.rowCount() == 0)
            return;
        const int row = pick(model.rowCount());
        const CopyKey key = model.index(row, 0).data(ReviewRoles::IdentityRole).value<CopyKey>();
        const QString shown = key.category + QLatin1Char('|') + key.url;
        const QSet<QString> before = markedKeys();
        const bool wasOn = isChecked(model, row);
        EXPECT_EQ(wasOn, before.contains(shown)) << "the box does not show the mark in force";
        const qsizetype alertsBefore = alerts.size();

        if (wasOn) {
            ASSERT_TRUE(setChecked(model, row, false));
            EXPECT_EQ(markedKeys(), before - QSet<QString>{shown});
            // The last mark takes the marked-copies row, and the list, with it.
            if (markedView && !session.isSelectedCategories()) {
                EXPECT_TRUE(before == QSet<QString>{shown});
                return;
            }
            ASSERT_TRUE(setChecked(model, row, true));
            EXPECT_EQ(markedKeys(), before);
        } else if (setChecked(model, row, true)) {
            EXPECT_EQ(markedKeys(), before + QSet<QString>{shown});
            ASSERT_TRUE(setChecked(model, row, false));
            EXPECT_EQ(markedKeys(), before);
        } else {
            EXPECT_EQ(markedKeys(), before);
            EXPECT_EQ(alerts.size(), alertsBefore + 1) << "a refusal without its alert";
            EXPECT_FALSE(isChecked(model, row));
        }
    }

    ReviewSession::SmartCheckMode anyMode() { return ReviewSession::SmartCheckMode(pick(4)); }

    QString runOneStep(const QStringList &wholeStore)
    {
        const int rowsOfCategories = session.categoriesModel()->rowCount();
        switch (pick(15)) {
        case 0:
        case 1:
            session.selectCategory(anyRow(rowsOfCategories));
            return QStringLiteral("select category");
        case 2:
            session.selectGroup(anyRow(session.groupsModel()->rowCount()));
            return QStringLiteral("select group");
        case 3:
            session.selectItem(anyRow(session.itemsModel()->rowCount()));
            return QStringLiteral("select copy");
        case 4:
            session.setItemChecked(anyRow(session.itemsModel()->rowCount()), coin());
            return QStringLiteral("tick a copy");
        case 5:
            session.setMarkedRowChecked(anyRow(session.groupsModel()->rowCount()), coin());
            return QStringLiteral("tick a marked-list row");
        case 6:
            session.smartCheckSelectedGroup(anyMode());
            return QStringLiteral("smart check the group");
        case 7:
            session.smartCheckAllGroups(anyMode());
            return QStringLiteral("smart check everything");
        case 8:
            if (coin())
                session.sortGroupsBy(ReviewSession::GroupSortKey(pick(4)));
            else
                session.setGroupSortDescending(coin());
            return QStringLiteral("sort groups");
        case 9:
            if (coin())
                session.sortMarkedCopiesBy(ReviewSession::MarkedSortKey(pick(2)));
            else
                session.setMarkedSortDescending(coin());
            return QStringLiteral("sort marked copies");
        case 10:
            session.applySearch(searchTexts.at(pick(int(searchTexts.size()))));
            return QStringLiteral("search");
        case 11:
            session.clearSearch(coin() ? QString() : QStringLiteral("x"));
            return QStringLiteral("clear search");
        case 13:
            session.selectCategory(session.categoriesModel()->markedCopiesRow());
            return QStringLiteral("open the marked copies");
        case 12:
            session.endSearch();
            EXPECT_EQ(groupShapes(duplicateResults()), wholeStore) << "a group did not come back";
            return QStringLiteral("end search");
        default:
            session.deselectAll();
            return QStringLiteral("deselect all");
        }
    }
};

struct FuzzSettings
{
    QList<quint32> seeds;
    int steps = 250;
};

FuzzSettings fuzzSettings()
{
    FuzzSettings settings;
    bool ok = false;
    const int steps = qEnvironmentVariableIntValue("TWINMOOR_REVIEW_FUZZ_STEPS", &ok);
    if (ok && steps > 0)
        settings.steps = steps;
    const QByteArray seed = qgetenv("TWINMOOR_REVIEW_FUZZ_SEED");
    if (!seed.isEmpty()) {
        settings.seeds.append(seed.toUInt());
        return settings;
    }
    for (quint32 s = 1; s <= 10; ++s)
        settings.seeds.append(s);
    return settings;
}

} // namespace

// A random store and random operations; the rules hold after every step.
// TWINMOOR_REVIEW_FUZZ_SEED picks one seed, TWINMOOR_REVIEW_FUZZ_STEPS the length.
TEST_F(ReviewTest, InvariantsHoldUnderRandomOperations)
{
    g_previousHandler = qInstallMessageHandler(recordModelTestMessages);
    const FuzzSettings settings = fuzzSettings();
    for (const quint32 seed : settings.seeds) {
        std::cout << "review model fuzz: seed " << seed << ", " << settings.steps << " steps" << std::endl;
        clearResultStore();
        ReviewSession fuzzSession;
        QAbstractItemModelTester categoriesTester(fuzzSession.categoriesModel(),
                                                  QAbstractItemModelTester::FailureReportingMode::Warning);
        QAbstractItemModelTester groupsTester(fuzzSession.groupsModel(),
                                              QAbstractItemModelTester::FailureReportingMode::Warning);
        QAbstractItemModelTester itemsTester(fuzzSession.itemsModel(),
                                             QAbstractItemModelTester::FailureReportingMode::Warning);
        Fuzz fuzz{QRandomGenerator(seed), fuzzSession, alerts};
        fuzz.fillStore();
        fuzzSession.reloadCategories(false);
        const QStringList wholeStore = Fuzz::groupShapes(duplicateResults());

        for (fuzz.step = 0; fuzz.step < settings.steps; ++fuzz.step) {
            const QString what = fuzz.runOneStep(wholeStore);
            SCOPED_TRACE(QStringLiteral("seed %1, step %2: %3").arg(seed).arg(fuzz.step).arg(what).toStdString());
            fuzz.checkInvariants();
            if (::testing::Test::HasFailure())
                break;
        }
        std::cout << "  steps with marks " << fuzz.stepsWithMarks << ", in a search " << fuzz.stepsInSearch
                  << ", in the marked-copies view " << fuzz.stepsInMarkedView << std::endl;
        fuzzSession.endSearch();
        EXPECT_EQ(Fuzz::groupShapes(duplicateResults()), wholeStore) << "seed " << seed;
        if (::testing::Test::HasFailure())
            break;
    }
    qInstallMessageHandler(g_previousHandler);
}
