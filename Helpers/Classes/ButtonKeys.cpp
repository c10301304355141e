#include "ButtonKeys.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QObject>

namespace ButtonKeys {

namespace {

class ReturnPresses : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (!plain || (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter))
            return false;
        auto *button = static_cast<QAbstractButton *>(watched);
        if (!key->isAutoRepeat() && button->isEnabled())
            button->animateClick();
        return true;
    }
};

} // namespace

void pressOnReturn(QAbstractButton *button)
{
    if (button)
        button->installEventFilter(new ReturnPresses(button));
}

} // namespace ButtonKeys
