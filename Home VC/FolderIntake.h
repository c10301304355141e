#pragma once

#include <Records.h>

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Which folders a home-screen intake takes, and what it tells the user about
// the others. Pure: the only outside facts it reads are whether dropped
// paths exist and are folders.
namespace FolderIntake {

enum class Source { Panel, Drop };

// Why an item was refused, in the order the alert picks them.
enum class Refusal { NotAdded, Excluded, ParentExcluded };

struct Outcome
{
    // The folders that passed, in the order they came.
    QStringList accepted;
    bool notAdded = false;
    bool excluded = false;
    bool parentExcluded = false;

    // The refusal the one alert reports, when there is one.
    std::optional<Refusal> alert() const;
};

Outcome evaluate(Source source, const QStringList &paths, const QList<AllIgnorePaths> &ignoreList);

// The informative text key of the alert of a refusal.
QString alertInformativeKey(Refusal refusal);
// How long after the intake its alert comes up: the panel's sheet needs its
// half second to close first; a drop waits for the logo's turn to end.
int alertDelayMilliseconds(Source source, Refusal refusal);

// Whether the panel lets the user pick the item: folders and Photos libraries.
bool panelShouldEnable(const QString &path);

} // namespace FolderIntake
