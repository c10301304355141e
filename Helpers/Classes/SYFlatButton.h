#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QAbstractButton>
#include <QString>

#include <array>
#include <optional>

class QShortcut;
class QVariantAnimation;

// The flat push button of the dialogs and screens. It is drawn from colours
// only: a background and a border, the image as a shape tinted by a colour,
// and the title. The colour set follows the state (on: the highlight set,
// anything else: the normal set) through short colour animations; the resting
// background colour is swapped for the hover colour under the pointer and for
// the highlight colour while the button is pressed. Nothing has a default:
// every value comes from whoever builds the button.
//
// It is a real button to the rest of the system: it takes the keyboard focus,
// Space (and Return or Enter while it has the focus) presses it, a default
// button answers Return and an escape button answers Escape anywhere in its
// window, and assistive tools see a push button named by its title. Its
// action is QAbstractButton's clicked signal.
class SYFlatButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(int state READ state WRITE setState)
    Q_PROPERTY(QString title READ title WRITE setTitle)
    Q_PROPERTY(QImage image READ image WRITE setImage)
    Q_PROPERTY(ImagePosition imagePosition READ imagePosition WRITE setImagePosition)
    Q_PROPERTY(bool imageHugsTitle READ imageHugsTitle WRITE setImageHugsTitle)
    Q_PROPERTY(QColor normalColor READ normalColor WRITE setNormalColor)
    Q_PROPERTY(QColor hoverColor READ hoverColor WRITE setHoverColor)
    Q_PROPERTY(bool isHideHover READ isHideHover WRITE setIsHideHover)
    Q_PROPERTY(bool momentary READ momentary WRITE setMomentary)
    Q_PROPERTY(double onAnimateDuration READ onAnimateDuration WRITE setOnAnimateDuration)
    Q_PROPERTY(double offAnimateDuration READ offAnimateDuration WRITE setOffAnimateDuration)
    Q_PROPERTY(double cornerRadius READ cornerRadius WRITE setCornerRadius)
    Q_PROPERTY(double borderWidth READ borderWidth WRITE setBorderWidth)
    Q_PROPERTY(double spacing READ spacing WRITE setSpacing)
    Q_PROPERTY(QColor borderNormalColor READ borderNormalColor WRITE setBorderNormalColor)
    Q_PROPERTY(QColor borderHighlightColor READ borderHighlightColor WRITE setBorderHighlightColor)
    Q_PROPERTY(QColor backgroundNormalColor READ backgroundNormalColor WRITE setBackgroundNormalColor)
    Q_PROPERTY(QColor backgroundHighlightColor READ backgroundHighlightColor WRITE setBackgroundHighlightColor)
    Q_PROPERTY(QColor imageNormalColor READ imageNormalColor WRITE setImageNormalColor)
    Q_PROPERTY(QColor imageHighlightColor READ imageHighlightColor WRITE setImageHighlightColor)
    Q_PROPERTY(QColor titleNormalColor READ titleNormalColor WRITE setTitleNormalColor)
    Q_PROPERTY(QColor titleHighlightColor READ titleHighlightColor WRITE setTitleHighlightColor)
    Q_PROPERTY(int section READ section WRITE setSection)
    Q_PROPERTY(int row READ row WRITE setRow)
    Q_PROPERTY(bool isDefault READ isDefault WRITE setDefault)
    Q_PROPERTY(bool isEscape READ isEscape WRITE setEscape)

public:
    // Where the image sits against the title; the numbers are those the
    // interface files use.
    enum ImagePosition {
        NoImage = 0,
        ImageOnly = 1,
        ImageLeft = 2,
        ImageRight = 3,
        ImageBelow = 4,
        ImageAbove = 5,
        ImageOverlaps = 6,
        ImageLeading = 7,
        ImageTrailing = 8,
    };
    Q_ENUM(ImagePosition)

    static constexpr int OffState = 0;
    static constexpr int OnState = 1;

    explicit SYFlatButton(QWidget *parent = nullptr);

    int state() const { return m_state; }
    void setState(int state);
    QString title() const { return m_title; }
    void setTitle(const QString &title);
    QImage image() const { return m_image; }
    void setImage(const QImage &image);
    ImagePosition imagePosition() const { return m_imagePosition; }
    void setImagePosition(ImagePosition position);
    bool imageHugsTitle() const { return m_imageHugsTitle; }
    void setImageHugsTitle(bool hugs);

    bool mouseDown() const { return m_mouseDown; }

    QColor normalColor() const { return m_normalColor; }
    void setNormalColor(const QColor &color);
    QColor hoverColor() const { return m_hoverColor; }
    void setHoverColor(const QColor &color);
    bool isHideHover() const { return m_isHideHover; }
    void setIsHideHover(bool hide) { m_isHideHover = hide; }
    bool momentary() const { return m_momentary; }
    void setMomentary(bool momentary);
    // Seconds of the colour change towards the highlight set and towards the normal set.
    double onAnimateDuration() const { return m_onAnimateDuration; }
    void setOnAnimateDuration(double seconds) { m_onAnimateDuration = seconds; }
    double offAnimateDuration() const { return m_offAnimateDuration; }
    void setOffAnimateDuration(double seconds) { m_offAnimateDuration = seconds; }
    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius);
    double borderWidth() const { return m_borderWidth; }
    void setBorderWidth(double width);
    double spacing() const { return m_spacing; }
    void setSpacing(double spacing);

    QColor borderNormalColor() const { return m_borderNormalColor; }
    void setBorderNormalColor(const QColor &color);
    QColor borderHighlightColor() const { return m_borderHighlightColor; }
    void setBorderHighlightColor(const QColor &color);
    QColor backgroundNormalColor() const { return m_backgroundNormalColor; }
    void setBackgroundNormalColor(const QColor &color);
    QColor backgroundHighlightColor() const { return m_backgroundHighlightColor; }
    void setBackgroundHighlightColor(const QColor &color);
    QColor imageNormalColor() const { return m_imageNormalColor; }
    void setImageNormalColor(const QColor &color);
    QColor imageHighlightColor() const { return m_imageHighlightColor; }
    void setImageHighlightColor(const QColor &color);
    QColor titleNormalColor() const { return m_titleNormalColor; }
    void setTitleNormalColor(const QColor &color);
    QColor titleHighlightColor() const { return m_titleHighlightColor; }
    void setTitleHighlightColor(const QColor &color);

    // Return or Enter anywhere in the window presses a default button (unless
    // another button has the focus); Escape presses an escape button.
    bool isDefault() const { return m_isDefault; }
    void setDefault(bool isDefault);
    bool isEscape() const { return m_isEscape; }
    void setEscape(bool isEscape);

    // Kept for the owner's bookkeeping only.
    int section() const { return m_section; }
    void setSection(int section) { m_section = section; }
    int row() const { return m_row; }
    void setRow(int row) { m_row = row; }

    // The colours on show at this moment; they reach the set's colours when
    // the animations end. An unset colour shows as transparent.
    QColor shownBorderColor() const;
    QColor shownBackgroundColor() const;
    QColor shownImageColor() const;
    QColor shownTitleColor() const;
    bool isAnimatingColors() const;
    // Where the image and the title are laid out for the current size;
    // nothing when not shown.
    std::optional<QRectF> imageFrame() const;
    std::optional<QRectF> titleFrame() const;

    // Animates every colour towards the set that the state selects.
    void animateColorWithState(int state);
    // Stops every colour animation; the colours jump to their targets.
    void removeAllAnimations();
    // Ends a press from code: a momentary button flips its state, then the action is sent.
    void animateForButtonUp();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    enum Channel { BorderChannel, BackgroundChannel, ImageChannel, TitleChannel, ChannelCount };

    struct ColorChannel
    {
        QColor target; // what the button shows once the animation ends
        QColor shown;
        QVariantAnimation *animation = nullptr;
    };

    struct Placement
    {
        QPointF image;
        QPointF title;
    };

    Placement placement(const QSizeF &imageSize, const QSizeF &titleSize) const;
    QSizeF imageSize() const;
    QSizeF titleSize() const;
    void animateLayer(Channel channel, const QColor &color, double duration);
    void setColorAndAnimate(QColor &member, const QColor &color);
    void paintTintedImage(QPainter &painter, const QRectF &frame) const;
    void showPressed(bool pressed);
    QShortcut *windowShortcut(QShortcut *&shortcut, bool wanted, const QList<QKeySequence> &keys);

    int m_state = OffState;
    QString m_title;
    QImage m_image;
    ImagePosition m_imagePosition = NoImage;
    bool m_imageHugsTitle = false;
    bool m_mouseDown = false;
    QColor m_normalColor;
    QColor m_hoverColor;
    bool m_isHideHover = false;
    bool m_momentary = false;
    double m_onAnimateDuration = 0;
    double m_offAnimateDuration = 0;
    double m_cornerRadius = 0;
    double m_borderWidth = 0;
    double m_spacing = 0;
    QColor m_borderNormalColor;
    QColor m_borderHighlightColor;
    QColor m_backgroundNormalColor;
    QColor m_backgroundHighlightColor;
    QColor m_imageNormalColor;
    QColor m_imageHighlightColor;
    QColor m_titleNormalColor;
    QColor m_titleHighlightColor;
    int m_section = 0;
    int m_row = 0;
    bool m_isDefault = false;
    bool m_isEscape = false;
    bool m_showFocus = true;
    QShortcut *m_defaultShortcut = nullptr;
    QShortcut *m_escapeShortcut = nullptr;

    std::array<ColorChannel, ChannelCount> m_channels;
};
