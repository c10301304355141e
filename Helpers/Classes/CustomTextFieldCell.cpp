#include "CustomTextFieldCell.h"

#include <QApplication>
#include <QStyle>
#include <QWidget>

CustomTextFieldCell::CustomTextFieldCell(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QRectF CustomTextFieldCell::centeredRect(const QRectF &titleRect, qreal textHeight)
{
    return QRectF(titleRect.x(), titleRect.y() + (titleRect.height() - textHeight) * 0.5, titleRect.width(), textHeight);
}

void CustomTextFieldCell::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QWidget *view = option.widget;
    const QStyle *style = view ? view->style() : QApplication::style();
    const QRect titleRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, view);
    editor->setGeometry(centeredRect(titleRect, editor->sizeHint().height()).toRect());
}
