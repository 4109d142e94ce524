// Texts of the string table that start-up loads into buffers once, for the
// parts that show them later.
#pragma once

constexpr int TITLE_TEXT_CHARS = 20;
constexpr int STOP_TEXT_CHARS = 64;

// String 1: the caption of the main window, the caption of questions and the
// name of the single instance.
extern char16_t titleText[TITLE_TEXT_CHARS];
// String 40021: what a stopped scan shows.
extern char16_t stopText[STOP_TEXT_CHARS];
