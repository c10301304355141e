#include "FolderChooser.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QPointer>
#include <QSortFilterProxyModel>
#include <QWidget>

namespace {

// What the panel lists and lets the user pick. Qt's dialog has no enabling
// hook, so the rule sits between its file model and its views: entries that
// cannot be chosen stay visible but greyed out, hidden ones are left out.
class ChoosableEntries final : public QSortFilterProxyModel
{
public:
    ChoosableEntries(const FolderChooserOptions &options, QObject *parent)
        : QSortFilterProxyModel(parent)
        , m_options(options)
    {
    }

    bool isChoosable(const QString &path) const
    {
        if (m_options.shouldEnable)
            return m_options.shouldEnable(path);
        return QFileInfo(path).isDir() ? m_options.canChooseDirectories : m_options.canChooseFiles;
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        Qt::ItemFlags flags = QSortFilterProxyModel::flags(index);
        const QString path = filePath(index);
        // Folders stay enabled whatever the rule says, or the user could not
        // open them to reach what lies inside.
        if (!path.isEmpty() && !isChoosable(path) && !QFileInfo(path).isDir())
            flags &= ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        return flags;
    }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override
    {
        if (m_options.showsHiddenFiles)
            return true;
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (!files)
            return true;
        return !files->fileName(files->index(sourceRow, 0, sourceParent)).startsWith(QLatin1Char('.'));
    }

private:
    QString filePath(const QModelIndex &index) const
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        return files && index.isValid() ? files->filePath(mapToSource(index)) : QString();
    }

    FolderChooserOptions m_options;
};

// Qt's own dialog, not the desktop's: only this one takes a proxy model, and
// the desktop dialogs cannot offer folders and files in one panel. In folder
// mode Qt returns one folder; this one returns every choosable entry selected.
class ChooserDialog final : public QFileDialog
{
public:
    ChooserDialog(QWidget *parent, const FolderChooserOptions &options)
        : QFileDialog(parent)
        , m_entries(new ChoosableEntries(options, this))
    {
        setOption(QFileDialog::DontUseNativeDialog);
        setOption(QFileDialog::ShowDirsOnly, !options.canChooseFiles);
        setFilter(options.showsHiddenFiles ? QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot
                                           : QDir::AllEntries | QDir::NoDotAndDotDot);
        if (options.canChooseFiles && !options.canChooseDirectories)
            setFileMode(options.allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        else
            setFileMode(QFileDialog::Directory);
        setProxyModel(m_entries);
        setDirectory(QDir::homePath());
        if (options.allowsMultipleSelection) {
            for (auto *view : findChildren<QAbstractItemView *>()) {
                if (view->objectName() == QLatin1String("listView") || view->objectName() == QLatin1String("treeView"))
                    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
            }
        }
        if (!options.prompt.isEmpty())
            setLabelText(QFileDialog::Accept, options.prompt);
    }

    QStringList chosenPaths() const { return m_chosen; }

    void accept() override
    {
        QStringList chosen;
        for (const QString &path : selectedFiles()) {
            if (m_entries->isChoosable(path))
                chosen.append(path);
        }
        if (chosen.isEmpty())
            return;
        m_chosen = chosen;
        QDialog::accept();
    }

private:
    ChoosableEntries *m_entries;
    QStringList m_chosen;
};

class FileDialogChooser final : public FolderChooser
{
public:
    void choose(QWidget *parent, const FolderChooserOptions &options, Completion completion) override
    {
        auto *dialog = new ChooserDialog(parent ? parent->window() : nullptr, options);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);

        auto done = std::make_shared<bool>(false);
        QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, completion, done](int result) {
            if (*done)
                return;
            *done = true;
            const bool accepted = result == QDialog::Accepted;
            const QStringList paths = accepted ? dialog->chosenPaths() : QStringList();
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
