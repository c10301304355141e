#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRadioButton>

class QKeyEvent;

// The keys of a one-of-many choice whose buttons the pane checks itself (they
// are not auto-exclusive: a mode may stay unchecked until a chooser answers).
// The buttons follow the order they are shown in: the arrows check the next
// or previous one as a click would, wrapping round and never leaving the
// group; Tab enters the group at the checked button (the first when none is)
// and the next Tab, or Shift+Tab, leaves it.
class RadioGroup : public QObject
{
public:
    // A radio button that tells its group whenever its checked state is set,
    // by a click or by code under a signal blocker alike, so the button Tab
    // enters at is always the checked one.
    class Button : public QRadioButton
    {
    public:
        explicit Button(QWidget *parent = nullptr);
        explicit Button(const QString &text, QWidget *parent = nullptr);

    protected:
        void checkStateSet() override;
        void nextCheckState() override;

    private:
        friend class RadioGroup;
        QPointer<RadioGroup> m_group;
    };

    // The buttons in the order shown; they become neighbours in the Tab order.
    RadioGroup(const QList<Button *> &inOrder, QObject *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Where Tab enters the group.
    QRadioButton *entry() const;
    // Only the entry button takes Tab; the others still take a click.
    void follow();
    void step(Button *from, int delta);
    void leave(Button *from, const QKeyEvent &key);

    QList<QPointer<Button>> m_buttons;
    bool m_leaving = false;
};
