// The device class the program runs as; only PLATFORM_PALMSIZE changes
// behaviour (apart from the root's icon).
#pragma once

enum PlatformKind {
    PLATFORM_OTHER = 0,
    PLATFORM_HANDHELD = 1,
    PLATFORM_PALMSIZE = 2,
};

// Decided once at start-up.
extern PlatformKind platformKind;

// "HPC" and "Jupiter" are handheld; "Palm PC", "Palm PC2" and "PocketPC" are
// palm-size; anything else is other.
PlatformKind PlatformKindFromText(const char16_t* platformText);

// The platform type text: VOLUMETRA_PLATFORM when set ("PocketPC", "HPC"),
// else the operating system's name.
void PlatformTypeText(char16_t* buffer, int capacity);
