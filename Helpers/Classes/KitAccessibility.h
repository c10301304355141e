#pragma once

#include <QAccessible>
#include <QHash>
#include <QList>
#include <QPointer>

#include <functional>

class QAbstractButton;
class QLabel;
class QMessageBox;
class QWidget;

// What assistive tools are told about the kit's own widgets beyond what Qt
// knows by itself: a pie chart is a chart whose slices are items, each named
// by what it stands for; a hyperlink label is a link that can be pressed; an
// item table is a table of the rows and columns it shows; a question over a
// screen is a dialog that says what it asks.
//
// The kit also stands in for those of Qt's own interfaces that take a
// child's number on trust (scroll areas, menus and menu bars, tab bars): a
// reader that asks for a child it does not have, as one holding a stale
// count does, gets nothing instead of bringing the program down or being
// handed a child that is not there.
namespace KitAccessibility {

// Registers the kit's accessible interfaces with Qt, once. Qt keeps the
// interface a widget is first given, so the program calls this before it
// makes its first window; the kit's widgets call it too when they are made.
void install();

// Qt settles which interface a widget has the first time it is asked, and
// that can be inside the widget's own constructor (a button made with its
// text, say): a widget whose interface is the kit's passes its parent
// through this to its base, so the interface is in place before the base is.
QWidget *beforeBase(QWidget *parent);

// A child that has no object of its own (a slice, a row, a cell): a leaf
// of the widget that shows it, in that widget's window, made and kept by
// the widget's interface (ChildInterfaces).
class Leaf : public QAccessibleInterface
{
public:
    explicit Leaf(QWidget *owner);

    QObject *object() const override { return nullptr; }
    QWindow *window() const override;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString &) override {}

protected:
    // Nothing once the widget has gone.
    QWidget *owner() const { return m_owner; }

private:
    QPointer<QWidget> m_owner;
};

// The interfaces of children that have no object of their own (a slice, a
// row, a cell): made on demand, registered with Qt, and kept by index for as
// long as they still fit what their parent shows.
class ChildInterfaces
{
public:
    ChildInterfaces() = default;
    ~ChildInterfaces();
    ChildInterfaces(const ChildInterfaces &) = delete;
    ChildInterfaces &operator=(const ChildInterfaces &) = delete;

    // The interface kept for the index when `fits` accepts it; otherwise a
    // new one from `make`, kept in its place.
    QAccessibleInterface *at(int index, const std::function<bool(QAccessibleInterface *)> &fits,
                             const std::function<QAccessibleInterface *()> &make);
    // The index an interface is kept at, or -1 for one not kept here.
    int indexOf(const QAccessibleInterface *child) const;
    // Lets every kept interface go.
    void clear();

private:
    QHash<int, QAccessible::Id> m_ids;
};

// A button's text as it is read: "&&" is a literal "&", a single "&" only
// marks the letter after it as the button's shortcut.
QString withoutShortcutMarks(const QString &text);

// Offers a question laid over a screen (not a window of its own) as a
// dialog: named by its title and described by its question as they read
// when asked, labelled by the title label. Each answer without a description
// of its own is described by the question, so a reader that lands on an
// answer says what it answers.
void presentAsQuestion(QWidget *dialog, QLabel *title, QLabel *question, const QList<QAbstractButton *> &answers);

// Offers a message box that asks a question the same way, once its buttons
// are in place: named by its window title and described by its text, each
// button described by the text. Qt reads a message box as an alert whose
// name is its whole text, and its buttons by their titles alone.
void presentAsQuestion(QMessageBox *question);

// Assistive tools read a widget's children in the order they were made, not
// in the order they are shown. Puts the given siblings, in the order shown,
// after the others that share their parent, so that a screen reader meets
// them as the eye does.
void setReadingOrder(const QList<QWidget *> &siblingsInOrder);

} // namespace KitAccessibility
