#include "platform/machine_name.h"

#include <QString>
#include <QSysInfo>

#include <algorithm>

void MachineName(char16_t* buffer, int capacity) {
    if (capacity <= 0) return;
    const QString name = QSysInfo::machineHostName();
    const int length = std::min<int>(static_cast<int>(name.size()), capacity - 1);
    for (int i = 0; i < length; ++i) buffer[i] = name[i].unicode();
    buffer[length] = 0;
}
