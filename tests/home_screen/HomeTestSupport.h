#pragma once

#include <FolderChooser.h>

#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <utility>

// Stands in for the scan screen: records every list handed to it.
class StandInScan : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QStringList scanList READ scanList)

public:
    explicit StandInScan(QWidget *parent = nullptr);

    Q_INVOKABLE void takeScanList(const QStringList &paths, QWidget *parentVC);
    QStringList scanList() const { return m_scanList; }

    QList<QStringList> handOffs;
    QPointer<QWidget> parentVC;

private:
    QStringList m_scanList;
};

// Answers the open panel at once with the given paths (or a cancel).
class AnsweringChooser : public FolderChooser
{
public:
    void choose(QWidget *parent, const FolderChooserOptions &options, Completion completion) override;

    bool accept = true;
    QStringList answer;
    int opened = 0;
    FolderChooserOptions lastOptions;
};

// The alerts shown, as (message, informative text).
struct AlertRecorder
{
    AlertRecorder();
    ~AlertRecorder();
    QList<std::pair<QString, QString>> shown;
};

// The window's picture as the screen shows it: cut to the window's mask.
QImage renderWindow(QWidget &window);
void saveImage(const QImage &image, const QString &name);
