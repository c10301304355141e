#pragma once

#include "ReviewSession.h"

#include <Records.h>

#include <QString>

// What the results window applies to its widgets; decided here so that it is
// tested without a window.

// The fixed texts of the screen, already localised.
struct ReviewTexts
{
    QString title;                  // lblTitle
    QString categoriesHeader;       // lblExactMatchCategoriesHeader, text and tooltip
    QString trashLabel;             // lblTrashMarked; btnTrash's tooltip
    QString lastModifiedCaption;    // lblLastModifiedDate
    QString back;                   // btnBack, title and tooltip
    QString smartCheckTitle;        // btnSmartCheckGroup and btnSmartCheckGroupItems
    QString sortTitle;              // btnSortInGroup and btnSelectedItemsSorting, size key
    QString deselectAll;            // btnDeselectAllGroups, title and tooltip
    QString nothingFound;           // btnNothingFound
    QString blogToolTip;            // btnBlog
};
ReviewTexts reviewTexts();

// The trash button: enabled and blue with white text while anything is
// marked, else disabled and gray with light gray text.
struct TrashButtonLook
{
    bool enabled = false;
    Color fill;
    Color text;

    bool operator==(const TrashButtonLook &) const = default;
};
TrashButtonLook trashButtonLook(bool anyMarked);

// The parts of the screen that switch with the view.
struct ReviewLayout
{
    int copiesTableHeight = 230;     // heightConstraintsGroupItemsTableView
    bool showPathRow = false;        // stackViewPath
    bool showSizeRow = false;        // stackViewSize
    bool showDeselectBox = false;    // boxDeselect
    bool showGroupSelectBox = true;  // boxGroupSelect
    bool showGroupsSortBox = true;   // boxGroupsSorting
    bool showMarkedSortBox = false;  // boxSelectedItemsSorting

    bool operator==(const ReviewLayout &) const = default;
};
ReviewLayout reviewLayout(ReviewSession::View view);
