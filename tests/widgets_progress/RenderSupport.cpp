#include "RenderSupport.h"

#include "TestEnvironment.h"

#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

void saveRender(QWidget &widget, const QString &name)
{
    const QString path = TestEnvironment::renderDirectory() + QLatin1Char('/') + name + QStringLiteral(".png");
    EXPECT_TRUE(widget.grab().save(path)) << path.toStdString();
}
