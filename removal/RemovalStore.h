#pragma once

#include "RemovalPlan.h"
#include "RemovalRun.h"

#include <QList>
#include <QStringList>

#include <functional>

// What a run left, for the completion's report and the command-line runner.
struct RemovalSummary
{
    int removed = 0;
    int kept = 0;
    quint64 bytes = 0;
    // Plan indexes of the marked copies that stayed where they were.
    QList<int> keptCopies;
};

// Rebuilds the category rows from the groups in the results (row 0, then
// every category with groups, in the screen's order, keeping the rows it
// had), the all-groups list and empty marks; no rows at all when no group is
// left. GUI thread.
void rebuildRowsFromResults();

// Start values of the counters a run leaves for the scan screen: both
// not-moved flags false, the tallies and the Photos counters 0. GUI thread.
void resetRemovalTotals();

// Writes a finished run into the result store on the GUI thread: a search
// is ended first (endSearch when given, else the snapshot is put back), then
// every removed copy leaves the full results by identity, groups of fewer
// than two copies go, the rows and the all-groups list are rebuilt, nothing
// is marked any more, and the tallies, Photos counters, not-moved flags and
// allDuplicatesRemoved are set.
RemovalSummary applyRemovalResult(const RemovalPlan &plan, const RemovalResult &result,
                                  const std::function<void()> &endSearch = {});

// The report of the copies that stayed: how many, then the first few paths
// with the reason for each. Empty when every marked copy went.
QString keptCopiesReport(const RemovalPlan &plan, const RemovalResult &result, int maximumPaths = 5);
