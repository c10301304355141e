#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// What an open panel offers: the same choices every screen makes of it.
struct FolderChooserOptions
{
    bool canChooseFiles = true;
    bool canChooseDirectories = true;
    bool allowsMultipleSelection = true;
    bool showsHiddenFiles = false;
    QString prompt;
    // Decides which entries can be chosen (the panel's enabling delegate);
    // everything the other options allow when empty.
    std::function<bool(const QString &path)> shouldEnable;
};

// The open panel behind an interface, so the screens that choose folders can
// be driven in tests. The completion runs once, on the GUI thread, after the
// panel has closed: accepted false and no paths when the user cancelled.
class FolderChooser
{
public:
    using Completion = std::function<void(bool accepted, const QStringList &paths)>;

    virtual ~FolderChooser();
    // Opens the panel as a sheet on the parent's window and returns at once.
    virtual void choose(QWidget *parent, const FolderChooserOptions &options, Completion completion) = 0;

    // The chooser every screen uses; the desktop's file dialog unless a test
    // put another in place (an empty pointer restores the dialog).
    static FolderChooser &current();
    static void setCurrent(FolderChooser *chooser);
};
