#include "FolderChooser.h"

#include <QFileDialog>
#include <QPointer>
#include <QWidget>

namespace {

// Qt's own dialog, as a sheet on the parent's window. The platform's native
// dialogs cannot offer folders and files in one panel.
class FileDialogChooser final : public FolderChooser
{
public:
    void choose(QWidget *parent, const FolderChooserOptions &options, Completion completion) override
    {
        auto *dialog = new QFileDialog(parent ? parent->window() : nullptr);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setOption(QFileDialog::ShowDirsOnly, !options.canChooseFiles);
        dialog->setFilter(options.showsHiddenFiles ? QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot
                                                   : QDir::AllEntries | QDir::NoDotAndDotDot);
        if (options.canChooseFiles && !options.canChooseDirectories)
            dialog->setFileMode(options.allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        else
            dialog->setFileMode(QFileDialog::Directory);
        if (!options.prompt.isEmpty())
            dialog->setLabelText(QFileDialog::Accept, options.prompt);
        dialog->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);

        auto done = std::make_shared<bool>(false);
        QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, completion, done](int result) {
            if (*done)
                return;
            *done = true;
            const bool accepted = result == QDialog::Accepted;
            const QStringList paths = accepted ? dialog->selectedFiles() : QStringList();
            if (completion)
                completion(accepted, paths);
        });
        dialog->open();
    }
};

FolderChooser *&currentChooser()
{
    static FolderChooser *chooser = nullptr;
    return chooser;
}

} // namespace

FolderChooser::~FolderChooser() = default;

FolderChooser &FolderChooser::current()
{
    static FileDialogChooser desktop;
    FolderChooser *chooser = currentChooser();
    return chooser ? *chooser : desktop;
}

void FolderChooser::setCurrent(FolderChooser *chooser)
{
    currentChooser() = chooser;
}
