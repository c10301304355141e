#include "DashboardVC.h"

#include "DashboardWindowController.h"
#include "PathControl.h"
#include "PreviewPane.h"
#include "ResultCellDelegates.h"
#include "ReviewMenus.h"
#include "ReviewModels.h"
#include "ReviewScreenValues.h"
#include "ReviewSession.h"
#include "VideoPreview.h"
#include "WindowPlacement.h"

#include <ButtonKeys.h>
#include <CategoryLists.h>
#include <CustomAnimator.h>
#include <EmbeddedImages.h>
#include <FileReveal.h>
#include <FocusHandOff.h>
#include <FocusRing.h>
#include <ItemTableView.h>
#include <KitSupport.h>
#include <Localization.h>
#include <PageOpener.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>
#include <Spinner.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMediaPlayer>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A box filled with one colour, drawn at its alpha over what lies below; it
// takes the clicks meant for what it covers.
class DimmingLayer : public QWidget
{
public:
    DimmingLayer(const QColor &color, QWidget *parent)
        : QWidget(parent)
        , m_color(color)
    {
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), m_color);
    }

private:
    QColor m_color;
};

// The screen's background: grey (236/255) at the bottom to white at the top.
class GradientBox : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QLinearGradient gradient(QPointF(0, height()), QPointF(0, 0));
        gradient.setColorAt(0, QColor::fromRgbF(0.9254901960784314f, 0.9254901960784314f, 0.9254901960784314f, 1.0f));
        gradient.setColorAt(1, Qt::white);
        painter.fillRect(rect(), gradient);
    }
};

QWidget *makeBox(const QString &name, QWidget *parent)
{
    auto *box = new QWidget(parent);
    box->setObjectName(name);
    return box;
}

QLabel *makeLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton *makeButton(const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(name);
    button->setFlat(true);
    ButtonKeys::pressOnReturn(button);
    FocusRing::attach(button, 4);
    return button;
}

// A box holding one flat button from edge to edge, as the marking and
// sorting controls stand.
QPushButton *makeBoxedButton(QWidget *&box, const QString &boxName, const QString &buttonName, QWidget *parent)
{
    box = makeBox(boxName, parent);
    QPushButton *button = makeButton(buttonName, box);
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(button);
    return button;
}

QTableView *makeTable(const QString &name, QWidget *parent)
{
    // Assistive tools see each list as the rows it shows, however it changes.
    auto *table = new ItemTableView(parent);
    table->setObjectName(name);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->horizontalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->setShowGrid(false);
    table->setFrameShape(QFrame::NoFrame);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    table->setWordWrap(false);
    // Arrow keys move within a table; Tab goes on to the next control.
    table->setTabKeyNavigation(false);
    // The tables lie on the screen's gradient.
    table->setAttribute(Qt::WA_TranslucentBackground);
    table->viewport()->setAutoFillBackground(false);
    table->setStyleSheet(QStringLiteral("QTableView { background: transparent; }"));
    return table;
}

// A button's title as a screen reader should say it: without the mark that
// tells sighted users a menu opens.
QString withoutMenuArrow(const QString &title)
{
    QString name = title;
    name.remove(QChar(0x25BE));
    return name.trimmed();
}

QRect screenOf(QWidget *window)
{
    QScreen *screen = window ? window->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1920, 1080);
}

} // namespace

DashboardVC::DashboardVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Dashboard"));
    // Only the newest screen answers as the registry's results screen; an
    // older one goes with its own window, never from under it.
    ScreenRegistry::instance().forget(QString::fromLatin1(ScreenId::Dashboard));
    ScreenRegistry::instance().put(QString::fromLatin1(ScreenId::Dashboard), this);
    buildInterface();
    m_session = new ReviewSession(this);
    m_sortMenus = new ReviewSortMenus(*m_session, this);
    wireSession();
    setUpTexts();
    setUpKeyboard();
    setUpReadableMinimum();
    observeNotifications();
}

DashboardVC::~DashboardVC()
{
    // However the screen goes, the store never stays narrowed to a search.
    m_session->endSearch();
    for (NotificationCenter::Token token : std::as_const(m_observers))
        NotificationCenter::defaultCenter().removeObserver(token);
    if (ScreenRegistry::instance().peekObject(QString::fromLatin1(ScreenId::Dashboard)) == this)
        ScreenRegistry::instance().forget(QString::fromLatin1(ScreenId::Dashboard));
}

void DashboardVC::buildInterface()
{
    m_boxParent = new GradientBox(this);
    m_boxParent->setObjectName(QStringLiteral("boxParent"));

    // Header: Back, the title, the search field and the blog button.
    m_boxHeader = makeBox(QStringLiteral("boxHeader"), m_boxParent);
    m_btnBack = makeButton(QStringLiteral("btnBack"), m_boxHeader);
    m_imgViewAppTitle = makeLabel(QStringLiteral("imgViewAppTitle"), m_boxHeader);
    m_lblTitle = makeLabel(QStringLiteral("lblTitle"), m_boxHeader);
    QFont titleFont = m_lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    m_lblTitle->setFont(titleFont);
    m_searchField = new QLineEdit(m_boxHeader);
    m_searchField->setObjectName(QStringLiteral("searchField"));
    m_searchField->setClearButtonEnabled(true);
    m_searchField->setFixedWidth(220);
    m_btnBlog = makeButton(QStringLiteral("btnBlog"), m_boxHeader);
    m_btnBlog->setIcon(style()->standardIcon(QStyle::SP_FileDialogInfoView));
    auto *header = new QHBoxLayout(m_boxHeader);
    header->setContentsMargins(16, 8, 16, 8);
    header->addWidget(m_btnBack);
    header->addSpacing(12);
    header->addWidget(m_imgViewAppTitle);
    header->addWidget(m_lblTitle);
    header->addStretch(1);
    header->addWidget(m_searchField);
    header->addWidget(m_btnBlog);

    // Categories, with the totals and the trash button below.
    m_boxExactDuplicates = makeBox(QStringLiteral("boxExactDuplicates"), m_boxParent);
    m_lblExactMatchCategoriesHeader = makeLabel(QStringLiteral("lblExactMatchCategoriesHeader"), m_boxExactDuplicates);
    m_tableViewCategories = makeTable(QStringLiteral("tableViewCategories"), m_boxExactDuplicates);
    m_lblTotalItemsFound = makeLabel(QStringLiteral("lblTotalItemsFound"), m_boxExactDuplicates);
    m_lblTotalSizeItemsFound = makeLabel(QStringLiteral("lblTotalSizeItemsFound"), m_boxExactDuplicates);
    m_boxTrashMarked = makeBox(QStringLiteral("boxTrashMarked"), m_boxExactDuplicates);
    m_boxTrashMarked->setAutoFillBackground(true);
    m_boxTrashMarked->setFixedHeight(40);
    // The whole box is the button; its label lies on it and lets clicks through.
    m_btnTrash = makeButton(QStringLiteral("btnTrash"), m_boxTrashMarked);
    m_btnTrash->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto *trashIcon = makeLabel(QStringLiteral("trashIcon"), m_btnTrash);
    trashIcon->setPixmap(style()->standardIcon(QStyle::SP_TrashIcon).pixmap(18));
    trashIcon->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_lblTrashMarked = makeLabel(QStringLiteral("lblTrashMarked"), m_btnTrash);
    m_lblTrashMarked->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_lblTrashMarked->setForegroundRole(QPalette::WindowText);
    auto *onButton = new QHBoxLayout(m_btnTrash);
    onButton->setContentsMargins(12, 0, 10, 0);
    onButton->setSpacing(10);
    onButton->addWidget(trashIcon);
    onButton->addWidget(m_lblTrashMarked, 1);
    auto *trash = new QHBoxLayout(m_boxTrashMarked);
    trash->setContentsMargins(0, 0, 0, 0);
    trash->addWidget(m_btnTrash);
    auto *categories = new QVBoxLayout(m_boxExactDuplicates);
    categories->setContentsMargins(12, 0, 6, 12);
    categories->addWidget(m_lblExactMatchCategoriesHeader);
    categories->addWidget(m_tableViewCategories, 1);
    categories->addWidget(m_lblTotalItemsFound);
    categories->addWidget(m_lblTotalSizeItemsFound);
    categories->addWidget(m_boxTrashMarked);
    m_boxExactDuplicates->setFixedWidth(250);

    // Groups, then the copies of the chosen group.
    auto *groupsColumn = new QWidget(m_boxParent);
    groupsColumn->setObjectName(QStringLiteral("groupsColumn"));
    m_btnSmartCheckGroup = makeBoxedButton(m_boxGroupSelect, QStringLiteral("boxGroupSelect"),
                                           QStringLiteral("btnSmartCheckGroup"), groupsColumn);
    m_btnDeselectAllGroups = makeBoxedButton(m_boxDeselect, QStringLiteral("boxDeselect"),
                                             QStringLiteral("btnDeselectAllGroups"), groupsColumn);
    m_btnSortInGroup = makeBoxedButton(m_boxGroupsSorting, QStringLiteral("boxGroupsSorting"),
                                       QStringLiteral("btnSortInGroup"), groupsColumn);
    m_btnSelectedItemsSorting = makeBoxedButton(m_boxSelectedItemsSorting, QStringLiteral("boxSelectedItemsSorting"),
                                                QStringLiteral("btnSelectedItemsSorting"), groupsColumn);
    m_boxDeselect->hide();
    m_boxSelectedItemsSorting->hide();
    auto *groupTools = new QHBoxLayout;
    groupTools->addWidget(m_boxGroupSelect);
    groupTools->addWidget(m_boxDeselect);
    groupTools->addStretch(1);
    groupTools->addWidget(m_boxGroupsSorting);
    groupTools->addWidget(m_boxSelectedItemsSorting);

    m_tableViewGroups = makeTable(QStringLiteral("tableViewGroups"), groupsColumn);
    m_btnSmartCheckGroupItems = makeBoxedButton(m_boxSmartCheckGroup, QStringLiteral("boxSmartCheckGroup"),
                                                QStringLiteral("btnSmartCheckGroupItems"), groupsColumn);
    static_cast<QHBoxLayout *>(m_boxSmartCheckGroup->layout())->addStretch(1);
    m_tableViewItems = makeTable(QStringLiteral("tableViewItems"), groupsColumn);
    m_tableViewItems->setFixedHeight(230);
    auto *groups = new QVBoxLayout(groupsColumn);
    groups->setContentsMargins(6, 0, 6, 12);
    groups->addLayout(groupTools);
    groups->addWidget(m_tableViewGroups, 1);
    groups->addWidget(m_boxSmartCheckGroup);
    groups->addWidget(m_tableViewItems);

    // The preview of the chosen copy.
    m_boxFileName = makeBox(QStringLiteral("boxFileName"), m_boxParent);
    m_previewPane = new PreviewPane(m_boxFileName);
    m_previewPane->setObjectName(QStringLiteral("previewPane"));
    auto *preview = new QVBoxLayout(m_boxFileName);
    preview->setContentsMargins(6, 0, 16, 12);
    preview->addWidget(m_previewPane);
    m_boxFileName->setFixedWidth(380);

    auto *body = new QHBoxLayout;
    body->setSpacing(0);
    body->addWidget(m_boxExactDuplicates);
    body->addWidget(groupsColumn, 1);
    body->addWidget(m_boxFileName);
    auto *page = new QVBoxLayout(m_boxParent);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addWidget(m_boxHeader);
    page->addLayout(body, 1);

    // Above the page: the spinner and the notice over the groups, then the
    // two dimming layers over everything.
    m_loader = new Spinner(this);
    m_loader->setObjectName(QStringLiteral("loader"));
    m_loader->resize(60, 60);
    m_loader->hide();
    m_btnNothingFound = makeButton(QStringLiteral("btnNothingFound"), this);
    m_btnNothingFound->hide();
    m_topLayerParent = new DimmingLayer(QColor::fromRgbF(0, 0, 0, 0.7f), this);
    m_topLayerParent->setObjectName(QStringLiteral("topLayerParent"));
    m_topLayerParent->hide();
    m_boxTopLayer = new DimmingLayer(QColor::fromRgbF(0, 0, 0, 0.4f), this);
    m_boxTopLayer->setObjectName(QStringLiteral("boxTopLayer"));
    m_boxTopLayer->hide();

    for (QWidget *control : trackedControls())
        control->setCursor(Qt::PointingHandCursor);

    connect(m_btnBack, &QPushButton::clicked, this, &DashboardVC::clickBack);
    connect(m_btnTrash, &QPushButton::clicked, this, &DashboardVC::clickedTrashedMarked);
    connect(m_btnBlog, &QPushButton::clicked, this, &DashboardVC::clickedBlog);
}

void DashboardVC::observeNotifications()
{
    NotificationCenter &center = NotificationCenter::defaultCenter();
    QPointer<DashboardVC> self(this);
    auto onMain = [self](void (DashboardVC::*action)()) {
        return [self, action](const Notification &) {
            if (self)
                (self.data()->*action)();
        };
    };
    m_observers.append(center.addObserver(QString::fromLatin1(kDeleteDuplicateFilesNotification), onMain(&DashboardVC::observerDeleteMarked)));
    m_observers.append(center.addObserver(QString::fromLatin1(kHideTopParentLayerDashboardNotification), onMain(&DashboardVC::hideTopParentLayer)));
    m_observers.append(center.addObserver(QString::fromLatin1(kAboutDashboardNotification), onMain(&DashboardVC::aboutWindow)));
    m_observers.append(center.addObserver(QString::fromLatin1(kHideTopLayerHomeNotification), onMain(&DashboardVC::hideTopBlackLayer)));
}

void DashboardVC::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_boxParent->setGeometry(rect());
    m_topLayerParent->setGeometry(rect());
    m_boxTopLayer->setGeometry(rect());
    const QRect groups = m_tableViewGroups->geometry().translated(m_tableViewGroups->parentWidget()->mapTo(this, QPoint()));
    m_loader->move(groups.center() - QPoint(m_loader->width() / 2, m_loader->height() / 2));
    m_btnNothingFound->adjustSize();
    m_btnNothingFound->move(groups.center() - QPoint(m_btnNothingFound->width() / 2, m_btnNothingFound->height() / 2));
}

QList<QWidget *> DashboardVC::trackedControls() const
{
    return {m_btnBack, m_btnTrash, m_btnSmartCheckGroup, m_btnSmartCheckGroupItems, m_btnSortInGroup,
            m_btnDeselectAllGroups, m_btnBlog, m_btnSelectedItemsSorting, pathControlResult()};
}

QWidget *DashboardVC::scrollViewTextView() const { return m_previewPane->scrollViewTextView(); }
QPlainTextEdit *DashboardVC::txtViewResult() const { return m_previewPane->txtViewResult(); }
VideoPreview *DashboardVC::videoPlayerResult() const { return m_previewPane->videoPlayerResult(); }
QMediaPlayer *DashboardVC::videoPlayer() const { return m_previewPane->videoPlayerResult()->player(); }
QLabel *DashboardVC::imgViewResult() const { return m_previewPane->imgViewResult(); }
QLabel *DashboardVC::lblDateModifiedResult() const { return m_previewPane->lblDateModifiedResult(); }
QLabel *DashboardVC::lblFileNameResult() const { return m_previewPane->lblFileNameResult(); }
QToolButton *DashboardVC::pathControlResult() const { return m_previewPane->pathControlResult(); }
QLabel *DashboardVC::lblLastModifiedDate() const { return m_previewPane->lblLastModifiedDate(); }
QWidget *DashboardVC::stackViewSize() const { return m_previewPane->stackViewSize(); }
QLabel *DashboardVC::lblValueSize() const { return m_previewPane->lblValueSize(); }
QWidget *DashboardVC::stackViewPath() const { return m_previewPane->stackViewPath(); }
PathControl *DashboardVC::pathControlURL() const { return m_previewPane->pathControlURL(); }
int DashboardVC::heightConstraintsGroupItemsTableView() const { return m_tableViewItems->maximumHeight(); }
int DashboardVC::hightResultInfo() const { return m_previewPane->infoHeight(); }

void DashboardVC::prepareToShow()
{
    savedCategoryRows().clear();
    savedDuplicateResults().removeAll();
    savedAllDuplicateGroups().clear();
    m_btnBack->setEnabled(true);
    isDashboardShown = true;
    clearPane();
    m_session->reloadCategories(false);
    m_session->updateTrashButton();
    showDashboardWindow();
    m_session->updateTotals();
    // The keyboard starts where reading starts: the categories.
    m_tableViewCategories->setFocus(Qt::OtherFocusReason);
}

void DashboardVC::runHandOver(QWidget *moving, const QRect &endFrame, qreal endOpacity, QWidget *fading,
                              std::function<void()> completion)
{
    const double seconds = DashboardWindowController::animationDuration();
    // A window cannot be empty: the animations grow from and shrink into a point.
    const QRect target(endFrame.topLeft(), endFrame.size().expandedTo(QSize(1, 1)));
    if (seconds <= 0) {
        moving->setGeometry(target);
        moving->setWindowOpacity(endOpacity);
        if (fading)
            fading->setWindowOpacity(0.0);
        completion();
        return;
    }
    auto *group = new QParallelAnimationGroup(this);
    auto *frame = new QPropertyAnimation(moving, "geometry", group);
    frame->setEndValue(target);
    frame->setDuration(int(seconds * 1000));
    auto *alpha = new QPropertyAnimation(moving, "windowOpacity", group);
    alpha->setEndValue(endOpacity);
    alpha->setDuration(int(seconds * 1000));
    group->addAnimation(frame);
    group->addAnimation(alpha);
    if (fading) {
        auto *fade = new QPropertyAnimation(fading, "windowOpacity", group);
        fade->setEndValue(0.0);
        fade->setDuration(int(seconds * 1000));
        group->addAnimation(fade);
    }
    connect(group, &QAbstractAnimation::finished, this, std::move(completion));
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

void DashboardVC::showDashboardWindow()
{
    QWidget *results = window();
    if (!results || results == this)
        return;
    QPointer<QWidget> home = ScreenRegistry::instance().get<QWidget>(QString::fromLatin1(ScreenId::HomeWindow));
    const QRect screen = screenOf(home ? home.data() : results);
    const QRect homeFrame = home ? home->geometry()
                                 : QRect(QPoint(), WindowPlacement::kResultsWindowSize)
                                       .translated(screen.center() - QRect(QPoint(), WindowPlacement::kResultsWindowSize).center());
    const QRect start = WindowPlacement::openingStartFrame(homeFrame);
    results->setGeometry(QRect(start.topLeft(), QSize(1, 1)));
    results->setWindowOpacity(0.0);
    results->show();
    results->raise();
    results->activateWindow();
    auto *controller = qobject_cast<DashboardWindowController *>(results);
    if (controller)
        controller->holdReadableMinimumSize(false);
    QPointer<DashboardWindowController> grown(controller);
    runHandOver(results, WindowPlacement::openingEndFrame(homeFrame, screen), 1.0, home.data(), [home, grown] {
        if (home) {
            home->hide();
            home->setWindowOpacity(1.0);
        }
        if (grown)
            grown->holdReadableMinimumSize(true);
    });
}

void DashboardVC::showHomeWindow()
{
    m_session->endSearch();
    isBackFromDashboard = true;
    isDashboardShown = false;
    QPointer<QWidget> results = window();
    QPointer<QWidget> home = ScreenRegistry::instance().get<QWidget>(QString::fromLatin1(ScreenId::HomeWindow));
    QPointer<DashboardVC> self(this);
    if (!home || !results || results == this) {
        closeDashboard();
        return;
    }
    const QRect screen = screenOf(results);
    home->setGeometry(WindowPlacement::homeFrameOnReturn(results->geometry(), home->size(), screen));
    home->setWindowOpacity(1.0);
    home->show();
    results->raise();
    if (auto *controller = qobject_cast<DashboardWindowController *>(results.data()))
        controller->holdReadableMinimumSize(false);
    runHandOver(results, WindowPlacement::closingEndFrame(home->geometry()), 0.0, nullptr, [self] {
        if (self)
            self->closeDashboard();
    });
}

void DashboardVC::closeDashboard()
{
    m_session->endSearch();
    clearPane();
    categoryRows().clear();
    allDuplicateGroups().clear();
    markedCategories().clear();
    videoPlayerResult()->setSource(QUrl());
    if (auto *controller = qobject_cast<DashboardWindowController *>(window()))
        controller->closeWindow();
}

void DashboardVC::clickBack()
{
    if (!m_btnBack->isEnabled())
        return;
    m_btnBack->setEnabled(false);
    showHomeWindow();
}

void DashboardVC::aboutWindow()
{
    if (!ScreenRegistry::instance().hasFactory(QString::fromLatin1(ScreenId::About)))
        return;
    presentWithTopLayer(ScreenRegistry::instance().get<QWidget>(QString::fromLatin1(ScreenId::About)));
}

void DashboardVC::presentWithTopLayer(QWidget *overlay)
{
    if (!overlay)
        return;
    m_boxTopLayer->show();
    m_boxTopLayer->raise();
    overlay->setProperty("isDashboardVC", true);
    if (customAnimator)
        customAnimator->animatePresentationOfViewController(overlay, this);
}

void DashboardVC::hideTopBlackLayer()
{
    m_boxTopLayer->hide();
}

void DashboardVC::hideTopParentLayer()
{
    m_topLayerParent->hide();
}

void DashboardVC::clickedBlog()
{
    if (blogURL())
        PageOpener::openURL(*blogURL());
}

// ---- Tables, selection and preview ------------------------------------------------

void DashboardVC::wireSession()
{
    m_tableViewCategories->setModel(m_session->categoriesModel());
    m_tableViewGroups->setModel(m_session->groupsModel());
    m_tableViewItems->setModel(m_session->itemsModel());
    m_categoryCells = new CategoryCellDelegate(this);
    m_groupCells = new GroupCellDelegate(this);
    m_itemCells = new ItemCellDelegate(this);
    m_tableViewCategories->setItemDelegate(m_categoryCells);
    m_tableViewGroups->setItemDelegate(m_groupCells);
    m_tableViewItems->setItemDelegate(m_itemCells);
    // The category rows differ in height; the long lists have one height.
    m_tableViewCategories->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tableViewGroups->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_tableViewGroups->verticalHeader()->setDefaultSectionSize(44);
    m_tableViewItems->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_tableViewItems->verticalHeader()->setDefaultSectionSize(50);
    // Hover shows the show-related button of a marked copy.
    m_tableViewGroups->setMouseTracking(true);
    m_tableViewGroups->viewport()->setAttribute(Qt::WA_Hover);

    const auto onUserSelection = [this](QTableView *table, void (DashboardVC::*choose)(int)) {
        connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, table, choose] {
            if (m_syncingSelection)
                return;
            const QModelIndexList rows = table->selectionModel()->selectedRows();
            (this->*choose)(rows.isEmpty() ? -1 : rows.first().row());
        });
    };
    onUserSelection(m_tableViewCategories, &DashboardVC::chooseCategoryRow);
    onUserSelection(m_tableViewGroups, &DashboardVC::chooseGroupRow);
    onUserSelection(m_tableViewItems, &DashboardVC::chooseItemRow);

    connect(m_session, &ReviewSession::selectionChanged, this, &DashboardVC::selectionDidChange);
    connect(m_session, &ReviewSession::marksChanged, this, &DashboardVC::selectionDidChange);
    for (QAbstractItemModel *model : {static_cast<QAbstractItemModel *>(m_session->categoriesModel()),
                                      static_cast<QAbstractItemModel *>(m_session->groupsModel()),
                                      static_cast<QAbstractItemModel *>(m_session->itemsModel())}) {
        connect(model, &QAbstractItemModel::modelReset, this, &DashboardVC::selectionDidChange);
        connect(model, &QAbstractItemModel::layoutChanged, this, &DashboardVC::selectionDidChange);
    }
    // A sort keeps the chosen row chosen wherever it went; it stays in sight.
    connect(m_session->groupsModel(), &QAbstractItemModel::layoutChanged, this, [this] {
        const QModelIndexList rows = m_tableViewGroups->selectionModel()->selectedRows();
        if (!rows.isEmpty())
            m_tableViewGroups->scrollTo(rows.first());
    });
    connect(m_session, &ReviewSession::trashStateChanged, this, &DashboardVC::applyTrashLook);
    connect(m_session, &ReviewSession::totalsChanged, this, [this](const QString &items, const QString &size) {
        m_lblTotalItemsFound->setText(items);
        m_lblTotalSizeItemsFound->setText(size);
    });
    connect(m_session, &ReviewSession::groupSortTitleChanged, this, [this](const QString &title) {
        m_btnSortInGroup->setText(title);
        m_btnSortInGroup->setAccessibleName(withoutMenuArrow(title));
    });
    connect(m_session, &ReviewSession::markedSortTitleChanged, this, [this](const QString &title) {
        m_btnSelectedItemsSorting->setText(title);
        m_btnSelectedItemsSorting->setAccessibleName(withoutMenuArrow(title));
    });
    connect(m_session, &ReviewSession::searchStateChanged, this, [this](bool active) {
        if (!active && !m_searchField->text().isEmpty()) {
            const QSignalBlocker blocker(m_searchField);
            m_searchField->clear();
        }
    });

    connect(m_searchField, &QLineEdit::textChanged, this, &DashboardVC::searchTextChanged);
    connect(m_btnSmartCheckGroup, &QPushButton::clicked, this,
            [this] { showSmartCheckMenu(*m_session, SmartCheckScope::AllGroups, m_btnSmartCheckGroup); });
    connect(m_btnSmartCheckGroupItems, &QPushButton::clicked, this,
            [this] { showSmartCheckMenu(*m_session, SmartCheckScope::SelectedGroup, m_btnSmartCheckGroupItems); });
    connect(m_btnSortInGroup, &QPushButton::clicked, this, [this] { m_sortMenus->showGroupsMenu(m_btnSortInGroup); });
    connect(m_btnSelectedItemsSorting, &QPushButton::clicked, this,
            [this] { m_sortMenus->showMarkedCopiesMenu(m_btnSelectedItemsSorting); });
    connect(m_btnDeselectAllGroups, &QPushButton::clicked, m_session, &ReviewSession::deselectAll);

    connect(m_itemCells, &ItemCellDelegate::revealRequested, this, &DashboardVC::clickPathControl);
    connect(m_previewPane, &PreviewPane::revealRequested, this, &DashboardVC::clickPathControl);
    connect(m_groupCells, &GroupCellDelegate::showRelatedClicked, this,
            [this](const QModelIndex &index) { clickedShowRelated(index.row()); });
    connect(pathControlResult(), &QToolButton::clicked, this, &DashboardVC::openFileInContainingFolder);
}

void DashboardVC::setUpTexts()
{
    const ReviewTexts texts = reviewTexts();
    m_lblTitle->setText(texts.title);
    m_lblExactMatchCategoriesHeader->setText(texts.categoriesHeader);
    m_lblExactMatchCategoriesHeader->setToolTip(texts.categoriesHeader);
    m_lblTrashMarked->setText(texts.trashLabel);
    m_btnTrash->setToolTip(texts.trashLabel);
    m_btnTrash->setAccessibleName(texts.trashLabel);
    lblLastModifiedDate()->setText(texts.lastModifiedCaption);
    m_btnBack->setText(texts.back);
    m_btnBack->setToolTip(texts.back);
    m_btnBack->setAccessibleName(texts.back);
    m_btnSmartCheckGroup->setText(texts.smartCheckTitle);
    m_btnSmartCheckGroupItems->setText(texts.smartCheckTitle);
    // The two buttons read alike; their names tell which copies they mark.
    m_btnSmartCheckGroup->setAccessibleName(localizedString(QStringLiteral("IDS_TMR_1613")));
    m_btnSmartCheckGroupItems->setAccessibleName(localizedString(QStringLiteral("IDS_TMR_1614")));
    m_btnSortInGroup->setText(texts.sortTitle);
    m_btnSelectedItemsSorting->setText(texts.sortTitle);
    m_btnSortInGroup->setAccessibleName(withoutMenuArrow(texts.sortTitle));
    m_btnSelectedItemsSorting->setAccessibleName(withoutMenuArrow(texts.sortTitle));
    m_btnDeselectAllGroups->setText(texts.deselectAll);
    m_btnDeselectAllGroups->setToolTip(texts.deselectAll);
    m_btnNothingFound->setText(texts.nothingFound);
    m_btnBlog->setToolTip(texts.blogToolTip);
    m_btnBlog->setAccessibleName(texts.blogToolTip);
    m_searchField->setAccessibleName(localizedString(QStringLiteral("IDS_TMR_1606")));
    m_searchField->setPlaceholderText(localizedString(QStringLiteral("IDS_TMR_1606")));
    if (const std::optional<QImage> title = EmbeddedImages::decodeImage(EmbeddedImages::resultsTitleImage()))
        m_imgViewAppTitle->setPixmap(QPixmap::fromImage(*title));
    m_imgViewAppTitle->setAccessibleName(texts.title);
    m_tableViewCategories->setAccessibleName(texts.categoriesHeader);
    m_tableViewGroups->setAccessibleName(localizedString(QStringLiteral("IDS_TMR_1611")));
    m_tableViewItems->setAccessibleName(localizedString(QStringLiteral("IDS_TMR_1612")));
    // The title bar carries the screen's title where the window manager shows one.
    if (window() != this)
        window()->setWindowTitle(texts.title);
}

void DashboardVC::applyTrashLook(bool anyMarked)
{
    const TrashButtonLook look = trashButtonLook(anyMarked);
    m_btnTrash->setEnabled(look.enabled);
    QPalette fill = m_boxTrashMarked->palette();
    fill.setColor(QPalette::Window, KitSupport::toQColor(look.fill));
    m_boxTrashMarked->setPalette(fill);
    QPalette text = m_lblTrashMarked->palette();
    text.setColor(QPalette::WindowText, KitSupport::toQColor(look.text));
    m_lblTrashMarked->setPalette(text);
}

void DashboardVC::applyLayout()
{
    const ReviewLayout layout = reviewLayout(m_session->view());
    m_tableViewItems->setFixedHeight(layout.copiesTableHeight);
    // A collapsed table is no stop for Tab.
    m_tableViewItems->setVisible(layout.copiesTableHeight > 0);
    m_tableViewGroups->setAccessibleName(localizedString(
        m_session->view() == ReviewSession::View::MarkedCopies ? QStringLiteral("IDS_TMR_119") : QStringLiteral("IDS_TMR_1611")));
    // The copies' marking menu goes with the table it acts on.
    m_boxSmartCheckGroup->setVisible(layout.copiesTableHeight > 0);
    stackViewPath()->setVisible(layout.showPathRow);
    stackViewSize()->setVisible(layout.showSizeRow);
    m_boxDeselect->setVisible(layout.showDeselectBox);
    m_boxGroupSelect->setVisible(layout.showGroupSelectBox);
    m_boxGroupsSorting->setVisible(layout.showGroupsSortBox);
    m_boxSelectedItemsSorting->setVisible(layout.showMarkedSortBox);
}

void DashboardVC::clearPane()
{
    m_previewPane->clear();
    m_paneShows = PaneShows::Nothing;
    m_paneURL.reset();
}

void DashboardVC::showInPane(const PreviewCopy &copy, bool sizeAndPath, PaneShows shows)
{
    m_previewPane->showCopy(copy, sizeAndPath);
    m_paneShows = shows;
    m_paneURL = copy.url;
}

void DashboardVC::highlightRow(QTableView *table, int row)
{
    QItemSelectionModel *selection = table->selectionModel();
    const QModelIndex index = row >= 0 ? table->model()->index(row, 0) : QModelIndex();
    if (!index.isValid()) {
        selection->clear();
        return;
    }
    const QModelIndexList current = selection->selectedRows();
    if (current.size() == 1 && current.first() == index)
        return;
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void DashboardVC::selectionDidChange()
{
    if (m_syncingSelection)
        return;
    // The pane keeps its copy only while the chosen rows still name it.
    if (m_paneShows != PaneShows::Nothing) {
        const std::optional<PreviewCopy> chosen = chosenCopy();
        if (!chosen || chosen->url != m_paneURL)
            clearPane();
    }
    m_syncingSelection = true;
    if (m_pendingCategoryRow < 0)
        highlightRow(m_tableViewCategories, m_session->categorySelectedRow());
    const bool markedView = m_session->view() == ReviewSession::View::MarkedCopies;
    highlightRow(m_tableViewGroups, !markedView || m_paneShows == PaneShows::MarkedCopy ? m_session->groupSelectedRow() : -1);
    highlightRow(m_tableViewItems, m_paneShows == PaneShows::Copy ? m_session->itemSelectedRow() : -1);
    m_syncingSelection = false;

    applyLayout();
    m_previewPane->setInfoHeight(m_session->isSelectedCategories() ? 52 : 20);
    m_btnNothingFound->setVisible(!m_session->hasDuplicateGroups());
    m_btnNothingFound->raise();
}

void DashboardVC::chooseCategoryRow(int row)
{
    clearPane();
    m_btnNothingFound->setVisible(!m_session->hasDuplicateGroups());
    m_previewPane->setInfoHeight(row >= 0 && row == m_session->categoriesModel()->markedCopiesRow() ? 52 : 20);
    if (row < 0)
        return;
    // The spinner is drawn before the tables reload, on the next pass of the event loop.
    m_pendingCategoryRow = row;
    m_loader->show();
    m_loader->raise();
    m_loader->startAnimation();
    QTimer::singleShot(0, this, [this] {
        const int chosen = std::exchange(m_pendingCategoryRow, -1);
        m_loader->stopAnimation();
        m_loader->hide();
        if (chosen >= 0 && !m_session->selectCategory(chosen))
            selectionDidChange();
    });
}

void DashboardVC::chooseGroupRow(int row)
{
    clearPane();
    if (row < 0 || !m_session->selectGroup(row)) {
        selectionDidChange();
        return;
    }
    if (m_session->view() == ReviewSession::View::MarkedCopies) {
        if (const std::optional<PreviewCopy> copy = copyOfMarkedRow(row))
            showInPane(*copy, true, PaneShows::MarkedCopy);
        selectionDidChange();
    }
}

void DashboardVC::chooseItemRow(int row)
{
    clearPane();
    if (row < 0 || !m_session->selectItem(row)) {
        selectionDidChange();
        return;
    }
    if (const std::optional<PreviewCopy> copy = copyOfItemRow(row))
        showInPane(*copy, false, PaneShows::Copy);
    selectionDidChange();
}

void DashboardVC::searchTextChanged(const QString &text)
{
    // A search or its end brings every table to its first row with an empty pane.
    clearPane();
    if (text.isEmpty())
        m_session->clearSearch(text);
    else
        m_session->applySearch(text);
    selectionDidChange();
}

std::optional<PreviewCopy> DashboardVC::copyOfItemRow(int row) const
{
    const QModelIndex index = m_session->itemsModel()->index(row, 0);
    if (row < 0 || !index.isValid())
        return std::nullopt;
    const CopyKey key = index.data(ReviewRoles::IdentityRole).value<CopyKey>();
    PreviewCopy copy;
    copy.category = scanResultKeysFromRawValue(key.category);
    if (const QUrl url = index.data(ReviewRoles::UrlRole).toUrl(); url.isValid())
        copy.url = url;
    if (const std::optional<CopyLocation> location = m_session->locate(key)) {
        if (const InitialDirectory *record = recordAt(*location)) {
            copy.url = record->url;
            copy.file = record->file;
        }
    }
    if (!copy.url)
        return std::nullopt;
    return copy;
}

std::optional<PreviewCopy> DashboardVC::copyOfMarkedRow(int row) const
{
    const QList<InitialDirectory> &displayed = displayedGroupRows();
    if (row < 0 || row >= displayed.size() || !displayed.at(row).url)
        return std::nullopt;
    const InitialDirectory &record = displayed.at(row);
    PreviewCopy copy{record.url, scanResultKeysFromRawValue(m_session->displayedKey(row).category), record.file};
    if (!copy.category)
        copy.category = record.category;
    return copy;
}

std::optional<PreviewCopy> DashboardVC::chosenCopy() const
{
    switch (m_paneShows) {
    case PaneShows::Copy:
        return copyOfItemRow(m_session->itemSelectedRow());
    case PaneShows::MarkedCopy:
        return copyOfMarkedRow(m_session->groupSelectedRow());
    case PaneShows::Nothing:
        break;
    }
    return std::nullopt;
}

void DashboardVC::openFileInContainingFolder()
{
    // An empty pane names no copy: the rows remembered may still point at the one shown before.
    if (categoryRows().isEmpty() || m_paneShows == PaneShows::Nothing)
        return;
    std::optional<PreviewCopy> copy;
    if (m_session->view() == ReviewSession::View::MarkedCopies) {
        if (m_tableViewGroups->selectionModel()->selectedRows().isEmpty())
            return;
        copy = copyOfMarkedRow(m_session->groupSelectedRow());
    } else {
        copy = copyOfItemRow(m_session->itemSelectedRow());
    }
    if (copy && copy->url && copy->url->isLocalFile())
        FileReveal::selectFile(copy->url->toLocalFile(), QString());
}

void DashboardVC::clickPathControl(const QString &path)
{
    if (!path.isEmpty())
        FileReveal::selectFile(path, QString());
}

void DashboardVC::clickedShowRelated(int markedRow)
{
    const QList<InitialDirectory> &displayed = displayedGroupRows();
    if (markedRow < 0 || markedRow >= displayed.size())
        return;
    const QString wanted = displayed.at(markedRow).url ? displayed.at(markedRow).url->toString() : QString();
    int group = 0;
    int item = 0;
    const QList<FileInfoGroup> &groups = allDuplicateGroups();
    bool found = false;
    for (int g = 0; g < groups.size() && !found; ++g) {
        for (int i = 0; i < groups.at(g).size(); ++i) {
            const FileInfoRef &info = groups.at(g).at(i);
            const QString url = info && info->url ? info->url->toString() : QString();
            if (info && url == wanted) {
                group = g;
                item = i;
                found = true;
                break;
            }
        }
    }
    // No spinner: the jump reloads the tables at once.
    clearPane();
    m_pendingCategoryRow = -1;
    if (!m_session->selectCategory(0) || !m_session->selectGroup(group) || !m_session->selectItem(item)) {
        selectionDidChange();
        return;
    }
    if (const std::optional<PreviewCopy> copy = copyOfItemRow(item))
        showInPane(*copy, false, PaneShows::Copy);
    selectionDidChange();
    m_tableViewGroups->scrollTo(m_session->groupsModel()->index(group, 0));
    m_tableViewItems->scrollTo(m_session->itemsModel()->index(item, 0));
}

// ---- Removal hand-off ---------------------------------------------------------------

namespace {

// The removal screen, when the program has one; asked for by name and called
// by meta-call, since it lives in a library above this one.
QObject *removalScreen()
{
    ScreenRegistry &registry = ScreenRegistry::instance();
    if (!registry.hasFactory(QString::fromLatin1(ScreenId::Delete)))
        return nullptr;
    return registry.object(QString::fromLatin1(ScreenId::Delete));
}

} // namespace

void DashboardVC::clickedTrashedMarked()
{
    if (QObject *removal = removalScreen())
        QMetaObject::invokeMethod(removal, "clickedTrashedMarked", Q_ARG(QWidget *, this));
}

void DashboardVC::observerDeleteMarked()
{
    if (QObject *removal = removalScreen())
        QMetaObject::invokeMethod(removal, "observerDeleteMarked", Q_ARG(QWidget *, this));
}

void DashboardVC::updateTrashButton()
{
    m_session->updateTrashButton();
}

void DashboardVC::endSearch()
{
    m_session->endSearch();
}

void DashboardVC::clearResultsPreview()
{
    clearPane();
}

void DashboardVC::resetSelectedRows()
{
    clearPane();
    m_session->reloadCategories(true);
    m_session->updateTrashButton();
}

// ---- Keyboard and size ----------------------------------------------------------------

namespace {

// Room for a name of about two dozen characters in a row of the groups list,
// beside the marked copy's box, its icon and the Show in Group button.
constexpr int kGroupsColumnMinimumWidth = 360;
// The groups list keeps this many rows in view however small the window.
constexpr int kGroupRowsAlwaysShown = 3;

bool takesTabFocus(const QWidget *widget)
{
    return widget && widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus)
           && !widget->size().isEmpty();
}

} // namespace

void DashboardVC::setUpKeyboard()
{
    // The notice over an empty list is read, not pressed.
    m_btnNothingFound->setFocusPolicy(Qt::NoFocus);
    // Back turns itself off for the way back: the keyboard waits on the
    // screen while the window goes.
    FocusHandOff::setTarget(m_btnBack, this);
    for (QTableView *table : {m_tableViewCategories, m_tableViewGroups, m_tableViewItems}) {
        table->installEventFilter(this);
        // Until a click says otherwise, the focus is the keyboard's, as on
        // the buttons: the categories show it when the window first opens.
        table->setProperty(kShowsRowFocusProperty, true);
    }
}

void DashboardVC::setUpReadableMinimum()
{
    m_tableViewGroups->parentWidget()->setMinimumWidth(kGroupsColumnMinimumWidth);
    m_tableViewGroups->setMinimumHeight(kGroupRowsAlwaysShown * m_tableViewGroups->verticalHeader()->defaultSectionSize()
                                        + 2 * m_tableViewGroups->frameWidth());
}

bool DashboardVC::eventFilter(QObject *watched, QEvent *event)
{
    // With no row chosen, a table's keyboard position still sits on its
    // first row, and an arrow would move on from there: the first row could
    // never be chosen from the keyboard. The first arrow, or Space, chooses
    // the row the keyboard is on instead.
    auto *table = qobject_cast<QTableView *>(watched);
    if (table && event->type() == QEvent::FocusIn)
        tableTakesFocus(table, *static_cast<QFocusEvent *>(event));
    if (table && event->type() == QEvent::KeyPress && !table->property(kShowsRowFocusProperty).toBool()) {
        // Keys after a click: the keyboard works the table now, so it shows where.
        table->setProperty(kShowsRowFocusProperty, true);
        table->viewport()->update();
    }
    if (table && event->type() == QEvent::KeyPress && table->selectionModel()->selectedRows().isEmpty()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Up || key == Qt::Key_Space) {
            QModelIndex row = table->currentIndex();
            if (!row.isValid())
                row = table->model()->index(0, 0);
            if (row.isValid() && (row.flags() & Qt::ItemIsSelectable)) {
                table->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DashboardVC::tableTakesFocus(QTableView *table, const QFocusEvent &focusIn)
{
    // A table with the keyboard shows its current row; one with no row
    // chosen has its keyboard position put on the first row in sight, the
    // row an arrow or Space then chooses. Nothing is chosen by the focus
    // alone: the preview keeps what it shows.
    const bool shows = FocusRing::showsRing(focusIn, table->property(kShowsRowFocusProperty).toBool());
    table->setProperty(kShowsRowFocusProperty, shows);
    if (shows && !table->currentIndex().isValid() && table->selectionModel()->selectedRows().isEmpty()) {
        QModelIndex row = table->indexAt(QPoint(1, 1));
        if (!row.isValid())
            row = table->model()->index(0, 0);
        if (row.isValid() && (row.flags() & Qt::ItemIsSelectable))
            table->selectionModel()->setCurrentIndex(row, QItemSelectionModel::NoUpdate);
    }
    table->viewport()->update();
}

QList<QWidget *> DashboardVC::keyboardOrder() const
{
    // Reading order, from the top and each line from the left: the header;
    // the categories; the groups' tools above the groups, the copies' tool
    // above the copies; the preview of the chosen copy; then the foot of the
    // window, Remove Marked under the categories before the preview's
    // information row. The marked-copies view's tools stand where the groups'
    // own do.
    QList<QWidget *> order{m_btnBack,
                           m_searchField,
                           m_btnBlog,
                           m_tableViewCategories,
                           m_btnSmartCheckGroup,
                           m_btnDeselectAllGroups,
                           m_btnSortInGroup,
                           m_btnSelectedItemsSorting,
                           m_tableViewGroups,
                           m_btnSmartCheckGroupItems,
                           m_tableViewItems};
    order += m_previewPane->previewKeyboardOrder();
    order += m_btnTrash;
    order += m_previewPane->infoKeyboardOrder();
    return order;
}

bool DashboardVC::focusNextPrevChild(bool next)
{
    if (FocusHandOff::handOver(this))
        return true;
    // The order is the screen's own, not the order the widgets were made in:
    // the path's buttons are made afresh for every copy.
    const QList<QWidget *> order = keyboardOrder();
    const QWidget *focused = QApplication::focusWidget();
    qsizetype at = -1;
    for (qsizetype i = 0; focused && i < order.size(); ++i) {
        if (order.at(i) == focused || order.at(i)->isAncestorOf(focused)) {
            at = i;
            break;
        }
    }
    // Focus elsewhere (an overlay over the screen) keeps the usual order.
    if (at < 0)
        return QWidget::focusNextPrevChild(next);
    const qsizetype count = order.size();
    for (qsizetype step = 1; step < count; ++step) {
        QWidget *candidate = order.at(((next ? at + step : at - step) % count + count) % count);
        if (takesTabFocus(candidate)) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;
}

QSize DashboardVC::minimumSizeHint() const
{
    return m_boxParent->minimumSizeHint();
}
