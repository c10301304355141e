#include "PopoverTextFieldVC.h"

#include "IgnoreListPreferencesViewController.h"
#include "PaneTableView.h"

#include <Alert.h>
#include <CustomAnimator.h>
#include <Localization.h>
#include <OverlayFocus.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>
#include <SettingsStore.h>

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

IgnoreListPreferencesViewController *ignoreListPane()
{
    return ScreenRegistry::instance().get<IgnoreListPreferencesViewController>(
        QLatin1String(ScreenId::IgnoreListPreferences));
}

// A name with nothing but dots and blanks would ignore no real extension.
bool isUsableName(const QString &name)
{
    for (const QChar c : name) {
        if (c != QLatin1Char('.') && !c.isSpace())
            return true;
    }
    return false;
}

} // namespace

PopoverTextFieldVC::PopoverTextFieldVC(QWidget *parent)
    : PreferencesViewController(QString(), parent)
    , lblHeader(new QLabel)
    , textField(new QLineEdit)
    , btnAdd(new QPushButton)
    , btnCancel(new QPushButton)
{
    setObjectName(QStringLiteral("PopoverTextField"));
    textField->setObjectName(QStringLiteral("textField"));
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    // The view covers the whole pane; only its box in the middle is drawn,
    // so the pane's dimming shows around it.
    auto *box = new QFrame(this);
    box->setFrameShape(QFrame::StyledPanel);
    box->setAutoFillBackground(true);
    box->setFixedWidth(320);
    QFont heading = lblHeader->font();
    heading.setBold(true);
    lblHeader->setFont(heading);
    lblHeader->setWordWrap(true);

    auto *boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(16, 14, 16, 14);
    boxLayout->setSpacing(10);
    boxLayout->addWidget(lblHeader);
    boxLayout->addWidget(textField);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnAdd);
    boxLayout->addLayout(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(box, 0, Qt::AlignHCenter);
    layout->addStretch(1);

    // Return and Enter press the focused button, as Space does.
    btnAdd->setAutoDefault(true);
    btnCancel->setAutoDefault(true);

    connect(btnAdd, &QPushButton::clicked, this, [this] { clickedAdd(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { clickedCancel(); });
    connect(textField, &QLineEdit::returnPressed, this, [this] { controlTextDidEndEditing(); });
}

void PopoverTextFieldVC::viewDidLoad()
{
    lblHeader->setText(localizedString(QStringLiteral("IDS_TMR_49")));
    textField->setPlaceholderText(localizedString(QStringLiteral("IDS_TMR_36_1")));
    btnAdd->setText(localizedString(QStringLiteral("IDS_TMR_50")));
    btnCancel->setText(localizedString(QStringLiteral("IDS_TMR_51")));
    // The field is named by the heading above it; its example text goes
    // away as soon as something is typed.
    textField->setAccessibleName(lblHeader->text());
}

void PopoverTextFieldVC::viewWillAppear()
{
    textField->clear();
    isClickedAlready = false;
    m_isClosing = false;
    textField->setFocus();
}

void PopoverTextFieldVC::clickedAdd()
{
    if (m_isClosing)
        return;
    isClickedAlready = true;
    addExtension();
}

void PopoverTextFieldVC::controlTextDidEndEditing()
{
    const QString text = textField->text();
    if (m_isClosing || text.isEmpty() || text == QLatin1String(" ") || isClickedAlready)
        return;
    QMetaObject::invokeMethod(this, [this] { addExtension(); }, Qt::QueuedConnection);
}

void PopoverTextFieldVC::addExtension()
{
    if (m_isClosing)
        return;
    QString name = textField->text();
    if (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    // An empty or dot-only entry is refused; the popover stays up with the text.
    if (!isUsableName(name)) {
        ::showAlert(localizedString(QStringLiteral("IDS_TMR_68")), QString());
        return;
    }
    const bool listed = std::any_of(allExtensions().cbegin(), allExtensions().cend(),
                                    [&name](const AllExtensions &entry) { return entry.name == name; });
    if (!listed) {
        allExtensions().append({true, name});
        saveIgnoreLists();
    }
    m_isClosing = true;
    QTimer::singleShot(0, this, [this] { dismissVC(); });
}

void PopoverTextFieldVC::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        clickedCancel();
        return;
    }
    PreferencesViewController::keyPressEvent(event);
}

bool PopoverTextFieldVC::focusNextPrevChild(bool next)
{
    return OverlayFocus::focusNextPrevChildWithin(this, next) || PreferencesViewController::focusNextPrevChild(next);
}

void PopoverTextFieldVC::dismissVC()
{
    IgnoreListPreferencesViewController *pane = ignoreListPane();
    if (pane) {
        pane->tableViewExtensions->reloadData();
        pane->enableControls();
        // The keyboard goes back to where the popover was opened from.
        pane->btnAdd->setFocus(Qt::OtherFocusReason);
        if (customAnimator)
            customAnimator->animateDismissalOfViewController(this, pane);
    }
}

void PopoverTextFieldVC::clickedCancel()
{
    if (m_isClosing)
        return;
    m_isClosing = true;
    IgnoreListPreferencesViewController *pane = ignoreListPane();
    if (pane) {
        pane->enableControls();
        pane->btnAdd->setFocus(Qt::OtherFocusReason);
        if (customAnimator)
            customAnimator->animateDismissalOfViewController(this, pane);
    }
}
