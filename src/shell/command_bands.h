// The strip at the top of the main window (control 901): the menu band (905)
// with the menu bar and the tool band (906) with the tool buttons. The bands'
// widths, styles and maximised states are kept in the settings between runs.
#pragma once

#include <cstdint>

#include "shell/settings_store.h"

class QMenuBar;
class QToolBar;
class QWidget;

constexpr uint32_t BAND_MENU = 905;
constexpr uint32_t BAND_TOOLS = 906;
constexpr uint32_t BAND_STYLE_NO_GRIPPER = 0x100;
constexpr int BAND_MENU_WIDTH = 194;
constexpr int BAND_TOOLS_WIDTH = 100;
constexpr uint32_t BAND_RESTORE_SIZE = 20;

extern QWidget* commandBands;
extern QMenuBar* menuBar;
extern QToolBar* toolBar;

// Builds the strip with both bands, the menu bar (menu 103 on a Palm-size
// device, 102 elsewhere) and the tool buttons with their tooltips. With
// bandsValid set, the bands take their styles, widths and maximised states
// from the stored restore records.
QWidget* CreateCommandBands(QWidget* parent);

// Fills record (whose size the caller has set) with the band's restore values.
void GetBandRestore(uint32_t bandId, BandRestore* record);

// The height the strip needs; 0 without a strip.
int CommandBandsHeight();

void DestroyCommandBands();
