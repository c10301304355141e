#pragma once

#include <QAccessibleWidget>

class QRadioButton;

// What assistive tools see of a radio button: a radio button, named by its
// text, checked or not, that the press action chooses. Qt's own answer calls
// every checkable button a check box, and the panes' choices of mode and unit
// are one-of-many choices.
class AccessibleRadioButton : public QAccessibleWidget
{
public:
    explicit AccessibleRadioButton(QRadioButton *button);

    // Puts the interface in place for every radio button of the program;
    // once is enough, more calls do nothing.
    static void install();

    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;
    QStringList actionNames() const override;
    void doAction(const QString &action) override;
    QStringList keyBindingsForAction(const QString &action) const override;

private:
    QRadioButton *button() const;
};
