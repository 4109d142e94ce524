// Where the program's texts, menus, dialogs and images come from. The
// program's own resources are always there; an optional vmetra.rcc beside the
// program, when it registers, replaces the strings, menus, dialogs and the
// tool images. The icon, the accelerators and the other images always come
// from the program itself.
#pragma once

#include <cstdint>

#include <QJsonArray>
#include <QJsonObject>
#include <QPixmap>
#include <QString>

// Registers the resource file at path as the resource module. Returns true
// when it registered; otherwise the program's own resources serve.
bool LoadResourceModule(const QString& path);

// Forgets the resource module, if one was registered.
void ReleaseResourceModule();

bool HasResourceModule();

// Copies string id of the resource module into buffer, cut to capacity - 1
// characters and terminated. Returns the number of characters; 0 (an empty
// buffer) when the string does not exist.
int LoadStringText(uint32_t id, char16_t* buffer, int capacity);

// The same string as a QString, uncut; empty when it does not exist.
QString StringText(uint32_t id);

// Menu 102 or 103 of the resource module: an array of pop-ups.
QJsonArray LoadMenuResource(int id);

// Dialog template id of the resource module; empty when there is none.
QJsonObject LoadDialogTemplate(int id);

// The accelerator table 107 of the program itself.
QJsonArray LoadAcceleratorTable();

// An image file of the program itself ("images/bitmap103.png").
QPixmap ProgramImage(const char* name);

// The tool-button images 108 of the resource module.
QPixmap ToolImages();
