#include "ReviewScreenValues.h"

#include <Localization.h>
#include <ProcessState.h>

namespace {

QString text(const char *key)
{
    return localizedString(QString::fromLatin1(key));
}

} // namespace

ReviewTexts reviewTexts()
{
    const QString arrow = QStringLiteral(" \u25BE");
    ReviewTexts texts;
    texts.title = text("IDS_TMR_1");
    texts.categoriesHeader = text("IDS_TMR_2");
    texts.trashLabel = text("IDS_TMR_3");
    texts.lastModifiedCaption = text("IDS_TMR_4");
    texts.back = text("IDS_TMR_73");
    texts.smartCheckTitle = text("IDS_TMR_6") + arrow;
    texts.sortTitle = text("IDS_TMR_18") + QLatin1Char(' ') + text("IDS_TMR_12") + arrow;
    texts.deselectAll = text("IDS_TMR_120");
    texts.nothingFound = text("IDS_TMR_161");
    texts.blogToolTip = text("IDS_TMR_160");
    return texts;
}

TrashButtonLook trashButtonLook(bool anyMarked)
{
    if (anyMarked)
        return {true, trashEnabledFillColor(), trashEnabledTextColor()};
    return {false, trashDisabledFillColor(), trashDisabledTextColor()};
}

ReviewLayout reviewLayout(ReviewSession::View view)
{
    if (view == ReviewSession::View::MarkedCopies)
        return {0, true, true, true, false, false, true};
    return {};
}
