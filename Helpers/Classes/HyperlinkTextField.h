#pragma once

#include <QColor>
#include <QLabel>

#include <optional>

// Notifications of the hyperlink labels, posted with no user info.
inline constexpr const char kHyperLinkAutoMarkSelectionNotification[] = "hyperLinkAutoMarkSelection";
inline constexpr const char kHyperLinkEULANotification[] = "hyperLinkEULA";
inline constexpr const char kHyperLinkPrivacyPolicyNotification[] = "hyperLinkPrivacyPolicy";
inline constexpr const char kHyperLinkUnInstallInstructionsNotification[] = "hyperLinkUnInstallInstructions";

// The look of a link's text.
struct TextAttributes
{
    QColor foregroundColor;
    bool underline = false;

    bool operator==(const TextAttributes &) const = default;
};

// A label that behaves like a link: a pointing hand over it, a pressed look
// while the button is down, and, when the button is released over it, a named
// notification that a screen turns into an action. Which notification is
// chosen by its flags (the first set one of isAutoMarkSelection, isEULA,
// isPrivacyPolicy, isUnInstallInstructions); with none set it only shows the
// hand. The grey automatic-marking link keeps its look under the pointer; the
// coloured links underline themselves there.
//
// A label with a flag set is a link to the keyboard and to assistive tools
// too: Tab reaches it (and shows the focus ring), Return, Enter or Space
// follow it, and assistive tools see a link whose press action follows it.
class HyperlinkTextField : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(bool isAutoMarkSelection READ isAutoMarkSelection WRITE setIsAutoMarkSelection)
    Q_PROPERTY(bool isEULA READ isEULA WRITE setIsEULA)
    Q_PROPERTY(bool isUnInstallInstructions READ isUnInstallInstructions WRITE setIsUnInstallInstructions)
    Q_PROPERTY(bool isPrivacyPolicy READ isPrivacyPolicy WRITE setIsPrivacyPolicy)

public:
    explicit HyperlinkTextField(QWidget *parent = nullptr);
    explicit HyperlinkTextField(const QString &text, QWidget *parent = nullptr);

    bool isAutoMarkSelection() const { return m_isAutoMarkSelection; }
    void setIsAutoMarkSelection(bool on);
    bool isEULA() const { return m_isEULA; }
    void setIsEULA(bool on);
    bool isUnInstallInstructions() const { return m_isUnInstallInstructions; }
    void setIsUnInstallInstructions(bool on);
    bool isPrivacyPolicy() const { return m_isPrivacyPolicy; }
    void setIsPrivacyPolicy(bool on);

    // Follows the link as a release over it does: the released look, then
    // the notification of the first flag set. Nothing without a flag.
    void activate();

    // Grey link: resting and pressed.
    const TextAttributes attributesBeforeClick;
    const TextAttributes attributesAfterClick;
    // Coloured link: resting and pressed, under the pointer, just released.
    const TextAttributes attributesWithoutUnderLineWithLink;
    const TextAttributes attributesBeforeClickWithLink;
    const TextAttributes attributesAfterClickWithLink;

    // The look last applied; nothing until the first pointer event changes it.
    std::optional<TextAttributes> appliedAttributes() const { return m_applied; }

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool isColouredLink() const { return m_isEULA || m_isUnInstallInstructions || m_isPrivacyPolicy; }
    bool isLink() const { return m_isAutoMarkSelection || isColouredLink(); }
    void flagsChanged();
    void apply(const TextAttributes &attributes);

    bool m_isAutoMarkSelection = false;
    bool m_isEULA = false;
    bool m_isUnInstallInstructions = false;
    bool m_isPrivacyPolicy = false;
    bool m_focusFromKeyboard = true;
    std::optional<TextAttributes> m_applied;
};
