#include "ScanItemsViewItem.h"

#include "ScanVC.h"

#include <FileFacts.h>
#include <FocusRing.h>
#include <KitSupport.h>
#include <Localization.h>
#include <ProcessState.h>
#include <SYFlatButton.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeDatabase>
#include <QPainter>
#include <QStyle>
#include <QUrl>

namespace {

void setBorderColor(QFrame *box, const QColor &color)
{
    box->setStyleSheet(QStringLiteral("#boxBorder { background: #ffffff; border: 2px solid %1; border-radius: 10px; }")
                               .arg(color.alpha() == 0 ? QStringLiteral("transparent") : color.name()));
}

QImage crossImage()
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 2.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(4, 4), QPointF(12, 12));
    painter.drawLine(QPointF(12, 4), QPointF(4, 12));
    return image;
}

} // namespace

ScanItemsViewItem::ScanItemsViewItem(ScanVC *scanVC, QWidget *parent)
    : QWidget(parent)
    , m_scanVC(scanVC)
{
    setObjectName(QStringLiteral("ScanItemsViewItem"));
    setFixedSize(150, 150);
    boxParent = new QFrame(this);
    boxParent->setObjectName(QStringLiteral("boxParent"));
    boxParent->setGeometry(rect());
    boxBorder = new QFrame(boxParent);
    boxBorder->setObjectName(QStringLiteral("boxBorder"));
    boxBorder->setGeometry(8, 8, 134, 134);
    imgView = new QLabel(boxBorder);
    imgView->setObjectName(QStringLiteral("imgView"));
    imgView->setGeometry(35, 18, 64, 64);
    imgView->setAlignment(Qt::AlignCenter);
    lblName = new QLabel(boxBorder);
    lblName->setObjectName(QStringLiteral("lblName"));
    lblName->setGeometry(6, 88, 122, 38);
    lblName->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblName->setWordWrap(true);
    // Inside the list's viewport only a style sheet colours the text reliably.
    lblName->setStyleSheet(QStringLiteral("QLabel { color: #1b4a8c; background: transparent; }"));

    btnClose = new SYFlatButton(this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry(124, 2, 24, 24);
    btnClose->setImage(crossImage());
    btnClose->setImagePosition(SYFlatButton::ImageOnly);
    btnClose->setCornerRadius(12);
    btnClose->setBackgroundNormalColor(QColor(245, 249, 253));
    btnClose->setBackgroundHighlightColor(QColor(221, 143, 149));
    btnClose->setBorderNormalColor(KitSupport::toQColor(folderChipHoverBorderColor()));
    btnClose->setBorderHighlightColor(KitSupport::toQColor(folderChipHoverBorderColor()));
    btnClose->setBorderWidth(1);
    btnClose->setImageNormalColor(QColor(27, 74, 140));
    btnClose->setImageHighlightColor(Qt::white);
    btnClose->setHoverColor(QColor(221, 143, 149));
    btnClose->setMomentary(true);
    btnClose->setToolTip(localizedString(QStringLiteral("IDS_TMR_156")));
    // A cross only: screen readers read what it does.
    btnClose->setAccessibleName(localizedString(QStringLiteral("IDS_TMR_156")));
    // The keyboard reaches the chip itself, where Delete does what the cross does.
    btnClose->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::StrongFocus);
    connect(btnClose, &SYFlatButton::clicked, this, [this] {
        if (m_scanVC)
            m_scanVC->deleteScanItem(btnClose->property("tag").toInt());
    });
    setHovered(false);
}

QIcon ScanItemsViewItem::iconForPath(const QString &path)
{
    const std::optional<QString> mimeName = fileIcon(QUrl::fromLocalFile(path));
    if (mimeName) {
        const QMimeType type = QMimeDatabase().mimeTypeForName(*mimeName);
        if (type.isValid()) {
            QIcon icon = QIcon::fromTheme(type.iconName());
            if (icon.isNull())
                icon = QIcon::fromTheme(type.genericIconName());
            if (!icon.isNull())
                return icon;
        }
    }
    return QApplication::style()->standardIcon(QFileInfo(path).isDir() ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
}

void ScanItemsViewItem::fill(int section, int row, const QString &path)
{
    m_section = section;
    m_row = row;
    setHovered(false);
    // A folder shows its own name, also when its path was handed over with a trailing slash.
    lblName->setText(QFileInfo(QDir::cleanPath(path)).fileName());
    lblName->setToolTip(path);
    setAccessibleName(QDir::toNativeSeparators(QDir::cleanPath(path)));
    imgView->setPixmap(iconForPath(path).pixmap(64, 64));
    btnClose->setProperty("tag", row);
}

void ScanItemsViewItem::setHovered(bool hovered)
{
    m_hovered = hovered;
    showLook();
}

void ScanItemsViewItem::showLook()
{
    // The keyboard's focus marks the chip as the pointer does, so the user
    // sees which folder Delete or the menu would act on.
    const bool marked = m_hovered || (hasFocus() && m_focusFromKeyboard);
    setBorderColor(boxBorder, marked ? KitSupport::toQColor(folderChipHoverBorderColor()) : QColor(Qt::transparent));
    btnClose->setVisible(marked);
    update();
}

void ScanItemsViewItem::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    m_focusFromKeyboard = FocusRing::showsRing(*event, m_focusFromKeyboard);
    showLook();
}

void ScanItemsViewItem::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    showLook();
}

void ScanItemsViewItem::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (!hasFocus() || !m_focusFromKeyboard)
        return;
    QPainter painter(this);
    FocusRing::paint(painter, QRectF(boxBorder->geometry()).adjusted(-4, -4, 4, 4), 14);
}

void ScanItemsViewItem::keyPressEvent(QKeyEvent *event)
{
    const bool shiftF10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
    if (event->key() == Qt::Key_Menu || shiftF10) {
        popUpMenu(mapToGlobal(boxBorder->geometry().center()), true);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        event->accept();
        removeSingleItem();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ScanItemsViewItem::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    setHovered(true);
}

void ScanItemsViewItem::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    setHovered(false);
}

void ScanItemsViewItem::rebuildMenu()
{
    m_mainMenu.clear();
    m_mainMenu.addAction(localizedString(QStringLiteral("IDS_TMR_114")), this, [this] { removeSingleItem(); });
    m_mainMenu.addAction(localizedString(QStringLiteral("IDS_TMR_115")), this, [this] { removeAllItems(); });
}

void ScanItemsViewItem::contextMenuEvent(QContextMenuEvent *event)
{
    // From the keyboard the menu comes up over the chip, not where the pointer happens to be.
    const bool fromKeyboard = event->reason() == QContextMenuEvent::Keyboard;
    popUpMenu(fromKeyboard ? mapToGlobal(boxBorder->geometry().center()) : event->globalPos(), fromKeyboard);
}

void ScanItemsViewItem::popUpMenu(const QPoint &globalPosition, bool fromKeyboard)
{
    rebuildMenu();
    m_mainMenu.popup(globalPosition);
    // Opened from the keyboard, the menu's first item is ready for Return.
    if (fromKeyboard && !m_mainMenu.actions().isEmpty())
        m_mainMenu.setActiveAction(m_mainMenu.actions().constFirst());
}

void ScanItemsViewItem::removeSingleItem()
{
    if (m_scanVC)
        m_scanVC->removeScanItemAt(m_row);
}

void ScanItemsViewItem::removeAllItems()
{
    if (m_scanVC)
        m_scanVC->removeAllScanItems();
}
