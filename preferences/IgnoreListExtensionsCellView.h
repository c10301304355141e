#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;

// A row of the list table, for an ignored path or extension alike: the box
// that switches the entry on or off, and its text.
class IgnoreListExtensionsCellView : public QWidget
{
    Q_OBJECT

public:
    explicit IgnoreListExtensionsCellView(QWidget *parent = nullptr);

    QCheckBox *btnCheckBox;
    QLabel *lblName;
};
