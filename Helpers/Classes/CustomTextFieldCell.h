#pragma once

#include <QStyledItemDelegate>

// A text cell that edits its text in a rectangle centred vertically on the
// cell's text area, at the editor's own height.
class CustomTextFieldCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit CustomTextFieldCell(QObject *parent = nullptr);

    // The full width of the title rectangle and the text's height, centred on
    // the title rectangle (reaching beyond it when the text is taller).
    static QRectF centeredRect(const QRectF &titleRect, qreal textHeight);

    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
