#include "ResultCellDelegates.h"

#include "FileIcons.h"
#include "ReviewModels.h"

#include <EmbeddedImages.h>
#include <FocusRing.h>
#include <Localization.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QUrl>

using namespace ReviewRoles;

namespace {

constexpr int kCategoryRowHeight = 34;
constexpr int kGroupRowHeight = 44;
constexpr int kItemRowHeight = 50;
constexpr int kCheckBoxExtent = 16;
constexpr int kIconExtent = 24;

const QColor &highlightColor()
{
    static const QColor color(52, 94, 242);
    return color;
}

RowKind rowKind(const QModelIndex &index)
{
    return RowKind(index.data(RowKindRole).toInt());
}

bool isHighlighted(const QStyleOptionViewItem &option)
{
    return option.state.testFlag(QStyle::State_Selected);
}

QColor textColor(const QStyleOptionViewItem &option)
{
    return isHighlighted(option) ? QColor(Qt::white) : option.palette.color(QPalette::Text);
}

QColor secondaryTextColor(const QStyleOptionViewItem &option)
{
    return isHighlighted(option) ? QColor(255, 255, 255, 210) : option.palette.color(QPalette::PlaceholderText);
}

void paintRowBackground(QPainter *painter, const QStyleOptionViewItem &option)
{
    if (isHighlighted(option)) {
        QPainterPath path;
        path.addRoundedRect(QRectF(option.rect).adjusted(2, 1, -2, -1), 5, 5);
        painter->fillPath(path, highlightColor());
    } else if (option.state.testFlag(QStyle::State_MouseOver)) {
        painter->fillRect(option.rect, QColor(0, 0, 0, 12));
    }
}

// The keyboard's row of a table that has the keyboard: the kit's focus ring
// along the row's rounded edge, over the highlight or the plain row alike.
void paintRowFocus(QPainter *painter, const QStyleOptionViewItem &option)
{
    if (option.state.testFlag(QStyle::State_HasFocus) && option.widget
        && option.widget->property(kShowsRowFocusProperty).toBool())
        FocusRing::paint(*painter, QRectF(option.rect).adjusted(2, 1, -2, -1), 5);
}

// The text as a cell shows it in the rectangle: a line break as a mark,
// shortened in the middle when it does not fit.
QString shownText(const QString &text, const QRect &rect, const QFont &font)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QChar(0x21B5));
    return QFontMetrics(font).elidedText(shown, Qt::ElideMiddle, rect.width());
}

void drawShownText(QPainter *painter, const QRect &rect, const QString &shown, const QColor &color, const QFont &font,
                   Qt::Alignment alignment)
{
    painter->setFont(font);
    painter->setPen(color);
    painter->drawText(rect, int(alignment), shown);
}

void drawText(QPainter *painter, const QRect &rect, const QString &text, const QColor &color, const QFont &font,
              Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    drawShownText(painter, rect, shownText(text, rect, font), color, font, alignment);
}

void drawCheckBox(QPainter *painter, const QRect &rect, bool on)
{
    QStyleOptionButton box;
    box.rect = rect;
    box.state = QStyle::State_Enabled | (on ? QStyle::State_On : QStyle::State_Off);
    // The tables lie on the screen's gradient with a see-through palette; the
    // box keeps the application's own colours.
    box.palette = QApplication::palette();
    QApplication::style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, nullptr);
}

void drawFileIcon(QPainter *painter, const QRect &rect, const QString &mimeName)
{
    if (mimeName.isEmpty())
        return;
    FileIcons::iconForMimeName(mimeName).paint(painter, rect);
}

QFont boldFont(const QFont &font)
{
    QFont bold = font;
    bold.setBold(true);
    return bold;
}

QFont smallFont(const QFont &font)
{
    QFont small = font;
    small.setPointSizeF(font.pointSizeF() * 0.85);
    return small;
}

bool isRelease(const QEvent *event)
{
    return event->type() == QEvent::MouseButtonRelease
           && static_cast<const QMouseEvent *>(event)->button() == Qt::LeftButton;
}

QPoint eventPosition(const QEvent *event)
{
    return static_cast<const QMouseEvent *>(event)->position().toPoint();
}

// Painting and clicks measure the path the same way, on the table's own device.
QFontMetrics pathMetrics(const QStyleOptionViewItem &option)
{
    return option.widget ? QFontMetrics(smallFont(option.font), option.widget) : QFontMetrics(smallFont(option.font));
}

QString showRelatedTitle()
{
    return localizedString(QStringLiteral("IDS_TMR_121"));
}

} // namespace

QList<PathSegment> layoutPathSegments(const QString &path, const QRect &area, const QFontMetrics &metrics)
{
    const QList<PathComponent> components = pathComponents(path);
    const QString separator = QStringLiteral(" \u203A ");
    const int separatorWidth = metrics.horizontalAdvance(separator);
    const QString ellipsis = QStringLiteral("\u2026");

    // Take components from the end while they fit; the first component is the
    // root, which gives way to the elision mark when anything is left out.
    QList<PathComponent> shown;
    int width = 0;
    bool elided = false;
    for (qsizetype i = components.size() - 1; i >= 0; --i) {
        const int needed = metrics.horizontalAdvance(components.at(i).label) + (shown.isEmpty() ? 0 : separatorWidth);
        const int reserve = i > 0 ? metrics.horizontalAdvance(ellipsis) + separatorWidth : 0;
        if (!shown.isEmpty() && width + needed + reserve > area.width()) {
            elided = true;
            break;
        }
        shown.prepend(components.at(i));
        width += needed;
    }
    if (elided)
        shown.prepend(PathComponent{ellipsis, QString()});

    QList<PathSegment> segments;
    int x = area.left();
    for (const PathComponent &component : std::as_const(shown)) {
        if (!segments.isEmpty())
            x += separatorWidth;
        const int w = qMin(metrics.horizontalAdvance(component.label), qMax(0, area.right() - x));
        segments.append(PathSegment{QRect(x, area.top(), w, area.height()), component});
        x += w;
    }
    return segments;
}

bool toggleCheckState(QAbstractItemModel *model, const QModelIndex &index)
{
    if (!model || !index.isValid() || !index.flags().testFlag(Qt::ItemIsUserCheckable))
        return false;
    const bool on = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    return model->setData(index, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

// ---- Categories -----------------------------------------------------------------

CategoryCellDelegate::Layout CategoryCellDelegate::layout(const QRect &cell)
{
    const QRect inner = cell.adjusted(10, 0, -10, 0);
    Layout l;
    l.icon = QRect(inner.left(), inner.center().y() - 10, 20, 20);
    l.size = QRect(inner.right() - 80, inner.top(), 80, inner.height());
    l.name = QRect(l.icon.right() + 10, inner.top(), l.size.left() - l.icon.right() - 14, inner.height());
    l.count = QRect(l.name.left(), inner.top() + inner.height() / 2, l.size.right() - l.name.left(), inner.height() / 2);
    return l;
}

CategoryCellDelegate::Layout CategoryCellDelegate::layout(const QStyleOptionViewItem &option, const QModelIndex &index)
{
    Layout l = layout(option.rect);
    // The size column takes what its text needs; the name gets the rest.
    const QString sizeText = index.data(SizeTextRole).toString();
    const int sizeWidth = QFontMetrics(smallFont(option.font)).horizontalAdvance(sizeText) + 4;
    l.size.setLeft(l.size.right() - sizeWidth);
    l.name.setRight(l.size.left() - 8);
    if (rowKind(index) == RowKind::MarkedCopies) {
        // Two lines: the title and the size above, the count below across
        // the whole width ("104799 / 165000 copies marked" needs it).
        const int upperHeight = option.rect.height() / 2 - 2;
        l.name = QRect(l.name.left(), option.rect.top() + 2, l.name.width(), upperHeight);
        l.size = QRect(l.size.left(), option.rect.top() + 2, l.size.width(), upperHeight);
    } else {
        l.count.setRight(l.size.left() - 8);
    }
    return l;
}

CategoryCellDelegate::Texts CategoryCellDelegate::shownTexts(const QStyleOptionViewItem &option, const QModelIndex &index)
{
    const Layout l = layout(option, index);
    const bool marked = rowKind(index) == RowKind::MarkedCopies;
    Texts texts;
    texts.name = shownText(index.data(NameRole).toString(), l.name, marked ? boldFont(option.font) : option.font);
    texts.size = shownText(index.data(SizeTextRole).toString(), l.size, smallFont(option.font));
    if (marked)
        texts.count = shownText(index.data(CountTextRole).toString(), l.count, smallFont(option.font));
    return texts;
}

void CategoryCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    const RowKind kind = rowKind(index);
    if (kind == RowKind::Separator) {
        // The separator shows only its bottom line.
        painter->setPen(QColor(0, 0, 0, 40));
        const int y = option.rect.bottom();
        painter->drawLine(option.rect.left() + 10, y, option.rect.right() - 10, y);
        painter->restore();
        return;
    }
    paintRowBackground(painter, option);
    const Layout l = layout(option, index);
    const Texts texts = shownTexts(option, index);
    const QString id = index.data(IconRole).toString();
    const QString iconText = isHighlighted(option) ? EmbeddedImages::highlightedIconText(id) : EmbeddedImages::normalIconText(id);
    if (const std::optional<QImage> icon = EmbeddedImages::decodeImage(iconText))
        painter->drawImage(l.icon, *icon);
    if (kind == RowKind::MarkedCopies) {
        drawShownText(painter, l.name, texts.name, textColor(option), boldFont(option.font), Qt::AlignLeft | Qt::AlignBottom);
        drawShownText(painter, l.size, texts.size, secondaryTextColor(option), smallFont(option.font),
                      Qt::AlignRight | Qt::AlignBottom);
        drawShownText(painter, l.count, texts.count, secondaryTextColor(option), smallFont(option.font),
                      Qt::AlignLeft | Qt::AlignTop);
    } else {
        drawShownText(painter, l.name, texts.name, textColor(option), option.font, Qt::AlignLeft | Qt::AlignVCenter);
        drawShownText(painter, l.size, texts.size, secondaryTextColor(option), smallFont(option.font),
                      Qt::AlignRight | Qt::AlignVCenter);
    }
    paintRowFocus(painter, option);
    painter->restore();
}

QSize CategoryCellDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const int height = rowKind(index) == RowKind::Separator ? 12 : rowKind(index) == RowKind::MarkedCopies ? 42 : kCategoryRowHeight;
    return QSize(option.rect.width(), height);
}

// ---- Groups ---------------------------------------------------------------------

GroupCellDelegate::Layout GroupCellDelegate::layout(const QRect &cell, bool markedCopy)
{
    const QRect inner = cell.adjusted(10, 4, -10, -4);
    Layout l;
    int x = inner.left();
    if (markedCopy) {
        l.checkBox = QRect(x, inner.center().y() - kCheckBoxExtent / 2, kCheckBoxExtent, kCheckBoxExtent);
        x = l.checkBox.right() + 10;
    }
    l.icon = QRect(x, inner.center().y() - kIconExtent / 2, kIconExtent, kIconExtent);
    const int right = inner.right();
    if (markedCopy)
        l.showRelated = QRect(right - 110, inner.center().y() - 12, 110, 24);
    else
        l.counts = QRect(right - 70, inner.center().y() - 11, 70, 22);
    const int textRight = (markedCopy ? l.showRelated.left() : l.counts.left()) - 8;
    const int textLeft = l.icon.right() + 10;
    l.name = QRect(textLeft, inner.top(), textRight - textLeft, inner.height() / 2);
    l.size = QRect(textLeft, inner.top() + inner.height() / 2, textRight - textLeft, inner.height() / 2);
    return l;
}

void GroupCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    paintRowBackground(painter, option);
    const bool markedCopy = rowKind(index) == RowKind::MarkedCopy;
    const Layout l = layout(option.rect, markedCopy);
    if (markedCopy)
        drawCheckBox(painter, l.checkBox, index.data(Qt::CheckStateRole).toInt() == Qt::Checked);
    drawFileIcon(painter, l.icon, index.data(IconRole).toString());
    drawText(painter, l.name, index.data(NameRole).toString(), textColor(option), boldFont(option.font),
             Qt::AlignLeft | Qt::AlignBottom);
    drawText(painter, l.size, index.data(SizeTextRole).toString(), secondaryTextColor(option), smallFont(option.font),
             Qt::AlignLeft | Qt::AlignTop);
    if (markedCopy) {
        // Offered only under the pointer, as a quiet way to the copy's group.
        if (option.state.testFlag(QStyle::State_MouseOver)) {
            QStyleOptionButton button;
            button.rect = l.showRelated;
            button.text = showRelatedTitle();
            button.state = QStyle::State_Enabled | QStyle::State_Raised;
            button.palette = QApplication::palette();
            button.fontMetrics = QFontMetrics(smallFont(option.font));
            painter->setFont(smallFont(option.font));
            QApplication::style()->drawControl(QStyle::CE_PushButton, &button, painter, nullptr);
        }
    } else {
        // "marked / copies" in a small pill.
        const QString counts = markedOfCopies(index.data(MarkedCountRole).toInt(), index.data(CopyCountRole).toInt());
        QPainterPath pill;
        pill.addRoundedRect(QRectF(l.counts), l.counts.height() / 2.0, l.counts.height() / 2.0);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->fillPath(pill, isHighlighted(option) ? QColor(255, 255, 255, 60) : QColor(0, 0, 0, 18));
        drawText(painter, l.counts, counts, textColor(option), smallFont(option.font), Qt::AlignCenter);
    }
    paintRowFocus(painter, option);
    painter->restore();
}

QSize GroupCellDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return QSize(option.rect.width(), kGroupRowHeight);
}

bool GroupCellDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                    const QModelIndex &index)
{
    if (rowKind(index) != RowKind::MarkedCopy || !isRelease(event))
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    const Layout l = layout(option.rect, true);
    const QPoint at = eventPosition(event);
    if (l.checkBox.contains(at)) {
        toggleCheckState(model, index);
        return true;
    }
    if (l.showRelated.contains(at)) {
        emit showRelatedClicked(index);
        return true;
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

// ---- Copies ---------------------------------------------------------------------

ItemCellDelegate::Layout ItemCellDelegate::layout(const QRect &cell)
{
    const QRect inner = cell.adjusted(10, 4, -10, -4);
    Layout l;
    l.checkBox = QRect(inner.left(), inner.center().y() - kCheckBoxExtent / 2, kCheckBoxExtent, kCheckBoxExtent);
    l.icon = QRect(l.checkBox.right() + 10, inner.center().y() - kIconExtent / 2, kIconExtent, kIconExtent);
    const int textLeft = l.icon.right() + 10;
    const int half = inner.height() / 2;
    l.size = QRect(inner.right() - 80, inner.top(), 80, half);
    l.name = QRect(textLeft, inner.top(), l.size.left() - textLeft - 6, half);
    l.path = QRect(textLeft, inner.top() + half, inner.right() - textLeft, inner.height() - half);
    return l;
}

void ItemCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    paintRowBackground(painter, option);
    const Layout l = layout(option.rect);
    drawCheckBox(painter, l.checkBox, index.data(Qt::CheckStateRole).toInt() == Qt::Checked);
    drawFileIcon(painter, l.icon, index.data(IconRole).toString());
    drawText(painter, l.name, index.data(NameRole).toString(), textColor(option), boldFont(option.font));
    drawText(painter, l.size, index.data(SizeTextRole).toString(), secondaryTextColor(option), smallFont(option.font),
             Qt::AlignRight | Qt::AlignVCenter);

    const QUrl url = index.data(UrlRole).toUrl();
    if (url.isLocalFile()) {
        const QFont font = smallFont(option.font);
        const QFontMetrics metrics = pathMetrics(option);
        const QList<PathSegment> segments = layoutPathSegments(url.toLocalFile(), l.path, metrics);
        painter->setFont(font);
        for (qsizetype i = 0; i < segments.size(); ++i) {
            const PathSegment &segment = segments.at(i);
            if (i > 0) {
                painter->setPen(secondaryTextColor(option));
                painter->drawText(QRect(segments.at(i - 1).rect.right() + 1, l.path.top(),
                                        segment.rect.left() - segments.at(i - 1).rect.right() - 1, l.path.height()),
                                  Qt::AlignCenter, QStringLiteral("\u203A"));
            }
            painter->setPen(segment.component.path.isEmpty() ? secondaryTextColor(option) : textColor(option));
            painter->drawText(segment.rect, Qt::AlignLeft | Qt::AlignVCenter,
                              metrics.elidedText(segment.component.label, Qt::ElideMiddle, segment.rect.width() + 1));
        }
    }
    paintRowFocus(painter, option);
    painter->restore();
}

QSize ItemCellDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return QSize(option.rect.width(), kItemRowHeight);
}

bool ItemCellDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                   const QModelIndex &index)
{
    if (!isRelease(event))
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    const Layout l = layout(option.rect);
    const QPoint at = eventPosition(event);
    if (l.checkBox.contains(at)) {
        toggleCheckState(model, index);
        return true;
    }
    const QUrl url = index.data(UrlRole).toUrl();
    if (l.path.contains(at) && url.isLocalFile()) {
        const QList<PathSegment> segments = layoutPathSegments(url.toLocalFile(), l.path, pathMetrics(option));
        for (const PathSegment &segment : segments) {
            if (segment.rect.contains(at) && !segment.component.path.isEmpty()) {
                emit revealRequested(segment.component.path);
                return true;
            }
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}
