#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QUrl>

#include <gtest/gtest.h>

class QWidget;

// Shared set-up of the screen tests: the English texts, a page opener that
// only records, sibling products installed as a test says, a clean registry
// and clean settings.
class OutwardFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    void setInstalled(const QSet<int> &siblings);
    QList<QUrl> openedPages;
};

// Whether the control looks different while it has the keyboard focus; its
// window must be the active one.
bool drawsFocus(QWidget *control);

// Saves the widget's picture as <name>.png in the render folder.
void saveRender(QWidget *widget, const QString &name);
