#pragma once

#include <QMenu>
#include <QPointer>
#include <QWidget>

class QFrame;
class QLabel;
class ScanVC;
class SYFlatButton;

// One folder chip of the scan screen: the item's icon and name in a framed
// box, a remove button and a frame colour while the pointer is over it, and a
// context menu to remove this folder or every folder.
//
// Tab reaches the chip, which then shows the focus ring; Delete removes its
// folder as the menu's first item does, and the menu key (or Shift+F10) opens
// its menu. Assistive tools know the chip by its folder's path.
class ScanItemsViewItem : public QWidget
{
    Q_OBJECT

public:
    ScanItemsViewItem(ScanVC *scanVC, QWidget *parent = nullptr);

    // Fills the chip for entry `row` of the scan list.
    void fill(int section, int row, const QString &path);

    int section() const { return m_section; }
    int row() const { return m_row; }
    QMenu &mainMenu() { return m_mainMenu; }
    SYFlatButton *closeButton() const { return btnClose; }
    bool isHovered() const { return m_hovered; }

    // The context menu's two actions.
    void removeSingleItem();
    void removeAllItems();
    // Fills the context menu; popping it up is left to the caller.
    void rebuildMenu();

    // The icon of a path: the desktop's icon of its MIME type, a folder or a
    // file icon when the theme has none. Main thread only.
    static QIcon iconForPath(const QString &path);

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void setHovered(bool hovered);
    void showLook();
    void popUpMenu(const QPoint &globalPosition, bool fromKeyboard);

    QPointer<ScanVC> m_scanVC;
    QFrame *boxParent = nullptr;
    QFrame *boxBorder = nullptr;
    SYFlatButton *btnClose = nullptr;
    QLabel *imgView = nullptr;
    QLabel *lblName = nullptr;
    QMenu m_mainMenu;
    int m_section = 0;
    int m_row = 0;
    bool m_hovered = false;
    bool m_focusFromKeyboard = true;
};
