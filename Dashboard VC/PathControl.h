#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <optional>

class QHBoxLayout;
class QScrollArea;
class QToolButton;

// One component of a path as a breadcrumb shows it: its label and the path
// up to and including it.
struct PathComponent
{
    QString label;
    QString path;

    bool operator==(const PathComponent &) const = default;
};

// The components of an absolute local path, from the root down: "/" first,
// then one per name. Control characters in a name (a newline, say) show as a
// visible mark, so that every label stays on one line. Empty for an empty or
// relative path.
QList<PathComponent> pathComponents(const QString &path);

// A path shown as a breadcrumb, one flat button per component. Clicking a
// component asks for that item (a parent folder, or the file itself) to be
// revealed. Long paths keep their end in view.
class PathControl : public QWidget
{
    Q_OBJECT

public:
    explicit PathControl(QWidget *parent = nullptr);

    std::optional<QUrl> url() const { return m_url; }
    // Nothing, or a URL that is not a local file, shows no components.
    void setURL(const std::optional<QUrl> &url);

    // The component clicked last, as the reveal action asks for it; nothing
    // before the first click and after every new URL.
    std::optional<PathComponent> clickedPathComponent() const { return m_clicked; }
    // The buttons, root first (for tests and the accessibility tree).
    QList<QToolButton *> componentButtons() const { return m_buttons; }

signals:
    void componentClicked(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rebuild();

    std::optional<QUrl> m_url;
    std::optional<PathComponent> m_clicked;
    QScrollArea *m_scrollArea = nullptr;
    QWidget *m_strip = nullptr;
    QHBoxLayout *m_layout = nullptr;
    QList<QToolButton *> m_buttons;
};
