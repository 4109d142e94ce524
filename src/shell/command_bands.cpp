#include "shell/command_bands.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

#include "scan/compare_command.h"
#include "shell/commands.h"
#include "platform/platform_kind.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"

QWidget* commandBands = nullptr;
QMenuBar* menuBar = nullptr;
QToolBar* toolBar = nullptr;

namespace {

constexpr int BAND_IMAGE_WIDTH = 11;
constexpr int BAND_IMAGE_HEIGHT = 15;
constexpr int GRIPPER_WIDTH = 6;
constexpr int BAND_MIN_CONTENT = 24;

// Tool-button image sources, by the indices the buttons use: the standard
// images 0..14 (only delete, 5, is drawn), the view images 15..26 (only the
// parent folder, 23) and the tool images 108 of the resource module at 27..35.
constexpr int IMAGE_STD_DELETE = 5;
constexpr int IMAGE_VIEW_PARENTFOLDER = 23;
constexpr int IMAGE_TOOLS_FIRST = 27;
constexpr int TOOL_SEPARATOR = -1;
// The icon theme's trash: the button is there only where the theme has one.
constexpr int TOOL_THEME_TRASH = -2;
// The icon theme's treemap where it has one, else the program's own drawing.
constexpr int TOOL_TREEMAP = -3;
// The icon theme's folder refresh where it has one, else the Refresh image.
constexpr int TOOL_RESCAN = -4;

struct ToolButton {
    int image;
    int command;
    bool enabled;
};

const ToolButton TOOL_BUTTONS[] = {
    {IMAGE_TOOLS_FIRST + 1, CMD_GO_BACKWARD, false},
    {IMAGE_TOOLS_FIRST + 2, CMD_GO_FORWARD, false},
    {IMAGE_VIEW_PARENTFOLDER, CMD_UP, false},
    {TOOL_SEPARATOR, 0, false},
    {IMAGE_TOOLS_FIRST + 4, CMD_STOP, true},
    {IMAGE_TOOLS_FIRST + 5, CMD_REFRESH, true},
    {TOOL_RESCAN, CMD_RESCAN_FOLDER, false},
    {TOOL_SEPARATOR, 0, false},
    {IMAGE_STD_DELETE, CMD_DELETE, false},
    {IMAGE_TOOLS_FIRST + 3, CMD_UNDELETE, false},
    {TOOL_THEME_TRASH, CMD_MOVE_TO_TRASH, false},
    {TOOL_SEPARATOR, 0, false},
    {IMAGE_TOOLS_FIRST + 0, CMD_FULL_SCREEN, true},
    {IMAGE_TOOLS_FIRST + 6, CMD_PIE_CHART, false},
    {TOOL_TREEMAP, CMD_TREEMAP, true},
};

// The tooltips, string id and the button it names; Go backward and Go
// forward have none.
struct ToolTip {
    uint32_t stringId;
    int command;
};
const ToolTip TOOL_TIPS[] = {
    {STR_TIP_UP, CMD_UP},           {STR_TIP_STOP, CMD_STOP},
    {STR_TIP_REFRESH, CMD_REFRESH}, {STR_TIP_DELETE, CMD_DELETE},
    {STR_TIP_UNDELETE, CMD_UNDELETE}, {STR_TIP_FULL_SCREEN, CMD_FULL_SCREEN},
    {STR_TIP_PIE_CHART, CMD_PIE_CHART}, {STR_TIP_TRASH, CMD_MOVE_TO_TRASH},
    {STR_TIP_TREEMAP, CMD_TREEMAP}, {STR_TIP_RESCAN, CMD_RESCAN_FOLDER},
};
constexpr int TOOL_TIP_CHARS = 32;

struct Band {
    uint32_t id;
    uint32_t style;
    int width;  // the restored width: the width when not maximised
    bool maximized;
    QLabel* image;
    QWidget* content;
};

// The command bands: two bands on one row; the tool band's gripper is
// dragged to share the row between them and double-clicked to maximise the
// tool band or give the row back.
class CommandBandsWidget : public QWidget {
public:
    explicit CommandBandsWidget(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("commandBands"));
        setAccessibleName(StringText(STR_COMMAND_BANDS));
        setAccessibleDescription(StringText(STR_COMMAND_BANDS_DESCRIPTION));
    }

    Band bands[2] = {};

    int HeaderWidth(const Band& band) const {
        return (band.image ? BAND_IMAGE_WIDTH + 2 : 0) + ((band.style & BAND_STYLE_NO_GRIPPER) ? 0 : GRIPPER_WIDTH);
    }
    int MinWidth(const Band& band) const { return HeaderWidth(band) + BAND_MIN_CONTENT; }

    // Width of the menu band on the row as it is now.
    int FirstBandWidth() const {
        int total = width();
        int most = std::max(MinWidth(bands[0]), total - MinWidth(bands[1]));
        if (bands[1].maximized) return MinWidth(bands[0]);
        if (bands[0].maximized) return most;
        return std::clamp(bands[0].width, MinWidth(bands[0]), most);
    }

    int GripperLeft() const { return FirstBandWidth() + (bands[1].image ? BAND_IMAGE_WIDTH + 2 : 0); }

    void LayoutBands() {
        int x = 0;
        for (int i = 0; i < 2; ++i) {
            Band& band = bands[i];
            int bandWidth = i == 0 ? FirstBandWidth() : width() - x;
            int left = x;
            if (band.image) {
                band.image->setGeometry(left + 1, (height() - BAND_IMAGE_HEIGHT) / 2, BAND_IMAGE_WIDTH, BAND_IMAGE_HEIGHT);
                left += BAND_IMAGE_WIDTH + 2;
            }
            if (!(band.style & BAND_STYLE_NO_GRIPPER)) left += GRIPPER_WIDTH;
            if (band.content) band.content->setGeometry(left, 1, std::max(0, x + bandWidth - left), height() - 2);
            x += bandWidth;
        }
        update();
    }

    QSize sizeHint() const override {
        int height = BAND_IMAGE_HEIGHT;
        for (const Band& band : bands)
            if (band.content) height = std::max(height, band.content->sizeHint().height());
        return QSize(BAND_MENU_WIDTH + BAND_TOOLS_WIDTH, height + 2);
    }

protected:
    void resizeEvent(QResizeEvent*) override { LayoutBands(); }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        int left = GripperLeft();
        if (!(bands[1].style & BAND_STYLE_NO_GRIPPER)) {
            for (int line = 0; line < 2; ++line) {
                int x = left + 1 + line * 3;
                painter.setPen(palette().color(QPalette::Light));
                painter.drawLine(x, 3, x, height() - 4);
                painter.setPen(palette().color(QPalette::Dark));
                painter.drawLine(x + 1, 3, x + 1, height() - 4);
            }
        }
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(0, height() - 1, width(), height() - 1);
    }

    bool OnGripper(int x) const {
        return !(bands[1].style & BAND_STYLE_NO_GRIPPER) && x >= GripperLeft() && x < GripperLeft() + GRIPPER_WIDTH;
    }

    void mousePressEvent(QMouseEvent* event) override {
        int x = event->position().toPoint().x();
        dragOffset = OnGripper(x) ? x - FirstBandWidth() : -1;
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (dragOffset < 0) return;
        int first = event->position().toPoint().x() - dragOffset;
        bands[0].maximized = bands[1].maximized = false;
        bands[0].width = std::clamp(first, MinWidth(bands[0]), std::max(MinWidth(bands[0]), width() - MinWidth(bands[1])));
        bands[1].width = width() - bands[0].width;
        LayoutBands();
    }

    void mouseReleaseEvent(QMouseEvent*) override { dragOffset = -1; }

    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (!OnGripper(event->position().toPoint().x())) return;
        bands[1].maximized = !bands[1].maximized;
        if (bands[1].maximized) bands[0].maximized = false;
        LayoutBands();
    }

private:
    int dragOffset = -1;
};

CommandBandsWidget* bandsWidget = nullptr;

QPixmap ToolButtonImage(int index) {
    if (index == IMAGE_STD_DELETE) return ProgramImage("images/standard_tools.png").copy(0, 0, 16, 16);
    if (index == IMAGE_VIEW_PARENTFOLDER) return ProgramImage("images/standard_tools.png").copy(16, 0, 16, 16);
    QPixmap tools = ToolImages();
    int offset = (index - IMAGE_TOOLS_FIRST) * 16;
    if (tools.isNull() || offset < 0 || offset + 16 > tools.width()) return QPixmap();
    return tools.copy(offset, 0, 16, 16);
}

// The treemap button's image: the theme's where it has one, else nested
// tiles drawn in the treemap's own colours.
QIcon TreemapIcon() {
    for (const char* name : {"view-treemap", "office-chart-tree-map", "view-grid"}) {
        QIcon themed = QIcon::fromTheme(QString::fromLatin1(name));
        if (!themed.isNull()) return themed;
    }
    QPixmap image(16, 16);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(QColor(40, 40, 40));
    const struct {
        QRect rect;
        QRgb colour;
    } tiles[] = {{QRect(0, 0, 9, 15), qRgb(0, 114, 178)},   {QRect(9, 0, 6, 9), qRgb(230, 159, 0)},
                 {QRect(9, 9, 6, 6), qRgb(0, 158, 115)},    {QRect(0, 10, 9, 5), qRgb(204, 121, 167)}};
    for (const auto& tile : tiles) {
        painter.setBrush(QColor(tile.colour));
        painter.drawRect(tile.rect);
    }
    return QIcon(image);
}

// The two 11 x 15 band images, red being transparent; none unless both exist.
bool CutBandImages(QPixmap images[2]) {
    QPixmap strip = ProgramImage("images/bitmap105.png");
    if (strip.width() < 2 * BAND_IMAGE_WIDTH || strip.height() < BAND_IMAGE_HEIGHT) return false;
    strip.setMask(strip.createMaskFromColor(QColor(255, 0, 0), Qt::MaskInColor));
    for (int i = 0; i < 2; ++i) images[i] = strip.copy(i * BAND_IMAGE_WIDTH, 0, BAND_IMAGE_WIDTH, BAND_IMAGE_HEIGHT);
    return true;
}

// The items of one pop-up; an item that is a pop-up itself opens a submenu.
void AddMenuItems(QMenu* menu, const QJsonArray& items) {
    for (const QJsonValue& itemValue : items) {
        QJsonObject item = itemValue.toObject();
        if (item.value(QStringLiteral("separator")).toBool()) {
            menu->addSeparator();
            continue;
        }
        if (item.contains(QStringLiteral("popup"))) {
            QMenu* submenu = menu->addMenu(item.value(QStringLiteral("popup")).toString());
            // A named pop-up is one whose items are filled when it opens.
            submenu->setObjectName(item.value(QStringLiteral("name")).toString());
            if (submenu->objectName() == QLatin1String("compareMenu"))
                QObject::connect(submenu, &QMenu::aboutToShow, submenu, [submenu] { FillCompareMenu(submenu); });
            AddMenuItems(submenu, item.value(QStringLiteral("items")).toArray());
            continue;
        }
        QAction* action = CommandAction(item.value(QStringLiteral("command")).toInt());
        if (!action) continue;
        // A tab puts the shortcut text at the right of the item.
        QString text = item.value(QStringLiteral("text")).toString();
        QString shortcut = item.value(QStringLiteral("shortcut")).toString();
        action->setText(shortcut.isEmpty() ? text : text + QLatin1Char('\t') + shortcut);
        if (item.value(QStringLiteral("grayed")).toBool()) action->setEnabled(false);
        menu->addAction(action);
    }
}

QMenuBar* BuildMenuBar(QWidget* parent, int menuId) {
    QMenuBar* bar = new QMenuBar(parent);
    bar->setNativeMenuBar(false);
    bar->setObjectName(QStringLiteral("menuBar"));
    for (const QJsonValue& popupValue : LoadMenuResource(menuId)) {
        QJsonObject popup = popupValue.toObject();
        QMenu* menu = bar->addMenu(popup.value(QStringLiteral("popup")).toString());
        AddMenuItems(menu, popup.value(QStringLiteral("items")).toArray());
    }
    return bar;
}

// The command's name as a tool button says it: the menu text without its
// shortcut text after the tab and without mnemonic marks ("&Up\tBS" is
// "Up"). The two history commands have no menu item and are named here.
QString ToolButtonName(const QAction* action) {
    switch (action->data().toInt()) {
    case CMD_GO_BACKWARD: return StringText(STR_TOOL_BACK);
    case CMD_GO_FORWARD: return StringText(STR_TOOL_FORWARD);
    default: break;
    }
    QString text = action->text().section(QLatin1Char('\t'), 0, 0);
    QString name;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
        name += text[i];
    }
    return name.trimmed();
}

void NameToolButton(QWidget* button, const QAction* action) {
    QString name = ToolButtonName(action);
    if (button->accessibleName() != name) button->setAccessibleName(name);
}

QToolBar* BuildToolBar(QWidget* parent) {
    QToolBar* bar = new QToolBar(parent);
    bar->setObjectName(QStringLiteral("toolBar"));
    bar->setAccessibleName(StringText(STR_TOOL_BUTTONS));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const ToolButton& button : TOOL_BUTTONS) {
        if (button.image == TOOL_SEPARATOR) {
            bar->addSeparator();
            continue;
        }
        QAction* action = CommandAction(button.command);
        if (button.image == TOOL_TREEMAP) {
            action->setIcon(TreemapIcon());
        } else if (button.image == TOOL_RESCAN) {
            action->setIcon(QIcon::fromTheme(QStringLiteral("folder-sync"),
                                             QIcon(ToolButtonImage(IMAGE_TOOLS_FIRST + 5))));
        } else if (button.image == TOOL_THEME_TRASH) {
            QIcon trash = QIcon::fromTheme(QStringLiteral("user-trash"));
            if (trash.isNull()) continue;
            action->setIcon(trash);
        } else {
            action->setIcon(QIcon(ToolButtonImage(button.image)));
        }
        action->setEnabled(button.enabled);
        bar->addAction(action);
    }
    for (const ToolTip& tip : TOOL_TIPS) {
        char16_t text[TOOL_TIP_CHARS];
        LoadStringText(tip.stringId, text, TOOL_TIP_CHARS);
        CommandAction(tip.command)->setToolTip(QString::fromUtf16(text));
    }
    for (const ToolButton& button : TOOL_BUTTONS) {
        if (button.image == TOOL_SEPARATOR) continue;
        QAction* action = CommandAction(button.command);
        QWidget* widget = bar->widgetForAction(action);
        if (!widget) continue;
        NameToolButton(widget, action);
        // A menu text set later (another resource module) names it again.
        QObject::connect(action, &QAction::changed, widget, [widget, action] { NameToolButton(widget, action); });
    }
    return bar;
}

void ApplyRestore(Band* band, const BandRestore& record) {
    band->style = record.style;
    band->width = static_cast<int>(record.restoredWidth);
}

}  // namespace

QWidget* CreateCommandBands(QWidget* parent) {
    bandsWidget = new CommandBandsWidget(parent);
    commandBands = bandsWidget;
    Band* bands = bandsWidget->bands;
    bands[0] = {BAND_MENU, BAND_STYLE_NO_GRIPPER, BAND_MENU_WIDTH, false, nullptr, nullptr};
    bands[1] = {BAND_TOOLS, 0, BAND_TOOLS_WIDTH, false, nullptr, nullptr};
    if (settingsBlob.bandsValid == 1) {
        ApplyRestore(&bands[0], settingsBlob.menuBandRestore);
        ApplyRestore(&bands[1], settingsBlob.toolBandRestore);
    }

    QPixmap images[2];
    if (CutBandImages(images)) {
        for (int i = 0; i < 2; ++i) {
            bands[i].image = new QLabel(bandsWidget);
            bands[i].image->setPixmap(images[i]);
            bands[i].image->setAccessibleName(StringText(i == 0 ? STR_MENU_BAND : STR_TOOL_BAND));
        }
    }

    menuBar = BuildMenuBar(bandsWidget, platformKind == PLATFORM_PALMSIZE ? MENU_PALMSIZE : MENU_MAIN);
    bands[0].content = menuBar;
    toolBar = BuildToolBar(bandsWidget);
    bands[1].content = toolBar;

    if (settingsBlob.bandsValid == 1) {
        bands[0].maximized = settingsBlob.menuBandRestore.maximized != 0;
        bands[1].maximized = settingsBlob.toolBandRestore.maximized != 0;
    }
    bandsWidget->LayoutBands();
    return bandsWidget;
}

void GetBandRestore(uint32_t bandId, BandRestore* record) {
    if (!bandsWidget || record->size != BAND_RESTORE_SIZE) return;
    for (const Band& band : bandsWidget->bands) {
        if (band.id != bandId) continue;
        record->bandId = band.id;
        record->style = band.style;
        record->restoredWidth = static_cast<uint32_t>(band.width);
        record->maximized = band.maximized ? 1 : 0;
    }
}

int CommandBandsHeight() { return bandsWidget ? bandsWidget->sizeHint().height() : 0; }

void DestroyCommandBands() {
    delete bandsWidget;
    bandsWidget = nullptr;
    commandBands = nullptr;
    menuBar = nullptr;
    toolBar = nullptr;
}
