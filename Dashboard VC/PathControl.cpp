#include "PathControl.h"

#include <ButtonKeys.h>
#include <FocusRing.h>

#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

QList<PathComponent> pathComponents(const QString &path)
{
    QList<PathComponent> components;
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return components;
    const QString clean = QDir::cleanPath(path);
    components.append({QStringLiteral("/"), QStringLiteral("/")});
    QString soFar;
    const QStringList names = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &name : names) {
        soFar += QLatin1Char('/') + name;
        QString label = name;
        for (QChar &c : label) {
            if (c.category() == QChar::Other_Control)
                c = QChar(0x21B5);
        }
        components.append({label, soFar});
    }
    return components;
}

PathControl::PathControl(QWidget *parent)
    : QWidget(parent)
{
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    // Tab goes to the components themselves, not to the strip that holds them.
    m_scrollArea->setFocusPolicy(Qt::NoFocus);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->viewport()->setAutoFillBackground(false);
    m_strip = new QWidget;
    m_strip->setAutoFillBackground(false);
    m_layout = new QHBoxLayout(m_strip);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_layout->addStretch(1);
    m_scrollArea->setWidget(m_strip);
    outer->addWidget(m_scrollArea);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void PathControl::setURL(const std::optional<QUrl> &url)
{
    m_url = url;
    m_clicked.reset();
    rebuild();
}

void PathControl::rebuild()
{
    while (QLayoutItem *item = m_layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    m_buttons.clear();

    const QList<PathComponent> components =
        m_url && m_url->isLocalFile() ? pathComponents(m_url->toLocalFile()) : QList<PathComponent>{};
    for (qsizetype i = 0; i < components.size(); ++i) {
        const PathComponent component = components.at(i);
        if (i > 0) {
            auto *separator = new QLabel(QStringLiteral("\u203A"), m_strip);
            separator->setForegroundRole(QPalette::PlaceholderText);
            m_layout->addWidget(separator);
        }
        auto *button = new QToolButton(m_strip);
        button->setAutoRaise(true);
        button->setText(component.label);
        button->setToolTip(component.path);
        button->setAccessibleName(component.label);
        button->setCursor(Qt::PointingHandCursor);
        button->installEventFilter(this);
        ButtonKeys::pressOnReturn(button);
        FocusRing::attach(button, 4);
        connect(button, &QToolButton::clicked, this, [this, component] {
            m_clicked = component;
            emit componentClicked(component.path);
        });
        m_layout->addWidget(button);
        m_buttons.append(button);
    }
    m_layout->addStretch(1);
    // The file's own name matters most: keep the end of a long path in view.
    QTimer::singleShot(0, this, [this] {
        m_scrollArea->horizontalScrollBar()->setValue(m_scrollArea->horizontalScrollBar()->maximum());
    });
}

bool PathControl::eventFilter(QObject *watched, QEvent *event)
{
    // A component reached with Tab comes into view, however long the path.
    if (event->type() == QEvent::FocusIn) {
        if (auto *button = qobject_cast<QToolButton *>(watched); button && m_buttons.contains(button))
            m_scrollArea->ensureWidgetVisible(button, 0, 0);
    }
    return QWidget::eventFilter(watched, event);
}
