#pragma once

#include <QWidget>

class QLabel;

// A row of the option table: the list's picture and its name.
class IgnoreListOptionsCellView : public QWidget
{
    Q_OBJECT

public:
    explicit IgnoreListOptionsCellView(QWidget *parent = nullptr);

    QLabel *imgView;
    QLabel *lblName;
};
