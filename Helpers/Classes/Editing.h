#pragma once

#include <QLineEdit>

// A text field that honours the editing shortcuts itself: Control with X, C,
// V, Z or A cuts, copies, pastes, undoes or selects all, and Control-Shift-Z
// redoes, in whatever editor has the keyboard focus.
class Editing : public QLineEdit
{
    Q_OBJECT

public:
    explicit Editing(QWidget *parent = nullptr);

    // The modifier combinations matched, compared exactly (a keypad key or any
    // other extra modifier does not match).
    Qt::KeyboardModifiers commandKey = Qt::ControlModifier;
    Qt::KeyboardModifiers commandShiftKey = Qt::ControlModifier | Qt::ShiftModifier;

    // True when the key is one of the shortcuts and the focused editor carried
    // out its action.
    bool performKeyEquivalent(const QKeyEvent *event);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
