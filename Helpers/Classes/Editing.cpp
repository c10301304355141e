#include "Editing.h"

#include <QApplication>
#include <QKeyEvent>

Editing::Editing(QWidget *parent)
    : QLineEdit(parent)
{
}

bool Editing::performKeyEquivalent(const QKeyEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const char *action = nullptr;
    if (event->modifiers() == commandKey) {
        switch (event->key()) {
        case Qt::Key_X:
            action = "cut";
            break;
        case Qt::Key_C:
            action = "copy";
            break;
        case Qt::Key_V:
            action = "paste";
            break;
        case Qt::Key_Z:
            action = "undo";
            break;
        case Qt::Key_A:
            action = "selectAll";
            break;
        default:
            break;
        }
    } else if (event->modifiers() == commandShiftKey && event->key() == Qt::Key_Z) {
        action = "redo";
    }
    QWidget *responder = QApplication::focusWidget();
    if (!action || !responder)
        return false;
    // Editors name these actions alike; one without the action leaves the key alone.
    return QMetaObject::invokeMethod(responder, action);
}

void Editing::keyPressEvent(QKeyEvent *event)
{
    if (performKeyEquivalent(event)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
