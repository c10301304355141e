#include "ScanScreenFixture.h"

#include <EmbeddedImages.h>
#include <FileFacts.h>
#include <Localization.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>

#include <QAccessible>
#include <QLabel>
#include <QTest>

using namespace ScanScreenFixture;

namespace {

InitialDirectory copyOf(const QString &path, quint64 size)
{
    InitialDirectory item;
    item.url = QUrl::fromLocalFile(path);
    Metadata facts;
    facts.name = path.section(QLatin1Char('/'), -1);
    facts.size = size;
    item.file = facts;
    return item;
}

// Groups of two copies of the given size, one group per entry.
GroupList groupsOf(const QString &name, const QList<quint64> &sizes)
{
    GroupList groups;
    for (int i = 0; i < sizes.size(); ++i) {
        const QString path = QStringLiteral("/data/%1/%2").arg(name).arg(i);
        groups.append({copyOf(path + QStringLiteral("a"), sizes.at(i)), copyOf(path + QStringLiteral("b"), sizes.at(i))});
    }
    return groups;
}

QString t(const char *key)
{
    return localizedString(QString::fromLatin1(key));
}

// A scan screen that counts the scan-done events it is asked to send.
class CountingScanVC : public ScanVC
{
public:
    int events = 0;
    void sendScanCompletedEvent(const QString &category, const QString &action) override
    {
        ++events;
        ScanVC::sendScanCompletedEvent(category, action);
    }
};

class ScanSummaryTest : public ScanScreenTest
{
protected:
    // Videos 2 x 3000, Photos 2 x 1000, Musics 3 groups (6 copies) x 500,
    // Documents 2 x 100, Others 2 x 50.
    void fillStore()
    {
        ResultDictionary &results = duplicateResults();
        results.setValue(QStringLiteral("Photos"), groupsOf(QStringLiteral("p"), {1000}));
        results.setValue(QStringLiteral("Videos"), groupsOf(QStringLiteral("v"), {3000}));
        results.setValue(QStringLiteral("Musics"), groupsOf(QStringLiteral("m"), {500, 500, 500}));
        results.setValue(QStringLiteral("Archives"), {});
        results.setValue(QStringLiteral("Documents"), groupsOf(QStringLiteral("d"), {100}));
        results.setValue(QStringLiteral("Applications"), {});
        results.setValue(QStringLiteral("Others"), groupsOf(QStringLiteral("o"), {50}));
    }

    QStringList rows(const QList<QPair<const char *, const char *>> &names) const
    {
        QStringList lines;
        for (const auto &[caption, value] : names)
            lines.append(text(caption) + QStringLiteral(" = ") + text(value));
        return lines;
    }

    QStringList completedRows() const
    {
        return rows({{"lblDuplicatePhotosScanCompleted", "lblValueDuplicatePhotosScanResult"},
                     {"lblDuplicateVideosScanCompleted", "lblValueDuplicateVideosScanResult"},
                     {"lblDuplicateMusicsScanCompleted", "lblValueDuplicateMusicsScanResult"},
                     {"lblOthersScanCompleted", "lblValueDuplicateOthersScanResult"}});
    }

    QString pieCentre() const
    {
        return text("lblSizePie") + QLatin1Char('|') + text("lblSizeUnitInPie") + QLatin1Char('|') + text("lblFoundInPie");
    }

    QImage pieIcon() const
    {
        return outlet<QLabel>("imgViewPie")->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    }

    static QImage icon(const QString &base64)
    {
        return EmbeddedImages::decodeImage(base64).value_or(QImage()).convertToFormat(QImage::Format_ARGB32);
    }

    void comeBackFromResults(bool afterRemoval)
    {
        isBackFromDashboard = true;
        isBackFromRemoval = afterRemoval;
        m_scan->viewWillAppear();
    }
};

TEST_F(ScanSummaryTest, completedRowsPieSlicesAndCentreFollowTheStore)
{
    fillStore();
    ScanVC *scan = presentScanScreen({QStringLiteral("/data")});
    comeBackFromResults(false);
    ASSERT_TRUE(waitUntil([this] { return !outlet<QWidget>("pieBox")->graphicsEffect(); }));

    EXPECT_EQ(text("lblTotalFilesFoundScanCompleted"), QStringLiteral("14 ") + t("IDS_TMR_110"));
    EXPECT_EQ(text("lblTotalGBFoundScanCompleted"), formatSize(2 * 3000 + 2 * 1000 + 6 * 500 + 2 * 100 + 2 * 50));
    const QString dup = t("IDS_TMR_103") + QLatin1Char(' ');
    EXPECT_EQ(completedRows(), (QStringList{dup + QStringLiteral("Videos = ") + formatSize(6000),
                                            dup + QStringLiteral("Music = ") + formatSize(3000),
                                            dup + QStringLiteral("Photos = ") + formatSize(2000),
                                            QStringLiteral("Others = ") + formatSize(300)}));

    // Slices in the table's order, each with its category's colour.
    EXPECT_EQ(scan->slicesNames(), (QList<Duplicates>{Duplicates::_Photos, Duplicates::_Videos, Duplicates::_Documents,
                                                      Duplicates::_Music, Duplicates::_Others}));
    EXPECT_EQ(scan->slices(), (QList<quint64>{2000, 6000, 200, 3000, 100}));
    EXPECT_EQ(scan->slicesValuesCount(), (QList<int>{2, 2, 2, 6, 2}));
    EXPECT_EQ(scan->sliceColors(), (QList<QColor>{QColor(126, 202, 239), QColor(148, 229, 232), QColor(224, 218, 148),
                                                  QColor(221, 143, 149), QColor(200, 227, 162)}));
    auto *chart = outlet<PieChart>("pieChart");
    EXPECT_EQ(chart->sliceCount(), 5);

    const QString totals = pieCentre();
    EXPECT_EQ(totals, QStringLiteral("11.0|KB|") + t("IDS_TMR_106") + QStringLiteral(" 14 ") + t("IDS_TMR_107"));
    EXPECT_TRUE(pieIcon() == icon(EmbeddedImages::rawValue(EmbeddedImages::PieChartImages::allDuplicates)));

    // Select Music, then Videos (Music is deselected first), then deselect.
    chart->notifyDelegateOfSelectionChangeFrom(-1, 3);
    EXPECT_EQ(pieCentre(), QStringLiteral("2.0|KB|6 ") + t("IDS_TMR_107") + QLatin1Char(' ') + t("IDS_TMR_108") +
                                   QStringLiteral(" Music"));
    EXPECT_TRUE(pieIcon() == icon(EmbeddedImages::categoryIconData(Duplicates::_Music)));
    ASSERT_TRUE(waitUntil([chart] { return chart->selectedSliceIndex() == 3; }, 2000));
    saveRender(scan, QStringLiteral("scan_screen_selected_slice"));
    chart->notifyDelegateOfSelectionChangeFrom(3, 4);
    EXPECT_EQ(pieCentre(), QStringLiteral("100|bytes|2 ") + t("IDS_TMR_107") + QLatin1Char(' ') + t("IDS_TMR_108") +
                                   QStringLiteral(" Others"));
    ASSERT_TRUE(waitUntil([chart] { return chart->selectedSliceIndex() == 4; }, 2000));
    chart->notifyDelegateOfSelectionChangeFrom(4, -1);
    EXPECT_EQ(pieCentre(), totals);
    // Out of range: nothing changes.
    scan->showSliceDetails(9);
    scan->showSliceDetails(-1);
    EXPECT_EQ(pieCentre(), totals);
}

// Assistive tools read the pie as the user sees it: each slice by its kind
// and its size, in the chart's order.
TEST_F(ScanSummaryTest, thePiesSlicesAreNamedByKindAndSize)
{
    fillStore();
    presentScanScreen({QStringLiteral("/data")});
    comeBackFromResults(false);
    QAccessibleInterface *chart = QAccessible::queryAccessibleInterface(outlet<PieChart>("pieChart"));
    ASSERT_TRUE(chart);
    EXPECT_EQ(chart->role(), QAccessible::Chart);
    EXPECT_EQ(chart->text(QAccessible::Name), t("IDS_TMR_95"));
    QStringList slices;
    for (int index = 0; index < chart->childCount(); ++index)
        slices.append(chart->child(index)->text(QAccessible::Name));
    EXPECT_EQ(slices, (QStringList{QStringLiteral("Photos, ") + formatSize(2000), QStringLiteral("Videos, ") + formatSize(6000),
                                   QStringLiteral("Documents, ") + formatSize(200), QStringLiteral("Music, ") + formatSize(3000),
                                   QStringLiteral("Others, ") + formatSize(100)}));
}

TEST_F(ScanSummaryTest, anEmptyStoreGivesNoSlicesAndZeroInTheCentre)
{
    ScanVC *scan = presentScanScreen({QStringLiteral("/data")});
    scan->updatePieChart();
    EXPECT_TRUE(scan->slices().isEmpty());
    EXPECT_EQ(pieCentre(), QStringLiteral("0|bytes|") + t("IDS_TMR_106") + QStringLiteral(" 0 ") + t("IDS_TMR_107"));
}

TEST_F(ScanSummaryTest, theScanDoneEventGoesOncePerScanNotOnEveryReturnFromTheResults)
{
    ScreenRegistry::instance().registerFactory(QString::fromLatin1(ScreenId::Scan), [] { return new CountingScanVC; });
    auto *scan = static_cast<CountingScanVC *>(presentScanScreen(makeTreeWithDuplicates()));
    makeQuick(scan);
    scan->clickedStartScanning();
    ASSERT_TRUE(waitUntil([] { return isScanFinished && !isScanning; }));
    EXPECT_EQ(scan->events, 1);
    const QStringList atCompletion = completedRows();

    for (int round = 0; round < 2; ++round) {
        comeBackFromResults(false);
        EXPECT_EQ(scan->events, 1);
        EXPECT_TRUE(isScanFinished);
        EXPECT_EQ(completedRows(), atCompletion);
        EXPECT_FALSE(outlet<QWidget>("boxScanCompleted")->isHidden());
        EXPECT_FALSE(outlet<QWidget>("pieBox")->isHidden());
        EXPECT_EQ(outlet<QWidget>("btnReviewResults")->toolTip(), t("IDS_TMR_155"));
        EXPECT_FALSE(isBackFromDashboard);
    }
}

TEST_F(ScanSummaryTest, aReturnFromAnActiveSearchBringsBackTheFullResults)
{
    fillStore();
    savedDuplicateResults() = duplicateResults();
    savedCategoryRows().append(Categories{std::nullopt, QStringLiteral("All Duplicates"), 0});
    // The search left only the videos.
    const GroupList videos = *duplicateResults().value(QStringLiteral("Videos"));
    duplicateResults().removeAll();
    duplicateResults().setValue(QStringLiteral("Videos"), videos);
    presentScanScreen({QStringLiteral("/data")});
    comeBackFromResults(false);
    EXPECT_EQ(text("lblTotalFilesFoundScanCompleted"), QStringLiteral("14 ") + t("IDS_TMR_110"));
    EXPECT_TRUE(savedCategoryRows().isEmpty());
    EXPECT_TRUE(savedDuplicateResults().isEmpty());
    EXPECT_EQ(duplicateResults().keys().size(), 7);
}

TEST_F(ScanSummaryTest, afterARemovalTheCleanedAndPartlyCleanedSummariesTellWhatWasRemoved)
{
    QPointer<QWidget> notice;
    ScreenRegistry::instance().registerFactory(QString::fromLatin1(ScreenId::AfterMoveInPhotoLibrary), [&notice] {
        notice = new QWidget;
        return notice.data();
    });
    const QString removed = t("IDS_TMR_102");
    struct Case
    {
        const char *name;
        QList<QPair<QString, quint64>> removals; // category, bytes
        int photoCount;
        QString itemsPhrase;
        QString photosLine; // empty: hidden
    };
    const QString item = t("IDS_TMR_116");
    const QString items = t("IDS_TMR_117");
    const QList<Case> cases{
            {"one item", {{QStringLiteral("Videos"), 4000}}, 0,
             QStringLiteral("1 ") + localizedFormat(QStringLiteral("IDS_TMR_102"), {item}, item), QString()},
            {"three items, one in Photos",
             {{QStringLiteral("Musics"), 10}, {QStringLiteral("Photos"), 20}, {QStringLiteral("Others"), 30}}, 1,
             QStringLiteral("3 ") + localizedFormat(QStringLiteral("IDS_TMR_102"), {items}, items),
             localizedFormat(QStringLiteral("IDS_TMR_230"), {QStringLiteral("1"), t("IDS_TMR_75_1"), formatSize(20)}, QString())},
            {"two Photos items",
             {{QStringLiteral("Photos"), 20}, {QStringLiteral("Photos"), 20}}, 2,
             QStringLiteral("2 ") + localizedFormat(QStringLiteral("IDS_TMR_102"), {items}, items),
             localizedFormat(QStringLiteral("IDS_TMR_230"), {QStringLiteral("2"), t("IDS_TMR_75_2"), formatSize(40)}, QString())},
            {"nothing removed", {}, 0, QString(), QString()},
    };
    ASSERT_FALSE(removed.isEmpty());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        fillStore();
        resetRemovedItemTallies();
        quint64 photoBytes = 0;
        for (const auto &[category, bytes] : c.removals) {
            Metadata facts;
            facts.size = bytes;
            tallyRemovedItem(category, facts);
            if (category == QLatin1String("Photos"))
                photoBytes += bytes;
        }
        removedPhotoCount = c.photoCount;
        removedPhotoBytes = photoBytes;
        allDuplicatesRemoved = false;
        ScanVC *scan = presentScanScreen({QStringLiteral("/data")});
        comeBackFromResults(true);
        EXPECT_FALSE(outlet<QWidget>("boxPartiallyCleaned")->isHidden());
        EXPECT_FALSE(outlet<QWidget>("pieBox")->isHidden());
        EXPECT_EQ(!outlet<QWidget>("lblTotalItemsCleanedPartially")->isHidden(), !c.itemsPhrase.isEmpty());
        if (!c.itemsPhrase.isEmpty()) {
            EXPECT_EQ(text("lblTotalItemsCleanedPartially"), c.itemsPhrase);
        }
        EXPECT_EQ(!outlet<QWidget>("lblCleanInPhotoLibraryPartially")->isHidden(), !c.photosLine.isEmpty());
        if (!c.photosLine.isEmpty()) {
            EXPECT_EQ(text("lblCleanInPhotoLibraryPartially"), c.photosLine);
            // The Photos notice comes over the dimmed screen.
            ASSERT_TRUE(notice);
            EXPECT_EQ(notice->parentWidget(), scan);
            EXPECT_TRUE(isScanDialogShown);
            saveRender(scan, QStringLiteral("scan_screen_partially_cleaned_notice"));
            scan->hideTopLayer();
            scan->enableScanButtons();
            isOverlayDialogShown = false;
            delete notice.data();
        } else {
            EXPECT_FALSE(isScanDialogShown);
            // The keyboard starts at the button that goes on.
            EXPECT_TRUE(waitUntil([&] {
                return scan->window()->focusWidget() == outlet<QWidget>("btnReviewResultsPartiallCleaned");
            }, 3000));
        }
        EXPECT_EQ(text("lblTotalItemsRemainingPartially"), QStringLiteral("14 ") + t("IDS_TMR_104"));
        EXPECT_EQ(outlet<QWidget>("btnReviewResultsPartiallCleaned")->toolTip(), t("IDS_TMR_155"));
        if (QLatin1String(c.name) == QLatin1String("one item")) {
            ASSERT_TRUE(waitUntil([this] { return !outlet<QWidget>("pieBox")->graphicsEffect(); }));
            saveRender(scan, QStringLiteral("scan_screen_partially_cleaned"));
        }
        delete scan;
    }
}

TEST_F(ScanSummaryTest, theCleanedSummaryOrdersTheRemovedCategoriesAndSumsTheRestUnderOthers)
{
    resetRemovedItemTallies();
    for (const auto &[category, bytes] : QList<QPair<QString, quint64>>{{QStringLiteral("Musics"), 9000},
                                                                         {QStringLiteral("Documents"), 5000},
                                                                         {QStringLiteral("Photos"), 7000},
                                                                         {QStringLiteral("Archives"), 300},
                                                                         {QStringLiteral("Others"), 200},
                                                                         {QStringLiteral("Applications"), 100}}) {
        Metadata facts;
        facts.size = bytes;
        tallyRemovedItem(category, facts);
    }
    allDuplicatesRemoved = true;
    ScanVC *scan = presentScanScreen({QStringLiteral("/data")});
    comeBackFromResults(true);
    EXPECT_FALSE(outlet<QWidget>("boxCleaned")->isHidden());
    EXPECT_FALSE(outlet<QWidget>("boxCompleteCleanedLeft")->isHidden());
    EXPECT_TRUE(outlet<QWidget>("pieBox")->isHidden());
    EXPECT_EQ(scan->window()->focusWidget(), outlet<QWidget>("btnBack")) << "nothing is left to review";
    EXPECT_EQ(text("lblTotalItemsCleaned"), QStringLiteral("6 ") + localizedFormat(QStringLiteral("IDS_TMR_102"),
                                                                                    {t("IDS_TMR_117")}, QString()));
    EXPECT_EQ(text("lblTotalSizeCleaned"), formatSize(21600));
    const QString dup = t("IDS_TMR_103") + QLatin1Char(' ');
    const QString cleaned = QLatin1Char(' ') + t("IDS_TMR_97");
    EXPECT_EQ(rows({{"lblDuplicatePhotosCleaned", "lblValueDuplicatePhotosCleaned"},
                    {"lblDuplicateVideosCleaned", "lblValueDuplicateVideosCleaned"},
                    {"lblDuplicateMusicCleaned", "lblValueDuplicateMusicCleaned"},
                    {"lblOthersCleaned", "lblValueOthersCleaned"}}),
              (QStringList{dup + QStringLiteral("Music") + cleaned + QStringLiteral(" = ") + formatSize(9000),
                           dup + QStringLiteral("Photos") + cleaned + QStringLiteral(" = ") + formatSize(7000),
                           dup + QStringLiteral("Documents") + cleaned + QStringLiteral(" = ") + formatSize(5000),
                           t("IDS_TMR_61") + cleaned + QStringLiteral(" = ") + formatSize(600)}));
    saveRender(scan, QStringLiteral("scan_screen_cleaned"));
}

} // namespace
