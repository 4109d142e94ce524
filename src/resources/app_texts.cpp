#include "resources/app_texts.h"

char16_t titleText[TITLE_TEXT_CHARS] = u"Volumetra";
char16_t stopText[STOP_TEXT_CHARS] = {};
