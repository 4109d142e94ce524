#include "platform/settings_blob.h"

SettingsBlob settingsBlob;
