#include "shell/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTreeView>
#include <QTreeWidget>

#include "model/path_list.h"
#include "scan/change_follow.h"
#include "scan/folder_tree.h"
#include "scan/item_tree_owner.h"
#include "scan/navigation.h"
#include "scan/scan_control.h"
#include "platform/owner_window.h"
#include "platform/platform_kind.h"
#include "shell/command_bands.h"
#include "shell/device_integration.h"
#include "shell/commands.h"
#include "shell/pane_layout.h"
#include "resources/resource_module.h"
#include "shell/settings_store.h"
#include "shell/startup.h"
#include "views/contents_list.h"
#include "views/image_list.h"
#include "views/pie_popup.h"
#include "views/status_bar.h"
#include "resources/resource_ids.h"

MainWindow* mainWindow = nullptr;

namespace {

constexpr int DEFAULT_WIDTH = 640;
constexpr int DEFAULT_HEIGHT = 480;
// A desktop window starts at four fifths of the screen's free area, at most
// this roomy and never smaller than the handheld's.
constexpr int ROOMY_WIDTH = 1300;
constexpr int ROOMY_HEIGHT = 850;

QSize FirstWindowSize() {
    QSize size(DEFAULT_WIDTH, DEFAULT_HEIGHT);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (platformKind != PLATFORM_OTHER || !screen) return size;
    const QSize room = screen->availableGeometry().size() * 4 / 5;
    return size.expandedTo(room.boundedTo(QSize(ROOMY_WIDTH, ROOMY_HEIGHT)));
}

// Where a feedback bar shows: the bar widened to six pixels across, as
// wide as a drag handle.
QRect FeedbackArea(const PaneRect& bar) {
    QRect rect(bar.left, bar.top, bar.right - bar.left, bar.bottom - bar.top);
    return orientation ? rect.adjusted(-2, 0, 2, 0) : rect.adjusted(0, -2, 0, 2);
}

// Shows the splitter's feedback bars during a drag by inverting what lies
// beneath them; it takes no pointer events of its own.
class FeedbackOverlay : public QWidget {
public:
    explicit FeedbackOverlay(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("splitterFeedback"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setAccessibleName(StringText(STR_SPLITTER_POSITION));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        for (int i = 0; i < FeedbackBarCount(); ++i) {
            painter.fillRect(FeedbackArea(FeedbackBar(i)), Qt::black);
        }
    }
};

FeedbackOverlay* feedbackOverlay = nullptr;

void NotePaneFocus(QWidget* now) {
    for (QWidget* widget = now; widget; widget = widget->parentWidget()) {
        if (widget == treePane || widget == listPane) {
            NoteFocusPane(widget);
            return;
        }
    }
}

}  // namespace

MainWindow::MainWindow() {
    mainWindow = this;
    SetOwnerWindow(this);
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QString::fromUtf16(titleText));
    setAccessibleName(QString::fromUtf16(titleText));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);

    // Icon 101 at the small and large sizes, and at the sizes drawn for
    // desktops' task switchers and docks.
    QIcon icon;
    for (const char* name : {"images/icon101_16.png", "images/icon101_32.png", "images/icon101_48.png",
                             "images/icon101_128.png", "images/icon101_256.png"}) {
        QPixmap image = ProgramImage(name);
        if (!image.isNull()) icon.addPixmap(image);
    }
    if (!icon.isNull()) setWindowIcon(icon);

    statusBar = CreateStatusBar(this);
    SetupStatusParts();

    CreateCommandActions(this);
    CreateCommandBands(this);
    SetOrientationMark(orientation ? CMD_LEFT_RIGHT : CMD_TOP_BOTTOM);
    ComputeLayout();

    treePane = CreateTreePane(this);
    CreateSmallImageList();
    listPane = CreateListPane(this);
    CreateListArea(this);
    CreatePieWindow(this);

    feedbackOverlay = new FeedbackOverlay(this);
    feedbackOverlay->raise();

    connect(qApp, &QApplication::focusChanged, this, [](QWidget*, QWidget* now) { NotePaneFocus(now); });
    SetUpNavigation(this);
    SetUpChangeFollow(this);

    BuildItemTree();

    if (ReopenKeptPlace())
        treePane->setFocus(Qt::OtherFocusReason);
    else
        ShowStartPlace();
    resize(FirstWindowSize());
}

MainWindow::~MainWindow() {
    OnMainWindowDestroyed();
    DestroyCommandActions();
    feedbackOverlay = nullptr;
    ForgetPieWindows();
    treePane = nullptr;
    listPane = nullptr;
    focusPane = nullptr;
    statusBar = nullptr;
    mainWindow = nullptr;
    SetOwnerWindow(nullptr);
}

void MainWindow::resizeEvent(QResizeEvent*) {
    if (commandBands) commandBands->setGeometry(0, 0, width(), CommandBandsHeight());
    if (statusBar) statusBar->setGeometry(0, height() - StatusBarHeight(), width(), StatusBarHeight());
    if (feedbackOverlay) feedbackOverlay->setGeometry(rect());
    ComputeLayout();
    ApplyLayout();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!OnCloseRequest()) {
        event->ignore();
        return;
    }
    if (ScanWorkerAlive()) {
        // The worker may still be walking the item tree: it stops, and the
        // window closes once it has reported and ended.
        CloseWhenScanEnded([] {
            if (mainWindow) mainWindow->close();
        });
        event->ignore();
        return;
    }
    event->accept();
    deleteLater();
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    QPoint at = event->position().toPoint();
    SplitterPressed(at.x(), at.y());
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    QPoint at = event->position().toPoint();
    SplitterMoved(at.x(), at.y());
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    QPoint at = event->position().toPoint();
    SplitterReleased(at.x(), at.y());
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // The window seldom takes the focus itself (a pane does): coming to
        // the front is when a fit put off in the background is made.
        OnMainWindowFocused();
        OnMainWindowActivated();
    }
    QWidget::changeEvent(event);
}

void MainWindow::focusInEvent(QFocusEvent*) {
    OnMainWindowFocused();
    if (focusPane) focusPane->setFocus(Qt::OtherFocusReason);
}

void BringMainWindowToFront() {
    if (!mainWindow) return;
    mainWindow->showNormal();
    mainWindow->raise();
    mainWindow->activateWindow();
}

bool ReopenKeptPlace() {
    if (!pendingPlace) return false;
    PathList* place = pendingPlace;
    pendingPlace = nullptr;
    NavigateTo(place);
    return true;
}

int StatusBarHeight() { return statusBar ? statusBar->sizeHint().height() : 0; }

void UpdateFeedbackOverlay(const PaneRect& bar) {
    if (!feedbackOverlay) return;
    // Screen readers hear where the bar under the pointer stands.
    QString description;
    if (int count = FeedbackBarCount()) {
        PaneRect shown = FeedbackBar(count - 1);
        description = orientation ? StringText(STR_SPLITTER_AT_X).arg(shown.left)
                                  : StringText(STR_SPLITTER_AT_Y).arg(shown.top);
    }
    feedbackOverlay->setAccessibleDescription(description);
    // Only the bar's own pixels change; the panes beneath are not repainted.
    feedbackOverlay->update(FeedbackArea(bar));
}

QPoint PaneCornerOnScreen() {
    if (!mainWindow) return QPoint();
    return mainWindow->mapToGlobal(QPoint(paneArea.right, paneArea.bottom));
}
